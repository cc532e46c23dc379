#pragma once

#include "Engine/Foundation/NameSet.h"

#include <array>
#include <cstdint>

namespace Lumvek
{

// Keyboard keys. Other stands for every key without a name of its own; states have room for it.
// clang-format off
enum class Key : uint32_t
{
    A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q, R, S, T, U, V, W, X, Y, Z,
    Zero, One, Two, Three, Four, Five, Six, Seven, Eight, Nine,
    F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
    Escape, Tab, Space, Backspace, Enter, Delete, Return,
    LeftShift, RightShift, LeftControl, RightControl, LeftCommand, RightCommand, LeftAlt, RightAlt,
    CapsLock, Function, Tilde, Plus, Minus, LeftBracket, RightBracket, Slash, Backslash, Comma, Period, Colon, Quote,
    Left, Right, Up, Down, Home, End, PageUp, PageDown,
    Number0, Number1, Number2, Number3, Number4, Number5, Number6, Number7, Number8, Number9,
    NumberPeriod, NumberPlus, NumberMinus, NumberEquals, NumberDivide, NumberMultiply, NumberLock,
    F13, F14, F15, F16, F17, F18, F19, F20, F21, F22, F23, F24,
    Other
};
// clang-format on
inline constexpr uint32_t KeyCount = static_cast<uint32_t>(Key::Other) + 1;

// Mouse buttons. Other stands for any further button.
enum class MouseButton : uint32_t
{
    Left,
    Right,
    Middle,
    XOne,
    XTwo,
    Other
};
inline constexpr uint32_t MouseButtonCount = static_cast<uint32_t>(MouseButton::Other) + 1;

// Controller buttons in the Xbox layout, followed by the buttons derived from triggers and stick
// directions.
enum class ControllerButton : uint32_t
{
    Left, // directional pad
    Right,
    Up,
    Down,
    A,
    B,
    X,
    Y,
    Start,
    Back,
    LeftBumper,
    RightBumper,
    LeftStick, // stick clicks
    RightStick,
    LeftTrigger,
    RightTrigger,
    LeftStickLeft,
    LeftStickRight,
    LeftStickUp,
    LeftStickDown,
    RightStickLeft,
    RightStickRight,
    RightStickUp,
    RightStickDown,
    Unknown,
    Count
};
inline constexpr uint32_t ControllerButtonCount = static_cast<uint32_t>(ControllerButton::Count);
inline constexpr uint32_t ControllerCount = 4;

// Names by code, through which bindings read and write codes as text. Key names stop before Other,
// controller names run up to and including "Count".
const NameList& KeyNames();
const NameList& MouseButtonNames();
const NameList& ControllerButtonNames();

// The key of a Windows virtual-key code; Key::Other for codes without one.
Key KeyFromVirtualKey(uint64_t virtualKey);
// Whether some keyboard sends the key. "Return" and "Function" have names, but no virtual key a
// keyboard sends becomes them (the key that ends a line is Enter), and Other stands for keys without a
// name: a binding to any of them could never be used.
bool KeyboardSends(Key key);
// The button of a mouse event's mask; MouseButton::Other for masks without one.
MouseButton MouseButtonFromMask(uint64_t buttonMask);

// A byte per code: held (0 or 1), or pressed or released (how many times since the last poll, where
// the device counts them; any other than 0 means it happened). Read by code number too, since bindings
// keep codes as numbers; a number beyond the codes reads as 0.
template <typename Code, uint32_t Count> struct InputFlags
{
    uint8_t& operator[](Code code) { return values[static_cast<uint32_t>(code)]; }
    uint8_t operator[](Code code) const { return values[static_cast<uint32_t>(code)]; }
    uint8_t operator[](uint32_t code) const { return code < Count ? values[code] : 0; }
    void Clear() { values.fill(0); }

    std::array<uint8_t, Count> values{};
};

struct InputVector
{
    float x = 0.0f;
    float y = 0.0f;
};

// How many presses and releases of each code a reader has taken since the device began: a reader
// that fell behind the device's ring takes the taps it passed over from the difference.
template <uint32_t Count> struct ButtonTally
{
    std::array<uint32_t, Count> presses{};
    std::array<uint32_t, Count> releases{};
    // False until the reader's first read, which takes the device's counts as they stand.
    bool begun = false;
};

// A key going down or up as one poll read it, with its place in the keyboard's order of events.
struct KeyStep
{
    Key key = Key::Other;
    uint8_t down = 0;
    uint32_t place = 0;
};

// The most key events the keyboard keeps for a reader between two polls.
inline constexpr uint32_t KeyEventCapacity = 10;

// One reader's view of the keyboard.
struct KeyboardState
{
    InputFlags<Key, KeyCount> held;
    InputFlags<Key, KeyCount> pressed;
    InputFlags<Key, KeyCount> released;
    // How often a held key repeated at the system's rate: for the tools' nudges, never a player's.
    InputFlags<Key, KeyCount> repeated;
    ButtonTally<KeyCount> taken;
    // The poll's presses and releases (no repeats) in the order they came, for a reader that replays
    // them: ordered says they are all here. A device that keeps no order, or a poll that fell more than
    // the device keeps behind, leaves it false, and only the counts above are whole.
    std::array<KeyStep, KeyEventCapacity> steps{};
    uint8_t stepCount = 0;
    bool ordered = false;
};

// One reader's view of the mouse. The device writes the current fields and the buttons; the reader
// moves the current fields into the previous ones (SavePrevious) before each poll.
struct MouseState
{
    void SavePrevious()
    {
        previousPosition = position;
        previousWheel = wheel;
    }

    InputVector previousPosition;
    InputVector position; // client pixels, origin at the top left
    InputVector previousWheel;
    InputVector wheel; // horizontal and vertical notches since start
    InputFlags<MouseButton, MouseButtonCount> pressed;
    InputFlags<MouseButton, MouseButtonCount> released;
    InputFlags<MouseButton, MouseButtonCount> held;
    ButtonTally<MouseButtonCount> taken;
};

// One reader's view of one pad. The device writes the current fields and the buttons; the reader
// moves the current fields into the previous ones (SavePrevious) before each poll.
struct ControllerState
{
    void SavePrevious()
    {
        previousConnected = connected;
        previousLeftTrigger = leftTrigger;
        previousRightTrigger = rightTrigger;
        previousLeftStick = leftStick;
        previousRightStick = rightStick;
    }

    uint8_t previousConnected = 0;
    uint8_t connected = 0;
    float previousLeftTrigger = 0.0f;
    float previousRightTrigger = 0.0f;
    float leftTrigger = 0.0f; // 0 to 1
    float rightTrigger = 0.0f;
    InputVector previousLeftStick;
    InputVector previousRightStick;
    InputVector leftStick; // -1 to 1 on each axis, y up
    InputVector rightStick;
    InputFlags<ControllerButton, ControllerButtonCount> held;
    InputFlags<ControllerButton, ControllerButtonCount> pressed;
    InputFlags<ControllerButton, ControllerButtonCount> released;
};

using ControllerStates = std::array<ControllerState, ControllerCount>;

struct TouchPoint
{
    InputVector previousPosition;
    InputVector position;
    uint8_t active = 0;
    uint8_t began = 0;
    uint8_t ended = 0;
};

// One reader's view of the touch screen.
struct TouchState
{
    static constexpr uint32_t PointCount = 10;
    std::array<TouchPoint, PointCount> points{};
};

// One reader's view of the device's orientation, in radians.
struct MotionState
{
    float yaw = 0.0f;
    float pitch = 0.0f;
    float roll = 0.0f;
};

// The devices below are owned by the application and polled on its thread. Each poll brings the
// reader's state up to date with the events since the reader's cursor and returns the next cursor,
// so several readers can poll one device independently; a reader starts with cursor 0.

class KeyboardDevice
{
public:
    virtual ~KeyboardDevice() = default;
    // For devices without a physical keyboard; a physical keyboard leaves both empty.
    virtual void ShowScreenKeyboard() {}
    virtual void HideScreenKeyboard() {}
    // Clears pressed and released, then applies the events since the cursor.
    virtual uint32_t Update(KeyboardState& state, uint32_t cursor) = 0;
};

class MouseDevice
{
public:
    virtual ~MouseDevice() = default;
    // Writes position, wheel totals and buttons; pressed and released hold only the new events.
    virtual uint32_t Update(MouseState& state, uint32_t cursor) = 0;
};

class TouchDevice
{
public:
    virtual ~TouchDevice() = default;
    // Returns 0: a touch device keeps the reader's place itself.
    virtual uint32_t Update(TouchState& state) = 0;
};

class ControllerDevice
{
public:
    virtual ~ControllerDevice() = default;
    virtual uint32_t Update(ControllerStates& states, uint32_t cursor) = 0;
    // Runs a pad's motors until changed; 0 and 0 stop them. A strength of 65.535 is a motor's full
    // speed: more saturates, less than 0 is off.
    virtual void SetVibration(float highFrequency, float lowFrequency, uint32_t padIndex) = 0;

    // The strengths a pad's motors were last set to: the game decays them each frame and sets them
    // again. Pad indices beyond the pads are ignored on every path.
    struct Vibration
    {
        float highFrequency = 0.0f;
        float lowFrequency = 0.0f;
    };
    std::array<Vibration, ControllerCount> vibrations{};
};

class MotionDevice
{
public:
    virtual ~MotionDevice() = default;
    // Returns the cursor of the controller the motion is read from.
    virtual uint32_t Update(MotionState& state) = 0;
};

} // namespace Lumvek
