#pragma once

#include "Engine/Foundation/Resource.h"

#include <cstdint>
#include <string>

struct ToolsView;
class LineRenderer;

// A floating tools window that shows and edits one object. Created by an editor, an opener or another
// inspector and handed to the tools host (Tools::OpenWindow), which owns it from then on, draws it
// every frame on the application thread and destroys it when its window is closed.
class Inspector
{
public:
    Inspector() = default;
    Inspector(const Inspector&) = delete;
    Inspector& operator=(const Inspector&) = delete;
    virtual ~Inspector() = default;

    // Per-frame work outside drawing.
    virtual void Update() {}
    virtual void DrawWorld(const ToolsView& view, LineRenderer& lines)
    {
        (void)view;
        (void)lines;
    }
    // Fills the window the host has begun.
    virtual void Draw() = 0;
    // Whether it points into the running world: the host closes such windows before the world is
    // destroyed, so that none outlives what it inspects.
    virtual bool IsWorldBound() const { return false; }
    // Whether it shows that entity of the running world (kind and index as the world editors number
    // them): the window closes when the entity is deleted.
    virtual bool ShowsEntity(uint32_t kind, uint32_t index) const
    {
        (void)kind;
        (void)index;
        return false;
    }
    // Whether it holds an index at or after first into that owner's list (the spawn points, or one
    // platform's path frames): such a window closes when the list moves at or before its entry.
    virtual bool HoldsIndexFrom(uint32_t owner, uint32_t first) const
    {
        (void)owner;
        (void)first;
        return false;
    }

    uint32_t windowId = 0;
    std::string name;
    // The window's close box clears it; so may the inspector itself.
    uint8_t open = 1;
    // Set until the window has been shown once, when it is placed at (x, y).
    uint8_t firstFrame = 1;
    // The frames after the first in which the window, once Dear ImGui knows its size, is still moved onto
    // the screen; later it stays wherever the user drags it.
    uint8_t fittingFrames = 2;
    float x = 0.0f;
    float y = 0.0f;
};

// Whether one of the game's loaders runs on its thread, adding to the resource tables (which are not
// locked). Nothing is unloaded while one runs: the game waits for its loader first.
bool IsGameLoaderRunning();

// How a window over a resource knows it may still touch it: the table and the id the resource was
// kept under when the window opened. A match unloads the resources of its definitions when it ends,
// while a window on one may stay open; such a window closes instead of drawing freed memory.
template <class T> class HeldResource
{
public:
    explicit HeldResource(const T* resource)
        : resource(resource), table(resource ? resource->table : nullptr),
          id(resource ? resource->id : Lumvek::InvalidId)
    {
    }

    // Whether the table still holds this very resource; one kept outside any table (or none) is its
    // owner's to keep alive. While a loader adds to the table the last answer stands.
    bool IsHeld() const
    {
        if (table && !IsGameLoaderRunning())
            held = table->template Find<T>(id) == resource;
        return held;
    }

private:
    const T* resource;
    const Lumvek::ResourceTable* table;
    uint32_t id;
    mutable bool held = true;
};
