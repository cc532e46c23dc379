#pragma once

#include "Source/Network/Messages/GameMessage.h"
#include "Source/World/PlayerInput.h"

#include <cstdint>

// Client to server: one local player's controls for one client frame, sent unreliably every frame.
// Only the current controls travel; the record's history stays as the factory made it.
class InputMessage final : public GameMessage<InputMessage, GameMessageType::Input>
{
public:
    using GameMessage::GameMessage;

    // The axes travel Move, AimX, AimY, then the sixteen buttons as one bit each in the record's order.
    template <class Stream> bool Serialize(Stream& stream)
    {
        if (!Wire::Raw(stream, frame) || !Wire::Ranged(stream, player, 0, HighestPlayerIndex) ||
            !Wire::Axis(stream, input.move) || !Wire::Axis(stream, input.aimX) || !Wire::Axis(stream, input.aimY))
            return false;
        for (uint8_t& button : input.buttons)
            if (!Wire::Flag(stream, button))
                return false;
        return true;
    }

    uint32_t frame = 0;
    uint32_t player = 0;
    PlayerInput input;
};
