#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/World/Body.h"

#include <cstdint>
#include <vector>

class b2Body;

// A moving body simulated by Box2D, as a polygon of its own. Owned by its dynamic projectile, its
// pickup or its debris visual; its Box2D body lives in the world's Box2D world.
class DynamicBody final : public MovingBody
{
public:
    DynamicBody() = default;
    // Destroys the Box2D body, if any, in the Box2D world that holds it.
    ~DynamicBody() override;

    // Collides with one-way platforms but not triggers, no pivot, rotation or flips. Drops the Box2D
    // body without destroying it: callers destroy it first.
    void Reset() override;
    // Takes the pivot, the one-way rule, the material and the outline of the weapon's projectile, then
    // collides with triggers and turns freely.
    void SetUp(Projectile* newOwner, const WeaponData& weapon, Lumvek::Vector2 velocity) override;
    // Destroys the Box2D body and makes a new one there.
    void Place(Lumvek::Vector2 position, Lumvek::Vector2 velocity, float newRotation) override;
    // Makes the Box2D body in the world's Box2D world unless there is one: a dynamic body at the
    // centre with the outline as its one polygon fixture.
    void CreateFixture() override;
    void DestroyFixture() override;
    // Reads position, rotation and velocity back from the Box2D body, whose origin is the centre.
    void Step(float dt) override;

    // Replaces the outline by the unit-square shape scaled to the body around its centre (mirrored
    // upside down when flipped vertically) and keeps the velocity for the Box2D body to start with.
    void SetPoints(const std::vector<Lumvek::Vector2>& unitShape, Lumvek::Vector2 velocity);

    // The height of the outline's lowest corner as the body lies now; the bottom of its box without one.
    float GetLowestPoint() const;

    uint8_t collidesWithTriggers = 0;
    float density = 0.0f;
    float restitution = 0.0f;
    float friction = 0.0f;
    // Zero makes the Box2D body keep its angle.
    uint8_t rotates = 0;
    // A visual's body (a dead player's debris) lives in the world's Box2D world of visuals, apart from
    // the match's.
    uint8_t visualOnly = 0;
    b2Body* physicsBody = nullptr;
    // The outline in local coordinates around the centre.
    std::vector<Lumvek::Vector2> points;
    // Given to Box2D when the Box2D body is created.
    Lumvek::Vector2 initialVelocity;
};
