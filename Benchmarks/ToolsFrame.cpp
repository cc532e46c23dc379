#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Source/Data/Attributes.h"
#include "Source/Tools/Inspectors/AttributesInspector.h"
#include "Source/Tools/Tools.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

// An application that only hosts the tools on a recording device; its thread never runs.
class BenchmarkApplication : public Lumvek::Application
{
public:
    BenchmarkApplication()
        : Application("ToolsBenchmark", "Benchmark", "en-US", Lumvek::ApplicationConfig(), Lumvek::Arguments(),
                      "/tmp/ToolsBenchmark", "/tmp/ToolsBenchmark/Data", "/tmp/ToolsBenchmark/Documents",
                      "/tmp/ToolsBenchmark/Temporary")
    {
        graphicsDevice = std::make_unique<Lumvek::RecordingGraphicsDevice>(&GetResources(), 1920, 1080);
        tools = static_cast<Tools*>(AddSystem(std::make_unique<Tools>()));
        tools->Setup();
        tools->Load(nullptr);
    }
    void Quit() override {}

    Tools* tools = nullptr;

protected:
    void FrameLoop() override {}
};

// A tools frame with open attribute windows of 22 rows each: the whole ImGui frame, the copy of its
// draw lists into the renderer's buffers and the device commands. Reports the time per window and the
// ImGui vertex and index bytes copied per frame.
void ToolsFrameWithWindows(benchmark::State& state)
{
    BenchmarkApplication app;
    const auto windows = static_cast<int>(state.range(0));
    std::vector<Attributes> sets(size_t(windows), Attributes::Modifiers());
    for (int i = 0; i < windows; ++i)
        app.tools->OpenWindow("Modifiers",
                              std::make_unique<AttributesInspector>(&sets[size_t(i)], &sets[size_t(i)], nullptr));
    auto& device = static_cast<Lumvek::RecordingGraphicsDevice&>(*app.GetGraphicsDevice());
    // Windows place and size themselves over the first frames.
    for (int i = 0; i < 3; ++i)
    {
        device.GetCommands().clear();
        app.tools->Frame(1.0f / 60.0f);
    }
    for (auto _ : state)
    {
        device.GetCommands().clear();
        app.tools->Frame(1.0f / 60.0f);
        benchmark::DoNotOptimize(device.GetCommands().data());
    }
    state.counters["windows"] = windows;
    state.counters["time per window"] = benchmark::Counter(double(state.iterations()) * windows,
                                                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["copied bytes per frame"] = double(app.tools->GetImGuiRenderer().GetCopiedBytes());
}
BENCHMARK(ToolsFrameWithWindows)->Arg(20)->Unit(benchmark::kMicrosecond);

} // namespace
