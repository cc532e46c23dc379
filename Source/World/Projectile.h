#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/World/Body.h"
#include "Source/World/EntityStorage.h"

#include <cstdint>
#include <memory>

class Player;
class WeaponData;
struct HitInfo;
class World;
struct ImageInstance;
struct Interaction;
struct Platform;

// The contact kinds a projectile reports: nothing yet, a platform or other solid, an interaction, and
// the zones of a player. Any other value is a player hit without a zone modifier.
namespace ContactKind
{
constexpr uint32_t None = 0;
constexpr uint32_t Solid = 1;
constexpr uint32_t Interaction = 2;
constexpr uint32_t Head = 3;
constexpr uint32_t Torso = 4;
constexpr uint32_t Limb = 5;
} // namespace ContactKind

// What a projectile touched: a player (with the zone that was hit), an interaction entity or a
// platform, and the contact kind.
struct ProjectileContact
{
    Player* player = nullptr;
    Interaction* interaction = nullptr;
    Platform* platform = nullptr;
    uint32_t kind = ContactKind::None;
};

// A shot in flight: its body, who fired it with which weapon, its trail, what it touched and how old it
// is. Made by its projectile definition and owned by the world's projectile storage; it ends at its
// first update after a contact, at its lifetime, or when it hits an interaction, exploding if its
// weapon makes it explode. Application thread only.
class Projectile : public Entity<Projectile>
{
public:
    Projectile(const Projectile&) = delete;
    Projectile& operator=(const Projectile&) = delete;
    virtual ~Projectile();

    // The entity id that means none.
    static constexpr uint16_t NoEntity = ::NoEntity;
    // Players this far from an explosion still feel its shake.
    static constexpr float ShakeRadius = 10.0f;

    Body& GetBody() const { return *body; }

    // Whether the projectile may hit the player: never its owner; anyone in a free-for-all or with
    // friendly fire; otherwise the players of other teams (and everybody when nobody fired it).
    virtual bool CanHit(const Player& player) const;
    // The sweep met something: the body moves there and remembers it.
    virtual void OnContact(const ProjectileContact& target, Lumvek::Vector2 position);
    // Box2D reported a collision of the body (a bounce off a platform, a player or an interaction):
    // remembered, sounded, and after it at most the weapon's bounce lifetime remains.
    virtual void OnCollision(const ProjectileContact& target, Lumvek::Vector2 normal);
    // The lifetime ran out.
    virtual void Expire(uint32_t);
    virtual void OnBegin() {}
    virtual void OnTick(uint32_t) {}
    virtual void OnDestroy(uint32_t) {}

    // Once, by its creator, when it is in the world: its trail.
    void Begin();
    // The full tick: ages, and ends on a contact or at its lifetime.
    void Update();
    // A client's tick: ages and flies, and goes quietly once it hit or its time ran out; a player it
    // met feels the hit.
    void UpdatePredicted();
    // Explodes, and leaves the world at the end of the tick.
    void Destroy();
    // The explosion's visual, and with applyEffects its damage to the players and push on the pickups
    // around. Nothing for a weapon without an explosion.
    void Explode(bool applyEffects);
    void RemoveTrail();

    World& GetWorld() const { return *body->world; }

    // Never null: each kind makes its own body with it.
    const std::unique_ptr<Body> body;
    // What the renderer draws it with; none when headless.
    std::unique_ptr<ImageInstance> image;
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

private:
    // The interaction's sound, and its hit action run with this projectile.
    void HitInteraction(Interaction& interaction);
    void HitPlayer(Player& player, uint32_t kind);
    // The record of a direct hit on the player in the zone of the contact kind.
    HitInfo DirectHit(const Player& player, uint32_t kind) const;
    // The trail follows the body.
    void MoveTrail();
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

// (1 - (d - a) / (b - a))² between a and b; 1 up to a and 0 from b on.
float Falloff(float d, float a, float b);
