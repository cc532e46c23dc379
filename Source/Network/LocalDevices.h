#pragma once

#include "Engine/Runtime/Input/Input.h"
#include "Source/World/PlayerInput.h"

#include <cstdint>

struct PlayerSlot;

// This machine's input devices as its local players see them: polled once a tick, then each player's
// input read from the poll with the bindings of its profile. Owned by the network role that plays
// the local players; application thread only.
class LocalDevices
{
public:
    LocalDevices() = default;
    // Any device may be null and reads as one with nothing pressed. The mouse aims from the window's
    // centre. With keyboardStandsIn, a player whose controller is not connected plays on the keyboard
    // and mouse instead.
    LocalDevices(Lumvek::ControllerDevice* controller, Lumvek::KeyboardDevice* keyboard, Lumvek::MouseDevice* mouse,
                 WindowSize window, bool keyboardStandsIn = false);

    // Takes what every device has gathered since the last poll, keeping the previous states for the
    // edges of presses.
    void Poll();
    // Reads the slot's input from the last poll, with the default bindings when the slot has no
    // profile, into the slot's player, or into a spare record while the slot has no world record.
    // Returns the record read into.
    PlayerInput& Read(const PlayerSlot& slot);
    // The record a slot's input is read into: its player's, or the spare one.
    PlayerInput& InputOf(const PlayerSlot& slot);

private:
    Lumvek::ControllerDevice* controller = nullptr;
    Lumvek::KeyboardDevice* keyboard = nullptr;
    Lumvek::MouseDevice* mouse = nullptr;
    WindowSize window;
    bool keyboardStandsIn = false;
    // What the last polls returned, and where each poll goes on from.
    Lumvek::ControllerStates controllerState{};
    Lumvek::KeyboardState keyboardState;
    Lumvek::MouseState mouseState;
    uint32_t controllerCursor = 0;
    uint32_t keyboardCursor = 0;
    uint32_t mouseCursor = 0;
    PlayerInput spareInput;
};
