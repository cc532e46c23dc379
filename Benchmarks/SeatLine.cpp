// A full server's cost of a connection request from an address it refuses (one holding two connections
// without players), with its line for a seat empty and with the line's 1,024 places taken: strangers
// send such requests by the ten thousand a second, and each must cost the same whatever waits in line.
// Reports the server's update time per request read, over the in-memory network.

#include "Libraries/Net/ConnectToken.h"
#include "Libraries/Net/NetcodeClient.h"
#include "Libraries/Net/Packet.h"
#include "Libraries/Net/Socket.h"
#include "Source/Network/ServerNetwork.h"
#include "Source/World/GameContext.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

// A namespace of its own: the program compiles its files in batches.
namespace SeatLineBenchmarks
{

namespace
{

constexpr uint32_t Seats = 8;
constexpr int RequestsPerUpdate = 300;
constexpr double Tick = 1.0 / 60.0;

struct Peer
{
    Peer(Net::MemoryNetwork& network, const Net::Address& address, uint64_t id, const Net::Address& server, double time)
        : transport(network, address), client(Net::NetcodeClientConfig{}, &transport, time)
    {
        uint8_t token[Net::ConnectTokenBytes];
        Net::GenerateConnectToken(1, &server, 3600, 10, id, 0, id, GameServerKey, nullptr, token);
        client.Connect(token);
    }
    Net::MemoryTransport transport;
    Net::NetcodeClient client;
};

void RefusedRequest(benchmark::State& state)
{
    const auto waiting = static_cast<size_t>(state.range(0));
    GameContext context;
    ServerSettings settings;
    settings.minimumPlayers = settings.maximumPlayers = Seats;
    // The connections without players stay for the whole run.
    settings.connectionTimeout = 100000.0f;
    // Room for one update's requests.
    Net::MemoryNetwork network(512, 2048);
    Net::MemoryTransport serverTransport(network, Net::Address(10, 0, 0, 1, 40000));
    ServerNetwork server(context, settings, 1, &serverTransport);
    const Net::Address address = server.GetAddress();

    // Two seats of the refused address, six of others; then strangers from 256 addresses, four ports
    // each, answer once the seats are taken and wait in line.
    const Net::Address refused(10, 1, 0, 1);
    std::vector<std::unique_ptr<Peer>> peers;
    double time = 0.0;
    uint64_t id = 1;
    for (uint16_t seat = 0; seat < Seats; ++seat)
        peers.push_back(std::make_unique<Peer>(network,
                                               seat < 2 ? Net::Address(10, 1, 0, 1, uint16_t(50000 + seat))
                                                        : Net::Address(10, 2, 0, uint8_t(seat), 50000),
                                               id++, address, time));
    // A stranger denied goes at once: its place stays, and the in-memory network, which looks for a
    // packet's endpoint among those attached and gives each a queue, stays small.
    size_t strangers = 0;
    const auto run = [&](int ticks, size_t strangersPerTick)
    {
        for (int tick = 0; tick < ticks; ++tick)
        {
            for (size_t i = 0; i < strangersPerTick && strangers < SeatLine::MaxWaiters; ++i, ++strangers)
                peers.push_back(std::make_unique<Peer>(
                    network, Net::Address(10, 3, uint8_t(strangers / 4), 1, uint16_t(50000 + strangers % 4)), id++,
                    address, time));
            time += Tick;
            for (auto& peer : peers)
                peer->client.Update(time);
            server.Update(static_cast<int64_t>(Tick * 1e9));
            std::erase_if(peers, [](const auto& peer)
                          { return peer->client.State() <= Net::NETCODE_CLIENT_STATE_DISCONNECTED; });
        }
    };
    run(60, 0);
    run(120, 16);
    // The places stay while the clock stands nearly still; for an empty line it runs on until they fall
    // silent, so that both cases saw the same tokens.
    if (waiting == 0)
        run(static_cast<int>((SeatLine::WaiterSilenceSeconds + 1.0) / Tick), 0);
    if (server.GetSeatLine().GetWaiters().size() != waiting ||
        std::any_of(peers.begin(), peers.end(),
                    [](const auto& peer) { return peer->client.State() != Net::NETCODE_CLIENT_STATE_CONNECTED; }))
    {
        state.SkipWithError("the seats did not fill, or the line did not fill or empty");
        return;
    }

    Net::ConnectToken token;
    uint8_t bytes[Net::ConnectTokenBytes];
    Net::GenerateConnectToken(1, &address, 3600, 10, id, 0, id, GameServerKey, nullptr, bytes);
    Net::ReadConnectToken(bytes, token);
    std::vector<uint8_t> request(Net::ConnectionRequestBytes);
    Net::WriteConnectionRequest(token, request.data(), Net::ConnectionRequestBytes);
    Net::Address from = refused;
    from.SetPort(50002);
    uint64_t requests = 0;
    for (auto _ : state)
    {
        for (int i = 0; i < RequestsPerUpdate; ++i)
            network.SendFrom(from, address, request.data(), Net::ConnectionRequestBytes);
        // The clock stands nearly still: nobody in line falls silent and no connection times out.
        const auto start = std::chrono::steady_clock::now();
        server.Update(1000);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        requests += RequestsPerUpdate;
    }
    state.SetItemsProcessed(static_cast<int64_t>(requests));
    // Its stop lines count the requests denied to the refused address.
    server.Stop();
}
BENCHMARK(RefusedRequest)
    ->Arg(0)
    ->Arg(static_cast<int64_t>(SeatLine::MaxWaiters))
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace

} // namespace SeatLineBenchmarks
