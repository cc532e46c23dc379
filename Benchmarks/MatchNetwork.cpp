// A dedicated server at full strength: fifteen players on five clients over the in-memory network,
// every client sending its players' inputs each tick and reading everything the server sends. Reports
// the server's update (its network and the ticks it steps) as a share of the 16.7 ms tick, and the
// bytes one client's connection carries per second both ways: game states, events, inputs and every
// packet's own overhead, with the 28 bytes of IPv4 and UDP headers each datagram costs on a real wire.

#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Libraries/Net/Client.h"
#include "Libraries/Net/ConnectToken.h"
#include "Libraries/Net/Socket.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Game/Vantorel.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/Messages/InputMessage.h"
#include "Source/Network/Messages/VantorelAdapter.h"
#include "Source/Network/ServerNetwork.h"

#include "Benchmarks/BenchmarkFolders.h"
#include "Benchmarks/GameBenchmarkApplication.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

// A namespace of its own: the program compiles its files in batches.
namespace MatchNetwork
{

namespace
{

namespace fs = std::filesystem;
using Benchmarks::CountingTransport;

constexpr uint32_t ClientCount = 5;
constexpr uint32_t PlayersPerClient = 3;

// A client that plays by the protocol without a world of its own: it adds its players, sends each
// one's input every tick for a frame just ahead of the server's, and reads all it is sent.
struct LeanClient
{
    LeanClient(Net::MemoryNetwork& network, uint8_t host, const MessageLimits& limits,
               const Net::ClientServerConfig& config)
        : transport(network, Net::Address(10, 0, 0, host, 50000)), adapter(limits),
          client(allocator, transport, config, adapter, 0.0)
    {
    }

    void Connect(uint64_t id, const Net::Address& server)
    {
        uint8_t token[Net::ConnectTokenBytes];
        Net::GenerateConnectToken(1, &server, 60, 10, id, 0, id, GameServerKey, nullptr, token);
        client.Connect(id, token);
    }
    void Tick(double time, const ServerNetwork& server)
    {
        client.SendPackets();
        client.ReceivePackets();
        client.AdvanceTime(time);
        if (!client.IsConnected())
            return;
        if (!added)
        {
            auto* message =
                static_cast<AddPlayerMessage*>(client.CreateMessage(static_cast<int>(AddPlayerMessage::Type)));
            message->count = PlayersPerClient;
            for (uint32_t i = 0; i < PlayersPerClient; ++i)
                message->players[i].localSlot = i;
            client.SendMessage(0, message);
            added = true;
        }
        if (server.GetState() != NetworkState::Playing)
            return Drain();
        // Like a game client, a few frames ahead of the server and one frame further each tick.
        frame = playing ? frame + 1 : server.GetFrame() + 4;
        playing = true;
        for (const ServerNetwork::InputBuffer& buffer : server.GetPlayers())
        {
            if (buffer.client != client.GetClientIndex() || !client.CanSendMessage(1))
                continue;
            auto* message = static_cast<InputMessage*>(client.CreateMessage(static_cast<int>(InputMessage::Type)));
            message->frame = frame;
            message->player = buffer.player;
            message->input.move = static_cast<int8_t>((frame / 60 % 2) ? 100 : -100);
            client.SendMessage(1, message);
        }
        Drain();
    }
    void Drain()
    {
        for (int channel = 0; channel < 2; ++channel)
            while (Net::Message* message = client.ReceiveMessage(channel))
                client.ReleaseMessage(message);
    }

    Net::DefaultAllocator allocator;
    CountingTransport transport;
    VantorelAdapter adapter;
    Net::Client client;
    bool added = false;
    bool playing = false;
    uint32_t frame = 0;
};

void Frame(Vantorel_& game)
{
    game.WaitForLoader();
    game.LateUpdate(Vantorel_::StepLength);
}

void ServerWithFifteenPlayers(benchmark::State& state)
{
    // The only configuration is a deathmatch on the shipped map that the idle players never finish.
    const Benchmarks::ScratchAssets folder("VantorelServerBenchmark");
    folder.Write("Assets/Configurations/Configurations.json", R"(["Crowd"])");
    folder.Write("Assets/Configurations/Crowd.data",
                 R"({"Name": "Crowd", "Map": "Crossroads", "Theme": "Meadow", "GameType": "Deathmatch",
                  "TeamCount": 2, "Loadout": {"StartingWeapon": "Rifle"}, "GameTypeSettings": {"PointsToWin": 999}})");
    Benchmarks::GameBenchmarkApplication application(folder.root.string());
    auto& game = *static_cast<Vantorel_*>(application.AddSystem(std::make_unique<Vantorel_>(true)));
    game.Setup();
    while (game.load.GetState() != LoadState::StartupLoaded)
        Frame(game);

    ServerSettings settings;
    settings.minimumPlayers = settings.maximumPlayers = ClientCount * PlayersPerClient;
    settings.voteDuration = settings.loadDuration = settings.prepareDuration = 0.1f;
    Net::MemoryNetwork network(4096, 2048);
    Net::MemoryTransport serverTransport(network, Net::Address(10, 0, 0, 1, 40000));
    auto role = std::make_unique<ServerNetwork>(game, settings, 1, &serverTransport);
    ServerNetwork& server = *role;
    const Net::ClientServerConfig config = server.GetConfig();
    game.SetNetwork(std::move(role), true, false);

    // The clients measure by the same limits as the server: those of the registry, then the match's.
    MessageLimits limits = MessageLimits::FromRegistry(*game.registry);
    std::vector<std::unique_ptr<LeanClient>> clients;
    for (uint32_t i = 0; i < ClientCount; ++i)
    {
        clients.push_back(std::make_unique<LeanClient>(network, static_cast<uint8_t>(2 + i), limits, config));
        clients.back()->Connect(100 + i, server.GetAddress());
    }
    double time = 0.0;
    const auto tickClients = [&]
    {
        time += static_cast<double>(Vantorel_::StepLength) / 1e9;
        for (auto& client : clients)
            client->Tick(time, server);
    };
    // Up to the match, and two seconds into it so that every player has spawned.
    for (int frame = 0; frame < 60 * 30 && !(server.GetState() == NetworkState::Playing && server.GetFrame() > 120);
         ++frame)
    {
        const NetworkState before = server.GetState();
        Frame(game);
        if (before == NetworkState::Configured && game.GetGameType())
        {
            limits.SetConfiguration(game.configuration);
            limits.SetGameType(*game.GetGameType());
        }
        tickClients();
    }
    if (server.GetState() != NetworkState::Playing || server.GetPlayers().size() != ClientCount * PlayersPerClient)
    {
        state.SkipWithError("the fifteen players did not get into a match");
        return;
    }

    const uint64_t bytesBefore = clients.front()->transport.WireBytes();
    uint64_t frames = 0;
    double measured = 0.0;
    for (auto _ : state)
    {
        const auto start = std::chrono::steady_clock::now();
        Frame(game);
        const double spent = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(spent);
        measured += spent;
        tickClients();
        ++frames;
    }
    const double tick = static_cast<double>(Vantorel_::StepLength) / 1e9;
    const double seconds = static_cast<double>(frames) * tick;
    state.counters["tick_share"] = measured / seconds;
    state.counters["client_bytes_per_second"] =
        static_cast<double>(clients.front()->transport.WireBytes() - bytesBefore) / seconds;
}
BENCHMARK(ServerWithFifteenPlayers)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(600);

} // namespace

} // namespace MatchNetwork
