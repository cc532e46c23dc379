#include "Engine/Runtime/Input/MouseToTouchEmulator.h"

namespace Lumvek
{

namespace
{

// Half the distance between the two pinching fingers before the wheel spreads them.
constexpr float PinchHalfSpread = 25.0f;

} // namespace

uint32_t MouseToTouchEmulator::Update(TouchState& state)
{
    mouseState.SavePrevious();
    mouseCursor = mouse.Update(mouseState, mouseCursor);

    const auto& held = mouseState.held;
    const auto& pressed = mouseState.pressed;
    const auto& released = mouseState.released;
    TouchPoint& first = state.points[0];
    TouchPoint& second = state.points[1];
    first.active = held[MouseButton::Left] || held[MouseButton::Right];
    first.began = pressed[MouseButton::Left] || pressed[MouseButton::Right];
    first.ended = released[MouseButton::Left] || released[MouseButton::Right];
    second.active = held[MouseButton::Right];
    second.began = pressed[MouseButton::Right];
    second.ended = released[MouseButton::Right];

    const InputVector cursor = mouseState.position;
    if (held[MouseButton::Right])
    {
        const float spread = PinchHalfSpread + mouseState.wheel.y;
        first.position = {cursor.x - spread, cursor.y};
        second.position = {cursor.x + spread, cursor.y};
    }
    else if (held[MouseButton::Left])
    {
        first.position = cursor;
    }
    return 0;
}

} // namespace Lumvek
