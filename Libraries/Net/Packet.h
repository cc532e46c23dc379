#pragma once

#include "Net/ConnectToken.h"

#include <cstdint>

namespace Net
{

// The low four bits of a packet's prefix byte.
enum PacketType
{
    PACKET_CONNECTION_REQUEST = 0,
    PACKET_CONNECTION_DENIED = 1,
    PACKET_CONNECTION_CHALLENGE = 2,
    PACKET_CONNECTION_RESPONSE = 3,
    PACKET_KEEP_ALIVE = 4,
    PACKET_PAYLOAD = 5,
    PACKET_DISCONNECT = 6,
    PACKET_TYPE_COUNT = 7,
};

constexpr int MaxPayloadBytes = 1200;
constexpr int ConnectionRequestBytes = 1 + VersionInfoBytes + 8 + 8 + ConnectTokenNonceBytes + PrivateConnectTokenBytes;
// The largest packet either side sends: a full payload behind the longest sequence.
constexpr int MaxPacketBytes = 1 + 8 + MaxPayloadBytes + MacBytes;
constexpr int ReplayBufferSize = 256;
constexpr int NetcodeMaxClients = 256;
// Requests, responses and keep-alives go out at most this often per peer.
constexpr double NetcodePacketInterval = 0.1;
// Disconnect packets are sent this many times, since any of them may be lost.
constexpr int NetcodeDisconnectPackets = 10;

static_assert(ConnectionRequestBytes == 1078);

// Why a packet was not accepted. Every endpoint counts its drops by these.
enum PacketReadResult
{
    PACKET_READ_OK = 0,
    PACKET_READ_MALFORMED,      // size, type, sequence length, version or contents out of range
    PACKET_READ_WRONG_PROTOCOL, // another game's protocol id
    PACKET_READ_NOT_EXPECTED,   // a type this side or state does not take, or an unknown sender
    PACKET_READ_EXPIRED,        // the connect token's expiry has passed
    PACKET_READ_FORGED,         // failed to open: wrong key, changed bytes or changed header
    PACKET_READ_REPLAYED,       // a sequence already received, or older than the replay window
    PACKET_READ_REFUSED,        // well formed but against the rules: wrong server, token reused, already connected
    PACKET_READ_QUEUE_FULL,     // accepted but no room to keep its payload
    PACKET_READ_BUSY,           // a connection request left unread: the update's time for requests was spent
    PACKET_READ_RESULT_COUNT,
};

// What an endpoint has sent, accepted and dropped, by reason.
struct NetcodeCounters
{
    uint64_t packetsSent = 0;
    // A client's connection requests, which packetsSent counts as well.
    uint64_t requestsSent = 0;
    // A server's connection requests whose tokens name other servers than this one, by address or port,
    // which packetsDropped counts as well: a port forward to the wrong address or port leaves them all so.
    uint64_t requestsForOtherServers = 0;
    // A client's packets that open under its server's key but came from another address than the one it
    // sends to, which packetsDropped counts as well: a router that forwards its address to a server on its
    // own network without rewriting the answers leaves them all so.
    uint64_t strayAnswers = 0;
    uint64_t packetsReceived = 0;
    uint64_t packetsDropped[PACKET_READ_RESULT_COUNT] = {}; // PACKET_READ_OK stays 0

    uint64_t TotalDropped() const
    {
        uint64_t total = 0;
        for (uint64_t count : packetsDropped)
            total += count;
        return total;
    }
};

// Per-sender record of received sequences, so a recorded packet played back later is ignored.
// Packets older than the window are refused outright.
class ReplayProtection
{
public:
    ReplayProtection() { Reset(); }
    void Reset();
    bool AlreadyReceived(uint64_t sequence) const;
    // Only after the packet opened: a forged packet must not move the window.
    void Advance(uint64_t sequence);
    uint64_t MostRecentSequence() const { return mostRecent; }

private:
    uint64_t mostRecent = 0;
    uint64_t received[ReplayBufferSize];
    bool used[ReplayBufferSize];
};

// The unencrypted first packet of a connection: the public header of a connect token and its
// sealed private part.
struct ConnectionRequestPacket
{
    uint8_t versionInfo[VersionInfoBytes] = {};
    uint64_t protocolId = 0;
    uint64_t expireTimestamp = 0;
    uint8_t nonce[ConnectTokenNonceBytes] = {};
    uint8_t privateData[PrivateConnectTokenBytes] = {};
};

// Any packet but the request. Which fields count depends on the type.
struct Packet
{
    PacketType type = PACKET_CONNECTION_DENIED;
    uint64_t sequence = 0;
    uint64_t challengeSequence = 0;                  // challenge, response
    uint8_t challengeData[ChallengeTokenBytes] = {}; // challenge, response: the sealed challenge token
    uint32_t clientIndex = 0;                        // keep-alive
    uint32_t maxClients = 0;                         // keep-alive
    const uint8_t* payload = nullptr;                // payload: points into the buffer it was read from
    int payloadBytes = 0;
};

// Fills a request from a connect token. Returns the packet's size (ConnectionRequestBytes), or 0
// when the buffer is too small.
int WriteConnectionRequest(const ConnectToken& token, uint8_t* buffer, int bufferBytes);

// Reads and checks a request in the order that costs least for junk: size, version, protocol,
// expiry, then opening the private token with the private key and reading it. On PACKET_READ_OK the
// packet holds the request as received (the private part still sealed) and token the opened
// private token.
PacketReadResult ReadConnectionRequest(const uint8_t* data, int bytes, uint64_t protocolId, uint64_t nowTimestamp,
                                       const uint8_t privateKey[KeyBytes], ConnectionRequestPacket& packet,
                                       PrivateConnectToken& token);

// Writes prefix byte, sequence bytes and the sealed contents. Returns the packet's size, or 0 when
// the type is the request, the payload size is outside [1, MaxPayloadBytes] or the buffer is small.
int WritePacket(const Packet& packet, uint8_t* buffer, int bufferBytes, const uint8_t key[KeyBytes],
                uint64_t protocolId);

// What a reader accepts: a bit per PacketType in allowedTypes; replay may be null for senders that
// have none yet. Keep-alive, payload and disconnect packets go through it.
struct PacketReadContext
{
    uint64_t protocolId = 0;
    const uint8_t* key = nullptr;
    uint32_t allowedTypes = 0;
    ReplayProtection* replay = nullptr;
};

constexpr uint32_t PacketTypeBit(PacketType type)
{
    return 1u << type;
}

// Reads a sealed packet, opening it in place in data. Every size is checked before anything is
// read, the replay test comes before opening and the window moves only after. Nothing but data
// and (on success) the replay window changes.
PacketReadResult ReadPacket(uint8_t* data, int bytes, const PacketReadContext& context, Packet& packet);

// The number of bytes that carry a sequence: the fewest that hold it, at least one.
int SequenceBytes(uint64_t sequence);

} // namespace Net
