#pragma once

#include "Engine/Foundation/StringView.h"

#include <string>
#include <vector>

class World;

// What a loaded map lacks for the match its configuration sets up: player spawn points for each team,
// the mode's objectives, points standing inside solid platforms, WorldBounds, platforms, and keys no
// reader takes (each with the nearest known key). Each line names the map's file and the member.
struct MapCheck
{
    // In the order found; empty for a map that plays as its configuration asks.
    std::vector<std::string> lines;
    // Why no match can start on the map (its players would never spawn, it has no bounds, or an
    // objective of the mode is missing); empty when one can.
    std::string unplayable;
};

// Checks the world's map as just loaded, for the mode named mode and the configuration's teams; the
// file is named as file. Runs where the map loads, while nothing steps the world.
MapCheck CheckMap(World& world, Lumvek::StringView file, Lumvek::StringView mode);
// The nearest of the known keys to key by edit distance, ignoring case; empty when there are none.
std::string NearestKey(Lumvek::StringView key, const std::vector<Lumvek::StringView>& known);
