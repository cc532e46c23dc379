#include "Source/Data/NamedAssets.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/HitInfo.h"
#include "Source/World/IkAnimation.h"
#include "Source/World/Player.h"
#include "Tests/Source/World/WeaponTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <tuple>

using Lumvek::Vector2;
using WeaponTesting::Match;
using WeaponTesting::PlatformMapWithSpawn;

namespace
{

const char* const NamedGround = R"({"Name": "Ground", "Position": "0 0", "Size": "40 2"})";

// A definition of our own making with the given times in ticks.
std::unique_ptr<WeaponData> MakeTimedWeapon(const Match& match, uint32_t reload = 60, uint32_t putAway = 12,
                                            uint32_t takeOut = 12)
{
    auto definition = std::make_unique<WeaponData>();
    definition->name = "TestGun";
    definition->reloadTime.ticks = reload;
    definition->putAwayTime.ticks = putAway;
    definition->takeOutTime.ticks = takeOut;
    definition->clipSize = 10;
    definition->maxAmmo = 40;
    definition->size = Vector2(0.8f, 0.3f);
    definition->stowedSize = Vector2(0.6f, 0.2f);
    definition->offset = Vector2(0.3f, 0.4f);
    definition->projectile = match.ownRegistry.projectiles.Find("Bullet");
    return definition;
}

// Ticks of the weapon update until the state changes.
int32_t TicksIn(Player& player, WeaponState state)
{
    int32_t ticks = 0;
    while (player.weaponState == state && ticks < 10000)
    {
        player.UpdateWeapon();
        ++ticks;
    }
    return ticks;
}

Vector2 ShownSize(const Player& player, PlayerBone bone)
{
    const Bone& shown = *player.body.GetBone(bone);
    return Vector2(std::fabs(shown.scale.x), std::fabs(shown.scale.y));
}

} // namespace

// A reload puts the rounds in after 0.66 of its time over Dexterity and finishes after the rest; a
// Dexterity modified to nothing counts as 0.1, and no timer runs past what the wire carries.
TEST(PlayerWeapon, AReloadTakesItsTimeOverDexterityInTwoSteps)
{
    const struct
    {
        float dexterity;
        uint32_t reload;
        int32_t reloading, finishing;
    } cases[] = {{2.0f, 60, 20, 10}, {1.0f, 60, 40, 20}, {0.0f, 60, 396, 204}, {-1.0f, 2000, 511, 511}};
    for (const auto& c : cases)
    {
        Match match;
        match.LoadText(PlatformMapWithSpawn(""));
        Player& player = match.AddPlayer({10.0f, 5.0f});
        player.modifiers.Multiply(&Attributes::dexterity, c.dexterity);
        const auto definition = MakeTimedWeapon(match, c.reload);
        Weapon& weapon = Match::Arm(player, Match::MakeWeapon(*definition, 3, 20));
        player.input[PlayerAction::Reload] = 1;
        player.UpdateWeapon();
        player.input[PlayerAction::Reload] = 0;
        ASSERT_EQ(player.weaponState, WeaponState::Reloading);
        EXPECT_EQ(player.weaponTimer, c.reloading) << c.dexterity;
        EXPECT_EQ(TicksIn(player, WeaponState::Reloading), c.reloading);
        EXPECT_EQ(std::tie(weapon.clip, weapon.reserve), std::make_tuple(10u, 13u));
        ASSERT_EQ(player.weaponState, WeaponState::FinishingReload);
        EXPECT_EQ(player.weaponTimer, c.finishing) << c.dexterity;
        EXPECT_EQ(TicksIn(player, WeaponState::FinishingReload), c.finishing);
        EXPECT_EQ(player.weaponState, WeaponState::Aiming);
    }
}

// Picking a weapon up with one in hand and the holster free puts the one in hand away first, into
// the holster.
TEST(PlayerWeapon, APickUpPutsTheWeaponInHandAwayFirst)
{
    Match match;
    match.LoadText(PlatformMapWithSpawn(NamedGround));
    Player& player = match.AddPlayer({10.0f, 2.0f});
    const auto first = MakeTimedWeapon(match, 60, 12, 12);
    const auto second = MakeTimedWeapon(match, 60, 6, 9);
    Weapon& old = Match::Arm(player, Match::MakeWeapon(*first, 5, 5));
    std::unique_ptr<Weapon> taken = Match::MakeWeapon(*second, 5, 5);
    Weapon& fresh = *taken;
    player.HoldWeapon(std::move(taken), {11.0f, 2.0f}, 0.0f, false);
    EXPECT_EQ(fresh.owner, &player);

    player.UpdateWeapon();
    EXPECT_EQ(player.weaponState, WeaponState::PuttingAway);
    EXPECT_EQ(match.CountSounds(Sounds::PickUpWeapon), 1u);
    EXPECT_EQ(TicksIn(player, WeaponState::PuttingAway), 12);
    EXPECT_EQ(player.weapon.get(), &fresh);
    EXPECT_EQ(player.stowedWeapon.get(), &old);
    EXPECT_EQ(player.pendingWeapon, nullptr);
    EXPECT_EQ(TicksIn(player, WeaponState::TakingOut), 9);
    EXPECT_EQ(player.weaponState, WeaponState::Aiming);
    EXPECT_EQ(match.CountSounds(Sounds::TakeOutSound), 1u);
}

// With both slots taken, the weapon in hand falls at once and the new one comes into the hand after
// its put-away and take-out times.
TEST(PlayerWeapon, APickUpWithBothSlotsTakenDropsTheWeaponInHandAtOnce)
{
    Match match;
    World& world = match.LoadText(PlatformMapWithSpawn(NamedGround));
    Player& player = match.AddPlayer({10.0f, 2.0f});
    const auto definition = MakeTimedWeapon(match, 60, 6, 9);
    Weapon& old = Match::Arm(player, Match::MakeWeapon(*definition, 5, 5));
    player.StowWeapon(Match::MakeWeapon(*definition, 5, 5));
    Weapon* stowed = player.stowedWeapon.get();
    std::unique_ptr<Weapon> taken = Match::MakeWeapon(*definition, 5, 5);
    Weapon& fresh = *taken;
    player.HoldWeapon(std::move(taken), {11.0f, 2.0f}, 0.0f, false);

    player.UpdateWeapon();
    EXPECT_EQ(player.weaponState, WeaponState::PickingUp);
    EXPECT_EQ(player.weapon, nullptr);
    ASSERT_EQ(world.pickups.Count(), 1u);
    EXPECT_EQ(world.pickups.View()[0].weapon.get(), &old);
    EXPECT_EQ(old.owner, nullptr);
    EXPECT_EQ(TicksIn(player, WeaponState::PickingUp), 15);
    EXPECT_EQ(player.weapon.get(), &fresh);
    EXPECT_EQ(player.stowedWeapon.get(), stowed);
}

// A weapon that comes out of the holster shows at its stowed size, one picked up at its size.
TEST(PlayerWeapon, AWeaponFromTheHolsterShowsAtItsStowedSize)
{
    Match match;
    match.LoadText(PlatformMapWithSpawn(NamedGround));
    Player& player = match.AddPlayer({10.0f, 2.0f});
    const auto definition = MakeTimedWeapon(match, 60, 3, 3);
    Match::Arm(player, Match::MakeWeapon(*definition, 5, 5));
    EXPECT_EQ(ShownSize(player, PlayerBone::Weapon), definition->size);
    player.StowWeapon(Match::MakeWeapon(*definition, 5, 5));
    EXPECT_EQ(ShownSize(player, PlayerBone::Holster), definition->stowedSize);

    player.input[PlayerAction::SwitchWeapon] = 1;
    player.UpdateWeapon();
    player.input[PlayerAction::SwitchWeapon] = 0;
    EXPECT_EQ(player.weaponState, WeaponState::PuttingAway);
    EXPECT_EQ(match.CountSounds(Sounds::PutAwaySound), 1u);
    TicksIn(player, WeaponState::PuttingAway);
    EXPECT_EQ(player.weaponState, WeaponState::TakingOut);
    EXPECT_EQ(ShownSize(player, PlayerBone::Weapon), definition->stowedSize);
    EXPECT_EQ(ShownSize(player, PlayerBone::Holster), definition->stowedSize);
}

// An empty weapon goes back to the spawn it came from; one with ammunition lies where it fell for
// 1800 ticks.
TEST(PlayerWeapon, ADroppedWeaponGoesBackToItsSpawnWhenEmptyAndLiesForThirtySecondsOtherwise)
{
    Match match;
    World& world = match.LoadText(PlatformMapWithSpawn(NamedGround));
    Player& player = match.AddPlayer({10.0f, 2.0f});
    const WeaponData& rifle = match.Definition("Rifle");
    match.configuration.weapons[2] = {rifle.index, 15};

    std::unique_ptr<Weapon> empty = Match::MakeWeapon(rifle, 0, 0);
    empty->spawnSlot = 2;
    empty->spawnNumber = 0;
    Weapon* emptyWeapon = empty.get();
    Match::Arm(player, std::move(empty));
    player.DropWeapon(player.weapon);
    EXPECT_EQ(world.pickups.Count(), 0u);
    ASSERT_EQ(match.rules->GetWeaponRespawns().size(), 1u);
    EXPECT_EQ(match.rules->GetWeaponRespawns()[0].weapon.get(), emptyWeapon);
    EXPECT_FLOAT_EQ(match.rules->GetWeaponRespawns()[0].seconds, 15.0f);

    Match::Arm(player, Match::MakeWeapon(rifle, 0, 1));
    player.DropWeapon(player.weapon);
    ASSERT_EQ(world.pickups.Count(), 1u);
    const EntityId lying = world.pickups.View()[0].id;
    EXPECT_EQ(world.pickups.View()[0].lifetime, Player::DroppedWeaponTicks);
    // The player walks away so as not to take the ammunition back.
    player.body.Reset({30.0f, 2.0f}, false);
    match.Step(Player::DroppedWeaponTicks - 1);
    EXPECT_NE(world.pickups.Find(lying), nullptr);
    match.Step();
    EXPECT_EQ(world.pickups.Find(lying), nullptr);
}

// Ammunition from a lying weapon fills the reserve up to MaxAmmo, from the lying reserve first.
TEST(PlayerWeapon, TakingAmmunitionFillsTheReserveFromTheLyingReserveFirst)
{
    const struct
    {
        uint32_t held, clip, reserve;
        uint32_t expectedHeld, expectedClip, expectedReserve;
    } cases[] = {
        {38, 3, 1, 40, 2, 0}, {35, 6, 4, 40, 5, 0}, {25, 6, 4, 35, 0, 0}, {40, 3, 1, 40, 3, 1}, {45, 3, 1, 45, 3, 1}};
    for (const auto& c : cases)
    {
        Match match;
        match.LoadText(PlatformMapWithSpawn(""));
        Player& player = match.AddPlayer({10.0f, 5.0f});
        const auto definition = MakeTimedWeapon(match);
        Weapon& held = Match::Arm(player, Match::MakeWeapon(*definition, 10, c.held));
        std::unique_ptr<Weapon> lying = Match::MakeWeapon(*definition, c.clip, c.reserve);
        player.TakeAmmo(*lying, held);
        EXPECT_EQ(std::tie(held.reserve, lying->clip, lying->reserve),
                  std::tie(c.expectedHeld, c.expectedClip, c.expectedReserve))
            << c.held << " held, " << c.clip << " + " << c.reserve << " lying";
        EXPECT_EQ(match.CountSounds(Sounds::PickUpAmmo), c.expectedHeld != c.held ? 1u : 0u);
    }
}

// A player spawned from the Default configuration holds its starting Rifle, full; killed, it drops it.
TEST(PlayerWeapon, ThePlayersOfTheDefaultConfigurationHoldARifleAndDropItWhenKilled)
{
    Match match;
    const GameConfiguration* configuration = match.ownRegistry.configurations.Find("Default");
    ASSERT_NE(configuration, nullptr);
    match.configuration = *configuration;
    World& world = match.LoadText(PlatformMapWithSpawn(NamedGround));
    Player& player = match.AddPlayer({10.0f, 2.0f});
    ASSERT_NE(player.weapon, nullptr);
    const WeaponData& rifle = match.Definition("Rifle");
    EXPECT_EQ(player.weapon->data, &rifle);
    EXPECT_EQ(std::tie(player.weapon->clip, player.weapon->reserve), std::tie(rifle.clipSize, rifle.defaultAmmo));
    EXPECT_EQ(player.weapon->owner, &player);
    EXPECT_EQ(player.stowedWeapon, nullptr);

    Weapon* held = player.weapon.get();
    HitInfo hit;
    match.rules->KillPlayer(player, hit);
    EXPECT_EQ(player.weapon, nullptr);
    ASSERT_EQ(world.pickups.Count(), 1u);
    EXPECT_EQ(world.pickups.View()[0].weapon.get(), held);
    EXPECT_EQ(held->owner, nullptr);
}

TEST(PlayerWeapon, TheHandHoldsEveryShippedWeaponByItsGripWhereverThePlayerAims)
{
    Match match;
    match.LoadText(PlatformMapWithSpawn(NamedGround));
    constexpr float Degree = 3.1415927f / 180.0f;
    for (const auto& definition : match.ownRegistry.weapons.GetItems())
        for (bool facingLeft : {false, true})
        {
            Player& player = match.AddPlayer(Vector2(20.0f, 2.0f), 0, facingLeft);
            Match::Arm(player, Match::MakeWeapon(*definition, 1, 0));
            AimAnimation aim;
            AnimationPlayback playback;
            aim.Start(player, playback);
            // Level, up, as far up as the arm goes, and as far down as the aim may go.
            for (float degrees : {0.0f, 45.0f, 90.0f, -35.0f})
            {
                const Vector2 along(std::cos(degrees * Degree), std::sin(degrees * Degree));
                player.aimDirection = Vector2(facingLeft ? -along.x : along.x, along.y);
                aim.Update(player, playback, 0.02f, 1.0f);
                const Vector2 hand = IkAnimation::NodeWorldPoint(*player.body.GetBone(PlayerBone::RightHand));
                const Vector2 grip = IkAnimation::NodeWorldPoint(*player.body.GetBone(PlayerBone::Weapon));
                const Vector2 shoulder = IkAnimation::NodeWorldPoint(*player.body.GetBone(PlayerBone::RightHumerus));
                // A few pixels of a 1280-pixel view 16 units wide.
                EXPECT_LT((hand - grip).Length(), 0.02f) << definition->name << " " << facingLeft << " " << degrees;
                EXPECT_GT(Lumvek::Dot(grip - shoulder, player.aimDirection), 0.0f)
                    << definition->name << " " << degrees;
            }
        }
}

// A leaver's spawn weapons, in hand and in the holster, go back to their spawns as ones dropped empty do.
TEST(PlayerWeapon, ALeaversSpawnWeaponsGoBackToTheirSpawns)
{
    Match match;
    const WeaponData& rifle = match.Definition("Rifle");
    match.configuration.weapons[1] = {rifle.index, 2};
    World& world = match.LoadText(R"({"WorldBounds": "0 0 40 20", "SpawnPoints": [
        {"Position": "25 2", "Size": "1 0.5", "Mask": "Weapon1"},
        {"Position": "30 2", "Size": "1 0.5", "Mask": "Weapon1"}], "Entities": {"Platforms": [)" +
                                  std::string(NamedGround) + R"(]}, "Backgrounds": []})");
    match.rules->SetupObjectives();
    ASSERT_EQ(world.pickups.Count(), 2u);
    Player& player = match.AddPlayer({10.0f, 2.0f});
    for (Pickup& pickup : world.pickups.View())
    {
        std::unique_ptr<Weapon> taken = std::move(pickup.weapon);
        world.RemovePickup(pickup);
        taken->clip = 1;
        player.weapon ? player.StowWeapon(std::move(taken)) : (void)Match::Arm(player, std::move(taken));
    }
    match.Step();
    world.RemovePlayer(player);
    match.Step(2 * 60 + 1);
    ASSERT_EQ(world.pickups.Count(), 2u);
    // Full again, one at each spawn (25 and 30).
    EXPECT_NE(world.pickups.View()[0].body->x, world.pickups.View()[1].body->x);
    for (const Pickup& back : world.pickups.View())
        EXPECT_TRUE(back.weapon && back.weapon->data == &rifle && back.weapon->clip == rifle.clipSize &&
                    std::fabs(std::fabs(back.body->x - 27.5f) - 2.5f) < 0.05f);
}
