#include "Source/Ui/Screens/DemoScreens.h"

#include "Engine/Foundation/Log.h"
#include "Source/Data/Data.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/Profile.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/Kit/CircleButtons.h"
#include "Source/Ui/UiResources.h"

using Lumvek::Element;

namespace
{

void AddPaper(Element& root)
{
    Element& background = AddElement(root, 100.0f, 100.0f, 0);
    AddImageContent(background).texture = GraphicsResources::CanvasBackground;
}

} // namespace

void FrontEnd::RequestIcons(const Data& definition) const
{
    if (!requestIcon)
        return;
    requestIcon(definition.icon, definition.GetAssetPath("IconImage", ".png"));
    requestIcon(definition.sketch, definition.GetAssetPath("IconSketch", ".png"));
}

void StartPressStartText(Screen& screen)
{
    if (Element* prompt = screen.GetElement("Start"))
        if (auto* text = dynamic_cast<DrawInText*>(prompt->content.get()))
        {
            text->clock.direction = 1;
            text->clock.speed = 1.0f;
        }
}

void AddTitlePage(Screen& screen)
{
    Element& root = screen.GetRoot();
    AddPaper(root);
    Element& logo = AddElement(root, 0.0f, 40.0f, 0);
    SetImage(logo, GraphicsResources::TallLogo, Lumvek::InvalidId, Images::PendingIcon);
    AlignCentre(logo);
    SetOffset(logo, YGEdgeTop, 25.0f);
    Element& prompt = AddElement(root, 0.0f, 2.5f, 0);
    screen.SetElementName(prompt, "Start");
    AlignCentre(prompt);
    SetOffset(prompt, YGEdgeBottom, 25.0f);
    AddDrawInText(prompt, 100.0f, 1.0f, "PRESS START", GraphicsResources::ScriptFont, InkColor, TextAlignment::Centre);
}

void DemoStartScreen::Setup()
{
    Element& root = GetRoot();
    AddTitlePage(*this);

    Element& welcome = AddMultilineText(root, 75.0f, 10.0f, 25.0f,
                                        "WELCOME TO THE VANTOREL DEMO. IT SHOWS A SMALL PART OF THE GAME; EVERYTHING "
                                        "HERE IS WORK IN PROGRESS.",
                                        GraphicsResources::HeadingFont, InkColor);
    AlignCentre(welcome);
    SetOffset(welcome, YGEdgeBottom, 7.5f);
}

void TakeFirstPlayer(FrontEnd& frontEnd, uint32_t pad)
{
    Profile* profile = frontEnd.profiles.Find("player1");
    if (!profile)
        Lumvek::Log::Write("no profile \"player1\": the player on controller {} plays without a loadout", pad);
    frontEnd.configuration.players.emplace_back(profile, pad);
}

void DemoStartScreen::Activate()
{
    StartPressStartText(*this);
}

void DemoStartScreen::OnStart(uint32_t player)
{
    // A second Start in the frame the page starts turning would take a second player in.
    if (taken)
        return;
    taken = true;
    TakeFirstPlayer(frontEnd, player);
    Lumvek::Gui& gui = GetScreenGui();
    DemoMenu::Open(gui, frontEnd, CloseForward(), player);
}

DemoMenu& DemoMenu::Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition,
                         uint32_t player)
{
    return Screen::Open<DemoMenu>(gui, std::move(transition), player, frontEnd);
}

void DemoMenu::Setup()
{
    Element& root = GetRoot();
    AddPaper(root);

    Element& logo = AddElement(root, 100.0f, 10.0f, 0);
    SetImage(logo, GraphicsResources::WideLogo, Lumvek::InvalidId, Images::PendingIcon);
    SetOffset(logo, YGEdgeTop, 15.0f);

    Element& row = AddButtonRow(root);
    Element& single = AddCircleButton(row, "SINGLE PLAYER", "PLAY SHORT SOLO CHALLENGES AGAINST BOTS.",
                                      Images::SinglePlayerIcon, Images::SinglePlayerIconSketch, false, true);
    SetOffset(single, YGEdgeLeft, 25.0f);
    Element& multi = AddCircleButton(row, "MULTIPLAYER", "PLAY WITH OR AGAINST A SECOND PLAYER ON THIS MACHINE.",
                                     Images::MultiplayerIcon, Images::MultiplayerIconSketch, true, false);
    SetOffset(multi, YGEdgeRight, 25.0f);

    AddButtonHint(root, Images::AButton, "SELECT", 10.0f, 25.0f, 6.5f);
    HighlightButton(*this, selection);
}

void DemoMenu::OnSelect(uint32_t player)
{
    (void)player;
    const FrontEnd::Opener& open = selection == 0 ? frontEnd.openSinglePlayer : frontEnd.openMultiplayer;
    if (!open)
    {
        Lumvek::Log::Write("the demo's {} set-up is not part of the game yet",
                           selection == 0 ? "single-player" : "multiplayer");
        return;
    }
    Lumvek::Gui& gui = GetScreenGui();
    open(gui, CloseForward(), owner);
}

void DemoMenu::OnLeft(uint32_t player)
{
    (void)player;
    if (selection > 0)
        Move(selection - 1);
}

void DemoMenu::OnRight(uint32_t player)
{
    (void)player;
    if (selection < 1)
        Move(selection + 1);
}

void DemoMenu::Move(uint32_t to)
{
    UnhighlightButton(*this, selection);
    selection = to;
    HighlightButton(*this, selection);
}
