#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Source/Tools/Editors/MapEditor.h"
#include "Source/Tools/Tools.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/World.h"

#include "Benchmarks/ToolsBenchmarkApplication.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace
{

struct HeadlessContext : GameContext
{
    HeadlessContext() { headless = true; }
};

// The map editor's share of a frame on a map of 1,000 platforms (one in ten hidden), seen through the
// tools camera 60 units wide: the pick under the mouse with the hover and handle tests (Update), and
// the overlay of spawn points, hidden platforms, grid and selection handles (DrawWorld). Reports the
// share of a 1/60 s frame and the overlay's quads per frame.
void ToolsMapEditorPickAndOverlay(benchmark::State& state)
{
    HeadlessContext context;
    auto world = std::make_unique<World>(context, 1);
    world->Reset({0.0f, -10.0f});
    world->bounds = {0.0f, 0.0f, 400.0f, 120.0f};
    world->LayOutGrids();
    for (int i = 0; i < 1000; ++i)
    {
        const float x = 2.0f + float(i % 40) * 9.5f;
        const float y = 2.0f + float(i / 40) * 4.5f;
        CreatePlatformEntity(*world, {x, y}, {8.0f, 1.0f}, i % 10 == 0, false, false, false);
    }
    Benchmarks::ToolsBenchmarkApplication app("ToolsEditingBenchmark");
    Tools& tools = *app.tools;
    tools.editedWorld = world.get();
    tools.cameraInUse = true;
    tools.camera = {{200.0f, 60.0f}, {60.0f, 33.75f}, {0.0f, 0.0f, 1920.0f, 1080.0f}, true};
    tools.rendererViews = {tools.camera};
    auto& editor = static_cast<MapEditor&>(*tools.FindEditor("Map"));
    editor.open = 1;
    editor.selected = {EntityKind::Platform, 500};
    Lumvek::KeyboardState keyboard;
    Lumvek::MouseState mouse;
    mouse.position = {960.0f, 540.0f};
    LineRenderer& lines = tools.GetLineRenderer();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
    {
        editor.Update(0, keyboard, mouse);
        lines.Begin(tools.camera);
        editor.DrawWorld(tools.camera, lines);
        benchmark::DoNotOptimize(lines.GetQuadCount());
    }
    state.counters["quads per frame"] = double(lines.GetQuadCount());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["percent of a 1/60 s frame"] = seconds / double(state.iterations()) * 60.0 * 100.0;
    tools.editedWorld = nullptr;
}
BENCHMARK(ToolsMapEditorPickAndOverlay)->Unit(benchmark::kMicrosecond);

} // namespace
