#pragma once

#include "Source/Tools/Inspectors/Inspector.h"

#include <cstdint>

class Body;
class PathedBody;
class TransformBody;
class World;

// The placement of one body: "Position" and "Size", and its previous position. The entity inspectors
// draw these inside their own windows as temporaries, over a body that lives while they draw, and
// re-file the entity when a draw changed it.
class BodyInspector : public Inspector
{
public:
    explicit BodyInspector(Body* body) : body(body) {}
    void Draw() override;

    // Whether the last draw changed the body.
    bool changed = false;

protected:
    Body* body;
};

// The same with the rotation of a body that turns.
class TransformBodyInspector final : public BodyInspector
{
public:
    explicit TransformBodyInspector(TransformBody* body);
    void Draw() override;

private:
    TransformBody* transform;
};

// The frames of one moving platform's path: a button per frame that opens its window, and the two ways
// of adding frames. It names the platform by id, since the world may give it a new body.
class PathedBodyInspector final : public Inspector
{
public:
    PathedBodyInspector(World* world, uint32_t platform) : world(world), platform(platform) {}
    void Draw() override;

private:
    World* world;
    uint32_t platform;
};

// One frame of a moving platform's path in a window of its own. It holds the platform's id and the
// frame's index, closes when either no longer stands (the platform stopped moving, went, or the frame
// list moved under it), and never removes the last frame, which the path reads as its end.
class PathNodeInspector final : public Inspector
{
public:
    PathNodeInspector(uint32_t platform, uint32_t frame) : platform(platform), frame(frame) {}
    void Draw() override;
    bool IsWorldBound() const override { return true; }
    bool HoldsIndexFrom(uint32_t owner, uint32_t first) const override
    {
        return owner == platform + 1 && frame >= first;
    }

    uint32_t platform;
    uint32_t frame;
};

namespace PathFrames
{
// The frame list of the moving platform of that id; null when there is none.
PathedBody* Find(World& world, uint32_t platform);
// Both add nothing to a path without frames. Every frame window of the platform at or after the
// first inserted index closes.
void AddFrame(World& world, uint32_t platform);
void AddReversedFrames(World& world, uint32_t platform);
// False, leaving the path, when the index is outside it or the frame is the only one.
bool Remove(World& world, uint32_t platform, uint32_t frame);
} // namespace PathFrames
