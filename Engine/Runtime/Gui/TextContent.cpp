#include "Engine/Runtime/Gui/TextContent.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Gui/Gui.h"
#include "Engine/Runtime/Gui/Menu.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace Lumvek
{

namespace
{

constexpr uint32_t ColorCodeLength = 9; // "#RRGGBBAA"
constexpr uint32_t NoBreak = 0xFFFFFFFFu;

// Half the radius clamped to what the shader can draw; NaN draws no stroke.
float DrawnStrokeRadius(float radius)
{
    return radius > 0.0f ? std::min(radius, 0.49f) / 2.0f : 0.0f;
}

bool HasGlyph(char c)
{
    return static_cast<uint8_t>(c) < TextureFontRegion::GlyphCount;
}

} // namespace

float TextContent::ResolveSize(float elementHeight) const
{
    switch (size.unit)
    {
    case Pixels:
        return size.value;
    case PercentOfHeight:
        return size.value / 100.0f * elementHeight;
    default:
        return elementHeight;
    }
}

float TextContent::RaiseToMinimum(float lineSize)
{
    drawnSpacing = letterSpacing;
    if (!(lineSize < minimumSize))
        return lineSize;
    // Small text has no room for wide spacing: raised, its letters stand as the font spaces them.
    drawnSpacing = std::min(letterSpacing, 0.0f);
    return minimumSize;
}

bool TextContent::ReadColorCode(StringView text, uint32_t at, Color& color)
{
    if (at >= text.length || text.length - at < ColorCodeLength || text.data[at] != '#')
        return false;
    StringReader reader(text.Sub(at, ColorCodeLength));
    Color parsed;
    if (!Color::Parse(parsed, reader) || !reader.AtEnd())
        return false;
    color = parsed;
    return true;
}

float TextContent::MeasureWidth(const TextureFontRegion& font, StringView line, float lineSize)
{
    measured.clear();
    uint32_t glyphs = 0;
    for (uint32_t i = 0; i < line.length; ++i)
    {
        Color ignored;
        if (colorCodes && ReadColorCode(line, i, ignored))
        {
            i += ColorCodeLength - 1;
            continue;
        }
        measured.push_back(line.data[i]);
        glyphs += HasGlyph(line.data[i]) ? 1 : 0;
    }
    if (glyphs == 0)
        return 0.0f;
    return (font.MeasureText(measured) + float(glyphs - 1) * drawnSpacing) * lineSize;
}

float TextContent::FitSize(const TextureFontRegion& fontRegion, const Rectangle& rectangle, float& width)
{
    drawnSpacing = letterSpacing;
    float lineSize = ResolveSize(rectangle.height);
    width = MeasureWidth(fontRegion, text, lineSize);
    // The width is above 0, so the line height is too.
    if (shrinkToFit && width > rectangle.width && width > 0.0f)
        lineSize *= std::max(rectangle.width, 0.0f) / width;
    lineSize = RaiseToMinimum(lineSize);
    width = MeasureWidth(fontRegion, text, lineSize);
    return lineSize;
}

float TextContent::Luminance(const Color& color)
{
    const auto linear = [](uint8_t channel)
    {
        const float c = float(channel) / 255.0f;
        return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
    };
    return 0.2126f * linear(color.r) + 0.7152f * linear(color.g) + 0.0722f * linear(color.b);
}

float TextContent::Contrast(const Color& a, const Color& b)
{
    // WCAG's contrast ratio, which weighs a difference among dark colours more than among light ones.
    const float first = Luminance(a) + 0.05f, second = Luminance(b) + 0.05f;
    return std::max(first, second) / std::min(first, second);
}

Color TextContent::StrokeOf(const Pen& pen) const
{
    if (pen.strokeFollowsFill)
        return pen.fill;
    if (!contrastStroke)
        return strokeColor;
    return Contrast(pen.fill, strokeColor) >= Contrast(pen.fill, contrastColor) ? strokeColor : contrastColor;
}

Color TextContent::ChooseBacking(Pen& pen) const
{
    const auto sameRgb = [](const Color& a, const Color& b) { return a.r == b.r && a.g == b.g && a.b == b.b; };
    pen.recolour = false;
    Pen firstGlyph = pen;
    bool found = false;
    // Above zero, more of the line's coloured glyphs read on the stroke colour; below, on the other.
    int votes = 0;
    Color fill = pen.fill;
    const StringView line(text);
    for (uint32_t i = 0; i < line.length; ++i)
    {
        if (colorCodes && ReadColorCode(line, i, fill))
        {
            i += ColorCodeLength - 1;
            continue;
        }
        const char c = line.data[i];
        if (!HasGlyph(c) || c == ' ' || c == '\n')
            continue;
        if (!std::exchange(found, true))
            firstGlyph.fill = fill;
        // Text in either colour of the pair reads on the other, whichever the box takes.
        if (!sameRgb(fill, strokeColor) && !sameRgb(fill, contrastColor))
            votes += Contrast(fill, strokeColor) >= Contrast(fill, contrastColor) ? 1 : -1;
    }
    if (pen.strokeFollowsFill || !contrastStroke)
        return StrokeOf(firstGlyph);
    pen.recolour = true;
    pen.backing = votes > 0 ? strokeColor : votes < 0 ? contrastColor : StrokeOf(firstGlyph);
    pen.other = sameRgb(pen.backing, strokeColor) ? contrastColor : strokeColor;
    SetFill(pen, pen.fill);
    return pen.backing;
}

void TextContent::SetFill(Pen& pen, const Color& fill)
{
    pen.fill = fill;
    if (pen.recolour && fill.r == pen.backing.r && fill.g == pen.backing.g && fill.b == pen.backing.b)
        pen.fill = {pen.other.r, pen.other.g, pen.other.b, fill.a};
}

bool TextContent::DrawBacking(Pen& pen, const Menu& menu, uint32_t first, uint32_t end, float x, float bottom)
{
    const Gui* gui = menu.GetGui();
    if (!backing || !gui || first >= end)
        return true;
    const Color color = ChooseBacking(pen);
    // The kerning across a colour code is left out of the measure.
    const float width = MeasureWidth(pen.font, StringView(text).Sub(first, end - first), pen.size);
    if (!(width > 0.0f))
        return true;
    DrawCommand& drawTemplate = pen.drawList.Template();
    const uint32_t material = drawTemplate.material;
    const uint32_t texture = drawTemplate.textures[0];
    drawTemplate.material = gui->colorMaterial;
    drawTemplate.textures[0] = InvalidId;
    // The box reaches a little past the text, so that its first and last glyphs do not touch the edge.
    const float margin = pen.size * 0.15f;
    const Vector2 topLeft = ToDeviceCoordinates(x - margin, bottom - pen.size, pen.deviceWidth, pen.deviceHeight);
    const Vector2 bottomRight = ToDeviceCoordinates(x + width + margin, bottom, pen.deviceWidth, pen.deviceHeight);
    const GuiColorVertex vertices[4] = {{topLeft.x, topLeft.y, color},
                                        {topLeft.x, bottomRight.y, color},
                                        {bottomRight.x, topLeft.y, color},
                                        {bottomRight.x, bottomRight.y, color}};
    const bool appended = AppendGuiQuad(pen.drawList, pen.vertexBuffer, pen.indexBuffer, vertices);
    DrawCommand& restored = pen.drawList.Template();
    restored.material = material;
    restored.textures[0] = texture;
    return appended;
}

const TextureFontRegion* TextContent::FindFont(GraphicsDevice& device, StringView missing, StringView notFont) const
{
    const Texture* texture = device.GetTexture(font);
    if (!texture)
    {
        Log::Write(missing, NameTableC().GetName(font));
        return nullptr;
    }
    const auto* region = texture->FindRegion<TextureFontRegion>(InvalidId);
    if (!region)
        Log::Write(notFont, NameTableC().GetName(font));
    return region;
}

void TextContent::PrepareTemplate(DrawList& drawList, const Menu& menu) const
{
    DrawCommand& drawTemplate = drawList.Template();
    drawTemplate.material = menu.GetGui() ? menu.GetGui()->textMaterial : InvalidId;
    drawTemplate.textures[0] = font;
}

TextContent::Pen TextContent::MakePen(DrawList& drawList, Geometry& vertexBuffer, Geometry& indexBuffer,
                                      const GraphicsDevice& device, const TextureFontRegion& fontRegion,
                                      float lineSize) const
{
    const float innerRadius = DrawnStrokeRadius(innerStrokeRadius);
    const float outerRadius = DrawnStrokeRadius(outerStrokeRadius);
    const bool strokeFollowsFill = innerRadius < 0.0001f && outerRadius < 0.0001f;
    const DeviceSize size = device.GetSize();
    return {
        drawList, vertexBuffer, indexBuffer, float(size.width), float(size.height), fontRegion,
        lineSize, fillColor,    innerRadius, outerRadius,       strokeFollowsFill,  false,
        {},       {},
    };
}

bool TextContent::DrawLine(Pen& pen, uint32_t first, uint32_t last, float x, float bottom) const
{
    const StringView line(text);
    const float spacing = drawnSpacing * pen.size;
    char previous = 0;
    for (uint32_t i = first; i < last; ++i)
    {
        const char c = line.data[i];
        Color code;
        if (colorCodes && ReadColorCode(line, i, code))
        {
            SetFill(pen, code);
            i += ColorCodeLength - 1;
            continue;
        }
        if (!HasGlyph(c))
            continue;
        if (c == ' ' || c == '\n')
        {
            x += pen.font.spaceAdvance * pen.size + spacing;
            previous = c;
            continue;
        }
        // Kerning moves a glyph against the one before it, so it applies before the glyph is placed.
        x += pen.font.GetKerning(previous, c) * pen.size;
        const FontGlyph& glyph = pen.font.glyphs[static_cast<uint8_t>(c)];
        if (glyph.width > 0.0f && glyph.height > 0.0f)
        {
            const float left = x + glyph.offsetX * pen.size;
            const float right = left + glyph.width * pen.size;
            const float glyphBottom = bottom - (glyph.offsetY - pen.font.descent) * pen.size;
            const float top = glyphBottom - glyph.height * pen.size;
            const Vector2 topLeft = ToDeviceCoordinates(left, top, pen.deviceWidth, pen.deviceHeight);
            const Vector2 bottomRight = ToDeviceCoordinates(right, glyphBottom, pen.deviceWidth, pen.deviceHeight);
            const UvRectangle& uv = glyph.uv;
            const Color stroke = StrokeOf(pen);
            const GuiTextVertex vertices[4] = {
                {topLeft.x, topLeft.y, uv.x, uv.y, pen.fill, stroke, pen.innerRadius, pen.outerRadius},
                {topLeft.x, bottomRight.y, uv.x, uv.y + uv.height, pen.fill, stroke, pen.innerRadius, pen.outerRadius},
                {bottomRight.x, topLeft.y, uv.x + uv.width, uv.y, pen.fill, stroke, pen.innerRadius, pen.outerRadius},
                {bottomRight.x, bottomRight.y, uv.x + uv.width, uv.y + uv.height, pen.fill, stroke, pen.innerRadius,
                 pen.outerRadius},
            };
            if (!AppendGuiQuad(pen.drawList, pen.vertexBuffer, pen.indexBuffer, vertices))
                return false;
        }
        x += glyph.advance * pen.size + spacing;
        previous = c;
    }
    return true;
}

void TextContent::Render(float, DrawList& drawList, Geometry& vertexBuffer, Geometry& indexBuffer,
                         GraphicsDevice& device, Menu& menu, const Rectangle& rectangle)
{
    if (text.empty())
        return;
    const TextureFontRegion* fontRegion =
        FindFont(device, "TextContent::Render - Font {} not found", "TextContent::Render - Texture {} is not a Font");
    if (!fontRegion)
        return;
    float width = 0.0f;
    const float lineSize = FitSize(*fontRegion, rectangle, width);
    float x = 0.0f, y = 0.0f, placedWidth = 0.0f, placedHeight = 0.0f;
    Align(horizontalAlignment, rectangle.x, rectangle.width, width, x, placedWidth);
    Align(verticalAlignment, rectangle.y, rectangle.height, lineSize, y, placedHeight);

    PrepareTemplate(drawList, menu);
    Pen pen = MakePen(drawList, vertexBuffer, indexBuffer, device, *fontRegion, lineSize);
    if (DrawBacking(pen, menu, 0, static_cast<uint32_t>(text.size()), x, y + lineSize))
        DrawLine(pen, 0, static_cast<uint32_t>(text.size()), x, y + lineSize);
    drawnRectangle = {x, y, width, lineSize};
}

void MultilineTextContent::BreakLines(const TextureFontRegion& fontRegion, float lineSize, float width)
{
    lines.clear();
    const StringView all(text);
    const float spacing = drawnSpacing * lineSize;
    uint32_t start = 0;
    while (start < all.length)
    {
        uint32_t end = all.length, next = all.length, lastBreak = NoBreak;
        bool drawsGlyph = false;
        float x = 0.0f;
        char previous = 0;
        for (uint32_t i = start; i < all.length; ++i)
        {
            const char c = all.data[i];
            Color ignored;
            if (colorCodes && ReadColorCode(all, i, ignored))
            {
                i += ColorCodeLength - 1;
                continue;
            }
            if (c == '\n')
            {
                end = i;
                next = i + 1;
                break;
            }
            if (!HasGlyph(c))
                continue;
            // The same advances as the drawing, so a line that fits is drawn inside the width.
            if (c == ' ')
            {
                x += fontRegion.spaceAdvance * lineSize + spacing;
                lastBreak = i;
            }
            else
                x += (fontRegion.GetKerning(previous, c) + fontRegion.glyphs[static_cast<uint8_t>(c)].advance) *
                         lineSize +
                     spacing;
            previous = c;
            if (x > width)
            {
                if (lastBreak != NoBreak)
                {
                    end = lastBreak;
                    next = lastBreak + 1;
                }
                else if (drawsGlyph)
                    end = next = i;
                else
                    end = next = i + 1;
                break;
            }
            drawsGlyph = true;
        }
        lines.emplace_back(start, end);
        start = next;
    }
}

void MultilineTextContent::Render(float, DrawList& drawList, Geometry& vertexBuffer, Geometry& indexBuffer,
                                  GraphicsDevice& device, Menu& menu, const Rectangle& rectangle)
{
    if (text.empty())
        return;
    const TextureFontRegion* fontRegion = FindFont(device, "MultilineTextContent::Render - Font {} not found",
                                                   "MultilineTextContent::Render - Texture {} is not a font");
    if (!fontRegion)
        return;
    const float lineSize = RaiseToMinimum(ResolveSize(rectangle.height));
    BreakLines(*fontRegion, lineSize, rectangle.width);
    float y = 0.0f, placedHeight = 0.0f;
    const float blockHeight = float(lines.size()) * lineSize;
    Align(verticalAlignment, rectangle.y, rectangle.height, blockHeight, y, placedHeight);

    PrepareTemplate(drawList, menu);
    // A colour code holds for the rest of the text, across line breaks.
    Pen pen = MakePen(drawList, vertexBuffer, indexBuffer, device, *fontRegion, lineSize);
    const StringView all(text);
    // The block's extent: from the leftmost line start to the rightmost line end.
    float left = std::numeric_limits<float>::max(), right = std::numeric_limits<float>::lowest();
    for (size_t line = 0; line < lines.size(); ++line)
    {
        const auto [first, last] = lines[line];
        const float width = MeasureWidth(*fontRegion, all.Sub(first, last - first), lineSize);
        float x = 0.0f, placedWidth = 0.0f;
        Align(horizontalAlignment, rectangle.x, rectangle.width, width, x, placedWidth);
        left = std::min(left, x);
        right = std::max(right, x + width);
        if (!DrawLine(pen, first, last, x, y + float(line + 1) * lineSize))
            break;
    }
    drawnRectangle = {left, y, right - left, blockHeight};
}

} // namespace Lumvek
