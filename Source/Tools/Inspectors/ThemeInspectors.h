#pragma once

#include "Source/Tools/Inspectors/DataInspector.h"

#include <cstdint>
#include <string>
#include <vector>

struct ThemeBackground;
class ThemeData;
struct ThemeObject;

// The windows of a theme: the definition with its sizes, its data map and the lists of its layers and
// objects, and one window per background layer and per decoration object, whose "Regenerate" rebuilds
// what the running match shows of it. Edits change the records at once. Application thread.

class ThemeDataInspector final : public DataInspector
{
public:
    explicit ThemeDataInspector(ThemeData* theme);
    void Draw() override;

    // Adds the typed key and value to the end of the data map and empties both; an entry the theme's
    // file would refuse (ThemeData::CheckReplacement), or a key the map holds already, is refused with a
    // line and both are kept. True when taken.
    bool AddEntry();

    ThemeData* theme;
    // The data-map entry being typed in.
    std::string newKey;
    std::string newValue;
};

// One layer of a list of layers: a theme's own, or the running map's that the game renderer keeps.
// The window holds the layer's place in the list, not its address, since adding a layer may move
// the list; a place beyond the list closes the window.
class ThemeBackgroundInspector final : public Inspector
{
public:
    // worldBound: the list belongs to the running match and goes with its world.
    ThemeBackgroundInspector(std::vector<ThemeBackground>* list, uint32_t index, bool worldBound);
    void Draw() override;
    bool IsWorldBound() const override { return worldBound; }

    // The layer shown; null once the list no longer reaches its place.
    ThemeBackground* GetLayer() const;

    std::vector<ThemeBackground>* list;
    uint32_t index;
    bool worldBound;
};

class ThemeObjectInspector final : public Inspector
{
public:
    // seed: where the scatter's draws start, so that "Regenerate" gives the same placements each time
    // for the same values.
    ThemeObjectInspector(ThemeObject* object, uint32_t seed);
    void Draw() override;

    ThemeObject* object;
    uint32_t seed;
};

namespace ThemeRows
{

// "TileSize" and "Conveyer Size" of the theme; true when either changed.
bool Sizes(ThemeData& theme);
// Stores the size (one of the two above) unless the platform pass cannot tile with it (not above 0,
// or not finite), which is logged and refused. A stored change prepares the platforms of the running
// world again when the world is drawn with this theme. True when the size changed.
bool SetSize(ThemeData& theme, float ThemeData::*size, float value);
// The four edges of a layer or an object, each either the world's own (unbounded) or a number.
void Edges(float& left, float& right, float& bottom, float& top);

} // namespace ThemeRows
