#pragma once

#include "Net/Adapter.h"
#include "Net/Address.h"
#include "Net/Config.h"
#include "Net/ConnectToken.h"
#include "Net/ConnectionEndpoint.h"
#include "Net/Memory.h"
#include "Net/Message.h"
#include "Net/NetcodeServer.h"
#include "Net/NetworkSimulator.h"
#include "Net/Socket.h"

#include <cstdint>
#include <memory>

namespace Net
{

// The dedicated server: admits clients that hold connect tokens made with its private key into a
// fixed number of slots and carries messages on the configured channels to and from each. Every
// slot has its own memory of config.serverPerClientMemory bytes, taken from the allocator at Start,
// in which its allocator, message factory and channels live; the rest lives in a block of
// config.serverGlobalMemory bytes. Runs in the caller's thread: each frame SendPackets,
// ReceivePackets, then AdvanceTime. The adapter is used, not owned, and must outlive the server.
class Server
{
public:
    // Over a UDP socket bound to the address (port 0 lets the system pick one).
    Server(Allocator& allocator, const uint8_t privateKey[KeyBytes], const Address& address,
           const ClientServerConfig& config, Adapter& adapter, double time);
    // Over a transport the caller owns, such as a MemoryTransport; it must outlive the server.
    Server(Allocator& allocator, const uint8_t privateKey[KeyBytes], Transport& transport,
           const ClientServerConfig& config, Adapter& adapter, double time);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Opens maxClients slots (1 to NetcodeMaxClients); restarts a running server. False, with the
    // server stopped, when the count is out of range, the socket did not open or the slots do not
    // fit in memory.
    bool Start(int maxClients);
    // Disconnects every client and frees the slots. Messages of the slots still held by the
    // application must have been released before.
    void Stop();
    bool IsRunning() const { return running; }

    // One packet to every connected client, carrying the messages that are due and the acks.
    void SendPackets();
    // Takes in the packets that arrived: their messages are queued for ReceiveMessage.
    void ReceivePackets();
    // Moves the server's clock to time (seconds): reads the network, admits and times out clients,
    // and disconnects any client whose connection failed (a message that could not be sent or
    // kept, or its memory spent).
    void AdvanceTime(double time);
    double GetTime() const { return time; }

    int GetMaxClients() const { return maxClients; }
    int GetNumConnectedClients() const { return netcode.GetNumConnectedClients(); }
    bool IsClientConnected(int clientIndex) const { return running && netcode.IsClientConnected(clientIndex); }
    // The id from the client's connect token; 0 for a free slot.
    uint64_t GetClientId(int clientIndex) const { return netcode.GetClientId(clientIndex); }
    // Where the client's packets come from; invalid for a free slot.
    Address GetClientAddress(int clientIndex) const { return netcode.GetClientAddress(clientIndex); }
    // The seconds of silence after which the connected client times out, as its token named; negative for
    // never, 0 for a free slot.
    int32_t GetClientTimeout(int clientIndex) const { return netcode.GetClientTimeout(clientIndex); }
    // How the slot's last client went (closed by this server, left, timed out): read it while the adapter
    // is told of the departure.
    ClientEnd GetClientEnd(int clientIndex) const { return netcode.GetClientEnd(clientIndex); }
    void DisconnectClient(int clientIndex);
    void DisconnectAllClients();
    // The address the server is bound to, with the port it really got.
    Address GetAddress() const { return netcode.GetAddress(); }
    // The system's reason (an errno value) that the server's socket did not open; 0 when it did, and over
    // a caller's transport.
    int GetOpenError() const { return socket ? socket->GetOpenError() : 0; }
    // The system's reason (an errno value) that the last datagram did not leave; 0 when it left.
    int GetLastSendError() const { return wire ? wire->GetLastSendError() : 0; }
    // False when the server is bound to one address that its machine no longer holds.
    bool HoldsItsAddress() const { return !wire || wire->HoldsItsAddress(); }
    // The first server address of the last connect token refused for naming other servers than this one
    // (counted as requestsForOtherServers); invalid while none was.
    Address GetOtherServer() const { return netcode.GetOtherServer(); }

    // A message of the type from the slot's factory, or null (no such slot or type, or the slot's
    // memory spent). Hand it to SendMessage or give it back with ReleaseMessage.
    Message* CreateMessage(int clientIndex, int type);
    bool CanSendMessage(int clientIndex, int channelIndex) const;
    // Takes over the caller's reference in every case; false when the message was not queued
    // (no connected client there, no such channel, or the channel refused it, which is an error
    // that disconnects the client on the next AdvanceTime).
    bool SendMessage(int clientIndex, int channelIndex, Message* message);
    // The next message from the client on the channel, or null; give it back with ReleaseMessage.
    Message* ReceiveMessage(int clientIndex, int channelIndex);
    void ReleaseMessage(int clientIndex, Message* message);
    // Null when the server is not running or the index is out of range.
    MessageFactory* GetMessageFactory(int clientIndex);
    // Zeros for a slot without a client.
    void GetNetworkInfo(int clientIndex, NetworkInfo& info) const;

    // Null unless config.networkSimulator was set; every outgoing packet then passes through it.
    NetworkSimulator* GetNetworkSimulator() { return simulator; }
    // What the connection layer received, sent and dropped, by reason.
    const NetcodeCounters& GetCounters() const { return netcode.GetCounters(); }

private:
    Server(Allocator& allocator, const uint8_t privateKey[KeyBytes], std::unique_ptr<UdpSocket> ownedSocket,
           Transport* transport, const ClientServerConfig& config, Adapter& adapter, double time);

    static NetcodeServerConfig MakeNetcodeConfig(const uint8_t privateKey[KeyBytes], const ClientServerConfig& config,
                                                 Server* server);
    static void OnClientConnection(void* context, int clientIndex, bool connected);
    static bool AdmitClient(void* context, const Address& from, uint64_t clientId, bool answered);
    static void TransmitPacket(void* context, int clientIndex, const uint8_t* packet, int bytes);
    // Every packet of the connection layer leaves here, so the simulator also sees challenges,
    // keep-alives and disconnects.
    static bool SendRaw(void* context, const Address& from, const Address& to, const uint8_t* data, int bytes);
    // Puts the packets that are due on the wire; all of them when everything must go now.
    void FlushSimulator(bool everything = false);
    bool ValidSlot(int clientIndex) const { return running && clientIndex >= 0 && clientIndex < maxClients; }
    void DestroySlots();

    Allocator& allocator;
    Adapter& adapter;
    ClientServerConfig config;
    // Declared before the connection layer, which sends through it until its last disconnects.
    std::unique_ptr<UdpSocket> socket;
    Transport* wire;
    NetcodeServer netcode;
    double time;
    // The time between the last two updates, which the simulator's flushes look half of ahead.
    double step = 0.0;
    bool running = false;
    int maxClients = 0;
    void* globalMemory = nullptr;
    Allocator* globalAllocator = nullptr;
    NetworkSimulator* simulator = nullptr;
    ConnectionEndpoint* slots = nullptr;
};

} // namespace Net
