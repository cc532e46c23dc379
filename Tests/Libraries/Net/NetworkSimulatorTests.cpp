#include "Net/NetworkSimulator.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Net;

namespace
{

struct Arrival
{
    double time;
    int to;
    uint8_t first;
};

// Sends `count` one-byte packets numbered from 0 at time 0 and collects them as time passes in
// 1 ms steps up to `until` seconds.
std::vector<Arrival> SendAndCollect(NetworkSimulator& simulator, int count, double until)
{
    for (int i = 0; i < count; ++i)
    {
        uint8_t byte = uint8_t(i);
        simulator.SendPacket(i % 3, &byte, 1);
    }
    std::vector<Arrival> arrivals;
    for (double time = 0.0; time <= until; time += 0.001)
    {
        simulator.AdvanceTime(time);
        NetworkSimulator::Packet packets[64];
        while (int received = simulator.ReceivePackets(64, packets))
            for (int i = 0; i < received; ++i)
                arrivals.push_back({time, packets[i].to, packets[i].data[0]});
    }
    return arrivals;
}

} // namespace

TEST(NetworkSimulator, DelaysByTheLatencyWithinTheJitter)
{
    DefaultAllocator allocator;
    NetworkSimulator simulator(allocator, 256, 0.0);
    simulator.SetSeed(1);
    simulator.SetLatency(100.0f);
    EXPECT_TRUE(simulator.IsActive());
    std::vector<Arrival> steady = SendAndCollect(simulator, 10, 0.3);
    ASSERT_EQ(steady.size(), 10u);
    for (const Arrival& arrival : steady)
        EXPECT_NEAR(arrival.time, 0.1, 0.0015);

    NetworkSimulator jittery(allocator, 256, 0.0);
    jittery.SetLatency(100.0f);
    jittery.SetJitter(50.0f);
    std::vector<Arrival> jittered = SendAndCollect(jittery, 200, 0.3);
    ASSERT_EQ(jittered.size(), 200u);
    bool reordered = false;
    for (size_t i = 0; i < jittered.size(); ++i)
    {
        EXPECT_GE(jittered[i].time, 0.05 - 0.0015);
        EXPECT_LE(jittered[i].time, 0.15 + 0.0015);
        EXPECT_EQ(jittered[i].to, jittered[i].first % 3);
        reordered = reordered || (i > 0 && jittered[i].first < jittered[i - 1].first);
    }
    EXPECT_TRUE(reordered);
}

TEST(NetworkSimulator, LosesAndDuplicatesTheShareAsked)
{
    struct Case
    {
        float loss, duplicates;
        size_t atLeast, atMost;
    };
    const Case cases[] = {
        {0, 0, 2000, 2000}, {20, 0, 1500, 1700}, {0, 100, 4000, 4000}, {100, 0, 0, 0}, {0, 10, 2100, 2300}};
    for (const Case& c : cases)
    {
        DefaultAllocator allocator;
        NetworkSimulator simulator(allocator, 8192, 0.0);
        simulator.SetSeed(99);
        simulator.SetPacketLoss(c.loss);
        simulator.SetDuplicates(c.duplicates);
        size_t arrived = SendAndCollect(simulator, 2000, 0.0).size();
        EXPECT_GE(arrived, c.atLeast) << c.loss << "% lost, " << c.duplicates << "% duplicated";
        EXPECT_LE(arrived, c.atMost) << c.loss << "% lost, " << c.duplicates << "% duplicated";
    }
}

TEST(NetworkSimulator, TheSameSeedGivesTheSameRun)
{
    auto run = [](uint64_t seed)
    {
        DefaultAllocator allocator;
        NetworkSimulator simulator(allocator, 1024, 0.0);
        simulator.SetSeed(seed);
        simulator.SetLatency(50.0f);
        simulator.SetJitter(40.0f);
        simulator.SetPacketLoss(30.0f);
        simulator.SetDuplicates(20.0f);
        std::vector<int> order;
        for (const Arrival& arrival : SendAndCollect(simulator, 300, 0.2))
            order.push_back(arrival.first);
        return order;
    };
    EXPECT_EQ(run(5), run(5));
    EXPECT_NE(run(5), run(6));
}

TEST(NetworkSimulator, DropsWhatItHasNoRoomForAndWhatIsDiscarded)
{
    DefaultAllocator allocator;
    NetworkSimulator simulator(allocator, 2, 0.0);
    simulator.SetLatency(10.0f);
    uint8_t bytes[100] = {7};
    for (int i = 0; i < 3; ++i)
        simulator.SendPacket(i, bytes, sizeof(bytes));
    EXPECT_EQ(simulator.GetPacketsOverflowed(), 1u);
    simulator.DiscardPacketsTo(0);
    simulator.AdvanceTime(1.0);
    NetworkSimulator::Packet packets[4];
    ASSERT_EQ(simulator.ReceivePackets(4, packets), 1);
    EXPECT_EQ(packets[0].to, 1);
    EXPECT_EQ(packets[0].bytes, 100);
    EXPECT_EQ(packets[0].data[0], 7);

    // A packet larger than the simulator's whole pool is lost, not truncated.
    std::vector<uint8_t> huge(64 * 1024, 1);
    simulator.SendPacket(0, huge.data(), int(huge.size()));
    EXPECT_EQ(simulator.GetPacketsOverflowed(), 2u);
    simulator.SendPacket(0, bytes, 1);
    simulator.DiscardPackets();
    simulator.AdvanceTime(2.0);
    EXPECT_EQ(simulator.ReceivePackets(4, packets), 0);
}
