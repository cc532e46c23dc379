#include "Source/World/PlayerInput.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using Lumvek::ControllerButton;
using Lumvek::ControllerStates;
using Lumvek::Key;
using Lumvek::KeyboardState;
using Lumvek::MouseButton;
using Lumvek::MouseState;
using Lumvek::Vector2;

namespace
{

constexpr WindowSize Window{800, 600};

// The devices as one tick of polling left them, and the bindings of a new profile.
struct Devices
{
    PlayerInput Read(uint32_t device, PlayerInput input = PlayerInput()) const
    {
        input.Read(controllerBindings, keyboardBindings, controllers, keyboard, mouse, device, Window);
        return input;
    }

    ControllerBindings controllerBindings;
    KeyboardBindings keyboardBindings;
    ControllerStates controllers{};
    KeyboardState keyboard;
    MouseState mouse;
};

Devices WithCursor(float x, float y)
{
    Devices devices;
    devices.mouse.position = {x, y};
    return devices;
}

} // namespace

TEST(PlayerInput, SticksBecomeAxisBytesTruncatedTowardZero)
{
    struct Case
    {
        float stick;
        int8_t axis;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {1.0f, 127},
        {-1.0f, -127},
        {0.5f, 63},
        {-0.5f, -63},
        {0.0f, 0},
        {0.007f, 0},
        // A pad that overshoots must not wrap round to the opposite direction.
        {1.2f, 127},
        {-1.5f, -127},
        {nan, 0},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.stick);
        Devices devices;
        devices.controllers[2].leftStick = {test.stick, 0.25f};
        devices.controllers[2].rightStick = {-0.25f, test.stick};
        const PlayerInput input = devices.Read(2);
        EXPECT_EQ(input.move, test.axis);
        EXPECT_EQ(input.aimX, -31);
        EXPECT_EQ(input.aimY, test.axis);
    }
}

TEST(PlayerInput, SwappedSticksAimWithTheLeftAndMoveWithTheRight)
{
    Devices devices;
    devices.controllerBindings.swapSticks = true;
    devices.controllers[0].leftStick = {0.0f, 1.0f};
    devices.controllers[0].rightStick = {-1.0f, 0.0f};
    const PlayerInput input = devices.Read(0);
    EXPECT_EQ(input.move, -127);
    EXPECT_EQ(input.aimX, 0);
    EXPECT_EQ(input.aimY, 127);
    // Another pad's sticks are not this player's.
    EXPECT_EQ(devices.Read(1).move, 0);
}

TEST(PlayerInput, EachButtonTakesItsHeldOrPressedStateFromItsBinding)
{
    // A button held since an earlier tick: held, but not pressed now.
    Devices pad;
    pad.controllerBindings[PlayerAction::Scope] = static_cast<uint32_t>(ControllerButton::X);
    pad.controllerBindings[PlayerAction::Reload] = static_cast<uint32_t>(ControllerButton::X);
    pad.controllerBindings[PlayerAction::Jump] = static_cast<uint32_t>(ControllerButton::X);
    pad.controllers[0].held[ControllerButton::X] = 1;
    PlayerInput input = pad.Read(0);
    EXPECT_EQ(input[PlayerAction::Scope], 1);
    EXPECT_EQ(input[PlayerAction::Jump], 1);
    EXPECT_EQ(input[PlayerAction::Reload], 0);
    pad.controllers[0].pressed[ControllerButton::X] = 1;
    EXPECT_EQ(pad.Read(0)[PlayerAction::Reload], 1);

    // The scope key counts once per press; the jump key for as long as it is held.
    Devices keys;
    keys.keyboardBindings[PlayerAction::Scope] = KeyBinding::Of(Key::Z);
    keys.keyboardBindings[PlayerAction::Jump] = KeyBinding::Of(Key::Z);
    keys.keyboard.held[Key::Z] = 1;
    input = keys.Read(PlayerInput::KeyboardDevice);
    EXPECT_EQ(input[PlayerAction::Scope], 0);
    EXPECT_EQ(input[PlayerAction::Jump], 1);
    keys.keyboard.pressed[Key::Z] = 1;
    EXPECT_EQ(keys.Read(PlayerInput::KeyboardDevice)[PlayerAction::Scope], 1);

    // Mouse bindings read the mouse; a binding of neither key nor button never reads as down, even
    // with every key and button down.
    Devices mouse;
    mouse.keyboardBindings[PlayerAction::Drop] = KeyBinding::Of(MouseButton::XOne);
    mouse.keyboardBindings[PlayerAction::Use] = KeyBinding{KeyBinding::NoKey, KeyBinding::NoMouseButton};
    mouse.keyboardBindings[PlayerAction::SwitchWeapon] = KeyBinding{KeyBinding::NoKey, KeyBinding::NoMouseButton};
    mouse.keyboard.held.values.fill(1);
    mouse.keyboard.pressed.values.fill(1);
    mouse.mouse.held.values.fill(1);
    mouse.mouse.pressed.values.fill(1);
    input = mouse.Read(PlayerInput::KeyboardDevice + 3);
    EXPECT_EQ(input[PlayerAction::Drop], 1);
    EXPECT_EQ(input[PlayerAction::Use], 0);
    EXPECT_EQ(input[PlayerAction::SwitchWeapon], 0);
    EXPECT_EQ(input[PlayerAction::Primary], 1);
}

TEST(PlayerInput, MoveKeysGiveFullMovementOrNone)
{
    struct Case
    {
        bool left;
        bool right;
        int8_t move;
    };
    const Case cases[] = {{false, false, 0}, {true, false, -127}, {false, true, 127}, {true, true, 0}};
    for (const Case& test : cases)
    {
        Devices devices;
        devices.keyboard.held[Key::A] = test.left;
        devices.keyboard.held[Key::D] = test.right;
        EXPECT_EQ(devices.Read(PlayerInput::KeyboardDevice).move, test.move) << test.left << test.right;
    }
    // A move binding on a mouse button.
    Devices devices;
    devices.keyboardBindings.moveLeft = KeyBinding::Of(MouseButton::Right);
    devices.mouse.held[MouseButton::Right] = 1;
    EXPECT_EQ(devices.Read(PlayerInput::KeyboardDevice).move, -127);
}

TEST(PlayerInput, TheMouseAimsFromTheWindowCentreTowardsTheCursor)
{
    struct Case
    {
        const char* what;
        Vector2 cursor;
        int8_t aimX;
        int8_t aimY;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        // The window's y grows downwards and the world's upwards.
        {"above the centre aims up", {400.0f, 100.0f}, 0, 127},
        {"below the centre aims down", {400.0f, 590.0f}, 0, -127},
        {"right of the centre", {700.0f, 300.0f}, 127, 0},
        {"left of the centre", {0.0f, 300.0f}, -127, 0},
        {"up and to the right", {500.0f, 200.0f}, 89, 89},
        {"down and to the left", {300.0f, 400.0f}, -89, -89},
        {"outside the window still aims", {400.0f, -5000.0f}, 0, 127},
        {"at the centre", {400.0f, 300.0f}, 0, 0},
        {"nowhere", {nan, 10.0f}, 0, 0},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.what);
        const PlayerInput input = WithCursor(test.cursor.x, test.cursor.y).Read(PlayerInput::KeyboardDevice);
        EXPECT_EQ(input.aimX, test.aimX);
        EXPECT_EQ(input.aimY, test.aimY);
    }

    // And the player turns to look where the cursor is.
    const PlayerInput up = WithCursor(400.0f, 100.0f).Read(PlayerInput::KeyboardDevice);
    const Vector2 aim = up.GetAimDirection(Vector2(1.0f, 0.0f));
    EXPECT_FLOAT_EQ(aim.x, 0.0f);
    EXPECT_FLOAT_EQ(aim.y, 1.0f);
}

TEST(PlayerInput, AimInsideTheDeadZoneKeepsThePreviousDirection)
{
    struct Case
    {
        int8_t aimX;
        int8_t aimY;
        Vector2 direction;
    };
    const Vector2 previous(-0.6f, 0.8f);
    const Case cases[] = {
        {20, -20, previous},
        {25, 25, previous},
        {-25, 0, previous},
        {0, 0, previous},
        {26, 0, {1.0f, 0.0f}},
        {0, -26, {0.0f, -1.0f}},
        {-127, 127, {-0.70710677f, 0.70710677f}},
    };
    for (const Case& test : cases)
    {
        PlayerInput input;
        input.aimX = test.aimX;
        input.aimY = test.aimY;
        const Vector2 aim = input.GetAimDirection(previous);
        EXPECT_FLOAT_EQ(aim.x, test.direction.x) << int(test.aimX) << " " << int(test.aimY);
        EXPECT_FLOAT_EQ(aim.y, test.direction.y) << int(test.aimX) << " " << int(test.aimY);
    }
    PlayerInput input;
    input.move = -127;
    EXPECT_EQ(input.GetMoveAxis(), -1.0f);
}

TEST(PlayerInput, HistoryKeepsTheReplayedControlsOfAFrameAtItsPlaceInTheRing)
{
    PlayerInput input;
    input.move = -40;
    input.aimX = 12;
    input.aimY = -100;
    input[PlayerAction::Jump] = 1;
    input[PlayerAction::Reload] = 1;
    input[PlayerAction::Primary] = 1;
    input.SaveHistory(205);
    EXPECT_EQ(input.history[5], (PlayerInputEntry{-40, 12, -100, 0, 1, 0, 1}));
    EXPECT_EQ(&input.GetHistory(105), &input.history[5]);

    // Replaying takes the seven saved controls back and leaves every other button as it is.
    PlayerInput replayed = input;
    replayed.move = 0;
    replayed.aimX = 127;
    replayed.aimY = 0;
    replayed[PlayerAction::Jump] = 0;
    replayed[PlayerAction::FallThrough] = 1;
    replayed[PlayerAction::Primary] = 0;
    replayed.LoadHistory(5);
    EXPECT_EQ(replayed.move, -40);
    EXPECT_EQ(replayed.aimX, 12);
    EXPECT_EQ(replayed.aimY, -100);
    EXPECT_EQ(replayed[PlayerAction::Jump], 1);
    EXPECT_EQ(replayed[PlayerAction::FallThrough], 0);
    EXPECT_EQ(replayed[PlayerAction::Primary], 0);
}

TEST(PlayerInput, TheSameDevicesAlwaysGiveTheSameRecord)
{
    Devices devices = WithCursor(123.5f, 456.25f);
    devices.keyboard.held[Key::D] = 1;
    devices.keyboard.pressed[Key::Q] = 1;
    devices.mouse.held[MouseButton::Left] = 1;
    devices.controllers[1].leftStick = {0.3f, -0.9f};
    devices.controllers[1].held[ControllerButton::A] = 1;
    for (uint32_t device : {1u, PlayerInput::KeyboardDevice})
    {
        PlayerInput first = devices.Read(device);
        // Reading over a record that held other controls gives the same controls; only the history,
        // which reading never touches, tells them apart.
        PlayerInput used;
        used.move = 99;
        used.buttons.fill(1);
        used.SaveHistory(3);
        used = devices.Read(device, used);
        first.history = used.history;
        EXPECT_EQ(first, used) << device;
        EXPECT_EQ(devices.Read(device), devices.Read(device)) << device;
    }
}
