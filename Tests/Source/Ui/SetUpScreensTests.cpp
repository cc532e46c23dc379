#include "Source/Data/GameConfiguration.h"
#include "Source/Ui/Kit/DrawIn.h"
#include "Source/Ui/Kit/HudWidgets.h"
#include "Source/Ui/Kit/SketchScroller.h"
#include "Source/Ui/Screens/Challenges.h"
#include "Source/Ui/Screens/CustomGame.h"
#include "Source/Ui/Screens/DemoSetup.h"
#include "Source/Ui/Screens/Lobby.h"
#include "Source/Ui/Transitions.h"
#include "Tests/Source/Ui/MatchScreenTesting.h"

#include <cmath>
#include <limits>

namespace
{

using namespace MatchScreenTesting;
using Lumvek::ControllerButton;
using Origin = GameOrigin;

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

// The countdown dial's seconds and the share of its ring still drawn.
std::string DialText(Screen& screen)
{
    auto* text = dynamic_cast<Lumvek::TextContent*>(screen.GetElement("Timer")->GetChildren()[1]->content.get());
    return text ? text->text : "?";
}
float DialShare(Lumvek::Element& ring)
{
    auto* image = dynamic_cast<DrawInImage*>(ring.content.get());
    return image ? image->clock.elapsed / image->clock.duration : -1.0f;
}
float DialShare(Screen& screen)
{
    return DialShare(*screen.GetElement("Timer")->GetChildren()[0]);
}
bool Shown(Screen& screen, const char* name)
{
    const Lumvek::Element* element = screen.GetElement(Lumvek::StringView::FromCString(name));
    return element && element->visible == 1;
}

TEST(TimerBlock, ReadsWholeSecondsLeftAndTheShareStillDrawn)
{
    const struct
    {
        float elapsed, duration;
        uint32_t seconds;
        float share;
    } cases[] = {
        {0.0f, 10.0f, 10, 1.0f},
        {0.5f, 10.0f, 9, 0.95f},
        {2.5f, 10.0f, 7, 0.75f},
        {10.0f, 10.0f, 0, 0.0f},
        {12.0f, 10.0f, 0, 0.0f},
        {-1.0f, 10.0f, 10, 1.0f},
        // A role waiting has no timer: no seconds and an empty dial, never NaN.
        {0.0f, 0.0f, 0, 0.0f},
        {3.0f, 0.0f, 0, 0.0f},
        {1.0f, -5.0f, 0, 0.0f},
        {NaN, 10.0f, 0, 0.0f},
        {1.0f, NaN, 0, 0.0f},
        {0.0f, 1e30f, 0xFFFFFFFFu, 1.0f},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.elapsed << " of " << c.duration);
        EXPECT_EQ(RemainingSeconds(c.elapsed, c.duration), c.seconds);
        const float share = RemainingShare(c.elapsed, c.duration);
        EXPECT_FALSE(std::isnan(share));
        EXPECT_NEAR(share, c.share, 1e-6f);
    }
}

class Lobby : public ScreensTest
{
protected:
    GameLobby& OpenLobby(Origin origin)
    {
        MakeRole();
        match.configuration.origin = origin;
        match.configuration.players.emplace_back(nullptr, 2);
        GameLobby& lobby = GameLobby::Open(*app.gui, frontEnd, nullptr, Screen::EveryPlayer);
        app.Frame();
        return lobby;
    }
};

TEST_F(Lobby, ACustomGameCountsDownOnlyOnItsOwnersStartAndBackTakesTheCountdownBack)
{
    GameLobby& lobby = OpenLobby(Origin::CustomGame);
    EXPECT_EQ(lobby.owner, 2u);
    EXPECT_FALSE(Shown(lobby, "Timer"));
    for (uint32_t pad : {0u, 1u, 3u})
        Tap(pad, ControllerButton::Start);
    EXPECT_EQ(lobby.countdown, 0);
    EXPECT_EQ(votes, 0);

    Tap(2, ControllerButton::Start);
    EXPECT_EQ(lobby.countdown, 1);
    EXPECT_EQ(role->GetState(), NetworkState::Voting);
    EXPECT_TRUE(Shown(lobby, "Timer"));

    role->timer = 2.5f;
    app.Frame();
    EXPECT_EQ(DialText(lobby), "7");
    EXPECT_FLOAT_EQ(DialShare(lobby), 0.75f);
    role->timer = 10.5f;
    app.Frame();
    EXPECT_EQ(DialText(lobby), "0");
    EXPECT_FLOAT_EQ(DialShare(lobby), 0.0f);

    Tap(2, ControllerButton::B);
    EXPECT_EQ(lobby.countdown, 0);
    EXPECT_EQ(role->GetState(), NetworkState::Waiting);
    EXPECT_EQ(role->timer, 0.0f);
    EXPECT_FALSE(Shown(lobby, "Timer"));

    // Once the match has loaded the loading screen takes over.
    role->Set(NetworkState::Loaded);
    app.Frame();
    EXPECT_EQ(FindOne<GameLobby>(), nullptr);
    EXPECT_NE(FindOne<LoadingScreen>(), nullptr);
}

TEST_F(Lobby, BackReturnsToTheFlowThatSetTheGameUpWithItsChoicesKept)
{
    const struct
    {
        Origin origin;
        bool customGame;
    } cases[] = {{Origin::CustomGame, true}, {Origin::Challenges, false}};
    for (const auto& c : cases)
    {
        const uint32_t owner = OpenLobby(c.origin).owner;
        match.configuration.theme = Loadout::Random;
        Tap(2, ControllerButton::B);
        // Every screen of the flow turns back in as a page.
        uint32_t opened = 0;
        for (uint32_t i = 0; i < app.gui->GetMenuCount(); ++i)
        {
            const Lumvek::MenuRecord& record = app.gui->GetRecord(i);
            if (!record.opening)
                continue;
            ++opened;
            const auto* page = dynamic_cast<const PageTransition*>(record.transition.get());
            ASSERT_NE(page, nullptr) << i;
            EXPECT_EQ(page->direction, PageTransition::Backward) << i;
        }
        EXPECT_EQ(opened, c.customGame ? 2u : 1u);
        for (int frame = 0; frame < 3; ++frame)
            app.Frame(0.31f);
        EXPECT_EQ(FindOne<GameLobby>(), nullptr);
        if (c.customGame)
        {
            CustomGameMenu* menu = FindOne<CustomGameMenu>();
            ASSERT_NE(menu, nullptr);
            EXPECT_EQ(menu->owner, owner);
            EXPECT_EQ(menu->row, 0u);
            EXPECT_EQ(match.configuration.theme, Loadout::Random);
        }
        else
            EXPECT_NE(FindOne<ChallengesScreen>(), nullptr);
        while (app.gui->GetMenuCount())
            app.gui->CloseMenu(*app.gui->GetRecord(0).menu, nullptr), app.Frame();
    }
}

TEST_F(Lobby, AMatchmakingLobbyShowsTheTimerAtOnceIgnoresStartAndClosesWhenTheMatchPrepares)
{
    GameLobby& lobby = OpenLobby(Origin::Matchmaking);
    EXPECT_TRUE(Shown(lobby, "Timer"));
    // The role waits: no timer runs, and the dial reads 0 rather than NaN.
    app.Frame();
    EXPECT_EQ(DialText(lobby), "0");
    EXPECT_FLOAT_EQ(DialShare(lobby), 0.0f);
    Tap(2, ControllerButton::Start);
    EXPECT_EQ(lobby.countdown, 0);
    EXPECT_EQ(votes, 0);

    role->Set(NetworkState::Loaded, 1.0f, 3.0f);
    app.Frame();
    EXPECT_EQ(FindOne<GameLobby>(), &lobby);
    role->Set(NetworkState::Preparing, 0.0f, 3.0f);
    app.Frame();
    EXPECT_EQ(FindOne<GameLobby>(), nullptr);
    EXPECT_EQ(FindOne<LoadingScreen>(), nullptr);
}

TEST_F(Lobby, TheLoadingDialFollowsTheLoadProgressAndClosesWhenTheMatchPrepares)
{
    MakeRole().Set(NetworkState::Loaded);
    LoadingScreen& loading = LoadingScreen::Open(*app.gui, frontEnd, nullptr);
    for (const auto& [progress, share] : {std::pair{0, 0.0f}, {50, 0.5f}, {100, 1.0f}})
    {
        load.SetProgress(progress);
        app.Frame();
        EXPECT_FLOAT_EQ(DialShare(*loading.GetElement("Timer")), share) << progress;
    }
    role->Set(NetworkState::Preparing);
    app.Frame();
    EXPECT_EQ(FindOne<LoadingScreen>(), nullptr);
}

class DemoSetUp : public ScreensTest
{
protected:
    // The strip's items once they have settled.
    SketchScroller& Strip(Screen& screen)
    {
        return dynamic_cast<SketchScroller&>(*screen.GetElement("Scroller")->actions);
    }
    void Settle()
    {
        for (int i = 0; i < 3; ++i)
            app.Frame(0.1f);
    }
    std::string Header(Screen& screen)
    {
        return dynamic_cast<Lumvek::TextContent&>(*screen.GetElement("Header")->content).text;
    }
};

TEST_F(DemoSetUp, SinglePlayerChoosesAChallengeCountsDownAndReturnsToItAfterTheMatch)
{
    const auto& challenges = match.ownRegistry.demoChallenges.GetItems();
    ASSERT_EQ(challenges.size(), 2u);
    match.configuration.players.emplace_back(nullptr, 0);
    DemoSinglePlayer& screen = DemoSinglePlayer::Open(*app.gui, frontEnd, nullptr, 0);
    app.Frame();
    // The screen makes the local role itself.
    ASSERT_NE(role, nullptr);
    Settle();
    EXPECT_EQ(match.configuration.origin, Origin::DemoSinglePlayer);
    EXPECT_FALSE(Shown(screen, "LeftArrow"));
    EXPECT_TRUE(Shown(screen, "RightArrow"));

    Tap(0, ControllerButton::Right);
    Settle();
    EXPECT_EQ(Strip(screen).selected, 1u);
    EXPECT_EQ(Header(screen), challenges[1]->name);
    EXPECT_TRUE(Shown(screen, "LeftArrow"));
    EXPECT_FALSE(Shown(screen, "RightArrow"));

    Tap(0, ControllerButton::A);
    EXPECT_EQ(screen.started, 1u);
    EXPECT_EQ(role->GetState(), NetworkState::Voting);
    EXPECT_TRUE(Shown(screen, "Timer"));
    EXPECT_EQ(match.configuration.name, challenges[1]->name);
    EXPECT_EQ(match.configuration.configurationIndex, 1u);
    EXPECT_EQ(match.configuration.origin, Origin::DemoSinglePlayer);
    EXPECT_EQ(match.configuration.players[0].id, 0);
    EXPECT_EQ(match.configuration.players[0].team, challenges[1]->teamCount == 1 ? 4 : 0);
    // The strip is frozen while the countdown runs.
    Tap(0, ControllerButton::Left);
    Settle();
    EXPECT_EQ(Strip(screen).selected, 1u);

    // Back during the countdown returns to choosing; the screen stays.
    role->timer = 4.0f;
    Tap(0, ControllerButton::B);
    EXPECT_EQ(screen.started, 0u);
    EXPECT_EQ(role->GetState(), NetworkState::Waiting);
    EXPECT_EQ(role->timer, 0.0f);
    EXPECT_FALSE(Shown(screen, "Timer"));
    EXPECT_EQ(FindOne<DemoSinglePlayer>(), &screen);

    // Chosen again, the match loads: the loading screen takes over.
    Tap(0, ControllerButton::A);
    role->Set(NetworkState::Loaded);
    app.Frame();
    EXPECT_EQ(FindOne<DemoSinglePlayer>(), nullptr);
    EXPECT_NE(FindOne<LoadingScreen>(), nullptr);

    // After the match the set-up keeps where it came from: the screen opens on that challenge.
    match.configuration.Reset();
    role->Set(NetworkState::Waiting);
    DemoSinglePlayer& again = DemoSinglePlayer::Open(*app.gui, frontEnd, nullptr, 0);
    app.Frame();
    Settle();
    EXPECT_EQ(Strip(again).selected, 1u);
    EXPECT_EQ(Header(again), challenges[1]->name);
}

TEST_F(DemoSetUp, MultiplayerAddsTheSecondPlayerTeamsThemByEntryAndRemovesThemOnBack)
{
    ASSERT_GE(match.ownRegistry.demoConfigurations.Count(), 2u);
    match.configuration.players.emplace_back(nullptr, 0);
    DemoMultiplayer::Open(*app.gui, frontEnd, nullptr, 0);
    app.Frame();
    Settle();
    ASSERT_EQ(match.configuration.players.size(), 2u);
    EXPECT_EQ(match.configuration.players[1].localIndex, 1u);

    const struct
    {
        uint32_t entry;
        uint8_t teams[2];
    } choices[] = {{0, {0, 1}}, {1, {0, 0}}};
    for (const auto& choice : choices)
    {
        if (choice.entry == 1)
        {
            Tap(0, ControllerButton::Right);
            Settle();
        }
        Tap(0, ControllerButton::A);
        for (uint8_t i = 0; i < 2; ++i)
        {
            EXPECT_EQ(match.configuration.players[i].id, i);
            EXPECT_EQ(match.configuration.players[i].team, choice.teams[i]) << "entry " << choice.entry;
        }
        Tap(0, ControllerButton::B);
        EXPECT_EQ(role->GetState(), NetworkState::Waiting);
    }

    Tap(0, ControllerButton::B);
    ASSERT_EQ(match.configuration.players.size(), 1u);
    EXPECT_EQ(match.configuration.players[0].localIndex, 0u);
    DemoMenu* menu = FindOne<DemoMenu>();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->selection, 1u);
    EXPECT_EQ(match.configuration.configurationIndex, 1u);
}

TEST_F(DemoSetUp, MultiplayerOnPadTwoAddsPadZeroAndWithTwoPlayersAddsNobody)
{
    match.configuration.players.emplace_back(nullptr, 2);
    DemoMultiplayer::Open(*app.gui, frontEnd, nullptr, 2);
    app.Frame();
    ASSERT_EQ(match.configuration.players.size(), 2u);
    EXPECT_EQ(match.configuration.players[1].localIndex, 0u);

    Screen::CloseAll(*app.gui);
    app.Frame();
    DemoMultiplayer::Open(*app.gui, frontEnd, nullptr, 2);
    app.Frame();
    EXPECT_EQ(match.configuration.players.size(), 2u);
}

} // namespace
