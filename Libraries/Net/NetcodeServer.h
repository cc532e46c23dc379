#pragma once

#include "Net/Address.h"
#include "Net/ConnectToken.h"
#include "Net/Packet.h"
#include "Net/PayloadQueue.h"
#include "Net/Socket.h"

#include <cstdint>
#include <span>
#include <vector>

namespace Net
{

// Told when a slot gains a client (connected true) or loses one; on loss it runs while the slot
// still holds the client's id and address.
using ClientConnectFunction = void (*)(void* context, int clientIndex, bool connected);
// Whether a connection from the address, by the client id its token names, is taken now; asked of each
// valid request (answered false) and of each answer to a challenge (answered true), also when no slot
// is free, which denies it whatever the answer but lets the application learn who asked; false denies it.
// An answer read when the only slot freed in this update is asked too, and neither taken nor denied: the
// client's next answer comes for the slot.
using ClientAdmitFunction = bool (*)(void* context, const Address& from, uint64_t clientId, bool answered);

// How a client's connection ended: this server closed it (DisconnectClient, Stop, a failed connection),
// the client said it was leaving (its disconnect packet), or nothing came from it for its time-out.
enum class ClientEnd
{
    Closed,
    Left,
    TimedOut,
};

struct NetcodeServerConfig
{
    uint64_t protocolId = 0;
    uint8_t privateKey[KeyBytes] = {}; // shared with whoever makes connect tokens
    // The address connect tokens must name. When invalid, the transport's own address.
    Address publicAddress;
    ClientConnectFunction connectCallback = nullptr;
    // Null takes every connection.
    ClientAdmitFunction admitCallback = nullptr;
    void* callbackContext = nullptr;
    // When set, outgoing packets go here instead of to the transport.
    PacketSendFunction sendFunction = nullptr;
    void* sendContext = nullptr;
    // Unix seconds at the time given to the constructor, against which token expiry is checked;
    // 0 reads the system clock.
    uint64_t timestampAtStart = 0;
    // Payloads kept per client until the application receives them.
    int payloadQueueSize = 256;
    // The token timeouts (seconds) it admits; a request whose token names another is refused. The
    // defaults take any, a negative one (never time out) included.
    int32_t minimumTimeout = INT32_MIN;
    int32_t maximumTimeout = INT32_MAX;
    // Seconds spent on connection requests in one update, after which the update's further requests
    // are dropped unread (counted as PACKET_READ_BUSY), so that a flood of them cannot hold up the
    // application's own work: each costs a token to open and a challenge to seal. 0 bounds nothing.
    double requestTimePerUpdate = 0.0;
    // Seconds spent reading packets in one update, after which the rest wait in the socket for the
    // next: each update reads what the socket holds, so that a flood does not leave the honest packets
    // to the system's buffer to drop, up to this bound. 0 bounds them by count alone.
    double receiveTimePerUpdate = 0.0;
    // A request is challenged even when no slot is free, and denied only when its client answers: only
    // a client that receives at its address reaches the admission check with answered set.
    bool challengeWhenFull = false;
    // The clock that time is measured by, in seconds; null reads the system's steady clock.
    double (*clock)() = nullptr;
};

// The dedicated server's side of the connection protocol: it admits clients that hold valid
// connect tokens into a fixed number of slots and moves opaque payloads between them and the
// application. Everything runs in the caller's thread, in Update and the calls below; the transport
// is used, not owned, and must outlive the server.
class NetcodeServer
{
public:
    NetcodeServer(const NetcodeServerConfig& config, Transport* transport, double time);
    ~NetcodeServer();
    NetcodeServer(const NetcodeServer&) = delete;
    NetcodeServer& operator=(const NetcodeServer&) = delete;

    // Opens maxClients slots (1 to NetcodeMaxClients) and makes a fresh challenge key; restarts a
    // running server. False when the count is out of range.
    bool Start(int maxClients);
    // Disconnects every client and frees the slots; payloads still held become invalid.
    void Stop();
    bool IsRunning() const { return running; }

    // Reads every waiting packet, sends keep-alives to quiet clients and drops those timed out.
    void Update(double time);

    // Sends bytes (1 to MaxPayloadBytes) to a connected client. False otherwise.
    bool SendPayload(int clientIndex, const uint8_t* data, int bytes);
    // The oldest payload from a client, or null. The buffer stays valid until FreePayload.
    const uint8_t* ReceivePayload(int clientIndex, int& bytes, uint64_t& sequence);
    void FreePayload(const uint8_t* payload);

    // Sends the redundant disconnect packets and frees the slot.
    void DisconnectClient(int clientIndex);
    void DisconnectAllClients();

    int GetMaxClients() const { return maxClients; }
    int GetNumConnectedClients() const;
    bool IsClientConnected(int clientIndex) const;
    uint64_t GetClientId(int clientIndex) const;
    Address GetClientAddress(int clientIndex) const;
    // The seconds of silence after which the connected client times out, as its token named; negative for
    // never, 0 for a free slot.
    int32_t GetClientTimeout(int clientIndex) const;
    // How the slot's last client went; read it in the disconnect callback, before the slot is taken again.
    ClientEnd GetClientEnd(int clientIndex) const;
    // UserDataBytes from the client's connect token, or null for a free slot.
    const uint8_t* GetClientUserData(int clientIndex) const;
    Address GetAddress() const { return publicAddress; }
    const NetcodeCounters& GetCounters() const { return counters; }
    // The first server address of the last token refused for naming other servers; invalid while none was.
    Address GetOtherServer() const { return otherServer; }

private:
    struct ClientSlot;
    struct PendingConnection;
    struct TokenUse;

    // Sets the share of the update's requests taken from how far the last update's time went.
    void ShareRequests();
    // Whether to take a connection request now; false leaves it unread.
    bool TakeRequest();
    void ReceivePackets();
    void ProcessPacket(const Address& from, uint8_t* data, int bytes);
    void ProcessConnectionRequest(const Address& from, const uint8_t* data, int bytes);
    void ProcessConnectionResponse(const Address& from, PendingConnection& pending, const Packet& packet);
    bool Admits(const Address& from, uint64_t clientId, bool answered) const;
    // Tells a client it is not taken, under the keys of its request.
    void Deny(const Address& to, const uint8_t sendKey[KeyBytes]);
    void ProcessClientPacket(int clientIndex, const Packet& packet);
    void SendKeepAlives();
    void CheckTimeouts();

    TokenUse* FindTokenUse(const uint8_t mac[MacBytes]);
    // The token's record, made if new; null when another address used it first.
    TokenUse* RecordTokenUse(const uint8_t mac[MacBytes], const Address& from);
    // The token's entry, renewed or made; null when the address holds all its entries and none may go.
    PendingConnection* AddPendingConnection(const Address& from, const PrivateConnectToken& token,
                                            uint64_t expireTimestamp, TokenUse& use);
    // The address's live entry made from the token with that key, or null.
    PendingConnection* FindPendingConnection(const Address& from, const uint8_t receiveKey[KeyBytes]);
    int CountPendingConnections(const Address& from);
    // The entries among which the address's lie.
    std::span<PendingConnection> PendingBucket(const Address& from);
    bool IsExpired(const PendingConnection& connection) const;
    int FindClientByAddress(const Address& from) const;
    int FindClientById(uint64_t clientId) const;
    // A slot that is free and was not freed in this update: the application learns of a departure
    // between updates, so a slot never passes from one client to the next inside one.
    int FindFreeSlot() const;
    bool HasFreeOrReleasedSlot() const;
    uint64_t NowTimestamp() const;
    double ReadClock() const;

    // Packets to peers without a slot, in answer to the packet in hand: sequence numbers from the
    // server-wide counter.
    void SendToUnconnected(const Address& to, Packet& packet, const uint8_t key[KeyBytes]);
    void SendToClient(int clientIndex, Packet& packet);
    void SendRaw(const Address& from, const Address& to, const uint8_t* data, int bytes);
    void ResetClient(int clientIndex, ClientEnd end);
    void Drop(PacketReadResult reason, const Address& from);

    NetcodeServerConfig config;
    Transport* transport;
    Address publicAddress;
    // Bound to every address of its machine, the server is reached at any of them, or through a router
    // that forwards its port: a token names it with any address and its port.
    bool everyAddress = false;
    // The address of this machine the packet in hand came to; invalid when the transport cannot tell.
    Address arrivedAt;
    double time;
    double startTime;
    uint64_t startTimestamp;
    bool running = false;
    int maxClients = 0;
    uint8_t challengeKey[KeyBytes] = {};
    uint64_t challengeSequence = 0;
    uint64_t globalSequence = 0;
    std::vector<ClientSlot> clients;
    // Buckets of the addresses that sent a valid request but hold no slot yet.
    std::vector<PendingConnection> pending;
    // Where the wiping of spent entries goes on.
    size_t pendingSweep = 0;
    // Keys the hash that spreads addresses over the buckets.
    uint8_t pendingHashKey[16] = {};
    std::vector<TokenUse> tokenUses;
    // Real time spent on connection requests in the running update, the requests read and taken in it, and
    // the chance each is taken.
    double requestTime = 0.0;
    uint32_t requestsSeen = 0;
    uint32_t requestsTaken = 0;
    double requestShare = 1.0;
    uint64_t shareRandom = 1;
    NetcodeCounters counters;
    Address otherServer;
    // Larger than any valid packet, so an oversized one still arrives whole and is counted.
    uint8_t receiveBuffer[2048];
    uint8_t sendBuffer[MaxPacketBytes];
};

} // namespace Net
