// The bots' cost: a path search over the navigation graph of Crossroads, and a whole tick of a
// free-for-all deathmatch of sixteen bots there, each as a share of the 1/60 s tick, with the shares
// the Box2D step and the path searches take of the tick.

#include "Engine/Foundation/FileManager.h"
#include "Source/Data/Attributes.h"
#include "Source/Data/DataRegistry.h"
#include "Source/GameTypes/GameType.h"
#include "Source/World/BotNavigator.h"
#include "Source/World/GameContext.h"
#include "Source/World/MapFile.h"
#include "Source/World/World.h"

#include "Benchmarks/BenchmarkFolders.h"

#include <benchmark/benchmark.h>
#include <box2d/box2d.h>

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

// What a character of the base attributes can do under the default gravity.
BotMotion BaseMotion()
{
    return BotMotion::Base(-10.0f);
}

// Crossroads with its navigation graph, headless.
class GraphWorld : public GameContext
{
public:
    GraphWorld()
        : files(Benchmarks::CheckoutFolder(), Benchmarks::CheckoutFolder(), Benchmarks::CheckoutFolder(),
                Benchmarks::CheckoutFolder())
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
        navigator.FindPath(motion, start, start.bounds.x, goal, goal.Right(), path);
        benchmark::DoNotOptimize(path.data());
        ++pair;
    }
    state.SetItemsProcessed(state.iterations());
}

// The "Brawl" configuration (sixteen bots, each for himself, on Crossroads) as a local game plays it,
// headless: the world begun, the rules started and the objectives set up.
class Brawl : public GameContext
{
public:
    explicit Brawl(uint32_t seed)
        : files(Benchmarks::CheckoutFolder(), Benchmarks::CheckoutFolder(), Benchmarks::CheckoutFolder(),
                Benchmarks::CheckoutFolder())
    {
        files.RegisterFormats();
        registry = &ownRegistry;
        headless = true;
        ownRegistry.LoadAll();
        const GameConfiguration* brawl = ownRegistry.configurations.Find("Brawl");
        if (!brawl || brawl->bots.size() != World::PlayerCount)
            return;
        configuration = *brawl;
        std::mt19937 names(seed);
        configuration.NameBots(names);
        ownWorld = std::make_unique<World>(*this, seed);
        world = ownWorld.get();
        MapNames mapNames;
        if (!LoadMapData(*ownWorld, mapNames))
            return;
        ownWorld->Begin();
        rules = ownRegistry.gameTypes.At(configuration.gameType).CreateGameType(*this, seed);
        SetGameType(rules.get());
        if (!rules)
            return;
        rules->Start();
        rules->SetupObjectives();
        ready = true;
    }
    ~Brawl() override
    {
        // The rules name the world's players.
        SetGameType(nullptr);
        rules.reset();
        world = nullptr;
        ownWorld.reset();
    }

    void Tick()
    {
        ownWorld->Step(Lumvek::TickSeconds);
        rules->Update(Lumvek::TickSeconds);
    }

    bool ready = false;
    std::unique_ptr<World> ownWorld;
    std::unique_ptr<GameType> rules;

private:
    Lumvek::FileManager files;
    DataRegistry ownRegistry{files};
};

// One tick of the brawl. Printed: the tick's share of the 1/60 s tick, the shares of the Box2D step
// and of the path searches within it, searches per tick and the time of one search.
void BotBrawlSixteenBotsTick(benchmark::State& state)
{
    Brawl brawl(1);
    if (!brawl.ready)
    {
        state.SkipWithError("the Brawl configuration could not be started");
        return;
    }
    // A few seconds of play first, so that the bots are spread over the map and about their business.
    for (int i = 0; i < 300; ++i)
        brawl.Tick();
    BotNavigator& navigator = brawl.ownWorld->navigator;
    navigator.timeSearches = true;
    navigator.searchNanoseconds = 0;
    const uint64_t searchesBefore = navigator.searchCount;
    b2World& physics = *brawl.ownWorld->GetPhysics();
    double seconds = 0.0;
    double physicsMilliseconds = 0.0;
    for (auto _ : state)
    {
        const auto start = std::chrono::steady_clock::now();
        brawl.Tick();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        physicsMilliseconds += physics.GetProfile().step;
    }
    const double ticks = static_cast<double>(state.iterations());
    const double tickMilliseconds = seconds * 1000.0 / ticks;
    const double searches = static_cast<double>(navigator.searchCount - searchesBefore);
    const double searchMilliseconds = static_cast<double>(navigator.searchNanoseconds) / 1e6;
    state.counters["TickShare%"] = tickMilliseconds / TickMilliseconds * 100.0;
    state.counters["Box2DShare%"] = physicsMilliseconds / ticks / TickMilliseconds * 100.0;
    state.counters["SearchShare%"] = searchMilliseconds / ticks / TickMilliseconds * 100.0;
    state.counters["SearchesPerTick"] = searches / ticks;
    state.counters["usPerSearch"] = searches > 0.0 ? searchMilliseconds * 1000.0 / searches : 0.0;
}

} // namespace

BENCHMARK(BotPathSearchCrossroads);
BENCHMARK(BotBrawlSixteenBotsTick);
