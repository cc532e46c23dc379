#include "Net/ConnectToken.h"

#include "Net/Log.h"
#include "Net/WireBytes.h"

#include <ctime>
#include <sodium.h>

namespace Net
{

const uint8_t VersionInfo[VersionInfoBytes] = {'N', 'E', 'T', 'C', 'O', 'D', 'E', ' ', '1', '.', '0', '2', '\0'};

static_assert(crypto_aead_xchacha20poly1305_ietf_KEYBYTES == KeyBytes);
static_assert(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES == ConnectTokenNonceBytes);
static_assert(crypto_aead_xchacha20poly1305_ietf_ABYTES == MacBytes);
static_assert(crypto_aead_chacha20poly1305_ietf_KEYBYTES == KeyBytes);
static_assert(crypto_aead_chacha20poly1305_ietf_NPUBBYTES == 12);
static_assert(crypto_aead_chacha20poly1305_ietf_ABYTES == MacBytes);

namespace
{

constexpr int PrivateTokenPlainBytes = PrivateConnectTokenBytes - MacBytes;
constexpr int ChallengeTokenPlainBytes = ChallengeTokenBytes - MacBytes;
constexpr int PrivateTokenAssociatedBytes = VersionInfoBytes + 8 + 8;

void MakePrivateTokenAssociatedData(uint64_t protocolId, uint64_t expireTimestamp,
                                    uint8_t data[PrivateTokenAssociatedBytes])
{
    WireWriter writer(data, PrivateTokenAssociatedBytes);
    writer.WriteBytes(VersionInfo, VersionInfoBytes);
    writer.WriteUint64(protocolId);
    writer.WriteUint64(expireTimestamp);
}

bool WriteAddressList(WireWriter& writer, int count, const Address addresses[])
{
    if (count < 1 || count > MaxServersPerConnect)
        return false;
    writer.WriteUint32(static_cast<uint32_t>(count));
    for (int i = 0; i < count; ++i)
    {
        uint8_t bytes[MaxAddressWireBytes];
        int written = WriteAddress(addresses[i], bytes, sizeof(bytes));
        if (written == 0)
            return false;
        writer.WriteBytes(bytes, written);
    }
    return writer.Ok();
}

bool ReadAddressList(WireReader& reader, const uint8_t* data, int& count, Address addresses[])
{
    uint32_t number = 0;
    if (!reader.ReadUint32(number) || number < 1 || number > MaxServersPerConnect)
        return false;
    for (uint32_t i = 0; i < number; ++i)
    {
        int read = ReadAddress(data + reader.Position(), reader.Remaining(), addresses[i]);
        if (read == 0 || !reader.Skip(read))
            return false;
    }
    count = static_cast<int>(number);
    return true;
}

} // namespace

bool InitializeCrypto()
{
    // sodium_init is itself thread-safe and returns 1 when it already ran.
    static const bool ready = sodium_init() >= 0;
    return ready;
}

void RandomBytes(uint8_t* data, int bytes)
{
    if (!data || bytes <= 0 || !InitializeCrypto())
        return;
    randombytes_buf(data, static_cast<size_t>(bytes));
}

void GenerateKey(uint8_t key[KeyBytes])
{
    RandomBytes(key, KeyBytes);
}

void MakeSequenceNonce(uint64_t sequence, uint8_t nonce[12])
{
    WireWriter writer(nonce, 12);
    writer.WriteUint32(0);
    writer.WriteUint64(sequence);
}

bool WritePrivateConnectToken(const PrivateConnectToken& token, uint8_t buffer[PrivateConnectTokenBytes])
{
    WireWriter writer(buffer, PrivateTokenPlainBytes);
    writer.WriteUint64(token.clientId);
    writer.WriteUint32(static_cast<uint32_t>(token.timeoutSeconds));
    if (!WriteAddressList(writer, token.numServerAddresses, token.serverAddresses))
        return false;
    writer.WriteBytes(token.clientToServerKey, KeyBytes);
    writer.WriteBytes(token.serverToClientKey, KeyBytes);
    writer.WriteBytes(token.userData, UserDataBytes);
    if (!writer.Ok())
        return false;
    writer.PadWithZeros();
    std::memset(buffer + PrivateTokenPlainBytes, 0, MacBytes);
    return true;
}

bool ReadPrivateConnectToken(const uint8_t buffer[PrivateConnectTokenBytes], PrivateConnectToken& token)
{
    WireReader reader(buffer, PrivateTokenPlainBytes);
    PrivateConnectToken read;
    uint32_t timeout = 0;
    reader.ReadUint64(read.clientId);
    reader.ReadUint32(timeout);
    read.timeoutSeconds = static_cast<int32_t>(timeout);
    if (!reader.Ok() || !ReadAddressList(reader, buffer, read.numServerAddresses, read.serverAddresses))
        return false;
    reader.ReadBytes(read.clientToServerKey, KeyBytes);
    reader.ReadBytes(read.serverToClientKey, KeyBytes);
    reader.ReadBytes(read.userData, UserDataBytes);
    if (!reader.Ok())
        return false;
    token = read;
    return true;
}

bool SealPrivateConnectToken(uint8_t buffer[PrivateConnectTokenBytes], uint64_t protocolId, uint64_t expireTimestamp,
                             const uint8_t nonce[ConnectTokenNonceBytes], const uint8_t key[KeyBytes])
{
    if (!InitializeCrypto())
        return false;
    uint8_t associated[PrivateTokenAssociatedBytes];
    MakePrivateTokenAssociatedData(protocolId, expireTimestamp, associated);
    unsigned long long sealedBytes = 0;
    int result = crypto_aead_xchacha20poly1305_ietf_encrypt(buffer, &sealedBytes, buffer, PrivateTokenPlainBytes,
                                                            associated, sizeof(associated), nullptr, nonce, key);
    return result == 0 && sealedBytes == PrivateConnectTokenBytes;
}

bool OpenPrivateConnectToken(uint8_t buffer[PrivateConnectTokenBytes], uint64_t protocolId, uint64_t expireTimestamp,
                             const uint8_t nonce[ConnectTokenNonceBytes], const uint8_t key[KeyBytes])
{
    if (!InitializeCrypto())
        return false;
    uint8_t associated[PrivateTokenAssociatedBytes];
    MakePrivateTokenAssociatedData(protocolId, expireTimestamp, associated);
    unsigned long long openedBytes = 0;
    int result = crypto_aead_xchacha20poly1305_ietf_decrypt(
        buffer, &openedBytes, nullptr, buffer, PrivateConnectTokenBytes, associated, sizeof(associated), nonce, key);
    return result == 0 && openedBytes == PrivateTokenPlainBytes;
}

bool WriteConnectToken(const ConnectToken& token, uint8_t buffer[ConnectTokenBytes])
{
    WireWriter writer(buffer, ConnectTokenBytes);
    writer.WriteBytes(VersionInfo, VersionInfoBytes);
    writer.WriteUint64(token.protocolId);
    writer.WriteUint64(token.createTimestamp);
    writer.WriteUint64(token.expireTimestamp);
    writer.WriteBytes(token.nonce, ConnectTokenNonceBytes);
    writer.WriteBytes(token.privateData, PrivateConnectTokenBytes);
    writer.WriteUint32(static_cast<uint32_t>(token.timeoutSeconds));
    if (!WriteAddressList(writer, token.numServerAddresses, token.serverAddresses))
        return false;
    writer.WriteBytes(token.clientToServerKey, KeyBytes);
    writer.WriteBytes(token.serverToClientKey, KeyBytes);
    writer.PadWithZeros();
    return writer.Ok();
}

bool ReadConnectToken(const uint8_t buffer[ConnectTokenBytes], ConnectToken& token)
{
    WireReader reader(buffer, ConnectTokenBytes);
    uint8_t version[VersionInfoBytes];
    if (!reader.ReadBytes(version, VersionInfoBytes) || std::memcmp(version, VersionInfo, VersionInfoBytes) != 0)
        return false;
    ConnectToken read;
    uint32_t timeout = 0;
    reader.ReadUint64(read.protocolId);
    reader.ReadUint64(read.createTimestamp);
    reader.ReadUint64(read.expireTimestamp);
    reader.ReadBytes(read.nonce, ConnectTokenNonceBytes);
    reader.ReadBytes(read.privateData, PrivateConnectTokenBytes);
    reader.ReadUint32(timeout);
    read.timeoutSeconds = static_cast<int32_t>(timeout);
    if (!reader.Ok() || !ReadAddressList(reader, buffer, read.numServerAddresses, read.serverAddresses))
        return false;
    reader.ReadBytes(read.clientToServerKey, KeyBytes);
    reader.ReadBytes(read.serverToClientKey, KeyBytes);
    if (!reader.Ok() || read.createTimestamp > read.expireTimestamp)
        return false;
    token = read;
    return true;
}

bool GenerateConnectToken(int numServerAddresses, const char* const serverAddresses[], int expireSeconds,
                          int timeoutSeconds, uint64_t clientId, uint64_t protocolId, uint64_t sequence,
                          const uint8_t privateKey[KeyBytes], const uint8_t* userData,
                          uint8_t connectToken[ConnectTokenBytes])
{
    if (numServerAddresses < 1 || numServerAddresses > MaxServersPerConnect || !serverAddresses)
    {
        NET_LOG_ERROR("connect token: %d server addresses, expected 1 to %d", numServerAddresses, MaxServersPerConnect);
        return false;
    }
    Address addresses[MaxServersPerConnect];
    for (int i = 0; i < numServerAddresses; ++i)
    {
        addresses[i] = Address(serverAddresses[i]);
        if (!addresses[i].IsValid())
        {
            NET_LOG_ERROR("connect token: cannot read server address \"%s\"",
                          serverAddresses[i] ? serverAddresses[i] : "");
            return false;
        }
    }
    return GenerateConnectToken(numServerAddresses, addresses, expireSeconds, timeoutSeconds, clientId, protocolId,
                                sequence, privateKey, userData, connectToken);
}

bool GenerateConnectToken(int numServerAddresses, const Address serverAddresses[], int expireSeconds,
                          int timeoutSeconds, uint64_t clientId, uint64_t protocolId, uint64_t /*sequence*/,
                          const uint8_t privateKey[KeyBytes], const uint8_t* userData,
                          uint8_t connectToken[ConnectTokenBytes])
{
    if (numServerAddresses < 1 || numServerAddresses > MaxServersPerConnect || !serverAddresses)
    {
        NET_LOG_ERROR("connect token: %d server addresses, expected 1 to %d", numServerAddresses, MaxServersPerConnect);
        return false;
    }
    if (expireSeconds < 0)
    {
        NET_LOG_ERROR("connect token: negative expiry %d", expireSeconds);
        return false;
    }
    if (!privateKey || !connectToken || !InitializeCrypto())
        return false;

    PrivateConnectToken privateToken;
    privateToken.clientId = clientId;
    privateToken.timeoutSeconds = timeoutSeconds;
    privateToken.numServerAddresses = numServerAddresses;
    for (int i = 0; i < numServerAddresses; ++i)
        privateToken.serverAddresses[i] = serverAddresses[i];
    GenerateKey(privateToken.clientToServerKey);
    GenerateKey(privateToken.serverToClientKey);
    if (userData)
        std::memcpy(privateToken.userData, userData, UserDataBytes);

    ConnectToken token;
    token.protocolId = protocolId;
    token.createTimestamp = static_cast<uint64_t>(std::time(nullptr));
    token.expireTimestamp = token.createTimestamp + static_cast<uint64_t>(expireSeconds);
    RandomBytes(token.nonce, ConnectTokenNonceBytes);
    token.timeoutSeconds = timeoutSeconds;
    token.numServerAddresses = numServerAddresses;
    for (int i = 0; i < numServerAddresses; ++i)
        token.serverAddresses[i] = serverAddresses[i];
    std::memcpy(token.clientToServerKey, privateToken.clientToServerKey, KeyBytes);
    std::memcpy(token.serverToClientKey, privateToken.serverToClientKey, KeyBytes);

    if (!WritePrivateConnectToken(privateToken, token.privateData))
    {
        NET_LOG_ERROR("connect token: a server address is invalid");
        return false;
    }
    if (!SealPrivateConnectToken(token.privateData, protocolId, token.expireTimestamp, token.nonce, privateKey))
        return false;
    bool written = WriteConnectToken(token, connectToken);
    // The keys are secrets of this client's connection; do not leave copies on the stack.
    sodium_memzero(&privateToken, sizeof(privateToken));
    sodium_memzero(&token, sizeof(token));
    return written;
}

void WriteChallengeToken(const ChallengeToken& token, uint8_t buffer[ChallengeTokenBytes])
{
    WireWriter writer(buffer, ChallengeTokenBytes);
    writer.WriteUint64(token.clientId);
    writer.WriteBytes(token.userData, UserDataBytes);
    writer.PadWithZeros();
}

void ReadChallengeToken(const uint8_t buffer[ChallengeTokenBytes], ChallengeToken& token)
{
    WireReader reader(buffer, ChallengeTokenPlainBytes);
    reader.ReadUint64(token.clientId);
    reader.ReadBytes(token.userData, UserDataBytes);
}

bool SealChallengeToken(uint8_t buffer[ChallengeTokenBytes], uint64_t sequence, const uint8_t key[KeyBytes])
{
    if (!InitializeCrypto())
        return false;
    uint8_t nonce[12];
    MakeSequenceNonce(sequence, nonce);
    unsigned long long sealedBytes = 0;
    int result = crypto_aead_chacha20poly1305_ietf_encrypt(buffer, &sealedBytes, buffer, ChallengeTokenPlainBytes,
                                                           nullptr, 0, nullptr, nonce, key);
    return result == 0 && sealedBytes == ChallengeTokenBytes;
}

bool OpenChallengeToken(uint8_t buffer[ChallengeTokenBytes], uint64_t sequence, const uint8_t key[KeyBytes])
{
    if (!InitializeCrypto())
        return false;
    uint8_t nonce[12];
    MakeSequenceNonce(sequence, nonce);
    unsigned long long openedBytes = 0;
    int result = crypto_aead_chacha20poly1305_ietf_decrypt(buffer, &openedBytes, nullptr, buffer, ChallengeTokenBytes,
                                                           nullptr, 0, nonce, key);
    return result == 0 && openedBytes == ChallengeTokenPlainBytes;
}

} // namespace Net
