#pragma once

#include "Source/Tools/Editors/WorldEditor.h"

#include "Source/Data/ThemeData.h"

#include <string>
#include <vector>

// The "Map" tab: the world editor over the map's own entities (spawn points, platforms, hazards,
// zones, interactions) with resizing and creation, and a panel for the create mode, the world bounds,
// the definitions new entities take, the entity lists, and "Save", which writes the running world back
// to its map file. Application thread.
class MapEditor final : public WorldEditor
{
public:
    explicit MapEditor(std::string name);

    std::vector<EntityReference> GetEntitiesAt(World& world, Lumvek::Vector2 point) override;
    void Draw() override;
    // The panel's section of the map check: what the map lacks, and a button to check it again.
    void DrawCheck(World& world);

    // Writes the running world to its map file; false (logged by the writer) when it cannot, or when
    // the match's load did not read the whole file, which the panel then says.
    bool Save();
    // Stores the mode and the create kind it stands for; an unknown mode is ignored.
    void SetMode(uint32_t newMode);
    // Takes the bounds into the world, its grids laid out over them, unless a side is below one unit,
    // which the editors' margin cannot hold anything inside, or a map entity would lie outside them
    // (beyond the grids, where the next load of the saved map could not place it, or wholly past an
    // edge, where no player reaches it; a moving platform anywhere on its path), or a spawn point would:
    // then says why in the panel, logs it once for the same bounds asked again (a field holding a
    // refused value asks every frame) and keeps the old.
    bool SetWorldBounds(const Lumvek::Rectangle& bounds);
    // The note on the map elements the load could not place, naming them; empty when there are none.
    std::string KeptNote() const;

    // The label of a background layer in the list: its texture's name, else its one colour or its two
    // colours bottom to top.
    static std::string BackgroundLabel(const ThemeBackground& layer);
    // Appends the default layer (a yellow-to-magenta gradient 40 units square about the origin, pinned
    // on every side) to the match's background list, fitted to the world; false without a list.
    bool AddBackground();

    uint32_t mode = 0;
    // Why the last bounds change was refused; empty once bounds are taken.
    std::string boundsProblem;

private:
    // The map entities outside the bounds, by kind, id and name (the first ten, then how many more);
    // empty when all lie inside.
    std::string FindOutside(World& world, const Lumvek::Rectangle& bounds) const;
    // Refuses the bounds with the reason, logged unless these bounds were the last refused.
    bool Refuse(const Lumvek::Rectangle& bounds, std::string reason);

    // The bounds last refused, so that asking them again is not logged again.
    Lumvek::Rectangle refusedBounds{0.0f, 0.0f, 0.0f, 0.0f};
    // Selects the entity, centres the tools camera on it and opens its window.
    void Show(EntityReference reference, Lumvek::Vector2 position);
};
