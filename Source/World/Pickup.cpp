// Weapons and objective items lying in the world: their tick and lifetime, what a player walking over
// them may take, the ammunition they hand over, and where their content goes when they end. Also the
// world's keeping of items no pickup could be made for.

#include "Engine/Foundation/Log.h"
#include "Source/Data/ItemData.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/Entities.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/Item.h"
#include "Source/World/MatchEvents.h"
#include "Source/World/MatchRules.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"

#include <utility>

using Lumvek::InvalidId;
using Lumvek::Vector2;

namespace
{

// Drawn like the pickup it copies.
constexpr float PickupDepth = 75.0f;

} // namespace

void Pickup::Update(float dt)
{
    if (weapon)
        weapon->ReleaseButtons();
    if (item)
        item->Update(dt);
    if (lifetime < 0)
        return;
    --lifetime;
    if (lifetime > 0)
        return;
    if (fade)
        CreateFadeVisual();
    End();
}

void Pickup::CreateFadeVisual()
{
    World& world = *body->world;
    uint32_t region = InvalidId;
    if (weapon && weapon->data)
        region = weapon->data->image;
    else if (item && item->data)
        region = item->data->image;
    // Fades out through its erase animation as soon as its one tick is over.
    if (Visual* visual = CreateVisualEntity(world, {body->x, body->y}, {body->width, body->height},
                                            {body->pivotX, body->pivotY}, body->rotation, PickupDepth, body->flipX,
                                            body->flipY, region, InvalidId, InvalidId, 1, 1, 0))
        if (visual->image)
        {
            visual->image->depth = PickupDepth;
            visual->image->layer = VisualLayer::Remains;
        }
}

void Pickup::End()
{
    World& world = *body->world;
    if (MatchEvents* events = world.GetContext().events)
        events->SendPickupRemoved(id, weapon || item);
    if (weapon)
    {
        // QueueWeaponSpawn drops a weapon that came from no spawn.
        if (MatchRules* rules = world.GetContext().GetMatchRules())
            rules->QueueWeaponSpawn(std::move(weapon));
        weapon.reset();
    }
    if (item)
        world.ReturnItem(std::move(item));
    world.RemovePickup(*this);
}

bool Pickup::CanInteract(Player& player)
{
    if (!weapon)
    {
        if (!item)
            return true;
        if (player.handItem || player.carriedItem)
            return false;
        return item->CanPickUp(player);
    }
    Weapon* held = nullptr;
    if (player.weapon && player.weapon->data == weapon->data)
        held = player.weapon.get();
    else if (player.stowedWeapon && player.stowedWeapon->data == weapon->data)
        held = player.stowedWeapon.get();
    if (!held)
        return true;
    // A player never holds two of a kind: the pickup tops the one held up instead.
    player.TakeAmmo(*weapon, *held);
    if (weapon->clip > 0 || weapon->reserve > 0)
        return false;
    CreateFadeVisual();
    End();
    return false;
}

void Pickup::GiveTo(Player& player)
{
    if (!body->active)
        return;
    World& world = *body->world;
    const Vector2 position(body->x, body->y);
    if (weapon)
    {
        if ((player.weaponState != WeaponState::None && player.weaponState != WeaponState::Aiming) ||
            player.pendingWeapon)
            return;
        const WeaponData* data = weapon->data;
        player.HoldWeapon(std::move(weapon), position, body->rotation, body->flipY);
        if (MatchRules* rules = world.GetContext().GetMatchRules(); rules && data)
            rules->NoticeWeaponPickedUp(player, data->index);
        if (MatchEvents* events = world.GetContext().events)
            events->SendPickupRemoved(id, true);
        world.RemovePickup(*this);
    }
    else if (item)
    {
        if (player.handItem || player.carriedItem)
            return;
        Item& taken = *item;
        player.HoldItem(std::move(item), position, body->rotation, body->flipY);
        taken.OnTaken();
        if (MatchEvents* events = world.GetContext().events)
            events->SendPickupRemoved(id, true);
        world.RemovePickup(*this);
    }
}

namespace
{

// With every pickup in use no pickup can be made, and trying would only log the failure again.
bool HasFreePickup(const World& world)
{
    return world.pickups.Count() < decltype(world.pickups)::Capacity;
}

} // namespace

void World::PlaceItem(std::unique_ptr<Item> item, const SpawnPoint& placement, float angle, Vector2 velocity,
                      bool rotates)
{
    if (!item)
        return;
    if (HasFreePickup(*this))
        CreatePickupEntity(*this, placement, angle, velocity, rotates, item, -1);
    if (item)
        ReturnItem(std::move(item));
}

void World::ReturnItem(std::unique_ptr<Item> item)
{
    if (!item)
        return;
    if (context.GetMatchRules() && HasFreePickup(*this))
        context.GetMatchRules()->ReturnItem(item);
    if (!item)
        return;
    Lumvek::Log::Write("no pickup could be made for the {}: it waits until one can",
                       item->data ? Lumvek::StringView(item->data->name) : Lumvek::StringView("item"));
    unplacedItems.push_back(std::move(item));
}

void World::PlaceUnplacedItems()
{
    for (size_t i = 0; i < unplacedItems.size() && context.GetMatchRules() && HasFreePickup(*this);)
    {
        context.GetMatchRules()->ReturnItem(unplacedItems[i]);
        if (unplacedItems[i])
            ++i;
        else
            unplacedItems.erase(unplacedItems.begin() + static_cast<std::ptrdiff_t>(i));
    }
}
