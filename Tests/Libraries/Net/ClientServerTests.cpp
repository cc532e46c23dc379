#include "Net/Client.h"
#include "Net/Server.h"
#include "NetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <utility>
#include <vector>

using namespace Net;
using namespace NetTest;

// A namespace of its own: the program compiles its files in batches.
namespace ClientServerTests
{

namespace
{

constexpr uint64_t ProtocolId = 0x7e57;
constexpr double Step = 1.0 / 60.0;

enum TransportKind
{
    IN_MEMORY,
    UDP,
};

// Counts the allocations of a block, so a test can tell when memory is taken.
class CountingBlockAllocator : public BlockAllocator
{
public:
    CountingBlockAllocator(void* memory, size_t bytes, uint64_t& count) : BlockAllocator(memory, bytes), count(count) {}
    void* Allocate(size_t bytes, const char* file, int line) override
    {
        ++count;
        return BlockAllocator::Allocate(bytes, file, line);
    }

private:
    uint64_t& count;
};

class CountingAllocator : public DefaultAllocator
{
public:
    void* Allocate(size_t bytes, const char* file, int line) override
    {
        ++count;
        return DefaultAllocator::Allocate(bytes, file, line);
    }
    uint64_t count = 0;
};

struct TestAdapter : Adapter
{
    Allocator* CreateAllocator(Allocator& allocator, void* memory, size_t bytes) override
    {
        return NET_NEW(allocator, CountingBlockAllocator, memory, bytes, allocations);
    }
    MessageFactory* CreateMessageFactory(Allocator& allocator) override
    {
        return NET_NEW(allocator, TestMessageFactory, allocator);
    }
    void OnServerClientConnected(int clientIndex) override { events.emplace_back(clientIndex, true); }
    void OnServerClientDisconnected(int clientIndex) override { events.emplace_back(clientIndex, false); }

    uint64_t allocations = 0;
    std::vector<std::pair<int, bool>> events;
};

// Reliable stream content: every 50th message is a blob large enough to travel in fragments.
Message* MakeStreamMessage(MessageFactory& factory, uint32_t value)
{
    if (value % 50 != 49)
    {
        auto* number = static_cast<NumberMessage*>(factory.CreateMessage(NUMBER_MESSAGE));
        number->value = value;
        return number;
    }
    auto* blob = static_cast<BlobMessage*>(factory.CreateMessage(BLOB_MESSAGE));
    blob->size = 3000;
    std::memcpy(blob->data, &value, sizeof(value));
    for (int i = sizeof(value); i < blob->size; ++i)
        blob->data[i] = uint8_t(value + uint32_t(i));
    return blob;
}

// The value a stream message carries; a damaged blob reads as none.
uint32_t ValueOf(Message* message)
{
    if (message->GetType() == NUMBER_MESSAGE)
        return static_cast<NumberMessage*>(message)->value;
    auto* blob = static_cast<BlobMessage*>(message);
    uint32_t value = 0;
    std::memcpy(&value, blob->data, sizeof(value));
    for (int i = sizeof(value); i < blob->size; ++i)
        if (blob->data[i] != uint8_t(value + uint32_t(i)))
            return UINT32_MAX;
    return blob->size == 3000 ? value : UINT32_MAX;
}

// One end of a connection, a client or one of the server's slots, behind one face.
struct End
{
    Server* server = nullptr;
    Client* client = nullptr;
    int slot = 0;

    MessageFactory& Factory() { return server ? *server->GetMessageFactory(slot) : *client->GetMessageFactory(); }
    // A stream message with the value, sent when the channel takes it.
    bool Send(int channel, uint32_t value)
    {
        if (server ? !server->CanSendMessage(slot, channel) : !client->CanSendMessage(channel))
            return false;
        Message* message = MakeStreamMessage(Factory(), value);
        return server ? server->SendMessage(slot, channel, message) : client->SendMessage(channel, message);
    }
    std::vector<uint32_t> Receive(int channel)
    {
        std::vector<uint32_t> values;
        while (Message* message = server ? server->ReceiveMessage(slot, channel) : client->ReceiveMessage(channel))
        {
            values.push_back(ValueOf(message));
            server ? server->ReleaseMessage(slot, message) : client->ReleaseMessage(message);
        }
        return values;
    }
    NetworkInfo Info()
    {
        NetworkInfo info;
        server ? server->GetNetworkInfo(slot, info) : client->GetNetworkInfo(info);
        return info;
    }
};

class ClientServerTest : public testing::TestWithParam<TransportKind>
{
protected:
    struct Player
    {
        TestAdapter adapter;
        std::unique_ptr<MemoryTransport> transport;
        std::unique_ptr<Client> client;
        bool running = true;
    };

    ClientServerTest()
    {
        GenerateKey(privateKey);
        config.protocolId = ProtocolId;
        config.numChannels = 2;
        config.channel[0].type = CHANNEL_TYPE_RELIABLE_ORDERED;
        config.channel[1].type = CHANNEL_TYPE_UNRELIABLE_UNORDERED;
        config.maxSimulatorPackets = 1024;
        config.serverGlobalMemory = 2 * 1024 * 1024;
        config.serverPerClientMemory = 2 * 1024 * 1024;
        config.clientMemory = 3 * 1024 * 1024;
    }

    std::unique_ptr<Server> MakeServer()
    {
        if (GetParam() == UDP)
            return std::make_unique<Server>(serverAllocator, privateKey, Address(serverBind, 0), config, serverAdapter,
                                            time);
        serverTransport.reset();
        serverTransport = std::make_unique<MemoryTransport>(network, Address(10, 0, 0, 1, 40000));
        return std::make_unique<Server>(serverAllocator, privateKey, *serverTransport, config, serverAdapter, time);
    }
    void StartServer(int maxClients)
    {
        server = MakeServer();
        ASSERT_TRUE(server->Start(maxClients));
    }
    Client& AddClient()
    {
        auto player = std::make_unique<Player>();
        if (GetParam() == UDP)
            player->client =
                std::make_unique<Client>(clientAllocator, Address(clientBind), config, player->adapter, time);
        else
        {
            auto host = uint8_t(2 + players.size());
            player->transport = std::make_unique<MemoryTransport>(network, Address(10, 0, 0, host, 50000));
            player->client =
                std::make_unique<Client>(clientAllocator, *player->transport, config, player->adapter, time);
        }
        players.push_back(std::move(player));
        return *players.back()->client;
    }
    Player& PlayerOf(const Client& client)
    {
        for (auto& player : players)
            if (player->client.get() == &client)
                return *player;
        throw std::runtime_error("no such client");
    }

    std::vector<uint8_t> Token(uint64_t clientId, int timeoutSeconds = 10, int expireSeconds = 600,
                               const uint8_t* key = nullptr)
    {
        std::vector<uint8_t> token(ConnectTokenBytes);
        Address address = dialled ? Address(dialled, server->GetAddress().GetPort()) : server->GetAddress();
        EXPECT_TRUE(GenerateConnectToken(1, &address, expireSeconds, timeoutSeconds, clientId, ProtocolId, 0,
                                         key ? key : privateKey, nullptr, token.data()));
        return token;
    }

    // One frame of every endpoint that runs, as the game drives them; the server's clock may run
    // ahead of the clients'.
    void Tick(bool sendPackets = true)
    {
        time += Step;
        for (auto& player : players)
        {
            if (!player->running)
                continue;
            if (sendPackets)
                player->client->SendPackets();
            player->client->ReceivePackets();
            player->client->AdvanceTime(time);
        }
        if (server && serverRunning)
        {
            if (sendPackets)
                server->SendPackets();
            server->ReceivePackets();
            server->AdvanceTime(time + serverClockAhead);
        }
    }
    bool TickUntil(const std::function<bool()>& done, int maxTicks = 600)
    {
        for (int i = 0; i < maxTicks && !done(); ++i)
            Tick();
        return done();
    }
    bool Connect(Client& client, uint64_t clientId, int timeoutSeconds = 10)
    {
        client.Connect(clientId, Token(clientId, timeoutSeconds).data());
        return TickUntil([&] { return !client.IsConnecting(); }) && client.IsConnected();
    }

    // Where sockets bind, and the address a token names when not the server's own.
    const char* serverBind = "127.0.0.1";
    const char* clientBind = "0.0.0.0";
    const char* dialled = nullptr;
    MemoryNetwork network;
    uint8_t privateKey[KeyBytes];
    ClientServerConfig config;
    CountingAllocator serverAllocator;
    DefaultAllocator clientAllocator;
    TestAdapter serverAdapter;
    std::unique_ptr<MemoryTransport> serverTransport;
    std::unique_ptr<Server> server;
    std::vector<std::unique_ptr<Player>> players;
    bool serverRunning = true;
    double serverClockAhead = 0.0;
    double time = 0.0;
};

using Events = std::vector<std::pair<int, bool>>;

} // namespace

TEST_P(ClientServerTest, ConnectsExchangesMessagesBothWaysAndDisconnects)
{
    StartServer(4);
    EXPECT_EQ(server->GetNetworkSimulator(), nullptr);
    Client& first = AddClient();
    Client& second = AddClient();
    EXPECT_EQ(first.GetNetworkSimulator(), nullptr);
    EXPECT_FALSE(first.SendMessage(0, first.CreateMessage(NUMBER_MESSAGE))) << "not connected yet";
    ASSERT_TRUE(Connect(first, 1001));
    ASSERT_TRUE(Connect(second, 1002));
    EXPECT_EQ(serverAdapter.events, (Events{{0, true}, {1, true}}));
    EXPECT_EQ(server->GetNumConnectedClients(), 2);
    EXPECT_EQ(first.GetClientIndex(), 0);
    EXPECT_EQ(second.GetClientIndex(), 1);
    EXPECT_EQ(server->GetClientId(1), 1002u);
    EXPECT_EQ(server->CreateMessage(4, NUMBER_MESSAGE), nullptr) << "no such slot";

    End clients[2] = {{nullptr, &first}, {nullptr, &second}};
    End slots[2] = {{server.get(), nullptr, 0}, {server.get(), nullptr, 1}};
    for (int c = 0; c < 2; ++c)
        for (int channel = 0; channel < 2; ++channel)
            for (uint32_t i = 0; i < 3; ++i)
            {
                ASSERT_TRUE(clients[c].Send(channel, uint32_t(100 * c + 10 * channel) + i));
                ASSERT_TRUE(slots[c].Send(channel, uint32_t(1000 + 100 * c + 10 * channel) + i));
            }
    for (int i = 0; i < 5; ++i)
        Tick();
    for (int c = 0; c < 2; ++c)
    {
        for (int channel = 0; channel < 2; ++channel)
        {
            uint32_t base = uint32_t(100 * c + 10 * channel);
            EXPECT_EQ(slots[c].Receive(channel), (std::vector<uint32_t>{base, base + 1, base + 2}));
            EXPECT_EQ(clients[c].Receive(channel), (std::vector<uint32_t>{base + 1000, base + 1001, base + 1002}));
        }
        NetworkInfo info = clients[c].Info();
        EXPECT_TRUE(info.numPacketsSent > 0 && info.numPacketsReceived > 0 && info.numPacketsAcked > 0);
    }

    // Leaving drops what the server had queued for the client; the next connection to the slot
    // starts afresh.
    ASSERT_TRUE(slots[0].Send(0, 666));
    first.Disconnect();
    EXPECT_TRUE(first.IsDisconnected());
    EXPECT_FALSE(first.ConnectionFailed());
    Tick();
    EXPECT_FALSE(server->IsClientConnected(0));
    EXPECT_EQ(serverAdapter.events.back(), std::make_pair(0, false));
    EXPECT_EQ(server->GetMessageFactory(0)->GetNumLiveMessages(), 0);
    ASSERT_TRUE(Connect(first, 1001));
    EXPECT_EQ(first.GetClientIndex(), 0);
    ASSERT_TRUE(slots[0].Send(0, 7));
    for (int i = 0; i < 3; ++i)
        Tick();
    EXPECT_EQ(clients[0].Receive(0), std::vector<uint32_t>{7});

    // The server ends the other connection, then stops.
    server->DisconnectClient(1);
    EXPECT_TRUE(TickUntil([&] { return second.IsDisconnected(); }));
    EXPECT_FALSE(second.ConnectionFailed());
    server->Stop();
    EXPECT_FALSE(server->IsRunning());
    EXPECT_EQ(serverAdapter.events, (Events{{0, true}, {1, true}, {0, false}, {0, true}, {1, false}, {0, false}}));
    EXPECT_TRUE(TickUntil([&] { return first.IsDisconnected(); }));
}

TEST_P(ClientServerTest, SilentPeersTimeOut)
{
    StartServer(2);
    Client& quiet = AddClient();
    Client& patient = AddClient();
    ASSERT_TRUE(Connect(quiet, 1, 1));
    ASSERT_TRUE(Connect(patient, 2, 1));

    PlayerOf(quiet).running = false;
    for (int i = 0; i < 90; ++i)
        Tick();
    EXPECT_EQ(serverAdapter.events, (Events{{0, true}, {1, true}, {0, false}}));
    EXPECT_TRUE(patient.IsConnected());

    serverRunning = false;
    for (int i = 0; i < 90; ++i)
        Tick();
    EXPECT_TRUE(patient.ConnectionFailed());
    EXPECT_EQ(patient.GetNetcodeState(), NETCODE_CLIENT_STATE_CONNECTION_TIMED_OUT);
    EXPECT_EQ(patient.GetClientIndex(), -1);
}

TEST_P(ClientServerTest, RefusesWhoeverMayNotConnect)
{
    StartServer(1);
    // Two minutes ahead of the token maker: tokens that expire sooner are too old here.
    serverClockAhead = 120.0;
    Client& owner = AddClient();
    std::vector<uint8_t> ownersToken = Token(1, 1);
    owner.Connect(1, ownersToken.data());
    ASSERT_TRUE(TickUntil([&] { return owner.IsConnected(); }));

    uint8_t otherKey[KeyBytes];
    GenerateKey(otherKey);
    std::vector<uint8_t> deniedToken = Token(2, 1);
    struct Case
    {
        const char* name;
        uint64_t clientId;
        std::vector<uint8_t> token;
        NetcodeClientState outcome;
    };
    const Case cases[] = {
        {"the server is full", 2, deniedToken, NETCODE_CLIENT_STATE_CONNECTION_DENIED},
        {"a token used from another address", 2, deniedToken, NETCODE_CLIENT_STATE_CONNECTION_REQUEST_TIMED_OUT},
        {"expired", 3, Token(3, 1, 60), NETCODE_CLIENT_STATE_CONNECTION_REQUEST_TIMED_OUT},
        {"sealed with another key", 4, Token(4, 1, 600, otherKey), NETCODE_CLIENT_STATE_CONNECTION_REQUEST_TIMED_OUT},
        {"a client id already connected", 1, Token(1, 1), NETCODE_CLIENT_STATE_CONNECTION_REQUEST_TIMED_OUT},
        {"unreadable", 5, std::vector<uint8_t>(ConnectTokenBytes), NETCODE_CLIENT_STATE_INVALID_CONNECT_TOKEN},
    };
    for (const Case& c : cases)
    {
        Client& intruder = AddClient();
        intruder.Connect(c.clientId, c.token.data());
        ASSERT_TRUE(TickUntil([&] { return !intruder.IsConnecting(); })) << c.name;
        EXPECT_TRUE(intruder.ConnectionFailed()) << c.name;
        EXPECT_EQ(intruder.GetNetcodeState(), c.outcome) << c.name;
    }
    EXPECT_TRUE(owner.IsConnected());
    EXPECT_EQ(server->GetNumConnectedClients(), 1);
    EXPECT_EQ(serverAdapter.events, (Events{{0, true}}));

    owner.Disconnect();
    Client& latecomer = AddClient();
    ASSERT_TRUE(Connect(latecomer, 2));
    EXPECT_EQ(server->GetClientId(0), 2u);
}

TEST_P(ClientServerTest, DeliversReliablyAndInOrderOverABadNetwork)
{
    config.networkSimulator = true;
    // Leaves every packet room for the tick's unreliable message.
    config.channel[0].packetBudget = 4000;
    StartServer(1);
    Client& client = AddClient();
    uint64_t seed = 1234;
    for (NetworkSimulator* simulator : {server->GetNetworkSimulator(), client.GetNetworkSimulator()})
    {
        ASSERT_NE(simulator, nullptr);
        simulator->SetSeed(seed++);
        simulator->SetPacketLoss(20.0f);
        simulator->SetLatency(100.0f);
        simulator->SetJitter(50.0f);
        simulator->SetDuplicates(10.0f);
    }
    ASSERT_TRUE(Connect(client, 42));

    End ends[2] = {{nullptr, &client}, {server.get(), nullptr}};
    uint32_t nextReliable[2] = {}, nextUnreliable[2] = {}, expectedReliable[2] = {};
    std::vector<uint32_t> unreliable[2];
    auto tick = [&](bool sendPackets)
    {
        Tick(sendPackets);
        for (int e = 0; e < 2; ++e)
        {
            for (uint32_t value : ends[e].Receive(0))
                ASSERT_EQ(value, expectedReliable[e]++);
            for (uint32_t value : ends[e].Receive(1))
                unreliable[e].push_back(value);
        }
    };
    // Between quiet spells, with nothing in flight, every packet an end takes in carries exactly
    // one unreliable message: it receives as many as it received packets.
    auto quiet = [&]
    {
        for (int i = 0; i < 30; ++i)
            tick(false);
    };
    quiet();
    uint64_t packetsBefore[2] = {ends[0].Info().numPacketsReceived, ends[1].Info().numPacketsReceived};
    const int sendingTicks = 300;
    for (int t = 0; t < sendingTicks; ++t)
    {
        for (int e = 0; e < 2; ++e)
        {
            for (int i = 0; i < 2; ++i)
                ASSERT_TRUE(ends[e].Send(0, nextReliable[e]++));
            ASSERT_TRUE(ends[e].Send(1, nextUnreliable[e]++));
        }
        tick(true);
    }
    for (End& end : ends)
        EXPECT_NEAR(end.Info().rtt, 200.0f, 60.0f);
    quiet();
    for (int e = 0; e < 2; ++e)
    {
        SCOPED_TRACE(e);
        uint64_t packets = ends[e].Info().numPacketsReceived - packetsBefore[e];
        EXPECT_EQ(unreliable[e].size(), packets);
        EXPECT_LT(unreliable[e].size(), size_t(sendingTicks) * 9 / 10) << "the network lost packets";
        std::set<uint32_t> distinct(unreliable[e].begin(), unreliable[e].end());
        EXPECT_EQ(distinct.size(), unreliable[e].size());
        EXPECT_LT(*distinct.rbegin(), uint32_t(sendingTicks));
    }

    for (int t = 0; t < 1200 && (expectedReliable[0] < nextReliable[1] || expectedReliable[1] < nextReliable[0]); ++t)
        tick(true);
    EXPECT_EQ(expectedReliable[0], nextReliable[1]);
    EXPECT_EQ(expectedReliable[1], nextReliable[0]);
    EXPECT_TRUE(client.IsConnected());
    EXPECT_GT(ends[1].Info().packetLoss, 0.0f);
}

TEST_P(ClientServerTest, EachClientLivesWithinItsOwnMemory)
{
    config.serverPerClientMemory = 64 * 1024;
    EXPECT_FALSE(MakeServer()->Start(1)) << "a budget too small for one connection";
    config.serverPerClientMemory = 2 * 1024 * 1024;
    StartServer(2);
    if (GetParam() == UDP)
    {
        Server second(serverAllocator, privateKey, server->GetAddress(), config, serverAdapter, time);
        EXPECT_FALSE(second.Start(1)) << "its port is taken";
    }
    Client& client = AddClient();
    ASSERT_TRUE(Connect(client, 9));
    TestAdapter& clientAdapter = PlayerOf(client).adapter;

    // Packets alone, acks and all, take no memory; messages take their own and nothing else.
    uint64_t fromServerAllocator = serverAllocator.count;
    uint64_t serverBefore = serverAdapter.allocations, clientBefore = clientAdapter.allocations;
    for (int i = 0; i < 120; ++i)
        Tick();
    EXPECT_EQ(serverAdapter.allocations, serverBefore);
    EXPECT_EQ(clientAdapter.allocations, clientBefore);
    End ends[2] = {{nullptr, &client}, {server.get(), nullptr}};
    for (int i = 0; i < 60; ++i)
    {
        for (End& end : ends)
            ASSERT_TRUE(end.Send(i % 2, 0));
        // Three frames: the server's packets of a frame go out after the clients have read theirs.
        for (int t = 0; t < 3; ++t)
            Tick();
        for (End& end : ends)
            ASSERT_EQ(end.Receive(i % 2), std::vector<uint32_t>{0});
    }
    EXPECT_EQ(serverAdapter.allocations, serverBefore + 120) << "60 made and 60 received";
    EXPECT_EQ(clientAdapter.allocations, clientBefore + 120);

    // A peer that floods a server that does not read spends its own slot's memory and is cut off.
    for (int i = 0; i < 600 && server->IsClientConnected(0); ++i)
    {
        for (int m = 0; m < 4 && client.CanSendMessage(0); ++m)
        {
            auto* blob = static_cast<BlobMessage*>(client.CreateMessage(BLOB_MESSAGE));
            ASSERT_NE(blob, nullptr);
            blob->size = 1000;
            client.SendMessage(0, blob);
        }
        Tick();
    }
    EXPECT_FALSE(server->IsClientConnected(0));
    EXPECT_EQ(serverAdapter.events, (Events{{0, true}, {0, false}}));
    EXPECT_EQ(server->GetMessageFactory(0)->GetNumLiveMessages(), 0);
    EXPECT_EQ(serverAllocator.count, fromServerAllocator);
    EXPECT_TRUE(TickUntil([&] { return client.IsDisconnected(); }));
    EXPECT_FALSE(client.ConnectionFailed()) << "the server ended it, not the client's own memory";

    ASSERT_TRUE(Connect(client, 9));
    ASSERT_TRUE(ends[0].Send(0, 5));
    for (int i = 0; i < 3; ++i)
        Tick();
    EXPECT_EQ(ends[1].Receive(0), std::vector<uint32_t>{5});

    // A message the client's channel refuses breaks the client's side of the connection.
    auto* ranged = static_cast<RangedMessage*>(client.CreateMessage(RANGED_MESSAGE));
    ranged->value = 9;
    EXPECT_FALSE(client.SendMessage(0, ranged));
    Tick();
    EXPECT_TRUE(client.ConnectionFailed());
    EXPECT_TRUE(TickUntil([&] { return !server->IsClientConnected(0); }));
}

INSTANTIATE_TEST_SUITE_P(Transports, ClientServerTest, testing::Values(IN_MEMORY, UDP),
                         [](const testing::TestParamInfo<TransportKind>& info)
                         { return info.param == UDP ? "Udp" : "InMemory"; });

TEST_P(ClientServerTest, AClientLeavingWhileItSendsItsResponseFreesItsSlot)
{
    StartServer(1);
    Client& hasty = AddClient();
    hasty.Connect(7, Token(7).data());
    // The server admits the client one step before the client hears of it.
    ASSERT_TRUE(TickUntil([&] { return server->IsClientConnected(0); }));
    ASSERT_EQ(hasty.GetNetcodeState(), NETCODE_CLIENT_STATE_SENDING_CONNECTION_RESPONSE);
    hasty.Disconnect();
    Tick();
    EXPECT_FALSE(server->IsClientConnected(0));
    EXPECT_EQ(serverAdapter.events, (Events{{0, true}, {0, false}}));
    // Its next attempt is not refused as already connected.
    EXPECT_TRUE(Connect(hasty, 7));
}

TEST_P(ClientServerTest, AClientIdleLongerThanTheTimeoutConnectsAtOnce)
{
    StartServer(1);
    Client& idle = AddClient();
    for (int i = 0; i < 5; ++i)
    {
        time += 10.0;
        Tick();
    }
    EXPECT_TRUE(Connect(idle, 3, 2));
}

TEST_P(ClientServerTest, TheSimulatorActsOnConnectionPacketsAndKeepAlives)
{
    config.networkSimulator = true;
    StartServer(1);
    Client& client = AddClient();
    client.GetNetworkSimulator()->SetPacketLoss(100.0f);
    EXPECT_FALSE(Connect(client, 1, 1)) << "every request is lost";
    EXPECT_EQ(client.GetNetcodeState(), NETCODE_CLIENT_STATE_CONNECTION_REQUEST_TIMED_OUT);

    client.GetNetworkSimulator()->SetPacketLoss(0.0f);
    ASSERT_TRUE(Connect(client, 1, 1));
    // With nothing from the server arriving, keep-alives included, the client times out.
    server->GetNetworkSimulator()->SetPacketLoss(100.0f);
    EXPECT_TRUE(TickUntil([&] { return client.ConnectionFailed(); }, 120));
    EXPECT_EQ(client.GetNetcodeState(), NETCODE_CLIENT_STATE_CONNECTION_TIMED_OUT);
}

// A server bound to every address of its machine is reached at each of them, and a client takes
// packets only from the address it dialled: the server must answer each client from there, not from
// the address the system prefers (127.0.0.1 for every 127.x, on a loopback that holds them all).
class EveryAddress : public ClientServerTest
{
protected:
    // A client dials each address, and each client and its slot send each other a message.
    void JoinAtEach(const char* every, const std::vector<const char*>& addresses)
    {
        serverBind = clientBind = every;
        StartServer(static_cast<int>(addresses.size()));
        std::vector<End> ends;
        for (size_t i = 0; i < addresses.size(); ++i)
        {
            dialled = addresses[i];
            Client& client = AddClient();
            ASSERT_TRUE(Connect(client, 100 + i)) << "dialling " << dialled;
            ends.push_back({nullptr, &client});
            ends.push_back({server.get(), nullptr, client.GetClientIndex()});
        }
        std::vector<std::vector<uint32_t>> received(ends.size());
        for (size_t i = 0; i < ends.size(); ++i)
            ASSERT_TRUE(ends[i].Send(0, uint32_t(i)));
        ASSERT_TRUE(TickUntil(
            [&]
            {
                for (size_t i = 0; i < ends.size(); ++i)
                    for (uint32_t value : ends[i].Receive(0))
                        received[i].push_back(value);
                return std::none_of(received.begin(), received.end(), [](auto& values) { return values.empty(); });
            }));
        // A client and its slot are neighbours in the list: each has the other's message.
        for (size_t i = 0; i < ends.size(); ++i)
            EXPECT_EQ(received[i], std::vector<uint32_t>{uint32_t(i ^ 1)}) << addresses[i / 2];
    }
};

INSTANTIATE_TEST_SUITE_P(Sockets, EveryAddress, testing::Values(UDP));

TEST_P(EveryAddress, IPv4ClientsJoinAtEachAddressOfTheMachine)
{
    JoinAtEach("0.0.0.0", {"127.0.0.2", "127.0.0.1"});
}

TEST_P(EveryAddress, IPv6ClientsJoinAtTheLoopback)
{
    if (!UdpSocket(Address("[::1]:0")).IsOpen())
        GTEST_SKIP() << "no IPv6 loopback on this machine";
    JoinAtEach("::", {"::1"});
}

} // namespace ClientServerTests
