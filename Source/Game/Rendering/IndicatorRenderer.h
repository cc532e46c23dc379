#pragma once

#include <cstdint>

namespace Lumvek
{
class Geometry;
class GraphicsDevice;
} // namespace Lumvek

class CameraView;
class GameContext;

// The arrows and icons at the edge of a local player's view that point at what the player tracks.
// Part of the GameRenderer: loaded on the match loader thread, drawn on the application thread.
class IndicatorRenderer
{
public:
    explicit IndicatorRenderer(GameContext& context);
    IndicatorRenderer(const IndicatorRenderer&) = delete;
    IndicatorRenderer& operator=(const IndicatorRenderer&) = delete;
    ~IndicatorRenderer();

    // Match loader thread: the instance buffer and the material.
    void Load(Lumvek::GraphicsDevice& device);
    // Leaving the match: removes the material and the buffer.
    void Unload(Lumvek::GraphicsDevice& device);
    // Empties the frame's buffer and the range.
    void BeginFrame();
    // One view: its indicators; sets indicatorFirst and indicatorCount.
    void Draw(Lumvek::GraphicsDevice& device, const CameraView& view);

    // Not owned.
    GameContext& context;
    // Device slots.
    uint32_t materialId;
    uint32_t instancesId;
    // Device resource, not owned; null until loaded.
    Lumvek::Geometry* instances = nullptr;
    // The current view's instances.
    uint32_t indicatorFirst = 0;
    uint32_t indicatorCount = 0;
};
