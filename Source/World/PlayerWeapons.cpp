// The player's weapon state machine (reloading, switching, picking weapons up) and the operations that
// show weapons and items on the player's bones, move them between its slots and drop them back into
// the world.

#include "Source/Data/ItemData.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/AttributeDivisor.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/Item.h"
#include "Source/World/MatchRules.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

using Lumvek::InvalidId;
using Lumvek::Vector2;

namespace
{

constexpr float Pi = 180.0f * 0.017453292f;
// A reload is two steps: the clip goes in after this share of the reload time, and the rest is
// finishing.
constexpr float ReloadShare = 0.66f;
constexpr float FinishShare = 0.34f;
// Dropped weapons and their empty shells are drawn like pickups.
constexpr float DroppedDepth = 75.0f;

// Where the bone's pivot lies in the world.
Vector2 BoneWorldPosition(Bone& bone)
{
    return bone.GetWorldTransform().TransformPoint(bone.offset);
}

// The weapon's time over the effective Dexterity; the unrounded share of a reload goes through this
// first, so only the count that is kept is clamped.
int32_t WeaponTicks(Lumvek::Duration time, float dexterity, int32_t maximum = MaximumTimerTicks)
{
    return DivideTicks(static_cast<float>(time.ticks), dexterity, maximum);
}

int32_t ReloadTicks(const Weapon* weapon, float dexterity, float share)
{
    if (!weapon || !weapon->data)
        return 0;
    return RoundTicks(
        static_cast<float>(WeaponTicks(weapon->data->reloadTime, dexterity, std::numeric_limits<int32_t>::max())) *
        share);
}

} // namespace

void Player::SetWeaponState(WeaponState state)
{
    weaponState = state;
    const float dexterity = GetEffective(&Attributes::dexterity);
    switch (state)
    {
    case WeaponState::None:
    case WeaponState::Aiming:
        weaponTimer = 0;
        break;
    case WeaponState::Reloading:
        weaponTimer = ReloadTicks(weapon.get(), dexterity, ReloadShare);
        break;
    case WeaponState::FinishingReload:
        weaponTimer = ReloadTicks(weapon.get(), dexterity, FinishShare);
        break;
    case WeaponState::PuttingAway:
        weaponTimer = weapon && weapon->data ? WeaponTicks(weapon->data->putAwayTime, dexterity) : 0;
        break;
    case WeaponState::TakingOut:
        weaponTimer = weapon && weapon->data ? WeaponTicks(weapon->data->takeOutTime, dexterity) : 0;
        break;
    case WeaponState::PickingUp:
        weaponTimer = pendingWeapon && pendingWeapon->data
                          ? std::min(WeaponTicks(pendingWeapon->data->putAwayTime, dexterity) +
                                         WeaponTicks(pendingWeapon->data->takeOutTime, dexterity),
                                     MaximumTimerTicks)
                          : 0;
        break;
    default:
        break;
    }
}

void Player::UpdateWeapon()
{
    StepWeaponState(false);
    TickWeapons(false);
}

void Player::TickWeapons(bool predicted)
{
    if (pendingWeapon)
        pendingWeapon->ReleaseButtons();
    if (stowedWeapon)
        stowedWeapon->ReleaseButtons();
    if (!weapon)
        return;
    if (weaponState != WeaponState::Aiming)
        weapon->ReleaseButtons();
    else if (predicted)
        weapon->UpdatePredicted(input[PlayerAction::Primary], input[PlayerAction::Secondary],
                                input[PlayerAction::Scope]);
    else
        weapon->Update(input[PlayerAction::Primary], input[PlayerAction::Secondary], input[PlayerAction::Scope]);
}

void Player::UpdateWeaponPredicted()
{
    StepWeaponState(true);
}

void Player::StepWeaponState(bool predicted)
{
    weaponTimer = std::max(weaponTimer - 1, 0);
    GameContext& context = GetContext();
    const Vector2 position(body.x, body.y);

    if (pendingWeapon)
    {
        if (weaponState != WeaponState::PuttingAway && weaponState != WeaponState::PickingUp)
        {
            context.PlaySound(Sounds::PickUpWeapon, position, body.velocity, 1.0f);
            const bool handsFull = weapon && stowedWeapon;
            SetWeaponState(weapon && !stowedWeapon ? WeaponState::PuttingAway : WeaponState::PickingUp);
            // With both slots taken the weapon in hand makes room at once.
            if (handsFull && !predicted)
            {
                weapon->PutAway();
                HideSprite(PlayerBone::Weapon);
                DropWeapon(weapon);
            }
            return;
        }
        if (predicted || weaponTimer > 0)
            return;
        if (weaponState == WeaponState::PuttingAway && weapon)
        {
            weapon->PutAway();
            StowWeapon(std::move(weapon));
        }
        EquipWeapon(std::move(pendingWeapon), false);
        SetWeaponState(WeaponState::TakingOut);
        return;
    }

    if (!weapon)
    {
        SetWeaponState(WeaponState::None);
        return;
    }

    switch (weaponState)
    {
    case WeaponState::None:
        SetWeaponState(WeaponState::Aiming);
        break;
    case WeaponState::Aiming:
        if (input[PlayerAction::Reload] && weapon->CanReload())
        {
            SetWeaponState(WeaponState::Reloading);
        }
        else if (input[PlayerAction::SwitchWeapon] && stowedWeapon)
        {
            context.PlaySound(Sounds::PutAwaySound, position, body.velocity, 1.0f);
            SetWeaponState(WeaponState::PuttingAway);
        }
        break;
    case WeaponState::Reloading:
        if (weaponTimer == 0)
        {
            weapon->Reload();
            SetWeaponState(WeaponState::FinishingReload);
        }
        break;
    case WeaponState::FinishingReload:
        if (weaponTimer == 0)
            SetWeaponState(WeaponState::Aiming);
        break;
    case WeaponState::PuttingAway:
        if (weaponTimer > 0)
            break;
        if (!stowedWeapon)
        {
            SetWeaponState(WeaponState::Aiming);
            break;
        }
        {
            weapon->PutAway();
            stowedWeapon->OnUnstowed();
            std::unique_ptr<Weapon> putAway = std::move(weapon);
            std::unique_ptr<Weapon> takenOut = std::move(stowedWeapon);
            StowWeapon(std::move(putAway));
            EquipWeapon(std::move(takenOut), true);
            SetWeaponState(WeaponState::TakingOut);
        }
        break;
    case WeaponState::TakingOut:
        if (weaponTimer == 0)
        {
            context.PlaySound(Sounds::TakeOutSound, position, body.velocity, 1.0f);
            SetWeaponState(WeaponState::Aiming);
        }
        break;
    default:
        SetWeaponState(WeaponState::Aiming);
        break;
    }
}

void Player::ShowSprite(PlayerBone which, uint32_t region, Vector2 offset, Vector2 size)
{
    Bone* bone = body.GetBone(which);
    if (!bone)
        return;
    bone->drawRegion = bone->region = region;
    bone->offset = offset;
    bone->scale = Vector2(std::copysign(size.x, bone->scale.x), std::copysign(size.y, bone->scale.y));
    bone->MarkDirty();
}

void Player::HideSprite(PlayerBone which)
{
    Bone* bone = body.GetBone(which);
    if (!bone)
        return;
    bone->drawRegion = bone->region = InvalidId;
    bone->MarkDirty();
}

namespace
{

// A pickup chain's root goes where the object lay, turned as it lay, mirrored when facing left.
void PlaceChain(Bone* root, Vector2 position, float angle, bool facingLeft)
{
    if (!root)
        return;
    root->position = position;
    root->rotation = angle;
    if ((root->scale.y < 0.0f) != facingLeft)
        root->scale.y = -root->scale.y;
    root->MarkDirty();
}

} // namespace

void Player::HoldItem(std::unique_ptr<Item> item, Vector2 position, float angle, bool facingLeft)
{
    if (!item)
        return;
    PlaceChain(body.GetBone(PlayerBone::LeftPickup), position, angle, facingLeft);
    item->PickUp(*this);
    if (item->data)
        ShowSprite(PlayerBone::LeftPickup, item->data->image, item->data->offset, item->data->size);
    handItem = std::move(item);
}

void Player::HoldWeapon(std::unique_ptr<Weapon> newWeapon, Vector2 position, float angle, bool facingLeft)
{
    if (!newWeapon)
        return;
    PlaceChain(body.GetBone(PlayerBone::RightPickup), position, angle, facingLeft);
    newWeapon->OnPickedUp(*this);
    if (newWeapon->data)
        ShowSprite(PlayerBone::RightPickup, newWeapon->data->image, newWeapon->data->offset, newWeapon->data->size);
    pendingWeapon = std::move(newWeapon);
}

void Player::CarryItem(std::unique_ptr<Item> item)
{
    if (!item)
        return;
    HideSprite(PlayerBone::LeftPickup);
    if (item->data)
        ShowSprite(PlayerBone::Item, item->data->image, item->data->offset, item->data->size);
    carriedItem = std::move(item);
}

void Player::EquipWeapon(std::unique_ptr<Weapon> newWeapon, bool fromStowed)
{
    if (!newWeapon)
        return;
    if (!fromStowed)
        HideSprite(PlayerBone::RightPickup);
    if (const WeaponData* data = newWeapon->data)
    {
        ShowSprite(PlayerBone::Weapon, data->image, data->offset, fromStowed ? data->stowedSize : data->size);
        if (Bone* muzzle = body.GetBone(PlayerBone::Muzzle))
        {
            muzzle->position = data->muzzleOffset;
            muzzle->MarkDirty();
        }
    }
    weapon = std::move(newWeapon);
    weapon->TakeOut();
}

void Player::StowWeapon(std::unique_ptr<Weapon> newWeapon)
{
    if (!newWeapon)
        return;
    if (const WeaponData* data = newWeapon->data)
        ShowSprite(PlayerBone::Holster, data->image, data->offset, data->stowedSize);
    stowedWeapon = std::move(newWeapon);
    stowedWeapon->OnStowed();
}

void Player::DropItem(std::unique_ptr<Item>& slot)
{
    if (!slot)
        return;
    std::unique_ptr<Item> item = std::move(slot);
    item->Release();
    Bone* bone = body.GetBone(PlayerBone::Item);
    const Vector2 point = bone ? BoneWorldPosition(*bone) : body.GetCenter();
    const bool rotatable = item->data && item->data->rotatable;
    const float angle = rotatable && bone ? bone->GetWorldRotation() : 0.0f;
    const SpawnPoint placement{point.x, point.y, 0.0f, 0.0f, 0.0f, IsFacingLeft(), SpawnMask()};
    body.world->PlaceItem(std::move(item), placement, angle, body.velocity, rotatable);
}

void Player::LetGoOfWeapons()
{
    MatchRules* rules = GetContext().GetMatchRules();
    if (weapon)
        weapon->PutAway();
    for (std::unique_ptr<Weapon>* slot : {&weapon, &stowedWeapon, &pendingWeapon})
    {
        if (!*slot)
            continue;
        (*slot)->OnDropped();
        if (rules)
            rules->QueueWeaponSpawn(std::move(*slot));
        slot->reset();
    }
}

void Player::DropWeapon(std::unique_ptr<Weapon>& slot)
{
    if (!slot)
        return;
    std::unique_ptr<Weapon> dropped = std::move(slot);
    dropped->OnDropped();
    World& world = *body.world;
    Bone* bone = body.GetBone(PlayerBone::Weapon);
    const Vector2 point = bone ? BoneWorldPosition(*bone) : body.GetCenter();
    const float rotation = bone ? bone->GetWorldRotation() : 0.0f;
    const bool facingLeft = IsFacingLeft();
    MatchRules* rules = GetContext().GetMatchRules();
    if (dropped->clip == 0 && dropped->reserve == 0)
    {
        // An empty weapon is of no use to anybody: its shell falls and fades, and the weapon itself
        // goes back to the spawn it came from.
        if (const WeaponData* data = dropped->data)
            if (Visual* shell = CreateVisualEntity(
                    world, point, data->size, data->offset, facingLeft ? WrapAngle(Pi - rotation) : rotation,
                    DroppedDepth, false, facingLeft, data->image, InvalidId, InvalidId, DroppedWeaponTicks, 1, 0);
                shell && shell->image)
            {
                shell->image->depth = DroppedDepth;
                shell->image->layer = VisualLayer::Remains;
            }
    }
    else
    {
        const SpawnPoint placement{point.x, point.y, 0.0f, 0.0f, 0.0f, facingLeft, SpawnMask()};
        CreateWeaponPickupEntity(world, placement, rotation, body.velocity, true, dropped, DroppedWeaponTicks, 1);
    }
    // What could not be laid down goes back to its spawn, or is gone when it has none.
    if (dropped && rules)
        rules->QueueWeaponSpawn(std::move(dropped));
}

void Player::TakeAmmo(Weapon& source, Weapon& target)
{
    if (!target.data)
        return;
    const uint32_t maximum = target.data->maxAmmo;
    // A reserve already at or above MaxAmmo (a file may give more by default) takes nothing and keeps
    // what it has.
    if (target.reserve >= maximum)
        return;
    const uint32_t room = maximum - target.reserve;
    const uint64_t available = static_cast<uint64_t>(source.clip) + source.reserve;
    uint32_t taken = 0;
    if (available <= room)
    {
        taken = static_cast<uint32_t>(available);
        target.reserve += taken;
        source.clip = 0;
        source.reserve = 0;
    }
    else
    {
        taken = room;
        target.reserve = maximum;
        const uint32_t fromReserve = std::min(room, source.reserve);
        source.reserve -= fromReserve;
        source.clip -= room - fromReserve;
    }
    if (taken == 0)
        return;
    GameContext& context = GetContext();
    context.PlaySound(Sounds::PickUpAmmo, {body.x, body.y}, body.velocity, 1.0f);
    if (context.GetMatchRules())
        context.GetMatchRules()->NoticeAmmoPickedUp(*this, taken, target.data->index);
}
