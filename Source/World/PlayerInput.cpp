#include "Source/World/PlayerInput.h"

#include <cmath>

using namespace Lumvek;

namespace
{

// Whether each action's byte holds the button's "went down this tick" rather than its held state.
// Aiming through a scope is held on a pad's button but toggled by a key press.
constexpr std::array<bool, PlayerActionCount> ControllerTakesPress = {
    false, false, false, true, false, false, true, false, // FallThrough .. Scope
    false, false, true,  true, true,  true,  true, true,  // Drop .. ToggleView
};
constexpr std::array<bool, PlayerActionCount> KeyboardTakesPress = {
    false, false, false, true, false, false, true, true, // FallThrough .. Scope
    false, false, true,  true, true,  true,  true, true, // Drop .. ToggleView
};

// A component from -1 to 1 as an axis byte, truncated toward zero. Pads that overshoot 1 slightly, or
// report nothing usable, must not wrap round to the opposite direction.
int8_t ToAxis(float value)
{
    if (!(value >= -1.0f))
        value = std::isnan(value) ? 0.0f : -1.0f;
    else if (value > 1.0f)
        value = 1.0f;
    return static_cast<int8_t>(static_cast<int32_t>(value * static_cast<float>(PlayerInput::AxisRange)));
}

// A key binding's state in one of the flag sets: its key, or for a mouse binding its button; a mouse
// binding without a button never reads as down.
uint8_t GetBindingState(const KeyBinding& binding, const InputFlags<Key, KeyCount>& keys,
                        const InputFlags<MouseButton, MouseButtonCount>& mouseButtons)
{
    if (!binding.IsMouse())
        return keys[binding.key] ? 1 : 0;
    if (binding.mouseButton == KeyBinding::NoMouseButton)
        return 0;
    return mouseButtons[binding.mouseButton] ? 1 : 0;
}

// Whether a binding was down at any time since the last poll: held now, or pressed and let go again
// in between, which at a low frame rate is an ordinary tap and must still act for a tick.
uint8_t GetBindingDown(const KeyBinding& binding, const KeyboardState& keyboard, const MouseState& mouse)
{
    return GetBindingState(binding, keyboard.held, mouse.held) |
           GetBindingState(binding, keyboard.pressed, mouse.pressed);
}

} // namespace

void PlayerInput::Read(const ControllerBindings& controllerBindings, const KeyboardBindings& keyboardBindings,
                       const ControllerStates& controllers, const KeyboardState& keyboard, const MouseState& mouse,
                       uint32_t device, Vector2 aimOrigin)
{
    if (device < KeyboardDevice)
    {
        const ControllerState& pad = controllers[device];
        const InputVector& moveStick = controllerBindings.swapSticks ? pad.rightStick : pad.leftStick;
        const InputVector& aimStick = controllerBindings.swapSticks ? pad.leftStick : pad.rightStick;
        move = ToAxis(moveStick.x);
        aimX = ToAxis(aimStick.x);
        aimY = ToAxis(aimStick.y);
        for (uint32_t i = 0; i < PlayerActionCount; ++i)
        {
            const uint32_t button = controllerBindings.buttons[i];
            buttons[i] = pad.pressed[button] || (!ControllerTakesPress[i] && pad.held[button]) ? 1 : 0;
        }
        return;
    }

    const int32_t right = GetBindingDown(keyboardBindings.moveRight, keyboard, mouse);
    const int32_t left = GetBindingDown(keyboardBindings.moveLeft, keyboard, mouse);
    move = static_cast<int8_t>(AxisRange * (right - left));

    // The window's y grows downwards and the world's upwards: a cursor above the origin aims up.
    const float dx = mouse.position.x - aimOrigin.x;
    const float dy = aimOrigin.y - mouse.position.y;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (length > 0.0f && std::isfinite(length))
    {
        aimX = ToAxis(dx / length);
        aimY = ToAxis(dy / length);
    }
    else
    {
        aimX = 0;
        aimY = 0;
    }

    for (uint32_t i = 0; i < PlayerActionCount; ++i)
    {
        const KeyBinding& binding = keyboardBindings.actions[i];
        buttons[i] = KeyboardTakesPress[i] ? GetBindingState(binding, keyboard.pressed, mouse.pressed)
                                           : GetBindingDown(binding, keyboard, mouse);
    }
}

void PlayerInput::SaveHistory(uint32_t frame)
{
    PlayerInputEntry& entry = history[frame % HistoryLength];
    entry.move = move;
    entry.aimX = aimX;
    entry.aimY = aimY;
    entry.fallThrough = (*this)[PlayerAction::FallThrough];
    entry.jump = (*this)[PlayerAction::Jump];
    entry.switchWeapon = (*this)[PlayerAction::SwitchWeapon];
    entry.reload = (*this)[PlayerAction::Reload];
    entry.use = (*this)[PlayerAction::Use];
}

void PlayerInput::LoadHistory(uint32_t frame)
{
    const PlayerInputEntry& entry = GetHistory(frame);
    move = entry.move;
    aimX = entry.aimX;
    aimY = entry.aimY;
    (*this)[PlayerAction::FallThrough] = entry.fallThrough;
    (*this)[PlayerAction::Jump] = entry.jump;
    (*this)[PlayerAction::SwitchWeapon] = entry.switchWeapon;
    (*this)[PlayerAction::Reload] = entry.reload;
    (*this)[PlayerAction::Use] = entry.use;
}

float PlayerInput::GetMoveAxis() const
{
    return static_cast<float>(move) / static_cast<float>(AxisRange);
}

Vector2 PlayerInput::GetAimDirection(Vector2 previous) const
{
    const auto outside = [](int8_t component) { return component < -AimDeadZone || component > AimDeadZone; };
    if (!outside(aimX) && !outside(aimY))
        return previous;
    const Vector2 aim(static_cast<float>(aimX) / static_cast<float>(AxisRange),
                      static_cast<float>(aimY) / static_cast<float>(AxisRange));
    return aim / std::sqrt(Dot(aim, aim));
}
