#include "Net/Address.h"

#include "Net/WireBytes.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Net
{

namespace
{

// A decimal port of one to five digits, at most 65535.
bool ParsePort(const char* text, uint16_t& port)
{
    size_t length = std::strlen(text);
    if (length == 0 || length > 5)
        return false;
    uint32_t value = 0;
    for (size_t i = 0; i < length; ++i)
    {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + static_cast<uint32_t>(text[i] - '0');
    }
    if (value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

} // namespace

Address::Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint16_t port) : type(ADDRESS_IPV4), port(port)
{
    ipv4[0] = a;
    ipv4[1] = b;
    ipv4[2] = c;
    ipv4[3] = d;
}

Address::Address(const uint16_t groups[8], uint16_t port) : type(ADDRESS_IPV6), port(port)
{
    std::memcpy(ipv6, groups, sizeof(ipv6));
}

Address::Address(const char* text)
{
    if (!text)
        return;
    // Longer than any address with a port: refuse rather than truncate.
    char host[64];
    size_t length = std::strlen(text);
    if (length == 0 || length >= sizeof(host))
        return;
    std::memcpy(host, text, length + 1);

    uint16_t parsedPort = 0;
    const char* hostText = host;
    bool bracketed = host[0] == '[';
    if (bracketed)
    {
        char* close = std::strchr(host, ']');
        if (!close)
            return;
        *close = '\0';
        hostText = host + 1;
        if (close[1] == ':')
        {
            if (!ParsePort(close + 2, parsedPort))
                return;
        }
        else if (close[1] != '\0')
            return;
    }
    else
    {
        // One colon separates an IPv4 host from its port; more than one is an IPv6 host alone.
        char* colon = std::strchr(host, ':');
        if (colon && !std::strchr(colon + 1, ':'))
        {
            *colon = '\0';
            if (!ParsePort(colon + 1, parsedPort))
                return;
        }
    }

    in6_addr address6;
    in_addr address4;
    if (!bracketed && inet_pton(AF_INET, hostText, &address4) == 1)
    {
        type = ADDRESS_IPV4;
        std::memcpy(ipv4, &address4.s_addr, 4);
    }
    else if (inet_pton(AF_INET6, hostText, &address6) == 1)
    {
        type = ADDRESS_IPV6;
        for (int i = 0; i < 8; ++i)
            ipv6[i] = static_cast<uint16_t>((address6.s6_addr[i * 2] << 8) | address6.s6_addr[i * 2 + 1]);
    }
    else
        return;
    port = parsedPort;
}

Address::Address(const char* text, uint16_t port) : Address(text)
{
    if (IsValid())
        this->port = port;
}

std::string Address::ToString() const
{
    char buffer[64];
    return ToString(buffer, sizeof(buffer));
}

const char* Address::ToString(char* buffer, int bytes) const
{
    if (!buffer || bytes <= 0)
        return buffer;
    if (type == ADDRESS_IPV4)
    {
        std::snprintf(buffer, static_cast<size_t>(bytes), "%u.%u.%u.%u:%u", ipv4[0], ipv4[1], ipv4[2], ipv4[3], port);
    }
    else if (type == ADDRESS_IPV6)
    {
        in6_addr address6;
        for (int i = 0; i < 8; ++i)
        {
            address6.s6_addr[i * 2] = static_cast<uint8_t>(ipv6[i] >> 8);
            address6.s6_addr[i * 2 + 1] = static_cast<uint8_t>(ipv6[i]);
        }
        char host[INET6_ADDRSTRLEN];
        if (!inet_ntop(AF_INET6, &address6, host, sizeof(host)))
            host[0] = '\0';
        std::snprintf(buffer, static_cast<size_t>(bytes), "[%s]:%u", host, port);
    }
    else
        std::snprintf(buffer, static_cast<size_t>(bytes), "none");
    return buffer;
}

bool Address::IsEveryAddress() const
{
    static constexpr uint16_t None[8] = {};
    if (type == ADDRESS_IPV4)
        return ipv4[0] == 0 && ipv4[1] == 0 && ipv4[2] == 0 && ipv4[3] == 0;
    return type == ADDRESS_IPV6 && std::memcmp(ipv6, None, sizeof(ipv6)) == 0;
}

bool Address::IsLoopback() const
{
    static constexpr uint16_t One[8] = {0, 0, 0, 0, 0, 0, 0, 1};
    if (type == ADDRESS_IPV4)
        return ipv4[0] == 127;
    return type == ADDRESS_IPV6 && std::memcmp(ipv6, One, sizeof(ipv6)) == 0;
}

bool Address::IsMulticast() const
{
    if (type == ADDRESS_IPV4)
        return (ipv4[0] & 0xf0) == 0xe0;
    return type == ADDRESS_IPV6 && (ipv6[0] & 0xff00) == 0xff00;
}

bool Address::IsBroadcast() const
{
    return type == ADDRESS_IPV4 && ipv4[0] == 255 && ipv4[1] == 255 && ipv4[2] == 255 && ipv4[3] == 255;
}

bool Address::IsIPv4Mapped() const
{
    static constexpr uint16_t Prefix[6] = {0, 0, 0, 0, 0, 0xffff};
    return type == ADDRESS_IPV6 && std::memcmp(ipv6, Prefix, sizeof(Prefix)) == 0;
}

std::string Address::HostText() const
{
    if (IsIPv4Mapped())
        return Address(static_cast<uint8_t>(ipv6[6] >> 8), static_cast<uint8_t>(ipv6[6]),
                       static_cast<uint8_t>(ipv6[7] >> 8), static_cast<uint8_t>(ipv6[7]))
            .HostText();
    if (!IsValid())
        return "none";
    const std::string text = ToString();
    const size_t colon = text.rfind(':');
    return type == ADDRESS_IPV6 ? text.substr(1, colon - 2) : text.substr(0, colon);
}

bool Address::operator==(const Address& other) const
{
    if (type != other.type || port != other.port)
        return false;
    if (type == ADDRESS_IPV4)
        return std::memcmp(ipv4, other.ipv4, sizeof(ipv4)) == 0;
    if (type == ADDRESS_IPV6)
        return std::memcmp(ipv6, other.ipv6, sizeof(ipv6)) == 0;
    return true;
}

int WriteAddress(const Address& address, uint8_t* data, int bytes)
{
    WireWriter writer(data, bytes);
    if (address.GetType() == ADDRESS_IPV4)
    {
        writer.WriteUint8(ADDRESS_IPV4);
        writer.WriteBytes(address.GetIPv4(), 4);
    }
    else if (address.GetType() == ADDRESS_IPV6)
    {
        writer.WriteUint8(ADDRESS_IPV6);
        for (int i = 0; i < 8; ++i)
            writer.WriteUint16(address.GetIPv6()[i]);
    }
    else
        return 0;
    writer.WriteUint16(address.GetPort());
    return writer.Ok() ? writer.Position() : 0;
}

int ReadAddress(const uint8_t* data, int bytes, Address& address)
{
    WireReader reader(data, bytes);
    uint8_t type = 0;
    if (!reader.ReadUint8(type))
        return 0;
    if (type == ADDRESS_IPV4)
    {
        uint8_t host[4];
        uint16_t port = 0;
        if (!reader.ReadBytes(host, 4) || !reader.ReadUint16(port))
            return 0;
        address = Address(host[0], host[1], host[2], host[3], port);
    }
    else if (type == ADDRESS_IPV6)
    {
        uint16_t groups[8] = {};
        for (uint16_t& group : groups)
            reader.ReadUint16(group);
        uint16_t port = 0;
        if (!reader.ReadUint16(port))
            return 0;
        address = Address(groups, port);
    }
    else
        return 0;
    return reader.Position();
}

} // namespace Net
