#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Random.h"
#include "Source/Data/DataRegistry.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/GameContext.h"
#include "Source/World/MapFile.h"
#include "Source/World/World.h"

#include "Benchmarks/BenchmarkFolders.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{

// The larger of the shipped maps loaded into a world, with moving entities scattered over it: visuals
// moved and filed again each tick, as the world does with pickups, projectiles and debris.
class ShippedWorld : public GameContext
{
public:
    static constexpr int MovingEntities = 200;

    ShippedWorld()
        : files(Benchmarks::CheckoutFolder(), Benchmarks::CheckoutFolder(), Benchmarks::CheckoutFolder(),
                Benchmarks::CheckoutFolder())
    {
        files.RegisterFormats();
        registry = &ownRegistry;
        for (DataCollectionBase* collection :
             std::initializer_list<DataCollectionBase*>{&ownRegistry.hazards, &ownRegistry.interactions,
                                                        &ownRegistry.maps, &ownRegistry.themes, &ownRegistry.zones})
            collection->Load();
        float largest = 0.0f;
        for (const auto& map : ownRegistry.maps.GetItems())
        {
            configuration.map = map->index;
            auto candidate = std::make_unique<World>(*this, 1);
            MapNames candidateNames;
            if (!LoadMapData(*candidate, candidateNames))
                continue;
            const float area = candidate->bounds.width * candidate->bounds.height;
            if (area > largest)
            {
                largest = area;
                world = std::move(candidate);
                mapName = map->name;
            }
        }
        if (!world)
            return;
        Lumvek::RandomGenerator random(7);
        const Lumvek::Rectangle& b = world->bounds;
        for (int i = 0; i < MovingEntities; ++i)
            if (Visual* visual = CreateVisualEntity(
                    *world, {random.NextRange(b.x, b.x + b.width), random.NextRange(b.y, b.y + b.height)}, {0.5f, 0.5f},
                    {}, 0.0f, 75.0f, false, false, 1, Lumvek::InvalidId, Lumvek::InvalidId, -1, 0, 1))
                moving.push_back(visual);
    }

    std::unique_ptr<World> world;
    std::string mapName;
    std::vector<Visual*> moving;

private:
    Lumvek::FileManager files;
    DataRegistry ownRegistry{files};
};

ShippedWorld& Shared()
{
    static ShippedWorld shared;
    return shared;
}

// One tick's refiling of every moving entity: out of its grid, a small move, back in.
void GridRemoveAndInsertPerMovingEntity(benchmark::State& state)
{
    ShippedWorld& shipped = Shared();
    if (!shipped.world)
    {
        state.SkipWithError("no shipped map could be loaded");
        return;
    }
    float step = 0.05f;
    for (auto _ : state)
    {
        for (Visual* visual : shipped.moving)
        {
            shipped.world->visualGrid.Remove(*visual);
            visual->body->x += step;
            benchmark::DoNotOptimize(shipped.world->visualGrid.Insert(*visual));
        }
        step = -step;
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(shipped.moving.size()));
    state.SetLabel(shipped.mapName);
}

// The query a moving entity makes of the platforms around it each tick.
void PlatformQueryPerMovingEntity(benchmark::State& state)
{
    ShippedWorld& shipped = Shared();
    if (!shipped.world)
    {
        state.SkipWithError("no shipped map could be loaded");
        return;
    }
    for (auto _ : state)
        for (Visual* visual : shipped.moving)
        {
            const Lumvek::Rectangle b = visual->body->GetBounds();
            benchmark::DoNotOptimize(
                shipped.world->platformGrid.Query({b.x - 1.0f, b.y - 1.0f, b.width + 2.0f, b.height + 2.0f}).count);
        }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(shipped.moving.size()));
    state.SetLabel(shipped.mapName);
}

} // namespace

BENCHMARK(GridRemoveAndInsertPerMovingEntity);
BENCHMARK(PlatformQueryPerMovingEntity);
