#include "Net/Connection.h"
#include "Net/NetworkSimulator.h"
#include "Net/Reliability.h"
#include "NetTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <vector>

using namespace Net;
using namespace NetTest;

namespace
{

ConnectionConfig TwoChannels()
{
    ConnectionConfig config;
    config.numChannels = 2;
    config.channel[0].type = CHANNEL_TYPE_RELIABLE_ORDERED;
    config.channel[1].type = CHANNEL_TYPE_UNRELIABLE_UNORDERED;
    return config;
}

// A connection with its reliability layer, as one end of a link.
struct Peer
{
    Peer(Allocator& allocator, const ConnectionConfig& config, int index, NetworkSimulator* simulator)
        : factory(allocator), connection(allocator, factory, config, 0.0), simulator(simulator), index(index),
          endpoint(Config(config), allocator, 0.0)
    {
    }

    ReliableConfig Config(const ConnectionConfig& config)
    {
        ReliableConfig reliable;
        reliable.context = this;
        reliable.index = index;
        reliable.maxPacketSize = config.maxPacketSize;
        reliable.transmit = [](void* context, int, uint16_t, const uint8_t* packet, int bytes)
        {
            auto& peer = *static_cast<Peer*>(context);
            if (peer.simulator)
                peer.simulator->SendPacket(1 - peer.index, packet, bytes);
            else
                peer.outgoing.emplace_back(packet, packet + bytes);
        };
        reliable.process = [](void* context, int, uint16_t sequence, const uint8_t* payload, int bytes)
        {
            auto& peer = *static_cast<Peer*>(context);
            bool accepted = peer.connection.ProcessPacket(nullptr, sequence, payload, bytes);
            if (accepted)
                peer.delivered.insert(sequence);
            return accepted;
        };
        return reliable;
    }

    void Advance(double time)
    {
        endpoint.Update(time);
        connection.AdvanceTime(time);
        int count = 0;
        const uint16_t* acks = endpoint.GetAcks(count);
        connection.ProcessAcks(acks, count);
        endpoint.ClearAcks();
    }

    // Returns the sequence of the packet sent.
    uint16_t SendPacket()
    {
        uint16_t sequence = endpoint.NextPacketSequence();
        int bytes = connection.GeneratePacket(nullptr, sequence, buffer, int(sizeof(buffer)));
        lastPayloadBytes = bytes;
        endpoint.SendPacket(buffer, bytes);
        return sequence;
    }

    TestMessageFactory factory;
    Connection connection;
    NetworkSimulator* simulator;
    int index;
    ReliableEndpoint endpoint;
    std::vector<std::vector<uint8_t>> outgoing;
    std::set<uint16_t> delivered;
    int lastPayloadBytes = 0;
    uint8_t buffer[8 * 1024];
};

void Deliver(Peer& from, Peer& to)
{
    for (const auto& packet : from.outgoing)
        to.endpoint.ReceivePacket(packet.data(), int(packet.size()));
    from.outgoing.clear();
}

std::vector<uint32_t> ReceiveNumbers(Connection& connection, int channel)
{
    std::vector<uint32_t> values;
    while (Message* message = connection.ReceiveMessage(channel))
    {
        EXPECT_EQ(message->GetType(), NUMBER_MESSAGE);
        values.push_back(static_cast<NumberMessage*>(message)->value);
        connection.ReleaseMessage(message);
    }
    return values;
}

void SendNumber(Peer& peer, int channel, uint32_t value)
{
    ASSERT_TRUE(peer.connection.CanSendMessage(channel));
    ASSERT_TRUE(peer.connection.SendMessage(channel, peer.factory.CreateNumber(value)));
}

// Reliable stream content: every 50th message is a blob large enough to need fragments.
Message* MakeStreamMessage(TestMessageFactory& factory, uint32_t value)
{
    if (value % 50 != 49)
        return factory.CreateNumber(value);
    auto* blob = static_cast<BlobMessage*>(factory.CreateMessage(BLOB_MESSAGE));
    blob->size = 3000;
    for (int i = 0; i < blob->size; ++i)
        blob->data[i] = uint8_t(value + uint32_t(i));
    return blob;
}

bool IsStreamMessage(Message* message, uint32_t value)
{
    if (value % 50 != 49)
        return message->GetType() == NUMBER_MESSAGE && static_cast<NumberMessage*>(message)->value == value;
    auto* blob = static_cast<BlobMessage*>(message);
    if (message->GetType() != BLOB_MESSAGE || blob->size != 3000)
        return false;
    for (int i = 0; i < blob->size; ++i)
        if (blob->data[i] != uint8_t(value + uint32_t(i)))
            return false;
    return true;
}

} // namespace

TEST(Connection, DeliversOverABadNetworkReliablyInOrderAndUnreliablyAsTheNetworkAllows)
{
    DefaultAllocator allocator;
    NetworkSimulator simulator(allocator, 4096, 0.0);
    simulator.SetSeed(20240611);
    simulator.SetPacketLoss(20.0f);
    simulator.SetLatency(100.0f);
    simulator.SetJitter(50.0f);
    simulator.SetDuplicates(10.0f);
    auto peers = std::make_unique<std::unique_ptr<Peer>[]>(2);
    peers[0] = std::make_unique<Peer>(allocator, TwoChannels(), 0, &simulator);
    peers[1] = std::make_unique<Peer>(allocator, TwoChannels(), 1, &simulator);

    const int sendingTicks = 600;
    uint32_t nextReliable[2] = {};
    uint32_t nextUnreliable[2] = {};
    uint32_t expectedReliable[2] = {};
    std::map<uint16_t, uint32_t> unreliableInPacket[2];
    std::vector<uint32_t> unreliableReceived[2];
    double time = 0.0;
    for (int tick = 0; tick < sendingTicks + 300; ++tick)
    {
        time += 1.0 / 60.0;
        simulator.AdvanceTime(time);
        NetworkSimulator::Packet packets[256];
        while (int count = simulator.ReceivePackets(256, packets))
            for (int i = 0; i < count; ++i)
                peers[packets[i].to]->endpoint.ReceivePacket(packets[i].data, packets[i].bytes);
        for (int p = 0; p < 2; ++p)
        {
            Peer& peer = *peers[p];
            peer.Advance(time);
            if (tick < sendingTicks)
            {
                for (int i = 0; i < 2; ++i)
                {
                    ASSERT_TRUE(peer.connection.CanSendMessage(0));
                    peer.connection.SendMessage(0, MakeStreamMessage(peer.factory, nextReliable[p]++));
                }
                SendNumber(peer, 1, nextUnreliable[p]);
            }
            uint16_t sequence = peer.SendPacket();
            if (tick < sendingTicks)
            {
                ASSERT_FALSE(peer.connection.HasMessagesToSend(1)) << "the unreliable message went in this packet";
                unreliableInPacket[p][sequence] = nextUnreliable[p]++;
            }
            Peer& other = *peers[1 - p];
            while (Message* message = other.connection.ReceiveMessage(0))
            {
                ASSERT_TRUE(IsStreamMessage(message, expectedReliable[1 - p])) << expectedReliable[1 - p];
                ++expectedReliable[1 - p];
                other.connection.ReleaseMessage(message);
            }
            for (uint32_t value : ReceiveNumbers(other.connection, 1))
                unreliableReceived[1 - p].push_back(value);
        }
    }

    for (int p = 0; p < 2; ++p)
    {
        SCOPED_TRACE(p);
        EXPECT_EQ(expectedReliable[1 - p], nextReliable[p]) << "every reliable message arrived";
        EXPECT_EQ(peers[p]->connection.GetErrorLevel(), CONNECTION_ERROR_NONE);
        // Exactly the unreliable messages whose packets arrived, each once.
        std::vector<uint32_t> expected;
        for (auto [sequence, value] : unreliableInPacket[p])
            if (peers[1 - p]->delivered.count(sequence))
                expected.push_back(value);
        std::vector<uint32_t> received = unreliableReceived[1 - p];
        std::sort(received.begin(), received.end());
        EXPECT_EQ(received, expected);
        EXPECT_LT(expected.size(), size_t(sendingTicks) * 9 / 10) << "the network did lose packets";
        EXPECT_GT(peers[1 - p]->endpoint.GetCounters()[RELIABLE_COUNTER_PACKETS_DUPLICATE], 0u);
        EXPECT_NEAR(peers[p]->endpoint.GetRtt(), 200.0f, 60.0f);
    }
    peers[0].reset();
    peers[1].reset();
    EXPECT_EQ(simulator.GetPacketsOverflowed(), 0u);
}

namespace
{

// A payload written field by field, to make packets the connection never would.
std::vector<uint8_t> Payload(const std::vector<std::pair<int64_t, std::pair<int64_t, int64_t>>>& fields)
{
    std::vector<uint8_t> buffer(64);
    WriteStream stream(buffer.data(), int(buffer.size()));
    for (auto [value, range] : fields)
    {
        int64_t copy = value;
        EXPECT_TRUE(stream.SerializeInteger(copy, range.first, range.second));
    }
    stream.Flush();
    buffer.resize(size_t(stream.GetBytesProcessed()));
    return buffer;
}

} // namespace

TEST(Connection, RefusesMalformedPayloadsWholeAndUnchanged)
{
    DefaultAllocator allocator;
    Peer sender(allocator, TwoChannels(), 0, nullptr);
    Peer receiver(allocator, TwoChannels(), 1, nullptr);
    for (uint32_t i = 0; i < 3; ++i)
        SendNumber(sender, 0, 100 + i);
    for (uint32_t i = 0; i < 2; ++i)
        SendNumber(sender, 1, 200 + i);
    uint8_t payload[1024];
    int bytes = sender.connection.GeneratePacket(nullptr, 0, payload, int(sizeof(payload)));
    ASSERT_GT(bytes, 0);

    for (int length = 1; length < bytes; ++length)
        EXPECT_FALSE(receiver.connection.ProcessPacket(nullptr, 0, payload, length)) << length;
    payload[bytes] = 0;
    EXPECT_FALSE(receiver.connection.ProcessPacket(nullptr, 0, payload, bytes + 1)) << "a trailing byte";

    using Fields = std::vector<std::pair<int64_t, std::pair<int64_t, int64_t>>>;
    // Ranges as wide as the real ones, with room for values the real ones forbid.
    const std::pair<int64_t, int64_t> entries{0, 3}, channel{0, 1}, count{1, 256}, type{0, 3};
    const std::pair<int64_t, int64_t> id{0, 65535}, value{0, 0xFFFFFFFF};
    struct Case
    {
        const char* name;
        std::vector<uint8_t> payload;
    };
    const Case cases[] = {
        {"more entries than channels", Payload(Fields{{3, entries}})},
        {"a channel twice", Payload(Fields{{2, entries},
                                           {1, channel},
                                           {1, count},
                                           {0, type},
                                           {5, value},
                                           {1, channel},
                                           {1, count},
                                           {0, type},
                                           {6, value}})},
        {"channels out of order", Payload(Fields{{2, entries},
                                                 {1, channel},
                                                 {1, count},
                                                 {0, type},
                                                 {5, value},
                                                 {0, channel},
                                                 {1, count},
                                                 {0, id},
                                                 {0, type},
                                                 {6, value}})},
        {"unknown message type", Payload(Fields{{1, entries}, {1, channel}, {1, count}, {3, type}, {5, value}})},
        {"a field out of range", Payload(Fields{{1, entries}, {1, channel}, {1, count}, {2, type}, {7, {0, 7}}})},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(receiver.connection.ProcessPacket(nullptr, 0, c.payload.data(), int(c.payload.size()))) << c.name;

    EXPECT_EQ(receiver.factory.GetNumLiveMessages(), 0);
    EXPECT_EQ(receiver.connection.ReceiveMessage(0), nullptr);
    EXPECT_EQ(receiver.connection.ReceiveMessage(1), nullptr);
    EXPECT_TRUE(receiver.connection.ProcessPacket(nullptr, 0, nullptr, 0)) << "an empty payload carries nothing";

    // After all that, the genuine packet still reads as if it came first.
    ASSERT_TRUE(receiver.connection.ProcessPacket(nullptr, 0, payload, bytes));
    EXPECT_EQ(ReceiveNumbers(receiver.connection, 0), (std::vector<uint32_t>{100, 101, 102}));
    EXPECT_EQ(ReceiveNumbers(receiver.connection, 1), (std::vector<uint32_t>{200, 201}));
}

TEST(Connection, ReliableMessagesBeyondTheReceiveQueueWaitUntilThereIsRoom)
{
    DefaultAllocator allocator;
    ConnectionConfig config = TwoChannels();
    config.channel[0].messageReceiveQueueSize = 8;
    Peer sender(allocator, config, 0, nullptr);
    Peer receiver(allocator, config, 1, nullptr);
    for (uint32_t i = 0; i < 20; ++i)
        SendNumber(sender, 0, i);

    double time = 0.0;
    auto exchange = [&]
    {
        time += 0.05;
        sender.Advance(time);
        receiver.Advance(time);
        sender.SendPacket();
        Deliver(sender, receiver);
        receiver.SendPacket();
        Deliver(receiver, sender);
    };
    // While the receiving game reads nothing, only the first eight are kept; the packets that
    // carry later ones are refused whole and not acknowledged.
    for (int tick = 0; tick < 10; ++tick)
        exchange();
    EXPECT_EQ(receiver.factory.GetNumLiveMessages(), 8);
    EXPECT_GT(receiver.endpoint.GetCounters()[RELIABLE_COUNTER_PACKETS_REFUSED], 0u);
    EXPECT_TRUE(sender.connection.HasMessagesToSend(0));

    std::vector<uint32_t> received;
    for (int tick = 0; tick < 100 && received.size() < 20; ++tick)
    {
        for (uint32_t value : ReceiveNumbers(receiver.connection, 0))
            received.push_back(value);
        exchange();
    }
    for (uint32_t value : ReceiveNumbers(receiver.connection, 0))
        received.push_back(value);
    std::vector<uint32_t> expected(20);
    for (uint32_t i = 0; i < 20; ++i)
        expected[i] = i;
    EXPECT_EQ(received, expected);
    exchange();
    EXPECT_FALSE(sender.connection.HasMessagesToSend(0));
    EXPECT_EQ(sender.factory.GetNumLiveMessages(), 0) << "acknowledged messages are released";
}

TEST(Connection, RefusesMessagesItCannotSend)
{
    DefaultAllocator allocator;
    ConnectionConfig config = TwoChannels();
    config.channel[0].messageSendQueueSize = 4;
    config.channel[1].packetBudget = 200;
    Peer peer(allocator, config, 0, nullptr);

    for (uint32_t i = 0; i < 4; ++i)
        SendNumber(peer, 0, i);
    EXPECT_FALSE(peer.connection.CanSendMessage(0));
    EXPECT_FALSE(peer.connection.SendMessage(0, peer.factory.CreateNumber(4)));
    EXPECT_EQ(peer.connection.GetChannelErrorLevel(0), CHANNEL_ERROR_SEND_QUEUE_FULL);
    EXPECT_EQ(peer.connection.GetErrorLevel(), CONNECTION_ERROR_CHANNEL);

    auto* ranged = static_cast<RangedMessage*>(peer.factory.CreateMessage(RANGED_MESSAGE));
    ranged->value = 9;
    EXPECT_FALSE(peer.connection.SendMessage(1, ranged));
    EXPECT_EQ(peer.connection.GetChannelErrorLevel(1), CHANNEL_ERROR_FAILED_TO_SERIALIZE);

    Peer budgeted(allocator, config, 0, nullptr);
    auto* blob = static_cast<BlobMessage*>(budgeted.factory.CreateMessage(BLOB_MESSAGE));
    blob->size = 250;
    EXPECT_FALSE(budgeted.connection.SendMessage(1, blob)) << "larger than the channel's packet budget";
    EXPECT_EQ(budgeted.connection.GetChannelErrorLevel(1), CHANNEL_ERROR_MESSAGE_TOO_LARGE);
    auto* huge = static_cast<BlobMessage*>(budgeted.factory.CreateMessage(BLOB_MESSAGE));
    huge->size = 9000;
    EXPECT_FALSE(budgeted.connection.SendMessage(0, huge)) << "larger than any packet";
    EXPECT_EQ(budgeted.connection.GetChannelErrorLevel(0), CHANNEL_ERROR_MESSAGE_TOO_LARGE);
    EXPECT_FALSE(budgeted.connection.SendMessage(2, budgeted.factory.CreateNumber(1))) << "no such channel";

    EXPECT_EQ(budgeted.factory.GetNumLiveMessages(), 0);
    EXPECT_EQ(peer.factory.GetNumLiveMessages(), 4);
    peer.connection.Reset();
    EXPECT_EQ(peer.factory.GetNumLiveMessages(), 0);
    EXPECT_EQ(peer.connection.GetErrorLevel(), CONNECTION_ERROR_NONE);
    EXPECT_TRUE(peer.connection.CanSendMessage(0));
}

TEST(Connection, PacketsKeepToTheMessageLimitAndTheBudget)
{
    DefaultAllocator allocator;
    ConnectionConfig config = TwoChannels();
    config.channel[1].packetBudget = 100;
    Peer sender(allocator, config, 0, nullptr);
    Peer receiver(allocator, config, 1, nullptr);
    for (uint32_t i = 0; i < 300; ++i)
        SendNumber(sender, 0, i);
    for (uint32_t i = 0; i < 50; ++i)
        SendNumber(sender, 1, i);

    sender.SendPacket();
    EXPECT_LE(sender.lastPayloadBytes, 256 * 5 + 120);
    Deliver(sender, receiver);
    EXPECT_EQ(ReceiveNumbers(receiver.connection, 0).size(), 256u);
    std::vector<uint32_t> unreliable = ReceiveNumbers(receiver.connection, 1);
    EXPECT_EQ(unreliable.size(), 23u) << "as many 34-bit messages as fit in 100 bytes after the count";

    sender.SendPacket();
    Deliver(sender, receiver);
    EXPECT_EQ(ReceiveNumbers(receiver.connection, 0).size(), 44u);
    std::vector<uint32_t> next = ReceiveNumbers(receiver.connection, 1);
    ASSERT_FALSE(next.empty());
    EXPECT_EQ(next.front(), 23u) << "unreliable messages leave in the order they were queued";
}

TEST(Connection, ABudgetTooSmallForItsChannelsLeavesTheConnectionUnusable)
{
    alignas(16) static uint8_t memory[2048];
    BlockAllocator allocator(memory, sizeof(memory));
    DefaultAllocator factoryAllocator;
    TestMessageFactory factory(factoryAllocator);
    Connection connection(allocator, factory, TwoChannels(), 0.0);
    EXPECT_EQ(connection.GetErrorLevel(), CONNECTION_ERROR_ALLOCATOR);
    EXPECT_FALSE(connection.CanSendMessage(0));
    EXPECT_FALSE(connection.SendMessage(0, factory.CreateNumber(1)));
    uint8_t buffer[64];
    EXPECT_EQ(connection.GeneratePacket(nullptr, 0, buffer, sizeof(buffer)), 0);
    EXPECT_FALSE(connection.ProcessPacket(nullptr, 0, buffer, 4));
    EXPECT_EQ(factory.GetNumLiveMessages(), 0);
}
