#include "Source/Data/GameConfiguration.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/Pattern.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/NameTables.h"
#include "Source/Data/Profile.h"

#include <algorithm>
#include <array>

using namespace Lumvek;

namespace
{

constexpr uint8_t NoTeam = static_cast<uint8_t>(TeamColor::Neutral);

void AppendUnlessPresent(std::vector<uint32_t>& list, uint32_t value)
{
    if (std::find(list.begin(), list.end(), value) == list.end())
        list.push_back(value);
}

// Calls visit on every slot of the three lists, players first, then remote players, then bots.
template <class Configuration, class Visit> void ForEachSlot(Configuration& configuration, Visit visit)
{
    for (auto& slot : configuration.players)
        visit(slot);
    for (auto& slot : configuration.remotePlayers)
        visit(slot);
    for (auto& slot : configuration.bots)
        visit(slot);
}

// Counted from 1, as bots are. A slot without an id has no player in the world to show the name on.
std::string NameById(uint8_t id)
{
    return id < Slot::NoId ? FormatText("PLAYER {}", id + 1) : std::string("PLAYER");
}

void ClearMatchState(Slot& slot)
{
    slot.pendingSpawn = false;
    slot.player = nullptr;
    slot.vote = 1;
}

} // namespace

PlayerSlot::PlayerSlot(Profile* profile, uint32_t localIndex) : profile(profile), localIndex(localIndex)
{
    if (!profile || profile->activeLoadout >= Profile::LoadoutCount)
        return;
    const ProfileLoadout& active = profile->loadouts[profile->activeLoadout];
    loadout.head = active.head;
    loadout.core = active.core;
    loadout.arms = active.arms;
    loadout.legs = active.legs;
}

GameConfiguration::~GameConfiguration() = default;

GameConfiguration& GameConfiguration::operator=(const GameConfiguration& other)
{
    // The mode's settings are rebuilt from the source's, which assigning to itself would discard.
    if (this == &other)
        return *this;
    name = other.name;
    description = other.description;
    map = other.map;
    theme = other.theme;
    gameType = other.gameType;
    teamCount = other.teamCount;
    bots = other.bots;
    loadout = other.loadout;
    weapons = other.weapons;
    attributes = other.attributes;
    settings = other.settings;
    registry = other.registry;

    const GameTypeData* definition = registry ? registry->gameTypes.Get(gameType) : nullptr;
    gameTypeSettings = definition ? definition->CreateConfiguration() : nullptr;
    if (gameTypeSettings && other.gameTypeSettings)
        gameTypeSettings->Copy(*other.gameTypeSettings);
    return *this;
}

bool GameConfiguration::Read(BlueprintReader& reader, const DataRegistry& registry)
{
    this->registry = &registry;
    ReadMember(reader, "Name", name);
    ReadMember(reader, "Description", description);
    std::string mapName;
    std::string themeName;
    std::string gameTypeName;
    ReadMember(reader, "Map", mapName);
    ReadMember(reader, "Theme", themeName);
    ReadMember(reader, "GameType", gameTypeName);

    // Team numbers pick entries of the team colour table, which has no colours past four teams. They
    // are checked as written, before they are cut to their fields' widths.
    uint64_t count = 0;
    if (ReadMember(reader, "TeamCount", count))
    {
        if (count >= 1 && count <= MaximumTeamCount)
            teamCount = static_cast<uint32_t>(count);
        else
            Log::Write("ignored the TeamCount {} of {}: a game has 1 to {} teams", count, key, MaximumTeamCount);
    }

    ReadBots(reader, registry);
    if (reader.GetMember("Loadout"))
    {
        if (reader.GetCurrent().GetType() == BlueprintType::Object)
            loadout.Read(reader, registry);
        reader.Pop();
    }
    ReadWeapons(reader, registry);
    ReadMember(reader, "Attributes", attributes);
    ReadGameSettings(reader);

    // An empty or missing name is named as a misspelt one is: the first definition would play in its
    // place, and a maker could not tell which map the configuration meant.
    if (mapName.empty())
        reader.Refuse("Map", "a configuration names its map; none is given");
    else
        FindDefinitionIndex(registry, "Maps", mapName, map, reader, "Map");
    if (themeName.empty())
        reader.Refuse("Theme", "a configuration names its theme; none is given");
    else
        FindDefinitionIndex(registry, "Themes", themeName, theme, reader, "Theme");
    if (!gameTypeName.empty())
    {
        const GameTypeData* definition = registry.gameTypes.Find(gameTypeName);
        if (!definition)
        {
            reader.Refuse("GameType", FormatText("no definition is named {} in {}", gameTypeName,
                                                 registry.gameTypes.GetFolder()));
            return true;
        }
        gameType = definition->index;
        gameTypeSettings = definition->CreateConfiguration();
        if (reader.GetMember("GameTypeSettings"))
        {
            gameTypeSettings->Read(reader);
            reader.Pop();
        }
    }
    return true;
}

void GameConfiguration::ReadBots(BlueprintReader& reader, const DataRegistry& registry)
{
    if (!reader.GetMember("Bots"))
        return;
    bots.clear();
    const Blueprint& list = reader.GetCurrent();
    const uint32_t count = list.GetType() == BlueprintType::Array ? list.GetCount() : 0;
    for (uint32_t i = 0; i < count; ++i)
    {
        BotSlot& bot = bots.emplace_back();
        if (!reader.GetElement(i))
            continue;
        uint64_t team = 0;
        if (ReadMember(reader, "TeamId", team))
        {
            if (team < TeamColorCount)
                bot.team = static_cast<uint8_t>(team);
            else
                Log::Write("ignored the TeamId {} of bot {} in {}: teams are numbered 0 to {}", team, i + 1, key,
                           TeamColorCount - 1);
        }
        if (reader.GetMember("Loadout"))
        {
            if (reader.GetCurrent().GetType() == BlueprintType::Object)
                bot.loadout.Read(reader, registry);
            reader.Pop();
        }
        reader.Pop();
    }
    reader.Pop();
}

void GameConfiguration::ReadWeapons(BlueprintReader& reader, const DataRegistry& registry)
{
    if (!reader.GetMember("Weapons"))
        return;
    if (reader.GetMember("SpawnedWeapons"))
    {
        const Blueprint& list = reader.GetCurrent();
        const uint32_t count = list.GetType() == BlueprintType::Array ? list.GetCount() : 0;
        // Further entries have no spawn slot to go to.
        for (uint32_t i = 0; i < count && i < WeaponSpawnCount; ++i)
        {
            if (!reader.GetElement(i))
                continue;
            WeaponSpawn& spawn = weapons[i];
            std::string weapon;
            ReadMember(reader, "Weapon", weapon);
            if (weapon.empty())
                spawn.weapon = Loadout::None;
            else
                FindDefinitionIndex(registry, "Weapons", weapon, spawn.weapon, reader, "Weapon");
            ReadMember(reader, "SpawnTime", spawn.spawnTime);
            reader.Pop();
        }
        reader.Pop();
    }
    reader.Pop();
}

void GameConfiguration::ReadGameSettings(BlueprintReader& reader)
{
    if (!reader.GetMember("GameSettings"))
        return;
    ReadMember(reader, "Gravity", settings.gravity);
    ReadMember(reader, "FriendlyFire", settings.friendlyFire);
    ReadMember(reader, "RespawnTime", settings.respawnTime);
    ReadMember(reader, "SuicidePenalty", settings.suicidePenalty);
    ReadMember(reader, "BetrayalPenalty", settings.betrayalPenalty);
    reader.Pop();
}

void GameConfiguration::NameBots(std::mt19937& random, PlayerNaming naming)
{
    for (PlayerSlot& slot : players)
    {
        if (teamCount == 1)
            slot.team = NoTeam;
        slot.loadout = ResolveLoadout(loadout, slot.loadout, registry, random);
        const bool profiled = naming == PlayerNaming::Profiles && slot.profile && !slot.profile->name.empty();
        slot.name = profiled ? slot.profile->name : NameById(slot.id);
    }
    for (RemotePlayerSlot& slot : remotePlayers)
    {
        if (teamCount == 1)
            slot.team = NoTeam;
        slot.loadout = ResolveLoadout(loadout, slot.loadout, registry, random);
        slot.name = NameById(slot.id);
    }
    // Bots take the lowest ids no player holds: after a remote player left, the ids that remain
    // have gaps, and counting past the players would hand a bot an id that is taken. Players
    // still without an id keep the lowest free ones for themselves. A player who left holds none:
    // a client that joined after he left never heard of him and must deal the same ids.
    std::array<bool, Slot::NoId> taken{};
    size_t unassigned = 0;
    auto hold = [&](const Slot& slot)
    {
        if (slot.removed)
            return;
        if (slot.id < Slot::NoId)
            taken[slot.id] = true;
        else
            ++unassigned;
    };
    std::for_each(players.begin(), players.end(), hold);
    std::for_each(remotePlayers.begin(), remotePlayers.end(), hold);
    size_t next = 0;
    auto nextFree = [&]
    {
        while (next < taken.size() && taken[next])
            ++next;
        return next < taken.size() ? next++ : size_t(Slot::NoId);
    };
    for (size_t i = 0; i < unassigned; ++i)
        nextFree();
    for (size_t k = 1; k <= bots.size(); ++k)
    {
        BotSlot& bot = bots[k - 1];
        if (teamCount == 1)
            bot.team = NoTeam;
        bot.loadout = ResolveLoadout(loadout, bot.loadout, registry, random);
        bot.id = static_cast<uint8_t>(nextFree());
        bot.name = FormatText("BOT {}", k);
    }
}

void GameConfiguration::ResolveRandomPicks(std::mt19937& random)
{
    auto resolve = [&](uint32_t& index, StringView folder)
    {
        if (index != Loadout::Random)
            return;
        const DataCollectionBase* collection = registry ? FindCollection(*registry, folder) : nullptr;
        index = PickRandomIndex(random, collection ? collection->Count() : 0);
    };
    resolve(theme, "Themes");
    resolve(loadout.startingWeapon, "Weapons");
    resolve(loadout.secondaryWeapon, "Weapons");
    for (WeaponSpawn& spawn : weapons)
        resolve(spawn.weapon, "Weapons");
}

void GameConfiguration::Reset()
{
    DropRemovedPlayers();
    ForEachSlot(*this, ClearMatchState);
    loadout = Loadout();
    weapons.fill(WeaponSpawn());
    attributes = Attributes::ConfigurationDefaults();
    settings = GameSettings();
    gameTypeSettings.reset();
}

void GameConfiguration::DropRemovedPlayers()
{
    std::erase_if(remotePlayers, [](const RemotePlayerSlot& slot) { return slot.removed; });
}

Slot& GameConfiguration::GetPlayer(uint8_t id)
{
    // A player who left keeps his slot, and his id, until the match ends, while a newcomer may be given
    // the same id: the live slot is the one meant.
    Slot* found = nullptr;
    ForEachSlot(*this,
                [&](Slot& slot)
                {
                    if (slot.id == id && (!found || (found->removed && !slot.removed)))
                        found = &slot;
                });
    if (found)
        return *found;
    // A fresh default each time: callers may have written into the last one.
    missingPlayer = Slot();
    missingPlayer.removed = true;
    return missingPlayer;
}

PlayerSlot& GameConfiguration::GetLocalPlayer(uint32_t localIndex)
{
    for (PlayerSlot& slot : players)
        if (slot.localIndex == localIndex)
            return slot;
    missingLocalPlayer = PlayerSlot();
    return missingLocalPlayer;
}

Loadout GameConfiguration::ResolveLoadout(const Loadout& rules, const Loadout& slot, const DataRegistry* registry,
                                          std::mt19937& random)
{
    Loadout resolved;
    for (uint32_t position = 0; position < Loadout::PartCount; ++position)
    {
        uint32_t part = rules[position] == Loadout::None ? slot[position] : rules[position];
        // A slot's own "Random" is resolved too: the world has no part to give for it.
        if (part == Loadout::Random)
        {
            const DataCollectionBase* parts =
                registry ? FindCollection(*registry, Loadout::GetFolder(position)) : nullptr;
            part = PickRandomIndex(random, parts ? parts->Count() : 0);
        }
        resolved[position] = part;
    }
    return resolved;
}

PartIds GameConfiguration::CollectPartIds() const
{
    PartIds ids;
    ForEachSlot(*this,
                [&](const Slot& slot)
                {
                    AppendUnlessPresent(ids.heads, slot.loadout.head);
                    AppendUnlessPresent(ids.cores, slot.loadout.core);
                    AppendUnlessPresent(ids.arms, slot.loadout.arms);
                    AppendUnlessPresent(ids.legs, slot.loadout.legs);
                });
    return ids;
}

std::vector<uint32_t> GameConfiguration::CollectWeaponIds() const
{
    std::vector<uint32_t> ids;
    auto collect = [&](uint32_t weapon, uint32_t fallback)
    {
        if (weapon == Loadout::None)
            weapon = fallback;
        if (weapon != Loadout::None)
            AppendUnlessPresent(ids, weapon);
    };
    ForEachSlot(*this,
                [&](const Slot& slot)
                {
                    collect(slot.loadout.startingWeapon, loadout.startingWeapon);
                    collect(slot.loadout.secondaryWeapon, loadout.secondaryWeapon);
                });
    for (const WeaponSpawn& spawn : weapons)
        collect(spawn.weapon, Loadout::None);
    return ids;
}

std::vector<uint32_t> GameConfiguration::CreateSlotValues() const
{
    return std::vector<uint32_t>(players.size() + remotePlayers.size() + bots.size(), 0);
}
