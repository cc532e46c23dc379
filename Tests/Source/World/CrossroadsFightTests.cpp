#include "Source/Data/GameTypeData.h"
#include "Source/Data/WeaponData.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/World/WeaponTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using Lumvek::Vector2;
using WeaponTesting::Match;

// A deathmatch on the Crossroads between two players with the configuration's rifle: one holds its
// trigger at the other until the other dies. The kill feed names both, the victim's rifle lies where it
// fell, the victim comes back with a new rifle after the respawn time and its spawn-in, and nothing is
// logged on the way.
TEST(CrossroadsFight, OnePlayerShootsAnotherUntilItDiesAndRespawns)
{
    Match match;
    Lumvek::Testing::LogCapture log;
    GameConfiguration& configuration = match.configuration;
    configuration.registry = &match.ownRegistry;
    configuration.gameType = match.ownRegistry.gameTypes.FindIndex("Deathmatch");
    const GameTypeData& deathmatch = match.ownRegistry.gameTypes.At(configuration.gameType);
    configuration.gameTypeSettings = deathmatch.CreateConfiguration();
    configuration.settings.respawnTime = 1;
    configuration.settings.suicidePenalty = 0;
    const WeaponData& rifle = match.Definition("Rifle");
    configuration.loadout.startingWeapon = rifle.index;
    for (const uint8_t id : {uint8_t(0), uint8_t(1)})
    {
        PlayerSlot slot(nullptr, id);
        slot.id = id;
        slot.team = id;
        slot.name = id == 0 ? "SHOOTER" : "TARGET";
        slot.loadout.head = match.ownRegistry.heads.FindIndex("BasicHead");
        slot.loadout.core = match.ownRegistry.cores.FindIndex("BasicCore");
        slot.loadout.arms = match.ownRegistry.arms.FindIndex("BasicArms");
        slot.loadout.legs = match.ownRegistry.legs.FindIndex("BasicLegs");
        configuration.players.push_back(std::move(slot));
    }

    World& world = match.LoadShipped("Crossroads");
    match.rules = deathmatch.CreateGameType(match, 1);
    ASSERT_NE(match.rules, nullptr);
    match.SetGameType(match.rules.get());
    world.Begin();
    match.rules->Start();
    match.rules->SetupObjectives();
    match.Step(130);
    Player& shooter = world.players[0];
    Player& target = world.players[1];
    ASSERT_TRUE(shooter.body.active && target.body.active);
    ASSERT_TRUE(shooter.weapon && target.weapon);
    EXPECT_EQ(target.weapon->data, &rifle);

    shooter.body.Reset({5.0f, 2.0f}, false);
    target.body.Reset({9.0f, 2.0f}, true);
    target.input.aimX = -PlayerInput::AxisRange;
    shooter.input[PlayerAction::Primary] = 1;
    Weapon* fallen = target.weapon.get();
    int32_t ticks = 0;
    while (!target.IsDead() && ticks < 600)
    {
        match.Step();
        ++ticks;
    }
    shooter.input[PlayerAction::Primary] = 0;
    ASSERT_TRUE(target.IsDead()) << "after " << ticks << " ticks";
    EXPECT_LT(shooter.weapon->clip, rifle.clipSize);

    const std::vector<GameTypeEvent>& feed = match.rules->GetFeed();
    ASSERT_EQ(feed.size(), 1u);
    EXPECT_EQ(feed[0].kind, match.rules->GetSharedKinds().killed);
    EXPECT_EQ(std::tie(feed[0].a, feed[0].b), std::make_tuple(0u, 1u));
    EXPECT_NE(feed[0].text.find("SHOOTER"), std::string::npos) << feed[0].text;
    EXPECT_NE(feed[0].text.find("KILLED"), std::string::npos) << feed[0].text;
    EXPECT_NE(feed[0].text.find("TARGET"), std::string::npos) << feed[0].text;

    const Pickup* lying = nullptr;
    for (const Pickup& pickup : world.pickups.View())
        if (pickup.weapon.get() == fallen)
            lying = &pickup;
    ASSERT_NE(lying, nullptr);
    EXPECT_EQ(lying->lifetime, Player::DroppedWeaponTicks);
    EXPECT_NEAR(lying->body->x, 9.0f, 1.5f);
    EXPECT_EQ(target.weapon, nullptr);
    EXPECT_FALSE(target.body.active);

    // The respawn time, then the spawn-in.
    match.Step(60 + 125);
    EXPECT_TRUE(target.body.active);
    EXPECT_FALSE(target.IsDead());
    ASSERT_NE(target.weapon, nullptr);
    EXPECT_NE(target.weapon.get(), fallen);
    EXPECT_EQ(target.weapon->clip, rifle.clipSize);
    EXPECT_TRUE(log.messages.empty()) << log.messages.front();
}
