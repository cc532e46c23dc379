// Which device a local player's input comes from.

#include "Source/Network/LocalDevices.h"

#include "Source/Data/GameConfiguration.h"

#include <gtest/gtest.h>

using namespace Lumvek;

namespace
{

// Pad 0, connected or not, with its stick pushed right; the keyboard with its A held.
struct Devices final : ControllerDevice, KeyboardDevice
{
    uint32_t Update(ControllerStates& states, uint32_t cursor) override
    {
        states[0].connected = connected ? 1 : 0;
        states[0].leftStick.x = connected ? 1.0f : 0.0f;
        return cursor;
    }
    uint32_t Update(KeyboardState& state, uint32_t cursor) override
    {
        state.held[Key::A] = 1;
        return cursor;
    }
    void SetVibration(float, float, uint32_t) override {}

    bool connected = false;
};

} // namespace

// The player on pad 0 moves with the pad while it is connected; without it, and only where the
// keyboard stands in, with the keyboard's move-left.
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
        Devices pads;
        pads.connected = test.connected;
        LocalDevices devices(&pads, &pads, nullptr, {640, 360}, test.standsIn);
        devices.Poll();
        EXPECT_EQ(static_cast<int32_t>(devices.Read(PlayerSlot(nullptr, 0)).move), test.move)
            << test.connected << test.standsIn;
    }
}
