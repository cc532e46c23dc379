#pragma once

#include "Source/Data/Attributes.h"
#include "Source/World/BotNavigator.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace BotTesting
{

// What a character of the base attributes can do under the default gravity.
inline BotMotion BaseMotion()
{
    const Attributes base;
    BotMotion motion;
    motion.speed = std::max(base.maximumForwardSpeed, base.maximumBackwardSpeed);
    motion.maneuverability = base.maneuverability;
    motion.agility = base.agility;
    motion.hops = base.hops;
    motion.hangAmount = base.hangAmount;
    motion.hangTicks = static_cast<int32_t>(std::lround(base.hangTime * 60.0f));
    motion.fall = -10.0f * base.weight;
    return motion;
}

} // namespace BotTesting
