#include "Net/Address.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Net;

TEST(Address, ReadsTextFormsAndPrintsThemBack)
{
    struct Case
    {
        const char* text;
        AddressType type;
        uint16_t port;
        const char* printed;
    };
    const Case cases[] = {
        {"127.0.0.1:40000", ADDRESS_IPV4, 40000, "127.0.0.1:40000"},
        {"10.1.2.3", ADDRESS_IPV4, 0, "10.1.2.3:0"},
        {"0.0.0.0:0", ADDRESS_IPV4, 0, "0.0.0.0:0"},
        {"255.255.255.255:65535", ADDRESS_IPV4, 65535, "255.255.255.255:65535"},
        {"[::1]:5000", ADDRESS_IPV6, 5000, "[::1]:5000"},
        {"::1", ADDRESS_IPV6, 0, "[::1]:0"},
        {"[fe80::1:2]", ADDRESS_IPV6, 0, "[fe80::1:2]:0"},
        {"[2001:db8:0:0:0:0:0:7]:1", ADDRESS_IPV6, 1, "[2001:db8::7]:1"},
    };
    for (const Case& c : cases)
    {
        Address address(c.text);
        EXPECT_EQ(address.GetType(), c.type) << c.text;
        EXPECT_EQ(address.GetPort(), c.port) << c.text;
        EXPECT_EQ(address.ToString(), c.printed) << c.text;
        EXPECT_EQ(Address(address.ToString().c_str()), address) << c.text;
    }
}

TEST(Address, UnreadableTextGivesAnInvalidAddress)
{
    const char* cases[] = {"",
                           "localhost:80",
                           "1.2.3:80",
                           "1.2.3.256",
                           "1.2.3.4:",
                           "1.2.3.4:65536",
                           "1.2.3.4:-1",
                           "1.2.3.4:80x",
                           "[::1",
                           "[::1]x",
                           "[::1]:",
                           "[1.2.3.4]:80",
                           "::g",
                           "1.2.3.4:80:90:100:1",
                           "a very long text that is longer than any address could ever possibly be written as"};
    for (const char* text : cases)
    {
        Address address(text);
        EXPECT_FALSE(address.IsValid()) << text;
        EXPECT_EQ(address.ToString(), "none") << text;
    }
    EXPECT_FALSE(Address(nullptr).IsValid());
}

TEST(Address, TextAndPortTakesTheGivenPort)
{
    EXPECT_EQ(Address("192.168.0.1:1234", 80), Address(192, 168, 0, 1, 80));
    EXPECT_EQ(Address("0.0.0.0", 7).ToString(), "0.0.0.0:7");
    EXPECT_FALSE(Address("nonsense", 80).IsValid());
}

TEST(Address, ComparesTypeHostAndPort)
{
    uint16_t loopback[8] = {0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(Address(1, 2, 3, 4, 5), Address("1.2.3.4:5"));
    EXPECT_NE(Address(1, 2, 3, 4, 5), Address(1, 2, 3, 4, 6));
    EXPECT_NE(Address(1, 2, 3, 4, 5), Address(1, 2, 3, 5, 5));
    EXPECT_EQ(Address(loopback, 9), Address("[::1]:9"));
    EXPECT_NE(Address(loopback, 9), Address(0, 0, 0, 1, 9));
    EXPECT_EQ(Address(), Address());
    EXPECT_NE(Address(), Address(0, 0, 0, 0, 0));
}

TEST(Address, WireFormIsTypeHostAndPortLittleEndian)
{
    uint8_t bytes[MaxAddressWireBytes];
    ASSERT_EQ(WriteAddress(Address("192.168.1.20:40000"), bytes, sizeof(bytes)), 7);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 7), (std::vector<uint8_t>{1, 192, 168, 1, 20, 0x40, 0x9C}));

    ASSERT_EQ(WriteAddress(Address("[2001:db8::ff00:42]:258"), bytes, sizeof(bytes)), 19);
    EXPECT_EQ(
        std::vector<uint8_t>(bytes, bytes + 19),
        (std::vector<uint8_t>{2, 0x01, 0x20, 0xB8, 0x0D, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0xFF, 0x42, 0x00, 0x02, 0x01}));
    Address read;
    ASSERT_EQ(ReadAddress(bytes, 19, read), 19);
    EXPECT_EQ(read, Address("[2001:db8::ff00:42]:258"));

    EXPECT_EQ(WriteAddress(Address(), bytes, sizeof(bytes)), 0);
    EXPECT_EQ(WriteAddress(Address(1, 2, 3, 4, 5), bytes, 6), 0);
}

TEST(Address, ShortOrUnknownWireFormIsRefused)
{
    uint8_t ipv4[] = {1, 10, 0, 0, 1, 0x10, 0x27};
    uint8_t unknown[] = {0, 10, 0, 0, 1, 0x10, 0x27};
    uint8_t ipv6Short[18] = {2};
    Address address(9, 9, 9, 9, 9);
    for (int bytes = 0; bytes < 7; ++bytes)
        EXPECT_EQ(ReadAddress(ipv4, bytes, address), 0) << bytes;
    EXPECT_EQ(ReadAddress(unknown, sizeof(unknown), address), 0);
    EXPECT_EQ(ReadAddress(ipv6Short, sizeof(ipv6Short), address), 0);
    EXPECT_EQ(address, Address(9, 9, 9, 9, 9));
    EXPECT_EQ(ReadAddress(ipv4, sizeof(ipv4), address), 7);
    EXPECT_EQ(address, Address(10, 0, 0, 1, 10000));
}
