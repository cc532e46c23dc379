#pragma once

#include "Source/World/BotNavigator.h"

namespace BotTesting
{

// What a character of the base attributes can do under the default gravity.
inline BotMotion BaseMotion()
{
    return BotMotion::Base(-10.0f);
}

} // namespace BotTesting
