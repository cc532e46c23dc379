#include "Source/Network/LocalDevices.h"

#include "Source/Data/GameConfiguration.h"
#include "Source/Data/Profile.h"
#include "Source/World/Player.h"

using namespace Lumvek;

LocalDevices::LocalDevices(ControllerDevice* controller, KeyboardDevice* keyboard, MouseDevice* mouse,
                           WindowSize window, bool keyboardStandsIn)
    : controller(controller), keyboard(keyboard), mouse(mouse), window(window), keyboardStandsIn(keyboardStandsIn)
{
}

void LocalDevices::Poll()
{
    for (ControllerState& pad : controllerState)
        pad.SavePrevious();
    if (controller)
        controllerCursor = controller->Update(controllerState, controllerCursor);
    if (keyboard)
        keyboardCursor = keyboard->Update(keyboardState, keyboardCursor);
    mouseState.SavePrevious();
    if (mouse)
        mouseCursor = mouse->Update(mouseState, mouseCursor);
    if (suspended)
        ForgetPresses();
    suspended = false;
}

void LocalDevices::ForgetPresses()
{
    for (ControllerState& pad : controllerState)
    {
        pad.pressed.Clear();
        pad.released.Clear();
    }
    keyboardState.pressed.Clear();
    keyboardState.released.Clear();
    mouseState.pressed.Clear();
    mouseState.released.Clear();
}

PlayerInput& LocalDevices::Read(const PlayerSlot& slot)
{
    static const Profile defaultProfile;
    const Profile& profile = slot.profile ? *slot.profile : defaultProfile;
    PlayerInput& input = InputOf(slot);
    Vector2 origin(0.5f * static_cast<float>(window.width), 0.5f * static_cast<float>(window.height));
    for (const auto& [localIndex, point] : screenPoints)
        if (localIndex == slot.localIndex)
            origin = point;
    input.Read(profile.controller, profile.keyboard, controllerState, keyboardState, mouseState, DeviceOf(slot),
               origin);
    return input;
}

uint32_t LocalDevices::DeviceOf(const PlayerSlot& slot) const
{
    const uint32_t device = slot.localIndex;
    if (keyboardStandsIn && device < ControllerCount && !controllerState[device].connected)
        return PlayerInput::KeyboardDevice;
    return device;
}

PlayerInput& LocalDevices::InputOf(const PlayerSlot& slot)
{
    return slot.player ? slot.player->input : spareInput;
}
