#include "Net/Packet.h"

#include "Net/WireBytes.h"

#include <cstring>
#include <sodium.h>

namespace Net
{

namespace
{

constexpr int PacketAssociatedBytes = VersionInfoBytes + 8 + 1;

void MakePacketAssociatedData(uint64_t protocolId, uint8_t prefix, uint8_t data[PacketAssociatedBytes])
{
    WireWriter writer(data, PacketAssociatedBytes);
    writer.WriteBytes(VersionInfo, VersionInfoBytes);
    writer.WriteUint64(protocolId);
    writer.WriteUint8(prefix);
}

// The size of the contents before sealing, or -1 when the type's size is not fixed.
int FixedContentBytes(PacketType type)
{
    switch (type)
    {
    case PACKET_CONNECTION_DENIED:
    case PACKET_DISCONNECT:
        return 0;
    case PACKET_CONNECTION_CHALLENGE:
    case PACKET_CONNECTION_RESPONSE:
        return 8 + ChallengeTokenBytes;
    case PACKET_KEEP_ALIVE:
        return 8;
    default:
        return -1;
    }
}

bool UsesReplayProtection(PacketType type)
{
    return type == PACKET_KEEP_ALIVE || type == PACKET_PAYLOAD || type == PACKET_DISCONNECT;
}

} // namespace

void ReplayProtection::Reset()
{
    mostRecent = 0;
    std::memset(received, 0, sizeof(received));
    std::memset(used, 0, sizeof(used));
}

bool ReplayProtection::AlreadyReceived(uint64_t sequence) const
{
    // Written without sequence + size, which would wrap at the top of the sequence space.
    if (mostRecent >= ReplayBufferSize && sequence <= mostRecent - ReplayBufferSize)
        return true;
    int index = static_cast<int>(sequence % ReplayBufferSize);
    return used[index] && received[index] >= sequence;
}

void ReplayProtection::Advance(uint64_t sequence)
{
    if (sequence > mostRecent)
        mostRecent = sequence;
    int index = static_cast<int>(sequence % ReplayBufferSize);
    received[index] = sequence;
    used[index] = true;
}

int SequenceBytes(uint64_t sequence)
{
    int bytes = 1;
    while (bytes < 8 && (sequence >> (8 * bytes)) != 0)
        ++bytes;
    return bytes;
}

int WriteConnectionRequest(const ConnectToken& token, uint8_t* buffer, int bufferBytes)
{
    WireWriter writer(buffer, bufferBytes);
    writer.WriteUint8(PACKET_CONNECTION_REQUEST);
    writer.WriteBytes(VersionInfo, VersionInfoBytes);
    writer.WriteUint64(token.protocolId);
    writer.WriteUint64(token.expireTimestamp);
    writer.WriteBytes(token.nonce, ConnectTokenNonceBytes);
    writer.WriteBytes(token.privateData, PrivateConnectTokenBytes);
    return writer.Ok() ? writer.Position() : 0;
}

PacketReadResult ReadConnectionRequest(const uint8_t* data, int bytes, uint64_t protocolId, uint64_t nowTimestamp,
                                       const uint8_t privateKey[KeyBytes], ConnectionRequestPacket& packet,
                                       PrivateConnectToken& token)
{
    if (!data || bytes != ConnectionRequestBytes || data[0] != PACKET_CONNECTION_REQUEST)
        return PACKET_READ_MALFORMED;
    WireReader reader(data + 1, bytes - 1);
    ConnectionRequestPacket read;
    reader.ReadBytes(read.versionInfo, VersionInfoBytes);
    reader.ReadUint64(read.protocolId);
    reader.ReadUint64(read.expireTimestamp);
    reader.ReadBytes(read.nonce, ConnectTokenNonceBytes);
    reader.ReadBytes(read.privateData, PrivateConnectTokenBytes);
    if (!reader.Ok() || std::memcmp(read.versionInfo, VersionInfo, VersionInfoBytes) != 0)
        return PACKET_READ_MALFORMED;
    if (read.protocolId != protocolId)
        return PACKET_READ_WRONG_PROTOCOL;
    if (read.expireTimestamp <= nowTimestamp)
        return PACKET_READ_EXPIRED;

    uint8_t opened[PrivateConnectTokenBytes];
    std::memcpy(opened, read.privateData, sizeof(opened));
    if (!OpenPrivateConnectToken(opened, read.protocolId, read.expireTimestamp, read.nonce, privateKey))
        return PACKET_READ_FORGED;
    PrivateConnectToken readToken;
    bool readable = ReadPrivateConnectToken(opened, readToken);
    sodium_memzero(opened, sizeof(opened));
    if (!readable)
        return PACKET_READ_MALFORMED;
    packet = read;
    token = readToken;
    sodium_memzero(&readToken, sizeof(readToken));
    return PACKET_READ_OK;
}

int WritePacket(const Packet& packet, uint8_t* buffer, int bufferBytes, const uint8_t key[KeyBytes],
                uint64_t protocolId)
{
    if (!buffer || !key || packet.type <= PACKET_CONNECTION_REQUEST || packet.type >= PACKET_TYPE_COUNT ||
        !InitializeCrypto())
        return 0;
    int sequenceBytes = SequenceBytes(packet.sequence);
    uint8_t prefix = static_cast<uint8_t>((sequenceBytes << 4) | packet.type);

    WireWriter writer(buffer, bufferBytes);
    writer.WriteUint8(prefix);
    for (int i = 0; i < sequenceBytes; ++i)
        writer.WriteUint8(static_cast<uint8_t>(packet.sequence >> (8 * i)));
    int contentStart = writer.Position();
    switch (packet.type)
    {
    case PACKET_CONNECTION_CHALLENGE:
    case PACKET_CONNECTION_RESPONSE:
        writer.WriteUint64(packet.challengeSequence);
        writer.WriteBytes(packet.challengeData, ChallengeTokenBytes);
        break;
    case PACKET_KEEP_ALIVE:
        writer.WriteUint32(packet.clientIndex);
        writer.WriteUint32(packet.maxClients);
        break;
    case PACKET_PAYLOAD:
        if (!packet.payload || packet.payloadBytes < 1 || packet.payloadBytes > MaxPayloadBytes)
            return 0;
        writer.WriteBytes(packet.payload, packet.payloadBytes);
        break;
    default:
        break;
    }
    int contentBytes = writer.Position() - contentStart;
    // Room for the tag, checked here so the sealing below stays inside the buffer.
    if (!writer.Ok() || bufferBytes - writer.Position() < MacBytes)
        return 0;

    uint8_t associated[PacketAssociatedBytes];
    MakePacketAssociatedData(protocolId, prefix, associated);
    uint8_t nonce[12];
    MakeSequenceNonce(packet.sequence, nonce);
    unsigned long long sealedBytes = 0;
    if (crypto_aead_chacha20poly1305_ietf_encrypt(buffer + contentStart, &sealedBytes, buffer + contentStart,
                                                  static_cast<unsigned long long>(contentBytes), associated,
                                                  sizeof(associated), nullptr, nonce, key) != 0)
        return 0;
    return contentStart + static_cast<int>(sealedBytes);
}

PacketReadResult ReadPacket(uint8_t* data, int bytes, const PacketReadContext& context, Packet& packet)
{
    // The smallest sealed packet: prefix, one sequence byte and the tag.
    if (!data || bytes < 1 + 1 + MacBytes)
        return PACKET_READ_MALFORMED;
    uint8_t prefix = data[0];
    int typeValue = prefix & 0x0F;
    int sequenceBytes = prefix >> 4;
    if (typeValue == PACKET_CONNECTION_REQUEST || typeValue >= PACKET_TYPE_COUNT)
        return PACKET_READ_MALFORMED;
    PacketType type = static_cast<PacketType>(typeValue);
    if ((context.allowedTypes & PacketTypeBit(type)) == 0)
        return PACKET_READ_NOT_EXPECTED;
    if (sequenceBytes < 1 || sequenceBytes > 8 || bytes < 1 + sequenceBytes + MacBytes)
        return PACKET_READ_MALFORMED;

    uint64_t sequence = 0;
    for (int i = 0; i < sequenceBytes; ++i)
        sequence |= static_cast<uint64_t>(data[1 + i]) << (8 * i);

    int contentStart = 1 + sequenceBytes;
    int contentBytes = bytes - contentStart - MacBytes;
    // Sealing keeps the length, so the contents' size can be checked before the costly opening.
    int expected = FixedContentBytes(type);
    if (expected >= 0 ? contentBytes != expected : (contentBytes < 1 || contentBytes > MaxPayloadBytes))
        return PACKET_READ_MALFORMED;

    bool replayProtected = UsesReplayProtection(type) && context.replay;
    if (replayProtected && context.replay->AlreadyReceived(sequence))
        return PACKET_READ_REPLAYED;

    if (!context.key || !InitializeCrypto())
        return PACKET_READ_FORGED;
    uint8_t associated[PacketAssociatedBytes];
    MakePacketAssociatedData(context.protocolId, prefix, associated);
    uint8_t nonce[12];
    MakeSequenceNonce(sequence, nonce);
    unsigned long long openedBytes = 0;
    if (crypto_aead_chacha20poly1305_ietf_decrypt(data + contentStart, &openedBytes, nullptr, data + contentStart,
                                                  static_cast<unsigned long long>(contentBytes + MacBytes), associated,
                                                  sizeof(associated), nonce, context.key) != 0 ||
        openedBytes != static_cast<unsigned long long>(contentBytes))
        return PACKET_READ_FORGED;

    Packet read;
    read.type = type;
    read.sequence = sequence;
    WireReader reader(data + contentStart, contentBytes);
    switch (type)
    {
    case PACKET_CONNECTION_CHALLENGE:
    case PACKET_CONNECTION_RESPONSE:
        reader.ReadUint64(read.challengeSequence);
        reader.ReadBytes(read.challengeData, ChallengeTokenBytes);
        break;
    case PACKET_KEEP_ALIVE:
        reader.ReadUint32(read.clientIndex);
        reader.ReadUint32(read.maxClients);
        break;
    case PACKET_PAYLOAD:
        read.payload = data + contentStart;
        read.payloadBytes = contentBytes;
        break;
    default:
        break;
    }
    if (!reader.Ok())
        return PACKET_READ_MALFORMED;

    if (replayProtected)
        context.replay->Advance(sequence);
    packet = read;
    return PACKET_READ_OK;
}

} // namespace Net
