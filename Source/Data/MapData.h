#pragma once

#include "Source/Data/Data.h"

// A map as the registry knows it: its name, display name and description. The map's contents (its
// bounds, spawn points and entities) are read from the same file by the world when a match loads it,
// and checked for the definition's Save by the world's reader (CheckMapDefinition).
class MapData : public Data
{
public:
    Lumvek::StringView GetFolder() const override { return "Maps"; }
};
