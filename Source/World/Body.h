#pragma once

#include "Engine/Foundation/Math.h"

#include <cstdint>

class Projectile;
class WeaponData;
class World;
struct Interaction;
class b2Body;

// A full turn as the world counts it.
constexpr float TwoPi = 6.2831855f;

// The angle brought into [0, 2π) by adding or subtracting full turns. Infinite and NaN angles become 0.
float WrapAngle(float radians);

// The base of every physical object of the world: where it is this tick and was the last one, its
// size, the rectangle its kind's grid files it under and the transform it is drawn with. Owned by
// the entity record or the object it belongs to; application thread only.
class Body
{
public:
    Body() = default;
    Body(const Body&) = delete;
    Body& operator=(const Body&) = delete;
    virtual ~Body() = 0;

    virtual Lumvek::Vector2 GetCenter() const;
    // The axis-aligned rectangle the body covers.
    virtual Lumvek::Rectangle GetBounds() const;
    // Maps the unit square onto the body as drawn.
    virtual Lumvek::Matrix3x3 GetTransform() const;
    // Between the previous tick (alpha 0) and the current one (alpha 1), for drawing.
    virtual Lumvek::Vector2 GetInterpolatedPosition(float alpha) const;
    virtual Lumvek::Vector2 GetInterpolatedCenter(float alpha) const;
    virtual Lumvek::Rectangle GetInterpolatedBounds(float alpha) const;
    virtual Lumvek::Matrix3x3 GetInterpolatedTransform(float alpha) const;
    // Returns the body's own state to where a new entity starts.
    virtual void Reset() = 0;

    // The world whose Box2D world and grids the body lives in; set when its entity is made.
    World* world = nullptr;
    // At the start of the current tick, for interpolated drawing.
    float previousX = 0.0f;
    float previousY = 0.0f;
    // The lower-left corner for plain bodies, the pivot point for transform bodies, the bottom centre
    // for players.
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    // Whether the body takes part in queries and physics: factories set it, removal clears it.
    uint8_t active = 0;
};

// A plain rectangle that never moves, such as a zone's.
class StaticBody final : public Body
{
public:
    void Reset() override {}
};

// A body that turns and flips around a pivot.
class TransformBody : public Body
{
public:
    Lumvek::Vector2 GetCenter() const override;
    Lumvek::Rectangle GetBounds() const override;
    Lumvek::Matrix3x3 GetTransform() const override;
    // From the interpolated position with the pivot as stored (flips are not applied).
    Lumvek::Vector2 GetInterpolatedCenter(float alpha) const override;
    Lumvek::Rectangle GetInterpolatedBounds(float alpha) const override;
    // Rotation is never interpolated.
    Lumvek::Matrix3x3 GetInterpolatedTransform(float alpha) const override;
    // Pivot (0, 0), no rotation, no flips.
    void Reset() override;
    // Bodies with a Box2D body of their own make and destroy it here and read it back in Step; the
    // others have nothing to do.
    virtual void CreateFixture() {}
    virtual void DestroyFixture() {}
    virtual void Step(float) {}

    // In unit coordinates of the body's rectangle.
    float pivotX = 0.0f;
    float pivotY = 0.0f;
    // Radians in [0, 2π).
    float rotation = 0.0f;
    uint8_t flipX = 0;
    uint8_t flipY = 0;

protected:
    // The offset from the position to the centre, flips applied or not.
    Lumvek::Vector2 CenterOffset(bool applyFlips) const;
};

// The body of an interaction, which gets a static Box2D body while it has a hit action.
class FixtureBody final : public TransformBody
{
public:
    ~FixtureBody() override;

    // Forgets its owner and Box2D body.
    void Reset() override;
    // Destroys the Box2D body, if any.
    void DestroyFixture() override;

    // The interaction that owns the body.
    Interaction* owner = nullptr;
    b2Body* physicsBody = nullptr;
};

// A transform body that moves on its own, such as a projectile's.
class MovingBody : public TransformBody
{
public:
    // Takes the flight values of the weapon's projectile for a shot by its owner.
    virtual void SetUp(Projectile* newOwner, const WeaponData& weapon, Lumvek::Vector2 velocity) = 0;
    // Puts the body somewhere else with a new velocity and rotation.
    virtual void Place(Lumvek::Vector2 position, Lumvek::Vector2 velocity, float newRotation) = 0;

    // The projectile that owns the body, or null.
    Projectile* owner = nullptr;
    uint8_t collideWithOneWay = 1;
    // World units per second.
    float velocityX = 0.0f;
    float velocityY = 0.0f;
};
