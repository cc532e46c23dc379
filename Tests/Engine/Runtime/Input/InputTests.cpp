#include "Engine/Runtime/Input/ControllerToMotionEmulator.h"
#include "Engine/Runtime/Input/Input.h"
#include "Engine/Runtime/Input/InputEvents.h"
#include "Engine/Runtime/Input/MouseToTouchEmulator.h"

#include <gtest/gtest.h>

#include <numbers>
#include <thread>
#include <tuple>
#include <vector>

using namespace Lumvek;

TEST(EventRing, ExactlyARingsWorthBetweenPollsIsReadLapAfterLap)
{
    KeyboardRing ring;
    uint32_t cursor = 0;
    for (uint64_t lap = 0; lap < 25; ++lap)
    {
        for (uint64_t i = 0; i < 10; ++i)
            ring.Push({1, lap * 10 + i});
        uint64_t expected = lap * 10;
        cursor = ring.Read(cursor, [&expected](const KeyEvent& event) { EXPECT_EQ(event.virtualKey, expected++); });
        EXPECT_EQ(expected, lap * 10 + 10);
    }
}

// A stall of 25 key events, more than twice the ring: six W taps, one tap each of D, Space, A, E and Q, and S
// held, each counted as often as it went down (taps pushed out of the ring used to be lost). A new reader
// takes only the ring's latest events, not every tap made before it.
TEST(EventRing, AStallKeepsEveryTapOfEachKey)
{
    KeyboardRing ring;
    KeyboardState reader;
    uint32_t cursor = ring.Apply(0, reader.held, reader.pressed, reader.released, reader.taken);
    for (const uint64_t key : {'W', 'W', 'W', 'D', 'W', ' ', 'W', 'A', 'E', 'W', 'Q'})
        for (const uint8_t down : {1, 0})
            ring.Push({down, key});
    for (const KeyEvent event : {KeyEvent{1, 'S'}, KeyEvent{1, 'W'}, KeyEvent{0, 'W'}})
        ring.Push(event);
    KeyboardState late;
    ring.Apply(0, late.held, late.pressed, late.released, late.taken);
    cursor = ring.Apply(cursor, reader.held, reader.pressed, reader.released, reader.taken);
    for (const auto& [key, taps, lateTaps] :
         {std::tuple(Key::W, 7, 2), std::tuple(Key::D, 1, 0), std::tuple(Key::Space, 1, 0), std::tuple(Key::A, 1, 0),
          std::tuple(Key::E, 1, 1), std::tuple(Key::Q, 1, 1), std::tuple(Key::S, 1, 1)})
        EXPECT_EQ(std::tuple(int(reader.pressed[key]), int(reader.released[key]), int(late.pressed[key])),
                  std::tuple(taps, key == Key::S ? 0 : taps, lateTaps))
            << static_cast<int>(key);
    EXPECT_TRUE(reader.held[Key::S] && late.held[Key::S]);
    // Read up to date, the next read takes nothing again.
    ring.Apply(cursor, reader.held, reader.pressed, reader.released, reader.taken);
    EXPECT_EQ(reader.pressed[Key::W], 0);
}

// Right and Tab held, each repeating ten times, read a frame per event: a reader that asks for repeats
// nudges eleven times with Right; Tab, a toggle, is pressed once for it and for a player who asks not.
TEST(EventRing, RepeatsReachOnlyAReaderThatAsksAndPressNothing)
{
    KeyboardRing ring;
    KeyboardState tools, player;
    uint32_t toolsCursor = 0, playerCursor = 0, nudges = 0, toggles = 0, playerToggles = 0;
    for (const uint64_t key : {39, 9})
        for (uint8_t repeat = 0; repeat <= 10; ++repeat)
        {
            ring.Push({1, key, repeat != 0});
            toolsCursor =
                ring.Apply(toolsCursor, tools.held, tools.pressed, tools.released, tools.taken, &tools.repeated);
            playerCursor = ring.Apply(playerCursor, player.held, player.pressed, player.released, player.taken);
            nudges += tools.pressed[Key::Right] + tools.repeated[Key::Right];
            toggles += tools.pressed[Key::Tab];
            playerToggles += player.pressed[Key::Tab] + player.pressed[Key::Right];
        }
    EXPECT_EQ(std::tuple(nudges, toggles, playerToggles), std::tuple(11u, 1u, 2u));
    EXPECT_TRUE(player.held[Key::Right] && player.held[Key::Tab]);
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

TEST(InputNames, NamesReadBackAsTheirCodes)
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
    const std::pair<const char*, uint32_t> keys[] = {{"Zero", 26},  {"Return", 54},    {"Function", 64},
                                                     {"Slash", 70}, {"Backslash", 71}, {"NumberLock", 100},
                                                     {"F13", 101},  {"F24", 112}};
    for (const auto& [text, code] : keys)
        EXPECT_EQ(KeyNames().GetName(code).ToString(), text) << code;
    EXPECT_EQ(ControllerButtonNames().GetName(25), StringView("Count"));
    // Every other key has no name, so a binding to it writes the empty text.
    EXPECT_EQ(KeyNames().GetName(static_cast<uint32_t>(Key::Other)), StringView());
}

namespace
{

// A mouse that reports what the test set; pressed and released last one poll.
class ScriptedMouse : public MouseDevice
{
public:
    uint32_t Update(MouseState& state, uint32_t cursor) override
    {
        state = next;
        next.pressed.Clear();
        next.released.Clear();
        return cursor + 1;
    }

    void Set(MouseButton button, bool down)
    {
        next.held[button] = down;
        (down ? next.pressed : next.released)[button] = 1;
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

TEST(TextRing, TypedTextArrivesAsCodePointsAndMalformedBytesAreSkipped)
{
    Lumvek::TextRing ring;
    Lumvek::PushText(ring, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x99\x82\xC3(\xE0\x80\x80z");
    std::vector<uint32_t> read;
    ring.Read(0, [&](const Lumvek::TextEvent& event) { read.push_back(event.codePoint); });
    // A cut sequence and an overlong one are skipped byte by byte.
    EXPECT_EQ(read, (std::vector<uint32_t>{'a', 0xE9, 0x20AC, 0x1F642, '(', 'z'}));
}

} // namespace

TEST(MouseToTouchEmulator, LeftIsOneFingerAndRightPinchesAroundTheCursor)
{
    ScriptedMouse mouse;
    MouseToTouchEmulator touch(mouse);
    TouchState state;
    const TouchPoint& first = state.points[0];
    const TouchPoint& second = state.points[1];

    mouse.next.position = {100, 200};
    mouse.Set(MouseButton::Left, true);
    EXPECT_EQ(touch.Update(state), 0u);
    EXPECT_TRUE(first.active && first.began && !first.ended && !second.active);
    EXPECT_EQ(first.position.x, 100);

    mouse.Set(MouseButton::Left, false);
    mouse.next.position = {300, 50};
    touch.Update(state);
    EXPECT_TRUE(!first.active && first.ended);
    EXPECT_EQ(first.position.x, 100); // lifted where it was

    // Turning the wheel while pinching spreads the fingers by twice the wheel total.
    mouse.Set(MouseButton::Right, true);
    mouse.next.wheel = {0, 3};
    touch.Update(state);
    EXPECT_TRUE(first.active && first.began && second.active && second.began);
    EXPECT_EQ(first.position.x, 300 - 25 - 3);
    EXPECT_EQ(second.position.x, 300 + 25 + 3);
    EXPECT_EQ(second.position.y, 50);
}

TEST(ControllerToMotionEmulator, OnlyTheFirstPadsSticksTurnIntoAngles)
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

    controller.next[1] = controller.next[0];
    controller.next[0].connected = 0;
    EXPECT_EQ(motion.Update(state), 6u);
    EXPECT_EQ(state.yaw + state.pitch + state.roll, 0.0f);
}
