#include "Source/Ui/Screens/Challenges.h"

#include "Engine/Runtime/Gui/TextContent.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/Profile.h"
#include "Source/Ui/Kit/ScrollerPage.h"
#include "Source/Ui/Screens/CustomGame.h"
#include "Source/Ui/Screens/Online.h"
#include "Source/Ui/UiResources.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Data/RegistryTestFolder.h"
#include "Tests/Source/Ui/PickerTesting.h"

#include <gtest/gtest.h>

namespace
{

using namespace Lumvek::GuiTesting;
using Lumvek::ControllerButton;
using Lumvek::Testing::LogCapture;

class ChallengeFlow : public PickerTest
{
protected:
    void SetUp() override
    {
        PickerTest::SetUp();
        frontEnd.registry = &assets.registry;
        frontEnd.startLocalGame = [this] { ++localGames; };
        frontEnd.stopNetwork = [this] { ++stops; };
        frontEnd.openLobby = [this](Lumvek::Gui&, std::unique_ptr<Lumvek::Transition>, uint32_t) { ++lobbies; };
        frontEnd.networkStatus = [this] { return role; };
        frontEnd.openStart = [this](Lumvek::Gui&, std::unique_ptr<Lumvek::Transition>, uint32_t) { ++starts; };
    }
    void Load(bool withChallenges = true)
    {
        assets.WriteDefinitions("Maps", {"Mountain", "Harbour"}, "Map");
        assets.WriteDefinitions("GameTypes", {"Deathmatch", "Race"});
        if (withChallenges)
        {
            assets.WriteList("Challenges", {"First", "Second", "Third"});
            assets.Write("Challenges/First.data", R"({"Name": "FIRST", "Map": "Mountain"})");
            assets.Write("Challenges/Second.data", R"({"Name": "SECOND", "Map": "Harbour", "TeamCount": 3})");
            assets.Write("Challenges/Third.data", R"({"Name": "THIRD", "GameType": "Race"})");
        }
        assets.registry.LoadAll();
    }
    void OpenList()
    {
        ChallengesScreen::Open(*app.gui, frontEnd, nullptr, 0);
        Settle();
    }

    DataTesting::RegistryTestFolder assets;
    NetworkStatus role;
    int localGames = 0, stops = 0, lobbies = 0, starts = 0;
};

TEST_F(ChallengeFlow, TheListOpensOnTheLastChallengePlayedAndSelectKeepsTheLocalPlayers)
{
    Load();
    configuration.players.emplace_back(nullptr, 2);
    const struct
    {
        GameOrigin origin;
        uint32_t index, position;
    } cases[] = {{GameOrigin::CustomGame, 2, 0}, {GameOrigin::Matchmaking, 1, 0}, {GameOrigin::Challenges, 2, 2}};
    for (const auto& c : cases)
    {
        configuration.origin = c.origin;
        configuration.configurationIndex = c.index;
        OpenList();
        ASSERT_NE(Top<ChallengesScreen>(), nullptr);
        EXPECT_EQ(FindScroller(*Top<Screen>())->selected, c.position);
        app.gui->CloseMenu(*Top<Screen>(), nullptr);
        Settle();
    }
    EXPECT_EQ(localGames, 3);

    OpenList();
    MoveTo(1);
    Tap(ControllerButton::A);
    Settle();
    EXPECT_EQ(lobbies, 1);
    EXPECT_EQ(configuration.origin, GameOrigin::Challenges);
    EXPECT_EQ(configuration.configurationIndex, 1u);
    EXPECT_EQ(configuration.name, "SECOND");
    EXPECT_EQ(configuration.map, 1u);
    EXPECT_EQ(configuration.teamCount, 3u);
    ASSERT_EQ(configuration.players.size(), 1u);
    EXPECT_EQ(configuration.players[0].localIndex, 2u);
}

TEST_F(ChallengeFlow, BackAfterAnotherFlowLeavesOriginTwoAndIndexZero)
{
    Load();
    configuration.origin = GameOrigin::CustomGame;
    configuration.configurationIndex = 2;
    OpenList();
    Tap(ControllerButton::B);
    Settle();
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(app.gui->GetMenuCount(), 0u);
    EXPECT_EQ(configuration.origin, GameOrigin::Challenges);
    EXPECT_EQ(configuration.configurationIndex, 0u);
}

TEST_F(ChallengeFlow, AnEmptyListOrAStoredIndexPastItIsLoggedAndSelectDoesNothing)
{
    {
        Load(false);
        LogCapture log;
        OpenList();
        EXPECT_TRUE(log.Logged("no challenges are loaded: there is nothing to choose"));
        EXPECT_EQ(GetHeaderText(*Top<Screen>()), "");
        Tap(ControllerButton::A);
        Settle();
        EXPECT_EQ(lobbies, 0);
        ASSERT_NE(Top<ChallengesScreen>(), nullptr);
    }
}

TEST_F(ChallengeFlow, AStoredIndexPastTheListStartsOnTheFirst)
{
    Load();
    LogCapture log;
    configuration.origin = GameOrigin::Challenges;
    configuration.configurationIndex = 7;
    OpenList();
    EXPECT_TRUE(log.Logged("challenge 7 is not among the 3 loaded: the list starts on the first"));
    EXPECT_EQ(FindScroller(*Top<Screen>())->selected, 0u);
    EXPECT_EQ(GetHeaderText(*Top<Screen>()), "FIRST");
}

TEST_F(ChallengeFlow, TheReportReturnsByOriginAndHidesItsTimerAtZero)
{
    Load();
    // A challenge: back to the list on the challenge played.
    configuration.origin = GameOrigin::Challenges;
    configuration.configurationIndex = 2;
    Screen::Open<CarnageReport>(*app.gui, nullptr, 0, frontEnd);
    Settle();
    Tap(ControllerButton::B);
    Settle();
    ASSERT_NE(Top<ChallengesScreen>(), nullptr);
    EXPECT_EQ(FindScroller(*Top<Screen>())->selected, 2u);
    app.gui->CloseMenu(*Top<Screen>(), nullptr);
    Settle();

    // A custom game: back to its menu with the choices kept.
    configuration.origin = GameOrigin::CustomGame;
    configuration.theme = Loadout::Random;
    Screen::Open<CarnageReport>(*app.gui, nullptr, 0, frontEnd);
    Settle();
    Tap(ControllerButton::B);
    Settle();
    ASSERT_NE(Top<CustomGameMenu>(), nullptr);
    EXPECT_EQ(Top<CustomGameMenu>()->row, 0u);
    EXPECT_EQ(configuration.theme, Loadout::Random);
    while (app.gui->GetMenuCount())
        app.gui->CloseMenu(*app.gui->GetRecord(0).menu, nullptr), Settle();

    // Online with a role whose timer has not started: the timer is hidden and the report stays.
    configuration.origin = GameOrigin::Matchmaking;
    role = {true, false, NetworkState::Waiting, 0.0f, 10.0f};
    Screen::Open<CarnageReport>(*app.gui, nullptr, 0, frontEnd);
    Settle();
    ASSERT_NE(Top<CarnageReport>(), nullptr);
    EXPECT_EQ(Top<Screen>()->GetElement("Timer")->visible, 0);
    role = {true, false, NetworkState::Waiting, 4.0f, 10.0f};
    Settle();
    ASSERT_NE(Top<CarnageReport>(), nullptr);
    EXPECT_EQ(Top<Screen>()->GetElement("Timer")->visible, 1);
    // Voting: the report leaves by itself, back to matchmaking for its player, which goes on to the vote.
    role.state = NetworkState::Voting;
    Settle();
    ASSERT_NE(Top<VotingScreen>(), nullptr);
    EXPECT_EQ(Top<VotingScreen>()->owner, 0u);
    app.gui->CloseMenu(*Top<Screen>(), nullptr);
    Settle();
    // Back during the intermission: the intermission, for the report's player alone.
    role = {true, false, NetworkState::Ending, 4.0f, 10.0f};
    Screen::Open<CarnageReport>(*app.gui, nullptr, 0, frontEnd);
    Settle();
    Tap(ControllerButton::B);
    Settle();
    ASSERT_NE(Top<IntermissionScreen>(), nullptr);
    EXPECT_EQ(Top<IntermissionScreen>()->owner, 0u);
    app.gui->CloseMenu(*Top<Screen>(), nullptr);
    Settle();

    // A dedicated server's report (no origin) without a role: no timer, and back to its status screen.
    configuration.origin = GameOrigin::None;
    role = {};
    Screen::Open<CarnageReport>(*app.gui, nullptr, 0, frontEnd);
    Settle();
    EXPECT_EQ(Top<Screen>()->GetElement("Timer"), nullptr);
    Tap(ControllerButton::B);
    Settle();
    ASSERT_NE(Top<ConnectingScreen>(), nullptr);
    EXPECT_EQ(Top<ConnectingScreen>()->owner, Screen::EveryPlayer);
    EXPECT_EQ(starts, 0);
}

} // namespace
