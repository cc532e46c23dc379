#pragma once

#include "Engine/Runtime/Input/Input.h"
#include "Source/World/PlayerInput.h"

#include <cstdint>
#include <utility>
#include <vector>

struct PlayerSlot;

// This machine's input devices as its local players see them: polled once a tick, then each player's
// input read from the poll with the bindings of its profile. Owned by the network role that plays
// the local players; application thread only.
class LocalDevices
{
public:
    LocalDevices() = default;
    // Any device may be null and reads as one with nothing pressed. The mouse aims from a player's point
    // on screen, from the window's centre while no view shows the player. With keyboardStandsIn, a
    // player whose controller is not connected plays on the keyboard and mouse instead.
    LocalDevices(Lumvek::ControllerDevice* controller, Lumvek::KeyboardDevice* keyboard, Lumvek::MouseDevice* mouse,
                 WindowSize window, bool keyboardStandsIn = false);

    // Takes what every device has gathered since the last poll, keeping the previous states for the
    // edges of presses.
    void Poll();
    // Reads the slot's input from the last poll, with the default bindings when the slot has no
    // profile, into the slot's player, or into a spare record while the slot has no world record.
    // Returns the record read into.
    PlayerInput& Read(const PlayerSlot& slot);
    // Presses from now until the next poll were made on another screen (a pause, the menus before a
    // match) and must not act in play: that poll takes how every button stands, held or not, and counts
    // nothing as pressed or released, so that a direction held through the pause still moves.
    void Suspend() { suspended = true; }
    // Drops the presses and releases of the last poll, which the tick that polled has taken, so that a
    // read until the next poll sees only what is held.
    void ForgetPresses();
    // The record a slot's input is read into: its player's, or the spare one.
    PlayerInput& InputOf(const PlayerSlot& slot);
    // The device the slot's input is read from at the last poll: its controller, or KeyboardDevice.
    uint32_t DeviceOf(const PlayerSlot& slot) const;

    // What the game knows of its views, refreshed every drawn frame: the window's size, and where each
    // local player (by local index) stands on screen, in client pixels with y down. A player left out
    // aims from the window's centre.
    void SetWindow(WindowSize size) { window = size; }
    void ClearScreenPoints() { screenPoints.clear(); }
    void SetScreenPoint(uint32_t localIndex, Lumvek::Vector2 point) { screenPoints.emplace_back(localIndex, point); }

private:
    Lumvek::ControllerDevice* controller = nullptr;
    Lumvek::KeyboardDevice* keyboard = nullptr;
    Lumvek::MouseDevice* mouse = nullptr;
    WindowSize window;
    std::vector<std::pair<uint32_t, Lumvek::Vector2>> screenPoints;
    bool keyboardStandsIn = false;
    // What the last polls returned, and where each poll goes on from.
    Lumvek::ControllerStates controllerState{};
    Lumvek::KeyboardState keyboardState;
    Lumvek::MouseState mouseState;
    uint32_t controllerCursor = 0;
    uint32_t keyboardCursor = 0;
    uint32_t mouseCursor = 0;
    bool suspended = false;
    PlayerInput spareInput;
};
