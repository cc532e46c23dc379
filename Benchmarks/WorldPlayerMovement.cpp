// The players' movement step: sixteen players per tick on a shipped map, and the worst re-simulation a
// client does after a state from the server (four local players over the 99 frames its history holds),
// as a share of the 1/60 s tick.

#include "Engine/Foundation/FileManager.h"
#include "Source/Data/DataRegistry.h"
#include "Source/World/GameContext.h"
#include "Source/World/MapFile.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"

#include "Benchmarks/BenchmarkFolders.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// A namespace of its own: the program compiles its files in batches.
namespace WorldPlayerMovement
{

namespace
{

constexpr float TickMilliseconds = 1000.0f / 60.0f;

// The controls of player i at frame f: running back and forth, jumping, now and then dropping
// through a one-way platform; the same for the same player and frame.
void Script(PlayerInput& input, uint32_t i, uint32_t frame)
{
    const uint32_t t = frame + i * 37;
    input.move = static_cast<int8_t>((t / 80) % 2 ? -127 : 127);
    input.aimX = input.move;
    input[PlayerAction::Jump] = t % 45 < 18;
    input[PlayerAction::FallThrough] = t % 150 > 140;
}

// Crossroads with the given number of local players at its player spawn points, each in one of the
// shipped loadouts.
class PlayerWorld : public GameContext
{
public:
    explicit PlayerWorld(uint32_t count)
        : files(Benchmarks::CheckoutFolder(), Benchmarks::CheckoutFolder(), Benchmarks::CheckoutFolder(),
                Benchmarks::CheckoutFolder())
    {
        files.RegisterFormats();
        registry = &ownRegistry;
        for (DataCollectionBase* collection : std::initializer_list<DataCollectionBase*>{
                 &ownRegistry.hazards, &ownRegistry.interactions, &ownRegistry.maps, &ownRegistry.themes,
                 &ownRegistry.triggers, &ownRegistry.zones, &ownRegistry.characters, &ownRegistry.heads,
                 &ownRegistry.cores, &ownRegistry.arms, &ownRegistry.legs})
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
        for (const SpawnPoint& point : world->GetSpawnPoints())
            if (point.mask.bits & 1u)
                spawns.push_back(point);
        for (uint32_t i = 0; i < count; ++i)
        {
            PlayerSlot slot;
            slot.id = static_cast<uint8_t>(i);
            slot.loadout.head = i % 2 ? ownRegistry.heads.FindIndex("Helmet") : 0;
            slot.loadout.core = i % 3 ? ownRegistry.cores.FindIndex("Breastplate") : 0;
            slot.loadout.arms = 0;
            slot.loadout.legs = 0;
            configuration.players.push_back(slot);
        }
        for (PlayerSlot& slot : configuration.players)
        {
            slot.player = CreatePlayerEntity(*world, {slot.id, {}, false});
            players.push_back(slot.player);
        }
        Place();
    }

    // Every player back at a spawn point, standing.
    void Place()
    {
        for (size_t i = 0; i < players.size(); ++i)
        {
            const SpawnPoint& spawn = spawns[i % spawns.size()];
            players[i]->body.Reset({spawn.x, spawn.y}, spawn.flipped);
            players[i]->body.active = 1;
        }
    }

    std::unique_ptr<World> world;
    std::vector<Player*> players;
    std::vector<SpawnPoint> spawns;

private:
    Lumvek::FileManager files;
    DataRegistry ownRegistry{files};
};

// One tick of movement for sixteen players; a player that fell out of the world starts again at its
// spawn point.
void PlayerMoveSixteenPlayers(benchmark::State& state)
{
    PlayerWorld shipped(World::PlayerCount);
    if (!shipped.world || shipped.players.size() != World::PlayerCount)
    {
        state.SkipWithError("Crossroads could not be loaded with sixteen players");
        return;
    }
    uint32_t frame = 0;
    for (auto _ : state)
    {
        for (uint32_t i = 0; i < shipped.players.size(); ++i)
        {
            Player& player = *shipped.players[i];
            Script(player.input, i, frame);
            player.UpdateAim();
            player.body.Move(Lumvek::TickSeconds);
        }
        if (++frame % 600 == 0)
            shipped.Place();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(shipped.players.size()));
}

// The re-simulation after a state: four local players replayed over 99 frames from their input
// history, the lifts stepping with them. The share of a tick it takes is printed as a counter.
void ResimulateFourPlayersOver99Frames(benchmark::State& state)
{
    PlayerWorld shipped(4);
    if (!shipped.world || shipped.players.size() != 4)
    {
        state.SkipWithError("Crossroads could not be loaded with four players");
        return;
    }
    for (uint32_t frame = 0; frame < World::InputHistoryFrames; ++frame)
        for (uint32_t i = 0; i < shipped.players.size(); ++i)
        {
            Script(shipped.players[i]->input, i, frame);
            shipped.players[i]->input.SaveHistory(frame);
        }
    std::vector<uint16_t> lifts;
    for (const Platform* platform : shipped.world->GetMovingPlatforms())
        lifts.push_back(platform->id);
    double seconds = 0.0;
    for (auto _ : state)
    {
        state.PauseTiming();
        shipped.Place();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        shipped.world->Resimulate(lifts, 1, World::InputHistoryFrames);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const double milliseconds = seconds * 1000.0 / static_cast<double>(state.iterations());
    state.counters["ms"] = milliseconds;
    state.counters["ShareOfTick%"] = milliseconds / TickMilliseconds * 100.0;
    state.SetItemsProcessed(state.iterations() * 4 * (World::InputHistoryFrames - 1));
}

} // namespace

BENCHMARK(PlayerMoveSixteenPlayers);
BENCHMARK(ResimulateFourPlayersOver99Frames);

} // namespace WorldPlayerMovement
