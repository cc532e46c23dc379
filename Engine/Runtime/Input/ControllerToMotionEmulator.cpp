#include "Engine/Runtime/Input/ControllerToMotionEmulator.h"

#include <numbers>

namespace Lumvek
{

uint32_t ControllerToMotionEmulator::Update(MotionState& state)
{
    for (ControllerState& pad : controllerStates)
        pad.SavePrevious();
    controllerCursor = controller.Update(controllerStates, controllerCursor);

    const ControllerState& pad = controllerStates[0];
    constexpr float pi = std::numbers::pi_v<float>;
    if (pad.connected)
        state = {pad.rightStick.x * pi, pad.leftStick.y * pi, pad.leftStick.x * pi};
    else
        state = {};
    return controllerCursor;
}

} // namespace Lumvek
