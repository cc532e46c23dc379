#include "Net/ConnectToken.h"
#include "Net/Fuzz/Harness.h"
#include "Net/NetcodeClient.h"
#include "Net/NetcodeServer.h"
#include "Net/Packet.h"
#include "Net/Socket.h"
#include "Net/WireBytes.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <sodium.h>

namespace Net::Fuzz
{

namespace
{

constexpr uint64_t ProtocolId = 0x1122334455667788ull;
constexpr uint8_t Key[KeyBytes] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16,
                                   17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// Any sealed packet under a known key, with every type allowed and a replay window that lives
// across inputs.
void ReadSealed(const uint8_t* data, int size)
{
    static ReplayProtection replay;
    uint8_t buffer[2048];
    int bytes = size < static_cast<int>(sizeof(buffer)) ? size : static_cast<int>(sizeof(buffer));
    std::memcpy(buffer, data, static_cast<size_t>(bytes));
    PacketReadContext context;
    context.protocolId = ProtocolId;
    context.key = Key;
    context.allowedTypes = 0xFFFFFFFFu;
    context.replay = &replay;
    Packet packet;
    ReadPacket(buffer, bytes, context, packet);
}

void ReadRequest(const uint8_t* data, int size)
{
    ConnectionRequestPacket packet;
    PrivateConnectToken token;
    ReadConnectionRequest(data, size, ProtocolId, 0, Key, packet, token);
}

// The token and address forms: whatever reads must write and read back to the same bytes.
void ReadForms(const uint8_t* data, int size)
{
    uint8_t buffer[ConnectTokenBytes] = {};
    std::memcpy(buffer, data, static_cast<size_t>(size < ConnectTokenBytes ? size : ConnectTokenBytes));

    ConnectToken token;
    if (ReadConnectToken(buffer, token))
    {
        static uint8_t first[ConnectTokenBytes], second[ConnectTokenBytes];
        ConnectToken again;
        Require(WriteConnectToken(token, first) && ReadConnectToken(first, again) && WriteConnectToken(again, second));
        Require(std::memcmp(first, second, ConnectTokenBytes) == 0);
    }
    PrivateConnectToken privateToken;
    if (ReadPrivateConnectToken(buffer, privateToken))
    {
        uint8_t first[PrivateConnectTokenBytes], second[PrivateConnectTokenBytes];
        PrivateConnectToken again;
        Require(WritePrivateConnectToken(privateToken, first) && ReadPrivateConnectToken(first, again) &&
                WritePrivateConnectToken(again, second));
        Require(std::memcmp(first, second, PrivateConnectTokenBytes) == 0);
    }
    Address address;
    int read = ReadAddress(data, size, address);
    if (read > 0)
    {
        uint8_t written[MaxAddressWireBytes];
        Require(WriteAddress(address, written, sizeof(written)) == read);
        Require(std::memcmp(written, data, static_cast<size_t>(read)) == 0);
    }
    ChallengeToken challenge;
    ReadChallengeToken(buffer, challenge);
}

// Contents of any length sealed under the known key, so the reading after opening is reached;
// a packet that reads must write back to exactly the bytes it was read from.
void ReadContents(const uint8_t* data, int size)
{
    if (size < 1)
        return;
    uint8_t type = data[0] & 0x0F;
    const uint8_t* contents = data + 1;
    int contentBytes = size - 1 > MaxPayloadBytes + 16 ? MaxPayloadBytes + 16 : size - 1;
    uint64_t sequence = static_cast<uint64_t>(size) * 0x0101010101ull;
    int sequenceBytes = SequenceBytes(sequence);
    uint8_t prefix = static_cast<uint8_t>((sequenceBytes << 4) | type);

    uint8_t packet[2048];
    WireWriter writer(packet, sizeof(packet));
    writer.WriteUint8(prefix);
    for (int i = 0; i < sequenceBytes; ++i)
        writer.WriteUint8(static_cast<uint8_t>(sequence >> (8 * i)));
    int start = writer.Position();
    writer.WriteBytes(contents, contentBytes);
    Require(writer.Ok());

    uint8_t associated[VersionInfoBytes + 9];
    WireWriter associatedWriter(associated, sizeof(associated));
    associatedWriter.WriteBytes(VersionInfo, VersionInfoBytes);
    associatedWriter.WriteUint64(ProtocolId);
    associatedWriter.WriteUint8(prefix);
    uint8_t nonce[12];
    MakeSequenceNonce(sequence, nonce);
    unsigned long long sealed = 0;
    crypto_aead_chacha20poly1305_ietf_encrypt(packet + start, &sealed, packet + start,
                                              static_cast<unsigned long long>(contentBytes), associated,
                                              sizeof(associated), nullptr, nonce, Key);
    int bytes = start + static_cast<int>(sealed);
    uint8_t original[2048];
    std::memcpy(original, packet, static_cast<size_t>(bytes));

    PacketReadContext context;
    context.protocolId = ProtocolId;
    context.key = Key;
    context.allowedTypes = 0xFFFFFFFFu;
    Packet read;
    if (ReadPacket(packet, bytes, context, read) != PACKET_READ_OK)
        return;
    uint8_t rewritten[2048];
    Require(WritePacket(read, rewritten, sizeof(rewritten), Key, ProtocolId) == bytes);
    Require(std::memcmp(rewritten, original, static_cast<size_t>(bytes)) == 0);
}

// A server with one connected client on the in-memory network. Inputs arrive as packets from
// the client's address, from a stranger, or at the client from the server's address; none can
// carry a valid tag, so the connection must survive every one of them.
struct Live
{
    MemoryNetwork network;
    MemoryTransport serverTransport{network, Address(10, 0, 0, 1, 40000)};
    MemoryTransport clientTransport{network, Address(10, 0, 0, 2, 50000)};
    MemoryTransport strangerTransport{network, Address(10, 0, 0, 3, 50000)};
    std::unique_ptr<NetcodeServer> server;
    std::unique_ptr<NetcodeClient> client;
    double time = 0.0;

    Live()
    {
        NetcodeServerConfig serverConfig;
        serverConfig.protocolId = ProtocolId;
        std::memcpy(serverConfig.privateKey, Key, KeyBytes);
        server = std::make_unique<NetcodeServer>(serverConfig, &serverTransport, time);
        server->Start(4);
        client = std::make_unique<NetcodeClient>(NetcodeClientConfig(), &clientTransport, time);
        Address serverAddress = serverTransport.GetAddress();
        uint8_t token[ConnectTokenBytes];
        Require(GenerateConnectToken(1, &serverAddress, 3600, -1, 42, ProtocolId, 0, Key, nullptr, token));
        client->Connect(token);
        for (int i = 0; i < 100 && client->State() != NETCODE_CLIENT_STATE_CONNECTED; ++i)
        {
            time += 0.1;
            client->Update(time);
            server->Update(time);
        }
        Require(client->State() == NETCODE_CLIENT_STATE_CONNECTED);
    }

    void Feed(const uint8_t* data, int size)
    {
        if (size < 1)
            return;
        int target = data[0] % 3;
        ++data;
        --size;
        if (size < 1)
            return;
        if (target == 0)
            clientTransport.Send(serverTransport.GetAddress(), data, size);
        else if (target == 1)
            strangerTransport.Send(serverTransport.GetAddress(), data, size);
        else
            serverTransport.Send(clientTransport.GetAddress(), data, size);
        server->Update(time);
        client->Update(time);
        Address from;
        uint8_t drain[4096];
        while (strangerTransport.Receive(from, drain, sizeof(drain)) > 0)
        {
        }
        Require(client->State() == NETCODE_CLIENT_STATE_CONNECTED && server->GetNumConnectedClients() == 1);
    }
};

} // namespace

int NetcodePacket(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 4096)
        return 0;
    const uint8_t* input = data + 1;
    int bytes = static_cast<int>(size - 1);
    switch (data[0] % 5)
    {
    case 0:
        ReadSealed(input, bytes);
        break;
    case 1:
        ReadRequest(input, bytes);
        break;
    case 2:
        ReadForms(input, bytes);
        break;
    case 3:
        ReadContents(input, bytes);
        break;
    default:
    {
        static Live live;
        live.Feed(input, bytes);
        break;
    }
    }
    return 0;
}

} // namespace Net::Fuzz
