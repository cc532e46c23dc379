#include "Source/Ui/Screens/CustomGame.h"

#include "Engine/Runtime/Gui/TextContent.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/Profile.h"
#include "Source/Data/ThemeData.h"
#include "Source/Ui/Kit/ScrollerPage.h"
#include "Source/Ui/Screens/Menus.h"
#include "Source/Ui/Transitions.h"
#include "Source/Ui/UiResources.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Data/RegistryTestFolder.h"
#include "Tests/Source/Ui/PickerTesting.h"

#include <gtest/gtest.h>

#include <map>

namespace
{

using namespace Lumvek::GuiTesting;
using Lumvek::ControllerButton;
using Lumvek::Testing::LogCapture;

constexpr uint32_t Random = Loadout::Random;

class CustomGameFlow : public PickerTest
{
protected:
    void SetUp() override
    {
        PickerTest::SetUp();
        frontEnd.registry = &assets.registry;
        frontEnd.startLocalGame = [this] { ++localGames; };
        frontEnd.stopNetwork = [this] { ++stops; };
    }
    void Load(bool withDefault = true)
    {
        assets.WriteList("Themes", {"Snow", "Ice"});
        assets.WriteDefinition("Themes", "Snow", R"({"DataType": "Theme", "DisplayName": "Snowfall"})");
        assets.WriteDefinition("Themes", "Ice", R"({"DataType": "Theme", "DisplayName": "Ice Age"})");
        assets.WriteList("Maps", {"Mountain", "Harbour"});
        assets.WriteDefinition("Maps", "Mountain", R"({"DataType": "Map", "DisplayName": "Peak"})");
        assets.WriteDefinition("Maps", "Harbour", R"({"DataType": "Map", "DisplayName": "Docks"})");
        assets.WriteDefinitions("GameTypes", {"Deathmatch", "CaptureTheFlag"});
        if (withDefault)
        {
            assets.WriteList("Configurations", {"Default"});
            assets.Write("Configurations/Default.data",
                         R"({"Name": "Default", "Map": "Harbour", "Theme": "Ice", "GameType": "CaptureTheFlag"})");
        }
        assets.registry.LoadAll();
    }
    void OpenFlow()
    {
        CustomGameScreen::Open(*app.gui, frontEnd, nullptr, 0);
        Settle();
    }
    // The description line of the menu's row.
    std::string RowValue(uint32_t row)
    {
        CustomGameMenu* menu = Top<CustomGameMenu>();
        if (!menu)
            return "<no menu>";
        Lumvek::Element& item = *menu->GetElement("Scroller")->GetChildren().at(row);
        auto* text = dynamic_cast<Lumvek::TextContent*>(item.GetChildren().at(2)->content.get());
        return text ? text->text : "<no text>";
    }
    bool ArrowShown(const std::string& name) { return Top<Screen>()->GetElement(name)->visible != 0; }

    DataTesting::RegistryTestFolder assets;
    int localGames = 0;
    int stops = 0;
};

TEST_F(CustomGameFlow, ARandomThemeIsKeptOnASecondVisitAndAChallengeResetsToDefaultWithThePlayersOnItsTeams)
{
    Load();
    // Of two teams, red has a bot and a player: the player on no team joins blue.
    assets.registry.configurations.Find("Default")->bots.emplace_back().team = 0;
    configuration.players.emplace_back(nullptr, 0).team = 0;
    configuration.players.emplace_back(nullptr, 1);
    configuration.origin = GameOrigin::Challenges;
    OpenFlow();
    EXPECT_EQ(configuration.players[1].team, 1);
    ASSERT_NE(Top<CustomGameMenu>(), nullptr);
    EXPECT_EQ(localGames, 1);
    EXPECT_EQ(configuration.origin, GameOrigin::CustomGame);
    EXPECT_EQ(configuration.theme, 1u);
    EXPECT_EQ(RowValue(0), "");
    EXPECT_EQ(RowValue(1), "Docks");
    EXPECT_EQ(RowValue(2), "Ice Age");

    // THEME: "Random" first, then the themes; the picker opens on the configured one.
    MoveTo(2);
    Tap(ControllerButton::A);
    Settle();
    ThemeSelect* themes = Top<ThemeSelect>();
    ASSERT_NE(themes, nullptr);
    EXPECT_EQ(FindScroller(*themes)->selected, 2u);
    EXPECT_EQ(GetHeaderText(*themes), "Ice Age");
    MoveTo(0);
    Tap(ControllerButton::A);
    Settle();
    CustomGameMenu* menu = Top<CustomGameMenu>();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->row, 2u);
    EXPECT_EQ(FindScroller(*menu)->selected, 2u);
    EXPECT_EQ(configuration.theme, Random);
    EXPECT_EQ(RowValue(2), "Random");

    // B closes the flow and stops the role.
    Tap(ControllerButton::B);
    Settle();
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(app.gui->GetMenuCount(), 0u);

    // Back from a game of this flow: the choices stay.
    OpenFlow();
    EXPECT_EQ(configuration.theme, Random);
    EXPECT_EQ(RowValue(2), "Random");
    Tap(ControllerButton::B);
    Settle();

    configuration.origin = GameOrigin::Challenges;
    OpenFlow();
    EXPECT_EQ(configuration.theme, 1u);
}

TEST_F(CustomGameFlow, EachSelectorReturnsToItsOwnRowAndBackWritesNothing)
{
    Load();
    OpenFlow();
    const struct
    {
        uint32_t row;
        uint32_t pick;
        uint32_t GameConfiguration::*field;
        uint32_t stored;
    } cases[] = {
        {0, 0, &GameConfiguration::gameType, 0},
        {1, 0, &GameConfiguration::map, 0},
        {2, 1, &GameConfiguration::theme, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.row);
        MoveTo(c.row);
        // Back: nothing changes.
        const uint32_t before = configuration.*c.field;
        Tap(ControllerButton::A);
        Settle();
        MoveTo(c.pick);
        Tap(ControllerButton::B);
        Settle();
        ASSERT_NE(Top<CustomGameMenu>(), nullptr);
        EXPECT_EQ(Top<CustomGameMenu>()->row, c.row);
        EXPECT_EQ(configuration.*c.field, before);
        // Select: stored, and the menu comes back on the row.
        Tap(ControllerButton::A);
        Settle();
        MoveTo(c.pick);
        Tap(ControllerButton::A);
        Settle();
        ASSERT_NE(Top<CustomGameMenu>(), nullptr);
        EXPECT_EQ(FindScroller(*Top<CustomGameMenu>())->selected, c.row);
        EXPECT_EQ(configuration.*c.field, c.stored);
    }
}

TEST_F(CustomGameFlow, WeaponAndPartPickersWriteTheirFieldAndReturnThroughTheirLists)
{
    assets.WriteDefinitions("Weapons", {"Rifle", "Launcher"}, "Weapon");
    assets.WriteDefinitions("Parts/Heads", {"Helmet", "Cap", "Antenna"}, "Head");
    Load();
    OpenFlow();
    configuration.loadout.head = 1;

    // WEAPON SPAWN 2 := RANDOM.
    MoveTo(4);
    Tap(ControllerButton::A);
    Settle();
    ASSERT_NE(Top<WeaponsSelect>(), nullptr);
    MoveTo(3);
    Tap(ControllerButton::A);
    Settle();
    WeaponSelect* weapons = Top<WeaponSelect>();
    ASSERT_NE(weapons, nullptr);
    EXPECT_EQ(weapons->title, "-SELECT WEAPON SPAWN 2-");
    EXPECT_EQ(GetHeaderText(*weapons), "NONE");
    EXPECT_EQ(FindScroller(*weapons)->selected, 0u);
    MoveTo(1);
    Tap(ControllerButton::A);
    Settle();
    EXPECT_EQ(configuration.weapons[1].weapon, Random);
    ASSERT_NE(Top<WeaponsSelect>(), nullptr);
    EXPECT_EQ(FindScroller(*Top<WeaponsSelect>())->selected, 3u);
    Tap(ControllerButton::B);
    Settle();
    ASSERT_NE(Top<CustomGameMenu>(), nullptr);
    EXPECT_EQ(Top<CustomGameMenu>()->row, 4u);

    // HEAD: part 1 opens on position 3 (after CUSTOM and RANDOM); position 4 stores part 2.
    MoveTo(5);
    Tap(ControllerButton::A);
    Settle();
    ASSERT_NE(Top<LoadoutSelect>(), nullptr);
    Tap(ControllerButton::A);
    Settle();
    ASSERT_NE(Top<Screen>(), nullptr);
    EXPECT_EQ(FindScroller(*Top<Screen>())->selected, 3u);
    MoveTo(4);
    Tap(ControllerButton::A);
    Settle();
    EXPECT_EQ(configuration.loadout.head, 2u);
    ASSERT_NE(Top<LoadoutSelect>(), nullptr);
    Tap(ControllerButton::B);
    Settle();
    ASSERT_NE(Top<CustomGameMenu>(), nullptr);
    EXPECT_EQ(Top<CustomGameMenu>()->row, 5u);
}

TEST_F(CustomGameFlow, PickingTheSameGameTypeStartsItsRulesAnew)
{
    Load();
    OpenFlow();
    const GameTypeConfiguration* before = configuration.gameTypeSettings.get();
    ASSERT_NE(before, nullptr);
    Tap(ControllerButton::A);
    Settle();
    ASSERT_NE(Top<GameTypeSelect>(), nullptr);
    EXPECT_EQ(FindScroller(*Top<GameTypeSelect>())->selected, 1u);
    Tap(ControllerButton::A);
    Settle();
    EXPECT_EQ(configuration.gameType, 1u);
    EXPECT_NE(configuration.gameTypeSettings.get(), before);
    EXPECT_NE(configuration.gameTypeSettings, nullptr);
}

TEST_F(CustomGameFlow, PickersAndTheirRowsAskForTheIconsTheyShow)
{
    assets.WriteDefinitions("Weapons", {"Rifle", "Launcher"}, "Weapon");
    Load();
    std::map<uint32_t, std::string> requested;
    frontEnd.requestIcon = [&](uint32_t region, const std::string& path) { requested[region] = path; };
    OpenFlow();
    configuration.loadout.startingWeapon = 1;
    const DataRegistry& registry = assets.registry;
    // Row, taps of A, what shows: the WEAPONS rows the starting weapon, its picker every weapon.
    const struct
    {
        uint32_t row, taps;
        std::vector<const Data*> shown;
    } cases[] = {{0, 1, {registry.gameTypes.Get(0), registry.gameTypes.Get(1)}},
                 {2, 1, {registry.themes.Get(1)}},
                 {4, 1, {registry.weapons.Get(1)}},
                 {4, 2, {registry.weapons.Get(0)}}};
    for (const auto& c : cases)
    {
        MoveTo(c.row);
        for (uint32_t tap = 0; tap < c.taps; ++tap, Settle())
            requested.clear(), Tap(ControllerButton::A);
        for (const Data* entry : c.shown)
        {
            EXPECT_EQ(requested[entry->icon], entry->GetAssetPath("IconImage", ".png")) << c.row << entry->name;
            EXPECT_EQ(requested[entry->sketch], entry->GetAssetPath("IconSketch", ".png")) << c.row << entry->name;
        }
        while (!Top<CustomGameMenu>())
            Tap(ControllerButton::B), Settle();
    }
}

TEST(ItemSelectPositions, ExtrasComeFirstAndIndicesFollowThem)
{
    ProfileCollection profiles;
    GameConfiguration configuration;
    FrontEnd frontEnd{profiles, configuration, {}, {}, {}};
    uint32_t field = 0;
    const struct
    {
        const char* first;
        const char* second;
        uint32_t value, position;
    } cases[] = {
        // The theme: "Random" alone.
        {"", "Random", Random, 0},
        {"", "Random", 0, 1},
        {"", "Random", 4, 5},
        // Parts and weapons: none, then random.
        {"CUSTOM", "RANDOM", Loadout::None, 0},
        {"CUSTOM", "RANDOM", Random, 1},
        {"CUSTOM", "RANDOM", 0, 2},
        {"CUSTOM", "RANDOM", 3, 5},
        {"", "", 3, 3},
    };
    for (const auto& c : cases)
    {
        ThemeSelect select(frontEnd, nullptr, {}, field, 2, "", c.first, c.second);
        EXPECT_EQ(select.PositionOf(c.value), c.position) << c.first << c.second << c.value;
        EXPECT_EQ(select.ValueAt(c.position), c.value) << c.first << c.second << c.value;
    }
}

TEST_F(CustomGameFlow, OneItemAndNoExtrasShowsNoArrow)
{
    Load();
    const ThemeData* snow = assets.registry.themes.Get(0);
    const ThemeData* ice = assets.registry.themes.Get(1);
    const struct
    {
        std::vector<const ThemeData*> items;
        uint32_t value;
        bool left, right;
    } cases[] = {{{snow}, 0, false, false}, {{snow, ice}, 0, false, true}, {{snow, ice}, 1, true, false}};
    for (const auto& c : cases)
    {
        uint32_t field = c.value;
        Screen::Open<ThemeSelect>(*app.gui, nullptr, 0, frontEnd, nullptr, c.items, field, 2u, std::string("-T-"),
                                  std::string(), std::string());
        Settle();
        EXPECT_EQ(ArrowShown("LeftArrow"), c.left);
        EXPECT_EQ(ArrowShown("RightArrow"), c.right);
        app.gui->CloseMenu(*Top<Screen>(), nullptr);
        Settle();
    }
}

TEST_F(CustomGameFlow, DamagedSetUpsAndEmptyCollectionsAreLoggedAndTheScreensStillWork)
{
    // No "Default" and no definitions at all.
    assets.registry.LoadAll();
    LogCapture log;
    configuration.map = 99;
    configuration.theme = 7;
    OpenFlow();
    EXPECT_TRUE(log.Logged("no configuration \"Default\": the custom game starts from the current set-up"));
    EXPECT_TRUE(log.Logged("the set-up's map 99 is not among the 0 loaded: it shows no name"));
    EXPECT_EQ(configuration.map, 99u);
    EXPECT_EQ(RowValue(1), "");
    EXPECT_EQ(RowValue(2), "");
    for (uint32_t row : {0u, 1u, 2u})
    {
        MoveTo(row);
        Tap(ControllerButton::A);
        Settle();
        ASSERT_EQ(Top<CustomGameMenu>(), nullptr) << row;
        Tap(ControllerButton::A);
        Settle();
        ASSERT_NE(Top<CustomGameMenu>(), nullptr) << row;
        EXPECT_EQ(Top<CustomGameMenu>()->row, row);
    }
    // Nothing to pick but "Random".
    EXPECT_EQ(configuration.theme, Random);
    EXPECT_EQ(configuration.map, 99u);
}

} // namespace
