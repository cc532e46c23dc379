#pragma once

#include "Engine/Foundation/FileManager.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/ItemData.h"
#include "Source/Data/WeaponData.h"
#include "Source/GameTypes/GameType.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/GameContext.h"
#include "Source/World/HitInfo.h"
#include "Source/World/Item.h"
#include "Source/World/MapFile.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace WeaponTesting
{

// One sound the game was asked to play.
struct PlayedSound
{
    uint32_t sound;
    Lumvek::Vector2 position;
    float volume;
};

// One hit a player took.
struct RecordedHit
{
    Player* player;
    HitInfo hit;
};

// The rules of every mode with a record of each hit. Returned items go to a random point of the
// keepaway tokens, as a mode with items puts them back.
class RecordingRules final : public GameType
{
public:
    explicit RecordingRules(GameContext& context, uint32_t seed = 1) : GameType(context, seed) {}

    float GetProgress(int32_t) const override { return 0.0f; }
    void OnPlayerDamaged(Player& player, const HitInfo& hit) override { hits.push_back({&player, hit}); }
    void ReturnItem(std::unique_ptr<Item>& item) override
    {
        if (!context.world)
            return;
        SpawnMask mask;
        mask.Parse("Race|Objective|FreeForAll");
        SpawnQuery query = context.world->QuerySpawnPoints(mask);
        CreatePickupEntity(*context.world, query.TakeRandom(random), 0.0f, {}, true, item, -1);
    }

    std::vector<RecordedHit> hits;
};

// An item any player may take, as the keepaway token is.
class TestToken final : public Item
{
};

// An item players of its own team may not take, as a team's flag is.
class TestFlag final : public Item
{
public:
    bool CanPickUp(const Player& player) const override { return player.team != team; }

    uint8_t team = 0;
};

// A match over every shipped definition, read from the checkout's Assets folder without writing to
// it, with rules that record the hits. It keeps the sounds it is asked to play.
class Match : public GameContext
{
public:
    Match()
        : files(Lumvek::Testing::SourceFolder(), Lumvek::Testing::SourceFolder(), Lumvek::Testing::SourceFolder(),
                Lumvek::Testing::SourceFolder()),
          ownRegistry(files)
    {
        files.RegisterFormats();
        ownRegistry.LoadAll();
        registry = &ownRegistry;
        configuration.theme = 0;
        configuration.teamCount = 2;
    }
    ~Match() override
    {
        // The world's entities reach into the rules while they go.
        ownWorld.reset();
        rules.reset();
    }

    void EmitSound(uint32_t sound, Lumvek::Vector2 position, Lumvek::Vector2, float volume) override
    {
        sounds.push_back({sound, position, volume});
    }

    size_t CountSounds(uint32_t sound) const
    {
        size_t count = 0;
        for (const PlayedSound& played : sounds)
            count += played.sound == sound;
        return count;
    }

    // The world of the shipped map of that name, with the recording rules.
    World& LoadShipped(Lumvek::StringView map, uint32_t seed = 1)
    {
        configuration.map = ownRegistry.maps.FindIndex(map);
        Open(seed);
        EXPECT_TRUE(LoadMapData(*world, names)) << map.ToStdView();
        return *world;
    }

    // The world of the map text, over the first shipped map's definition.
    World& LoadText(Lumvek::StringView text, uint32_t seed = 1)
    {
        configuration.map = 0;
        Open(seed);
        EXPECT_TRUE(LoadMapText(*world, names, text, "Test")) << text.ToStdView();
        return *world;
    }

    // A player of a new local slot standing at the position, active with full health and the basic
    // parts, holding nothing.
    Player& AddPlayer(Lumvek::Vector2 position, uint8_t team = 0, bool facingLeft = false)
    {
        PlayerSlot slot;
        slot.id = static_cast<uint8_t>(configuration.players.size());
        slot.team = team;
        slot.loadout.head = ownRegistry.heads.FindIndex("BasicHead");
        slot.loadout.core = ownRegistry.cores.FindIndex("BasicCore");
        slot.loadout.arms = ownRegistry.arms.FindIndex("BasicArms");
        slot.loadout.legs = ownRegistry.legs.FindIndex("BasicLegs");
        configuration.players.push_back(slot);
        Player* player = CreatePlayerEntity(*world, {slot.id, position, facingLeft});
        EXPECT_NE(player, nullptr);
        configuration.players.back().player = player;
        player->body.Reset(position, facingLeft);
        player->body.active = 1;
        player->health = player->GetEffective(&Attributes::maximumHealth);
        player->aimDirection = facingLeft ? Lumvek::Vector2(-1.0f, 0.0f) : Lumvek::Vector2(1.0f, 0.0f);
        player->input.aimX = facingLeft ? -PlayerInput::AxisRange : PlayerInput::AxisRange;
        return *player;
    }

    const WeaponData& Definition(Lumvek::StringView name) const
    {
        const WeaponData* definition = ownRegistry.weapons.Find(name);
        EXPECT_NE(definition, nullptr) << name.ToStdView();
        return *definition;
    }

    // A weapon of the definition with that much ammunition.
    static std::unique_ptr<Weapon> MakeWeapon(const WeaponData& definition, uint32_t clip, uint32_t reserve)
    {
        std::unique_ptr<Weapon> weapon = definition.Create();
        weapon->data = &definition;
        weapon->clip = clip;
        weapon->reserve = reserve;
        return weapon;
    }

    // Puts the weapon into the player's hand as a pick-up ends, aiming.
    static Weapon& Arm(Player& player, std::unique_ptr<Weapon> weapon)
    {
        Weapon& armed = *weapon;
        weapon->OnPickedUp(player);
        player.EquipWeapon(std::move(weapon), false);
        player.weaponState = WeaponState::Aiming;
        return armed;
    }

    // An item of the shipped definition of that name.
    template <class Kind = TestToken> std::unique_ptr<Kind> MakeItem(Lumvek::StringView name) const
    {
        auto item = std::make_unique<Kind>();
        item->data = ownRegistry.items.Find(name);
        EXPECT_NE(item->data, nullptr) << name.ToStdView();
        return item;
    }

    // A weapon pickup lying at the position.
    Pickup* LayDown(std::unique_ptr<Weapon> weapon, Lumvek::Vector2 position, int32_t lifetime = -1)
    {
        const SpawnPoint point{position.x, position.y, 0.0f, 0.0f, 0.0f, false, SpawnMask()};
        return CreateWeaponPickupEntity(*world, point, 0.0f, {}, false, weapon, lifetime, 0);
    }

    // The projectiles alive in the world.
    std::vector<Projectile*> LiveProjectiles() const
    {
        std::vector<Projectile*> live;
        for (const std::unique_ptr<Projectile>& projectile : world->projectiles.View())
            if (projectile && projectile->body->active)
                live.push_back(projectile.get());
        return live;
    }

    // Runs the world's and the rules' tick n times.
    void Step(uint32_t n = 1)
    {
        for (uint32_t i = 0; i < n; ++i)
        {
            world->Step(Lumvek::TickSeconds);
            if (GetGameType())
                GetGameType()->Update(Lumvek::TickSeconds);
        }
    }

    Lumvek::FileManager files;
    DataRegistry ownRegistry;
    MapNames names;
    std::unique_ptr<World> ownWorld;
    std::unique_ptr<GameType> rules;
    std::vector<PlayedSound> sounds;

    RecordingRules& Rules() { return static_cast<RecordingRules&>(*rules); }

private:
    void Open(uint32_t seed)
    {
        SetGameType(nullptr);
        rules.reset();
        ownWorld = std::make_unique<World>(*this, seed);
        world = ownWorld.get();
        rules = std::make_unique<RecordingRules>(*this, seed);
        SetGameType(rules.get());
    }
};

// A map of the given platform elements (a JSON array's contents) over bounds 0 0 40 20, with a token
// point in the middle.
inline std::string PlatformMapWithSpawn(const std::string& platforms, const std::string& bounds = "0 0 40 20")
{
    return R"({"WorldBounds": ")" + bounds +
           R"(", "SpawnPoints": [{"Position": "20 10", "Size": "1 1", "Mask": "Objective|Race|Keepaway|FreeForAll"}],
           "Entities": {"Platforms": [)" +
           platforms + R"(]}, "Backgrounds": []})";
}

// That map with a ground platform 40 long and 2 high along its bottom.
inline const std::string GroundMap = PlatformMapWithSpawn(R"({"Name": "Ground", "Position": "0 0", "Size": "40 2"})");

} // namespace WeaponTesting
