#pragma once

#include "Source/Data/InputBindings.h"
#include "Source/Ui/Screen.h"
#include "Source/Ui/Screens/DemoScreens.h"

#include <cstdint>
#include <string>
#include <vector>

// RESUME, CONTROLS and QUIT for the player who paused the match. Resuming reopens every local
// player's game screen and lets the match run again; the other two open their screens over this one,
// which comes back when they close. Owned by the Gui; application thread.
class PauseMenu final : public Screen
{
public:
    explicit PauseMenu(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    // Over the whole window, without a transition, for the player.
    static PauseMenu& Open(Lumvek::Gui& gui, FrontEnd& frontEnd, uint32_t player);

    void Setup() override;
    void Activate() override;
    void Deactivate() override;
    void OnStart(uint32_t player) override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;
    void OnLeft(uint32_t player) override;
    void OnRight(uint32_t player) override;

    // 0 RESUME, 1 CONTROLS, 2 QUIT.
    uint32_t selection = 0;

private:
    void Resume();
    void Move(uint32_t to);
    void ShowHints(bool shown);

    FrontEnd& frontEnd;
};

// Asks whether to leave the match: A stops the network role, which ends the match for everybody on
// this machine and returns to the screen the game came from; B goes back to the pause menu. Owned by
// the Gui; application thread.
class QuitConfirmation final : public Screen
{
public:
    explicit QuitConfirmation(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    void Setup() override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;

private:
    FrontEnd& frontEnd;
};

// One line of the controls screen: the glyph of a controller input (none for keys and the mouse), the
// input's name where no glyph shows it whole, and what the input does.
struct ControlRow
{
    bool operator==(const ControlRow&) const = default;

    uint32_t glyph = Lumvek::InvalidId;
    std::string input;
    std::string action;
};

// The controls in force of a player with these bindings, on the controller or on the keyboard and
// mouse: moving and aiming, every action, and pausing.
std::vector<ControlRow> GetControlRows(const ControllerBindings& controller, const KeyboardBindings& keyboard,
                                       bool onKeyboard);

// The controls of the player who opened it, as that player's bindings have them, over a translucent
// paper, so that the paused game shows through; B closes it. Owned by the Gui; application thread.
class ControlsScreen final : public Screen
{
public:
    explicit ControlsScreen(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    void Setup() override;
    void OnBack(uint32_t player) override;

private:
    FrontEnd& frontEnd;
};
