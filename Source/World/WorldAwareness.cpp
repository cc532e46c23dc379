// What each player is aware of, refreshed at the end of every full tick: the players it sees or hears
// and the pickups and triggers highlighted for it.

#include "Source/World/World.h"

#include "Source/World/Player.h"

#include <cmath>

using Lumvek::Vector2;

namespace
{

// Closer than this (10 units) a player is always noticed, from this (30 units) on never; in between
// its noise has to outweigh the observer's lack of awareness, less so the closer it is.
constexpr float NearDistanceSquared = 100.0f;
constexpr float FarDistanceSquared = 900.0f;
constexpr float NoiseFalloff = 0.00125f;
constexpr float PerfectAwareness = 100.0f;
// A marker stands this far above the point it marks.
constexpr float MarkerLift = 0.05f;
constexpr uint8_t EveryPlayer = World::PlayerCount;
constexpr uint8_t EveryTeam = 4;

// Whether the pickup or trigger is highlighted for the observer.
template <class Record> bool IsHighlightedFor(const Record& record, const Player& observer)
{
    if (record.highlightTeam == NoHighlight && record.highlightPlayer == NoHighlight)
        return false;
    return record.highlightPlayer == EveryPlayer || record.highlightPlayer == observer.index ||
           record.highlightTeam == EveryTeam || record.highlightTeam == observer.team;
}

// The middle of the top edge of a body's rectangle turned by its rotation about its centre.
Vector2 TopOfTurnedBounds(const TransformBody& body)
{
    const Vector2 center = body.GetCenter();
    const float halfHeight =
        (std::fabs(std::cos(body.rotation)) * body.height + std::fabs(std::sin(body.rotation)) * body.width) * 0.5f;
    return {center.x, center.y + halfHeight};
}

} // namespace

void World::Notice(std::vector<AwarenessMarker>& markers, uint32_t kind, uint64_t identifier, Vector2 position)
{
    const Vector2 standing(position.x, position.y + MarkerLift);
    for (AwarenessMarker& marker : markers)
        if (marker.identifier == identifier && marker.kind == kind)
        {
            marker.position = standing;
            marker.age = 0.0f;
            return;
        }
    markers.push_back({identifier, kind, standing, standing, 0.0f});
}

void World::UpdateAwareness(Player& observer, float dt)
{
    std::vector<AwarenessMarker>& markers = observer.awareness;
    // Enough for everything a player notices at once in an ordinary match: the list then never grows
    // during play.
    if (markers.capacity() == 0)
        markers.reserve(PlayerCount * 2);
    for (size_t i = 0; i < markers.size();)
    {
        AwarenessMarker& marker = markers[i];
        marker.age += dt;
        bool keep = marker.age < AwarenessMarker::FadeSeconds;
        // A highlighted trigger's marker lasts exactly as long as the highlight.
        if (marker.kind == AwarenessMarker::TriggerKind)
            if (const Trigger* trigger = triggers.Find(static_cast<EntityId>(marker.identifier)))
                keep = trigger->highlightTeam != NoHighlight || trigger->highlightPlayer != NoHighlight;
        if (keep)
            ++i;
        else
            markers.erase(markers.begin() + static_cast<std::ptrdiff_t>(i));
    }

    const float awareness = observer.baseAttributes.awareness + observer.modifiers[&Attributes::awareness];
    const Vector2 seen(observer.body.x, observer.body.y);
    for (Player* other : activePlayers)
    {
        if (other == &observer || other->IsDead())
            continue;
        const PlayerBody& body = other->body;
        // Team-mates show through walls when the view is toggled; players without a team are nobody's.
        if (observer.viewToggle && observer.team != Player::NoTeam && other->team == observer.team)
        {
            const Lumvek::Rectangle bounds = body.GetBounds();
            Notice(markers, AwarenessMarker::PlayerKind, other->index,
                   {bounds.x + bounds.width * 0.5f, bounds.y + bounds.height});
            continue;
        }
        const float dx = body.x - seen.x;
        const float dy = body.y - seen.y;
        const float distanceSquared = dx * dx + dy * dy;
        if (distanceSquared >= FarDistanceSquared)
            continue;
        const float noise = other->GetNoise() * other->modifiers[&Attributes::noisiness];
        if (distanceSquared < NearDistanceSquared ||
            noise * (1.0f - (distanceSquared - NearDistanceSquared) * NoiseFalloff) >= PerfectAwareness - awareness)
            Notice(markers, AwarenessMarker::PlayerKind, other->index, {body.x, body.y + body.boxHeight});
    }

    for (const Pickup& pickup : pickups.View())
    {
        if (!IsHighlightedFor(pickup, observer) || (!pickup.weapon && !pickup.item))
            continue;
        Notice(markers, pickup.weapon ? AwarenessMarker::WeaponPickupKind : AwarenessMarker::ItemPickupKind, pickup.id,
               TopOfTurnedBounds(*pickup.body));
    }
    for (const Trigger& trigger : triggers.View())
        if (IsHighlightedFor(trigger, observer))
            Notice(markers, AwarenessMarker::TriggerKind, trigger.id, TopOfTurnedBounds(*trigger.body));
}
