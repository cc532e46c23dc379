#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/World/Body.h"

#include <cstdint>

class Player;
struct Interaction;
struct Platform;

// What a linear body's sweep met along its segment: an interaction with a hit action, else a platform,
// else a player its owner may hit, with the zone of the player's box. Every test shares one best
// distance, so a thing behind another nearer one is not met.
struct SweepHit
{
    Interaction* interaction = nullptr;
    Platform* platform = nullptr;
    Player* player = nullptr;
    Lumvek::Vector2 point;
    // Along the segment from the origin.
    float distance = 3.4028235e38f;
    // 1 a platform, 2 an interaction, 3 a head, 4 a core, 5 legs; 0 nothing.
    uint32_t kind = 0;
};

// A moving body the world sweeps along a straight path each tick instead of simulating it. Owned by
// its linear projectile.
class LinearBody final : public MovingBody
{
public:
    // Collides with one-way platforms, no pivot, velocity, rotation or flips, no spin, no orient, no
    // gravity.
    void Reset() override;
    // Takes the pivot, the one-way rule and orient of the weapon's projectile and the weapon's gravity.
    void SetUp(Projectile* newOwner, const WeaponData& weapon, Lumvek::Vector2 velocity) override;
    void Place(Lumvek::Vector2 position, Lumvek::Vector2 velocity, float newRotation) override;
    // Falls by the gravity, turns along the velocity when oriented, sweeps the move against the
    // world's players, interactions and platforms when it has an owner, whom it tells what it met, then
    // moves (unless it met something, where it stays) and spins.
    void Step(float dt) override;

    // What the segment s from the origin meets among the candidates inside the sweep box.
    SweepHit Sweep(Lumvek::Vector2 origin, Lumvek::Vector2 s, const Lumvek::Rectangle& box) const;

    // Radians per second.
    float angularVelocity = 0.0f;
    // Whether the body turns along its velocity.
    uint8_t orient = 0;
    // Velocity lost per second, downwards.
    float gravity = 0.0f;
    // What the last step's sweep met; the owner's hit handling reads it.
    SweepHit lastHit;
};
