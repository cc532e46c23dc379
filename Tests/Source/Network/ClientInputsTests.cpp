#include "Source/Data/GameConfiguration.h"
#include "Source/Network/ClientInputs.h"
#include "Source/World/Player.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace ClientInputsTests
{

std::vector<PlayerSlot> OneSlot(Player& player, uint8_t id)
{
    PlayerSlot slot;
    slot.id = id;
    slot.player = &player;
    return {slot};
}

// What went out, as frame:move of each input in the order sent, with a * where it pulls the trigger.
struct Recorded final : ClientInputs::Sender
{
    std::string sent;
    void SendInput(uint32_t frame, uint8_t, const PlayerInput& input) override
    {
        sent += std::to_string(frame) + ":" + std::to_string(input.move) + (input[PlayerAction::Primary] ? "* " : " ");
    }
};

// Frames sent one after another, each with its player's move: the last send carries the copies of the
// frames before it kept with their own inputs, oldest first, so that the server has a frame whose packet
// was lost from the next; a frame never sent has no copy, and the copies reach back only so far.
TEST(ClientInputsTest, EachSendCarriesTheFramesBeforeItAsTheyWereSent)
{
    const std::pair<std::vector<uint32_t>, std::string> rows[] = {
        {{0}, "0:1 "},    {{0, 1, 2}, "0:1 1:2 2:3 "}, {{0, 2}, "0:1 2:2 "}, {{0, 1, 2, 3, 4}, "2:3 3:4 4:5 "},
        {{5, 1}, "1:2 "},
    };
    for (const auto& [frames, last] : rows)
    {
        Player player;
        const std::vector<PlayerSlot> slots = OneSlot(player, 3);
        ClientInputs inputs;
        Recorded sender;
        for (size_t i = 0; i < frames.size(); ++i)
        {
            player.input.move = static_cast<int8_t>(i + 1);
            sender.sent.clear();
            inputs.Send(sender, slots, frames[i]);
        }
        EXPECT_EQ(sender.sent, last);
    }
}

// The left button tapped between two ticks, or held, as the mouse reports it at the first poll; later
// polls bring no new event.
struct TappedMouse final : Lumvek::MouseDevice
{
    bool held = false;
    uint32_t Update(Lumvek::MouseState& state, uint32_t cursor) override
    {
        state.pressed.Clear();
        if (cursor == 0)
        {
            state.pressed[Lumvek::MouseButton::Left] = 1;
            state.held[Lumvek::MouseButton::Left] = held ? 1 : 0;
        }
        return 1;
    }
};

// A slow frame that skips the client forward after a tick that took a tap: the tap pulls the trigger in
// that tick alone, while a button still held holds it in every frame skipped. A skipped frame that
// repeated the tap held the trigger long enough for a second automatic shot.
TEST(ClientInputsTest, FramesSkippedAfterATapDoNotRepeatIt)
{
    for (const auto& [held, sent] : {std::pair(false, "0:0* 1:0 2:0 3:0 4:0 5:0 6:0 7:0 8:0 "),
                                     std::pair(true, "0:0* 1:0* 2:0* 3:0* 4:0* 5:0* 6:0* 7:0* 8:0* ")})
    {
        TappedMouse mouse;
        mouse.held = held;
        Player player;
        const std::vector<PlayerSlot> slots = OneSlot(player, 0);
        ClientInputs inputs;
        inputs.Devices() = LocalDevices(nullptr, nullptr, &mouse, {640, 360}, true);
        Recorded sender;
        inputs.Gather(slots, 0);
        inputs.Send(sender, slots, 0, 1);
        uint32_t frame = 1;
        inputs.Skip(sender, slots, frame, 9);
        EXPECT_EQ(sender.sent, sent) << held;
        EXPECT_EQ(frame, 9u);
    }
}

} // namespace ClientInputsTests
