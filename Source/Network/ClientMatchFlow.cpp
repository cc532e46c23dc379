#include "Source/Network/ClientNetwork.h"

// The lobby's and the match flow's messages from the server: players coming and going, the vote,
// the chosen configuration and loadouts, spawns, scores and the game type's lines, and what this
// client sends back between matches.

#include "Engine/Foundation/Log.h"
#include "Source/Data/DataRegistry.h"
#include "Source/GameTypes/GameType.h"
#include "Source/Network/ClientLines.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/Messages/EventMessages.h"
#include "Source/World/GameContext.h"
#include "Source/World/World.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

using namespace Lumvek;

namespace
{

// A length of time from the server. The timer never passes one that is not a number, and the end of
// a match and of the intermission wait for it: such a length is taken as none.
float Seconds(float fromServer)
{
    if (std::isfinite(fromServer))
        return fromServer;
    Log::Write(ClientLines::LengthNotANumber(fromServer));
    return 0.0f;
}

} // namespace

void ClientNetwork::ApplyPlayerAdded(const PlayerAddedMessage& added)
{
    if (static_cast<int32_t>(added.client) != clientIndex)
    {
        RemotePlayerSlot& slot = context.configuration.remotePlayers.emplace_back();
        slot.id = static_cast<uint8_t>(added.player);
        slot.clientId = added.client;
    }
    else
        for (PlayerSlot& slot : context.configuration.players)
            if (slot.localIndex == added.localSlot)
            {
                slot.id = static_cast<uint8_t>(added.player);
                break;
            }
}

void ClientNetwork::ApplyPlayerRemoved(const PlayerRemovedMessage& removed)
{
    GameConfiguration& configuration = context.configuration;
    Slot& slot = configuration.GetPlayer(removed.player);
    if (slot.player && context.world)
        context.world->RemovePlayer(*slot.player);
    slot.player = nullptr;
    slot.removed = true;
    // Outside a match nothing refers to the slot any more, and players who come and go would grow
    // the list for as long as no match ends.
    if (IsBetweenMatches())
        configuration.DropRemovedPlayers();
}

void ClientNetwork::ApplyVotingOptions(const VotingOptionsMessage& voting)
{
    // The options travel by name: a list in another order still finds the server's configurations,
    // and one that lacks any of them cannot play the server's matches.
    std::array<uint32_t, 3> found{};
    for (uint32_t i = 0; i < found.size(); ++i)
    {
        found[i] = FindConfiguration(voting.options[i].Get());
        if (found[i] == NoVotingOption)
            return LeaveForConfigurations(voting.options[i].Get(), static_cast<int>(i));
    }
    votingOptions = found;
    BeginTimedState(NetworkState::Voting, Seconds(voting.duration) - 0.5f);
}

void ClientNetwork::ApplySetConfiguration(const SetConfigurationMessage& chosen)
{
    const uint32_t index = FindConfiguration(chosen.configuration.Get());
    if (index == NoVotingOption)
        return LeaveForConfigurations(chosen.configuration.Get(), -1);
    chosenOption = index;
    context.configuration = *context.registry->configurations.Get(index);
    limits.SetConfiguration(context.configuration);
    BeginTimedState(NetworkState::Configured, Seconds(chosen.duration));
}

void ClientNetwork::ApplySetLoadouts(const SetLoadoutsMessage& loadouts)
{
    for (uint32_t i = 0; i < loadouts.count && i < SetLoadoutsMessage::MaxEntries; ++i)
    {
        const SetLoadoutsMessage::Entry& entry = loadouts.entries[i];
        Slot& slot = context.configuration.GetPlayer(entry.player);
        if (slot.removed)
            continue;
        slot.team = entry.team;
        const LoadoutParts& parts = entry.parts;
        // A part index equal to its list's count travels, but no part lies there.
        if (!IsValidLoadout(parts, limits))
        {
            Log::Write(ClientLines::PartPastLists(entry.player));
            continue;
        }
        slot.loadout.head = parts.head;
        slot.loadout.core = parts.core;
        slot.loadout.arms = parts.arms;
        slot.loadout.legs = parts.legs;
    }
    BeginTimedState(NetworkState::Loaded, Seconds(loadouts.duration));
}

void ClientNetwork::ApplyStartGame()
{
    Enter(NetworkState::Prepared);
    frame = 0;
    nextStateFrame = 0;
    heardShots.Clear();
    inputLead.Start(elapsed, MeasuredLink());
    inputs.Forget();
}

void ClientNetwork::ApplyEndGame(const EndGameMessage& ended)
{
    if (state == NetworkState::Playing)
        Log::Write(ClientLines::LeadAtEnd(inputLead.GetLead(), inputLead.GetMargin(), inputLead.GetSpare()));
    timer = 0.0f;
    duration = Seconds(ended.duration);
    intermission = Seconds(ended.intermission);
    SaveJournal();
}

void ClientNetwork::ApplyPlayerSpawned(const PlayerSpawnedMessage& spawned)
{
    Slot& slot = context.configuration.GetPlayer(spawned.player);
    if (slot.removed)
        return;
    if (!slot.player)
    {
        // The world makes the player there when it creates it.
        slot.pendingSpawn = true;
        slot.spawnPosition = spawned.position;
        slot.spawnFlag = spawned.facesLeft;
        return;
    }
    SpawnPoint point;
    point.x = spawned.position.x;
    point.y = spawned.position.y;
    point.flipped = spawned.facesLeft;
    slot.player->Spawn(point);
    if (context.GetGameType())
        context.GetGameType()->SpawnPlayer(*slot.player);
}

void ClientNetwork::ApplyScore(const ScoreMessage& scores)
{
    // The last count comes before the end on the reliable channel; a copy that arrives after the
    // end was sent before it, unreliably, and is out of date.
    if (!context.GetGameType() || state == NetworkState::Ended || state == NetworkState::Leaving ||
        state == NetworkState::Ending || state == NetworkState::Stopped)
        return;
    std::array<ScoreEntry, ScoreMessage::Capacity> teams{};
    std::array<ScoreEntry, ScoreMessage::Capacity> players{};
    const uint32_t teamCount = std::min<uint32_t>(scores.teamCount, ScoreMessage::Capacity);
    const uint32_t playerCount = std::min<uint32_t>(scores.playerCount, ScoreMessage::Capacity);
    for (uint32_t i = 0; i < teamCount; ++i)
        teams[i] = {scores.teams[i].index, scores.teams[i].score};
    for (uint32_t i = 0; i < playerCount; ++i)
        players[i] = {scores.players[i].index, scores.players[i].score};
    context.GetGameType()->ReceiveScores(std::span(teams.data(), teamCount), std::span(players.data(), playerCount));
}

void ClientNetwork::ApplyGameTypeEvent(const GameTypeEventMessage& line)
{
    GameType* rules = context.GetGameType();
    if (!rules)
        return;
    if (line.eventClass == GameTypeEventMessage::EventClass)
        rules->PostEvent(line.kind, line.a, line.b, line.c, line.player, line.team);
    else if (line.eventClass == GameTypeEventMessage::StatusClass)
        rules->ReceiveStatus(line.kind, line.a, line.b, line.c, line.player, line.team);
    else
        rules->PostFeedEvent(line.kind, line.a, line.b, line.c);
}

bool ClientNetwork::SendSetLoadout(uint8_t player, uint32_t head, uint32_t core, uint32_t arms, uint32_t legs)
{
    if (player >= World::PlayerCount || !IsValidLoadout({head, core, arms, legs}, limits))
    {
        Log::Write(ClientLines::LoadoutNotSent(player));
        return false;
    }
    const int channel = static_cast<int>(GameChannel::Reliable);
    if (!client || !client->IsConnected() || !client->CanSendMessage(channel))
        return false;
    auto* message = static_cast<SetLoadoutMessage*>(client->CreateMessage(static_cast<int>(SetLoadoutMessage::Type)));
    if (!message)
        return false;
    message->player = player;
    message->parts = {head, core, arms, legs};
    client->SendMessage(channel, message);
    return true;
}

bool ClientNetwork::SendVote(uint8_t player, uint32_t choice)
{
    // The message holds the world's players and options 0 to 2: an unnumbered player has nothing to send.
    if (player >= World::PlayerCount || choice > 2)
    {
        Log::Write(ClientLines::VoteNotSent(player, choice));
        return false;
    }
    const int channel = static_cast<int>(GameChannel::Reliable);
    if (!client || !client->IsConnected() || !client->CanSendMessage(channel))
        return false;
    auto* message = static_cast<SetVoteMessage*>(client->CreateMessage(static_cast<int>(SetVoteMessage::Type)));
    if (!message)
        return false;
    message->player = player;
    message->choice = choice;
    client->SendMessage(channel, message);
    return true;
}
