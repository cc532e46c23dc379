#include "Engine/Foundation/Tick.h"
#include "Source/World/PlayerInput.h"

#include "Source/World/Camera.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

using Lumvek::ControllerButton;
using Lumvek::Key;
using Lumvek::MouseButton;
using Lumvek::Vector2;

namespace
{

constexpr uint32_t Keyboard = PlayerInput::KeyboardDevice;

// The devices as one tick of polling left them, and the bindings of a new profile.
struct Devices
{
    PlayerInput Read(uint32_t device, PlayerInput input = PlayerInput()) const
    {
        input.Read(controllerBindings, keyboardBindings, controllers, keyboard, mouse, device, origin);
        return input;
    }

    ControllerBindings controllerBindings;
    KeyboardBindings keyboardBindings;
    Lumvek::ControllerStates controllers{};
    Lumvek::KeyboardState keyboard;
    Lumvek::MouseState mouse;
    // The centre of an 800 by 600 window.
    Vector2 origin{400.0f, 300.0f};
};

const float NaN = std::numeric_limits<float>::quiet_NaN();

} // namespace

TEST(PlayerInput, SticksBecomeAxisBytesTruncatedTowardZero)
{
    struct Case
    {
        float stick;
        int8_t axis;
    };
    // A pad that overshoots must not wrap round to the opposite direction.
    const Case cases[] = {{1.0f, 127}, {-1.0f, -127}, {0.5f, 63}, {-0.5f, -63}, {1.2f, 127}, {-1.5f, -127}, {NaN, 0}};
    for (const Case& test : cases)
    {
        Devices devices;
        devices.controllers[2].leftStick = {test.stick, 0.25f};
        devices.controllers[2].rightStick = {-0.25f, test.stick};
        PlayerInput input = devices.Read(2);
        EXPECT_EQ(std::make_tuple(input.move, input.aimX, input.aimY), std::make_tuple(test.axis, -31, test.axis))
            << test.stick;
        // Swapped, the left stick aims and the right one moves.
        devices.controllerBindings.swapSticks = true;
        input = devices.Read(2);
        EXPECT_EQ(std::make_tuple(input.move, input.aimX, input.aimY), std::make_tuple(-31, test.axis, 31))
            << test.stick;
    }
}

TEST(PlayerInput, EachButtonTakesItsHeldOrPressedStateFromItsBinding)
{
    // Held since an earlier tick: the pad's scope counts while held, reloading only on the press.
    Devices pad;
    pad.controllerBindings[PlayerAction::Scope] = static_cast<uint32_t>(ControllerButton::X);
    pad.controllerBindings[PlayerAction::Reload] = static_cast<uint32_t>(ControllerButton::X);
    pad.controllers[1].held[ControllerButton::X] = 1;
    EXPECT_EQ(pad.Read(1)[PlayerAction::Scope], 1);
    EXPECT_EQ(pad.Read(1)[PlayerAction::Reload], 0);
    EXPECT_EQ(pad.Read(0)[PlayerAction::Scope], 0);

    // The scope key counts once per press; the jump key for as long as it is held.
    Devices keys;
    keys.keyboardBindings[PlayerAction::Scope] = KeyBinding::Of(Key::Z);
    keys.keyboardBindings[PlayerAction::Jump] = KeyBinding::Of(Key::Z);
    keys.keyboard.held[Key::Z] = 1;
    EXPECT_EQ(keys.Read(Keyboard)[PlayerAction::Scope], 0);
    EXPECT_EQ(keys.Read(Keyboard)[PlayerAction::Jump], 1);
    // Down and up again between two polls, as at a low frame rate, a held button counts for the tick.
    keys.keyboard.held[Key::Z] = 0, keys.keyboard.pressed[Key::Z] = 1;
    pad.controllers[1].held[ControllerButton::X] = 0, pad.controllers[1].pressed[ControllerButton::X] = 1;
    EXPECT_EQ(keys.Read(Keyboard)[PlayerAction::Jump] + pad.Read(1)[PlayerAction::Scope], 2);

    // A binding of neither key nor button never reads as down, even with everything down.
    Devices mouse;
    mouse.keyboardBindings[PlayerAction::Drop] = KeyBinding::Of(MouseButton::XOne);
    mouse.keyboardBindings[PlayerAction::Use] = KeyBinding{KeyBinding::NoKey, KeyBinding::NoMouseButton};
    for (auto* flags : {&mouse.keyboard.held.values, &mouse.keyboard.pressed.values})
        flags->fill(1);
    mouse.mouse.held.values.fill(1);
    mouse.mouse.pressed.values.fill(1);
    EXPECT_EQ(mouse.Read(Keyboard + 3)[PlayerAction::Drop], 1);
    EXPECT_EQ(mouse.Read(Keyboard + 3)[PlayerAction::Use], 0);
}

TEST(PlayerInput, MoveKeysGiveFullMovementOrNone)
{
    const std::tuple<bool, bool, int8_t> cases[] = {{false, false, 0}, {true, false, -127}, {true, true, 0}};
    for (const auto& [left, right, move] : cases)
    {
        Devices devices;
        devices.keyboard.held[Key::A] = left;
        devices.keyboard.held[Key::D] = right;
        EXPECT_EQ(devices.Read(Keyboard).move, move) << left << right;
    }
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
    // The window is 800 by 600; its y grows downwards and the world's upwards.
    const Case cases[] = {
        {"above the centre aims up", {400.0f, 100.0f}, 0, 127},
        {"below the centre aims down", {400.0f, 590.0f}, 0, -127},
        {"right of the centre", {700.0f, 300.0f}, 127, 0},
        {"up and to the right", {500.0f, 200.0f}, 89, 89},
        {"down and to the left", {300.0f, 400.0f}, -89, -89},
        {"at the centre", {400.0f, 300.0f}, 0, 0},
        {"nowhere", {NaN, 10.0f}, 0, 0},
    };
    for (const Case& test : cases)
    {
        Devices devices;
        devices.mouse.position = {test.cursor.x, test.cursor.y};
        const PlayerInput input = devices.Read(Keyboard);
        EXPECT_EQ(input.aimX, test.aimX) << test.what;
        EXPECT_EQ(input.aimY, test.aimY) << test.what;
    }
}

// The camera leads the aim and stops at the map's edges: at 640 by 360, showing 16 by 9 units, the player
// shows at (280, 220) mid-map and at (80, 220) against the left edge, and the mouse aims from there.
TEST(PlayerInput, TheMouseAimsFromThePlayersPointOnScreen)
{
    const std::tuple<const char*, Vector2, Vector2, int8_t, int8_t> cases[] = {
        {"mid-map, 110 right and 72 up", {50.0f, 50.0f}, {390.0f, 148.0f}, 106, 69},
        {"between the window's centre and the player", {50.0f, 50.0f}, {300.0f, 200.0f}, 89, 89},
        {"at the left edge, up and to the right", {2.0f, 5.0f}, {300.0f, 190.0f}, 125, 17},
        {"at the left edge, left of the window's centre", {2.0f, 5.0f}, {20.0f, 220.0f}, -127, 0},
    };
    for (const auto& [what, player, cursor, aimX, aimY] : cases)
    {
        Camera camera;
        camera.pixelRect = {0.0f, 0.0f, 640.0f, 360.0f};
        camera.snap = true;
        camera.Step(Lumvek::TickSeconds, 16.0f, 0.5625f, player, CameraFocus(), {0.0f, 0.0f, 100.0f, 100.0f});
        Devices devices;
        devices.origin = camera.ToWindow(player, 360.0f);
        devices.mouse.position = {cursor.x, cursor.y};
        const PlayerInput input = devices.Read(Keyboard);
        EXPECT_EQ(std::make_tuple(input.aimX, input.aimY), std::make_tuple(aimX, aimY)) << what;
    }
}

TEST(PlayerInput, AimInsideTheDeadZoneKeepsThePreviousDirection)
{
    const Vector2 previous(-0.6f, 0.8f);
    const std::tuple<int8_t, int8_t, Vector2> cases[] = {
        {20, -20, previous}, {25, 25, previous}, {26, 0, {1.0f, 0.0f}}, {0, 127, {0.0f, 1.0f}}};
    for (const auto& [x, y, direction] : cases)
    {
        PlayerInput input;
        input.aimX = x;
        input.aimY = y;
        EXPECT_EQ(input.GetAimDirection(previous), direction) << int(x) << " " << int(y);
    }
}

TEST(PlayerInput, HistoryReplaysTheSavedControlsOfAFrameFromItsPlaceInTheRing)
{
    PlayerInput input;
    input.move = -40;
    input.aimX = 12;
    input.aimY = -100;
    input[PlayerAction::Jump] = 1;
    input[PlayerAction::Primary] = 1;
    input.SaveHistory(205);
    EXPECT_EQ(input.history[5], (PlayerInputEntry{-40, 12, -100, 0, 1, 0, 0}));

    PlayerInput replayed = input;
    replayed.move = 0;
    replayed[PlayerAction::Jump] = 0;
    replayed[PlayerAction::Primary] = 0;
    replayed.LoadHistory(5);
    EXPECT_EQ(std::make_tuple(replayed.move, replayed.aimX, replayed.aimY), std::make_tuple(-40, 12, -100));
    EXPECT_EQ(replayed[PlayerAction::Jump], 1);
    // Only what the entry holds comes back.
    EXPECT_EQ(replayed[PlayerAction::Primary], 0);
}

TEST(PlayerInput, TheSameDevicesAlwaysGiveTheSameControls)
{
    Devices devices;
    devices.mouse.position = {123.5f, 456.25f};
    devices.keyboard.held[Key::D] = 1;
    devices.keyboard.pressed[Key::Q] = 1;
    devices.controllers[1].leftStick = {0.3f, -0.9f};
    devices.controllers[1].held[ControllerButton::A] = 1;
    for (uint32_t device : {1u, Keyboard})
    {
        // Reading over a record that held other controls leaves nothing of them but its history.
        PlayerInput used;
        used.move = 99;
        used.buttons.fill(1);
        used = devices.Read(device, used);
        EXPECT_EQ(used, devices.Read(device)) << device;
    }
}
