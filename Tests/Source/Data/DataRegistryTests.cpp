#include "Source/Data/DataRegistry.h"

#include "Source/Data/GameTypeData.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Data/DataTestSupport.h"
#include "Tests/Source/Data/DefinitionTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace DataTesting;
using Lumvek::InvalidId;
using Lumvek::Testing::LogCapture;

namespace
{

// Perils, things, game types and configurations, with a missing, a broken and an unknown item.
void WriteFixture(AssetsFolder& assets)
{
    assets.WriteList("Perils", {"Lava", "Missing", "Pits/Deep", "Acid"});
    assets.WriteDefinition("Perils", "Lava", R"({"DisplayName": "Hot Lava", "Damage": 25.0})");
    assets.WriteDefinition("Perils", "Pits/Deep", R"({"Description": "Far down"})");
    // Members of the wrong type leave their fields.
    assets.WriteDefinition("Perils", "Acid", R"({"DisplayName": 7, "Damage": "much"})");

    // An empty list loads nothing and says nothing.
    assets.WriteList("Themes", {});

    assets.WriteList("Parts/Things", {"Trap", "Bouncer", "Ghost", "Plain"});
    assets.WriteDefinition("Parts/Things", "Trap", R"({"DataType": "Spike", "Peril": "Acid", "Spikes": 5})");
    assets.WriteDefinition("Parts/Things", "Bouncer", R"({"DataType": "Spring", "DisplayName": "Boing"})");
    assets.WriteDefinition("Parts/Things", "Ghost", R"({"DataType": "Phantom"})");
    assets.WriteDefinition("Parts/Things", "Plain", R"({"DisplayName": "No type"})");

    assets.WriteList("GameTypes", {"Race", "Deathmatch", "Broken", "Flags"});
    assets.WriteDefinition("GameTypes", "Race", R"({"DataType": "Race", "DisplayName": "Race"})");
    assets.WriteDefinition("GameTypes", "Deathmatch", R"({"DataType": "Deathmatch"})");
    assets.WriteDefinition("GameTypes", "Broken", "{not json");
    assets.WriteDefinition("GameTypes", "Flags", R"({"DataType": "CaptureTheFlag"})");

    // Lines name the file; one that is not read says where and why.
    assets.WriteList("Configurations", {"Quick", "Long", "Huge", "Listed"});
    assets.Write("Configurations/Quick.data", R"({"Name": "Quick Race", "GameType": "Race"})");
    assets.Write("Configurations/Long.data", R"({"Name": 2, "GameType": "Deathmatch"})");
    assets.Write("Configurations/Huge.data", "{\"Name\": \"Huge\",\n  \"Size\": 1e309}");
    assets.Write("Configurations/Listed.data", "[1]");
}

} // namespace

TEST(DataRegistry, LoadsEveryCollectionInListOrderWithConsecutiveIndices)
{
    AssetsFolder assets;
    WriteFixture(assets);
    TestRegistry registry(assets.files);
    LogCapture log;
    registry.LoadAll();

    // Skipped items take no index; a nested entry is named by its last component.
    EXPECT_EQ(registry.perils.GetNames(), (std::vector<std::string>{"Lava", "Deep", "Acid"}));
    for (uint32_t i = 0; i < registry.perils.Count(); ++i)
    {
        EXPECT_EQ(registry.perils.At(i).index, i);
        EXPECT_EQ(registry.perils.At(i).name, registry.perils.GetNames()[i]);
        EXPECT_EQ(registry.perils.At(i).registry, &registry);
    }
    EXPECT_EQ(registry.perils.Find("Lava")->displayName, "Hot Lava");
    EXPECT_EQ(registry.perils.Find("Lava")->damage, 25.0f);
    EXPECT_EQ(registry.perils.Find("Deep")->description, "Far down");
    EXPECT_EQ(registry.perils.Find("Acid")->displayName, "");
    EXPECT_EQ(registry.perils.Find("Acid")->damage, 10.0f);
    EXPECT_EQ(registry.perils.Find("lava"), nullptr);
    EXPECT_EQ(registry.perils.Find("Pits/Deep"), nullptr);
    EXPECT_EQ(registry.perils.FindIndex("Acid"), 2u);
    EXPECT_EQ(registry.perils.FindIndex("Missing"), InvalidId);
    EXPECT_EQ(registry.perils.Get(3), nullptr);
    EXPECT_THROW(registry.perils.At(3), Lumvek::InvalidIndex);
    EXPECT_EQ(registry.perils.LastIndex(), 2u);
    EXPECT_EQ(registry.triggers.LastIndex(), InvalidId);

    // "DataType" picks the class; a missing or unknown one skips the item.
    ASSERT_EQ(registry.things.GetNames(), (std::vector<std::string>{"Trap", "Bouncer"}));
    auto* trap = dynamic_cast<SpikeData*>(registry.things.Find("Trap"));
    ASSERT_NE(trap, nullptr);
    EXPECT_EQ(trap->spikes, 5u);
    EXPECT_EQ(trap->peril, 2u) << "perils load before the things that name them";
    EXPECT_NE(dynamic_cast<SpringData*>(registry.things.Find("Bouncer")), nullptr);
    EXPECT_EQ(registry.things.At(1).displayName, "Boing");

    ASSERT_EQ(registry.gameTypes.GetNames(), (std::vector<std::string>{"Race", "Deathmatch", "Flags"}));
    EXPECT_NE(dynamic_cast<RaceData*>(registry.gameTypes.Find("Race")), nullptr);
    EXPECT_NE(dynamic_cast<DeathmatchData*>(&registry.gameTypes.At(1)), nullptr);
    EXPECT_NE(dynamic_cast<CaptureTheFlagData*>(registry.gameTypes.Find("Flags")), nullptr);
    EXPECT_EQ(registry.FindData("GameTypes", "Flags"), registry.gameTypes.Find("Flags"));
    EXPECT_EQ(registry.FindData("Parts/Things", "Trap"), trap);
    EXPECT_EQ(registry.FindData("Weapons", "Trap"), nullptr);
    EXPECT_EQ(registry.FindData("Configurations", "Quick"), nullptr);

    // Configurations load after every definition, so they find the game types they name.
    ASSERT_EQ(registry.configurations.GetNames(), (std::vector<std::string>{"Quick", "Long"}));
    const TestConfiguration& quick = registry.configurations.At(0);
    EXPECT_EQ(quick.key, "Quick");
    EXPECT_EQ(quick.registryIndex, 0u);
    EXPECT_EQ(quick.title, "Quick Race");
    EXPECT_EQ(quick.gameType, 0u);
    EXPECT_EQ(registry.configurations.Find("Long")->gameType, 1u);

    // Every collection without a list file says so, in load order; the fixture's items speak for
    // themselves.
    const std::vector<std::string> listed{"Perils", "Themes", "Parts/Things", "GameTypes", "Configurations"};
    std::vector<std::string> missingLists;
    for (const DataCollectionBase* collection : registry.GetCollections())
        if (std::find(listed.begin(), listed.end(), collection->GetFolder()) == listed.end())
            missingLists.push_back("Failed to read JSON description file for " + collection->GetFolder());
    std::vector<std::string> listMessages;
    std::vector<std::string> itemMessages;
    for (const std::string& message : log.messages)
        (message.starts_with("Failed to read JSON description file") ? listMessages : itemMessages).push_back(message);
    EXPECT_EQ(listMessages, missingLists);
    std::vector<std::string> expected{
        "Assets/Perils/Missing/Data.json cannot be read: Missing is listed, but its folder Assets/Perils/Missing "
        "does not exist",
        "Assets/Perils/Acid/Data.json: DisplayName holds 7, which was not taken: a text in quotes was expected",
        "Assets/Perils/Acid/Data.json: Damage holds \"much\", which was not taken: a number was expected",
        "Assets/GameTypes/Broken/Data.json did not parse: line 1, column 2: missing a name for object member",
        "Skipped Ghost in Parts/Things: no definition class has the DataType \"Phantom\"",
        "Skipped Plain in Parts/Things: no definition class has the DataType \"\"",
    };
    // The game's configurations and the fixture's both read the folder; the game's also want a map and theme.
    const std::string noMap = ": Map holds missing, which was not taken: a configuration names its map; none is given";
    const std::string noTheme =
        ": Theme holds missing, which was not taken: a configuration names its theme; none is given";
    expected.insert(expected.end(),
                    {"Assets/Configurations/Quick.data" + noMap, "Assets/Configurations/Quick.data" + noTheme});
    for (int collection = 0; collection < 2; ++collection)
    {
        expected.push_back(
            "Assets/Configurations/Long.data: Name holds 2, which was not taken: a text in quotes was expected");
        if (collection == 0)
            expected.insert(expected.end(),
                            {"Assets/Configurations/Long.data" + noMap, "Assets/Configurations/Long.data" + noTheme});
        expected.insert(
            expected.end(),
            {"Assets/Configurations/Huge.data did not parse: line 2, column 11: a number beyond a double",
             "Assets/Configurations/Listed.data holds an array, where its file holds one object; it is skipped"});
    }
    EXPECT_EQ(itemMessages, expected);
    EXPECT_EQ(*registry.configurations.FindUnread("Huge"), expected[11]);
    EXPECT_EQ(registry.configurations.FindUnread("Long"), nullptr);
}

TEST(DataRegistry, AListThatIsNoArrayOfNamesLoadsNothingOfItsCollection)
{
    struct Case
    {
        const char* list;
        std::vector<std::string> names;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {nullptr, {}, {"Failed to read JSON description file for Parts/Things"}},
        {"[\"Trap\",", {}, {"Failed to read JSON description file for Parts/Things"}},
        {"{\"Trap\": 1}", {}, {"Failed to parse JSON description data for Parts/Things"}},
        {"[\"Trap\", 3, \"Other\"]", {}, {"Failed to parse JSON description data for Parts/Things"}},
        {"[]", {}, {}},
        // Entries that would reach out of the collection's folder are skipped on their own.
        {"[\"../Things/Trap\", \"\", \"Trap/..\", \"a\\\\b\", \"Trap\"]",
         {"Trap"},
         {"Skipped the entry \"../Things/Trap\" of Parts/Things: not a name inside the folder",
          "Skipped the entry \"\" of Parts/Things: not a name inside the folder",
          "Skipped the entry \"Trap/..\" of Parts/Things: not a name inside the folder",
          "Skipped the entry \"a\\b\" of Parts/Things: not a name inside the folder"}},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.list ? test.list : "no list");
        AssetsFolder assets;
        if (test.list)
            assets.Write("Parts/Things/Things.json", Lumvek::StringView::FromCString(test.list));
        assets.WriteDefinition("Parts/Things", "Trap", R"({"DataType": "Spike"})");
        TestRegistry registry(assets.files);
        LogCapture log;
        registry.things.Load();
        EXPECT_EQ(registry.things.GetNames(), test.names);
        EXPECT_EQ(log.messages, test.messages);
    }
}

TEST(DataRegistry, ARepeatedNameKeepsOneItemUnderItsFirstIndex)
{
    AssetsFolder assets;
    assets.WriteList("Perils", {"Lava", "Acid", "Old/Lava"});
    assets.WriteDefinition("Perils", "Lava", R"({"DisplayName": "First"})");
    assets.WriteDefinition("Perils", "Acid", "{}");
    assets.WriteDefinition("Perils", "Old/Lava", R"({"DisplayName": "Second"})");
    assets.WriteList("Configurations", {"Quick", "Other", "Quick"});
    assets.Write("Configurations/Quick.data", R"({"Name": "Quick"})");
    assets.Write("Configurations/Other.data", "{}");
    TestRegistry registry(assets.files);
    registry.LoadAll();

    // A definition read later replaces the earlier one in its slot.
    ASSERT_EQ(registry.perils.GetNames(), (std::vector<std::string>{"Lava", "Acid"}));
    EXPECT_EQ(registry.perils.At(0).displayName, "Second");
    EXPECT_EQ(registry.perils.At(0).index, 0u);
    EXPECT_EQ(registry.perils.At(1).index, 1u);

    // A configuration is read again into the one stored first.
    ASSERT_EQ(registry.configurations.GetNames(), (std::vector<std::string>{"Quick", "Other"}));
    EXPECT_EQ(registry.configurations.At(0).reads, 2);
    EXPECT_EQ(registry.configurations.At(0).registryIndex, 0u);
    EXPECT_EQ(registry.configurations.At(1).registryIndex, 1u);
}

TEST(DataRegistry, ASavedDefinitionLoadsBackAsItWas)
{
    AssetsFolder assets;
    WriteFixture(assets);
    TestRegistry registry(assets.files);
    registry.LoadAll();

    auto& trap = dynamic_cast<SpikeData&>(*registry.things.Find("Trap"));
    trap.displayName = "Spike trap";
    trap.description = "Sharp";
    trap.spikes = 9;
    RaceData& race = dynamic_cast<RaceData&>(*registry.gameTypes.Find("Race"));
    race.displayName = "Race!";
    LogCapture log;
    EXPECT_TRUE(registry.Save(trap));
    EXPECT_TRUE(registry.Save(race));
    EXPECT_EQ(log.messages, (std::vector<std::string>{"saved Trap to Assets/Parts/Things/Trap/Data.json",
                                                      "saved Race to Assets/GameTypes/Race/Data.json"}));

    // Exactly what Write gives: "DataType" first, empty texts left out.
    EXPECT_EQ(MemberNames(assets.ReadJson("Parts/Things/Trap/Data.json")),
              (std::vector<std::string>{"DataType", "DisplayName", "Description", "Peril", "Spikes"}));
    EXPECT_EQ(assets.ReadJson("GameTypes/Race/Data.json"), Json(R"({"DataType": "Race", "DisplayName": "Race!"})"));

    TestRegistry reloaded(assets.files);
    reloaded.LoadAll();
    auto* again = dynamic_cast<SpikeData*>(reloaded.things.Find("Trap"));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->displayName, "Spike trap");
    EXPECT_EQ(again->description, "Sharp");
    EXPECT_EQ(again->spikes, 9u);
    EXPECT_EQ(again->peril, 2u);
    EXPECT_EQ(again->index, trap.index);
    EXPECT_EQ(again->icon, trap.icon);
    EXPECT_EQ(reloaded.gameTypes.Find("Race")->displayName, "Race!");

    // A definition with nothing to write still saves an object, which loads.
    MapData bare;
    bare.name = "Bare";
    EXPECT_TRUE(reloaded.Save(bare));
    EXPECT_EQ(assets.ReadJson("Maps/Bare/Data.json"), Json("{}"));
}

TEST(DataRegistry, ASaveThatCannotWriteReportsTheFailure)
{
    AssetsFolder assets;
    WriteFixture(assets);
    TestRegistry registry(assets.files);
    registry.LoadAll();

    // A folder where the file should be: the write fails and the folder stays.
    ASSERT_TRUE(Lumvek::File::CreateDirectories(assets.folder.Path("Assets/Perils/Deep/Data.json")));
    // Names that would write outside the collection's folder are refused.
    PerilTestData outside;
    outside.name = "..";
    PerilTestData unnamed;

    LogCapture log;
    EXPECT_FALSE(registry.Save(*registry.perils.Find("Deep")));
    EXPECT_FALSE(registry.Save(outside));
    EXPECT_FALSE(registry.Save(unnamed));
    EXPECT_EQ(log.messages,
              (std::vector<std::string>{"failed to save Deep to Assets/Perils/Deep/Data.json: Is a directory",
                                        "failed to save ..: the name is no folder name",
                                        "failed to save : the name is no folder name"}));
    EXPECT_FALSE(Lumvek::File::Exists(assets.folder.Path("Assets/Perils/Data.json")));
    EXPECT_FALSE(Lumvek::File::Exists(assets.folder.Path("Assets/Perils/Perils/Data.json")));
}

TEST(DataRegistry, LoadsEveryGameFamilyFromItsFolder)
{
    AssetsFolder assets;
    assets.WriteList("Hazards", {"Lava"});
    assets.WriteDefinition("Hazards", "Lava", R"({"Damage": 5.0})");
    assets.WriteList("Interactions", {"Lever"});
    assets.WriteDefinition("Interactions", "Lever", "{}");
    assets.WriteList("Maps", {"Harbour"});
    assets.WriteDefinition("Maps", "Harbour", R"({"DisplayName": "Harbour", "WorldBounds": "0 0 10 10"})");
    assets.WriteList("Triggers", {"Checkpoint"});
    assets.WriteDefinition("Triggers", "Checkpoint", R"({"EnterAction": "CheckpointAction"})");
    assets.WriteList("Zones", {"Mud"});
    assets.WriteDefinition("Zones", "Mud", R"({"Agility": -0.5})");
    assets.WriteList("Characters", {"Robot"});
    assets.WriteDefinition("Characters", "Robot", R"({"Attributes": {"Hops": 12.0},
                                                      "Skeleton": {"Root": {"Name": "Pelvis"}}})");
    // A plain item and one without a DataType have no class to be made of.
    assets.WriteList("Items", {"RedFlag", "Token", "Thing", "Untyped"});
    assets.WriteDefinition("Items", "RedFlag", R"({"DataType": "Flag", "Team": 0})");
    assets.WriteDefinition("Items", "Token", R"({"DataType": "Token"})");
    assets.WriteDefinition("Items", "Thing", R"({"DataType": "Item"})");
    assets.WriteDefinition("Items", "Untyped", "{}");
    assets.WriteList("Projectiles", {"Bolt", "Grenade", "Generic"});
    assets.WriteDefinition("Projectiles", "Bolt", R"({"DataType": "LinearProjectile"})");
    assets.WriteDefinition("Projectiles", "Grenade", R"({"DataType": "DynamicProjectile"})");
    assets.WriteDefinition("Projectiles", "Generic", R"({"DataType": "Projectile"})");
    assets.WriteList("Weapons", {"Rifle", "Longshot", "Lobber"});
    assets.WriteDefinition("Weapons", "Rifle", R"({"DataType": "Weapon", "Projectile": "Bolt"})");
    assets.WriteDefinition("Weapons", "Longshot", R"({"DataType": "SniperRifle", "Projectile": "Bolt"})");
    assets.WriteDefinition("Weapons", "Lobber", R"({"DataType": "GrenadeLauncher", "Projectile": "Grenade"})");
    DataRegistry registry(assets.files);
    LogCapture log;
    registry.LoadAll();

    EXPECT_EQ(registry.hazards.Find("Lava")->damage, 5.0f);
    EXPECT_NE(registry.interactions.Find("Lever"), nullptr);
    EXPECT_EQ(registry.maps.Find("Harbour")->displayName, "Harbour");
    EXPECT_EQ(registry.triggers.Find("Checkpoint")->enterAction, TriggerAction::CheckpointAction);
    EXPECT_EQ(registry.zones.Find("Mud")->modifiers.agility, -0.5f);
    ASSERT_EQ(registry.items.GetNames(), (std::vector<std::string>{"RedFlag", "Token"}));
    EXPECT_NE(dynamic_cast<FlagData*>(registry.items.Find("RedFlag")), nullptr);
    EXPECT_NE(dynamic_cast<TokenData*>(&registry.items.At(1)), nullptr);
    ASSERT_EQ(registry.projectiles.GetNames(), (std::vector<std::string>{"Bolt", "Grenade"}));
    EXPECT_NE(dynamic_cast<DynamicProjectileData*>(registry.projectiles.Find("Grenade")), nullptr);
    ASSERT_EQ(registry.weapons.GetNames(), (std::vector<std::string>{"Rifle", "Longshot", "Lobber"}));
    EXPECT_NE(dynamic_cast<SniperRifleData*>(registry.weapons.Find("Longshot")), nullptr);
    EXPECT_EQ(registry.weapons.Find("Lobber")->projectile, registry.projectiles.Find("Grenade"));
    EXPECT_TRUE(log.Logged("Skipped Thing in Items: no definition class has the DataType \"Item\""));
    EXPECT_TRUE(log.Logged("Skipped Untyped in Items: no definition class has the DataType \"\""));
    EXPECT_TRUE(log.Logged("Skipped Generic in Projectiles: no definition class has the DataType \"Projectile\""));

    // A character keeps its skeleton as read and writes its attributes whole; a map writes only what
    // every definition has.
    CharacterData& robot = *registry.characters.Find("Robot");
    EXPECT_EQ(robot.attributes.hops, 12.0f);
    EXPECT_EQ(robot.attributes.agility, Attributes().agility);
    EXPECT_TRUE(robot.root.empty());
    Lumvek::Blueprint character = Written(robot);
    EXPECT_EQ(MemberNames(character), (std::vector<std::string>{"Attributes", "Skeleton"}));
    EXPECT_EQ(character.GetObject().Find("Attributes")->GetCount(), Attributes::Count);
    EXPECT_EQ(*character.GetObject().Find("Skeleton"), Json(R"({"Root": {"Name": "Pelvis"}})"));
    EXPECT_EQ(Written(*registry.maps.Find("Harbour")), Json(R"({"DisplayName": "Harbour"})"));
}
