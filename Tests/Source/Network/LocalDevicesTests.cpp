// Which device a local player's input comes from.

#include "Source/Network/LocalDevices.h"

#include "Source/Data/GameConfiguration.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace Lumvek;

// The pad plays while it is connected; without it the keyboard stands in, only where asked.
TEST(LocalDevices, TheKeyboardStandsInForAPadThatIsNotConnectedOnlyWhereAsked)
{
    // Pad 0, connected or not, with its stick pushed right; the keyboard with its A (move left) held.
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
    // Connected, stands in, the move read.
    const std::tuple<bool, bool, int32_t> cases[] = {{true, true, PlayerInput::AxisRange},
                                                     {true, false, PlayerInput::AxisRange},
                                                     {false, true, -PlayerInput::AxisRange},
                                                     {false, false, 0}};
    for (const auto& [connected, standsIn, move] : cases)
    {
        Devices pads;
        pads.connected = connected;
        LocalDevices devices(&pads, &pads, nullptr, {640, 360}, standsIn);
        devices.Poll();
        EXPECT_EQ(static_cast<int32_t>(devices.Read(PlayerSlot(nullptr, 0)).move), move) << connected << standsIn;
    }
}
