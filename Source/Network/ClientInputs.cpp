#include "Source/Network/ClientInputs.h"

#include "Source/Data/GameConfiguration.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"

#include <algorithm>

void ClientInputs::Forget()
{
    for (SentInputs& sent : sentInputs)
        sent.kept = false;
    // What was pressed in the menus before the match stays there.
    devices.Suspend();
}

void ClientInputs::Gather(const std::vector<PlayerSlot>& players, uint32_t frame)
{
    devices.Poll();
    for (const PlayerSlot& slot : players)
        devices.Read(slot).SaveHistory(frame);
}

void ClientInputs::Skip(Sender& sender, const std::vector<PlayerSlot>& players, uint32_t& frame, uint32_t target)
{
    if (frame > target)
    {
        // The server has stepped none of the frames given up: they are simply counted again.
        frame = target;
        return;
    }
    // The frames skipped get the controls as they stand, kept for a re-simulation and sent where the
    // server may still wait for them: older ones it has stepped at their deadlines. A tap the last tick
    // took counts for that tick alone; copied into every frame skipped it would hold a trigger down for
    // as many frames, long enough at a low frame rate for a second automatic shot. The devices are not
    // polled here: a tap since the last tick waits for the next, whose frame the server still steps.
    devices.ForgetPresses();
    for (; frame < target; ++frame)
    {
        for (const PlayerSlot& slot : players)
            devices.Read(slot).SaveHistory(frame);
        if (target - frame <= InputLead::MaximumLead)
            Send(sender, players, frame, 1);
    }
}

void ClientInputs::Send(Sender& sender, const std::vector<PlayerSlot>& slots, uint32_t forFrame, uint32_t copies)
{
    SentInputs& kept = sentInputs[forFrame % Copies];
    kept.frame = forFrame;
    kept.kept = true;
    for (size_t i = 0; i < slots.size() && i < kept.inputs.size(); ++i)
        kept.inputs[i] = slots[i].player ? slots[i].player->input : PlayerInput();
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
            if (slots[i].id < World::PlayerCount)
                sender.SendInput(sent.frame, slots[i].id, sent.inputs[i]);
        }
    }
}
