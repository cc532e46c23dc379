#include "Net/NetcodeServer.h"

#include "Net/Log.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <sodium.h>

namespace Net
{

namespace
{

// The least share of requests an update takes under a flood, whatever the last one managed.
constexpr double MinimumRequestShare = 1.0 / 4096.0;

// Bounds the work of one update under a flood, with the time bound of its config; whatever remains waits
// for the next. Reading stops to look at the clock after each batch.
constexpr int MaxPacketsPerUpdate = 1 << 16;
constexpr int PacketsPerClockRead = 128;

// Anyone can make valid requests, and source addresses can be forged, so strangers can fill any table
// of connecting addresses; it must be large enough that an honest entry outlives its client's round
// trip all the same. Addresses spread over buckets by a hash keyed at start, which strangers cannot
// aim at, and a full bucket gives up its oldest entry: at 16,000 requests a second from as many
// addresses, a bucket takes about 16 newcomers a second, so an entry lasts about a second. The
// table's 16,384 entries take about 2 MB.
constexpr size_t PendingWays = 16;
constexpr size_t PendingBuckets = 1024;
// The entries an address may hold at once, one a token. A stranger can forge the address of a client
// still connecting, before its request as well as after it, with as many tokens as he likes: a new token
// takes the place of the address's entry asked for least recently only once that entry has had the
// time a client needs to answer its challenge and its client is not answering. A challenged client
// sends only responses, so an entry it answers is renewed by them, as by requests. A token that had an
// entry not long ago takes no other's place: a stranger's few tokens, which come back as fast as they are
// pushed out, would otherwise win every place that comes free against a client asking ten times a
// second.
constexpr int PendingPerAddress = 4;
constexpr double PendingAnswerSeconds = 1.0;
constexpr double PendingReturnSeconds = 10.0;
// Spent keys are wiped this many entries an update: the whole table every 16 updates.
constexpr size_t PendingSweptPerUpdate = PendingWays * PendingBuckets / 16;

// Sequences of packets sent before a client has a slot have the top bit set, so they never share
// a nonce with a slot's own sequence, which counts up from zero under the same key. Below that bit
// each start picks a random point, so restarted servers, or several servers named in one token,
// do not repeat each other's nonces either; sequences that high take eight bytes anyway.
constexpr uint64_t GlobalSequenceBit = 1ull << 63;
constexpr uint64_t GlobalSequenceStartMask = (1ull << 62) - 1;

const char* ReasonText(PacketReadResult reason)
{
    switch (reason)
    {
    case PACKET_READ_MALFORMED:
        return "malformed";
    case PACKET_READ_WRONG_PROTOCOL:
        return "wrong protocol";
    case PACKET_READ_NOT_EXPECTED:
        return "not expected";
    case PACKET_READ_EXPIRED:
        return "token expired";
    case PACKET_READ_FORGED:
        return "failed to open";
    case PACKET_READ_REPLAYED:
        return "replayed";
    case PACKET_READ_REFUSED:
        return "refused";
    case PACKET_READ_QUEUE_FULL:
        return "queue full";
    case PACKET_READ_BUSY:
        return "busy";
    default:
        return "ok";
    }
}

} // namespace

struct NetcodeServer::ClientSlot
{
    bool connected = false;
    bool confirmed = false;
    // Freed in the running update; free for a newcomer from the next one.
    bool released = false;
    uint64_t clientId = 0;
    Address address;
    // The address of this machine the client sends to, which its answers leave from.
    Address local;
    uint8_t sendKey[KeyBytes] = {};
    uint8_t receiveKey[KeyBytes] = {};
    uint8_t userData[UserDataBytes] = {};
    uint8_t tokenMac[MacBytes] = {};
    int32_t timeoutSeconds = 0;
    double lastReceiveTime = 0.0;
    double lastSendTime = 0.0;
    uint64_t sequence = 0;
    // Set as the connection ends, for the disconnect callback to read.
    ClientEnd end = ClientEnd::Closed;
    ReplayProtection replay;
    PayloadQueue payloads;
};

// Keys for an address that sent a valid request but holds no slot yet.
struct NetcodeServer::PendingConnection
{
    bool used = false;
    Address address;
    uint8_t sendKey[KeyBytes] = {};
    uint8_t receiveKey[KeyBytes] = {};
    uint8_t tokenMac[MacBytes] = {};
    int32_t timeoutSeconds = 0;
    // When the token's last request or answer came: each renews the entry, up to the token's own expiry.
    double requestTime = 0.0;
    double expireTime = 0.0;
    // When the token's first request made the entry, and whether its client has answered the challenge.
    double madeTime = 0.0;
    bool answered = false;
};

// A connect token seen in a request, known by its tag, and the address that first used it. A token
// that connects again carries on from the sequence its last connection reached, since its keys
// are the same and a nonce must not repeat under them.
struct NetcodeServer::TokenUse
{
    bool used = false;
    uint8_t mac[MacBytes] = {};
    Address address;
    double time = 0.0;
    uint64_t nextSequence = 0;
    // When the token last made a pending entry; negative before it did.
    double pendingTime = -1.0;
};

NetcodeServer::NetcodeServer(const NetcodeServerConfig& config, Transport* transport, double time)
    : config(config), transport(transport), time(time), startTime(time)
{
    InitializeCrypto();
    publicAddress = config.publicAddress.IsValid() || !transport ? config.publicAddress : transport->GetAddress();
    everyAddress = publicAddress.IsEveryAddress();
    startTimestamp = config.timestampAtStart ? config.timestampAtStart : static_cast<uint64_t>(std::time(nullptr));
    if (this->config.payloadQueueSize < 1)
        this->config.payloadQueueSize = 1;
}

NetcodeServer::~NetcodeServer()
{
    Stop();
    sodium_memzero(challengeKey, sizeof(challengeKey));
    sodium_memzero(config.privateKey, sizeof(config.privateKey));
}

bool NetcodeServer::Start(int clientCount)
{
    if (clientCount < 1 || clientCount > NetcodeMaxClients)
    {
        NET_LOG_ERROR("server: cannot start with %d clients, expected 1 to %d", clientCount, NetcodeMaxClients);
        return false;
    }
    if (running)
        Stop();
    maxClients = clientCount;
    clients = std::vector<ClientSlot>(static_cast<size_t>(maxClients));
    for (ClientSlot& slot : clients)
        slot.payloads.Allocate(config.payloadQueueSize);
    pending = std::vector<PendingConnection>(PendingWays * PendingBuckets);
    pendingSweep = 0;
    static_assert(sizeof(pendingHashKey) == crypto_shorthash_KEYBYTES);
    RandomBytes(pendingHashKey, sizeof(pendingHashKey));
    tokenUses = std::vector<TokenUse>(static_cast<size_t>(maxClients) * 8);
    GenerateKey(challengeKey);
    RandomBytes(reinterpret_cast<uint8_t*>(&shareRandom), sizeof(shareRandom));
    shareRandom |= 1;
    requestShare = 1.0;
    challengeSequence = 0;
    RandomBytes(reinterpret_cast<uint8_t*>(&globalSequence), sizeof(globalSequence));
    globalSequence = GlobalSequenceBit | (globalSequence & GlobalSequenceStartMask);
    running = true;
    char text[64];
    NET_LOG_INFO("server: started on %s with %d client slots", publicAddress.ToString(text, sizeof(text)), maxClients);
    return true;
}

void NetcodeServer::Stop()
{
    if (!running)
        return;
    DisconnectAllClients();
    for (ClientSlot& slot : clients)
    {
        sodium_memzero(slot.sendKey, KeyBytes);
        sodium_memzero(slot.receiveKey, KeyBytes);
    }
    for (PendingConnection& connection : pending)
        sodium_memzero(&connection, sizeof(connection));
    clients.clear();
    pending.clear();
    tokenUses.clear();
    maxClients = 0;
    running = false;
    NET_LOG_INFO("server: stopped");
}

void NetcodeServer::Update(double newTime)
{
    time = newTime;
    if (!running)
        return;
    for (ClientSlot& slot : clients)
        slot.released = false;
    ShareRequests();
    ReceivePackets();
    SendKeepAlives();
    CheckTimeouts();
}

void NetcodeServer::ShareRequests()
{
    // Under a flood the time for requests covers a part of them. Taking the first to be read would pass
    // over, every time, a client whose frames keep in step with the server's and whose requests arrive
    // late in its cycle: each request has the same chance instead, the share that the last update's
    // time covered, raised again while the time is not all spent.
    if (requestsSeen > 0)
        requestShare = requestTime >= config.requestTimePerUpdate
                           ? std::max(static_cast<double>(requestsTaken) / requestsSeen, MinimumRequestShare)
                           : std::min(1.0, requestShare * 1.5);
    requestsSeen = requestsTaken = 0;
    requestTime = 0.0;
}

bool NetcodeServer::TakeRequest()
{
    ++requestsSeen;
    if (requestTime >= config.requestTimePerUpdate)
        return false;
    if (requestShare < 1.0)
    {
        // xorshift64*: strangers cannot see which requests it picks.
        shareRandom ^= shareRandom >> 12;
        shareRandom ^= shareRandom << 25;
        shareRandom ^= shareRandom >> 27;
        if (static_cast<double>((shareRandom * 0x2545F4914F6CDD1Dull) >> 11) * 0x1.0p-53 >= requestShare)
            return false;
    }
    ++requestsTaken;
    return true;
}

void NetcodeServer::ReceivePackets()
{
    if (!transport)
        return;
    const bool bounded = config.receiveTimePerUpdate > 0.0;
    const double begun = bounded ? ReadClock() : 0.0;
    for (int read = 0; read < MaxPacketsPerUpdate;)
    {
        const int batch = ReceiveEach(*transport, receiveBuffer, sizeof(receiveBuffer), PacketsPerClockRead,
                                      [this](const Address& from, const Address& at, uint8_t* data, int bytes)
                                      {
                                          arrivedAt = at;
                                          ProcessPacket(from, data, bytes);
                                      });
        read += batch;
        if (batch < PacketsPerClockRead || (bounded && ReadClock() - begun >= config.receiveTimePerUpdate))
            break;
    }
    arrivedAt = Address();
}

void NetcodeServer::ProcessPacket(const Address& from, uint8_t* data, int bytes)
{
    if (bytes < 1)
        return Drop(PACKET_READ_MALFORMED, from);
    if (data[0] == PACKET_CONNECTION_REQUEST)
    {
        if (config.requestTimePerUpdate > 0.0 && !TakeRequest())
            return Drop(PACKET_READ_BUSY, from);
        const double begun = config.requestTimePerUpdate > 0.0 ? ReadClock() : 0.0;
        ProcessConnectionRequest(from, data, bytes);
        if (config.requestTimePerUpdate > 0.0)
            requestTime += ReadClock() - begun;
        return;
    }

    Packet packet;
    PacketReadContext context;
    context.protocolId = config.protocolId;
    int clientIndex = FindClientByAddress(from);
    if (clientIndex >= 0)
    {
        ClientSlot& slot = clients[static_cast<size_t>(clientIndex)];
        context.key = slot.receiveKey;
        context.replay = &slot.replay;
        context.allowedTypes = PacketTypeBit(PACKET_CONNECTION_RESPONSE) | PacketTypeBit(PACKET_KEEP_ALIVE) |
                               PacketTypeBit(PACKET_PAYLOAD) | PacketTypeBit(PACKET_DISCONNECT);
        PacketReadResult result = ReadPacket(data, bytes, context, packet);
        if (result != PACKET_READ_OK)
            return Drop(result, from);
        // Only a packet that opened under the client's keys may move where its answers leave from.
        if (arrivedAt.IsValid())
            slot.local = arrivedAt;
        return ProcessClientPacket(clientIndex, packet);
    }

    // The response opens under the keys of one of the address's entries. Opening in place spoils the
    // bytes when it fails, so each try works on a copy.
    context.allowedTypes = PacketTypeBit(PACKET_CONNECTION_RESPONSE);
    PacketReadResult result = PACKET_READ_NOT_EXPECTED;
    uint8_t opened[MaxPacketBytes];
    for (PendingConnection& connection : PendingBucket(from))
    {
        if (!connection.used || connection.address != from || IsExpired(connection))
            continue;
        if (bytes > static_cast<int>(sizeof(opened)))
            return Drop(PACKET_READ_MALFORMED, from);
        std::memcpy(opened, data, static_cast<size_t>(bytes));
        context.key = connection.receiveKey;
        result = ReadPacket(opened, bytes, context, packet);
        if (result == PACKET_READ_OK)
            return ProcessConnectionResponse(from, connection, packet);
    }
    Drop(result, from);
}

void NetcodeServer::ProcessConnectionRequest(const Address& from, const uint8_t* data, int bytes)
{
    ConnectionRequestPacket request;
    PrivateConnectToken token;
    PacketReadResult result =
        ReadConnectionRequest(data, bytes, config.protocolId, NowTimestamp(), config.privateKey, request, token);
    if (result != PACKET_READ_OK)
        return Drop(result, from);

    bool named = false;
    for (int i = 0; i < token.numServerAddresses && !named; ++i)
        named = token.serverAddresses[i] == publicAddress ||
                (everyAddress && token.serverAddresses[i].GetType() == publicAddress.GetType() &&
                 token.serverAddresses[i].GetPort() == publicAddress.GetPort());
    if (!named)
    {
        ++counters.requestsForOtherServers;
        otherServer = token.serverAddresses[0];
        return Drop(PACKET_READ_REFUSED, from);
    }
    if (FindClientByAddress(from) >= 0 || FindClientById(token.clientId) >= 0)
        return Drop(PACKET_READ_REFUSED, from);
    // A token that never times out, or only after a long while, would let silent peers hold slots
    // and pending entries for as long as they like.
    if (token.timeoutSeconds < config.minimumTimeout || token.timeoutSeconds > config.maximumTimeout)
    {
        char text[64];
        NET_LOG_DEBUG("server: refused %s, its token's timeout %d lies outside %d to %d",
                      from.ToString(text, sizeof(text)), token.timeoutSeconds, config.minimumTimeout,
                      config.maximumTimeout);
        return Drop(PACKET_READ_REFUSED, from);
    }
    const uint8_t* mac = request.privateData + PrivateConnectTokenBytes - MacBytes;
    TokenUse* use = RecordTokenUse(mac, from);
    if (!use)
        return Drop(PACKET_READ_REFUSED, from);

    if (!Admits(from, token.clientId, false) || (!config.challengeWhenFull && !HasFreeOrReleasedSlot()))
    {
        Deny(from, token.serverToClientKey);
        ++counters.packetsReceived;
        char text[64];
        NET_LOG_DEBUG("server: denied %s", from.ToString(text, sizeof(text)));
        return;
    }

    PendingConnection* connection = AddPendingConnection(from, token, request.expireTimestamp, *use);
    // Every entry of the address is held by a client that may still answer.
    if (!connection)
        return Drop(PACKET_READ_REFUSED, from);
    std::memcpy(connection->tokenMac, mac, MacBytes);
    ++counters.packetsReceived;

    ChallengeToken challenge;
    challenge.clientId = token.clientId;
    std::memcpy(challenge.userData, token.userData, UserDataBytes);
    Packet packet;
    packet.type = PACKET_CONNECTION_CHALLENGE;
    packet.challengeSequence = challengeSequence++;
    WriteChallengeToken(challenge, packet.challengeData);
    if (!SealChallengeToken(packet.challengeData, packet.challengeSequence, challengeKey))
        return;
    SendToUnconnected(from, packet, connection->sendKey);
    sodium_memzero(&token, sizeof(token));
}

void NetcodeServer::ProcessConnectionResponse(const Address& from, PendingConnection& connection, const Packet& packet)
{
    if (packet.type != PACKET_CONNECTION_RESPONSE)
        return Drop(PACKET_READ_NOT_EXPECTED, from);
    uint8_t sealed[ChallengeTokenBytes];
    std::memcpy(sealed, packet.challengeData, sizeof(sealed));
    if (!OpenChallengeToken(sealed, packet.challengeSequence, challengeKey))
        return Drop(PACKET_READ_FORGED, from);
    ChallengeToken challenge;
    ReadChallengeToken(sealed, challenge);
    if (FindClientById(challenge.clientId) >= 0)
        return Drop(PACKET_READ_REFUSED, from);
    // Only the client that holds the challenge answers it: forged requests from its address cannot push
    // out an entry being answered.
    connection.requestTime = time;
    connection.answered = true;
    ++counters.packetsReceived;

    int clientIndex = FindFreeSlot();
    // A slot freed in this update: the client's next response, a tenth of a second on, takes it. The
    // admission check still hears the answer, as the client asked now, whatever it would say.
    if (clientIndex < 0 && HasFreeOrReleasedSlot())
    {
        Admits(from, challenge.clientId, true);
        return;
    }
    if (!Admits(from, challenge.clientId, true) || clientIndex < 0)
    {
        Deny(from, connection.sendKey);
        // A denied client gives up and sends nothing more: a late copy of its response must not take
        // the next free slot and hold it for a whole timeout.
        sodium_memzero(&connection, sizeof(connection));
        return;
    }

    ClientSlot& slot = clients[static_cast<size_t>(clientIndex)];
    slot.connected = true;
    slot.confirmed = false;
    slot.clientId = challenge.clientId;
    slot.address = from;
    slot.local = arrivedAt;
    std::memcpy(slot.sendKey, connection.sendKey, KeyBytes);
    std::memcpy(slot.receiveKey, connection.receiveKey, KeyBytes);
    std::memcpy(slot.userData, challenge.userData, UserDataBytes);
    slot.timeoutSeconds = connection.timeoutSeconds;
    slot.lastReceiveTime = time;
    slot.lastSendTime = time;
    std::memcpy(slot.tokenMac, connection.tokenMac, MacBytes);
    TokenUse* use = FindTokenUse(slot.tokenMac);
    slot.sequence = use ? use->nextSequence : 0;
    slot.replay.Reset();
    slot.payloads.Clear();
    // The slot holds the keys now; the address's pending entries are done.
    for (PendingConnection& entry : PendingBucket(from))
        if (entry.used && entry.address == from)
            sodium_memzero(&entry, sizeof(entry));

    char text[64];
    NET_LOG_INFO("server: client %d connected from %s", clientIndex, from.ToString(text, sizeof(text)));
    Packet keepAlive;
    keepAlive.type = PACKET_KEEP_ALIVE;
    keepAlive.clientIndex = static_cast<uint32_t>(clientIndex);
    keepAlive.maxClients = static_cast<uint32_t>(maxClients);
    SendToClient(clientIndex, keepAlive);
    if (config.connectCallback)
        config.connectCallback(config.callbackContext, clientIndex, true);
}

bool NetcodeServer::Admits(const Address& from, uint64_t clientId, bool answered) const
{
    return !config.admitCallback || config.admitCallback(config.callbackContext, from, clientId, answered);
}

void NetcodeServer::Deny(const Address& to, const uint8_t sendKey[KeyBytes])
{
    Packet denied;
    denied.type = PACKET_CONNECTION_DENIED;
    SendToUnconnected(to, denied, sendKey);
}

void NetcodeServer::ProcessClientPacket(int clientIndex, const Packet& packet)
{
    ClientSlot& slot = clients[static_cast<size_t>(clientIndex)];
    switch (packet.type)
    {
    case PACKET_KEEP_ALIVE:
        slot.lastReceiveTime = time;
        slot.confirmed = true;
        break;
    case PACKET_PAYLOAD:
        slot.lastReceiveTime = time;
        slot.confirmed = true;
        if (!slot.payloads.Push(packet.payload, packet.payloadBytes, packet.sequence))
            return Drop(PACKET_READ_QUEUE_FULL, slot.address);
        break;
    case PACKET_DISCONNECT:
    {
        ++counters.packetsReceived;
        char text[64];
        NET_LOG_INFO("server: client %d at %s disconnected", clientIndex, slot.address.ToString(text, sizeof(text)));
        ResetClient(clientIndex, ClientEnd::Left);
        return;
    }
    default:
        // A response that crossed the keep-alive admitting this client: it has its slot already.
        return Drop(PACKET_READ_NOT_EXPECTED, slot.address);
    }
    ++counters.packetsReceived;
}

void NetcodeServer::SendKeepAlives()
{
    for (int i = 0; i < maxClients; ++i)
    {
        ClientSlot& slot = clients[static_cast<size_t>(i)];
        if (!slot.connected || slot.lastSendTime + NetcodePacketInterval > time)
            continue;
        Packet keepAlive;
        keepAlive.type = PACKET_KEEP_ALIVE;
        keepAlive.clientIndex = static_cast<uint32_t>(i);
        keepAlive.maxClients = static_cast<uint32_t>(maxClients);
        SendToClient(i, keepAlive);
    }
}

void NetcodeServer::CheckTimeouts()
{
    for (int i = 0; i < maxClients; ++i)
    {
        ClientSlot& slot = clients[static_cast<size_t>(i)];
        if (!slot.connected || slot.timeoutSeconds < 0 || slot.lastReceiveTime + slot.timeoutSeconds >= time)
            continue;
        char text[64];
        NET_LOG_INFO("server: client %d at %s timed out", i, slot.address.ToString(text, sizeof(text)));
        ResetClient(i, ClientEnd::TimedOut);
    }
    for (size_t i = 0; i < PendingSweptPerUpdate && !pending.empty(); ++i)
    {
        PendingConnection& connection = pending[pendingSweep];
        pendingSweep = (pendingSweep + 1) % pending.size();
        if (connection.used && IsExpired(connection))
            sodium_memzero(&connection, sizeof(connection));
    }
}

bool NetcodeServer::SendPayload(int clientIndex, const uint8_t* data, int bytes)
{
    if (!IsClientConnected(clientIndex) || !data || bytes < 1 || bytes > MaxPayloadBytes)
        return false;
    ClientSlot& slot = clients[static_cast<size_t>(clientIndex)];
    // Until the client answers, each payload carries its slot number in a keep-alive ahead of it,
    // in case the keep-alive that admitted it was lost.
    if (!slot.confirmed)
    {
        Packet keepAlive;
        keepAlive.type = PACKET_KEEP_ALIVE;
        keepAlive.clientIndex = static_cast<uint32_t>(clientIndex);
        keepAlive.maxClients = static_cast<uint32_t>(maxClients);
        SendToClient(clientIndex, keepAlive);
    }
    Packet packet;
    packet.type = PACKET_PAYLOAD;
    packet.payload = data;
    packet.payloadBytes = bytes;
    SendToClient(clientIndex, packet);
    return true;
}

const uint8_t* NetcodeServer::ReceivePayload(int clientIndex, int& bytes, uint64_t& sequence)
{
    if (!IsClientConnected(clientIndex))
        return nullptr;
    return clients[static_cast<size_t>(clientIndex)].payloads.Pop(bytes, sequence);
}

void NetcodeServer::FreePayload(const uint8_t* payload)
{
    if (!payload)
        return;
    for (ClientSlot& slot : clients)
        if (slot.payloads.Free(payload))
            return;
    NET_LOG_ERROR("server: freed a payload it did not hand out");
}

void NetcodeServer::DisconnectClient(int clientIndex)
{
    if (!IsClientConnected(clientIndex))
        return;
    for (int i = 0; i < NetcodeDisconnectPackets; ++i)
    {
        Packet packet;
        packet.type = PACKET_DISCONNECT;
        SendToClient(clientIndex, packet);
    }
    char text[64];
    NET_LOG_INFO("server: disconnected client %d at %s", clientIndex,
                 clients[static_cast<size_t>(clientIndex)].address.ToString(text, sizeof(text)));
    ResetClient(clientIndex, ClientEnd::Closed);
}

void NetcodeServer::DisconnectAllClients()
{
    for (int i = 0; i < maxClients; ++i)
        DisconnectClient(i);
}

int NetcodeServer::GetNumConnectedClients() const
{
    int count = 0;
    for (const ClientSlot& slot : clients)
        count += slot.connected ? 1 : 0;
    return count;
}

bool NetcodeServer::IsClientConnected(int clientIndex) const
{
    return clientIndex >= 0 && clientIndex < maxClients && clients[static_cast<size_t>(clientIndex)].connected;
}

uint64_t NetcodeServer::GetClientId(int clientIndex) const
{
    return IsClientConnected(clientIndex) ? clients[static_cast<size_t>(clientIndex)].clientId : 0;
}

Address NetcodeServer::GetClientAddress(int clientIndex) const
{
    return IsClientConnected(clientIndex) ? clients[static_cast<size_t>(clientIndex)].address : Address();
}

int32_t NetcodeServer::GetClientTimeout(int clientIndex) const
{
    return IsClientConnected(clientIndex) ? clients[static_cast<size_t>(clientIndex)].timeoutSeconds : 0;
}

ClientEnd NetcodeServer::GetClientEnd(int clientIndex) const
{
    return clientIndex >= 0 && clientIndex < maxClients ? clients[static_cast<size_t>(clientIndex)].end
                                                        : ClientEnd::Closed;
}

const uint8_t* NetcodeServer::GetClientUserData(int clientIndex) const
{
    return IsClientConnected(clientIndex) ? clients[static_cast<size_t>(clientIndex)].userData : nullptr;
}

NetcodeServer::TokenUse* NetcodeServer::FindTokenUse(const uint8_t mac[MacBytes])
{
    for (TokenUse& use : tokenUses)
        if (use.used && sodium_memcmp(use.mac, mac, MacBytes) == 0)
            return &use;
    return nullptr;
}

NetcodeServer::TokenUse* NetcodeServer::RecordTokenUse(const uint8_t mac[MacBytes], const Address& from)
{
    TokenUse* oldest = nullptr;
    for (TokenUse& use : tokenUses)
    {
        if (use.used && sodium_memcmp(use.mac, mac, MacBytes) == 0)
        {
            if (use.address != from)
                return nullptr;
            use.time = time;
            return &use;
        }
        if (!oldest || !use.used || (oldest->used && use.time < oldest->time))
            oldest = &use;
    }
    if (!oldest)
        return nullptr;
    *oldest = TokenUse();
    oldest->used = true;
    std::memcpy(oldest->mac, mac, MacBytes);
    oldest->address = from;
    oldest->time = time;
    return oldest;
}

NetcodeServer::PendingConnection* NetcodeServer::AddPendingConnection(const Address& from,
                                                                      const PrivateConnectToken& token,
                                                                      uint64_t expireTimestamp, TokenUse& use)
{
    // A resent request renews its live entry: a client whose first requests or challenges were lost
    // answers a later challenge, and the entry must still be there when the answer comes. The token's
    // expiry still bounds it.
    if (PendingConnection* live = FindPendingConnection(from, token.clientToServerKey))
    {
        live->requestTime = time;
        return live;
    }
    const auto older = [](const PendingConnection& a, const PendingConnection& b)
    { return a.requestTime < b.requestTime; };
    // An address that holds all its entries gives up the one asked for least recently among those
    // whose clients had the time to answer and did not; with none, the new token waits.
    const std::span<PendingConnection> bucket = PendingBucket(from);
    PendingConnection* connection = nullptr;
    if (CountPendingConnections(from) >= PendingPerAddress)
    {
        if (use.pendingTime >= 0.0 && use.pendingTime + PendingReturnSeconds > time)
            return nullptr;
        for (PendingConnection& entry : bucket)
            if (entry.used && entry.address == from && !IsExpired(entry) && !entry.answered &&
                entry.madeTime + PendingAnswerSeconds <= time && (!connection || older(entry, *connection)))
                connection = &entry;
        if (!connection)
            return nullptr;
    }
    // Else a spent or free entry of the bucket, the address's own spent ones first, and in a full
    // bucket the oldest: requests nobody answers push each other out instead of locking newcomers
    // out until their tokens run out.
    if (!connection)
        for (PendingConnection& entry : bucket)
            if (!entry.used || IsExpired(entry))
                if (!connection || (entry.used && entry.address == from))
                    connection = &entry;
    if (!connection)
        connection = &*std::min_element(bucket.begin(), bucket.end(), older);
    connection->used = true;
    connection->address = from;
    std::memcpy(connection->sendKey, token.serverToClientKey, KeyBytes);
    std::memcpy(connection->receiveKey, token.clientToServerKey, KeyBytes);
    connection->timeoutSeconds = token.timeoutSeconds;
    connection->requestTime = time;
    connection->madeTime = time;
    use.pendingTime = time;
    connection->answered = false;
    connection->expireTime = time + static_cast<double>(expireTimestamp - NowTimestamp());
    return connection;
}

NetcodeServer::PendingConnection* NetcodeServer::FindPendingConnection(const Address& from,
                                                                       const uint8_t receiveKey[KeyBytes])
{
    for (PendingConnection& entry : PendingBucket(from))
        if (entry.used && entry.address == from && !IsExpired(entry) &&
            sodium_memcmp(entry.receiveKey, receiveKey, KeyBytes) == 0)
            return &entry;
    return nullptr;
}

int NetcodeServer::CountPendingConnections(const Address& from)
{
    const std::span<PendingConnection> bucket = PendingBucket(from);
    return static_cast<int>(std::count_if(bucket.begin(), bucket.end(),
                                          [&](const PendingConnection& entry)
                                          { return entry.used && entry.address == from && !IsExpired(entry); }));
}

std::span<NetcodeServer::PendingConnection> NetcodeServer::PendingBucket(const Address& from)
{
    uint8_t bytes[MaxAddressWireBytes] = {};
    const int length = WriteAddress(from, bytes, sizeof(bytes));
    uint8_t hash[crypto_shorthash_BYTES];
    crypto_shorthash(hash, bytes, static_cast<unsigned long long>(length), pendingHashKey);
    uint64_t value = 0;
    std::memcpy(&value, hash, sizeof(value));
    return std::span<PendingConnection>(pending).subspan(static_cast<size_t>(value % PendingBuckets) * PendingWays,
                                                         PendingWays);
}

bool NetcodeServer::IsExpired(const PendingConnection& connection) const
{
    bool idle = connection.timeoutSeconds >= 0 && connection.requestTime + connection.timeoutSeconds < time;
    return idle || connection.expireTime <= time;
}

int NetcodeServer::FindClientByAddress(const Address& from) const
{
    for (int i = 0; i < maxClients; ++i)
        if (clients[static_cast<size_t>(i)].connected && clients[static_cast<size_t>(i)].address == from)
            return i;
    return -1;
}

int NetcodeServer::FindClientById(uint64_t clientId) const
{
    for (int i = 0; i < maxClients; ++i)
        if (clients[static_cast<size_t>(i)].connected && clients[static_cast<size_t>(i)].clientId == clientId)
            return i;
    return -1;
}

int NetcodeServer::FindFreeSlot() const
{
    for (int i = 0; i < maxClients; ++i)
        if (!clients[static_cast<size_t>(i)].connected && !clients[static_cast<size_t>(i)].released)
            return i;
    return -1;
}

bool NetcodeServer::HasFreeOrReleasedSlot() const
{
    return std::any_of(clients.begin(), clients.end(), [](const ClientSlot& slot) { return !slot.connected; });
}

double NetcodeServer::ReadClock() const
{
    if (config.clock)
        return config.clock();
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

uint64_t NetcodeServer::NowTimestamp() const
{
    double elapsed = time - startTime;
    return startTimestamp + (elapsed > 0.0 ? static_cast<uint64_t>(std::floor(elapsed)) : 0);
}

void NetcodeServer::SendToUnconnected(const Address& to, Packet& packet, const uint8_t key[KeyBytes])
{
    packet.sequence = globalSequence++;
    int bytes = WritePacket(packet, sendBuffer, sizeof(sendBuffer), key, config.protocolId);
    if (bytes > 0)
        SendRaw(arrivedAt, to, sendBuffer, bytes);
}

void NetcodeServer::SendToClient(int clientIndex, Packet& packet)
{
    ClientSlot& slot = clients[static_cast<size_t>(clientIndex)];
    packet.sequence = slot.sequence++;
    int bytes = WritePacket(packet, sendBuffer, sizeof(sendBuffer), slot.sendKey, config.protocolId);
    if (bytes <= 0)
        return;
    SendRaw(slot.local, slot.address, sendBuffer, bytes);
    slot.lastSendTime = time;
}

void NetcodeServer::SendRaw(const Address& from, const Address& to, const uint8_t* data, int bytes)
{
    bool sent = config.sendFunction ? config.sendFunction(config.sendContext, from, to, data, bytes)
                                    : transport && transport->SendFrom(from, to, data, bytes);
    if (sent)
        ++counters.packetsSent;
}

void NetcodeServer::ResetClient(int clientIndex, ClientEnd end)
{
    ClientSlot& slot = clients[static_cast<size_t>(clientIndex)];
    slot.end = end;
    if (config.connectCallback)
        config.connectCallback(config.callbackContext, clientIndex, false);
    if (TokenUse* use = FindTokenUse(slot.tokenMac))
        use->nextSequence = slot.sequence;
    slot.connected = false;
    slot.confirmed = false;
    slot.released = true;
    slot.payloads.Clear();
    slot.replay.Reset();
    sodium_memzero(slot.sendKey, KeyBytes);
    sodium_memzero(slot.receiveKey, KeyBytes);
    std::memset(slot.userData, 0, UserDataBytes);
}

void NetcodeServer::Drop(PacketReadResult reason, const Address& from)
{
    ++counters.packetsDropped[reason];
    if (GetLogLevel() >= LOG_LEVEL_DEBUG)
    {
        char text[64];
        NET_LOG_DEBUG("server: dropped packet from %s: %s", from.ToString(text, sizeof(text)), ReasonText(reason));
    }
}

} // namespace Net
