#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/Network/Messages/GameMessage.h"

#include <algorithm>
#include <array>
#include <cstdint>

// The event messages: what the server tells its clients of between two game states. Entity ids are
// the world's 16-bit ids; the none id 65535 never travels. Angles travel in degrees.

// A player has spawned.
class PlayerSpawnedMessage final : public GameMessage<PlayerSpawnedMessage, GameMessageType::PlayerSpawned>
{
public:
    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream)
    {
        return Wire::Ranged(stream, player, 0, HighestPlayerIndex) && Wire::Raw(stream, position.x) &&
               Wire::Raw(stream, position.y) && Wire::Flag(stream, facesLeft);
    }

    uint8_t player = 0;
    Lumvek::Vector2 position;
    bool facesLeft = false;
};

// A player was killed; its debris flies this way.
class PlayerKilledMessage final : public GameMessage<PlayerKilledMessage, GameMessageType::PlayerKilled>
{
public:
    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream)
    {
        return Wire::Ranged(stream, player, 0, HighestPlayerIndex) && Wire::Raw(stream, debrisAngle) &&
               Wire::Raw(stream, debrisSpeed);
    }

    uint8_t player = 0;
    // Degrees, any value: the receiver wraps it.
    float debrisAngle = 0.0f;
    float debrisSpeed = 0.0f;
};

// A pickup left the world.
class PickupRemovedMessage final : public GameMessage<PickupRemovedMessage, GameMessageType::PickupRemoved>
{
public:
    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream)
    {
        return Wire::Ranged(stream, pickup, 0, 65534) && Wire::Flag(stream, hasContents);
    }

    uint16_t pickup = 0;
    // It held a weapon or an item when it went.
    bool hasContents = false;
};

// A projectile or a trigger left the world: both say only which entity.
template <GameMessageType MessageType>
class EntityRemovedMessage final : public GameMessage<EntityRemovedMessage<MessageType>, MessageType>
{
public:
    using EntityRemovedMessage::GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream) { return Wire::Ranged(stream, entity, 0, 65534); }

    uint16_t entity = 0;
};
using ProjectileRemovedMessage = EntityRemovedMessage<GameMessageType::ProjectileRemoved>;
using TriggerRemovedMessage = EntityRemovedMessage<GameMessageType::TriggerRemoved>;

// A trigger was placed in the world.
class TriggerCreatedMessage final : public GameMessage<TriggerCreatedMessage, GameMessageType::TriggerCreated>
{
public:
    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream)
    {
        return Wire::Ranged(stream, trigger, 0, 65534) && Wire::IndexBelow(stream, definition, GetLimits().triggers) &&
               Wire::Raw(stream, position.x) && Wire::Raw(stream, position.y) && Wire::Raw(stream, size.x) &&
               Wire::Raw(stream, size.y) && Wire::Raw(stream, pivot.x) && Wire::Raw(stream, pivot.y) &&
               Wire::Raw(stream, rotation) && Wire::Flag(stream, flipped);
    }

    uint16_t trigger = 0;
    // Its definition's index in the trigger list.
    uint32_t definition = 0;
    Lumvek::Vector2 position;
    Lumvek::Vector2 size;
    Lumvek::Vector2 pivot;
    // Degrees.
    float rotation = 0.0f;
    bool flipped = false;
};

// A line of the game type's text for the players' screens: an event, a status line or a feed line.
class GameTypeEventMessage final : public GameMessage<GameTypeEventMessage, GameMessageType::GameTypeEvent>
{
public:
    // The classes of lines; a kind indexes the game type's format list of its class.
    static constexpr uint32_t EventClass = 0;
    static constexpr uint32_t StatusClass = 1;
    static constexpr uint32_t FeedClass = 2;
    // An argument that fills no placeholder.
    static constexpr uint32_t NoArgument = 511;

    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream)
    {
        if (!Wire::Ranged(stream, eventClass, 0, FeedClass) ||
            !Wire::IndexBelow(stream, kind, GetLimits().eventKinds) || !Wire::Ranged(stream, a, 0, NoArgument) ||
            !Wire::Ranged(stream, b, 0, NoArgument) || !Wire::Ranged(stream, c, 0, NoArgument))
            return false;
        // A feed line is for everybody, so it names no one.
        if (eventClass == FeedClass)
            return true;
        return Wire::Ranged(stream, player, 0, World::PlayerCount) && Wire::Ranged(stream, team, 0, 5);
    }

    uint32_t eventClass = 0;
    uint32_t kind = 0;
    uint32_t a = 0;
    uint32_t b = 0;
    uint32_t c = 0;
    // Who sees it: a player index or World::PlayerCount for every player, a team or 4 for every team.
    uint8_t player = 0;
    uint8_t team = 0;
};

// The team and player score lists. No count travels: both ends take the lists' lengths and the score
// range from their limits. Player entries, and the team entries of a free-for-all game, which are one
// per player, carry the player's index, since the lists are sorted by score and a receiver finds a
// player's entry by it.
class ScoreMessage final : public GameMessage<ScoreMessage, GameMessageType::Score>
{
public:
    // No game has more teams than the world has players.
    static constexpr uint32_t Capacity = World::PlayerCount;

    struct Entry
    {
        bool operator==(const Entry&) const = default;

        // A team number, or a player index.
        uint8_t index = 0;
        int32_t score = 0;
    };

    using GameMessage::GameMessage;

    template <class Stream> bool Serialize(Stream& stream)
    {
        const MessageLimits& limits = GetLimits();
        const uint32_t teamEntries = limits.GetTeamScoreCount();
        return SerializeList(stream, teams, teamCount, teamEntries,
                             limits.TeamScoresByPlayer() ? HighestPlayerIndex : teamEntries) &&
               SerializeList(stream, players, playerCount, limits.GetPlayerScoreCount(), HighestPlayerIndex);
    }

    // The lists as the sender fills them, highest score first. Exactly as many entries as the limits
    // give are sent: those past them are left out, missing ones go as zero entries, and each score goes
    // as the nearer end of the range when it lies outside. A list that was read holds that many.
    std::array<Entry, Capacity> teams{};
    uint32_t teamCount = 0;
    std::array<Entry, Capacity> players{};
    uint32_t playerCount = 0;

private:
    template <class Stream>
    bool SerializeList(Stream& stream, std::array<Entry, Capacity>& list, uint32_t& count, uint32_t entries,
                       int64_t maxIndex)
    {
        const MessageLimits& limits = GetLimits();
        entries = std::min(entries, Capacity);
        for (uint32_t i = 0; i < entries; ++i)
        {
            Entry entry = i < count ? list[i] : Entry{};
            if (!Wire::Ranged(stream, entry.index, 0, maxIndex) ||
                !Wire::Clamped(stream, entry.score, limits.lowestScore, limits.targetScore))
                return false;
            if constexpr (Stream::IsReading)
                list[i] = entry;
        }
        if constexpr (Stream::IsReading)
            count = entries;
        return true;
    }
};
