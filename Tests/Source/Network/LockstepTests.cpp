#include "Source/Network/Lockstep.h"
#include "Source/Network/ServerLines.h"
#include "Tests/LogCapture.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

// A namespace of its own: the program compiles its files in batches.
namespace LockstepTests
{

using Lumvek::PreciseTickSeconds;

// A player's inputs by frame (a digit is the move of the input that came, a dot one that did not), all
// sent before the match began; the moves the frames step with, and the lines about missed inputs.
TEST(LockstepTest, ALateInputRepeatsThePlayersLastAndLongStretchesAreLoggedAsACount)
{
    struct Case
    {
        const char* name;
        std::string came, stepped;
        uint64_t incomplete = 0;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"on time", "123", "123", 0, {}},
        {"late once", "1.3", "113", 1, {ServerLines::MissedInput(1)}},
        {"none yet", ".2", "02", 1, {ServerLines::MissedInput(0)}},
        {"a long stretch",
         "1......2",
         "11111112",
         6,
         {ServerLines::MissedInput(1), ServerLines::MissedInput(2), ServerLines::MissedInput(3),
          ServerLines::MissedMore(3, 6)}},
    };
    for (const Case& row : cases)
    {
        Lumvek::Testing::LogCapture log;
        Lockstep lockstep;
        Lockstep::InputBuffer& buffer = lockstep.players.emplace_back();
        lockstep.Start(1.0);
        for (uint32_t frame = 0; frame < row.came.size(); ++frame)
            if (row.came[frame] != '.')
            {
                PlayerInput input;
                input.move = static_cast<int8_t>(row.came[frame] - '0');
                lockstep.Receive(buffer, frame, input, false, 0.0);
            }
        EXPECT_FALSE(lockstep.IsDue(1.0 - PreciseTickSeconds / 2)) << row.name;
        std::string stepped;
        for (double time = 1.0; stepped.size() < row.stepped.size(); time += PreciseTickSeconds)
        {
            ASSERT_TRUE(lockstep.IsDue(time)) << row.name;
            stepped += static_cast<char>('0' + buffer.inputs[lockstep.TakeFrame(time)].move);
            lockstep.Advance();
        }
        EXPECT_EQ(stepped, row.stepped) << row.name;
        EXPECT_EQ(lockstep.GetIncompleteFrames(), row.incomplete) << row.name;
        EXPECT_EQ(log.messages, row.lines) << row.name;
    }
}

// How early inputs came, in frames, and the quantiles that tell it: a time that is not a number is as
// late as can be, and the ends of the range hold what lies past them.
TEST(LockstepTest, TimingQuantilesCountEachInputInItsTenthOfAFrame)
{
    const double notANumber = std::numeric_limits<double>::quiet_NaN();
    struct Case
    {
        std::vector<double> early;
        double median, fifth, last;
    };
    const Case cases[] = {
        {{}, 0.0, 0.0, 0.0},
        {{2.0, 3.04, 3.06, 5.0}, 3.0, 2.0, 5.0},
        {{notANumber, -50.0, 1.0, 500.0, 500.0}, 1.0, -10.0, 120.0},
    };
    for (const Case& row : cases)
    {
        Lockstep::InputTiming timing;
        for (const double early : row.early)
            timing.Add(early);
        EXPECT_EQ(timing.total, row.early.size());
        EXPECT_DOUBLE_EQ(timing.Quantile(0.5), row.median) << row.early.size();
        EXPECT_DOUBLE_EQ(timing.Quantile(0.05), row.fifth) << row.early.size();
        EXPECT_DOUBLE_EQ(timing.Quantile(1.0), row.last) << row.early.size();
    }

    // Only the first copy of a frame's input counts, during play, against the deadline of the frame
    // due and a tick for each frame beyond it; what came before a look is left out of what came since.
    Lockstep lockstep;
    Lockstep::InputBuffer& buffer = lockstep.players.emplace_back();
    lockstep.Start(1.0);
    lockstep.Receive(buffer, 0, PlayerInput(), false, 0.0);
    lockstep.Receive(buffer, 1, PlayerInput(), true, 1.0 - 2 * PreciseTickSeconds);
    const Lockstep::InputTiming before = lockstep.GetInputTiming();
    lockstep.Receive(buffer, 1, PlayerInput(), true, 0.0);
    lockstep.Receive(buffer, 2, PlayerInput(), true, 1.0 + PreciseTickSeconds);
    lockstep.Receive(buffer, Lockstep::InputFrames, PlayerInput(), true, 0.0);
    EXPECT_EQ(before.total, 1u);
    EXPECT_DOUBLE_EQ(before.Quantile(0.5), 3.0);
    const Lockstep::InputTiming since = lockstep.GetInputTiming().Since(before);
    EXPECT_EQ(since.total, 1u);
    EXPECT_DOUBLE_EQ(since.Quantile(0.5), 1.0);
}

} // namespace LockstepTests
