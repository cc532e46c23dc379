// The dedicated server's status screen on the recording device, CPU side only: a whole Gui frame of
// the configuring screen, whose list of 15 further players and their votes is rebuilt every frame,
// reported also as a share of a 1/60 s frame ("FrameShare").

#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Engine/Runtime/Gui/Gui.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/Profile.h"
#include "Source/Ui/Screens/Online.h"
#include "Source/Ui/UiResources.h"

#include "Benchmarks/GuiBenchmarkApplication.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace Lumvek;

namespace
{

void ServerStatusFrame(benchmark::State& state)
{
    Benchmarks::GuiBenchmarkApplication app("ServerStatusBenchmark");
    ProfileCollection profiles;
    GameConfiguration configuration;
    for (uint8_t id = 0; id < 15; ++id)
    {
        RemotePlayerSlot& slot = configuration.remotePlayers.emplace_back();
        slot.id = id;
        slot.vote = id % 3;
    }
    FrontEnd frontEnd{profiles, configuration};
    frontEnd.networkStatus = [] { return NetworkStatus{true, false, NetworkState::Voting, 1.0f, 10.0f}; };
    ConnectingScreen::Open(*app.gui, frontEnd, nullptr);
    app.Frame();
    app.Frame();
    app.Frame();
    if (app.gui->GetMenuCount() != 1)
        state.SkipWithError("the configuring screen did not open");
    for (auto _ : state)
        app.Frame();
    // Seconds per frame times 60: the share of one frame the screen takes.
    state.counters["FrameShare"] = benchmark::Counter(double(state.iterations()) / 60.0,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(ServerStatusFrame);
