#include "Source/Network/InputLead.h"

#include "Engine/Foundation/Tick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

// The link and a server stepping each frame at its deadline, from 0.25 s after it sent the start, played by
// the test. Each row is a stretch of play at a delay each way: the lead at its end against the LAN's, and the
// most inputs sent in it that came late. A rise is taken within a second, a fall a tick or two at a time.
TEST(InputLead, ADelaySpikeRaisesTheLeadAtOnceAndItComesBackDownAfter)
{
    struct Row
    {
        const char* what;
        double until, delay;
        int lowest, highest;
        uint32_t late;
    };
    // clang-format off
    const Row rows[] = {{"ten seconds on a LAN",          10.0, 0.010,  0,  0,  0},
                        {"the first second of the spike", 11.0, 0.150,  8, 20, 61},
                        {"the rest of it",                14.0, 0.150, 12, 20,  0},
                        {"two seconds after the fall",    16.0, 0.010,  0,  3,  0},
                        {"four seconds after it",         18.0, 0.010, -1,  1,  0},
                        {"a second 50 ms slower",         19.0, 0.060,  3,  6, 30}};
    // clang-format on
    const double tick = Lumvek::PreciseTickSeconds, wait = 0.25;
    const auto delayAt = [&](double time)
    { return std::find_if(rows, std::end(rows), [&](const Row& row) { return time < row.until; })->delay; };
    // The smoothed round trip, as the connection keeps it from a sample a tick.
    double roundTrip = 2 * rows[0].delay;
    const auto link = [&] { return InputLead::Link{static_cast<float>(roundTrip * 1000.0), 0.0f}; };
    InputLead lead;
    lead.Start(10'000'000, link());
    uint32_t frame = 0, nextState = 0, late = 0;
    for (int64_t n = 1, row = 0, before = 0; row < static_cast<int64_t>(std::size(rows)); ++n)
    {
        const int64_t at = n * Lumvek::TickNanoseconds, was = lead.GetLead();
        const double now = static_cast<double>(n) * tick, delay = delayAt(now);
        roundTrip += (delayAt(now - delay) + delay - roundTrip) * 0.1;
        // Each frame's input leaves as the client comes to it, those a raise skips at once; it never goes back.
        const auto goTo = [&](uint32_t target)
        {
            for (; frame < target; ++frame)
                late += now + delay > wait + frame * tick;
        };
        goTo(lead.KeepInStep(frame, at, at - Lumvek::TickNanoseconds));
        // The newest state that has come back: each leaves at its frame's deadline.
        uint32_t newest = nextState;
        while (wait + newest * tick + delayAt(wait + newest * tick) <= now)
            ++newest;
        if (newest > nextState)
            goTo(lead.TimeState(frame, (nextState = newest) - 1, at, at - Lumvek::TickNanoseconds, link()));
        if (!lead.SitOut())
            goTo(frame + 1);
        // A lowering sits out a tick or two: a pause a player does not notice.
        EXPECT_GE(lead.GetLead(), was - InputLead::MaximumLowerStep) << now;
        if (now + tick < rows[row].until)
            continue;
        before = row == 0 ? lead.GetLead() : before;
        EXPECT_GE(lead.GetLead() - before, rows[row].lowest) << rows[row].what;
        EXPECT_LE(lead.GetLead() - before, rows[row].highest) << rows[row].what;
        EXPECT_LE(std::exchange(late, 0), rows[row].late) << rows[row].what;
        ++row;
    }
}
