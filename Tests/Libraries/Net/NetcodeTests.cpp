#include "Net/NetcodeClient.h"
#include "Net/NetcodeServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

using namespace Net;

// A namespace of its own: the program compiles its files in batches.
namespace NetcodeTests
{

namespace
{

constexpr uint64_t ProtocolId = 0x5678ull;
constexpr double Step = 0.05;

// Sits between an endpoint and its transport: keeps a copy of every packet sent and lets a test
// lose the ones it picks.
struct Tap
{
    Transport* transport = nullptr;
    std::vector<std::pair<Address, std::vector<uint8_t>>> sent;
    std::function<bool(const uint8_t* data, int bytes)> lose;

    static bool Send(void* context, const Address&, const Address& to, const uint8_t* data, int bytes)
    {
        Tap& tap = *static_cast<Tap*>(context);
        tap.sent.emplace_back(to, std::vector<uint8_t>(data, data + bytes));
        if (tap.lose && tap.lose(data, bytes))
            return true;
        return tap.transport->Send(to, data, bytes);
    }
    int Count(PacketType type) const
    {
        int count = 0;
        for (const auto& packet : sent)
            count += (packet.second[0] & 0x0F) == type ? 1 : 0;
        return count;
    }
};

struct Events
{
    std::vector<std::pair<int, bool>> list;
    // The client ids whose answers the admission check heard.
    std::vector<uint64_t> answers;
    static void Record(void* context, int clientIndex, bool connected)
    {
        static_cast<Events*>(context)->list.emplace_back(clientIndex, connected);
    }
    static bool Admit(void* context, const Address&, uint64_t clientId, bool answered)
    {
        if (answered)
            static_cast<Events*>(context)->answers.push_back(clientId);
        return true;
    }
};

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

class NetcodeTest : public testing::Test
{
protected:
    struct Player
    {
        // Declared in the order they may use each other: the client, going first, still sends.
        Tap tap;
        std::unique_ptr<MemoryTransport> transport;
        std::unique_ptr<NetcodeClient> client;
    };

    NetcodeTest() { GenerateKey(privateKey); }

    NetcodeServerConfig ServerConfig()
    {
        NetcodeServerConfig config;
        config.protocolId = ProtocolId;
        std::memcpy(config.privateKey, privateKey, KeyBytes);
        config.connectCallback = &Events::Record;
        config.callbackContext = &events;
        config.sendFunction = &Tap::Send;
        config.sendContext = &serverTap;
        return config;
    }

    void StartServer(int maxClients) { StartServer(maxClients, ServerConfig()); }
    void StartServer(int maxClients, const NetcodeServerConfig& config)
    {
        serverTap.transport = &serverTransport;
        server = std::make_unique<NetcodeServer>(config, &serverTransport, time);
        ASSERT_TRUE(server->Start(maxClients));
    }

    NetcodeClient& AddPlayer(const Address& address)
    {
        auto player = std::make_unique<Player>();
        player->transport = std::make_unique<MemoryTransport>(network, address);
        player->tap.transport = player->transport.get();
        NetcodeClientConfig config;
        config.sendFunction = &Tap::Send;
        config.sendContext = &player->tap;
        player->client = std::make_unique<NetcodeClient>(config, player->transport.get(), time);
        players.push_back(std::move(player));
        return *players.back()->client;
    }
    Player& PlayerOf(const NetcodeClient& client)
    {
        for (auto& player : players)
            if (player->client.get() == &client)
                return *player;
        throw std::runtime_error("no such player");
    }

    std::vector<uint8_t> Token(uint64_t clientId, int timeoutSeconds = 5, int expireSeconds = 60,
                               std::vector<Address> addresses = {}, const uint8_t* key = nullptr)
    {
        if (addresses.empty())
            addresses.push_back(serverAddress);
        std::vector<uint8_t> token(ConnectTokenBytes);
        uint8_t userData[UserDataBytes] = {};
        std::memcpy(userData, &clientId, sizeof(clientId));
        EXPECT_TRUE(GenerateConnectToken(static_cast<int>(addresses.size()), addresses.data(), expireSeconds,
                                         timeoutSeconds, clientId, ProtocolId, 0, key ? key : privateKey, userData,
                                         token.data()));
        return token;
    }

    // The request a client of the token sends.
    std::vector<uint8_t> Request(uint64_t clientId, int timeoutSeconds)
    {
        ConnectToken token;
        EXPECT_TRUE(ReadConnectToken(Token(clientId, timeoutSeconds).data(), token));
        std::vector<uint8_t> request(ConnectionRequestBytes);
        EXPECT_GT(WriteConnectionRequest(token, request.data(), ConnectionRequestBytes), 0);
        return request;
    }

    // One tick of everything that runs: players first, then the server.
    void Tick(bool runServer = true, bool runPlayers = true)
    {
        time += Step;
        if (runPlayers)
            for (auto& player : players)
                player->client->Update(time);
        if (runServer && server)
            server->Update(time);
    }
    bool TickUntil(const std::function<bool()>& done, int maxTicks = 400)
    {
        for (int i = 0; i < maxTicks && !done(); ++i)
            Tick();
        return done();
    }
    bool Connect(NetcodeClient& client, const std::vector<uint8_t>& token)
    {
        client.Connect(token.data());
        return TickUntil([&] { return client.State() == NETCODE_CLIENT_STATE_CONNECTED; });
    }
    // Challenged while a slot was free, the client's responses are lost until the other fills the server.
    Tap& ChallengedUntilFull(NetcodeClient& client, uint64_t clientId, NetcodeClient& other, uint64_t otherId)
    {
        Tap& tap = PlayerOf(client).tap;
        tap.lose = [](const uint8_t* data, int) { return (data[0] & 0x0F) == PACKET_CONNECTION_RESPONSE; };
        client.Connect(Token(clientId).data());
        EXPECT_TRUE(TickUntil([&] { return client.State() == NETCODE_CLIENT_STATE_SENDING_CONNECTION_RESPONSE; }));
        EXPECT_TRUE(Connect(other, Token(otherId)));
        tap.lose = nullptr;
        return tap;
    }
    // The token as it was, but its sealed part names another server than its public part.
    std::vector<uint8_t> NamingInside(std::vector<uint8_t> bytes, const Address& address)
    {
        ConnectToken token;
        PrivateConnectToken inside;
        EXPECT_TRUE(ReadConnectToken(bytes.data(), token));
        EXPECT_TRUE(
            OpenPrivateConnectToken(token.privateData, ProtocolId, token.expireTimestamp, token.nonce, privateKey));
        EXPECT_TRUE(ReadPrivateConnectToken(token.privateData, inside));
        inside.serverAddresses[0] = address;
        EXPECT_TRUE(WritePrivateConnectToken(inside, token.privateData));
        EXPECT_TRUE(
            SealPrivateConnectToken(token.privateData, ProtocolId, token.expireTimestamp, token.nonce, privateKey));
        EXPECT_TRUE(WriteConnectToken(token, bytes.data()));
        return bytes;
    }
    bool Settles(NetcodeClient& client)
    {
        return TickUntil([&] { return !client.IsConnecting(); });
    }

    MemoryNetwork network;
    uint8_t privateKey[KeyBytes];
    Address serverAddress{10, 0, 0, 1, 40000};
    MemoryTransport serverTransport{network, serverAddress};
    Tap serverTap;
    Events events;
    std::unique_ptr<NetcodeServer> server;
    std::vector<std::unique_ptr<Player>> players;
    double time = 0.0;
};

std::vector<uint8_t> ReceiveAll(NetcodeServer& server, int clientIndex)
{
    std::vector<uint8_t> all;
    int bytes = 0;
    uint64_t sequence = 0;
    while (const uint8_t* payload = server.ReceivePayload(clientIndex, bytes, sequence))
    {
        all.insert(all.end(), payload, payload + bytes);
        server.FreePayload(payload);
    }
    return all;
}

std::vector<uint8_t> ReceiveAll(NetcodeClient& client)
{
    std::vector<uint8_t> all;
    int bytes = 0;
    uint64_t sequence = 0;
    while (const uint8_t* payload = client.ReceivePayload(bytes, sequence))
    {
        all.insert(all.end(), payload, payload + bytes);
        client.FreePayload(payload);
    }
    return all;
}

// Sequences of the sealed packets in [begin, end) of a tap, leaving out those sent before a slot
// existed (top bit set) and the unsealed requests.
std::vector<uint64_t> SlotSequences(const Tap& tap, size_t begin, size_t end)
{
    std::vector<uint64_t> sequences;
    for (size_t i = begin; i < end; ++i)
    {
        const std::vector<uint8_t>& packet = tap.sent[i].second;
        uint64_t sequence = 0;
        for (int byte = 0; byte < (packet[0] >> 4); ++byte)
            sequence |= static_cast<uint64_t>(packet[1 + static_cast<size_t>(byte)]) << (8 * byte);
        if (packet[0] != PACKET_CONNECTION_REQUEST && sequence < (1ull << 63))
            sequences.push_back(sequence);
    }
    return sequences;
}
uint64_t LowestSequence(const Tap& tap, size_t begin, size_t end)
{
    std::vector<uint64_t> sequences = SlotSequences(tap, begin, end);
    return sequences.empty() ? 0 : *std::min_element(sequences.begin(), sequences.end());
}
uint64_t HighestSequence(const Tap& tap, size_t begin, size_t end)
{
    std::vector<uint64_t> sequences = SlotSequences(tap, begin, end);
    return sequences.empty() ? 0 : *std::max_element(sequences.begin(), sequences.end());
}

} // namespace

TEST_F(NetcodeTest, ConnectsExchangesPayloadsAndDisconnects)
{
    StartServer(4);
    NetcodeClient& client = AddPlayer(Address(10, 0, 0, 2, 50000));
    EXPECT_FALSE(client.SendPayload(Bytes("early").data(), 5));
    std::vector<uint8_t> token = Token(1001);
    ASSERT_TRUE(Connect(client, token));
    EXPECT_EQ(client.ClientIndex(), 0);
    EXPECT_EQ(client.MaxClients(), 4);
    ASSERT_TRUE(server->IsClientConnected(0));
    EXPECT_EQ(server->GetClientId(0), 1001u);
    EXPECT_EQ(server->GetClientAddress(0), Address(10, 0, 0, 2, 50000));
    uint64_t userData = 0;
    std::memcpy(&userData, server->GetClientUserData(0), sizeof(userData));
    EXPECT_EQ(userData, 1001u);
    EXPECT_EQ(events.list, (std::vector<std::pair<int, bool>>{{0, true}}));

    std::vector<uint8_t> up = Bytes("up one"), up2 = Bytes("up two"), down = Bytes("down");
    std::vector<uint8_t> tooLarge(MaxPayloadBytes + 1);
    EXPECT_FALSE(client.SendPayload(tooLarge.data(), MaxPayloadBytes + 1));
    EXPECT_FALSE(server->SendPayload(0, tooLarge.data(), 0));
    EXPECT_FALSE(server->SendPayload(1, down.data(), 4)); // a free slot
    ASSERT_TRUE(client.SendPayload(up.data(), static_cast<int>(up.size())));
    ASSERT_TRUE(client.SendPayload(up2.data(), static_cast<int>(up2.size())));
    ASSERT_TRUE(server->SendPayload(0, down.data(), static_cast<int>(down.size())));
    Tick();
    Tick();
    EXPECT_EQ(ReceiveAll(*server, 0), Bytes("up oneup two"));
    EXPECT_EQ(ReceiveAll(client), Bytes("down"));

    // Quiet connections stay up on keep-alives alone, well past the timeout.
    for (int i = 0; i < 400; ++i)
        Tick();
    ASSERT_EQ(client.State(), NETCODE_CLIENT_STATE_CONNECTED);
    ASSERT_TRUE(server->IsClientConnected(0));
    // Every reply the server made before the connection was smaller than the request it answered.
    for (const auto& packet : serverTap.sent)
        EXPECT_LT(packet.second.size(), static_cast<size_t>(ConnectionRequestBytes));

    client.Disconnect();
    EXPECT_EQ(client.State(), NETCODE_CLIENT_STATE_DISCONNECTED);
    EXPECT_EQ(PlayerOf(client).tap.Count(PACKET_DISCONNECT), NetcodeDisconnectPackets);
    Tick();
    EXPECT_FALSE(server->IsClientConnected(0));
    EXPECT_EQ(events.list.back(), std::make_pair(0, false));

    // The slot is free again and the same token connects again. Its keys are the same, so neither
    // side may start its sequence over: every sealed packet of the second connection is numbered
    // above every one of the first.
    Tap& clientTap = PlayerOf(client).tap;
    size_t serverMark = serverTap.sent.size(), clientMark = clientTap.sent.size();
    ASSERT_TRUE(Connect(client, token));
    EXPECT_GT(LowestSequence(serverTap, serverMark, serverTap.sent.size()), HighestSequence(serverTap, 0, serverMark));
    EXPECT_GT(LowestSequence(clientTap, clientMark, clientTap.sent.size()), HighestSequence(clientTap, 0, clientMark));

    // This time the server ends it.
    server->DisconnectClient(0);
    EXPECT_FALSE(server->IsClientConnected(0));
    Tick();
    EXPECT_EQ(client.State(), NETCODE_CLIENT_STATE_DISCONNECTED);
    // Only the redundant disconnect packets after the first were dropped, as from no client.
    const NetcodeCounters& counters = server->GetCounters();
    EXPECT_EQ(counters.TotalDropped(), counters.packetsDropped[PACKET_READ_NOT_EXPECTED]);
    EXPECT_EQ(counters.packetsDropped[PACKET_READ_NOT_EXPECTED], static_cast<uint64_t>(NetcodeDisconnectPackets - 1));
}

TEST_F(NetcodeTest, TimeoutsEndConnectionsOnBothSides)
{
    StartServer(2);
    NetcodeClient& client = AddPlayer(Address(10, 0, 0, 2, 1));
    ASSERT_TRUE(Connect(client, Token(1, 2)));

    // Nothing from the server arrives any more: the client gives up after the token's two seconds.
    serverTap.lose = [](const uint8_t*, int) { return true; };
    for (int i = 0; i < 41; ++i)
        Tick();
    EXPECT_EQ(client.State(), NETCODE_CLIENT_STATE_CONNECTION_TIMED_OUT);
    EXPECT_TRUE(server->IsClientConnected(0));
    // The client has gone quiet: the server frees its slot after the same time.
    serverTap.lose = nullptr;
    for (int i = 0; i < 41; ++i)
        Tick();
    EXPECT_FALSE(server->IsClientConnected(0));
    EXPECT_EQ(events.list, (std::vector<std::pair<int, bool>>{{0, true}, {0, false}}));

    // A token with a negative timeout never times out.
    ASSERT_TRUE(Connect(client, Token(2, -1)));
    for (int i = 0; i < 200; ++i)
        Tick(true, false);
    EXPECT_TRUE(server->IsClientConnected(0));
}

TEST_F(NetcodeTest, EachConnectingStateTimesOutOnItsOwn)
{
    NetcodeClient& client = AddPlayer(Address(10, 0, 0, 2, 1));
    // Nobody at the address.
    client.Connect(Token(1, 1).data());
    ASSERT_TRUE(Settles(client));
    EXPECT_EQ(client.State(), NETCODE_CLIENT_STATE_CONNECTION_REQUEST_TIMED_OUT);
    EXPECT_GE(PlayerOf(client).tap.Count(PACKET_CONNECTION_REQUEST), 10);
    EXPECT_LE(PlayerOf(client).tap.Count(PACKET_CONNECTION_REQUEST), 11);

    // Every response lost on the way.
    StartServer(2);
    PlayerOf(client).tap.lose = [](const uint8_t* data, int) { return (data[0] & 0x0F) == PACKET_CONNECTION_RESPONSE; };
    client.Connect(Token(2, 1).data());
    ASSERT_TRUE(Settles(client));
    EXPECT_EQ(client.State(), NETCODE_CLIENT_STATE_CONNECTION_RESPONSE_TIMED_OUT);
    EXPECT_FALSE(server->IsClientConnected(0));

    // The token runs out before its timeout does.
    PlayerOf(client).tap.lose = [](const uint8_t*, int) { return true; };
    client.Connect(Token(3, 30, 1).data());
    ASSERT_TRUE(Settles(client));
    EXPECT_EQ(client.State(), NETCODE_CLIENT_STATE_CONNECT_TOKEN_EXPIRED);
}

TEST_F(NetcodeTest, TheNextServerInTheTokenIsTriedAfterAFailure)
{
    StartServer(2);
    NetcodeClient& client = AddPlayer(Address(10, 0, 0, 2, 1));
    Address nobody(10, 0, 0, 9, 40000);
    ASSERT_TRUE(Connect(client, Token(5, 1, 60, {nobody, serverAddress})));
    EXPECT_EQ(client.ServerAddress(), serverAddress);
    EXPECT_EQ(server->GetClientId(0), 5u);
}

TEST_F(NetcodeTest, TokensThatDoNotHoldAreIgnored)
{
    uint8_t otherKey[KeyBytes];
    GenerateKey(otherKey);
    NetcodeServerConfig config = ServerConfig();
    // The server's clock runs two minutes ahead of the token maker's.
    config.timestampAtStart = static_cast<uint64_t>(std::time(nullptr)) + 120;
    StartServer(4, config);
    NetcodeClient& client = AddPlayer(Address(10, 0, 0, 2, 1));

    struct Case
    {
        const char* name;
        std::vector<uint8_t> token;
        PacketReadResult reason;
    };
    const Case cases[] = {
        {"expired", Token(1, 1, 60), PACKET_READ_EXPIRED},
        {"sealed with another key", Token(2, 1, 600, {}, otherKey), PACKET_READ_FORGED},
        {"naming another server inside", NamingInside(Token(3, 1, 600), Address(10, 0, 0, 1, 40001)),
         PACKET_READ_REFUSED},
    };
    for (const Case& c : cases)
    {
        uint64_t before = server->GetCounters().packetsDropped[c.reason];
        client.Connect(c.token.data());
        ASSERT_TRUE(Settles(client)) << c.name;
        EXPECT_EQ(client.State(), NETCODE_CLIENT_STATE_CONNECTION_REQUEST_TIMED_OUT) << c.name;
        EXPECT_GT(server->GetCounters().packetsDropped[c.reason], before) << c.name;
        EXPECT_EQ(serverTap.sent.size(), 0u) << c.name;
    }
    EXPECT_EQ(server->GetNumConnectedClients(), 0);

    client.Connect(std::vector<uint8_t>(ConnectTokenBytes, 0).data());
    EXPECT_EQ(client.State(), NETCODE_CLIENT_STATE_INVALID_CONNECT_TOKEN);
    ASSERT_TRUE(Connect(client, Token(4, 1, 600)));
}

TEST_F(NetcodeTest, ATokenOrClientIdInUseIsRefused)
{
    StartServer(4);
    NetcodeClient& owner = AddPlayer(Address(10, 0, 0, 2, 1));
    NetcodeClient& thief = AddPlayer(Address(10, 0, 0, 3, 1));
    std::vector<uint8_t> token = Token(77, 1);
    ASSERT_TRUE(Connect(owner, token));

    // The same token from another address: refused, and the owner keeps its slot.
    thief.Connect(token.data());
    ASSERT_TRUE(Settles(thief));
    EXPECT_EQ(thief.State(), NETCODE_CLIENT_STATE_CONNECTION_REQUEST_TIMED_OUT);
    // Another token for the same client id: refused while that client is connected.
    thief.Connect(Token(77, 1).data());
    ASSERT_TRUE(Settles(thief));
    EXPECT_EQ(thief.State(), NETCODE_CLIENT_STATE_CONNECTION_REQUEST_TIMED_OUT);
    EXPECT_EQ(server->GetNumConnectedClients(), 1);
    EXPECT_EQ(owner.State(), NETCODE_CLIENT_STATE_CONNECTED);
    EXPECT_GE(server->GetCounters().packetsDropped[PACKET_READ_REFUSED], 2u);

    // A recorded request from a third address gets nothing back at all.
    Address attackerAddress(10, 0, 0, 4, 1);
    MemoryTransport attacker(network, attackerAddress);
    const std::vector<uint8_t>& request = PlayerOf(owner).tap.sent.front().second;
    ASSERT_EQ(request.size(), static_cast<size_t>(ConnectionRequestBytes));
    attacker.Send(serverAddress, request.data(), static_cast<int>(request.size()));
    Tick();
    for (const auto& packet : serverTap.sent)
        EXPECT_NE(packet.first, attackerAddress);
}

TEST_F(NetcodeTest, ReplayedAndForgedPacketsChangeNothing)
{
    StartServer(2);
    NetcodeClient& client = AddPlayer(Address(10, 0, 0, 2, 1));
    ASSERT_TRUE(Connect(client, Token(9)));
    Tap& tap = PlayerOf(client).tap;
    tap.sent.clear();
    serverTap.sent.clear();
    std::vector<uint8_t> up = Bytes("up"), down = Bytes("down");
    ASSERT_TRUE(client.SendPayload(up.data(), 2));
    ASSERT_TRUE(server->SendPayload(0, down.data(), 4));
    Tick();
    ASSERT_EQ(ReceiveAll(*server, 0), up);
    ASSERT_EQ(ReceiveAll(client), down);
    auto firstPayload = [](const Tap& of)
    {
        for (const auto& packet : of.sent)
            if ((packet.second[0] & 0x0F) == PACKET_PAYLOAD)
                return packet.second;
        return std::vector<uint8_t>{0};
    };
    std::vector<uint8_t> recordedUp = firstPayload(tap);
    std::vector<uint8_t> recordedDown = firstPayload(serverTap);
    ASSERT_EQ(recordedUp[0] & 0x0F, PACKET_PAYLOAD);
    ASSERT_EQ(recordedDown[0] & 0x0F, PACKET_PAYLOAD);

    // Played back from the right addresses, both payloads are refused.
    PlayerOf(client).transport->Send(serverAddress, recordedUp.data(), static_cast<int>(recordedUp.size()));
    serverTransport.Send(client.GetAddress(), recordedDown.data(), static_cast<int>(recordedDown.size()));
    // A disconnect sealed with a key of its own, far ahead in sequence, is refused and does not
    // move the replay window.
    uint8_t wrongKey[KeyBytes];
    GenerateKey(wrongKey);
    Packet forged;
    forged.type = PACKET_DISCONNECT;
    forged.sequence = 1000000;
    uint8_t forgedBytes[MaxPacketBytes];
    int forgedSize = WritePacket(forged, forgedBytes, sizeof(forgedBytes), wrongKey, ProtocolId);
    PlayerOf(client).transport->Send(serverAddress, forgedBytes, forgedSize);
    serverTransport.Send(client.GetAddress(), forgedBytes, forgedSize);
    Tick();

    EXPECT_TRUE(ReceiveAll(*server, 0).empty());
    EXPECT_TRUE(ReceiveAll(client).empty());
    EXPECT_EQ(server->GetCounters().packetsDropped[PACKET_READ_REPLAYED], 1u);
    EXPECT_EQ(client.GetCounters().packetsDropped[PACKET_READ_REPLAYED], 1u);
    EXPECT_EQ(server->GetCounters().packetsDropped[PACKET_READ_FORGED], 1u);
    EXPECT_EQ(client.GetCounters().packetsDropped[PACKET_READ_FORGED], 1u);
    EXPECT_EQ(client.State(), NETCODE_CLIENT_STATE_CONNECTED);
    ASSERT_TRUE(server->IsClientConnected(0));

    ASSERT_TRUE(client.SendPayload(up.data(), 2));
    Tick();
    EXPECT_EQ(ReceiveAll(*server, 0), up);
}

TEST_F(NetcodeTest, APayloadCarriesTheSlotWhenTheFirstKeepAliveIsLost)
{
    StartServer(2);
    NetcodeClient& client = AddPlayer(Address(10, 0, 0, 2, 1));
    bool lostOne = false;
    serverTap.lose = [&](const uint8_t* data, int)
    {
        if (lostOne || (data[0] & 0x0F) != PACKET_KEEP_ALIVE)
            return false;
        lostOne = true;
        return true;
    };
    client.Connect(Token(3).data());
    ASSERT_TRUE(TickUntil([&] { return server->IsClientConnected(0); }));
    ASSERT_TRUE(lostOne);
    ASSERT_EQ(client.State(), NETCODE_CLIENT_STATE_SENDING_CONNECTION_RESPONSE);

    std::vector<uint8_t> hello = Bytes("hello");
    ASSERT_TRUE(server->SendPayload(0, hello.data(), 5));
    client.Update(time);
    EXPECT_EQ(client.State(), NETCODE_CLIENT_STATE_CONNECTED);
    EXPECT_EQ(ReceiveAll(client), hello);
    serverTap.lose = nullptr;
}

TEST_F(NetcodeTest, PayloadsWaitInABoundedQueue)
{
    NetcodeServerConfig config = ServerConfig();
    config.payloadQueueSize = 3;
    StartServer(1, config);
    NetcodeClient& client = AddPlayer(Address(10, 0, 0, 2, 1));
    ASSERT_TRUE(Connect(client, Token(3)));
    for (uint8_t i = 0; i < 5; ++i)
        ASSERT_TRUE(client.SendPayload(&i, 1));
    Tick();
    EXPECT_EQ(server->GetCounters().packetsDropped[PACKET_READ_QUEUE_FULL], 2u);

    // A payload held by the application keeps its buffer until freed.
    int bytes = 0;
    uint64_t sequence = 0;
    const uint8_t* held = server->ReceivePayload(0, bytes, sequence);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held[0], 0);
    EXPECT_EQ(ReceiveAll(*server, 0), (std::vector<uint8_t>{1, 2}));
    for (uint8_t i = 5; i < 8; ++i)
        ASSERT_TRUE(client.SendPayload(&i, 1));
    Tick();
    EXPECT_EQ(held[0], 0);
    EXPECT_EQ(ReceiveAll(*server, 0), (std::vector<uint8_t>{5, 6}));
    server->FreePayload(held);
    server->FreePayload(held); // a second free is refused, not a corruption
    uint8_t outside = 0;
    server->FreePayload(&outside);
}

// A client's goodbye and a newcomer's response to a full server in one batch: the freed slot goes to
// nobody in that update, so whoever polls between updates sees the departure before the newcomer, who
// takes the slot in the next update instead of being denied. The admission check hears that answer: a
// client that waits for a seat asked then.
TEST_F(NetcodeTest, ASlotFreedInAnUpdateGoesToNobodyElseInIt)
{
    NetcodeServerConfig config = ServerConfig();
    config.admitCallback = &Events::Admit;
    StartServer(2, config);
    NetcodeClient& leaving = AddPlayer(Address(10, 0, 0, 2, 1));
    NetcodeClient& staying = AddPlayer(Address(10, 0, 0, 3, 1));
    NetcodeClient& newcomer = AddPlayer(Address(10, 0, 0, 4, 1));
    ASSERT_TRUE(Connect(leaving, Token(1)));
    Tap& newcomerTap = ChallengedUntilFull(newcomer, 3, staying, 2);

    leaving.Disconnect();
    const int responses = newcomerTap.Count(PACKET_CONNECTION_RESPONSE);
    while (newcomerTap.Count(PACKET_CONNECTION_RESPONSE) == responses)
        Tick(false, true);
    events.list.clear();
    events.answers.clear();
    server->Update(time);
    EXPECT_EQ(events.list, (std::vector<std::pair<int, bool>>{{0, false}}));
    EXPECT_EQ(events.answers, std::vector<uint64_t>{3});
    EXPECT_FALSE(server->IsClientConnected(0));
    EXPECT_EQ(newcomer.State(), NETCODE_CLIENT_STATE_SENDING_CONNECTION_RESPONSE);

    ASSERT_TRUE(TickUntil([&] { return newcomer.State() == NETCODE_CLIENT_STATE_CONNECTED; }, 10));
    EXPECT_EQ(server->GetClientId(0), 3u);
    EXPECT_EQ(staying.State(), NETCODE_CLIENT_STATE_CONNECTED);
}

// A full server denies a request, and a response when it filled up after the challenge. A client denied
// gives up: a late copy of its response, once a slot frees, must not take the slot for a client that sends
// nothing more; when the client asks again, it gets in.
TEST_F(NetcodeTest, AFullServerDeniesAndNeverAdmitsADeniedResponseLater)
{
    StartServer(1);
    NetcodeClient& first = AddPlayer(Address(10, 0, 0, 2, 1));
    NetcodeClient& second = AddPlayer(Address(10, 0, 0, 3, 1));
    NetcodeClient& late = AddPlayer(Address(10, 0, 0, 4, 1));
    Tap& lateTap = ChallengedUntilFull(late, 3, first, 1);
    second.Connect(Token(2).data());
    ASSERT_TRUE(TickUntil([&] { return !second.IsConnecting() && !late.IsConnecting(); }));
    EXPECT_EQ(second.State(), NETCODE_CLIENT_STATE_CONNECTION_DENIED);
    EXPECT_EQ(late.State(), NETCODE_CLIENT_STATE_CONNECTION_DENIED);
    EXPECT_EQ(first.State(), NETCODE_CLIENT_STATE_CONNECTED);
    EXPECT_GE(serverTap.Count(PACKET_CONNECTION_DENIED), 2);
    for (const auto& packet : serverTap.sent)
        EXPECT_LT(packet.second.size(), static_cast<size_t>(ConnectionRequestBytes));
    // Denied, it sends nothing more: its last packet is the response.
    const std::vector<uint8_t> response = lateTap.sent.back().second;
    ASSERT_EQ(response[0] & 0x0F, PACKET_CONNECTION_RESPONSE);

    first.Disconnect();
    ASSERT_TRUE(TickUntil([&] { return !server->IsClientConnected(0); }));
    PlayerOf(late).transport->Send(serverAddress, response.data(), static_cast<int>(response.size()));
    EXPECT_FALSE(TickUntil([&] { return server->IsClientConnected(0); }, 5));
    ASSERT_TRUE(Connect(second, Token(2)));
}

// A server may bound the timeouts it admits: a silent peer whose token never times out would hold its
// slot for good. Such a client keeps asking, so two seconds tell.
TEST_F(NetcodeTest, TokensWithTimeoutsOutsideTheAdmittedRangeAreRefused)
{
    NetcodeServerConfig config = ServerConfig();
    config.minimumTimeout = 1;
    config.maximumTimeout = 60;
    StartServer(2, config);
    NetcodeClient& client = AddPlayer(Address(10, 0, 0, 2, 1));
    for (int timeout : {-1, 0, 61, 3600, 1, 60})
    {
        client.Connect(Token(static_cast<uint64_t>(timeout + 10), timeout).data());
        for (int i = 0; i < 40; ++i)
            Tick();
        EXPECT_EQ(client.State() == NETCODE_CLIENT_STATE_CONNECTED, timeout == 1 || timeout == 60) << timeout;
        client.Disconnect();
    }
}

// Strangers resend valid requests, 16,000 a second, from 128 addresses or each from its own (with
// many tokens, as a token used again from another address is refused), and never answer: the pending
// table fills, and an honest client still gets in within a second.
TEST_F(NetcodeTest, AFloodOfValidRequestsDoesNotKeepAnHonestClientOut)
{
    std::vector<std::vector<uint8_t>> requests;
    for (uint64_t i = 0; i < 1024; ++i)
        requests.push_back(Request(5000 + i, 10));
    NetcodeClient& client = AddPlayer(Address(10, 0, 0, 2, 1));
    for (const uint32_t addresses : {128u, 16000u})
    {
        StartServer(8);
        // Steps of a hundredth of a second, so that the server's queue holds each step's 160 requests;
        // the client asks after a second of them.
        for (uint32_t step = 0, sent = 0; step < 200 && client.State() != NETCODE_CLIENT_STATE_CONNECTED; ++step)
        {
            if (step == 100)
                client.Connect(Token(addresses, 10).data());
            time += 0.01;
            for (int i = 0; i < 160; ++i, ++sent)
                network.SendFrom(Address(10, 9, uint8_t((sent % addresses) >> 8), uint8_t(sent % addresses), 1),
                                 serverAddress, requests[sent % std::min<size_t>(addresses, requests.size())].data(),
                                 ConnectionRequestBytes);
            client.Update(time);
            server->Update(time);
        }
        EXPECT_EQ(client.State(), NETCODE_CLIENT_STATE_CONNECTED) << addresses;
        EXPECT_GE(server->GetCounters().packetsReceived, 16000u) << "the flood was read";
        client.Disconnect();
    }
}

// Forged requests from the address of a client still connecting leave its keys standing, whether they
// come after its own request or before it.
TEST_F(NetcodeTest, AConnectingClientKeepsItsKeysAgainstRequestsFromItsAddress)
{
    StartServer(2);
    const Address address(10, 0, 0, 2, 1);
    NetcodeClient& client = AddPlayer(address);
    const auto forge = [&](uint64_t clientId, int timeout)
    { network.SendFrom(address, serverAddress, Request(clientId, timeout).data(), ConnectionRequestBytes); };
    const auto connected = [&] { return client.State() == NETCODE_CLIENT_STATE_CONNECTED; };

    client.Connect(Token(1, 5).data());
    Tick();
    ASSERT_EQ(serverTap.Count(PACKET_CONNECTION_CHALLENGE), 1);
    forge(2, 5);
    forge(3, 5);
    ASSERT_TRUE(TickUntil(connected, 20));
    EXPECT_EQ(server->GetClientId(0), 1u);
    client.Disconnect();
    Tick();

    forge(5, 5);
    forge(6, 5);
    Tick();
    client.Connect(Token(7, 5).data());
    ASSERT_TRUE(TickUntil(connected, 20));
    EXPECT_EQ(server->GetClientId(0), 7u);
}

// A stock client retries with the same token once its request timed out. On a slow link that first lost
// packets both ways, the retry finds the entry its later requests renewed, and connects.
TEST_F(NetcodeTest, ARetryWithTheSameTokenAfterARequestTimedOutConnects)
{
    StartServer(1);
    const Address address(10, 0, 0, 2, 1);
    NetcodeClient& client = AddPlayer(address);
    std::vector<std::tuple<double, Address, std::vector<uint8_t>>> link; // arrival, sender, bytes
    const auto delay = [&](const Address& from, double lostUntil)
    {
        return [&, from, lostUntil](const uint8_t* data, int bytes)
        {
            if (time >= lostUntil)
                link.emplace_back(time + 0.12, from, std::vector<uint8_t>(data, data + bytes));
            return true;
        };
    };
    PlayerOf(client).tap.lose = delay(address, 0.3);
    serverTap.lose = delay(serverAddress, 1.2);
    const auto runUntil = [&](NetcodeClientState state)
    {
        for (int i = 0; i < 100 && client.State() != state; ++i)
        {
            time += Step;
            for (const auto& [due, from, bytes] : link)
                if (due <= time)
                    network.SendFrom(from, from == address ? serverAddress : address, bytes.data(),
                                     static_cast<int>(bytes.size()));
            std::erase_if(link, [&](const auto& packet) { return std::get<0>(packet) <= time; });
            client.Update(time);
            server->Update(time);
        }
        return client.State() == state;
    };
    const std::vector<uint8_t> token = Token(1, 1);
    client.Connect(token.data());
    ASSERT_TRUE(runUntil(NETCODE_CLIENT_STATE_CONNECTION_REQUEST_TIMED_OUT));
    client.Connect(token.data());
    EXPECT_TRUE(runUntil(NETCODE_CLIENT_STATE_CONNECTED)) << NetcodeClientStateName(client.State());
    // The endpoints' goodbyes outlive the link.
    PlayerOf(client).tap.lose = serverTap.lose = nullptr;
}

// Under a flood of requests an update spends a bounded time on them and leaves the rest unread; after
// the first, it takes each with the same chance, wherever it lies among the update's packets.
TEST_F(NetcodeTest, AnUpdateSpendsABoundedTimeOnConnectionRequests)
{
    static double clock = 0.0;
    NetcodeServerConfig config = ServerConfig();
    config.requestTimePerUpdate = 0.0025;
    config.clock = [] { return clock += 0.001; };
    StartServer(8, config);
    std::vector<int> taken(20);
    // Enough rounds that the last of an update's requests, whose turn comes least often, is not short of
    // five by chance (with 200 it was, one run in sixteen).
    constexpr int Rounds = 600;
    for (int round = 0; round < Rounds; ++round)
    {
        const int before = serverTap.Count(PACKET_CONNECTION_CHALLENGE);
        for (uint8_t i = 0; i < 20; ++i)
            network.SendFrom(Address(10, uint8_t(9 + round / 256), uint8_t(round), i, 1), serverAddress,
                             Request(100u * round + i, 5).data(), ConnectionRequestBytes);
        Tick();
        const int challenged = serverTap.Count(PACKET_CONNECTION_CHALLENGE) - before;
        EXPECT_LE(challenged, 3);
        for (const auto& [to, bytes] : serverTap.sent)
            if ((bytes[0] & 0x0F) == PACKET_CONNECTION_CHALLENGE && to.GetIPv4()[1] == 9 + round / 256 &&
                to.GetIPv4()[2] == uint8_t(round))
                ++taken[to.GetIPv4()[3]];
    }
    EXPECT_EQ(server->GetCounters().packetsDropped[PACKET_READ_BUSY] + serverTap.Count(PACKET_CONNECTION_CHALLENGE),
              Rounds * 20u);
    EXPECT_GE(*std::min_element(taken.begin(), taken.end()), 5) << "the late requests of each update get their turn";
}

TEST(NetcodeUdp, ConnectsExchangesAndDisconnectsOverLoopback)
{
    uint8_t privateKey[KeyBytes];
    GenerateKey(privateKey);
    UdpSocket serverSocket(Address("127.0.0.1:0"));
    UdpSocket clientSocket(Address("0.0.0.0:0"));
    ASSERT_TRUE(serverSocket.IsOpen() && clientSocket.IsOpen());

    NetcodeServerConfig config;
    config.protocolId = ProtocolId;
    std::memcpy(config.privateKey, privateKey, KeyBytes);
    NetcodeServer server(config, &serverSocket, 0.0);
    ASSERT_TRUE(server.Start(8));
    NetcodeClient client(NetcodeClientConfig(), &clientSocket, 0.0);

    Address address = serverSocket.GetAddress();
    uint8_t token[ConnectTokenBytes];
    ASSERT_TRUE(GenerateConnectToken(1, &address, 600, 60, 4242, ProtocolId, 0, privateKey, nullptr, token));
    client.Connect(token);

    // Simulated time moves slowly per pass, so a slow loopback still answers long before the
    // token's minute of timeout; yielding lets the system deliver between passes.
    double time = 0.0;
    auto runUntil = [&](const std::function<bool()>& done)
    {
        for (int i = 0; i < 50000 && !done(); ++i)
        {
            time += 0.001;
            client.Update(time);
            server.Update(time);
            std::this_thread::yield();
        }
        return done();
    };
    ASSERT_TRUE(runUntil([&] { return client.State() == NETCODE_CLIENT_STATE_CONNECTED; }));
    EXPECT_EQ(server.GetClientId(client.ClientIndex()), 4242u);

    std::vector<uint8_t> up = Bytes("over udp");
    ASSERT_TRUE(client.SendPayload(up.data(), static_cast<int>(up.size())));
    std::vector<uint8_t> received;
    ASSERT_TRUE(runUntil(
        [&]
        {
            std::vector<uint8_t> more = ReceiveAll(server, client.ClientIndex());
            received.insert(received.end(), more.begin(), more.end());
            return !received.empty();
        }));
    EXPECT_EQ(received, up);

    server.DisconnectClient(client.ClientIndex());
    ASSERT_TRUE(runUntil([&] { return client.State() == NETCODE_CLIENT_STATE_DISCONNECTED; }));
}

} // namespace NetcodeTests
