#include "Source/Data/GameConfiguration.h"
#include "Source/Network/ClientInputs.h"
#include "Source/World/Player.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace ClientInputsTests
{

// What went out, as frame:move of each input in the order sent.
struct Recorded final : ClientInputs::Sender
{
    std::string sent;
    void SendInput(uint32_t frame, uint8_t, const PlayerInput& input) override
    {
        sent += std::to_string(frame) + ":" + std::to_string(input.move) + " ";
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
        PlayerSlot slot;
        slot.id = 3;
        slot.player = &player;
        const std::vector<PlayerSlot> slots{slot};
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

} // namespace ClientInputsTests
