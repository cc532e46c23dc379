#include "Source/GameTypes/Keepaway.h"

#include "Source/Data/DataRegistry.h"
#include "Source/Data/ItemData.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/GameContext.h"
#include "Source/World/HitInfo.h"
#include "Source/World/MatchEvents.h"
#include "Source/World/Player.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr uint32_t None = GameTypeEvent::NoArgument;

} // namespace

std::unique_ptr<GameType> KeepawayData::CreateGameType(GameContext& context, uint32_t seed) const
{
    return std::make_unique<Keepaway>(context, seed);
}

void KeepawayToken::OnTaken()
{
    if (rules)
        rules->OnTokenTaken(*this);
}

void KeepawayToken::OnDropped()
{
    if (rules)
        rules->OnTokenDropped(*this);
}

Keepaway::Keepaway(GameContext& context, uint32_t seed) : GameType(context, seed)
{
    if (const auto* configured =
            dynamic_cast<const KeepawayConfiguration*>(context.configuration.gameTypeSettings.get()))
        settings.Copy(*configured);
    lowestScore = 0;
    targetScore = settings.timeToWin;
    kinds.tokenTaken = AddEventFormat(TokenTakenFormat);
    kinds.tokenDropped = AddEventFormat(TokenDroppedFormat);
}

float Keepaway::GetProgress(int32_t score) const
{
    // Without time to win the match is won from the start.
    if (settings.timeToWin <= 0)
        return 1.0f;
    return static_cast<float>(score) / static_cast<float>(settings.timeToWin);
}

Player* Keepaway::FindPresentPlayer(uint8_t index) const
{
    World* world = context.world;
    if (!world || index >= World::PlayerCount || !world->players[index].present)
        return nullptr;
    return &world->players[index];
}

void Keepaway::SetupObjectives()
{
    GameType::SetupObjectives();
    World* world = context.world;
    if (!world || !context.registry)
        return;
    // The tokens lie at the race's free-for-all objective points, whatever the teams.
    SpawnMask mask;
    mask.Parse("Race|Objective|FreeForAll");
    tokenQuery = world->QuerySpawnPoints(mask);
    const ItemData* data = context.registry->items.Find("Token");
    if (!data)
        return;
    for (int32_t i = 0; i < settings.tokenCount; ++i)
    {
        auto token = std::make_unique<KeepawayToken>(this);
        token->data = data;
        tokens.push_back(token.get());
        world->ReturnItem(std::move(token));
    }
}

std::unique_ptr<Item> Keepaway::CreateItem(uint32_t)
{
    const ItemData* data = context.registry ? context.registry->items.Find("Token") : nullptr;
    if (!data)
        return nullptr;
    auto token = std::make_unique<KeepawayToken>(nullptr);
    token->data = data;
    return token;
}

void Keepaway::ReturnItem(std::unique_ptr<Item>& item)
{
    auto* token = dynamic_cast<KeepawayToken*>(item.get());
    // A client's copy, or an item that is no token of this match, has no place to go back to.
    if (!token || token->GetRules() != this)
    {
        item.reset();
        return;
    }
    if (World* world = context.world)
        CreatePickupEntity(*world, RestingPlacement(tokenQuery.TakeRandom(random), *token), 0.0f, {}, true, item, -1);
}

void Keepaway::OnTokenTaken(KeepawayToken& token)
{
    PostEvent(kinds.tokenTaken, None, None, None, GameTypeEvent::EveryPlayer, GameTypeEvent::EveryTeam);
    if (settings.modifyHolder && token.holder && !token.modified)
    {
        token.holder->modifiers += settings.holderModifiers;
        token.modified = token.holder;
    }
    token.held = true;
}

void Keepaway::OnTokenDropped(KeepawayToken& token)
{
    // The holder has already let go when the token lands, so the modifiers come off the player they
    // were put on.
    if (token.modified)
    {
        token.modified->modifiers -= settings.holderModifiers;
        token.modified = nullptr;
    }
    if (token.held)
        PostEvent(kinds.tokenDropped, None, None, None, GameTypeEvent::EveryPlayer, GameTypeEvent::EveryTeam);
    token.held = false;
}

void Keepaway::Update(float dt)
{
    GameType::Update(dt);
    for (KeepawayToken* token : tokens)
        ReclaimFromDeparted(*token);
    // Once the match is over the times stand: the end is not reached again.
    if (ended)
        return;
    bool anyHeld = false;
    for (const KeepawayToken* token : tokens)
    {
        if (!token->held || !token->holder || token->holder->index >= statistics.size())
            continue;
        ++statistics[token->holder->index].ticksHeld;
        anyHeld = true;
    }
    if (anyHeld)
        Recount();
}

void Keepaway::Recount()
{
    const int32_t initial = InitialTeamScore(settings.scoring);
    for (ScoreEntry& team : teamScores)
        team.score = initial;
    countedTeams.fill(false);
    if (World* world = context.world)
        for (const Player* player : world->activePlayers)
        {
            if (player->index >= statistics.size())
                continue;
            const auto score = static_cast<int32_t>(
                std::min(static_cast<float>(statistics[player->index].ticksHeld) * Lumvek::TickSeconds, 2147483520.0f));
            if (ScoreEntry* own = FindScore(playerScores, player->index))
                own->score = score;
            // A player without a team in a team game counts for no team.
            const uint8_t key = GetTeamKey(*player);
            ScoreEntry* team = FindScore(teamScores, key);
            if (!team)
                continue;
            team->score = CombineTeamScore(settings.scoring, team->score, score);
            countedTeams[key] = true;
        }
    RankTeams();
    SortScores(playerScores);

    uint8_t next = playerScores.empty() ? NoLeader : playerScores.front().index;
    if (playerScores.size() >= 2 && playerScores[0].score == playerScores[1].score)
        next = NoLeader;
    if (next != leader)
    {
        if (settings.modifyLeader)
        {
            if (Player* previous = FindPresentPlayer(leader))
                previous->modifiers -= settings.leaderModifiers;
            if (Player* current = FindPresentPlayer(next))
                current->modifiers += settings.leaderModifiers;
        }
        leader = next;
    }

    if (FirstTeamReached(settings.timeToWin))
        EndAndNotify();
    else if (IsServer())
        context.events->SendScore(teamScores, playerScores, false);
}

void Keepaway::OnPlayerKilled(Player& victim, const HitInfo& hit)
{
    Player* shooter = hit.shooter;
    if (!shooter || shooter->index >= statistics.size())
        return;
    if (victim.carriedItem || victim.handItem)
        ++statistics[shooter->index].carrierKills;
    if ((shooter->carriedItem || shooter->handItem) && settings.killsWhileHoldingBonus != 0)
    {
        const int64_t bonus = std::lround(static_cast<float>(settings.killsWhileHoldingBonus) / Lumvek::TickSeconds);
        const int64_t held = static_cast<int64_t>(statistics[shooter->index].ticksHeld) + bonus;
        statistics[shooter->index].ticksHeld = static_cast<uint32_t>(std::clamp<int64_t>(held, 0, UINT32_MAX));
    }
}

void Keepaway::FormatEvent(GameTypeEvent& event)
{
    if (event.kind < eventFormats.size() && (event.kind == kinds.tokenTaken || event.kind == kinds.tokenDropped))
        event.text = eventFormats[event.kind];
}
