#pragma once

#include "Engine/Runtime/Gui/ImageContent.h"
#include "Engine/Runtime/Gui/TextContent.h"

#include <cstdint>

// The clock of a draw-in: a screen starts it with direction 1 (or -1 to draw out) and the content
// advances itself each frame it is drawn; a dial holds direction 0 and has elapsed written instead.
struct DrawInClock
{
    // Advances by the frame and keeps elapsed within 0 .. duration, stopping at either end. False when
    // nothing is to be drawn (elapsed 0).
    bool Advance(float seconds);
    float Progress() const { return duration > 0.0f ? elapsed / duration : 1.0f; }

    float duration = 1.0f;
    float speed = 1.0f;
    int32_t direction = 0;
    float elapsed = 0.0f;
};

// An image that draws itself in like an ink stroke with the draw-in image material, which reveals it
// as the Time of its vertices runs from 0 to 1. Owned by its element; application thread only.
class DrawInImage final : public Lumvek::ImageContent
{
public:
    void Render(float seconds, Lumvek::DrawList& drawList, Lumvek::Geometry& vertexBuffer,
                Lumvek::Geometry& indexBuffer, Lumvek::GraphicsDevice& device, Lumvek::Menu& menu,
                const Lumvek::Rectangle& rectangle) override;

    DrawInClock clock;
};

// Text that writes itself letter by letter with the draw-in text material: each character takes an
// equal share of the duration and its glyph carries how far it has come. Once written it draws as
// plain text. Owned by its element; application thread only.
class DrawInText final : public Lumvek::TextContent
{
public:
    void Render(float seconds, Lumvek::DrawList& drawList, Lumvek::Geometry& vertexBuffer,
                Lumvek::Geometry& indexBuffer, Lumvek::GraphicsDevice& device, Lumvek::Menu& menu,
                const Lumvek::Rectangle& rectangle) override;

    DrawInClock clock;
};

// The vertex layouts of the two draw-in materials.
struct DrawInImageVertex
{
    float x = 0.0f;
    float y = 0.0f;
    float u = 0.0f;
    float v = 0.0f;
    Lumvek::Color color;
    float time = 0.0f;
};
struct DrawInTextVertex
{
    float x = 0.0f;
    float y = 0.0f;
    float u = 0.0f;
    float v = 0.0f;
    Lumvek::Color fillColor;
    Lumvek::Color strokeColor;
    float innerStrokeRadius = 0.0f;
    float outerStrokeRadius = 0.0f;
    float time = 0.0f;
};
static_assert(sizeof(DrawInImageVertex) == 24 && sizeof(DrawInTextVertex) == 36);
