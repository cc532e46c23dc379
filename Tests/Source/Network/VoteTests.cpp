#include "Source/Data/GameConfiguration.h"
#include "Source/Network/Vote.h"

#include <gtest/gtest.h>

#include <vector>

// A namespace of its own: the program compiles its files in batches.
namespace VoteTests
{

// The players' votes (a negative one is a player who left), and the configuration they choose among
// the options 7, 8 and 9 after the previous vote chose 5.
TEST(VoteTest, TheMostVotedOptionWinsTheFirstOfATieAndWithoutAVoteThePreviousStands)
{
    struct Case
    {
        std::vector<int> votes;
        uint32_t chosen;
    };
    const Case cases[] = {
        {{}, 5},
        {{3, 4}, 5},
        {{-1}, 5},
        {{0}, 7},
        {{2, 1, 2}, 9},
        {{2, 1}, 8},
        {{2, -3, 1}, 8},
        {{0, 2, 2, 1, 1}, 8},
    };
    for (const Case& row : cases)
    {
        std::vector<RemotePlayerSlot> voters(row.votes.size());
        for (size_t i = 0; i < voters.size(); ++i)
        {
            voters[i].vote = static_cast<uint32_t>(row.votes[i] < 0 ? -row.votes[i] - 1 : row.votes[i]);
            voters[i].removed = row.votes[i] < 0;
        }
        EXPECT_EQ(Vote::Tally(voters, {7, 8, 9}, 5), row.chosen) << testing::PrintToString(row.votes);
    }
}

} // namespace VoteTests
