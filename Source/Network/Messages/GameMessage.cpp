#include "Source/Network/Messages/GameMessage.h"

GameChannel GetMessageChannel(GameMessageType type, bool reliable)
{
    switch (type)
    {
    case GameMessageType::GameState:
    case GameMessageType::Score:
        return reliable ? GameChannel::Reliable : GameChannel::Unreliable;
    case GameMessageType::Input:
        return GameChannel::Unreliable;
    default:
        return GameChannel::Reliable;
    }
}
