#pragma once

#include "Net/Address.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Net
{

// Where an endpoint's datagrams go and come from: a UDP socket, or an in-memory network in tests
// and local play. Used by one thread.
class Transport
{
public:
    virtual ~Transport() = default;

    // Queues one datagram. False when it cannot go (no such destination family, too large, full);
    // like UDP, true does not mean it arrives.
    virtual bool Send(const Address& to, const uint8_t* data, int bytes) = 0;
    // Takes the next waiting datagram: its size, or 0 when none waits. Datagrams larger than
    // maxBytes are discarded, never returned cut short.
    virtual int Receive(Address& from, uint8_t* data, int maxBytes) = 0;
    // The address this transport is bound to, with the port it really got.
    virtual Address GetAddress() const = 0;
    // The system's reason (an errno value) that no datagram has left: why the transport did not open,
    // or why its first send failed. 0 once one has left, and while none has failed.
    virtual int GetSendError() const { return 0; }
    // The system's reason (an errno value) that the last datagram did not leave; 0 when it left.
    virtual int GetLastSendError() const { return 0; }
    // False when the transport is bound to one address that its machine no longer holds: nothing leaves
    // from it any more, and nothing sent to it arrives.
    virtual bool HoldsItsAddress() const { return true; }

    // A transport bound to every address of its machine is reached at any of them, and a peer takes
    // answers only from the address it sent to. These carry that address of this machine: the one a
    // datagram came to (invalid when the transport cannot tell), and the one a datagram leaves from
    // (invalid lets the system choose). A transport bound to one address has no choice to make.
    virtual int ReceiveAt(Address& from, Address& at, uint8_t* data, int maxBytes)
    {
        at = Address();
        return Receive(from, data, maxBytes);
    }
    virtual bool SendFrom(const Address& from, const Address& to, const uint8_t* data, int bytes)
    {
        (void)from;
        return Send(to, data, bytes);
    }
};

// Hands each waiting datagram to process(from, at, data, bytes), at most maxPackets of them, so that a
// flood cannot hold one update up for ever; returns how many it handed on. At is as ReceiveAt gives it.
template <class Process>
int ReceiveEach(Transport& transport, uint8_t* buffer, int bufferBytes, int maxPackets, Process process)
{
    for (int i = 0; i < maxPackets; ++i)
    {
        Address from;
        Address at;
        const int bytes = transport.ReceiveAt(from, at, buffer, bufferBytes);
        if (bytes <= 0)
            return i;
        process(from, at, buffer, bytes);
    }
    return maxPackets;
}

// Lets a caller take over outgoing packets, for example to pass them through a network simulator
// before they reach the transport. From is as Transport::SendFrom takes it; returns what it would.
using PacketSendFunction = bool (*)(void* context, const Address& from, const Address& to, const uint8_t* data,
                                    int bytes);

// A non-blocking UDP socket bound to one address; port 0 lets the system pick one. Bound to every
// address (0.0.0.0 or ::), it tells which one each datagram came to and sends from the one asked for.
class UdpSocket final : public Transport
{
public:
    static constexpr int DefaultSendBufferBytes = 1 << 20;
    static constexpr int DefaultReceiveBufferBytes = 8 << 20;

    // Opening failures are logged and leave the socket closed: IsOpen() is false, Send fails and
    // Receive returns 0. The receive buffer holds what arrives between two reads: at 100,000 requests
    // a second of about 2 KB each to the system, two frames of them take 8 MB. The system may grant
    // less (net.core.rmem_max).
    explicit UdpSocket(const Address& address, int sendBufferBytes = DefaultSendBufferBytes,
                       int receiveBufferBytes = DefaultReceiveBufferBytes);
    // A socket for talking to one peer: bound (port 0) to the address of this machine that the system picks
    // to reach it, so every datagram leaves from that one address even after the system comes to prefer
    // another, as it does when a temporary IPv6 address is replaced. Bound to every address of the peer's
    // family where the system picks none (no route), where it picks a link-local address (it names no interface
    // for it) or where the peer is invalid (IPv4 then). It is not connected: datagrams from other addresses
    // still arrive.
    static std::unique_ptr<UdpSocket> Reaching(const Address& peer);
    // The address of this machine, port 0, that the system sends to the peer from; invalid when it has no
    // route to it.
    static Address SourceReaching(const Address& peer);
    ~UdpSocket() override;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    bool IsOpen() const { return handle >= 0; }
    // The system's reason (an errno value) that the socket did not open; 0 when it did.
    int GetOpenError() const { return openError; }
    bool Send(const Address& to, const uint8_t* data, int bytes) override;
    int Receive(Address& from, uint8_t* data, int maxBytes) override;
    Address GetAddress() const override { return address; }
    // A failed send is logged, and the failures after it fail as quietly as UDP loses datagrams until sends to
    // the same peer go again for a while: that is logged too, and the next failure is.
    int GetSendError() const override { return handle < 0 ? openError : sentAny ? 0 : firstSendError; }
    int GetLastSendError() const override { return handle < 0 ? openError : lastSendError; }
    bool HoldsItsAddress() const override;
    int ReceiveAt(Address& from, Address& at, uint8_t* data, int maxBytes) override;
    bool SendFrom(const Address& from, const Address& to, const uint8_t* data, int bytes) override;

private:
    // A link-local address is bound with its interface, the scope: the address alone does not say which.
    UdpSocket(const Address& address, uint32_t scope, int sendBufferBytes, int receiveBufferBytes);
    // Keeps and logs the first failure; false.
    bool SendFailed(const Address& to, int error);

    int handle = -1;
    Address address;
    int openError = 0;
    int firstSendError = 0;
    int lastSendError = 0;
    bool sentAny = false;
    // The peer of the failure last logged, while sends to it have not gone again for RecoveredSends in a row;
    // invalid when none is.
    Address failingPeer;
    int sentSinceFailure = 0;
    uint32_t scope = 0;
    // Bound to every address, with the system telling each datagram's destination.
    bool everyAddress = false;
};

// An in-process packet switch: transports attach at an address and datagrams sent to it wait in
// its queue, in order, until it receives them. Delivery is immediate and nothing is lost unless a
// queue is full, the destination unknown or the datagram too large; each case is counted. Every
// queue is allocated when its transport attaches. One thread; it must outlive its transports.
class MemoryNetwork
{
public:
    explicit MemoryNetwork(int queueCapacity = 256, int maxPacketBytes = 2048);
    ~MemoryNetwork();
    MemoryNetwork(const MemoryNetwork&) = delete;
    MemoryNetwork& operator=(const MemoryNetwork&) = delete;

    int GetMaxPacketBytes() const { return maxPacketBytes; }
    uint64_t GetDroppedPackets() const { return droppedPackets; }
    // Queues a datagram that claims to come from any address, attached or not, as a stranger on a
    // real network can forge the source of a datagram. As MemoryTransport::Send otherwise.
    bool SendFrom(const Address& from, const Address& to, const uint8_t* data, int bytes)
    {
        return Deliver(from, to, data, bytes);
    }

private:
    friend class MemoryTransport;
    struct Endpoint;

    Endpoint* Attach(Address& address);
    void Detach(Endpoint* endpoint);
    bool Deliver(const Address& from, const Address& to, const uint8_t* data, int bytes);
    int Take(Endpoint& endpoint, Address& from, uint8_t* data, int maxBytes);

    int queueCapacity;
    int maxPacketBytes;
    uint16_t nextPort = 49152;
    uint64_t droppedPackets = 0;
    std::vector<std::unique_ptr<Endpoint>> endpoints;
};

// One endpoint on a MemoryNetwork. Port 0 picks a free port; an address already taken leaves the
// transport closed (IsOpen() false), like a failed bind.
class MemoryTransport final : public Transport
{
public:
    MemoryTransport(MemoryNetwork& network, const Address& address);
    ~MemoryTransport() override;
    MemoryTransport(const MemoryTransport&) = delete;
    MemoryTransport& operator=(const MemoryTransport&) = delete;

    bool IsOpen() const { return endpoint != nullptr; }
    bool Send(const Address& to, const uint8_t* data, int bytes) override;
    int Receive(Address& from, uint8_t* data, int maxBytes) override;
    Address GetAddress() const override { return address; }

private:
    MemoryNetwork& network;
    MemoryNetwork::Endpoint* endpoint = nullptr;
    Address address;
};

} // namespace Net
