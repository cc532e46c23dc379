#include "Source/Network/WorldState.h"

#include "Source/Data/DataRegistry.h"
#include "Source/Data/ItemData.h"
#include "Source/Data/PartData.h"
#include "Source/Data/WeaponData.h"
#include "Source/GameTypes/GameType.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/Item.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"

#include <algorithm>

using namespace Lumvek;

namespace
{

constexpr float DegreesPerRadian = 57.29578f;
constexpr float RadiansPerDegree = 0.017453292f;

uint32_t WeaponCount(const Player& player)
{
    const DataRegistry* registry = player.GetContext().registry;
    return registry ? registry->weapons.Count() : 0;
}

uint32_t ItemCount(const Player& player)
{
    const DataRegistry* registry = player.GetContext().registry;
    return registry ? registry->items.Count() : 0;
}

template <class Object> uint32_t DefinitionIndex(const std::unique_ptr<Object>& object, uint32_t none)
{
    return object && object->data ? object->data->index : none;
}

Rectangle ViewOf(const Player& player)
{
    const Vector2 size = player.camera.viewSize;
    return {player.camera.position.x - size.x * 0.5f, player.camera.position.y - size.y * 0.5f, size.x, size.y};
}

HeldTransform TransformOf(const Bone* node)
{
    if (!node)
        return {};
    return {node->position, node->rotation * DegreesPerRadian, node->scale.x < 0.0f};
}

// The player in the slot of the index, or null when it has none or has left.
Player* FindPlayer(GameContext& context, uint8_t index)
{
    Slot& slot = context.configuration.GetPlayer(index);
    return slot.removed ? nullptr : slot.player;
}

Platform* PlatformAt(World& world, uint16_t index)
{
    return index < world.platforms.Count() ? &world.platforms[index] : nullptr;
}

// What the movement step and the animation read of the player, common to both records.
template <class Record> void CollectCommon(Record& record, const Player& player)
{
    const PlayerBody& body = player.body;
    record.player = player.index;
    record.position = {body.x, body.y};
    record.velocity = body.velocity;
    record.jumpTime = body.jumpTime;
    const Platform* ground = body.GetContact(CollisionSide::Bottom).platform;
    record.onPlatform = ground != nullptr;
    record.platform = ground ? ground->id : FullPlayerState::NoPlatform;
    // Passable platforms join the list without a bound, while a state has room for six: the first six
    // are the ones the body has ignored longest.
    record.passThroughCount = 0;
    for (const Platform* platform : body.passThroughPlatforms)
    {
        if (record.passThroughCount == FullPlayerState::MaxPassThroughPlatforms)
            break;
        if (platform)
            record.passThroughPlatforms[record.passThroughCount++] = platform->id;
    }
    record.abilityPart = 0;
    if (player.abilityPart && player.abilityPart == player.core.get())
        record.abilityPart = 1;
    else if (player.abilityPart && player.abilityPart == player.arms.get())
        record.abilityPart = 2;
    else if (player.abilityPart && player.abilityPart == player.legs.get())
        record.abilityPart = 3;
    const uint32_t weapons = WeaponCount(player);
    const uint32_t items = ItemCount(player);
    record.secondaryWeapon = DefinitionIndex(player.stowedWeapon, weapons);
    record.currentWeapon = DefinitionIndex(player.weapon, weapons);
    record.pickedUpWeapon = DefinitionIndex(player.pendingWeapon, weapons);
    record.carriedItem = DefinitionIndex(player.carriedItem, items);
    record.pickedUpItem = DefinitionIndex(player.handItem, items);
    record.pickedUpWeaponTransform =
        player.pendingWeapon ? TransformOf(body.GetBone(PlayerBone::RightPickup)) : HeldTransform{};
    record.pickedUpItemTransform =
        player.handItem ? TransformOf(body.GetBone(PlayerBone::LeftPickup)) : HeldTransform{};
    record.airState = static_cast<uint32_t>(player.airState);
    record.weaponState = static_cast<uint32_t>(player.weaponState);
    record.weaponTimer = player.weaponTimer;
    record.handState = static_cast<uint32_t>(player.handState);
    record.handTimer = player.handTimer;
}

void CollectPickup(PickupState& record, const Pickup& pickup)
{
    const DynamicBody& body = *pickup.body;
    record.id = pickup.id;
    record.holdsWeapon = pickup.weapon != nullptr;
    record.definition = pickup.weapon && pickup.weapon->data ? pickup.weapon->data->index : 0;
    record.position = {body.x, body.y};
    record.velocity = {body.velocityX, body.velocityY};
    record.rotation = body.rotation * DegreesPerRadian;
    record.flipY = body.flipY;
    record.rotates = body.rotates;
}

void CollectProjectile(ProjectileState& record, const Projectile& projectile)
{
    const auto& body = static_cast<const MovingBody&>(projectile.GetBody());
    record.id = projectile.id;
    record.hasOwner = projectile.owner != nullptr;
    record.owner = projectile.owner ? projectile.owner->index : ProjectileState::NoOwner;
    record.definition = projectile.weapon ? projectile.weapon->index : 0;
    record.position = {body.x, body.y};
    record.velocity = {body.velocityX, body.velocityY};
    record.rotation = body.rotation * DegreesPerRadian;
    record.flipY = body.flipY;
}

// The pickups, moving platforms and projectiles in an own player's view.
void CollectAround(World& world, GameState& state, const Rectangle& view)
{
    for (Pickup& pickup : world.pickupGrid.Query(view))
    {
        if (state.pickupCount == GameState::MaxPickups)
            break;
        CollectPickup(state.pickups[state.pickupCount++], pickup);
    }
    for (const Platform* platform : world.GetMovingPlatforms())
    {
        if (state.platformCount == GameState::MaxPlatforms)
            break;
        const PathedBody* body = platform->GetPathedBody();
        if (!body || !body->active || !EntityDetail::Overlaps(body->GetBounds(), view))
            continue;
        PlatformState& record = state.platforms[state.platformCount++];
        record.platform = platform->id;
        record.pathTime = body->time;
        record.stopped = body->stopped != 0;
        record.finished = body->finished != 0;
    }
    for (Projectile& projectile : world.projectileGrid.Query(view))
    {
        if (state.projectileCount == GameState::MaxProjectiles)
            break;
        CollectProjectile(state.projectiles[state.projectileCount++], projectile);
    }
}

// Shared by both player records: movement, ground, the platforms passed through and the ability part.
template <class Record> void ApplyMovement(const Record& record, Player& player)
{
    PlayerBody& body = player.body;
    body.x = record.position.x;
    body.y = record.position.y;
    body.velocity = record.velocity;
    body.jumpTime = record.jumpTime;
    World& world = *body.world;
    body.GetContact(CollisionSide::Bottom).platform = PlatformAt(world, record.platform);
    body.passThroughPlatforms.clear();
    const uint32_t count = std::min(record.passThroughCount, FullPlayerState::MaxPassThroughPlatforms);
    for (uint32_t i = 0; i < count; ++i)
        body.passThroughPlatforms.push_back(PlatformAt(world, record.passThroughPlatforms[i]));
}

template <class Record> void ApplyAbilityPart(const Record& record, Player& player)
{
    if (record.abilityPart > 3)
        return;
    Part* part = player.GetPart(record.abilityPart);
    if (part && part->data && part->data->hasAbility)
        player.abilityPart = part;
}

template <class Record> void ApplyEquipment(const Record& record, Player& player, uint32_t clip, uint32_t reserve)
{
    const bool secondaryUnchanged =
        player.stowedWeapon && player.stowedWeapon->data && player.stowedWeapon->data->index == record.secondaryWeapon;
    SyncSecondaryWeapon(player, record.secondaryWeapon);
    SyncCurrentWeapon(player, record.currentWeapon, clip, reserve, secondaryUnchanged);
    const HeldTransform& weaponAt = record.pickedUpWeaponTransform;
    SyncPickedUpWeapon(player, record.pickedUpWeapon, weaponAt.position, StateAngle(weaponAt.rotation),
                       weaponAt.mirrored);
    SyncCarriedItem(player, record.carriedItem);
    const HeldTransform& itemAt = record.pickedUpItemTransform;
    SyncPickedUpItem(player, record.pickedUpItem, itemAt.position, StateAngle(itemAt.rotation), itemAt.mirrored);
}

// The states travel in their wire ranges; anything else keeps what the player has.
template <class Record> void ApplyStates(const Record& record, Player& player)
{
    if (record.airState < static_cast<uint32_t>(AirState::Any))
        player.airState = static_cast<AirState>(record.airState);
    if (record.weaponState < static_cast<uint32_t>(WeaponState::Any))
        player.weaponState = static_cast<WeaponState>(record.weaponState);
    player.weaponTimer = record.weaponTimer;
    if (record.handState < static_cast<uint32_t>(ItemState::Any))
        player.handState = static_cast<ItemState>(record.handState);
    player.handTimer = record.handTimer;
}

void HideNode(Player& player, PlayerBone which)
{
    if (Bone* node = player.body.GetBone(which))
        node->region = InvalidId;
}

void PlaceNode(Player& player, PlayerBone which, Vector2 position, float rotation, bool mirrored)
{
    Bone* node = player.body.GetBone(which);
    if (!node)
        return;
    node->position = position;
    node->rotation = rotation;
    node->scale.x = mirrored ? -std::abs(node->scale.x) : std::abs(node->scale.x);
    node->MarkDirty();
}

std::unique_ptr<Weapon> MakeWeapon(Player& player, uint32_t index)
{
    const WeaponData* data = player.GetContext().registry->weapons.Get(index);
    std::unique_ptr<Weapon> weapon = data ? data->Create() : nullptr;
    if (!weapon)
        return nullptr;
    weapon->data = data;
    weapon->owner = &player;
    return weapon;
}

std::unique_ptr<Item> MakeItem(Player& player, uint32_t index)
{
    GameType* rules = player.GetContext().gameType;
    std::unique_ptr<Item> item = rules ? rules->CreateItem(index) : nullptr;
    if (item)
        item->holder = &player;
    return item;
}

// The rule every equipped place follows: keep an object of the received definition, let go of any
// other, and make one of the received definition when the place is (now) empty.
template <class Object, class Make>
bool SyncPlace(std::unique_ptr<Object>& place, uint32_t index, uint32_t count, Player& player, PlayerBone node,
               Make&& make)
{
    if (place && place->data && place->data->index == index)
        return false;
    if (place)
    {
        place.reset();
        HideNode(player, node);
    }
    if (index >= count)
        return false;
    place = make(player, index);
    return place != nullptr;
}

} // namespace

float StateAngle(float degrees)
{
    return WrapAngle(degrees * RadiansPerDegree);
}

void CollectFullPlayerState(FullPlayerState& record, const Player& player)
{
    CollectCommon(record, player);
    record.health = player.health;
    record.clip = player.weapon ? player.weapon->clip : 0;
    record.reserve = player.weapon ? player.weapon->reserve : 0;
}

void CollectPlayerState(PlayerState& record, const Player& player)
{
    CollectCommon(record, player);
    record.move = player.input.move;
    record.aimX = player.input.aimX;
    record.aimY = player.input.aimY;
    record.fallThrough = player.input[PlayerAction::FallThrough] ? 1 : 0;
    record.jump = player.input[PlayerAction::Jump] ? 1 : 0;
}

void CollectViewer(GameContext& context, GameState& state, const StateViewer& viewer, uint32_t client)
{
    const Player* player = FindPlayer(context, viewer.player);
    if (!player || !context.world)
        return;
    const Rectangle view = ViewOf(*player);
    if (viewer.client == client)
    {
        if (state.ownCount == GameState::MaxOwnPlayers)
            return;
        CollectFullPlayerState(state.ownPlayers[state.ownCount++], *player);
        CollectAround(*context.world, state, view);
        return;
    }
    if (state.playerCount == GameState::MaxPlayers || !player->body.active ||
        !EntityDetail::Overlaps(player->body.GetBounds(), view))
        return;
    CollectPlayerState(state.players[state.playerCount++], *player);
}

void CollectGameState(GameContext& context, GameState& state, std::span<const StateViewer> viewers, uint32_t client)
{
    state.ownCount = state.playerCount = state.pickupCount = state.platformCount = state.projectileCount = 0;
    for (const StateViewer& viewer : viewers)
        CollectViewer(context, state, viewer, client);
}

void ApplyFullPlayerState(const FullPlayerState& record, Player& player)
{
    ApplyMovement(record, player);
    ApplyAbilityPart(record, player);
    ApplyEquipment(record, player, record.clip, record.reserve);
    player.health = record.health;
    ApplyStates(record, player);
}

void ApplyPlayerState(const PlayerState& record, Player& player)
{
    ApplyMovement(record, player);
    player.input.move = record.move;
    player.input.aimX = record.aimX;
    player.input.aimY = record.aimY;
    player.input[PlayerAction::FallThrough] = record.fallThrough;
    player.input[PlayerAction::Jump] = record.jump;
    ApplyAbilityPart(record, player);
    ApplyEquipment(record, player, 0, 0);
    ApplyStates(record, player);
}

void ApplyGameState(GameContext& context, const GameState& state)
{
    if (!context.world)
        return;
    World& world = *context.world;
    for (uint32_t i = 0; i < std::min(state.ownCount, GameState::MaxOwnPlayers); ++i)
        if (Player* player = FindPlayer(context, state.ownPlayers[i].player))
            ApplyFullPlayerState(state.ownPlayers[i], *player);
    for (uint32_t i = 0; i < std::min(state.playerCount, GameState::MaxPlayers); ++i)
        if (Player* player = FindPlayer(context, state.players[i].player))
            ApplyPlayerState(state.players[i], *player);

    for (uint32_t i = 0; i < std::min(state.pickupCount, GameState::MaxPickups); ++i)
    {
        const PickupState& record = state.pickups[i];
        if (Pickup* pickup = world.pickups.Find(record.id))
        {
            pickup->body->Place(record.position, record.velocity, StateAngle(record.rotation));
            if (pickup->body->active && !world.pickupGrid.Reinsert(*pickup))
                pickup->body->active = 0;
        }
        else
        {
            PlacePickupFromState(world, record);
        }
    }

    for (uint32_t i = 0; i < std::min(state.platformCount, GameState::MaxPlatforms); ++i)
    {
        const PlatformState& record = state.platforms[i];
        Platform* platform = PlatformAt(world, record.platform);
        PathedBody* body = platform ? platform->GetPathedBody() : nullptr;
        if (!body)
            continue;
        const PathSample sample = PathKeys::Sample(body->path, record.pathTime);
        body->x = sample.position.x;
        body->y = sample.position.y;
        body->time = record.pathTime;
        body->stopped = record.stopped;
        body->finished = record.finished;
        if (sample.state == PathState::Hidden && body->active)
        {
            body->active = 0;
            body->DestroyPhysics();
        }
        else if (sample.state == PathState::Normal && !body->active)
        {
            body->CreatePhysics(1);
            body->active = 1;
        }
        if (body->active && !world.platformGrid.Reinsert(*platform))
            body->active = 0;
    }

    for (uint32_t i = 0; i < std::min(state.projectileCount, GameState::MaxProjectiles); ++i)
    {
        const ProjectileState& record = state.projectiles[i];
        if (std::unique_ptr<Projectile>* slot = world.projectiles.Find(record.id); slot && *slot)
        {
            Projectile& projectile = **slot;
            static_cast<MovingBody&>(projectile.GetBody())
                .Place(record.position, record.velocity, StateAngle(record.rotation));
            if (projectile.GetBody().active && !world.projectileGrid.Reinsert(projectile))
                projectile.GetBody().active = 0;
        }
        else
        {
            PlaceProjectileFromState(world, record);
        }
    }
}

void SyncSecondaryWeapon(Player& player, uint32_t index)
{
    SyncPlace(player.stowedWeapon, index, WeaponCount(player), player, PlayerBone::Holster, MakeWeapon);
}

void SyncCurrentWeapon(Player& player, uint32_t index, uint32_t clip, uint32_t reserve, bool secondaryUnchanged)
{
    // Whether the weapon came out of an unchanged holster decides how the player shows it once it takes
    // weapons out itself; a weapon made here is shown by the rig as it is.
    static_cast<void>(secondaryUnchanged);
    SyncPlace(player.weapon, index, WeaponCount(player), player, PlayerBone::Weapon, MakeWeapon);
    if (player.weapon)
    {
        player.weapon->clip = clip;
        player.weapon->reserve = reserve;
    }
}

void SyncPickedUpWeapon(Player& player, uint32_t index, Vector2 position, float rotation, bool mirrored)
{
    if (SyncPlace(player.pendingWeapon, index, WeaponCount(player), player, PlayerBone::RightPickup, MakeWeapon))
        PlaceNode(player, PlayerBone::RightPickup, position, rotation, mirrored);
}

void SyncCarriedItem(Player& player, uint32_t index)
{
    SyncPlace(player.carriedItem, index, ItemCount(player), player, PlayerBone::Item, MakeItem);
}

void SyncPickedUpItem(Player& player, uint32_t index, Vector2 position, float rotation, bool mirrored)
{
    if (SyncPlace(player.handItem, index, ItemCount(player), player, PlayerBone::LeftPickup, MakeItem))
        PlaceNode(player, PlayerBone::LeftPickup, position, rotation, mirrored);
}
