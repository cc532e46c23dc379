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

#include <benchmark/benchmark.h>

#include <memory>

using namespace Lumvek;

namespace
{

class StatusApplication : public Application
{
public:
    StatusApplication()
        : Application("ServerStatusBenchmark", "Benchmark", "en-US", ApplicationConfig(), Arguments(),
                      "/tmp/ServerStatusBenchmark", "/tmp/ServerStatusBenchmark/Data",
                      "/tmp/ServerStatusBenchmark/Documents", "/tmp/ServerStatusBenchmark/Temporary")
    {
        graphicsDevice = std::make_unique<RecordingGraphicsDevice>(&GetResources(), 1920, 1080);
        device = static_cast<RecordingGraphicsDevice*>(graphicsDevice.get());
        gui = static_cast<Gui*>(AddSystem(std::make_unique<Gui>()));
        gui->Setup();
        CreateTransitionGeometries(*device);
    }
    void Quit() override {}
    void Frame()
    {
        gui->Update(16'666'666);
        gui->LateUpdate(16'666'666);
        gui->Render(16'666'666);
        device->GetCommands().clear();
        device->Render();
    }

    RecordingGraphicsDevice* device = nullptr;
    Gui* gui = nullptr;

protected:
    void FrameLoop() override {}
};

void ServerStatusFrame(benchmark::State& state)
{
    StatusApplication app;
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
