#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/World/BotNavigator.h"

#include <cstdint>

// Turns what the game mode wants of a bot into the input of its player each tick: keeps its path,
// walks, jumps and drops along it, aims at its target and shoots. Its simulations of the bot's own
// movement also tell the path search which steps between platforms a bot can make.
class BotSteering
{
public:
    // Simulations give up after this many ticks (10 s), so that a body that never comes down ends.
    static constexpr int32_t MaximumSimulatedTicks = 600;

    // Whether a jump from `from` with horizontal speed vx comes down onto `to`: over it, at or above
    // its height, before falling below it. A body that is not pulled down never comes down: no.
    static bool CanJumpTo(const BotMotion& motion, Lumvek::Vector2 from, Lumvek::Vector2 to, float vx);
    // Whether a body of that rectangle walking off current with horizontal speed vx lands on next: yes
    // at once when next overlaps current horizontally, no when next is higher, otherwise as a walk
    // over current's edge with gravity every tick shows within MaximumSimulatedTicks.
    static bool CanWalkOffTo(const BotMotion& motion, const Lumvek::Rectangle& body, const Lumvek::Rectangle& current,
                             const Lumvek::Rectangle& next, float vx);
};
