// How fast the game plays a headless local match of the "Default" configuration: the frames of the
// match, one tick each as the headless program runs them, reported as simulated seconds per second.

#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Game/Vantorel.h"
#include "Source/Network/LocalNetwork.h"

#include "Benchmarks/BenchmarkFolders.h"
#include "Benchmarks/GameBenchmarkApplication.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

void Frame(Vantorel_& game)
{
    game.WaitForLoader();
    game.LateUpdate(Vantorel_::StepLength);
    game.Render(Vantorel_::StepLength);
}

// Frames until a local match of the configuration runs.
void BeginMatch(Vantorel_& game, const GameConfiguration& chosen)
{
    game.configuration = chosen;
    game.StartLocalGame()->BeginVoting();
    while (game.GetMatchFlow() != MatchFlow::Running)
        Frame(game);
}

void HeadlessDefaultMatch(benchmark::State& state)
{
    const Benchmarks::ScratchAssets folder("VantorelMatchBenchmark");
    Benchmarks::GameBenchmarkApplication application(folder.root.string());
    auto& game = *static_cast<Vantorel_*>(application.AddSystem(std::make_unique<Vantorel_>(true)));
    game.Setup();
    while (game.load.GetState() != LoadState::StartupLoaded)
        Frame(game);
    const GameConfiguration* chosen = game.registry->configurations.Find("Default");
    if (!chosen)
    {
        state.SkipWithError("the Assets folder has no Default configuration");
        return;
    }
    BeginMatch(game, *chosen);

    uint64_t ticks = 0;
    for (auto _ : state)
    {
        const uint64_t before = game.GetMatchTicks();
        Frame(game);
        ticks += game.GetMatchTicks() - before;
        // A match that ended is played again, outside the measured time.
        if (game.GetMatchFlow() != MatchFlow::Running)
        {
            state.PauseTiming();
            while (game.GetNetwork()->GetState() != NetworkState::Waiting)
                Frame(game);
            BeginMatch(game, *chosen);
            state.ResumeTiming();
        }
    }
    const double simulated = static_cast<double>(ticks) * Vantorel_::StepLength / 1e9;
    state.counters["simulated_seconds_per_second"] = benchmark::Counter(simulated, benchmark::Counter::kIsRate);
}
BENCHMARK(HeadlessDefaultMatch)->Unit(benchmark::kMicrosecond);

} // namespace
