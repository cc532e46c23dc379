// The game type's scores, lines and formats, its end, and what every mode shares of its hooks.

#include "Source/GameTypes/GameType.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Pattern.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/GameTypeData.h"
#include "Source/Data/NameTables.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/GameContext.h"
#include "Source/World/HitInfo.h"
#include "Source/World/Item.h"
#include "Source/World/MatchEvents.h"
#include "Source/World/Player.h"
#include "Source/World/Projectile.h"
#include "Source/World/Weapon.h"
#include "Source/World/World.h"

#include <algorithm>
#include <limits>

using Lumvek::StringView;

std::unique_ptr<GameType> GameTypeData::CreateGameType(GameContext&, uint32_t) const
{
    Lumvek::Log::Write("the game type {} has no rules to play by", name);
    return nullptr;
}

GameType::GameType(GameContext& context, uint32_t seed) : context(context), random(seed)
{
    const GameConfiguration& configuration = context.configuration;
    data = context.registry ? context.registry->gameTypes.Get(configuration.gameType) : nullptr;

    sharedKinds.pickedUpAmmo = AddStatusFormat(PickedUpAmmoFormat);
    sharedKinds.pickedUpWeapon = AddStatusFormat(PickedUpWeaponFormat);
    sharedKinds.died = AddFeedFormat(DiedFormat);
    sharedKinds.killed = AddFeedFormat(KilledFormat);

    const auto addSlots = [this](const auto& slots)
    {
        // Players who left before the match keep their slots until it ends, but not a score.
        for (const auto& slot : slots)
            if (!slot.removed)
                playerScores.push_back({slot.id, 0});
    };
    addSlots(configuration.players);
    addSlots(configuration.remotePlayers);
    addSlots(configuration.bots);
    const uint32_t teams = GetTeamCount();
    if (teams == 1)
        teamScores = playerScores;
    else
        for (uint32_t team = 0; team < teams; ++team)
            teamScores.push_back({static_cast<uint8_t>(team), 0});

    // A status slot shows nothing until its first line arrives.
    for (GameTypeEvent& status : statuses)
        status.ticks = 0;
    spawnIns.reserve(World::PlayerCount);
    respawns.reserve(World::PlayerCount);
}

GameType::~GameType() = default;

uint32_t GameType::GetTeamCount() const
{
    // More teams than there are colours would have nowhere to spawn and no name.
    return std::min(context.configuration.teamCount, MaximumTeamCount);
}

uint8_t GameType::GetTeamKey(const Player& player) const
{
    return GetTeamCount() == 1 ? player.index : player.team;
}

void GameType::EndAndNotify()
{
    // A match ends once: a second end would record the journal and enter the ending state again.
    if (ended)
        return;
    ended = true;
    NotifyEnd();
}

void GameType::End()
{
    ended = true;
}

void GameType::NotifyEnd()
{
    if (context.events)
        context.events->SaveJournal();
}

Player* GameType::FindBaseBotTarget() const
{
    const std::vector<PlayerSlot>& locals = context.configuration.players;
    return locals.empty() ? nullptr : locals.front().player;
}

std::unique_ptr<Item> GameType::CreateItem(uint32_t)
{
    return nullptr;
}

void GameType::ReturnItem(std::unique_ptr<Item>& item)
{
    item.reset();
}

void GameType::ReclaimFromDeparted(Item& item)
{
    Player* holder = item.holder;
    World* world = context.world;
    if (!holder || holder->present || !world)
        return;
    std::unique_ptr<Item>* slot = nullptr;
    if (holder->carriedItem.get() == &item)
        slot = &holder->carriedItem;
    else if (holder->handItem.get() == &item)
        slot = &holder->handItem;
    if (!slot)
        return;
    std::unique_ptr<Item> taken = std::move(*slot);
    taken->Release();
    world->ReturnItem(std::move(taken));
}

const SpawnPoint& GameType::ChooseSpawn(Player&, SpawnQuery& query)
{
    return query.TakeRandom(random);
}

void GameType::OnPlayerDamaged(Player&, const HitInfo&) {}

void GameType::OnPlayerKilled(Player&, const HitInfo&) {}

uint32_t GameType::AddEventFormat(std::string text)
{
    eventFormats.push_back(std::move(text));
    return static_cast<uint32_t>(eventFormats.size() - 1);
}

uint32_t GameType::AddStatusFormat(std::string text)
{
    statusFormats.push_back(std::move(text));
    return static_cast<uint32_t>(statusFormats.size() - 1);
}

uint32_t GameType::AddFeedFormat(std::string text)
{
    feedFormats.push_back(std::move(text));
    return static_cast<uint32_t>(feedFormats.size() - 1);
}

uint32_t GameType::GetKindCount() const
{
    return static_cast<uint32_t>(std::max({eventFormats.size(), statusFormats.size(), feedFormats.size()}));
}

void GameType::PostEvent(uint32_t kind, uint32_t a, uint32_t b, uint32_t c, uint8_t player, uint8_t team)
{
    Post(GameTypeEventClass::Event, {kind, a, b, c, player, team, GameTypeEvent::ShownTicks, {}});
}

void GameType::PostStatus(uint32_t kind, uint32_t a, uint32_t b, uint32_t c, uint8_t player, uint8_t team)
{
    Post(GameTypeEventClass::Status, {kind, a, b, c, player, team, GameTypeEvent::ShownTicks, {}});
}

void GameType::ReceiveStatus(uint32_t kind, uint32_t a, uint32_t b, uint32_t c, uint8_t player, uint8_t team)
{
    PostStatus(kind, a, b, c, player, team);
    if (kind != sharedKinds.pickedUpAmmo)
        return;
    if (const Player* taker = FindPresentPlayer(player))
        context.PlaySound(Sounds::PickUpAmmo, {taker->body.x, taker->body.y}, taker->body.velocity, 1.0f);
}

Player* GameType::FindPresentPlayer(uint32_t index) const
{
    if (!context.world || index >= World::PlayerCount || !context.world->players[index].present)
        return nullptr;
    return &context.world->players[index];
}

void GameType::NoticeWeaponPickedUp(const Player& player, uint32_t weaponIndex)
{
    PostStatus(sharedKinds.pickedUpWeapon, weaponIndex, GameTypeEvent::NoArgument, GameTypeEvent::NoArgument,
               player.index, GameTypeEvent::EveryTeam);
}

void GameType::NoticeAmmoPickedUp(const Player& player, uint32_t rounds, uint32_t weaponIndex)
{
    PostStatus(sharedKinds.pickedUpAmmo, rounds, weaponIndex, GameTypeEvent::NoArgument, player.index,
               GameTypeEvent::EveryTeam);
}

void GameType::PostFeedEvent(uint32_t kind, uint32_t a, uint32_t b, uint32_t c)
{
    Post(GameTypeEventClass::Feed,
         {kind, a, b, c, GameTypeEvent::EveryPlayer, GameTypeEvent::EveryTeam, GameTypeEvent::ShownTicks, {}});
}

void GameType::Post(GameTypeEventClass eventClass, GameTypeEvent event)
{
    // A server shows nothing itself: its clients post what it sends.
    if (IsServer())
    {
        context.events->SendGameTypeEvent(eventClass, event);
        return;
    }
    if (eventClass == GameTypeEventClass::Feed)
    {
        FormatFeed(event);
        feed.push_back(std::move(event));
        return;
    }
    for (const PlayerSlot& slot : context.configuration.players)
    {
        if ((event.player != GameTypeEvent::EveryPlayer && slot.id != event.player) ||
            (event.team != GameTypeEvent::EveryTeam && slot.team != event.team) || slot.localIndex >= ScreenCount)
            continue;
        GameTypeEvent shown = event;
        if (eventClass == GameTypeEventClass::Event)
        {
            FormatEvent(shown);
            events[slot.localIndex].push_back(std::move(shown));
        }
        else
        {
            FormatStatus(shown);
            statuses[slot.localIndex] = std::move(shown);
        }
    }
}

bool GameType::ExpireEvent(std::vector<GameTypeEvent>& list, uint32_t i)
{
    if (i >= list.size())
        return false;
    if (--list[i].ticks > 0)
        return false;
    list.erase(list.begin() + i);
    return true;
}

void GameType::UpdateEvents()
{
    // A screen shows its queued events one after the other: only the first counts down.
    for (std::vector<GameTypeEvent>& queue : events)
        if (!queue.empty())
            ExpireEvent(queue, 0);
    for (GameTypeEvent& status : statuses)
        status.ticks = std::max(status.ticks - 1, 0);
    for (uint32_t i = 0; i < feed.size();)
        if (!ExpireEvent(feed, i))
            ++i;
}

void GameType::SortScores(std::vector<ScoreEntry>& scores)
{
    std::sort(scores.begin(), scores.end(), [](const ScoreEntry& a, const ScoreEntry& b) { return a.score > b.score; });
}

void GameType::RankTeams()
{
    for (ScoreEntry& team : teamScores)
        if (!countedTeams[team.index])
            team.score = 0;
    std::sort(teamScores.begin(), teamScores.end(),
              [this](const ScoreEntry& a, const ScoreEntry& b)
              {
                  if (countedTeams[a.index] != countedTeams[b.index])
                      return countedTeams[a.index];
                  return a.score > b.score;
              });
}

bool GameType::FirstTeamReached(int32_t target) const
{
    return !teamScores.empty() && countedTeams[teamScores.front().index] && teamScores.front().score >= target;
}

ScoreEntry* GameType::FindScore(std::vector<ScoreEntry>& scores, uint8_t index)
{
    const auto found =
        std::find_if(scores.begin(), scores.end(), [index](const ScoreEntry& entry) { return entry.index == index; });
    return found == scores.end() ? nullptr : &*found;
}

void GameType::AddPoint(Player& player, int32_t target)
{
    if (ScoreEntry* team = FindScore(teamScores, GetTeamKey(player)))
        ++team->score;
    if (ScoreEntry* own = FindScore(playerScores, player.index))
        ++own->score;
    SortScores(teamScores);
    SortScores(playerScores);
    if (!teamScores.empty() && teamScores.front().score >= target)
        EndAndNotify();
    else if (IsServer())
        context.events->SendScore(teamScores, playerScores, true);
}

std::string GameType::GetPlayerName(uint32_t playerIndex) const
{
    // Arguments come from the wire up to 511: an index is a player only below the player count.
    if (playerIndex >= World::PlayerCount)
        return {};
    return context.configuration.GetPlayer(static_cast<uint8_t>(playerIndex)).name;
}

Lumvek::Color GameType::GetPlayerColor(uint32_t playerIndex) const
{
    uint32_t team = static_cast<uint32_t>(TeamColor::Neutral);
    if (playerIndex < World::PlayerCount)
        team = context.configuration.GetPlayer(static_cast<uint8_t>(playerIndex)).team;
    return GetTeamColor(team < TeamColorCount ? team : static_cast<uint32_t>(TeamColor::Neutral)).color;
}

Lumvek::StringView GameType::GetTeamUpperName(uint32_t team)
{
    return GetTeamColor(team < TeamColorCount ? team : static_cast<uint32_t>(TeamColor::Neutral)).upperName;
}

int32_t GameType::InitialTeamScore(TeamScoring scoring)
{
    // Nothing to add to, or a value any player's score replaces.
    switch (scoring)
    {
    case TeamScoring::TeamMaximum:
        return std::numeric_limits<int32_t>::min();
    case TeamScoring::TeamMinimum:
        return std::numeric_limits<int32_t>::max();
    default:
        return 0;
    }
}

int32_t GameType::CombineTeamScore(TeamScoring scoring, int32_t team, int32_t player)
{
    switch (scoring)
    {
    case TeamScoring::TeamMaximum:
        return std::max(team, player);
    case TeamScoring::TeamMinimum:
        return std::min(team, player);
    default:
        return team + player;
    }
}

std::string GameType::GetWeaponName(uint32_t weaponIndex) const
{
    const WeaponData* weapon = context.registry ? context.registry->weapons.Get(weaponIndex) : nullptr;
    return weapon ? weapon->displayName : std::string();
}

void GameType::FormatEvent(GameTypeEvent&) {}

void GameType::FormatStatus(GameTypeEvent& event)
{
    if (event.kind >= statusFormats.size())
        return;
    const StringView format = statusFormats[event.kind];
    // The status lines are written in capitals; a weapon's display name is not.
    const auto inCapitals = [](std::string name)
    {
        for (char& c : name)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        return name;
    };
    if (event.kind == sharedKinds.pickedUpAmmo)
        event.text = Lumvek::FormatText(format, event.a, inCapitals(GetWeaponName(event.b)));
    else if (event.kind == sharedKinds.pickedUpWeapon)
        event.text = Lumvek::FormatText(format, inCapitals(GetWeaponName(event.a)));
}

void GameType::FormatFeed(GameTypeEvent& event)
{
    if (event.kind >= feedFormats.size())
        return;
    const StringView format = feedFormats[event.kind];
    if (event.kind == sharedKinds.died)
        event.text = Lumvek::FormatText(format, GetPlayerColor(event.a), GetPlayerName(event.a));
    else if (event.kind == sharedKinds.killed)
        event.text = Lumvek::FormatText(format, GetPlayerColor(event.a), GetPlayerName(event.a),
                                        GetPlayerColor(event.b), GetPlayerName(event.b));
}

void GameType::AfterGameState(uint32_t, uint32_t) {}

bool GameType::IsServer() const
{
    return context.events && context.events->HasListeners();
}
