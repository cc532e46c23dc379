// What a local run's summary says of a match.

#include "Source/Game/MatchRecord.h"

#include "Source/World/HitInfo.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"
#include "Tests/Source/World/WeaponTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using WeaponTesting::Match;

// A clip filled again within the tick of its shot, as an Ammo Belt fills it, still counts each shot.
TEST(MatchRecord, CountsTheShotsFiredWhateverFillsTheClipAgain)
{
    Match match;
    World& world = match.LoadText(WeaponTesting::PlatformMapWithSpawn(R"({"Position": "0 0", "Size": "40 2"})"));
    const WeaponData& rifle = match.Definition("Rifle");
    Weapon& weapon = Match::Arm(match.AddPlayer({10.0f, 2.0f}), Match::MakeWeapon(rifle, rifle.clipSize, 100));
    MatchRecord record;
    uint32_t fired = 0;
    // Pressed and let go in turn, so that the rifle fires as fast as a press may.
    for (uint32_t tick = 0; tick < 120; ++tick)
    {
        weapon.Update(tick % 2 == 0, false, false);
        fired += weapon.clip < rifle.clipSize ? 1 : 0;
        weapon.clip = rifle.clipSize;
        record.Tick(world, nullptr);
    }
    ASSERT_GT(fired, 1u);
    Lumvek::Testing::LogCapture log;
    record.Log();
    EXPECT_TRUE(
        log.Logged("player 0 travelled 0 units, fired " + std::to_string(fired) + " shots and killed 0 players"));
}

// The kill that ends the match is told and counted; one under the scoreboard is neither.
TEST(MatchRecord, CountsTheKillsOfTheMatchUpToItsEndAsTheStatisticsDo)
{
    MatchTesting::Match match;
    match.Settings().pointsToWin = 2;
    match.AddBot(0, 0);
    match.AddBot(1, 1);
    match.Load("Crossroads");
    auto& rules = dynamic_cast<Deathmatch&>(match.CreateRules());
    MatchRecord record;
    HitInfo hit;
    hit.shooter = &match.PlayerOf(0);
    // Each kill as a tick has it: the world's step, then the lines counted down, then the record.
    for (int kill = 0; kill < 3; ++kill, rules.UpdateEvents(), record.Tick(*match.world, &rules))
        rules.KillPlayer(match.Place(1, {11.0f, 2.0f}), hit);
    EXPECT_EQ(rules.FindStatistics(0)->kills, 2u);
    EXPECT_EQ(rules.GetFeed().size(), 2u);
    Lumvek::Testing::LogCapture log;
    record.Log();
    EXPECT_TRUE(log.Logged("player 0 travelled 0 units, fired 0 shots and killed 2 players"));
}
