#include "Engine/Foundation/File.h"
#include "Engine/Runtime/Gui/ImageContent.h"
#include "Engine/Runtime/Gui/TextContent.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/PartData.h"
#include "Source/Ui/Kit/DrawIn.h"
#include "Source/Ui/Kit/SketchScroller.h"
#include "Source/Ui/Screens/Lobby.h"
#include "Source/Ui/Screens/Menus.h"
#include "Source/Ui/Screens/Notebook.h"
#include "Source/Ui/UiResources.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"
#include "Tests/Source/Data/DataTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace
{

using namespace Lumvek::GuiTesting;
using Lumvek::ControllerButton;
using Lumvek::Element;

// The front end over a scratch assets folder whose registry holds generated parts, one player on pad
// 0 with the profile "Ada", and a network role the test describes.
class NotebookScreens : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateTransitionGeometries(*app.device));
        assets.Write("Keep.txt", "");
        SetParts(0, 10);
        SetParts(1, 3);
        SetParts(2, 2);
        SetParts(3, 2);
        profile = &profiles.Add("Ada");
        profile->name = "Ada";
        for (uint32_t i = 0; i < Profile::LoadoutCount; ++i)
            profile->loadouts[i].name = "L" + std::to_string(i);
        configuration.players.emplace_back(profile, 0);
        configuration.players[0].id = 3;
        frontEnd.registry = &registry;
        frontEnd.applicationRoot = assets.folder.Root();
        frontEnd.networkStatus = [this] { return status; };
        frontEnd.sendLoadout = [this](uint8_t id, const ProfileLoadout& loadout) { sent.emplace_back(id, loadout); };
    }

    // count parts of the kind named "K<kind>P<n>", shown as "PART <n>", costing 10 + n ink.
    void SetParts(uint32_t kind, uint32_t count)
    {
        for (uint32_t n = 0; n < count; ++n)
        {
            const std::string name = "K" + std::to_string(kind) + "P" + std::to_string(n);
            const Lumvek::Blueprint json = DataTesting::Json(R"({"DisplayName": "PART )" + std::to_string(n) +
                                                             R"(", "Cost": )" + std::to_string(10 + n) + "}");
            switch (kind)
            {
            case 0:
                registry.heads.Add(name, json, std::make_unique<HeadData>());
                break;
            case 1:
                registry.cores.Add(name, json, std::make_unique<CoreData>());
                break;
            case 2:
                registry.arms.Add(name, json, std::make_unique<ArmsData>());
                break;
            default:
                registry.legs.Add(name, json, std::make_unique<LegsData>());
                break;
            }
        }
    }

    void Tap(ControllerButton button)
    {
        app.controllers->next[0].pressed[button] = 1;
        app.Frame();
        app.controllers->next[0].released[button] = 1;
        app.Frame();
    }
    // Lets a hand-over finish and returns the top screen when it is an S.
    template <class S> S* Settle()
    {
        app.Frame(0.31f);
        app.Frame();
        const uint32_t count = app.gui->GetMenuCount();
        return count ? dynamic_cast<S*>(app.gui->GetRecord(count - 1).menu.get()) : nullptr;
    }
    template <class S> S* OpenFromMainMenu()
    {
        MainMenu::Open(*app.gui, frontEnd, nullptr, 0, 0);
        app.Frame();
        Tap(ControllerButton::A);
        return Settle<S>();
    }
    Notebook* OpenNotebook(uint32_t loadout)
    {
        Notebook::Open(*app.gui, frontEnd, nullptr, 0, loadout);
        app.Frame();
        return Settle<Notebook>();
    }

    std::string ProfilePath() const { return assets.folder.Path("Assets/Ada.profile"); }
    bool Saved() const { return std::filesystem::exists(ProfilePath()); }
    Profile ReadBack() const
    {
        Profile read;
        EXPECT_TRUE(read.Load(ProfilePath(), registry));
        return read;
    }

    static const std::string& TextOf(const Element* element)
    {
        static const std::string none = "<none>";
        const auto* text = element ? dynamic_cast<const Lumvek::TextContent*>(element->content.get()) : nullptr;
        return text ? text->text : none;
    }
    static bool StarOf(const Element& card) { return card.GetChildren()[4]->visible != 0; }

    TestApplication app;
    DataTesting::AssetsFolder assets;
    DataRegistry registry{assets.files};
    ProfileCollection profiles;
    GameConfiguration configuration;
    FrontEnd frontEnd{profiles, configuration};
    Profile* profile = nullptr;
    NetworkStatus status;
    std::vector<std::pair<uint8_t, ProfileLoadout>> sent;
};

TEST_F(NotebookScreens, LoadoutsStarTheActiveOneAndMakeActiveMovesItSavesAndSends)
{
    profile->activeLoadout = 2;
    profile->loadouts[3] = {"Heavy", 1, 2, 1, 0};
    LoadoutsScreen* screen = OpenFromMainMenu<LoadoutsScreen>();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->selection, 2u);
    const Element* scroller = screen->GetElement("Scroller");
    ASSERT_NE(scroller, nullptr);
    ASSERT_EQ(scroller->GetChildren().size(), 5u);
    const auto stars = [&]
    {
        std::string marks;
        for (const auto& item : scroller->GetChildren())
            marks += item->GetChildren().back()->visible ? '*' : '.';
        return marks;
    };
    EXPECT_EQ(stars(), "..*..");
    EXPECT_EQ(TextOf(screen->GetElement("InkAmount")), "0");
    // The narrow page of circle items, its arrows inset alike from both sides.
    const auto at = [&](const char* name, YGEdge edge) {
        return YGNodeStyleGetPosition(screen->GetElement(Lumvek::StringView::FromCString(name))->GetNode(), edge).value;
    };
    EXPECT_FLOAT_EQ(YGNodeStyleGetWidth(scroller->GetNode()).value, 16.875f);
    const auto& strip = static_cast<const SketchScroller&>(*scroller->actions);
    EXPECT_EQ((std::vector<float>{strip.base, strip.spacing}), (std::vector<float>{41.5625f, 25.0f}));
    EXPECT_EQ(
        (std::vector<float>{at("LeftArrow", YGEdgeLeft), at("RightArrow", YGEdgeRight), at("RightArrow", YGEdgeTop)}),
        (std::vector<float>{39.5f, 39.5f, 47.0f}));

    // Start (STORE) does nothing; two steps right and one back, then X.
    Tap(ControllerButton::Start);
    for (ControllerButton step : {ControllerButton::Right, ControllerButton::Right, ControllerButton::Left})
    {
        app.controllers->next[0].pressed[step] = 1;
        for (int i = 0; i < 20; ++i)
            app.Frame(1.0f / 60.0f);
    }
    // Only the item the strip rests on is inked.
    std::string inked;
    for (const auto& item : scroller->GetChildren())
        inked += static_cast<const Lumvek::ImageContent&>(*item->content).region == Images::CircleSelection ? 'o' : '.';
    EXPECT_EQ(inked, "...o.");
    Tap(ControllerButton::X);
    EXPECT_EQ(stars(), "...*.");
    EXPECT_EQ(profile->activeLoadout, 3u);
    const Loadout& slot = configuration.players[0].loadout;
    EXPECT_EQ((std::vector<uint32_t>{slot.head, slot.core, slot.arms, slot.legs}), (std::vector<uint32_t>{1, 2, 1, 0}));
    EXPECT_TRUE(sent.empty()); // no client role
    ASSERT_TRUE(Saved());
    EXPECT_EQ(ReadBack().activeLoadout, 3u);
    EXPECT_EQ(ReadBack().loadouts[3], profile->loadouts[3]);

    // X again on the active one: the same star, saved again, and a client role hears of it.
    std::filesystem::remove(ProfilePath());
    status.running = status.client = true;
    Tap(ControllerButton::X);
    EXPECT_EQ(stars(), "...*.");
    EXPECT_TRUE(Saved());
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].first, 3);
    EXPECT_EQ(sent[0].second, profile->loadouts[3]);

    // Back: the main menu on NOTEBOOK.
    status = {};
    Tap(ControllerButton::B);
    MainMenu* main = Settle<MainMenu>();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->selection, 0u);
}

TEST_F(NotebookScreens, AnActiveLoadoutPastTheFiveOpensOnTheFirstWithNoStarAndKeepsTheStoredValue)
{
    profile->heads.Set("K0P4", true);
    profile->activeLoadout = 7;
    LoadoutsScreen* screen = OpenFromMainMenu<LoadoutsScreen>();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->selection, 0u);
    for (const auto& item : screen->GetElement("Scroller")->GetChildren())
        EXPECT_EQ(item->GetChildren().back()->visible, 0);

    // Into the notebook on loadout 0: equipping saves the part but leaves "no loadout active" alone.
    Tap(ControllerButton::A);
    Notebook* notebook = Settle<Notebook>();
    ASSERT_NE(notebook, nullptr);
    EXPECT_EQ(notebook->loadout, 0u);
    const Loadout before = configuration.players[0].loadout;
    for (int i = 0; i < 4; ++i)
        Tap(ControllerButton::Right);
    Tap(ControllerButton::A);
    EXPECT_EQ(profile->loadouts[0].head, 4u);
    EXPECT_EQ(profile->activeLoadout, 7u);
    EXPECT_EQ(configuration.players[0].loadout, before);
    ASSERT_TRUE(Saved());
    EXPECT_EQ(ReadBack().activeLoadout, 7u);
    EXPECT_EQ(ReadBack().loadouts[0].head, 4u);
}

TEST_F(NotebookScreens, ADamagedProfileIsNeverSavedOver)
{
    ASSERT_TRUE(Lumvek::File::WriteAllText(ProfilePath(), "{ not json"));
    ASSERT_FALSE(profile->Load(ProfilePath(), registry));
    ASSERT_TRUE(profile->damaged);
    profile->heads.Set("K0P1", true);
    Notebook* notebook = OpenNotebook(0);
    ASSERT_NE(notebook, nullptr);
    Tap(ControllerButton::Right);
    Tap(ControllerButton::A);
    EXPECT_EQ(profile->loadouts[0].head, 1u); // kept in memory
    EXPECT_EQ(Lumvek::File::ReadAllText(ProfilePath()).second, "{ not json");
}

TEST_F(NotebookScreens, BetweenMatchesTheScreensLeaveWhenTheMatchGoesOn)
{
    EXPECT_EQ(CheckMatchLeave(GameOrigin::Matchmaking, {}), MatchLeave::Stay);
    const struct
    {
        GameOrigin origin;
        NetworkState state;
        MatchLeave leave;
    } cases[] = {
        {GameOrigin::Matchmaking, NetworkState::Loaded, MatchLeave::Stay},
        {GameOrigin::Matchmaking, NetworkState::Preparing, MatchLeave::Close},
        {GameOrigin::Matchmaking, NetworkState::Ending, MatchLeave::Stay},
        {GameOrigin::Challenges, NetworkState::Loading, MatchLeave::Stay},
        {GameOrigin::Challenges, NetworkState::Loaded, MatchLeave::ToLoading},
        {GameOrigin::CustomGame, NetworkState::Playing, MatchLeave::ToLoading},
    };
    for (const auto& c : cases)
    {
        NetworkStatus running;
        running.running = true;
        running.state = c.state;
        EXPECT_EQ(CheckMatchLeave(c.origin, running), c.leave) << static_cast<int>(c.state);
    }

    // A custom game's loadouts screen hands over to the loading screen once the match has loaded; its
    // Back goes to the lobby.
    configuration.origin = GameOrigin::CustomGame;
    status.running = true;
    status.state = NetworkState::Voting;
    status.elapsed = 2.5f;
    status.duration = 10.0f;
    LoadoutsScreen::Open(*app.gui, frontEnd, nullptr, 0, 1);
    app.Frame();
    LoadoutsScreen* screen = Settle<LoadoutsScreen>();
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(screen->inMatch);
    EXPECT_EQ(screen->GetElement("Ink"), nullptr);
    EXPECT_EQ(TextOf(screen->GetElement("Timer")->GetChildren()[1].get()), "7");
    status.state = NetworkState::Loaded;
    app.Frame();
    EXPECT_NE(Settle<LoadingScreen>(), nullptr);
    app.gui->CloseMenu(*app.gui->GetRecord(app.gui->GetMenuCount() - 1).menu, nullptr);
    app.Frame();

    status.state = NetworkState::Voting;
    LoadoutsScreen::Open(*app.gui, frontEnd, nullptr, 0, 1);
    Settle<LoadoutsScreen>();
    Tap(ControllerButton::B);
    GameLobby* lobby = Settle<GameLobby>();
    ASSERT_NE(lobby, nullptr);
    // Back of the owner's pad in the lobby returns to the loadouts, on the active one.
    profile->activeLoadout = 3;
    app.controllers->next[0].released[ControllerButton::Back] = 1;
    app.Frame();
    LoadoutsScreen* again = Settle<LoadoutsScreen>();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->selection, 3u);
}

// However long the loadout's name, its title shrinks to keep clear of the preview.
TEST_F(NotebookScreens, TenHeadsMakeRowsOfSixAndFourAndTheCardsFollowTheProfileUnderALongTitle)
{
    profile->heads.Set("K0P0", true);
    profile->heads.Set("K0P1", false); // known, not owned
    profile->heads.Set("K0P9", true);
    profile->loadouts[1].name = std::string(80, 'W');
    Notebook* notebook = OpenNotebook(1);
    ASSERT_NE(notebook, nullptr);
    const Element* header = notebook->GetElement("Header");
    ASSERT_TRUE(header && dynamic_cast<const Lumvek::TextContent&>(*header->content).shrinkToFit);
    EXPECT_LT(header->drawnRectangle.x + header->drawnRectangle.width,
              notebook->GetElement("Preview")->drawnRectangle.x);
    const Element* cards = notebook->GetElement("CardContainer");
    ASSERT_EQ(cards->GetChildren().size(), 10u);
    EXPECT_EQ(notebook->lastRow, 1u);
    EXPECT_EQ(notebook->lastRowColumn, 3u);
    EXPECT_TRUE(StarOf(*cards->GetChildren()[0]));
    EXPECT_EQ(TextOf(cards->GetChildren()[1]->GetChildren()[2].get()), "PART 1");
    EXPECT_EQ(TextOf(cards->GetChildren()[2]->GetChildren()[2].get()), "?");
    const auto hints = [&]
    {
        return std::string(notebook->GetElement("Equip")->visible ? "E" : "-") +
               (notebook->GetElement("View")->visible ? "V" : "-");
    };
    EXPECT_EQ(hints(), "EV");
    // Focus keeps the name in the script font, which a long name fits.
    EXPECT_EQ(static_cast<const Lumvek::TextContent&>(*cards->GetChildren()[0]->GetChildren()[2]->content).font,
              GraphicsResources::ScriptFont);

    // Known but not owned: name and band, A does nothing.
    Tap(ControllerButton::Right);
    EXPECT_EQ(hints(), "-V");
    EXPECT_NE(cards->GetChildren()[1]->GetChildren()[1]->visible, 0);
    Tap(ControllerButton::A);
    EXPECT_EQ(profile->loadouts[1].head, 0u);
    EXPECT_FALSE(Saved());
    // Unknown: both hints hidden, neither A nor X does anything.
    Tap(ControllerButton::Right);
    EXPECT_EQ(hints(), "--");
    Tap(ControllerButton::X);
    EXPECT_EQ(Settle<Notebook>(), notebook);

    // From column 5 Down lands on the last card; Right there does nothing; Down again neither.
    for (int i = 0; i < 4; ++i)
        Tap(ControllerButton::Right);
    EXPECT_EQ(notebook->column, 5u);
    Tap(ControllerButton::Right);
    EXPECT_EQ(notebook->column, 5u);
    Tap(ControllerButton::Down);
    EXPECT_EQ(notebook->SelectedCard(), 9u);
    Tap(ControllerButton::Right);
    Tap(ControllerButton::Down);
    EXPECT_EQ(notebook->SelectedCard(), 9u);
    EXPECT_TRUE(notebook->IsFocused(*cards->GetChildren()[9]));

    // Equipping moves the star, saves, and the name label erases the old name at double speed before
    // writing the new one.
    Element* label = notebook->GetElement("HeadText");
    auto& text = static_cast<DrawInText&>(*label->content);
    app.Frame(1.5f);
    ASSERT_GT(text.clock.elapsed, 0.0f);
    EXPECT_EQ(text.text, "PART 0");
    Tap(ControllerButton::A);
    EXPECT_EQ(profile->loadouts[1].head, 9u);
    EXPECT_FALSE(StarOf(*cards->GetChildren()[0]));
    EXPECT_TRUE(StarOf(*cards->GetChildren()[9]));
    ASSERT_TRUE(Saved());
    EXPECT_EQ(ReadBack().loadouts[1].head, 9u);
    app.Frame(0.1f);
    EXPECT_EQ(text.clock.direction, -1);
    EXPECT_EQ(text.clock.speed, 2.0f);
    EXPECT_NEAR(text.clock.elapsed, 0.8f, 1e-4f);
    EXPECT_EQ(text.text, "PART 0");
    for (int i = 0; i < 5 && text.text != "PART 9"; ++i)
        app.Frame(0.3f);
    EXPECT_EQ(text.text, "PART 9");
    EXPECT_EQ(text.clock.direction, 1);
    // Loadout 1 is not the active one: the slot keeps its parts.
    EXPECT_EQ(configuration.players[0].loadout.head, 0u);

    // A tab switch resets the selection; the first tab has no previous one.
    Tap(ControllerButton::RightBumper);
    EXPECT_EQ(notebook->tab, 1u);
    EXPECT_EQ(notebook->SelectedCard(), 0u);
    EXPECT_EQ(cards->GetChildren().size(), 3u);
    Tap(ControllerButton::LeftBumper);
    Tap(ControllerButton::LeftBumper);
    EXPECT_EQ(notebook->tab, 0u);
    EXPECT_EQ(notebook->SelectedCard(), 0u);

    // The chosen LEGS tab writes its name white on its red, where ink hardly shows; ink once left.
    const Element& legs = *notebook->GetElement("TabContainer")->GetChildren()[3]->GetChildren()[0];
    const auto& name = static_cast<const Lumvek::TextContent&>(*legs.GetChildren()[0]->content);
    for (int i = 0; i < 3; ++i)
        Tap(ControllerButton::RightBumper);
    EXPECT_EQ(name.fillColor, Lumvek::Color::White);
    Tap(ControllerButton::LeftBumper);
    EXPECT_EQ(name.fillColor, UnpackColor(InkColor));
}

TEST_F(NotebookScreens, TwentyDefinitionsScrollByRows)
{
    SetParts(0, 20);
    Notebook* notebook = OpenNotebook(0);
    ASSERT_NE(notebook, nullptr);
    const Element* cards = notebook->GetElement("CardContainer");
    EXPECT_EQ(cards->GetChildren().size(), 18u);
    for (int i = 0; i < 3; ++i)
        Tap(ControllerButton::Right);
    Tap(ControllerButton::Down);
    Tap(ControllerButton::Down);
    EXPECT_EQ(notebook->firstRow, 0u);
    // The fourth row (cards 18 and 19) comes in; the selection stays on the last shown row and moves to
    // the last card's column.
    Tap(ControllerButton::Down);
    EXPECT_EQ(notebook->firstRow, 1u);
    EXPECT_EQ(notebook->row, 2u);
    EXPECT_EQ(notebook->column, 1u);
    EXPECT_EQ(notebook->SelectedCard(), 19u);
    ASSERT_EQ(cards->GetChildren().size(), 14u);
    EXPECT_EQ(TextOf(cards->GetChildren()[0]->GetChildren()[2].get()), "?");
    const Element* selected = notebook->FindCard(19);
    ASSERT_EQ(selected, cards->GetChildren()[13].get());
    EXPECT_TRUE(notebook->IsFocused(*selected));
    EXPECT_EQ(&static_cast<const Notebook::Card&>(*selected->actions).part, registry.heads.Get(19));
    Tap(ControllerButton::Down);
    EXPECT_EQ(notebook->SelectedCard(), 19u);
    // Back up past the top of the shown rows.
    for (int i = 0; i < 3; ++i)
        Tap(ControllerButton::Up);
    EXPECT_EQ(notebook->firstRow, 0u);
    EXPECT_EQ(notebook->row, 0u);
    EXPECT_EQ(cards->GetChildren().size(), 18u);
    EXPECT_TRUE(notebook->IsFocused(*notebook->FindCard(1)));
}

TEST_F(NotebookScreens, PartsOutsideTheirCollectionsShowAQuestionMark)
{
    profile->loadouts[0] = {"Old", 40, 0, 7, 0};
    Notebook* notebook = OpenNotebook(0);
    ASSERT_NE(notebook, nullptr);
    app.Frame(0.1f);
    EXPECT_EQ(TextOf(notebook->GetElement("HeadText")), "?");
    EXPECT_EQ(TextOf(notebook->GetElement("ArmsText")), "?");
    EXPECT_EQ(TextOf(notebook->GetElement("CoreText")), "PART 0");
    for (const auto& card : notebook->GetElement("CardContainer")->GetChildren())
        EXPECT_FALSE(StarOf(*card));
}

// The card view is opened on loadout 1 while 0 is the active one.
TEST_F(NotebookScreens, CraftingSavesAtOnceAndEquipFillsTheLoadoutOnScreen)
{
    profile->ink = 13; // K0P3 costs 13
    profile->activeLoadout = 0;
    profile->heads.Set("K0P3", false);
    Notebook* notebook = OpenNotebook(1);
    ASSERT_NE(notebook, nullptr);
    for (int i = 0; i < 3; ++i)
        Tap(ControllerButton::Right);
    Tap(ControllerButton::X);
    CardView* card = Settle<CardView>();
    ASSERT_NE(card, nullptr);
    EXPECT_TRUE(card->craftable);
    EXPECT_EQ(TextOf(card->GetElement("Description")), "CREATE FOR 13 INK?");
    EXPECT_NE(card->GetElement("Craft")->visible, 0);
    EXPECT_EQ(card->GetElement("Equip")->visible, 0);
    EXPECT_EQ(notebook->GetElement("Ink")->visible, 0);
    const Element& star = *card->GetElement("Card")->GetChildren()[4];
    Tap(ControllerButton::A); // locked: nothing
    EXPECT_FALSE(Saved());

    Tap(ControllerButton::Y);
    EXPECT_EQ(profile->ink, 0u);
    EXPECT_TRUE(profile->IsUnlocked("K0P3"));
    EXPECT_EQ(card->GetElement("Craft")->visible, 0);
    EXPECT_NE(card->GetElement("Equip")->visible, 0);
    EXPECT_EQ(TextOf(card->GetElement("Ink")), "0");
    ASSERT_TRUE(Saved()); // at once, whether or not the part is equipped before leaving
    EXPECT_EQ(ReadBack().ink, 0u);
    EXPECT_TRUE(ReadBack().IsUnlocked("K0P3"));
    Tap(ControllerButton::Y);
    EXPECT_EQ(profile->ink, 0u);

    EXPECT_EQ(star.visible, 0);
    Tap(ControllerButton::A);
    EXPECT_NE(star.visible, 0);
    EXPECT_EQ(profile->loadouts[0].head, 0u);
    EXPECT_EQ(configuration.players[0].loadout.head, 0u);
    const Profile read = ReadBack();
    EXPECT_EQ(read.ink, 0u);
    EXPECT_EQ(read.loadouts[1].head, 3u);
    EXPECT_TRUE(read.IsUnlocked("K0P3"));

    // Back: the notebook comes back with the card owned and starred and the ink shown again.
    Tap(ControllerButton::B);
    EXPECT_EQ(Settle<Notebook>(), notebook);
    EXPECT_NE(notebook->GetElement("Ink")->visible, 0);
    EXPECT_EQ(TextOf(notebook->GetElement("InkAmount")), "0");
    const Element* crafted = notebook->FindCard(3);
    ASSERT_NE(crafted, nullptr);
    EXPECT_TRUE(StarOf(*crafted));
    EXPECT_TRUE(static_cast<const Notebook::Card&>(*crafted->actions).owned);
    EXPECT_TRUE(notebook->IsFocused(*crafted));
}

TEST_F(NotebookScreens, OnlineTheCardIsLockedWithoutCraft)
{
    profile->ink = 500;
    profile->heads.Set("K0P2", false);
    status.running = true;
    status.state = NetworkState::Voting;
    configuration.origin = GameOrigin::Matchmaking;
    Notebook* notebook = OpenNotebook(0);
    ASSERT_NE(notebook, nullptr);
    Tap(ControllerButton::Right);
    Tap(ControllerButton::Right);
    Tap(ControllerButton::X);
    CardView* card = Settle<CardView>();
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(TextOf(card->GetElement("Description")), "LOCKED");
    EXPECT_EQ(card->GetElement("Craft"), nullptr);
    Tap(ControllerButton::Y);
    EXPECT_EQ(profile->ink, 500u);
    EXPECT_FALSE(profile->IsUnlocked("K0P2"));
    // The match goes on: the card view and the notebook leave.
    status.state = NetworkState::Preparing;
    for (int i = 0; i < 3; ++i)
    {
        app.Frame();
        app.Frame(0.31f);
    }
    EXPECT_EQ(app.gui->GetMenuCount(), 0u);
}

} // namespace
