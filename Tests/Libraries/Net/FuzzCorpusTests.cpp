#include "Net/Fuzz/Harness.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace
{

using Reader = int (*)(const uint8_t*, size_t);
using Maker = size_t (*)(uint8_t*, size_t);

// A valid sample, every prefix of it, every byte flipped in two ways, and random corruptions.
std::vector<std::vector<uint8_t>> Corpus(Maker make)
{
    std::vector<uint8_t> sample(16 * 1024);
    sample.resize(make(sample.data(), sample.size()));
    EXPECT_GT(sample.size(), 0u);
    std::vector<std::vector<uint8_t>> corpus{sample, {}};
    for (size_t length = 1; length < sample.size(); ++length)
        corpus.emplace_back(sample.begin(), sample.begin() + long(length));
    for (size_t i = 0; i < sample.size(); ++i)
    {
        for (uint8_t change : {uint8_t(0xFF), uint8_t(0x01)})
        {
            std::vector<uint8_t> flipped = sample;
            flipped[i] ^= change;
            corpus.push_back(flipped);
        }
    }
    std::mt19937 random(12345);
    for (int i = 0; i < 300; ++i)
    {
        std::vector<uint8_t> corrupted = sample;
        for (int j = 0; j < 1 + i % 8; ++j)
            corrupted[random() % corrupted.size()] = uint8_t(random());
        corpus.push_back(corrupted);
    }
    std::vector<uint8_t> noise(777);
    for (uint8_t& byte : noise)
        byte = uint8_t(random());
    corpus.push_back(noise);
    return corpus;
}

} // namespace

TEST(FuzzCorpus, ReadersSurviveTruncatedAndCorruptedInput)
{
    struct Case
    {
        const char* name;
        Reader read;
        Maker make;
    };
    const Case cases[] = {
        {"messages", Net::Fuzz::ReadMessages, Net::Fuzz::MakeMessagesSample},
        {"connection packet", Net::Fuzz::ReadConnectionPacket, Net::Fuzz::MakeConnectionPacketSample},
        {"reliable packets", Net::Fuzz::ReadReliablePackets, Net::Fuzz::MakeReliablePacketsSample},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        for (const std::vector<uint8_t>& input : Corpus(c.make))
            EXPECT_EQ(c.read(input.data(), input.size()), 0);
    }
}
