#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Random.h"
#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The tags of a spawn point, or of a query for points: bit i is name i of SpawnMaskNames ("Player",
// "Objective", "Weapon0" to "Weapon5", "Team0" to "Team3", "FreeForAll", then the four modes).
struct SpawnMask
{
    static constexpr uint32_t All = 0x1ffff;

    // Sets the bits the text names: "All" (the whole text, any case) sets every bit; otherwise each
    // piece between "|" that equals a name ignoring case sets its bit. Bits already set stay set.
    // False when a piece (other than an empty one) names no tag.
    bool Parse(Lumvek::StringView text);
    // The names of the set bits in bit order, joined by "|"; empty for no bits.
    std::string Write() const;
    // Parses the member key of the reader's current Object (a member that is no String as the empty
    // text); false when there is no such member. A member that is no String, or a piece that names no
    // tag, is reported to the reader.
    static bool Read(Lumvek::BlueprintReader& reader, Lumvek::StringView key, SpawnMask& mask);

    // What a point made in the editor carries: every player query of every mode and team matches it, so
    // that it spawns players at once, and the maker takes away tags to narrow it.
    static SpawnMask ForNewPoint()
    {
        SpawnMask mask;
        mask.Parse("Player|FreeForAll|Team0|Team1|Team2|Team3|Deathmatch|CaptureTheFlag|Keepaway|Race");
        return mask;
    }

    // A point matches a query when it carries every tag of the query.
    bool Contains(SpawnMask query) const { return (bits & query.bits) == query.bits; }

    uint32_t bits = 0;

    bool operator==(const SpawnMask&) const = default;
};

// Where players, objectives and weapons appear. Held in the World's list, read from the map.
struct SpawnPoint
{
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    // Radians.
    float angle = 0.0f;
    bool flipped = false;
    SpawnMask mask;

    bool operator==(const SpawnPoint&) const = default;
};

// Empties the list and reads the "SpawnPoints" array of the reader's current value, the map's root,
// into it; each member it cannot take is reported to the reader.
void ReadSpawnPoints(Lumvek::BlueprintReader& reader, std::vector<SpawnPoint>& points);
// Writes the list as the writer's current value, an Array.
void WriteSpawnPoints(Lumvek::BlueprintWriter& writer, std::span<const SpawnPoint> points);

// The spawn points that carry every tag of a mask, to be taken by position or in shuffled passes.
// Reads the list as it stands at each call, since the map editor adds and erases points during a
// match: valid while the list object itself lives (the world's, for a game mode's queries).
class SpawnQuery
{
public:
    SpawnQuery() = default;
    SpawnQuery(const std::vector<SpawnPoint>& points, SpawnMask mask) : points(&points), mask(mask) {}

    // The n-th matching point in list order; the empty point when fewer match.
    const SpawnPoint& GetNth(uint32_t n) const;
    // The next point of a shuffled pass over the matches: every match is handed out once before any
    // repeats; a pass drawn before the list changed length is dropped for a new one. The empty point
    // when nothing matches.
    const SpawnPoint& TakeRandom(Lumvek::RandomGenerator& random);
    uint32_t Count() const;

    // One shared all-zero point.
    static const SpawnPoint& Empty();

private:
    const std::vector<SpawnPoint>* points = nullptr;
    SpawnMask mask;
    // The current pass: the matches' places in the list, and the length of the list they were taken from.
    std::vector<uint32_t> shuffled;
    size_t passListSize = 0;
    uint32_t next = 0;
};
