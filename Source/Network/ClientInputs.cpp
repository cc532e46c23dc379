#include "Source/Network/ClientInputs.h"

#include "Libraries/Net/Client.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Network/Messages/GameMessage.h"
#include "Source/Network/Messages/InputMessage.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"

#include <algorithm>

void ClientInputs::Forget()
{
    for (SentInputs& sent : sentInputs)
        sent.kept = false;
}

void ClientInputs::Gather(const std::vector<PlayerSlot>& players, uint32_t frame)
{
    devices.Poll();
    for (const PlayerSlot& slot : players)
        devices.Read(slot).SaveHistory(frame);
}

void ClientInputs::Skip(Net::Client& client, const std::vector<PlayerSlot>& players, uint32_t& frame, uint32_t target)
{
    if (frame > target)
    {
        // The server has stepped none of the frames given up: they are simply counted again.
        frame = target;
        return;
    }
    // The frames skipped get the current input, kept for a re-simulation and sent where the server may
    // still wait for them: older ones it has stepped at their deadlines.
    for (; frame < target; ++frame)
    {
        for (const PlayerSlot& slot : players)
            devices.InputOf(slot).SaveHistory(frame);
        if (target - frame <= InputLead::MaximumLead)
            Send(client, players, frame, 1);
    }
}

void ClientInputs::Send(Net::Client& client, const std::vector<PlayerSlot>& slots, uint32_t forFrame, uint32_t copies)
{
    SentInputs& kept = sentInputs[forFrame % Copies];
    kept.frame = forFrame;
    kept.kept = true;
    for (size_t i = 0; i < slots.size() && i < kept.inputs.size(); ++i)
        kept.inputs[i] = slots[i].player ? slots[i].player->input : PlayerInput();
    const int channel = static_cast<int>(GameChannel::Unreliable);
    // The oldest copy first: the server takes any input at or after the frame it steps next, and a
    // second write of the same input changes nothing.
    for (uint32_t back = std::min(copies, Copies); back-- > 0;)
    {
        if (back > forFrame)
            continue;
        const SentInputs& sent = sentInputs[(forFrame - back) % Copies];
        if (!sent.kept || sent.frame != forFrame - back)
            continue;
        for (size_t i = 0; i < slots.size() && i < sent.inputs.size(); ++i)
        {
            if (slots[i].id >= World::PlayerCount || !client.CanSendMessage(channel))
                continue;
            auto* message = static_cast<InputMessage*>(client.CreateMessage(static_cast<int>(InputMessage::Type)));
            if (!message)
                continue;
            message->frame = sent.frame;
            message->player = slots[i].id;
            message->input = sent.inputs[i];
            client.SendMessage(channel, message);
        }
    }
}
