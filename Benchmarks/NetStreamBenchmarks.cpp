#include "Net/Connection.h"
#include "Net/Message.h"
#include "Net/Packet.h"
#include "Net/Reliability.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace Net;

namespace
{

// Shaped like a game's traffic: a world snapshot from the server, inputs from the client, and now
// and then a small reliable event.
struct PlayerState
{
    uint32_t player = 0;
    float x = 0, y = 0, vx = 0, vy = 0, health = 100;
    uint32_t weapon = 0;
    bool grounded = true, aiming = false;
};

class SnapshotMessage : public Message
{
public:
    uint32_t frame = 0;
    int count = 0;
    PlayerState players[16];

    template <class Stream> bool Serialize(Stream& stream)
    {
        serialize_uint32(stream, frame);
        serialize_int(stream, count, 0, 16);
        for (int i = 0; i < count; ++i)
        {
            PlayerState& p = players[i];
            serialize_int(stream, p.player, 0, 15);
            serialize_float(stream, p.x);
            serialize_float(stream, p.y);
            serialize_float(stream, p.vx);
            serialize_float(stream, p.vy);
            serialize_float(stream, p.health);
            serialize_int(stream, p.weapon, 0, 20);
            serialize_bool(stream, p.grounded);
            serialize_bool(stream, p.aiming);
        }
        return true;
    }
    NET_MESSAGE_VIRTUAL_SERIALIZE_FUNCTIONS()
};

class InputMessage : public Message
{
public:
    uint32_t frame = 0;
    int player = 0, move = 0, aimX = 127, aimY = 0;
    bool jump = false, fire = false;

    template <class Stream> bool Serialize(Stream& stream)
    {
        serialize_uint32(stream, frame);
        serialize_int(stream, player, 0, 15);
        serialize_int(stream, move, -127, 127);
        serialize_int(stream, aimX, -127, 127);
        serialize_int(stream, aimY, -127, 127);
        serialize_bool(stream, jump);
        serialize_bool(stream, fire);
        return true;
    }
    NET_MESSAGE_VIRTUAL_SERIALIZE_FUNCTIONS()
};

class EventMessage : public Message
{
public:
    int player = 0;
    float x = 0, y = 0;

    template <class Stream> bool Serialize(Stream& stream)
    {
        serialize_int(stream, player, 0, 15);
        serialize_float(stream, x);
        serialize_float(stream, y);
        return true;
    }
    NET_MESSAGE_VIRTUAL_SERIALIZE_FUNCTIONS()
};

class Factory : public MessageFactory
{
public:
    explicit Factory(Allocator& allocator) : MessageFactory(allocator, 3) {}

protected:
    Message* CreateMessageInternal(int type) override
    {
        switch (type)
        {
        case 0:
            return NET_NEW(GetAllocator(), SnapshotMessage);
        case 1:
            return NET_NEW(GetAllocator(), InputMessage);
        case 2:
            return NET_NEW(GetAllocator(), EventMessage);
        default:
            return nullptr;
        }
    }
};

ConnectionConfig GameConfig()
{
    ConnectionConfig config;
    config.numChannels = 2;
    config.channel[0].type = CHANNEL_TYPE_RELIABLE_ORDERED;
    config.channel[1].type = CHANNEL_TYPE_UNRELIABLE_UNORDERED;
    return config;
}

struct End
{
    explicit End(Allocator& allocator)
        : factory(allocator), connection(allocator, factory, GameConfig(), 0.0), endpoint(Config(), allocator, 0.0)
    {
        GenerateKey(key);
    }

    ReliableConfig Config()
    {
        ReliableConfig config;
        config.context = this;
        config.maxPacketSize = 8 * 1024;
        config.transmit = [](void* context, int, uint16_t, const uint8_t* packet, int bytes)
        {
            End& end = *static_cast<End*>(context);
            end.wireBytes += uint64_t(bytes);
            ++end.wirePackets;
            // Sealed as the netcode layer sends it: prefix, sequence and authentication tag added.
            Packet sealed;
            sealed.type = PACKET_PAYLOAD;
            sealed.sequence = end.sealSequence++;
            sealed.payload = packet;
            sealed.payloadBytes = bytes;
            end.sealedBytes += uint64_t(WritePacket(sealed, end.sealBuffer, sizeof(end.sealBuffer), end.key, 1));
            end.peer->endpoint.ReceivePacket(packet, bytes);
        };
        config.process = [](void* context, int, uint16_t sequence, const uint8_t* payload, int bytes)
        { return static_cast<End*>(context)->connection.ProcessPacket(nullptr, sequence, payload, bytes); };
        return config;
    }

    void Tick(double time)
    {
        endpoint.Update(time);
        connection.AdvanceTime(time);
        int count = 0;
        const uint16_t* acks = endpoint.GetAcks(count);
        connection.ProcessAcks(acks, count);
        endpoint.ClearAcks();
    }

    void Send()
    {
        int bytes = connection.GeneratePacket(nullptr, endpoint.NextPacketSequence(), buffer, int(sizeof(buffer)));
        payloadBytes += uint64_t(bytes);
        endpoint.SendPacket(buffer, bytes);
    }

    void Drain()
    {
        for (int channel = 0; channel < 2; ++channel)
            while (Message* message = connection.ReceiveMessage(channel))
                connection.ReleaseMessage(message);
    }

    Factory factory;
    Connection connection;
    ReliableEndpoint endpoint;
    End* peer = nullptr;
    uint64_t wireBytes = 0;
    uint64_t wirePackets = 0;
    uint64_t payloadBytes = 0;
    uint8_t buffer[8 * 1024];
    uint8_t key[KeyBytes];
    uint64_t sealSequence = 1;
    uint64_t sealedBytes = 0;
    uint8_t sealBuffer[MaxPacketBytes];
};

// An IPv4 header without options and a UDP header, around every datagram.
constexpr double UdpIpv4HeaderBytes = 28.0;

// One second of a match at 60 ticks per second between a server and one client with 2, 8 or 16
// players in view. The *_sealed_bytes_per_s counters are what each side hands its socket (the sealed
// netcode packets), *_udp_ipv4_bytes_per_s the same with the IPv4 and UDP headers; the
// *_reliable_* counters count at the reliability layer, below the sealing.
void WireBytesAt60Hz(benchmark::State& state)
{
    DefaultAllocator allocator;
    auto server = std::make_unique<End>(allocator);
    auto client = std::make_unique<End>(allocator);
    server->peer = client.get();
    client->peer = server.get();
    const int players = int(state.range(0));
    double time = 0.0;
    uint32_t frame = 0;
    int seconds = 0;
    for (auto _ : state)
    {
        for (int tick = 0; tick < 60; ++tick, ++frame)
        {
            time += 1.0 / 60.0;
            server->Tick(time);
            client->Tick(time);
            auto* snapshot = static_cast<SnapshotMessage*>(server->factory.CreateMessage(0));
            snapshot->frame = frame;
            snapshot->count = players;
            for (int i = 0; i < players; ++i)
                snapshot->players[i] = {uint32_t(i), float(frame), 3.0f, 1.0f, -2.0f, 90.0f, 4, true, false};
            server->connection.SendMessage(1, snapshot);
            if (frame % 30 == 0)
                server->connection.SendMessage(0, server->factory.CreateMessage(2));
            auto* input = static_cast<InputMessage*>(client->factory.CreateMessage(1));
            input->frame = frame;
            input->move = int(frame % 255) - 127;
            client->connection.SendMessage(1, input);
            server->Send();
            client->Send();
            server->Drain();
            client->Drain();
        }
        ++seconds;
    }
    double count = double(seconds);
    state.counters["server_sealed_bytes_per_s"] = double(server->sealedBytes) / count;
    state.counters["client_sealed_bytes_per_s"] = double(client->sealedBytes) / count;
    state.counters["server_udp_ipv4_bytes_per_s"] =
        (double(server->sealedBytes) + UdpIpv4HeaderBytes * double(server->wirePackets)) / count;
    state.counters["client_udp_ipv4_bytes_per_s"] =
        (double(client->sealedBytes) + UdpIpv4HeaderBytes * double(client->wirePackets)) / count;
    state.counters["server_reliable_bytes_per_s"] = double(server->wireBytes) / count;
    state.counters["client_reliable_bytes_per_s"] = double(client->wireBytes) / count;
    state.counters["server_sealed_packet_bytes"] = double(server->sealedBytes) / double(server->wirePackets);
    state.counters["client_sealed_packet_bytes"] = double(client->sealedBytes) / double(client->wirePackets);
    state.counters["reliable_header_bytes_per_packet"] =
        double(server->wireBytes + client->wireBytes - server->payloadBytes - client->payloadBytes) /
        double(server->wirePackets + client->wirePackets);
    state.SetItemsProcessed(int64_t(seconds) * 60);
}

// Bits per snapshot of eight players, written and read back.
void SnapshotRoundTrip(benchmark::State& state)
{
    SnapshotMessage message;
    message.count = 8;
    for (int i = 0; i < 8; ++i)
        message.players[i] = {uint32_t(i), 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6, true, true};
    uint8_t buffer[1024];
    int bytes = 0;
    for (auto _ : state)
    {
        WriteStream writer(buffer, sizeof(buffer));
        message.Serialize(writer);
        writer.Flush();
        bytes = writer.GetBytesProcessed();
        SnapshotMessage copy;
        ReadStream reader(buffer, bytes);
        benchmark::DoNotOptimize(copy.Serialize(reader));
    }
    state.counters["bytes"] = bytes;
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes * 2);
}

} // namespace

BENCHMARK(WireBytesAt60Hz)->Arg(2)->Arg(8)->Arg(16);
BENCHMARK(SnapshotRoundTrip);
