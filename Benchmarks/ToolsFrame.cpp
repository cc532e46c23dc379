#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Source/Data/Attributes.h"
#include "Source/Tools/Inspectors/AttributesInspector.h"
#include "Source/Tools/Tools.h"

#include "Benchmarks/ToolsBenchmarkApplication.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

// A tools frame with open attribute windows of 22 rows each: the whole ImGui frame, the copy of its
// draw lists into the renderer's buffers and the device commands. Reports the time per window and the
// ImGui vertex and index bytes copied per frame.
void ToolsFrameWithWindows(benchmark::State& state)
{
    Benchmarks::ToolsBenchmarkApplication app("ToolsBenchmark");
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
