#include "Source/Network/Messages/MessageLimits.h"

#include "Source/Data/DataRegistry.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/GameTypes/GameType.h"
#include "Source/World/World.h"

#include <algorithm>

namespace
{
// No score list is longer than the world's player records.
constexpr uint32_t MaxScoreEntries = World::PlayerCount;
} // namespace

MessageLimits MessageLimits::FromRegistry(const DataRegistry& registry)
{
    MessageLimits limits;
    limits.heads = registry.heads.Count();
    limits.cores = registry.cores.Count();
    limits.arms = registry.arms.Count();
    limits.legs = registry.legs.Count();
    limits.items = registry.items.Count();
    limits.weapons = registry.weapons.Count();
    limits.triggers = registry.triggers.Count();
    return limits;
}

void MessageLimits::SetConfiguration(const GameConfiguration& configuration)
{
    teamCount = configuration.teamCount;
    // Players who left keep their slots until the match ends, but only the peers who saw them come know
    // them: a newcomer's list holds only those still there, and so does every end's count.
    const auto present = [](const auto& slots)
    { return std::count_if(slots.begin(), slots.end(), [](const Slot& slot) { return !slot.removed; }); };
    const auto players = static_cast<size_t>(present(configuration.players) + present(configuration.remotePlayers) +
                                             present(configuration.bots));
    playerCount = static_cast<uint32_t>(std::min<size_t>(players, MaxScoreEntries));
}

void MessageLimits::SetGameType(const GameType& rules)
{
    eventKinds = rules.GetKindCount();
    lowestScore = rules.GetLowestScore();
    targetScore = rules.GetTargetScore();
}

uint32_t MessageLimits::GetTeamScoreCount() const
{
    return std::min(TeamScoresByPlayer() ? playerCount : teamCount, MaxScoreEntries);
}

uint32_t MessageLimits::GetPlayerScoreCount() const
{
    return std::min(playerCount, MaxScoreEntries);
}
