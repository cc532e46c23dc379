#include "Engine/Foundation/Tick.h"
#include "Libraries/Net/Socket.h"
#include "Source/Data/WeaponData.h"
#include "Source/Network/ClientNetwork.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/Messages/EventMessages.h"
#include "Source/Network/Messages/GameStateMessage.h"
#include "Source/Network/Messages/VantorelMessageFactory.h"
#include "Source/Network/ServerNetwork.h"
#include "Source/Network/WorldState.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/GameContext.h"
#include "Source/World/World.h"
#include "Tests/LogCapture.h"
#include "Tests/NetworkNamespaces.h"
#include "Tests/SimulatedLink.h"
#include "Tests/Source/Data/RegistryTestFolder.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"
#include "Tests/Source/Network/GameSystemSteps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

using namespace Lumvek;
using Lumvek::Testing::LogCapture;

namespace
{

constexpr int64_t TickNanoseconds = 16'666'667;
constexpr float Tick = Lumvek::TickSeconds;

class ClientNetworkTest : public testing::Test
{
protected:
    ClientNetworkTest()
    {
        assets.WriteStandardDefinitions();
        assets.WriteList("Configurations", {"Quick", "Long"});
        assets.Write("Configurations/Quick.data", R"({"Name": "Quick", "GameType": "Deathmatch"})");
        assets.Write("Configurations/Long.data", R"({"Name": "Long", "GameType": "Deathmatch"})");
        assets.registry.LoadAll();
        serverContext.registry = &assets.registry;
        clientContext.registry = &assets.registry;
        clientContext.configuration.players.emplace_back(nullptr, 0);
        clientSettings.matcherIp = "10.0.0.1";
        clientSettings.matcherPort = 40000;
        serverSettings.maximumPlayers = 1;
        serverSettings.voteDuration = 1.0f;
        serverSettings.loadDuration = 0.1f;
        serverSettings.prepareDuration = 0.1f;
        serverSettings.endDuration = 0.5f;
    }
    void StartServer()
    {
        serverTransport = std::make_unique<Net::MemoryTransport>(network, Net::Address(10, 0, 0, 1, 40000));
        server = std::make_unique<ServerNetwork>(serverContext, serverSettings, 5, serverTransport.get());
    }
    void StartClient()
    {
        clientTransport = std::make_unique<Net::MemoryTransport>(network, Net::Address(10, 0, 0, 2, 50000));
        client = std::make_unique<ClientNetwork>(clientContext, clientSettings, 77, clientTransport.get());
    }
    // One frame of both roles, with the game system's part of each played by the test.
    void Run()
    {
        client->Update(TickNanoseconds);
        client->Step(Tick);
        if (!server)
            return;
        server->Update(TickNanoseconds);
        TakeGameSystemSteps(*server);
        TakeGameSystemSteps(*client);
    }
    bool RunUntil(const std::function<bool()>& done, int maxTicks = 1200)
    {
        for (int i = 0; i < maxTicks && !done(); ++i)
            Run();
        return done();
    }

    DataTesting::RegistryTestFolder assets;
    GameContext serverContext;
    GameContext clientContext;
    ServerSettings serverSettings;
    ClientSettings clientSettings;
    Net::MemoryNetwork network;
    // Memory transports, or sockets where a test needs the system's network.
    std::unique_ptr<Net::Transport> serverTransport;
    std::unique_ptr<Net::Transport> clientTransport;
    std::unique_ptr<ServerNetwork> server;
    std::unique_ptr<ClientNetwork> client;
};

} // namespace

// The line says what a player can check, which differs when the client dialled its own machine, and
// the counts count the requests that went unanswered, or that could not be sent.
TEST_F(ClientNetworkTest, AConnectionThatNeverComesAboutStopsTheRole)
{
    const std::pair<const char*, const char*> cases[] = {
        {"10.0.0.1", "could not connect to 10.0.0.1:40000 (connection request timed out): the server did not answer. "
                     "Check that it runs, that its HostingIp is \"0.0.0.0\" or \"10.0.0.1\", the address dialled "
                     "(one on \"::\" takes no IPv4 client, and one on 127.0.0.1 or on another of its machine's "
                     "addresses is not reached at 10.0.0.1), that its HostingPort is 40000 as MatcherPort is, and "
                     "that UDP on port 40000 is let in to it. If 10.0.0.1 is a router's address, the router must "
                     "forward UDP port 40000 to the server's machine, whose HostingIp is then \"0.0.0.0\""},
        {"127.0.0.1", "could not connect to 127.0.0.1:40000 (connection request timed out): nothing answered on this "
                      "machine, which 127.0.0.1 is. A server on another machine needs its address as MatcherIp in "
                      "Assets/client.config; one on this machine must run with HostingPort 40000 (MatcherPort) "
                      "and HostingIp \"127.0.0.1\" or \"0.0.0.0\" (one on \"::\" takes no IPv4 client)"},
    };
    for (const auto& [address, line] : cases)
    {
        clientSettings.matcherIp = address;
        client.reset();
        clientTransport.reset();
        StartClient();
        LogCapture log;
        ASSERT_TRUE(RunUntil([&] { return client->GetState() == NetworkState::Stopped; }, 1200));
        EXPECT_TRUE(log.Logged(line)) << address;
        // One request every tenth of a second for ten seconds.
        EXPECT_TRUE(log.Logged("the client sent 100 connection requests and received 0 packets")) << address;
    }
    // Requests that cannot leave the machine (an IPv4 socket, an IPv6 server) are no silence of the server.
    Net::UdpSocket ipv4(Net::Address("127.0.0.1:0"));
    clientSettings.matcherIp = "fd80::1";
    client = std::make_unique<ClientNetwork>(clientContext, clientSettings, 77, &ipv4);
    LogCapture log;
    ASSERT_TRUE(RunUntil([&] { return client->GetState() == NetworkState::Stopped; }, 1200));
    EXPECT_TRUE(log.Logged("could not connect to [fd80::1]:40000: no connection request could be sent (Address "
                           "family not supported by protocol): this machine has no IPv6. Set MatcherIp to the "
                           "server's IPv4 address in Assets/client.config"));
    EXPECT_TRUE(log.Logged("the client sent 0 connection requests and received 0 packets"));
    client.reset();
}

// Behind a router that forwards its address to a server on its own network without rewriting the answers,
// the server answers from its own address. The client, bound to the address it dials from, still sees those
// answers and takes none, and says where they came from and what to dial.
TEST_F(ClientNetworkTest, AClientAnsweredFromAnotherAddressNamesItWhenItGivesUp)
{
    struct AnsweringFrom final : Net::Transport
    {
        Net::UdpSocket socket{Net::Address("0.0.0.0:0")};
        bool Send(const Net::Address& to, const uint8_t* data, int bytes) override
        {
            return socket.SendFrom(Net::Address("127.0.0.2"), to, data, bytes);
        }
        int Receive(Net::Address& from, uint8_t* data, int bytes) override { return socket.Receive(from, data, bytes); }
        Net::Address GetAddress() const override { return socket.GetAddress(); }
    } lan;
    server = std::make_unique<ServerNetwork>(serverContext, serverSettings, 5, &lan);
    clientSettings.matcherIp = "127.0.0.1";
    clientSettings.matcherPort = lan.GetAddress().GetPort();
    client = std::make_unique<ClientNetwork>(clientContext, clientSettings, 77);
    LogCapture log;
    EXPECT_TRUE(RunUntil([&] { return client->GetState() == NetworkState::Stopped; }, 1200));
    server.reset();
    const std::string port = std::to_string(clientSettings.matcherPort);
    const std::vector<std::string> lines =
        log.StartingWith("could not connect to 127.0.0.1:" + port + " (connection request timed out): ");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].ends_with(" answers came from 127.0.0.2:" + port +
                                   ", and a client takes answers only from the address it dials. Set MatcherIp = "
                                   "\"127.0.0.2\" in Assets/client.config (a router that forwards its address to a "
                                   "server on its own network, without rewriting the answers, does this)"))
        << lines[0];
}

// A client whose own address goes away mid-match hears nothing more, though the server may have answered all
// along: its last line says so, and that starting again joins, rather than that the server went silent.
TEST_F(ClientNetworkTest, AClientWhoseAddressWentAwaySaysSoWhenItsConnectionTimesOut)
{
    Lumvek::Testing::NetworkNamespaces machines;
    serverTransport = std::make_unique<Net::UdpSocket>(Net::Address("[::]:40000"));
    if (!machines.Link("ip -6 addr add fd00::2/64 dev vc nodad", "ip -6 addr add fd00::1/64 dev vs nodad"))
        GTEST_SKIP() << "no network namespaces of the test's own here (they take root, ip and nsenter)";
    server = std::make_unique<ServerNetwork>(serverContext, serverSettings, 5, serverTransport.get());
    clientSettings.matcherIp = "fd00::1";
    clientTransport = Net::UdpSocket::Reaching(Net::Address("fd00::1", 40000));
    ASSERT_EQ(clientTransport->GetAddress().HostText(), "fd00::2");
    client = std::make_unique<ClientNetwork>(clientContext, clientSettings, 77, clientTransport.get());
    // A millisecond a frame lets the link's packets arrive well within the roles' time-outs.
    using namespace std::chrono_literals;
    ASSERT_TRUE(
        RunUntil([&] { return std::this_thread::sleep_for(1ms), server->GetState() == NetworkState::Playing; }));
    ASSERT_EQ(std::system("ip -6 addr del fd00::2/64 dev vc"), 0);
    LogCapture log;
    ASSERT_TRUE(RunUntil([&] { return client->GetState() == NetworkState::Stopped; }));
    EXPECT_EQ(log.StartingWith("disconnected: "),
              std::vector<std::string>{"disconnected: this machine no longer holds the address the connection left "
                                       "from (fd00::2), so nothing more reached the server [fd00::1]:40000 or came "
                                       "back from it: start the client again to join from an address the machine "
                                       "holds"});
}

// A client that did not run for a whole time-out was let go by the server, which went on: it says so.
TEST_F(ClientNetworkTest, AClientThatDidNotRunForATimeOutSaysSo)
{
    StartServer();
    StartClient();
    ASSERT_TRUE(RunUntil([&] { return client->GetClientIndex() >= 0; }));
    LogCapture log;
    for (int tick = 0; tick < 11 * 60; ++tick)
        server->Update(::TickNanoseconds);
    client->Update(11'500'000'000);
    EXPECT_EQ(client->GetState(), NetworkState::Stopped) << "what came meanwhile is a match that went on without it";
    ASSERT_TRUE(RunUntil([&] { return client->GetState() == NetworkState::Stopped; }));
    EXPECT_TRUE(log.Logged("disconnected: this client did not run for 11.5 seconds (the process was stopped, or the "
                           "machine suspended or too busy), so the server 10.0.0.1:40000 heard nothing from it and "
                           "let the connection go: start the client again to join"));
}

TEST_F(ClientNetworkTest, FollowsTheServerFromTheVoteToTheEndAndVotesForItsNumberedPlayerOnly)
{
    serverSettings.voteDuration = 5.0f;
    StartServer();
    StartClient();
    ASSERT_TRUE(RunUntil([&] { return client->GetState() == NetworkState::Voting; }));
    EXPECT_EQ(client->GetClientIndex(), 0);
    EXPECT_EQ(clientContext.configuration.players[0].id, 0u);
    EXPECT_FLOAT_EQ(client->duration, serverSettings.voteDuration - 0.5f) << "the client's countdown is shorter";
    // Two configurations: only their indexes are offered.
    for (uint32_t option : server->GetVotingOptions())
        EXPECT_LT(option, 2u);
    EXPECT_EQ(client->GetVotingOptions(), server->GetVotingOptions());
    ASSERT_EQ(serverContext.configuration.remotePlayers.size(), 1u);
    {
        LogCapture log;
        EXPECT_FALSE(client->SendVote(Slot::NoId, 0));
        EXPECT_FALSE(client->SendVote(0, 3));
        EXPECT_EQ(log.messages.size(), 2u);
        EXPECT_TRUE(log.Logged("the vote of player 255 for option 0 is not sent: outside what the server takes"));
    }
    for (const uint32_t choice : {0u, 2u})
    {
        ASSERT_TRUE(client->SendVote(0, choice));
        ASSERT_TRUE(RunUntil([&] { return serverContext.configuration.remotePlayers[0].vote == choice; }, 60));
    }
    EXPECT_EQ(server->GetState(), NetworkState::Voting);

    // While its match loader fills the world, nothing the server sends reaches it; then all of it, in order.
    ASSERT_TRUE(RunUntil([&] { return client->GetState() == NetworkState::Loading; }));
    client->HoldMessages(true);
    ASSERT_TRUE(RunUntil([&] { return server->GetState() == NetworkState::Playing; }));
    EXPECT_EQ(client->GetNextStateFrame(), 0u);
    client->HoldMessages(false);
    ASSERT_TRUE(RunUntil([&] { return server->GetState() == NetworkState::Playing && server->GetFrame() > 30; }));
    EXPECT_EQ(client->GetState(), NetworkState::Playing);
    EXPECT_EQ(client->GetChosenOption(), server->GetChosenOption());
    EXPECT_GT(client->GetNextStateFrame(), 0u);

    server->SaveJournal();
    ASSERT_TRUE(RunUntil([&] { return client->GetState() == NetworkState::Ended; }));
    const uint32_t frame = client->GetFrame();
    ASSERT_TRUE(RunUntil([&] { return client->GetState() == NetworkState::Leaving; }));
    EXPECT_GT(client->GetFrame(), frame) << "it keeps predicting";
    EXPECT_GE(client->timer, serverSettings.endDuration);
    EXPECT_LT(client->timer, serverSettings.endDuration + 2 * Tick) << "it leaves on the first tick past the end";
}

// After a match the client sits out the intermission the server announced, then waits with the server
// for players until the next vote.
TEST_F(ClientNetworkTest, AfterTheIntermissionTheClientWaitsWithTheServerForTheNextVote)
{
    // A second player would start the vote at once; with one the server waits out its time-out.
    serverSettings.maximumPlayers = 2;
    serverSettings.minimumPlayers = 1;
    serverSettings.connectionTimeout = 1.0f;
    serverSettings.intermissionDuration = 0.5f;
    StartServer();
    StartClient();
    ASSERT_TRUE(RunUntil([&] { return server->GetState() == NetworkState::Playing; }));
    server->SaveJournal();
    // The game system's part: each role leaves its match.
    std::vector<std::pair<NetworkState, NetworkState>> seen;
    const auto note = [&]
    {
        if (client->GetState() == NetworkState::Leaving)
            client->BeginEnding();
        if (server->GetState() == NetworkState::Leaving)
            server->BeginEnding();
        const std::pair<NetworkState, NetworkState> now{client->GetState(), server->GetState()};
        if (seen.empty() || seen.back().first != now.first)
            seen.push_back(now);
        return now.first == NetworkState::Voting;
    };
    ASSERT_TRUE(RunUntil(note));
    // The client may have begun to play before the end reached it.
    ASSERT_GE(seen.size(), 5u);
    const size_t end = seen.size() - 4;
    EXPECT_EQ(seen[end].first, NetworkState::Ended);
    EXPECT_EQ(seen[end + 1].first, NetworkState::Ending);
    // The client's intermission ends after the server's, never before.
    EXPECT_EQ(seen[end + 2], std::pair(NetworkState::Waiting, NetworkState::Waiting));
    EXPECT_EQ(seen[end + 3], std::pair(NetworkState::Voting, NetworkState::Voting));
    EXPECT_FLOAT_EQ(client->duration, serverSettings.voteDuration - 0.5f);
}

// The vote and its choice name the server's configurations (Quick and Long): a client whose list is in
// another order or longer plays the server's; one that lacks an option says so, and the server names
// it, and it leaves. Either way it never loads another than the server's.
class DifferingConfigurations : public ClientNetworkTest,
                                public testing::WithParamInterface<std::pair<std::string_view, bool>>
{
};

TEST_P(DifferingConfigurations, AClientPlaysTheServersConfigurationOrSaysItLacksOneAndLeaves)
{
    const auto& [list, plays] = GetParam();
    DataTesting::RegistryTestFolder own;
    own.WriteStandardDefinitions();
    for (const std::string name : {"Quick", "Long", "Extra", "Lung"})
        own.Write("Configurations/" + name + ".data", R"({"Name": ")" + name + R"(", "GameType": "Deathmatch"})");
    own.Write("Configurations/Configurations.json", std::string(list));
    own.registry.LoadAll();
    clientContext.registry = &own.registry;
    StartServer();
    StartClient();
    LogCapture log;
    RunUntil(
        [&]
        {
            EXPECT_TRUE(clientContext.configuration.key.empty() ||
                        clientContext.configuration.key == serverContext.configuration.key);
            return client->GetState() == NetworkState::Playing || client->GetState() == NetworkState::Stopped;
        });
    EXPECT_EQ(client->GetState(), plays ? NetworkState::Playing : NetworkState::Stopped);
    EXPECT_EQ(client->ConfigurationsDiffer(), !plays);
    EXPECT_EQ(log.StartingWith("client 0 does not have the configuration").size(), plays ? 0u : 1u);
    EXPECT_EQ(log.StartingWith("the server 10.0.0.1:40000 offers the configuration").size(), plays ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Lists, DifferingConfigurations,
                         testing::Values(std::pair(R"(["Long", "Quick"])", true),
                                         std::pair(R"(["Extra", "Quick", "Long"])", true),
                                         std::pair(R"(["Quick"])", false), std::pair(R"(["Quick", "Lung"])", false)),
                         // Names and views (not pointers) that print the same in every build.
                         [](const auto& info)
                         {
                             std::string name(info.param.first);
                             std::erase_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
                             return name;
                         });

TEST_F(ClientNetworkTest, ItIgnoresWhatItCannotHoldAndDropsOldStates)
{
    StartClient();
    const MessageLimits limits = MessageLimits::FromRegistry(assets.registry);
    Net::DefaultAllocator allocator;
    VantorelMessageFactory factory(allocator, limits);
    // Messages of the factory, as the library hands them over, given back at the end of the test.
    std::vector<Net::Message*> made;
    auto make = [&]<class Message>(std::type_identity<Message>) -> Message&
    {
        made.push_back(factory.CreateMessage(static_cast<int>(Message::Type)));
        return static_cast<Message&>(*made.back());
    };
    struct Release
    {
        std::vector<Net::Message*>& made;
        VantorelMessageFactory& factory;
        ~Release()
        {
            for (Net::Message* message : made)
                factory.ReleaseMessage(message);
        }
    } release{made, factory};
    LogCapture log;

    // A remote player who comes and goes outside a match leaves no slot behind; inside one it stays
    // until the match ends.
    auto& added = make(std::type_identity<PlayerAddedMessage>());
    added.client = 3;
    added.player = 5;
    auto& removed = make(std::type_identity<PlayerRemovedMessage>());
    removed.player = 5;
    client->ApplyMessage(added);
    client->ApplyMessage(removed);
    EXPECT_TRUE(clientContext.configuration.remotePlayers.empty());

    auto& voting = make(std::type_identity<VotingOptionsMessage>());
    voting.duration = 3.0f;
    for (size_t i = 0; i < voting.options.size(); ++i)
        voting.options[i].Set(i < 2 ? "Long" : "Quick");
    client->ApplyMessage(voting);
    // The options travel by name; a server with fewer configurations repeats one.
    EXPECT_EQ(client->GetState(), NetworkState::Voting);
    EXPECT_EQ(client->GetVotingOptions(), (std::array<uint32_t, 3>{1, 1, 0}));
    EXPECT_TRUE(log.messages.empty());
    // A player the server has not numbered yet has no vote to send.
    EXPECT_FALSE(client->SendVote(Slot::NoId, 1));

    clientContext.configuration.players[0].id = 0;
    auto& loadouts = make(std::type_identity<SetLoadoutsMessage>());
    loadouts.count = 1;
    loadouts.entries[0] = {0, 1, {limits.heads, 0, 0, 0}};
    const Loadout before = clientContext.configuration.players[0].loadout;
    client->ApplyMessage(loadouts);
    EXPECT_EQ(clientContext.configuration.players[0].loadout, before) << "no head lies at the list's count";

    auto& start = make(std::type_identity<StartGameMessage>());
    auto& state = make(std::type_identity<GameStateMessage>());
    state.frame = 40;
    client->ApplyMessage(state);
    client->ApplyMessage(start);
    EXPECT_EQ(client->GetNextStateFrame(), 0u) << "a new match accepts its first state whatever came before";
    client->ApplyMessage(added);
    client->ApplyMessage(removed);
    EXPECT_EQ(clientContext.configuration.remotePlayers.size(), 1u);
    state.frame = 5;
    client->ApplyMessage(state);
    EXPECT_EQ(client->GetNextStateFrame(), 6u);
    state.frame = 5;
    client->ApplyMessage(state);
    state.frame = 3;
    client->ApplyMessage(state);
    EXPECT_EQ(client->GetNextStateFrame(), 6u);

    auto& spawned = make(std::type_identity<PlayerSpawnedMessage>());
    spawned.player = 0;
    spawned.position = {3.0f, 4.0f};
    spawned.facesLeft = true;
    client->ApplyMessage(spawned);
    EXPECT_TRUE(clientContext.configuration.players[0].pendingSpawn) << "no world player yet: kept for later";
    EXPECT_EQ(clientContext.configuration.players[0].spawnPosition.x, 3.0f);
}

// The server's events on a client's own world: each changes what it names and nothing else, and names
// that are not there change nothing.
TEST(ClientNetworkEvents, EventsChangeWhatTheyNameOnTheClientsWorld)
{
    MatchTesting::Match match(true);
    match.AddLocal(0, 0, 0);
    match.AddBot(1, 1).loadout.core = match.ownRegistry.cores.FindIndex("Jetpack");
    match.Load("Crossroads");
    GameType& rules = match.CreateRules();
    Player& own = match.Place(0, {8.0f, 4.0f});
    Player& other = match.Place(1, {16.0f, 4.0f});

    Net::MemoryNetwork network;
    Net::MemoryTransport transport(network, Net::Address(10, 0, 0, 2, 50000));
    ClientSettings settings;
    settings.matcherIp = "10.0.0.1";
    settings.matcherPort = 40000;
    ClientNetwork client(match, settings, 5, &transport);
    // As it plays, its own player notices the player near it, for its heads-up display's marker, as in a
    // local match; the others' lists are the server's.
    client.BeginStarting();
    client.Step(Tick);
    ASSERT_EQ(own.awareness.size(), 1u);
    EXPECT_EQ(own.awareness[0].identifier, 1u);
    EXPECT_TRUE(other.awareness.empty());
    const MessageLimits limits = MessageLimits::FromRegistry(match.ownRegistry);
    Net::DefaultAllocator allocator;
    VantorelMessageFactory factory(allocator, limits);
    std::vector<Net::Message*> made;
    struct Release
    {
        std::vector<Net::Message*>& made;
        VantorelMessageFactory& factory;
        ~Release()
        {
            for (Net::Message* message : made)
                factory.ReleaseMessage(message);
        }
    } release{made, factory};
    auto make = [&]<class Message>(std::type_identity<Message>) -> Message&
    {
        made.push_back(factory.CreateMessage(static_cast<int>(Message::Type)));
        return static_cast<Message&>(*made.back());
    };

    // A kill: debris, the player dead and out of play, waiting to respawn; an index past the players
    // changes nothing.
    auto& killed = make(std::type_identity<PlayerKilledMessage>());
    killed.player = 16;
    client.ApplyMessage(killed);
    EXPECT_TRUE(rules.GetRespawns().empty());
    // The victim flies its jetpack: the kill ends the part's use, and with it the loop it plays.
    other.input[PlayerAction::Use] = 1;
    other.UpdateParts(Lumvek::TickSeconds);
    ASSERT_TRUE(other.core->discharging);
    killed.player = 1;
    killed.debrisAngle = 450.0f;
    killed.debrisSpeed = 3.0f;
    client.ApplyMessage(killed);
    EXPECT_TRUE(other.IsDead());
    EXPECT_FALSE(other.core->discharging);
    EXPECT_FALSE(other.body.active);
    ASSERT_EQ(rules.GetRespawns().size(), 1u);
    EXPECT_EQ(rules.GetRespawns()[0].player, &other);
    client.ApplyMessage(killed);
    EXPECT_EQ(rules.GetRespawns().size(), 1u) << "one entry however often it is told";
    EXPECT_FALSE(own.IsDead());

    // A pickup goes once; an id nobody has changes nothing.
    const WeaponData* rifle = match.ownRegistry.weapons.Find("Rifle");
    std::unique_ptr<Weapon> weapon = rifle->Create();
    weapon->data = rifle;
    SpawnPoint place;
    place.x = 20.0f;
    place.y = 4.0f;
    Pickup* pickup = CreateWeaponPickupEntity(*match.world, place, 0.0f, {}, false, weapon, -1, 0);
    ASSERT_NE(pickup, nullptr);
    auto& taken = make(std::type_identity<PickupRemovedMessage>());
    taken.pickup = static_cast<uint16_t>(pickup->id + 1);
    client.ApplyMessage(taken);
    EXPECT_TRUE(pickup->body->active);
    taken.pickup = pickup->id;
    taken.hasContents = true;
    client.ApplyMessage(taken);
    client.ApplyMessage(taken);
    EXPECT_FALSE(pickup->body->active);

    // A trigger made from the server's word, and taken away again.
    auto& created = make(std::type_identity<TriggerCreatedMessage>());
    created.trigger = 7;
    created.definition = 0;
    created.position = {12.0f, 3.0f};
    created.size = {1.0f, 1.0f};
    client.ApplyMessage(created);
    Trigger* trigger = match.world->triggers.Find(7);
    ASSERT_NE(trigger, nullptr);
    EXPECT_TRUE(trigger->body->active);
    auto& gone = make(std::type_identity<TriggerRemovedMessage>());
    gone.entity = 7;
    client.ApplyMessage(gone);
    EXPECT_FALSE(trigger->body->active);

    // A feed line is posted here; the scores are the server's count, in its order.
    auto& line = make(std::type_identity<GameTypeEventMessage>());
    line.eventClass = GameTypeEventMessage::FeedClass;
    line.kind = rules.GetSharedKinds().died;
    line.a = 1;
    const size_t feed = rules.GetFeed().size();
    client.ApplyMessage(line);
    EXPECT_EQ(rules.GetFeed().size(), feed + 1);
    auto& score = make(std::type_identity<ScoreMessage>());
    score.teamCount = 2;
    score.teams[0] = {1, 5};
    score.teams[1] = {0, 5};
    score.playerCount = 1;
    score.players[0] = {1, 5};
    client.ApplyMessage(score);
    EXPECT_EQ(rules.GetTeamScores(), (std::vector<ScoreEntry>{{1, 5}, {0, 5}}));
    EXPECT_EQ(rules.GetPlayerScores(), (std::vector<ScoreEntry>{{1, 5}}));

    // A state puts the client's own player where the server has it.
    auto& start = make(std::type_identity<StartGameMessage>());
    client.ApplyMessage(start);
    auto& state = make(std::type_identity<GameStateMessage>());
    state.frame = 0;
    state.state.ownCount = 1;
    CollectFullPlayerState(state.state.ownPlayers[0], own);
    state.state.ownPlayers[0].position = {9.5f, 5.0f};
    client.ApplyMessage(state);
    EXPECT_EQ(own.body.x, 9.5f);
    EXPECT_EQ(own.body.y, 5.0f);

    // After the end the last count stands: a copy sent unreliably before it is out of date.
    auto& end = make(std::type_identity<EndGameMessage>());
    client.ApplyMessage(end);
    ASSERT_EQ(client.GetState(), NetworkState::Ended);
    score.teams[0] = {0, 1};
    score.teams[1] = {1, 0};
    client.ApplyMessage(score);
    EXPECT_EQ(rules.GetTeamScores(), (std::vector<ScoreEntry>{{1, 5}, {0, 5}}));

    // Lengths no timer passes would hold the client in the results, then in the intermission, for ever.
    end.duration = std::numeric_limits<float>::quiet_NaN();
    end.intermission = std::numeric_limits<float>::infinity();
    client.ApplyMessage(end);
    EXPECT_EQ(client.duration, 0.0f);
    client.BeginEnding();
    EXPECT_EQ(client.duration, 0.0f);
}

namespace
{

// A server and two clients, each on its own phase of one injected clock, updated once a tick as their
// headless programs do, or every wakePeriod nanoseconds; the test plays each game system's part.
class ClocklikeMatch
{
public:
    static constexpr int64_t Second = 1'000'000'000;
    // Unsimulated time beyond this is not caught up with, as the game system does.
    static constexpr int64_t MaximumBacklog = Second / 4;

    struct Role
    {
        Network* network = nullptr;
        bool client = false;
        int64_t nextWake = 0;
        int64_t lastWake = 0;
        int64_t accumulator = 0;
        // The role sleeps through every wake before this time, as a stalled machine does.
        int64_t stalledUntil = 0;
    };

    // The links of the server and of each client; the first client reads the start message that much
    // late.
    explicit ClocklikeMatch(int64_t wakePeriod = 0, const std::array<NetworkSettings, 3>& links = {},
                            int64_t heldStart = 0)
        : wakePeriod(wakePeriod), heldStart(heldStart)
    {
        assets.WriteStandardDefinitions();
        assets.WriteList("Configurations", {"Quick"});
        assets.Write("Configurations/Quick.data", R"({"Name": "Quick", "GameType": "Deathmatch"})");
        assets.registry.LoadAll();
        ServerSettings serverSettings;
        static_cast<NetworkSettings&>(serverSettings) = links[0];
        serverSettings.maximumPlayers = 2;
        serverSettings.voteDuration = 0.3f;
        serverSettings.loadDuration = 0.1f;
        serverSettings.prepareDuration = 0.1f;
        ClientSettings clientSettings;
        clientSettings.matcherIp = "10.0.0.1";
        clientSettings.matcherPort = 40000;
        for (GameContext& context : contexts)
            context.registry = &assets.registry;
        transports[0] = std::make_unique<Net::MemoryTransport>(network, Net::Address(10, 0, 0, 1, 40000));
        server = std::make_unique<ServerNetwork>(contexts[0], serverSettings, 5, transports[0].get());
        roles[0].network = server.get();
        for (size_t i = 0; i < clients.size(); ++i)
        {
            contexts[i + 1].configuration.players.emplace_back(nullptr, 0);
            transports[i + 1] = std::make_unique<Net::MemoryTransport>(
                network, Net::Address(10, 0, 0, static_cast<uint8_t>(2 + i), 50000));
            static_cast<NetworkSettings&>(clientSettings) = links[i + 1];
            clientSettings.prepareDuration = serverSettings.prepareDuration;
            clients[i] =
                std::make_unique<ClientNetwork>(contexts[i + 1], clientSettings, 70 + i, transports[i + 1].get());
            roles[i + 1] = {clients[i].get(), true};
        }
        // Phases that are no simple fraction of the tick, so that no role always runs just after another.
        roles[1].nextWake = roles[1].lastWake = 5'300'000;
        roles[2].nextWake = roles[2].lastWake = 11'900'000;
        // Up to the start of play on the server; start stays -1 when it does not come within ten seconds.
        while (start < 0 && now < 10 * Second)
            RunUntil(now + TickNanoseconds);
    }

    // One frame of a role and its game system, then the pause until its next tick is due (a server's
    // tick is its own clock's).
    void Wake(Role& role)
    {
        const int64_t elapsed = now - role.lastWake;
        role.lastWake = now;
        Network& network = *role.network;
        if (&role == &roles[1])
            clients[0]->HoldMessages(start >= 0 && now < start + heldStart);
        network.Update(elapsed);
        if (network.GetState() == NetworkState::Configured)
            network.BeginLoading();
        else if (network.GetState() == NetworkState::Loaded)
            network.BeginPreparing();
        else if (network.GetState() == NetworkState::Prepared)
        {
            network.BeginStarting();
            role.accumulator = 0;
            if (!role.client)
                start = now;
        }
        const NetworkState state = network.GetState();
        if (role.client && (state == NetworkState::Playing || state == NetworkState::Ended))
        {
            role.accumulator = std::min(role.accumulator + elapsed, MaximumBacklog);
            for (; role.accumulator >= TickNanoseconds; role.accumulator -= TickNanoseconds)
                network.Step(static_cast<float>(Lumvek::PreciseTickSeconds));
        }
        role.nextWake = now + (wakePeriod > 0 ? wakePeriod : TickNanoseconds - (role.client ? role.accumulator : 0));
    }
    // Runs every role in the order their wakes fall until the clock reaches the time.
    void RunUntil(int64_t until)
    {
        while (true)
        {
            Role* next = &roles[0];
            for (Role& role : roles)
                if (role.nextWake < next->nextWake)
                    next = &role;
            if (next->nextWake > until)
                break;
            now = next->nextWake;
            if (now < next->stalledUntil)
                next->nextWake = next->stalledUntil;
            else
                Wake(*next);
        }
        now = until;
    }
    const int64_t wakePeriod;
    const int64_t heldStart;
    DataTesting::RegistryTestFolder assets;
    std::array<GameContext, 3> contexts;
    Net::MemoryNetwork network;
    std::array<std::unique_ptr<Net::MemoryTransport>, 3> transports;
    std::unique_ptr<ServerNetwork> server;
    std::array<std::unique_ptr<ClientNetwork>, 2> clients;
    std::array<Role, 3> roles;
    int64_t now = 0;
    int64_t start = -1;
};

} // namespace

// Clients at the clock's rate keep the server at it over any link, whether the roles update once a
// tick or every millisecond, or a start message came late: after the first three seconds hardly a
// frame is stepped without an input, a client in step is never moved (a move hands the server early
// inputs and puts the other client out of step in turn), and one that stalled and lost its backlog is
// moved once and back in time within two. The inputs come no earlier than the link needs (on a quiet one
// within 2.5 frames of their deadlines, and never late). A late starter raises its lead, lowers it on a
// faster link and raises it within about a second on a slower one. After a spike in the delay the lead
// comes back within the spare and the slack in a few seconds.
TEST(ClocklikeMatch, ClientsKeepTheServerAtTheClocksRateWithTheirInputsInTime)
{
    const auto all = [](const NetworkSettings& link) { return std::array{link, link, link}; };
    const NetworkSettings lossy = Simulated(100, 50, 5, 5);
    // The fifth column is the most frames before their deadlines the inputs come at the median; the last,
    // whether the delay then rises to 150 ms at every end for 4 s, twice.
    struct Profile
    {
        const char* name;
        int64_t wakePeriod;
        std::array<NetworkSettings, 3> links;
        int64_t held;
        double early;
        bool spikes = false;
    };
    const Profile profiles[] = {
        {"loopback", 0, {}, 0, 2.5},
        {"1 ms", 0, all(Simulated(1, 0)), 0, 2.5},
        {"loopback, waking every millisecond", 1'000'000, {}, 0, 2.5},
        {"loopback, waking every three ticks", 55'000'000, {}, 0, 4.0},
        {"100 ms, 5% loss and duplication", 0, all(lossy), 0, 10.0},
        {"the same, one start held 250 ms", 0, all(lossy), ClocklikeMatch::Second / 4, 10.0},
        {"150 ms", 0, all(Simulated(150, 50)), 0, 10.0},
        // The server's end adds 5 ms to each: round trips of 20 and 400 ms.
        {"10 and 200 ms", 0, {Simulated(5, 0), Simulated(15, 0), Simulated(395, 0)}, 0, 2.5},
        {"10 +- 5 ms, 150 ms for 4 s twice", 0, all(Simulated(10, 5)), 0, 2.5, true},
    };
    for (const auto& [name, wakePeriod, links, held, early, spikes] : profiles)
    {
        SCOPED_TRACE(name);
        auto raises = std::make_unique<LogCapture>();
        ClocklikeMatch match(wakePeriod, links, held);
        ASSERT_GE(match.start, 0);
        match.RunUntil(match.start + 3 * ClocklikeMatch::Second);
        const uint32_t frame = match.server->GetFrame();
        const uint64_t missing = match.server->GetIncompleteFrames();
        const ServerNetwork::InputTiming timing = match.server->GetInputTiming();
        match.RunUntil(match.start + 33 * ClocklikeMatch::Second);
        const ServerNetwork::InputTiming since = match.server->GetInputTiming().Since(timing);
        EXPECT_LE(since.Quantile(0.5), early);
        EXPECT_LE(match.server->GetIncompleteFrames() - missing,
                  early <= 2.5 ? 0 : (match.server->GetFrame() - frame) / 100);
        EXPECT_EQ(match.clients[1]->GetRealignments(), 0u);
        // Only the late starter found its inputs late, and says so once.
        EXPECT_EQ(raises->StartingWith("this client's inputs reach the server with -").size(), held > 0 ? 1u : 0u);
        raises.reset();

        LogCapture log;
        match.roles[2].stalledUntil = match.now + ClocklikeMatch::Second;
        match.RunUntil(match.now + 3 * ClocklikeMatch::Second);
        const uint64_t stalled = match.server->GetIncompleteFrames();
        match.RunUntil(match.now + ClocklikeMatch::Second);
        EXPECT_LE(match.server->GetIncompleteFrames() - stalled, 1u);
        // The stall's stretch of frames without the input is logged as a few lines and a count.
        EXPECT_LE(log.StartingWith("Missed input").size(), 4u);
        match.RunUntil(match.start + 60 * ClocklikeMatch::Second);
        EXPECT_NEAR(match.server->GetFrame(), 3600.0, 36.0);
        EXPECT_EQ(match.clients[0]->GetRealignments(), 0u);
        EXPECT_EQ(match.clients[1]->GetRealignments(), 1u);
        EXPECT_LE(match.clients[0]->GetPlayPackets(), 1.01 * match.clients[0]->GetPlayTicks()) << "a packet a tick";
        for (int spike = 0; spikes && spike < 2; ++spike)
        {
            // The inputs come late for about a second of each rise and not after the fall: no more than at the
            // first rise when the lead did not come back down (63 frames).
            const uint64_t before = match.server->GetIncompleteFrames();
            for (const float delay : {150.0f, 10.0f})
            {
                for (const auto& role : match.roles)
                    role.network->ApplySimulatorSettings(0, 0, delay, 5);
                match.RunUntil(match.now + 4 * ClocklikeMatch::Second);
            }
            const ServerNetwork::InputTiming timing = match.server->GetInputTiming();
            match.RunUntil(match.now + ClocklikeMatch::Second);
            EXPECT_LE(match.server->GetInputTiming().Since(timing).Quantile(0.5), early + InputLead::SlackFrames);
            EXPECT_LE(match.server->GetIncompleteFrames() - before, 63u);
        }
        if (held == 0)
            continue;
        // Its link gets faster by 80 ms (its end of it).
        const int32_t before = match.clients[0]->GetLead();
        const uint64_t missed = match.server->GetIncompleteFrames();
        match.clients[0]->ApplySimulatorSettings(5, 5, 20, 10);
        match.RunUntil(match.now + 10 * ClocklikeMatch::Second);
        EXPECT_LE(match.clients[0]->GetLead(), before - 3);
        EXPECT_LE(match.server->GetIncompleteFrames() - missed, 6u);
        // Then slower by 100 ms each way, the server's end too: the inputs come late until the client
        // notices, as soon as its round trip shows the change.
        const int32_t faster = match.clients[0]->GetLead();
        match.server->ApplySimulatorSettings(5, 5, 200, 50);
        match.clients[0]->ApplySimulatorSettings(5, 5, 120, 10);
        match.RunUntil(match.now + ClocklikeMatch::Second);
        EXPECT_GE(match.clients[0]->GetLead(), faster + 3);
        const uint64_t slowed = match.server->GetIncompleteFrames();
        match.RunUntil(match.now + 5 * ClocklikeMatch::Second);
        EXPECT_LE(match.server->GetIncompleteFrames() - slowed, 6u);
    }
}
