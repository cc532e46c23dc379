#pragma once

#include <cstdint>

struct AwarenessMarker;
class World;

// What an indicator shows of a marker: its colours and its icon, read from the world as it is now.
// The colour of a marker for the heads-up display, as four bytes red, green, blue, alpha in memory read
// as one little-endian number: for a player still in the match, white while it leads (when the leader
// is shown) and otherwise its team's colour, fading out with the marker's age; white otherwise.
uint32_t GetMarkerColor(const World& world, const AwarenessMarker& marker);
// The same without the leader's white.
uint32_t GetMarkerTeamColor(const World& world, const AwarenessMarker& marker);
// The image drawn in the marker: "Death" for a dead player, "LeaderIcon" for the leader, the icon of a
// weapon lying in a pickup or of a trigger's definition; -1 for none.
int32_t GetMarkerIcon(const World& world, const AwarenessMarker& marker);
