#include "Source/Data/GameConfiguration.h"

#include "Engine/Foundation/Json.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/Profile.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Data/RegistryTestFolder.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

using namespace Lumvek;
using DataTesting::RegistryTestFolder;

namespace
{

constexpr uint32_t None = Loadout::None;
constexpr uint32_t Random = Loadout::Random;

class GameConfigurationTest : public testing::Test
{
protected:
    void SetUp() override
    {
        assets.WriteStandardDefinitions();
        assets.registry.LoadAll();
    }

    GameConfiguration Read(const std::string& json)
    {
        Blueprint root;
        EXPECT_TRUE(JsonFormat::LoadBlueprint(json, root)) << json;
        GameConfiguration configuration;
        configuration.key = "Test";
        BlueprintReader reader(root);
        EXPECT_TRUE(configuration.Read(reader, assets.registry));
        EXPECT_EQ(reader.GetDepth(), 0u);
        return configuration;
    }

    RegistryTestFolder assets;
};

Loadout Parts(uint32_t head, uint32_t core, uint32_t arms, uint32_t legs)
{
    Loadout loadout;
    loadout.head = head;
    loadout.core = core;
    loadout.arms = arms;
    loadout.legs = legs;
    return loadout;
}

} // namespace

TEST_F(GameConfigurationTest, AnEmptyFileLeavesEveryDefault)
{
    const GameConfiguration read = Read("{}");
    const GameConfiguration defaults;
    EXPECT_EQ(read.teamCount, 2u);
    EXPECT_EQ(read.map, 0u);
    EXPECT_EQ(read.loadout, Loadout());
    EXPECT_EQ(read.weapons, defaults.weapons);
    EXPECT_EQ(read.weapons[5], (WeaponSpawn{None, 5}));
    EXPECT_EQ(read.attributes, Attributes::ConfigurationDefaults());
    EXPECT_EQ(read.settings, GameSettings());
    EXPECT_EQ(read.settings.gravity, Vector2(0.0f, -10.0f));
    EXPECT_EQ(read.gameTypeSettings, nullptr);
    EXPECT_TRUE(read.bots.empty());
}

TEST_F(GameConfigurationTest, ReadsEveryMemberAndLooksUpTheNames)
{
    const GameConfiguration read = Read(R"({
        "Name": "Duel", "Description": "Two go in", "Map": "Harbour", "Theme": "Snow", "GameType": "Race",
        "TeamCount": 3,
        "Bots": [{"TeamId": 1, "Loadout": {"Head": "Cap", "Legs": "Random", "StartingWeapon": "Launcher"}}, 7],
        "Loadout": {"Head": "Random", "Core": "", "SecondaryWeapon": "Rifle"},
        "Weapons": {"SpawnedWeapons": [{"Weapon": "Launcher", "SpawnTime": 9}, {"SpawnTime": 2}]},
        "Attributes": {"Hops": 2.5, "Reach": 3},
        "GameSettings": {"Gravity": "0.5 -20", "FriendlyFire": true, "RespawnTime": 4, "BetrayalPenalty": 1},
        "GameTypeSettings": {"CheckpointsToWin": 9, "Crazy": false}
    })");
    EXPECT_EQ(read.name, "Duel");
    EXPECT_EQ(read.description, "Two go in");
    EXPECT_EQ(read.map, 1u);
    EXPECT_EQ(read.theme, 0u);
    EXPECT_EQ(read.gameType, 3u);
    EXPECT_EQ(read.teamCount, 3u);

    ASSERT_EQ(read.bots.size(), 2u);
    EXPECT_EQ(read.bots[0].team, 1u);
    Loadout bot = Parts(1, None, None, Random);
    bot.startingWeapon = 1;
    EXPECT_EQ(read.bots[0].loadout, bot);
    EXPECT_EQ(read.bots[1].team, 4u);
    EXPECT_EQ(read.bots[1].id, Slot::NoId);

    Loadout rules = Parts(Random, None, None, None);
    rules.secondaryWeapon = 0;
    EXPECT_EQ(read.loadout, rules);
    EXPECT_EQ(read.weapons[0], (WeaponSpawn{1, 9}));
    EXPECT_EQ(read.weapons[1], (WeaponSpawn{None, 2}));
    EXPECT_EQ(read.weapons[2], WeaponSpawn());
    EXPECT_EQ(read.attributes.hops, 2.5f);
    EXPECT_EQ(read.attributes.reach, 1.0f);
    EXPECT_EQ(read.settings.gravity, Vector2(0.5f, -20.0f));
    EXPECT_TRUE(read.settings.friendlyFire);
    EXPECT_EQ(read.settings.respawnTime, 4u);
    EXPECT_EQ(read.settings.suicidePenalty, 5u);
    EXPECT_EQ(read.settings.betrayalPenalty, 1u);

    const auto* race = dynamic_cast<const RaceConfiguration*>(read.gameTypeSettings.get());
    ASSERT_NE(race, nullptr);
    EXPECT_EQ(race->checkpointsToWin, 9);
    EXPECT_FALSE(race->crazy);
}

TEST_F(GameConfigurationTest, MistypedUnknownAndOutOfRangeMembersKeepTheirFields)
{
    struct Case
    {
        const char* json;
        uint32_t teamCount;
        uint32_t botTeam;
        const char* message;
    };
    const Case cases[] = {
        {R"({"TeamCount": 2.0})", 2, 4, nullptr},
        {R"({"TeamCount": 1})", 1, 4, nullptr},
        {R"({"TeamCount": 4})", 4, 4, nullptr},
        {R"({"TeamCount": 0})", 2, 4, "ignored the TeamCount 0 of Test: a game has 1 to 4 teams"},
        {R"({"TeamCount": 5})", 2, 4, "ignored the TeamCount 5 of Test: a game has 1 to 4 teams"},
        {R"({"Bots": [{"TeamId": 4}]})", 2, 4, nullptr},
        {R"({"Bots": [{"TeamId": 3}]})", 2, 3, nullptr},
        {R"({"Bots": [{"TeamId": 5}]})", 2, 4, "ignored the TeamId 5 of bot 1 in Test: teams are numbered 0 to 4"},
        // Cut to 8 bits this would be team 1.
        {R"({"Bots": [{"TeamId": 257}]})", 2, 4, "ignored the TeamId 257 of bot 1 in Test: teams are numbered 0 to 4"},
        {R"({"Map": "Moon"})", 2, 4, "no definition is named Moon in Maps"},
        {R"({"GameType": "Tag"})", 2, 4, "no definition is named Tag in GameTypes"},
        {R"({"Bots": [{"Loadout": {"Head": "Hat"}}]})", 2, 4, "no definition is named Hat in Parts/Heads"},
    };
    for (const Case& c : cases)
    {
        Testing::LogCapture log;
        const GameConfiguration read = Read(c.json);
        EXPECT_EQ(read.teamCount, c.teamCount) << c.json;
        if (!read.bots.empty())
        {
            EXPECT_EQ(read.bots[0].team, c.botTeam) << c.json;
            EXPECT_EQ(read.bots[0].loadout.head, None) << c.json;
        }
        EXPECT_EQ(read.map, 0u) << c.json;
        EXPECT_EQ(read.gameType, 0u) << c.json;
        EXPECT_EQ(read.gameTypeSettings, nullptr) << c.json;
        if (c.message)
            EXPECT_TRUE(log.Logged(c.message)) << c.json;
        else
            EXPECT_TRUE(log.messages.empty()) << c.json;
    }
}

TEST_F(GameConfigurationTest, PreparingTheSlotsNamesNumbersAndResolvesEachOnce)
{
    Profile first;
    first.name = "Ada";
    Profile second;
    second.name = "Bo";
    second.activeLoadout = 7;
    GameConfiguration configuration = Read(R"({
        "TeamCount": 1,
        "Loadout": {"Head": "Random", "StartingWeapon": "Rifle"},
        "Bots": [{"TeamId": 2, "Loadout": {"Core": "Random", "Arms": "Hooks", "SecondaryWeapon": "Rifle"}},
                 {"TeamId": 0}, {"TeamId": 1}, {}, {}, {}, {}, {}]
    })");
    configuration.players.emplace_back(&first, 0);
    configuration.players.emplace_back(&second, 1);

    GameConfiguration replay;
    replay = configuration;
    replay.players = configuration.players;

    std::mt19937 random(12345);
    configuration.NameBots(random);
    std::mt19937 sameSeed(12345);
    replay.NameBots(sameSeed);

    EXPECT_EQ(configuration.players[0].name, "Ada");
    EXPECT_EQ(configuration.players[1].name, "Bo");
    std::set<uint32_t> heads;
    for (uint32_t k = 0; k < configuration.bots.size(); ++k)
    {
        const BotSlot& bot = configuration.bots[k];
        EXPECT_EQ(bot.id, 2 + k);
        EXPECT_EQ(bot.name, "BOT " + std::to_string(k + 1));
        EXPECT_EQ(bot.team, 4u);
        EXPECT_LT(bot.loadout.head, 3u);
        EXPECT_EQ(bot.loadout.startingWeapon, None);
        EXPECT_EQ(bot.loadout.secondaryWeapon, None);
        heads.insert(bot.loadout.head);
        EXPECT_EQ(bot.loadout, replay.bots[k].loadout);
    }
    // Each slot draws on its own: ten draws among three heads do not all agree.
    EXPECT_GT(heads.size(), 1u);
    // A bot's own random part is picked too; its fixed parts stay.
    EXPECT_LT(configuration.bots[0].loadout.core, 2u);
    EXPECT_EQ(configuration.bots[0].loadout.arms, 1u);
    EXPECT_EQ(configuration.bots[0].loadout.legs, None);
    EXPECT_EQ(configuration.players[0].team, 4u);
    EXPECT_LT(configuration.players[0].loadout.head, 3u);
    EXPECT_EQ(configuration.players[0].loadout.core, 0u);
}

TEST(ResolveLoadout, PicksFromTheCollectionOrGivesNone)
{
    RegistryTestFolder assets;
    assets.WriteDefinitions("Parts/Heads", {"Helmet"}, "Head");
    assets.registry.LoadAll();
    std::mt19937 random(7);
    const Loadout rules = Parts(Random, Random, 1, None);
    Loadout slot = Parts(2, 3, 4, 5);
    slot.startingWeapon = 0;
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(GameConfiguration::ResolveLoadout(rules, slot, &assets.registry, random), Parts(0, None, 1, 5));
    EXPECT_EQ(GameConfiguration::ResolveLoadout(rules, slot, nullptr, random), Parts(None, None, 1, 5));

    std::mt19937 draws(99);
    for (int i = 0; i < 1000; ++i)
        EXPECT_LT(PickRandomIndex(draws, 4), 4u);
    EXPECT_EQ(PickRandomIndex(draws, 0), None);
}

TEST_F(GameConfigurationTest, AssignmentTakesTheSetUpAndMakesTheModeSettingsAnew)
{
    const GameConfiguration source = Read(R"({"Name": "Flags", "GameType": "CaptureTheFlag", "TeamCount": 4,
        "Bots": [{"TeamId": 1}], "GameTypeSettings": {"CapturesToWin": 8}})");
    GameConfiguration current;
    current.key = "Current";
    current.registryIndex = 3;
    current.players.emplace_back(nullptr, 2);
    current.gameTypeSettings = std::make_unique<DeathmatchConfiguration>();

    current = source;
    EXPECT_EQ(current.key, "Current");
    EXPECT_EQ(current.registryIndex, 3u);
    EXPECT_EQ(current.players.size(), 1u);
    EXPECT_EQ(current.name, "Flags");
    EXPECT_EQ(current.teamCount, 4u);
    EXPECT_EQ(current.bots.size(), 1u);
    const auto* flags = dynamic_cast<const CaptureTheFlagConfiguration*>(current.gameTypeSettings.get());
    ASSERT_NE(flags, nullptr);
    EXPECT_NE(flags, source.gameTypeSettings.get());
    EXPECT_EQ(flags->capturesToWin, 8);

    const GameTypeConfiguration* before = current.gameTypeSettings.get();
    GameConfiguration& self = current;
    current = self;
    EXPECT_EQ(current.gameTypeSettings.get(), before);
    EXPECT_EQ(flags->capturesToWin, 8);

    // Without a registry there is no definition to make the settings.
    GameConfiguration unread;
    current = unread;
    EXPECT_EQ(current.gameTypeSettings, nullptr);
}

TEST_F(GameConfigurationTest, ResetClearsWhatTheMatchLeft)
{
    GameConfiguration configuration = Read(R"({"Name": "Kept", "Map": "Harbour", "GameType": "Keepaway",
        "Loadout": {"Head": "Cap"}, "Attributes": {"Hops": 3.0}, "GameSettings": {"FriendlyFire": true},
        "Bots": [{}]})");
    for (uint32_t i = 0; i < 4; ++i)
    {
        RemotePlayerSlot& remote = configuration.remotePlayers.emplace_back();
        remote.id = static_cast<uint8_t>(i);
        remote.removed = i % 2 == 1;
        remote.pendingSpawn = true;
        remote.vote = 2;
        remote.player = reinterpret_cast<Player*>(&configuration);
    }
    configuration.bots[0].vote = 0;
    configuration.bots[0].loadout.head = 2;
    configuration.Reset();

    ASSERT_EQ(configuration.remotePlayers.size(), 2u);
    EXPECT_EQ(configuration.remotePlayers[0].id, 0u);
    EXPECT_EQ(configuration.remotePlayers[1].id, 2u);
    for (const RemotePlayerSlot& remote : configuration.remotePlayers)
    {
        EXPECT_FALSE(remote.pendingSpawn);
        EXPECT_EQ(remote.player, nullptr);
        EXPECT_EQ(remote.vote, 1u);
    }
    EXPECT_EQ(configuration.bots[0].vote, 1u);
    EXPECT_EQ(configuration.bots[0].loadout.head, 2u);
    EXPECT_EQ(configuration.name, "Kept");
    EXPECT_EQ(configuration.map, 1u);
    EXPECT_EQ(configuration.gameType, 2u);
    EXPECT_EQ(configuration.loadout, Loadout());
    EXPECT_EQ(configuration.attributes, Attributes::ConfigurationDefaults());
    EXPECT_EQ(configuration.settings, GameSettings());
    EXPECT_EQ(configuration.gameTypeSettings, nullptr);
}

TEST(GameConfiguration, FindsSlotsByIdAndLocalIndex)
{
    GameConfiguration configuration;
    configuration.players.emplace_back(nullptr, 1).id = 4;
    configuration.remotePlayers.emplace_back().id = 0;
    configuration.bots.emplace_back().id = 4;
    configuration.bots.emplace_back().id = 6;

    EXPECT_EQ(&configuration.GetPlayer(4), &configuration.players[0]);
    EXPECT_EQ(&configuration.GetPlayer(0), &configuration.remotePlayers[0]);
    EXPECT_EQ(&configuration.GetPlayer(6), &configuration.bots[1]);
    Slot& missing = configuration.GetPlayer(1);
    EXPECT_TRUE(missing.removed);
    EXPECT_EQ(missing.id, Slot::NoId);
    missing.name = "Written by a caller";
    missing.team = 0;
    EXPECT_EQ(configuration.GetPlayer(2).name, "");
    EXPECT_EQ(configuration.GetPlayer(2).team, 4u);

    EXPECT_EQ(&configuration.GetLocalPlayer(1), &configuration.players[0]);
    const PlayerSlot& noLocal = configuration.GetLocalPlayer(0);
    EXPECT_FALSE(noLocal.removed);
    EXPECT_EQ(noLocal.profile, nullptr);
    EXPECT_EQ(noLocal.id, Slot::NoId);
}

TEST(GameConfiguration, CollectsTheIdsAMatchNeeds)
{
    GameConfiguration configuration;
    configuration.loadout.startingWeapon = 7;
    configuration.players.emplace_back().loadout = Parts(1, 2, 3, 4);
    configuration.remotePlayers.emplace_back().loadout = Parts(1, Random, None, 4);
    BotSlot& bot = configuration.bots.emplace_back();
    bot.loadout = Parts(0, 2, 3, 5);
    bot.loadout.startingWeapon = 8;
    bot.loadout.secondaryWeapon = 7;
    configuration.weapons[1].weapon = 9;
    configuration.weapons[3].weapon = 8;

    const PartIds parts = configuration.CollectPartIds();
    EXPECT_EQ(parts.heads, (std::vector<uint32_t>{1, 0}));
    EXPECT_EQ(parts.cores, (std::vector<uint32_t>{2, Random}));
    EXPECT_EQ(parts.arms, (std::vector<uint32_t>{3, None}));
    EXPECT_EQ(parts.legs, (std::vector<uint32_t>{4, 5}));
    EXPECT_EQ(configuration.CollectWeaponIds(), (std::vector<uint32_t>{7, 8, 9}));
    EXPECT_EQ(configuration.CreateSlotValues(), (std::vector<uint32_t>{0, 0, 0}));
}

TEST(GameConfiguration, TheRegistryLoadsConfigurationFiles)
{
    RegistryTestFolder assets;
    assets.WriteDefinitions("Maps", {"Mountain", "Harbour"}, "Map");
    assets.WriteFile("Assets/Configurations/Configurations.json", R"(["Quick", "Broken", "Long"])");
    assets.WriteFile("Assets/Configurations/Quick.data", R"({"Name": "Quick game", "Map": "Harbour"})");
    assets.WriteFile("Assets/Configurations/Broken.data", "{");
    assets.WriteFile("Assets/Configurations/Long.data", R"({"TeamCount": 1})");
    assets.registry.LoadAll();

    DataCollection<GameConfiguration>& configurations = assets.Configurations();
    ASSERT_EQ(configurations.Count(), 2u);
    const GameConfiguration& quick = configurations.At(0);
    EXPECT_EQ(quick.key, "Quick");
    EXPECT_EQ(quick.registryIndex, 0u);
    EXPECT_EQ(quick.name, "Quick game");
    EXPECT_EQ(quick.map, 1u);
    EXPECT_EQ(quick.registry, &assets.registry);
    EXPECT_EQ(configurations.Find("Long")->teamCount, 1u);
    EXPECT_EQ(configurations.Find("Long")->registryIndex, 1u);
}
