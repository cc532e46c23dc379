#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <random>

class DataCollectionBase;
class DataRegistry;

// A player's parts and weapons as indices into the registry's Heads, Cores, Arms, Legs and Weapons
// collections. Plain data, copied by value.
struct Loadout
{
    static constexpr uint32_t Count = 6;
    static constexpr uint32_t PartCount = 4;
    static constexpr uint32_t None = 0xFFFFFFFFu;
    // A part picked at random when the match starts; weapons are never random.
    static constexpr uint32_t Random = 0xFFFFFFFEu;

    // The registry folder whose collection a position indexes: "Parts/Heads", "Parts/Cores",
    // "Parts/Arms", "Parts/Legs", then "Weapons" twice; empty past the last position.
    static Lumvek::StringView GetFolder(uint32_t position);
    // The member name of a position in loadout objects: "Head" ... "SecondaryWeapon".
    static Lumvek::StringView GetMemberName(uint32_t position);

    // Positions in the order above; an index at or past Count throws InvalidIndex.
    uint32_t& operator[](uint32_t position);
    uint32_t operator[](uint32_t position) const;

    // Reads the six definition names of the reader's current object: an absent or empty name is
    // None, "Random" picks a part at match start, any other name its definition's index. A name the
    // registry does not know keeps the position's value and is logged.
    void Read(Lumvek::BlueprintReader& reader, const DataRegistry& registry);

    bool operator==(const Loadout&) const = default;

    uint32_t head = None;
    uint32_t core = None;
    uint32_t arms = None;
    uint32_t legs = None;
    uint32_t startingWeapon = None;
    uint32_t secondaryWeapon = None;
};

// The collection of the registry loaded from that folder below "Assets"; null when the registry has
// none.
const DataCollectionBase* FindCollection(const DataRegistry& registry, Lumvek::StringView folder);

// The index of the definition named name in the collection of folder. False when there is no such
// definition: the member key of the reader's current Object, which named it, is refused through the
// reader (so the line names the file and the member), and index is left as it was.
bool FindDefinitionIndex(const DataRegistry& registry, Lumvek::StringView folder, Lumvek::StringView name,
                         uint32_t& index, Lumvek::BlueprintReader& reader, Lumvek::StringView key);

// A uniform-looking pick among count items from one 32-bit draw, whose first and last index come up
// half as often as the others; None when count is 0.
uint32_t PickRandomIndex(std::mt19937& random, uint32_t count);
