#include "Net/Socket.h"
#include "Tests/NetworkNamespaces.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace Net;

namespace
{

// Delivery is immediate on loopback, and over a virtual link once the neighbour is found; the wait only
// absorbs scheduling.
int ReceiveWithin(Transport& transport, Address& from, uint8_t* data, int maxBytes)
{
    for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
         std::chrono::steady_clock::now() < until; std::this_thread::yield())
        if (int bytes = transport.Receive(from, data, maxBytes))
            return bytes;
    return 0;
}

std::vector<uint8_t> Text(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

} // namespace

TEST(UdpSocket, PortZeroBindsAndReportsARealPort)
{
    UdpSocket a(Address("127.0.0.1:0"));
    UdpSocket b(Address("127.0.0.1:0"));
    ASSERT_TRUE(a.IsOpen());
    ASSERT_TRUE(b.IsOpen());
    EXPECT_NE(a.GetAddress().GetPort(), 0);
    EXPECT_NE(a.GetAddress().GetPort(), b.GetAddress().GetPort());

    UdpSocket taken(a.GetAddress());
    EXPECT_FALSE(taken.IsOpen());
    EXPECT_FALSE(taken.Send(a.GetAddress(), Text("x").data(), 1));
    Address from;
    uint8_t buffer[16];
    EXPECT_EQ(taken.Receive(from, buffer, sizeof(buffer)), 0);
    EXPECT_FALSE(UdpSocket(Address()).IsOpen());
}

TEST(UdpSocket, ExchangesDatagramsOnLoopback)
{
    UdpSocket a(Address("127.0.0.1:0"));
    UdpSocket b(Address("127.0.0.1:0"));
    ASSERT_TRUE(a.IsOpen() && b.IsOpen());
    Address from;
    uint8_t buffer[64];
    EXPECT_EQ(a.Receive(from, buffer, sizeof(buffer)), 0);

    std::vector<uint8_t> hello = Text("hello");
    ASSERT_TRUE(a.Send(b.GetAddress(), hello.data(), static_cast<int>(hello.size())));
    ASSERT_EQ(ReceiveWithin(b, from, buffer, sizeof(buffer)), 5);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 5), hello);
    EXPECT_EQ(from, a.GetAddress());

    // A datagram too large for the caller's buffer is dropped whole; the next one still arrives.
    std::vector<uint8_t> large(100, 7);
    std::vector<uint8_t> small = Text("ok");
    ASSERT_TRUE(b.Send(a.GetAddress(), large.data(), static_cast<int>(large.size())));
    ASSERT_TRUE(b.Send(a.GetAddress(), small.data(), static_cast<int>(small.size())));
    ASSERT_EQ(ReceiveWithin(a, from, buffer, sizeof(buffer)), 2);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 2), small);

    EXPECT_FALSE(a.Send(Address("[::1]:9"), small.data(), 2));
    EXPECT_FALSE(a.Send(b.GetAddress(), small.data(), 0));
}

TEST(UdpSocket, ExchangesDatagramsOnIPv6Loopback)
{
    UdpSocket a(Address("[::1]:0"));
    if (!a.IsOpen())
        GTEST_SKIP() << "no IPv6 loopback on this machine";
    UdpSocket b(Address("[::1]:0"));
    ASSERT_TRUE(b.IsOpen());
    std::vector<uint8_t> hello = Text("six");
    ASSERT_TRUE(a.Send(b.GetAddress(), hello.data(), 3));
    Address from;
    uint8_t buffer[16];
    ASSERT_EQ(ReceiveWithin(b, from, buffer, sizeof(buffer)), 3);
    EXPECT_EQ(from, a.GetAddress());
}

// A socket for one peer is bound to the address it reaches the peer from, or to every address of the peer's
// family where no route is known. A temporary IPv6 address gives way to one the system prefers, the old one
// staying valid: the socket still sends from the old one, by which its server knows it. Two network
// namespaces of the test's own, joined by a virtual link, stand for the two machines.
TEST(UdpSocket, ASocketReachingAPeerSendsFromOneAddressWhenTheSystemComesToPreferAnother)
{
    EXPECT_EQ(UdpSocket::Reaching(Address("127.0.0.1:9"))->GetAddress().HostText(), "127.0.0.1");
    EXPECT_EQ(UdpSocket::Reaching(Address())->GetAddress().HostText(), "0.0.0.0");
    // The server's socket is opened in its namespace, bound before its address exists there.
    Lumvek::Testing::NetworkNamespaces machines;
    UdpSocket server(Address("[::]:0"));
    if (!machines.Link("ip -6 addr add fd00::2/64 dev vc nodad && ip -6 addr add fd00::3/64 dev vc nodad",
                       "ip -6 addr add fd00::1/64 dev vs nodad"))
        GTEST_SKIP() << "no network namespaces of the test's own here (they take root, ip and nsenter)";
    const Address dialled("fd00::1", server.GetAddress().GetPort());
    const std::unique_ptr<UdpSocket> client = UdpSocket::Reaching(dialled);
    const std::string bound = client->GetAddress().HostText();
    for (const bool replaced : {false, true})
    {
        const std::string change = "ip -6 addr change " + bound + "/64 dev vc preferred_lft 0";
        ASSERT_TRUE(!replaced || std::system(change.c_str()) == 0);
        uint8_t byte = 1;
        ASSERT_TRUE(client->Send(dialled, &byte, 1));
        Address from;
        ASSERT_EQ(ReceiveWithin(server, from, &byte, 1), 1) << replaced;
        EXPECT_EQ(from, client->GetAddress()) << replaced;
    }
    EXPECT_NE(UdpSocket::Reaching(dialled)->GetAddress().HostText(), bound) << "the system prefers it still";
}

TEST(MemoryNetwork, DeliversInOrderToTheAddressedTransport)
{
    MemoryNetwork network(4, 32);
    MemoryTransport a(network, Address(10, 0, 0, 1, 1000));
    MemoryTransport b(network, Address(10, 0, 0, 2, 1000));
    MemoryTransport c(network, Address(10, 0, 0, 2, 0));
    ASSERT_TRUE(a.IsOpen() && b.IsOpen() && c.IsOpen());
    EXPECT_NE(c.GetAddress().GetPort(), 0);

    for (uint8_t i = 1; i <= 3; ++i)
        ASSERT_TRUE(a.Send(b.GetAddress(), &i, 1));
    Address from;
    uint8_t buffer[32];
    for (uint8_t i = 1; i <= 3; ++i)
    {
        ASSERT_EQ(b.Receive(from, buffer, sizeof(buffer)), 1);
        EXPECT_EQ(buffer[0], i);
        EXPECT_EQ(from, a.GetAddress());
    }
    EXPECT_EQ(b.Receive(from, buffer, sizeof(buffer)), 0);
    EXPECT_EQ(c.Receive(from, buffer, sizeof(buffer)), 0);
    EXPECT_EQ(network.GetDroppedPackets(), 0u);
}

TEST(MemoryNetwork, CountsWhatItCannotDeliver)
{
    MemoryNetwork network(2, 8);
    MemoryTransport a(network, Address(10, 0, 0, 1, 1));
    MemoryTransport b(network, Address(10, 0, 0, 2, 2));
    uint8_t data[16] = {1, 2, 3};

    EXPECT_FALSE(a.Send(b.GetAddress(), data, 9));         // larger than the network carries
    EXPECT_TRUE(a.Send(Address(10, 0, 0, 9, 9), data, 3)); // nobody there, as with UDP
    EXPECT_TRUE(a.Send(b.GetAddress(), data, 3));
    EXPECT_TRUE(a.Send(b.GetAddress(), data, 8));
    EXPECT_TRUE(a.Send(b.GetAddress(), data, 1)); // queue full
    EXPECT_EQ(network.GetDroppedPackets(), 3u);

    Address from;
    uint8_t buffer[4];
    EXPECT_EQ(b.Receive(from, buffer, sizeof(buffer)), 3);
    EXPECT_EQ(b.Receive(from, buffer, sizeof(buffer)), 0); // the 8-byte one does not fit and is dropped
    EXPECT_EQ(network.GetDroppedPackets(), 4u);
}

TEST(MemoryNetwork, AnAddressInUseCannotBeTakenUntilFreed)
{
    MemoryNetwork network;
    Address address(10, 0, 0, 1, 5);
    {
        MemoryTransport first(network, address);
        MemoryTransport second(network, address);
        EXPECT_TRUE(first.IsOpen());
        EXPECT_FALSE(second.IsOpen());
        uint8_t byte = 1;
        EXPECT_FALSE(second.Send(address, &byte, 1));
    }
    MemoryTransport again(network, address);
    EXPECT_TRUE(again.IsOpen());
    EXPECT_FALSE(MemoryTransport(network, Address()).IsOpen());
}
