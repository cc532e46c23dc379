#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/StringView.h"
#include "Source/World/MapNames.h"

#include <string>

class World;

// A map's contents on disk: "Assets/Maps/{}/Data.json" under the application folder, one JSON object
// with "DisplayName" and "Description" (written only), "WorldBounds", "SpawnPoints", "Entities" (the
// arrays "Platforms", "Hazards", "Visuals", "Zones", "Interactions") and "Backgrounds".

// Loads the map of the context's configuration into the world, which is first emptied and given a
// new Box2D world with the configuration's gravity; the theme of the configuration maps element
// definitions. A missing map definition or file, text that is no JSON object, or bounds that are not
// four numbers, positive and finite (and not too large for the grids) leave the world empty over the
// default bounds; "SpawnPoints", "Entities" or "Backgrounds" of another form are read as empty. Each is
// logged and noted in the names' failure, and false returned. Runs on the match-loading thread while
// nothing steps the world.
bool LoadMapData(World& world, MapNames& names);
// The same from the file's text; mapName names the map in messages.
bool LoadMapText(World& world, MapNames& names, Lumvek::StringView text, Lumvek::StringView mapName);

// Writes the world's map contents back to the map's file through the temporary-file writer; logs
// "saved to {}" with the path, or the failure. Only entities made by the map are written. A map whose
// load noted a failure in the names is not written: the file keeps what the load could not read.
bool SaveMapData(World& world, const MapNames& names);
// The text SaveMapData writes.
std::string SaveMapText(World& world, const MapNames& names);

// "Assets/Maps/<name>/Data.json" under the application folder of the context's registry; empty
// without a registry or map definition.
std::string GetMapPath(const World& world);
