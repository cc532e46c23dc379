#pragma once

#include "Engine/Runtime/Graphics/DrawList.h"
#include "Source/Game/Rendering/RenderRecords.h"

#include <cstdint>
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
};
