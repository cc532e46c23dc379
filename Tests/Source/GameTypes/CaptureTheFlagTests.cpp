#include "Source/GameTypes/CaptureTheFlag.h"

#include "Source/World/HitInfo.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using MatchTesting::Match;

namespace
{

// Capture the flag on Hilltop: red players 0 and 1 on screens 0 and 1, blue players 2 and 3, all
// standing still unless a test moves them.
struct FlagMatch
{
    explicit FlagMatch(void (*configure)(CaptureTheFlagConfiguration&) = nullptr)
    {
        match.UseMode("CaptureTheFlag");
        if (configure)
            configure(match.SettingsOf<CaptureTheFlagConfiguration>());
        match.AddLocal(0, 0, 0);
        match.AddLocal(1, 0, 1);
        match.AddLocal(2, 1, 2);
        match.AddLocal(3, 1, 3);
        match.Load("Hilltop");
        match.CreateRules();
        match.Begin();
        for (uint8_t id = 0; id < 4; ++id)
            match.Place(id, Away(id));
    }

    CaptureTheFlag& Rules() { return match.RulesOf<CaptureTheFlag>(); }

    // Out of the way of the flags and stands: on the flat ground left of the pit.
    static Lumvek::Vector2 Away(uint8_t id) { return {4.0f + id, 2.0f}; }

    CtfFlag& FlagOf(uint8_t team) { return *Rules().GetFlags().at(team); }

    Pickup* PickupOf(const CtfFlag& flag)
    {
        for (Pickup& pickup : match.world->pickups.View())
            if (pickup.item.get() == &flag && pickup.body->active)
                return &pickup;
        return nullptr;
    }

    // The player takes the flag from where it lies and carries it.
    void Take(uint8_t id, CtfFlag& flag)
    {
        Pickup* pickup = PickupOf(flag);
        ASSERT_NE(pickup, nullptr);
        Player& player = match.PlayerOf(id);
        pickup->GiveTo(player);
        ASSERT_EQ(player.handItem.get(), &flag);
        player.CarryItem(std::move(player.handItem));
    }

    // The player lets the flag fall where it stands.
    void Drop(uint8_t id)
    {
        Player& player = match.PlayerOf(id);
        player.HideSprite(PlayerBone::Item);
        player.DropItem(player.carriedItem);
    }

    const Trigger* StandOf(uint8_t team)
    {
        for (const Trigger& trigger : match.world->triggers.View())
            if (const auto* action = dynamic_cast<const CtfFlagStandAction*>(trigger.enterAction.get());
                action && action->team == team)
                return &trigger;
        return nullptr;
    }

    // The player walks onto its team's stand.
    void Touch(uint8_t id, uint8_t team)
    {
        const Trigger* stand = StandOf(team);
        ASSERT_NE(stand, nullptr);
        match.Place(id, {stand->body->x, stand->body->y});
        match.Tick(2);
    }

    int32_t TeamScore(uint8_t team)
    {
        for (const ScoreEntry& entry : Rules().GetTeamScores())
            if (entry.index == team)
                return entry.score;
        return -1;
    }

    Match match;
};

} // namespace

TEST(CaptureTheFlag, HilltopHasAFlagOnAStandForEachTeam)
{
    FlagMatch game;
    const World& world = *game.match.world;
    ASSERT_EQ(game.Rules().GetFlags().size(), 2u);
    const Lumvek::Vector2 homes[] = {{1.0f, 2.0f}, {39.0f, 2.0f}};
    for (uint8_t team = 0; team < 2; ++team)
    {
        CtfFlag& flag = game.FlagOf(team);
        EXPECT_EQ(flag.team, team);
        EXPECT_TRUE(flag.atHome);
        ASSERT_NE(flag.data, nullptr);
        EXPECT_EQ(flag.data->name, team == 0 ? "RedFlag" : "BlueFlag");
        EXPECT_NE(game.PickupOf(flag), nullptr) << int(team);
        const Trigger* stand = game.StandOf(team);
        ASSERT_NE(stand, nullptr) << int(team);
        EXPECT_EQ(stand->data->name, "FlagStand");
        EXPECT_FLOAT_EQ(stand->body->x, homes[team].x);
        EXPECT_FLOAT_EQ(stand->body->y, homes[team].y);
        const auto* stay = dynamic_cast<const CtfFlagStandAction*>(stand->stayAction.get());
        ASSERT_NE(stay, nullptr);
        EXPECT_EQ(stay->flag, &flag);
        EXPECT_EQ(stay->team, team);
    }
    EXPECT_EQ(world.triggers.Count(), 2u);
    // Nobody on screen saw a flag dropped as they were put on their stands.
    EXPECT_EQ(game.Rules().GetStatus(0).ticks, 0);
}

TEST(CaptureTheFlag, ADroppedFlagReturnsOnlyWhileItsTeamTouchesIt)
{
    struct Case
    {
        bool touchToReset;
        int mates;
        uint32_t stillAwayAfter;
        uint32_t homeAfter;
    };
    // TimeToReset 1 s: 60 ticks for one toucher, 30 for two, never for none.
    const Case cases[] = {
        {true, 0, 600, 0},
        {true, 1, 55, 65},
        {true, 2, 25, 35},
        {false, 0, 55, 65},
    };
    for (const Case& c : cases)
    {
        static bool touchToReset;
        touchToReset = c.touchToReset;
        FlagMatch game(
            [](CaptureTheFlagConfiguration& settings)
            {
                settings.timeToReset = 1;
                settings.touchToReset = touchToReset;
            });
        CtfFlag& redFlag = game.FlagOf(0);
        // Blue player 2 takes the red flag and drops it at 10 2.
        game.Take(2, redFlag);
        game.match.Place(2, {10.0f, 2.0f});
        game.Drop(2);
        game.match.Place(2, FlagMatch::Away(2));
        ASSERT_FALSE(redFlag.atHome);
        EXPECT_EQ(game.Rules().GetStatus(0).text, "RED TEAM FLAG DROPPED");
        for (int mate = 0; mate < c.mates; ++mate)
            game.match.Place(static_cast<uint8_t>(mate), {10.0f, 2.0f});
        game.match.Tick(c.stillAwayAfter);
        EXPECT_FALSE(redFlag.atHome) << c.touchToReset << " " << c.mates;
        if (c.homeAfter == 0)
            continue;
        game.match.Tick(c.homeAfter - c.stillAwayAfter);
        EXPECT_TRUE(redFlag.atHome) << c.touchToReset << " " << c.mates;
        const Pickup* home = game.PickupOf(redFlag);
        ASSERT_NE(home, nullptr);
        EXPECT_NEAR(home->body->x, 1.0f, 0.5f);
        EXPECT_EQ(game.Rules().GetStatus(0).text, "RED TEAM FLAG RESET");
    }
}

TEST(CaptureTheFlag, ACaptureNeedsTheOwnFlagHomeOnlyWithAtHomeToScore)
{
    for (const bool atHomeToScore : {true, false})
    {
        static bool required;
        required = atHomeToScore;
        FlagMatch game([](CaptureTheFlagConfiguration& settings) { settings.atHomeToScore = required; });
        // Red player 0 has the blue flag; blue player 2 has the red flag.
        game.Take(0, game.FlagOf(1));
        game.Take(2, game.FlagOf(0));
        // A blue player on the red stand captures nothing.
        game.Touch(2, 0);
        EXPECT_EQ(game.TeamScore(1), 0);
        game.match.Place(2, FlagMatch::Away(2));

        game.Touch(0, 0);
        Player& carrier = game.match.PlayerOf(0);
        if (atHomeToScore)
        {
            EXPECT_EQ(game.TeamScore(0), 0);
            EXPECT_EQ(carrier.carriedItem.get(), &game.FlagOf(1));
            continue;
        }
        EXPECT_EQ(game.TeamScore(0), 1);
        EXPECT_EQ(carrier.carriedItem, nullptr);
        EXPECT_EQ(game.Rules().GetStatistics(0).captures, 1u);
        EXPECT_TRUE(game.FlagOf(1).atHome);
        const Pickup* home = game.PickupOf(game.FlagOf(1));
        ASSERT_NE(home, nullptr);
        EXPECT_NEAR(home->body->x, 39.0f, 0.5f);
        ASSERT_FALSE(game.Rules().GetEvents(0).empty());
        EXPECT_EQ(game.Rules().GetEvents(0).back().text, "RED TEAM CAPTURED THE BLUE TEAM'S FLAG");
        EXPECT_FALSE(game.Rules().IsEnded());
    }
}

TEST(CaptureTheFlag, TheCaptureThatReachesCapturesToWinEndsTheMatchAndTheNextCountsNothing)
{
    FlagMatch game([](CaptureTheFlagConfiguration& settings) { settings.capturesToWin = 1; });
    game.Take(0, game.FlagOf(1));
    game.Touch(0, 0);
    EXPECT_TRUE(game.Rules().IsEnded());
    EXPECT_EQ(game.TeamScore(0), 1);

    game.match.Place(0, FlagMatch::Away(0));
    game.match.Tick(1);
    game.Take(1, game.FlagOf(1));
    game.Touch(1, 0);
    EXPECT_EQ(game.TeamScore(0), 1);
    EXPECT_NE(game.match.PlayerOf(1).carriedItem, nullptr);
}

TEST(CaptureTheFlag, KillingTheCarrierCountsForTheKillerAndDropsTheFlagNamingItsTeam)
{
    FlagMatch game;
    game.Take(0, game.FlagOf(1));
    ASSERT_FALSE(game.Rules().GetEvents(2).empty());
    EXPECT_EQ(game.Rules().GetEvents(2).back().text, "RED TEAM HAS THE BLUE TEAM'S FLAG");
    HitInfo hit;
    hit.shooter = &game.match.PlayerOf(3);
    game.Rules().KillPlayer(game.match.PlayerOf(0), hit);
    EXPECT_EQ(game.Rules().GetStatistics(3).carrierKills, 1u);
    EXPECT_EQ(game.Rules().GetStatistics(0).carrierKills, 0u);
    EXPECT_EQ(game.Rules().GetStatus(1).text, "BLUE TEAM FLAG DROPPED");
    EXPECT_NE(game.PickupOf(game.FlagOf(1)), nullptr);
    EXPECT_FALSE(game.FlagOf(1).atHome);
}

TEST(CaptureTheFlag, TeamsOutsideTheColoursFormatAsNeutral)
{
    FlagMatch game;
    CaptureTheFlag& rules = game.Rules();
    struct Case
    {
        uint32_t a;
        uint32_t b;
        const char* text;
    };
    const Case cases[] = {
        {1, 3, "BLUE TEAM HAS THE YELLOW TEAM'S FLAG"},
        {4, 0, "NEUTRAL TEAM HAS THE RED TEAM'S FLAG"},
        {511, 200, "NEUTRAL TEAM HAS THE NEUTRAL TEAM'S FLAG"},
    };
    for (const Case& c : cases)
    {
        GameTypeEvent event;
        event.kind = rules.GetKinds().hasFlag;
        event.a = c.a;
        event.b = c.b;
        rules.FormatEvent(event);
        EXPECT_EQ(event.text, c.text);
    }
    GameTypeEvent status;
    status.kind = rules.GetKinds().flagReset;
    status.a = 9;
    rules.FormatStatus(status);
    EXPECT_EQ(status.text, "NEUTRAL TEAM FLAG RESET");
}

TEST(CaptureTheFlag, AClientsCopyOfAFlagIsDroppedRatherThanSentHome)
{
    FlagMatch game;
    const uint32_t blue = game.match.ownRegistry.items.FindIndex("BlueFlag");
    std::unique_ptr<Item> copy = game.Rules().CreateItem(blue);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(dynamic_cast<CtfFlag&>(*copy).team, 1);
    EXPECT_FALSE(copy->CanPickUp(game.match.PlayerOf(2)));
    EXPECT_TRUE(copy->CanPickUp(game.match.PlayerOf(0)));
    const uint32_t pickups = game.match.world->pickups.Count();
    game.Rules().ReturnItem(copy);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(game.match.world->pickups.Count(), pickups);
}

TEST(CaptureTheFlag, AFlagWhoseCarrierLeftTheMatchGoesHome)
{
    FlagMatch game;
    game.Take(0, game.FlagOf(1));
    game.match.world->RemovePlayer(game.match.PlayerOf(0));
    game.match.Tick(1);
    EXPECT_TRUE(game.FlagOf(1).atHome);
    EXPECT_EQ(game.FlagOf(1).holder, nullptr);
    const Pickup* home = game.PickupOf(game.FlagOf(1));
    ASSERT_NE(home, nullptr);
    EXPECT_NEAR(home->body->x, 39.0f, 0.5f);
}
