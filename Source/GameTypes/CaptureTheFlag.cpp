#include "Source/GameTypes/CaptureTheFlag.h"

#include "Engine/Foundation/Pattern.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/ItemData.h"
#include "Source/Data/TriggerData.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/GameContext.h"
#include "Source/World/HitInfo.h"
#include "Source/World/MatchEvents.h"
#include "Source/World/Player.h"

using Lumvek::FormatText;
using Lumvek::StringView;

namespace
{

constexpr uint32_t None = GameTypeEvent::NoArgument;

// The item definition of a team's flag: the team's name followed by "Flag".
std::string FlagName(uint32_t team)
{
    return FormatText("{}Flag", GetTeamColor(team).name);
}

} // namespace

std::unique_ptr<GameType> CaptureTheFlagData::CreateGameType(GameContext& context, uint32_t seed) const
{
    return std::make_unique<CaptureTheFlag>(context, seed);
}

CtfFlag::CtfFlag(CaptureTheFlag* rules, uint8_t team, uint32_t spawnNumber)
    : team(team), spawnNumber(spawnNumber), rules(rules)
{
}

bool CtfFlag::CanPickUp(const Player& player) const
{
    return player.team != team;
}

void CtfFlag::OnTaken()
{
    if (rules)
        rules->OnFlagTaken(*this);
}

void CtfFlag::OnDropped()
{
    if (rules)
        rules->OnFlagDropped(*this);
}

void CtfFlagStandAction::Run(Player& player)
{
    if (auto* rules = dynamic_cast<CaptureTheFlag*>(player.GetContext().GetGameType()))
        rules->Capture(*this, player);
}

CaptureTheFlag::CaptureTheFlag(GameContext& context, uint32_t seed) : GameType(context, seed)
{
    if (const auto* configured =
            dynamic_cast<const CaptureTheFlagConfiguration*>(context.configuration.gameTypeSettings.get()))
        settings.Copy(*configured);
    lowestScore = 0;
    targetScore = settings.capturesToWin;
    kinds.hasFlag = AddEventFormat(HasFlagFormat);
    kinds.captured = AddEventFormat(CapturedFormat);
    kinds.flagReset = AddStatusFormat(FlagResetFormat);
    kinds.flagDropped = AddStatusFormat(FlagDroppedFormat);
    resetPickups.reserve(decltype(World::pickups)::Capacity);
}

float CaptureTheFlag::GetProgress(int32_t score) const
{
    // Without captures to win the match is won from the start.
    if (settings.capturesToWin <= 0)
        return 1.0f;
    return static_cast<float>(score) / static_cast<float>(settings.capturesToWin);
}

void CaptureTheFlag::SetupObjectives()
{
    GameType::SetupObjectives();
    World* world = context.world;
    if (!world || !context.registry)
        return;
    const DataRegistry& registry = *context.registry;
    const TriggerData* standData = registry.triggers.Find("FlagStand");
    const uint32_t teams = GetTeamCount();
    for (uint32_t team = 0; team < teams; ++team)
    {
        const ItemData* flagData = registry.items.Find(FlagName(team));
        SpawnMask mask;
        mask.Parse(FormatText("CaptureTheFlag|Objective|Team{}", team));
        flagQueries.push_back(world->QuerySpawnPoints(mask));
        const SpawnQuery& query = flagQueries.back();
        for (uint32_t n = 0; n < query.Count(); ++n)
        {
            const SpawnPoint& point = query.GetNth(n);
            CtfFlag* placed = nullptr;
            if (flagData)
            {
                auto flag = std::make_unique<CtfFlag>(this, static_cast<uint8_t>(team), n);
                flag->data = flagData;
                placed = flag.get();
                flags.push_back(placed);
                const SpawnPoint resting = RestingPlacement(point, *flag);
                world->PlaceItem(std::move(flag), resting, 0.0f, {}, false);
            }
            if (!standData)
                continue;
            Trigger* stand = CreateTriggerEntity(*world, point, StandSize, StandPivot, *standData);
            if (!stand)
                continue;
            for (Action* action : {stand->enterAction.get(), stand->stayAction.get()})
                if (auto* standAction = dynamic_cast<CtfFlagStandAction*>(action))
                {
                    standAction->team = static_cast<uint8_t>(team);
                    standAction->flag = placed;
                }
            if (IsServer())
                context.events->SendTriggerCreated(*stand);
        }
    }
}

std::unique_ptr<Item> CaptureTheFlag::CreateItem(uint32_t itemIndex)
{
    const ItemData* data = context.registry ? context.registry->items.Get(itemIndex) : nullptr;
    if (!data)
        return nullptr;
    uint8_t team = Player::NoTeam;
    for (uint32_t candidate = 0; candidate < MaximumTeamCount; ++candidate)
        if (context.registry->items.FindIndex(FlagName(candidate)) == itemIndex)
            team = static_cast<uint8_t>(candidate);
    auto flag = std::make_unique<CtfFlag>(nullptr, team, 0);
    flag->data = data;
    return flag;
}

void CaptureTheFlag::ReturnItem(std::unique_ptr<Item>& item)
{
    auto* flag = dynamic_cast<CtfFlag*>(item.get());
    // A client's copy, or an item that is no flag of this match, has no home.
    if (!flag || flag->GetRules() != this)
    {
        item.reset();
        return;
    }
    World* world = context.world;
    if (!world)
        return;
    flag->atHome = true;
    flag->resetTimer = 0.0f;
    const uint8_t team = flag->team;
    const SpawnPoint& home =
        team < flagQueries.size() ? flagQueries[team].GetNth(flag->spawnNumber) : SpawnQuery::Empty();
    CreatePickupEntity(*world, RestingPlacement(home, *flag), 0.0f, {}, false, item, -1);
    // A flag no pickup could be made for waits in the world and comes back here: it is announced once,
    // when it is home.
    if (!item)
        PostStatus(kinds.flagReset, team, None, None, GameTypeEvent::EveryPlayer, GameTypeEvent::EveryTeam);
}

uint32_t CaptureTheFlag::CountTeamTouches(const Pickup& pickup, uint8_t team) const
{
    const Lumvek::Vector2 centre = pickup.body->GetCenter();
    const Lumvek::Rectangle around{centre.x - TouchDistance, centre.y - TouchDistance, TouchDistance * 2.0f,
                                   TouchDistance * 2.0f};
    uint32_t count = 0;
    for (const Player& player : context.world->playerList.Query(around))
        count += player.team == team ? 1u : 0u;
    return count;
}

void CaptureTheFlag::Update(float dt)
{
    GameType::Update(dt);
    World* world = context.world;
    if (!world)
        return;
    for (CtfFlag* flag : flags)
        ReclaimFromDeparted(*flag);
    resetPickups.clear();
    const float resetSeconds = static_cast<float>(settings.timeToReset);
    for (Pickup& pickup : world->pickups.View())
    {
        auto* flag = dynamic_cast<CtfFlag*>(pickup.item.get());
        if (!flag || flag->GetRules() != this || flag->atHome || flag->holder || !pickup.body->active)
            continue;
        if (settings.touchToReset)
            flag->resetTimer += dt * static_cast<float>(CountTeamTouches(pickup, flag->team));
        else
            flag->resetTimer += dt;
        if (flag->resetTimer >= resetSeconds)
            resetPickups.push_back(pickup.id);
    }
    // Taken out of the pickups only now: returning a flag makes a pickup of its own.
    for (EntityId id : resetPickups)
    {
        Pickup* pickup = world->pickups.Find(id);
        if (!pickup || !pickup->item)
            continue;
        std::unique_ptr<Item> flag = std::move(pickup->item);
        if (IsServer())
            context.events->SendPickupRemoved(pickup->id, true);
        world->RemovePickup(*pickup);
        world->ReturnItem(std::move(flag));
    }
}

void CaptureTheFlag::OnFlagTaken(CtfFlag& flag)
{
    const uint32_t team = flag.holder ? flag.holder->team : Player::NoTeam;
    PostEvent(kinds.hasFlag, team, flag.team, None, GameTypeEvent::EveryPlayer, GameTypeEvent::EveryTeam);
    flag.atHome = false;
    flag.resetTimer = 0.0f;
}

void CaptureTheFlag::OnFlagDropped(const CtfFlag& flag)
{
    if (!flag.atHome)
        PostStatus(kinds.flagDropped, flag.team, None, None, GameTypeEvent::EveryPlayer, GameTypeEvent::EveryTeam);
}

void CaptureTheFlag::Capture(const CtfFlagStandAction& stand, Player& player)
{
    if (player.team != stand.team)
        return;
    if (const auto* own = dynamic_cast<const CtfFlag*>(stand.flag); own && settings.atHomeToScore && !own->atHome)
        return;
    auto* carried = dynamic_cast<CtfFlag*>(player.carriedItem.get());
    if (!carried || carried->GetRules() != this || ended)
        return;
    PostEvent(kinds.captured, player.team, carried->team, None, GameTypeEvent::EveryPlayer, GameTypeEvent::EveryTeam);
    std::unique_ptr<Item> flag = std::move(player.carriedItem);
    flag->Release();
    player.HideSprite(PlayerBone::Item);
    if (World* world = context.world)
        world->ReturnItem(std::move(flag));
    if (player.index < statistics.size())
        ++statistics[player.index].captures;
    AddPoint(player, settings.capturesToWin);
}

void CaptureTheFlag::OnPlayerKilled(Player& victim, const HitInfo& hit)
{
    if (hit.shooter && (victim.carriedItem || victim.handItem) && hit.shooter->index < statistics.size())
        ++statistics[hit.shooter->index].carrierKills;
}

void CaptureTheFlag::FormatEvent(GameTypeEvent& event)
{
    if (event.kind >= eventFormats.size())
        return;
    if (event.kind == kinds.hasFlag || event.kind == kinds.captured)
        event.text =
            FormatText(StringView(eventFormats[event.kind]), GetTeamUpperName(event.a), GetTeamUpperName(event.b));
}

void CaptureTheFlag::FormatStatus(GameTypeEvent& event)
{
    if (event.kind < statusFormats.size() && (event.kind == kinds.flagReset || event.kind == kinds.flagDropped))
        event.text = FormatText(StringView(statusFormats[event.kind]), GetTeamUpperName(event.a));
    else
        GameType::FormatStatus(event);
}
