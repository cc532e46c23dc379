#include "Source/World/MapFile.h"

#include "Source/Data/MapData.h"
#include "Source/Data/ThemeData.h"
#include "Source/World/Action.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/World.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/World/WorldTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>
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

TEST(MapFile, RefusesBoundsTheGridsCannotHoldAndSaysWhichMapAndASaveDoesNotWriteOverIt)
{
    for (const char* bounds : {"0 0 -20 10", "0 0 10 -25", "0 0 0 10", "0 0 nan 10", "0 0 1e30 1e30",
                               "0 0 100000 100000", "1e38 0 1e38 10", "0 0 40", "0 0 40 40 5"})
    {
        SCOPED_TRACE(bounds);
        TestGame game;
        MapNames names;
        LogCapture log;
        World world(game, 1);
        EXPECT_FALSE(LoadMapText(world, names, MapWith(bounds, R"("Platforms": [{"Position": "1 1", "Size": "2 2"}])"),
                                 "Skyway"));
        EXPECT_TRUE(LoggedContaining(log, std::string("Skyway: WorldBounds holds \"") + bounds + "\""))
            << (log.messages.empty() ? "" : log.messages[0]);
        // The world stays empty over the default area.
        EXPECT_EQ(world.platforms.Count(), 0u);
        EXPECT_EQ(world.platformGrid.GetColumns(), 3u);
        EXPECT_EQ(world.platformGrid.GetRows(), 3u);
        EXPECT_FALSE(SaveMapData(world, names));
        EXPECT_TRUE(LoggedContaining(log, "it was not read whole"));
        EXPECT_EQ(game.ReadMap(), "");
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
        EXPECT_TRUE(LoggedContaining(log, "Assets/Maps/Test/Data.json did not parse: the file cannot be read"));
    }
    game.WriteMap("{\"WorldBounds\": ");
    LogCapture log;
    EXPECT_FALSE(LoadMapData(world, names));
    EXPECT_TRUE(log.Logged("Assets/Maps/Test/Data.json did not parse: line 1, column 17: invalid value"))
        << testing::PrintToString(log.messages);
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
    EXPECT_TRUE(LoggedContaining(log, ": Is a directory"));
}

// An action naming no platform moves nothing and is written back without one.
TEST(MapFile, SkipsElementsWhoseDefinitionIsMissingAndWritesThemBackAsReadAndTheRestUnderTheirGenericNames)
{
    TestGame game;
    // The theme names its own variant of the spikes.
    game.ownRegistry.themes.At(game.configuration.theme).dataMap.Set("Spikes", "Icicles");
    MapNames names;
    auto world = game.Load(MapWith("0 0 50 50", R"("Hazards": [
        {"Name": "Lava", "Position": "5 1", "Size": "2 1", "Data": "Lava"},
        {"Name": "Pit", "Position": "1 1", "Size": "2 1", "Data": "Spikes", "WindDirection": "0 1"}],
        "Zones": [{"Position": "1 5", "Size": "2 2", "Data": "Quicksand"}],
        "Platforms": [{"Name": "Lift", "Position": "1 1", "Size": "2 1", "Moving": true, "Path": [
            {"Time": 0.0, "Value": {"Position": "1 1"}}, {"Time": 2.0, "Value": {"Position": "1 9"}}]}],
        "Interactions": [{"Data": "Lever", "Position": "5 1", "Size": "1 1", "Interact": {"Action": "PathStartAction"}}])"),
                           names);
    ASSERT_EQ(world->hazards.Count(), 1u);
    EXPECT_EQ(world->hazards[0].data->name, "Icicles");
    EXPECT_EQ(world->zones.Count(), 0u);
    ASSERT_TRUE(world->platforms[0].GetPathedBody() && world->interactions[0].interactAction);
    world->interactions[0].interactAction->Run(world->players[0]);
    EXPECT_FALSE(world->platforms[0].GetPathedBody()->stopped);
    const Lumvek::Blueprint saved = Json(SaveMapText(*world, names));
    const auto& entities = saved.GetObject().Find("Entities")->GetObject();
    EXPECT_EQ(Text(*entities.Find("Interactions")->GetElement(0).GetObject().Find("Interact")),
              Text(Json(R"({"Action": "PathStartAction"})")));
    const Lumvek::Blueprint& hazards = *entities.Find("Hazards");
    ASSERT_EQ(hazards.GetCount(), 2u);
    EXPECT_EQ(Text(hazards.GetElement(1)), Text(Json(R"({"Name": "Pit", "Position": "1.0 1.0", "Size": "2.0 1.0",
                                                         "Data": "Spikes", "WindDirection": "0.0 1.0"})")));
    // What this match could not make is not lost to the file, nor moved in it.
    EXPECT_EQ(Text(hazards.GetElement(0)),
              Text(Json(R"({"Name": "Lava", "Position": "5 1", "Size": "2 1", "Data": "Lava"})")));
    EXPECT_EQ(entities.Find("Zones")->GetCount(), 1u);
}

// An element the match could not place stays after the element before it in the file when the maker
// deletes elements around it, as the Map tab deletes them, or adds one.
TEST(MapFile, AnElementTheMatchCouldNotPlaceKeepsItsPlaceAmongItsNeighbours)
{
    struct Row
    {
        std::vector<std::string> deleted;
        bool added;
        std::vector<std::string> saved;
    };
    const Row rows[] = {
        {{"First"}, false, {"Ghost", "Last"}},
        {{}, true, {"First", "Ghost", "Last", ""}},
    };
    for (const Row& row : rows)
    {
        TestGame game;
        MapNames names;
        auto world = game.Load(MapWith("0 0 50 50", R"("Hazards": [
            {"Name": "First", "Position": "1 1", "Size": "2 1", "Data": "Spikes"},
            {"Name": "Ghost", "Position": "5 1", "Size": "2 1", "Data": "NoSuchHazard"},
            {"Name": "Last", "Position": "9 1", "Size": "2 1", "Data": "Spikes"}])"),
                               names);
        for (const std::string& name : row.deleted)
            names.hazards.Find(name)->fromMap = false;
        if (row.added)
            CreateHazardEntity(*world, Lumvek::Vector2(20.0f, 1.0f), Lumvek::Vector2(1.0f, 1.0f),
                               *world->hazards[0].data)
                ->fromMap = true;
        const Lumvek::Blueprint saved = Json(SaveMapText(*world, names));
        const Lumvek::Blueprint& hazards = *saved.GetObject().Find("Entities")->GetObject().Find("Hazards");
        std::vector<std::string> order;
        for (uint32_t i = 0; i < hazards.GetCount(); ++i)
        {
            const Lumvek::Blueprint* name = hazards.GetElement(i).GetObject().Find("Name");
            order.push_back(name ? name->GetString().ToString() : "");
        }
        EXPECT_EQ(order, row.saved) << row.deleted.size() << row.added;
    }
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
        EXPECT_TRUE(LoggedContaining(log, "Entities.Platforms[0].Path"));
        world->Step(Lumvek::TickSeconds);
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

// A scratch copy of the shipped Assets.
struct ShippedAssets
{
    ShippedAssets()
    {
        std::filesystem::copy(std::filesystem::path(Lumvek::Testing::SourceFolder()) / "Assets", folder.Path("Assets"),
                              std::filesystem::copy_options::recursive);
        files.RegisterFormats();
    }
    std::string Text(const std::string& definition) const
    {
        return Lumvek::File::ReadAllText(folder.Path("Assets/" + definition + "/Data.json")).second;
    }

    Lumvek::Testing::TestFolder folder;
    Lumvek::FileManager files{folder.Root(), folder.Root(), folder.Root(), folder.Root()};
};

// One definition of every kind, its shipped file given one member of the wrong form (at a path, as
// JSON text, which may write the key twice) and one no reader knows: Save names the member and leaves
// the file as it was. With only the unknown member the file saves, the member kept as written. A
// definition with a copy is a copy of that shipped one.
TEST(MapFile, EveryKindOfDefinitionIsNotSavedOverWithAMemberItCouldNotTakeAndKeepsUnknownMembers)
{
    struct Case
    {
        const char* folder;
        const char* name;
        const char* member;
        const char* wrong;
        const char* copy = nullptr;
    };
    const Case cases[] = {
        {"Weapons", "Rifle", "MaxAmmo", R"("lots")"},
        {"Weapons", "SniperRifle", "LaserWidth", "[]"},
        {"Weapons", "GrenadeLauncher", "ChargeRate", R"("slow")"},
        {"Projectiles", "Bullet", "Size", R"("abc")"},
        {"Projectiles", "Grenade", "Restitution", "true"},
        {"Parts/Heads", "Helmet", "Classification", R"("Superb")"},
        {"Parts/Heads", "HelicopterHat", "FrameRate", R"("fast")"},
        {"Parts/Cores", "Jetpack", "Thrust", "{}"},
        {"Parts/Arms", "LongArms", "EnergyRequirement", "-3"},
        {"Parts/Legs", "SpaceBoots", "Cost", R"("cheap")"},
        {"Themes", "Meadow", "TileSize", R"("big")"},
        {"Themes", "Dusk", "ConveyerSize", "-1", "Meadow"},
        {"Themes", "Glacier", "Objects[0].Texture", R"("NoSuchTexture")"},
        {"Themes", "Frost", "DataMap.Spikes", R"("NoSuchHazard")", "Glacier"},
        {"Themes", "Hoar", "Objects[1].Texture", R"("")", "Glacier"},
        {"Characters", "Basic", "Attributes", "[]"},
        {"Characters", "Bony", "Skeleton.Root.Children[0].LeftOrder", R"("lots")", "Basic"},
        {"Items", "Token", "Rotatable", R"("yes")"},
        {"Items", "RedFlag", "Size", R"("nan nan")"},
        {"Items", "BlueFlag", "Offset", R"("NaN 0.5")"},
        {"Items", "GreenFlag", "Size", R"("0.4 wide")"},
        {"Items", "YellowFlag", "Team", R"(1, "Team": 3)"},
        {"Hazards", "Spikes", "Damage", R"("much")"},
        // No reader knows it, and a Save would write it as another number.
        {"Hazards", "Updraft", "Unknown.Wide", "18446744073709551616"},
        {"Zones", "Mud", "TileVertically", "1"},
        {"Triggers", "Checkpoint", "EnterAction", R"("Teleport")"},
        {"Interactions", "Lever", "Description", "7"},
        {"GameTypes", "Race", "Description", "false"},
    };
    const Lumvek::StringView unknownMember = R"j({"Kept": [1, "Degrees(7)", 5000000000, -3000000000]})j";
    ShippedAssets assets;
    for (const Case& c : cases)
        if (c.copy)
        {
            const std::string list = assets.folder.Path("Assets/" + std::string(c.folder) + "/" + c.folder + ".json");
            Lumvek::Blueprint names = Json(Lumvek::File::ReadAllText(list).second);
            names.AppendElement().SetString(Lumvek::StringView::FromCString(c.name));
            ASSERT_TRUE(Lumvek::File::WriteAllText(list, Lumvek::JsonFormat::SaveBlueprint(names)));
            std::filesystem::copy(assets.folder.Path("Assets/" + std::string(c.folder) + "/" + c.copy),
                                  assets.folder.Path("Assets/" + std::string(c.folder) + "/" + c.name),
                                  std::filesystem::copy_options::recursive);
        }
    for (const bool wrong : {true, false})
    {
        std::vector<std::string> texts;
        for (const Case& c : cases)
        {
            const std::string path = std::string(c.folder) + "/" + c.name + "/Data.json";
            Lumvek::Blueprint file =
                Json(Lumvek::File::ReadAllText(Lumvek::Testing::SourceFolder() + "/Assets/" + c.folder + "/" +
                                               (c.copy ? c.copy : c.name) + "/Data.json")
                         .second);
            file.MakeObject().AddMember("Unknown", Json(unknownMember));
            const std::string member(c.member);
            const size_t dot = member.rfind('.');
            auto* parent = const_cast<Lumvek::Blueprint*>(
                dot == std::string::npos ? &file : Lumvek::FindPath(file, Lumvek::StringView(member).Sub(0, dot)));
            ASSERT_NE(parent, nullptr) << member;
            if (wrong)
                parent->MakeObject().AddMember(Lumvek::StringView(member).Sub(dot + 1)).SetString("@wrong@");
            texts.push_back(Lumvek::JsonFormat::SaveBlueprint(file));
            if (const size_t at = texts.back().find("\"@wrong@\""); at != std::string::npos)
                texts.back().replace(at, 9, c.wrong);
            ASSERT_TRUE(Lumvek::File::WriteAllText(assets.folder.Path("Assets/" + path), texts.back()));
        }
        DataRegistry registry(assets.files);
        registry.LoadAll();
        for (size_t i = 0; i < std::size(cases); ++i)
        {
            const std::string definition = std::string(cases[i].folder) + "/" + cases[i].name;
            Data* read = registry.FindData(Lumvek::StringView::FromCString(cases[i].folder),
                                           Lumvek::StringView::FromCString(cases[i].name));
            ASSERT_NE(read, nullptr) << definition;
            // An edit elsewhere does not make the file whole.
            read->displayName = "Edited";
            LogCapture log;
            EXPECT_EQ(registry.Save(*read), !wrong) << definition;
            const Lumvek::Blueprint saved = Json(assets.Text(definition));
            if (wrong)
            {
                EXPECT_EQ(log.StartingWith("did not save Assets/" + definition + "/Data.json: it was not read whole (" +
                                           cases[i].member + " holds ")
                              .size(),
                          1u)
                    << definition;
                EXPECT_EQ(assets.Text(definition), texts[i]) << definition;
                continue;
            }
            EXPECT_TRUE(*saved.GetObject().Find("Unknown") == Json(unknownMember)) << definition;
            EXPECT_EQ(saved.GetObject().Find("DisplayName")->GetString(), Lumvek::StringView("Edited")) << definition;
        }
    }
}

// Every shipped map and definition saved without an edit, as the map and data editors save them, is
// written byte for byte as shipped; an edit changes the lines of its values and no other.
TEST(MapFile, EveryShippedMapAndDefinitionSavedWithoutAnEditIsTheSameBytesAndAnEditChangesOnlyItsLines)
{
    ShippedAssets assets;
    DataRegistry registry(assets.files);
    registry.LoadAll();
    const auto file = [&](const std::string& path)
    { return Lumvek::File::ReadAllText(assets.folder.Path("Assets/" + path + "/Data.json")).second; };
    // The data editor's Save, maps included; the map editor's below.
    size_t definitions = 0;
    for (const DataCollectionBase* collection : registry.GetCollections())
        for (const std::string& name : collection->GetNames())
            if (Data* definition = collection->FindData(name))
            {
                const std::string path = collection->GetFolder() + "/" + name, held = file(path);
                EXPECT_TRUE(definition->record.report.IsWhole()) << definition->record.report.Describe();
                EXPECT_TRUE(registry.Save(*definition));
                EXPECT_EQ(file(path), held) << path;
                ++definitions;
            }
    EXPECT_GT(definitions, 40u);
    GameContext game;
    game.registry = &registry;
    game.configuration.theme = registry.themes.FindIndex("Glacier");
    for (game.configuration.map = 0; game.configuration.map < registry.maps.Count(); ++game.configuration.map)
    {
        const std::string path = "Maps/" + registry.maps.At(game.configuration.map).name, held = file(path);
        World world(game, 1);
        MapNames names;
        LogCapture log;
        ASSERT_TRUE(LoadMapData(world, names) && SaveMapData(world, names)) << path;
        EXPECT_EQ(log.messages, std::vector<std::string>{"saved to Assets/" + path + "/Data.json"}) << path;
        EXPECT_EQ(file(path), held) << path;
        // The Map tab moves the first platform, which both shipped maps place at "0 0": that line alone changes.
        Body& ground = world.platforms.View().front().GetBody();
        ground.x += 2.5f;
        ground.y += 1.0f;
        ASSERT_TRUE(SaveMapData(world, names));
        std::string moved = held;
        moved.replace(held.find(R"("Position": "0 0")", held.find(R"("Platforms")")), 17, R"("Position": "2.5 1.0")");
        EXPECT_EQ(file(path), moved) << path;
    }
}

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

namespace
{

// The shipped Hilltop with a member no reader knows at the top and in the first platform, and the value
// at the path (member names and element indices) replaced by the JSON text.
std::string HilltopWith(const ShippedGame& game, const std::vector<std::string>& path, const char* value)
{
    Lumvek::Blueprint root = Json(Lumvek::File::ReadAllText(game.MapPath("Hilltop")).second);
    root.MakeObject().AddMember("Music").SetString("Calm");
    root.MakeObject()
        .Find("Entities")
        ->MakeObject()
        .Find("Platforms")
        ->GetElement(0)
        .MakeObject()
        .AddMember("Color")
        .SetString("#FF0000FF");
    Lumvek::Blueprint* at = &root;
    for (const std::string& step : path)
        at = at->GetType() == Lumvek::BlueprintType::Array ? &at->GetElement(std::stoul(step))
                                                           : &at->MakeObject().AddMember(step);
    // The reader takes only containers at the root.
    *at = Json("[" + std::string(value) + "]").GetElement(0);
    return Text(root);
}

} // namespace

// Each row a member of the wrong form beside members no reader knows: the load names it, and neither the
// map editor's Save nor the data editor's writes over the file.
TEST(MapFile, AMemberTheLoadCannotTakeIsReportedAndNoSaveWritesOverTheFile)
{
    const std::vector<std::pair<std::vector<std::string>, const char*>> rows = {
        {{"WorldBounds"}, R"("0 0 nan 30")"},
        {{"SpawnPoints"}, "{}"},
        {{"Entities"}, "[]"},
        {{"Backgrounds"}, "7"},
        {{"SpawnPoints", "0", "Position"}, R"("abc")"},
        {{"SpawnPoints", "0", "Mask"}, R"("Player|Bogus")"},
        {{"SpawnPoints", "1"}, "5"},
        {{"SpawnPoints", "3", "Flipped"}, R"("yes")"},
        {{"Entities", "Platforms", "0", "Conveyance"}, R"("fast")"},
        {{"Entities", "Platforms", "5", "OneWay"}, R"("yes")"},
        {{"Entities", "Platforms", "0", "Rotation"}, R"("sideways")"},
        {{"Entities", "Platforms", "11", "Path", "2", "Time"}, R"("late")"},
        {{"Entities", "Hazards", "1", "WindDirection"}, R"("up")"},
        {{"Entities", "Hazards", "0", "Data"}, "null"},
        {{"Entities", "Visuals"}, R"("oops")"},
        {{"Entities", "Zones", "0", "Position"}, R"("12 abc")"},
        {{"Entities", "Interactions", "0", "Interact", "Action"}, R"("Fly")"},
    };
    for (const auto& [path, value] : rows)
    {
        std::string member;
        for (const std::string& step : path)
            member += std::isdigit(static_cast<unsigned char>(step[0])) ? "[" + step + "]"
                                                                        : (member.empty() ? "" : ".") + step;
        SCOPED_TRACE(member);
        ShippedGame game;
        game.Choose("Hilltop");
        const std::string text = HilltopWith(game, path, value);
        ASSERT_TRUE(Lumvek::File::WriteAllText(game.MapPath("Hilltop"), text));
        // The definition reads the text the match reads, as at start-up.
        game.ownRegistry.maps.Load();
        LogCapture log;
        World world(game, 1);
        MapNames names;
        EXPECT_FALSE(LoadMapData(world, names));
        const auto& problems = world.mapFile.report.GetProblems();
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_EQ(problems[0].path, member);
        EXPECT_TRUE(LoggedContaining(log, member));
        EXPECT_FALSE(SaveMapData(world, names));
        EXPECT_TRUE(LoggedContaining(log, "did not save Assets/Maps/Hilltop/Data.json"));
        // The data editor's check of the map's definition, which reads the same text, finds the same and
        // logs nothing again; nor do the checks of each opening of its window and of each of its Saves.
        MapData& map = *game.ownRegistry.maps.Find("Hilltop");
        CheckMapDefinition(map);
        CheckMapDefinition(map);
        EXPECT_EQ(log.StartingWith("Assets/Maps/Hilltop/Data.json: " + member + " holds ").size(), 1u);
        ASSERT_EQ(map.record.report.GetProblems().size(), 1u);
        EXPECT_EQ(map.record.report.GetProblems()[0].path, member);
        EXPECT_FALSE(game.ownRegistry.Save(map));
        EXPECT_TRUE(Lumvek::File::ReadAllText(game.MapPath("Hilltop")).second == text);
    }
}

// Members no reader knows and a name given twice are saved as read, by either editor, also after the
// match ran: the ferry's trip is no edit of the map.
TEST(MapFile, UnknownMembersAndRepeatedNamesAreSavedAsReadAndARunningMatchMovesNothingInTheFile)
{
    ShippedGame game;
    game.Choose("Hilltop");
    const std::string text = HilltopWith(game, {"Entities", "Platforms", "1", "Name"}, R"("Ground")");
    ASSERT_TRUE(Lumvek::File::WriteAllText(game.MapPath("Hilltop"), text));
    LogCapture log;
    World world(game, 1);
    MapNames names;
    ASSERT_TRUE(LoadMapData(world, names));
    EXPECT_EQ(names.repeatedNames, std::vector<std::string>{"Entities.Platforms[1] \"Ground\""});
    EXPECT_TRUE(LoggedContaining(log, "Entities.Platforms[1] \"Ground\""));
    const std::string written = SaveMapText(world, names);
    EXPECT_NE(written.find("\"Ground\""), written.rfind("\"Ground\""));

    static_cast<PathStartAction&>(*names.interactions.Find("FerryLever")->interactAction).Toggle();
    for (int tick = 0; tick < 120; ++tick)
        world.Step(Lumvek::TickSeconds);
    ASSERT_NE(names.platforms.Find("Ferry")->GetBody().y, 12.0f);
    ASSERT_TRUE(SaveMapData(world, names));
    EXPECT_TRUE(Lumvek::File::ReadAllText(game.MapPath("Hilltop")).second == text);

    // An edit is written, and only the edit.
    SpawnPoint moved = world.GetSpawnPoints()[0];
    moved.x = 3.0f;
    world.SetSpawnPoint(0, moved);
    ASSERT_TRUE(SaveMapData(world, names));
    Lumvek::Blueprint saved = Json(Lumvek::File::ReadAllText(game.MapPath("Hilltop")).second);
    Lumvek::Blueprint& position =
        saved.MakeObject().Find("SpawnPoints")->GetElement(0).MakeObject().AddMember("Position");
    EXPECT_EQ(position.GetString(), "3.0 2.0");
    position.SetString("2 2");
    EXPECT_EQ(Text(saved), Text(Json(text)));

    // The data editor, whose definition was read before all this, writes its own member over both saves.
    position.SetString("3.0 2.0");
    saved.MakeObject().AddMember("DisplayName").SetString("Hill");
    game.ownRegistry.maps.Find("Hilltop")->displayName = "Hill";
    ASSERT_TRUE(game.ownRegistry.Save(*game.ownRegistry.maps.Find("Hilltop")));
    EXPECT_EQ(Text(Json(Lumvek::File::ReadAllText(game.MapPath("Hilltop")).second)), Text(saved));
}
