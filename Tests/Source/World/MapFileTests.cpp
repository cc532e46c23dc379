#include "Source/World/MapFile.h"

#include "Source/Data/ThemeData.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/World.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/World/WorldTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace WorldTesting;
using Lumvek::Testing::LogCapture;

namespace
{

bool LoggedContaining(const LogCapture& log, const std::string& part)
{
    for (const std::string& message : log.messages)
        if (message.find(part) != std::string::npos)
            return true;
    return false;
}

std::string MapWith(const std::string& bounds, const std::string& entities)
{
    return R"({"WorldBounds": ")" + bounds + R"(", "Entities": {)" + entities + "}}";
}

} // namespace

TEST(MapFile, LaysTheGridsOverTheBoundsGrownByTen)
{
    TestGame game;
    MapNames names;
    auto world = game.Load(MapWith("0 0 100 50", ""), names);
    EXPECT_EQ(world->hazardGrid.GetBounds(), (Lumvek::Rectangle{-10.0f, -10.0f, 120.0f, 70.0f}));
    EXPECT_EQ(world->hazardGrid.GetColumns(), 5u);
    EXPECT_EQ(world->hazardGrid.GetRows(), 3u);
    EXPECT_EQ(world->platformGrid.GetColumns(), 12u);
    EXPECT_EQ(world->platformGrid.GetRows(), 7u);
}

TEST(MapFile, RefusesBoundsTheGridsCannotHoldAndSaysWhichMap)
{
    for (const char* bounds :
         {"0 0 -20 10", "0 0 10 -25", "0 0 0 10", "0 0 nan 10", "0 0 1e30 1e30", "0 0 100000 100000", "1e38 0 1e38 10"})
    {
        SCOPED_TRACE(bounds);
        TestGame game;
        MapNames names;
        LogCapture log;
        World world(game, 1);
        EXPECT_FALSE(LoadMapText(world, names, MapWith(bounds, R"("Platforms": [{"Position": "1 1", "Size": "2 2"}])"),
                                 "Skyway"));
        EXPECT_TRUE(LoggedContaining(log, "Skyway")) << (log.messages.empty() ? "" : log.messages[0]);
        // The world stays empty over the default area.
        EXPECT_EQ(world.platforms.Count(), 0u);
        EXPECT_EQ(world.platformGrid.GetColumns(), 3u);
        EXPECT_EQ(world.platformGrid.GetRows(), 3u);
    }
}

TEST(MapFile, LoadingAgainReplacesTheBox2DWorldTheCellsAndTheEntities)
{
    TestGame game;
    MapNames names;
    World world(game, 1);
    const std::string text = MapWith("0 0 100 50", R"("Platforms": [{"Name": "A", "Position": "1 1", "Size": "2 2"},
        {"Name": "B", "Position": "10 1", "Size": "2 2", "Moving": true,
         "Path": [{"Time": 0.0, "Value": {"Position": "10 1", "Action": "Normal"}}]}])");
    ASSERT_TRUE(LoadMapText(world, names, text, "Test"));
    ASSERT_TRUE(LoadMapText(world, names, text, "Test"));
    EXPECT_EQ(world.platforms.Count(), 2u);
    EXPECT_EQ(world.GetMovingPlatforms().size(), 1u);
    EXPECT_EQ(world.GetPhysics()->GetBodyCount(), 2);
    EXPECT_EQ(world.platformGrid.Query({0.0f, 0.0f, 100.0f, 50.0f}).count, 2u);
    EXPECT_EQ(names.platforms.Find("A"), &world.platforms[0]);
}

TEST(MapFile, ReportsAMissingOrDamagedFileWithItsPath)
{
    TestGame game;
    MapNames names;
    World world(game, 1);
    {
        LogCapture log;
        EXPECT_FALSE(LoadMapData(world, names));
        EXPECT_TRUE(LoggedContaining(log, GetMapPath(world))) << GetMapPath(world);
    }
    game.WriteMap("{\"WorldBounds\": ");
    LogCapture log;
    EXPECT_FALSE(LoadMapData(world, names));
    EXPECT_TRUE(LoggedContaining(log, GetMapPath(world)));
    EXPECT_NE(world.GetPhysics(), nullptr);
}

TEST(MapFile, ASaveThatCannotBeWrittenIsReportedAndNotCalledSaved)
{
    TestGame game;
    MapNames names;
    auto world = game.Load(MapWith("0 0 10 10", ""), names);
    // A folder where the file should be.
    std::filesystem::create_directories(GetMapPath(*world));
    LogCapture log;
    EXPECT_FALSE(SaveMapData(*world, names));
    EXPECT_FALSE(LoggedContaining(log, "saved to"));
    EXPECT_TRUE(LoggedContaining(log, "failed to save the map to"));
}

TEST(MapFile, SkipsElementsWhoseDefinitionIsMissingAndWritesThemBackAsReadAndTheRestUnderTheirGenericNames)
{
    TestGame game;
    // The theme names its own variant of the spikes.
    game.ownRegistry.themes.At(game.configuration.theme).dataMap.Set("Spikes", "Icicles");
    MapNames names;
    auto world = game.Load(MapWith("0 0 50 50", R"("Hazards": [
        {"Name": "Pit", "Position": "1 1", "Size": "2 1", "Data": "Spikes", "WindDirection": "0 1"},
        {"Name": "Lava", "Position": "5 1", "Size": "2 1", "Data": "Lava"}],
        "Zones": [{"Position": "1 5", "Size": "2 2", "Data": "Quicksand"}])"),
                           names);
    ASSERT_EQ(world->hazards.Count(), 1u);
    EXPECT_EQ(world->hazards[0].data->name, "Icicles");
    EXPECT_EQ(world->zones.Count(), 0u);
    const Lumvek::Blueprint saved = Json(SaveMapText(*world, names));
    const Lumvek::Blueprint& hazards = *saved.GetObject().Find("Entities")->GetObject().Find("Hazards");
    ASSERT_EQ(hazards.GetCount(), 2u);
    EXPECT_EQ(Text(hazards.GetElement(0)), Text(Json(R"({"Name": "Pit", "Position": "1.0 1.0", "Size": "2.0 1.0",
                                                         "Data": "Spikes", "WindDirection": "0.0 1.0"})")));
    // What this match could not make is not lost to the file.
    EXPECT_EQ(Text(hazards.GetElement(1)),
              Text(Json(R"({"Name": "Lava", "Position": "5 1", "Size": "2 1", "Data": "Lava"})")));
    EXPECT_EQ(saved.GetObject().Find("Entities")->GetObject().Find("Zones")->GetCount(), 1u);
}

TEST(MapFile, KeepsTheBackgroundsAsReadWhileThereIsNoRenderer)
{
    TestGame game;
    MapNames names;
    auto world = game.Load(R"({"WorldBounds": "0 0 10 10",
        "Backgrounds": [{"BottomColor": "#EEF3F7FF", "Depth": 1.0}]})",
                           names);
    EXPECT_EQ(Text(*Json(SaveMapText(*world, names)).GetObject().Find("Backgrounds")),
              Text(Json(R"([{"BottomColor": "#EEF3F7FF", "Depth": 1.0}])")));
}

TEST(MapFile, AMovingPlatformWithoutKeysStandsStillWithAMessage)
{
    for (const char* path : {R"(, "Path": [])", "", R"(, "Path": [{"Time": 0.0, "Value": {"Position": "1e39 1"}}])"})
    {
        SCOPED_TRACE(path);
        TestGame game;
        MapNames names;
        LogCapture log;
        auto world = game.Load(
            MapWith("0 0 50 50", std::string(R"("Platforms": [{"Name": "Lift", "Position": "1 1", "Size": "2 1",
                                                               "Moving": true)") +
                                     path + "}]"),
            names);
        ASSERT_EQ(world->platforms.Count(), 1u);
        EXPECT_FALSE(world->platforms[0].moving);
        EXPECT_TRUE(world->GetMovingPlatforms().empty());
        EXPECT_TRUE(LoggedContaining(log, "Lift"));
        world->Step(World::TickSeconds);
    }
}

TEST(MapFile, TheFortyNinthInteractionIsRefused)
{
    TestGame game;
    std::string interactions = R"("Interactions": [)";
    for (int i = 0; i < 49; ++i)
        interactions += std::string(i ? "," : "") + R"({"Position": ")" + std::to_string(i) +
                        R"( 1", "Size": "0.5 0.5", "Data": "Lever", "Hit": {"Action": "PathStartAction"}})";
    MapNames names;
    LogCapture log;
    auto world = game.Load(MapWith("0 0 60 10", interactions + "]"), names);
    EXPECT_EQ(world->interactions.Count(), 48u);
    EXPECT_EQ(log.messages.at(0), "failed to create Interaction");
    // Each interaction with a hit action has its Box2D box.
    EXPECT_EQ(world->GetPhysics()->GetBodyCount(), 48);
}

TEST(MapFile, APlatformTooLargeForTheNodePoolIsRefused)
{
    TestGame game;
    MapNames names;
    LogCapture log;
    auto world = game.Load(MapWith("0 0 1000 1000", R"("Platforms": [{"Position": "1 1", "Size": "600 600"},
                                                                     {"Position": "700 1", "Size": "2 2"}])"),
                           names);
    EXPECT_EQ(log.messages.at(0), "failed to add Platform to database");
    EXPECT_EQ(world->platformGrid.Query({690.0f, 0.0f, 20.0f, 20.0f}).count, 1u);
}

TEST(MapFile, HeadlessMakesBodiesButNoImagesEffectsOrVisuals)
{
    for (bool headless : {false, true})
    {
        SCOPED_TRACE(headless);
        TestGame game;
        game.headless = headless;
        game.ownRegistry.hazards.Find("Spikes")->image = 3;
        MapNames names;
        auto world =
            game.Load(MapWith("0 0 50 50", R"("Hazards": [{"Position": "1 1", "Size": "2 1", "Data": "Spikes"}],
            "Visuals": [{"Position": "5 5", "Size": "1 1", "Texture": "Cloud"}],
            "Platforms": [{"Position": "1 10", "Size": "4 1"}])"),
                      names);
        ASSERT_EQ(world->hazards.Count(), 1u);
        EXPECT_EQ(world->hazards[0].image != nullptr, !headless);
        EXPECT_EQ(world->visuals.Count(), headless ? 0u : 1u);
        EXPECT_EQ(world->GetPhysics()->GetBodyCount(), 1);
    }
}

class ShippedMap : public testing::TestWithParam<const char*>
{
protected:
    Lumvek::StringView Map() const { return Lumvek::StringView::FromCString(GetParam()); }
};

TEST_P(ShippedMap, LoadsWithNothingLoggedAndSavesTheSameTextTwice)
{
    ShippedGame game;
    game.Choose(Map());
    MapNames names;
    World world(game, 1);
    {
        LogCapture log;
        ASSERT_TRUE(LoadMapData(world, names));
        EXPECT_EQ(log.messages, std::vector<std::string>());
    }
    EXPECT_GT(world.platforms.Count(), 0u);
    EXPECT_GT(world.hazards.Count(), 0u);
    EXPECT_GT(world.zones.Count(), 0u);
    EXPECT_GT(world.interactions.Count(), 0u);
    EXPECT_GT(world.spawnPoints.size(), 0u);

    ASSERT_TRUE(SaveMapData(world, names));
    const std::string first = Lumvek::File::ReadAllText(game.MapPath(Map())).second;
    MapNames again;
    World reloaded(game, 1);
    ASSERT_TRUE(LoadMapData(reloaded, again));
    // What was saved is what the file said.
    EXPECT_EQ(reloaded.bounds, world.bounds);
    EXPECT_TRUE(reloaded.spawnPoints == world.spawnPoints);
    EXPECT_EQ(reloaded.platforms.Count(), world.platforms.Count());
    EXPECT_EQ(reloaded.GetMovingPlatforms().size(), world.GetMovingPlatforms().size());
    EXPECT_EQ(again.platforms.GetEntries().size(), names.platforms.GetEntries().size());
    EXPECT_EQ(reloaded.interactions[0].hitKind, world.interactions[0].hitKind);
    EXPECT_EQ(reloaded.interactions[0].interactKind, world.interactions[0].interactKind);
    ASSERT_TRUE(SaveMapData(reloaded, again));
    EXPECT_TRUE(Lumvek::File::ReadAllText(game.MapPath(Map())).second == first);
}

INSTANTIATE_TEST_SUITE_P(Maps, ShippedMap, testing::Values("Crossroads", "Hilltop"));

TEST(MapFile, TheRendererTakesTheBackgroundsAndTheSaveWritesItsLayers)
{
    TestGame game;
    std::vector<ThemeBackground> layers(3);
    game.mapBackgrounds = &layers;
    MapNames names;
    auto world = game.Load(R"({"WorldBounds": "0 0 10 10",
        "Backgrounds": [{"BottomColor": "#EEF3F7FF", "Depth": 1.0}, {"Depth": 0.5, "PinLeft": true}]})",
                           names);
    ASSERT_EQ(layers.size(), 2u);
    EXPECT_FLOAT_EQ(layers[0].depth, 1.0f);
    EXPECT_TRUE(layers[1].pinLeft);
    // What the renderer's list holds now is what is saved, edits included.
    layers[1].depth = 0.25f;
    const Lumvek::Blueprint saved = *Json(SaveMapText(*world, names)).GetObject().Find("Backgrounds");
    ASSERT_EQ(saved.GetCount(), 2u);
    EXPECT_EQ(saved.GetElement(1).GetObject().Find("Depth")->GetNumber(), 0.25);

    // A map without layers leaves the renderer none of the last map's.
    auto next = game.Load(R"({"WorldBounds": "0 0 10 10"})", names);
    EXPECT_TRUE(layers.empty());
}
