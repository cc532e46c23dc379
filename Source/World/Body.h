#pragma once

#include <cstdint>

class Projectile;

// The base of every physical object of the world: where it is this tick and was the last one, and its
// size. Owned by the entity record or the object it belongs to; application thread only.
class Body
{
public:
    Body() = default;
    Body(const Body&) = delete;
    Body& operator=(const Body&) = delete;
    virtual ~Body() = 0;

    // Returns the body's own state to where a new entity starts.
    virtual void Reset() = 0;

    // At the start of the current tick, for interpolated drawing.
    float previousX = 0.0f;
    float previousY = 0.0f;
    // The lower-left corner for plain bodies, the pivot point for transform bodies.
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    // Whether the body takes part in queries and physics.
    uint8_t active = 0;
};

// A body that turns and flips around a pivot.
class TransformBody : public Body
{
public:
    // Pivot (0, 0), no rotation, no flips.
    void Reset() override;

    // In unit coordinates of the body's rectangle.
    float pivotX = 0.0f;
    float pivotY = 0.0f;
    // Radians in [0, 2π).
    float rotation = 0.0f;
    uint8_t flipX = 0;
    uint8_t flipY = 0;
};

// A transform body that moves on its own, such as a projectile's.
class MovingBody : public TransformBody
{
public:
    // The projectile that owns the body, or null.
    Projectile* owner = nullptr;
    uint8_t collideWithOneWay = 1;
    // World units per second.
    float velocityX = 0.0f;
    float velocityY = 0.0f;
};
