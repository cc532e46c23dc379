#pragma once

#include "Source/Network/Messages/GameMessage.h"
#include "Source/Network/Messages/GameState.h"

#include <cstdint>

// Server to client: the client's part of the world as it stood at a server frame. Sent unreliably at the
// server's update rate, and reliably once more when a match ends; the client applies the newest.
class GameStateMessage final : public GameMessage<GameStateMessage, GameMessageType::GameState>
{
public:
    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream)
    {
        return Wire::Raw(stream, frame) && SerializeGameState(stream, state, GetLimits());
    }

    uint32_t frame = 0;
    GameState state;
};
