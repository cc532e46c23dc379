#pragma once

#include "Source/World/Body.h"

#include <cstdint>

// A moving body the world sweeps along a straight path each tick instead of simulating it. Owned by
// its linear projectile.
class LinearBody final : public MovingBody
{
public:
    // Collides with one-way platforms, no pivot, velocity, rotation or flips, no spin, no orient, no
    // gravity.
    void Reset() override;

    // Radians per second.
    float angularVelocity = 0.0f;
    // Whether the body turns along its velocity.
    uint8_t orient = 0;
    // Velocity lost per second, downwards.
    float gravity = 0.0f;
};
