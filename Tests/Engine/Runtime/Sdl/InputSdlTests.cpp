#include "Engine/Runtime/Sdl/SdlControllerDevice.h"
#include "Engine/Runtime/Sdl/SdlKeyboardDevice.h"
#include "Engine/Runtime/Sdl/SdlMouseDevice.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace Lumvek;

namespace
{

KeyEvent KeyEventOf(SDL_Scancode scancode, bool down)
{
    return {static_cast<uint8_t>(down), SdlScancodeToVirtualKey(scancode)};
}

std::string Bytes(const auto& flags)
{
    return std::string(flags.values.begin(), flags.values.end());
}

// Held, pressed and released of one code.
std::array<int, 3> Flags(const auto& state, auto code)
{
    return {state.held[code], state.pressed[code], state.released[code]};
}

} // namespace

TEST(SdlKeyboardDevice, EachReaderSeesTheLatestTenEventsOnce)
{
    KeyboardRing ring;
    SdlKeyboardDevice keyboard(ring);
    KeyboardState early;
    KeyboardState late;
    uint32_t earlyCursor = 0;
    uint32_t lateCursor = 0;

    // A tap between polls: pressed and released, not held.
    ring.Push(KeyEventOf(SDL_SCANCODE_SPACE, true));
    ring.Push(KeyEventOf(SDL_SCANCODE_SPACE, false));
    earlyCursor = keyboard.Update(early, earlyCursor);
    EXPECT_EQ(Flags(early, Key::Space), (std::array{0, 1, 1}));
    // In order, each with its place among the ring's events.
    EXPECT_TRUE(early.ordered && early.stepCount == 2 && early.steps[0].down && !early.steps[1].down &&
                early.steps[1].key == Key::Space && early.steps[1].place == 1);
    // Two taps between polls count twice.
    for (const bool down : {true, false, true, false})
        ring.Push(KeyEventOf(SDL_SCANCODE_SPACE, down));
    earlyCursor = keyboard.Update(early, earlyCursor);
    EXPECT_EQ(Flags(early, Key::Space), (std::array{0, 2, 2}));

    for (int key = SDL_SCANCODE_A; key <= SDL_SCANCODE_K; ++key)
        ring.Push(KeyEventOf(static_cast<SDL_Scancode>(key), true));
    earlyCursor = keyboard.Update(early, earlyCursor);
    EXPECT_EQ(Flags(early, Key::A), (std::array{1, 1, 0}));
    EXPECT_EQ(Flags(early, Key::B), (std::array{1, 1, 0}));
    EXPECT_EQ(Flags(early, Key::Space), (std::array{0, 0, 0}));
    EXPECT_FALSE(early.ordered); // the order of what was passed over is gone

    // The second reader, polling later, sees the last ten of everything; then each sees only the new.
    ring.Push(KeyEventOf(SDL_SCANCODE_K, false));
    lateCursor = keyboard.Update(late, lateCursor);
    EXPECT_EQ(Flags(late, Key::B), (std::array{1, 1, 0}));
    EXPECT_EQ(Flags(late, Key::C), (std::array{1, 1, 0}));
    EXPECT_EQ(Flags(late, Key::K), (std::array{0, 1, 1}));
    earlyCursor = keyboard.Update(early, earlyCursor);
    EXPECT_EQ(Flags(early, Key::C), (std::array{1, 0, 0}));
    EXPECT_EQ(Flags(early, Key::K), (std::array{0, 0, 1}));
    keyboard.Update(late, lateCursor);
    EXPECT_EQ(Bytes(late.released), std::string(KeyCount, '\0'));

    // A release pushed out of the ring by more than ten downs still lets the key go. A held key's
    // repeats are marked, so that they press it no more.
    const SDL_KeyboardEvent repeat{SDL_KEYDOWN, 0, 0, SDL_PRESSED, 1, 0, 0, {SDL_SCANCODE_C, SDLK_c, 0, 0}};
    EXPECT_EQ(SdlKeyEventOf(repeat).value_or(KeyEvent{}).repeat, 1);
    ring.Push(KeyEventOf(SDL_SCANCODE_C, false));
    for (int i = 0; i < 10; ++i)
        ring.Push(KeyEventOf(SDL_SCANCODE_SPACE, true));
    keyboard.Update(early, earlyCursor);
    EXPECT_EQ(Flags(early, Key::C), (std::array{0, 0, 1}));
}

TEST(SdlKeyboardDevice, ScancodesBecomeTheVirtualKeysThatKeyNamesFollow)
{
    // clang-format off
    const std::pair<SDL_Scancode, const char*> cases[] = {
        {SDL_SCANCODE_A, "A"}, {SDL_SCANCODE_0, "Zero"}, {SDL_SCANCODE_1, "One"}, {SDL_SCANCODE_F12, "F12"},
        {SDL_SCANCODE_F13, "F13"}, {SDL_SCANCODE_F24, "F24"}, {SDL_SCANCODE_KP_0, "Number0"},
        {SDL_SCANCODE_KP_5, "Number5"}, {SDL_SCANCODE_KP_EQUALS, "NumberEquals"},
        {SDL_SCANCODE_NUMLOCKCLEAR, "NumberLock"}, {SDL_SCANCODE_SLASH, "Backslash"},
        {SDL_SCANCODE_BACKSLASH, "Slash"}, {SDL_SCANCODE_GRAVE, "Tilde"}, {SDL_SCANCODE_EQUALS, "Plus"},
        {SDL_SCANCODE_RETURN, "Enter"}, {SDL_SCANCODE_RSHIFT, "RightShift"}, {SDL_SCANCODE_RCTRL, "RightControl"},
        {SDL_SCANCODE_LGUI, "LeftCommand"}, {SDL_SCANCODE_INSERT, ""},
        {static_cast<SDL_Scancode>(SDL_NUM_SCANCODES - 1), ""}};
    // clang-format on
    for (const auto& [scancode, name] : cases)
    {
        const Key key = KeyFromVirtualKey(SdlScancodeToVirtualKey(scancode));
        EXPECT_EQ(KeyNames().GetName(static_cast<uint32_t>(key)).ToString(), name) << scancode;
    }
    // Each key a binding can name is sent by some scancode, or is one the bindings refuse.
    std::array<bool, KeyCount> sent{};
    for (int code = 0; code < SDL_NUM_SCANCODES; ++code)
        sent[static_cast<uint32_t>(KeyFromVirtualKey(SdlScancodeToVirtualKey(static_cast<SDL_Scancode>(code))))] = true;
    for (uint32_t key = 0; key < KeyNames().Count(); ++key)
        EXPECT_EQ(sent[key], KeyboardSends(static_cast<Key>(key))) << key;
}

TEST(SdlMouseDevice, ButtonsByMaskAndWheelTotalsSinceStart)
{
    MouseRing ring;
    WheelTotals wheel;
    CursorTracking tracking;
    SdlMouseDevice mouse(ring, wheel, tracking);
    MouseState state;
    uint32_t cursor = 0;
    for (uint8_t button : {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE, SDL_BUTTON_X1, SDL_BUTTON_X2})
        ring.Push({1, SdlMouseButtonToMask(button)});
    ring.Push({0, SdlMouseButtonToMask(SDL_BUTTON_RIGHT)});
    EXPECT_EQ(SdlMouseButtonToMask(6), 0u);
    cursor = mouse.Update(state, cursor);
    EXPECT_EQ(Bytes(state.held), std::string("\1\0\1\1\1\0", 6));
    EXPECT_EQ(Bytes(state.pressed), std::string("\1\1\1\1\1\0", 6));
    EXPECT_EQ(Bytes(state.released), std::string("\0\1\0\0\0\0", 6));

    wheel.Add(0, 1);
    state.SavePrevious();
    cursor = mouse.Update(state, cursor);
    wheel.Add(-1, 2);
    state.SavePrevious();
    mouse.Update(state, cursor);
    EXPECT_EQ(state.wheel.x, -1);
    EXPECT_EQ(state.wheel.y, 3);
    EXPECT_EQ(state.previousWheel.y, 1);
    EXPECT_EQ(Bytes(state.pressed), std::string(6, '\0'));
}

TEST(SdlMouseDevice, PositionComesFromTheCursorPublishedOverTheWindow)
{
    // The device reads only what the main thread published; a position outside the client area keeps
    // the last one inside.
    const struct
    {
        int32_t x, y, width, height;
        float expectedX, expectedY;
    } cases[] = {
        {10, 20, 320, 240, 10, 20},     {319, 239, 320, 240, 319, 239}, {320, 20, 320, 240, 5, 6},
        {10, 240, 320, 240, 5, 6},      {-1, -1, 320, 240, 5, 6},       {10, 20, 0, 0, 5, 6},
        {400, 300, 640, 480, 400, 300},
    };
    for (const auto& c : cases)
    {
        MouseRing ring;
        WheelTotals wheel;
        CursorTracking cursor;
        MouseState state;
        state.position = {5, 6};
        cursor.position.Store(c.x, c.y);
        cursor.clientSize.Store(c.width, c.height);
        SdlMouseDevice(ring, wheel, cursor).Update(state, 0);
        EXPECT_EQ(state.position.x, c.expectedX) << c.x << " " << c.y << " " << c.width;
        EXPECT_EQ(state.position.y, c.expectedY) << c.x << " " << c.y << " " << c.width;
    }
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
        SDL_Quit();
    }

    // Attaches a pad with its triggers released and returns its joystick, for setting its inputs.
    SDL_Joystick* Attach(Motors* motors = nullptr)
    {
        SDL_VirtualJoystickDesc description{};
        description.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        description.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        description.naxes = SDL_CONTROLLER_AXIS_MAX;
        description.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        description.userdata = motors;
        description.Rumble = [](void* data, Uint16 low, Uint16 high)
        {
            if (auto* recorded = static_cast<Motors*>(data))
                *recorded = {recorded->calls + 1, low, high};
            return 0;
        };
        SDL_Joystick* joystick = SDL_JoystickOpen(SDL_JoystickAttachVirtualEx(&description));
        EXPECT_NE(joystick, nullptr) << SDL_GetError();
        SetTrigger(joystick, SDL_CONTROLLER_AXIS_TRIGGERLEFT, 0);
        SetTrigger(joystick, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0);
        return joystick;
    }

    static void Detach(SDL_Joystick* joystick)
    {
        for (int deviceIndex = 0; deviceIndex < SDL_NumJoysticks(); ++deviceIndex)
            if (SDL_JoystickGetDeviceInstanceID(deviceIndex) == SDL_JoystickInstanceID(joystick))
                SDL_JoystickDetachVirtual(deviceIndex);
    }

    // A virtual trigger's whole axis range covers the trigger's 0 to 32767.
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

    void PumpAndPoll()
    {
        Pump();
        for (ControllerState& pad : states)
            pad.SavePrevious();
        cursor = device->Update(states, cursor);
    }

    void SetButton(SDL_Joystick* joystick, SDL_GameControllerButton button, bool down)
    {
        SDL_JoystickSetVirtualButton(joystick, button, down);
        Pump();
    }

    std::unique_ptr<SdlControllerDevice> device;
    ControllerStates states{};
    uint32_t cursor = 0;
};

} // namespace

TEST_F(SdlControllerTest, SticksAndTriggersHaveDeadZonesAndYUp)
{
    SDL_Joystick* pad = Attach();
    device = std::make_unique<SdlControllerDevice>();
    const float left = 7849.0f / 32767.0f;
    const float right = 8689.0f / 32767.0f;
    const float trigger = 30.0f / 255.0f;
    const float diagonal = std::sqrt(0.5f);
    struct Case
    {
        Sint16 leftX, leftY, rightX, rightY;
        int leftTrigger, rightTrigger;
        float expected[6]; // left x, y, right x, y, left trigger, right trigger
    };
    const Case cases[] = {
        {16384, 0, 0, 0, 0, 0, {(0.5f - left) / (1 - left), 0, 0, 0, 0, 0}},
        // Just outside the left threshold is still inside the right one.
        {8000, 0, 8000, 0, 0, 0, {(8000 / 32768.0f - left) / (1 - left), 0, 0, 0, 0, 0}},
        {7800, 0, 0, -8600, 3800, 0, {0, 0, 0, 0, 0, 0}},
        // SDL's up is negative; ours is positive.
        {0, -32768, 0, 32767, 0, 0, {0, 1, 0, -(32767 / 32768.0f - right) / (1 - right), 0, 0}},
        // Past the rim the length is 1 and the direction stays.
        {-30000, 30000, 0, 0, 32767, 16384, {-diagonal, -diagonal, 0, 0, 1, (0.5f - trigger) / (1 - trigger)}}};
    for (const Case& test : cases)
    {
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, test.leftX);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, test.leftY);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX, test.rightX);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTY, test.rightY);
        SetTrigger(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT, test.leftTrigger);
        SetTrigger(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, test.rightTrigger);
        PumpAndPoll();
        const ControllerState& state = states[0];
        ASSERT_EQ(state.connected, 1);
        const float actual[6] = {state.leftStick.x,  state.leftStick.y, state.rightStick.x,
                                 state.rightStick.y, state.leftTrigger, state.rightTrigger};
        for (int i = 0; i < 6; ++i)
        {
            // Inside a dead zone the value is exactly zero, not merely small.
            if (test.expected[i] == 0.0f)
                EXPECT_EQ(actual[i], 0.0f) << (&test - cases) << " " << i;
            else
                EXPECT_NEAR(actual[i], test.expected[i], 1e-4f) << (&test - cases) << " " << i;
        }
    }
    EXPECT_EQ(states[1].connected, 0);

    // A larger dead zone of the device's own wins over the built-in one.
    device = std::make_unique<SdlControllerDevice>(0.6f);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, 16384);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, 0);
    PumpAndPoll();
    EXPECT_EQ(states[0].leftStick.x, 0.0f);
}

TEST_F(SdlControllerTest, TriggersAndStickDirectionsAreButtonsDerivedEachPoll)
{
    SDL_Joystick* pad = Attach();
    device = std::make_unique<SdlControllerDevice>();
    const ControllerState& state = states[0];
    SetTrigger(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX, -32768);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, 32767);
    PumpAndPoll();
    std::string held(ControllerButtonCount, '\0');
    for (ControllerButton button :
         {ControllerButton::LeftTrigger, ControllerButton::RightStickLeft, ControllerButton::LeftStickDown})
        held[static_cast<uint32_t>(button)] = 1;
    EXPECT_EQ(Bytes(state.held), held);
    EXPECT_EQ(Bytes(state.pressed), held);

    PumpAndPoll();
    EXPECT_EQ(Bytes(state.held), held);
    EXPECT_EQ(Bytes(state.pressed), std::string(ControllerButtonCount, '\0'));

    SetTrigger(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT, 0);
    PumpAndPoll();
    EXPECT_EQ(Flags(state, ControllerButton::LeftTrigger), (std::array{0, 0, 1}));
}

TEST_F(SdlControllerTest, ButtonsCrossThroughTheRingAndALostPadHoldsNothing)
{
    SDL_Joystick* pad = Attach();
    device = std::make_unique<SdlControllerDevice>();
    const ControllerState& state = states[0];
    // clang-format off
    const std::pair<SDL_GameControllerButton, ControllerButton> buttons[] = {
        {SDL_CONTROLLER_BUTTON_A, ControllerButton::A}, {SDL_CONTROLLER_BUTTON_BACK, ControllerButton::Back},
        {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, ControllerButton::LeftBumper},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, ControllerButton::Left}};
    // clang-format on
    for (const auto& [sdlButton, button] : buttons)
    {
        SetButton(pad, sdlButton, true);
        PumpAndPoll();
        EXPECT_EQ(Flags(state, button), (std::array{1, 1, 0})) << static_cast<uint32_t>(button);
        SetButton(pad, sdlButton, false);
        PumpAndPoll();
        EXPECT_EQ(Flags(state, button), (std::array{0, 0, 1})) << static_cast<uint32_t>(button);
    }
    const std::string none(ControllerButtonCount, '\0');
    // Buttons down when the pad goes away, before or after the last poll, are neither held nor released.
    SetButton(pad, SDL_CONTROLLER_BUTTON_B, true);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, 32767);
    PumpAndPoll();
    ASSERT_EQ(state.held[ControllerButton::B], 1);
    ASSERT_EQ(state.held[ControllerButton::LeftStickRight], 1);
    SetButton(pad, SDL_CONTROLLER_BUTTON_A, true);
    Detach(pad);
    PumpAndPoll();
    EXPECT_EQ(state.connected, 0);
    EXPECT_EQ(state.previousConnected, 1);
    EXPECT_EQ(state.leftStick.x, 0.0f);
    EXPECT_EQ(Bytes(state.held) + Bytes(state.pressed) + Bytes(state.released), none + none + none);
}

TEST_F(SdlControllerTest, FourSlotsAndEventsNamingNoPadOfOursAreIgnored)
{
    std::vector<SDL_Joystick*> pads;
    for (int i = 0; i < 5; ++i)
        pads.push_back(Attach());
    device = std::make_unique<SdlControllerDevice>();
    SetButton(pads[4], SDL_CONTROLLER_BUTTON_X, true);

    SDL_Event event{};
    event.type = SDL_CONTROLLERBUTTONDOWN;
    event.cbutton.state = SDL_PRESSED;
    const std::pair<SDL_JoystickID, Uint8> buttons[] = {{SDL_JoystickInstanceID(pads[0]), SDL_CONTROLLER_BUTTON_MAX},
                                                        {SDL_JoystickInstanceID(pads[0]), 255},
                                                        {-1, SDL_CONTROLLER_BUTTON_A},
                                                        {12345, SDL_CONTROLLER_BUTTON_A}};
    for (const auto& [which, button] : buttons)
    {
        event.cbutton.which = which;
        event.cbutton.button = button;
        device->HandleEvent(event);
    }
    const std::pair<Uint32, Sint32> devices[] = {{SDL_CONTROLLERDEVICEADDED, -1},
                                                 {SDL_CONTROLLERDEVICEADDED, 5},
                                                 {SDL_CONTROLLERDEVICEADDED, 99},
                                                 {SDL_CONTROLLERDEVICEREMOVED, -1},
                                                 {SDL_CONTROLLERDEVICEREMOVED, 12345}};
    for (const auto& [type, which] : devices)
    {
        event.type = type;
        event.cdevice.which = which;
        device->HandleEvent(event);
    }
    PumpAndPoll();
    for (const ControllerState& state : states)
    {
        EXPECT_EQ(state.connected, 1);
        EXPECT_EQ(Bytes(state.held), std::string(ControllerButtonCount, '\0'));
    }

    // The waiting fifth pad takes the slot that frees.
    Detach(pads[1]);
    Pump();
    SetButton(pads[4], SDL_CONTROLLER_BUTTON_X, false);
    SetButton(pads[4], SDL_CONTROLLER_BUTTON_X, true);
    PumpAndPoll();
    EXPECT_EQ(states[1].connected, 1);
    EXPECT_EQ(states[1].held[ControllerButton::X], 1);
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
        EXPECT_EQ(device->vibrations[0].highFrequency, test.high);
    }

    // Strengths written into the device go out at the next poll, and only once.
    device->vibrations[0] = {3.0f, 4.0f};
    PumpAndPoll();
    EXPECT_EQ(motors.high, 3000);
    EXPECT_EQ(motors.low, 4000);
    const int calls = motors.calls;
    PumpAndPoll();
    for (uint32_t padIndex : {2u, ControllerCount, 0xFFFFFFFFu})
        device->SetVibration(1.0f, 1.0f, padIndex);
    EXPECT_EQ(motors.calls, calls);
}

// No press or release is lost between polls: not in a stall that overruns the ring, not a trigger or
// stick tapped down and up again within one pump, and none is pressed twice.
TEST_F(SdlControllerTest, NoPressOrReleaseIsLostBetweenPolls)
{
    SDL_Joystick* pads[] = {Attach(), Attach()};
    device = std::make_unique<SdlControllerDevice>();
    for (auto [pad, button] :
         {std::pair{0, SDL_CONTROLLER_BUTTON_B}, {0, SDL_CONTROLLER_BUTTON_Y}, {1, SDL_CONTROLLER_BUTTON_A}})
        SetButton(pads[pad], button, true);
    PumpAndPoll();
    // Stalled: B up, X down, the second pad replaced with A down; then more taps than the ring holds.
    SetButton(pads[0], SDL_CONTROLLER_BUTTON_B, false);
    SetButton(pads[0], SDL_CONTROLLER_BUTTON_X, true);
    Detach(pads[1]);
    Pump();
    Attach();
    for (uint32_t i = 0; i < ControllerRing::Capacity; ++i)
        SetButton(pads[0], SDL_CONTROLLER_BUTTON_DPAD_UP, i % 2 == 0);
    PumpAndPoll();
    const ControllerState& state = states[0];
    const std::pair<ControllerButton, std::array<int, 3>> expected[] = {
        {ControllerButton::B, {0, 0, 1}}, {ControllerButton::Y, {1, 0, 0}}, {ControllerButton::X, {1, 1, 0}}};
    for (const auto& [button, flags] : expected)
        EXPECT_EQ(Flags(state, button), flags) << static_cast<uint32_t>(button);
    EXPECT_EQ(Flags(states[1], ControllerButton::A), (std::array{0, 0, 1}));

    SetTrigger(pads[0], SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    SDL_JoystickSetVirtualAxis(pads[0], SDL_CONTROLLER_AXIS_LEFTX, 32767);
    SDL_GameControllerUpdate();
    SetTrigger(pads[0], SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0);
    SDL_JoystickSetVirtualAxis(pads[0], SDL_CONTROLLER_AXIS_LEFTX, 0);
    PumpAndPoll();
    EXPECT_EQ(Flags(state, ControllerButton::RightTrigger), (std::array{0, 1, 1}));
    EXPECT_EQ(Flags(state, ControllerButton::LeftStickRight), (std::array{0, 1, 1}));
    // A pull the poll saw before its event came through is not pressed again by the late event.
    SetTrigger(pads[0], SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767);
    SDL_GameControllerUpdate();
    cursor = device->Update(states, cursor);
    ASSERT_EQ(Flags(state, ControllerButton::LeftTrigger), (std::array{1, 1, 0}));
    PumpAndPoll();
    EXPECT_EQ(Flags(state, ControllerButton::LeftTrigger), (std::array{1, 0, 0}));
}
