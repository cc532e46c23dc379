#include "Source/Game/Rendering/IndicatorMarkers.h"

#include "Source/Data/ItemData.h"
#include "Source/Data/NameTables.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/TriggerData.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/Awareness.h"
#include "Source/World/Item.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"

#include <algorithm>
#include <cmath>

using Lumvek::Vector2;

namespace
{

constexpr uint32_t OpaqueWhite = 0xFFFFFFFFu;

// The live record of a storage with that id; null when it is gone. A view walk, so that a const world
// can be asked: markers are few and storages small.
template <class Record> const Record* FindLive(std::span<const Record> records, uint64_t identifier)
{
    for (const Record& record : records)
        if (record.id == identifier)
            return &record;
    return nullptr;
}

// The marked player while it is in the match; null otherwise.
const Player* FindMarkedPlayer(const World& world, const AwarenessMarker& marker)
{
    if (marker.kind != AwarenessMarker::PlayerKind || marker.identifier >= World::PlayerCount)
        return nullptr;
    const Player& player = world.players[marker.identifier];
    return player.present ? &player : nullptr;
}

uint32_t MarkerColor(const World& world, const AwarenessMarker& marker, bool showLeader)
{
    const Player* player = FindMarkedPlayer(world, marker);
    if (!player)
        return OpaqueWhite;
    const uint32_t team = player->team < TeamColorCount ? player->team : static_cast<uint32_t>(TeamColor::Neutral);
    const uint32_t color = showLeader && player->leaderMarker ? OpaqueWhite : GetTeamColor(team).PackedColor();
    const float opacity = std::clamp(1.0f - marker.age / AwarenessMarker::FadeSeconds, 0.0f, 1.0f);
    const auto alpha = static_cast<uint32_t>(opacity * 255.0f);
    return (color & 0x00FFFFFFu) | alpha << 24;
}

} // namespace

uint32_t GetMarkerColor(const World& world, const AwarenessMarker& marker)
{
    return MarkerColor(world, marker, true);
}

uint32_t GetMarkerTeamColor(const World& world, const AwarenessMarker& marker)
{
    return MarkerColor(world, marker, false);
}

int32_t GetMarkerIcon(const World& world, const AwarenessMarker& marker)
{
    constexpr int32_t NoIcon = -1;
    switch (marker.kind)
    {
    case AwarenessMarker::PlayerKind:
        if (const Player* player = FindMarkedPlayer(world, marker))
        {
            if (player->IsDead())
                return static_cast<int32_t>(Images::Death);
            if (player->leaderMarker)
                return static_cast<int32_t>(Images::LeaderIcon);
            // A flag or the token on the body, or still in the hand on its way there.
            const Item* held = player->carriedItem ? player->carriedItem.get() : player->handItem.get();
            if (held && held->data && held->data->icon != Lumvek::InvalidId)
                return static_cast<int32_t>(held->data->icon);
        }
        return NoIcon;
    case AwarenessMarker::WeaponPickupKind:
        if (const Pickup* pickup = FindLive<Pickup>(world.pickups.View(), marker.identifier);
            pickup && pickup->weapon && pickup->weapon->data)
            return static_cast<int32_t>(pickup->weapon->data->icon);
        return NoIcon;
    case AwarenessMarker::TriggerKind:
        if (const Trigger* trigger = FindLive<Trigger>(world.triggers.View(), marker.identifier);
            trigger && trigger->data)
            return static_cast<int32_t>(trigger->data->icon);
        return NoIcon;
    default:
        return NoIcon;
    }
}
