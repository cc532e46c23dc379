#pragma once

#include "Engine/Foundation/Color.h"
#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/Resource.h"
#include "Source/Tools/Inspectors/Inspector.h"

#include <cstdint>
#include <vector>

// Edits a collision or hit shape over a magnified picture of its texture region: the points are in
// the region's normalised coordinates (0 to 1 across, 0 to 1 up). A left click on empty canvas adds a
// point, a left drag moves one, a right click deletes one. The point list belongs to the definition
// that owns the shape and is changed in place; it must outlive the window. Application thread.
class PolygonInspector final : public Inspector
{
public:
    static constexpr uint32_t NoPoint = 0xFFFFFFFFu;
    // A smaller scale would shrink the canvas towards no pixels at all, where the pointer's
    // coordinates stop being numbers; a larger one would overflow the window's coordinates.
    static constexpr float MinimumScale = 0.1f;
    static constexpr float MaximumScale = 100.0f;
    // How near, in pixels along each axis, the pointer must be to take a point.
    static constexpr float PickDistance = 3.0f;

    PolygonInspector(uint32_t texture, uint32_t region, std::vector<Lumvek::Vector2>* polygon)
        : texture(texture), region(region), polygon(polygon)
    {
    }

    void Draw() override;

    uint32_t texture = Lumvek::InvalidId;
    // All ones for the whole texture.
    uint32_t region = Lumvek::InvalidId;
    std::vector<Lumvek::Vector2>* polygon = nullptr;
    float scale = 1.0f;
    Lumvek::Color background{0, 0, 0, 255};
    uint32_t hoveredPoint = NoPoint;
    // The point being dragged.
    uint32_t selectedPoint = NoPoint;
    // Where the last Draw put the canvas, in ImGui screen pixels; a size of 0 when it drew none.
    Lumvek::Vector2 canvasPosition;
    Lumvek::Vector2 canvasSize;

private:
    void EditPoints(Lumvek::Vector2 canvas, Lumvek::Vector2 size);
};
