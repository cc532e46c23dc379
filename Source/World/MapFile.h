#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/StringView.h"
#include "Source/World/MapNames.h"

#include <string>
#include <vector>

class MapData;
class World;

// A map's contents on disk: "Assets/Maps/{}/Data.json" under the application folder, one JSON object
// with "DisplayName" and "Description" (written only), "WorldBounds", "SpawnPoints", "Entities" (the
// arrays "Platforms", "Hazards", "Visuals", "Zones", "Interactions") and "Backgrounds".

// Loads the map of the context's configuration into the world, which is first emptied and given a
// new Box2D world with the configuration's gravity; the theme of the configuration maps element
// definitions. The world keeps the file's record: the file as parsed, what SaveMapText writes right
// after the load, and the report of each member the load could not take as written (a missing map
// definition or file, or text that is no JSON object, is a file that did not parse). Bounds that are not
// four numbers, positive and finite (and not too large for the grids) leave the world empty over the
// default bounds; any other member that cannot be taken keeps what its field had, and an element that
// cannot be placed is kept as read for the writer. The report is logged as it is made, and so are
// entities named like an earlier one of their kind. True when the file was read whole. Runs on the
// match-loading thread while nothing steps the world.
bool LoadMapData(World& world, MapNames& names);
// The same from the file's text; mapName names the map in messages.
bool LoadMapText(World& world, MapNames& names, Lumvek::StringView text, Lumvek::StringView mapName);

// Writes the world's map contents back to the map's file through the temporary-file writer, merged
// with the file as read: what the maker did not change is written as the file held it, and members no
// reader knows are kept. Logs "saved to {}" with the path, or the failure. Only entities made by the map
// are written. While the file is not read whole (until the maker has set each member the load could not
// take) nothing is written, and the refusal names the file and the first members.
bool SaveMapData(World& world, const MapNames& names);
// What the world's map contents write, before the merge with the file.
std::string SaveMapText(World& world, const MapNames& names);

// Renews the map definition's report from its record's file: each member of the definition's own
// and of the map content the map load would not take as written, checked without a world, so that the
// data editor's Save refuses a map file not read whole as the map editor's does. Whether an element's
// definition exists and where it can be placed is the match's to say. A problem the report held
// before is not logged again: each is logged once for each reading of the file. Application thread.
void CheckMapDefinition(MapData& map);

// "Assets/Maps/<name>/Data.unsaved.json" beside the map's file: where KeepUnsavedEdits writes; empty
// without a map definition.
std::string GetUnsavedMapPath(const World& world);
// When the world holds map edits no Save wrote (what Save would write differs from what the file held
// after its load or last Save), writes what Save would write to the unsaved copy beside the map,
// through the temporary-file writer, and logs a line naming the copy; the map's own file is never
// written here. True when a copy was written. For a world about to go: the end of a match, a new one.
bool KeepUnsavedEdits(World& world, const MapNames& names);
// Logs a line naming the unsaved copy of the world's map when one stands beside it, for the maker to
// take up or remove.
void NameUnsavedCopy(const World& world);

// The first ten descriptions, then how many more there are.
std::string ListSome(const std::vector<std::string>& items);

// "Assets/Maps/<name>/Data.json" under the application folder of the context's registry; empty
// without a registry or map definition.
std::string GetMapPath(const World& world);
