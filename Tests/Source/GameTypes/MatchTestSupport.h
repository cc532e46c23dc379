#pragma once

#include "Engine/Foundation/FileManager.h"
#include "Engine/Runtime/Input/Input.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/GameTypeData.h"
#include "Source/GameTypes/Deathmatch.h"
#include "Source/GameTypes/GameType.h"
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

namespace MatchTesting
{

struct PlayedSound
{
    uint32_t sound;
    Lumvek::Vector2 position;
};

// Pads that only remember the vibrations they were told.
class RecordingControllers final : public Lumvek::ControllerDevice
{
public:
    struct Set
    {
        float highFrequency;
        float lowFrequency;
        uint32_t pad;
    };

    uint32_t Update(Lumvek::ControllerStates&, uint32_t cursor) override { return cursor; }
    void SetVibration(float highFrequency, float lowFrequency, uint32_t pad) override
    {
        sets.push_back({highFrequency, lowFrequency, pad});
    }

    std::vector<Set> sets;
};

// A match over the shipped definitions, read from the checkout's Assets folder without writing to it:
// a configuration the test fills with players, the world of a shipped map or of map text, and the
// rules of the configuration's mode. It keeps the sounds it is asked to play.
class Match : public GameContext
{
public:
    explicit Match(bool runHeadless = false)
        : files(Lumvek::Testing::SourceFolder(), Lumvek::Testing::SourceFolder(), Lumvek::Testing::SourceFolder(),
                Lumvek::Testing::SourceFolder()),
          ownRegistry(files)
    {
        files.RegisterFormats();
        // Projectiles before the weapons, which find theirs by name.
        for (DataCollectionBase* collection : std::initializer_list<DataCollectionBase*>{
                 &ownRegistry.hazards, &ownRegistry.interactions, &ownRegistry.maps, &ownRegistry.themes,
                 &ownRegistry.triggers, &ownRegistry.zones, &ownRegistry.gameTypes, &ownRegistry.characters,
                 &ownRegistry.heads, &ownRegistry.cores, &ownRegistry.arms, &ownRegistry.legs, &ownRegistry.items,
                 &ownRegistry.projectiles, &ownRegistry.weapons})
            collection->Load();
        registry = &ownRegistry;
        headless = runHeadless;
        controllers = &pads;
        configuration.registry = &ownRegistry;
        configuration.theme = 0;
        configuration.teamCount = 2;
        configuration.gameType = ownRegistry.gameTypes.FindIndex("Deathmatch");
        configuration.gameTypeSettings = ownRegistry.gameTypes.At(configuration.gameType).CreateConfiguration();
    }

    ~Match() override
    {
        // The rules go before the world whose players they name.
        SetGameType(nullptr);
        rules.reset();
        world = nullptr;
        ownWorld.reset();
    }

    void EmitSound(uint32_t sound, Lumvek::Vector2 position, Lumvek::Vector2, float) override
    {
        sounds.push_back({sound, position});
    }

    // Plays the mode of that name, with its default settings.
    void UseMode(Lumvek::StringView mode)
    {
        configuration.gameType = ownRegistry.gameTypes.FindIndex(mode);
        configuration.gameTypeSettings = ownRegistry.gameTypes.At(configuration.gameType).CreateConfiguration();
    }

    template <class Settings> Settings& SettingsOf()
    {
        return dynamic_cast<Settings&>(*configuration.gameTypeSettings);
    }

    template <class Rules> Rules& RulesOf() { return dynamic_cast<Rules&>(*rules); }

    DeathmatchConfiguration& Settings()
    {
        return dynamic_cast<DeathmatchConfiguration&>(*configuration.gameTypeSettings);
    }

    Loadout BasicLoadout() const
    {
        Loadout loadout;
        loadout.head = ownRegistry.heads.FindIndex("BasicHead");
        loadout.core = ownRegistry.cores.FindIndex("BasicCore");
        loadout.arms = ownRegistry.arms.FindIndex("BasicArms");
        loadout.legs = ownRegistry.legs.FindIndex("BasicLegs");
        return loadout;
    }

    // A player of this machine, shown on the screen of its local index.
    PlayerSlot& AddLocal(uint8_t id, uint8_t team, uint32_t localIndex, std::string name = {})
    {
        PlayerSlot slot(nullptr, localIndex);
        slot.id = id;
        slot.team = team;
        slot.name = std::move(name);
        slot.loadout = BasicLoadout();
        configuration.players.push_back(std::move(slot));
        return configuration.players.back();
    }

    BotSlot& AddBot(uint8_t id, uint8_t team, std::string name = {})
    {
        BotSlot slot;
        slot.id = id;
        slot.team = team;
        slot.name = std::move(name);
        slot.loadout = BasicLoadout();
        configuration.bots.push_back(std::move(slot));
        return configuration.bots.back();
    }

    // Loads the shipped map into a new world and makes the players of the slots.
    World& Load(Lumvek::StringView map, uint32_t seed = 1)
    {
        configuration.map = ownRegistry.maps.FindIndex(map);
        ownWorld = std::make_unique<World>(*this, seed);
        world = ownWorld.get();
        EXPECT_TRUE(LoadMapData(*world, names)) << map.ToStdView();
        world->Begin();
        return *world;
    }

    // The same with a map of the text, over the first shipped map's definition.
    World& LoadText(const std::string& text, uint32_t seed = 1)
    {
        configuration.map = 0;
        ownWorld = std::make_unique<World>(*this, seed);
        world = ownWorld.get();
        EXPECT_TRUE(LoadMapText(*world, names, text, "Test")) << text;
        world->Begin();
        return *world;
    }

    // The rules of the configuration's mode.
    GameType& CreateRules(uint32_t seed = 1)
    {
        rules = ownRegistry.gameTypes.At(configuration.gameType).CreateGameType(*this, seed);
        EXPECT_NE(rules, nullptr);
        SetGameType(rules.get());
        return *rules;
    }

    Deathmatch& Rules() { return dynamic_cast<Deathmatch&>(*rules); }

    // What a local game does when play begins: players placed, spawning in, weapons laid out.
    void Begin()
    {
        rules->Start();
        rules->SetupObjectives();
    }

    // A local game's tick.
    void Tick(uint32_t count = 1)
    {
        for (uint32_t i = 0; i < count; ++i)
        {
            world->Step(Lumvek::TickSeconds);
            rules->Update(Lumvek::TickSeconds);
        }
    }

    Player& PlayerOf(uint8_t id) { return world->players.at(id); }

    // The player standing at the position as a finished spawn-in leaves it: active, at full health.
    Player& Place(uint8_t id, Lumvek::Vector2 position)
    {
        Player& player = PlayerOf(id);
        player.body.Reset(position, false);
        player.body.active = 1;
        player.health = player.GetEffective(&Attributes::maximumHealth);
        player.UpdateStates();
        return player;
    }

    size_t CountSounds(uint32_t sound) const
    {
        size_t count = 0;
        for (const PlayedSound& played : sounds)
            count += played.sound == sound;
        return count;
    }

    Lumvek::FileManager files;
    DataRegistry ownRegistry;
    MapNames names;
    RecordingControllers pads;
    std::vector<PlayedSound> sounds;
    std::unique_ptr<World> ownWorld;
    std::unique_ptr<GameType> rules;
};

// How many bones of the tree show a sprite.
inline size_t CountSprites(const Bone& bone)
{
    size_t count = bone.region != Lumvek::InvalidId ? 1 : 0;
    for (const Bone& child : bone.children)
        count += CountSprites(child);
    return count;
}

// A map of bounds 0 0 40 20 with the spawn points and platform elements given as JSON array contents.
inline std::string MapText(const std::string& spawnPoints, const std::string& platforms = {})
{
    return R"({"WorldBounds": "0 0 40 20", "SpawnPoints": [)" + spawnPoints + R"(], "Entities": {"Platforms": [)" +
           platforms + R"(]}, "Backgrounds": []})";
}

} // namespace MatchTesting
