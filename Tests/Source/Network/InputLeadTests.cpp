// The client's lead over the server's deadlines, with the link and the server played by the test.

#include "Source/Network/InputLead.h"

#include "Engine/Foundation/Tick.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

// A namespace of its own: the program compiles its files in batches.
namespace InputLeadTests
{

// A client ticking on time, 10 ms each way from a server that steps each frame at its deadline, a quarter
// of a second after it sent the start. Each row is a stretch of play at a delay each way: the lead at its
// end against the lead before the spike, and the most frames the server stepped without their input in
// it. The rise is taken within a second, in the 61 frames late that a spare for it would cost every link;
// the fall a tick or two at a time, back to within a frame of the lead before in a few seconds.
TEST(InputLead, ADelaySpikeRaisesTheLeadAtOnceAndItComesBackDownAfter)
{
    struct Row
    {
        const char* what;
        double until, delay;
        int lowest, highest;
        uint32_t missed;
    };
    // clang-format off
    const Row rows[] = {
        {"ten seconds on a LAN",           10.0, 0.010,  0,  0,  0},
        {"the first second of the spike",  11.0, 0.150,  8, 20, 61},
        {"the rest of it",                 14.0, 0.150, 12, 20,  0},
        {"two seconds after the fall",     16.0, 0.010,  0,  3,  0},
        {"four seconds after it",          18.0, 0.010, -1,  1,  0},
    };
    // clang-format on
    const double tick = Lumvek::PreciseTickSeconds;
    const auto delayAt = [&](double time)
    {
        for (const Row& row : rows)
            if (time < row.until)
                return row.delay;
        return rows[0].delay;
    };
    const auto nanoseconds = [](double seconds) { return static_cast<int64_t>(std::llround(seconds * 1e9)); };
    const double wait = 0.25;
    // The smoothed round trip, as the connection keeps it from a sample a tick.
    double roundTrip = 2 * delayAt(0.0);
    const auto link = [&] { return InputLead::Link{static_cast<float>(roundTrip * 1000.0), 0.0f}; };
    InputLead lead;
    const double started = delayAt(0.0);
    lead.Start(nanoseconds(started), link());
    uint32_t frame = 0;
    uint32_t nextState = 0;
    // When each frame's input first reached the server.
    std::map<uint32_t, double> arrived;
    const auto deadline = [&](uint32_t serverFrame) { return wait + serverFrame * tick; };
    int32_t before = 0;
    size_t row = 0;
    for (int64_t n = static_cast<int64_t>(std::ceil(started / tick)); row < std::size(rows); ++n)
    {
        const double now = n * tick;
        const double delay = delayAt(now);
        const int32_t was = lead.GetLead();
        roundTrip += (delayAt(now - delay) + delay - roundTrip) * 0.1;
        if (now > started + tick)
            lead.NoteUpdate(Lumvek::TickNanoseconds);
        const auto sendSkipped = [&](uint32_t target)
        {
            for (; frame < target; ++frame)
                arrived.try_emplace(frame, now + delay);
            frame = target;
        };
        sendSkipped(lead.KeepInStep(frame, nanoseconds(now), nanoseconds(now - tick)));
        // The newest state that has come back: each leaves at its frame's deadline.
        uint32_t newest = nextState;
        while (deadline(newest) + delayAt(deadline(newest)) <= now)
            ++newest;
        if (newest > nextState)
        {
            nextState = newest;
            sendSkipped(lead.TimeState(frame, newest - 1, nanoseconds(now), nanoseconds(now - tick), link()));
        }
        // A lowering sits out a tick or two: a pause a player does not notice.
        EXPECT_GE(lead.GetLead(), was - InputLead::MaximumLowerStep) << now;
        if (!lead.SitOut())
            arrived.try_emplace(frame++, now + delay);
        if (now + tick < rows[row].until)
            continue;
        uint32_t missed = 0;
        const double from = row > 0 ? rows[row - 1].until : 0.0;
        for (uint32_t stepped = 0; deadline(stepped) < now; ++stepped)
            if (deadline(stepped) >= from)
            {
                const auto input = arrived.find(stepped);
                missed += input == arrived.end() || input->second > deadline(stepped);
            }
        if (row == 0)
            before = lead.GetLead();
        EXPECT_GE(lead.GetLead() - before, rows[row].lowest) << rows[row].what;
        EXPECT_LE(lead.GetLead() - before, rows[row].highest) << rows[row].what;
        EXPECT_LE(missed, rows[row].missed) << rows[row].what;
        ++row;
    }
}

} // namespace InputLeadTests
