// Whole matches of the objective modes, played by scripted players through the world's own touches and
// pickups until the rules end them.

#include "Source/GameTypes/CaptureTheFlag.h"
#include "Source/GameTypes/Keepaway.h"
#include "Source/GameTypes/Race.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"

#include <gtest/gtest.h>

using MatchTesting::Match;

namespace
{

// The player walks to the pickup holding the item and holds the interact button until the item is
// on its body.
void TakeItem(Match& match, uint8_t id, const Item& item)
{
    const Pickup* lying = nullptr;
    for (const Pickup& pickup : match.world->pickups.View())
        if (pickup.item.get() == &item && pickup.body->active)
            lying = &pickup;
    ASSERT_NE(lying, nullptr);
    Player& player = match.Place(id, {lying->body->x, lying->body->y});
    // A press counts from a released button.
    player.input[PlayerAction::Interact] = 0;
    match.Tick();
    player.input[PlayerAction::Interact] = 1;
    for (int tick = 0; tick < 120 && !player.handItem && !player.carriedItem; ++tick)
        match.Tick();
    player.input[PlayerAction::Interact] = 0;
    for (int tick = 0; tick < 120 && !player.carriedItem; ++tick)
        match.Tick();
    ASSERT_EQ(player.carriedItem.get(), &item);
}

} // namespace

TEST(ObjectiveMatch, FlagsCarriedToTheStandsEndACaptureTheFlagMatch)
{
    Match match;
    match.UseMode("CaptureTheFlag");
    match.AddLocal(0, 0, 0);
    match.AddLocal(1, 1, 1);
    match.Load("Hilltop");
    CaptureTheFlag& rules = dynamic_cast<CaptureTheFlag&>(match.CreateRules());
    match.Begin();
    match.Place(1, {6.0f, 2.0f});
    const Trigger* redStand = nullptr;
    for (const Trigger& trigger : match.world->triggers.View())
        if (const auto* stand = dynamic_cast<const CtfFlagStandAction*>(trigger.enterAction.get());
            stand && stand->team == 0)
            redStand = &trigger;
    ASSERT_NE(redStand, nullptr);
    const Lumvek::Vector2 home{redStand->body->x, redStand->body->y};
    const CtfFlag& blueFlag = *rules.GetFlags().at(1);
    for (int32_t capture = 1; capture <= rules.GetSettings().capturesToWin; ++capture)
    {
        TakeItem(match, 0, blueFlag);
        match.Place(0, home);
        match.Tick(2);
        EXPECT_EQ(rules.GetStatistics(0).captures, static_cast<uint32_t>(capture));
        match.Place(0, {4.0f, 2.0f});
        match.Tick(2);
    }
    EXPECT_TRUE(rules.IsEnded());
    EXPECT_EQ(rules.GetTeamScores().front().index, 0);
    EXPECT_EQ(rules.GetTeamScores().front().score, rules.GetSettings().capturesToWin);
}

TEST(ObjectiveMatch, AHeldTokenEndsAKeepawayMatch)
{
    Match match;
    match.UseMode("Keepaway");
    match.configuration.teamCount = 1;
    match.SettingsOf<KeepawayConfiguration>().timeToWin = 3;
    match.AddLocal(4, 4, 0);
    match.AddLocal(6, 4, 1);
    match.Load("Hilltop");
    Keepaway& rules = dynamic_cast<Keepaway&>(match.CreateRules());
    match.Begin();
    match.Place(6, {3.0f, 2.0f});
    TakeItem(match, 4, *rules.GetTokens().at(0));
    for (int tick = 0; tick < 4 * 60 && !rules.IsEnded(); ++tick)
        match.Tick();
    EXPECT_TRUE(rules.IsEnded());
    EXPECT_EQ(rules.GetTeamScores().front().index, 4);
    EXPECT_EQ(rules.GetTeamScores().front().score, 3);
}

TEST(ObjectiveMatch, EveryCheckpointTouchedInTurnEndsARace)
{
    Match match;
    match.UseMode("Race");
    match.configuration.teamCount = 1;
    match.AddLocal(2, 4, 0);
    match.Load("Crossroads");
    Race& rules = dynamic_cast<Race&>(match.CreateRules());
    match.Begin();
    const std::vector<Race::Checkpoint>& course = rules.GetCheckpoints().at(0);
    ASSERT_GE(course.size(), static_cast<size_t>(rules.GetSettings().checkpointsToWin));
    for (const Race::Checkpoint& checkpoint : course)
    {
        match.Place(2, {checkpoint.point.x, checkpoint.point.y});
        match.Tick(2);
    }
    EXPECT_TRUE(rules.IsEnded());
    EXPECT_EQ(rules.GetCheckpointsReached(2), static_cast<uint32_t>(rules.GetSettings().checkpointsToWin));
}
