#pragma once

#include "Engine/Runtime/Input/Input.h"

#include <utility>
#include <vector>

namespace NetworkTesting
{

// Pad 0, connected unless told, reporting its buttons as events in order, each read once, and its left
// stick as it stands.
struct EventPad final : Lumvek::ControllerDevice
{
    void Press(Lumvek::ControllerButton button, bool down) { events.emplace_back(button, down); }
    uint32_t Update(Lumvek::ControllerStates& states, uint32_t cursor) override
    {
        Lumvek::ControllerState& pad = states[0];
        pad.connected = connected ? 1 : 0;
        pad.leftStick.x = stickX;
        pad.pressed.Clear();
        pad.released.Clear();
        for (; cursor < events.size(); ++cursor)
        {
            const auto [button, down] = events[cursor];
            pad.held[button] = down ? 1 : 0;
            ++(down ? pad.pressed : pad.released)[button];
        }
        return cursor;
    }
    void SetVibration(float, float, uint32_t) override {}

    std::vector<std::pair<Lumvek::ControllerButton, bool>> events;
    float stickX = 0.0f;
    bool connected = true;
};

} // namespace NetworkTesting
