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
}

PlayerInput& LocalDevices::Read(const PlayerSlot& slot)
{
    static const Profile defaultProfile;
    const Profile& profile = slot.profile ? *slot.profile : defaultProfile;
    PlayerInput& input = InputOf(slot);
    uint32_t device = slot.localIndex;
    if (keyboardStandsIn && device < ControllerCount && !controllerState[device].connected)
        device = PlayerInput::KeyboardDevice;
    input.Read(profile.controller, profile.keyboard, controllerState, keyboardState, mouseState, device, window);
    return input;
}

PlayerInput& LocalDevices::InputOf(const PlayerSlot& slot)
{
    return slot.player ? slot.player->input : spareInput;
}
