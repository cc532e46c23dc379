#pragma once

#include "Source/Data/Data.h"

// A map as the registry knows it: its name, display name and description. The map's contents (its
// bounds, spawn points and entities) are read from the same file by the world when a match loads it;
// the definition only checks them, and its Save keeps them as the file holds them.
class MapData : public Data
{
public:
    bool Read(Lumvek::BlueprintReader& reader) override;
    Lumvek::StringView GetFolder() const override { return "Maps"; }
};
