#include "Tests/Source/Network/Fuzz/GameMessageHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace
{

int FeedHarness(const std::vector<uint8_t>& input)
{
    return FuzzGameMessage(input.data(), input.size());
}

} // namespace

// The harness traps on a message handed on half read, so surviving is the whole check.
TEST(GameMessageFuzzCorpus, WholeCutAndDamagedMessagesAreReadWholeOrNotAtAll)
{
    const std::vector<std::vector<uint8_t>> seeds = MakeGameMessageSeeds();
    ASSERT_EQ(seeds.size(), 2u * 21u * 3u);
    for (const std::vector<uint8_t>& seed : seeds)
    {
        EXPECT_EQ(FeedHarness(seed), 0);
        // Every cut: what a packet that ends early leaves.
        for (size_t length = 0; length < seed.size(); ++length)
            EXPECT_EQ(FeedHarness(std::vector<uint8_t>(seed.begin(), seed.begin() + length)), 0);
        // Each bit of the type and the first fields flipped, and whole bytes set, under the other limits.
        const size_t flipped = std::min<size_t>(seed.size(), 24) * 8;
        for (size_t bit = 8; bit < flipped; ++bit)
        {
            std::vector<uint8_t> damaged = seed;
            damaged[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
            EXPECT_EQ(FeedHarness(damaged), 0);
        }
        for (size_t byte = 1; byte < seed.size(); byte += 7)
        {
            std::vector<uint8_t> damaged = seed;
            damaged[byte] = 0xFF;
            damaged[0] ^= 1;
            EXPECT_EQ(FeedHarness(damaged), 0);
        }
    }
    // Nothing but a first byte, and type ids past the last, whose 5 bits still fit.
    EXPECT_EQ(FeedHarness({}), 0);
    EXPECT_EQ(FeedHarness({0}), 0);
    for (uint8_t type = 21; type < 32; ++type)
        EXPECT_EQ(FeedHarness({0, type, 0xFF, 0xFF}), 0);
    // A game state whose player's push is flagged there but holds zeros, which the writer flags absent.
    EXPECT_EQ(FeedHarness({
         0x00, 0xE7, 0xB1, 0xB1, 0x6B, 0x0A, 0x01, 0x00, 0x60, 0x08, 0x60, 0x60, 0x00, 0x00, 0x00, 0x00, 0x00,
         0x00, 0x1B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x81, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xBB, 0x00,
         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x60, 0x40, 0x00, 0x18, 0x56, 0x51, 0x00, 0x00, 0x00, 0x00, 0xE7,
         0xFF, 0x2D, 0x09, 0x24, 0x0D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00,
         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}),
              0);
}
