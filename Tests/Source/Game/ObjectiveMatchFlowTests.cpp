// Each objective mode played as a local game by the whole game system: a scripted bot takes the
// flag home, holds the token or touches every checkpoint until the rules end the match and the local
// role enters its ending.

#include "Source/Data/DataRegistry.h"
#include "Source/GameTypes/CaptureTheFlag.h"
#include "Source/GameTypes/Keepaway.h"
#include "Source/GameTypes/Race.h"
#include "Source/Network/LocalNetwork.h"
#include "Source/World/World.h"
#include "Tests/Source/Game/GameTestSupport.h"

#include <string>

using namespace GameTesting;
using namespace Lumvek;

namespace
{

// A configuration of the mode with one bot, of team 0 in a team game.
std::string ModeMatch(const std::string& mode, const std::string& map, uint32_t teams, const std::string& settings)
{
    return R"({"Name": "One", "Map": ")" + map + R"(", "Theme": "Meadow", "GameType": ")" + mode +
           R"(", "TeamCount": )" + std::to_string(teams) + R"(, "Bots": [{"TeamId": )" + (teams == 1 ? "4" : "0") +
           R"(, "Loadout": {"Head": "Random", "Core": "Random", "Arms": "Random", "Legs": "Random"}}],
           "Loadout": {"StartingWeapon": "Rifle"}, "GameTypeSettings": )" +
           settings + "}";
}

struct LocalObjectiveMatch : GameFixture
{
    explicit LocalObjectiveMatch(const std::string& configuration)
    {
        Write("Assets/Configurations/Configurations.json", R"(["Default", "One"])");
        Write("Assets/Configurations/One.data", configuration);
        Write("Assets/local.config", "{ StartDuration = 0.1 PrepareDuration = 0.1 EndDuration = 0.1 }");
        Start();
        const GameConfiguration* chosen = game->registry->configurations.Find("One");
        EXPECT_NE(chosen, nullptr);
        if (chosen)
            game->configuration = *chosen;
        game->StartLocalGame()->BeginVoting();
    }

    // The match running and the bot spawned in.
    bool StartPlaying()
    {
        return RunUntil([this]
                        { return game->GetMatchFlow() == MatchFlow::Running && Bot() && Bot()->body.physicsBody; });
    }
    bool RunToTheEnd()
    {
        return RunUntil([this] { return game->GetNetwork() && game->GetNetwork()->GetState() == NetworkState::Ended; }, 60 * 60);
    }

    Player* Bot() { return game->configuration.bots.empty() ? nullptr : game->configuration.bots.front().player; }
    // The bot stands at the position, as if it had walked there.
    void Place(Vector2 position)
    {
        Bot()->body.Reset(position, false);
        Bot()->body.active = 1;
    }
    // The bot takes the item from its pickup onto its body.
    void Take(const Item& item)
    {
        for (Pickup& pickup : game->world->pickups.View())
            if (pickup.item.get() == &item && pickup.body->active)
            {
                Place({pickup.body->x, pickup.body->y});
                pickup.GiveTo(*Bot());
                Bot()->CarryItem(std::move(Bot()->handItem));
                return;
            }
        ADD_FAILURE() << "the item lies nowhere";
    }
};

} // namespace

TEST(ObjectiveMatchFlow, ALocalCaptureTheFlagMatchEndsWithTheFlagAtTheStand)
{
    LocalObjectiveMatch match(ModeMatch("CaptureTheFlag", "Hilltop", 2, R"({"CapturesToWin": 1})"));
    ASSERT_TRUE(match.StartPlaying());
    auto& rules = dynamic_cast<CaptureTheFlag&>(*match.game->GetGameType());
    match.Take(*rules.GetFlags().at(1));
    for (const Trigger& trigger : match.game->world->triggers.View())
        if (const auto* stand = dynamic_cast<const CtfFlagStandAction*>(trigger.enterAction.get());
            stand && stand->team == 0)
            match.Place({trigger.body->x, trigger.body->y});
    EXPECT_TRUE(match.RunToTheEnd());
    EXPECT_TRUE(rules.IsEnded());
}

TEST(ObjectiveMatchFlow, ALocalKeepawayMatchEndsWhileTheTokenIsHeld)
{
    LocalObjectiveMatch match(ModeMatch("Keepaway", "Hilltop", 1, R"({"TimeToWin": 2})"));
    ASSERT_TRUE(match.StartPlaying());
    auto& rules = dynamic_cast<Keepaway&>(*match.game->GetGameType());
    match.Take(*rules.GetTokens().at(0));
    EXPECT_TRUE(match.RunToTheEnd());
    EXPECT_TRUE(rules.IsEnded());
    EXPECT_GE(rules.GetStatistics(match.Bot()->index).ticksHeld, 120u);
}

TEST(ObjectiveMatchFlow, ALocalRaceEndsOnceEveryCheckpointIsTouched)
{
    LocalObjectiveMatch match(ModeMatch("Race", "Crossroads", 1, R"({"CheckpointsToWin": 6, "Crazy": true})"));
    ASSERT_TRUE(match.StartPlaying());
    auto& rules = dynamic_cast<Race&>(*match.game->GetGameType());
    for (const Race::Checkpoint& checkpoint : rules.GetCheckpoints().at(0))
    {
        match.Place({checkpoint.point.x, checkpoint.point.y});
        match.Frame();
        match.Frame();
    }
    EXPECT_TRUE(match.RunToTheEnd());
    EXPECT_TRUE(rules.IsEnded());
}
