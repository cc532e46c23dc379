#include "Source/GameTypes/Deathmatch.h"

#include "Source/World/EntityFactory.h"
#include "Source/World/HitInfo.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using MatchTesting::Match;

namespace
{

// A deathmatch on Crossroads of bots with these ids and teams.
struct Arena
{
    Arena(uint32_t teamCount, const std::vector<std::pair<uint8_t, uint8_t>>& players,
          void (*configure)(DeathmatchConfiguration&) = nullptr)
    {
        match.configuration.teamCount = teamCount;
        if (configure)
            configure(match.Settings());
        for (const auto& [id, team] : players)
            match.AddBot(id, team);
        match.Load("Crossroads");
        match.CreateRules();
        for (const auto& [id, team] : players)
            match.Place(id, {10.0f + id, 2.0f});
    }

    // The killer's kill of the victim; a suicide when both are the same, or without a killer.
    void Kill(int killer, uint8_t victim)
    {
        HitInfo hit;
        hit.shooter = killer < 0 ? nullptr : &match.PlayerOf(static_cast<uint8_t>(killer));
        match.rules->KillPlayer(match.PlayerOf(victim), hit);
        // Back on its feet at once, so it can die again.
        match.Place(victim, {10.0f + victim, 2.0f});
    }

    Deathmatch& Rules() { return match.Rules(); }

    Match match;
};

std::vector<ScoreEntry> Scores(std::initializer_list<std::pair<uint8_t, int32_t>> entries)
{
    std::vector<ScoreEntry> scores;
    for (const auto& [index, score] : entries)
        scores.push_back({index, score});
    return scores;
}

} // namespace

TEST(Deathmatch, KillsSuicidesAndBetrayalsScoreForThePlayerAndItsTeam)
{
    Arena arena(2, {{0, 0}, {1, 0}, {2, 1}},
                [](DeathmatchConfiguration& settings)
                {
                    settings.pointsPerKill = 2;
                    settings.pointsPerSuicide = -1;
                    settings.pointsPerBetrayal = -3;
                });
    arena.Kill(0, 2);
    arena.Kill(1, 0);
    arena.Kill(2, 2);
    arena.Kill(-1, 0);
    const Deathmatch& rules = arena.Rules();
    const Deathmatch::Statistics& first = *rules.FindStatistics(0);
    EXPECT_EQ(first.score, 1);
    EXPECT_EQ(first.kills, 1u);
    EXPECT_EQ(first.deaths, 2u);
    EXPECT_EQ(first.suicides, 1u);
    const Deathmatch::Statistics& second = *rules.FindStatistics(1);
    EXPECT_EQ(second.score, -3);
    EXPECT_EQ(second.betrayals, 1u);
    EXPECT_EQ(second.kills, 0u);
    const Deathmatch::Statistics& third = *rules.FindStatistics(2);
    EXPECT_EQ(third.score, -1);
    EXPECT_EQ(third.deaths, 2u);
    EXPECT_EQ(third.suicides, 1u);
    EXPECT_EQ(rules.GetPlayerScores(), Scores({{0, 1}, {2, -1}, {1, -3}}));
    EXPECT_EQ(rules.GetTeamScores(), Scores({{1, -1}, {0, -2}}));
    EXPECT_EQ(rules.GetLowestScore(), -128);
    EXPECT_FALSE(rules.IsEnded());
}

TEST(Deathmatch, TheLeaderIsMarkedAndModifiedAndBonusesFollowTheLead)
{
    Arena arena(1, {{0, 4}, {1, 4}, {2, 4}},
                [](DeathmatchConfiguration& settings)
                {
                    settings.killsOfLeaderBonus = 3;
                    settings.killsAsLeaderBonus = 2;
                    settings.showLeader = true;
                    settings.modifyLeader = true;
                    settings.leaderModifiers.maximumHealth = 0.5f;
                });
    Deathmatch& rules = arena.Rules();
    const auto leads = [&](int leader)
    {
        EXPECT_EQ(rules.GetLeader(), leader < 0 ? Deathmatch::NoLeader : leader);
        for (uint8_t id : {0, 1, 2})
        {
            const Player& player = arena.match.PlayerOf(id);
            EXPECT_EQ(player.leaderMarker, id == leader) << int(id);
            EXPECT_FLOAT_EQ(player.GetEffective(&Attributes::maximumHealth), id == leader ? 150.0f : 100.0f) << int(id);
        }
    };
    struct Step
    {
        int killer;
        uint8_t victim;
        std::vector<ScoreEntry> scores;
        int leader;
    };
    const Step steps[] = {
        {0, 1, Scores({{0, 1}, {1, 0}, {2, 0}}), 0},
        // A kill by the leader earns its bonus.
        {0, 2, Scores({{0, 4}, {1, 0}, {2, 0}}), 0},
        // A kill of the leader earns the other bonus; the tie leaves nobody leading.
        {1, 0, Scores({{0, 4}, {1, 4}, {2, 0}}), -1},
        {2, 1, Scores({{0, 4}, {1, 4}, {2, 1}}), -1},
        {0, 2, Scores({{0, 5}, {1, 4}, {2, 1}}), 0},
    };
    for (const Step& step : steps)
    {
        arena.Kill(step.killer, step.victim);
        std::vector<ScoreEntry> scores = rules.GetPlayerScores();
        // Level scores keep no defined order.
        std::sort(scores.begin(), scores.end(),
                  [](const ScoreEntry& a, const ScoreEntry& b)
                  { return a.score > b.score || (a.score == b.score && a.index < b.index); });
        EXPECT_EQ(scores, step.scores) << step.killer << " killed " << int(step.victim);
        leads(step.leader);
    }

    // The leader killed by a team-mate is a betrayal: no bonus.
    Arena teams(2, {{0, 0}, {1, 0}, {2, 1}},
                [](DeathmatchConfiguration& settings) { settings.killsOfLeaderBonus = 3; });
    teams.Kill(0, 2);
    ASSERT_EQ(teams.Rules().GetLeader(), 0);
    teams.Kill(1, 0);
    EXPECT_EQ(teams.Rules().FindStatistics(1)->score, -1);
    EXPECT_EQ(teams.Rules().FindStatistics(1)->kills, 0u);
}

TEST(Deathmatch, TheMatchEndsInTheRecountThatReachesThePointsToWinAndScoresFreeze)
{
    Arena arena(1, {{0, 4}, {1, 4}}, [](DeathmatchConfiguration& settings) { settings.pointsToWin = 2; });
    Deathmatch& rules = arena.Rules();
    EXPECT_EQ(rules.GetTargetScore(), 2);
    EXPECT_FLOAT_EQ(rules.GetProgress(1), 0.5f);
    arena.Kill(0, 1);
    EXPECT_FALSE(rules.IsEnded());
    arena.Kill(0, 1);
    EXPECT_TRUE(rules.IsEnded());
    arena.Kill(1, 0);
    EXPECT_EQ(rules.FindStatistics(1)->kills, 0u);
    EXPECT_EQ(rules.GetPlayerScores(), Scores({{0, 2}, {1, 0}}));
    // Kills still act after the end.
    EXPECT_EQ(rules.GetRespawns().size(), 3u);
}

TEST(Deathmatch, UnderTeamMinimumATeamWithoutPlayersNeitherLeadsToAnEndNorWins)
{
    Arena arena(3, {{0, 0}, {1, 1}},
                [](DeathmatchConfiguration& settings)
                {
                    settings.scoring = ScoreType::TeamMinimum;
                    settings.pointsToWin = 2;
                });
    Deathmatch& rules = arena.Rules();
    arena.Kill(0, 1);
    // The empty team has no score to lead with, and cannot end the match.
    EXPECT_EQ(rules.GetTeamScores(), Scores({{0, 1}, {1, 0}, {2, 0}}));
    EXPECT_FALSE(rules.IsEnded());
    arena.Kill(0, 1);
    EXPECT_TRUE(rules.IsEnded());
}

TEST(Deathmatch, AFreeForAllOfSparsePlayerIdsKeepsEachScoreInItsOwnEntry)
{
    Arena arena(1, {{0, 4}, {2, 4}, {5, 4}, {9, 4}});
    arena.Kill(9, 0);
    arena.Kill(9, 0);
    arena.Kill(5, 2);
    arena.Kill(2, 2);
    const Deathmatch& rules = arena.Rules();
    EXPECT_EQ(rules.GetPlayerScores(), Scores({{9, 2}, {5, 1}, {0, 0}, {2, -1}}));
    EXPECT_EQ(rules.GetTeamScores(), rules.GetPlayerScores());
    EXPECT_EQ(rules.FindStatistics(9)->kills, 2u);
    EXPECT_EQ(rules.FindStatistics(0)->deaths, 2u);
    EXPECT_EQ(rules.FindStatistics(2)->suicides, 1u);
    EXPECT_EQ(rules.FindStatistics(1), nullptr);
}

TEST(Deathmatch, ABotHuntsTheNearestLivingEnemyItIsAwareOf)
{
    Arena arena(2, {{0, 0}, {1, 0}, {2, 1}, {3, 4}, {4, 1}, {5, 1}});
    Player& bot = arena.match.Place(0, {10.0f, 2.0f});
    arena.match.Place(1, {11.0f, 2.0f});
    arena.match.Place(2, {18.0f, 2.0f});
    arena.match.Place(3, {16.0f, 2.0f});
    Player& dead = arena.match.Place(4, {12.0f, 2.0f});
    dead.health = 0.0f;
    dead.UpdateStates();
    // Player 5 is nearer than all but is not among what the bot is aware of.
    arena.match.Place(5, {10.5f, 2.0f});
    for (uint8_t id : {1, 2, 3, 4})
        World::Notice(bot.awareness, AwarenessMarker::PlayerKind, id, {0.0f, 0.0f});
    // The player without a team is everybody's enemy and nearer than the enemy of team 1.
    EXPECT_EQ(arena.Rules().FindNearestEnemy(bot), &arena.match.PlayerOf(3));
    bot.awareness.clear();
    World::Notice(bot.awareness, AwarenessMarker::PlayerKind, 1, {0.0f, 0.0f});
    EXPECT_EQ(arena.Rules().FindNearestEnemy(bot), nullptr);
}

TEST(Deathmatch, APlayerWhoLeftIsHitFoundAndDrawnByNothing)
{
    Arena arena(1, {{0, 4}, {1, 4}});
    World& world = *arena.match.world;
    Player& stayer = arena.match.PlayerOf(0);
    Player& leaver = arena.match.PlayerOf(1);
    // Spikes under both; the leaver has the box dynamic bodies bounce off, and spawns in again.
    CreateHazardEntity(world, {8.0f, 1.5f}, {6.0f, 2.0f}, *arena.match.ownRegistry.hazards.Find("Spikes"));
    arena.match.rules->FinishSpawn(leaver, {});
    const uint32_t visuals = world.visuals.Count();
    arena.match.rules->SpawnPlayer(leaver);
    world.RemovePlayer(leaver);
    EXPECT_EQ(leaver.body.physicsBody, nullptr);
    arena.match.Tick(1);
    EXPECT_LT(stayer.health, leaver.health);
    EXPECT_TRUE(!leaver.present && !leaver.visual);
    EXPECT_EQ(world.activePlayers, std::vector<Player*>{&stayer});
    EXPECT_EQ(world.playerList.Query({-100.0f, -100.0f, 300.0f, 300.0f}).count, 1u);
    // The images of its spawn-in go at its end.
    arena.match.Tick(124);
    EXPECT_EQ(world.visuals.Count(), visuals);
}
