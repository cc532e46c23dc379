#include "Source/Network/Messages/VantorelMessageFactory.h"

#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/Messages/EventMessages.h"
#include "Source/Network/Messages/GameStateMessage.h"
#include "Source/Network/Messages/InputMessage.h"

VantorelMessageFactory::VantorelMessageFactory(Net::Allocator& allocator, const MessageLimits& limits)
    : Net::MessageFactory(allocator, GameMessageTypeCount), limits(limits)
{
}

Net::Message* VantorelMessageFactory::CreateMessageInternal(int type)
{
    Net::Allocator& allocator = GetAllocator();
    switch (static_cast<GameMessageType>(type))
    {
    case GameMessageType::PlayerAdded:
        return NET_NEW(allocator, PlayerAddedMessage, limits);
    case GameMessageType::PlayerRemoved:
        return NET_NEW(allocator, PlayerRemovedMessage, limits);
    case GameMessageType::VotingOptions:
        return NET_NEW(allocator, VotingOptionsMessage, limits);
    case GameMessageType::SetConfiguration:
        return NET_NEW(allocator, SetConfigurationMessage, limits);
    case GameMessageType::SetLoadouts:
        return NET_NEW(allocator, SetLoadoutsMessage, limits);
    case GameMessageType::StartGame:
        return NET_NEW(allocator, StartGameMessage, limits);
    case GameMessageType::EndGame:
        return NET_NEW(allocator, EndGameMessage, limits);
    case GameMessageType::GameState:
        return NET_NEW(allocator, GameStateMessage, limits);
    case GameMessageType::PlayerSpawned:
        return NET_NEW(allocator, PlayerSpawnedMessage, limits);
    case GameMessageType::PlayerKilled:
        return NET_NEW(allocator, PlayerKilledMessage, limits);
    case GameMessageType::PickupRemoved:
        return NET_NEW(allocator, PickupRemovedMessage, limits);
    case GameMessageType::ProjectileRemoved:
        return NET_NEW(allocator, ProjectileRemovedMessage, limits);
    case GameMessageType::TriggerRemoved:
        return NET_NEW(allocator, TriggerRemovedMessage, limits);
    case GameMessageType::TriggerCreated:
        return NET_NEW(allocator, TriggerCreatedMessage, limits);
    case GameMessageType::GameTypeEvent:
        return NET_NEW(allocator, GameTypeEventMessage, limits);
    case GameMessageType::Score:
        return NET_NEW(allocator, ScoreMessage, limits);
    case GameMessageType::AddPlayer:
        return NET_NEW(allocator, AddPlayerMessage, limits);
    case GameMessageType::SetLoadout:
        return NET_NEW(allocator, SetLoadoutMessage, limits);
    case GameMessageType::SetVote:
        return NET_NEW(allocator, SetVoteMessage, limits);
    case GameMessageType::Input:
        return NET_NEW(allocator, InputMessage, limits);
    case GameMessageType::MissingConfiguration:
        return NET_NEW(allocator, MissingConfigurationMessage, limits);
    case GameMessageType::Count:
        break;
    }
    return nullptr;
}
