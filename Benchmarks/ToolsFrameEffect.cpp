#include "Engine/Foundation/NameSet.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Engine/Runtime/OpenAL/OpenALAudioDevice.h"
#include "Engine/Runtime/Particles/LteFormat.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Tools/Inspectors/EffectDataInspector.h"
#include "Source/Tools/Inspectors/EmitterControl.h"
#include "Source/Tools/Tools.h"
#include "Source/World/Entities.h"
#include "Source/World/GameContext.h"
#include "Source/World/World.h"

#include "Benchmarks/ToolsBenchmarkApplication.h"

#include <benchmark/benchmark.h>

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

namespace
{

constexpr uint32_t Particles = 1000;

// One burst of particles that outlive the run, with a rule of every kind of row the emitter window
// shows: numbers, colours and curve buttons.
const std::string EffectText = "{ Emitters [ { MaximumParticles = " + std::to_string(Particles) + R"lon(
    Generators [ { Type = "Burst" Count = )lon" +
                               std::to_string(Particles) +
                               R"lon( } ]
    Initializers [ { Type = "LifetimeSet" Lifetime { Value = 1000000.0 } }
                   { Type = "PositionCircle" }
                   { Type = "VelocityDirection" Speed { From = 1.0 To = 3.0 } Angle { From = 0.0 To = 360.0 } }
                   { Type = "ColorRandom" Red { From = 200 To = 255 } Alpha { From = 255 To = 255 } } ]
    Updaters [ { Type = "PositionMotion" }
               { Type = "AngleMotion" }
               { Type = "ColorInterpolate" Red { From = 255 To = 255 } Alpha { From = 255 To = 0 } }
               { Type = "ScaleTimeline" Width [ { Time = 0.0 Value = 1.0 } { Time = 1.0 Value = 2.0 } ] } ] } ] })lon";

// Opens the collapsing headers, each under a scope of its own name inside the outer scope, of the
// window whose title begins with the name.
void OpenHeaders(const std::string& name, const char* outer, std::initializer_list<const char*> headers)
{
    for (ImGuiWindow* window : GImGui->Windows)
        if (std::string(window->Name).starts_with(name + "###"))
            for (const char* header : headers)
            {
                ImGuiID scope = ImHashStr("Window", 0, window->ID);
                if (outer)
                    scope = ImHashStr(outer, 0, scope);
                scope = ImHashStr(header, 0, scope);
                window->StateStorage.SetInt(ImHashStr(header, 0, scope), 1);
            }
}

// An effect window, every panel open, with its emitter's window, over a preview of 1,000 live
// particles: the tools frame that draws both (their Update and panels, the ImGui frame and its copy
// to the device) against one advance of the preview's particle system, which the frame does not run.
// Reports both times and their ratio.
void ToolsFrameEffectWindow(benchmark::State& state)
{
    Benchmarks::ToolsBenchmarkApplication app("ToolsEffectBenchmark",
                                              Benchmarks::ToolsBenchmarkApplication::Audio::Loopback);
    auto* audio = static_cast<Lumvek::OpenAL::OpenALAudioDevice*>(app.GetAudioDevice());
    if (!audio->IsOpen())
    {
        state.SkipWithError("OpenAL's loopback output did not open");
        return;
    }
    DataRegistry registry(app.GetFileManager(), audio);
    GameContext context;
    context.registry = &registry;
    auto world = std::make_unique<World>(context, 1);
    world->Reset({0.0f, -10.0f});
    world->bounds = {0.0f, 0.0f, 100.0f, 60.0f};
    world->LayOutGrids();
    app.tools->editedWorld = world.get();
    // The host forgets the world before it goes, whichever way the benchmark ends.
    struct Forget
    {
        Tools* tools;
        ~Forget() { tools->editedWorld = nullptr; }
    } forget{app.tools};

    const uint32_t id = Lumvek::NameTableB().Add(Lumvek::StringView("ToolsEffectBenchmark.Sparks"));
    auto* effect = app.GetResources().Create<Lumvek::Effects::EffectData>(id);
    Lumvek::LteFormat format(nullptr, Lumvek::TypeIndex<Lumvek::Effects::EffectData>(), "lte");
    format.Load("Sparks.lte", EffectText, *effect);
    auto inspector = std::make_unique<EffectDataInspector>(*effect);
    EffectDataInspector& window = *inspector;
    if (!window.CreatePreview(*world, 50.0f, 30.0f) || !window.FindPreview()->effect)
    {
        state.SkipWithError("the world made no preview");
        return;
    }
    Lumvek::Effects::ParticleSystem& system = *window.FindPreview()->effect;
    app.tools->OpenWindow("Sparks", std::move(inspector));
    auto& device = static_cast<Lumvek::RecordingGraphicsDevice&>(*app.GetGraphicsDevice());
    auto frame = [&]
    {
        device.GetCommands().clear();
        app.tools->Frame(1.0f / 60.0f);
    };
    frame();
    window.OpenEmitter(0, " Emitter");
    frame();
    OpenHeaders("Sparks", "World Running", {"Visual", "Playback", "Emitters"});
    OpenHeaders(" Emitter", nullptr, {"Generators", "Initializers", "Updaters"});
    // Windows place and size themselves over the first frames; the burst fills the system.
    for (int i = 0; i < 3; ++i)
    {
        system.Advance(1.0f / 60.0f);
        frame();
    }
    if (system.emitters[0]->count != Particles)
    {
        state.SkipWithError("the burst did not fill the preview");
        return;
    }

    using Clock = std::chrono::steady_clock;
    constexpr int Advances = 500;
    const auto advanceStart = Clock::now();
    for (int i = 0; i < Advances; ++i)
        system.Advance(1.0f / 60.0f);
    const double advance = std::chrono::duration<double>(Clock::now() - advanceStart).count() / Advances;

    const auto start = Clock::now();
    for (auto _ : state)
    {
        frame();
        benchmark::DoNotOptimize(device.GetCommands().data());
    }
    const double windowFrame =
        std::chrono::duration<double>(Clock::now() - start).count() / double(std::max<int64_t>(state.iterations(), 1));
    state.counters["advance_us"] = advance * 1e6;
    state.counters["frame_per_advance"] = advance > 0.0 ? windowFrame / advance : 0.0;
}
BENCHMARK(ToolsFrameEffectWindow)->Unit(benchmark::kMicrosecond);

} // namespace
