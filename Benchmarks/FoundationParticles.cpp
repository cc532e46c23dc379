#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Particles/LteFormat.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

using namespace Lumvek;
using namespace Lumvek::Effects;

namespace
{

constexpr uint32_t Particles = 100000;

// One burst of particles that outlive the run, moved, turned, faded and grown every frame: the work
// of a busy effect.
std::unique_ptr<EffectData> MakeEffect()
{
    const std::string text = "{ Emitters [ { MaximumParticles = " + std::to_string(Particles) + R"lon(
        Generators [ { Type = "Burst" Count = )lon" +
                             std::to_string(Particles) + R"lon( } ]
        Initializers [ { Type = "LifetimeSet" Lifetime { Value = 1000000.0 } }
                       { Type = "PositionCircle" }
                       { Type = "VelocityDirection" Speed { From = 1.0 To = 3.0 } Angle { From = 0.0 To = 360.0 } }
                       { Type = "RotationRandom" Rotation { From = -90.0 To = 90.0 } } ]
        Updaters [ { Type = "PositionMotion" }
                   { Type = "AngleMotion" }
                   { Type = "ColorInterpolate" Red { From = 255 To = 255 } Alpha { From = 255 To = 0 } }
                   { Type = "ScaleInterpolate" Width { From = 1.0 To = 2.0 } Height { From = 1.0 To = 2.0 } } ] } ] })lon";
    auto effect = std::make_unique<EffectData>();
    LteFormat format(nullptr, TypeIndex<EffectData>(), "lte");
    format.Load("Benchmark.lte", text, *effect);
    return effect;
}

void ReportPerParticle(benchmark::State& state)
{
    // Particles per second, inverted: the time one particle takes, shown with its unit prefix.
    state.counters["per_particle"] = benchmark::Counter(
        double(Particles), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void ParticleAdvance(benchmark::State& state)
{
    auto effect = MakeEffect();
    ParticleSystem system(effect.get(), 1);
    system.Advance(1.0f / 60.0f);
    if (system.emitters[0]->count != Particles)
        state.SkipWithError("the burst did not fill the emitter");
    for (auto _ : state)
        system.Advance(1.0f / 60.0f);
    ReportPerParticle(state);
}

void ParticleAdvanceAndRender(benchmark::State& state)
{
    auto effect = MakeEffect();
    ParticleSystem system(effect.get(), 1);
    system.Advance(1.0f / 60.0f);
    Texture texture;
    Geometry instances;
    instances.dataType = GeometryDataType::InstanceData;
    for (auto _ : state)
    {
        system.Advance(1.0f / 60.0f);
        // The renderer refills its instance buffer from the start every frame.
        instances.used = 0;
        benchmark::DoNotOptimize(system.Render(texture, 0.5f, instances));
    }
    ReportPerParticle(state);
}

} // namespace

BENCHMARK(ParticleAdvance)->Unit(benchmark::kMicrosecond);
BENCHMARK(ParticleAdvanceAndRender)->Unit(benchmark::kMicrosecond);
