#pragma once

#include "Engine/Foundation/Resource.h"
#include "Source/Data/Attributes.h"
#include "Source/Data/Data.h"
#include "Source/Data/TiledImage.h"

#include <cstdint>

// An area of a map that changes the attributes of the players inside, with its image and particle
// effect. Held by the registry's zone collection; maps place zones by name, and a theme may swap one
// for its own.
class ZoneData : public Data
{
public:
    // The shared keys, the tiled image and the attribute names, which stand in the zone's own object;
    // the image and effect get ids when the zone's folder holds "Image.png" and "Effect.lte".
    bool Read(Lumvek::BlueprintReader& reader) override;
    // The shared keys, the tiled image in use and the modifiers that are not 0.
    void Write(Lumvek::BlueprintWriter& writer) const override;
    // The image into the first texture; the second is not used.
    void Load(Lumvek::Texture& texture, Lumvek::Texture& unused) override;
    // Releases the particle effect.
    void Unload() override;
    Lumvek::StringView GetFolder() const override { return "Zones"; }

    // Id in NameTableA of the image named after the zone.
    uint32_t image = Lumvek::InvalidId;
    // Id in NameTableB of name + "Effect", also the effect's slot in the resource table.
    uint32_t effect = Lumvek::InvalidId;
    TiledImage tiles;
    // Added to the attributes of the players inside.
    Attributes modifiers = Attributes::Modifiers();
};
