#include "Source/GameTypes/Deathmatch.h"

#include "Source/World/GameContext.h"
#include "Source/World/HitInfo.h"
#include "Source/World/MatchEvents.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"

#include <algorithm>

std::unique_ptr<GameType> DeathmatchData::CreateGameType(GameContext& context, uint32_t seed) const
{
    return std::make_unique<Deathmatch>(context, seed);
}

Deathmatch::Deathmatch(GameContext& context, uint32_t seed) : GameType(context, seed)
{
    if (const auto* configured =
            dynamic_cast<const DeathmatchConfiguration*>(context.configuration.gameTypeSettings.get()))
        settings.Copy(*configured);
    lowestScore = LowestScore;
    targetScore = settings.pointsToWin;
    for (const ScoreEntry& entry : playerScores)
        GetStatistics(entry.index);
}

Deathmatch::Statistics& Deathmatch::GetStatistics(uint8_t player)
{
    const auto found = std::find_if(statistics.begin(), statistics.end(),
                                    [player](const Statistics& record) { return record.player == player; });
    if (found != statistics.end())
        return *found;
    statistics.push_back({player});
    return statistics.back();
}

const Deathmatch::Statistics* Deathmatch::FindStatistics(uint8_t player) const
{
    const auto found = std::find_if(statistics.begin(), statistics.end(),
                                    [player](const Statistics& record) { return record.player == player; });
    return found == statistics.end() ? nullptr : &*found;
}

Player* Deathmatch::FindPresentPlayer(uint8_t index) const
{
    World* world = context.world;
    if (!world || index >= World::PlayerCount || !world->players[index].present)
        return nullptr;
    return &world->players[index];
}

float Deathmatch::GetProgress(int32_t score) const
{
    // Without points to win the match is won from the start.
    if (settings.pointsToWin <= 0)
        return 1.0f;
    return static_cast<float>(score) / static_cast<float>(settings.pointsToWin);
}

void Deathmatch::OnPlayerKilled(Player& victim, const HitInfo& hit)
{
    ++GetStatistics(victim.index).deaths;
    const Player* attacker = hit.shooter;
    if (attacker && attacker != &victim)
    {
        Statistics& killer = GetStatistics(attacker->index);
        if (victim.team != Player::NoTeam && victim.team == attacker->team)
        {
            ++killer.betrayals;
            killer.score += settings.pointsPerBetrayal;
        }
        else
        {
            int32_t bonus = victim.index == leader ? settings.killsOfLeaderBonus : 0;
            if (attacker->index == leader)
                bonus += settings.killsAsLeaderBonus;
            ++killer.kills;
            killer.score += settings.pointsPerKill + bonus;
        }
    }
    else
    {
        Statistics& own = GetStatistics(victim.index);
        ++own.suicides;
        own.score += settings.pointsPerSuicide;
    }
    Recount();
}

void Deathmatch::Recount()
{
    const int32_t initial = InitialTeamScore(settings.scoring);
    for (ScoreEntry& team : teamScores)
        team.score = initial;
    countedTeams.fill(false);
    const bool freeForAll = GetTeamCount() == 1;
    if (World* world = context.world)
        for (const Player* player : world->activePlayers)
        {
            const int32_t score = GetStatistics(player->index).score;
            ScoreEntry* own = FindScore(playerScores, player->index);
            if (!own)
            {
                playerScores.push_back({player->index, 0});
                own = &playerScores.back();
            }
            own->score = score;
            // A player without a team in a team game counts for no team.
            const uint8_t key = GetTeamKey(*player);
            ScoreEntry* team = FindScore(teamScores, key);
            if (!team && freeForAll)
            {
                teamScores.push_back({key, initial});
                team = &teamScores.back();
            }
            if (!team)
                continue;
            team->score = CombineTeamScore(settings.scoring, team->score, score);
            countedTeams[key] = true;
        }
    RankTeams();
    SortScores(playerScores);
    UpdateLeader();

    if (FirstTeamReached(settings.pointsToWin))
        EndAndNotify();
    else if (IsServer())
        context.events->SendScore(teamScores, playerScores, true);
}

void Deathmatch::UpdateLeader()
{
    uint8_t next = playerScores.empty() ? NoLeader : playerScores.front().index;
    if (playerScores.size() >= 2 && playerScores[0].score == playerScores[1].score)
        next = NoLeader;
    if (next == leader)
        return;
    Player* previous = FindPresentPlayer(leader);
    Player* current = FindPresentPlayer(next);
    if (settings.showLeader)
    {
        if (previous)
            previous->leaderMarker = false;
        if (current)
            current->leaderMarker = true;
    }
    if (settings.modifyLeader)
    {
        if (previous)
            previous->modifiers -= settings.leaderModifiers;
        if (current)
            current->modifiers += settings.leaderModifiers;
    }
    leader = next;
}
