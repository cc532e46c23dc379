// What a networked match costs. The bytes one client's connection carries per second, up and down,
// with the 28 bytes of IPv4 and UDP headers each datagram costs on a real wire, for 2 and for 8 players
// in each configuration a shipped server's vote offers (with its bots) and in a deathmatch without
// bots: a server and one game system per player's client in one process over the in-memory network,
// each updated once a tick as the headless programs are, beside the ticks the server steps per second
// of clock. And the share of one core the real program takes on the real clock over 10 s: an idle
// headless server, and a headless client in play (with a server and a second client on the loopback
// address).

#include "Engine/Foundation/File.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Libraries/Net/Socket.h"
#include "Source/Game/Vantorel.h"
#include "Source/Network/ClientNetwork.h"
#include "Source/Network/ServerNetwork.h"
#include "Tests/LoopbackMatches.h"

#include "Benchmarks/BenchmarkFolders.h"
#include "Benchmarks/GameBenchmarkApplication.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{

namespace fs = std::filesystem;
using Benchmarks::CountingTransport;

constexpr double TickSeconds = static_cast<double>(Vantorel_::StepLength) / 1e9;

// A deathmatch on the shipped map that idle players never finish.
constexpr const char* StillMatch = R"({"Name": "Still", "Map": "Crossroads", "Theme": "Meadow",
    "GameType": "Deathmatch", "TeamCount": 2, "Loadout": {"StartingWeapon": "Rifle"},
    "GameTypeSettings": {"PointsToWin": 999}})";

// One program's game system over the scratch folder.
struct Machine
{
    explicit Machine(const std::string& root) : application(root)
    {
        game = static_cast<Vantorel_*>(application.AddSystem(std::make_unique<Vantorel_>(true)));
        game->Setup();
    }
    void Frame()
    {
        game->WaitForLoader();
        game->LateUpdate(Vantorel_::StepLength);
    }

    Benchmarks::GameBenchmarkApplication application;
    Vantorel_* game = nullptr;
};

// The configurations a shipped server's vote offers, with their bots, and the deathmatch without any.
constexpr const char* BandwidthConfigurations[] = {"Default", "Demo", "FlagRun", "Still"};

void ClientBandwidth(benchmark::State& state)
{
    const auto players = static_cast<uint32_t>(state.range(0));
    const char* configuration = BandwidthConfigurations[state.range(1)];
    state.SetLabel(configuration);
    const Benchmarks::ScratchAssets folder("VantorelBandwidthBenchmark");
    folder.Write("Assets/Configurations/Configurations.json", std::string(R"([")") + configuration + R"("])");
    folder.Write("Assets/Configurations/Still.data", StillMatch);

    // The roles go before the transports they send through, and those before their network: the
    // machines are declared last.
    Net::MemoryNetwork network(4096, 2048);
    std::vector<std::unique_ptr<CountingTransport>> transports;
    std::vector<std::unique_ptr<Machine>> machines;
    for (uint32_t i = 0; i <= players; ++i)
    {
        machines.push_back(std::make_unique<Machine>(folder.root.string()));
        transports.push_back(std::make_unique<CountingTransport>(
            network, Net::Address(10, 0, static_cast<uint8_t>(i / 200), static_cast<uint8_t>(1 + i % 200),
                                  static_cast<uint16_t>(40000 + i))));
    }
    for (auto& machine : machines)
        while (machine->game->load.GetState() != LoadState::StartupLoaded)
            machine->Frame();

    ServerSettings serverSettings;
    serverSettings.minimumPlayers = serverSettings.maximumPlayers = players;
    serverSettings.voteDuration = serverSettings.loadDuration = serverSettings.prepareDuration = 0.1f;
    auto serverRole = std::make_unique<ServerNetwork>(*machines[0]->game, serverSettings, 1, transports[0].get());
    const ServerNetwork& server = *serverRole;
    machines[0]->game->SetNetwork(std::move(serverRole), true, false);
    ClientSettings clientSettings;
    clientSettings.matcherIp = "10.0.0.1";
    clientSettings.matcherPort = 40000;
    for (uint32_t i = 1; i <= players; ++i)
    {
        Vantorel_& game = *machines[i]->game;
        game.configuration.players.emplace_back(nullptr, 0);
        game.SetNetwork(std::make_unique<ClientNetwork>(game, clientSettings, 100 + i, transports[i].get()), false,
                        true);
    }
    const auto frame = [&]
    {
        for (auto& machine : machines)
            machine->Frame();
    };
    // Up to the match, and two seconds into it so that every player has spawned.
    for (int i = 0; i < 60 * 30 && !(server.GetState() == NetworkState::Playing && server.GetFrame() > 120); ++i)
        frame();
    if (server.GetState() != NetworkState::Playing || server.GetPlayers().size() != players)
    {
        state.SkipWithError("the players did not get into a match");
        return;
    }

    const CountingTransport& measured = *transports[1];
    const uint64_t upBefore = measured.sentBytes;
    const uint64_t downBefore = measured.receivedBytes;
    const uint32_t framesBefore = server.GetFrame();
    uint64_t frames = 0;
    for (auto _ : state)
    {
        const auto start = std::chrono::steady_clock::now();
        frame();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        ++frames;
    }
    const double seconds = static_cast<double>(frames) * TickSeconds;
    state.counters["client_up_bytes_per_second"] = static_cast<double>(measured.sentBytes - upBefore) / seconds;
    state.counters["client_down_bytes_per_second"] = static_cast<double>(measured.receivedBytes - downBefore) / seconds;
    state.counters["ticks_per_second"] = static_cast<double>(server.GetFrame() - framesBefore) / seconds;
}
BENCHMARK(ClientBandwidth)
    ->ArgsProduct({{2, 8}, {0, 1, 2, 3}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(600);

// The program built beside this benchmark, in a scratch folder of its own, started headless on the real
// clock with its output into <tag>.txt.
class ProgramRun
{
public:
    ProgramRun() : folder("VantorelCpuBenchmark")
    {
        const fs::path built = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "Vantorel";
        std::error_code error;
        fs::copy_file(built, folder.root / "Vantorel", error);
        available = !error;
        folder.Write("Assets/Configurations/Configurations.json", R"(["Still"])");
        folder.Write("Assets/Configurations/Still.data", StillMatch);
        const std::string port = std::to_string(Lumvek::Testing::FreeLoopbackPort());
        const std::string durations = "PrepareDuration = 0.3 EndDuration = 0.3 ";
        folder.Write("Assets/server.config", "{ " + durations + "HostingIp = \"127.0.0.1\" HostingPort = " + port +
                                                 " MinimumPlayers = 2 MaximumPlayers = 2 ConnectionTimeout = 0.3 "
                                                 "VoteDuration = 0.3 LoadDuration = 0.3 }");
        folder.Write("Assets/client.config",
                     "{ " + durations + "MatcherIp = \"127.0.0.1\" MatcherPort = " + port + " }");
    }
    ~ProgramRun()
    {
        for (const pid_t child : children)
        {
            ::kill(child, SIGINT);
            int status = 0;
            waitpid(child, &status, 0);
        }
    }

    bool available = false;

    pid_t Start(const std::string& tag, std::vector<std::string> words)
    {
        words.insert(words.begin(), {(folder.root / "Vantorel").string(), "--headless"});
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        const std::string output = (folder.root / (tag + ".txt")).string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, folder.root.c_str());
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        pid_t child = -1;
        if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            child = -1;
        posix_spawn_file_actions_destroy(&actions);
        if (child > 0)
            children.push_back(child);
        return child;
    }
    // Waits up to a minute for the text in the output of the tag.
    bool WaitFor(const std::string& tag, const std::string& text) const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (std::chrono::steady_clock::now() < deadline)
        {
            if (Lumvek::File::ReadAllText((folder.root / (tag + ".txt")).string()).second.find(text) !=
                std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

private:
    Benchmarks::ScratchAssets folder;
    std::vector<pid_t> children;
};

// Seconds of processor time the process has taken, user and system.
double CpuSeconds(pid_t process)
{
    // Read as a stream: the kernel reports the file's size as 0.
    std::ifstream file("/proc/" + std::to_string(process) + "/stat");
    std::string stat;
    std::getline(file, stat);
    // The fields after the command's name, which is in parentheses and may hold spaces.
    const size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return 0.0;
    unsigned long user = 0;
    unsigned long system = 0;
    if (std::sscanf(stat.c_str() + close + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system) !=
        2)
        return 0.0;
    return static_cast<double>(user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// The share of one core the process takes over ten seconds.
void MeasureCpuShare(benchmark::State& state, pid_t process)
{
    constexpr double Seconds = 10.0;
    for (auto _ : state)
    {
        const double before = CpuSeconds(process);
        std::this_thread::sleep_for(std::chrono::duration<double>(Seconds));
        state.counters["core_share"] = (CpuSeconds(process) - before) / Seconds;
        state.SetIterationTime(Seconds);
    }
}

void IdleServerCpuShare(benchmark::State& state)
{
    ProgramRun run;
    if (!run.available)
        return state.SkipWithError("the program is not built beside the benchmarks");
    const pid_t server = run.Start("server", {"--server"});
    if (server < 0 || !run.WaitFor("server", "listens on port"))
        return state.SkipWithError("the server did not start");
    MeasureCpuShare(state, server);
}
BENCHMARK(IdleServerCpuShare)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

void PlayingClientCpuShare(benchmark::State& state)
{
    ProgramRun run;
    if (!run.available)
        return state.SkipWithError("the program is not built beside the benchmarks");
    const pid_t server = run.Start("server", {"--server"});
    const pid_t client = run.Start("first", {"--client"});
    const pid_t other = run.Start("second", {"--client"});
    if (server < 0 || client < 0 || other < 0 || !run.WaitFor("first", "runs with 0 game screens"))
        return state.SkipWithError("the match did not begin");
    MeasureCpuShare(state, client);
}
BENCHMARK(PlayingClientCpuShare)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
