#pragma once

#include "Source/Tools/Editors/WorldEditor.h"

#include <string>
#include <vector>

// The "Game" tab: the world editor over the live entities of the running match (pickups, players,
// projectiles, triggers, visuals), which it lists, picks, drags, nudges and deletes but neither resizes
// nor creates. Application thread.
class GameEditor final : public WorldEditor
{
public:
    explicit GameEditor(std::string name) : WorldEditor(std::move(name), false, EntityKind::None) {}

    std::vector<EntityReference> GetEntitiesAt(World& world, Lumvek::Vector2 point) override;
    void Draw() override;

    // Selects the entity, centres the tools camera on it and opens its window.
    void Show(EntityReference reference, Lumvek::Vector2 position);
};
