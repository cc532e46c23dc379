#pragma once

#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/Resource.h"
#include "Source/Data/Attributes.h"
#include "Source/Data/Data.h"
#include "Source/Data/NameTables.h"

#include <cstdint>
#include <vector>

// An object a player carries for a game mode (the capture-the-flag flags, the keepaway token): its
// body's size and outline, what holding it adds to the holder, its team and its images. Held by the
// registry's item collection, by "DataType"; the world builds carried items and their pickups from it.
class ItemData : public Data
{
public:
    // The shared keys, then "Size", "Offset", "Shape", "Rotatable", "Team" and the attribute names,
    // which stand in the definition's own object.
    bool Read(Lumvek::BlueprintReader& reader) override;
    // "DataType" first, then the keys Read takes; only the modifiers that are not 0.
    void Write(Lumvek::BlueprintWriter& writer) const override;
    // "Image" into the first texture and "Draw" into the second, both under the region of the item's
    // name.
    void Load(Lumvek::Texture& imageTexture, Lumvek::Texture& drawTexture) override;
    Lumvek::StringView GetFolder() const override { return "Items"; }

    // The colours of the item's team. Team comes from a file and may lie past the table: such an item
    // takes the neutral colours.
    const TeamColorEntry& GetTeamColor() const;

    Lumvek::Vector2 size;
    Lumvek::Vector2 offset;
    // The body's outline in the item's own frame.
    std::vector<Lumvek::Vector2> shape;
    // Added to the holder's attributes while the item is held.
    Attributes modifiers = Attributes::Modifiers();
    // Whether the body may turn.
    bool rotatable = false;
    // Id in NameTableA of the image named after the item; -1 until loaded.
    uint32_t image = Lumvek::InvalidId;
    // A TeamColor value, kept as read.
    uint8_t team = 0;
};

class FlagData final : public ItemData
{
};

class TokenData final : public ItemData
{
};

// "Flag" and "Token". A plain item has no DataType of its own to be created from.
const DataTypeMap<ItemData>& ItemDataTypes();
