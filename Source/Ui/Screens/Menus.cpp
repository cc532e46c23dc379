#include "Source/Ui/Screens/Menus.h"

#include "Engine/Foundation/Log.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/Profile.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/Kit/CircleButtons.h"
#include "Source/Ui/Screens/Challenges.h"
#include "Source/Ui/Screens/CustomGame.h"
#include "Source/Ui/Screens/Notebook.h"
#include "Source/Ui/Screens/Online.h"
#include "Source/Ui/UiResources.h"

using Lumvek::Element;

namespace
{

constexpr const char* PlayEntries[3] = {"MATCHMAKING", "CHALLENGES", "CUSTOM GAME"};

void AddPaper(Element& root)
{
    Element& background = AddElement(root, 100.0f, 100.0f, 0);
    AddImageContent(background).texture = GraphicsResources::CanvasBackground;
}

// Moves a three-entry menu's highlight, without wrapping at either end.
bool Step(Lumvek::Menu& menu, uint32_t& selection, int32_t by)
{
    const int64_t to = int64_t(selection) + by;
    if (to < 0 || to > 2)
        return false;
    UnhighlightButton(menu, selection);
    selection = static_cast<uint32_t>(to);
    HighlightButton(menu, selection);
    return true;
}

} // namespace

void StartScreen::Setup()
{
    AddTitlePage(*this);
}

void StartScreen::Activate()
{
    StartPressStartText(*this);
}

void StartScreen::OnStart(uint32_t player)
{
    if (left)
        return;
    left = true;
    TakeFirstPlayer(frontEnd, player);
    Lumvek::Gui& gui = GetScreenGui();
    MainMenu::Open(gui, frontEnd, CloseForward(), player);
}

void StartScreen::OnSecondary(uint32_t player)
{
    (void)player;
    if (left)
        return;
    left = true;
    Lumvek::Gui& gui = GetScreenGui();
    gui.CloseMenu(*this, nullptr);
    if (frontEnd.createServerNetwork)
        frontEnd.createServerNetwork();
    ConnectingScreen::Open(gui, frontEnd, nullptr);
}

void StartScreen::OnAction(uint32_t player)
{
    (void)player;
    if (left)
        return;
    if (!frontEnd.startDemoMatch || !frontEnd.startDemoMatch())
        Lumvek::Log::Write("the demo match cannot start: the start screen stays");
    else
        left = true;
}

MainMenu& MainMenu::Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition,
                         uint32_t owner, uint32_t selection)
{
    MainMenu& menu = Screen::Open<MainMenu>(gui, std::move(transition), owner, frontEnd);
    menu.selection = selection;
    return menu;
}

void MainMenu::Setup()
{
    Element& root = GetRoot();
    AddPaper(root);
    Element& logo = AddElement(root, 100.0f, 10.0f, 0);
    SetImage(logo, GraphicsResources::WideLogo, Lumvek::InvalidId, Images::PendingIcon);
    SetOffset(logo, YGEdgeTop, 15.0f);
    Element& row = AddButtonRow(root);
    SetOffset(AddCircleButton(row, "NOTEBOOK", "", Images::NotebookIcon, Images::NotebookIconSketch, false, true),
              YGEdgeLeft, 15.0f);
    AlignCentre(AddCircleButton(row, "PLAY", "", Images::PlayIcon, Images::PlayIconSketch, true, true));
    SetOffset(AddCircleButton(row, "STORE", "", Images::StoreIcon, Images::StoreIconSketch, true, false), YGEdgeRight,
              15.0f);
    HighlightButton(*this, selection);
}

void MainMenu::OnSelect(uint32_t player)
{
    (void)player;
    switch (selection)
    {
    case 0:
    {
        // The notebook opens on the active loadout of the owner's profile; without one it cannot.
        const PlayerSlot* slot = nullptr;
        for (const PlayerSlot& candidate : frontEnd.configuration.players)
            if (candidate.localIndex == owner)
                slot = &candidate;
        if (!slot || !slot->profile)
        {
            Lumvek::Log::Write("controller {} has no profile: the notebook has no loadouts to show", owner);
            break;
        }
        // A stored choice past the five loadouts means none is active: the first is selected.
        const uint32_t active = slot->profile->activeLoadout;
        Lumvek::Gui& gui = GetScreenGui();
        LoadoutsScreen::Open(gui, frontEnd, CloseForward(), owner, active < Profile::LoadoutCount ? active : 0);
        break;
    }
    case 1:
    {
        Lumvek::Gui& gui = GetScreenGui();
        PlayMenu::Open(gui, frontEnd, CloseForward(), owner);
        break;
    }
    default:
        // The store has nothing to offer: the menu stays.
        break;
    }
}

void MainMenu::OnLeft(uint32_t player)
{
    (void)player;
    Step(*this, selection, -1);
}

void MainMenu::OnRight(uint32_t player)
{
    (void)player;
    Step(*this, selection, 1);
}

PlayMenu& PlayMenu::Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition,
                         uint32_t owner, uint32_t selection)
{
    PlayMenu& menu = Screen::Open<PlayMenu>(gui, std::move(transition), owner, frontEnd);
    menu.selection = selection;
    return menu;
}

void PlayMenu::Setup()
{
    Element& root = GetRoot();
    AddPaper(root);
    // In percent of the window, as on the other pages: in points it would stand over the last circle's label in
    // a small window.
    AddSmallLogo(root);

    Element& title = AddElement(root, 100.0f, 3.0f, 0);
    AddText(title, 100.0f, "-PLAY-", GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    SetOffset(title, YGEdgeTop, 7.5f);
    Element& header = AddElement(root, 100.0f, 6.0f, 0);
    AddText(header, 100.0f, "", GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    SetElementName(header, "Header");
    SetOffset(header, YGEdgeTop, 15.0f);

    Element& row = AddButtonRow(root);
    SetOffset(AddCircleButton(row, PlayEntries[0], "PLAY ONLINE AGAINST OTHER PLAYERS IN EVERY GAME TYPE",
                              Images::MatchmakingIcon, Images::MatchmakingIconSketch, false, true),
              YGEdgeLeft, 15.0f);
    AlignCentre(AddCircleButton(row, PlayEntries[1], "PLAY PREPARED MATCHES AGAINST BOTS.", Images::ChallengesIcon,
                                Images::ChallengesIconSketch, true, true));
    SetOffset(AddCircleButton(row, PlayEntries[2], "SET UP YOUR OWN MATCH AND PLAY IT HERE OR ONLINE.",
                              Images::CustomGameIcon, Images::CustomGameIconSketch, true, false),
              YGEdgeRight, 15.0f);
    Highlight();
}

void PlayMenu::Highlight()
{
    if (Element* header = GetElement("Header"))
        if (auto* text = dynamic_cast<Lumvek::TextContent*>(header->content.get()))
            text->text = selection < 3 ? PlayEntries[selection] : "";
    HighlightButton(*this, selection);
}

void PlayMenu::OnSelect(uint32_t player)
{
    (void)player;
    if (selection == 2)
    {
        Lumvek::Gui& gui = GetScreenGui();
        CustomGameScreen::Open(gui, frontEnd, CloseForward(), owner);
    }
    else if (selection == 1)
    {
        Lumvek::Gui& gui = GetScreenGui();
        ChallengesScreen::Open(gui, frontEnd, CloseForward(), owner);
    }
    else if (selection == 0)
    {
        Lumvek::Gui& gui = GetScreenGui();
        MatchmakingScreen::Open(gui, frontEnd, CloseForward(), owner);
    }
}

void PlayMenu::OnBack(uint32_t player)
{
    (void)player;
    Lumvek::Gui& gui = GetScreenGui();
    MainMenu::Open(gui, frontEnd, CloseBack(), owner, 1);
}

void PlayMenu::OnLeft(uint32_t player)
{
    (void)player;
    if (Step(*this, selection, -1))
        Highlight();
}

void PlayMenu::OnRight(uint32_t player)
{
    (void)player;
    if (Step(*this, selection, 1))
        Highlight();
}
