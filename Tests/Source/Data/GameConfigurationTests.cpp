#include "Source/Data/GameConfiguration.h"

#include "Engine/Foundation/Json.h"
#include "Source/Data/Profile.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Data/RegistryTestFolder.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

using namespace Lumvek;
using DataTesting::RegistryTestFolder;

namespace
{

static_assert(RegistryConfiguration<GameConfiguration>, "the registry reads configuration files into them");

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

TEST_F(GameConfigurationTest, ReadsEveryMemberAndLooksUpTheNames)
{
    const GameConfiguration read = Read(R"({
        "Name": "Duel", "Map": "Harbour", "Theme": "Snow", "GameType": "Race", "TeamCount": 3,
        "Bots": [{"TeamId": 1, "Loadout": {"Head": "Cap", "Legs": "Random", "StartingWeapon": "Launcher"}}, 7],
        "Loadout": {"Head": "Random", "Core": "", "SecondaryWeapon": "Rifle"},
        "Weapons": {"SpawnedWeapons": [{"Weapon": "Launcher", "SpawnTime": 9}, {"SpawnTime": 2}]},
        "Attributes": {"Hops": 2.5, "Reach": 3},
        "GameSettings": {"Gravity": "0.5 -20", "FriendlyFire": true, "BetrayalPenalty": 1},
        "GameTypeSettings": {"CheckpointsToWin": 9}
    })");
    EXPECT_EQ(read.map, 1u);
    EXPECT_EQ(read.gameType, 3u);
    EXPECT_EQ(read.teamCount, 3u);
    ASSERT_EQ(read.bots.size(), 2u);
    EXPECT_EQ(read.bots[0].team, 1u);
    Loadout bot = Parts(1, None, None, Random);
    bot.startingWeapon = 1;
    EXPECT_EQ(read.bots[0].loadout, bot);
    EXPECT_EQ(read.bots[1].team, 4u);

    Loadout rules = Parts(Random, None, None, None);
    rules.secondaryWeapon = 0;
    EXPECT_EQ(read.loadout, rules);
    EXPECT_EQ(read.weapons[0], (WeaponSpawn{1, 9}));
    EXPECT_EQ(read.weapons[1], (WeaponSpawn{None, 2}));
    EXPECT_EQ(read.weapons[2], WeaponSpawn());
    EXPECT_EQ(read.attributes.hops, 2.5f);
    // A whole number is a number.
    EXPECT_EQ(read.attributes.reach, 3.0f);
    EXPECT_EQ(read.settings.gravity, Vector2(0.5f, -20.0f));
    EXPECT_TRUE(read.settings.friendlyFire);
    EXPECT_EQ(read.settings.betrayalPenalty, 1u);
    const auto* race = dynamic_cast<const RaceConfiguration*>(read.gameTypeSettings.get());
    ASSERT_NE(race, nullptr);
    EXPECT_EQ(race->checkpointsToWin, 9);
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
        {R"({})", 2, 4, nullptr},
        {R"({"TeamCount": 2.0})", 2, 4,
         "TeamCount holds 2.0, which was not taken: a whole number from 0 up, without a sign, was expected"},
        {R"({"TeamCount": 4})", 4, 4, nullptr},
        {R"({"TeamCount": 0})", 2, 4, "ignored the TeamCount 0 of Test: a game has 1 to 4 teams"},
        {R"({"TeamCount": 5})", 2, 4, "ignored the TeamCount 5 of Test: a game has 1 to 4 teams"},
        {R"({"Bots": [{"TeamId": 3}]})", 2, 3, nullptr},
        {R"({"Bots": [{"TeamId": 5}]})", 2, 4, "ignored the TeamId 5 of bot 1 in Test: teams are numbered 0 to 4"},
        // Cut to 8 bits this would be team 1.
        {R"({"Bots": [{"TeamId": 257}]})", 2, 4, "ignored the TeamId 257 of bot 1 in Test: teams are numbered 0 to 4"},
        {R"({"Map": "Moon"})", 2, 4, "Map holds \"Moon\", which was not taken: no definition is named Moon in Maps"},
        // An empty name would play the first map, as a missing one would (every case here lacks one).
        {R"({"Map": ""})", 2, 4, "Map holds \"\", which was not taken: a configuration names its map; none is given"},
        {R"({"GameType": "Tag"})", 2, 4,
         "GameType holds \"Tag\", which was not taken: no definition is named Tag in GameTypes"},
        {R"({"Bots": [{"Loadout": {"Head": "Hat"}}]})", 2, 4,
         "Bots[0].Loadout.Head holds \"Hat\", which was not taken: no definition is named Hat in Parts/Heads"},
    };
    for (const Case& c : cases)
    {
        Testing::LogCapture log;
        const GameConfiguration read = Read(c.json);
        EXPECT_EQ(read.teamCount, c.teamCount) << c.json;
        if (!read.bots.empty())
        {
            EXPECT_EQ(read.bots[0].team, c.botTeam) << c.json;
            EXPECT_EQ(read.bots[0].loadout, Loadout()) << c.json;
        }
        EXPECT_EQ(read.map, 0u) << c.json;
        EXPECT_EQ(read.gameTypeSettings, nullptr) << c.json;
        EXPECT_EQ(read.weapons[5], (WeaponSpawn{None, 5})) << c.json;
        EXPECT_EQ(read.settings, GameSettings()) << c.json;
        std::vector<std::string> expected;
        if (c.message)
            expected.push_back(c.message);
        if (!std::string_view(c.json).starts_with(R"({"Map")"))
            expected.push_back("Map holds missing, which was not taken: a configuration names its map; none is given");
        expected.push_back("Theme holds missing, which was not taken: a configuration names its theme; none is given");
        EXPECT_TRUE(std::ranges::is_permutation(log.messages, expected)) << testing::PrintToString(log.messages);
    }
}

TEST_F(GameConfigurationTest, PreparingTheSlotsNamesNumbersAndResolvesEachOnce)
{
    Profile ada;
    ada.name = "Ada";
    GameConfiguration configuration = Read(R"({
        "TeamCount": 1, "Loadout": {"Head": "Random", "StartingWeapon": "Rifle"},
        "Bots": [{"TeamId": 2, "Loadout": {"Core": "Random", "Arms": "Hooks", "SecondaryWeapon": "Rifle"}},
                 {}, {}, {}, {}, {}, {}, {}]
    })");
    configuration.players.emplace_back(&ada, 0);
    configuration.players.emplace_back(&ada, 1).profile = nullptr;
    GameConfiguration replay;
    replay = configuration;
    replay.players = configuration.players;

    std::mt19937 random(12345);
    configuration.NameBots(random);
    std::mt19937 sameSeed(12345);
    replay.NameBots(sameSeed);

    EXPECT_EQ(configuration.players[0].name, "Ada");
    EXPECT_EQ(configuration.players[1].name, "PLAYER");
    EXPECT_EQ(configuration.players[0].team, 4u);
    EXPECT_EQ(configuration.players[0].loadout.core, 0u);
    std::set<uint32_t> heads;
    for (uint32_t k = 0; k < configuration.bots.size(); ++k)
    {
        const BotSlot& bot = configuration.bots[k];
        EXPECT_EQ(bot.id, 2 + k);
        EXPECT_EQ(bot.name, "BOT " + std::to_string(k + 1));
        EXPECT_EQ(bot.team, 4u);
        EXPECT_LT(bot.loadout.head, 3u);
        EXPECT_EQ(bot.loadout.startingWeapon, None);
        EXPECT_EQ(bot.loadout, replay.bots[k].loadout);
        heads.insert(bot.loadout.head);
    }
    // Each slot draws on its own, so eight bots among three heads do not all agree.
    EXPECT_GT(heads.size(), 1u);
    // A bot's own random part is picked too.
    EXPECT_LT(configuration.bots[0].loadout.core, 2u);
    EXPECT_EQ(configuration.bots[0].loadout.arms, 1u);
    EXPECT_EQ(configuration.bots[0].loadout.secondaryWeapon, None);
}

// No message carries a name: a server, whose players are all remote, and a client, whose own player is
// local, name every player alike.
TEST_F(GameConfigurationTest, OnlinePeersNameEveryPlayerAlike)
{
    Profile own;
    own.name = "player1";
    GameConfiguration server = Read(R"({"Bots": [{}]})"), client = Read(R"({"Bots": [{}]})");
    client.players.emplace_back(&own, 0).id = 1;
    for (const uint8_t id : {0, 1, 2})
        server.remotePlayers.emplace_back().id = id;
    for (const uint8_t id : {0, 2})
        client.remotePlayers.emplace_back().id = id;
    std::mt19937 random(5);
    server.NameBots(random, PlayerNaming::Ids);
    client.NameBots(random, PlayerNaming::Ids);
    for (const uint8_t id : {0, 1, 2, 3})
        for (GameConfiguration* peer : {&server, &client})
            EXPECT_EQ(peer->GetPlayer(id).name, id < 3 ? "PLAYER " + std::to_string(id + 1) : "BOT 1");
}

TEST_F(GameConfigurationTest, BotsTakeTheIdsLeftFreeWhenAPlayerHasLeft)
{
    GameConfiguration configuration = Read(R"({"Bots": [{}, {}, {}]})");
    for (uint8_t id = 0; id < 3; ++id)
        configuration.remotePlayers.emplace_back().id = id;
    std::mt19937 random(3);
    configuration.NameBots(random);
    EXPECT_EQ(configuration.bots[0].id, 3u);

    // The client that owned player 1 leaves; the next match keeps ids 0 and 2. Before it ends the slot
    // stays, but its id is free: a client that joined later never saw it.
    const auto botIds = [&]
    {
        configuration.NameBots(random);
        std::vector<uint8_t> ids;
        for (const BotSlot& bot : configuration.bots)
            ids.push_back(bot.id);
        return ids;
    };
    configuration.remotePlayers[1].removed = true;
    EXPECT_EQ(botIds(), (std::vector<uint8_t>{1, 3, 4}));
    configuration.Reset();
    ASSERT_EQ(configuration.remotePlayers.size(), 2u);
    EXPECT_EQ(botIds(), (std::vector<uint8_t>{1, 3, 4}));
    EXPECT_EQ(configuration.bots[2].name, "BOT 3");
}

TEST(ResolveLoadout, PicksWithinTheCollectionOrGivesNone)
{
    RegistryTestFolder assets;
    assets.WriteDefinitions("Parts/Heads", {"Helmet"}, "Head");
    assets.registry.LoadAll();
    std::mt19937 random(7);
    const Loadout rules = Parts(Random, Random, 1, None);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(GameConfiguration::ResolveLoadout(rules, Parts(2, 3, 4, 5), &assets.registry, random),
                  Parts(0, None, 1, 5));
    for (int i = 0; i < 1000; ++i)
        EXPECT_LT(PickRandomIndex(random, 4), 4u);
}

TEST_F(GameConfigurationTest, AssignmentTakesTheSetUpAndMakesTheModeSettingsAnew)
{
    const GameConfiguration source = Read(R"({"Name": "Flags", "GameType": "CaptureTheFlag",
        "Bots": [{"TeamId": 1}], "GameTypeSettings": {"CapturesToWin": 8}})");
    GameConfiguration current;
    current.key = "Current";
    current.players.emplace_back(nullptr, 2);
    current.gameTypeSettings = std::make_unique<DeathmatchConfiguration>();
    current.origin = GameOrigin::DemoMultiplayer;
    current.configurationIndex = 3;

    current = source;
    EXPECT_EQ(current.key, "Current");
    // Where the players came from outlives the copy, so that they go back there after the match.
    EXPECT_EQ(current.origin, GameOrigin::DemoMultiplayer);
    EXPECT_EQ(current.configurationIndex, 3u);
    EXPECT_EQ(current.players.size(), 1u);
    EXPECT_EQ(current.name, "Flags");
    EXPECT_EQ(current.bots.size(), 1u);
    const auto* flags = dynamic_cast<const CaptureTheFlagConfiguration*>(current.gameTypeSettings.get());
    ASSERT_NE(flags, nullptr);
    EXPECT_NE(flags, source.gameTypeSettings.get());
    EXPECT_EQ(flags->capturesToWin, 8);

    GameConfiguration& self = current;
    current = self;
    EXPECT_EQ(current.gameTypeSettings.get(), flags);
    EXPECT_EQ(flags->capturesToWin, 8);
}

TEST_F(GameConfigurationTest, ResetClearsWhatTheMatchLeft)
{
    GameConfiguration configuration = Read(R"({"Map": "Harbour", "GameType": "Keepaway",
        "Loadout": {"Head": "Cap"}, "Attributes": {"Hops": 3.0}, "Bots": [{"Loadout": {"Head": "Cap"}}]})");
    for (uint8_t id = 0; id < 4; ++id)
    {
        RemotePlayerSlot& remote = configuration.remotePlayers.emplace_back();
        remote.id = id;
        remote.removed = id % 2 == 1;
        remote.vote = 2;
    }
    configuration.Reset();
    ASSERT_EQ(configuration.remotePlayers.size(), 2u);
    EXPECT_EQ(configuration.remotePlayers[1].id, 2u);
    EXPECT_EQ(configuration.remotePlayers[1].vote, 1u);
    EXPECT_EQ(configuration.bots[0].loadout.head, 1u);
    EXPECT_EQ(configuration.map, 1u);
    EXPECT_EQ(configuration.loadout, Loadout());
    EXPECT_EQ(configuration.attributes, Attributes::ConfigurationDefaults());
    EXPECT_EQ(configuration.gameTypeSettings, nullptr);
}

TEST(GameConfiguration, FindsSlotsAndCollectsTheirIds)
{
    GameConfiguration configuration;
    configuration.loadout.startingWeapon = 7;
    configuration.remotePlayers.emplace_back().loadout = Parts(1, Random, None, 4);
    BotSlot& bot = configuration.bots.emplace_back();
    bot.id = 0;
    bot.loadout = Parts(0, 2, None, 5);
    bot.loadout.secondaryWeapon = 8;
    configuration.weapons[3].weapon = 8;

    EXPECT_EQ(&configuration.GetPlayer(0), &configuration.bots[0]);
    Slot& missing = configuration.GetPlayer(1);
    EXPECT_TRUE(missing.removed);
    missing.name = "Written by a caller";
    EXPECT_EQ(configuration.GetPlayer(2).name, "");
    EXPECT_EQ(configuration.GetPlayer(2).id, Slot::NoId);

    const PartIds parts = configuration.CollectPartIds();
    EXPECT_EQ(parts.cores, (std::vector<uint32_t>{Random, 2}));
    EXPECT_EQ(parts.arms, (std::vector<uint32_t>{None}));
    EXPECT_EQ(configuration.CollectWeaponIds(), (std::vector<uint32_t>{7, 8}));

    // A player who left keeps his id until the match ends; a newcomer given the same id is the one found,
    // and with the newcomer gone too, the first who left.
    for (int i = 0; i < 2; ++i)
    {
        RemotePlayerSlot& gone = configuration.remotePlayers.emplace_back();
        gone.id = 5;
        gone.removed = true;
    }
    configuration.remotePlayers.emplace_back().id = 5;
    EXPECT_EQ(&configuration.GetPlayer(5), &configuration.remotePlayers[3]);
    configuration.remotePlayers[3].removed = true;
    EXPECT_EQ(&configuration.GetPlayer(5), &configuration.remotePlayers[1]);
}

TEST_F(GameConfigurationTest, RandomThemeAndWeaponsArePickedOnceUnderTheSeed)
{
    auto configure = [&](GameConfiguration& configuration)
    {
        configuration.registry = &assets.registry;
        configuration.theme = Random;
        configuration.loadout.startingWeapon = Random;
        configuration.loadout.secondaryWeapon = 1;
        configuration.loadout.head = Random;
        configuration.weapons[0].weapon = Random;
        configuration.weapons[1].weapon = None;
        configuration.weapons[5].weapon = Random;
    };
    GameConfiguration first;
    GameConfiguration second;
    configure(first);
    configure(second);
    std::mt19937 a(11);
    std::mt19937 b(11);
    first.ResolveRandomPicks(a);
    second.ResolveRandomPicks(b);

    EXPECT_EQ(first.theme, 0u);
    EXPECT_LT(first.loadout.startingWeapon, 2u);
    EXPECT_EQ(first.loadout.secondaryWeapon, 1u);
    // Parts are the slots' business: they are resolved per slot.
    EXPECT_EQ(first.loadout.head, Random);
    EXPECT_LT(first.weapons[0].weapon, 2u);
    EXPECT_EQ(first.weapons[1].weapon, None);
    EXPECT_LT(first.weapons[5].weapon, 2u);
    EXPECT_EQ(first.loadout, second.loadout);
    EXPECT_EQ(first.weapons, second.weapons);

    // Nothing to pick from: none, never the Random value an index would be read at.
    RegistryTestFolder nothing;
    for (const DataRegistry* registry : std::initializer_list<const DataRegistry*>{nullptr, &nothing.registry})
    {
        GameConfiguration empty;
        configure(empty);
        empty.registry = registry;
        empty.ResolveRandomPicks(a);
        EXPECT_EQ(empty.theme, None);
        EXPECT_EQ(empty.loadout.startingWeapon, None);
        EXPECT_EQ(empty.weapons[0].weapon, None);
        EXPECT_EQ(empty.weapons[5].weapon, None);
    }
}
