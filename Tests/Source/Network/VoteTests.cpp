#include "Source/Data/GameConfiguration.h"
#include "Source/Network/Vote.h"

#include <gtest/gtest.h>

#include <vector>

// The players' votes (-1 one of a player who left) and what they choose of 7, 8 and 9 after a vote for 5.
TEST(VoteTest, TheMostVotedOptionWinsTheFirstOfATieAndWithoutAVoteThePreviousStands)
{
    const std::pair<std::vector<int>, uint32_t> rows[] = {
        {{}, 5}, {{3, 4}, 5}, {{-1}, 5}, {{0}, 7}, {{2, 1, 2}, 9}, {{2, 1}, 8}, {{2, -1, 1}, 8}, {{0, 2, 2, 1, 1}, 8},
    };
    for (const auto& [votes, chosen] : rows)
    {
        std::vector<RemotePlayerSlot> voters(votes.size());
        for (size_t i = 0; i < votes.size(); ++i)
            voters[i].vote = votes[i] < 0 ? 2 : static_cast<uint32_t>(votes[i]), voters[i].removed = votes[i] < 0;
        EXPECT_EQ(Vote::Tally(voters, {7, 8, 9}, 5), chosen) << testing::PrintToString(votes);
    }
}
