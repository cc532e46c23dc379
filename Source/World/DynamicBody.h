#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/World/Body.h"

#include <cstdint>
#include <vector>

class b2Body;

// A moving body simulated by Box2D, as a polygon of its own. Owned by its dynamic projectile, its
// pickup or its debris visual; its Box2D body lives in the world's Box2D world and goes with it.
class DynamicBody final : public MovingBody
{
public:
    DynamicBody() = default;
    // Destroys the Box2D body, if any, in the Box2D world that holds it.
    ~DynamicBody() override;

    // Collides with one-way platforms but not triggers, no pivot, rotation or flips. Drops the Box2D
    // body without destroying it: callers destroy it first.
    void Reset() override;

    uint8_t collidesWithTriggers = 0;
    float density = 0.0f;
    float restitution = 0.0f;
    float friction = 0.0f;
    // Zero makes the Box2D body keep its angle.
    uint8_t rotates = 0;
    b2Body* physicsBody = nullptr;
    // The outline in local coordinates around the centre.
    std::vector<Lumvek::Vector2> points;
    // Given to Box2D when the Box2D body is created.
    Lumvek::Vector2 initialVelocity;
};
