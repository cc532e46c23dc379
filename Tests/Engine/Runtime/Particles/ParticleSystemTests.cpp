#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Tests/Engine/Runtime/Particles/ParticleTestSupport.h"

#include <gmock/gmock.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

namespace Lumvek::Testing
{
namespace
{

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Particles that outlive every test, so that counts are births.
const std::string KeepAll = R"(Initializers [ { Type = "LifetimeSet" Lifetime { Value = 100.0 } } ])";

// The live count after each of steps advances of dt seconds.
std::vector<uint32_t> CountsAfterSteps(ParticleSystem& system, uint32_t steps, float dt = 0.125f)
{
    std::vector<uint32_t> counts;
    for (uint32_t i = 0; i < steps; ++i)
    {
        system.Advance(dt);
        counts.push_back(system.emitters[0]->count);
    }
    return counts;
}

TEST(ParticleGenerators, GeneratorsBirthWhenTheirTimesFallDue)
{
    // The live count after each advance of 1/8 s; particles live 100 s unless the emitter says
    // otherwise (its keys come last and win).
    const std::tuple<std::string, std::string, std::vector<uint32_t>> cases[] = {
        // Births at 0, 0.25, 0.5, 0.75 and 1.0, then never: the next would fall past the duration.
        {R"({ Type = "Stream" TimeBetweenEmissions = 0.25 })", "", {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 5, 5, 5, 5}},
        // Looping: the clock winds back by the duration and births go on.
        {R"({ Type = "Stream" TimeBetweenEmissions = 0.25 })", "Loop = true", {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6}},
        {R"({ Type = "Stream" TimeBetweenEmissions = 0.0001 })", "", {0, 0}},
        // An interval of 0.5 - 0.25 e: births at 0, 15/32 and 27/32 s, after which 1.125 passes 1.
        {R"({ Type = "Interpolate" StartTimeBetweenEmissions = 0.5 EndTimeBetweenEmissions = 0.25 })",
         "",
         {1, 1, 1, 2, 2, 2, 3, 3, 3, 3}},
        // A duration of 0 has no progress to divide by: the start interval holds.
        {R"({ Type = "Interpolate" StartTimeBetweenEmissions = 0.5 })", "Lifetime = 0.0", {1, 1, 1, 1}},
        // Bursts as the clock enters the spans of keys 0 and 1; the last key only closes a span.
        {R"({ Type = "Timeline" Keys [ { Time = 0.0 Value = 2 } { Time = 0.5 Value = 3 } { Time = 1.0 Value = 9 } ] })",
         "",
         {2, 2, 2, 5, 5, 5, 5, 5, 5}},
        {R"({ Type = "Timeline" Keys [ { Time = 0.0 Value = 2 } ] })", "", {0, 0}},
        {R"({ Type = "Burst" Count = 3 })", "", {3, 3, 3}},
        // A count from a file far past the maximum births the maximum and stops at once.
        {R"({ Type = "Burst" Count = 4000000000 })", "MaximumParticles = 10", {10, 10}},
        // A full emitter births again once a particle dies: the first dies at 0.5 s.
        {R"({ Type = "Stream" TimeBetweenEmissions = 0.125 })",
         R"(MaximumParticles = 2 Lifetime = 10.0 Initializers [ { Type = "LifetimeSet" Lifetime { Value = 0.5 } } ])",
         {1, 2, 2, 2, 2, 2}},
    };
    for (const auto& [generator, emitter, counts] : cases)
    {
        auto effect = OneEmitter("Lifetime = 1.0 MaximumParticles = 1000 " + KeepAll + " Generators [ " + generator +
                                 " ] " + emitter);
        ParticleSystem system(effect.get(), 1);
        EXPECT_THAT(CountsAfterSteps(system, static_cast<uint32_t>(counts.size())), ElementsAreArray(counts))
            << generator << " " << emitter;
    }
}

TEST(ParticleGenerators, StreamBirthsAreAgedByTheTimeLeftInTheirAdvanceAndPlacedWhereTheSystemWasThen)
{
    auto effect = OneEmitter(
        R"(Lifetime = 1.0 Loop = true Generators [ { Type = "Stream" TimeBetweenEmissions = 0.25 } ])" + KeepAll);
    ParticleSystem system(effect.get(), 1);
    // Moving, the system left each particle where it was at its birth.
    system.x = 10.0f;
    system.velocityX = 4.0f;
    system.Advance(0.625f);
    const EmitterState& state = *system.emitters[0];
    EXPECT_THAT(Live(state.age, state.count), ElementsAre(0.125f, 0.375f, 0.625f));
    EXPECT_THAT(Live(state.x, state.count), ElementsAre(7.5f, 8.5f, 9.5f));
    // A birth at 1.0 winds the clock back: 1.125 becomes 0.125, with the next birth at 0.25.
    system.Advance(0.5f);
    EXPECT_EQ(std::make_tuple(state.count, state.elapsed, state.next), std::make_tuple(5u, 0.125f, 0.25f));
}

TEST(ParticleGenerators, BurstsFireOncePerResetAndTimelinesOncePerSystem)
{
    // Advances of no time (a paused effect) do not fire a burst again and again.
    auto burst = OneEmitter(R"(Generators [ { Type = "Burst" Count = 4 } ])" + KeepAll);
    ParticleSystem system(burst.get(), 1);
    system.Advance(0.0f);
    system.Advance(0.0f);
    system.Advance(0.1f);
    EXPECT_THAT(Live(system.emitters[0]->age, system.emitters[0]->count), ElementsAre(0.1f, 0.1f, 0.1f, 0.1f));
    system.SyncEmitters();
    EXPECT_THAT(CountsAfterSteps(system, 2), ElementsAre(4, 4));

    // What a timeline fired is remembered per system, not in the effect they share.
    auto timeline = OneEmitter(
        R"(Generators [ { Type = "Timeline" Keys [ { Time = 0.0 Value = 2 } { Time = 1.0 Value = 0 } ] } ])" + KeepAll);
    ParticleSystem first(timeline.get(), 1);
    ParticleSystem second(timeline.get(), 2);
    EXPECT_THAT(CountsAfterSteps(first, 2), ElementsAre(2, 2));
    EXPECT_THAT(CountsAfterSteps(second, 2), ElementsAre(2, 2));
}

TEST(ParticleGenerators, RandomBirthsOnceUnlessTheDrawStaysAtOrBelowTheChance)
{
    for (auto [chance, low, high] : {std::tuple{"100.0", 0u, 0u}, {"0.0", 200u, 200u}, {"5.0", 180u, 200u}})
    {
        auto effect =
            OneEmitter(std::string("MaximumParticles = 1000 Generators [ { Type = \"Random\" ChanceToEmit = ") +
                       chance + " } ] " + KeepAll);
        ParticleSystem system(effect.get(), 3);
        for (int i = 0; i < 200; ++i)
            system.Advance(0.01f);
        EXPECT_GE(system.emitters[0]->count, low) << chance;
        EXPECT_LE(system.emitters[0]->count, high) << chance;
    }
}

TEST(ParticleSystem, NewbornsTakeTheUpdatersValuesAtTheirAgeAndUpdatersCarryThemThroughTheirLives)
{
    auto effect = OneEmitter(R"(Generators [ { Type = "Burst" Count = 1 } ]
        Initializers [ { Type = "VelocitySet" VelocityX { Value = 4.0 } } ]
        Updaters [ { Type = "ColorInterpolate" Red { From = 255 To = 255 } Alpha { From = 255 To = 0 } }
                   { Type = "ScaleInterpolate" Width { From = 1.0 To = 2.0 } Height { From = 1.0 To = 1.0 } }
                   { Type = "PositionMotion" } ])");
    ParticleSystem system(effect.get(), 1);
    const EmitterState& state = *system.emitters[0];
    // Born a quarter through its life of 1 s; motion starts with the next advance.
    const std::tuple<int, int, float, float, float> steps[] = {
        {255, 192, 1.25f, 1.0f, 0.0f}, {255, 128, 1.5f, 1.0f, 1.0f}, {255, 64, 1.75f, 1.0f, 2.0f}};
    for (const auto& step : steps)
    {
        system.Advance(0.25f);
        ASSERT_EQ(state.count, 1u);
        EXPECT_EQ(std::make_tuple(int(state.red[0]), int(state.alpha[0]), state.scaleX[0], state.scaleY[0], state.x[0]),
                  step);
    }
    system.Advance(0.25f);
    EXPECT_EQ(state.count, 0u);
}

TEST(ParticleSystem, EmittingFlagsStopBirthsAndLetTheEffectFinish)
{
    auto effect = ParseEffect(R"({ Emitters [
        { Loop = true Generators [ { Type = "Stream" TimeBetweenEmissions = 0.25 } ] }
        { Lifetime = 0.5 Generators [ { Type = "Stream" TimeBetweenEmissions = 0.125 } ] } ] })");
    ParticleSystem system(effect.get(), 1);
    // The second emitter's last birth is at 0.5 s and lives 1 s; the first stops emitting at once.
    system.emitters[0]->emitting = 0;
    std::vector<bool> finished;
    for (int i = 0; i < 12; ++i)
    {
        system.Advance(0.125f);
        finished.push_back(system.IsFinished());
    }
    EXPECT_EQ(system.emitters[0]->count, 0u);
    EXPECT_THAT(finished,
                ElementsAre(false, false, false, false, false, false, false, false, false, false, false, true));

    // A looping emitter never finishes while it emits; clearing the system's flag lets it die out.
    system.SyncEmitters();
    system.emitters[0]->emitting = 1;
    for (int i = 0; i < 40; ++i)
        system.Advance(0.125f);
    EXPECT_FALSE(system.IsFinished());
    system.emitting = 0;
    system.Advance(0.5f);
    EXPECT_FALSE(system.IsFinished());
    system.Advance(0.5f);
    EXPECT_TRUE(system.IsFinished());
}

TEST(ParticleSystem, SyncKeepsStatesAndFlagsAndSizesArraysByTheMaximumUpToTheLargestCapacity)
{
    auto effect = ParseEffect(R"({ Emitters [ { MaximumParticles = 5 } { MaximumParticles = 7 } ] })");
    ParticleSystem system(effect.get(), 1);
    EmitterState* first = system.emitters[0].get();
    EXPECT_EQ(std::make_tuple(first->capacity, first->x.size(), first->alpha.size()), std::make_tuple(5u, 5u, 5u));
    first->emitting = 0;
    system.Emit(*first, 0.0f);

    effect->emitters.pop_back();
    effect->emitters[0]->maximumParticles = 3;
    system.SyncEmitters();
    ASSERT_EQ(system.emitters.size(), 1u);
    EXPECT_EQ(system.emitters[0].get(), first);
    EXPECT_EQ(std::make_tuple(first->emitting, first->count, first->capacity, first->lifetime.size()),
              std::make_tuple(0, 0u, 3u, 3u));

    // A maximum from a file that would need gigabytes is held to the largest capacity.
    auto greedy = OneEmitter("MaximumParticles = 4000000000");
    EXPECT_EQ(ParticleSystem(greedy.get(), 1).emitters[0]->capacity, ParticleSystem::MaximumCapacity);
}

TEST(ParticleSystem, ABrokenClockNeitherHangsNorMakesParticlesImmortal)
{
    auto effect = OneEmitter(R"(MaximumParticles = 50 Lifetime = 1.0 Loop = true
        Generators [ { Type = "Stream" TimeBetweenEmissions = 0.001 } ])");
    ParticleSystem system(effect.get(), 1);
    EmitterState& state = *system.emitters[0];
    system.Advance(0.0015f);
    const std::vector<float> ages = Live(state.age, state.count);
    ASSERT_EQ(ages.size(), 2u);
    // NaN, infinite and negative times count as no time, whether given or made by the time scale.
    for (float dt : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), -1.0f})
        system.Advance(dt);
    system.timeScale = std::numeric_limits<float>::quiet_NaN();
    system.Advance(0.1f);
    EXPECT_EQ(Live(state.age, state.count), ages);

    // A frame of days: the backlog of births is dropped and the clock lands inside the duration.
    system.timeScale = 1.0f;
    system.Advance(1.0e6f);
    EXPECT_TRUE(state.elapsed >= 0.0f && state.elapsed < 1.0f) << state.elapsed;

    // A clock so large that the interval no longer moves it stops the stream.
    state.elapsed = 1.0e8f;
    state.next = 5.0e7f;
    effect->emitters[0]->loop = false;
    effect->emitters[0]->duration = 1.0e30f;
    system.Advance(0.0f);
    EXPECT_EQ(std::make_tuple(state.next, state.count), std::make_tuple(FLT_MAX, 1u));

    // Particles with a NaN lifetime die at once.
    state.lifetime[0] = std::numeric_limits<float>::quiet_NaN();
    system.Advance(0.0f);
    EXPECT_EQ(state.count, 0u);
}

TEST(ParticleSystem, AReloadedEffectRebuildsTheStatesOfSystemsRunningIt)
{
    auto effect = OneEmitter(R"(Generators [ { Type = "Burst" Count = 5 } ])");
    ParticleSystem system(effect.get(), 1);
    system.Advance(0.1f);
    // A hot reload replaces the emitters the states point into.
    LteFormat format(nullptr, TypeIndex<EffectData>(), "lte");
    format.Load("Test.lte", R"({ Emitters [ { MaximumParticles = 2 Generators [ { Type = "Burst" } ] } {} ] })",
                *effect);
    EXPECT_FALSE(system.IsFinished());
    system.Advance(0.1f);
    ASSERT_EQ(system.emitters.size(), 2u);
    EXPECT_EQ(system.emitters[0]->data, effect->emitters[0].get());
    EXPECT_EQ(system.emitters[0]->count, 2u);
}

// The parts of one instance record.
struct Record
{
    float transform[16];
    UvRectangle uv;
    uint8_t color[4];
    float depth;
};
static_assert(sizeof(Record) == ParticleSystem::RecordSize);

std::vector<Record> Records(const Geometry& geometry, ParticleInstances instances)
{
    std::vector<Record> records(instances.count);
    std::memcpy(records.data(), geometry.data.Data() + instances.first * sizeof(Record),
                instances.count * sizeof(Record));
    return records;
}

TEST(ParticleSystem, RenderWritesOneRecordPerParticleWithTheTransformRegionColourAndDepth)
{
    const uint32_t spark = NameTableA().Add("ParticleSystemTests.Spark");
    const uint32_t missing = NameTableA().Add("ParticleSystemTests.Missing");
    Texture texture;
    ASSERT_TRUE(texture.SetSize(16, 8, TextureFormat::ColorBuffer4x8));
    texture.AddRegion(InvalidId, 0, 0)->SetSize(16, 8);
    texture.AddRegion(spark, 4, 2)->SetSize(8, 4);
    auto effect = ParseEffect(R"({ Emitters [
        { Texture = "ParticleSystemTests.Spark" ParticleSize = "1.5 1.0" }
        { LinkParticles = true }
        { Texture = "ParticleSystemTests.Missing" } ] })");
    ASSERT_EQ(effect->emitters[2]->imageIndex, static_cast<int32_t>(missing));
    ParticleSystem system(effect.get(), 1);
    system.x = 1.0f;
    system.y = 2.0f;
    system.width = 4.0f;
    system.height = 2.0f;
    system.rotation = 1.5707964f;

    EmitterState& world = *system.emitters[0];
    system.Emit(world, 0.0f);
    world.x[0] = 3.0f;
    world.y[0] = 4.0f;
    world.angle[0] = -270.0f;
    world.scaleX[0] = 2.0f;
    world.red[0] = 10;
    world.green[0] = 20;
    world.blue[0] = 30;
    world.alpha[0] = 40;
    // A local particle at (0.5, 0.5) of the half size sits at (1, 0.5) from the system, turned by it.
    EmitterState& local = *system.emitters[1];
    system.Emit(local, 0.0f);
    local.x[0] = 0.5f;
    local.y[0] = 0.5f;
    system.Emit(*system.emitters[2], 0.0f);

    Geometry instances;
    instances.dataType = GeometryDataType::InstanceData;
    instances.used = 100;
    const ParticleInstances drawn = system.Render(texture, 0.75f, instances);
    EXPECT_EQ(std::make_tuple(drawn.first, drawn.count), std::make_tuple(2u, 3u));
    EXPECT_EQ(instances.used, 5u * ParticleSystem::RecordSize);
    const std::vector<Record> records = Records(instances, drawn);

    // A 3 by 1 quad turned a quarter (-270 degrees), centred on (3, 4).
    const float expected[16] = {0, 3, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 3.5f, 2.5f, 0, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(records[0].transform[i], expected[i], 1e-5f) << i;
    EXPECT_EQ(std::make_tuple(records[0].uv.x, records[0].uv.y, records[0].uv.width, records[0].uv.height),
              std::make_tuple(0.25f, 0.25f, 0.5f, 0.5f));
    EXPECT_THAT(records[0].color, ElementsAre(10, 20, 30, 40));
    EXPECT_EQ(records[0].depth, 0.75f);

    // Local: (1, 0.5) turned a quarter is (-0.5, 1); the quad turns with the system.
    EXPECT_NEAR(records[1].transform[12], 1.0f - 0.5f + 0.5f, 1e-5f);
    EXPECT_NEAR(records[1].transform[13], 2.0f + 1.0f - 0.5f, 1e-5f);
    EXPECT_NEAR(records[1].transform[1], 1.0f, 1e-5f);
    EXPECT_EQ(std::make_tuple(records[1].uv.width, records[1].uv.height), std::make_tuple(1.0f, 1.0f));
    // An image the texture has no region for is drawn with the whole texture.
    EXPECT_EQ(std::make_tuple(records[2].uv.x, records[2].uv.y, records[2].uv.width, records[2].uv.height),
              std::make_tuple(0.0f, 0.0f, 1.0f, 1.0f));

    // Nothing alive, nothing allocated.
    ParticleSystem empty(effect.get(), 1);
    EXPECT_EQ(empty.Render(texture, 0.0f, instances).count, 0u);
    EXPECT_EQ(instances.used, 5u * ParticleSystem::RecordSize);
}

} // namespace
} // namespace Lumvek::Testing
