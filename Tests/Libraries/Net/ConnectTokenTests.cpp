#include "Net/ConnectToken.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <cstring>
#include <ctime>
#include <vector>

using namespace Net;

// A namespace of its own: the program compiles its files in batches.
namespace ConnectTokenTests
{

namespace
{

std::vector<uint8_t> Slice(const uint8_t* data, int offset, int bytes)
{
    return std::vector<uint8_t>(data + offset, data + offset + bytes);
}

std::vector<uint8_t> LittleEndian(uint64_t value, int bytes)
{
    std::vector<uint8_t> result;
    for (int i = 0; i < bytes; ++i)
        result.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return result;
}

std::vector<uint8_t> Counting(uint8_t first, int bytes)
{
    std::vector<uint8_t> result;
    for (int i = 0; i < bytes; ++i)
        result.push_back(static_cast<uint8_t>(first + i));
    return result;
}

bool AllZero(const uint8_t* data, int offset, int end)
{
    for (int i = offset; i < end; ++i)
        if (data[i] != 0)
            return false;
    return true;
}

const std::vector<uint8_t> Version = {'N', 'E', 'T', 'C', 'O', 'D', 'E', ' ', '1', '.', '0', '2', 0};

void FillKeys(uint8_t clientToServer[KeyBytes], uint8_t serverToClient[KeyBytes])
{
    for (int i = 0; i < KeyBytes; ++i)
    {
        clientToServer[i] = static_cast<uint8_t>(0x40 + i);
        serverToClient[i] = static_cast<uint8_t>(0x80 + i);
    }
}

PrivateConnectToken MakePrivateToken()
{
    PrivateConnectToken token;
    token.clientId = 0x0102030405060708ull;
    token.timeoutSeconds = -1;
    token.numServerAddresses = 2;
    token.serverAddresses[0] = Address("10.20.30.40:50000");
    token.serverAddresses[1] = Address("[::1]:40000");
    FillKeys(token.clientToServerKey, token.serverToClientKey);
    for (int i = 0; i < UserDataBytes; ++i)
        token.userData[i] = static_cast<uint8_t>(i);
    return token;
}

} // namespace

TEST(ConnectToken, PrivatePartLaysOutAsDocumentedAndRefusesWhatIsOutOfRange)
{
    uint8_t buffer[PrivateConnectTokenBytes];
    std::memset(buffer, 0xEE, sizeof(buffer));
    ASSERT_TRUE(WritePrivateConnectToken(MakePrivateToken(), buffer));
    EXPECT_EQ(Slice(buffer, 0, 8), LittleEndian(0x0102030405060708ull, 8));
    EXPECT_EQ(Slice(buffer, 8, 4), LittleEndian(0xFFFFFFFF, 4));
    EXPECT_EQ(Slice(buffer, 12, 4), LittleEndian(2, 4));
    EXPECT_EQ(Slice(buffer, 16, 7), (std::vector<uint8_t>{1, 10, 20, 30, 40, 0x50, 0xC3}));
    std::vector<uint8_t> ipv6(19, 0);
    ipv6[0] = 2;
    ipv6[15] = 1;
    ipv6[17] = 0x40;
    ipv6[18] = 0x9C;
    EXPECT_EQ(Slice(buffer, 23, 19), ipv6);
    EXPECT_EQ(Slice(buffer, 42, 32), Counting(0x40, 32));
    EXPECT_EQ(Slice(buffer, 74, 32), Counting(0x80, 32));
    EXPECT_EQ(Slice(buffer, 106, 256), Counting(0, 256));
    EXPECT_TRUE(AllZero(buffer, 362, PrivateConnectTokenBytes));

    PrivateConnectToken read;
    ASSERT_TRUE(ReadPrivateConnectToken(buffer, read));
    EXPECT_EQ(read.timeoutSeconds, -1);
    EXPECT_EQ(read.serverAddresses[1], Address("[::1]:40000"));
    EXPECT_EQ(std::memcmp(read.userData, MakePrivateToken().userData, UserDataBytes), 0);

    // Counts 0 and 33, a count with a high byte set, address types 0 and 3: refused, untouched.
    const int offsets[] = {12, 12, 15, 16, 16};
    const uint8_t values[] = {0, 33, 1, 0, 3};
    for (int i = 0; i < 5; ++i)
    {
        ASSERT_TRUE(WritePrivateConnectToken(MakePrivateToken(), buffer));
        buffer[offsets[i]] = values[i];
        read.clientId = 99;
        EXPECT_FALSE(ReadPrivateConnectToken(buffer, read)) << i;
        EXPECT_EQ(read.clientId, 99u);
    }

    PrivateConnectToken token = MakePrivateToken();
    for (int count : {0, MaxServersPerConnect + 1})
    {
        token.numServerAddresses = count;
        EXPECT_FALSE(WritePrivateConnectToken(token, buffer)) << count;
    }
    // Thirty-two IPv6 addresses are the most the private part holds, and they fit.
    token.numServerAddresses = MaxServersPerConnect;
    for (Address& address : token.serverAddresses)
        address = Address("[fe80::1]:1");
    ASSERT_TRUE(WritePrivateConnectToken(token, buffer));
    EXPECT_TRUE(ReadPrivateConnectToken(buffer, read));
    token.serverAddresses[5] = Address();
    EXPECT_FALSE(WritePrivateConnectToken(token, buffer));
}

TEST(ConnectToken, PrivatePartSealsWithXChaChaBoundToItsHeader)
{
    uint8_t key[KeyBytes];
    uint8_t nonce[ConnectTokenNonceBytes];
    for (int i = 0; i < KeyBytes; ++i)
        key[i] = static_cast<uint8_t>(200 - i);
    for (int i = 0; i < ConnectTokenNonceBytes; ++i)
        nonce[i] = static_cast<uint8_t>(i * 3);
    const uint64_t protocolId = 0x1234567890ABCDEFull;
    const uint64_t expire = 1700000000;
    uint8_t plain[PrivateConnectTokenBytes];
    ASSERT_TRUE(WritePrivateConnectToken(MakePrivateToken(), plain));
    uint8_t sealed[PrivateConnectTokenBytes];
    std::memcpy(sealed, plain, sizeof(sealed));
    ASSERT_TRUE(SealPrivateConnectToken(sealed, protocolId, expire, nonce, key));

    // Opened with libsodium directly, with associated data built from the documented layout.
    std::vector<uint8_t> associated = Version;
    for (uint64_t value : {protocolId, expire})
        for (uint8_t byte : LittleEndian(value, 8))
            associated.push_back(byte);
    uint8_t opened[PrivateConnectTokenBytes - MacBytes];
    unsigned long long openedBytes = 0;
    ASSERT_EQ(crypto_aead_xchacha20poly1305_ietf_decrypt(opened, &openedBytes, nullptr, sealed, sizeof(sealed),
                                                         associated.data(), associated.size(), nonce, key),
              0);
    EXPECT_EQ(openedBytes, 1008u);
    EXPECT_EQ(std::memcmp(opened, plain, sizeof(opened)), 0);

    // Any change to the bound header, the nonce, the key or the bytes fails to open.
    uint8_t zeros[KeyBytes] = {};
    struct Case
    {
        uint64_t protocolId;
        uint64_t expire;
        const uint8_t* nonce;
        const uint8_t* key;
        int flip;
    };
    const Case cases[] = {{protocolId, expire, nonce, key, -1},     {protocolId + 1, expire, nonce, key, -1},
                          {protocolId, expire + 1, nonce, key, -1}, {protocolId, expire, zeros, key, -1},
                          {protocolId, expire, nonce, zeros, -1},   {protocolId, expire, nonce, key, 0},
                          {protocolId, expire, nonce, key, 1023}};
    for (const Case& c : cases)
    {
        uint8_t copy[PrivateConnectTokenBytes];
        std::memcpy(copy, sealed, sizeof(copy));
        if (c.flip >= 0)
            copy[c.flip] ^= 1;
        bool unchanged = &c == &cases[0];
        EXPECT_EQ(OpenPrivateConnectToken(copy, c.protocolId, c.expire, c.nonce, c.key), unchanged) << (&c - cases);
    }
}

TEST(ConnectToken, PublicPartLaysOutAsDocumented)
{
    ConnectToken token;
    token.protocolId = 0x1122334455667788ull;
    token.createTimestamp = 1000;
    token.expireTimestamp = 1060;
    for (int i = 0; i < ConnectTokenNonceBytes; ++i)
        token.nonce[i] = static_cast<uint8_t>(0xA0 + i);
    for (int i = 0; i < PrivateConnectTokenBytes; ++i)
        token.privateData[i] = static_cast<uint8_t>(i * 7);
    token.timeoutSeconds = 10;
    token.numServerAddresses = 1;
    token.serverAddresses[0] = Address("127.0.0.1:40000");
    FillKeys(token.clientToServerKey, token.serverToClientKey);
    uint8_t buffer[ConnectTokenBytes];
    std::memset(buffer, 0xEE, sizeof(buffer));
    ASSERT_TRUE(WriteConnectToken(token, buffer));

    EXPECT_EQ(Slice(buffer, 0, 13), Version);
    EXPECT_EQ(Slice(buffer, 13, 8), LittleEndian(0x1122334455667788ull, 8));
    EXPECT_EQ(Slice(buffer, 21, 8), LittleEndian(1000, 8));
    EXPECT_EQ(Slice(buffer, 29, 8), LittleEndian(1060, 8));
    EXPECT_EQ(Slice(buffer, 37, 24), Counting(0xA0, 24));
    EXPECT_EQ(Slice(buffer, 61, 1024), Slice(token.privateData, 0, 1024));
    EXPECT_EQ(Slice(buffer, 1085, 4), LittleEndian(10, 4));
    EXPECT_EQ(Slice(buffer, 1089, 4), LittleEndian(1, 4));
    EXPECT_EQ(Slice(buffer, 1093, 7), (std::vector<uint8_t>{1, 127, 0, 0, 1, 0x40, 0x9C}));
    EXPECT_EQ(Slice(buffer, 1100, 32), Counting(0x40, 32));
    EXPECT_EQ(Slice(buffer, 1132, 32), Counting(0x80, 32));
    EXPECT_TRUE(AllZero(buffer, 1164, ConnectTokenBytes));

    ConnectToken read;
    ASSERT_TRUE(ReadConnectToken(buffer, read));
    EXPECT_EQ(read.expireTimestamp, 1060u);
    EXPECT_EQ(read.serverAddresses[0], token.serverAddresses[0]);
    EXPECT_EQ(std::memcmp(read.serverToClientKey, token.serverToClientKey, KeyBytes), 0);

    // Another version, created after it expires, 0 or 33 addresses, address types 0 and 3.
    const int offsets[] = {10, 22, 1089, 1089, 1093, 1093};
    const uint8_t values[] = {'3', 0xFF, 0, 33, 0, 3};
    for (int i = 0; i < 6; ++i)
    {
        uint8_t copy[ConnectTokenBytes];
        std::memcpy(copy, buffer, sizeof(copy));
        copy[offsets[i]] = values[i];
        EXPECT_FALSE(ReadConnectToken(copy, read)) << offsets[i];
    }
}

TEST(ConnectToken, GeneratedTokenOpensWithThePrivateKey)
{
    uint8_t privateKey[KeyBytes];
    GenerateKey(privateKey);
    uint8_t userData[UserDataBytes];
    for (int i = 0; i < UserDataBytes; ++i)
        userData[i] = static_cast<uint8_t>(255 - i);
    const char* addresses[] = {"127.0.0.1:40000", "[::1]:40001"};
    uint8_t buffer[ConnectTokenBytes];
    uint64_t before = static_cast<uint64_t>(std::time(nullptr));
    ASSERT_TRUE(GenerateConnectToken(2, addresses, 60, 10, 777, 0, 5, privateKey, userData, buffer));

    ConnectToken token;
    ASSERT_TRUE(ReadConnectToken(buffer, token));
    EXPECT_GE(token.createTimestamp, before);
    EXPECT_LE(token.createTimestamp, static_cast<uint64_t>(std::time(nullptr)));
    EXPECT_EQ(token.expireTimestamp, token.createTimestamp + 60);
    EXPECT_EQ(token.serverAddresses[1], Address("[::1]:40001"));
    ASSERT_TRUE(OpenPrivateConnectToken(token.privateData, 0, token.expireTimestamp, token.nonce, privateKey));
    PrivateConnectToken inside;
    ASSERT_TRUE(ReadPrivateConnectToken(token.privateData, inside));
    EXPECT_EQ(inside.clientId, 777u);
    EXPECT_EQ(inside.timeoutSeconds, 10);
    EXPECT_EQ(inside.serverAddresses[0], Address("127.0.0.1:40000"));
    EXPECT_EQ(std::memcmp(inside.clientToServerKey, token.clientToServerKey, KeyBytes), 0);
    EXPECT_EQ(std::memcmp(inside.serverToClientKey, token.serverToClientKey, KeyBytes), 0);
    EXPECT_EQ(std::memcmp(inside.userData, userData, UserDataBytes), 0);

    // The same sequence number again still gives a fresh nonce.
    uint8_t second[ConnectTokenBytes];
    ASSERT_TRUE(GenerateConnectToken(2, addresses, 60, 10, 777, 0, 5, privateKey, nullptr, second));
    ConnectToken other;
    ASSERT_TRUE(ReadConnectToken(second, other));
    EXPECT_NE(std::memcmp(other.nonce, token.nonce, ConnectTokenNonceBytes), 0);

    const char* bad[] = {"127.0.0.1:1", "not an address"};
    const char* nothing[] = {nullptr};
    std::vector<const char*> many(MaxServersPerConnect + 1, "127.0.0.1:1");
    EXPECT_FALSE(GenerateConnectToken(0, addresses, 60, 10, 1, 0, 0, privateKey, nullptr, buffer));
    EXPECT_FALSE(GenerateConnectToken(33, many.data(), 60, 10, 1, 0, 0, privateKey, nullptr, buffer));
    EXPECT_FALSE(GenerateConnectToken(2, bad, 60, 10, 1, 0, 0, privateKey, nullptr, buffer));
    EXPECT_FALSE(GenerateConnectToken(1, nothing, 60, 10, 1, 0, 0, privateKey, nullptr, buffer));
    EXPECT_FALSE(GenerateConnectToken(1, addresses, -1, 10, 1, 0, 0, privateKey, nullptr, buffer));
    EXPECT_TRUE(GenerateConnectToken(32, many.data(), 0, -1, 1, 0, 0, privateKey, nullptr, buffer));
}

TEST(ChallengeToken, LaysOutAndSealsUnderTheSequence)
{
    ChallengeToken token;
    token.clientId = 0xCAFEull;
    for (int i = 0; i < UserDataBytes; ++i)
        token.userData[i] = static_cast<uint8_t>(i ^ 0x5A);
    uint8_t buffer[ChallengeTokenBytes];
    std::memset(buffer, 0xEE, sizeof(buffer));
    WriteChallengeToken(token, buffer);
    EXPECT_EQ(Slice(buffer, 0, 8), LittleEndian(0xCAFE, 8));
    EXPECT_EQ(Slice(buffer, 8, 256), Slice(token.userData, 0, 256));
    EXPECT_TRUE(AllZero(buffer, 264, ChallengeTokenBytes));

    uint8_t key[KeyBytes];
    GenerateKey(key);
    ASSERT_TRUE(SealChallengeToken(buffer, 0x0102, key));
    uint8_t copy[ChallengeTokenBytes];
    std::memcpy(copy, buffer, sizeof(copy));
    EXPECT_FALSE(OpenChallengeToken(copy, 0x0103, key));
    std::memcpy(copy, buffer, sizeof(copy));
    copy[299] ^= 0x80;
    EXPECT_FALSE(OpenChallengeToken(copy, 0x0102, key));
    ASSERT_TRUE(OpenChallengeToken(buffer, 0x0102, key));
    ChallengeToken read;
    ReadChallengeToken(buffer, read);
    EXPECT_EQ(read.clientId, 0xCAFEu);
    EXPECT_EQ(std::memcmp(read.userData, token.userData, UserDataBytes), 0);
}

} // namespace ConnectTokenTests
