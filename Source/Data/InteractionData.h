#pragma once

#include "Engine/Foundation/Resource.h"
#include "Source/Data/Data.h"

#include <cstdint>

// An object of a map that players interact with, with its image and the sound it makes. Held by the
// registry's interaction collection; maps place interactions by name, and a theme may swap one for
// its own.
class InteractionData : public Data
{
public:
    // The shared keys; the image and the sound are named after the interaction.
    bool Read(Lumvek::BlueprintReader& reader) override;
    // "Image" into the first texture, and the sound "Interact"; the second texture is not used.
    void Load(Lumvek::Texture& texture, Lumvek::Texture& unused) override;
    Lumvek::StringView GetFolder() const override { return "Interactions"; }

    // Id in NameTableA.
    uint32_t image = Lumvek::InvalidId;
    // Id in NameSet::Global.
    uint32_t interact = Lumvek::InvalidId;
};
