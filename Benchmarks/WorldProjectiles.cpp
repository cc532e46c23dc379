// Projectiles in one tick of a match on a shipped map with sixteen players standing about: 1,000
// bullets swept against the players, platforms and interactions, and 64 grenades bouncing in Box2D,
// each printed as a share of the 1/60 s tick and per projectile. (The world holds at most 1,024
// projectiles, so the two are measured apart.)

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Random.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/GameContext.h"
#include "Source/World/MapFile.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"

#include "Benchmarks/BenchmarkFolders.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

// A namespace of its own: the program compiles its files in batches.
namespace WorldProjectiles
{

namespace
{

constexpr double TickMilliseconds = 1000.0 / 60.0;
constexpr uint32_t BulletCount = 1000;
constexpr uint32_t GrenadeCount = 64;

// Crossroads on a dedicated server (no visuals), with sixteen players at its spawn points and a
// weapon definition of each projectile kind that lives long and does not explode.
class ShootingWorld : public GameContext
{
public:
    ShootingWorld()
        : files(Benchmarks::CheckoutFolder(), Benchmarks::CheckoutFolder(), Benchmarks::CheckoutFolder(),
                Benchmarks::CheckoutFolder())
    {
        files.RegisterFormats();
        registry = &ownRegistry;
        for (DataCollectionBase* collection : std::initializer_list<DataCollectionBase*>{
                 &ownRegistry.hazards, &ownRegistry.interactions, &ownRegistry.maps, &ownRegistry.themes,
                 &ownRegistry.triggers, &ownRegistry.zones, &ownRegistry.characters, &ownRegistry.heads,
                 &ownRegistry.cores, &ownRegistry.arms, &ownRegistry.legs, &ownRegistry.projectiles})
            collection->Load();
        configuration.map = ownRegistry.maps.FindIndex("Crossroads");
        configuration.theme = 0;
        headless = true;
        world = std::make_unique<World>(*this, 1);
        MapNames names;
        if (!LoadMapData(*world, names))
        {
            world.reset();
            return;
        }
        uint8_t index = 0;
        for (const SpawnPoint& point : world->GetSpawnPoints())
        {
            if (!(point.mask.bits & 1u) || index == World::PlayerCount)
                continue;
            PlayerSlot slot;
            slot.id = index++;
            slot.loadout.head = slot.loadout.core = slot.loadout.arms = slot.loadout.legs = 0;
            configuration.players.push_back(slot);
            if (Player* player = CreatePlayerEntity(*world, {slot.id, {point.x, point.y}, point.flipped}))
            {
                player->body.Reset({point.x, point.y}, point.flipped);
                player->body.active = 1;
            }
        }
        for (WeaponData* definition : {&rifle, &launcher})
        {
            definition->lifetime.ticks = 1000000;
            definition->bounceLifetime.ticks = 1000000;
        }
        rifle.projectile = ownRegistry.projectiles.Find("Bullet");
        rifle.speed = 40.0f;
        launcher.projectile = ownRegistry.projectiles.Find("Grenade");
        launcher.speed = 14.0f;
    }

    // Fills the world up to count projectiles of the definition, from random points of the open air
    // in random directions.
    void Fill(const WeaponData& definition, uint32_t count)
    {
        const Lumvek::Rectangle& b = world->bounds;
        while (world->projectiles.Count() < count)
        {
            const SpawnPoint from{random.NextRange(b.x + 1.0f, b.x + b.width - 1.0f),
                                  random.NextRange(b.y + 2.5f, b.y + b.height - 1.0f),
                                  0.0f,
                                  0.0f,
                                  0.0f,
                                  false,
                                  SpawnMask()};
            if (!CreateProjectileEntity(*world, random.NextRange(0.0f, 6.2831855f), definition.speed, from, definition,
                                        nullptr))
                return;
        }
    }

    Lumvek::FileManager files;
    DataRegistry ownRegistry{files};
    std::unique_ptr<World> world;
    WeaponData rifle;
    WeaponData launcher;
    Lumvek::RandomGenerator random{7};
};

// One tick of the world with count projectiles of the definition in flight; those that ended are
// replaced between the timed ticks.
void StepProjectiles(benchmark::State& state, bool grenades)
{
    ShootingWorld shooting;
    if (!shooting.world || !shooting.rifle.projectile || !shooting.launcher.projectile)
    {
        state.SkipWithError("Crossroads and its projectiles could not be loaded");
        return;
    }
    const WeaponData& definition = grenades ? shooting.launcher : shooting.rifle;
    const uint32_t count = grenades ? GrenadeCount : BulletCount;
    // The tick without projectiles (the players standing about), taken off to give the projectiles'
    // own share.
    constexpr int BaselineTicks = 200;
    const auto baselineStart = std::chrono::steady_clock::now();
    for (int tick = 0; tick < BaselineTicks; ++tick)
        shooting.world->Step(Lumvek::TickSeconds);
    const double baseline = std::chrono::duration<double>(std::chrono::steady_clock::now() - baselineStart).count() *
                            1000.0 / BaselineTicks;
    double seconds = 0.0;
    for (auto _ : state)
    {
        state.PauseTiming();
        shooting.Fill(definition, count);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        shooting.world->Step(Lumvek::TickSeconds);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const double milliseconds = seconds * 1000.0 / static_cast<double>(state.iterations());
    const double projectiles = std::max(milliseconds - baseline, 0.0);
    state.counters["TickMs"] = milliseconds;
    state.counters["ProjectilesMs"] = projectiles;
    state.counters["ShareOfTick%"] = projectiles / TickMilliseconds * 100.0;
    state.counters["us/projectile"] = projectiles * 1000.0 / count;
    state.SetItemsProcessed(state.iterations() * count);
}

void SweepThousandBullets(benchmark::State& state)
{
    StepProjectiles(state, false);
}

void StepSixtyFourGrenadesInBox2D(benchmark::State& state)
{
    StepProjectiles(state, true);
}

} // namespace

BENCHMARK(SweepThousandBullets);
BENCHMARK(StepSixtyFourGrenadesInBox2D);

} // namespace WorldProjectiles
