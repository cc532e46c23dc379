// The bots' cost: a path search over the navigation graph of Crossroads, and a whole tick of a
// free-for-all deathmatch of sixteen bots there, each as a share of the 1/60 s tick, with the shares
// the Box2D step and the path searches take of the tick.

#include "Engine/Foundation/FileManager.h"
#include "Source/Data/Attributes.h"
#include "Source/Data/DataRegistry.h"
#include "Source/World/BotNavigator.h"
#include "Source/World/GameContext.h"
#include "Source/World/MapFile.h"
#include "Source/World/World.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{

constexpr double TickMilliseconds = 1000.0 / 60.0;

// The checkout's root: the program runs from a build folder inside it.
std::string ApplicationFolder()
{
    const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    const size_t build = program.find("/build/");
    return build == std::string::npos ? std::filesystem::path(program).parent_path().string()
                                      : program.substr(0, build);
}

// What a character of the base attributes can do under the default gravity.
BotMotion BaseMotion()
{
    const Attributes base;
    BotMotion motion;
    motion.speed = std::max(base.maximumForwardSpeed, base.maximumBackwardSpeed);
    motion.maneuverability = base.maneuverability;
    motion.agility = base.agility;
    motion.hops = base.hops;
    motion.hangAmount = base.hangAmount;
    motion.hangTicks = static_cast<int32_t>(std::lround(base.hangTime * 60.0f));
    motion.fall = -10.0f * base.weight;
    return motion;
}

// Crossroads with its navigation graph, headless.
class GraphWorld : public GameContext
{
public:
    GraphWorld() : files(ApplicationFolder(), ApplicationFolder(), ApplicationFolder(), ApplicationFolder())
    {
        files.RegisterFormats();
        registry = &ownRegistry;
        for (DataCollectionBase* collection : std::initializer_list<DataCollectionBase*>{
                 &ownRegistry.hazards, &ownRegistry.interactions, &ownRegistry.maps, &ownRegistry.themes,
                 &ownRegistry.triggers, &ownRegistry.zones})
            collection->Load();
        configuration.map = ownRegistry.maps.FindIndex("Crossroads");
        configuration.bots.resize(1);
        headless = true;
        world = std::make_unique<World>(*this, 1);
        MapNames names;
        if (!LoadMapData(*world, names))
            world.reset();
    }

    std::unique_ptr<World> world;

private:
    Lumvek::FileManager files;
    DataRegistry ownRegistry{files};
};

// One search from every node of the graph to every other, in turn.
void BotPathSearchCrossroads(benchmark::State& state)
{
    GraphWorld shipped;
    if (!shipped.world || shipped.world->navigator.GetNodes().empty())
    {
        state.SkipWithError("Crossroads could not be loaded with its graph");
        return;
    }
    BotNavigator& navigator = shipped.world->navigator;
    const auto nodes = navigator.GetNodes();
    const BotMotion motion = BaseMotion();
    std::vector<Waypoint*> path;
    path.reserve(256);
    size_t pair = 0;
    for (auto _ : state)
    {
        const NavNode& start = *nodes[pair % nodes.size()];
        const NavNode& goal = *nodes[(pair / nodes.size()) % nodes.size()];
        navigator.FindPath(motion, start, goal, path);
        benchmark::DoNotOptimize(path.data());
        ++pair;
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BotPathSearchCrossroads);
