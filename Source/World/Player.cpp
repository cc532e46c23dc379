#include "Source/World/Player.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Runtime/Audio/AudioDevice.h"
#include "Source/Data/CharacterData.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/InteractionData.h"
#include "Source/Data/PartData.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/AttributeDivisor.h"
#include "Source/World/Entities.h"
#include "Source/World/GameContext.h"
#include "Source/World/Item.h"
#include "Source/World/PlayerRenderable.h"
#include "Source/World/PlayerRig.h"
#include "Source/World/Weapon.h"
#include "Source/World/World.h"

#include <box2d/box2d.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <optional>

using Lumvek::Vector2;

namespace
{

// The attributes a modifier adds to rather than multiplies.
constexpr std::array<float Attributes::*, 4> AdditiveAttributes{
    &Attributes::healthRegeneration, &Attributes::awareness, &Attributes::energyDischarge, &Attributes::energyRecharge};

// The listener hears from about the player's head.
constexpr float ListenerHeight = 0.8f;
// A bottom contact supporting less of the box than this leans over the edge.
constexpr float LeaningSupport = 0.75f;

// The part the loadout names in its table; the first one for an index outside the table (None and
// Random included, and indices from the wire), with a message. Null for an empty table.
template <class Definition>
const Definition* FindPart(const DataCollection<Definition>& table, uint32_t partIndex, Lumvek::StringView kind,
                           uint8_t player)
{
    if (table.Count() == 0)
    {
        Lumvek::Log::Write("player {} has no {} to wear: the registry holds none", uint32_t(player), kind);
        return nullptr;
    }
    if (partIndex >= table.Count())
    {
        Lumvek::Log::Write("player {} wears the first {} instead of index {}, which is not among the {} there are",
                           uint32_t(player), kind, partIndex, table.Count());
        partIndex = 0;
    }
    return &table.At(partIndex);
}

} // namespace

Player::Player()
{
    body.owner = this;
}

Player::~Player() = default;

Attributes Player::IdentityModifiers()
{
    Attributes identity;
    for (uint32_t i = 0; i < Attributes::Count; ++i)
        identity[i] = 1.0f;
    for (float Attributes::*additive : AdditiveAttributes)
        identity.*additive = 0.0f;
    return identity;
}

bool Player::IsAdditive(float Attributes::*attribute)
{
    return std::find(AdditiveAttributes.begin(), AdditiveAttributes.end(), attribute) != AdditiveAttributes.end();
}

float Player::GetEffective(float Attributes::*attribute) const
{
    return IsAdditive(attribute) ? modifiers[attribute] + baseAttributes.*attribute
                                 : modifiers[attribute] * baseAttributes.*attribute;
}

GameContext& Player::GetContext() const
{
    return body.world->GetContext();
}

bool Player::IsLocal() const
{
    if (!body.world)
        return false;
    const std::vector<PlayerSlot>& slots = GetContext().configuration.players;
    return std::any_of(slots.begin(), slots.end(),
                       [this](const PlayerSlot& slot) { return !slot.removed && slot.player == this; });
}

Part* Player::GetPart(uint32_t position) const
{
    switch (position)
    {
    case 0:
        return head.get();
    case 1:
        return core.get();
    case 2:
        return arms.get();
    case 3:
        return legs.get();
    default:
        return nullptr;
    }
}

void Player::Reset()
{
    // A record used before may still hold what its last player had: none of it belongs to this one.
    head.reset();
    core.reset();
    arms.reset();
    legs.reset();
    abilityPart = nullptr;
    weapon.reset();
    stowedWeapon.reset();
    pendingWeapon.reset();
    carriedItem.reset();
    handItem.reset();
    modifiers = IdentityModifiers();

    GameContext& context = GetContext();
    const Slot& slot = context.configuration.GetPlayer(index);
    team = slot.team;
    character = context.registry ? context.registry->characters.Get(0) : nullptr;
    baseAttributes = character ? character->attributes : Attributes();
    ApplyLoadout(slot.loadout);

    input = PlayerInput();
    moveAxis = 0.0f;
    aimDirection = Vector2(1.0f, 0.0f);
    interactTicks = 0;
    interactionId = NoInteraction;
    weaponTimer = 0;
    pickupId = NoPickup;
    health = 0.0f;
}

template <class Kind, class Definition> void Player::Wear(std::unique_ptr<Kind>& slot, const Definition& definition)
{
    // Applying a loadout again (the front end's preview does) must not count the old part twice.
    if (slot && slot->data)
        modifiers -= slot->data->modifiers;
    slot = definition.CreatePart();
    slot->owner = this;
    slot->data = &definition;
    if (definition.hasAbility)
        abilityPart = slot.get();
    modifiers += definition.modifiers;
}

void Player::ApplyLoadout(const Loadout& loadout)
{
    // The old parts go below: an ability selected among them must not outlive them.
    abilityPart = nullptr;
    const DataRegistry* registry = GetContext().registry;
    if (!registry)
        return;
    const ArmsData* armsData = FindPart(registry->arms, loadout.arms, "arms", index);
    const LegsData* legsData = FindPart(registry->legs, loadout.legs, "legs", index);
    const HeadData* headData = FindPart(registry->heads, loadout.head, "head", index);
    const CoreData* coreData = FindPart(registry->cores, loadout.core, "core", index);
    // In this order, so that the core's ability wins over the head's, the legs' and the arms'.
    if (armsData)
        Wear(arms, *armsData);
    if (legsData)
        Wear(legs, *legsData);
    if (headData)
        Wear(head, *headData);
    if (coreData)
        Wear(core, *coreData);

    PlayerRig::Setup(body, character, headData, coreData, armsData, legsData);
    body.boxWidth = 0.0f;
    body.boxHeight = 0.0f;
    for (const Vector2* size : {headData ? &headData->size : nullptr, coreData ? &coreData->size : nullptr,
                                legsData ? &legsData->size : nullptr})
        if (size)
        {
            body.boxWidth = std::max(body.boxWidth, size->x);
            body.boxHeight += size->y;
        }

    for (Part* part : {static_cast<Part*>(head.get()), static_cast<Part*>(core.get()), static_cast<Part*>(arms.get()),
                       static_cast<Part*>(legs.get())})
        if (part)
            part->Attach();
    if (visual)
        visual->Rebuild(body);
}

void Player::RebuildRig()
{
    struct Kept
    {
        uint32_t drawRegion;
        uint32_t region;
        Vector2 position;
        Vector2 offset;
        Vector2 scale;
        float rotation;
    };
    // The bones the match sets at run time, which no definition holds: the stowed weapon shows on the
    // holster.
    constexpr PlayerBone keptBones[] = {PlayerBone::Item,   PlayerBone::Weapon,     PlayerBone::Holster,
                                        PlayerBone::Muzzle, PlayerBone::LeftPickup, PlayerBone::RightPickup};
    std::array<std::optional<Kept>, std::size(keptBones)> kept;
    for (size_t i = 0; i < kept.size(); ++i)
        if (const Bone* old = body.GetBone(keptBones[i]))
            kept[i] = Kept{old->drawRegion, old->region, old->position, old->offset, old->scale, old->rotation};

    const auto definition = [](const auto& part) -> const PartData* { return part ? part->data : nullptr; };
    PlayerRig::Setup(body, character, dynamic_cast<const HeadData*>(definition(head)),
                     dynamic_cast<const CoreData*>(definition(core)), dynamic_cast<const ArmsData*>(definition(arms)),
                     dynamic_cast<const LegsData*>(definition(legs)));
    for (size_t i = 0; i < kept.size(); ++i)
    {
        Bone* rebuilt = kept[i] ? body.GetBone(keptBones[i]) : nullptr;
        if (!rebuilt)
            continue;
        rebuilt->drawRegion = kept[i]->drawRegion;
        rebuilt->region = kept[i]->region;
        rebuilt->position = kept[i]->position;
        rebuilt->offset = kept[i]->offset;
        rebuilt->scale = kept[i]->scale;
        rebuilt->rotation = kept[i]->rotation;
        rebuilt->MarkDirty();
    }
    for (Part* part : {static_cast<Part*>(head.get()), static_cast<Part*>(core.get()), static_cast<Part*>(arms.get()),
                       static_cast<Part*>(legs.get())})
        if (part)
            part->Attach();
    if (visual)
        visual->Rebuild(body);
}

void Player::UpdateHealth(float dt)
{
    // Held at -1 rather than counted down for ever: what matters is only that it is below zero.
    if (regenerationDelay >= 0)
        --regenerationDelay;
    if (regenerationDelay < 0)
        health += GetEffective(&Attributes::healthRegeneration) * dt;
    health = std::min(health, GetEffective(&Attributes::maximumHealth));
}

void Player::Update(float dt)
{
    UpdateHealth(dt);
    UpdateAim();
    UpdateInteraction();
    UpdateWeapon();
    UpdateHand();
    UpdateHeldItems(dt);
    UpdateParts(dt);
    UpdateStates();
    if (input[PlayerAction::ToggleView])
        viewToggle = !viewToggle;
}

void Player::UpdateAim()
{
    // A move byte from the wire may be -128; the axis still stops at full tilt.
    moveAxis = std::clamp(input.GetMoveAxis(), -1.0f, 1.0f);
    aimDirection = input.GetAimDirection(aimDirection);
    Bone& root = body.skeleton;
    if ((aimDirection.x < 0.0f && root.scale.x > 0.0f) || (aimDirection.x >= 0.0f && root.scale.x < 0.0f))
    {
        root.scale.x = -root.scale.x;
        root.MarkDirty();
    }
}

namespace
{

// How far the rectangle lies from the point; 0 when the point is inside.
float DistanceTo(const Lumvek::Rectangle& rectangle, Vector2 point)
{
    const float dx = std::max({rectangle.x - point.x, 0.0f, point.x - (rectangle.x + rectangle.width)});
    const float dy = std::max({rectangle.y - point.y, 0.0f, point.y - (rectangle.y + rectangle.height)});
    return std::sqrt(dx * dx + dy * dy);
}

// The nearest record by its centre among those in the grid whose rectangle comes strictly within reach
// of the point and that the test accepts; null when there is none.
template <class Record, uint32_t N, class Accept>
Record* FindNearest(const EntityGrid<Record, N>& grid, Vector2 point, float reach, Accept accept)
{
    Record* nearest = nullptr;
    float nearestDistance = 0.0f;
    for (Record& record : grid.Query({point.x - reach, point.y - reach, reach * 2.0f, reach * 2.0f}))
    {
        if (!(DistanceTo(record.GetBody().GetBounds(), point) < reach) || !accept(record))
            continue;
        const Vector2 offset = record.GetBody().GetCenter() - point;
        const float distance = Dot(offset, offset);
        if (!nearest || distance < nearestDistance)
        {
            nearest = &record;
            nearestDistance = distance;
        }
    }
    return nearest;
}

} // namespace

void Player::UpdateInteraction()
{
    World& world = *body.world;
    const Vector2 center = body.GetCenter();
    const float reach = GetEffective(&Attributes::reach);
    const bool interactHeld = input[PlayerAction::Interact] != 0;
    interactReady = interactReady || !interactHeld;

    // Asking a pickup whether it may be taken also tops up a weapon of its kind the player holds.
    Pickup* pickup = FindNearest(world.pickupGrid, center, reach,
                                 [this](Pickup& candidate) { return candidate.CanInteract(*this); });
    const Interaction* interaction = nullptr;
    if (pickup)
    {
        if (pickup->id == pickupId && interactHeld && interactReady)
        {
            if (++interactTicks >= InteractTicks)
            {
                interactReady = false;
                pickup->GiveTo(*this);
            }
        }
        else
        {
            interactTicks = 0;
        }
        pickupId = pickup->id;
    }
    else
    {
        interaction = FindNearest(world.interactionGrid, center, reach,
                                  [](const Interaction& candidate) { return candidate.interactAction != nullptr; });
        if (interaction && interaction->id == interactionId && interactHeld && interactReady)
        {
            if (++interactTicks >= InteractTicks)
            {
                interactReady = false;
                if (interaction->data)
                    GetContext().PlaySound(interaction->data->interact, interaction->GetBody().GetCenter(), {}, 1.0f);
                interaction->interactAction->Run(*this);
                pickupId = NoPickup;
                interactionId = static_cast<uint8_t>(interaction->id);
                return;
            }
        }
        else
        {
            interactTicks = 0;
        }
        pickupId = NoPickup;
    }
    interactionId = interaction ? static_cast<uint8_t>(interaction->id) : NoInteraction;
}

void Player::UpdatePredicted(float dt)
{
    UpdateHealth(dt);
    UpdateAim();
    UpdateWeaponPredicted();
    // Another machine's players fire where the server's states show their projectiles.
    if (IsLocal())
        TickWeapons(true);
    UpdateStates();
    if (input[PlayerAction::ToggleView])
        viewToggle = !viewToggle;
}

CameraFocus Player::GetCameraFocus() const
{
    CameraFocus focus;
    focus.aimDirection = aimDirection;
    float zoomModifier = modifiers[&Attributes::cameraZoom];
    if (pendingWeapon && pendingWeapon->data)
        zoomModifier += pendingWeapon->data->modifiers.cameraZoom;
    focus.cameraZoom = zoomModifier * baseAttributes.cameraZoom;
    // The zoom level the weapon in hand is at, else the one being picked up.
    for (const Weapon* candidate : {weapon.get(), pendingWeapon.get()})
        if (candidate && candidate->data && candidate->zoomIndex < candidate->data->zoomLevels.size())
        {
            focus.weaponZoom = candidate->data->zoomLevels[candidate->zoomIndex];
            break;
        }
    return focus;
}

void Player::UpdateHand()
{
    // Kept from running below zero while an item waits: 0 already moves it.
    handTimer = std::max(handTimer - 1, 0);
    if (handItem)
    {
        handState = ItemState::PickingUp;
        if (handTimer <= 0)
            CarryItem(std::move(handItem));
        return;
    }
    handState = weapon ? ItemState::Holding : ItemState::None;
    handTimer = DivideTicks(HandTicks, GetEffective(&Attributes::dexterity));
}

void Player::UpdateHeldItems(float dt)
{
    const bool drop = input[PlayerAction::Drop] != 0;
    if (handItem)
    {
        if (drop)
        {
            HideSprite(PlayerBone::LeftPickup);
            DropItem(handItem);
        }
        else
        {
            handItem->Update(dt);
        }
    }
    if (carriedItem)
    {
        if (drop)
        {
            HideSprite(PlayerBone::Item);
            DropItem(carriedItem);
        }
        else
        {
            carriedItem->Update(dt);
        }
    }
}

void Player::UpdateParts(float dt)
{
    // Toggling walks the parts in this order, from the one after the selected part round to it.
    const std::array<Part*, 4> cycle{core.get(), head.get(), legs.get(), arms.get()};
    const auto hasAbility = [](const Part* part) { return part && part->data && part->data->hasAbility; };
    if (abilityPart && input[PlayerAction::TogglePart])
    {
        const auto current = std::find(cycle.begin(), cycle.end(), abilityPart);
        const size_t start = current == cycle.end() ? 0 : static_cast<size_t>(current - cycle.begin());
        for (size_t step = 1; step <= cycle.size(); ++step)
        {
            Part* next = cycle[(start + step) % cycle.size()];
            if (hasAbility(next))
            {
                abilityPart = next;
                break;
            }
        }
    }
    const std::array<std::pair<PlayerAction, Part*>, 4> selections{{{PlayerAction::SelectHead, head.get()},
                                                                    {PlayerAction::SelectCore, core.get()},
                                                                    {PlayerAction::SelectArms, arms.get()},
                                                                    {PlayerAction::SelectLegs, legs.get()}}};
    for (const auto& [action, part] : selections)
        if (input[action] && hasAbility(part))
        {
            abilityPart = part;
            break;
        }

    const bool useHeld = input[PlayerAction::Use] && !IsDead();
    for (Part* part : {static_cast<Part*>(head.get()), static_cast<Part*>(core.get()), static_cast<Part*>(arms.get()),
                       static_cast<Part*>(legs.get())})
        if (part && part->data)
        {
            const bool isSelected = part == abilityPart;
            part->Update(dt, isSelected, isSelected && useHeld);
        }
}

void Player::UpdateStates()
{
    const float maximumHealth = GetEffective(&Attributes::maximumHealth);
    if (health <= 0.0f)
        healthState = HealthState::Dead;
    else if (health < 0.25f * maximumHealth)
        healthState = HealthState::Critical;
    else if (health < 0.75f * maximumHealth)
        healthState = HealthState::Wounded;
    else
        healthState = HealthState::Healthy;

    if (body.IsOnGround())
    {
        const bool facingRight = aimDirection.x >= 0.0f;
        if (input.move != 0)
        {
            const bool forward = (input.move > 0) == facingRight;
            const bool wall =
                body.GetContact(CollisionSide::Left).platform || body.GetContact(CollisionSide::Right).platform;
            if (wall)
                movementState = forward ? MovementState::WallForward : MovementState::WallBackward;
            else
                movementState = forward ? MovementState::MovingForward : MovementState::MovingBackward;
        }
        else
        {
            const PlayerContact& ground = body.GetContact(CollisionSide::Bottom);
            if (ground.support < LeaningSupport)
                movementState =
                    facingRight == ground.supportBehind ? MovementState::LeanBackward : MovementState::LeanForward;
            else
                movementState = MovementState::Idle;
        }
        airState = AirState::Grounded;
    }
    else
    {
        airState = body.falling ? AirState::Falling : AirState::Soaring;
    }

    if (listenerDevice && listener != NoListener)
        listenerDevice->SetListener(listener, {body.x, body.y + ListenerHeight}, body.velocity);
}

Player* CreatePlayerEntity(World& world, const PlayerPlacement& placement)
{
    if (placement.index >= World::PlayerCount || world.players[placement.index].present)
    {
        Lumvek::Log::Write("failed to create {}", "Player");
        return nullptr;
    }
    Player& player = world.players[placement.index];
    world.activePlayers.push_back(&player);
    player.index = placement.index;
    player.present = true;
    PlayerBody& body = player.body;
    body.world = &world;
    body.previousX = body.x = 0.0f;
    body.previousY = body.y = 0.0f;
    body.width = 0.5f;
    body.height = 1.0f;
    body.active = 0;
    body.Reset();
    body.owner = &player;
    player.visual = world.GetContext().headless ? nullptr : std::make_unique<PlayerRenderable>();
    if (!world.playerList.Insert(player))
    {
        Lumvek::Log::Write("failed to add {} to database", "Player");
        world.DropActivePlayer(player);
        return nullptr;
    }
    player.Reset();
    // A record used before keeps nothing of what the game mode knew of its last player.
    player.respawnPenalty = 0;
    player.leaderMarker = false;
    player.shotsFired = 0;
    player.awareness.clear();
    player.viewToggle = true;
    player.Spawn({placement.position.x, placement.position.y, 0.0f, 0.0f, 0.0f, placement.flipped, SpawnMask()});
    return &player;
}

namespace
{

// The pose of the character's skeleton on the player's rig: its built tree, or while none is built
// the tree its file gives.
void ResetPose(Bone& skeleton, const CharacterData* character)
{
    if (!character)
        return;
    if (!character->root.empty() && character->root.front())
    {
        skeleton.CopyRotations(*character->root.front());
    }
    else
    {
        const Lumvek::Blueprint& trees = character->skeleton;
        const Lumvek::Blueprint* tree =
            trees.GetType() == Lumvek::BlueprintType::Object ? trees.GetObject().Find("Root") : nullptr;
        if (!tree || tree->GetType() != Lumvek::BlueprintType::Object)
            return;
        Bone pose;
        Lumvek::BlueprintReader reader(*tree);
        pose.Read(reader);
        skeleton.CopyRotations(pose);
    }
    skeleton.MarkDirty();
}

// The loadout's weapon of that position (the configuration's when the slot has none), full, picked up
// by the player; null when neither names a weapon.
std::unique_ptr<Weapon> CreateLoadoutWeapon(Player& player, uint32_t Loadout::*position)
{
    GameContext& context = player.GetContext();
    if (!context.registry)
        return nullptr;
    uint32_t index = context.configuration.GetPlayer(player.index).loadout.*position;
    if (index == Loadout::None)
        index = context.configuration.loadout.*position;
    const WeaponData* definition = index == Loadout::None ? nullptr : context.registry->weapons.Get(index);
    if (!definition)
        return nullptr;
    std::unique_ptr<Weapon> weapon = CreateSpawnWeapon(*definition, Weapon::NoSpawn, Weapon::NoSpawn);
    weapon->OnPickedUp(player);
    return weapon;
}

// The loadout's secondary weapon goes into the holster, its starting weapon into the hand.
void HandOverLoadoutWeapons(Player& player)
{
    // What the player still held goes, a spawn without a death (the match's start) included.
    player.LetGoOfWeapons();
    player.StowWeapon(CreateLoadoutWeapon(player, &Loadout::secondaryWeapon));
    player.EquipWeapon(CreateLoadoutWeapon(player, &Loadout::startingWeapon), false);
}

} // namespace

void Player::Spawn(const SpawnPoint& point)
{
    aimDirection = point.flipped ? Vector2(-1.0f, 0.0f) : Vector2(1.0f, 0.0f);
    // A spawning player is not physical until its spawn-in ends, which gives it a box where it now is.
    if (body.physicsBody)
    {
        body.physicsBody->GetWorld()->DestroyBody(body.physicsBody);
        body.physicsBody = nullptr;
    }
    body.Reset({point.x, point.y}, point.flipped);
    ResetPose(body.skeleton, character);
    HandOverLoadoutWeapons(*this);
}
