#include "Source/Network/SeatLine.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

// A namespace of its own: the program compiles its files in batches.
namespace SeatLineTests
{

// Clients that ask (a request and its answer) from a first time on, at their retry, until a last time;
// seats free at one time; hosts cool down at theirs. A refused request leaves the line as it was, whoever asks.
TEST(SeatLineTest, HeldSeatsGoToTheirHoldersWhenTheyAskAndRefusedHostsChangeNothing)
{
    struct Asker
    {
        const char* address;
        uint64_t id = 0;
        double first = 0.0, retry = SeatLine::SeatRetrySeconds;
        // When its host begins to cool down; never when negative. It asks no more after the last time.
        double cooledAt = -1.0, last = 1e9;
    };
    struct Case
    {
        const char* name;
        // Seats freed at a time, the end, then the ids seated in their order and the places left in line.
        size_t freed = 0;
        double freeAt = 0.0, until = 0.0;
        std::vector<uint64_t> seated;
        size_t line = 0;
        std::vector<Asker> askers;
        // A seat freed at this time once the seats were held, as one read in the server's update.
        double freeAfterHoldAt = -1.0;
    };
    // clang-format off
    const Case cases[] = {
        // It stands first, but asks too seldom to hold the seat, and asking once it is held takes nothing:
        // the one behind it takes it at its next retry.
        {"a stranger asking every 6.9 s before an honest client", 1, 13.0, 16.0, {2}, 1,
         {{"10.0.0.2:1", 1, 0.0, 6.9}, {"10.0.0.3:1", 2, 0.5}}},
        // The second asks first once they free, and takes its seat then.
        {"two seats freed in one tick", 2, 9.15, 20.0, {2, 1}, 0, {{"10.0.0.5:1", 1, 0.1}, {"10.0.0.5:2", 2, 0.2}}},
        {"refused hosts with a place and without", 1, 6.0, 8.9, {2}, 1,
         {{"10.0.0.2:1", 1, 0.0, 3.0, 5.0}, {"10.0.0.3:1", 2, 0.5}, {"10.0.0.4:1", 3, 0.0, 0.05, 0.0}}},
        {"strangers from one /64 and from one IPv4 address", 0, 0.0, 5.0, {}, 8,
         {{"[2001:db8::1]:1", 1}, {"[2001:db8::2]:1", 2}, {"[2001:db8::3]:1", 3}, {"[2001:db8::4]:1", 4},
          {"[2001:db8::5]:1", 5}, {"10.0.0.6:1", 6}, {"10.0.0.6:2", 7}, {"10.0.0.6:3", 8}, {"10.0.0.6:4", 9},
          {"10.0.0.6:5", 10}}},
        // The cooling host's other addresses are refused, the next /64's are not.
        {"a /64 cooling down", 1, 4.0, 8.0, {3}, 0,
         {{"[2001:db8::1]:1", 1, 0.0, 3.0, 0.0}, {"[2001:db8::2]:1", 2, 0.1}, {"[2001:db8:0:1::1]:1", 3, 0.2}}},
        // The stranger asks every tick: the seat freed within its tick is held for the second at the next.
        {"a seat freed within a tick", 1, 6.0, 8.0, {1, 2}, 1,
         {{"10.0.0.2:1", 1, 0.1}, {"10.0.0.3:1", 2, 0.2}, {"10.0.0.4:1", 3, 0.3, 1.0 / 60.0}}, 6.05},
        // It comes back at once from its address under a new port and id, before one that comes later.
        {"a client back at once from its address", 2, 20.0, 23.0, {3, 2}, 1,
         {{"10.0.0.2:1", 1, 0.0, 3.0, -1.0, 3.05}, {"10.0.0.3:1", 2, 1.5}, {"10.0.0.2:2", 3, 4.4},
          {"10.0.0.4:1", 4, 14.5}}},
        // It quits and comes back twice, one arriving between: the newest place takes the first's turn.
        {"back twice at once", 1, 20.0, 23.0, {5}, 1,
         {{"10.0.0.2:1", 1, 0.0, 3.0, -1.0, 5.9}, {"10.0.0.2:2", 3, 6.0, 3.0, -1.0, 8.05}, {"10.0.0.4:1", 4, 7.0},
          {"10.0.0.2:3", 5, 8.1}}},
        // Its answers come its retry and two round trips of 550 ms apart.
        {"a 550 ms client first in line", 1, 10.0, 13.0, {1}, 1, {{"10.0.0.2:1", 1, 0.0, 4.1}, {"10.0.0.3:1", 2, 0.9}}},
        // The first stops asking just before two seats free; the stranger asks every tick.
        {"a second holder while the first stops asking", 2, 6.15, 9.0, {2}, 2,
         {{"10.0.0.2:1", 1, 0.1, 3.0, -1.0, 6.12}, {"10.0.0.3:1", 2, 0.2}, {"10.0.0.4:1", 3, 0.3, 1.0 / 60.0}}},
    };
    // clang-format on
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.name);
        size_t free = 0;
        SeatLine line({[&] { return free; }, [](const Net::Address&) { return 0; }}, 3.0);
        const auto snapshot = [&]
        {
            std::vector<std::tuple<std::string, uint64_t, uint64_t, bool>> places;
            for (const SeatLine::Waiter& waiter : line.GetWaiters())
                places.emplace_back(waiter.address.ToString(), waiter.id, waiter.rank, waiter.holds);
            return places;
        };
        std::vector<double> next;
        for (const Asker& asker : test.askers)
            next.push_back(asker.first);
        std::vector<uint64_t> seated;
        for (int tick = 0; tick <= static_cast<int>(test.until * 60.0); ++tick)
        {
            const double now = tick / 60.0;
            if (tick == static_cast<int>(test.freeAt * 60.0))
                free += test.freed;
            for (const Asker& asker : test.askers)
                if (tick == static_cast<int>(asker.cooledAt * 60.0))
                    line.CoolDown(Net::Address(asker.address), now);
            line.HoldSeats(now);
            if (tick == static_cast<int>(test.freeAfterHoldAt * 60.0))
                ++free;
            for (size_t i = 0; i < test.askers.size(); ++i)
            {
                const Asker& asker = test.askers[i];
                if (now < next[i] || now > asker.last)
                    continue;
                next[i] += asker.retry;
                const Net::Address from(asker.address);
                const auto before = snapshot();
                SeatLine::Verdict verdict = line.Admits(from, asker.id, false, now);
                if (verdict == SeatLine::Verdict::Admitted)
                    verdict = line.Admits(from, asker.id, true, now);
                if (verdict == SeatLine::Verdict::Refused)
                {
                    EXPECT_EQ(snapshot(), before) << asker.address;
                }
                if (verdict != SeatLine::Verdict::Admitted)
                    continue;
                ASSERT_GT(free, 0u) << asker.address;
                --free;
                seated.push_back(asker.id);
                line.Seated(from, asker.id);
                next[i] = test.until + 1.0;
            }
        }
        EXPECT_EQ(seated, test.seated);
        EXPECT_EQ(line.GetWaiters().size(), test.line);
    }
}

} // namespace SeatLineTests
