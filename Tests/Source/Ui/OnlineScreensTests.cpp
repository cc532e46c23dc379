#include "Source/Data/DataRegistry.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Network/ClientNetwork.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/Messages/VantorelMessageFactory.h"
#include "Source/Ui/Kit/DrawIn.h"
#include "Source/Ui/Screens/CustomGame.h"
#include "Source/Ui/Screens/Lobby.h"
#include "Source/Ui/Screens/Menus.h"
#include "Source/Ui/Screens/Notebook.h"
#include "Source/Ui/Screens/Online.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Ui/MatchScreenTesting.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>
#include <vector>

// A namespace of its own: the program compiles its files in batches.
namespace OnlineScreensTests
{

namespace
{

using namespace MatchScreenTesting;
using Lumvek::ControllerButton;
using Lumvek::Element;

std::string TextOf(const Element& element)
{
    auto* text = dynamic_cast<const Lumvek::TextContent*>(element.content.get());
    return text ? text->text : "?";
}

// The client's front end: the role, the server's offer and the votes sent are the test's.
class OnlineScreens : public ScreensTest
{
protected:
    OnlineScreens()
    {
        match.ownRegistry.configurations.Load();
        frontEnd.createClientNetwork = [this]
        {
            ++clientsMade;
            clientRole = true;
            MakeRole();
        };
        frontEnd.createServerNetwork = [this]
        {
            ++serversMade;
            MakeRole();
        };
        frontEnd.stopNetwork = [this]
        {
            if (role)
                role->Stop();
        };
        frontEnd.networkStatus = [this]
        {
            NetworkStatus status;
            if (const Network* current = network)
                status = {true, clientRole, current->GetState(), current->timer, current->duration, held};
            return status;
        };
        frontEnd.votingOptions = [this] { return offered; };
        frontEnd.sendVote = [this](uint8_t player, uint32_t choice)
        {
            sent.emplace_back(player, choice);
            return true;
        };
        frontEnd.openCarnageReport = [this](Lumvek::Gui&, std::unique_ptr<Lumvek::Transition>, uint32_t owner)
        { reports.push_back(owner); };
    }

    // A local player the server numbered (or not yet, with NoId).
    void AddLocal(uint32_t pad, uint8_t id)
    {
        PlayerSlot& slot = match.configuration.players.emplace_back(nullptr, pad);
        slot.id = id;
    }

    VotingScreen& OpenVoting()
    {
        MakeRole().Set(NetworkState::Voting, 0.0f, 10.0f);
        MatchmakingScreen::Open(*app.gui, frontEnd, nullptr, 1);
        app.Frame();
        app.Frame();
        VotingScreen* voting = FindOne<VotingScreen>();
        EXPECT_NE(voting, nullptr);
        return *voting;
    }

    Element& Button(Screen& screen, uint32_t i) { return *screen.GetElement("Container")->GetChildren()[i]; }
    bool StarShown(Screen& screen, const char* name)
    {
        return screen.GetElement(Lumvek::StringView::FromCString(name))->visible == 1;
    }

    // Whether the current role is a client of a server, rather than a local game's, and one whose server
    // holds its request for the next match.
    bool clientRole = true;
    bool held = false;
    int32_t clientsMade = 0;
    int32_t serversMade = 0;
    std::array<uint32_t, 3> offered{0, 1, 2};
    std::vector<std::pair<uint8_t, uint32_t>> sent;
    std::vector<uint32_t> reports;
};

// A client whose server plays a match with others is not searching for anyone: its screen says what it waits for.
TEST_F(OnlineScreens, MatchmakingSaysWhenTheClientWaitsForTheNextMatch)
{
    MakeRole();
    MatchmakingScreen& screen = MatchmakingScreen::Open(*app.gui, frontEnd, nullptr, 0);
    for (const bool waits : {true, false})
    {
        held = waits;
        app.Frame();
        app.Frame();
        EXPECT_EQ(TextOf(*screen.GetElement("Header")), waits ? "WAITING FOR THE NEXT MATCH" : "SEARCHING FOR PLAYERS");
    }
}

TEST_F(OnlineScreens, MatchmakingMakesTheClientRoleOnlyWhenThereIsNoneAndDrawsItsCircleOver30Seconds)
{
    const struct
    {
        bool role, client;
        int32_t made;
    } cases[] = {{false, false, 1}, {true, true, 0}, {true, false, 1}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.role << c.client);
        clientsMade = 0;
        network = nullptr;
        clientRole = c.client;
        if (c.role)
            MakeRole();
        match.configuration.origin = GameOrigin::CustomGame;
        MatchmakingScreen& screen = MatchmakingScreen::Open(*app.gui, frontEnd, nullptr, 2);
        app.Frame();
        EXPECT_EQ(clientsMade, c.made);
        EXPECT_EQ(match.configuration.origin, GameOrigin::Matchmaking);
        auto* circle = dynamic_cast<DrawInImage*>(screen.GetElement("Timer")->content.get());
        ASSERT_NE(circle, nullptr);
        EXPECT_EQ(circle->clock.duration, 30.0f);
        EXPECT_EQ(circle->clock.direction, 1);
        app.gui->CloseMenu(screen, nullptr);
        app.Frame();
    }
}

TEST_F(OnlineScreens, MatchmakingGivesWayToTheVoteFromVotingOnButNotInTheIntermission)
{
    const struct
    {
        NetworkState state;
        bool votes;
    } cases[] = {{NetworkState::Waiting, false},
                 {NetworkState::Voting, true},
                 {NetworkState::Configured, true},
                 {NetworkState::Playing, true},
                 {NetworkState::Ending, false}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(static_cast<int>(c.state));
        MakeRole().Set(c.state);
        MatchmakingScreen::Open(*app.gui, frontEnd, nullptr, 3);
        app.Frame();
        app.Frame();
        EXPECT_EQ(FindOne<MatchmakingScreen>() != nullptr, !c.votes);
        VotingScreen* voting = FindOne<VotingScreen>();
        EXPECT_EQ(voting != nullptr, c.votes);
        if (voting)
        {
            EXPECT_EQ(voting->owner, 3u);
        }
        Screen::CloseAll(*app.gui);
        app.Frame();
    }
}

TEST_F(OnlineScreens, BackStopsTheRoleFromMatchmakingAndTheIntermission)
{
    for (const bool intermission : {false, true})
    {
        SCOPED_TRACE(intermission);
        MakeRole().Set(intermission ? NetworkState::Ending : NetworkState::Waiting);
        if (intermission)
            IntermissionScreen::Open(*app.gui, frontEnd, nullptr, 0);
        else
            MatchmakingScreen::Open(*app.gui, frontEnd, nullptr, 0);
        app.Frame();
        Tap(0, ControllerButton::B);
        EXPECT_EQ(role->stops, 1);
        EXPECT_EQ(FindOne<MatchmakingScreen>(), nullptr);
        EXPECT_EQ(FindOne<IntermissionScreen>(), nullptr);
        app.Frame(0.31f);
        app.Frame();
    }
}

TEST_F(OnlineScreens, VotingOpensOnTheMiddleOptionAndMovesTheStarWithEachVote)
{
    AddLocal(1, 3);
    AddLocal(2, 5);
    // Not numbered by the server yet: the message holds players 0 to 15, so nothing is sent for it.
    AddLocal(3, Slot::NoId);
    std::map<uint32_t, std::string> requested;
    frontEnd.requestIcon = [&](uint32_t region, const std::string& path) { requested[region] = path; };
    VotingScreen& voting = OpenVoting();
    EXPECT_EQ(voting.selection, 1u);
    // Each option's game type streams its icons in.
    for (uint32_t option : offered)
    {
        const GameTypeData* type =
            match.ownRegistry.gameTypes.Get(match.ownRegistry.configurations.At(option).gameType);
        ASSERT_NE(type, nullptr) << option;
        EXPECT_EQ(requested[type->icon], type->GetAssetPath("IconImage", ".png"));
        EXPECT_EQ(requested[type->sketch], type->GetAssetPath("IconSketch", ".png"));
    }
    EXPECT_EQ(voting.voted, 1u);
    for (const char* star : {"0", "1", "2"})
        EXPECT_FALSE(StarShown(voting, star)) << star;
    // The middle button is highlighted: its description shows, the others' do not.
    EXPECT_EQ(Button(voting, 1).GetChildren()[2]->visible, 1);
    EXPECT_EQ(Button(voting, 0).GetChildren()[2]->visible, 0);
    const GameConfiguration* first = match.ownRegistry.configurations.Get(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(TextOf(*Button(voting, 0).GetChildren()[1]), first->name);

    Tap(1, ControllerButton::A);
    EXPECT_TRUE(StarShown(voting, "1"));
    Tap(1, ControllerButton::Right);
    EXPECT_EQ(voting.selection, 2u);
    Tap(1, ControllerButton::Right);
    EXPECT_EQ(voting.selection, 2u);
    // Moving leaves the stars alone.
    EXPECT_TRUE(StarShown(voting, "1"));
    EXPECT_EQ(Button(voting, 1).GetChildren()[2]->visible, 0);
    Tap(1, ControllerButton::A);
    EXPECT_FALSE(StarShown(voting, "1"));
    EXPECT_TRUE(StarShown(voting, "2"));
    EXPECT_EQ(voting.voted, 2u);
    const std::vector<std::pair<uint8_t, uint32_t>> expected{{3, 1}, {5, 1}, {3, 2}, {5, 2}};
    EXPECT_EQ(sent, expected);
}

TEST_F(OnlineScreens, VotingGivesWayToTheLobbyOnceConfiguredButNotInTheIntermission)
{
    AddLocal(1, 0);
    const struct
    {
        NetworkState state;
        bool lobby;
    } cases[] = {{NetworkState::Voting, false},
                 {NetworkState::Ending, false},
                 {NetworkState::Configured, true},
                 {NetworkState::Loading, true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(static_cast<int>(c.state));
        OpenVoting();
        role->Set(c.state);
        app.Frame();
        EXPECT_EQ(FindOne<GameLobby>() != nullptr, c.lobby);
        EXPECT_EQ(FindOne<VotingScreen>() != nullptr, !c.lobby);
        Screen::CloseAll(*app.gui);
        app.Frame();
    }
}

TEST_F(OnlineScreens, AnOptionThisGameDoesNotHaveShowsAnEmptyButtonAndTheVoteGoesOn)
{
    ASSERT_LT(match.ownRegistry.configurations.Count(), 64u);
    AddLocal(1, 2);
    for (const uint32_t forged : {64u, NoVotingOption})
    {
        SCOPED_TRACE(forged);
        offered = {1, forged, 0};
        sent.clear();
        Lumvek::Testing::LogCapture log;
        VotingScreen& voting = OpenVoting();
        EXPECT_EQ(std::count_if(log.messages.begin(), log.messages.end(),
                                [](const std::string& message)
                                { return message.starts_with("the server offers configuration"); }),
                  1);
        EXPECT_EQ(voting.shown[1], NoVotingOption);
        EXPECT_EQ(TextOf(*Button(voting, 1).GetChildren()[1]), "");
        EXPECT_EQ(Button(voting, 1).GetChildren()[0]->visible, 0) << "no icon, rather than the whole atlas";
        EXPECT_EQ(Button(voting, 0).GetChildren()[0]->visible, 1);
        EXPECT_EQ(TextOf(*Button(voting, 0).GetChildren()[1]), match.ownRegistry.configurations.Get(1)->name);
        Tap(1, ControllerButton::Left);
        Tap(1, ControllerButton::A);
        EXPECT_EQ(sent, (std::vector<std::pair<uint8_t, uint32_t>>{{2, 0}}));
        Screen::CloseAll(*app.gui);
        app.Frame();
    }
}

// The client role itself: the offer names the server's configurations, and the screen shows them.
TEST_F(OnlineScreens, TheServersOfferReachesTheVoteByNameThroughTheClientRole)
{
    Net::MemoryNetwork wire;
    Net::MemoryTransport transport(wire, Net::Address(10, 0, 0, 2, 50000));
    ClientSettings settings;
    settings.matcherIp = "10.0.0.1";
    settings.matcherPort = 40000;
    AddLocal(0, 4);
    ClientNetwork client(match, settings, 9, &transport);
    network = &client;
    frontEnd.votingOptions = [&client] { return client.GetVotingOptions(); };
    frontEnd.sendVote = [&client](uint8_t player, uint32_t choice) { return client.SendVote(player, choice); };
    MatchmakingScreen::Open(*app.gui, frontEnd, nullptr, 0);
    app.Frame();
    EXPECT_EQ(clientsMade, 0);

    const MessageLimits limits = MessageLimits::FromRegistry(match.ownRegistry);
    Net::DefaultAllocator allocator;
    VantorelMessageFactory factory(allocator, limits);
    auto* offer =
        static_cast<VotingOptionsMessage*>(factory.CreateMessage(static_cast<int>(VotingOptionsMessage::Type)));
    ASSERT_NE(offer, nullptr);
    offer->duration = 5.0f;
    for (const uint32_t index : {2u, 1u, 0u})
        offer->options[2 - index].Set(match.ownRegistry.configurations.At(index).key);
    client.ApplyMessage(*offer);
    factory.ReleaseMessage(offer);
    EXPECT_EQ(client.GetState(), NetworkState::Voting);
    app.Frame();
    app.Frame();
    VotingScreen* voting = FindOne<VotingScreen>();
    ASSERT_NE(voting, nullptr);
    EXPECT_EQ(voting->shown, (std::array<uint32_t, 3>{2, 1, 0}));
    EXPECT_EQ(TextOf(*Button(*voting, 1).GetChildren()[1]), match.ownRegistry.configurations.At(1).name);
    Tap(0, ControllerButton::Right);
    Tap(0, ControllerButton::A);
    EXPECT_EQ(voting->voted, 2u);
    EXPECT_EQ(client.GetState(), NetworkState::Voting);
    Screen::CloseAll(*app.gui);
    app.Frame();
    network = nullptr;
    client.Stop();
}

TEST_F(OnlineScreens, TheIntermissionClosesOnceOutOfEndingAndOpensTheReportForItsOwnerOnly)
{
    // Out of Ending (and not yet voting): matchmaking again, in the screen's first update.
    MakeRole().Set(NetworkState::Waiting);
    IntermissionScreen::Open(*app.gui, frontEnd, nullptr, 2);
    app.Frame();
    app.Frame();
    EXPECT_EQ(FindOne<IntermissionScreen>(), nullptr);
    ASSERT_NE(FindOne<MatchmakingScreen>(), nullptr);
    EXPECT_EQ(FindOne<MatchmakingScreen>()->owner, 2u);
    EXPECT_EQ(clientsMade, 0) << "the role is kept";
    Screen::CloseAll(*app.gui);
    app.Frame();

    role->Set(NetworkState::Ending, 1.0f, 5.0f);
    IntermissionScreen::Open(*app.gui, frontEnd, nullptr, 2);
    app.Frame();
    Tap(1, ControllerButton::Start);
    EXPECT_TRUE(reports.empty());
    EXPECT_NE(FindOne<IntermissionScreen>(), nullptr);
    Tap(2, ControllerButton::Start);
    EXPECT_EQ(reports, std::vector<uint32_t>{2});
    EXPECT_EQ(FindOne<IntermissionScreen>(), nullptr);
}

TEST_F(OnlineScreens, BackOpensTheNotebookOnTheActiveLoadoutOnlyForAPadWithAProfile)
{
    Profile& profile = profiles.Add("Bench");
    profile.activeLoadout = 3;
    match.configuration.players.emplace_back(&profile, 1).id = 0;
    match.configuration.players.emplace_back(nullptr, 2).id = 1;
    const struct
    {
        const char* screen;
        NetworkState state;
    } cases[] = {{"matchmaking", NetworkState::Waiting},
                 {"voting", NetworkState::Voting},
                 {"intermission", NetworkState::Ending}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.screen);
        MakeRole().Set(c.state);
        if (c.state == NetworkState::Ending)
            IntermissionScreen::Open(*app.gui, frontEnd, nullptr, Screen::EveryPlayer);
        else
            MatchmakingScreen::Open(*app.gui, frontEnd, nullptr, Screen::EveryPlayer);
        app.Frame();
        app.Frame();
        Tap(2, ControllerButton::Back);
        EXPECT_EQ(FindOne<LoadoutsScreen>(), nullptr) << "no profile, no notebook";
        Tap(1, ControllerButton::Back);
        app.Frame(0.31f);
        LoadoutsScreen* notebook = FindOne<LoadoutsScreen>();
        ASSERT_NE(notebook, nullptr);
        EXPECT_EQ(notebook->owner, 1u);
        EXPECT_EQ(notebook->selection, 3u);
        Screen::CloseAll(*app.gui);
        app.Frame();
    }
}

TEST_F(OnlineScreens, ThePlayMenusMatchmakingAndTheStartScreensBackLeadOnline)
{
    PlayMenu::Open(*app.gui, frontEnd, nullptr, 1, 0);
    app.Frame();
    Tap(1, ControllerButton::A);
    app.Frame(0.31f);
    app.Frame();
    ASSERT_NE(FindOne<MatchmakingScreen>(), nullptr);
    EXPECT_EQ(FindOne<MatchmakingScreen>()->owner, 1u);
    Screen::CloseAll(*app.gui);
    app.Frame();

    network = nullptr;
    Screen::Open<StartScreen>(*app.gui, nullptr, Screen::EveryPlayer, frontEnd);
    app.Frame();
    Tap(3, ControllerButton::Back);
    EXPECT_EQ(serversMade, 1);
    ConnectingScreen* connecting = FindOne<ConnectingScreen>();
    ASSERT_NE(connecting, nullptr);
    EXPECT_EQ(connecting->owner, Screen::EveryPlayer);
    EXPECT_EQ(match.configuration.origin, GameOrigin::None);
}

TEST_F(OnlineScreens, TheServerListsItsPlayersAndTheirVotesAndFollowsTheRole)
{
    MakeRole();
    ConnectingScreen& connecting = ConnectingScreen::Open(*app.gui, frontEnd, nullptr);
    app.Frame();
    EXPECT_TRUE(connecting.GetElement("Container")->GetChildren().empty());
    EXPECT_EQ(TextOf(*connecting.GetElement("Header")), "SEARCHING FOR PLAYERS");

    for (const auto& [id, vote] : {std::pair<uint8_t, uint32_t>{7, 2}, {3, 0}})
    {
        RemotePlayerSlot& remote = match.configuration.remotePlayers.emplace_back();
        remote.id = id;
        remote.vote = vote;
    }
    // Only exactly Voting switches to the votes.
    for (const NetworkState state : {NetworkState::Waiting, NetworkState::Configured})
    {
        role->Set(state);
        app.Frame();
        ASSERT_EQ(FindOne<ConnectingScreen>(), &connecting);
    }
    ASSERT_EQ(connecting.GetElement("Container")->GetChildren().size(), 2u);
    EXPECT_EQ(TextOf(*connecting.GetElement("Container")->GetChildren()[0]), "Player: 7");

    role->Set(NetworkState::Voting);
    app.Frame();
    app.Frame();
    ConfiguringScreen* configuring = FindOne<ConfiguringScreen>();
    ASSERT_NE(configuring, nullptr);
    EXPECT_EQ(TextOf(*configuring->GetElement("Header")), "WAITING FOR VOTES");
    const auto& lines = configuring->GetElement("Container")->GetChildren();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(TextOf(*lines[0]), "Player: 7, Vote: 2");
    EXPECT_EQ(TextOf(*lines[1]), "Player: 3, Vote: 0");
    // One line under the other, not one over the other.
    const float height = YGNodeLayoutGetHeight(lines[0]->GetNode());
    EXPECT_GT(height, 0.0f);
    EXPECT_FLOAT_EQ(YGNodeLayoutGetTop(lines[1]->GetNode()), YGNodeLayoutGetTop(lines[0]->GetNode()) + height);

    role->Set(NetworkState::Configured);
    app.Frame();
    ASSERT_EQ(FindOne<ConfiguringScreen>(), configuring);
    role->Set(NetworkState::Loading);
    app.Frame();
    EXPECT_EQ(FindOne<ConfiguringScreen>(), nullptr);
    GameLobby* lobby = FindOne<GameLobby>();
    ASSERT_NE(lobby, nullptr);
    // The server's lobby belongs to no pad.
    for (uint32_t pad = 0; pad < Lumvek::ControllerCount; ++pad)
        EXPECT_EQ(lobby->playerInput[pad], 0) << pad;
}

} // namespace

} // namespace OnlineScreensTests
