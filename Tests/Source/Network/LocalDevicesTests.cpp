// Which device a local player's input comes from.

#include "Source/Network/LocalDevices.h"

#include "Source/Data/GameConfiguration.h"
#include "Source/Network/ClientInputs.h"
#include "Source/World/Player.h"
#include "Tests/Source/Network/EventPad.h"

#include <gtest/gtest.h>

#include <string_view>

using namespace Lumvek;

// The pad plays while it is connected; without it the keyboard stands in, only where asked.
TEST(LocalDevices, TheKeyboardStandsInForAPadThatIsNotConnectedOnlyWhereAsked)
{
    // Pad 0, connected or not, with its stick pushed right; the keyboard with its A (move left) held.
    struct HeldA final : KeyboardDevice
    {
        uint32_t Update(KeyboardState& state, uint32_t cursor) override { return state.held[Key::A] = 1, cursor; }
    } keyboard;
    for (const bool connected : {true, false})
        for (const bool standsIn : {true, false})
        {
            NetworkTesting::EventPad pad;
            pad.connected = connected;
            pad.stickX = connected ? 1.0f : 0.0f;
            LocalDevices devices(&pad, &keyboard, nullptr, {640, 360}, standsIn);
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

// A's tap and Right's press made while the match was paused or before a client's match began, with the
// stick held right through it: after the resume or the start the player moves but neither jumps nor
// selects. The first read used to act every press the pause or the menus had kept; live devices act them.
TEST(LocalDevices, PressesMadeWhileSuspendedDoNotActButHeldControlsStillDo)
{
    for (const std::string_view way : {"live", "paused", "a client's start"})
    {
        const bool live = way == "live", paused = way == "paused", clientStart = !live && !paused;
        NetworkTesting::EventPad pad;
        ClientInputs client;
        Player player;
        std::vector<PlayerSlot> slots(1);
        slots[0].player = &player;
        LocalDevices& devices = client.Devices() = LocalDevices(&pad, nullptr, nullptr, {640, 360});
        devices.Poll();
        pad.stickX = 1.0f;
        if (paused)
            devices.Suspend();
        pad.Press(ControllerButton::A, true);
        pad.Press(ControllerButton::A, false);
        pad.Press(ControllerButton::Right, true);
        if (clientStart)
            client.Forget(), client.Gather(slots, 0);
        else
            devices.Poll();
        const PlayerInput& input = clientStart ? player.input : devices.Read(PlayerSlot(nullptr, 0));
        EXPECT_EQ(input[PlayerAction::Jump], live);
        EXPECT_EQ(input[PlayerAction::SelectArms], live);
        EXPECT_EQ(input.move, PlayerInput::AxisRange);
        // A press after the resume acts.
        pad.Press(ControllerButton::A, true);
        devices.Poll();
        EXPECT_EQ(devices.Read(PlayerSlot(nullptr, 0))[PlayerAction::Jump], 1);
    }
}
