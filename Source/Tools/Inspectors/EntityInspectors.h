#pragma once

#include "Engine/Foundation/StringView.h"
#include "Source/Tools/Inspectors/Inspector.h"

#include <cstdint>

class World;

// The window of one entity of the running world. It names the entity by kind and index (or id) and
// looks it up again every frame, so a window whose entity went, or whose slot now holds another,
// closes instead of reading freed or foreign records. The world editors also close it on deletion. A
// body placed through its rows is filed again in its grid and physics in the same frame, so the match
// finds it where it is shown.
class EntityInspector : public Inspector
{
public:
    EntityInspector(uint32_t kind, uint32_t index) : kind(kind), index(index) {}

    void Draw() final;
    bool IsWorldBound() const final { return true; }
    bool ShowsEntity(uint32_t entityKind, uint32_t entity) const final { return entityKind == kind && entity == index; }

    // The opener of every kind: names the window "{word} {index}" and opens it unless a window of that
    // name is open already; nothing for an entity the world does not hold.
    static void Open(uint32_t kind, Lumvek::StringView word, uint32_t index);

    const uint32_t kind;
    const uint32_t index;

private:
    // False when the entity no longer stands.
    bool DrawEntity(World& world);
    bool DrawHazard(World& world);
    bool DrawInteraction(World& world);
    bool DrawPlatform(World& world);
    bool DrawTrigger(World& world);
    bool DrawZone(World& world);
};

// A platform's renderable made again for its flags: none while hidden (or headless), one drawn on its
// own while moving or one-way, else one joined with its neighbours; the old one's neighbours rejoin.
struct Platform;
void RebuildPlatformRenderable(World& world, Platform& platform);
