#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Math.h"
#include "Source/Data/Attributes.h"
#include "Source/Data/GameTypeData.h"
#include "Source/Data/Loadout.h"

#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

class DataRegistry;
class Player;
class Profile;

// One weapon spawn of a map: which weapon, and a spawn time the game mode interprets.
struct WeaponSpawn
{
    bool operator==(const WeaponSpawn&) const = default;

    uint32_t weapon = Loadout::None;
    uint32_t spawnTime = 5;
};

// Which entry of the front end set the current game up; after the match the players go back there.
enum class GameOrigin : uint32_t
{
    // Nobody's menu: the dedicated server's status screen.
    None = 0,
    Matchmaking = 1,
    Challenges = 2,
    CustomGame = 3,
    DemoSinglePlayer = 4,
    DemoMultiplayer = 5,
};

// Where the people of a match take their names from. No message carries a name: in an online match
// every peer names each of them by his player id, the one thing all peers know alike, so that a
// player's own machine calls him what the others do.
enum class PlayerNaming
{
    Profiles,
    Ids,
};

// The general rules of a match.
struct GameSettings
{
    bool operator==(const GameSettings&) const = default;

    Lumvek::Vector2 gravity{0.0f, -10.0f};
    bool friendlyFire = false;
    uint32_t respawnTime = 0;
    uint32_t suicidePenalty = 5;
    uint32_t betrayalPenalty = 5;
};

// What every player of a match has, whoever controls it. Bots have exactly this.
struct Slot
{
    static constexpr uint8_t NoId = 255;

    // The player number in the match, unique over the configuration's three lists.
    uint8_t id = NoId;
    // A TeamColor value; Neutral (4) for no team.
    uint8_t team = 4;
    // The player has left; a removed remote slot is dropped at reset.
    bool removed = false;
    std::string name;
    // A spawn message arrived before the player's world record existed; where it put the player and
    // the flag it carried.
    bool pendingSpawn = false;
    Lumvek::Vector2 spawnPosition;
    bool spawnFlag = false;
    Loadout loadout;
    // The world's record of the player while it exists in a running world. Never owned.
    Player* player = nullptr;
    // Which of the three games the server offers the player votes for (0 to 2).
    uint32_t vote = 1;
};

struct BotSlot : Slot
{
};

// A player owned by another machine.
struct RemotePlayerSlot : Slot
{
    // The network client that owns the player.
    uint32_t clientId = 0;
};

// A player on this machine.
struct PlayerSlot : Slot
{
    // Takes the parts of the profile's active loadout, when the profile has one active.
    explicit PlayerSlot(Profile* profile = nullptr, uint32_t localIndex = 0);

    // Not owned; null only for the slot that stands for a missing player.
    Profile* profile = nullptr;
    // The local player's number on this machine.
    uint32_t localIndex = 0;
};

// The indices of the parts a match needs, each list without repeats.
struct PartIds
{
    std::vector<uint32_t> heads;
    std::vector<uint32_t> cores;
    std::vector<uint32_t> arms;
    std::vector<uint32_t> legs;
};

// The complete set-up of one match: map, theme, game type, teams, the players of this machine and
// of others, bots, the loadout rules, weapon spawns, attribute settings and the rules of the game and
// of its mode. The registry owns one per configuration file; the game system owns the current one,
// which is assigned from them and gains players as they join. Definitions are referred to by their
// registry indices.
class GameConfiguration
{
public:
    static constexpr uint32_t WeaponSpawnCount = 6;

    GameConfiguration() = default;
    GameConfiguration(const GameConfiguration&) = delete;
    // Takes everything, key and registry index included, from a configuration that is going away.
    GameConfiguration(GameConfiguration&&) noexcept = default;
    // Takes the other's set-up: names, map, theme, game type, teams, bots, loadout, weapon spawns,
    // attributes, settings and the registry. The mode's settings are made anew by the game type's
    // definition and take the other's settings; no definition at the game type's index leaves none.
    // The key, the registry index, the origin, the configuration index and the player lists stay.
    GameConfiguration& operator=(const GameConfiguration& other);
    ~GameConfiguration();

    // Reads a configuration file's root object, looking the named definitions up in the registry,
    // which the configuration then keeps. Missing or mistyped members keep their fields; names that
    // match no definition and team numbers outside the team colours keep them too, with a message.
    // True.
    bool Read(Lumvek::BlueprintReader& reader, const DataRegistry& registry);

    // Prepares every slot when the match starts: without teams everybody is neutral, each slot's
    // loadout is resolved against the configuration's, and bots take the lowest ids no player holds
    // (players without an id keep the lowest free ones) and are named "BOT 1", "BOT 2", ... Local
    // players take their profiles' names unless naming is by ids; remote players, and local ones
    // without a profile name, are named by their ids ("PLAYER 1" for id 0). No slot is left nameless.
    void NameBots(std::mt19937& random, PlayerNaming naming = PlayerNaming::Profiles);
    // Replaces a Random theme, starting or secondary weapon and spawned weapon with one of its
    // collection, one draw of random each in that order; an empty or missing collection gives None.
    // Done when the match starts, so every peer and the journal see the pick and not Random.
    void ResolveRandomPicks(std::mt19937& random);
    // Clears what a match left: player records, pending spawns, votes, removed remote players, the
    // loadout rules, spawns, attributes, settings and the mode's settings. Names, map, theme, game
    // type, team count and the slots' ids, teams, names and loadouts stay.
    void Reset();
    // Drops the remote players who left.
    void DropRemovedPlayers();

    // The first live slot with that id of the players, remote players and bots, else the first removed
    // one; without either, a default slot marked removed, valid until the next call.
    Slot& GetPlayer(uint8_t id);
    // The first local player slot with that local index; without one, a default slot valid until the
    // next call.
    PlayerSlot& GetLocalPlayer(uint32_t localIndex);

    // Resolves a slot's loadout under the configuration's rules: a configuration part that is None
    // leaves the slot's, any other replaces it, and a part that is Random then is picked from its
    // collection with one draw of random. Weapons are None: players take them from the configuration.
    static Loadout ResolveLoadout(const Loadout& rules, const Loadout& slot, const DataRegistry* registry,
                                  std::mt19937& random);

    // The part indices of every slot as they stand, None and Random included.
    PartIds CollectPartIds() const;
    // The weapons of every slot (the configuration's where a slot has none), then of the spawns,
    // without None or repeats.
    std::vector<uint32_t> CollectWeaponIds() const;
    // A 0 for each slot of the three lists.
    std::vector<uint32_t> CreateSlotValues() const;

    // The file name under which the registry holds the configuration; set by the registry.
    std::string key;
    std::string name;
    std::string description;
    // Position in its registry collection; set by the registry.
    uint32_t registryIndex = Loadout::None;
    // Of the current set-up only: where it came from and, for a challenge or a demo game, the position
    // of the chosen entry in its collection. Set by the front end; never read from a file, and kept by
    // assignment and by Reset, so that they outlive the match.
    GameOrigin origin = GameOrigin::Matchmaking;
    uint32_t configurationIndex = Loadout::None;
    // Indices in the registry's Maps, Themes and GameTypes collections.
    uint32_t map = 0;
    uint32_t theme = 0;
    uint32_t gameType = 0;
    // 1 is every player for himself.
    uint32_t teamCount = 2;
    std::vector<PlayerSlot> players;
    std::vector<RemotePlayerSlot> remotePlayers;
    std::vector<BotSlot> bots;
    // Imposed on every slot.
    Loadout loadout;
    std::array<WeaponSpawn, WeaponSpawnCount> weapons{};
    Attributes attributes = Attributes::ConfigurationDefaults();
    GameSettings settings;
    // The mode's own settings; null until a game type is read or assigned.
    std::unique_ptr<GameTypeConfiguration> gameTypeSettings;
    // The registry the indices refer to; null until read from one or assigned from one that was.
    const DataRegistry* registry = nullptr;

private:
    void ReadBots(Lumvek::BlueprintReader& reader, const DataRegistry& registry);
    void ReadWeapons(Lumvek::BlueprintReader& reader, const DataRegistry& registry);
    void ReadGameSettings(Lumvek::BlueprintReader& reader);

    Slot missingPlayer;
    PlayerSlot missingLocalPlayer;
};
