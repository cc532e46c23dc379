#include "Engine/Foundation/Math.h"
#include "Engine/Runtime/Gui/ImageContent.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/NameTables.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/Kit/DrawIn.h"
#include "Source/Ui/Kit/HudWidgets.h"
#include "Source/Ui/Screens/GameScreen.h"
#include "Source/Ui/Screens/PauseMenu.h"
#include "Source/Ui/Screens/Scoreboard.h"
#include "Source/Ui/UiResources.h"
#include "Source/World/Player.h"
#include "Source/World/Weapon.h"
#include "Tests/Source/Ui/MatchScreenTesting.h"

#include <array>
#include <cmath>
#include <limits>

namespace
{

using namespace MatchScreenTesting;
using Lumvek::ControllerButton;
using Lumvek::Element;

float Points(YGValue value)
{
    return value.unit == YGUnitPoint ? value.value : std::numeric_limits<float>::quiet_NaN();
}
float Width(const Element& element)
{
    return Points(YGNodeStyleGetWidth(element.GetNode()));
}
float Left(const Element& element)
{
    return Points(YGNodeStyleGetPosition(element.GetNode(), YGEdgeLeft));
}
float DrawnShare(const Element& ring)
{
    const auto& image = dynamic_cast<const DrawInImage&>(*ring.content);
    return image.clock.elapsed / image.clock.duration;
}
std::string TextOf(const Element& element)
{
    return dynamic_cast<const Lumvek::TextContent&>(*element.content).text;
}

TEST(HudWidgets, PipsAreCappedAtFortyEightAndNeverNarrowerThanOnePoint)
{
    const struct
    {
        uint32_t clip;
        uint32_t pips, perPip, width, height, border, innerWidth, innerHeight;
    } cases[] = {
        {0, 0, 1, 0, 0, 0, 0, 0},
        {6, 6, 1, 28, 50, 4, 20, 42},
        {9, 9, 1, 17, 50, 4, 9, 42},
        {15, 15, 1, 23, 22, 3, 17, 16},
        {30, 30, 1, 15, 13, 3, 9, 7},
        // k = 16: width 7, fill 1.
        {48, 48, 1, 7, 13, 3, 1, 7},
        // Past the cap a pip stands for several rounds; k would have passed 40 here.
        {130, 48, 3, 7, 13, 3, 1, 7},
        {4294967295u, 48, 89478486, 7, 13, 3, 1, 7},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.clip);
        const PipLayout layout = PipLayout::Of(c.clip);
        EXPECT_EQ(layout.pips, c.pips);
        EXPECT_EQ(layout.roundsPerPip, c.perPip);
        EXPECT_EQ(layout.width, c.width);
        EXPECT_EQ(layout.height, c.height);
        EXPECT_EQ(layout.border, c.border);
        EXPECT_EQ(layout.innerWidth, c.innerWidth);
        EXPECT_EQ(layout.innerHeight, c.innerHeight);
    }
    const PipLayout huge = PipLayout::Of(4294967295u);
    EXPECT_EQ(huge.FullPips(0), 0u);
    EXPECT_EQ(huge.FullPips(1), 1u);
    EXPECT_EQ(huge.FullPips(4294967295u), 48u);
}

TEST(HudWidgets, TheRebuildFillsTheLastPipsAndTheRefreshTheFirst)
{
    Lumvek::GuiTesting::Calls calls;
    Lumvek::GuiTesting::TestMenu menu(calls);
    Element& row = AddElement(menu.GetRoot(), 10.0f, 10.0f, 0);
    WeaponData definition;
    Weapon weapon;
    weapon.data = &definition;
    for (uint32_t clipSize : {0u, 6u})
    {
        definition.clipSize = clipSize;
        weapon.clip = 2;
        BuildAmmoPips(row, &weapon);
        ASSERT_EQ(row.GetChildren().size(), clipSize);
    }
    const auto full = [&row]
    {
        std::vector<uint32_t> shown;
        for (uint32_t i = 0; i < row.GetChildren().size(); ++i)
            if (row.GetChildren()[i]->GetChildren()[0]->visible)
                shown.push_back(i);
        return shown;
    };
    EXPECT_EQ(full(), (std::vector<uint32_t>{4, 5}));
    FillAmmoPips(row, PipLayout::Of(6), 2);
    EXPECT_EQ(full(), (std::vector<uint32_t>{0, 1}));
    BuildAmmoPips(row, nullptr);
    EXPECT_TRUE(row.GetChildren().empty());

    // A team's number takes its colour, but the neutral one, paper white, is written in ink.
    for (const TeamColor team : {TeamColor::Red, TeamColor::Neutral})
    {
        const uint32_t tint = GetTeamColor(static_cast<uint32_t>(team)).PackedColor();
        const Element& dial = AddTeamDial(menu.GetRoot(), "Team", tint);
        const auto& text = dynamic_cast<const Lumvek::TextContent&>(*dial.GetChildren()[1]->content);
        EXPECT_EQ(text.fillColor, UnpackColor(team == TeamColor::Neutral ? InkColor : tint));
    }

    // Three dials stand 52 points apart around the row's place; one stands on it.
    const struct
    {
        uint32_t count;
        std::vector<float> lefts;
    } rows[] = {{3, {-74, -22, 30}}, {1, {-22}}};
    for (const auto& r : rows)
        for (uint32_t position = 0; position < r.count; ++position)
            EXPECT_EQ(Left(AddAbilityDial(menu.GetRoot(), 0, position, r.count)), r.lefts[position]);
}

TEST(GameScreenRules, HealthWidthIsEmptyWithoutAMaximumAndFeedLinesDrawInAndOut)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct
    {
        float health, maximum;
        uint32_t width;
    } bars[] = {{50, 100, 100}, {100, 100, 200}, {150, 100, 200}, {-5, 100, 0}, {50, 0, 0},
                {0, 0, 0},      {50, -10, 0},    {nan, 100, 0},   {50, nan, 0}, {1e30f, 1e-30f, 200}};
    for (const auto& bar : bars)
        EXPECT_EQ(GameScreen::HealthWidth(bar.health, bar.maximum), bar.width) << bar.health << " of " << bar.maximum;

    const struct
    {
        int32_t ticks;
        float share;
    } lines[] = {{180, 0.0f}, {150, 0.5f}, {120, 1.0f}, {90, 1.0f}, {30, 0.5f}, {0, 0.0f}, {-10, 0.0f}};
    for (const auto& line : lines)
        EXPECT_FLOAT_EQ(GameScreen::FeedShare(line.ticks), line.share) << line.ticks;
}

TEST(GameScreenRules, ThePromptStandsOverItsTargetInTheScreensPoints)
{
    const struct
    {
        Lumvek::Vector2 target, camera;
        Lumvek::Vector2 place;
    } cases[] = {
        // The view's centre, on a 16 x 8 unit view over 1600 x 800 points: 100 points a unit.
        {{10.0f, 5.0f}, {10.0f, 5.0f}, {785.0f, 350.0f}},
        // The view's left edge, with the half unit above the target at its top.
        {{2.0f, 8.5f}, {10.0f, 5.0f}, {-15.0f, 0.0f}},
        {{18.0f, 0.5f}, {10.0f, 5.0f}, {1585.0f, 800.0f}},
    };
    for (const auto& c : cases)
    {
        const Lumvek::Vector2 place = GameScreen::IndicatorPlace(c.target, c.camera, {16.0f, 8.0f}, {1600.0f, 800.0f});
        EXPECT_FLOAT_EQ(place.x, c.place.x);
        EXPECT_FLOAT_EQ(place.y, c.place.y);
    }
}

TEST(GameScreenRules, EveryLocalPlayerHasAnAreaOfItsOwnOverItsView)
{
    for (uint32_t count = 1; count <= 4; ++count)
        for (uint32_t position = 0; position < count; ++position)
        {
            SCOPED_TRACE(testing::Message() << position << " of " << count);
            const Lumvek::UnitRectangle area = GetGameScreenArea(position, count);
            const Lumvek::Rectangle view = Lumvek::GetSplitScreenRectangle(position, count);
            // The view counts y from the bottom, the screen from the top.
            EXPECT_FLOAT_EQ(area.x.value, view.x * 100.0f);
            EXPECT_FLOAT_EQ(area.y.value, (1.0f - view.y - view.height) * 100.0f);
            EXPECT_FLOAT_EQ(area.width.value, view.width * 100.0f);
            EXPECT_FLOAT_EQ(area.height.value, view.height * 100.0f);
            for (uint32_t other = 0; other < position; ++other)
            {
                const Lumvek::UnitRectangle b = GetGameScreenArea(other, count);
                const bool apart =
                    area.x.value >= b.x.value + b.width.value || b.x.value >= area.x.value + area.width.value ||
                    area.y.value >= b.y.value + b.height.value || b.y.value >= area.y.value + area.height.value;
                EXPECT_TRUE(apart) << "overlaps " << other;
            }
        }
    // Three players: the second takes the lower left quarter, the third the lower right.
    EXPECT_FLOAT_EQ(GetGameScreenArea(1, 3).x.value, 0.0f);
    EXPECT_FLOAT_EQ(GetGameScreenArea(1, 3).y.value, 50.0f);
    EXPECT_FLOAT_EQ(GetGameScreenArea(2, 3).x.value, 50.0f);
}

class Hud : public ScreensTest
{
protected:
    void StartMatch(std::initializer_list<uint32_t> pads)
    {
        uint8_t id = 0;
        for (uint32_t pad : pads)
        {
            match.AddLocal(id, static_cast<uint8_t>(id % 2), pad);
            ++id;
        }
        match.Load("Hilltop");
        rules = std::make_unique<ScriptedRules>(match, 1);
        match.SetGameType(rules.get());
        MakeRole().Set(NetworkState::Playing);
    }
    ~Hud() override
    {
        match.SetGameType(nullptr);
        if (match.world)
            for (Player& player : match.world->players)
                player.weapon.reset();
    }
    Player& PlayerOn(uint32_t pad) { return *match.configuration.GetLocalPlayer(pad).player; }
    std::vector<std::pair<uint32_t, Lumvek::UnitRectangle>> Screens()
    {
        std::vector<std::pair<uint32_t, Lumvek::UnitRectangle>> found;
        for (GameScreen* screen : Find<GameScreen>())
            found.emplace_back(screen->owner, screen->placement);
        return found;
    }

    std::unique_ptr<ScriptedRules> rules;
};

TEST_F(Hud, TheGameScreenShowsHealthAmmunitionScoresLinesAndFeed)
{
    StartMatch({0});
    Player& player = PlayerOn(0);
    GameScreen& screen = GameScreen::Open(*app.gui, frontEnd, 0, 1, 0);
    app.Frame();

    const float maximum = player.GetEffective(&Attributes::maximumHealth);
    ASSERT_GT(maximum, 0.0f);
    player.health = maximum / 2.0f;
    app.Frame();
    EXPECT_EQ(Width(*screen.healthFill), 100.0f);
    // A maximum health of 0 % gives an empty bar, not a division by zero.
    player.baseAttributes.maximumHealth = 0.0f;
    app.Frame();
    EXPECT_EQ(Width(*screen.healthFill), 0.0f);

    // A clip of 4,294,967,295 rounds is drawn as 48 pips.
    WeaponData& definition = *match.ownRegistry.weapons.GetItems().at(0);
    definition.clipSize = 4294967295u;
    player.weapon = definition.Create();
    player.weapon->data = &definition;
    player.weapon->clip = 1000;
    player.weaponState = WeaponState::Aiming;
    app.Frame();
    ASSERT_EQ(screen.ammoRow->GetChildren().size(), 48u);
    EXPECT_EQ(Width(*screen.ammoRow->GetChildren()[0]), 7.0f);
    EXPECT_EQ(screen.ammoRow->GetChildren()[0]->GetChildren()[0]->visible, 1);
    EXPECT_EQ(screen.ammoRow->GetChildren()[1]->GetChildren()[0]->visible, 0);
    EXPECT_EQ(screen.primaryCircle->visible, 1);
    EXPECT_EQ(screen.secondaryCircle->visible, 0);
    player.weaponState = WeaponState::None;
    app.Frame();
    EXPECT_EQ(screen.ammoRow->visible, 0);

    // Two teams: the player's own first; a tie shows no leader, a lead marks it.
    Element& scores = *screen.scoreRow;
    ASSERT_EQ(scores.GetChildren().size(), 2u);
    EXPECT_EQ(scores.GetChildren()[0]->GetName(), "Red");
    EXPECT_EQ(scores.GetChildren()[1]->GetName(), "Blue");
    rules->Ranking() = {{0, 2}, {1, 2}};
    app.Frame();
    for (const auto& dial : scores.GetChildren())
        EXPECT_EQ(dial->GetChildren()[2]->visible, 0);
    rules->Ranking() = {{1, 3}, {0, 2}};
    app.Frame();
    const Element& blue = *scores.GetChildren()[1];
    EXPECT_EQ(TextOf(*blue.GetChildren()[1]), "3");
    EXPECT_FLOAT_EQ(DrawnShare(*blue.GetChildren()[0]), 0.3f);
    EXPECT_EQ(blue.GetChildren()[2]->visible, 1);
    EXPECT_EQ(scores.GetChildren()[0]->GetChildren()[2]->visible, 0);

    rules->Status(0).text = "PICKED UP A ROCKET";
    rules->Status(0).ticks = 10;
    rules->Events(0).push_back({});
    rules->Events(0).back().text = "FIRST BLOOD";
    GameTypeEvent line;
    line.text = "A";
    line.ticks = 150;
    rules->Feed() = {line, line};
    rules->Feed()[1].ticks = 30;
    app.Frame();
    EXPECT_EQ(screen.statusText->text, "PICKED UP A ROCKET");
    EXPECT_EQ(screen.eventText->text, "FIRST BLOOD");
    ASSERT_EQ(screen.feedList->GetChildren().size(), 2u);
    for (const auto& entry : screen.feedList->GetChildren())
    {
        const auto& text = dynamic_cast<const DrawInText&>(*entry->content);
        EXPECT_FLOAT_EQ(text.clock.elapsed / text.clock.duration, 0.5f);
    }
    rules->Status(0).ticks = 0;
    rules->Feed().clear();
    app.Frame();
    EXPECT_EQ(screen.statusText->text, "");
    EXPECT_TRUE(screen.feedList->GetChildren().empty());
}

TEST_F(Hud, AbilityDialsStandCoreHeadLegsArmsAndFillWithTheirPartsEnergy)
{
    StartMatch({0});
    GameScreen& basic = GameScreen::Open(*app.gui, frontEnd, 0, 1, 0);
    app.Frame();
    // The basic parts have no abilities: an empty row.
    for (const Element* dial : basic.abilityDials)
        EXPECT_EQ(dial, nullptr);
    Screen::CloseAll(*app.gui);
    app.Frame();

    PlayerSlot& slot = match.configuration.players[0];
    slot.loadout.head = match.ownRegistry.heads.FindIndex("HelicopterHat");
    slot.loadout.core = match.ownRegistry.cores.FindIndex("Jetpack");
    slot.loadout.legs = match.ownRegistry.legs.FindIndex("SpaceBoots");
    Player& player = PlayerOn(0);
    player.ApplyLoadout(slot.loadout);
    GameScreen& screen = GameScreen::Open(*app.gui, frontEnd, 0, 1, 0);
    app.Frame();
    const float lefts[] = {-74, -22, 30};
    for (uint32_t place = 0; place < 3; ++place)
    {
        ASSERT_NE(screen.abilityDials[place], nullptr) << place;
        EXPECT_EQ(Left(*screen.abilityDials[place]), lefts[place]);
    }
    EXPECT_EQ(screen.abilityDials[3], nullptr);

    player.core->energy = 500;
    player.abilityPart = player.head.get();
    app.Frame();
    EXPECT_FLOAT_EQ(DrawnShare(*screen.abilityDials[0]->GetChildren()[0]), 0.5f);
    const auto region = [&](uint32_t place) {
        return dynamic_cast<const Lumvek::ImageContent&>(*screen.abilityDials[place]->GetChildren()[1]->content).region;
    };
    // The selected part shows its icon, the others their sketches.
    EXPECT_EQ(region(1), player.head->data->icon);
    EXPECT_EQ(region(0), player.core->data->sketch);
}

TEST_F(Hud, OnlyTheOwnersStartPausesAndFourPlayersGetFourScreensInTheirViews)
{
    StartMatch({0, 1, 2, 3});
    GameScreen::OpenAll(*app.gui, frontEnd);
    app.Frame();
    const auto screens = Screens();
    ASSERT_EQ(screens.size(), 4u);
    for (uint32_t position = 0; position < 4; ++position)
    {
        EXPECT_EQ(screens[position].first, position);
        EXPECT_EQ(screens[position].second.y.value, GetGameScreenArea(position, 4).y.value);
        EXPECT_EQ(screens[position].second.x.value, GetGameScreenArea(position, 4).x.value);
    }

    // Screen 1's player presses Start: only his screen's enable byte is set, so screen 0 ignores it.
    GameScreen* first = Find<GameScreen>()[0];
    first->OnStart(1);
    EXPECT_FALSE(paused);
    Tap(1, ControllerButton::Start);
    EXPECT_TRUE(paused);
    EXPECT_TRUE(Find<GameScreen>().empty());
    PauseMenu* pause = FindOne<PauseMenu>();
    ASSERT_NE(pause, nullptr);
    EXPECT_EQ(pause->owner, 1u);
}

TEST_F(Hud, PadsTwoAndZeroGetTheUpperAndLowerHalves)
{
    StartMatch({2, 0});
    GameScreen::OpenAll(*app.gui, frontEnd);
    app.Frame();
    const auto screens = Screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].first, 2u);
    EXPECT_EQ(screens[0].second.y.value, 0.0f);
    EXPECT_EQ(screens[1].first, 0u);
    EXPECT_EQ(screens[1].second.y.value, 50.0f);
}

TEST_F(Hud, PauseControlsAndQuit)
{
    StartMatch({0, 1, 2});
    paused = true;
    PauseMenu& pause = PauseMenu::Open(*app.gui, frontEnd, 0);
    app.Frame();
    const struct
    {
        ControllerButton button;
        uint32_t selection;
    } moves[] = {{ControllerButton::Left, 0},
                 {ControllerButton::Right, 1},
                 {ControllerButton::Right, 2},
                 {ControllerButton::Right, 2}};
    for (const auto& move : moves)
    {
        Tap(0, move.button);
        EXPECT_EQ(pause.selection, move.selection);
    }

    // Back from the quit confirmation keeps the selection.
    Tap(0, ControllerButton::A);
    ASSERT_NE(FindOne<QuitConfirmation>(), nullptr);
    EXPECT_FALSE(IsActive(pause));
    EXPECT_EQ(pause.GetElement("Select")->visible, 0);
    Tap(0, ControllerButton::B);
    app.Frame();
    EXPECT_EQ(FindOne<QuitConfirmation>(), nullptr);
    EXPECT_TRUE(IsActive(pause));
    EXPECT_EQ(pause.selection, 2u);
    EXPECT_EQ(pause.GetElement("Select")->visible, 1);

    // Only B of the owner closes the controls.
    Tap(0, ControllerButton::Left);
    Tap(0, ControllerButton::A);
    ASSERT_NE(FindOne<ControlsScreen>(), nullptr);
    EXPECT_EQ(pause.GetRoot().visible, 0); // the controls show over the game, not this menu
    for (ControllerButton button : {ControllerButton::A, ControllerButton::X, ControllerButton::Y,
                                    ControllerButton::Start, ControllerButton::Back})
        Tap(0, button);
    Tap(1, ControllerButton::B);
    EXPECT_NE(FindOne<ControlsScreen>(), nullptr);
    Tap(0, ControllerButton::B);
    app.Frame();
    EXPECT_EQ(FindOne<ControlsScreen>(), nullptr);
    EXPECT_TRUE(IsActive(pause));
    EXPECT_EQ(pause.GetRoot().visible, 1);

    // Resume reopens a game screen per player in its area and lets the match run.
    Tap(0, ControllerButton::Left);
    Tap(0, ControllerButton::A);
    EXPECT_FALSE(paused);
    EXPECT_EQ(FindOne<PauseMenu>(), nullptr);
    const auto screens = Screens();
    ASSERT_EQ(screens.size(), 3u);
    for (uint32_t position = 0; position < 3; ++position)
    {
        EXPECT_EQ(screens[position].first, position);
        EXPECT_EQ(screens[position].second.x.value, GetGameScreenArea(position, 3).x.value);
        EXPECT_EQ(screens[position].second.y.value, GetGameScreenArea(position, 3).y.value);
    }

    // Quit stops the role, which ends the match for everybody here.
    paused = true;
    PauseMenu& again = PauseMenu::Open(*app.gui, frontEnd, 0);
    app.Frame();
    again.selection = 2;
    Tap(0, ControllerButton::A);
    Tap(0, ControllerButton::A);
    EXPECT_FALSE(paused);
    EXPECT_EQ(role->stops, 1);
    EXPECT_EQ(role->GetState(), NetworkState::Stopped);
}

class Results : public ScreensTest
{
protected:
    Scoreboard& Show(uint32_t teamCount, std::vector<ScoreEntry> ranking)
    {
        match.configuration.teamCount = teamCount;
        rules = std::make_unique<ScriptedRules>(match, 1);
        rules->Ranking() = std::move(ranking);
        match.SetGameType(rules.get());
        Scoreboard& board = Scoreboard::Open(*app.gui, frontEnd);
        app.Frame();
        return board;
    }
    ~Results() override { match.SetGameType(nullptr); }
    // The badges' row: the root's second child.
    const Element& Badges(Scoreboard& board) { return *board.GetRoot().GetChildren().at(1); }

    std::unique_ptr<ScriptedRules> rules;
};

// The neutral colour is near-white, as pale as a sky behind the board: the winner is written in ink.
// Of sixteen players, whichever wins, his badge alone stands in the middle of the screen.
TEST_F(Results, FreeForAllNamesTheWinningBotInInkWithOneBadge)
{
    match.AddLocal(0, 4, 0, "ANNA");
    match.AddBot(1, 4, "BOT 1");
    std::vector<ScoreEntry> ranking{{1, 5}};
    for (uint8_t index = 0; index < 16; ++index)
        if (index != 1)
            ranking.push_back({index, 2});
    Scoreboard& board = Show(1, ranking);
    EXPECT_EQ(board.WinnerTitle(), "#414042FFBOT 1 #414042FFWINS!");
    EXPECT_EQ(board.mouseInput, 0);
    for (uint8_t input : board.playerInput)
        EXPECT_EQ(input, 1);
    const Element& badges = Badges(board);
    ASSERT_EQ(badges.GetChildren().size(), 1u);
    const auto& tint = dynamic_cast<const Lumvek::ImageContent&>(*badges.GetChildren()[0]->content).color;
    EXPECT_EQ(tint, UnpackColor(InkColor));
    EXPECT_EQ(TextOf(*badges.GetChildren()[0]->GetChildren()[1]), "5");
    const Lumvek::Rectangle screen = board.GetRoot().LayoutRectangle({});
    const Lumvek::Rectangle row = badges.LayoutRectangle({screen.x, screen.y});
    const Lumvek::Rectangle badge = badges.GetChildren()[0]->LayoutRectangle({row.x, row.y});
    EXPECT_FLOAT_EQ(badge.x + badge.width / 2, screen.x + screen.width / 2);
}

TEST_F(Results, TeamsAreNamedInTheirColourAndBadgesStandByTeamNumber)
{
    const struct
    {
        std::vector<ScoreEntry> ranking;
        std::string title;
    } cases[] = {{{{1, 7}, {0, 3}}, "#0173B9FFBLUE #414042FFWINS!"},
                 // A tie names the first entry.
                 {{{0, 4}, {1, 4}}, "#BE141BFFRED #414042FFWINS!"}};
    for (const auto& c : cases)
    {
        Screen::CloseAll(*app.gui);
        app.Frame();
        Scoreboard& board = Show(2, c.ranking);
        EXPECT_EQ(board.WinnerTitle(), c.title);
        const Element& badges = Badges(board);
        ASSERT_EQ(badges.GetChildren().size(), 2u);
        for (uint32_t i = 0; i < 2; ++i)
        {
            const Element& badge = *badges.GetChildren()[i];
            EXPECT_EQ(Left(badge), c.ranking[i].index * 130.0f - 105.0f);
            EXPECT_FLOAT_EQ(DrawnShare(*badge.GetChildren()[0]), c.ranking[i].score / 10.0f);
        }
    }
}

TEST_F(Results, AnEmptyRankingShowsNoWinnerAndNoBadge)
{
    Scoreboard& board = Show(2, {});
    EXPECT_EQ(board.WinnerTitle(), "");
    EXPECT_TRUE(Badges(board).GetChildren().empty());
}

} // namespace

// The rows follow the bindings in force, on the pad or on the keyboard, with moving, aiming and pausing.
TEST(ControlsScreen, RowsShowTheBindingsInForce)
{
    ControllerBindings pad{.swapSticks = true};
    pad[PlayerAction::Jump] = static_cast<uint32_t>(ControllerButton::X);
    pad[PlayerAction::Primary] = static_cast<uint32_t>(ControllerButton::RightBumper);
    KeyboardBindings keys;
    keys[PlayerAction::Jump] = KeyBinding::Of(Lumvek::Key::W);
    keys[PlayerAction::Primary] = KeyBinding::Of(Lumvek::Key::J);
    const uint32_t none = Lumvek::InvalidId;
    const std::tuple<size_t, ControlRow, ControlRow> cases[] = {
        {0, {Images::RightStick, "TILT", "MOVE"}, {none, "A / D", "MOVE"}},
        {1, {Images::LeftStick, "TILT", "AIM"}, {none, "MOUSE", "AIM"}},
        {2, {Images::XButton, "", "JUMP"}, {none, "W", "JUMP"}},
        {3, {Images::LeftStick, "DOWN", "DROP THROUGH A PLATFORM"}, {none, "S", "DROP THROUGH A PLATFORM"}},
        {6, {Images::YButton, "", "SWITCH WEAPON"}, {none, "LEFT SHIFT", "SWITCH WEAPON"}},
        {7, {Images::RightBumper, "", "PRIMARY FIRE"}, {none, "J", "PRIMARY FIRE"}},
        {12, {Images::LeftStick, "PRESS", "TOGGLE PART"}, {none, "TAB", "TOGGLE PART"}},
        {17, {Images::BackButton, "", "SHOW TEAM-MATES"}, {none, "C", "SHOW TEAM-MATES"}},
        {18, {Images::StartButton, "", "PAUSE"}, {Images::StartButton, "", "PAUSE"}},
    };
    const std::vector<ControlRow> padRows = GetControlRows(pad, keys, false);
    const std::vector<ControlRow> keyRows = GetControlRows(pad, keys, true);
    ASSERT_EQ(std::make_pair(padRows.size(), keyRows.size()), std::make_pair(size_t(19), size_t(19)));
    for (const auto& [row, onPad, onKeyboard] : cases)
        EXPECT_EQ(std::make_pair(padRows[row], keyRows[row]), std::make_pair(onPad, onKeyboard)) << row;
}
