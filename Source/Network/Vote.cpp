#include "Source/Network/Vote.h"

#include "Engine/Foundation/Log.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/ServerLines.h"
#include "Source/World/GameContext.h"
#include "Source/World/World.h"

#include <random>

using namespace Lumvek;

namespace Vote
{

std::string_view ConfigurationKey(const GameContext& context, uint32_t index)
{
    const GameConfiguration* configuration = context.registry ? context.registry->configurations.Get(index) : nullptr;
    return configuration ? std::string_view(configuration->key) : std::string_view();
}

std::vector<uint32_t> OfferedConfigurations(const GameContext& context, uint32_t maximumPlayers,
                                            ServerLines::Unoffered& leftOut)
{
    leftOut = {};
    std::vector<uint32_t> offered;
    for (uint32_t i = 0; i < ConfigurationCount(context); ++i)
    {
        const GameConfiguration* configuration = context.registry->configurations.Get(i);
        if (!configuration)
            continue;
        // Bots take the ids the players leave, and every one needs a player record of the world.
        const size_t bots = configuration->bots.size();
        if (configuration->key.size() > ConfigurationName::MaxLength)
        {
            Log::Write(ServerLines::NameTooLongForVote(configuration->key, ConfigurationName::MaxLength));
            ++leftOut.namesTooLong;
        }
        else if (bots + maximumPlayers <= World::PlayerCount)
            offered.push_back(i);
        else
        {
            Log::Write(ServerLines::LeftOutOfVote(configuration->name, bots, maximumPlayers, World::PlayerCount));
            ++leftOut.withoutRoom;
        }
    }
    return offered;
}

Options ChooseOptions(const std::vector<uint32_t>& offered, uint64_t& seed)
{
    std::mt19937 random(static_cast<uint32_t>(seed ^ (seed >> 32)));
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    std::array<uint32_t, 3> order = {1, 2, 0};
    if (random() % 3 == 2)
        order = {2, 1, 0};
    Options options{};
    for (uint32_t i = 0; i < 3; ++i)
        options[i] = offered.empty() ? 0 : offered[order[i] % offered.size()];
    return options;
}

uint32_t Tally(std::span<const RemotePlayerSlot> voters, const Options& options, uint32_t previous)
{
    std::array<uint32_t, 3> counts{};
    for (const RemotePlayerSlot& slot : voters)
        if (!slot.removed && slot.vote < 3)
            ++counts[slot.vote];
    uint32_t best = 0;
    uint32_t chosen = previous;
    for (uint32_t i = 0; i < 3; ++i)
        if (counts[i] > best)
        {
            best = counts[i];
            chosen = options[i];
        }
    return chosen;
}

} // namespace Vote
