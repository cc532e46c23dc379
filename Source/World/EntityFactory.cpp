#include "Source/World/EntityFactory.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Runtime/Audio/AudioDevice.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/ItemData.h"
#include "Source/Data/ProjectileData.h"
#include "Source/Data/TriggerData.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/Collision.h"
#include "Source/World/MatchRules.h"
#include "Source/World/Projectile.h"
#include "Source/World/World.h"

#include <box2d/box2d.h>

#include <cmath>

using namespace Lumvek;

namespace
{

constexpr float EntityImageDepth = 95.0f;

void SetUpBody(World& world, Body& body, Vector2 position, Vector2 size)
{
    body.world = &world;
    body.previousX = body.x = position.x;
    body.previousY = body.y = position.y;
    body.width = size.x;
    body.height = size.y;
    body.active = 1;
    body.Reset();
}

std::unique_ptr<ImageInstance> CreateImage(const World& world, uint32_t region, float depth)
{
    if (world.GetContext().headless || region == InvalidId)
        return nullptr;
    auto image = std::make_unique<ImageInstance>();
    image->region = region;
    image->depth = depth;
    return image;
}

std::unique_ptr<ImageInstance> CreateTiledImage(const World& world, uint32_t region, const TiledImage& tiles)
{
    std::unique_ptr<ImageInstance> image = CreateImage(world, region, EntityImageDepth);
    if (image)
    {
        image->tileSize = tiles.tileSize;
        image->tileHorizontally = tiles.tileHorizontally;
        image->tileVertically = tiles.tileVertically;
    }
    return image;
}

template <class Record> Record* Refuse(Lumvek::StringView kindName)
{
    Log::Write("failed to create {}", kindName);
    return nullptr;
}

void LogNotAdded(Lumvek::StringView kindName)
{
    Log::Write("failed to add {} to database", kindName);
}

// Whether the kind's grid, as it is laid out now, can take an entity of that place and size; logged
// when not. Asked before a record is taken, so that a refused entity leaves no half-made record behind.
template <class Grid> bool FitsGrid(const Grid& grid, Vector2 position, Vector2 size, StringView kindName)
{
    if (grid.Holds(Rectangle{position.x, position.y, size.x, size.y}))
        return true;
    LogNotAdded(kindName);
    return false;
}

// Takes back the last record of the array when its grid had no room for it after all (too few free
// nodes): what it holds, its Box2D body among them, goes with it.
template <class Record, uint32_t N> Record* TakeBack(EntityArray<Record, N>& records, StringView kindName)
{
    LogNotAdded(kindName);
    records.RemoveLast();
    return nullptr;
}

} // namespace

std::unique_ptr<Effects::ParticleSystem> CreateParticleSystem(World& world, uint32_t effect)
{
    const GameContext& context = world.GetContext();
    if (context.headless || effect == InvalidId || !context.registry || !context.registry->GetAudio())
        return nullptr;
    const ResourceTable* resources = context.registry->GetAudio()->resources;
    const auto* data = resources ? resources->Find<Effects::EffectData>(effect) : nullptr;
    if (!data)
        return nullptr;
    auto system = std::make_unique<Effects::ParticleSystem>(data);
    system->emitting = 1;
    system->SyncEmitters();
    return system;
}

Hazard* CreateHazardEntity(World& world, Vector2 position, Vector2 size, const HazardData& data)
{
    if (!FitsGrid(world.hazardGrid, position, size, "Hazard"))
        return nullptr;
    Hazard* hazard = world.hazards.Append();
    if (!hazard)
        return Refuse<Hazard>("Hazard");
    SetUpBody(world, hazard->body, position, size);
    hazard->image = CreateTiledImage(world, data.image, data.tiles);
    hazard->effect = CreateParticleSystem(world, data.effect);
    hazard->data = &data;
    if (!world.hazardGrid.Insert(*hazard))
        return TakeBack(world.hazards, "Hazard");
    return hazard;
}

Zone* CreateZoneEntity(World& world, Vector2 position, Vector2 size, const ZoneData& data)
{
    if (!FitsGrid(world.zoneGrid, position, size, "Zone"))
        return nullptr;
    Zone* zone = world.zones.Append();
    if (!zone)
        return Refuse<Zone>("Zone");
    SetUpBody(world, zone->body, position, size);
    // A zone's definition tiles its image as a hazard's does: without it a nine-sliced picture is
    // stretched whole over the zone, and the definition's tiling keys would change nothing.
    zone->image = CreateTiledImage(world, data.image, data.tiles);
    zone->effect = CreateParticleSystem(world, data.effect);
    zone->data = &data;
    if (!world.zoneGrid.Insert(*zone))
        return TakeBack(world.zones, "Zone");
    zone->touches.clear();
    return zone;
}

Interaction* CreateInteractionEntity(World& world, StringView kindName, Vector2 position, Vector2 size,
                                     const InteractionData& data)
{
    if (!FitsGrid(world.interactionGrid, position, size, kindName))
        return nullptr;
    Interaction* interaction = world.interactions.Append();
    if (!interaction)
        return Refuse<Interaction>(kindName);
    SetUpBody(world, interaction->body, position, size);
    interaction->image = CreateImage(world, data.image, EntityImageDepth);
    interaction->data = &data;
    if (!world.interactionGrid.Insert(*interaction))
        return TakeBack(world.interactions, kindName);
    return interaction;
}

void Interaction::SetInteractAction(TriggerAction kind, World& world)
{
    interactKind = kind;
    interactAction = kind == TriggerAction::None ? nullptr : CreateAction(kind, world);
}

void Interaction::SetHitAction(TriggerAction kind, World& world)
{
    hitKind = kind;
    if (kind == TriggerAction::None)
    {
        body.DestroyFixture();
        hitAction.reset();
        return;
    }
    hitAction = CreateAction(kind, world);
    body.owner = this;
    const Vector2 center = body.GetCenter();
    const float halfWidth = body.width * 0.5f;
    const float halfHeight = body.height * 0.5f;
    if (body.physicsBody || !world.GetPhysics() || !Collision::IsValidBox(center.x, center.y, halfWidth, halfHeight))
        return;
    b2BodyDef definition;
    definition.type = b2_staticBody;
    definition.position.Set(center.x, center.y);
    definition.angle = body.rotation;
    body.physicsBody = world.GetPhysics()->CreateBody(&definition);
    b2PolygonShape box;
    box.SetAsBox(halfWidth, halfHeight);
    b2FixtureDef fixture;
    fixture.shape = &box;
    fixture.friction = 0.2f;
    fixture.restitution = 0.0f;
    fixture.density = 0.0f;
    fixture.userData.pointer = reinterpret_cast<uintptr_t>(static_cast<Body*>(&body));
    fixture.filter.categoryBits = Collision::Interaction;
    fixture.filter.maskBits = Collision::DynamicBody;
    body.physicsBody->CreateFixture(&fixture);
}

Platform* CreatePlatformEntity(World& world, Vector2 position, Vector2 size, bool hidden, bool oneWay, bool moving,
                               bool hotZone)
{
    if (!FitsGrid(world.platformGrid, position, size, "Platform"))
        return nullptr;
    Platform* platform = world.platforms.Append();
    if (!platform)
        return Refuse<Platform>("Platform");
    platform->SetMoving(world, moving);
    platform->SetHotZone(world, hotZone);
    platform->hidden = hidden;
    platform->oneWay = oneWay;
    SetUpBody(world, *platform->body, position, size);
    if (!world.platformGrid.Insert(*platform))
    {
        platform->SetHotZone(world, false);
        platform->SetMoving(world, false);
        return TakeBack(world.platforms, "Platform");
    }
    // Moving and one-way platforms are drawn on their own; solid ones join the solid platforms they touch.
    if (!hidden && !world.GetContext().headless)
    {
        if (moving || oneWay)
            platform->renderable = std::make_unique<IndependentPlatformRenderable>();
        else
            platform->renderable = std::make_unique<JoinedPlatformRenderable>();
    }
    return platform;
}

Trigger* CreateTriggerEntity(World& world, const SpawnPoint& placement, Vector2 size, Vector2 pivot,
                             const TriggerData& data)
{
    Trigger* trigger = world.triggers.Allocate();
    if (!trigger)
        return Refuse<Trigger>("Trigger");
    TransformBody& body = *trigger->body;
    SetUpBody(world, body, {placement.x, placement.y}, size);
    body.pivotX = pivot.x;
    body.pivotY = pivot.y;
    body.flipX = placement.flipped;
    trigger->image = CreateImage(world, data.image, 75.0f);
    trigger->data = &data;
    trigger->enterAction = CreateAction(data.enterAction, world);
    trigger->stayAction = CreateAction(data.stayAction, world);
    trigger->leaveAction = CreateAction(data.leaveAction, world);
    trigger->counter = -1;
    trigger->highlightTeam = trigger->highlightPlayer = 255;
    if (!world.triggerGrid.Insert(*trigger))
    {
        LogNotAdded("Trigger");
        world.triggers.Remove(trigger->id);
        return nullptr;
    }
    trigger->touches.clear();
    return trigger;
}

Visual* CreateVisualEntity(World& world, Vector2 position, Vector2 size, Vector2 pivot, float rotation,
                           float effectDepth, bool flipX, bool flipY, uint32_t image, uint32_t effect, uint32_t sound,
                           int32_t lifetime, uint8_t erase, uint8_t moving)
{
    if (world.GetContext().headless || !world.GetContext().FeedbackOpen())
        return nullptr;
    Visual* visual = world.visuals.Allocate();
    if (!world.NoteVisualRoom(visual != nullptr))
        return nullptr;
    visual->body = std::make_unique<TransformBody>();
    TransformBody& body = *visual->body;
    SetUpBody(world, body, position, size);
    body.pivotX = pivot.x;
    body.pivotY = pivot.y;
    body.rotation = rotation;
    body.flipX = flipX;
    body.flipY = flipY;
    visual->lifetime = lifetime;
    visual->erase = erase;
    visual->moving = moving;
    visual->sound = sound;
    visual->texture = image;
    visual->effectId = effect;
    visual->fromMap = false;
    visual->image = CreateImage(world, image, EntityImageDepth);
    visual->effect = CreateParticleSystem(world, effect);
    visual->effectDepth = effectDepth;
    if (!world.visualGrid.Insert(*visual))
    {
        LogNotAdded("Visual");
        world.visuals.Remove(visual->id);
        return nullptr;
    }
    if (sound != InvalidId)
        world.GetContext().PlaySound(sound, body.GetCenter(), Vector2(), 1.0f);
    return visual;
}

void CreateDynamicBody(World& world, Visual& visual, Vector2 position, Vector2 size, Vector2 pivot, float rotation,
                       bool flipX, bool flipY, const std::vector<Vector2>& unitShape, Vector2 velocity,
                       int32_t lifetime, uint8_t erase, uint32_t image, uint32_t secondIndex)
{
    auto body = std::make_unique<DynamicBody>();
    SetUpBody(world, *body, position, size);
    body->pivotX = pivot.x;
    body->pivotY = pivot.y;
    body->rotation = rotation;
    body->flipX = flipX;
    body->flipY = flipY;
    body->density = 1.0f;
    body->restitution = 0.4f;
    body->friction = 0.4f;
    body->rotates = 1;
    body->visualOnly = 1;
    body->SetPoints(unitShape, velocity);
    body->CreateFixture();
    visual.body = std::move(body);
    visual.lifetime = lifetime;
    visual.erase = erase;
    visual.moving = 1;
    visual.texture = image;
    visual.effectId = InvalidId;
    visual.fromMap = false;
    visual.image = CreateImage(world, image, EntityImageDepth);
    if (visual.image)
        visual.image->firstIndex = secondIndex;
    visual.effect.reset();
    visual.sound = InvalidId;
}

namespace
{

// The falling body and image a weapon or an item lies as; both definitions give size, pivot, shape and
// image alike.
template <class Definition>
void ShapePickupBody(DynamicBody& body, const SpawnPoint& placement, float angle, Vector2 velocity, bool rotates,
                     const Definition& data)
{
    body.pivotX = data.offset.x;
    body.pivotY = data.offset.y;
    body.rotation = WrapAngle(placement.flipped ? 180.0f * 0.017453292f - angle : angle);
    body.flipY = placement.flipped;
    body.density = 1.0f;
    body.restitution = 0.4f;
    body.friction = 0.4f;
    body.rotates = rotates;
    body.SetPoints(data.shape, velocity);
}

template <class Definition>
DynamicBody& PlacePickupBody(World& world, Pickup& pickup, const SpawnPoint& placement, float angle, Vector2 velocity,
                             bool rotates, const Definition& data)
{
    DynamicBody& body = *pickup.body;
    SetUpBody(world, body, {placement.x, placement.y}, data.size);
    ShapePickupBody(body, placement, angle, velocity, rotates, data);
    body.CreateFixture();
    pickup.image = CreateImage(world, data.image, 75.0f);
    return body;
}

// A weapon lies behind the players who walk over it; a flag or the token, which the match turns on,
// stays in sight in front of them.
void SetPickupLayers(Pickup& pickup)
{
    if (!pickup.image)
        return;
    pickup.image->firstLayer = pickup.item ? 0 : 1;
    pickup.image->secondLayer = pickup.item ? 1 : 0;
}

} // namespace

Pickup* CreateWeaponPickupEntity(World& world, const SpawnPoint& placement, float angle, Vector2 velocity, bool rotates,
                                 std::unique_ptr<Weapon>& weapon, int32_t lifetime, uint8_t fade)
{
    if (!weapon || !weapon->data)
        return nullptr;
    Pickup* pickup = world.pickups.Allocate();
    if (!pickup)
        return Refuse<Pickup>("Pickup");
    DynamicBody& body = PlacePickupBody(world, *pickup, placement, angle, velocity, rotates, *weapon->data);
    pickup->item.reset();
    pickup->weapon = std::move(weapon);
    pickup->lifetime = lifetime;
    pickup->fade = fade;
    SetPickupLayers(*pickup);
    pickup->highlightTeam = pickup->highlightPlayer = 255;
    if (!world.pickupGrid.Insert(*pickup))
    {
        LogNotAdded("Pickup");
        // The Box2D body goes with the record, or a later pickup in this slot would leave it behind.
        body.DestroyFixture();
        weapon = std::move(pickup->weapon);
        pickup->image.reset();
        world.pickups.Remove(pickup->id);
        return nullptr;
    }
    return pickup;
}

SpawnPoint RestingPlacement(const SpawnPoint& point, const Item& item)
{
    if (!item.data)
        return point;
    DynamicBody body;
    body.x = point.x;
    body.y = point.y;
    body.width = item.data->size.x;
    body.height = item.data->size.y;
    body.Reset();
    ShapePickupBody(body, point, 0.0f, {}, false, *item.data);
    SpawnPoint raised = point;
    raised.y += point.y - body.GetLowestPoint();
    return raised;
}

Pickup* CreatePickupEntity(World& world, const SpawnPoint& placement, float angle, Vector2 velocity, bool rotates,
                           std::unique_ptr<Item>& item, int32_t lifetime)
{
    if (!item || !item->data)
        return nullptr;
    Pickup* pickup = world.pickups.Allocate();
    if (!pickup)
        return Refuse<Pickup>("Pickup");
    DynamicBody& body = PlacePickupBody(world, *pickup, placement, angle, velocity, rotates, *item->data);
    pickup->weapon.reset();
    pickup->item = std::move(item);
    pickup->lifetime = lifetime;
    pickup->fade = 0;
    SetPickupLayers(*pickup);
    pickup->highlightTeam = pickup->highlightPlayer = 255;
    if (!world.pickupGrid.Insert(*pickup))
    {
        LogNotAdded("Pickup");
        body.DestroyFixture();
        item = std::move(pickup->item);
        pickup->image.reset();
        world.pickups.Remove(pickup->id);
        return nullptr;
    }
    pickup->item->OnDropped();
    return pickup;
}

Projectile* CreateProjectileEntity(World& world, float angle, float speed, const SpawnPoint& placement,
                                   const WeaponData& weapon, Player* owner)
{
    // A weapon without its projectile was named as its file was read: its shots make nothing, unsaid.
    if (!weapon.projectile)
        return nullptr;
    std::unique_ptr<Projectile>* slot = world.projectiles.Allocate();
    if (!slot)
        return Refuse<Projectile>("Projectile");
    const EntityId id = world.projectiles.IdOf(*slot);
    *slot = weapon.projectile->Create();
    if (!*slot)
    {
        world.projectiles.Remove(id);
        return Refuse<Projectile>("Projectile");
    }
    Projectile& projectile = **slot;
    projectile.id = id;
    auto& body = static_cast<MovingBody&>(*projectile.body);
    SetUpBody(world, body, {placement.x, placement.y}, weapon.projectile->size);
    body.pivotX = weapon.projectile->offset.x;
    body.pivotY = weapon.projectile->offset.y;
    body.rotation = WrapAngle(angle);
    body.flipY = placement.flipped;
    body.SetUp(&projectile, weapon, {std::cos(angle) * speed, std::sin(angle) * speed});
    body.CreateFixture();
    projectile.image = CreateImage(world, weapon.projectile->image, 20.0f);
    projectile.weapon = &weapon;
    projectile.owner = owner;
    if (!world.projectileGrid.Insert(projectile))
    {
        LogNotAdded("Projectile");
        body.DestroyFixture();
        world.projectiles.Remove(id);
        return nullptr;
    }
    projectile.Begin();
    return &projectile;
}

// A client places what the server made under the server's ids. A record still in the slot (its
// removal deferred, or its removal message not yet here) leaves its grid and physics first.
namespace
{

constexpr float ReceivedRadiansPerDegree = 0.017453292f;

} // namespace

Pickup* PlacePickupFromState(World& world, const ReceivedPickup& state)
{
    GameContext& context = world.GetContext();
    const WeaponData* weaponData =
        state.holdsWeapon && context.registry ? context.registry->weapons.Get(state.definition) : nullptr;
    std::unique_ptr<Weapon> weapon = weaponData ? weaponData->Create() : nullptr;
    std::unique_ptr<Item> item;
    if (weapon)
        weapon->data = weaponData;
    else if (!state.holdsWeapon && context.GetMatchRules())
        item = context.GetMatchRules()->CreateItem(state.definition);
    if (!weapon && !(item && item->data))
    {
        if (item)
            context.GetMatchRules()->ReturnItem(item);
        return Refuse<Pickup>("Pickup");
    }
    // The game mode may point at an item the record still holds, so it goes back to the mode.
    const auto giveBack = [&context](std::unique_ptr<Item>& held)
    {
        if (held && context.GetMatchRules())
            context.GetMatchRules()->ReturnItem(held);
        held.reset();
    };
    Pickup* pickup = world.pickups.Place(state.id,
                                         [&world, &giveBack](Pickup& occupant)
                                         {
                                             occupant.body->DestroyFixture();
                                             occupant.body->active = 0;
                                             world.pickupGrid.Remove(occupant);
                                             occupant.weapon.reset();
                                             giveBack(occupant.item);
                                         });
    if (!pickup)
    {
        giveBack(item);
        return Refuse<Pickup>("Pickup");
    }
    giveBack(pickup->item);
    const Vector2 size = weapon ? weaponData->size : item->data->size;
    const Vector2 offset = weapon ? weaponData->offset : item->data->offset;
    const std::vector<Vector2>& shape = weapon ? weaponData->shape : item->data->shape;
    const uint32_t image = weapon ? weaponData->image : item->data->image;
    DynamicBody& body = *pickup->body;
    SetUpBody(world, body, state.position, size);
    body.pivotX = offset.x;
    body.pivotY = offset.y;
    // The server's rotation is already mirrored for a flipped pickup.
    body.rotation = WrapAngle(state.rotation * ReceivedRadiansPerDegree);
    body.flipY = state.flipY ? 1 : 0;
    body.density = 1.0f;
    body.restitution = 0.4f;
    body.friction = 0.4f;
    body.rotates = state.rotates ? 1 : 0;
    body.SetPoints(shape, state.velocity);
    body.CreateFixture();
    pickup->image = CreateImage(world, image, 75.0f);
    pickup->weapon = std::move(weapon);
    pickup->item = std::move(item);
    pickup->lifetime = -1;
    pickup->fade = 0;
    SetPickupLayers(*pickup);
    pickup->highlightTeam = pickup->highlightPlayer = 255;
    if (!world.pickupGrid.Insert(*pickup))
    {
        LogNotAdded("Pickup");
        body.DestroyFixture();
        pickup->image.reset();
        pickup->weapon.reset();
        giveBack(pickup->item);
        world.pickups.Remove(pickup->id);
        return nullptr;
    }
    if (pickup->item)
        pickup->item->OnDropped();
    return pickup;
}

Projectile* PlaceProjectileFromState(World& world, const ReceivedProjectile& state)
{
    const DataRegistry* registry = world.GetContext().registry;
    const WeaponData* weapon = registry ? registry->weapons.Get(state.definition) : nullptr;
    if (!weapon || !weapon->projectile)
        return Refuse<Projectile>("Projectile");
    std::unique_ptr<Projectile>* slot =
        world.projectiles.Place(state.id,
                                [&world](std::unique_ptr<Projectile>& occupant)
                                {
                                    if (!occupant)
                                        return;
                                    occupant->RemoveTrail();
                                    static_cast<TransformBody&>(*occupant->body).DestroyFixture();
                                    occupant->body->active = 0;
                                    world.projectileGrid.Remove(*occupant);
                                });
    if (!slot)
        return Refuse<Projectile>("Projectile");
    *slot = weapon->projectile->Create();
    if (!*slot)
    {
        world.projectiles.Remove(state.id);
        return Refuse<Projectile>("Projectile");
    }
    Projectile& projectile = **slot;
    projectile.id = state.id;
    auto& body = static_cast<MovingBody&>(*projectile.body);
    SetUpBody(world, body, state.position, weapon->projectile->size);
    body.pivotX = weapon->projectile->offset.x;
    body.pivotY = weapon->projectile->offset.y;
    body.rotation = WrapAngle(state.rotation * ReceivedRadiansPerDegree);
    body.flipY = state.flipY ? 1 : 0;
    body.SetUp(&projectile, *weapon, state.velocity);
    body.CreateFixture();
    projectile.weapon = weapon;
    projectile.owner = nullptr;
    if (state.hasOwner && state.owner < World::PlayerCount && world.players[state.owner].present)
        projectile.owner = &world.players[state.owner];
    if (!world.projectileGrid.Insert(projectile))
    {
        LogNotAdded("Projectile");
        body.DestroyFixture();
        world.projectiles.Remove(state.id);
        return nullptr;
    }
    projectile.Begin();
    return &projectile;
}

Trigger* CreateTriggerFromMessage(World& world, const ReceivedTrigger& received)
{
    const DataRegistry* registry = world.GetContext().registry;
    const TriggerData* data = registry ? registry->triggers.Get(received.definition) : nullptr;
    if (!data)
        return Refuse<Trigger>("Trigger");
    Trigger* trigger = world.triggers.Place(received.id,
                                            [&world](Trigger& occupant)
                                            {
                                                occupant.body->active = 0;
                                                world.triggerGrid.Remove(occupant);
                                            });
    if (!trigger)
        return Refuse<Trigger>("Trigger");
    TransformBody& body = *trigger->body;
    SetUpBody(world, body, received.position, received.size);
    body.pivotX = received.pivot.x;
    body.pivotY = received.pivot.y;
    body.rotation = WrapAngle(received.rotation * ReceivedRadiansPerDegree);
    body.flipX = received.flipped ? 1 : 0;
    trigger->image = CreateImage(world, data->image, EntityImageDepth);
    trigger->data = data;
    // What a trigger does happens on the server; a client's trigger only shows and is touched.
    trigger->enterAction.reset();
    trigger->stayAction.reset();
    trigger->leaveAction.reset();
    trigger->counter = -1;
    trigger->highlightTeam = trigger->highlightPlayer = 255;
    if (!world.triggerGrid.Insert(*trigger))
    {
        LogNotAdded("Trigger");
        trigger->image.reset();
        world.triggers.Remove(trigger->id);
        return nullptr;
    }
    trigger->touches.clear();
    return trigger;
}
