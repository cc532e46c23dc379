#include "Source/Network/Lockstep.h"
#include "Source/Network/ServerLines.h"
#include "Tests/LogCapture.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace LockstepTests
{

using Lumvek::PreciseTickSeconds;

// A player's inputs by frame, sent before the match (a digit is its move, a dot an input that did not
// come), and the moves the frames step with: a late input repeats the last, long stretches log a count.
TEST(LockstepTest, ALateInputRepeatsThePlayersLastAndLongStretchesAreLoggedAsACount)
{
    using ServerLines::MissedInput;
    const std::tuple<std::string, std::string, std::vector<std::string>> rows[] = {
        {"123", "123", {}},
        {"1.3", "113", {MissedInput(1)}},
        {".2", "02", {MissedInput(0)}},
        {"1......2", "11111112", {MissedInput(1), MissedInput(2), MissedInput(3), ServerLines::MissedMore(3, 6)}},
    };
    for (const auto& [came, stepped, lines] : rows)
    {
        Lumvek::Testing::LogCapture log;
        Lockstep lockstep;
        Lockstep::InputBuffer& buffer = lockstep.AddPlayer(0, 0, 0);
        lockstep.Start(1.0);
        for (uint32_t frame = 0; frame < came.size(); ++frame)
            if (PlayerInput input; came[frame] != '.')
                input.move = static_cast<int8_t>(came[frame] - '0'), lockstep.Receive(buffer, frame, input, false, 0);
        std::string moves;
        for (double time = 1.0; moves.size() < stepped.size() && lockstep.IsDue(time); time += PreciseTickSeconds)
            moves += static_cast<char>('0' + buffer.inputs[lockstep.TakeFrame(time)].move), lockstep.Advance();
        EXPECT_EQ(moves, stepped);
        EXPECT_EQ(lockstep.GetIncompleteFrames(), std::count(came.begin(), came.end(), '.')) << came;
        EXPECT_EQ(log.messages, lines) << came;
    }
}

// Inputs by the frames they came early, and the quantiles that tell it: a time that is not a number is as
// late as can be, and the ends of the range hold what lies past them.
TEST(LockstepTest, TimingQuantilesCountEachInputInItsTenthOfAFrame)
{
    const std::tuple<std::vector<double>, double, double, double> rows[] = {
        {{}, 0.0, 0.0, 0.0},
        {{2.0, 3.04, 3.06, 5.0}, 3.0, 2.0, 5.0},
        {{std::numeric_limits<double>::quiet_NaN(), -50.0, 1.0, 500.0, 500.0}, 1.0, -10.0, 120.0},
    };
    for (const auto& [early, median, fifth, last] : rows)
    {
        Lockstep::InputTiming timing;
        for (const double frames : early)
            timing.Add(frames);
        EXPECT_EQ(timing.total, early.size());
        EXPECT_EQ(std::vector<double>({timing.Quantile(0.5), timing.Quantile(0.05), timing.Quantile(1.0)}),
                  std::vector<double>({median, fifth, last}));
    }

    // Only the first copy counts, in play, against the frame due's deadline and a tick for each frame beyond.
    Lockstep lockstep;
    Lockstep::InputBuffer& buffer = lockstep.AddPlayer(0, 0, 0);
    lockstep.Start(1.0);
    for (const uint32_t frame : {0u, 1u, 1u, Lockstep::InputFrames})
        lockstep.Receive(buffer, frame, PlayerInput(), frame > 0, 1.0 - 2 * PreciseTickSeconds);
    EXPECT_EQ(lockstep.GetInputTiming().total, 1u);
    EXPECT_EQ(lockstep.GetInputTiming().Quantile(0.5), 3.0);
}

} // namespace LockstepTests
