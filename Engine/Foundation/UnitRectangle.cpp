#include "Engine/Foundation/UnitRectangle.h"

namespace Lumvek
{

namespace
{

float ResolveMeasure(UnitRectangle::Measure measure, float parent, float automatic)
{
    switch (measure.unit)
    {
    case UnitRectangle::Pixels:
        return measure.value;
    case UnitRectangle::Percent:
        return measure.value / 100.0f * parent;
    default:
        return automatic;
    }
}

} // namespace

UnitRectangle::Resolved UnitRectangle::Resolve(float parentWidth, float parentHeight) const
{
    return {ResolveMeasure(x, parentWidth, 0.0f), ResolveMeasure(y, parentHeight, 0.0f),
            ResolveMeasure(width, parentWidth, parentWidth), ResolveMeasure(height, parentHeight, parentHeight)};
}

} // namespace Lumvek
