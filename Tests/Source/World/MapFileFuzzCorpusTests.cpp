#include "Tests/Source/World/Fuzz/MapFileHarness.h"

#include "Engine/Foundation/File.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

std::string ReadShipped(const char* map)
{
    const auto [read, text] =
        Lumvek::File::ReadAllText(Lumvek::Testing::SourceFolder() + "/Assets/Maps/" + map + "/Data.json");
    EXPECT_TRUE(read) << map;
    return text;
}

int FeedHarness(const std::string& text)
{
    return FuzzMapFile(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

std::string Map(const std::string& bounds, const std::string& entities)
{
    return R"({"WorldBounds": ")" + bounds + R"(", "Entities": {)" + entities + "}}";
}

std::string Lift(const std::string& path)
{
    return R"("Platforms": [{"Name": "Lift", "Position": "1 1", "Size": "2 1", "Moving": true)" + path + "}]";
}

} // namespace

// The harness traps on a world that breaks its own rules, so surviving is the whole check.
TEST(MapFileFuzzCorpus, ShippedAndDamagedMapsLoadStepAndSave)
{
    std::vector<std::string> corpus{ReadShipped("Crossroads"), ReadShipped("Hilltop")};

    // Cuts of a shipped map: what an interrupted copy leaves.
    const std::string hilltop = corpus.back();
    for (size_t length = 0; length < hilltop.size(); length += 97)
        corpus.push_back(hilltop.substr(0, length));

    for (const char* bounds : {"0 0 -20 10", "0 0 10 -1e9", "nan nan nan nan", "0 0 1e30 1e30", "1e38 1e38 1e38 1e38",
                               "0 0 100000 100000", "0 0", "", "0 0 0.0001 0.0001"})
        corpus.push_back(Map(bounds, R"("Platforms": [{"Position": "1 1", "Size": "2 2"}])"));
    for (const char* path :
         {"", R"(, "Path": [])", R"(, "Path": 5)", R"(, "Path": [1, "two", null])", R"(, "Path": [{"Time": 1.0}])"})
        corpus.push_back(Map("0 0 50 50", Lift(path)));
    // Keys of equal times, and times and positions no number can hold.
    corpus.push_back(Map("0 0 50 50", Lift(R"(, "Path": [
        {"Time": 0.0, "Value": {"Position": "1 1", "Action": "Normal"}},
        {"Time": 0.0, "Value": {"Position": "5 1", "Action": "Hidden"}},
        {"Time": 0.0, "Value": {"Position": "9 1", "Action": "Finished"}}])")));
    corpus.push_back(Map("0 0 50 50", Lift(R"(, "Path": [
        {"Time": 1e39, "Value": {"Position": "1e39 -1e39", "Action": "Stopped"}},
        {"Time": -1.0, "Value": {"Position": "nan 1", "Action": "Bogus"}}])")));
    // Platforms larger than the node pool, of no size, and of sizes that are not numbers.
    corpus.push_back(Map("0 0 1000 1000", R"("Platforms": [{"Position": "1 1", "Size": "900 900"},
        {"Position": "1 1", "Size": "0 0"}, {"Position": "1 1", "Size": "-5 -5"}, {"Position": "1 1", "Size": "1e39 1"},
        {"Position": "nan 1", "Size": "1 1"}])"));
    // More interactions than the world holds, each with actions naming platforms that are not there.
    std::string interactions = R"("Interactions": [)";
    for (int i = 0; i < 60; ++i)
        interactions += std::string(i ? "," : "") + R"({"Position": ")" + std::to_string(i % 40) +
                        R"j( 1", "Size": "0.5 0.5", "Data": "Lever", "Rotation": "Degrees(1e30)",
                            "Hit": {"Action": "PathStartAction", "Platform": "Nowhere"},
                            "Interact": {"Action": 3}})j";
    corpus.push_back(Map("0 0 50 50", interactions + "]"));
    // Elements of the wrong kinds throughout.
    corpus.push_back(R"({"WorldBounds": 5, "SpawnPoints": {"Mask": "All"}, "Entities": [], "Backgrounds": 1})");
    corpus.push_back(Map("0 0 50 50", R"("Platforms": 1, "Hazards": [1, [], {"Data": 5}],
        "Visuals": [{"Texture": 1, "Effect": [], "Position": "1 1", "Size": "1 1"}],
        "Zones": [{"Data": "Mud", "Size": "1e38 1e38"}], "Interactions": {"Data": "Lever"})"));
    corpus.push_back(std::string("{\"WorldBounds\": \"0 0 10 10\"\0}", 30));

    for (const std::string& text : corpus)
        EXPECT_EQ(FeedHarness(text), 0) << text.substr(0, 200);
}
