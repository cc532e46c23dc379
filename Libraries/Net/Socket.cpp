#include "Net/Socket.h"

#include "Net/Log.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Net
{

namespace
{

// Sends that went to a peer after a failure before it counts as recovered: a link that fails and recovers
// at once, over and over, then logs no more than a line in so many sends.
constexpr int RecoveredSends = 100;

// Puts one control message, info at level and type, in the message's control buffer.
template <class Info> void SetControl(msghdr& message, int level, int type, const Info& info)
{
    cmsghdr* header = reinterpret_cast<cmsghdr*>(message.msg_control);
    header->cmsg_level = level;
    header->cmsg_type = type;
    header->cmsg_len = CMSG_LEN(sizeof(info));
    std::memcpy(CMSG_DATA(header), &info, sizeof(info));
    message.msg_controllen = CMSG_SPACE(sizeof(info));
}

socklen_t ToSocketAddress(const Address& address, sockaddr_storage& storage, uint32_t scope = 0)
{
    std::memset(&storage, 0, sizeof(storage));
    if (address.GetType() == ADDRESS_IPV4)
    {
        auto* socketAddress = reinterpret_cast<sockaddr_in*>(&storage);
        socketAddress->sin_family = AF_INET;
        socketAddress->sin_port = htons(address.GetPort());
        std::memcpy(&socketAddress->sin_addr.s_addr, address.GetIPv4(), 4);
        return sizeof(sockaddr_in);
    }
    if (address.GetType() == ADDRESS_IPV6)
    {
        auto* socketAddress = reinterpret_cast<sockaddr_in6*>(&storage);
        socketAddress->sin6_family = AF_INET6;
        socketAddress->sin6_port = htons(address.GetPort());
        socketAddress->sin6_scope_id = scope;
        for (int i = 0; i < 8; ++i)
        {
            socketAddress->sin6_addr.s6_addr[i * 2] = static_cast<uint8_t>(address.GetIPv6()[i] >> 8);
            socketAddress->sin6_addr.s6_addr[i * 2 + 1] = static_cast<uint8_t>(address.GetIPv6()[i]);
        }
        return sizeof(sockaddr_in6);
    }
    return 0;
}

Address FromSocketAddress(const sockaddr_storage& storage)
{
    if (storage.ss_family == AF_INET)
    {
        const auto* socketAddress = reinterpret_cast<const sockaddr_in*>(&storage);
        uint8_t host[4];
        std::memcpy(host, &socketAddress->sin_addr.s_addr, 4);
        return Address(host[0], host[1], host[2], host[3], ntohs(socketAddress->sin_port));
    }
    if (storage.ss_family == AF_INET6)
    {
        const auto* socketAddress = reinterpret_cast<const sockaddr_in6*>(&storage);
        uint16_t groups[8];
        for (int i = 0; i < 8; ++i)
            groups[i] = static_cast<uint16_t>((socketAddress->sin6_addr.s6_addr[i * 2] << 8) |
                                              socketAddress->sin6_addr.s6_addr[i * 2 + 1]);
        return Address(groups, ntohs(socketAddress->sin6_port));
    }
    return Address();
}

// The address of this machine, port 0, that the system sends to peer from, with its scope; invalid when
// the system has no route to it. Connecting a UDP socket sends nothing: it only picks the route.
Address SourceFor(const Address& peer, uint32_t& scope)
{
    sockaddr_storage storage;
    const socklen_t length = ToSocketAddress(peer, storage);
    if (length == 0 || peer.IsEveryAddress())
        return Address();
    const int probe = socket(storage.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (probe < 0)
        return Address();
    sockaddr_storage source{};
    socklen_t sourceLength = sizeof(source);
    const bool found = connect(probe, reinterpret_cast<const sockaddr*>(&storage), length) == 0 &&
                       getsockname(probe, reinterpret_cast<sockaddr*>(&source), &sourceLength) == 0;
    close(probe);
    if (!found)
        return Address();
    scope = source.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6*>(&source)->sin6_scope_id : 0;
    Address address = FromSocketAddress(source);
    address.SetPort(0);
    return address;
}

} // namespace

Address UdpSocket::SourceReaching(const Address& peer)
{
    uint32_t scope = 0;
    return SourceFor(peer, scope);
}

std::unique_ptr<UdpSocket> UdpSocket::Reaching(const Address& peer)
{
    uint32_t scope = 0;
    const Address source = SourceFor(peer, scope);
    const Address every(peer.GetType() == ADDRESS_IPV6 ? "::" : "0.0.0.0");
    // The system gives a link-local source without its interface, and such an address cannot be bound without
    // one: bound to every address, the socket lets the system pick it for each datagram.
    const bool bindable = source.IsValid() && (!source.IsLinkLocal() || scope != 0);
    return std::unique_ptr<UdpSocket>(new UdpSocket(bindable ? source : every, bindable ? scope : 0,
                                                    DefaultSendBufferBytes, DefaultReceiveBufferBytes));
}

UdpSocket::UdpSocket(const Address& bindAddress, int sendBufferBytes, int receiveBufferBytes)
    : UdpSocket(bindAddress, 0, sendBufferBytes, receiveBufferBytes)
{
}

UdpSocket::UdpSocket(const Address& bindAddress, uint32_t scope, int sendBufferBytes, int receiveBufferBytes)
    : scope(scope)
{
    char text[64];
    sockaddr_storage storage;
    socklen_t length = ToSocketAddress(bindAddress, storage, scope);
    if (length == 0)
    {
        NET_LOG_ERROR("udp socket: cannot bind to invalid address %s", bindAddress.ToString(text, sizeof(text)));
        openError = EINVAL;
        return;
    }
    int family = bindAddress.GetType() == ADDRESS_IPV6 ? AF_INET6 : AF_INET;
    handle = socket(family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
    if (handle < 0)
    {
        openError = errno;
        NET_LOG_ERROR("udp socket: socket() failed: %s", std::strerror(openError));
        return;
    }
    if (family == AF_INET6)
    {
        // One socket per family keeps the bound address the one peers see.
        int only = 1;
        setsockopt(handle, IPPROTO_IPV6, IPV6_V6ONLY, &only, sizeof(only));
    }
    // Buffer sizes are a wish: the system caps them, and the socket works either way.
    setsockopt(handle, SOL_SOCKET, SO_SNDBUF, &sendBufferBytes, sizeof(sendBufferBytes));
    // A privileged process may pass the system's cap; any other gets what the cap allows.
    if (setsockopt(handle, SOL_SOCKET, SO_RCVBUFFORCE, &receiveBufferBytes, sizeof(receiveBufferBytes)) != 0)
        setsockopt(handle, SOL_SOCKET, SO_RCVBUF, &receiveBufferBytes, sizeof(receiveBufferBytes));

    if (bind(handle, reinterpret_cast<const sockaddr*>(&storage), length) != 0)
    {
        openError = errno;
        NET_LOG_ERROR("udp socket: bind to %s failed: %s", bindAddress.ToString(text, sizeof(text)),
                      std::strerror(openError));
        close(handle);
        handle = -1;
        return;
    }
    sockaddr_storage bound;
    socklen_t boundLength = sizeof(bound);
    if (getsockname(handle, reinterpret_cast<sockaddr*>(&bound), &boundLength) != 0)
    {
        openError = errno;
        NET_LOG_ERROR("udp socket: getsockname failed: %s", std::strerror(openError));
        close(handle);
        handle = -1;
        return;
    }
    address = bindAddress;
    address.SetPort(FromSocketAddress(bound).GetPort());
    if (address.IsEveryAddress())
    {
        // Without it every answer would leave from the address the system prefers, and a peer that
        // sent to another address of this machine would drop them all.
        int on = 1;
        everyAddress = family == AF_INET ? setsockopt(handle, IPPROTO_IP, IP_PKTINFO, &on, sizeof(on)) == 0
                                         : setsockopt(handle, IPPROTO_IPV6, IPV6_RECVPKTINFO, &on, sizeof(on)) == 0;
        if (!everyAddress)
            NET_LOG_ERROR("udp socket: cannot learn where datagrams to %s arrive: %s",
                          address.ToString(text, sizeof(text)), std::strerror(errno));
    }
}

UdpSocket::~UdpSocket()
{
    if (handle >= 0)
        close(handle);
}

bool UdpSocket::Send(const Address& to, const uint8_t* data, int bytes)
{
    return SendFrom(Address(), to, data, bytes);
}

bool UdpSocket::SendFrom(const Address& from, const Address& to, const uint8_t* data, int bytes)
{
    if (handle < 0 || !data || bytes <= 0)
        return false;
    // A socket of one family cannot reach the other's addresses.
    if (to.GetType() != address.GetType())
        return SendFailed(to, EAFNOSUPPORT);
    sockaddr_storage storage;
    iovec vector{const_cast<uint8_t*>(data), static_cast<size_t>(bytes)};
    msghdr message{};
    message.msg_name = &storage;
    message.msg_namelen = ToSocketAddress(to, storage);
    message.msg_iov = &vector;
    message.msg_iovlen = 1;
    alignas(cmsghdr) uint8_t control[CMSG_SPACE(sizeof(in6_pktinfo))] = {};
    if (everyAddress && from.GetType() == address.GetType())
    {
        message.msg_control = control;
        sockaddr_storage source;
        ToSocketAddress(from, source);
        // The interface is left to the routing table; only the source address is chosen.
        if (from.GetType() == ADDRESS_IPV4)
        {
            in_pktinfo info{};
            info.ipi_spec_dst = reinterpret_cast<const sockaddr_in*>(&source)->sin_addr;
            SetControl(message, IPPROTO_IP, IP_PKTINFO, info);
        }
        else
        {
            in6_pktinfo info{};
            info.ipi6_addr = reinterpret_cast<const sockaddr_in6*>(&source)->sin6_addr;
            SetControl(message, IPPROTO_IPV6, IPV6_PKTINFO, info);
        }
    }
    const ssize_t sent = sendmsg(handle, &message, MSG_DONTWAIT);
    if (sent != bytes)
        return SendFailed(to, sent < 0 ? errno : EMSGSIZE);
    sentAny = true;
    lastSendError = 0;
    if (failingPeer.IsValid() && to == failingPeer && ++sentSinceFailure == RecoveredSends)
    {
        char own[64];
        char text[64];
        NET_LOG_ERROR("udp socket: sends from %s to %s go again", address.ToString(own, sizeof(own)),
                      to.ToString(text, sizeof(text)));
        failingPeer = Address();
    }
    return true;
}

bool UdpSocket::SendFailed(const Address& to, int error)
{
    if (firstSendError == 0)
        firstSendError = error;
    lastSendError = error;
    if (to == failingPeer)
        sentSinceFailure = 0;
    // One line a failure that lasts: one that recovered does not keep the next from being told.
    if (!failingPeer.IsValid())
    {
        failingPeer = to;
        sentSinceFailure = 0;
        char own[64];
        char text[64];
        NET_LOG_ERROR("udp socket: cannot send from %s to %s: %s (later failures are not logged until sends there "
                      "go again)",
                      address.ToString(own, sizeof(own)), to.ToString(text, sizeof(text)), std::strerror(error));
    }
    return false;
}

bool UdpSocket::HoldsItsAddress() const
{
    if (handle < 0 || address.IsEveryAddress())
        return true;
    // A second socket binds to the address only while the machine holds it.
    sockaddr_storage storage;
    Address anyPort = address;
    anyPort.SetPort(0);
    const socklen_t length = ToSocketAddress(anyPort, storage, scope);
    const int probe = socket(storage.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (probe < 0)
        return true;
    const bool held = bind(probe, reinterpret_cast<const sockaddr*>(&storage), length) == 0 || errno != EADDRNOTAVAIL;
    close(probe);
    return held;
}

int UdpSocket::Receive(Address& from, uint8_t* data, int maxBytes)
{
    Address at;
    return ReceiveAt(from, at, data, maxBytes);
}

int UdpSocket::ReceiveAt(Address& from, Address& at, uint8_t* data, int maxBytes)
{
    if (handle < 0 || !data || maxBytes <= 0)
        return 0;
    // Each pass takes one datagram off the socket, so the loop ends when the socket is drained.
    for (;;)
    {
        sockaddr_storage storage;
        iovec vector{data, static_cast<size_t>(maxBytes)};
        alignas(cmsghdr) uint8_t control[CMSG_SPACE(sizeof(in6_pktinfo))];
        msghdr message{};
        message.msg_name = &storage;
        message.msg_namelen = sizeof(storage);
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        if (everyAddress)
        {
            message.msg_control = control;
            message.msg_controllen = sizeof(control);
        }
        ssize_t received = recvmsg(handle, &message, MSG_TRUNC);
        if (received < 0)
        {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                NET_LOG_ERROR("udp socket: recvmsg failed: %s", std::strerror(errno));
            return 0;
        }
        // MSG_TRUNC reports the datagram's full size: a cut datagram would read as a different packet.
        if (received == 0 || received > maxBytes)
            continue;
        Address sender = FromSocketAddress(storage);
        if (!sender.IsValid())
            continue;
        Address destination;
        for (cmsghdr* header = everyAddress ? CMSG_FIRSTHDR(&message) : nullptr; header;
             header = CMSG_NXTHDR(&message, header))
        {
            sockaddr_storage local{};
            if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO)
            {
                in_pktinfo info;
                std::memcpy(&info, CMSG_DATA(header), sizeof(info));
                // The local address the system would answer from: the destination itself, unless that
                // was a broadcast.
                local.ss_family = AF_INET;
                reinterpret_cast<sockaddr_in*>(&local)->sin_addr = info.ipi_spec_dst;
            }
            else if (header->cmsg_level == IPPROTO_IPV6 && header->cmsg_type == IPV6_PKTINFO)
            {
                in6_pktinfo info;
                std::memcpy(&info, CMSG_DATA(header), sizeof(info));
                local.ss_family = AF_INET6;
                reinterpret_cast<sockaddr_in6*>(&local)->sin6_addr = info.ipi6_addr;
            }
            else
                continue;
            destination = FromSocketAddress(local);
            destination.SetPort(address.GetPort());
        }
        from = sender;
        at = destination;
        return static_cast<int>(received);
    }
}

struct MemoryNetwork::Endpoint
{
    Address address;
    std::unique_ptr<uint8_t[]> storage;
    std::unique_ptr<int[]> sizes;
    std::unique_ptr<Address[]> senders;
    int head = 0;
    int count = 0;
};

MemoryNetwork::MemoryNetwork(int queueCapacity, int maxPacketBytes)
    : queueCapacity(queueCapacity > 0 ? queueCapacity : 1), maxPacketBytes(maxPacketBytes > 0 ? maxPacketBytes : 1)
{
}

MemoryNetwork::~MemoryNetwork() = default;

MemoryNetwork::Endpoint* MemoryNetwork::Attach(Address& address)
{
    if (!address.IsValid())
        return nullptr;
    auto taken = [this](const Address& candidate)
    {
        for (const auto& endpoint : endpoints)
            if (endpoint->address == candidate)
                return true;
        return false;
    };
    if (address.GetPort() == 0)
    {
        // Ephemeral ports, as a system picks them: the next one not in use, wrapping in the range.
        bool found = false;
        for (int attempt = 0; attempt < 16384 && !found; ++attempt)
        {
            address.SetPort(nextPort);
            nextPort = nextPort == 65535 ? 49152 : static_cast<uint16_t>(nextPort + 1);
            found = !taken(address);
        }
        if (!found)
            return nullptr;
    }
    else if (taken(address))
        return nullptr;

    auto endpoint = std::make_unique<Endpoint>();
    endpoint->address = address;
    endpoint->storage = std::make_unique<uint8_t[]>(static_cast<size_t>(queueCapacity) * maxPacketBytes);
    endpoint->sizes = std::make_unique<int[]>(static_cast<size_t>(queueCapacity));
    endpoint->senders = std::make_unique<Address[]>(static_cast<size_t>(queueCapacity));
    endpoints.push_back(std::move(endpoint));
    return endpoints.back().get();
}

void MemoryNetwork::Detach(Endpoint* endpoint)
{
    for (size_t i = 0; i < endpoints.size(); ++i)
    {
        if (endpoints[i].get() == endpoint)
        {
            endpoints.erase(endpoints.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

bool MemoryNetwork::Deliver(const Address& from, const Address& to, const uint8_t* data, int bytes)
{
    if (!data || bytes <= 0 || bytes > maxPacketBytes)
    {
        ++droppedPackets;
        return false;
    }
    for (const auto& endpoint : endpoints)
    {
        if (endpoint->address != to)
            continue;
        if (endpoint->count == queueCapacity)
        {
            ++droppedPackets;
            return true;
        }
        int slot = (endpoint->head + endpoint->count) % queueCapacity;
        std::memcpy(endpoint->storage.get() + static_cast<size_t>(slot) * maxPacketBytes, data,
                    static_cast<size_t>(bytes));
        endpoint->sizes[slot] = bytes;
        endpoint->senders[slot] = from;
        ++endpoint->count;
        return true;
    }
    ++droppedPackets;
    return true;
}

int MemoryNetwork::Take(Endpoint& endpoint, Address& from, uint8_t* data, int maxBytes)
{
    while (endpoint.count > 0)
    {
        int slot = endpoint.head;
        endpoint.head = (endpoint.head + 1) % queueCapacity;
        --endpoint.count;
        int bytes = endpoint.sizes[slot];
        if (bytes > maxBytes)
        {
            ++droppedPackets;
            continue;
        }
        std::memcpy(data, endpoint.storage.get() + static_cast<size_t>(slot) * maxPacketBytes,
                    static_cast<size_t>(bytes));
        from = endpoint.senders[slot];
        return bytes;
    }
    return 0;
}

MemoryTransport::MemoryTransport(MemoryNetwork& network, const Address& bindAddress)
    : network(network), address(bindAddress)
{
    endpoint = network.Attach(address);
    if (!endpoint)
    {
        char text[64];
        NET_LOG_ERROR("memory transport: cannot attach at %s", bindAddress.ToString(text, sizeof(text)));
    }
}

MemoryTransport::~MemoryTransport()
{
    if (endpoint)
        network.Detach(endpoint);
}

bool MemoryTransport::Send(const Address& to, const uint8_t* data, int bytes)
{
    if (!endpoint)
        return false;
    return network.Deliver(address, to, data, bytes);
}

int MemoryTransport::Receive(Address& from, uint8_t* data, int maxBytes)
{
    if (!endpoint || !data || maxBytes <= 0)
        return 0;
    return network.Take(*endpoint, from, data, maxBytes);
}

} // namespace Net
