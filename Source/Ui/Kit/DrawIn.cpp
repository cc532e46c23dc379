#include "Source/Ui/Kit/DrawIn.h"

#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/DrawList.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Gui/Gui.h"
#include "Source/Data/NamedAssets.h"

#include <algorithm>
#include <cstring>

using Lumvek::Color;
using Lumvek::Rectangle;

namespace
{

constexpr uint32_t ColorTagLength = 9; // "#RRGGBBAA"

// The draw-in shaders tell a quad's corners apart by their vertex index, so every quad starts at an
// index that is a multiple of four: the few vertices in between are left unused.
void AlignToQuad(Lumvek::Geometry& vertexBuffer, uint32_t stride)
{
    const uint32_t next = (vertexBuffer.used + stride - 1) / stride;
    if (const uint32_t gap = (4 - next % 4) % 4)
        Lumvek::GraphicsBuffer::Allocate(vertexBuffer, stride, gap);
}

// A quad whose corners come in the order bottom left, top left, bottom right, top right, each
// corner's texture coordinate taken from the rectangle's matching corner (top is the smaller v).
template <class Vertex>
bool AppendQuad(Lumvek::DrawList& drawList, Lumvek::Geometry& vertexBuffer, Lumvek::Geometry& indexBuffer,
                Vertex corner, float left, float bottom, float right, float top, const Lumvek::UvRectangle& uv)
{
    AlignToQuad(vertexBuffer, sizeof(Vertex));
    Vertex vertices[4] = {corner, corner, corner, corner};
    const float xs[4] = {left, left, right, right};
    const float ys[4] = {bottom, top, bottom, top};
    const float us[4] = {uv.x, uv.x, uv.x + uv.width, uv.x + uv.width};
    const float vs[4] = {uv.y + uv.height, uv.y, uv.y + uv.height, uv.y};
    for (uint32_t i = 0; i < 4; ++i)
    {
        vertices[i].x = xs[i];
        vertices[i].y = ys[i];
        vertices[i].u = us[i];
        vertices[i].v = vs[i];
    }
    return Lumvek::AppendGuiQuad(drawList, vertexBuffer, indexBuffer, vertices);
}

void PointTemplate(Lumvek::DrawList& drawList, uint32_t material, uint32_t texture)
{
    Lumvek::DrawCommand& drawTemplate = drawList.Template();
    drawTemplate.material = material;
    drawTemplate.textures[0] = texture;
}

// Pixels (y down) to device coordinates (y up) on a back buffer of width by height.
float DeviceX(float x, float width)
{
    return (x - width / 2.0f) * 2.0f / width;
}
float DeviceY(float y, float height)
{
    return (height - y - height / 2.0f) * 2.0f / height;
}

} // namespace

bool DrawInClock::Advance(float seconds)
{
    elapsed += static_cast<float>(direction) * seconds * speed;
    if (!(elapsed > 0.0f))
    {
        // Drawn out, it stops. A draw-in started before a frame of no time keeps going: stopping it
        // here would leave it blank for good.
        if (direction < 0)
            direction = 0;
        elapsed = 0.0f;
        return false;
    }
    if (elapsed >= duration)
    {
        elapsed = duration;
        direction = 0;
    }
    return true;
}

void DrawInImage::Render(float seconds, Lumvek::DrawList& drawList, Lumvek::Geometry& vertexBuffer,
                         Lumvek::Geometry& indexBuffer, Lumvek::GraphicsDevice& device, Lumvek::Menu& menu,
                         const Rectangle& rectangle)
{
    (void)menu;
    if (!clock.Advance(seconds))
        return;
    const Lumvek::Texture* found = device.GetTexture(texture);
    const Lumvek::TextureRegion* drawn = found ? found->GetRegion(region) : nullptr;
    // The pending region is not shown: a dial without its image would draw a full stand-in. A region
    // being filled belongs to its image thread until the flag clears.
    if (!drawn || drawn->filling.load(std::memory_order_acquire) || drawn->width == 0 || drawn->height == 0)
        return;
    float width = 0.0f, height = 0.0f;
    ResolveSize(*drawn, rectangle.width, rectangle.height, width, height);
    Rectangle placed;
    Align(horizontalAlignment, rectangle.x, rectangle.width, width, placed.x, placed.width);
    Align(verticalAlignment, rectangle.y, rectangle.height, height, placed.y, placed.height);

    const auto screen = device.GetSize();
    const auto screenWidth = static_cast<float>(screen.width), screenHeight = static_cast<float>(screen.height);
    PointTemplate(drawList, GraphicsResources::DrawInImageMaterial, texture);
    DrawInImageVertex corner;
    corner.color = color;
    corner.time = clock.Progress();
    AppendQuad(drawList, vertexBuffer, indexBuffer, corner, DeviceX(placed.x, screenWidth),
               DeviceY(placed.y + placed.height, screenHeight), DeviceX(placed.x + placed.width, screenWidth),
               DeviceY(placed.y, screenHeight), drawn->uv);
}

void DrawInText::Render(float seconds, Lumvek::DrawList& drawList, Lumvek::Geometry& vertexBuffer,
                        Lumvek::Geometry& indexBuffer, Lumvek::GraphicsDevice& device, Lumvek::Menu& menu,
                        const Rectangle& rectangle)
{
    if (!clock.Advance(seconds))
        return;
    // Written out: it looks like any text, drawn in one batch.
    if (clock.direction == 0 && clock.elapsed >= clock.duration)
    {
        TextContent::Render(seconds, drawList, vertexBuffer, indexBuffer, device, menu, rectangle);
        return;
    }
    if (text.empty())
        return;
    const Lumvek::TextureFontRegion* font =
        FindFont(device, "DrawInText::Render - Font {} not found", "DrawInText::Render - Texture {} is not a Font");
    if (!font)
        return;

    float width = 0.0f;
    const float lineSize = FitSize(*font, rectangle, width);
    float x = 0.0f, y = 0.0f, placedWidth = 0.0f, placedHeight = 0.0f;
    Align(horizontalAlignment, rectangle.x, rectangle.width, width, x, placedWidth);
    Align(verticalAlignment, rectangle.y, rectangle.height, lineSize, y, placedHeight);
    const float bottom = y + lineSize;
    const float originX = x;

    // Every character takes one share; a colour tag takes the share of two characters, whether or not
    // it is read as one.
    const auto length = static_cast<float>(text.size());
    const auto tags = static_cast<float>(std::count(text.begin(), text.end(), '#'));
    float sharers = 0.0f;
    for (uint32_t i = 0; i < text.size(); ++i)
    {
        Lumvek::Color ignored;
        if (colorCodes && ReadColorCode(text, i, ignored))
            i += ColorTagLength - 1;
        else
            sharers += 1.0f;
    }
    // A "#" that is no tag would otherwise shrink the count below the characters there are, or make
    // the share negative, so that the text never finished writing.
    const float share = 1.0f / std::max({length - 7.0f * tags, sharers, 1.0f});
    const float progress = clock.Progress();
    const float spacing = drawnSpacing * lineSize;
    const auto screen = device.GetSize();
    const auto screenWidth = static_cast<float>(screen.width), screenHeight = static_cast<float>(screen.height);

    PointTemplate(drawList, GraphicsResources::DrawInTextMaterial, this->font);
    Pen pen = MakePen(drawList, vertexBuffer, indexBuffer, device, *font, lineSize);
    // The backing grows with the glyphs: it reaches the last character begun.
    uint32_t begunEnd = 0;
    for (float begun = 0.0f; begunEnd < text.size() && begun < progress; ++begunEnd)
    {
        Lumvek::Color ignored;
        if (colorCodes && ReadColorCode(text, begunEnd, ignored))
            begunEnd += ColorTagLength - 1;
        else
            begun += share;
    }
    if (!DrawBacking(pen, menu, 0, begunEnd, originX, bottom))
        return;
    float begun = 0.0f;
    char previous = 0;
    const Lumvek::StringView all(text);
    for (uint32_t i = 0; i < all.length; ++i)
    {
        const char c = all.data[i];
        Lumvek::Color code;
        if (colorCodes && c == '#' && ReadColorCode(all, i, code))
        {
            SetFill(pen, code);
            i += ColorTagLength - 1;
            continue;
        }
        float t = (progress - begun) / share;
        if (t < 0.0f)
            break;
        t = std::min(t, 1.0f);
        begun += share;
        if (t == 0.0f)
            break;
        if (static_cast<uint8_t>(c) >= Lumvek::TextureFontRegion::GlyphCount)
            continue;
        if (c == ' ' || c == '\n')
        {
            x += font->spaceAdvance * lineSize + spacing;
            previous = c;
            continue;
        }
        x += font->GetKerning(previous, c) * lineSize;
        const Lumvek::FontGlyph& glyph = font->glyphs[static_cast<uint8_t>(c)];
        if (glyph.width > 0.0f && glyph.height > 0.0f)
        {
            const float left = x + glyph.offsetX * lineSize;
            const float glyphBottom = bottom - (glyph.offsetY - font->descent) * lineSize;
            DrawInTextVertex corner;
            corner.fillColor = pen.fill;
            corner.strokeColor = StrokeOf(pen);
            corner.innerStrokeRadius = pen.innerRadius;
            corner.outerStrokeRadius = pen.outerRadius;
            corner.time = t;
            if (!AppendQuad(drawList, vertexBuffer, indexBuffer, corner, DeviceX(left, screenWidth),
                            DeviceY(glyphBottom, screenHeight), DeviceX(left + glyph.width * lineSize, screenWidth),
                            DeviceY(glyphBottom - glyph.height * lineSize, screenHeight), glyph.uv))
                break;
        }
        x += glyph.advance * lineSize + spacing;
        previous = c;
    }
    drawnRectangle = {originX, y, width, lineSize};
}
