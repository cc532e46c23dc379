#include "Net/Fuzz/Harness.h"
#include "Net/Packet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace Net;

// A namespace of its own: the program compiles its files in batches.
namespace NetcodeFuzzCorpusTests
{

namespace
{

const uint8_t Key[KeyBytes] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16,
                               17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
constexpr uint64_t ProtocolId = 0x1122334455667788ull;

// Well-formed inputs for every reader the harness has: packets sealed under the harness's key,
// a connection request, a connect token, addresses and raw contents.
std::vector<std::vector<uint8_t>> Seeds()
{
    std::vector<std::vector<uint8_t>> seeds;
    uint8_t payload[40];
    for (int i = 0; i < 40; ++i)
        payload[i] = static_cast<uint8_t>(i);
    for (int type = PACKET_CONNECTION_DENIED; type < PACKET_TYPE_COUNT; ++type)
    {
        Packet packet;
        packet.type = static_cast<PacketType>(type);
        packet.sequence = 70000u + static_cast<uint64_t>(type);
        packet.payload = payload;
        packet.payloadBytes = 40;
        uint8_t buffer[MaxPacketBytes];
        int bytes = WritePacket(packet, buffer, sizeof(buffer), Key, ProtocolId);
        for (uint8_t mode : {0, 4})
        {
            std::vector<uint8_t> seed = {mode};
            if (mode == 4)
                seed.push_back(static_cast<uint8_t>(type % 3));
            seed.insert(seed.end(), buffer, buffer + bytes);
            seeds.push_back(seed);
        }
        std::vector<uint8_t> contents = {3, static_cast<uint8_t>(type)};
        contents.resize(type == PACKET_KEEP_ALIVE ? 10 : type == PACKET_PAYLOAD ? 42 : type < 4 && type > 1 ? 310 : 2);
        seeds.push_back(contents);
    }

    PrivateConnectToken inside;
    inside.clientId = 5;
    inside.timeoutSeconds = 10;
    inside.numServerAddresses = 2;
    inside.serverAddresses[0] = Address(127, 0, 0, 1, 40000);
    inside.serverAddresses[1] = Address("[::1]:40000");
    ConnectToken token;
    token.protocolId = ProtocolId;
    token.createTimestamp = 10;
    token.expireTimestamp = 100;
    token.timeoutSeconds = 10;
    token.numServerAddresses = 2;
    token.serverAddresses[0] = inside.serverAddresses[0];
    token.serverAddresses[1] = inside.serverAddresses[1];
    WritePrivateConnectToken(inside, token.privateData);
    std::vector<uint8_t> plainInside = {2};
    plainInside.insert(plainInside.end(), token.privateData, token.privateData + PrivateConnectTokenBytes);
    seeds.push_back(plainInside);
    SealPrivateConnectToken(token.privateData, ProtocolId, token.expireTimestamp, token.nonce, Key);

    std::vector<uint8_t> request = {1};
    request.resize(1 + ConnectionRequestBytes);
    WriteConnectionRequest(token, request.data() + 1, ConnectionRequestBytes);
    seeds.push_back(request);
    std::vector<uint8_t> publicToken = {2};
    publicToken.resize(1 + ConnectTokenBytes);
    WriteConnectToken(token, publicToken.data() + 1);
    seeds.push_back(publicToken);
    request[0] = 4;
    request.insert(request.begin() + 1, 1); // to the server, from a stranger
    seeds.push_back(request);
    seeds.push_back({2, 1, 127, 0, 0, 1, 0x40, 0x9C});
    return seeds;
}

} // namespace

TEST(NetcodeFuzzCorpus, TruncatedAndCorruptedInputsAreRefusedSafely)
{
    int runs = 0;
    for (const std::vector<uint8_t>& seed : Seeds())
    {
        Fuzz::NetcodePacket(seed.data(), seed.size());
        // Every cut of the input, and every byte flipped in turn at a few bit positions.
        for (size_t length = 0; length < seed.size(); length += 1 + length / 16)
            runs += Fuzz::NetcodePacket(seed.data(), length) == 0 ? 1 : 0;
        for (size_t index = 1; index < seed.size(); index += 1 + index / 64)
        {
            for (uint8_t mask : {0x01, 0x80, 0xFF})
            {
                std::vector<uint8_t> corrupted = seed;
                corrupted[index] ^= mask;
                runs += Fuzz::NetcodePacket(corrupted.data(), corrupted.size()) == 0 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(runs, 1000);
    // Nothing at all, and more than the harness takes.
    EXPECT_EQ(Fuzz::NetcodePacket(nullptr, 0), 0);
    std::vector<uint8_t> huge(5000, 4);
    EXPECT_EQ(Fuzz::NetcodePacket(huge.data(), huge.size()), 0);
}

} // namespace NetcodeFuzzCorpusTests
