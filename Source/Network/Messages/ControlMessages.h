#pragma once

#include "Source/Network/Messages/GameMessage.h"

#include <array>
#include <cstdint>
#include <string_view>

// The control messages: the server walks its clients through voting, loading, preparing, playing and
// ending with these, and a client adds its players, changes a loadout and votes with the last three.
// Player indexes are those of the world's sixteen player records.

// The four part definitions of a loadout, by index in their lists. A part index may equal its list's
// count: the wire lets that value through, and the receiver decides what it means.
struct LoadoutParts
{
    bool operator==(const LoadoutParts&) const = default;

    template <class Stream> bool Serialize(Stream& stream, const MessageLimits& limits)
    {
        return Wire::IndexUpTo(stream, head, limits.heads) && Wire::IndexUpTo(stream, core, limits.cores) &&
               Wire::IndexUpTo(stream, arms, limits.arms) && Wire::IndexUpTo(stream, legs, limits.legs);
    }

    uint32_t head = 0;
    uint32_t core = 0;
    uint32_t arms = 0;
    uint32_t legs = 0;
};

// Every part names a definition of its list: the wire lets an index equal to the list's count through,
// and no part lies there.
inline bool IsValidLoadout(const LoadoutParts& parts, const MessageLimits& limits)
{
    return parts.head < limits.heads && parts.core < limits.cores && parts.arms < limits.arms &&
           parts.legs < limits.legs;
}

// Server to client: a client's player has joined and has this index.
class PlayerAddedMessage final : public GameMessage<PlayerAddedMessage, GameMessageType::PlayerAdded>
{
public:
    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream)
    {
        return Wire::Ranged(stream, client, 0, 15) && Wire::Ranged(stream, player, 0, HighestPlayerIndex) &&
               Wire::Ranged(stream, localSlot, 0, 3);
    }

    // The owning client's index, and which of its local players this is.
    uint32_t client = 0;
    uint32_t player = 0;
    uint32_t localSlot = 0;
};

// Server to client: a player has left.
class PlayerRemovedMessage final : public GameMessage<PlayerRemovedMessage, GameMessageType::PlayerRemoved>
{
public:
    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream)
    {
        return Wire::Ranged(stream, player, 0, HighestPlayerIndex);
    }

    uint8_t player = 0;
};

// A configuration by its name in the configurations list (Assets/Configurations/Configurations.json):
// every machine holds that list in its own order, and an index would name another configuration on one
// whose list differs. Up to MaxLength bytes, none of them zero.
struct ConfigurationName
{
    static constexpr size_t MaxLength = 63;

    // False, leaving the name empty, when the text cannot travel: too long, or holding a zero byte.
    bool Set(std::string_view name)
    {
        text.fill('\0');
        if (name.size() > MaxLength || name.find('\0') != std::string_view::npos)
            return false;
        std::copy(name.begin(), name.end(), text.begin());
        return true;
    }
    std::string_view Get() const { return text.data(); }

    // The length, then each byte as 1 to 255: a zero byte cannot travel, and no padding is sent.
    template <class Stream> bool Serialize(Stream& stream)
    {
        uint32_t length = 0;
        if constexpr (!Stream::IsReading)
            length = static_cast<uint32_t>(std::find(text.begin(), text.end(), '\0') - text.begin());
        if (!Wire::Ranged(stream, length, 0, MaxLength))
            return false;
        for (uint32_t i = 0; i < length; ++i)
        {
            auto byte = static_cast<uint8_t>(text[i]);
            if (!Wire::Ranged(stream, byte, 1, 255))
                return false;
            text[i] = static_cast<char>(byte);
        }
        if constexpr (Stream::IsReading)
            text[length] = '\0';
        return true;
    }

    std::array<char, MaxLength + 1> text{};
};

// Server to client: the vote has begun.
class VotingOptionsMessage final : public GameMessage<VotingOptionsMessage, GameMessageType::VotingOptions>
{
public:
    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream)
    {
        if (!Wire::Raw(stream, duration))
            return false;
        for (ConfigurationName& option : options)
            if (!option.Serialize(stream))
                return false;
        return true;
    }

    // Seconds the vote lasts.
    float duration = 0.0f;
    // The configurations offered.
    std::array<ConfigurationName, 3> options{};
};

// Server to client: the configuration the vote chose; loading begins.
class SetConfigurationMessage final : public GameMessage<SetConfigurationMessage, GameMessageType::SetConfiguration>
{
public:
    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream)
    {
        return Wire::Raw(stream, duration) && configuration.Serialize(stream);
    }

    // Seconds of loading.
    float duration = 0.0f;
    ConfigurationName configuration;
};

// Server to client: every player's team and parts; preparing begins.
class SetLoadoutsMessage final : public GameMessage<SetLoadoutsMessage, GameMessageType::SetLoadouts>
{
public:
    // The count travels in 4 bits, so one of the world's sixteen players never does.
    static constexpr uint32_t MaxEntries = World::PlayerCount - 1;

    struct Entry
    {
        bool operator==(const Entry&) const = default;

        uint8_t player = 0;
        uint8_t team = 0;
        LoadoutParts parts;
    };

    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream)
    {
        if (!Wire::Raw(stream, duration) || !Wire::Ranged(stream, count, 0, MaxEntries))
            return false;
        for (uint32_t i = 0; i < count; ++i)
        {
            Entry& entry = entries[i];
            if (!Wire::Ranged(stream, entry.player, 0, HighestPlayerIndex) ||
                !Wire::Ranged(stream, entry.team, 0, 15) || !entry.parts.Serialize(stream, GetLimits()))
                return false;
        }
        return true;
    }

    // Seconds of preparing.
    float duration = 0.0f;
    uint32_t count = 0;
    std::array<Entry, World::PlayerCount> entries{};
};

// Server to client: play begins.
class StartGameMessage final : public GameMessage<StartGameMessage, GameMessageType::StartGame>
{
public:
    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream&) { return true; }
};

// Server to client: the match has ended.
class EndGameMessage final : public GameMessage<EndGameMessage, GameMessageType::EndGame>
{
public:
    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream)
    {
        return Wire::Raw(stream, duration) && Wire::Raw(stream, intermission);
    }

    // Seconds the ended match shows, then seconds of the intermission after it.
    float duration = 0.0f;
    float intermission = 0.0f;
};

// Client to server: the client's local players want to join, with their parts.
class AddPlayerMessage final : public GameMessage<AddPlayerMessage, GameMessageType::AddPlayer>
{
public:
    static constexpr uint32_t MaxPlayers = 4;

    struct Player
    {
        bool operator==(const Player&) const = default;

        uint32_t localSlot = 0;
        LoadoutParts parts;
    };

    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream)
    {
        if (!Wire::Ranged(stream, count, 1, MaxPlayers))
            return false;
        for (uint32_t i = 0; i < count; ++i)
            if (!Wire::Ranged(stream, players[i].localSlot, 0, 3) || !players[i].parts.Serialize(stream, GetLimits()))
                return false;
        return true;
    }

    // 1 to 4; other counts cannot travel.
    uint8_t count = 0;
    std::array<Player, MaxPlayers> players{};
};

// Client to server: one of its players chose other parts.
class SetLoadoutMessage final : public GameMessage<SetLoadoutMessage, GameMessageType::SetLoadout>
{
public:
    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream)
    {
        return Wire::Ranged(stream, player, 0, HighestPlayerIndex) && parts.Serialize(stream, GetLimits());
    }

    uint8_t player = 0;
    LoadoutParts parts;
};

// Client to server: one of its players voted.
class SetVoteMessage final : public GameMessage<SetVoteMessage, GameMessageType::SetVote>
{
public:
    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream)
    {
        return Wire::Ranged(stream, player, 0, HighestPlayerIndex) && Wire::Ranged(stream, choice, 0, 2);
    }

    uint32_t player = 0;
    // Which of the three options.
    uint32_t choice = 0;
};

// Client to server: the vote offers a configuration this client's list does not name, so it cannot
// play the server's matches and leaves.
class MissingConfigurationMessage final
    : public GameMessage<MissingConfigurationMessage, GameMessageType::MissingConfiguration>
{
public:
    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream) { return Wire::Ranged(stream, option, 0, 2); }

    // Which of the three options.
    uint32_t option = 0;
};
