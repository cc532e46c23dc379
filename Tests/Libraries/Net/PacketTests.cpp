#include "Net/Packet.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <cstring>
#include <limits>
#include <vector>

using namespace Net;

// A namespace of its own: the program compiles its files in batches.
namespace PacketTests
{

namespace
{

constexpr uint64_t ProtocolId = 0x0A0B0C0D01020304ull;
const uint8_t Key[KeyBytes] = {9, 8, 7, 6,  5,  4,  3,  2,  1,  0,  1,  2,  3,  4,  5,  6,
                               7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22};
const std::vector<uint8_t> Version = {'N', 'E', 'T', 'C', 'O', 'D', 'E', ' ', '1', '.', '0', '2', 0};

std::vector<uint8_t> LittleEndian(uint64_t value, int bytes)
{
    std::vector<uint8_t> result;
    for (int i = 0; i < bytes; ++i)
        result.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return result;
}

PacketReadContext Context(uint32_t allowed, ReplayProtection* replay = nullptr, const uint8_t* key = Key)
{
    PacketReadContext context;
    context.protocolId = ProtocolId;
    context.key = key;
    context.allowedTypes = allowed;
    context.replay = replay;
    return context;
}

std::vector<uint8_t> Write(const Packet& packet)
{
    uint8_t buffer[MaxPacketBytes];
    int bytes = WritePacket(packet, buffer, sizeof(buffer), Key, ProtocolId);
    return std::vector<uint8_t>(buffer, buffer + bytes);
}

Packet KeepAlive(uint64_t sequence)
{
    Packet packet;
    packet.type = PACKET_KEEP_ALIVE;
    packet.sequence = sequence;
    packet.clientIndex = 3;
    packet.maxClients = 16;
    return packet;
}

PacketReadResult Read(std::vector<uint8_t> bytes, const PacketReadContext& context, Packet* out = nullptr)
{
    Packet packet;
    PacketReadResult result = ReadPacket(bytes.data(), static_cast<int>(bytes.size()), context, packet);
    if (out)
        *out = packet;
    return result;
}

ConnectToken MakeToken(const uint8_t privateKey[KeyBytes], uint64_t expire)
{
    PrivateConnectToken privateToken;
    privateToken.clientId = 55;
    privateToken.timeoutSeconds = 5;
    privateToken.numServerAddresses = 1;
    privateToken.serverAddresses[0] = Address(127, 0, 0, 1, 40000);
    ConnectToken token;
    token.protocolId = ProtocolId;
    token.createTimestamp = expire - 30;
    token.expireTimestamp = expire;
    for (int i = 0; i < ConnectTokenNonceBytes; ++i)
        token.nonce[i] = static_cast<uint8_t>(i + 1);
    EXPECT_TRUE(WritePrivateConnectToken(privateToken, token.privateData));
    EXPECT_TRUE(SealPrivateConnectToken(token.privateData, ProtocolId, expire, token.nonce, privateKey));
    token.numServerAddresses = 1;
    token.serverAddresses[0] = privateToken.serverAddresses[0];
    return token;
}

} // namespace

TEST(Packet, PrefixByteCarriesTypeAndSequenceLength)
{
    struct Case
    {
        uint64_t sequence;
        std::vector<uint8_t> sequenceBytes;
    };
    const Case cases[] = {
        {0, {0x00}},
        {0xFF, {0xFF}},
        {0x100, {0x00, 0x01}},
        {1000, {0xE8, 0x03}},
        {0x00FFFFFF, {0xFF, 0xFF, 0xFF}},
        {1ull << 32, {0, 0, 0, 0, 1}},
        {1ull << 63, {0, 0, 0, 0, 0, 0, 0, 0x80}},
        {std::numeric_limits<uint64_t>::max(), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const Case& c : cases)
    {
        Packet packet;
        packet.type = PACKET_DISCONNECT;
        packet.sequence = c.sequence;
        std::vector<uint8_t> bytes = Write(packet);
        int length = static_cast<int>(c.sequenceBytes.size());
        ASSERT_EQ(static_cast<int>(bytes.size()), 1 + length + MacBytes) << c.sequence;
        EXPECT_EQ(bytes[0], (length << 4) | PACKET_DISCONNECT) << c.sequence;
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 1, bytes.begin() + 1 + length), c.sequenceBytes);
        Packet read;
        ASSERT_EQ(Read(bytes, Context(PacketTypeBit(PACKET_DISCONNECT)), &read), PACKET_READ_OK);
        EXPECT_EQ(read.sequence, c.sequence);
    }
}

TEST(Packet, ContentsAreSealedUnderTheSequenceNonceAndHeader)
{
    std::vector<uint8_t> bytes = Write(KeepAlive(1000));
    ASSERT_EQ(bytes.size(), 1u + 2 + 8 + MacBytes);
    EXPECT_EQ(bytes[0], 0x24);

    // Opened here with libsodium directly: nonce of four zero bytes and the sequence, associated
    // data of version, protocol id and prefix byte.
    std::vector<uint8_t> nonce = {0, 0, 0, 0};
    for (uint8_t byte : LittleEndian(1000, 8))
        nonce.push_back(byte);
    std::vector<uint8_t> associated = Version;
    for (uint8_t byte : LittleEndian(ProtocolId, 8))
        associated.push_back(byte);
    associated.push_back(0x24);
    uint8_t plain[8];
    unsigned long long plainBytes = 0;
    ASSERT_EQ(crypto_aead_chacha20poly1305_ietf_decrypt(plain, &plainBytes, nullptr, bytes.data() + 3, 8 + MacBytes,
                                                        associated.data(), associated.size(), nonce.data(), Key),
              0);
    EXPECT_EQ(std::vector<uint8_t>(plain, plain + 8), (std::vector<uint8_t>{3, 0, 0, 0, 16, 0, 0, 0}));
}

TEST(Packet, EachTypeHasItsSizeAndRoundTrips)
{
    uint8_t payload[MaxPayloadBytes + 1] = {7};
    Packet packets[6];
    const PacketType types[6] = {PACKET_CONNECTION_DENIED,
                                 PACKET_CONNECTION_CHALLENGE,
                                 PACKET_CONNECTION_RESPONSE,
                                 PACKET_KEEP_ALIVE,
                                 PACKET_PAYLOAD,
                                 PACKET_PAYLOAD};
    const int sizes[6] = {
        18, 1 + 1 + 8 + ChallengeTokenBytes + MacBytes, 1 + 1 + 8 + ChallengeTokenBytes + MacBytes, 26,
        19, 1 + 1 + MaxPayloadBytes + MacBytes};
    for (int i = 0; i < 6; ++i)
    {
        Packet& packet = packets[i];
        packet.type = types[i];
        packet.challengeSequence = 0x123456789ull;
        packet.challengeData[ChallengeTokenBytes - 1] = 0x42;
        packet.clientIndex = 5;
        packet.payload = payload;
        packet.payloadBytes = i == 5 ? MaxPayloadBytes : 1;
        std::vector<uint8_t> bytes = Write(packet);
        ASSERT_EQ(static_cast<int>(bytes.size()), sizes[i]) << i;
        Packet read;
        ASSERT_EQ(Read(bytes, Context(0xFF), &read), PACKET_READ_OK) << i;
        EXPECT_EQ(read.type, packet.type);
        bool challenge = i == 1 || i == 2;
        EXPECT_EQ(read.challengeSequence, challenge ? 0x123456789ull : 0u);
        EXPECT_EQ(read.challengeData[ChallengeTokenBytes - 1], challenge ? 0x42 : 0);
        EXPECT_EQ(read.clientIndex, i == 3 ? 5u : 0u);
        EXPECT_EQ(read.payloadBytes, i >= 4 ? packet.payloadBytes : 0);
    }

    // Payloads of 0 or 1201 bytes, a sealed request, a buffer without room for the tag.
    Packet refused = packets[4];
    uint8_t buffer[MaxPacketBytes];
    refused.payloadBytes = 0;
    EXPECT_EQ(WritePacket(refused, buffer, sizeof(buffer), Key, ProtocolId), 0);
    refused.payloadBytes = MaxPayloadBytes + 1;
    EXPECT_EQ(WritePacket(refused, buffer, sizeof(buffer), Key, ProtocolId), 0);
    refused.type = PACKET_CONNECTION_REQUEST;
    EXPECT_EQ(WritePacket(refused, buffer, sizeof(buffer), Key, ProtocolId), 0);
    EXPECT_EQ(WritePacket(KeepAlive(1), buffer, 25, Key, ProtocolId), 0);
}

TEST(Packet, DamagedOrUnexpectedPacketsAreRefusedWithoutMovingTheWindow)
{
    const std::vector<uint8_t> good = Write(KeepAlive(300));
    const uint32_t serverTypes = PacketTypeBit(PACKET_CONNECTION_RESPONSE) | PacketTypeBit(PACKET_KEEP_ALIVE) |
                                 PacketTypeBit(PACKET_PAYLOAD) | PacketTypeBit(PACKET_DISCONNECT);
    uint8_t otherKey[KeyBytes] = {};
    struct Case
    {
        const char* name;
        std::vector<uint8_t> bytes;
        PacketReadResult expected;
        const uint8_t* key;
        uint32_t allowed;
    };
    auto with = [&](int index, uint8_t value)
    {
        std::vector<uint8_t> bytes = good;
        bytes[static_cast<size_t>(index)] = value;
        return bytes;
    };
    auto flip = [&](int index)
    {
        std::vector<uint8_t> bytes = good;
        bytes[static_cast<size_t>(index)] ^= 0x01;
        return bytes;
    };
    std::vector<uint8_t> shorter(good.begin(), good.end() - 1);
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    const Case cases[] = {
        {"empty", {}, PACKET_READ_MALFORMED, Key, serverTypes},
        {"seventeen bytes", std::vector<uint8_t>(good.begin(), good.begin() + 17), PACKET_READ_MALFORMED, Key,
         serverTypes},
        {"type seven", with(0, 0x27), PACKET_READ_MALFORMED, Key, 0xFFFFFFFF},
        {"type fifteen", with(0, 0x2F), PACKET_READ_MALFORMED, Key, 0xFFFFFFFF},
        {"sealed request", with(0, 0x20), PACKET_READ_MALFORMED, Key, 0xFFFFFFFF},
        {"challenge at a server", with(0, 0x22), PACKET_READ_NOT_EXPECTED, Key, serverTypes},
        {"no sequence bytes", with(0, 0x04), PACKET_READ_MALFORMED, Key, serverTypes},
        {"nine sequence bytes", with(0, 0x94), PACKET_READ_MALFORMED, Key, serverTypes},
        {"more sequence bytes than the packet", with(0, 0x84), PACKET_READ_MALFORMED, Key, serverTypes},
        {"one byte short", shorter, PACKET_READ_MALFORMED, Key, serverTypes},
        {"one byte long", longer, PACKET_READ_MALFORMED, Key, serverTypes},
        {"keep-alive relabelled disconnect", with(0, 0x26), PACKET_READ_MALFORMED, Key, serverTypes},
        {"sequence changed", flip(1), PACKET_READ_FORGED, Key, serverTypes},
        {"contents changed", flip(4), PACKET_READ_FORGED, Key, serverTypes},
        {"tag changed", flip(static_cast<int>(good.size()) - 1), PACKET_READ_FORGED, Key, serverTypes},
        {"other key", good, PACKET_READ_FORGED, otherKey, serverTypes},
    };
    ReplayProtection replay;
    for (const Case& c : cases)
        EXPECT_EQ(Read(c.bytes, Context(c.allowed, &replay, c.key)), c.expected) << c.name;

    // None of them moved the window: a packet far behind sequence 300 is still taken.
    EXPECT_EQ(replay.MostRecentSequence(), 0u);
    EXPECT_EQ(Read(Write(KeepAlive(1)), Context(serverTypes, &replay)), PACKET_READ_OK);

    PacketReadContext otherProtocol = Context(serverTypes);
    otherProtocol.protocolId = ProtocolId + 1;
    EXPECT_EQ(Read(good, otherProtocol), PACKET_READ_FORGED);

    Packet payload;
    payload.type = PACKET_PAYLOAD;
    uint8_t data[1] = {1};
    payload.payload = data;
    payload.payloadBytes = 1;
    std::vector<uint8_t> emptyPayload = Write(payload);
    emptyPayload.erase(emptyPayload.begin() + 2);
    EXPECT_EQ(Read(emptyPayload, Context(serverTypes)), PACKET_READ_MALFORMED);
}

TEST(Packet, ReplayedSequencesAreRefused)
{
    const uint64_t top = std::numeric_limits<uint64_t>::max();
    struct Step
    {
        uint64_t sequence;
        bool accepted;
    };
    const Step steps[] = {
        {0, true},    {0, false},      {5, true},         {3, true},          {3, false},        {300, true},
        {44, false},  {45, true},      {45, false},       {299, true},        {top - 10, true},  {top, true},
        {top, false}, {top - 5, true}, {top - 255, true}, {top - 256, false}, {top - 10, false}, {1, false},
    };
    ReplayProtection replay;
    for (const Step& step : steps)
    {
        bool accepted = !replay.AlreadyReceived(step.sequence);
        EXPECT_EQ(accepted, step.accepted) << step.sequence;
        if (accepted)
            replay.Advance(step.sequence);
    }

    // Through the reader: the same keep-alive twice, then one older than the window.
    ReplayProtection window;
    PacketReadContext context = Context(PacketTypeBit(PACKET_KEEP_ALIVE), &window);
    EXPECT_EQ(Read(Write(KeepAlive(10)), context), PACKET_READ_OK);
    EXPECT_EQ(Read(Write(KeepAlive(10)), context), PACKET_READ_REPLAYED);
    EXPECT_EQ(Read(Write(KeepAlive(400)), context), PACKET_READ_OK);
    EXPECT_EQ(Read(Write(KeepAlive(11)), context), PACKET_READ_REPLAYED);
    // Challenges are not replay-protected: a client may see one again after a lost response.
    Packet challenge;
    challenge.type = PACKET_CONNECTION_CHALLENGE;
    context.allowedTypes |= PacketTypeBit(PACKET_CONNECTION_CHALLENGE);
    EXPECT_EQ(Read(Write(challenge), context), PACKET_READ_OK);
    EXPECT_EQ(Read(Write(challenge), context), PACKET_READ_OK);
}

TEST(ConnectionRequest, LaysOutAsDocumented)
{
    uint8_t privateKey[KeyBytes] = {1};
    ConnectToken token = MakeToken(privateKey, 5000);
    uint8_t buffer[ConnectionRequestBytes + 10];
    ASSERT_EQ(WriteConnectionRequest(token, buffer, sizeof(buffer)), 1078);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(std::vector<uint8_t>(buffer + 1, buffer + 14), Version);
    EXPECT_EQ(std::vector<uint8_t>(buffer + 14, buffer + 22), LittleEndian(ProtocolId, 8));
    EXPECT_EQ(std::vector<uint8_t>(buffer + 22, buffer + 30), LittleEndian(5000, 8));
    EXPECT_EQ(std::vector<uint8_t>(buffer + 30, buffer + 54), std::vector<uint8_t>(token.nonce, token.nonce + 24));
    EXPECT_EQ(std::memcmp(buffer + 54, token.privateData, PrivateConnectTokenBytes), 0);
    EXPECT_EQ(WriteConnectionRequest(token, buffer, 1077), 0);
}

TEST(ConnectionRequest, ChecksInOrderAndOpensTheToken)
{
    uint8_t privateKey[KeyBytes] = {1};
    uint8_t otherKey[KeyBytes] = {2};
    ConnectToken token = MakeToken(privateKey, 5000);
    std::vector<uint8_t> good(ConnectionRequestBytes);
    ASSERT_EQ(WriteConnectionRequest(token, good.data(), ConnectionRequestBytes), ConnectionRequestBytes);

    auto with = [&](int index, uint8_t value)
    {
        std::vector<uint8_t> bytes = good;
        bytes[static_cast<size_t>(index)] = value;
        return bytes;
    };
    std::vector<uint8_t> shorter(good.begin(), good.end() - 1);
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    struct Case
    {
        const char* name;
        std::vector<uint8_t> bytes;
        uint64_t now;
        const uint8_t* key;
        PacketReadResult expected;
    };
    const Case cases[] = {
        {"valid", good, 4999, privateKey, PACKET_READ_OK},
        {"short", shorter, 4999, privateKey, PACKET_READ_MALFORMED},
        {"long", longer, 4999, privateKey, PACKET_READ_MALFORMED},
        {"other version", with(12, '1'), 4999, privateKey, PACKET_READ_MALFORMED},
        {"other protocol", with(14, 0x05), 4999, privateKey, PACKET_READ_WRONG_PROTOCOL},
        {"expires now", good, 5000, privateKey, PACKET_READ_EXPIRED},
        {"expiry moved later", with(23, 0x14), 4999, privateKey, PACKET_READ_FORGED},
        {"nonce changed", with(30, 0x00), 4999, privateKey, PACKET_READ_FORGED},
        {"token changed", with(600, good[600] ^ 0x10), 4999, privateKey, PACKET_READ_FORGED},
        {"other private key", good, 4999, otherKey, PACKET_READ_FORGED},
    };
    for (const Case& c : cases)
    {
        ConnectionRequestPacket packet;
        PrivateConnectToken opened;
        PacketReadResult result = ReadConnectionRequest(c.bytes.data(), static_cast<int>(c.bytes.size()), ProtocolId,
                                                        c.now, c.key, packet, opened);
        EXPECT_EQ(result, c.expected) << c.name;
        if (result == PACKET_READ_OK)
        {
            EXPECT_EQ(opened.clientId, 55u);
            EXPECT_EQ(opened.timeoutSeconds, 5);
            EXPECT_EQ(opened.serverAddresses[0], Address(127, 0, 0, 1, 40000));
            EXPECT_EQ(packet.expireTimestamp, 5000u);
            // The tag at the end of the sealed token is what servers remember a token by.
            EXPECT_EQ(std::memcmp(packet.privateData, token.privateData, PrivateConnectTokenBytes), 0);
        }
    }
}

} // namespace PacketTests
