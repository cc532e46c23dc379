#include "Engine/Foundation/Tick.h"
#include "Libraries/Net/Client.h"
#include "Libraries/Net/ConnectToken.h"
#include "Libraries/Net/NetcodeClient.h"
#include "Libraries/Net/Packet.h"
#include "Libraries/Net/Socket.h"
#include "Source/Network/ClientNetwork.h"
#include "Source/Network/JournalSaver.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/Messages/GameStateMessage.h"
#include "Source/Network/Messages/InputMessage.h"
#include "Source/Network/ServerNetwork.h"
#include "Source/World/GameContext.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Data/RegistryTestFolder.h"
#include "Tests/Source/Network/GameSystemSteps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace Lumvek;
using Lumvek::Testing::LogCapture;

// A namespace of its own: the program compiles its files in batches.
namespace ServerNetworkTests
{

namespace
{

constexpr double Tick = Lumvek::PreciseTickSeconds;

// A client of the test's own making, speaking the game's messages over the in-memory network; it may
// send what no honest client would.
struct TestClient
{
    TestClient(Net::MemoryNetwork& network, uint8_t host, const MessageLimits& limits, uint16_t port, double time)
        : transport(network, Net::Address(10, 0, 0, host, port)), adapter(limits),
          client(allocator, transport, MakeConfig(), adapter, time)
    {
    }
    static Net::ClientServerConfig MakeConfig()
    {
        NetworkSettings settings;
        struct Probe : Network
        {
            using Network::Network;
            void Update(int64_t) override {}
            void BeginLoading() override {}
            void BeginPreparing() override {}
            void BeginStarting() override {}
            void Step(float) override {}
            void SaveJournal() override {}
            void BeginEnding() override {}
            void Stop() override {}
        };
        return Probe(settings).GetConfig();
    }
    template <class Message> void Send(const std::function<void(Message&)>& fill)
    {
        auto* message = static_cast<Message*>(client.CreateMessage(static_cast<int>(Message::Type)));
        ASSERT_NE(message, nullptr);
        fill(*message);
        const int channel = static_cast<int>(GetMessageChannel(Message::Type, true));
        ASSERT_TRUE(client.SendMessage(channel, message));
    }
    void AddPlayers(uint8_t count)
    {
        Send<AddPlayerMessage>(
            [&](AddPlayerMessage& message)
            {
                message.count = count;
                for (uint8_t i = 0; i < count; ++i)
                    message.players[i].localSlot = i;
            });
    }
    // Everything received so far on the first channels, the reliable one first, its types in order.
    std::vector<GameMessageType> Drain(int channels = 2)
    {
        std::vector<GameMessageType> types;
        for (int channel = 0; channel < channels; ++channel)
            while (Net::Message* message = client.ReceiveMessage(channel))
            {
                types.push_back(static_cast<GameMessageType>(message->GetType()));
                client.ReleaseMessage(message);
            }
        return types;
    }

    Net::DefaultAllocator allocator;
    Net::MemoryTransport transport;
    VantorelAdapter adapter;
    Net::Client client;
};

class ServerNetworkTest : public testing::Test
{
protected:
    ServerNetworkTest()
    {
        assets.WriteStandardDefinitions();
        // Three configurations, so that the vote's options differ.
        assets.WriteList("Configurations", {"One", "Two", "Three"});
        for (const char* name : {"One", "Two", "Three"})
            assets.Write(std::string("Configurations/") + name + ".data",
                         std::string(R"({"Name": ")") + name + R"(", "GameType": "Deathmatch"})");
        assets.registry.LoadAll();
        context.registry = &assets.registry;
        limits = MessageLimits::FromRegistry(assets.registry);
        settings.maximumPlayers = 4;
        settings.minimumPlayers = 2;
        settings.connectionTimeout = 1000.0f;
        settings.voteDuration = 0.5f;
        settings.loadDuration = 0.1f;
        settings.prepareDuration = 0.1f;
        settings.forceUpdateTimeout = 0.25;
    }
    void StartServer()
    {
        serverTransport = std::make_unique<Net::MemoryTransport>(network, Net::Address(10, 0, 0, 1, 40000));
        server = std::make_unique<ServerNetwork>(context, settings, 7, serverTransport.get());
        ASSERT_TRUE(server->IsListening());
    }
    // A client whose token names the timeout; the connection is left to the test to run.
    // From a host of its own unless one is given.
    TestClient& Start(uint64_t id, int timeout = 10, uint8_t host = 0, uint16_t port = 50000)
    {
        auto& client = *clients.emplace_back(
            std::make_unique<TestClient>(network, host ? host : uint8_t(2 + clients.size()), limits, port, time));
        Reconnect(client, id, timeout);
        return client;
    }
    // Connects again under a new id; the token lasts longer than any test.
    void Reconnect(TestClient& client, uint64_t id, int timeout = 10)
    {
        uint8_t token[Net::ConnectTokenBytes];
        const Net::Address address = server->GetAddress();
        EXPECT_TRUE(Net::GenerateConnectToken(1, &address, 3600, timeout, id, 0, id, GameServerKey, nullptr, token));
        client.client.Connect(id, token);
    }
    TestClient& Connect(uint64_t id, uint8_t players = 0)
    {
        TestClient& client = Start(id);
        RunUntil([&] { return !client.client.IsConnecting(); });
        EXPECT_TRUE(client.client.IsConnected());
        if (players)
            client.AddPlayers(players);
        return client;
    }
    // From the vote's result to frame 0 of the match.
    void StartMatch()
    {
        ASSERT_TRUE(RunUntil([&] { return server->GetState() == NetworkState::Configured; }));
        server->BeginLoading();
        ASSERT_TRUE(RunUntil([&] { return server->GetState() == NetworkState::Loaded; }));
        server->BeginPreparing();
        ASSERT_TRUE(RunUntil([&] { return server->GetState() == NetworkState::Prepared; }));
        server->BeginStarting();
    }
    // Two clients with a player each fill a server of two.
    void FillServer(uint64_t id)
    {
        settings.maximumPlayers = 2;
        StartServer();
        Connect(id, 1);
        Connect(id + 1, 1);
    }
    // From the end of a match to the intermission, with the game's own client running beside when there is one.
    void EndMatch(ClientNetwork* role = nullptr)
    {
        server->SaveJournal();
        ASSERT_TRUE(RunUntil([&] { return server->GetState() == NetworkState::Leaving; }, 600, role));
        server->BeginEnding();
    }
    void PlayMatch()
    {
        ASSERT_NO_FATAL_FAILURE(StartMatch());
        ASSERT_NO_FATAL_FAILURE(EndMatch());
    }
    // One tick of the test's clients, and of the server unless it stands still.
    void Run(int ticks = 1, bool serverRuns = true)
    {
        for (int i = 0; i < ticks; ++i)
        {
            time += Tick;
            for (auto& client : clients)
            {
                client->client.SendPackets();
                client->client.ReceivePackets();
                client->client.AdvanceTime(time);
            }
            if (serverRuns)
                server->Update(static_cast<int64_t>(Tick * 1e9));
        }
    }
    // With a role, the game's own client runs beside the test's.
    bool RunUntil(const std::function<bool()>& done, int maxTicks = 600, ClientNetwork* role = nullptr)
    {
        for (int i = 0; i < maxTicks && !done(); ++i)
        {
            if (role)
                role->Update(static_cast<int64_t>(Tick * 1e9));
            Run();
        }
        return done();
    }
    const RemotePlayerSlot* Remote(uint8_t id) const
    {
        for (const RemotePlayerSlot& slot : context.configuration.remotePlayers)
            if (slot.id == id && !slot.removed)
                return &slot;
        return nullptr;
    }
    void Input(TestClient& client, uint32_t player, uint32_t frame, int8_t move)
    {
        client.Send<InputMessage>(
            [&](InputMessage& message)
            {
                message.player = player;
                message.frame = frame;
                message.input.move = move;
            });
    }

    DataTesting::RegistryTestFolder assets;
    GameContext context;
    MessageLimits limits;
    ServerSettings settings;
    Net::MemoryNetwork network;
    std::unique_ptr<Net::MemoryTransport> serverTransport;
    std::unique_ptr<ServerNetwork> server;
    std::vector<std::unique_ptr<TestClient>> clients;
    double time = 0.0;
};

} // namespace

TEST_F(ServerNetworkTest, AHostileClientChangesOnlyItsOwnPlayersAndPartsAndIsLoggedLittle)
{
    StartServer();
    TestClient& honest = Connect(11, 1);
    TestClient& hostile = Connect(12, 1);
    ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().size() == 2; }));
    ASSERT_NE(Remote(0), nullptr);
    const Loadout before = Remote(0)->loadout;
    const uint32_t voteBefore = Remote(0)->vote;

    LogCapture log;
    hostile.Send<SetLoadoutMessage>(
        [](SetLoadoutMessage& message) {
            message.player = 0, message.parts = {1, 1, 1, 1};
        });
    hostile.Send<SetVoteMessage>([](SetVoteMessage& message) { message.player = 0, message.choice = 2; });
    // Three heads: index 3 is the list's count, which the wire lets through.
    hostile.Send<SetLoadoutMessage>(
        [](SetLoadoutMessage& message) {
            message.player = 1, message.parts = {3, 1, 1, 1};
        });
    Input(hostile, 0, 0, 100);
    Run(5);
    EXPECT_EQ(Remote(0)->loadout, before);
    EXPECT_EQ(Remote(0)->vote, voteBefore);
    EXPECT_NE(Remote(1)->loadout.head, 3u);
    EXPECT_EQ(server->GetPlayers()[0].present[0], false) << "another client's input is dropped";
    EXPECT_FALSE(log.messages.empty());

    hostile.Send<SetLoadoutMessage>(
        [](SetLoadoutMessage& message) {
            message.player = 1, message.parts = {2, 1, 0, 1};
        });
    hostile.Send<SetVoteMessage>([](SetVoteMessage& message) { message.player = 1, message.choice = 2; });
    Run(5);
    EXPECT_EQ(Remote(1)->loadout.head, 2u);
    EXPECT_EQ(Remote(1)->vote, 2u);

    // Adding players twice, or outside Waiting, disconnects the client.
    hostile.AddPlayers(1);
    EXPECT_TRUE(RunUntil([&] { return hostile.client.IsDisconnected(); }));
    EXPECT_EQ(server->GetPlayers().size(), 1u);
    EXPECT_NE(server->GetState(), NetworkState::Stopped);

    // Refused messages are logged a few times per type, then counted, and a client that keeps sending
    // them is disconnected; the honest one plays on.
    TestClient& flooding = Connect(13, 1);
    ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().size() == 2; }));
    LogCapture floodLog;
    for (int i = 0; i < 60; ++i)
    {
        flooding.Send<SetVoteMessage>([](SetVoteMessage& message) { message.player = 0, message.choice = 2; });
        flooding.Send<SetLoadoutMessage>([](SetLoadoutMessage& message) { message.player = 0; });
        flooding.Send<PlayerRemovedMessage>([](PlayerRemovedMessage& message) { message.player = 0; });
        Input(flooding, 0, 0, 1);
    }
    ASSERT_TRUE(RunUntil([&] { return flooding.client.IsDisconnected(); }));
    EXPECT_LE(floodLog.messages.size(), 25u);
    EXPECT_TRUE(honest.client.IsConnected());
    ASSERT_EQ(server->GetPlayers().size(), 1u);
    EXPECT_EQ(server->GetPlayers()[0].client, 0);
}

TEST_F(ServerNetworkTest, PlayersWhoLeaveWhileItWaitsFreeTheirIdsAndSlotsAndLeaveItWaiting)
{
    StartServer();
    TestClient& first = Connect(21, 2);
    ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().size() == 2; }));

    // A client that never added a player comes and goes: the server carries on.
    TestClient& probe = Connect(22);
    probe.client.Disconnect();
    Run(5);
    EXPECT_EQ(server->GetState(), NetworkState::Waiting);

    TestClient& second = Connect(23, 1);
    ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().size() == 3; }));
    EXPECT_EQ(server->GetPlayers()[2].player, 2u);
    first.client.Disconnect();
    ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().size() == 1; }));
    EXPECT_EQ(server->GetState(), NetworkState::Waiting);
    Run(5);
    std::vector<GameMessageType> seen = second.Drain();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), GameMessageType::PlayerRemoved), 2);

    // Players who come and go while it waits take the lowest free id and leave no slots behind.
    TestClient& visitor = Connect(24);
    for (uint64_t cycle = 1; cycle <= 1000; ++cycle)
    {
        visitor.AddPlayers(1);
        ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().size() == 2; }));
        ASSERT_EQ(server->GetPlayers()[1].player, 0u);
        visitor.client.Disconnect();
        ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().size() == 1; }));
        Reconnect(visitor, 24 + cycle);
        ASSERT_TRUE(RunUntil([&] { return visitor.client.IsConnected(); }));
    }
    EXPECT_EQ(server->GetState(), NetworkState::Waiting);
    EXPECT_EQ(context.configuration.remotePlayers.size(), 1u);
    // Nor does the last player's client: a stranger who joined and left first would stop it.
    second.client.Disconnect();
    ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().empty(); }));
    EXPECT_EQ(server->GetState(), NetworkState::Waiting);
}

TEST_F(ServerNetworkTest, VotesSplitTeamsAndLateInputsRepeatThePreviousFrame)
{
    context.configuration.teamCount = 2;
    settings.maximumPlayers = 5;
    StartServer();
    TestClient& triple = Connect(31, 3);
    TestClient& pair = Connect(32, 2);
    ASSERT_TRUE(RunUntil([&] { return server->GetState() == NetworkState::Configured; }));
    const uint8_t teams[5] = {0, 0, 0, 1, 1};
    for (uint8_t id = 0; id < 5; ++id)
        EXPECT_EQ(Remote(id)->team, teams[id]) << int(id);

    ASSERT_NO_FATAL_FAILURE(StartMatch());
    EXPECT_EQ(server->GetFrame(), 0u);

    // Every player's input for frame 0 arrives early; for frame 1 the pair's second player is late.
    for (uint32_t player = 0; player < 5; ++player)
        Input(player < 3 ? triple : pair, player, 0, static_cast<int8_t>(10 + player));
    for (uint32_t player = 0; player < 4; ++player)
        Input(player < 3 ? triple : pair, player, 1, 50);
    LogCapture log;
    // A complete frame too waits for its deadline, the first a quarter of a second on.
    Run(14);
    EXPECT_EQ(server->GetFrame(), 0u);
    ASSERT_TRUE(RunUntil([&] { return server->GetFrame() >= 2; }));
    EXPECT_TRUE(log.Logged("Missed input on frame 1"));
    EXPECT_FALSE(log.Logged("Missed input on frame 0"));
    EXPECT_EQ(server->GetPlayers()[4].inputs[1].move, 14) << "frame 0's input again";
    EXPECT_EQ(server->GetPlayers()[3].inputs[1].move, 50);
    std::vector<GameMessageType> seen = pair.Drain();
    EXPECT_NE(std::find(seen.begin(), seen.end(), GameMessageType::StartGame), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), GameMessageType::GameState), seen.end());
}

TEST_F(ServerNetworkTest, WithoutPlayersTheStepLoopEndsAtTheDeadline)
{
    StartServer();
    server->BeginStarting();
    server->Update(1'010'000'000);
    // 1.01 s, past a first deadline of 0.25 s: the frames up to the deadline, and no more.
    EXPECT_EQ(server->GetFrame(), 46u);
}

TEST_F(ServerNetworkTest, TheFirstDeadlineFollowsTheCountdownFrame120RepeatsRecord119AndMissedInputsAreLoggedALittle)
{
    settings.maximumPlayers = 1;
    settings.forceUpdateTimeout = 0.5;
    StartServer();
    TestClient& client = Connect(41, 1);
    ASSERT_NO_FATAL_FAILURE(StartMatch());

    // Without input nothing is stepped until half a second after the countdown ended.
    Run(29);
    EXPECT_EQ(server->GetFrame(), 0u);
    LogCapture log;
    Run(2);
    EXPECT_EQ(server->GetFrame(), 1u);
    EXPECT_TRUE(log.Logged("Missed input on frame 0"));

    // Frames 1 to 119 arrive early, each with its own move; the ring has no record of frame 120.
    for (uint32_t frame = 1; frame < ServerNetwork::InputFrames; ++frame)
        Input(client, 0, frame, static_cast<int8_t>(frame % 100));
    ASSERT_TRUE(RunUntil([&] { return server->GetFrame() > ServerNetwork::InputFrames; }));
    EXPECT_FALSE(log.Logged("Missed input on frame 119"));
    EXPECT_TRUE(log.Logged("Missed input on frame 120"));
    EXPECT_EQ(server->GetPlayers()[0].inputs[0].move, 19) << "frame 119's input, from the ring's last record";

    // Two minutes in which only the even frames' inputs come: each odd frame is a stretch of its own.
    for (uint32_t frame = server->GetFrame() / 2 * 2 + 2, last = frame + 7200; frame < last; frame += 2)
    {
        Input(client, 0, frame, 1);
        Run(2);
    }
    EXPECT_GE(server->GetIncompleteFrames(), 3600u);
    EXPECT_LE(log.StartingWith("Missed input").size(), 3 * 60u) << "an allowance of 60 a minute, full at the start";
}

// By the period, and the states a period sends in 600 updates.
class StatesTest : public ServerNetworkTest, public testing::WithParamInterface<std::pair<double, int>>
{
};

TEST_P(StatesTest, StatesGoOutOncePerPeriodAndTheEndSendsAReliableOneAndAJournal)
{
    settings.maximumPlayers = 1;
    settings.gameStateUpdateRate = GetParam().first;
    StartServer();
    std::vector<std::string> journals;
    server->SetJournalWriter(
        [&](const Journal& journal)
        {
            journals.push_back(journal.Write());
            return std::string("written");
        });
    TestClient& client = Connect(51, 1);
    ASSERT_NO_FATAL_FAILURE(StartMatch());
    // One state at once for frame 0, then none until frame 1 is stepped at its deadline a quarter of a
    // second on, and from then the period's on average, whole updates or not.
    ASSERT_TRUE(RunUntil([&] { return server->GetFrame() >= 1; }));
    Run(600);
    client.client.SendPackets();
    client.client.ReceivePackets();
    int states = 0;
    uint32_t lastFrame = 0;
    while (Net::Message* message = client.client.ReceiveMessage(1))
    {
        if (message->GetType() == static_cast<int>(GameMessageType::GameState))
        {
            const uint32_t frame = static_cast<const GameStateMessage*>(message)->frame;
            EXPECT_TRUE(states == 0 || frame > lastFrame) << "never twice for one frame";
            lastFrame = frame;
            ++states;
        }
        client.client.ReleaseMessage(message);
    }
    EXPECT_NEAR(states, 2 + GetParam().second, 1);
    client.Drain();

    server->SaveJournal();
    EXPECT_EQ(server->GetState(), NetworkState::Ended);
    EXPECT_EQ(server->GetSavedJournal(), "written");
    ASSERT_EQ(journals.size(), 1u);
    EXPECT_EQ(journals[0].size(), 173u);
    Run(3);
    client.client.SendPackets();
    client.client.ReceivePackets();
    EXPECT_EQ(client.Drain(1), (std::vector<GameMessageType>{GameMessageType::GameState, GameMessageType::EndGame}));
}

INSTANTIATE_TEST_SUITE_P(Periods, StatesTest,
                         testing::Values(std::pair(1.0 / 30.0, 300), std::pair(0.05, 200), std::pair(0.1, 100)));

// A client leaves as a newcomer answers its challenge, and the server reads both in one update: the
// leaver's player goes at once, and the newcomer, whatever slot it gets, never drives it.
TEST_F(ServerNetworkTest, ALeaversPlayerGoesAtOnceAndNeverPassesToANewcomer)
{
    settings.maximumPlayers = 3;
    StartServer();
    TestClient& leaving = Connect(61, 1);
    TestClient& staying = Connect(62, 1);
    ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().size() == 2; }));
    staying.Drain();

    TestClient& newcomer = Start(63, 10);
    for (int i = 0; i < 12; ++i)
    {
        newcomer.client.SendPackets();
        newcomer.client.ReceivePackets();
        newcomer.client.AdvanceTime(time += Tick);
        if (i == 0)
        {
            server->Update(0);
            leaving.client.Disconnect();
        }
    }
    server->Update(static_cast<int64_t>(12 * Tick * 1e9));
    ASSERT_EQ(server->GetPlayers().size(), 1u);
    EXPECT_EQ(server->GetPlayers()[0].client, 1);

    ASSERT_TRUE(RunUntil([&] { return newcomer.client.IsConnected(); }));
    Input(newcomer, 0, server->GetFrame(), 100);
    Run(5);
    EXPECT_EQ(Remote(0), nullptr);
    std::vector<GameMessageType> seen = staying.Drain();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), GameMessageType::PlayerRemoved), 1);
}

// The game's clients ask for ten seconds; a token that never times out, or not within a minute, would
// let a silent client hold its slot.
TEST_F(ServerNetworkTest, OnlyTokensThatTimeOutWithinAMinuteConnect)
{
    StartServer();
    const std::vector<int> timeouts = {-1, 0, 3600, 61, 1, 10};
    for (int timeout : timeouts)
        Start(100 + clients.size(), timeout);
    Run(60);
    for (size_t i = 0; i < timeouts.size(); ++i)
        EXPECT_EQ(clients[i]->client.IsConnected(), timeouts[i] == 1 || timeouts[i] == 10) << timeouts[i];
}

// A server on its LAN address behind a port forward gets tokens naming the router's: it says so, with what
// to set, once a minute whoever sends them (strangers can, at will), and counts them all as it stops.
TEST_F(ServerNetworkTest, RequestsForAnotherServerAreLoggedOnceAMinuteAndCountedAtTheStop)
{
    StartServer();
    LogCapture log;
    const Net::Address router(10, 80, 100, 1, 40000);
    uint8_t bytes[Net::ConnectTokenBytes];
    Net::ConnectToken token;
    std::vector<uint8_t> request(Net::ConnectionRequestBytes);
    ASSERT_TRUE(Net::GenerateConnectToken(1, &router, 3600, 10, 5, 0, 5, GameServerKey, nullptr, bytes));
    ASSERT_TRUE(Net::ReadConnectToken(bytes, token) &&
                Net::WriteConnectionRequest(token, request.data(), request.size()));
    for (int i = 0; i < 61 * 60; ++i, Run())
        network.SendFrom(Net::Address(10, 1, uint8_t(i >> 8), uint8_t(i), 50000), server->GetAddress(), request.data(),
                         Net::ConnectionRequestBytes);
    EXPECT_EQ(log.StartingWith("the server at 10.0.0.1:40000 dropped ").size(), 2u);
    EXPECT_EQ(log.StartingWith("the server at 10.0.0.1:40000 dropped 1 connection requests whose tokens name "
                               "10.80.100.1:40000: behind a port forward set HostingIp = \"0.0.0.0\"")
                  .size(),
              1u);
    server->Stop();
    EXPECT_EQ(log.StartingWith("its connection layer took 0 packets, dropped 3660 (3660 of them").size(), 1u);
}

// Friends behind one router who ask together are challenged together; once two hold connections without
// players the next is turned away as it answers, says it may be either cause, and is counted.
TEST_F(ServerNetworkTest, AClientTurnedAwayForItsAddressSaysSoAndTheServerCountsIt)
{
    StartServer();
    Start(1, 10, 20, 50000);
    Start(2, 10, 20, 50001);
    Run();
    GameContext own;
    Net::MemoryTransport transport(network, Net::Address(10, 0, 0, 20, 50002));
    LogCapture log;
    ClientNetwork friendOf(own, ClientSettings{{}, "10.0.0.1", 40000}, 3, &transport);
    ASSERT_TRUE(RunUntil([&] { return !log.StartingWith("the server 10.0.0.1:40000 turned this client away").empty(); },
                         60, &friendOf));
    server->Stop();
    EXPECT_EQ(log.StartingWith("the server denied 1 connection requests").size(), 1u);
}

// Players who join, vote and leave before the vote is taken do not sway it.
TEST_F(ServerNetworkTest, VotesOfPlayersWhoLeftDoNotCount)
{
    settings.maximumPlayers = 5;
    settings.minimumPlayers = 3;
    settings.connectionTimeout = 3.0f;
    StartServer();
    for (uint64_t id = 0; id < 8; ++id)
    {
        TestClient& client = Connect(70 + id, 1);
        const uint8_t player = id < 3 ? uint8_t(id) : 3;
        client.Send<SetVoteMessage>([&](SetVoteMessage& vote) { vote.player = player, vote.choice = id < 3 ? 0 : 2; });
        ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().size() == std::min<size_t>(id, 3) + 1; }));
        Run(5);
        if (id >= 3)
        {
            client.client.Disconnect();
            ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().size() == 3; }));
        }
    }
    ASSERT_TRUE(RunUntil([&] { return server->GetState() == NetworkState::Configured; }));
    EXPECT_EQ(server->GetChosenOption(), server->GetVotingOptions()[0]);
}

// Strangers who reconnect at every disconnect, sending refused messages of every kind, draw on one
// budget of lines per host and one for all: the log grows by a bounded amount a minute, and what is
// left out is counted.
TEST_F(ServerNetworkTest, ReconnectingStrangersLogABoundedNumberOfLinesAMinute)
{
    settings.maximumPlayers = 9;
    StartServer();
    Connect(80, 1);
    // Eight hosts: more than the server-wide budget lets through at their own budgets.
    for (uint64_t id = 81; id < 89; ++id)
        Start(id);
    LogCapture log;
    size_t firstMinute = 0;
    for (int tick = 0; tick < 2 * 3600; ++tick)
    {
        for (size_t i = 1; i < clients.size(); ++i)
        {
            Net::Client& client = clients[i]->client;
            if (client.IsDisconnected() || client.ConnectionFailed())
                Reconnect(*clients[i], 1000 + 16 * tick + i);
            // What only servers send, and loadouts, votes and inputs for the honest player.
            for (int kind = 0; kind < 10 && client.IsConnected(); ++kind)
            {
                const int type = kind < 7 ? kind : 10 + kind;
                const int channel = static_cast<int>(GetMessageChannel(static_cast<GameMessageType>(type), true));
                if (Net::Message* message = client.CanSendMessage(channel) ? client.CreateMessage(type) : nullptr)
                    client.SendMessage(channel, message);
            }
        }
        Run();
        if (tick == 3599)
            firstMinute = log.messages.size();
    }
    // The server-wide budget at once and a minute of its refills, then its refills alone; a report a minute.
    EXPECT_LE(firstMinute, 2 * 120u + 2);
    EXPECT_LE(log.messages.size() - firstMinute, 120u + 2);
    EXPECT_EQ(log.StartingWith("left ").size(), 2u);
    server->Stop();
    const auto counts = log.StartingWith("the server refused");
    ASSERT_EQ(counts.size(), 1u);
    EXPECT_EQ(counts[0].find(" left 0 "), std::string::npos) << counts[0];
}

// Every eight seconds a connection without players and one with a player come, and leave after four:
// neither holds the server in Waiting, as only the first of these players makes a count not reached
// before and restarts the countdown.
TEST_F(ServerNetworkTest, OnlyPlayersNotYetCountedRestartTheCountdown)
{
    settings.connectionTimeout = 10.0f;
    StartServer();
    Connect(200, 2);
    ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().size() == 2; }));
    const double begun = time;
    const auto voting = [&] { return server->GetState() != NetworkState::Waiting; };
    for (uint64_t round = 0; round < 4 && !voting(); ++round)
    {
        TestClient& empty = Connect(300 + 2 * round);
        TestClient& player = Connect(301 + 2 * round, 1);
        RunUntil(voting, 240);
        empty.client.Disconnect();
        player.client.Disconnect();
        RunUntil(voting, 240);
    }
    EXPECT_EQ(server->GetState(), NetworkState::Voting);
    EXPECT_LE(time - begun, 10.5);
}

// Connections made in a match are read: players wait for the next Waiting, one without players goes
// after the connection timeout unless the next Waiting comes first and gives it the timeout from then,
// and one sending only what is refused goes before the match ends.
TEST_F(ServerNetworkTest, ConnectionsMadeDuringAMatchAreReadAndWaitForTheNextWaiting)
{
    settings.connectionTimeout = 3.0f;
    settings.intermissionDuration = 1.0f;
    settings.minimumPlayers = 3;
    settings.maximumPlayers = 5;
    StartServer();
    Connect(91, 1);
    TestClient& leaving = Connect(92, 2);
    ASSERT_NO_FATAL_FAILURE(StartMatch());
    TestClient& late = Connect(93, 1);
    TestClient& lateIdle = Connect(94);
    const double arrived = time;
    TestClient& flooding = Connect(95);
    for (int i = 0; i < 120; ++i)
        flooding.Send<SetVoteMessage>([](SetVoteMessage& message) { message.player = 0; });
    ASSERT_TRUE(RunUntil([&] { return flooding.client.IsDisconnected(); }));
    ASSERT_TRUE(RunUntil([&] { return lateIdle.client.IsDisconnected(); }));
    EXPECT_GT(time - arrived, 3.0);
    EXPECT_EQ(server->GetState(), NetworkState::Playing);
    ASSERT_NO_FATAL_FAILURE(EndMatch());
    leaving.client.Disconnect();
    TestClient& intermissionIdle = Connect(96);
    ASSERT_TRUE(RunUntil([&] { return server->GetState() == NetworkState::Waiting; }));
    const double waiting = time;
    ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().size() == 2; }, 2));
    EXPECT_EQ(server->GetPlayers()[1].client, late.client.GetClientIndex());
    ASSERT_TRUE(RunUntil([&] { return intermissionIdle.client.IsDisconnected(); }));
    EXPECT_GT(time - waiting, 3.0);
}

// Players who came and went leave the countdown to those who come next; the last leaving before a
// match ended leaves the server waiting, whatever its state.
TEST_F(ServerNetworkTest, PlayersWhoLeftSpendNeitherTheCountdownNorTheServer)
{
    settings.connectionTimeout = 1.0f;
    StartServer();
    TestClient& stranger = Connect(110, 3);
    ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().size() == 3; }));
    stranger.client.Disconnect();
    Run(120);
    for (uint64_t round = 0; round < 2; ++round)
    {
        Connect(111 + 2 * round, 1);
        Connect(112 + 2 * round, 1);
        ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().size() == 2; }));
        const double joined = time;
        ASSERT_TRUE(RunUntil([&] { return server->GetState() == NetworkState::Voting; }));
        EXPECT_GT(time - joined, 0.9) << "the countdown is owed to the players who came";
        if (round == 1)
        {
            ASSERT_NO_FATAL_FAILURE(StartMatch());
        }
        for (auto& client : clients)
            client->client.Disconnect();
        ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().empty(); }));
        EXPECT_EQ(server->GetState(), round == 0 ? NetworkState::Waiting : NetworkState::Leaving);
    }
}

// A client that joins during a later match holds its request for the next Waiting: the playing players
// leaving does not stop the server under it, and it is seated.
TEST_F(ServerNetworkTest, AHeldConnectionKeepsTheServerWhenTheLastPlayerLeaves)
{
    settings.intermissionDuration = 0.5f;
    settings.connectionTimeout = 1.0f;
    StartServer();
    TestClient& first = Connect(121, 1);
    TestClient& second = Connect(122, 1);
    ASSERT_NO_FATAL_FAILURE(PlayMatch());
    ASSERT_NO_FATAL_FAILURE(StartMatch());
    TestClient& late = Connect(123, 1);
    Run(10);
    LogCapture log;
    first.client.Disconnect();
    second.client.Disconnect();
    ASSERT_TRUE(RunUntil([&] { return server->GetState() == NetworkState::Leaving; }));
    EXPECT_EQ(log.StartingWith("the last player left after 1 matches, but 1 connections wait").size(), 1u);
    server->BeginEnding();
    ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().size() == 1; }));
    EXPECT_EQ(server->GetPlayers()[0].client, late.client.GetClientIndex());
    late.client.Disconnect();
    EXPECT_TRUE(RunUntil([&] { return server->LastPlayerLeft(); }));
}

// Eight connections without players fill the server; a client it denies says so once and gets a seat
// when they time out. Bound to every address, a server takes a token naming any of the machine's: the
// loopback one here, a public one behind a router that forwards the port.
TEST_F(ServerNetworkTest, AFullServerSeatsADeniedClientAtTheTimeoutAndAnyAddressTakesLoopbackTokens)
{
    settings.maximumPlayers = 8;
    settings.connectionTimeout = 3.0f;
    StartServer();
    for (uint64_t id = 120; id < 128; ++id)
        Connect(id);
    GameContext own;
    own.registry = &assets.registry;
    own.configuration.players.emplace_back();
    Net::MemoryTransport transport(network, Net::Address(10, 0, 1, 1, 50000));
    LogCapture log;
    ClientNetwork honest(own, ClientSettings{{}, "10.0.0.1", 40000}, 9, &transport);
    ASSERT_TRUE(RunUntil([&] { return server->GetPlayers().size() == 1; }, 600, &honest));
    EXPECT_LT(time, settings.connectionTimeout + ClientNetwork::SeatRetryNanoseconds / 1e9 + 1.0);
    EXPECT_EQ(log.StartingWith("the server 10.0.0.1:40000 turned this client away for now").size(), 1u);

    settings.hostingIp = "0.0.0.0";
    settings.hostingPort = 0;
    server = std::make_unique<ServerNetwork>(context, settings, 7);
    GameContext bare;
    ClientNetwork client(bare, ClientSettings{{}, "127.0.0.1", server->GetAddress().GetPort()}, 9);
    EXPECT_TRUE(RunUntil([&] { return client.GetClientIndex() == 0; }, 600, &client));
}

// Strangers who hold seats without playing, coming straight back from many addresses when sent away or
// leaving just before, or idling through a match with an aim that stays in its dead zone, forged requests
// from a challenged client's address, or answers given once, leave honest clients (friends behind one
// address too) a seat in time. A configuration whose sixteen bots leave its players no room is never offered.
TEST_F(ServerNetworkTest, StrangersLeaveAnHonestClientASeat)
{
    struct Case
    {
        const char* name;
        uint8_t hosts = 0, perHost = 0;
        bool addPlayers = false;
        int forgedTokens = 0;
        // The forged requests begin before the honest client asks, rather than once it is challenged.
        bool forgedFirst = false;
        // From when the honest client starts: at once, or with the strangers' match.
        double within = 0.0;
        // Each comes back from the next of this many hosts; each leaves this long after connecting.
        uint8_t rotateHosts = 0;
        double leaveAfter = 0.0;
        // The players' aim moves inside the dead zone every three seconds.
        bool wiggle = false;
        // Honest clients on one address; holders who leave two retries after they start, to be seated
        // within a retry (the others play on); hosts from which a fresh client a frame answers once.
        int honestCount = 1, leaving = 0;
        uint8_t oneShotHosts = 0;
        // Addresses of four strangers each in line before the honest client (the first of each before the
        // others) that ask every 3 s and hold a seat without players; the first may answer twice and stop.
        int lineHosts = 0;
        bool firstStops = false;
        // Addresses of one stranger each that ask a second after the honest clients, as those above do.
        int lateHosts = 0;
    };
    const Case cases[] = {
        {"holders from one host", 1, 8, false, 0, false, 3.0 + 3.0},
        {"holders from eight hosts", 8, 1, false, 0, false, 3.0 + 3.0},
        // Its first retry comes after the first holders are sent away: it holds a seat from the next.
        {"holders from 64 hosts", 8, 1, false, 0, false, 3.0 + 3.0 + 0.5, 64},
        {"holders that leave first", 4, 2, false, 0, false, 3.0 + 3.0, 0, 2.0},
        {"idle players", 8, 1, true, 0, false, 10.0 + 10.0},
        {"players who aim in the dead zone", 8, 1, true, 0, false, 10.0 + 10.0, 0, 0.0, true},
        {"four forged tokens", 0, 0, false, 4, false, 1.0},
        {"five forged tokens", 0, 0, false, 5, false, 1.0},
        {"five forged tokens before the request", 0, 0, false, 5, true, 2.0},
        {"one-shot answers from one host", 8, 1, true, 0, false, 6.0 + 3.5, 0, 0.0, false, 1, 2, 1},
        {"one-shot answers from 64 hosts", 8, 1, true, 0, false, 6.0 + 3.5, 0, 0.0, false, 1, 2, 64},
        // The third is refused while the first two are not yet seen to ask for players.
        {"three friends behind one router", 8, 1, true, 0, false, 6.0 + 6.5, 0, 0.0, false, 3, 4},
        // Eight seatings of 3 to 6 s before its own; a newcomer to a full line while the first ones hold seats.
        {"strangers from 8 addresses in line first", 8, 1, true, 0, false, 6.0 + 9 * 6.0, 0, 0.0, false, 1, 1, 0, 8},
        {"a line filled from 256 addresses", 8, 1, true, 0, false, 6.0 + 3 * 3.5, 0, 0.0, false, 1, 1, 0, 256, true},
        // The second friend waits for one seat of each, not for strangers seated and sent away coming back.
        {"friends behind one router before strangers who come back", 8, 1, true, 0, false, 6.0 + 5 * 6.0, 0, 0.0, false,
         2, 2, 0, 0, false, 4},
    };
    struct Stranger
    {
        Net::Address address;
        uint64_t id = 0;
        bool first = false;
        double nextAsk = 0.0;
        std::unique_ptr<Net::MemoryTransport> transport{};
        std::unique_ptr<Net::NetcodeClient> client{};
    };
    settings.maximumPlayers = 8;
    settings.connectionTimeout = 3.0f;
    settings.inactivityTimeout = 10.0f;
    settings.intermissionDuration = 1.0f;
    assets.registry.configurations.Get(1)->bots.resize(16);
    const Net::Address honestAddress(10, 0, 1, 1, 50000);
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.name);
        clients.clear();
        context.configuration.remotePlayers.clear();
        settings.inactivityTimeout = test.leaving ? 0.0f : 10.0f;
        LogCapture log;
        StartServer();
        EXPECT_TRUE(log.Logged("the configuration Two is left out of the vote: its 16 bots and 8 players "
                               "(MaximumPlayers) would not all have a place among the 16 players of a match"));
        EXPECT_EQ(server->GetOfferedConfigurations(), (std::vector<uint32_t>{0, 2}));
        std::vector<std::vector<uint8_t>> forged;
        for (int i = 0; i < test.forgedTokens; ++i)
        {
            Net::ConnectToken token;
            uint8_t bytes[Net::ConnectTokenBytes];
            const Net::Address address = server->GetAddress();
            ASSERT_TRUE(Net::GenerateConnectToken(1, &address, 3600, 10, 900 + i, 0, i, GameServerKey, nullptr, bytes));
            ASSERT_TRUE(Net::ReadConnectToken(bytes, token));
            ASSERT_GT(Net::WriteConnectionRequest(token, forged.emplace_back(Net::ConnectionRequestBytes).data(),
                                                  Net::ConnectionRequestBytes),
                      0);
        }
        uint64_t id = 1000;
        for (uint8_t host = 0; host < test.hosts; ++host)
            for (uint16_t port = 0; port < test.perHost; ++port)
                Start(id++, 10, uint8_t(20 + host), uint16_t(50000 + port));
        std::vector<char> asked(clients.size());
        std::vector<double> since(clients.size());
        uint8_t nextHost = 8;
        std::vector<GameContext> owns(static_cast<size_t>(test.honestCount));
        std::vector<std::unique_ptr<Net::MemoryTransport>> transports;
        std::vector<std::unique_ptr<ClientNetwork>> honest;
        double begun = 0.0;
        uint64_t sent = 0;
        std::vector<Stranger> strangers;
        for (int host = 0; host < test.lineHosts; ++host)
            for (int place = 0; place < 4; ++place)
                strangers.push_back({Net::Address(10, 9, uint8_t(host), 1, uint16_t(50000 + place)), id++, place == 0,
                                     place ? 2.0 : 0.5 + (test.firstStops ? 0.0 : host * 0.2)});
        int lateSeatings = 0;
        const auto seated = [&] {
            return !honest.empty() &&
                   std::ranges::all_of(honest, [](auto& role) { return role->GetClientIndex() >= 0; });
        };
        for (int tick = 0; tick < 60 * 60 && !seated(); ++tick)
        {
            if (test.oneShotHosts)
            {
                auto shot = std::make_unique<TestClient>(network, uint8_t(100 + tick % test.oneShotHosts), limits,
                                                         uint16_t(1000 + tick), time);
                Reconnect(*shot, 100000 + uint64_t(tick));
                (tick < 30 ? clients.emplace_back() : clients[since.size() + size_t(tick) % 30]) = std::move(shot);
            }
            for (size_t i = 0; i < since.size(); ++i)
            {
                Net::Client& client = clients[i]->client;
                const bool gone = static_cast<int>(i) < test.leaving && !honest.empty() && time - begun > 6.0;
                since[i] = client.IsConnected() ? since[i] : time;
                if (gone || (test.leaveAfter > 0.0 && time - since[i] > test.leaveAfter))
                    client.Disconnect();
                if (!gone && (client.IsDisconnected() || client.ConnectionFailed()))
                {
                    if (test.rotateHosts)
                        clients[i] = std::make_unique<TestClient>(network, uint8_t(20 + nextHost++ % test.rotateHosts),
                                                                  limits, 50000, time);
                    Reconnect(*clients[i], id++);
                    asked[i] = false;
                }
                else if (test.addPlayers && client.IsConnected() && !std::exchange(asked[i], char(1)))
                    clients[i]->AddPlayers(1);
            }
            for (const ServerNetwork::InputBuffer& player : server->GetPlayers())
                for (auto& client : clients)
                    if (test.wiggle && client->client.IsConnected() && client->client.GetClientIndex() == player.client)
                        client->Send<InputMessage>(
                            [&](InputMessage& message)
                            {
                                message.player = player.player;
                                message.frame = server->GetFrame() + 10;
                                message.input.aimX = int8_t(int(time / 3.0) % 2);
                            });
            TakeGameSystemSteps(*server, true);
            for (Stranger& stranger : strangers)
            {
                // Seated, it holds the seat; denied or sent away, it lets its address go and asks again in time.
                const auto state = stranger.client ? stranger.client->State() : Net::NETCODE_CLIENT_STATE_DISCONNECTED;
                lateSeatings += state == Net::NETCODE_CLIENT_STATE_CONNECTED && !stranger.first ? 1 : 0;
                if (state <= Net::NETCODE_CLIENT_STATE_DISCONNECTED)
                {
                    stranger.client.reset();
                    stranger.transport.reset();
                }
                if (!stranger.client && time >= stranger.nextAsk && (!stranger.first || !test.firstStops || time < 4.0))
                {
                    stranger.transport = std::make_unique<Net::MemoryTransport>(network, stranger.address);
                    stranger.client = std::make_unique<Net::NetcodeClient>(Net::NetcodeClientConfig{},
                                                                           stranger.transport.get(), time);
                    uint8_t token[Net::ConnectTokenBytes];
                    const Net::Address address = server->GetAddress();
                    ASSERT_TRUE(Net::GenerateConnectToken(1, &address, 3600, 10, stranger.id, 0, stranger.id,
                                                          GameServerKey, nullptr, token));
                    stranger.client->Connect(token);
                    stranger.nextAsk = time + 3.0;
                }
                if (stranger.client)
                    stranger.client->Update(time);
            }
            if (honest.empty() && (test.addPlayers ? server->GetState() == NetworkState::Playing : tick == 30) &&
                (!test.lineHosts || time > 3.0))
            {
                for (GameContext& own : owns)
                {
                    own.registry = &assets.registry;
                    own.configuration.players.emplace_back();
                    transports.push_back(std::make_unique<Net::MemoryTransport>(
                        network, Net::Address(10, 0, 1, 1, uint16_t(50000 + transports.size()))));
                    honest.push_back(std::make_unique<ClientNetwork>(own, ClientSettings{{}, "10.0.0.1", 40000},
                                                                     9 + honest.size(), transports.back().get()));
                }
                begun = time;
                for (int host = 0; host < test.lateHosts; ++host)
                    strangers.push_back({Net::Address(10, 8, uint8_t(host), 1, 50000), id++, true, time + 1.0});
            }
            // A thousand a second, from the start or from when the honest client was challenged, ahead of its
            // answer.
            const double forging = test.forgedFirst ? time : !honest.empty() ? time - begun - 0.5 * Tick : 0.0;
            for (; test.forgedTokens && forging > 0.0 && sent < forging * 1000.0; ++sent)
                network.SendFrom(honestAddress, server->GetAddress(), forged[sent % forged.size()].data(),
                                 Net::ConnectionRequestBytes);
            for (auto& role : honest)
                role->Update(static_cast<int64_t>(Tick * 1e9));
            Run();
            for (uint32_t option : server->GetVotingOptions())
                ASSERT_NE(option, 1u);
        }
        EXPECT_TRUE(seated());
        EXPECT_LT(time - begun, test.within);
        EXPECT_EQ(lateSeatings, 0);
        EXPECT_EQ(sent > 0, test.forgedTokens > 0);
        // Holders who left wait to come back as those sent away do.
        EXPECT_TRUE(test.leaveAfter == 0.0 || std::none_of(clients.begin(), clients.end(),
                                                           [](auto& client) { return client->client.IsConnected(); }));
        const auto idle = std::count_if(log.messages.begin(), log.messages.end(),
                                        [](const std::string& line)
                                        { return line.find("sent no new input for its players in 10") != line.npos; });
        EXPECT_EQ(idle, test.addPlayers && !test.leaving ? 8 : 0);
        server.reset();
        serverTransport.reset();
        time = 0.0;
    }
}

} // namespace ServerNetworkTests

namespace ServerNetworkTests
{

// A server bound to one address that its machine gives up (a lease ended, the address deleted) is reached
// by no one any more: it says so and stops within a second, rather than blame its players or wait for good.
// A client that arrives during a match is told, and its screen shown, that it joins at the next vote.
TEST_F(ServerNetworkTest, AServerWhoseAddressWentStopsAndAHeldClientWaitsForTheNextVote)
{
    struct Losable final : Net::Transport
    {
        Losable(Net::MemoryNetwork& network) : memory(network, Net::Address(10, 0, 0, 1, 40000)) {}
        bool Send(const Net::Address& to, const uint8_t* data, int bytes) override
        {
            return memory.Send(to, data, bytes);
        }
        int Receive(Net::Address& from, uint8_t* data, int bytes) override { return memory.Receive(from, data, bytes); }
        Net::Address GetAddress() const override { return memory.GetAddress(); }
        bool HoldsItsAddress() const override { return held; }
        Net::MemoryTransport memory;
        bool held = true;
    } losable(network);
    settings.connectionTimeout = 1.0f;
    server = std::make_unique<ServerNetwork>(context, settings, 7, &losable);
    Connect(140, 1);
    Connect(141, 1);
    ASSERT_NO_FATAL_FAILURE(StartMatch());
    GameContext own;
    own.registry = &assets.registry;
    own.configuration.players.emplace_back();
    Net::MemoryTransport transport(network, Net::Address(10, 0, 1, 1, 50000));
    ClientNetwork late(own, ClientSettings{{}, "10.0.0.1", 40000}, 9, &transport);
    LogCapture log;
    ASSERT_TRUE(RunUntil([&] { return late.WaitsForNextMatch(); }, 600, &late));
    ASSERT_TRUE(RunUntil([&] { return !log.StartingWith("this client waits").empty(); }, 1200, &late));
    EXPECT_EQ(log.StartingWith("this client waits"),
              std::vector<std::string>{"this client waits for the next vote: the server 10.0.0.1:40000 is in a match "
                                       "with other players, in its vote or in the intermission after a match, and "
                                       "adds this client's players once it waits for players again"});
    ASSERT_NO_FATAL_FAILURE(EndMatch(&late));
    ASSERT_TRUE(RunUntil([&] { return own.configuration.players[0].id != Slot::NoId; }, 1200, &late));
    EXPECT_FALSE(late.WaitsForNextMatch());

    losable.held = false;
    ASSERT_TRUE(RunUntil([&] { return server->GetState() == NetworkState::Stopped; }, 61, &late));
    EXPECT_TRUE(log.Logged("this machine no longer holds 10.0.0.1, the address the server listens at: nothing "
                           "reaches it at 10.0.0.1:40000 and nothing leaves from there, so the server stops. Start it "
                           "again once the machine holds that address, or with HostingIp = \"0.0.0.0\" in "
                           "Assets/server.config for every address of the machine"));
    EXPECT_FALSE(server->LastPlayerLeft());
}

// A server that did not run for its clients' time-out (10 s) finds them gone, whatever they sent meanwhile: it
// says so, ends their connections and waits for players, after a match too. A shorter stall drops nobody.
class StallTest : public ServerNetworkTest, public testing::WithParamInterface<std::pair<double, bool>>
{
};

TEST_P(StallTest, AServerThatDidNotRunForTheTimeOutEndsItsConnectionsAndWaits)
{
    const auto [seconds, afterMatch] = GetParam();
    const bool dropped = seconds >= 10.0;
    FillServer(61);
    ASSERT_NO_FATAL_FAILURE(afterMatch ? PlayMatch() : StartMatch());
    const NetworkState before = server->GetState();
    Run(static_cast<int>(seconds * 60.0), false);
    LogCapture log;
    server->Update(static_cast<int64_t>(seconds * 1e9));
    EXPECT_EQ(server->GetPlayers().size(), dropped ? 0u : 2u);
    EXPECT_EQ(log.StartingWith("the server did not run for 15.0 seconds: its clients timed out").size(), dropped);
    EXPECT_EQ(log.StartingWith("client 1 disconnected: it timed out while the server did not run").size(), dropped);
    if (server->GetState() == NetworkState::Leaving)
        server->BeginEnding();
    EXPECT_TRUE(RunUntil([&] { return server->GetState() == (dropped ? NetworkState::Waiting : before); }));
    EXPECT_FALSE(server->LastPlayerLeft());
}

INSTANTIATE_TEST_SUITE_P(ServerNetwork, StallTest,
                         testing::Values(std::pair(5.0, false), std::pair(15.0, false), std::pair(15.0, true)));

// The last player leaves after a match as a newcomer's connection is taken in (-1) or updates before its request.
class LastPlayerRaceTest : public ServerNetworkTest, public testing::WithParamInterface<int>
{
};

TEST_P(LastPlayerRaceTest, TheLastPlayerLeavingAsANewcomerArrivesLeavesTheServerWaitingForIt)
{
    FillServer(71);
    ASSERT_NO_FATAL_FAILURE(PlayMatch());
    TestClient& last = *clients[0];
    clients[1]->client.Disconnect();
    ASSERT_TRUE(RunUntil(
        [&] { return server->GetState() == NetworkState::Waiting && server->GetPlayers().size() == 1; }, 1200));
    TestClient& newcomer = Start(74);
    // The newcomer's answer to its challenge and the last player's leaving reach the same update.
    for (int tick = 0; tick < 600 && GetParam() < 0 && last.client.IsConnected(); ++tick)
    {
        const uint64_t sent = newcomer.client.GetNetcodeCounters().packetsSent;
        Run(1, false);
        if (newcomer.client.GetNetcodeState() == Net::NETCODE_CLIENT_STATE_SENDING_CONNECTION_RESPONSE &&
            newcomer.client.GetNetcodeCounters().packetsSent > sent)
            last.client.Disconnect();
        server->Update(static_cast<int64_t>(Tick * 1e9));
    }
    ASSERT_TRUE(RunUntil([&] { return newcomer.client.IsConnected(); }));
    if (GetParam() >= 0)
    {
        last.client.Disconnect();
        Run(GetParam());
    }
    newcomer.AddPlayers(1);
    const int seat = newcomer.client.GetClientIndex();
    EXPECT_TRUE(RunUntil([&] { return server->GetPlayers().size() == 1 && server->GetPlayers()[0].client == seat; }));
}

INSTANTIATE_TEST_SUITE_P(ServerNetwork, LastPlayerRaceTest, testing::Values(-1, 2, 1, 0));

// A journal whose disk takes seconds holds up no update: the next match's states keep their rate and the
// clients stay. The end of the program waits for it and for the one handed in after it.
TEST_F(ServerNetworkTest, ASlowJournalWriteHoldsUpNoUpdateAndTheEndWaitsForIt)
{
    FillServer(81);
    std::promise<void> release;
    std::vector<std::string> written;
    auto saver = std::make_unique<JournalSaver>(
        [&, gate = release.get_future().share()](const std::string& path, const std::string&, std::error_code&)
        {
            gate.wait();
            written.push_back(path);
            return true;
        });
    server->SetJournalWriter(
        [&, made = 0](const Journal& journal) mutable
        {
            saver->Save(std::to_string(++made), journal.Write());
            return std::to_string(made);
        });
    ASSERT_NO_FATAL_FAILURE(PlayMatch());
    ASSERT_NO_FATAL_FAILURE(StartMatch());
    // While the first journal is written: a state at once, then 30 a second from the first deadline 0.25 s on.
    Run(720);
    const std::vector<GameMessageType> types = clients[0]->Drain();
    EXPECT_NEAR(std::count(types.begin(), types.end(), GameMessageType::GameState), 354, 2);
    server->SaveJournal();
    EXPECT_EQ(server->GetPlayers().size(), 2u);
    std::thread ending([&] { saver.reset(); });
    release.set_value();
    ending.join();
    EXPECT_EQ(written, (std::vector<std::string>{"1", "2"}));
}

} // namespace ServerNetworkTests
