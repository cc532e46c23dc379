#pragma once

#include "Engine/Foundation/Resource.h"
#include "Source/Data/Data.h"
#include "Source/Data/NameTables.h"
#include "Source/Data/TiledImage.h"

#include <cstdint>

// An area of a map that runs a map action when a player enters it, stays in it or leaves it, with
// its image. Held by the registry's trigger collection; the game modes look up "FlagStand" and
// "Checkpoint" by name.
class TriggerData : public Data
{
public:
    // The shared keys, the tiled image, then "EnterAction", "StayAction" and "LeaveAction" by name.
    bool Read(Lumvek::BlueprintReader& reader) override;
    // The shared keys, the tiled image in use and each action that is not None.
    void Write(Lumvek::BlueprintWriter& writer) const override;
    // Names the image after the trigger and loads "Image" into the first texture; the second is not
    // used.
    void Load(Lumvek::Texture& texture, Lumvek::Texture& unused) override;
    Lumvek::StringView GetFolder() const override { return "Triggers"; }

    TriggerAction enterAction = TriggerAction::None;
    TriggerAction stayAction = TriggerAction::None;
    TriggerAction leaveAction = TriggerAction::None;
    // Id in NameTableA; -1 until loaded.
    uint32_t image = Lumvek::InvalidId;
    TiledImage tiles;
};
