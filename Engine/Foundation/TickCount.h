#pragma once

#include "Engine/Foundation/Tick.h"

#include <cmath>
#include <cstdint>

namespace Lumvek
{

// Seconds as the nearest whole count of ticks, as files' seconds and the tools' typed seconds read.
// Counted in double: a float of seconds holds no single tick past a day and a half of them, and the
// float tick length is long by a tick in every 19 million. Converting a negative, infinite or NaN
// number to an unsigned count is undefined, so such seconds are refused (false); counts past 32 bits
// saturate, so that the seconds files have held for the largest count (71582792.0, the float nearest
// to it) still read as it.
inline bool TicksFromSeconds(double seconds, uint32_t& ticks)
{
    if (!(seconds >= 0.0) || std::isinf(seconds))
        return false;
    const double count = std::round(seconds * TicksPerSecond);
    ticks = count >= 4294967296.0 ? UINT32_MAX : static_cast<uint32_t>(count);
    return true;
}

} // namespace Lumvek
