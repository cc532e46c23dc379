#pragma once

#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/Resource.h"

#include <cstdint>

namespace Lumvek
{
class FileManager;
class Geometry;
class GraphicsDevice;
class Material;
} // namespace Lumvek

// One corner of an overlay quad: world units and a colour packed red, green, blue, alpha.
struct LineVertex
{
    float x = 0.0f;
    float y = 0.0f;
    uint32_t color = 0;
};
static_assert(sizeof(LineVertex) == 12);

// The world as a camera shows it, in the terms the tools need: the world point at the centre, the
// world size shown, and the pixel rectangle it fills (origin at the window's top left).
struct ToolsView
{
    Lumvek::Vector2 centre;
    Lumvek::Vector2 size{32.0f, 18.0f};
    Lumvek::Rectangle viewport;
    bool active = false;
};

// The direction from one point to another, counter-clockwise from +x, within [0, 2 pi).
float LineAngle(Lumvek::Vector2 from, Lumvek::Vector2 to);

// Overlays in world space (outlines of platforms, spawn points, bounds, paths): a batch of
// flat-coloured quads in one dynamic vertex buffer and one index buffer, drawn with one material.
// Owned by the tools host; shapes are appended during the tools' frame and drawn by Submit, on the
// application thread.
class LineRenderer
{
public:
    LineRenderer(uint32_t materialName, uint32_t vertexBufferName, uint32_t indexBufferName,
                 uint32_t constantBufferName);

    // Creates the buffers and the material on the device; any thread (the device takes its lock).
    void Setup(Lumvek::GraphicsDevice& device, Lumvek::FileManager* files);

    // Empties the batch and takes the view: the pixel size and the visible rectangle follow from it.
    void Begin(const ToolsView& view);
    // Draws the batch over the frame so far, clipped to the view's viewport.
    void Submit(Lumvek::GraphicsDevice& device);

    // The overlay vocabulary. Thicknesses are in pixels (scaled by the pixel size); a pivot of (0, 0)
    // puts the position at the first corner, (0.5, 0.5) at the centre. Nothing draws at the call.
    void DrawLine(Lumvek::Vector2 from, Lumvek::Vector2 to, float thickness, uint32_t color);
    void FillRect(Lumvek::Vector2 position, Lumvek::Vector2 pivot, Lumvek::Vector2 size, uint32_t color);
    void FillRotatedRect(Lumvek::Vector2 position, Lumvek::Vector2 pivot, Lumvek::Vector2 size, float angle,
                         uint32_t color);
    void DrawRect(Lumvek::Vector2 position, Lumvek::Vector2 pivot, Lumvek::Vector2 size, float thickness,
                  uint32_t color, bool fill, uint32_t fillColor);
    void DrawRotatedRect(Lumvek::Vector2 position, Lumvek::Vector2 pivot, Lumvek::Vector2 size, float angle,
                         float thickness, uint32_t color, bool fill, uint32_t fillColor);

    bool IsReady() const { return vertexBuffer && indexBuffer && constantBuffer && material; }
    uint32_t GetQuadCount() const { return quadCount; }

    uint32_t materialName = Lumvek::InvalidId;
    uint32_t vertexBufferName = Lumvek::InvalidId;
    uint32_t indexBufferName = Lumvek::InvalidId;
    uint32_t constantBufferName = Lumvek::InvalidId;
    Lumvek::Material* material = nullptr;
    Lumvek::Geometry* vertexBuffer = nullptr;
    Lumvek::Geometry* indexBuffer = nullptr;
    Lumvek::Geometry* constantBuffer = nullptr;
    // World units per screen pixel; y scales every thickness.
    Lumvek::Vector2 pixelSize{1.0f, 1.0f};
    // The world rectangle in view.
    Lumvek::Rectangle visible;

private:
    // The four corners, in the order first, along x, along y, opposite.
    void AppendQuad(const Lumvek::Vector2 (&corners)[4], uint32_t color);

    ToolsView view;
    uint32_t quadCount = 0;
    bool overflowed = false;
};
