#pragma once

#include "Engine/Foundation/Resource.h"
#include "Source/Data/Data.h"
#include "Source/Data/TiledImage.h"

#include <cstdint>

// A harmful or windy area of a map, with its image and particle effect. Held by the registry's hazard
// collection; maps place hazards by name, and a theme may swap one for its own.
class HazardData : public Data
{
public:
    // The shared keys, "Damage", "WindSpeed", "WindImpulse" and the tiled image; the image and effect
    // get ids when the hazard's folder holds "Image.png" and "Effect.lte".
    bool Read(Lumvek::BlueprintReader& reader) override;
    // The shared keys, then only the values that are not 0 and the tiled image in use.
    void Write(Lumvek::BlueprintWriter& writer) const override;
    // The image into the first texture; the second is not used.
    void Load(Lumvek::Texture& texture, Lumvek::Texture& unused) override;
    // Releases the particle effect.
    void Unload() override;
    Lumvek::StringView GetFolder() const override { return "Hazards"; }

    // Per second, to a player inside.
    float damage = 0.0f;
    float windSpeed = 0.0f;
    float windImpulse = 0.0f;
    // Id in NameTableA of the image named after the hazard.
    uint32_t image = Lumvek::InvalidId;
    // Id in NameTableB of name + "Effect", also the effect's slot in the resource table.
    uint32_t effect = Lumvek::InvalidId;
    TiledImage tiles;
};
