#include "Source/Data/GameTypeData.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Audio/Sound.h"
#include "Source/Data/NamedAssets.h"
#include "Tests/Engine/Foundation/TextureTestSupport.h"
#include "Tests/Engine/Runtime/Audio/RecordingDevices.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Data/DataTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

using namespace DataTesting;
using Lumvek::Blueprint;
using Lumvek::BlueprintReader;
using Lumvek::BlueprintWriter;

namespace
{

// As JSON text: written integers are signed, while JSON reads those from 0 up as unsigned.
std::string Written(const GameTypeConfiguration& configuration)
{
    BlueprintWriter writer;
    configuration.Write(writer);
    return Lumvek::JsonFormat::SaveBlueprint(writer.GetRoot());
}

std::string JsonText(std::string_view json)
{
    return Lumvek::JsonFormat::SaveBlueprint(Json(json));
}

std::unique_ptr<GameTypeConfiguration> ReadFrom(const GameTypeData& data, Lumvek::StringView json)
{
    std::unique_ptr<GameTypeConfiguration> configuration = data.CreateConfiguration();
    Blueprint root = Json(json);
    BlueprintReader reader(root);
    EXPECT_TRUE(configuration->Read(reader));
    return configuration;
}

} // namespace

TEST(GameTypeConfigurations, DefaultsReadWriteAndCopy)
{
    struct Case
    {
        std::unique_ptr<GameTypeData> data;
        std::string_view defaults;
        // Signed and unsigned integers are read; a float, a string or a number for a flag is not.
        std::string_view file;
        std::string_view read;
    };
    Case cases[] = {
        {std::make_unique<DeathmatchData>(),
         R"({"Scoring": "<ScoreType:0>", "PointsToWin": 5, "PointsPerKill": 1, "PointsPerAssist": 0,
             "PointsPerSuicide": -1, "PointsPerBetrayal": -1, "KillsAsLeaderBonus": 0, "KillsOfLeaderBonus": 0,
             "ShowLeader": false, "ModifyLeader": false, "LeaderModifiers": {}})",
         R"({"Scoring": "<ScoreType:1>", "PointsToWin": 20, "PointsPerKill": 2.5, "PointsPerSuicide": -3,
             "KillsOfLeaderBonus": 4294967295, "ShowLeader": true, "ModifyLeader": 1,
             "LeaderModifiers": {"Hops": 2.0, "Weight": 1}})",
         R"({"Scoring": "<ScoreType:1>", "PointsToWin": 20, "PointsPerKill": 1, "PointsPerAssist": 0,
             "PointsPerSuicide": -3, "PointsPerBetrayal": -1, "KillsAsLeaderBonus": 0, "KillsOfLeaderBonus": -1,
             "ShowLeader": true, "ModifyLeader": false, "LeaderModifiers": {"Hops": 2.0, "Weight": 1.0}})"},
        {std::make_unique<CaptureTheFlagData>(),
         R"({"CapturesToWin": 3, "AtHomeToScore": true, "TouchToReset": true, "TimeToReset": 15})",
         R"({"CapturesToWin": 1, "AtHomeToScore": false, "TimeToReset": "soon"})",
         R"({"CapturesToWin": 1, "AtHomeToScore": false, "TouchToReset": true, "TimeToReset": 15})"},
        {std::make_unique<KeepawayData>(),
         R"({"Scoring": "<ScoreType:0>", "TimeToWin": 60, "TokenCount": 1, "KillsWhileHoldingBonus": 0,
             "ShowHolder": true, "ModifyHolder": false, "ModifyLeader": false, "HolderModifiers": {},
             "LeaderModifiers": {}})",
         R"({"Scoring": "TeamMinimum", "TokenCount": 2, "KillsWhileHoldingBonus": 5, "ModifyHolder": true,
             "HolderModifiers": {"Agility": 0.5}, "LeaderModifiers": "none"})",
         R"({"Scoring": "<ScoreType:2>", "TimeToWin": 60, "TokenCount": 2, "KillsWhileHoldingBonus": 5,
             "ShowHolder": true, "ModifyHolder": true, "ModifyLeader": false, "HolderModifiers": {"Agility": 0.5},
             "LeaderModifiers": {}})"},
        {std::make_unique<RaceData>(), R"({"CheckpointsToWin": 5, "Crazy": true})",
         R"({"Crazy": false, "CheckpointsToWin": -2})", R"({"CheckpointsToWin": -2, "Crazy": false})"},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.defaults);
        std::unique_ptr<GameTypeConfiguration> defaults = test.data->CreateConfiguration();
        EXPECT_EQ(Written(*defaults), JsonText(test.defaults));

        std::unique_ptr<GameTypeConfiguration> read = ReadFrom(*test.data, test.file);
        EXPECT_EQ(Written(*read), JsonText(test.read));
        // What was written reads back the same.
        EXPECT_EQ(Written(*ReadFrom(*test.data, Written(*read))), JsonText(test.read));

        // A copy takes every setting; one of another mode is refused and changes nothing.
        EXPECT_TRUE(defaults->Copy(*read));
        EXPECT_EQ(Written(*defaults), JsonText(test.read));
        for (const Case& other : cases)
        {
            if (&other != &test)
            {
                EXPECT_FALSE(defaults->Copy(*other.data->CreateConfiguration()));
            }
        }
        EXPECT_EQ(Written(*defaults), JsonText(test.read));

        // Settings that are no object are refused.
        Blueprint text = Json(R"(["Scoring"])");
        BlueprintReader reader(text);
        EXPECT_FALSE(defaults->Read(reader));
        EXPECT_EQ(Written(*defaults), JsonText(test.read));
    }
}

TEST(GameTypeConfigurations, ScoringReadsItsTextFormAndItsNameIgnoringCase)
{
    struct Case
    {
        std::string_view settings;
        TeamScoring expected;
    };
    const Case cases[] = {
        {R"({"Scoring": "<ScoreType:1>"})", TeamScoring::TeamMaximum},
        {R"({"Scoring": "teamminimum"})", TeamScoring::TeamMinimum},
        {R"({"Scoring": "<scoretype:2>"})", TeamScoring::TeamMinimum},
        // Anything else keeps the rule it had (TeamMaximum here).
        {R"({"Scoring": "<ScoreType:3>"})", TeamScoring::TeamMaximum},
        {R"({"Scoring": "<TeamScoring:0>"})", TeamScoring::TeamMaximum},
        {R"({"Scoring": "<ScoreType:0>x"})", TeamScoring::TeamMaximum},
        {R"({"Scoring": "SumOfTeam "})", TeamScoring::TeamMaximum},
        {R"({"Scoring": 0})", TeamScoring::TeamMaximum},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.settings);
        DeathmatchConfiguration configuration;
        configuration.scoring = TeamScoring::TeamMaximum;
        Blueprint root = Json(test.settings);
        BlueprintReader reader(root);
        configuration.Read(reader);
        EXPECT_EQ(configuration.scoring, test.expected);
    }
}

TEST(GameTypeData, LoadsTheMapObjectsOfItsMode)
{
    AssetsFolder assets;
    assets.WriteList("Triggers", {"FlagStand", "Checkpoint"});
    assets.WriteList("Items", {"RedFlag", "BlueFlag", "GreenFlag", "YellowFlag", "NeutralFlag", "Token"});
    for (const char* trigger : {"FlagStand", "Checkpoint"})
        assets.WriteDefinition("Triggers", trigger, "{}");
    for (const char* item : {"RedFlag", "BlueFlag", "GreenFlag", "YellowFlag", "NeutralFlag"})
        assets.WriteDefinition("Items", item, R"({"DataType": "Flag"})");
    assets.WriteDefinition("Items", "Token", R"({"DataType": "Token"})");
    assets.WriteList("GameTypes", {"Flags", "Keepaway", "Race", "Deathmatch"});
    assets.WriteDefinition("GameTypes", "Flags", R"({"DataType": "CaptureTheFlag"})");
    assets.WriteDefinition("GameTypes", "Keepaway", R"({"DataType": "Keepaway"})");
    assets.WriteDefinition("GameTypes", "Race", R"({"DataType": "Race"})");
    assets.WriteDefinition("GameTypes", "Deathmatch", R"({"DataType": "Deathmatch"})");
    assets.Write("Triggers/Checkpoint/IconImage.png", Lumvek::Testing::PatternPng(6, 4));
    assets.Write("Triggers/Checkpoint/IconSketch.png", Lumvek::Testing::PatternPng(3, 5));
    assets.Write("GameTypes/Race/Checkpoint.wav", "RIFF");

    Lumvek::ResourceTable table(&assets.files);
    Lumvek::Testing::DeviceCalls calls;
    Lumvek::Testing::RecordingAudioDevice audio(&table, calls);
    TestRegistry registry(assets.files, &audio);
    registry.LoadAll();
    Lumvek::Texture* images = table.CreateTexture(Lumvek::NameTableB().Add("GameTypeTestImages"));
    Lumvek::Texture* drawings = table.CreateTexture(Lumvek::NameTableB().Add("GameTypeTestDrawings"));
    ASSERT_TRUE(images->SetSize(32, 32, Lumvek::TextureFormat::ColorBuffer4x8));
    ASSERT_TRUE(drawings->SetSize(32, 32, Lumvek::TextureFormat::ColorBuffer4x8));
    // Items and triggers name their image when they load.
    auto loaded = [](const auto& collection)
    {
        std::vector<bool> flags;
        for (const auto& item : collection.GetItems())
            flags.push_back(item->image != Lumvek::InvalidId);
        return flags;
    };

    // Capture the flag: the stand and the flag of each playing team, never more than four.
    auto& flags = dynamic_cast<CaptureTheFlagData&>(*registry.gameTypes.Find("Flags"));
    flags.Load(*images, *drawings, 2);
    EXPECT_EQ(loaded(registry.items), (std::vector<bool>{true, true, false, false, false, false}));
    flags.Load(*images, *drawings, 9);
    EXPECT_EQ(loaded(registry.items), (std::vector<bool>{true, true, true, true, false, false}));
    EXPECT_EQ(loaded(registry.triggers), (std::vector<bool>{true, false}));

    registry.gameTypes.Find("Keepaway")->Load(*images, *drawings);
    registry.gameTypes.Find("Deathmatch")->Load(*images, *drawings);
    EXPECT_EQ(loaded(registry.items), (std::vector<bool>{true, true, true, true, false, true}));

    // Race: the checkpoint's icon images, the checkpoint itself and the mode's sound.
    registry.gameTypes.Find("Race")->Load(*images, *drawings);
    const Data& checkpoint = *registry.triggers.Find("Checkpoint");
    EXPECT_EQ(loaded(registry.triggers), (std::vector<bool>{true, true}));
    Lumvek::TextureRegion* icon = images->GetRegion(checkpoint.icon);
    Lumvek::TextureRegion* sketch = images->GetRegion(checkpoint.sketch);
    ASSERT_NE(icon, nullptr);
    ASSERT_NE(sketch, nullptr);
    EXPECT_EQ(std::tie(icon->width, icon->height), std::make_tuple(6u, 4u));
    EXPECT_EQ(std::tie(sketch->width, sketch->height), std::make_tuple(3u, 5u));
    EXPECT_EQ(Lumvek::Testing::TexturePixel(*images, icon->x + 5, icon->y + 3), Lumvek::Testing::PatternPixel(5, 3));
    auto* sound = table.Find<Lumvek::Sound>(Lumvek::NameTableB().Add("CheckpointReached"));
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->soundId, Sounds::CheckpointReached);
    EXPECT_EQ(sound->mixer, 2u);
    EXPECT_FALSE(sound->looping);
    EXPECT_EQ(sound->path, "Assets/GameTypes/Race/Checkpoint.wav");
}
