#pragma once

#include "Engine/Runtime/Input/Input.h"

namespace Lumvek
{

// Device tilt played with the first pad's sticks. Reads the controller as a reader of its own; the
// application owns both devices and destroys the emulator first.
class ControllerToMotionEmulator : public MotionDevice
{
public:
    explicit ControllerToMotionEmulator(ControllerDevice& controller) : controller(controller) {}

    // Yaw from the right stick's x, pitch from the left stick's y and roll from its x, each a full
    // throw being pi; all 0 while pad 0 is not connected.
    uint32_t Update(MotionState& state) override;

private:
    ControllerDevice& controller;
    uint32_t controllerCursor = 0;
    ControllerStates controllerStates{};
};

} // namespace Lumvek
