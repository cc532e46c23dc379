#pragma once

#include "Net/Address.h"

#include <cstdint>

namespace Net
{

constexpr int KeyBytes = 32;
constexpr int MacBytes = 16;
constexpr int UserDataBytes = 256;
constexpr int VersionInfoBytes = 13;
constexpr int ConnectTokenBytes = 2048;
constexpr int PrivateConnectTokenBytes = 1024;
constexpr int ConnectTokenNonceBytes = 24;
constexpr int ChallengeTokenBytes = 300;
constexpr int MaxServersPerConnect = 32;

// "NETCODE 1.02" and its terminating zero: the first bytes of every token and connection request.
extern const uint8_t VersionInfo[VersionInfoBytes];

// Makes libsodium ready; safe to call from any thread, any number of times. False when the
// library cannot start, in which case nothing here works.
bool InitializeCrypto();
void RandomBytes(uint8_t* data, int bytes);
void GenerateKey(uint8_t key[KeyBytes]);

// What only the servers read: sealed under the private key they share with whoever makes tokens.
struct PrivateConnectToken
{
    uint64_t clientId = 0;
    int32_t timeoutSeconds = 0; // negative: the connection never times out
    int numServerAddresses = 0;
    Address serverAddresses[MaxServersPerConnect];
    uint8_t clientToServerKey[KeyBytes] = {};
    uint8_t serverToClientKey[KeyBytes] = {};
    uint8_t userData[UserDataBytes] = {};
};

// Plain form, zero padded to PrivateConnectTokenBytes; the last MacBytes stay free for sealing.
// False when the address count is outside [1, MaxServersPerConnect] or an address is invalid.
bool WritePrivateConnectToken(const PrivateConnectToken& token, uint8_t buffer[PrivateConnectTokenBytes]);
// False (token untouched) when the count or an address type is out of range.
bool ReadPrivateConnectToken(const uint8_t buffer[PrivateConnectTokenBytes], PrivateConnectToken& token);

// Seals or opens, in place, the first PrivateConnectTokenBytes - MacBytes bytes with
// XChaCha20-Poly1305; the tag takes the last MacBytes. The version info, protocol id and expiry
// are bound in as associated data, so changing any of them in a request makes opening fail.
bool SealPrivateConnectToken(uint8_t buffer[PrivateConnectTokenBytes], uint64_t protocolId, uint64_t expireTimestamp,
                             const uint8_t nonce[ConnectTokenNonceBytes], const uint8_t key[KeyBytes]);
bool OpenPrivateConnectToken(uint8_t buffer[PrivateConnectTokenBytes], uint64_t protocolId, uint64_t expireTimestamp,
                             const uint8_t nonce[ConnectTokenNonceBytes], const uint8_t key[KeyBytes]);

// What a client holds to connect: the sealed private part, where to connect and the keys for it.
struct ConnectToken
{
    uint64_t protocolId = 0;
    uint64_t createTimestamp = 0; // unix seconds
    uint64_t expireTimestamp = 0; // unix seconds
    uint8_t nonce[ConnectTokenNonceBytes] = {};
    uint8_t privateData[PrivateConnectTokenBytes] = {};
    int32_t timeoutSeconds = 0;
    int numServerAddresses = 0;
    Address serverAddresses[MaxServersPerConnect];
    uint8_t clientToServerKey[KeyBytes] = {};
    uint8_t serverToClientKey[KeyBytes] = {};
};

// ConnectTokenBytes bytes, zero padded. False when the address list is out of range.
bool WriteConnectToken(const ConnectToken& token, uint8_t buffer[ConnectTokenBytes]);
// False (token untouched) when the version info differs, the address count or an address type is
// out of range, or the token was created after it expires.
bool ReadConnectToken(const uint8_t buffer[ConnectTokenBytes], ConnectToken& token);

// Makes a connect token for one client: fresh keys for both directions and a fresh random nonce,
// created now and expiring expireSeconds (>= 0) later; a negative timeoutSeconds never times out.
// The sequence is accepted for callers that number their tokens; the nonce does not depend on it,
// since counters restarting in every process would repeat nonces under the shared key. userData
// may be null (zeros). False, with an error logged, on an unreadable address, an address count
// outside [1, MaxServersPerConnect] or a negative expiry.
bool GenerateConnectToken(int numServerAddresses, const char* const serverAddresses[], int expireSeconds,
                          int timeoutSeconds, uint64_t clientId, uint64_t protocolId, uint64_t sequence,
                          const uint8_t privateKey[KeyBytes], const uint8_t* userData,
                          uint8_t connectToken[ConnectTokenBytes]);
bool GenerateConnectToken(int numServerAddresses, const Address serverAddresses[], int expireSeconds,
                          int timeoutSeconds, uint64_t clientId, uint64_t protocolId, uint64_t sequence,
                          const uint8_t privateKey[KeyBytes], const uint8_t* userData,
                          uint8_t connectToken[ConnectTokenBytes]);

// Proves a client can receive at the address it claims: the server seals it with a key only it
// knows and the client echoes it back.
struct ChallengeToken
{
    uint64_t clientId = 0;
    uint8_t userData[UserDataBytes] = {};
};

// ChallengeTokenBytes bytes, zero padded; the last MacBytes stay free for sealing.
void WriteChallengeToken(const ChallengeToken& token, uint8_t buffer[ChallengeTokenBytes]);
void ReadChallengeToken(const uint8_t buffer[ChallengeTokenBytes], ChallengeToken& token);
// ChaCha20-Poly1305 (IETF) in place, no associated data, the nonce made from the sequence.
bool SealChallengeToken(uint8_t buffer[ChallengeTokenBytes], uint64_t sequence, const uint8_t key[KeyBytes]);
bool OpenChallengeToken(uint8_t buffer[ChallengeTokenBytes], uint64_t sequence, const uint8_t key[KeyBytes]);

// The 96-bit nonce of packets and challenge tokens: four zero bytes, then the sequence in
// little-endian order.
void MakeSequenceNonce(uint64_t sequence, uint8_t nonce[12]);

} // namespace Net
