#include "Source/GameTypes/GameType.h"

#include "Source/Data/WeaponData.h"
#include "Source/GameTypes/Keepaway.h"
#include "Source/World/BotSteering.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/HitInfo.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

using MatchTesting::Match;

namespace
{

// How many events each of the four screens has queued.
std::array<size_t, 4> CountEvents(const GameType& rules)
{
    return {rules.GetEvents(0).size(), rules.GetEvents(1).size(), rules.GetEvents(2).size(), rules.GetEvents(3).size()};
}

} // namespace

TEST(GameType, LinesReachTheScreensOfThePlayersAndTeamsTheyAreMeantFor)
{
    struct Case
    {
        uint8_t player;
        uint8_t team;
        std::array<size_t, 4> screens;
    };
    const Case cases[] = {
        {16, 4, {1, 1, 0, 1}},
        {2, 4, {0, 1, 0, 0}},
        {16, 0, {1, 0, 0, 1}},
        // Player 2 is not on team 0: nobody sees it.
        {2, 0, {0, 0, 0, 0}},
        // Nobody plays as player 7.
        {7, 4, {0, 0, 0, 0}},
    };
    for (const Case& c : cases)
    {
        // Three players on screens 0, 1 and 3.
        Match match;
        match.AddLocal(0, 0, 0);
        match.AddLocal(2, 1, 1);
        match.AddLocal(5, 0, 3);
        GameType& rules = match.CreateRules();
        rules.PostEvent(rules.AddEventFormat("EVENT"), 1, 2, 3, c.player, c.team);
        EXPECT_EQ(CountEvents(rules), c.screens) << int(c.player) << " " << int(c.team);
        rules.PostStatus(rules.GetSharedKinds().pickedUpWeapon, 0, 511, 511, c.player, c.team);
        for (uint32_t screen = 0; screen < 4; ++screen)
            EXPECT_EQ(rules.GetStatus(screen).ticks, c.screens[screen] ? 180 : 0) << screen;
    }
}

TEST(GameType, EventsShowOneAfterTheOtherWhileFeedLinesGoTogether)
{
    Match match;
    match.AddLocal(0, 0, 0);
    GameType& rules = match.CreateRules();
    const uint32_t kind = rules.AddEventFormat("EVENT");
    rules.PostEvent(kind, 511, 511, 511, 16, 4);
    rules.PostEvent(kind, 511, 511, 511, 16, 4);
    rules.PostFeedEvent(rules.GetSharedKinds().died, 0, 511, 511);
    rules.PostFeedEvent(rules.GetSharedKinds().died, 0, 511, 511);
    rules.PostStatus(rules.GetSharedKinds().pickedUpWeapon, 0, 511, 511, 16, 4);

    for (int tick = 0; tick < 179; ++tick)
        rules.UpdateEvents();
    EXPECT_EQ(rules.GetEvents(0).size(), 2u);
    EXPECT_EQ(rules.GetFeed().size(), 2u);
    rules.UpdateEvents();
    // The second event waited its turn and now shows for its full time; both feed lines are gone.
    ASSERT_EQ(rules.GetEvents(0).size(), 1u);
    EXPECT_EQ(rules.GetEvents(0).front().ticks, 180);
    EXPECT_TRUE(rules.GetFeed().empty());
    // A spent status keeps its line at 0 ticks until the next replaces it.
    for (int tick = 0; tick < 400; ++tick)
        rules.UpdateEvents();
    EXPECT_TRUE(rules.GetEvents(0).empty());
    EXPECT_EQ(rules.GetStatus(0).ticks, 0);
    EXPECT_EQ(rules.GetStatus(0).kind, rules.GetSharedKinds().pickedUpWeapon);
    rules.PostStatus(rules.GetSharedKinds().pickedUpAmmo, 30, 0, 511, 16, 4);
    EXPECT_EQ(rules.GetStatus(0).kind, rules.GetSharedKinds().pickedUpAmmo);
    EXPECT_EQ(rules.GetStatus(0).ticks, 180);

    std::vector<GameTypeEvent> list(1);
    EXPECT_FALSE(GameType::ExpireEvent(list, 1));
    EXPECT_EQ(list.size(), 1u);
}

TEST(GameType, LinesAreFilledWithNamesInTeamColoursAndWeaponNames)
{
    Match match;
    match.AddLocal(0, 0, 0, "ANNA");
    match.AddBot(1, 1, "BOT 1");
    GameType& rules = match.CreateRules();
    const GameType::SharedKinds& kinds = rules.GetSharedKinds();
    const uint32_t rifle = match.ownRegistry.weapons.FindIndex("Rifle");
    rules.PostFeedEvent(kinds.died, 0, 511, 511);
    rules.PostFeedEvent(kinds.killed, 0, 1, 511);
    ASSERT_EQ(rules.GetFeed().size(), 2u);
    EXPECT_EQ(rules.GetFeed()[0].text, "#BE141BFFANNA #414042FFDIED");
    EXPECT_EQ(rules.GetFeed()[1].text, "#BE141BFFANNA #414042FFKILLED #0173B9FFBOT 1");
    rules.PostStatus(kinds.pickedUpAmmo, 30, rifle, 511, 0, 4);
    EXPECT_EQ(rules.GetStatus(0).text, "PICKED UP 30 RIFLE AMMO");
    rules.PostStatus(kinds.pickedUpWeapon, rifle, 511, 511, 0, 4);
    EXPECT_EQ(rules.GetStatus(0).text, "PICKED UP A RIFLE");
    // A kind the mode has no format for keeps no text.
    rules.PostFeedEvent(7, 0, 511, 511);
    EXPECT_EQ(rules.GetFeed()[2].text, "");
}

TEST(GameType, ArgumentsOutsideTheirTablesGiveEmptyNamesAndTheNeutralColour)
{
    Match match;
    match.AddLocal(0, 0, 0, "ANNA");
    match.AddBot(1, 1, "BOT 1");
    // A slot whose team is no team colour.
    match.AddBot(3, 9, "ODD");
    GameType& rules = match.CreateRules();
    const GameType::SharedKinds& kinds = rules.GetSharedKinds();
    // 257 would be player 1 if it were cut to a byte; 511 is what a client may receive at most.
    for (uint32_t player : {16u, 257u, 300u, 511u, 0xFFFFFFFFu})
    {
        rules.PostFeedEvent(kinds.died, player, 511, 511);
        EXPECT_EQ(rules.GetFeed().back().text, "#E6E7E8FF #414042FFDIED") << player;
    }
    rules.PostFeedEvent(kinds.killed, 257, 3, 511);
    EXPECT_EQ(rules.GetFeed().back().text, "#E6E7E8FF #414042FFKILLED #E6E7E8FFODD");
    for (uint32_t weapon : {match.ownRegistry.weapons.Count(), 511u})
    {
        rules.PostStatus(kinds.pickedUpAmmo, 12, weapon, 511, 16, 4);
        EXPECT_EQ(rules.GetStatus(0).text, "PICKED UP 12  AMMO") << weapon;
        rules.PostStatus(kinds.pickedUpWeapon, weapon, 511, 511, 16, 4);
        EXPECT_EQ(rules.GetStatus(0).text, "PICKED UP A ") << weapon;
    }
}

TEST(GameType, TheNumberOfKindsFollowsThisGameTypesFormatLists)
{
    Match match;
    GameType& first = match.CreateRules();
    // Two status lines and two feed lines are every mode's.
    EXPECT_EQ(first.GetKindCount(), 2u);
    for (int i = 0; i < 5; ++i)
        first.AddEventFormat("EVENT");
    EXPECT_EQ(first.GetKindCount(), 5u);
    // The next match's rules count their own formats, not those of the match before.
    GameType& second = match.CreateRules();
    EXPECT_EQ(second.GetKindCount(), 2u);
}

TEST(GameType, AddPointFindsEntriesByIndexAndEndsExactlyAtTheTarget)
{
    struct Case
    {
        uint32_t teamCount;
        // The players' ids and teams; the scorer is the last.
        std::vector<std::pair<uint8_t, uint8_t>> players;
        // The team entry that gets the points, or -1 for none.
        int team;
    };
    const Case cases[] = {
        {1, {{0, 4}, {2, 4}, {5, 4}}, 5},
        {2, {{0, 0}, {2, 1}, {5, 1}}, 1},
        // A player without a team scores for no team, and no team reaches the target.
        {2, {{0, 0}, {5, 4}}, -1},
    };
    for (const Case& c : cases)
    {
        Match match;
        match.configuration.teamCount = c.teamCount;
        for (const auto& [id, team] : c.players)
            match.AddBot(id, team);
        match.Load("Crossroads");
        GameType& rules = match.CreateRules();
        Player& scorer = match.PlayerOf(c.players.back().first);
        rules.AddPoint(scorer, 3);
        rules.AddPoint(scorer, 3);
        EXPECT_FALSE(rules.IsEnded());
        rules.AddPoint(scorer, 3);
        EXPECT_EQ(rules.IsEnded(), c.team >= 0) << c.teamCount;
        EXPECT_EQ(rules.GetPlayerScores().front(), (ScoreEntry{scorer.index, 3}));
        if (c.team >= 0)
        {
            EXPECT_EQ(rules.GetTeamScores().front(), (ScoreEntry{static_cast<uint8_t>(c.team), 3}));
        }
        for (const ScoreEntry& entry : rules.GetTeamScores())
            EXPECT_EQ(entry.score, static_cast<int>(entry.index) == c.team ? 3 : 0);
    }
}

// Team 1 has nobody. Whatever the teams with players have (below 0 after deathmatch suicides, 0 or
// more in keepaway), under every rule it stands last with 0, never the rule's starting value.
TEST(GameType, ATeamWithoutPlayersStandsLastInEveryRecountAndShowsNoScore)
{
    for (const bool keepaway : {false, true})
        for (const TeamScoring scoring : {TeamScoring::SumOfTeam, TeamScoring::TeamMaximum, TeamScoring::TeamMinimum})
        {
            Match match;
            match.configuration.teamCount = 3;
            if (keepaway)
                match.UseMode("Keepaway");
            (keepaway ? match.SettingsOf<KeepawayConfiguration>().scoring : match.Settings().scoring) = scoring;
            match.AddLocal(0, 0, 0);
            match.AddLocal(1, 2, 1);
            match.Load("Hilltop");
            GameType& rules = match.CreateRules();
            match.Begin();
            for (const uint8_t victim : {0, 0, 1})
                rules.KillPlayer(match.Place(victim, {3.0f, 2.0f}), HitInfo{});
            // Keepaway: player 0 holds the token for two seconds.
            for (Pickup& pickup : match.world->pickups.View())
                if (keepaway && pickup.item && pickup.body->active)
                    pickup.GiveTo(match.Place(0, {3.0f, 2.0f}));
            match.Tick(120);
            const std::vector<ScoreEntry> expected = keepaway ? std::vector<ScoreEntry>{{0, 2}, {2, 0}, {1, 0}}
                                                              : std::vector<ScoreEntry>{{2, -1}, {0, -2}, {1, 0}};
            EXPECT_EQ(rules.GetTeamScores(), expected) << keepaway << " " << static_cast<int>(scoring);
        }
}

TEST(GameType, BaseBotsAimAtTheFirstLocalPlayerAndWithoutOneHuntTheNearestEnemy)
{
    // The bot (0) and, above it to its right, a local player or a bot it is aware of (3).
    for (const bool local : {true, false})
    {
        Match match(!local);
        match.UseMode("Keepaway");
        match.AddBot(0, 0);
        local ? (void)match.AddLocal(3, 1, 0) : (void)match.AddBot(3, 1);
        match.Load("Crossroads");
        match.CreateRules();
        Player& bot = match.Place(0, {5.0f, 2.0f});
        Player& other = match.Place(3, {10.0f, 6.5f});
        const WeaponData& rifle = *match.ownRegistry.weapons.Find("Rifle");
        bot.weapon = rifle.Create();
        bot.weapon->data = &rifle;
        bot.weapon->clip = rifle.clipSize;
        bot.weapon->owner = &bot;
        for (Player* player : {&bot, &other})
            player->body.Move(Lumvek::TickSeconds);
        BotState& state = match.world->navigator.bots.front();
        BotSteering steering(*match.world);
        for (int tick = 0; tick < 31; ++tick)
        {
            World::Notice(bot.awareness, AwarenessMarker::PlayerKind, 3, {});
            steering.Tick(state, Lumvek::TickSeconds);
        }
        EXPECT_EQ(state.target, &other) << local;
        EXPECT_GT(bot.input.aimY, 20) << local;
    }
}
