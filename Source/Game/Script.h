#pragma once

#include "Engine/Runtime/Core/System.h"
#include "Source/Game/LoadStatus.h"

#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace Lumvek
{
class Gui;
}

// One step of a test script: wait for a condition, then for a number of frames, then act.
struct ScriptStep
{
    enum class Action
    {
        Down,
        Up,
        Screenshot,
        Exit,
        // The mouse and keyboard, as SDL events of the program's window.
        MouseMove,
        MouseDown,
        MouseUp,
        KeyDown,
        KeyUp,
        Text,
    };

    // The screen's class that must be active; empty for none.
    std::string screen;
    // The load state that must have been reached; None for none.
    LoadState load = LoadState::None;
    // Texts an active screen must show, each whole in one visible element: what a screen lists as it
    // follows another process, such as a server's players and their votes.
    std::vector<std::string> shown;
    uint32_t frames = 0;
    Action action = Action::Exit;
    uint32_t pad = 0;
    // An SDL game-controller button, an SDL mouse button or an SDL scancode.
    int32_t button = 0;
    // Where the mouse moves to, in window pixels.
    int32_t x = 0;
    int32_t y = 0;
    // The screenshot's file, the exit code as text, or the text typed.
    std::string argument;
};

// Reads a script: one step a line, "#" starts a comment. A line is
//   [screen <Class>] [load <state>] [shows "<text>"]... [frames <n>] <action>
// with action "down <pad> <button>", "up <pad> <button>", "screenshot <file.png>", "exit [code]",
// "move <x> <y>", "mousedown <Left|Right|Middle>", "mouseup <...>", "keydown <SDL key name>",
// "keyup <SDL key name>" or "text <word>".
// Lines that do not read are logged with their number and skipped.
std::vector<ScriptStep> ParseScript(const std::string& text);

// A test hook that plays a script against the running program: presses and releases buttons of
// virtual pads, moves and clicks the mouse, presses keys and types text through SDL's event queue,
// takes screenshots of the back buffer and ends the program. Added after the Gui; runs on
// the application thread. Frame counts only delay a step once its condition holds: loaders run in wall
// time, so no step is decided by frames alone. Likewise a mouse, key or text step holds the script
// until the game has it: the host passes events on from its own thread, in wall time.
class ScriptRunner final : public Lumvek::System
{
public:
    ScriptRunner(std::vector<ScriptStep> steps, const LoadStatus& load);
    ~ScriptRunner() override;

    void Setup() override;
    void Update(int64_t elapsed) override;

private:
    bool ConditionHolds(const ScriptStep& step) const;
    void Act(const ScriptStep& step);
    // Queues the step's mouse, key or text event for the host's main thread.
    void PushEvent(const ScriptStep& step);
    // Whether the game has the event of the step: the Gui's mouse shows the pointer where it moved
    // or the button down or up, its keyboard the key down or up, or the host has taken the text.
    bool Seen(const ScriptStep& step) const;

    std::vector<ScriptStep> steps;
    const LoadStatus& load;
    Lumvek::Gui* gui = nullptr;
    size_t next = 0;
    uint32_t waited = 0;
    // Frames left before the next step may start, so that SDL pumps a button's event before the next
    // change of the same pad.
    uint32_t settle = 0;
    // The last mouse, key or text step, until the game has seen it: the host pumps events on its own
    // thread, and a press and release that reach the game in one frame read as no click at all, two
    // presses as one.
    const ScriptStep* unseen = nullptr;
    std::chrono::steady_clock::time_point unseenSince;
    // The host's count of text events when the text step was queued.
    uint32_t textBefore = 0;
    std::vector<SDL_Joystick*> pads;
};
