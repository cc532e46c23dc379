#include "Engine/Runtime/Sdl/SdlControllerDevice.h"
#include "Engine/Runtime/Sdl/SdlKeyboardDevice.h"
#include "Engine/Runtime/Sdl/SdlMouseDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace Lumvek;

namespace
{

KeyEvent KeyDown(SDL_Scancode scancode)
{
    return {1, SdlScancodeToVirtualKey(scancode)};
}

KeyEvent KeyUp(SDL_Scancode scancode)
{
    return {0, SdlScancodeToVirtualKey(scancode)};
}

} // namespace

TEST(SdlKeyboardDevice, AKeyTappedBetweenPollsIsPressedAndReleasedButNotHeld)
{
    KeyboardRing ring;
    SdlKeyboardDevice keyboard(ring);
    KeyboardState state;
    uint32_t cursor = 0;

    ring.Push(KeyDown(SDL_SCANCODE_SPACE));
    ring.Push(KeyDown(SDL_SCANCODE_LSHIFT));
    ring.Push(KeyUp(SDL_SCANCODE_SPACE));
    cursor = keyboard.Update(state, cursor);
    EXPECT_EQ(state.held[Key::Space], 0);
    EXPECT_EQ(state.pressed[Key::Space], 1);
    EXPECT_EQ(state.released[Key::Space], 1);
    EXPECT_EQ(state.held[Key::LeftShift], 1);

    // The next poll keeps what is held and forgets the edges.
    cursor = keyboard.Update(state, cursor);
    EXPECT_EQ(state.held[Key::LeftShift], 1);
    EXPECT_EQ(state.pressed[Key::LeftShift], 0);
    EXPECT_EQ(state.released[Key::Space], 0);
}

TEST(SdlKeyboardDevice, ElevenKeysBetweenPollsLoseTheOldestForEachReader)
{
    KeyboardRing ring;
    SdlKeyboardDevice keyboard(ring);
    KeyboardState early;
    KeyboardState late;
    uint32_t earlyCursor = keyboard.Update(early, 0);
    uint32_t lateCursor = 0;

    for (int key = SDL_SCANCODE_A; key <= SDL_SCANCODE_K; ++key)
        ring.Push(KeyDown(static_cast<SDL_Scancode>(key)));
    earlyCursor = keyboard.Update(early, earlyCursor);
    EXPECT_EQ(early.pressed[Key::A], 0);
    for (Key key : {Key::B, Key::F, Key::K})
        EXPECT_EQ(early.pressed[key], 1) << static_cast<uint32_t>(key);

    // A second reader polling later sees the last ten as well; each then sees only what followed.
    ring.Push(KeyUp(SDL_SCANCODE_K));
    lateCursor = keyboard.Update(late, lateCursor);
    EXPECT_EQ(late.pressed[Key::B], 0);
    EXPECT_EQ(late.pressed[Key::C], 1);
    EXPECT_EQ(late.held[Key::K], 0);
    EXPECT_EQ(late.released[Key::K], 1);
    earlyCursor = keyboard.Update(early, earlyCursor);
    EXPECT_EQ(early.released[Key::K], 1);
    EXPECT_EQ(early.pressed[Key::C], 0);
    lateCursor = keyboard.Update(late, lateCursor);
    EXPECT_EQ(late.released[Key::K], 0);
}

TEST(SdlKeyboardDevice, ScancodesBecomeTheVirtualKeysThatKeyNamesFollow)
{
    const std::pair<SDL_Scancode, const char*> cases[] = {{SDL_SCANCODE_A, "A"},
                                                          {SDL_SCANCODE_Z, "Z"},
                                                          {SDL_SCANCODE_0, "Zero"},
                                                          {SDL_SCANCODE_1, "One"},
                                                          {SDL_SCANCODE_F12, "F12"},
                                                          {SDL_SCANCODE_F13, "F13"},
                                                          {SDL_SCANCODE_F24, "F24"},
                                                          {SDL_SCANCODE_NUMLOCKCLEAR, "NumberLock"},
                                                          {SDL_SCANCODE_KP_0, "Number0"},
                                                          {SDL_SCANCODE_KP_5, "Number5"},
                                                          {SDL_SCANCODE_KP_PERIOD, "NumberPeriod"},
                                                          {SDL_SCANCODE_KP_EQUALS, "NumberEquals"},
                                                          {SDL_SCANCODE_SLASH, "Backslash"},
                                                          {SDL_SCANCODE_BACKSLASH, "Slash"},
                                                          {SDL_SCANCODE_GRAVE, "Tilde"},
                                                          {SDL_SCANCODE_EQUALS, "Plus"},
                                                          {SDL_SCANCODE_SEMICOLON, "Colon"},
                                                          {SDL_SCANCODE_RETURN, "Enter"},
                                                          {SDL_SCANCODE_RSHIFT, "RightShift"},
                                                          {SDL_SCANCODE_RCTRL, "RightControl"},
                                                          {SDL_SCANCODE_LALT, "LeftAlt"},
                                                          {SDL_SCANCODE_LGUI, "LeftCommand"},
                                                          {SDL_SCANCODE_PAGEDOWN, "PageDown"},
                                                          {SDL_SCANCODE_UP, "Up"},
                                                          {SDL_SCANCODE_INSERT, ""},
                                                          {SDL_SCANCODE_POWER, ""},
                                                          {static_cast<SDL_Scancode>(SDL_NUM_SCANCODES - 1), ""}};
    for (const auto& [scancode, name] : cases)
    {
        const Key key = KeyFromVirtualKey(SdlScancodeToVirtualKey(scancode));
        EXPECT_EQ(KeyNames().GetName(static_cast<uint32_t>(key)).ToString(), name) << scancode;
    }
}

TEST(SdlMouseDevice, ButtonsAndWheelTotals)
{
    MouseRing ring;
    WheelTotals wheel;
    SdlMouseDevice mouse(ring, wheel, nullptr);
    MouseState state;
    state.position = {7, 9};
    uint32_t cursor = 0;

    const std::pair<uint8_t, MouseButton> buttons[] = {{SDL_BUTTON_LEFT, MouseButton::Left},
                                                       {SDL_BUTTON_RIGHT, MouseButton::Right},
                                                       {SDL_BUTTON_MIDDLE, MouseButton::Middle},
                                                       {SDL_BUTTON_X1, MouseButton::XOne},
                                                       {SDL_BUTTON_X2, MouseButton::XTwo}};
    for (const auto& [sdlButton, button] : buttons)
    {
        ring.Push({1, SdlMouseButtonToMask(sdlButton)});
        cursor = mouse.Update(state, cursor);
        EXPECT_EQ(state.pressed[button], 1) << int(sdlButton);
        EXPECT_EQ(state.held[button], 1) << int(sdlButton);
    }
    EXPECT_EQ(SdlMouseButtonToMask(6), 0u);
    EXPECT_EQ(SdlMouseButtonToMask(0), 0u);
    ring.Push({0, SdlMouseButtonToMask(SDL_BUTTON_RIGHT)});
    cursor = mouse.Update(state, cursor);
    EXPECT_EQ(state.released[MouseButton::Right], 1);
    EXPECT_EQ(state.pressed[MouseButton::XTwo], 0);
    EXPECT_EQ(state.held[MouseButton::Left], 1);

    // The device reports the totals since start, and the reader keeps the previous poll's.
    wheel.Add(0, 1);
    state.SavePrevious();
    cursor = mouse.Update(state, cursor);
    wheel.Add(-1, 2);
    state.SavePrevious();
    cursor = mouse.Update(state, cursor);
    EXPECT_FLOAT_EQ(state.wheel.y, 3);
    EXPECT_FLOAT_EQ(state.wheel.x, -1);
    EXPECT_FLOAT_EQ(state.previousWheel.y, 1);
    // Without a window the position stays where it was.
    EXPECT_FLOAT_EQ(state.position.x, 7);
    EXPECT_FLOAT_EQ(state.previousPosition.y, 9);
}

TEST(SdlMouseDevice, PositionComesFromTheCursorOverTheWindow)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("Mouse", 0, 0, 320, 240, 0);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    MouseRing ring;
    WheelTotals wheel;
    SdlMouseDevice mouse(ring, wheel, window);
    MouseState state;
    SDL_WarpMouseInWindow(window, 10, 20);
    mouse.Update(state, 0);
    EXPECT_FLOAT_EQ(state.position.x, 10);
    EXPECT_FLOAT_EQ(state.position.y, 20);
    SDL_DestroyWindow(window);
    SDL_Quit();
}

namespace
{

// SDL with the game controller subsystem and no display; pads are SDL virtual joysticks.
class SdlControllerTest : public ::testing::Test
{
protected:
    struct Motors
    {
        int calls = 0;
        Uint16 low = 0;
        Uint16 high = 0;
    };

    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    }

    void TearDown() override
    {
        device.reset();
        for (SDL_Joystick* joystick : joysticks)
            SDL_JoystickClose(joystick);
        SDL_Quit();
    }

    // Attaches a pad with every axis at rest and returns its joystick, for setting its inputs.
    SDL_Joystick* Attach(Motors* motors = nullptr)
    {
        SDL_VirtualJoystickDesc description{};
        description.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        description.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        description.naxes = SDL_CONTROLLER_AXIS_MAX;
        description.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        description.userdata = motors;
        if (motors)
            description.Rumble = [](void* data, Uint16 low, Uint16 high)
            {
                auto* recorded = static_cast<Motors*>(data);
                *recorded = {recorded->calls + 1, low, high};
                return 0;
            };
        const int deviceIndex = SDL_JoystickAttachVirtualEx(&description);
        EXPECT_GE(deviceIndex, 0) << SDL_GetError();
        SDL_Joystick* joystick = SDL_JoystickOpen(deviceIndex);
        joysticks.push_back(joystick);
        SetTrigger(joystick, SDL_CONTROLLER_AXIS_TRIGGERLEFT, 0);
        SetTrigger(joystick, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0);
        return joystick;
    }

    void Detach(SDL_Joystick* joystick)
    {
        for (int deviceIndex = 0; deviceIndex < SDL_NumJoysticks(); ++deviceIndex)
            if (SDL_JoystickGetDeviceInstanceID(deviceIndex) == SDL_JoystickInstanceID(joystick))
                SDL_JoystickDetachVirtual(deviceIndex);
    }

    // A virtual trigger's full axis range covers the trigger's 0 to 32767.
    static void SetTrigger(SDL_Joystick* joystick, SDL_GameControllerAxis axis, int value)
    {
        SDL_JoystickSetVirtualAxis(joystick, axis, static_cast<Sint16>(value * 2 - 32768));
    }

    // The host's main thread: pumps SDL and hands the controller events to the device.
    void Pump()
    {
        SDL_GameControllerUpdate();
        SDL_Event event;
        while (SDL_PollEvent(&event))
            if (device)
                device->HandleEvent(event);
    }

    void Poll()
    {
        for (ControllerState& pad : states)
            pad.SavePrevious();
        cursor = device->Update(states, cursor);
    }

    std::vector<SDL_Joystick*> joysticks;
    std::unique_ptr<SdlControllerDevice> device;
    ControllerStates states{};
    uint32_t cursor = 0;
};

} // namespace

TEST_F(SdlControllerTest, SticksAndTriggersHaveRadialDeadZonesAndYUp)
{
    SDL_Joystick* pad = Attach();
    device = std::make_unique<SdlControllerDevice>();
    Pump();

    const float left = 7849.0f / 32767.0f;
    const float right = 8689.0f / 32767.0f;
    const float trigger = 30.0f / 255.0f;
    struct Case
    {
        Sint16 leftX, leftY, rightX, rightY;
        int leftTrigger, rightTrigger;
        InputVector leftStick, rightStick;
        float leftTriggerValue, rightTriggerValue;
    };
    const float half = (0.5f - left) / (1 - left);
    const Case cases[] = {{16384, 0, 0, 0, 0, 0, {half, 0}, {0, 0}, 0, 0},
                          // Just outside the left threshold is still inside the right one.
                          {8000, 0, 8000, 0, 0, 0, {(8000 / 32768.0f - left) / (1 - left), 0}, {0, 0}, 0, 0},
                          {7800, 0, 0, -8600, 0, 0, {0, 0}, {0, 0}, 0, 0},
                          // SDL's up is negative; ours is positive.
                          {0, -32768, 0, 32767, 0, 0, {0, 1}, {0, -(32767 / 32768.0f - right) / (1 - right)}, 0, 0},
                          // Past the rim the length is 1 and the direction stays.
                          {-30000, 30000, 0, 0, 0, 0, {-std::sqrt(0.5f), -std::sqrt(0.5f)}, {0, 0}, 0, 0},
                          {0, 0, 0, 0, 3800, 32767, {0, 0}, {0, 0}, 0, 1},
                          {0,
                           0,
                           0,
                           0,
                           16384,
                           8000,
                           {0, 0},
                           {0, 0},
                           (16384 / 32767.0f - trigger) / (1 - trigger),
                           (8000 / 32767.0f - trigger) / (1 - trigger)}};
    for (const Case& test : cases)
    {
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, test.leftX);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, test.leftY);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX, test.rightX);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTY, test.rightY);
        SetTrigger(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT, test.leftTrigger);
        SetTrigger(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, test.rightTrigger);
        Pump();
        Poll();
        const ControllerState& state = states[0];
        const std::string label = std::to_string(&test - cases);
        ASSERT_EQ(state.connected, 1) << label;
        // Inside a dead zone the value is exactly zero, not merely small.
        auto check = [&label](float actual, float expected)
        {
            if (expected == 0.0f)
                EXPECT_EQ(actual, 0.0f) << label;
            else
                EXPECT_NEAR(actual, expected, 1e-4f) << label;
        };
        check(state.leftStick.x, test.leftStick.x);
        check(state.leftStick.y, test.leftStick.y);
        check(state.rightStick.x, test.rightStick.x);
        check(state.rightStick.y, test.rightStick.y);
        check(state.leftTrigger, test.leftTriggerValue);
        check(state.rightTrigger, test.rightTriggerValue);
    }
    EXPECT_EQ(states[1].connected, 0);

    // A larger dead zone of the device's own wins over the built-in one.
    device.reset();
    device = std::make_unique<SdlControllerDevice>(0.6f);
    Pump();
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, 16384);
    Pump();
    Poll();
    EXPECT_EQ(states[0].leftStick.x, 0.0f);
}

TEST_F(SdlControllerTest, TriggersAndStickDirectionsActAsButtons)
{
    SDL_Joystick* pad = Attach();
    device = std::make_unique<SdlControllerDevice>();
    Pump();
    Poll();
    EXPECT_EQ(states[0].held[ControllerButton::LeftTrigger], 0);

    SetTrigger(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX, -32768);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, 32767);
    Pump();
    Poll();
    const ControllerState& state = states[0];
    for (ControllerButton button :
         {ControllerButton::LeftTrigger, ControllerButton::RightStickLeft, ControllerButton::LeftStickDown})
    {
        EXPECT_EQ(state.held[button], 1) << static_cast<uint32_t>(button);
        EXPECT_EQ(state.pressed[button], 1) << static_cast<uint32_t>(button);
    }
    EXPECT_EQ(state.held[ControllerButton::RightTrigger] + state.held[ControllerButton::LeftStickUp] +
                  state.held[ControllerButton::RightStickRight],
              0);

    // Derived every poll: still held, no longer pressed.
    Poll();
    EXPECT_EQ(state.held[ControllerButton::LeftTrigger], 1);
    EXPECT_EQ(state.pressed[ControllerButton::LeftTrigger], 0);

    // 0.2 is not pressed; just above is.
    const int atThreshold = static_cast<int>(32767 * (0.2f * (1 - 30.0f / 255.0f) + 30.0f / 255.0f));
    SetTrigger(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT, atThreshold - 200);
    Pump();
    Poll();
    EXPECT_EQ(state.held[ControllerButton::LeftTrigger], 0);
    EXPECT_EQ(state.released[ControllerButton::LeftTrigger], 1);
    SetTrigger(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT, atThreshold + 200);
    Pump();
    Poll();
    EXPECT_EQ(state.pressed[ControllerButton::LeftTrigger], 1);
}

TEST_F(SdlControllerTest, ButtonsCrossThroughTheRingAndALostPadHoldsNothing)
{
    SDL_Joystick* pad = Attach();
    device = std::make_unique<SdlControllerDevice>();
    Pump();

    const std::pair<SDL_GameControllerButton, ControllerButton> buttons[] = {
        {SDL_CONTROLLER_BUTTON_A, ControllerButton::A},
        {SDL_CONTROLLER_BUTTON_Y, ControllerButton::Y},
        {SDL_CONTROLLER_BUTTON_BACK, ControllerButton::Back},
        {SDL_CONTROLLER_BUTTON_START, ControllerButton::Start},
        {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, ControllerButton::LeftBumper},
        {SDL_CONTROLLER_BUTTON_RIGHTSTICK, ControllerButton::RightStick},
        {SDL_CONTROLLER_BUTTON_DPAD_UP, ControllerButton::Up},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, ControllerButton::Left}};
    for (const auto& [sdlButton, button] : buttons)
    {
        SDL_JoystickSetVirtualButton(pad, sdlButton, 1);
        Pump();
        Poll();
        EXPECT_EQ(states[0].pressed[button], 1) << static_cast<uint32_t>(button);
        EXPECT_EQ(states[0].held[button], 1) << static_cast<uint32_t>(button);
        SDL_JoystickSetVirtualButton(pad, sdlButton, 0);
        Pump();
        Poll();
        EXPECT_EQ(states[0].released[button], 1) << static_cast<uint32_t>(button);
        EXPECT_EQ(states[0].held[button], 0) << static_cast<uint32_t>(button);
    }
    // The guide button has no place in the layout.
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_GUIDE, 1);
    Pump();
    Poll();
    EXPECT_EQ(std::string(states[0].pressed.values.begin(), states[0].pressed.values.end()),
              std::string(ControllerButtonCount, '\0'));

    // A button still down when the pad goes away is neither held nor released afterwards.
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_B, 1);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, 32767);
    Pump();
    Poll();
    ASSERT_EQ(states[0].held[ControllerButton::B], 1);
    ASSERT_EQ(states[0].held[ControllerButton::LeftStickRight], 1);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_A, 1);
    Pump();
    Detach(pad);
    Pump();
    Poll();
    const ControllerState& gone = states[0];
    EXPECT_EQ(gone.connected, 0);
    EXPECT_EQ(gone.previousConnected, 1);
    EXPECT_EQ(gone.leftStick.x, 0.0f);
    const std::string none(ControllerButtonCount, '\0');
    EXPECT_EQ(std::string(gone.held.values.begin(), gone.held.values.end()), none);
    EXPECT_EQ(std::string(gone.pressed.values.begin(), gone.pressed.values.end()), none);
    EXPECT_EQ(std::string(gone.released.values.begin(), gone.released.values.end()), none);
}

TEST_F(SdlControllerTest, FourSlotsAndForeignEventsAreRefused)
{
    std::vector<SDL_Joystick*> pads;
    for (int i = 0; i < 5; ++i)
        pads.push_back(Attach());
    device = std::make_unique<SdlControllerDevice>();
    Pump();
    SDL_JoystickSetVirtualButton(pads[4], SDL_CONTROLLER_BUTTON_X, 1);
    Pump();
    Poll();
    for (uint32_t slot = 0; slot < ControllerCount; ++slot)
    {
        EXPECT_EQ(states[slot].connected, 1) << slot;
        EXPECT_EQ(states[slot].held[ControllerButton::X], 0) << slot;
    }

    // Events naming no pad of ours, buttons or devices beyond SDL's, are ignored.
    SDL_Event event{};
    event.type = SDL_CONTROLLERBUTTONDOWN;
    event.cbutton.which = SDL_JoystickInstanceID(pads[0]);
    event.cbutton.state = SDL_PRESSED;
    for (Uint8 button : {Uint8(SDL_CONTROLLER_BUTTON_MAX), Uint8(200), Uint8(255)})
    {
        event.cbutton.button = button;
        device->HandleEvent(event);
    }
    event.cbutton.button = SDL_CONTROLLER_BUTTON_A;
    for (SDL_JoystickID which : {-1, 12345})
    {
        event.cbutton.which = which;
        device->HandleEvent(event);
    }
    event.type = SDL_CONTROLLERDEVICEADDED;
    for (Sint32 which : {-1, 5, 99})
    {
        event.cdevice.which = which;
        device->HandleEvent(event);
    }
    event.type = SDL_CONTROLLERDEVICEREMOVED;
    for (Sint32 which : {-1, 12345})
    {
        event.cdevice.which = which;
        device->HandleEvent(event);
    }
    Poll();
    for (uint32_t slot = 0; slot < ControllerCount; ++slot)
    {
        EXPECT_EQ(states[slot].connected, 1) << slot;
        EXPECT_EQ(states[slot].pressed[ControllerButton::A], 0) << slot;
    }

    // The waiting fifth pad takes the slot that frees.
    Detach(pads[1]);
    Pump();
    SDL_JoystickSetVirtualButton(pads[4], SDL_CONTROLLER_BUTTON_X, 0);
    Pump();
    SDL_JoystickSetVirtualButton(pads[4], SDL_CONTROLLER_BUTTON_X, 1);
    Pump();
    Poll();
    EXPECT_EQ(states[1].connected, 1);
    EXPECT_EQ(states[1].pressed[ControllerButton::X], 1);
}

TEST_F(SdlControllerTest, VibrationReachesTheMotorsAndIsKept)
{
    Motors motors;
    Attach(&motors);
    device = std::make_unique<SdlControllerDevice>();
    Pump();

    struct Case
    {
        float high, low;
        Uint16 expectedHigh, expectedLow;
    };
    const Case cases[] = {{2.0f, 1.0f, 2000, 1000}, {65.0f, 0.5f, 65000, 500}, {100.0f, -3.0f, 65535, 0}, {0, 0, 0, 0}};
    for (const Case& test : cases)
    {
        device->SetVibration(test.high, test.low, 0);
        EXPECT_EQ(motors.high, test.expectedHigh) << test.high;
        EXPECT_EQ(motors.low, test.expectedLow) << test.low;
        EXPECT_FLOAT_EQ(device->vibrations[0].highFrequency, test.high);
        EXPECT_FLOAT_EQ(device->vibrations[0].lowFrequency, test.low);
    }

    // Strengths written into the device are sent at the next poll; unchanged ones are not resent.
    device->vibrations[0] = {3.0f, 4.0f};
    Poll();
    EXPECT_EQ(motors.high, 3000);
    EXPECT_EQ(motors.low, 4000);
    const int calls = motors.calls;
    Poll();
    EXPECT_EQ(motors.calls, calls);

    // Pads that do not exist are ignored.
    device->SetVibration(1.0f, 1.0f, ControllerCount);
    device->SetVibration(1.0f, 1.0f, 0xFFFFFFFFu);
    device->SetVibration(1.0f, 1.0f, 2);
    EXPECT_EQ(motors.calls, calls);
}
