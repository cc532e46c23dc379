#include "Source/Ui/Screens/PauseMenu.h"

#include "Engine/Runtime/Audio/AudioDevice.h"
#include "Engine/Runtime/Core/Application.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Network/Network.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/Kit/CircleButtons.h"
#include "Source/Ui/Screens/GameScreen.h"
#include "Source/Ui/UiResources.h"
#include "Source/World/GameContext.h"

using Lumvek::Element;

namespace
{

// Light paper, about 78 % opaque: bytes R 0xE6, G 0xE7, B 0xE8, A 0xC8.
constexpr uint32_t OverlayColor = 0xC8E8E7E6;

} // namespace

PauseMenu& PauseMenu::Open(Lumvek::Gui& gui, FrontEnd& frontEnd, uint32_t player)
{
    return Screen::Open<PauseMenu>(gui, nullptr, player, frontEnd);
}

void PauseMenu::Setup()
{
    Element& root = GetRoot();
    Element& background = AddElement(root, 100.0f, 100.0f, 0);
    AddImageContent(background).texture = GraphicsResources::CanvasBackground;
    Element& logo = AddElement(root, 100.0f, 10.0f, 0);
    SetImage(logo, GraphicsResources::WideLogo, Lumvek::InvalidId, Images::PendingIcon);
    SetOffset(logo, YGEdgeTop, 15.0f);

    Element& row = AddButtonRow(root);
    SetOffset(AddCircleButton(row, "RESUME", "", Images::PlayIcon, Images::PlayIconSketch, false, true), YGEdgeLeft,
              15.0f);
    AlignCentre(AddCircleButton(row, "CONTROLS", "", Images::ControlsIcon, Images::ControlsIconSketch, true, true));
    SetOffset(AddCircleButton(row, "QUIT", "", Images::QuitIcon, Images::QuitIconSketch, true, false), YGEdgeRight,
              15.0f);

    SetElementName(AddButtonHint(root, Images::AButton, "SELECT", 10.0f, 25.0f, 11.5f), "Select");
    SetElementName(AddButtonHint(root, Images::BButton, "BACK", 7.5f, 30.0f, 6.5f), "Back");
    HighlightButton(*this, selection);
}

void PauseMenu::ShowHints(bool shown)
{
    for (const char* name : {"Select", "Back"})
        if (Element* hint = GetElement(Lumvek::StringView::FromCString(name)))
            hint->visible = shown ? 1 : 0;
}

void PauseMenu::Activate()
{
    ShowHints(true);
}

void PauseMenu::Deactivate()
{
    ShowHints(false);
}

void PauseMenu::Move(uint32_t to)
{
    UnhighlightButton(*this, selection);
    selection = to;
    HighlightButton(*this, selection);
}

void PauseMenu::OnLeft(uint32_t player)
{
    (void)player;
    if (selection > 0)
        Move(selection - 1);
}

void PauseMenu::OnRight(uint32_t player)
{
    (void)player;
    if (selection < 2)
        Move(selection + 1);
}

void PauseMenu::OnSelect(uint32_t player)
{
    (void)player;
    Lumvek::Gui& gui = GetScreenGui();
    switch (selection)
    {
    case 0:
        Resume();
        break;
    case 1:
        Screen::Open<ControlsScreen>(gui, nullptr, owner);
        break;
    default:
        Screen::Open<QuitConfirmation>(gui, nullptr, owner, frontEnd);
        break;
    }
}

void PauseMenu::OnBack(uint32_t player)
{
    (void)player;
    Resume();
}

void PauseMenu::OnStart(uint32_t player)
{
    if (player == owner)
        Resume();
}

void PauseMenu::Resume()
{
    Lumvek::Gui& gui = GetScreenGui();
    CloseImmediately();
    GameScreen::OpenAll(gui, frontEnd);
    if (frontEnd.setPaused)
        frontEnd.setPaused(false);
}

void QuitConfirmation::Setup()
{
    Element& root = GetRoot();
    AddElement(root, 100.0f, 100.0f, OverlayColor);
    Element& question = AddMultilineText(root, 50.0f, 10.0f, 50.0f, "QUIT THE GAME AND RETURN TO THE MAIN MENU?",
                                         GraphicsResources::HeadingFont, InkColor);
    AlignCentre(question);
    SetOffset(question, YGEdgeTop, 45.0f);
    AddButtonHint(root, Images::AButton, "CONFIRM", 10.0f, 25.0f, 11.5f);
    AddButtonHint(root, Images::BButton, "BACK", 7.5f, 30.0f, 6.5f);
}

void QuitConfirmation::OnSelect(uint32_t player)
{
    (void)player;
    // The match's sounds end here rather than go on until the match is left.
    Lumvek::Application* application = GetScreenGui().GetApplication();
    if (Lumvek::AudioDevice* audio = application ? application->GetAudioDevice() : nullptr)
        audio->StopAll();
    if (frontEnd.setPaused)
        frontEnd.setPaused(false);
    if (frontEnd.game && frontEnd.game->network)
        frontEnd.game->network->Stop();
}

void QuitConfirmation::OnBack(uint32_t player)
{
    (void)player;
    CloseImmediately();
}

void ControlsScreen::Setup()
{
    static constexpr struct
    {
        const uint32_t* glyph;
        const char* label;
    } rows[] = {{&Images::AButton, "JUMP"},
                {&Images::BButton, "USE PART"},
                {&Images::XButton, "INTERACT"},
                {&Images::YButton, "SWITCH WEAPON"},
                {&Images::RightTrigger, "PRIMARY FIRE"},
                {&Images::LeftTrigger, "SECONDARY FIRE"},
                {&Images::RightBumper, "RELOAD"},
                {&Images::LeftBumper, "DROP ITEM"},
                {&Images::RightStick, "USE SCOPE (IF AVAILABLE)"},
                {&Images::LeftStick, "TOGGLE PART"},
                {&Images::Left, "SELECT CORE"},
                {&Images::Up, "SELECT HEAD"},
                {&Images::Down, "SELECT LEGS"},
                {&Images::Right, "SELECT ARMS"}};

    Element& root = GetRoot();
    AddElement(root, 100.0f, 100.0f, OverlayColor);
    Element& title = AddElement(root, 100.0f, 3.0f, 0);
    AddText(title, 100.0f, "-CONTROLS-", GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    SetOffset(title, YGEdgeTop, 7.5f);

    Element& column = AddElement(root, 100.0f, 100.0f, 0);
    column.flow = 1;
    YGNodeStyleSetFlexDirection(column.GetNode(), YGFlexDirectionColumn);
    YGNodeStyleSetAlignItems(column.GetNode(), YGAlignFlexStart);
    SetOffset(column, YGEdgeLeft, 20.0f);
    SetOffset(column, YGEdgeTop, 15.0f);
    for (const auto& row : rows)
    {
        Element& line = AddElement(column, 100.0f, 3.0f, 0);
        line.SetMargin(YGEdgeTop, {Lumvek::ElementLength::Percent, 1.0f});
        Element& glyph = AddElement(line, 0.0f, 100.0f, 0);
        SetImage(glyph, GraphicsResources::UiAtlas, *row.glyph, Images::PendingIcon);
        Element& label = AddElement(line, 0.0f, 80.0f, 0);
        AddText(label, 100.0f, row.label, GraphicsResources::HeadingFont, InkColor, TextAlignment::Start);
        SetOffset(label, YGEdgeLeft, 5.0f);
        SetOffset(label, YGEdgeTop, 10.0f);
    }
    AddButtonHint(root, Images::BButton, "BACK", 7.5f, 30.0f, 6.5f);
}

void ControlsScreen::OnBack(uint32_t player)
{
    (void)player;
    CloseImmediately();
}
