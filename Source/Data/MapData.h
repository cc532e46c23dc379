#pragma once

#include "Engine/Foundation/ReadReport.h"
#include "Source/Data/Data.h"

#include <memory>

// A map as the registry knows it: its name, display name and description. The map's contents (its
// bounds, spawn points and entities) are read from the same file by the world when a match loads it,
// and checked for the definition's Save by the world's reader (CheckMapDefinition).
class MapData : public Data
{
public:
    Lumvek::StringView GetFolder() const override { return "Maps"; }

    // What the readings of the file's text logged, shared by the definition's check and by each match's
    // load of the same text (on the match loader thread), so that each problem is logged once. Made
    // with the definition and never replaced; forgotten when a Save writes a new text.
    const std::shared_ptr<Lumvek::SaidProblems> said = std::make_shared<Lumvek::SaidProblems>();
};
