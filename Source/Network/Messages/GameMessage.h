#pragma once

#include "Net/Message.h"
#include "Net/Stream.h"
#include "Source/Network/Messages/MessageLimits.h"
#include "Source/World/World.h"

#include <algorithm>
#include <cstdint>

// The twenty-one messages of the game protocol by their type ids, which travel on the wire: a new message
// goes at the end.
enum class GameMessageType : uint32_t
{
    PlayerAdded,
    PlayerRemoved,
    VotingOptions,
    SetConfiguration,
    SetLoadouts,
    StartGame,
    EndGame,
    GameState,
    PlayerSpawned,
    PlayerKilled,
    PickupRemoved,
    ProjectileRemoved,
    TriggerRemoved,
    TriggerCreated,
    GameTypeEvent,
    Score,
    AddPlayer,
    SetLoadout,
    SetVote,
    Input,
    MissingConfiguration,
    Count
};
inline constexpr int GameMessageTypeCount = static_cast<int>(GameMessageType::Count);

// The highest player index the messages carry: one for each of the world's players.
inline constexpr uint32_t HighestPlayerIndex = World::PlayerCount - 1u;

// The connection's two channels, by their index in the library's channel list.
enum class GameChannel : int
{
    // Resent until it arrives; delivered once and in order.
    Reliable = 0,
    // Sent once, for what the next one replaces.
    Unreliable = 1,
};

// The channel a message travels on. Only game states and scores go where the sender asks; the input
// goes unreliably and everything else reliably, whatever the sender asks.
GameChannel GetMessageChannel(GameMessageType type, bool reliable);

// The field encodings the messages are built from. Each works for the three streams: measuring and
// writing take the field, reading fills it and fails on a value the field's range does not admit, so
// a message that reads is whole and in range.
namespace Wire
{

// value - min in as many bits as [min, max] needs; a value outside fails.
template <class Stream, class T> bool Ranged(Stream& stream, T& value, int64_t min, int64_t max)
{
    return Net::SerializeIntValue(stream, value, min, max);
}

// As Ranged, but a value outside is written as the nearer bound: the peer gets the best the field can
// say instead of a message that can never be sent.
template <class Stream, class T> bool Clamped(Stream& stream, T& value, int64_t min, int64_t max)
{
    if constexpr (Stream::IsWriting)
    {
        int64_t wide = std::max(min, std::min(static_cast<int64_t>(value), max));
        return stream.SerializeInteger(wide, min, max);
    }
    else
    {
        return Ranged(stream, value, min, max);
    }
}

// An index into a definition list of count entries, [0, count - 1]. With no definitions nothing can
// travel.
template <class Stream> bool IndexBelow(Stream& stream, uint32_t& value, uint32_t count)
{
    return Ranged(stream, value, 0, static_cast<int64_t>(count) - 1);
}

// An index into a definition list or the count itself, [0, count].
template <class Stream> bool IndexUpTo(Stream& stream, uint32_t& value, uint32_t count)
{
    return Ranged(stream, value, 0, count);
}

// 32 bits as they are.
template <class Stream> bool Raw(Stream& stream, uint32_t& value)
{
    return Net::SerializeUint32Value(stream, value);
}

// An f32's bit pattern.
template <class Stream> bool Raw(Stream& stream, float& value)
{
    return Net::SerializeFloatValue(stream, value);
}

// One bit: 1 for any value but 0; read as 0 or 1.
template <class Stream, class T> bool Flag(Stream& stream, T& value)
{
    uint32_t bit = value != 0 ? 1 : 0;
    if (!stream.SerializeBits(bit, 1))
        return false;
    if constexpr (Stream::IsReading)
        value = static_cast<T>(bit);
    return true;
}

// A control axis in [-127, 127], travelling as value + 127 in 8 bits, so the all-ones byte is refused.
// The one value of the byte outside that range, -128, is written as -127.
template <class Stream> bool Axis(Stream& stream, int8_t& value)
{
    return Clamped(stream, value, -127, 127);
}

} // namespace Wire

// The base of every game message: its type id, and the limits its fields' ranges come from, which
// belong to the network role that made the factory and outlive every message. The class describes its
// fields once, in a template Serialize(Stream&) returning false on failure; the three streams of the
// library are routed to it.
template <class Derived, GameMessageType MessageType> class GameMessage : public Net::Message
{
public:
    static constexpr GameMessageType Type = MessageType;

    explicit GameMessage(const MessageLimits& limits) : limits(&limits) {}

    bool SerializeInternal(Net::MeasureStream& stream) final { return static_cast<Derived&>(*this).Serialize(stream); }
    bool SerializeInternal(Net::WriteStream& stream) final { return static_cast<Derived&>(*this).Serialize(stream); }
    bool SerializeInternal(Net::ReadStream& stream) final { return static_cast<Derived&>(*this).Serialize(stream); }

    const MessageLimits& GetLimits() const { return *limits; }

private:
    const MessageLimits* limits;
};
