#pragma once

#include "Engine/Foundation/Math.h"
#include "Engine/Runtime/Graphics/DrawList.h"
#include "Source/Game/Rendering/RenderRecords.h"
#include "Source/World/PlatformRenderable.h"

#include <cstdint>
#include <span>
#include <vector>

namespace Lumvek
{
class Geometry;
class GraphicsDevice;
class Texture;
class TextureRegion;
} // namespace Lumvek

class CameraView;
class GameContext;
struct ThemeBackground;
class ThemeData;

// The parallax of background layers, apart from the buffers they are written to.
namespace BackgroundGeometry
{

// The world size a view shows at the reference zoom: 144 square units at the view's aspect.
struct Reference
{
    float width = 0.0f;
    float height = 0.0f;
};

// A layer's projected edges for one view, and the parallax scale that made them.
struct Corners
{
    float left = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
    float top = 0.0f;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
};

// Zero for an aspect that is not positive and finite.
Reference ReferenceExtent(float aspect);
// The layer's edges as the camera at its extent sees them: a pinned edge keeps its world place, the
// others move with the layer's depth. False when the projected rectangle is empty or inverted.
bool Project(const ThemeBackground& layer, Lumvek::Vector2 camera, Lumvek::Vector2 extent, const Reference& reference,
             Corners& out);
// The four corners of a textured layer (bottom left, bottom right, top left, top right) with the
// texture scrolled for the camera.
void TexturedCorners(const ThemeBackground& layer, Lumvek::Vector2 camera, const Corners& corners,
                     std::span<TexturedBackgroundVertex> quad);

} // namespace BackgroundGeometry

// Draws, behind everything else, the background layers of the match's theme and of its map with
// parallax, and the theme's decorative objects. Part of the GameRenderer: loaded on the match loader
// thread, drawn on the application thread.
class BackgroundRenderer
{
public:
    explicit BackgroundRenderer(GameContext& context);
    BackgroundRenderer(const BackgroundRenderer&) = delete;
    BackgroundRenderer& operator=(const BackgroundRenderer&) = delete;
    ~BackgroundRenderer();

    // Match loader thread: the buffers, the theme's images and platform pieces, the materials, the
    // layers' bounds and the objects' placements.
    void Load(Lumvek::GraphicsDevice& device, Lumvek::TextureRegion* themeRoot, Lumvek::Texture* platformAtlas);
    // Leaving the match, on the application thread: removes what Load made and releases the theme's
    // sounds.
    void Unload(Lumvek::GraphicsDevice& device);
    // Empties the frame's buffers.
    void BeginFrame();

    // One view: every layer of the theme, then the map's own, into the draw list.
    void DrawBackgrounds(const CameraView& view, const std::vector<ThemeBackground>& mapLayers);
    // One view: the theme objects' instances; sets objectFirst and objectCount.
    void DrawObjects(const Lumvek::Texture* themeAtlas, const CameraView& view);
    // One layer into the draw list; nothing for a layer the view does not show.
    void DrawBackground(const ThemeBackground& layer, const CameraView& view,
                        const BackgroundGeometry::Reference& reference);

    // Not owned.
    GameContext& context;
    const ThemeData* theme = nullptr;
    // The layers of the current view; its last item is the open template.
    Lumvek::DrawList drawList;

    // Device slots.
    uint32_t colorMaterial;
    uint32_t scrollNoneMaterial;
    uint32_t scrollXMaterial;
    uint32_t scrollYMaterial;
    uint32_t scrollBothMaterial;
    uint32_t themeObjectMaterial;
    uint32_t verticesId;
    uint32_t indicesId;
    uint32_t objectInstancesId;

    // Device resources, not owned; null until loaded.
    Lumvek::Geometry* vertices = nullptr;
    Lumvek::Geometry* indices = nullptr;
    Lumvek::Geometry* objectInstances = nullptr;

    // The current view's theme-object instances.
    uint32_t objectFirst = 0;
    uint32_t objectCount = 0;
    // Objects whose picture is missing, named once.
    OnceLog missing;
    // The device textures Load made for the theme's layers, which Unload destroys; written by the
    // match loader before the match has loaded, read by the application thread after.
    std::vector<uint32_t> layerTextures;
};
