#include "Source/World/AttributeDivisor.h"

#include <cmath>

float AttributeDivisor(float attribute)
{
    return attribute >= MinimumDivisor ? attribute : MinimumDivisor;
}

int32_t RoundTicks(float ticks, int32_t maximum)
{
    // Compared before converting: a float beyond the integer's range does not convert.
    if (!(ticks > 0.0f))
        return 0;
    if (ticks >= static_cast<float>(maximum))
        return maximum;
    return static_cast<int32_t>(std::round(ticks));
}

int32_t DivideTicks(float ticks, float attribute, int32_t maximum)
{
    return RoundTicks(ticks / AttributeDivisor(attribute), maximum);
}
