#pragma once

#include "Engine/Foundation/Math.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"
#include "Source/World/Entities.h"
#include "Source/World/Platform.h"
#include "Source/World/SpawnPoint.h"

#include <cstdint>
#include <memory>
#include <vector>

class HazardData;
class InteractionData;
class Player;
class Projectile;
class TriggerData;
class WeaponData;
class World;
class ZoneData;

// The factories of the world's entity kinds. Each takes a record from its kind's storage, builds its
// body and presentation and registers it in its kind's grid. A full storage logs "failed to create
// {}" and a body outside the grid logs "failed to add {} to database", each with the kind's name, and
// the factory returns null. Application thread, or the match loader on a world nothing steps yet.

// The running effect at that index of the resource table, drawn at depth; null when headless, for the
// index -1, or when the index holds no effect.
std::unique_ptr<Lumvek::Effects::ParticleSystem> CreateParticleSystem(World& world, uint32_t effect);

Hazard* CreateHazardEntity(World& world, Lumvek::Vector2 position, Lumvek::Vector2 size, const HazardData& data);
Zone* CreateZoneEntity(World& world, Lumvek::Vector2 position, Lumvek::Vector2 size, const ZoneData& data);
// kindName is the name the messages give the kind ("Interaction").
Interaction* CreateInteractionEntity(World& world, Lumvek::StringView kindName, Lumvek::Vector2 position,
                                     Lumvek::Vector2 size, const InteractionData& data);
Platform* CreatePlatformEntity(World& world, Lumvek::Vector2 position, Lumvek::Vector2 size, bool hidden, bool oneWay,
                               bool moving, bool hotZone);
// The placement gives the position and the horizontal flip.
Trigger* CreateTriggerEntity(World& world, const SpawnPoint& placement, Lumvek::Vector2 size, Lumvek::Vector2 pivot,
                             const TriggerData& data);
// None at all when headless, and then without a message. A lifetime of -1 never ends.
Visual* CreateVisualEntity(World& world, Lumvek::Vector2 position, Lumvek::Vector2 size, Lumvek::Vector2 pivot,
                           float rotation, float effectDepth, bool flipX, bool flipY, uint32_t image, uint32_t effect,
                           uint32_t sound, int32_t lifetime, uint8_t erase, uint8_t moving);
// Gives a visual record the dynamic body of a piece of debris; the caller allocated the record and
// registers it.
void CreateDynamicBody(World& world, Visual& visual, Lumvek::Vector2 position, Lumvek::Vector2 size,
                       Lumvek::Vector2 pivot, float rotation, bool flipX, bool flipY,
                       const std::vector<Lumvek::Vector2>& unitShape, Lumvek::Vector2 velocity, int32_t lifetime,
                       uint8_t erase, uint32_t image, uint32_t secondIndex);
// The weapon moves into the pickup; when no pickup can be made (a full storage, or a place outside
// the world) it stays with the caller. A flipped placement mirrors the angle.
Pickup* CreateWeaponPickupEntity(World& world, const SpawnPoint& placement, float angle, Lumvek::Vector2 velocity,
                                 bool rotates, std::unique_ptr<Weapon>& weapon, int32_t lifetime, uint8_t fade);
// The same for an objective item, whose OnDropped then runs: game modes point at their items, so one
// no pickup could be made for goes back to the caller rather than with the record.
Pickup* CreatePickupEntity(World& world, const SpawnPoint& placement, float angle, Lumvek::Vector2 velocity,
                           bool rotates, std::unique_ptr<Item>& item, int32_t lifetime);
// Where an item put down at rest at the point (angle 0, not moving) has its lowest point on the point.
// Centred on it instead, an item would start with its lower half inside the platform the point lies
// on, and a one-way platform lets through a body whose centre starts inside it.
SpawnPoint RestingPlacement(const SpawnPoint& point, const Item& item);
// A shot of the weapon's projectile flying at the angle and speed from the placement, begun. Null, and
// unsaid, for a weapon without a projectile: its file's reading named it once.
Projectile* CreateProjectileEntity(World& world, float angle, float speed, const SpawnPoint& placement,
                                   const WeaponData& weapon, Player* owner);

// What a client learns of a pickup, projectile or trigger the server made, in the world's terms: the
// server's id, the definition's index in its list, and the body's place. Rotations are in degrees,
// as they travel.
struct ReceivedPickup
{
    uint16_t id = 0;
    // The definition is a weapon's when set, else an item's.
    bool holdsWeapon = false;
    uint32_t definition = 0;
    Lumvek::Vector2 position;
    Lumvek::Vector2 velocity;
    float rotation = 0.0f;
    bool flipY = false;
    bool rotates = false;
};

struct ReceivedProjectile
{
    uint16_t id = 0;
    // The owner is a player's index in the world, meaningful only when set.
    bool hasOwner = false;
    uint8_t owner = 0;
    // The weapon that fired it.
    uint32_t definition = 0;
    Lumvek::Vector2 position;
    Lumvek::Vector2 velocity;
    float rotation = 0.0f;
    bool flipY = false;
};

struct ReceivedTrigger
{
    uint16_t id = 0;
    uint32_t definition = 0;
    Lumvek::Vector2 position;
    Lumvek::Vector2 size;
    Lumvek::Vector2 pivot;
    float rotation = 0.0f;
    bool flipped = false;
};

// A client's copies of what the server made, under the server's ids: a pickup or projectile from a
// game state's record, a trigger from its creation message, each as the network side hands it over.
// Rotations are kept as they came (a flipped pickup's is not mirrored again); a trigger on a client
// gets no actions and is drawn at the map's depth. A record still holding the id is taken out of its
// grid and physics first. Null after "failed to create {}" when the definition or the object cannot
// be had. A projectile shows no shot: the state's list of shots tells of those.
Pickup* PlacePickupFromState(World& world, const ReceivedPickup& state);
Projectile* PlaceProjectileFromState(World& world, const ReceivedProjectile& state);
Trigger* CreateTriggerFromMessage(World& world, const ReceivedTrigger& received);
