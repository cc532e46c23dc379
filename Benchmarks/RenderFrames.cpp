// The game renderer's cost. RenderViews: a frame of the demo match on the recording device with 1 and
// with 4 local players' views, as CPU time per view (compare the two: the target is at most 1.15 times
// the single view's) and commands per view, which stay the same whatever the views show.
// RenderThemeObjects: the theme objects' pass of one view, to set against RenderViews/1.
// StreamedIcon: one 128 x 128 icon cell uploaded by the OpenGL device after it was written, against
// the whole 2048 x 2048 atlas going up (the target: the cell's upload under 1/50 of the whole's).
// Runs headless on SDL's offscreen driver on llvmpipe.

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Engine/Runtime/OpenGL/OpenGLGraphicsDevice.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Game/Rendering/GameRenderer.h"
#include "Source/Game/Vantorel.h"
#include "Source/Network/LocalNetwork.h"

#include "Benchmarks/BenchmarkFolders.h"
#include <SDL.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;
using namespace Lumvek;

class DrawingApplication : public Application
{
public:
    explicit DrawingApplication(const std::string& root)
        : Application("Vantorel", "Benchmark", "en-US", ApplicationConfig(), Arguments(), root, root, root, root)
    {
        GetFileManager().RegisterFormats();
        RegisterRuntimeFormats(GetFileManager());
        auto recording = std::make_unique<RecordingGraphicsDevice>(&GetResources());
        device = recording.get();
        graphicsDevice = std::move(recording);
    }
    void Quit() override {}

    RecordingGraphicsDevice* device = nullptr;

protected:
    void FrameLoop() override {}
};

// A windowed game playing the demo match with the given number of local players, run until the match
// is under way with its platforms drawn in.
class DrawnDemo
{
public:
    explicit DrawnDemo(uint32_t localPlayers)
        : application(scratch.root.string()),
          game(static_cast<Vantorel_*>(application.AddSystem(std::make_unique<Vantorel_>(false))))
    {
        game->Setup();
        while (game->load.GetState() != LoadState::StartupLoaded)
            Frame();
        const GameConfiguration* demo = game->registry->configurations.Find("Demo");
        if (!demo)
            demo = game->registry->configurations.Find("Default");
        if (!demo)
            return;
        game->configuration = *demo;
        game->configuration.players.clear();
        for (uint8_t local = 0; local < localPlayers; ++local)
            game->configuration.players.emplace_back(nullptr, local).id = local;
        game->StartLocalGame()->BeginVoting();
        for (int32_t frame = 0; frame < 20000 && game->GetMatchFlow() != MatchFlow::Running; ++frame)
            Frame();
        // A few seconds of play, so that the match has moved.
        for (int32_t frame = 0; frame < 120; ++frame)
            Frame();
    }

    void Frame()
    {
        game->WaitForLoader();
        game->LateUpdate(Vantorel_::StepLength);
        game->Render(Vantorel_::StepLength);
        application.device->Render();
        application.device->ClearCalls();
    }

    GameRenderer* Renderer() const { return game->GetRenderer(); }

    const Benchmarks::ScratchAssets scratch{"VantorelRenderBenchmark"};
    DrawingApplication application;
    Vantorel_* game;
};

void RenderViews(benchmark::State& state)
{
    const uint32_t views = static_cast<uint32_t>(state.range(0));
    DrawnDemo demo(views);
    GameRenderer* renderer = demo.Renderer();
    if (!renderer || renderer->views.size() != views)
    {
        state.SkipWithError("the demo match did not begin with its views");
        return;
    }
    RecordingGraphicsDevice& device = *demo.application.device;
    size_t commands = 0;
    for (auto _ : state)
    {
        device.GetCommands().clear();
        renderer->Render(device, 1.0f, 1.0f / 60.0f);
        commands = device.GetCommands().size();
        benchmark::DoNotOptimize(device.GetCommands().data());
    }
    device.GetCommands().clear();
    state.SetItemsProcessed(int64_t(state.iterations()) * views);
    state.counters["ns_per_view"] =
        benchmark::Counter(double(views), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    // The frame's own commands (the target's set-up and the copy) are 12.
    state.counters["commands_per_view"] = double(commands - 12) / views;
}
BENCHMARK(RenderViews)->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond);

void RenderThemeObjects(benchmark::State& state)
{
    DrawnDemo demo(1);
    GameRenderer* renderer = demo.Renderer();
    if (!renderer || renderer->views.empty())
    {
        state.SkipWithError("the demo match did not begin with its views");
        return;
    }
    for (auto _ : state)
    {
        renderer->backgroundRenderer.BeginFrame();
        renderer->backgroundRenderer.DrawObjects(renderer->themeAtlas, *renderer->views[0]);
        benchmark::DoNotOptimize(renderer->backgroundRenderer.objectCount);
    }
}
BENCHMARK(RenderThemeObjects)->Unit(benchmark::kMicrosecond);

// The OpenGL device on a hidden window with a 2048 x 2048 atlas already uploaded once.
class Atlas
{
public:
    static constexpr uint32_t Side = 2048;
    static constexpr uint32_t Cell = 128;

    Atlas()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            return;
        OpenGL::OpenGLGraphicsDevice::PrepareWindowAttributes();
        window = SDL_CreateWindow("RenderFrames", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window)
            return;
        device = std::make_unique<OpenGL::OpenGLGraphicsDevice>(&table, 1.0f, 1);
        device->SetWindow(window, 64, 64, 1.0f);
        if (!device->MakeReady())
            return;
        texture = device->CreateTexture(NameTableC().Add("RenderFrames.Atlas"), 0);
        if (!texture || !texture->SetSize(Side, Side, TextureFormat::ColorBuffer4x8))
            return;
        texture->FinishChanges();
        Upload();
    }
    ~Atlas()
    {
        device.reset();
        if (window)
            SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    bool Ready() const { return texture != nullptr; }

    // Writes the cell's pixels as an image load does, and marks the area.
    void WriteCell(uint32_t cell, uint8_t value)
    {
        const uint32_t x0 = (cell % (Side / Cell)) * Cell;
        const uint32_t y0 = (cell / (Side / Cell)) % (Side / Cell) * Cell;
        for (uint32_t y = y0; y < y0 + Cell; ++y)
            std::memset(texture->pixels.Data() + (size_t(y) * Side + x0) * 4, value, Cell * 4);
        texture->GrowDirtyRectangle(x0, y0, x0 + Cell, y0 + Cell);
        texture->MarkChanged();
    }

    // The device's upload of what changed, finished on the GPU side too.
    void Upload()
    {
        const auto lock = device->Lock();
        device->UploadChangedResources();
        device->Functions().Finish();
    }

    SDL_Window* window = nullptr;
    ResourceTable table;
    std::unique_ptr<OpenGL::OpenGLGraphicsDevice> device;
    Texture* texture = nullptr;
};

void StreamedIcon(benchmark::State& state)
{
    const bool whole = state.range(0) != 0;
    Atlas atlas;
    if (!atlas.Ready())
    {
        state.SkipWithError("no OpenGL device");
        return;
    }
    uint32_t cell = 0;
    for (auto _ : state)
    {
        atlas.WriteCell(cell, static_cast<uint8_t>(cell));
        if (whole)
            atlas.texture->GrowDirtyRectangle(0, 0, Atlas::Side, Atlas::Side);
        atlas.Upload();
        ++cell;
    }
    state.SetLabel(whole ? "whole atlas" : "one cell");
}
BENCHMARK(StreamedIcon)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
