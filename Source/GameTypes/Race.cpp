#include "Source/GameTypes/Race.h"

#include "Engine/Foundation/Pattern.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/TriggerData.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/GameContext.h"
#include "Source/World/MatchEvents.h"
#include "Source/World/Player.h"

#include <algorithm>
#include <cmath>
#include <utility>

using Lumvek::FormatText;
using Lumvek::StringView;

std::unique_ptr<GameType> RaceData::CreateGameType(GameContext& context, uint32_t seed) const
{
    return std::make_unique<Race>(context, seed);
}

void CheckpointAction::Run(Player& player)
{
    if (team != AnyTeam && team != player.team)
        return;
    if (auto* rules = dynamic_cast<Race*>(player.GetContext().GetGameType()))
        rules->ReachCheckpoint(player, number);
}

Race::Race(GameContext& context, uint32_t seed) : GameType(context, seed)
{
    if (const auto* configured = dynamic_cast<const RaceConfiguration*>(context.configuration.gameTypeSettings.get()))
        settings.Copy(*configured);
    lowestScore = 0;
    targetScore = settings.checkpointsToWin;
    reachedKind = AddStatusFormat(ReachedFormat);
}

float Race::GetProgress(int32_t score) const
{
    // Without checkpoints to win the match is won from the start.
    if (settings.checkpointsToWin <= 0)
        return 1.0f;
    return static_cast<float>(score) / static_cast<float>(settings.checkpointsToWin);
}

void Race::SetupObjectives()
{
    GameType::SetupObjectives();
    World* world = context.world;
    if (!world || !context.registry)
        return;
    const TriggerData* data = context.registry->triggers.Find("Checkpoint");
    const uint32_t teams = GetTeamCount();
    const bool freeForAll = teams == 1;
    for (uint32_t team = 0; team < teams; ++team)
    {
        SpawnMask mask;
        mask.Parse(freeForAll ? std::string("Race|Objective|FreeForAll") : FormatText("Race|Objective|Team{}", team));
        checkpointQueries.push_back(world->QuerySpawnPoints(mask));
        std::vector<Checkpoint>& list = checkpoints.emplace_back();
        const SpawnQuery& query = checkpointQueries.back();
        for (uint32_t n = 0; n < query.Count() && data; ++n)
        {
            const SpawnPoint& point = query.GetNth(n);
            Trigger* trigger = CreateTriggerEntity(*world, point, CheckpointSize, CheckpointPivot, *data);
            if (!trigger)
                continue;
            if (auto* action = dynamic_cast<CheckpointAction*>(trigger->enterAction.get()))
                action->team = freeForAll ? CheckpointAction::AnyTeam : team;
            list.push_back({trigger->id, point});
            if (IsServer())
                context.events->SendTriggerCreated(*trigger);
        }
        if (settings.crazy)
            for (size_t i = list.size() - 1; list.size() > 1 && i >= 1; --i)
            {
                const auto j = static_cast<size_t>(std::lround(random.NextFraction() * static_cast<float>(i)));
                std::swap(list[i], list[j]);
            }
        for (uint32_t k = 0; k < list.size(); ++k)
            if (Trigger* trigger = world->triggers.Find(list[k].trigger))
                if (auto* action = dynamic_cast<CheckpointAction*>(trigger->enterAction.get()))
                    action->number = k;
        if (!list.empty())
        {
            if (freeForAll)
                Highlight(list.front(), NoHighlight, GameTypeEvent::EveryPlayer);
            else
                Highlight(list.front(), static_cast<uint8_t>(team), NoHighlight);
        }
    }
}

void Race::Highlight(const Checkpoint& checkpoint, uint8_t team, uint8_t player)
{
    if (Trigger* trigger = context.world ? context.world->triggers.Find(checkpoint.trigger) : nullptr)
    {
        trigger->highlightTeam = team;
        trigger->highlightPlayer = player;
    }
}

const std::vector<Race::Checkpoint>* Race::FindList(const Player& player) const
{
    const size_t list = GetTeamCount() == 1 ? 0 : player.team;
    return list < checkpoints.size() ? &checkpoints[list] : nullptr;
}

int32_t Race::GetReached(const Player& player)
{
    const ScoreEntry* team = FindScore(teamScores, GetTeamKey(player));
    return team ? team->score : 0;
}

void Race::ReachCheckpoint(Player& player, uint32_t number)
{
    // Once the match is over no checkpoint counts: the end is not reached again.
    if (ended)
        return;
    const int32_t reached = GetReached(player);
    if (reached < 0 || static_cast<uint32_t>(reached) != number)
        return;
    context.PlaySound(Sounds::CheckpointReached, {player.body.x, player.body.y}, {}, 1.0f);
    if (player.index < checkpointsReached.size())
        ++checkpointsReached[player.index];
    PostStatus(reachedKind, player.index, number + 1, GameTypeEvent::NoArgument, GameTypeEvent::EveryPlayer,
               GameTypeEvent::EveryTeam);
    if (const std::vector<Checkpoint>* list = FindList(player); list && number < list->size())
    {
        Highlight((*list)[number], NoHighlight, NoHighlight);
        if (number + 1 < list->size())
        {
            if (GetTeamCount() == 1)
                Highlight((*list)[number + 1], NoHighlight, player.index);
            else
                Highlight((*list)[number + 1], player.team, NoHighlight);
        }
    }
    AddPoint(player, settings.checkpointsToWin);
}

bool Race::FindWanderPoint(const Player& player, float draw, Lumvek::Vector2& point)
{
    const std::vector<Checkpoint>* list = FindList(player);
    if (!list || list->empty())
        return false;
    const int32_t reached = GetReached(player);
    size_t index = static_cast<size_t>(std::max(reached, 0));
    if (index >= list->size())
        index = std::min(static_cast<size_t>(draw * static_cast<float>(list->size())), list->size() - 1);
    point = {(*list)[index].point.x, (*list)[index].point.y};
    return true;
}

const SpawnPoint& Race::ChooseSpawn(Player& player, SpawnQuery& query)
{
    const int32_t reached = GetReached(player);
    // The team's own order, which a crazy race shuffled: the last checkpoint it reached.
    if (const std::vector<Checkpoint>* list = FindList(player);
        list && reached > 0 && static_cast<size_t>(reached) <= list->size())
        return (*list)[static_cast<size_t>(reached) - 1].point;
    return query.TakeRandom(random);
}

void Race::ReceiveStatus(uint32_t kind, uint32_t a, uint32_t b, uint32_t c, uint8_t player, uint8_t team)
{
    GameType::ReceiveStatus(kind, a, b, c, player, team);
    // The line is for every player: its first argument names the racer.
    if (kind == reachedKind)
        if (const Player* racer = FindPresentPlayer(a))
            context.PlaySound(Sounds::CheckpointReached, {racer->body.x, racer->body.y}, {}, 1.0f);
}

void Race::FormatStatus(GameTypeEvent& event)
{
    if (event.kind == reachedKind && event.kind < statusFormats.size())
        event.text =
            FormatText(StringView(statusFormats[event.kind]), GetPlayerColor(event.a), GetPlayerName(event.a), event.b);
    else
        GameType::FormatStatus(event);
}
