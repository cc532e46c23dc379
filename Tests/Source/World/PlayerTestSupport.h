#pragma once

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Json.h"
#include "Source/Data/DataRegistry.h"
#include "Source/World/GameContext.h"
#include "Source/World/MapFile.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace PlayerTesting
{

// One sound the game was asked to play.
struct PlayedSound
{
    uint32_t sound;
    Lumvek::Vector2 position;
    float volume;
};

// A game over the shipped definitions a match of players needs (maps, theme, map elements, the
// character and every part), read from the checkout's Assets folder without writing to it. It keeps
// the sounds it is asked to play.
class PlayerGame : public GameContext
{
public:
    PlayerGame()
        : files(Lumvek::Testing::SourceFolder(), Lumvek::Testing::SourceFolder(), Lumvek::Testing::SourceFolder(),
                Lumvek::Testing::SourceFolder()),
          ownRegistry(files)
    {
        files.RegisterFormats();
        for (DataCollectionBase* collection : std::initializer_list<DataCollectionBase*>{
                 &ownRegistry.hazards, &ownRegistry.interactions, &ownRegistry.maps, &ownRegistry.themes,
                 &ownRegistry.triggers, &ownRegistry.zones, &ownRegistry.characters, &ownRegistry.heads,
                 &ownRegistry.cores, &ownRegistry.arms, &ownRegistry.legs})
            collection->Load();
        registry = &ownRegistry;
        configuration.theme = 0;
    }

    void EmitSound(uint32_t sound, Lumvek::Vector2 position, Lumvek::Vector2, float volume) override
    {
        sounds.push_back({sound, position, volume});
    }

    // How often the sound was played.
    size_t CountSounds(uint32_t sound) const
    {
        size_t count = 0;
        for (const PlayedSound& played : sounds)
            count += played.sound == sound;
        return count;
    }

    // A world holding the shipped map of that name.
    std::unique_ptr<World> LoadShipped(Lumvek::StringView map, uint32_t seed = 1)
    {
        configuration.map = ownRegistry.maps.FindIndex(map);
        auto world = std::make_unique<World>(*this, seed);
        EXPECT_TRUE(LoadMapData(*world, names)) << map.ToStdView();
        return world;
    }

    // A world holding the map of that text, over the first shipped map's definition.
    std::unique_ptr<World> LoadText(Lumvek::StringView text, uint32_t seed = 1)
    {
        configuration.map = 0;
        auto world = std::make_unique<World>(*this, seed);
        EXPECT_TRUE(LoadMapText(*world, names, text, "Test")) << text.ToStdView();
        return world;
    }

    // The loadout of part names (empty for the basic part of its kind).
    Loadout MakeLoadout(Lumvek::StringView head = "BasicHead", Lumvek::StringView core = "BasicCore",
                        Lumvek::StringView arms = "BasicArms", Lumvek::StringView legs = "BasicLegs") const
    {
        Loadout loadout;
        loadout.head = ownRegistry.heads.FindIndex(head);
        loadout.core = ownRegistry.cores.FindIndex(core);
        loadout.arms = ownRegistry.arms.FindIndex(arms);
        loadout.legs = ownRegistry.legs.FindIndex(legs);
        return loadout;
    }

    // A player of a new local slot with the loadout, standing at the position as a spawn would place it:
    // active, facing the way given, with full health.
    Player& AddPlayer(World& world, Lumvek::Vector2 position, const Loadout& loadout, bool facingLeft = false)
    {
        PlayerSlot slot;
        slot.id = static_cast<uint8_t>(configuration.players.size());
        slot.team = 0;
        slot.loadout = loadout;
        configuration.players.push_back(slot);
        Player* player = CreatePlayerEntity(world, {slot.id, position, facingLeft});
        EXPECT_NE(player, nullptr);
        configuration.players.back().player = player;
        player->body.Reset(position, facingLeft);
        player->body.active = 1;
        player->health = player->GetEffective(&Attributes::maximumHealth);
        return *player;
    }

    Lumvek::FileManager files;
    DataRegistry ownRegistry;
    MapNames names;
    std::vector<PlayedSound> sounds;
};

// A map of the given platform elements (a JSON array's contents) over bounds 0 0 40 20.
inline std::string PlatformMap(const std::string& platforms, const std::string& bounds = "0 0 40 20")
{
    return R"({"WorldBounds": ")" + bounds + R"(", "SpawnPoints": [], "Entities": {"Platforms": [)" + platforms +
           R"(]}, "Backgrounds": []})";
}

// Runs the world's tick n times.
inline void Step(World& world, uint32_t n = 1)
{
    for (uint32_t i = 0; i < n; ++i)
        world.Step(Lumvek::TickSeconds);
}

} // namespace PlayerTesting
