#include "Source/Ui/Screens/PauseMenu.h"

#include "Engine/Runtime/Audio/AudioDevice.h"
#include "Engine/Runtime/Core/Application.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/Profile.h"
#include "Source/Network/LocalDevices.h"
#include "Source/Network/Network.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/Kit/CircleButtons.h"
#include "Source/Ui/Screens/GameScreen.h"
#include "Source/Ui/UiResources.h"
#include "Source/World/GameContext.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string_view>
#include <tuple>

using Lumvek::Element;

namespace
{

// Light paper, about 78 % opaque: bytes R 0xE6, G 0xE7, B 0xE8, A 0xC8.
constexpr uint32_t OverlayColor = 0xC8E8E7E6;

// Names the owner where two or more play at this machine: on the same bindings nothing else tells
// whose pause or whose controls a screen shows.
void AddOwnerLine(Element& root, const FrontEnd& frontEnd, uint32_t owner, float top)
{
    if (frontEnd.configuration.players.size() < 2)
        return;
    Element& line = AddElement(root, 100.0f, 5.0f, 0);
    AddText(line, 100.0f, Lumvek::FormatText("PLAYER {}", owner + 1), GraphicsResources::HeadingFont, InkColor,
            TextAlignment::Centre);
    SetOffset(line, YGEdgeTop, top);
}

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
    AddOwnerLine(root, frontEnd, owner, 27.0f);

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
    GetRoot().visible = 1;
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
        // The controls show over the paused game, not over this menu.
        GetRoot().visible = 0;
        Screen::Open<ControlsScreen>(gui, nullptr, owner, frontEnd);
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
    // Through the game system where there is one, which then knows that its player chose to leave.
    if (Network* role = frontEnd.GetNetwork())
    {
        if (frontEnd.stopNetwork)
            frontEnd.stopNetwork();
        else
            role->Stop();
    }
}

void QuitConfirmation::OnBack(uint32_t player)
{
    (void)player;
    CloseImmediately();
}

namespace
{

// What each action does, by action.
constexpr const char* ActionLabels[PlayerActionCount] = {
    "DROP THROUGH A PLATFORM",
    "JUMP",
    "INTERACT",
    "SWITCH WEAPON",
    "PRIMARY FIRE",
    "SECONDARY FIRE",
    "RELOAD",
    "USE SCOPE (IF AVAILABLE)",
    "DROP ITEM",
    "USE PART",
    "SELECT HEAD",
    "SELECT CORE",
    "SELECT ARMS",
    "SELECT LEGS",
    "TOGGLE PART",
    "SHOW TEAM-MATES",
};

// The order the actions are listed in, after moving and aiming.
constexpr PlayerAction ListedActions[PlayerActionCount] = {
    PlayerAction::Jump,         PlayerAction::FallThrough, PlayerAction::Use,        PlayerAction::Interact,
    PlayerAction::SwitchWeapon, PlayerAction::Primary,     PlayerAction::Secondary,  PlayerAction::Reload,
    PlayerAction::Drop,         PlayerAction::Scope,       PlayerAction::TogglePart, PlayerAction::SelectCore,
    PlayerAction::SelectHead,   PlayerAction::SelectLegs,  PlayerAction::SelectArms, PlayerAction::ToggleView,
};

// A controller button as a glyph, with a word where the glyph shows only the stick it belongs to.
ControlRow PadInput(uint32_t button)
{
    using Lumvek::ControllerButton;
    const uint32_t glyphs[] = {
        Images::Left,        Images::Right,      Images::Up,          Images::Down,
        Images::AButton,     Images::BButton,    Images::XButton,     Images::YButton,
        Images::StartButton, Images::BackButton, Images::LeftBumper,  Images::RightBumper,
        Images::LeftStick,   Images::RightStick, Images::LeftTrigger, Images::RightTrigger,
    };
    constexpr const char* Directions[] = {"LEFT", "RIGHT", "UP", "DOWN"};
    const uint32_t leftStickLeft = static_cast<uint32_t>(ControllerButton::LeftStickLeft);
    const uint32_t rightStickLeft = static_cast<uint32_t>(ControllerButton::RightStickLeft);
    if (button < std::size(glyphs))
        return {glyphs[button],
                button == static_cast<uint32_t>(ControllerButton::LeftStick) ||
                        button == static_cast<uint32_t>(ControllerButton::RightStick)
                    ? "PRESS"
                    : "",
                ""};
    if (button >= leftStickLeft && button < rightStickLeft)
        return {Images::LeftStick, Directions[button - leftStickLeft], ""};
    if (button >= rightStickLeft && button < rightStickLeft + 4)
        return {Images::RightStick, Directions[button - rightStickLeft], ""};
    return {Lumvek::InvalidId, "NONE", ""};
}

// A key or mouse button by its name in capitals, words apart: "Keyboard LeftShift" reads "LEFT SHIFT",
// "Mouse Left" "MOUSE LEFT".
ControlRow KeyInput(const KeyBinding& binding)
{
    std::string text = binding.ToText();
    if (text.empty())
        return {Lumvek::InvalidId, "NONE", ""};
    constexpr std::string_view KeyboardWord = "Keyboard ";
    if (text.starts_with(KeyboardWord))
        text.erase(0, KeyboardWord.size());
    std::string shown;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const char c = text[i];
        if (i > 0 && std::isupper(static_cast<unsigned char>(c)) &&
            std::islower(static_cast<unsigned char>(text[i - 1])))
            shown += ' ';
        shown += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return {Lumvek::InvalidId, shown, ""};
}

ControlRow WithAction(ControlRow row, std::string action)
{
    row.action = std::move(action);
    return row;
}

} // namespace

std::vector<ControlRow> GetControlRows(const ControllerBindings& controller, const KeyboardBindings& keyboard,
                                       bool onKeyboard)
{
    std::vector<ControlRow> rows;
    if (onKeyboard)
    {
        rows.push_back(
            {Lumvek::InvalidId,
             Lumvek::FormatText("{} / {}", KeyInput(keyboard.moveLeft).input, KeyInput(keyboard.moveRight).input),
             "MOVE"});
        rows.push_back({Lumvek::InvalidId, "MOUSE", "AIM"});
    }
    else
    {
        const uint32_t moveStick = controller.swapSticks ? Images::RightStick : Images::LeftStick;
        const uint32_t aimStick = controller.swapSticks ? Images::LeftStick : Images::RightStick;
        rows.push_back({moveStick, "TILT", "MOVE"});
        rows.push_back({aimStick, "TILT", "AIM"});
    }
    for (PlayerAction action : ListedActions)
        rows.push_back(WithAction(onKeyboard ? KeyInput(keyboard[action]) : PadInput(controller[action]),
                                  ActionLabels[static_cast<uint32_t>(action)]));
    // Only a controller's Start pauses, whatever the player plays on.
    rows.push_back({Images::StartButton, "", "PAUSE"});
    return rows;
}

void ControlsScreen::Setup()
{
    const PlayerSlot* slot = nullptr;
    for (const PlayerSlot& player : frontEnd.configuration.players)
        if (player.localIndex == owner)
            slot = &player;
    static const Profile defaults;
    const Profile& profile = slot && slot->profile ? *slot->profile : defaults;
    Network* network = frontEnd.GetNetwork();
    LocalDevices* devices = network ? network->GetLocalDevices() : nullptr;
    const bool onKeyboard = slot && devices && devices->DeviceOf(*slot) >= PlayerInput::KeyboardDevice;
    const std::vector<ControlRow> rows = GetControlRows(profile.controller, profile.keyboard, onKeyboard);

    Element& root = GetRoot();
    AddElement(root, 100.0f, 100.0f, OverlayColor);
    Element& title = AddElement(root, 100.0f, 5.0f, 0);
    AddText(title, 100.0f, "-CONTROLS-", GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    SetOffset(title, YGEdgeTop, 5.0f);
    AddOwnerLine(root, frontEnd, owner, 10.0f);

    // Two columns, each row as tall as the window allows, so that labels read at 640 by 360.
    Element& table = AddElement(root, 92.0f, 72.0f, 0);
    table.flow = 1;
    YGNodeStyleSetFlexDirection(table.GetNode(), YGFlexDirectionRow);
    SetOffset(table, YGEdgeLeft, 4.0f);
    SetOffset(table, YGEdgeTop, 14.0f);
    const size_t perColumn = (rows.size() + 1) / 2;
    for (size_t first = 0; first < rows.size(); first += perColumn)
    {
        Element& column = AddElement(table, 50.0f, 100.0f, 0);
        column.flow = 1;
        YGNodeStyleSetFlexDirection(column.GetNode(), YGFlexDirectionColumn);
        for (size_t i = first; i < std::min(rows.size(), first + perColumn); ++i)
        {
            const ControlRow& row = rows[i];
            Element& line = AddElement(column, 100.0f, 100.0f / static_cast<float>(perColumn), 0);
            line.flow = 1;
            YGNodeStyleSetFlexDirection(line.GetNode(), YGFlexDirectionRow);
            YGNodeStyleSetAlignItems(line.GetNode(), YGAlignCenter);
            Element& glyph = AddElement(line, 7.0f, 80.0f, 0);
            if (row.glyph != Lumvek::InvalidId)
                SetImage(glyph, GraphicsResources::UiAtlas, row.glyph, Images::PendingIcon);
            // The input's name, then what it does, each shrunk to its own cell rather than run into the next;
            // the action's cell stops short of the column's end, so that it reads apart from the next column.
            for (const auto& [text, width, gap] :
                 {std::tuple(&row.input, 18.0f, 2.0f), std::tuple(&row.action, 64.0f, 3.0f)})
            {
                Element& cell = AddElement(line, width, 65.0f, 0);
                cell.SetMargin(YGEdgeLeft, {Lumvek::ElementLength::Percent, gap});
                Lumvek::TextContent& content =
                    AddText(cell, 100.0f, *text, GraphicsResources::HeadingFont, InkColor, TextAlignment::Start);
                content.shrinkToFit = 1;
                content.letterSpacing = 0.1f;
            }
        }
    }
    Element& back = AddButtonHint(root, Images::BButton, "BACK", 12.0f, 30.0f, 4.0f);
    back.SetHeight({Lumvek::ElementLength::Percent, 5.0f});
}

void ControlsScreen::OnBack(uint32_t player)
{
    (void)player;
    CloseImmediately();
}
