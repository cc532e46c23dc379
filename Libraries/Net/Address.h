#pragma once

#include <cstdint>
#include <string>

namespace Net
{

// The values double as the address type byte of the wire form.
enum AddressType
{
    ADDRESS_NONE = 0,
    ADDRESS_IPV4 = 1,
    ADDRESS_IPV6 = 2,
};

// An IPv4 or IPv6 host and a port. A plain value; the default is no address (invalid).
class Address
{
public:
    Address() = default;
    Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint16_t port = 0);
    // Eight 16-bit groups in reading order, as in [g0:g1:...:g7]:port.
    Address(const uint16_t groups[8], uint16_t port);
    // "a.b.c.d", "a.b.c.d:port", "::1", "[::1]" or "[::1]:port". Text that does not read as one of
    // these gives an invalid address.
    explicit Address(const char* text);
    // As above, with the given port replacing any in the text.
    Address(const char* text, uint16_t port);

    bool IsValid() const { return type != ADDRESS_NONE; }
    AddressType GetType() const { return type; }
    uint16_t GetPort() const { return port; }
    void SetPort(uint16_t value) { port = value; }
    // Four bytes for IPv4 (a, b, c, d); meaningless otherwise.
    const uint8_t* GetIPv4() const { return ipv4; }
    // Eight groups for IPv6; meaningless otherwise.
    const uint16_t* GetIPv6() const { return ipv6; }
    // 0.0.0.0 or ::, which a socket binds to for every address of its machine.
    bool IsEveryAddress() const;
    // 127.0.0.0/8 or ::1: only this machine reaches it.
    bool IsLoopback() const;
    // ::ffff:a.b.c.d, an IPv4 address in IPv6 form, which sockets of either family here refuse.
    bool IsIPv4Mapped() const;
    // 224.0.0.0/4 or ff00::/8: a group that machines join, not the address of one.
    bool IsMulticast() const;
    // 255.255.255.255, which reaches every machine of the link it leaves on.
    bool IsBroadcast() const;
    // fe80::/10: an address of one link, which a socket takes only with its interface (a zone).
    bool IsLinkLocal() const { return type == ADDRESS_IPV6 && (ipv6[0] & 0xffc0) == 0xfe80; }

    // "a.b.c.d:port" or "[v6]:port"; "none" for an invalid address. The buffer form writes at most
    // bytes - 1 characters and a terminating zero, and returns the buffer.
    std::string ToString() const;
    const char* ToString(char* buffer, int bytes) const;
    // The host alone, as it is written without a port: "a.b.c.d" or "v6" without brackets; the IPv4 form of
    // an IPv4-mapped address; "none" for an invalid address.
    std::string HostText() const;

    bool operator==(const Address& other) const;
    bool operator!=(const Address& other) const { return !(*this == other); }

private:
    AddressType type = ADDRESS_NONE;
    uint16_t port = 0;
    uint8_t ipv4[4] = {};
    uint16_t ipv6[8] = {};
};

// The largest wire form: type byte, eight groups and the port.
constexpr int MaxAddressWireBytes = 19;

// The connect token's address form: the type byte (1 IPv4, 2 IPv6), then the four bytes or the
// eight little-endian groups, then the little-endian port. Returns the bytes written, or 0 when
// the address is invalid or the space too small.
int WriteAddress(const Address& address, uint8_t* data, int bytes);
// Returns the bytes read, or 0 (address untouched) when the data is short or the type unknown.
int ReadAddress(const uint8_t* data, int bytes, Address& address);

} // namespace Net
