#pragma once

#include "Engine/Foundation/Math.h"

#include <cstdint>
#include <vector>

namespace Lumvek
{
class Geometry;
class GraphicsDevice;
} // namespace Lumvek

struct AwarenessMarker;
class CameraView;
class GameContext;

// Where an indicator goes in a view: pure geometry in world units.
namespace IndicatorGeometry
{

// The sizes of a view's indicators, from pixels to world units.
struct Sizes
{
    Lumvek::Vector2 icon;
    Lumvek::Vector2 arrow;
    Lumvek::Vector2 arrowBesideIcon;
};

// False for a view without pixels or without a finite extent, which shows no indicators.
bool ComputeSizes(Lumvek::Vector2 extent, Lumvek::Vector2 pixels, Sizes& out);

// A target inside the ellipse around the view's centre (radii extent / 2.1) is shown where it is,
// unturned; one outside is pinned to the ellipse, its arrow turned to point at it.
struct Placement
{
    Lumvek::Vector2 position;
    // Radians in [0, 2π).
    float rotation = 0.0f;
    bool outside = false;
};
Placement Place(Lumvek::Vector2 displayed, Lumvek::Vector2 centre, Lumvek::Vector2 extent);

// The part of a view that indicators use: all of it below a band of bandPixels at the top of a view
// pixelHeight high, where the heads-up display's dials stand; centre and extent as Place takes them.
struct Area
{
    Lumvek::Vector2 centre;
    Lumvek::Vector2 extent;
};
Area BelowBand(Lumvek::Vector2 centre, Lumvek::Vector2 extent, float pixelHeight, float bandPixels);

// The icon's transform: one icon size from the arrow, on the side that faces the view's centre.
Lumvek::Matrix3x3 IconTransform(const Placement& placement, Lumvek::Vector2 size);
// The arrow's transform: turned about the middle of its base.
Lumvek::Matrix3x3 ArrowTransform(const Placement& placement, Lumvek::Vector2 size);

} // namespace IndicatorGeometry

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

private:
    // Where a player's marker was last shown; it eases toward the marker each time a view draws it.
    struct Shown
    {
        uint8_t player = 0;
        uint32_t kind = 0;
        uint64_t identifier = 0;
        Lumvek::Vector2 displayed;
        // The Draw that last showed it.
        uint32_t stamp = 0;
    };

    // The shown place of the marker, starting where the marker stands.
    Lumvek::Vector2& Displayed(uint8_t player, const AwarenessMarker& marker);

    std::vector<Shown> shown;
    uint32_t stamp = 0;
};
