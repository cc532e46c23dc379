#include "Source/Network/ServerNetwork.h"

#include "Engine/Foundation/Log.h"
#include "Source/Network/Messages/InputMessage.h"
#include "Source/Network/ServerLines.h"
#include "Source/Network/Vote.h"
#include "Source/World/GameContext.h"

#include <algorithm>

// What the server does with the messages its clients send: each is checked against the client's own
// players and the lists it names before it changes anything.

using namespace Lumvek;

Slot* ServerNetwork::OwnPlayer(int client, uint32_t player, GameMessageType type, const char* what)
{
    if (player <= UINT8_MAX && lockstep.FindPlayer(static_cast<uint8_t>(player), client))
        return RemoteSlot(player);
    if (Refuse(client, type))
        Log::Write(ServerLines::NotItsPlayer(client, what, player));
    return nullptr;
}

void ServerNetwork::HandleMessage(int client, Net::Message& message)
{
    switch (static_cast<GameMessageType>(message.GetType()))
    {
    case GameMessageType::AddPlayer:
    {
        const auto& request = static_cast<const AddPlayerMessage&>(message);
        // A client that joins during a match waits for the next one, as its first request does.
        if (state != NetworkState::Waiting && admission.AwaitsPlayers(client) &&
            !admission.GetClient(client).heldRequest)
        {
            // Otherwise the host reads that the client connected, then nothing for a whole match.
            if (admission.Hold(client, {static_cast<uint8_t>(request.count), request.players}) && MayLog(client, true))
                Log::Write(ServerLines::HoldsForNextMatch(client, request.count, state));
            break;
        }
        AddPlayers(client, request.count, request.players.data());
        break;
    }
    case GameMessageType::SetLoadout:
    {
        const auto& loadout = static_cast<const SetLoadoutMessage&>(message);
        Slot* slot = OwnPlayer(client, loadout.player, GameMessageType::SetLoadout, "a loadout");
        if (slot && !IsValidLoadout(loadout.parts, limits))
        {
            if (Refuse(client, GameMessageType::SetLoadout))
                Log::Write(ServerLines::PartPastLists(client, loadout.player, false));
        }
        else if (slot)
        {
            slot->loadout.head = loadout.parts.head;
            slot->loadout.core = loadout.parts.core;
            slot->loadout.arms = loadout.parts.arms;
            slot->loadout.legs = loadout.parts.legs;
        }
        break;
    }
    case GameMessageType::SetVote:
    {
        const auto& vote = static_cast<const SetVoteMessage&>(message);
        if (Slot* slot = OwnPlayer(client, vote.player, GameMessageType::SetVote, "a vote"))
            slot->vote = vote.choice;
        break;
    }
    case GameMessageType::Input:
    {
        const auto& input = static_cast<const InputMessage&>(message);
        InputBuffer* own =
            input.player <= UINT8_MAX ? lockstep.FindPlayer(static_cast<uint8_t>(input.player), client) : nullptr;
        if (!own)
        {
            if (Refuse(client, GameMessageType::Input))
                Log::Write(ServerLines::NotItsPlayer(client, "input", input.player));
        }
        else
            lockstep.Receive(*own, input.frame, input.input, state == NetworkState::Playing, Now());
        break;
    }
    case GameMessageType::MissingConfiguration:
    {
        // Only a client the vote was sent to has a say: a stranger would leave without its cool-down.
        const auto& missing = static_cast<const MissingConfigurationMessage&>(message);
        if (!admission.HasPlayers(client))
        {
            if (Refuse(client, GameMessageType::MissingConfiguration))
                Log::Write(ServerLines::LacksConfigurationWithoutPlayers(client));
            break;
        }
        if (MayLog(client, true))
            Log::Write(ServerLines::LacksConfiguration(client,
                                                       Vote::ConfigurationKey(context, votingOptions[missing.option])));
        admission.Dismiss(client);
        break;
    }
    default:
        if (Refuse(client, static_cast<GameMessageType>(message.GetType())))
            Log::Write(ServerLines::ServerOnlyMessage(client, message.GetType()));
        break;
    }
}
