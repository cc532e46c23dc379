#include "Net/Reliability.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace Net;

// A namespace of its own: the program compiles its files in batches.
namespace ReliabilityTests
{

namespace
{

using Bytes = std::vector<uint8_t>;

// One end under test: what it put on the wire and what it handed up.
struct End
{
    std::vector<Bytes> wire;
    std::vector<std::pair<uint16_t, Bytes>> processed;
    bool refuse = false;
};

void Transmit(void* context, int, uint16_t, const uint8_t* packet, int bytes)
{
    static_cast<End*>(context)->wire.emplace_back(packet, packet + bytes);
}

bool Process(void* context, int, uint16_t sequence, const uint8_t* payload, int bytes)
{
    End& end = *static_cast<End*>(context);
    if (end.refuse)
        return false;
    end.processed.emplace_back(sequence, Bytes(payload, payload + bytes));
    return true;
}

class Reliability : public testing::Test
{
protected:
    ReliableConfig Config(End& end)
    {
        ReliableConfig config;
        config.context = &end;
        config.transmit = Transmit;
        config.process = Process;
        config.maxPacketSize = 8 * 1024;
        config.maxFragments = 16;
        return config;
    }

    // Everything one end sent so far reaches the other, in order.
    static void Deliver(End& from, ReliableEndpoint& to)
    {
        for (const Bytes& packet : from.wire)
            to.ReceivePacket(packet.data(), int(packet.size()));
        from.wire.clear();
    }

    static std::vector<uint16_t> Acks(ReliableEndpoint& endpoint)
    {
        int count = 0;
        const uint16_t* acks = endpoint.GetAcks(count);
        std::vector<uint16_t> result(acks, acks + count);
        endpoint.ClearAcks();
        std::sort(result.begin(), result.end());
        return result;
    }

    static Bytes Payload(int size, int seed = 0)
    {
        Bytes payload(static_cast<size_t>(size));
        for (int i = 0; i < size; ++i)
            payload[size_t(i)] = uint8_t(i * 31 + seed);
        return payload;
    }

    DefaultAllocator allocator;
    End a;
    End b;
    ReliableEndpoint sender{Config(a), allocator, 0.0};
    ReliableEndpoint receiver{Config(b), allocator, 0.0};
};

} // namespace

TEST_F(Reliability, AcksReportEachDeliveredPacketOnce)
{
    Bytes payload = Payload(40);
    for (int i = 0; i < 10; ++i)
        sender.SendPacket(payload.data(), int(payload.size()));
    // Packets 3 and 7 are lost on the way.
    a.wire.erase(a.wire.begin() + 7);
    a.wire.erase(a.wire.begin() + 3);
    Deliver(a, receiver);
    ASSERT_EQ(b.processed.size(), 8u);
    EXPECT_EQ(b.processed[0].second, payload);

    receiver.SendPacket(nullptr, 0);
    receiver.SendPacket(nullptr, 0);
    Deliver(b, sender);
    EXPECT_EQ(Acks(sender), (std::vector<uint16_t>{0, 1, 2, 4, 5, 6, 8, 9}));
    EXPECT_EQ(sender.GetCounters()[RELIABLE_COUNTER_PACKETS_ACKED], 8u);

    // One ack and 32 ack bits reach back 33 packets; older ones are never acknowledged.
    for (int i = 0; i < 40; ++i)
        sender.SendPacket(payload.data(), 1);
    Deliver(a, receiver);
    receiver.SendPacket(nullptr, 0);
    Deliver(b, sender);
    std::vector<uint16_t> acks = Acks(sender);
    ASSERT_EQ(acks.size(), 33u);
    EXPECT_EQ(acks.front(), 17);
    EXPECT_EQ(acks.back(), 49);
}

TEST_F(Reliability, AcksSurviveTheSequenceWrapping)
{
    for (int i = 0; i < 70000; ++i)
    {
        sender.SendPacket(nullptr, 0);
        Deliver(a, receiver);
        if (i % 50 == 0)
        {
            receiver.SendPacket(nullptr, 0);
            Deliver(b, sender);
            ASSERT_EQ(Acks(sender).size(), size_t(i == 0 ? 1 : 33)) << i;
        }
        // Acks past the last 33 are lost between reads; only the count reported matters here.
        sender.ClearAcks();
    }
    EXPECT_EQ(b.processed.size(), 70000u);
    EXPECT_EQ(receiver.GetCounters()[RELIABLE_COUNTER_PACKETS_STALE], 0u);
}

TEST_F(Reliability, LargePayloadsTravelInFragments)
{
    struct Case
    {
        int payloadBytes;
        size_t fragments; // 0: sent whole
    };
    // Header 3 bytes before the first ack; fragments carry 1024 bytes of header and payload.
    const Case cases[] = {{1024, 0}, {1025, 2}, {2045, 2}, {2046, 3}, {8 * 1024, 9}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.payloadBytes);
        Bytes payload = Payload(c.payloadBytes, c.payloadBytes);
        sender.SendPacket(payload.data(), int(payload.size()));
        ASSERT_EQ(a.wire.size(), std::max<size_t>(c.fragments, 1));
        if (c.fragments > 0)
        {
            EXPECT_EQ(a.wire.back()[0], 1);
        }
        // Fragments arrive backwards and twice each.
        std::reverse(a.wire.begin(), a.wire.end());
        std::vector<Bytes> twice = a.wire;
        a.wire.insert(a.wire.end(), twice.begin(), twice.end());
        b.processed.clear();
        Deliver(a, receiver);
        ASSERT_EQ(b.processed.size(), 1u);
        EXPECT_EQ(b.processed[0].second, payload);
    }
}

TEST_F(Reliability, APacketMissingAFragmentIsNeverProcessed)
{
    Bytes payload = Payload(3000);
    sender.SendPacket(payload.data(), int(payload.size()));
    ASSERT_EQ(a.wire.size(), 3u);
    a.wire.erase(a.wire.begin() + 1);
    Deliver(a, receiver);
    EXPECT_TRUE(b.processed.empty());

    // The next packet is unaffected, and the sender learns only of that one.
    sender.SendPacket(payload.data(), 100);
    Deliver(a, receiver);
    ASSERT_EQ(b.processed.size(), 1u);
    EXPECT_EQ(b.processed[0].first, 1);
    receiver.SendPacket(nullptr, 0);
    Deliver(b, sender);
    EXPECT_EQ(Acks(sender), (std::vector<uint16_t>{1}));
}

TEST_F(Reliability, DuplicateAndRefusedPacketsAreNotAcknowledgedTwiceOrAtAll)
{
    Bytes payload = Payload(20);
    sender.SendPacket(payload.data(), int(payload.size()));
    Bytes first = a.wire[0];
    Deliver(a, receiver);
    receiver.ReceivePacket(first.data(), int(first.size()));
    EXPECT_EQ(b.processed.size(), 1u);
    EXPECT_EQ(receiver.GetCounters()[RELIABLE_COUNTER_PACKETS_DUPLICATE], 1u);

    b.refuse = true;
    sender.SendPacket(payload.data(), int(payload.size()));
    Bytes refused = a.wire[0];
    Deliver(a, receiver);
    EXPECT_EQ(receiver.GetCounters()[RELIABLE_COUNTER_PACKETS_REFUSED], 1u);
    receiver.SendPacket(nullptr, 0);
    Deliver(b, sender);
    EXPECT_EQ(Acks(sender), (std::vector<uint16_t>{0}));

    // Refusing is not remembering: the same packet, offered again, is taken.
    b.refuse = false;
    receiver.ReceivePacket(refused.data(), int(refused.size()));
    EXPECT_EQ(b.processed.size(), 2u);
}

TEST_F(Reliability, MalformedPacketsAreDroppedAndCounted)
{
    Bytes payload = Payload(2500);
    sender.SendPacket(payload.data(), int(payload.size()));
    std::vector<Bytes> fragments = a.wire;
    a.wire.clear();
    ASSERT_EQ(fragments.size(), 3u);
    Bytes shortMiddle = fragments[1];
    shortMiddle.pop_back();
    Bytes wrongCount = fragments[2];
    wrongCount[4] = 5;
    Bytes badIndex = fragments[0];
    badIndex[3] = 3;
    Bytes tooMany = fragments[0];
    tooMany[4] = 200;

    struct Case
    {
        const char* name;
        Bytes packet;
        ReliableCounter counter;
    };
    const Case cases[] = {
        {"reserved flag", {0x80, 0, 0}, RELIABLE_COUNTER_PACKETS_INVALID},
        {"ack flags without an ack", {0x04, 0, 0}, RELIABLE_COUNTER_PACKETS_INVALID},
        {"header cut short", {0x02, 0}, RELIABLE_COUNTER_PACKETS_INVALID},
        {"ack bytes missing", {0x7E, 1, 0, 1, 0xFF}, RELIABLE_COUNTER_PACKETS_INVALID},
        {"fragment header only", {0x01, 0, 0, 0, 1}, RELIABLE_COUNTER_FRAGMENTS_INVALID},
        {"fragment with other flags", {0x03, 0, 0, 0, 1, 9}, RELIABLE_COUNTER_FRAGMENTS_INVALID},
        {"short middle fragment", shortMiddle, RELIABLE_COUNTER_FRAGMENTS_INVALID},
        {"index past the count", badIndex, RELIABLE_COUNTER_FRAGMENTS_INVALID},
        {"more fragments than allowed", tooMany, RELIABLE_COUNTER_FRAGMENTS_INVALID},
    };
    for (const Case& c : cases)
    {
        uint64_t before = receiver.GetCounters()[c.counter];
        receiver.ReceivePacket(c.packet.data(), int(c.packet.size()));
        EXPECT_EQ(receiver.GetCounters()[c.counter], before + 1) << c.name;
    }
    receiver.ReceivePacket(nullptr, 0);

    // Fragments that disagree on their count do not make a packet; the genuine ones still do.
    receiver.ReceivePacket(fragments[0].data(), int(fragments[0].size()));
    receiver.ReceivePacket(wrongCount.data(), int(wrongCount.size()));
    EXPECT_TRUE(b.processed.empty());
    receiver.ReceivePacket(fragments[1].data(), int(fragments[1].size()));
    receiver.ReceivePacket(fragments[2].data(), int(fragments[2].size()));
    ASSERT_EQ(b.processed.size(), 1u);
    EXPECT_EQ(b.processed[0].second, payload);

    // Fragments whose joined bytes name another sequence are refused whole.
    sender.SendPacket(payload.data(), int(payload.size()));
    for (Bytes& fragment : a.wire)
        fragment[1] = 9;
    uint64_t invalid = receiver.GetCounters()[RELIABLE_COUNTER_PACKETS_INVALID];
    Deliver(a, receiver);
    EXPECT_EQ(b.processed.size(), 1u);
    EXPECT_EQ(receiver.GetCounters()[RELIABLE_COUNTER_PACKETS_INVALID], invalid + 1);
}

TEST_F(Reliability, PayloadsAboveTheLimitAreNotSent)
{
    Bytes payload = Payload(8 * 1024 + 1);
    sender.SendPacket(payload.data(), int(payload.size()));
    EXPECT_TRUE(a.wire.empty());
    EXPECT_EQ(sender.GetCounters()[RELIABLE_COUNTER_PACKETS_TOO_LARGE_TO_SEND], 1u);
    EXPECT_EQ(sender.NextPacketSequence(), 0);

    // More fragments than allowed are refused too.
    End end;
    ReliableConfig config = Config(end);
    config.maxFragments = 2;
    ReliableEndpoint small(config, allocator, 0.0);
    small.SendPacket(payload.data(), 2100);
    EXPECT_TRUE(end.wire.empty());
    EXPECT_EQ(small.GetCounters()[RELIABLE_COUNTER_PACKETS_TOO_LARGE_TO_SEND], 1u);
}

TEST_F(Reliability, EstimatesRoundTripTimeAndLoss)
{
    Bytes payload = Payload(10);
    double time = 0.0;
    for (int i = 0; i < 200; ++i)
    {
        sender.Update(time);
        receiver.Update(time);
        sender.SendPacket(payload.data(), int(payload.size()));
        // Every fourth packet is lost; the rest arrive at once and the answer takes 50 ms.
        if (i % 4 == 3)
            a.wire.clear();
        Deliver(a, receiver);
        receiver.Update(time + 0.05);
        receiver.SendPacket(nullptr, 0);
        sender.Update(time + 0.05);
        Deliver(b, sender);
        sender.ClearAcks();
        time += 1.0 / 60.0;
    }
    EXPECT_NEAR(sender.GetRtt(), 50.0f, 1.0f);
    EXPECT_NEAR(sender.GetPacketLoss(), 25.0f, 3.0f);
    EXPECT_EQ(receiver.GetPacketLoss(), 0.0f);

    sender.Reset();
    EXPECT_EQ(sender.GetRtt(), 0.0f);
    EXPECT_EQ(sender.NextPacketSequence(), 0);
    EXPECT_EQ(sender.GetCounters()[RELIABLE_COUNTER_PACKETS_SENT], 0u);
}

} // namespace ReliabilityTests
