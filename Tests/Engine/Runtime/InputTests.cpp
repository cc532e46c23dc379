#include "Engine/Runtime/ControllerToMotionEmulator.h"
#include "Engine/Runtime/Input.h"
#include "Engine/Runtime/InputEvents.h"
#include "Engine/Runtime/MouseToTouchEmulator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

using namespace Lumvek;

namespace
{

std::vector<uint64_t> ReadKeys(const KeyboardRing& ring, uint32_t& cursor)
{
    std::vector<uint64_t> keys;
    cursor = ring.Read(cursor, [&keys](const KeyEvent& event) { keys.push_back(event.virtualKey); });
    return keys;
}

} // namespace

TEST(EventRing, AReaderFarBehindSeesTheLatestTenAndKeepsUp)
{
    KeyboardRing ring;
    uint32_t cursor = 0;
    for (uint64_t key = 1; key <= 11; ++key)
        ring.Push({1, key});
    EXPECT_EQ(ReadKeys(ring, cursor), (std::vector<uint64_t>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_TRUE(ReadKeys(ring, cursor).empty());

    // Exactly a ring's worth between polls is not mistaken for nothing, lap after lap.
    for (uint64_t lap = 0; lap < 25; ++lap)
    {
        std::vector<uint64_t> expected;
        for (uint64_t i = 0; i < 10; ++i)
        {
            ring.Push({1, lap * 100 + i});
            expected.push_back(lap * 100 + i);
        }
        EXPECT_EQ(ReadKeys(ring, cursor), expected) << lap;
    }
}

TEST(EventRing, ReadersKeepTheirOwnCursors)
{
    KeyboardRing ring;
    uint32_t first = 0;
    uint32_t second = 0;
    ring.Push({1, 10});
    ring.Push({0, 10});
    EXPECT_EQ(ReadKeys(ring, first), (std::vector<uint64_t>{10, 10}));
    ring.Push({1, 20});
    EXPECT_EQ(ReadKeys(ring, second), (std::vector<uint64_t>{10, 10, 20}));
    EXPECT_EQ(ReadKeys(ring, first), (std::vector<uint64_t>{20}));
    EXPECT_TRUE(ReadKeys(ring, second).empty());
    // A cursor that no read returned still reads at most a ring's worth.
    uint32_t stray = 0xFFFFFFF0u;
    EXPECT_LE(ReadKeys(ring, stray).size(), 10u);
}

TEST(EventRing, AReaderRacingTheWriterSeesWholeEventsInOrder)
{
    ControllerRing ring;
    constexpr uint32_t count = 200000;
    std::thread writer(
        [&ring]
        {
            for (uint32_t i = 1; i <= count; ++i)
                ring.Push({i % 4, i & 1, i, static_cast<int32_t>(i * 3)});
        });
    uint32_t cursor = 0;
    uint32_t last = 0;
    bool whole = true;
    bool ordered = true;
    while (last < count)
    {
        cursor = ring.Read(cursor,
                           [&](const ControllerEvent& event)
                           {
                               whole = whole && event.padIndex == event.button % 4 &&
                                       event.down == (event.button & 1) &&
                                       event.connection == static_cast<int32_t>(event.button * 3);
                               ordered = ordered && event.button > last;
                               last = event.button;
                           });
    }
    writer.join();
    EXPECT_TRUE(whole);
    EXPECT_TRUE(ordered);
}

TEST(EventRing, WheelTotalsAccumulate)
{
    WheelTotals totals;
    totals.Add(0.5f, 1.0f);
    totals.Add(-1.5f, 2.0f);
    EXPECT_FLOAT_EQ(totals.horizontal.load(), -1.0f);
    EXPECT_FLOAT_EQ(totals.vertical.load(), 3.0f);
}

TEST(InputNames, EveryNameReadsBackAsItsCode)
{
    const NameList* lists[] = {&KeyNames(), &MouseButtonNames(), &ControllerButtonNames()};
    const uint32_t counts[] = {113, 5, 26};
    for (int list = 0; list < 3; ++list)
    {
        ASSERT_EQ(lists[list]->Count(), counts[list]);
        for (uint32_t code = 0; code < counts[list]; ++code)
        {
            uint32_t parsed = 999;
            EXPECT_TRUE(lists[list]->ParseName(parsed, lists[list]->GetName(code))) << list << " " << code;
            EXPECT_EQ(parsed, code);
        }
    }
    // Every other key has no name, so a binding to it writes the empty text.
    EXPECT_EQ(KeyNames().GetName(static_cast<uint32_t>(Key::Other)), StringView());
}

TEST(InputNames, NamesSitAtTheirCodes)
{
    struct Case
    {
        const NameList& names;
        const char* text;
        uint32_t code;
    };
    const Case cases[] = {{KeyNames(), "zero", 26},
                          {KeyNames(), "F12", 47},
                          {KeyNames(), "Return", 54},
                          {KeyNames(), "Function", 64},
                          {KeyNames(), "Slash", 70},
                          {KeyNames(), "BACKSLASH", 71},
                          {KeyNames(), "Number0", 84},
                          {KeyNames(), "NumberLock", 100},
                          {KeyNames(), "F13", 101},
                          {KeyNames(), "F24", 112},
                          {MouseButtonNames(), "xtwo", 4},
                          {ControllerButtonNames(), "Up", 2},
                          {ControllerButtonNames(), "RightStick", 13},
                          {ControllerButtonNames(), "RightStickDown", 23},
                          {ControllerButtonNames(), "Unknown", 24},
                          {ControllerButtonNames(), "Count", 25}};
    for (const Case& test : cases)
    {
        uint32_t code = 999;
        EXPECT_TRUE(test.names.ParseName(code, StringView::FromCString(test.text))) << test.text;
        EXPECT_EQ(code, test.code) << test.text;
    }
    uint32_t code = 999;
    EXPECT_FALSE(KeyNames().ParseName(code, "Other"));
    EXPECT_FALSE(MouseButtonNames().ParseName(code, "Other"));
    EXPECT_EQ(code, 999u);
}

TEST(InputCodes, VirtualKeysAndMouseMasksMapToCodes)
{
    const std::pair<uint64_t, Key> keys[] = {{'0', Key::Zero},
                                             {'9', Key::Nine},
                                             {'A', Key::A},
                                             {'Z', Key::Z},
                                             {112, Key::F1},
                                             {123, Key::F12},
                                             {124, Key::F13},
                                             {135, Key::F24},
                                             {96, Key::Number0},
                                             {105, Key::Number9},
                                             {12, Key::NumberEquals},
                                             {13, Key::Enter},
                                             {16, Key::LeftShift},
                                             {160, Key::LeftShift},
                                             {161, Key::RightShift},
                                             {17, Key::LeftControl},
                                             {163, Key::RightControl},
                                             {18, Key::LeftAlt},
                                             {165, Key::RightAlt},
                                             {33, Key::PageUp},
                                             {36, Key::Home},
                                             {37, Key::Left},
                                             {38, Key::Up},
                                             {94, Key::Return},
                                             {106, Key::NumberMultiply},
                                             {111, Key::NumberDivide},
                                             {144, Key::NumberLock},
                                             {186, Key::Colon},
                                             {187, Key::Plus},
                                             {191, Key::Backslash},
                                             {192, Key::Tilde},
                                             {220, Key::Slash},
                                             {222, Key::Quote},
                                             {0, Key::Other},
                                             {47, Key::Other},
                                             {136, Key::Other},
                                             {0x100000041ull, Key::Other}};
    for (const auto& [virtualKey, key] : keys)
        EXPECT_EQ(KeyFromVirtualKey(virtualKey), key) << virtualKey;

    const std::pair<uint64_t, MouseButton> buttons[] = {
        {1, MouseButton::Left},  {2, MouseButton::Right}, {16, MouseButton::Middle}, {32, MouseButton::XOne},
        {64, MouseButton::XTwo}, {3, MouseButton::Other}, {4, MouseButton::Other}};
    for (const auto& [mask, button] : buttons)
        EXPECT_EQ(MouseButtonFromMask(mask), button) << mask;
}

TEST(InputFlags, CodesBeyondTheTableReadAsReleased)
{
    KeyboardState state;
    state.held[Key::Other] = 1;
    const auto& held = state.held;
    EXPECT_EQ(held[113u], 1);
    EXPECT_EQ(held[114u], 0);
    EXPECT_EQ(held[0xFFFFFFFFu], 0);
}

namespace
{

// A mouse that reports what the test set, with one poll's pressed and released then cleared.
class ScriptedMouse : public MouseDevice
{
public:
    uint32_t Update(MouseState& state, uint32_t cursor) override
    {
        state.position = next.position;
        state.wheel = next.wheel;
        state.held = next.held;
        state.pressed = next.pressed;
        state.released = next.released;
        next.pressed.Clear();
        next.released.Clear();
        return cursor + 1;
    }

    void Press(MouseButton button)
    {
        next.held[button] = 1;
        next.pressed[button] = 1;
    }
    void Release(MouseButton button)
    {
        next.held[button] = 0;
        next.released[button] = 1;
    }

    MouseState next;
};

class ScriptedController : public ControllerDevice
{
public:
    uint32_t Update(ControllerStates& states, uint32_t cursor) override
    {
        states = next;
        return cursor + 3;
    }
    void SetVibration(float, float, uint32_t) override {}

    ControllerStates next{};
};

} // namespace

TEST(MouseToTouchEmulator, LeftIsOneFingerAndRightPinchesAroundTheCursor)
{
    ScriptedMouse mouse;
    MouseToTouchEmulator touch(mouse);
    TouchState state;
    mouse.next.position = {100, 200};

    mouse.Press(MouseButton::Left);
    EXPECT_EQ(touch.Update(state), 0u);
    EXPECT_TRUE(state.points[0].active && state.points[0].began && !state.points[0].ended);
    EXPECT_FALSE(state.points[1].active || state.points[1].began);
    EXPECT_FLOAT_EQ(state.points[0].position.x, 100);
    EXPECT_FLOAT_EQ(state.points[0].position.y, 200);

    mouse.Release(MouseButton::Left);
    mouse.next.position = {300, 50};
    touch.Update(state);
    EXPECT_TRUE(!state.points[0].active && !state.points[0].began && state.points[0].ended);
    EXPECT_FLOAT_EQ(state.points[0].position.x, 100); // lifted where it was

    // Turning the wheel while pinching spreads the two fingers by twice the wheel total.
    mouse.Press(MouseButton::Right);
    mouse.next.wheel = {0, 3};
    touch.Update(state);
    EXPECT_TRUE(state.points[0].active && state.points[0].began);
    EXPECT_TRUE(state.points[1].active && state.points[1].began);
    EXPECT_FLOAT_EQ(state.points[1].position.x - state.points[0].position.x, 50 + 2 * 3);
    EXPECT_FLOAT_EQ(state.points[0].position.x, 300 - 25 - 3);
    EXPECT_FLOAT_EQ(state.points[1].position.y, 50);

    mouse.Release(MouseButton::Right);
    touch.Update(state);
    EXPECT_TRUE(state.points[0].ended && state.points[1].ended);
    EXPECT_FALSE(state.points[0].active || state.points[1].active);
}

TEST(ControllerToMotionEmulator, FirstPadSticksTurnIntoAngles)
{
    ScriptedController controller;
    ControllerToMotionEmulator motion(controller);
    MotionState state;
    controller.next[0].connected = 1;
    controller.next[0].leftStick = {0.5f, -0.25f};
    controller.next[0].rightStick = {1.0f, 0.75f};
    EXPECT_EQ(motion.Update(state), 3u);
    constexpr float pi = std::numbers::pi_v<float>;
    EXPECT_FLOAT_EQ(state.yaw, pi);
    EXPECT_FLOAT_EQ(state.pitch, -0.25f * pi);
    EXPECT_FLOAT_EQ(state.roll, 0.5f * pi);

    // Only pad 0 counts.
    controller.next[0].connected = 0;
    controller.next[1] = controller.next[0];
    controller.next[1].connected = 1;
    EXPECT_EQ(motion.Update(state), 6u);
    EXPECT_EQ(state.yaw, 0.0f);
    EXPECT_EQ(state.pitch, 0.0f);
    EXPECT_EQ(state.roll, 0.0f);
}
