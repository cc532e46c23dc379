#include "Source/GameTypes/Race.h"

#include "Source/Data/NamedAssets.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using MatchTesting::Match;

namespace
{

// A race on Crossroads, whose six race points serve every team, with local players of these ids and
// teams on screens 0 up.
struct RaceMatch
{
    RaceMatch(uint32_t teamCount, std::initializer_list<std::pair<uint8_t, uint8_t>> players, bool crazy = false,
              uint32_t seed = 1)
    {
        match.UseMode("Race");
        match.configuration.teamCount = teamCount;
        match.SettingsOf<RaceConfiguration>().crazy = crazy;
        uint32_t screen = 0;
        for (const auto& [id, team] : players)
            match.AddLocal(id, team, screen++, "P" + std::to_string(id));
        match.Load("Crossroads");
        match.CreateRules(seed);
        match.Begin();
    }

    Race& Rules() { return match.RulesOf<Race>(); }

    Trigger& TriggerOf(const Race::Checkpoint& checkpoint)
    {
        Trigger* trigger = match.world->triggers.Find(checkpoint.trigger);
        EXPECT_NE(trigger, nullptr);
        return *trigger;
    }

    SpawnQuery Query(Lumvek::StringView mask)
    {
        SpawnMask parsed;
        parsed.Parse(mask);
        return match.world->QuerySpawnPoints(parsed);
    }

    int32_t TeamScore(uint8_t index)
    {
        for (const ScoreEntry& entry : Rules().GetTeamScores())
            if (entry.index == index)
                return entry.score;
        return -1;
    }

    Match match;
};

} // namespace

TEST(Race, OnlyTheNextCheckpointCountsAndTheHighlightFollowsWhoReachedIt)
{
    RaceMatch race(1, {{3, 4}, {7, 4}});
    Race& rules = race.Rules();
    ASSERT_EQ(rules.GetCheckpoints().size(), 1u);
    const std::vector<Race::Checkpoint>& list = rules.GetCheckpoints()[0];
    ASSERT_EQ(list.size(), 6u);
    // Crazy off: the map's order.
    const SpawnQuery points = race.Query("Race|Objective|FreeForAll");
    for (uint32_t k = 0; k < list.size(); ++k)
    {
        EXPECT_EQ(list[k].point, points.GetNth(k)) << k;
        const auto* action = dynamic_cast<const CheckpointAction*>(race.TriggerOf(list[k]).enterAction.get());
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->number, k);
        EXPECT_EQ(action->team, CheckpointAction::AnyTeam);
    }
    EXPECT_EQ(race.TriggerOf(list[0]).highlightPlayer, 16);
    EXPECT_EQ(race.TriggerOf(list[1]).highlightPlayer, 255);

    Player& racer = race.match.PlayerOf(7);
    rules.ReachCheckpoint(racer, 1);
    EXPECT_EQ(race.TeamScore(7), 0);
    EXPECT_TRUE(race.match.sounds.empty());
    rules.ReachCheckpoint(racer, 0);
    EXPECT_EQ(race.TeamScore(7), 1);
    EXPECT_EQ(race.TeamScore(3), 0);
    EXPECT_EQ(rules.GetCheckpointsReached(7), 1u);
    EXPECT_EQ(race.match.CountSounds(Sounds::CheckpointReached), 1u);
    rules.ReachCheckpoint(racer, 0);
    EXPECT_EQ(race.TeamScore(7), 1);

    const Trigger& reached = race.TriggerOf(list[0]);
    EXPECT_EQ(reached.highlightPlayer, 255);
    EXPECT_EQ(reached.highlightTeam, 255);
    EXPECT_EQ(race.TriggerOf(list[1]).highlightPlayer, 7);
    // Counted from 1, with the racer's colour and name.
    const std::string status = rules.GetStatus(1).text;
    EXPECT_EQ(status.substr(status.find("P7")), "P7 #414042FFREACHED CHECKPOINT 1");
}

TEST(Race, TouchingTheCheckpointsInTurnEndsTheMatchAndNothingCountsAfterwards)
{
    RaceMatch race(2, {{0, 0}, {1, 1}});
    Race& rules = race.Rules();
    ASSERT_EQ(rules.GetCheckpoints().size(), 2u);
    const std::vector<Race::Checkpoint>& reds = rules.GetCheckpoints()[0];
    EXPECT_EQ(race.TriggerOf(reds[0]).highlightTeam, 0);
    EXPECT_EQ(race.TriggerOf(rules.GetCheckpoints()[1][0]).highlightTeam, 1);
    const int32_t toWin = rules.GetSettings().checkpointsToWin;
    ASSERT_LE(static_cast<size_t>(toWin), reds.size());
    // The points serve both teams: each team has its own checkpoint on them, which only its players
    // reach.
    auto* redFirst = dynamic_cast<CheckpointAction*>(race.TriggerOf(reds[0]).enterAction.get());
    ASSERT_NE(redFirst, nullptr);
    EXPECT_EQ(redFirst->team, 0u);
    redFirst->Run(race.match.PlayerOf(1));
    EXPECT_EQ(race.TeamScore(1), 0);
    for (int32_t k = 0; k < toWin; ++k)
    {
        race.match.Place(0, {reds[k].point.x, reds[k].point.y});
        race.match.Tick(2);
        EXPECT_EQ(race.TeamScore(0), k + 1)
            << k << " " << race.match.PlayerOf(0).body.x << " " << race.match.PlayerOf(0).body.y;
        race.match.Place(0, {2.0f, 2.0f});
        race.match.Tick(1);
    }
    EXPECT_EQ(race.TeamScore(1), 0);
    EXPECT_TRUE(rules.IsEnded());
    rules.ReachCheckpoint(race.match.PlayerOf(0), static_cast<uint32_t>(toWin));
    EXPECT_EQ(race.TeamScore(0), toWin);
}

TEST(Race, APlayerRespawnsAtTheLastCheckpointItsTeamReachedInItsOwnOrder)
{
    // A seed whose shuffle moves the first checkpoint away from the map's first point.
    for (uint32_t seed = 1; seed < 50; ++seed)
    {
        RaceMatch race(2, {{0, 0}, {1, 1}, {2, 4}}, true, seed);
        Race& rules = race.Rules();
        const std::vector<Race::Checkpoint>& reds = rules.GetCheckpoints()[0];
        const SpawnQuery order = race.Query("Race|Objective|Team0");
        if (reds[0].point == order.GetNth(0))
            continue;
        SpawnQuery red = race.Query("Player|Race|Team0");
        // Nothing reached: a player point.
        const SpawnPoint& start = rules.ChooseSpawn(race.match.PlayerOf(0), red);
        EXPECT_EQ(start.mask, red.GetNth(0).mask) << start.x << " " << start.y;
        EXPECT_NE(start, reds[0].point);

        rules.ReachCheckpoint(race.match.PlayerOf(0), 0);
        EXPECT_EQ(rules.ChooseSpawn(race.match.PlayerOf(0), red), reds[0].point);
        rules.ReachCheckpoint(race.match.PlayerOf(0), 1);
        EXPECT_EQ(rules.ChooseSpawn(race.match.PlayerOf(0), red), reds[1].point);
        // Blue reached nothing; a player without a team, in a team race, races no list.
        SpawnQuery blue = race.Query("Player|Race|Team1");
        EXPECT_EQ(rules.ChooseSpawn(race.match.PlayerOf(1), blue).mask, blue.GetNth(0).mask);
        const SpawnPoint& teamless = rules.ChooseSpawn(race.match.PlayerOf(2), red);
        EXPECT_EQ(teamless.mask, red.GetNth(0).mask);
        return;
    }
    FAIL() << "no seed shuffled the first checkpoint away";
}

// A client chimes a checkpoint reached at the racer the server's line names; nobody present, nothing.
TEST(Race, AClientChimesACheckpointReachedAtTheRacerTheServersLineNames)
{
    RaceMatch race(1, {{3, 4}, {7, 4}});
    Race& rules = race.Rules();
    for (const uint32_t racer : {5u, 7u, 300u})
        rules.ReceiveStatus(rules.GetReachedKind(), racer, 1, GameTypeEvent::NoArgument, GameTypeEvent::EveryPlayer,
                            GameTypeEvent::EveryTeam);
    EXPECT_EQ(rules.GetStatus(1).kind, rules.GetReachedKind());
    ASSERT_EQ(race.match.sounds.size(), 1u);
    EXPECT_EQ(race.match.sounds[0].sound, Sounds::CheckpointReached);
    const Player& racer = race.match.PlayerOf(7);
    EXPECT_EQ(race.match.sounds[0].position, Lumvek::Vector2(racer.body.x, racer.body.y));
}
