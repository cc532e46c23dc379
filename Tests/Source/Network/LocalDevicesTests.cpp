// Which device a local player's input comes from.

#include "Source/Network/LocalDevices.h"

#include "Source/Data/GameConfiguration.h"

#include <gtest/gtest.h>

using namespace Lumvek;

namespace
{

// Pad 0 connected or not, its stick pushed right; the keyboard's A held.
class Pads final : public ControllerDevice
{
public:
    explicit Pads(bool connected) : connected(connected) {}
    uint32_t Update(ControllerStates& states, uint32_t cursor) override
    {
        states[0].connected = connected ? 1 : 0;
        states[0].leftStick.x = connected ? 1.0f : 0.0f;
        return cursor;
    }
    void SetVibration(float, float, uint32_t) override {}

    bool connected;
};

class Keys final : public KeyboardDevice
{
public:
    uint32_t Update(KeyboardState& state, uint32_t cursor) override
    {
        state.held[Key::A] = 1;
        return cursor;
    }
};

} // namespace

// A player on pad 0 moves with the pad while it is connected; without it, only where the keyboard
// stands in, the keyboard's move-left moves it.
TEST(LocalDevices, TheKeyboardStandsInForAPadThatIsNotConnectedOnlyWhereAsked)
{
    const struct
    {
        bool connected, standsIn;
        int32_t move;
    } cases[] = {{true, true, PlayerInput::AxisRange},
                 {true, false, PlayerInput::AxisRange},
                 {false, true, -PlayerInput::AxisRange},
                 {false, false, 0}};
    for (const auto& test : cases)
    {
        Pads pads(test.connected);
        Keys keys;
        LocalDevices devices(&pads, &keys, nullptr, {640, 360}, test.standsIn);
        PlayerSlot slot(nullptr, 0);
        devices.Poll();
        EXPECT_EQ(static_cast<int32_t>(devices.Read(slot).move), test.move) << test.connected << test.standsIn;
    }
}
