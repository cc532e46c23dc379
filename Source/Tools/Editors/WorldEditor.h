#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/Tools/Editors/Editor.h"

#include <cstdint>
#include <string>
#include <vector>

class Data;
class Tools;
class World;
struct MapNames;
struct Platform;

// The kinds of entity the world editors pick, in the order their references number them.
namespace EntityKind
{
constexpr uint32_t None = 0;
constexpr uint32_t SpawnPoint = 1;
constexpr uint32_t Hazard = 2;
constexpr uint32_t Interaction = 3;
constexpr uint32_t Pickup = 4;
constexpr uint32_t Platform = 5;
constexpr uint32_t Player = 6;
constexpr uint32_t Projectile = 7;
constexpr uint32_t Trigger = 8;
constexpr uint32_t Visual = 9;
constexpr uint32_t Zone = 10;
} // namespace EntityKind

// One entity of the running world by kind and index (a position in its storage, or an id the slot must
// still hold). A reference never points into the world, so one whose entity went simply resolves to
// nothing.
struct EntityReference
{
    uint32_t kind = EntityKind::None;
    uint32_t index = 0xFFFFFFFFu;

    uint64_t Packed() const { return uint64_t(index) << 32 | kind; }
    bool operator==(const EntityReference&) const = default;
};

// The world editing shared by the map and game tabs: picking under the mouse with cycling through
// overlapping entities, moving and resizing on a grid, arrow-key nudges, creation with Space and a
// drag, deletion, and opening the entities' windows. Application thread, inside the tools' frame; it
// reads and writes the running world between its ticks.
class WorldEditor : public Editor
{
public:
    enum class DragMode : uint32_t
    {
        None,
        Move,
        ResizeWidth,
        ResizeHeight,
        ResizeBoth,
    };

    WorldEditor(std::string name, bool resizes, uint32_t createKind);

    void Update(uint32_t unused, const Lumvek::KeyboardState& keyboard, const Lumvek::MouseState& mouse) override;
    void DrawWorld(const ToolsView& view, LineRenderer& lines) override;
    void WorldDestroyed() override;
    bool NeedsWorld() const override { return true; }

    // The entities under the world point, in the order repeated clicks cycle through them.
    virtual std::vector<EntityReference> GetEntitiesAt(World& world, Lumvek::Vector2 point) = 0;

    float GetGridSize() const;
    float SnapToGrid(float value) const;

    // Lower-left corner and size; (0, 0, 1, 1) for a reference that resolves to nothing.
    Lumvek::Rectangle GetEntityBounds(EntityReference reference) const;
    void SetEntityBounds(EntityReference reference, const Lumvek::Rectangle& bounds);
    // RefreshEntity below, in the running world.
    void RefreshEntity(EntityReference reference);
    // Takes the entity out of the world: its grid, its physics, its drawing and its open windows.
    void DeleteEntity(EntityReference reference);
    void OpenEntityInspector(EntityReference reference);
    // A new entity of the create kind, held inside the world's bounds as a move holds what it drags;
    // none (index 0xFFFFFFFF) when it cannot be made, and then
    // createProblem says why, as it does when the entity was made but its image could not be loaded.
    EntityReference CreateEntity(Lumvek::Vector2 position, Lumvek::Vector2 size);
    // Whether the mouse lies over a handle at the world point, seen through the first active view.
    bool IsOverHandle(Lumvek::Vector2 point, Lumvek::Vector2 mousePosition) const;

    // The running world, or null.
    World* GetWorld() const;

    bool resizes = false;
    uint32_t hazardChoice = 0;
    uint32_t interactionChoice = 0;
    uint32_t zoneChoice = 0;
    EntityReference hovered;
    EntityReference selected;
    bool dragged = false;
    Lumvek::Vector2 anchor;
    DragMode dragMode = DragMode::None;
    uint32_t createKind = EntityKind::None;
    // Why the last create was refused, for the panel; empty once one succeeds.
    std::string createProblem;
    // A refused create is not tried again before the next press: each held frame would repeat it.
    bool createRefused = false;
    // Why the last resize was refused, for the panel; empty once one is taken.
    std::string resizeProblem;

protected:
    // The editor's tools host, or null.
    static Tools* Host();

private:
    // CreateEntity's making, without the account of a refusal.
    EntityReference MakeEntity(Lumvek::Vector2 position, Lumvek::Vector2 size);
    // A definition the match did not load has no image in the world's atlas, nor its effect: loads it
    // there, as the match loader does for the map's own, before an entity is made of it. When the image
    // still is not there, createProblem says so. Nothing without a graphics device or in a headless match,
    // where nothing is drawn.
    void LoadArt(const Data& definition, uint32_t image);
    enum class Nudge
    {
        Move,
        Grow,
        Shrink,
    };
    void NudgeEntity(EntityReference reference, Lumvek::Vector2 offset, Nudge mode);
    // The arrow pressed this frame, by the grid step (ten with Shift), on the selection.
    void NudgeSelection(const Lumvek::KeyboardState& keyboard);
    void MoveEntity(EntityReference reference, Lumvek::Vector2 mouse, bool snap);
    void ResizeEntity(EntityReference reference, Lumvek::Vector2 mouse, bool snap);
    // Cuts the resized axes of r to the world, a quarter unit inside, as a move holds an entity there;
    // false, with resizeProblem set and logged, when nothing of the entity would then lie inside.
    bool KeepInside(EntityReference reference, Lumvek::Rectangle& r, bool width, bool height);
    void PressLeft(World& world, Lumvek::Vector2 point, Lumvek::Vector2 mousePosition, bool spaceHeld,
                   const std::vector<EntityReference>& under);
    void HoldLeft(Lumvek::Vector2 point, const Lumvek::KeyboardState& keyboard, const Lumvek::MouseState& mouse);
};

// Files a map or live entity again in its grid and physics, and resets its previous position, after
// its bounds changed (by a drag, a nudge or an entity window's rows). Nothing for a spawn point or a
// reference that resolves to nothing.
void RefreshEntity(World& world, EntityReference reference);

// The windows bound to one spawn point or path frame hold its index: on a removal or insertion at
// index i, every such window of that owner at index i or more closes, so that none reads past the list
// or edits another entry. Owner 0 is the spawn point list; a platform's path is its platform id + 1.
void CloseIndexedWindows(Tools& tools, uint32_t owner, uint32_t firstIndex);

// Gives a platform made in the tools a name no other platform has ("Platform 3", the id, or after it
// "Platform 3 2" and on), by which an interaction's action starts it and Save writes it.
void NamePlatform(MapNames& names, Platform& platform);
