// The character animation of one rendered frame: Character::UpdateAnimations for sixteen Basic players
// on flat ground, a quarter of them standing, a quarter walking, a quarter running and a quarter
// reloading (the arms then bent by inverse kinematics each frame). The share of a 60 Hz frame it takes
// is printed as a counter.

#include "Engine/Foundation/FileManager.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/Character.h"
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

namespace
{

constexpr float FrameSeconds = 1.0f / 60.0f;
constexpr double FrameMilliseconds = 1000.0 / 60.0;

// Sixteen Basic players in a row on a long strip of ground, their character's animations loaded.
class AnimatedWorld : public GameContext
{
public:
    AnimatedWorld()
        : files(Benchmarks::CheckoutFolder(), Benchmarks::CheckoutFolder(), Benchmarks::CheckoutFolder(),
                Benchmarks::CheckoutFolder())
    {
        files.RegisterFormats();
        registry = &ownRegistry;
        for (DataCollectionBase* collection : std::initializer_list<DataCollectionBase*>{
                 &ownRegistry.maps, &ownRegistry.themes, &ownRegistry.characters, &ownRegistry.heads,
                 &ownRegistry.cores, &ownRegistry.arms, &ownRegistry.legs, &ownRegistry.projectiles,
                 &ownRegistry.weapons})
            collection->Load();
        if (ownRegistry.characters.Count() == 0 || ownRegistry.weapons.Count() == 0 || ownRegistry.maps.Count() == 0)
            return;
        CharacterData& character = ownRegistry.characters.At(0);
        character.LoadAnimations();
        configuration.map = 0;
        configuration.theme = 0;
        headless = true;
        world = std::make_unique<World>(*this, 1);
        MapNames names;
        if (!LoadMapText(*world, names,
                         R"({"WorldBounds": "0 0 80 20", "SpawnPoints": [], "Entities": {"Platforms": [)"
                         R"({"Position": "0 0", "Size": "80 2"}]}, "Backgrounds": []})",
                         "Strip"))
        {
            world.reset();
            return;
        }
        const WeaponData& rifle = ownRegistry.weapons.At(0);
        for (uint32_t i = 0; i < World::PlayerCount; ++i)
        {
            PlayerSlot slot;
            slot.id = static_cast<uint8_t>(i);
            slot.loadout.head = slot.loadout.core = slot.loadout.arms = slot.loadout.legs = 0;
            configuration.players.push_back(slot);
        }
        for (uint32_t i = 0; i < World::PlayerCount; ++i)
        {
            Player* player = CreatePlayerEntity(*world, {static_cast<uint8_t>(i), {}, false});
            if (!player)
                continue;
            player->body.Reset({4.0f + 4.5f * static_cast<float>(i), 2.0f}, i % 2 == 1);
            player->body.active = 1;
            player->health = player->GetEffective(&Attributes::maximumHealth);
            player->weapon = rifle.Create();
            player->weapon->data = &rifle;
            players.push_back(player);
        }
    }

    // Sets each player's states for the frame: standing, walking, running or reloading by quarter.
    void Pose(uint32_t frame)
    {
        for (uint32_t i = 0; i < players.size(); ++i)
        {
            Player& player = *players[i];
            const uint32_t kind = i % 4;
            player.movementState = kind == 1 || kind == 2 ? MovementState::MovingForward : MovementState::Idle;
            player.body.ownSpeed = kind == 1 ? 1.5f : kind == 2 ? 4.0f : 0.0f;
            player.weaponState = kind == 3 ? WeaponState::Reloading : WeaponState::Aiming;
            player.weaponTimer = kind == 3 ? static_cast<int32_t>(80 - frame % 80) : 0;
            player.handState = ItemState::Holding;
        }
    }

    std::unique_ptr<World> world;
    std::vector<Player*> players;

private:
    Lumvek::FileManager files;
    DataRegistry ownRegistry{files};
};

void UpdateAnimationsSixteenPlayers(benchmark::State& state)
{
    AnimatedWorld animated;
    if (!animated.world || animated.players.size() != World::PlayerCount)
    {
        state.SkipWithError("the Basic character could not be set up with sixteen players");
        return;
    }
    uint32_t frame = 0;
    double seconds = 0.0;
    for (auto _ : state)
    {
        animated.Pose(frame++);
        const auto start = std::chrono::steady_clock::now();
        for (Player* player : animated.players)
            Character::UpdateAnimations(*player, FrameSeconds, 0.5f);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const double milliseconds = seconds * 1000.0 / static_cast<double>(state.iterations());
    state.counters["ms"] = milliseconds;
    state.counters["ShareOfFrame%"] = milliseconds / FrameMilliseconds * 100.0;
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(animated.players.size()));
}

} // namespace

BENCHMARK(UpdateAnimationsSixteenPlayers);
