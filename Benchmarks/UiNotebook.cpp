// The notebook's tab switch on the recording device, CPU side only: taking down one grid of 18 part
// cards and building the next, reported also as a share of a 1/60 s frame ("FrameShare").

#include "Engine/Foundation/Json.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Engine/Runtime/Gui/Gui.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/PartData.h"
#include "Source/Data/Profile.h"
#include "Source/Ui/Screens/Notebook.h"
#include "Source/Ui/UiResources.h"

#include "Benchmarks/GuiBenchmarkApplication.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

using namespace Lumvek;

namespace
{

void NotebookTabSwitch(benchmark::State& state)
{
    Benchmarks::GuiBenchmarkApplication app("NotebookBenchmark");
    DataRegistry registry(app.GetFileManager());
    Blueprint empty;
    JsonFormat::LoadBlueprint("{}", empty);
    for (uint32_t n = 0; n < Notebook::ShownCards; ++n)
    {
        registry.heads.Add("Head" + std::to_string(n), empty, std::make_unique<HeadData>());
        registry.cores.Add("Core" + std::to_string(n), empty, std::make_unique<CoreData>());
    }
    ProfileCollection profiles;
    Profile& profile = profiles.Add("Bench");
    for (uint32_t n = 0; n < Notebook::ShownCards; n += 2)
        profile.heads.Set("Head" + std::to_string(n), true);
    GameConfiguration configuration;
    configuration.players.emplace_back(&profile, 0);
    FrontEnd frontEnd{profiles, configuration};
    frontEnd.registry = &registry;
    Notebook& notebook = Notebook::Open(*app.gui, frontEnd, nullptr, 0, 0);
    app.Frame();
    app.Frame();
    bool next = true;
    for (auto _ : state)
    {
        if (next)
            notebook.OnNextTab(0);
        else
            notebook.OnPreviousTab(0);
        next = !next;
    }
    // Seconds per switch times 60: the share of one frame a switch takes.
    state.counters["FrameShare"] = benchmark::Counter(double(state.iterations()) / 60.0,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(NotebookTabSwitch);
