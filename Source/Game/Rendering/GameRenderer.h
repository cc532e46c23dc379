#pragma once

#include "Source/Data/ThemeData.h"
#include "Source/Game/Rendering/BackgroundRenderer.h"
#include "Source/Game/Rendering/EntityRenderer.h"
#include "Source/Game/Rendering/IndicatorRenderer.h"

#include <cstdint>
#include <vector>

namespace Lumvek
{
class Geometry;
class GraphicsDevice;
class Texture;
} // namespace Lumvek

namespace Loader
{
class StreamingAtlasInfo;
}

class CameraView;
class GameContext;
struct Loadout;

// Draws the running match: every active view into its rectangle of one shared off-screen target, which
// is then copied onto the back buffer. One per match, made by the game system when a game starts,
// loaded on the match loader thread (Load) and the render-resource loader thread (LoadPlayerTextures),
// drawn on the application thread (Render), and unloaded there when the match is left. Render only
// appends commands to the device's queue; the device replays them under its mutex.
class GameRenderer final
{
public:
    // The colour the shared target is cleared to: bytes 0, 255, 255, 255.
    static constexpr uint8_t ClearColor[4] = {0, 255, 255, 255};
    // The platforms' outline pieces' texture: its place in the platform atlas and its borders.
    static constexpr uint32_t PlatformDrawX = 0;
    static constexpr uint32_t PlatformDrawY = 600;
    static constexpr uint32_t PlatformDrawBorder = 12;

    // Registers the names; makes no graphics resource.
    explicit GameRenderer(GameContext& context);
    GameRenderer(const GameRenderer&) = delete;
    GameRenderer& operator=(const GameRenderer&) = delete;
    ~GameRenderer();

    // Match loader thread, after the map has loaded: the targets, the atlases and every sub-renderer's
    // resources. icons is the atlas the definitions' icons stream into; null streams nothing.
    void Load(Lumvek::GraphicsDevice& device, Loader::StreamingAtlasInfo* icons);
    // Render-resource loader thread: the players' characters and parts into the world and draw atlases,
    // which are then handed to the device.
    void LoadPlayerTextures(Lumvek::GraphicsDevice& device, Loader::StreamingAtlasInfo* icons);
    // Application thread, when play begins: the icons of one player's loadout.
    void RequestLoadoutIcons(Lumvek::GraphicsDevice& device, const Loadout& loadout, Loader::StreamingAtlasInfo* icons);
    // Application thread, leaving the match: removes every device resource the renderer made.
    void Unload(Lumvek::GraphicsDevice& device);

    // Appends the frame: alpha is the fixed step's interpolation factor, dt the frame's seconds.
    // The frame is BeginFrame, each active view's passes and Compose, then EndFrame.
    void Render(Lumvek::GraphicsDevice& device, float alpha, float dt);
    // Advances the time, binds and clears the shared target and empties the frame's buffers.
    void BeginFrame(Lumvek::GraphicsDevice& device, float dt);
    // Turns what one view appended into commands.
    void Compose(Lumvek::GraphicsDevice& device, const CameraView& view);
    // Copies the shared target onto the back buffer.
    void EndFrame(Lumvek::GraphicsDevice& device);

    // While time is below drawInDuration, or while held, only backgrounds, theme objects and platform
    // outlines draw.
    bool IsDrawingIn() const { return holdDrawIn || drawInDuration > time; }
    // How far the draw-in has come, 0 at its start, 1 at its end.
    float DrawInProgress() const;

    // The unit quad and its indices, which the screens share; made unless they exist.
    static void CreateQuad(Lumvek::GraphicsDevice& device);

    // The map's own layers, drawn after the theme's; the map file reads and writes them through the
    // game context's mapBackgrounds.
    std::vector<ThemeBackground> backgrounds;
    // Seconds since play began.
    float time = 0.0f;
    // Seconds the platforms take to be drawn in.
    float drawInDuration = 0.0f;
    // Set by the game system while the players' textures load on the render-resource loader: the
    // atlases the entities are drawn from are still being written, so the frame stays in the draw-in
    // even when its time is up.
    bool holdDrawIn = false;
    BackgroundRenderer backgroundRenderer;
    EntityRenderer entityRenderer;
    IndicatorRenderer indicatorRenderer;

    // Device slots of the renderer's own resources.
    const uint32_t gameRenderTarget;
    const uint32_t gameDepthTarget;
    const uint32_t gameTargetMaterial;
    const uint32_t cameraConstantsId;

    // Resources of the device's table, not owned; null until loaded.
    Lumvek::Texture* platformAtlas = nullptr;
    Lumvek::Texture* themeAtlas = nullptr;
    Lumvek::Texture* worldAtlas = nullptr;
    Lumvek::Texture* drawAtlas = nullptr;
    Lumvek::Texture* effectAtlas = nullptr;
    Lumvek::Geometry* cameraConstants = nullptr;

    // Drawn in this order; not owned.
    std::vector<CameraView*> views;

    // Not owned.
    GameContext& context;
};
