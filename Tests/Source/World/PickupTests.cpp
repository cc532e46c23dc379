#include "Source/Data/NamedAssets.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/Entities.h"
#include "Source/World/HitInfo.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/World/WeaponTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

using Lumvek::Vector2;
using WeaponTesting::GroundMap;
using WeaponTesting::Match;
using WeaponTesting::PlatformMapWithSpawn;
using WeaponTesting::TestFlag;
using WeaponTesting::TestToken;

namespace
{

std::unique_ptr<WeaponData> MakePickupWeapon(uint32_t maxAmmo)
{
    auto definition = std::make_unique<WeaponData>();
    definition->name = "TestGun";
    definition->maxAmmo = maxAmmo;
    definition->clipSize = 10;
    definition->size = Vector2(0.8f, 0.3f);
    definition->image = Lumvek::NameTableA().Add("PickupTestsGun");
    definition->shape = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
    return definition;
}

// A pickup holding the item, lying at the position.
Pickup* LayDown(World& world, std::unique_ptr<Item> item, Vector2 position)
{
    const SpawnPoint point{position.x, position.y, 0.0f, 0.0f, 0.0f, false, SpawnMask()};
    return CreatePickupEntity(world, point, 0.0f, {}, false, item, -1);
}

// One tick of the player's interaction with the interact button as given.
void Interact(Player& player, bool held)
{
    player.input[PlayerAction::Interact] = held;
    player.UpdateInteraction();
}

} // namespace

// Walking over a weapon of a kind the player holds tops its reserve up to MaxAmmo and never takes a
// second one; the emptied pickup goes, leaving a fading copy.
TEST(Pickup, AWeaponOfAKindHeldOnlyTopsTheReserveUp)
{
    Match match;
    World& world = match.LoadText(GroundMap);
    Player& player = match.AddPlayer({10.0f, 2.0f});
    const auto definition = MakePickupWeapon(30);
    Weapon& held = Match::Arm(player, Match::MakeWeapon(*definition, 10, 25));
    Pickup* pickup = match.LayDown(Match::MakeWeapon(*definition, 6, 4), player.body.GetCenter());
    ASSERT_NE(pickup, nullptr);

    for (int tick = 0; tick < 20; ++tick)
        Interact(player, true);
    EXPECT_EQ(held.reserve, 30u);
    EXPECT_EQ(std::tie(pickup->weapon->clip, pickup->weapon->reserve), std::make_tuple(5u, 0u));
    EXPECT_TRUE(pickup->body->active);
    EXPECT_EQ(player.pendingWeapon, nullptr);
    EXPECT_EQ(match.CountSounds(Sounds::PickUpAmmo), 1u);
    ASSERT_EQ(match.rules->GetStatus(0).kind, match.rules->GetSharedKinds().pickedUpAmmo);
    EXPECT_EQ(match.rules->GetStatus(0).a, 5u);

    held.reserve = 0;
    const uint32_t visuals = world.visuals.Count();
    Interact(player, false);
    EXPECT_EQ(held.reserve, 5u);
    EXPECT_FALSE(pickup->body->active);
    EXPECT_EQ(world.visuals.Count(), visuals + 1);
    match.Step();
    EXPECT_EQ(world.pickups.Count(), 0u);
    // The copy is scribbled out, a second as the frames run it back, before it goes.
    int ticks = 0;
    for (; ticks < 600 && world.visuals.Count() > visuals; ++ticks)
    {
        ImageInstance& copy = *world.visuals.View()[visuals].image;
        EXPECT_TRUE(copy.erasing && copy.erasePattern == Images::Erase1 && copy.region == definition->image);
        copy.elapsed -= Lumvek::TickSeconds;
        match.Step();
    }
    EXPECT_NEAR(ticks, 60, 1);
}

TEST(Pickup, ALifetimeOfMinusOneNeverEndsAndOneEndsAtTheFirstUpdate)
{
    for (const int32_t lifetime : {-1, 1, 3})
    {
        Match match;
        match.LoadText(GroundMap);
        Pickup* pickup = match.LayDown(Match::MakeWeapon(match.Definition("Rifle"), 1, 0), {10.0f, 3.0f}, lifetime);
        ASSERT_NE(pickup, nullptr);
        int32_t updates = 0;
        while (pickup->body->active && updates < 1000)
        {
            pickup->Update(Lumvek::TickSeconds);
            ++updates;
        }
        EXPECT_EQ(updates, lifetime < 0 ? 1000 : lifetime);
    }
}

// An expiring weapon from a weapon spawn goes back to it; one without a spawn is gone.
TEST(Pickup, AnExpiredWeaponGoesBackToItsSpawnOrIsGone)
{
    for (const uint32_t slot : {Weapon::NoSpawn, 1u})
    {
        Match match;
        match.LoadText(GroundMap);
        match.configuration.weapons[1] = {match.Definition("Shotgun").index, 15};
        std::unique_ptr<Weapon> weapon = Match::MakeWeapon(match.Definition("Shotgun"), 1, 0);
        weapon->spawnSlot = slot;
        weapon->spawnNumber = 0;
        Pickup* pickup = match.LayDown(std::move(weapon), {10.0f, 3.0f}, 1);
        ASSERT_NE(pickup, nullptr);
        pickup->Update(Lumvek::TickSeconds);
        EXPECT_FALSE(pickup->body->active);
        EXPECT_EQ(match.rules->GetWeaponRespawns().size(), slot == Weapon::NoSpawn ? 0u : 1u);
    }
}

// A player holding or carrying an item takes no other; a team's flag is not for its own players.
TEST(Pickup, AnItemIsForThoseWhoHoldNoneAndMayTakeIt)
{
    Match match;
    World& world = match.LoadText(GroundMap);
    Player& red = match.AddPlayer({10.0f, 2.0f}, 0);
    Player& blue = match.AddPlayer({12.0f, 2.0f}, 1);
    Pickup* token = LayDown(world, match.MakeItem("Token"), {20.0f, 3.0f});
    auto flag = match.MakeItem<TestFlag>("RedFlag");
    flag->team = 0;
    Pickup* redFlag = LayDown(world, std::move(flag), {25.0f, 3.0f});
    ASSERT_TRUE(token && redFlag);
    EXPECT_TRUE(token->CanInteract(red));
    EXPECT_FALSE(redFlag->CanInteract(red));
    EXPECT_TRUE(redFlag->CanInteract(blue));

    redFlag->GiveTo(blue);
    EXPECT_NE(blue.handItem, nullptr);
    EXPECT_EQ(blue.handItem->holder, &blue);
    EXPECT_FALSE(token->CanInteract(blue));
    blue.CarryItem(std::move(blue.handItem));
    EXPECT_FALSE(token->CanInteract(blue));
    token->GiveTo(blue);
    EXPECT_TRUE(token->body->active);
}

// Interact must be held 15 ticks on one pickup to take it, and let go before the next is taken.
TEST(Pickup, InteractHeldFifteenTicksTakesOnePickupAndTheNextNeedsARelease)
{
    Match match;
    World& world = match.LoadText(GroundMap);
    Player& player = match.AddPlayer({10.0f, 2.0f});
    const Vector2 center = player.body.GetCenter();
    Pickup* near = match.LayDown(Match::MakeWeapon(match.Definition("Rifle"), 5, 0), center + Vector2(-0.2f, -0.1f));
    Pickup* next = match.LayDown(Match::MakeWeapon(match.Definition("Shotgun"), 5, 0), center + Vector2(0.6f, -0.1f));
    ASSERT_TRUE(near && next);
    const Weapon* nearWeapon = near->weapon.get();

    Interact(player, false);
    EXPECT_EQ(player.pickupId, near->id);
    for (int tick = 0; tick < 14; ++tick)
        Interact(player, true);
    EXPECT_TRUE(near->body->active);
    Interact(player, true);
    EXPECT_FALSE(near->body->active);
    EXPECT_EQ(player.pendingWeapon.get(), nearWeapon);
    ASSERT_EQ(match.rules->GetStatus(0).kind, match.rules->GetSharedKinds().pickedUpWeapon);
    EXPECT_EQ(match.rules->GetStatus(0).a, match.Definition("Rifle").index);

    // As though the weapon were in hand already: the next pickup waits for a new press.
    player.pendingWeapon.reset();
    for (int tick = 0; tick < 30; ++tick)
        Interact(player, true);
    EXPECT_TRUE(next->body->active);
    Interact(player, false);
    for (int tick = 0; tick < 15; ++tick)
        Interact(player, true);
    EXPECT_FALSE(next->body->active);
    match.Step();
    EXPECT_EQ(world.pickups.Count(), 0u);
}

// An item no pickup can be made for waits, with one message, and is returned to the mode's points as
// soon as a pickup is free: with every pickup in use it appears on the tick after one is freed. One
// dropped outside the world goes straight back to the mode's points.
TEST(Pickup, AnItemNoPickupCanBeMadeForWaitsUntilOneCan)
{
    Match match;
    World& world = match.LoadText(GroundMap);
    Player& player = match.AddPlayer({10.0f, 2.0f});
    while (world.pickups.Count() < decltype(world.pickups)::Capacity)
        ASSERT_NE(match.LayDown(Match::MakeWeapon(match.Definition("Rifle"), 1, 0),
                                {1.0f + 0.5f * static_cast<float>(world.pickups.Count()), 3.0f}),
                  nullptr);
    std::unique_ptr<Item> token = match.MakeItem("Token");
    const Item* item = token.get();
    player.carriedItem = std::move(token);
    Lumvek::Testing::LogCapture log;
    player.DropItem(player.carriedItem);
    EXPECT_EQ(player.carriedItem, nullptr);
    ASSERT_EQ(world.GetUnplacedItems().size(), 1u);
    EXPECT_EQ(world.GetUnplacedItems()[0].get(), item);
    EXPECT_EQ(log.messages.size(), 1u);
    match.Step(3);
    EXPECT_EQ(world.GetUnplacedItems().size(), 1u);

    world.RemovePickup(world.pickups.View()[0]);
    match.Step();
    EXPECT_EQ(world.GetUnplacedItems().size(), 1u);
    match.Step();
    EXPECT_TRUE(world.GetUnplacedItems().empty());
    const Pickup* placed = nullptr;
    for (const Pickup& pickup : world.pickups.View())
        if (pickup.item.get() == item)
            placed = &pickup;
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(Vector2(placed->body->x, placed->body->y), Vector2(20.0f, 10.0f));
    EXPECT_EQ(log.messages.size(), 1u);

    // Dropped far outside the world, the item is brought back at once.
    world.RemovePickup(world.pickups.View()[0]);
    match.Step();
    player.carriedItem = match.MakeItem("Token");
    player.body.Reset({500.0f, 2.0f}, false);
    player.DropItem(player.carriedItem);
    EXPECT_TRUE(world.GetUnplacedItems().empty());
    EXPECT_TRUE(log.Logged("failed to add Pickup to database"));
}

// A killed player lets go of everything it held: the item on its body and the one on its way into
// its hand both lie where it fell, and it comes back with neither.
TEST(Pickup, AKilledPlayerDropsTheItemsItHeld)
{
    Match match;
    World& world = match.LoadText(GroundMap);
    Player& player = match.AddPlayer({10.0f, 2.0f});
    player.carriedItem = match.MakeItem("Token");
    player.HoldItem(match.MakeItem<TestFlag>("BlueFlag"), {10.0f, 3.0f}, 0.0f, false);
    const Item* carried = player.carriedItem.get();
    const Item* inHand = player.handItem.get();
    HitInfo hit;
    match.rules->KillPlayer(player, hit);
    EXPECT_EQ(player.carriedItem, nullptr);
    EXPECT_EQ(player.handItem, nullptr);
    ASSERT_EQ(world.pickups.Count(), 2u);
    for (const Pickup& pickup : world.pickups.View())
    {
        EXPECT_TRUE(pickup.item.get() == carried || pickup.item.get() == inHand);
        EXPECT_EQ(pickup.item->holder, nullptr);
        EXPECT_EQ(pickup.lifetime, -1);
    }
}
