#pragma once

#include <cstdint>

// Times and rates that a player's attributes divide (a hand timer over Dexterity, a weapon's reload
// over Dexterity, a spread over Accuracy, a noise over the speed limit). Modifiers can cancel an
// attribute's base, a Dexterity modifier of -1 on a base of 1 for one, and leave a divisor of 0 or
// below: such a divisor counts as MinimumDivisor, so that nothing is divided by zero and no time turns
// negative. A tick count made from one is rounded and kept within what the timer that holds it
// carries; player timers travel in messages in [0, MaximumTimerTicks].

constexpr float MinimumDivisor = 0.1f;
constexpr int32_t MaximumTimerTicks = 511;

// The attribute as a divisor: itself when it is MinimumDivisor or more, MinimumDivisor otherwise (NaN
// included).
float AttributeDivisor(float attribute);

// ticks rounded to the nearest integer, halves away from zero, within [0, maximum]; NaN gives 0.
int32_t RoundTicks(float ticks, int32_t maximum = MaximumTimerTicks);

// ticks / AttributeDivisor(attribute), rounded as RoundTicks does.
int32_t DivideTicks(float ticks, float attribute, int32_t maximum = MaximumTimerTicks);
