#pragma once

#include "Source/World/Body.h"
#include "Source/World/EntityStorage.h"

#include <cstdint>
#include <memory>

class Player;
class WeaponData;
struct Interaction;

// What a projectile touched: a player (with the zone that was hit) or an interaction entity, and the
// contact kind. Kind 0 is nothing yet, 1 a platform or other solid, 2 an interaction, 3 a head,
// 4 a body, 5 a limb.
struct ProjectileContact
{
    Player* player = nullptr;
    Interaction* interaction = nullptr;
    uint32_t kind = 0;
};

// A shot in flight: its body, who fired it with which weapon, its trail, what it touched and how old it
// is. Made by its projectile definition and owned by the world's projectile storage.
class Projectile : public Entity<Projectile>
{
public:
    Projectile(const Projectile&) = delete;
    Projectile& operator=(const Projectile&) = delete;
    virtual ~Projectile();

    // The entity id that means none.
    static constexpr uint16_t NoEntity = ::NoEntity;

    Body& GetBody() const { return *body; }

    // Never null: each kind makes its own body with it.
    const std::unique_ptr<Body> body;
    // Who fired it; may be null.
    Player* owner = nullptr;
    // The firing weapon's definition, which holds the flight, damage and explosion values and the
    // projectile definition.
    const WeaponData* weapon = nullptr;
    // The visual entity of the trail.
    uint16_t trail = NoEntity;
    // The first contact reported, and one reported by a bounce.
    ProjectileContact contact;
    ProjectileContact collision;
    // Ticks since the projectile began.
    uint32_t age = 0;

protected:
    explicit Projectile(std::unique_ptr<Body> body);
};

// A projectile the world moves along a straight swept path.
class LinearProjectile final : public Projectile
{
public:
    LinearProjectile();
};

// A projectile Box2D simulates.
class DynamicProjectile final : public Projectile
{
public:
    DynamicProjectile();
};
