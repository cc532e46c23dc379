#include "Fuzz/Readers.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <vector>

using Lumvek::Fuzz::Reader;

namespace Lumvek::Fuzz
{

// Test names and messages show the reader by its name.
void PrintTo(const Reader& reader, std::ostream* out)
{
    *out << reader.name;
}

} // namespace Lumvek::Fuzz

namespace
{

// A few of the reader's seeds, small ones first and spread over the list, then each of them cut at
// many lengths, with bytes flipped along its length, and randomly damaged; nothing and noise too.
std::vector<std::string> Corpus(const Reader& reader)
{
    std::vector<std::string> seeds = reader.seeds(Lumvek::Testing::SourceFolder());
    EXPECT_FALSE(seeds.empty()) << reader.name;
    std::vector<std::string> chosen;
    std::vector<std::string> small;
    std::copy_if(seeds.begin(), seeds.end(), std::back_inserter(small),
                 [](const std::string& seed) { return seed.size() <= 64 * 1024; });
    const std::vector<std::string>& pool = small.empty() ? seeds : small;
    const size_t count = std::min<size_t>(pool.size(), 6);
    for (size_t i = 0; i < count; ++i)
        chosen.push_back(pool[i * pool.size() / count]);

    std::vector<std::string> corpus = {std::string()};
    std::mt19937 random(4321);
    for (const std::string& seed : chosen)
    {
        corpus.push_back(seed);
        const size_t steps = std::min<size_t>(seed.size(), 48);
        for (size_t step = 1; step < steps; ++step)
        {
            const size_t at = step * seed.size() / steps;
            corpus.push_back(seed.substr(0, at));
            for (char mask : {'\x01', '\x80', '\xFF'})
            {
                std::string flipped = seed;
                flipped[at] = char(flipped[at] ^ mask);
                corpus.push_back(std::move(flipped));
            }
        }
        for (int i = 0; i < 16 && !seed.empty(); ++i)
        {
            std::string damaged = seed;
            for (int j = 0; j < 1 + i % 6; ++j)
                damaged[random() % damaged.size()] = char(random());
            corpus.push_back(std::move(damaged));
        }
    }
    std::string noise(999, '\0');
    for (char& c : noise)
        c = char(random());
    corpus.push_back(noise);
    return corpus;
}

class ReaderCorpus : public testing::TestWithParam<Reader>
{
};

} // namespace

TEST_P(ReaderCorpus, SeedsAndTheirCutAndDamagedCopiesAreReadSafely)
{
    const Reader& reader = GetParam();
    for (const std::string& input : Corpus(reader))
        EXPECT_EQ(reader.read(reinterpret_cast<const uint8_t*>(input.data()), input.size()), 0);
}

INSTANTIATE_TEST_SUITE_P(Readers, ReaderCorpus, testing::ValuesIn(Lumvek::Fuzz::Readers()),
                         [](const testing::TestParamInfo<Reader>& info) { return std::string(info.param.name); });

// The crafted inputs that once crashed or exhausted the readers, through the harnesses.
TEST(ReaderCorpus, CraftedHostileFilesAreReadSafely)
{
    const std::string mark = "\xEF\xBB\xBF";
    std::string deepXml = mark + mark;
    for (int i = 0; i < 100000; ++i)
        deepXml += "<a>";
    std::string atlas;
    for (int i = 0; i < 20000; ++i)
        atlas += "{ Type = \"Atlas\" Width = 64 Height = 64 Regions { R" + std::to_string(i) + " ";
    atlas += "{ Width = 1 Height = 1 }" + std::string(20000 * 2, '}');
    const std::pair<const char*, std::string> cases[] = {
        {"xml", deepXml},
        {"ltd", atlas},
        {"lon", std::string(200000, '[') + std::string(200000, ']')},
        {"json", std::string(100000, '[') + std::string(100000, ']')},
        {"lon", "1.5\n"},
        {"json", "[0.1, 5e-324, 1.7976931348623157e308, 0.30000000000000004]"},
    };
    for (const auto& [name, input] : cases)
    {
        const Reader* reader = Lumvek::Fuzz::FindReader(name);
        ASSERT_NE(reader, nullptr) << name;
        EXPECT_EQ(reader->read(reinterpret_cast<const uint8_t*>(input.data()), input.size()), 0) << name;
    }
}
