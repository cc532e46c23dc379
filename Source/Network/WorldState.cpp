#include "Source/Network/WorldState.h"

#include "Source/Data/DataRegistry.h"
#include "Source/Data/ItemData.h"
#include "Source/Data/PartData.h"
#include "Source/Data/WeaponData.h"
#include "Source/GameTypes/GameType.h"
#include "Source/Network/ReceivedEntities.h"
#include "Source/World/Entities.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/Item.h"
#include "Source/World/Part.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"

#include <algorithm>
#include <cmath>

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

// Whether the pickup chain's root is mirrored, which the hold operations mark in its vertical scale.
HeldTransform ChainTransformOf(const Bone* root)
{
    if (!root)
        return {};
    return {root->position, root->rotation * DegreesPerRadian, root->scale.y < 0.0f};
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
        player.pendingWeapon ? ChainTransformOf(body.GetBone(PlayerBone::RightPickup)) : HeldTransform{};
    record.pickedUpItemTransform =
        player.handItem ? ChainTransformOf(body.GetBone(PlayerBone::LeftPickup)) : HeldTransform{};
    record.airState = static_cast<uint32_t>(player.airState);
    record.weaponState = static_cast<uint32_t>(player.weaponState);
    record.weaponTimer = player.weaponTimer;
    record.handState = static_cast<uint32_t>(player.handState);
    record.handTimer = player.handTimer;
}

void CollectDrive(PlayerDrive& drive, const Player& player)
{
    const PlayerBody& body = player.body;
    drive.impulse = body.impulse;
    drive.windImpulse = body.windImpulse;
    drive.windSpeed = body.windSpeed;
    const Part* part = player.abilityPart;
    drive.energy = part ? part->energy : 0;
    drive.rechargeDelay = part ? part->rechargeDelay : 0;
    drive.discharging = part && part->discharging;
    const Attributes identity = Player::IdentityModifiers();
    const Attributes& values = player.modifiers.Get();
    drive.modifierMask = 0;
    for (uint32_t i = 0; i < Attributes::Count; ++i)
    {
        const bool changed = values[i] != identity[i];
        drive.modifierMask |= changed ? 1u << i : 0u;
        drive.modifiers[i] = changed ? values[i] : 0.0f;
    }
}

// After the movement and the equipment, whose weapons put their own modifiers on: the server's set
// replaces whatever the client has summed.
void ApplyDrive(const PlayerDrive& drive, Player& player)
{
    PlayerBody& body = player.body;
    body.impulse = drive.impulse;
    body.windImpulse = drive.windImpulse;
    body.windSpeed = drive.windSpeed;
    if (Part* part = player.abilityPart)
    {
        part->energy = std::min(drive.energy, Part::MaximumEnergy);
        part->rechargeDelay = drive.rechargeDelay;
        // A use that began or ended on the server shows and sounds here too (the jetpack's flame and
        // loop); what it does to the modifiers the server's set below already holds. This machine's own
        // player has shown its use as it predicted it: the state's, older than its frame, is taken
        // silently, and the replay from there neither ends a use still held nor starts it again.
        if (drive.discharging != part->discharging)
        {
            part->discharging = drive.discharging;
            if (!drive.discharging)
                part->usedTime = 0.0f;
            if (!player.IsLocal() && drive.discharging)
                part->OnUseStarted();
            else if (!player.IsLocal())
                part->OnUseEnded();
        }
    }
    Attributes values = Player::IdentityModifiers();
    for (uint32_t i = 0; i < Attributes::Count; ++i)
        if ((drive.modifierMask >> i) & 1u)
            values[i] = drive.modifiers[i];
    player.modifiers = values;
    // The zones it stands in are those whose modifiers the set holds: the next step enters or leaves
    // them from there.
    for (Zone& zone : body.world->GetZones())
        zone.MarkTouch(player);
}

// The reliable kill and spawn messages decide whether a client's player lives: a state that disagrees
// was collected on the other side of one of them, and would put a player spawned since back where it
// died, or move a dead one.
bool AgreesOnLife(float recordHealth, const Player& player)
{
    return (recordHealth > 0.0f) == (player.health > 0.0f);
}

// False for a pickup a state cannot carry: one holding nothing the registry knows.
bool CollectPickup(PickupState& record, const Pickup& pickup)
{
    const DynamicBody& body = *pickup.body;
    if (pickup.weapon && pickup.weapon->data)
        record.definition = pickup.weapon->data->index;
    else if (pickup.item && pickup.item->data)
        record.definition = pickup.item->data->index;
    else
        return false;
    record.id = pickup.id;
    record.holdsWeapon = pickup.weapon != nullptr;
    record.position = {body.x, body.y};
    record.velocity = {body.velocityX, body.velocityY};
    record.rotation = body.rotation * DegreesPerRadian;
    record.flipY = body.flipY;
    record.rotates = body.rotates;
    return true;
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
        if (CollectPickup(state.pickups[state.pickupCount], pickup))
            ++state.pickupCount;
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
    // A platform this world does not have cannot be passed through; the movement step expects none
    // to be null.
    for (uint32_t i = 0; i < count; ++i)
        if (Platform* platform = PlatformAt(world, record.passThroughPlatforms[i]))
            body.passThroughPlatforms.push_back(platform);
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

std::unique_ptr<Weapon> MakeWeapon(Player& player, uint32_t index)
{
    const DataRegistry* registry = player.GetContext().registry;
    const WeaponData* data = registry ? registry->weapons.Get(index) : nullptr;
    std::unique_ptr<Weapon> weapon = data ? data->Create() : nullptr;
    if (weapon)
        weapon->data = data;
    return weapon;
}

std::unique_ptr<Item> MakeItem(Player& player, uint32_t index)
{
    GameType* rules = player.GetContext().GetGameType();
    return rules ? rules->CreateItem(index) : nullptr;
}

// The game mode may point at its items, so one let go of goes back to it rather than away.
void GiveBackItem(Player& player, std::unique_ptr<Item>& item)
{
    if (GameType* rules = player.GetContext().GetGameType())
        rules->ReturnItem(item);
    item.reset();
}

// Whether the place must let go of what it holds for the received index: it holds something of
// another definition, or the index says empty.
template <class Object> bool Differs(const std::unique_ptr<Object>& place, uint32_t index)
{
    return place && !(place->data && place->data->index == index);
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
    CollectDrive(record.drive, player);
}

void CollectPlayerState(PlayerState& record, const Player& player)
{
    CollectCommon(record, player);
    record.move = player.input.move;
    record.aimX = player.input.aimX;
    record.aimY = player.input.aimY;
    record.fallThrough = player.input[PlayerAction::FallThrough] ? 1 : 0;
    record.jump = player.input[PlayerAction::Jump] ? 1 : 0;
    record.use = player.input[PlayerAction::Use] ? 1 : 0;
    record.health = std::isfinite(player.health) && player.health > 0.0f
                        ? static_cast<uint32_t>(std::min(std::ceil(player.health), float(PlayerState::MaxHealth)))
                        : 0;
    CollectDrive(record.drive, player);
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
    state.shotCount = 0;
    for (const StateViewer& viewer : viewers)
        CollectViewer(context, state, viewer, client);
}

void CollectBots(GameContext& context, GameState& state, uint32_t client)
{
    for (const BotSlot& slot : context.configuration.bots)
        if (!slot.removed && slot.player)
            CollectViewer(context, state, {slot.id, StateViewer::ServerPlayer}, client);
}

void ApplyFullPlayerState(const FullPlayerState& record, Player& player)
{
    ApplyMovement(record, player);
    ApplyAbilityPart(record, player);
    ApplyEquipment(record, player, record.clip, record.reserve);
    player.health = record.health;
    ApplyStates(record, player);
    ApplyDrive(record.drive, player);
}

void ApplyPlayerState(const PlayerState& record, Player& player)
{
    ApplyMovement(record, player);
    player.input.move = record.move;
    player.input.aimX = record.aimX;
    player.input.aimY = record.aimY;
    player.input[PlayerAction::FallThrough] = record.fallThrough;
    player.input[PlayerAction::Jump] = record.jump;
    player.input[PlayerAction::Use] = record.use;
    ApplyAbilityPart(record, player);
    ApplyEquipment(record, player, 0, 0);
    // The reliable kill message decides a death; a record says only how hurt a living player is.
    if (record.health > 0)
        player.health = static_cast<float>(record.health);
    ApplyStates(record, player);
    ApplyDrive(record.drive, player);
}

void ApplyGameState(GameContext& context, const GameState& state)
{
    if (!context.world)
        return;
    World& world = *context.world;
    for (uint32_t i = 0; i < std::min(state.ownCount, GameState::MaxOwnPlayers); ++i)
        if (Player* player = FindPlayer(context, state.ownPlayers[i].player);
            player && AgreesOnLife(state.ownPlayers[i].health, *player))
            ApplyFullPlayerState(state.ownPlayers[i], *player);
    // Only living players travel here: one the client has dead was sent before its kill.
    for (uint32_t i = 0; i < std::min(state.playerCount, GameState::MaxPlayers); ++i)
        if (Player* player = FindPlayer(context, state.players[i].player); player && player->health > 0.0f)
            ApplyPlayerState(state.players[i], *player);

    for (uint32_t i = 0; i < std::min(state.pickupCount, GameState::MaxPickups); ++i)
    {
        const PickupState& record = state.pickups[i];
        if (Pickup* pickup = world.pickups.Find(record.id))
        {
            pickup->body->Place(record.position, record.velocity, StateAngle(record.rotation));
            if (pickup->body->active && !world.Refile(*pickup))
                pickup->body->active = 0;
        }
        else
        {
            PlacePickupFromState(world, ToReceived(record));
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
        if (body->active && !world.Refile(*platform))
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
            if (projectile.GetBody().active && !world.Refile(projectile))
                projectile.GetBody().active = 0;
        }
        else
        {
            PlaceProjectileFromState(world, ToReceived(record));
        }
    }
}

// Each place lets go of an object of another definition the way the player would, then makes one of
// the received definition when it is empty and the index names one.
void SyncSecondaryWeapon(Player& player, uint32_t index)
{
    if (Differs(player.stowedWeapon, index))
    {
        player.stowedWeapon->OnUnstowed();
        player.stowedWeapon->OnDropped();
        player.stowedWeapon.reset();
        player.HideSprite(PlayerBone::Holster);
    }
    if (player.stowedWeapon || index >= WeaponCount(player))
        return;
    if (std::unique_ptr<Weapon> weapon = MakeWeapon(player, index))
    {
        weapon->OnPickedUp(player);
        player.StowWeapon(std::move(weapon));
    }
}

void SyncCurrentWeapon(Player& player, uint32_t index, uint32_t clip, uint32_t reserve, bool secondaryUnchanged)
{
    if (Differs(player.weapon, index))
    {
        player.weapon->PutAway();
        player.weapon->OnDropped();
        player.weapon.reset();
        player.HideSprite(PlayerBone::Weapon);
    }
    if (!player.weapon && index < WeaponCount(player))
        if (std::unique_ptr<Weapon> weapon = MakeWeapon(player, index))
        {
            weapon->OnPickedUp(player);
            player.EquipWeapon(std::move(weapon), secondaryUnchanged);
        }
    if (player.weapon)
    {
        player.weapon->clip = clip;
        player.weapon->reserve = reserve;
    }
}

void SyncPickedUpWeapon(Player& player, uint32_t index, Vector2 position, float rotation, bool mirrored)
{
    if (Differs(player.pendingWeapon, index))
    {
        player.pendingWeapon->OnDropped();
        player.pendingWeapon.reset();
        player.HideSprite(PlayerBone::RightPickup);
    }
    if (player.pendingWeapon || index >= WeaponCount(player))
        return;
    // Holding it makes it the player's.
    player.HoldWeapon(MakeWeapon(player, index), position, rotation, mirrored);
}

void SyncCarriedItem(Player& player, uint32_t index)
{
    if (Differs(player.carriedItem, index))
    {
        player.carriedItem->Release();
        GiveBackItem(player, player.carriedItem);
        player.HideSprite(PlayerBone::Item);
    }
    if (player.carriedItem || index >= ItemCount(player))
        return;
    if (std::unique_ptr<Item> item = MakeItem(player, index))
    {
        item->PickUp(player);
        player.CarryItem(std::move(item));
    }
}

void SyncPickedUpItem(Player& player, uint32_t index, Vector2 position, float rotation, bool mirrored)
{
    if (Differs(player.handItem, index))
    {
        player.handItem->Release();
        GiveBackItem(player, player.handItem);
        player.HideSprite(PlayerBone::LeftPickup);
    }
    if (player.handItem || index >= ItemCount(player))
        return;
    player.HoldItem(MakeItem(player, index), position, rotation, mirrored);
}
