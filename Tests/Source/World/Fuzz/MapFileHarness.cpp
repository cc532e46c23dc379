#include "Tests/Source/World/Fuzz/MapFileHarness.h"

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Json.h"
#include "Source/Data/DataRegistry.h"
#include "Source/World/GameContext.h"
#include "Source/World/MapFile.h"
#include "Source/World/World.h"

#include <cmath>
#include <limits>
#include <memory>

using namespace Lumvek;

namespace
{

void Require(bool invariant)
{
    if (!invariant)
        __builtin_trap();
}

// The definitions the map texts name, made once for the process; nothing is read from disk.
class FuzzGame : public GameContext
{
public:
    FuzzGame() : files("/nonexistent", "/nonexistent", "/nonexistent", "/nonexistent"), ownRegistry(files)
    {
        registry = &ownRegistry;
        configuration.map = Add(ownRegistry.maps, "Fuzz")->index;
        configuration.theme = Add(ownRegistry.themes, "Plain")->index;
        Add(ownRegistry.hazards, "Spikes");
        Add(ownRegistry.zones, "Mud");
        Add(ownRegistry.interactions, "Lever");
    }

private:
    template <class T> T* Add(DataCollection<T>& collection, StringView name)
    {
        Blueprint empty;
        empty.SetObject();
        return collection.Add(name, empty, std::make_unique<T>());
    }

    FileManager files;
    DataRegistry ownRegistry;
};

template <class Records, class Grid> void CheckRegistered(Records&& records, Grid& grid, uint32_t capacity)
{
    Require(records.size() <= capacity);
    const QueryResult found = grid.Query(grid.GetBounds());
    uint32_t registered = 0;
    for (const auto& record : records)
        registered += record.firstNode && record.GetBody().active;
    Require(found.count == registered);
}

void CheckWorld(World& world)
{
    CheckRegistered(world.platforms.View(), world.platformGrid, 1024);
    CheckRegistered(world.hazards.View(), world.hazardGrid, 256);
    CheckRegistered(world.zones.View(), world.zoneGrid, 256);
    CheckRegistered(world.interactions.View(), world.interactionGrid, 48);
    CheckRegistered(world.visuals.View(), world.visualGrid, 256);
    for (Platform* platform : world.GetMovingPlatforms())
    {
        Require(platform->moving && !platform->GetPathedBody()->path.empty());
        Require(std::isfinite(platform->body->x) && std::isfinite(platform->body->y));
    }
}

} // namespace

int FuzzMapFile(const uint8_t* data, size_t size)
{
    if (size > std::numeric_limits<uint32_t>::max())
        return 0;
    static FuzzGame game;
    const StringView text(reinterpret_cast<const char*>(data), static_cast<uint32_t>(size));
    auto world = std::make_unique<World>(game, 1);
    MapNames names;
    const bool whole = LoadMapText(*world, names, text, "Fuzz");
    CheckWorld(*world);
    for (int tick = 0; tick < 3; ++tick)
        world->Step(Lumvek::TickSeconds);
    CheckWorld(*world);

    const std::string saved = SaveMapText(*world, names);
    Blueprint parsed;
    Require(JsonFormat::LoadBlueprint(saved, parsed));
    MapNames again;
    auto reloaded = std::make_unique<World>(game, 1);
    // What was read whole is written so that it reads whole again.
    Require(LoadMapText(*reloaded, again, saved, "Fuzz") || !whole);
    CheckWorld(*reloaded);
    Require(reloaded->platforms.Count() <= world->platforms.Count());
    return 0;
}
