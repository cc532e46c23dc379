#pragma once

#include <cstdint>

namespace Lumvek
{

// Where content sits inside a parent area: x, y, width and height, each a value in a unit of its own.
struct UnitRectangle
{
    enum Unit : uint32_t
    {
        Automatic = 0, // x and y at the parent's corner, width and height the parent's
        Pixels = 1,
        Percent = 2, // of the parent's width (x, width) or height (y, height)
    };

    struct Measure
    {
        uint32_t unit = Automatic;
        float value = 0.0f;
    };

    struct Resolved
    {
        float x = 0.0f;
        float y = 0.0f;
        float width = 0.0f;
        float height = 0.0f;
    };

    // The rectangle in pixels inside a parent of the given size. An unknown unit counts as automatic.
    Resolved Resolve(float parentWidth, float parentHeight) const;

    Measure x;
    Measure y;
    Measure width;
    Measure height;
};

} // namespace Lumvek
