// Which device a local player's input comes from.

#include "Source/Network/LocalDevices.h"

#include "Source/Data/GameConfiguration.h"

#include <gtest/gtest.h>

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
    for (const bool connected : {true, false})
        for (const bool standsIn : {true, false})
        {
            Devices pads;
            pads.connected = connected;
            LocalDevices devices(&pads, &pads, nullptr, {640, 360}, standsIn);
            devices.Poll();
            const int32_t move = connected ? PlayerInput::AxisRange : standsIn ? -PlayerInput::AxisRange : 0;
            EXPECT_EQ(static_cast<int32_t>(devices.Read(PlayerSlot(nullptr, 0)).move), move) << connected << standsIn;
        }
}

// The mouse aims from where the game last showed the player; a player no view shows, from the centre.
TEST(LocalDevices, TheMouseAimsFromThePlayersScreenPointOrTheWindowsCentre)
{
    struct Mouse final : MouseDevice
    {
        uint32_t Update(MouseState& state, uint32_t cursor) override { return state.position = {100, 100}, cursor; }
    } mouse;
    LocalDevices devices(nullptr, nullptr, &mouse, {1920, 1080});
    devices.SetWindow({640, 360});
    devices.SetScreenPoint(4, {100.0f, 300.0f});
    devices.Poll();
    for (const auto& [localIndex, aimX, aimY] : {std::tuple(4, 0, 127), std::tuple(5, -119, 43)})
    {
        const PlayerInput& input = devices.Read(PlayerSlot(nullptr, localIndex));
        EXPECT_EQ(std::make_tuple(int(input.aimX), int(input.aimY)), std::make_tuple(aimX, aimY)) << localIndex;
    }
}
