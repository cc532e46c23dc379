#pragma once

#include "Engine/Foundation/Color.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/StringView.h"
#include "Engine/Foundation/UnitRectangle.h"
#include "Engine/Runtime/Gui/Content.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Lumvek
{

class TextureFontRegion;

// A line of text drawn from a distance-field font, placed in its element by the two alignments.
// With colour codes on, "#RRGGBBAA" in the text colours the glyphs after it and is not drawn itself.
// Bytes from 128 up have no glyph: they are neither drawn nor measured. Owned by its element;
// application thread only.
class TextContent : public Content
{
public:
    // The text's size: the line height in pixels.
    enum SizeUnit : uint32_t
    {
        ElementHeight = 0,
        Pixels = 1,
        PercentOfHeight = 2,
    };

    void Render(float seconds, DrawList& drawList, Geometry& vertexBuffer, Geometry& indexBuffer,
                GraphicsDevice& device, Menu& menu, const Rectangle& rectangle) override;

    // The line height in pixels in an element of the given height.
    float ResolveSize(float elementHeight) const;

    // When text[at] starts a colour code that Color::Parse reads whole, stores its colour.
    static bool ReadColorCode(StringView text, uint32_t at, Color& color);
    // The width of the text in pixels at line height size: the font's measure of the text without its
    // colour codes (when colorCodes is set), plus the letter spacing it is drawn with between its glyphs.
    float MeasureWidth(const TextureFontRegion& font, StringView text, float size);
    // The line height the whole text is drawn at in the rectangle, and its width there; shrinkToFit
    // stops at minimumSize, where the line may stand wider than the rectangle. Sets the letter spacing
    // it is drawn with.
    float FitSize(const TextureFontRegion& font, const Rectangle& rectangle, float& width);
    // WCAG's relative luminance of a colour, 0 for black to 1 for white.
    static float Luminance(const Color& color);
    // WCAG's contrast ratio of two colours, 1 for the same luminance to 21 for black and white.
    static float Contrast(const Color& a, const Color& b);

    std::string text;
    // Device slot of a texture holding a font region.
    uint32_t font = InvalidId;
    UnitRectangle::Measure size;
    // The least line height in pixels the text is drawn at, whatever its element's height or
    // shrinkToFit: a glyph of a distance-field font drawn much smaller than it was baked loses its thin
    // strokes between the pixels. A line raised to it is drawn without a letter spacing above 0.
    float minimumSize = 0.0f;
    Color fillColor = Color::White;
    Color strokeColor = Color::Black;
    // Fractions of the distance field's range; the shader takes them clamped to [0, 0.49] and halved.
    float innerStrokeRadius = 0.0f;
    float outerStrokeRadius = 0.0f;
    // In multiples of the size.
    float letterSpacing = 0.0f;
    uint8_t colorCodes = 0;
    // Set, each glyph takes as its stroke whichever of strokeColor and contrastColor contrasts more with
    // its fill, so that a line of several colours is outlined where each reads.
    uint8_t contrastStroke = 0;
    Color contrastColor = Color::White;
    // Set, a line wider than its element is drawn at the size that fits the width; never larger.
    uint8_t shrinkToFit = 0;
    // Set, the line stands on one box as high as itself, so that small text, whose outline is thin,
    // still reads over anything. With contrastStroke the box is whichever of strokeColor and
    // contrastColor more of the line's other colours contrast with, and text in the box's own colour
    // is written in the other one; without, it is the stroke of the first glyph.
    uint8_t backing = 0;

protected:
    // What a Render needs after the font was found.
    struct Pen
    {
        DrawList& drawList;
        Geometry& vertexBuffer;
        Geometry& indexBuffer;
        float deviceWidth = 0.0f;
        float deviceHeight = 0.0f;
        const TextureFontRegion& font;
        float size = 0.0f;
        Color fill;
        // The radii as drawn; the stroke takes the fill colour when both are nil.
        float innerRadius = 0.0f;
        float outerRadius = 0.0f;
        bool strokeFollowsFill = false;
        // Set by a backing of the contrast pair: a fill of the backing's colour is drawn in the other.
        bool recolour = false;
        Color backing;
        Color other;
    };

    // The font region of the font texture, with the messages of a failed lookup under the caller's name.
    const TextureFontRegion* FindFont(GraphicsDevice& device, StringView missing, StringView notFont) const;
    // Points the list's template at the Gui's text material and the font.
    void PrepareTemplate(DrawList& drawList, const Menu& menu) const;
    Pen MakePen(DrawList& drawList, Geometry& vertexBuffer, Geometry& indexBuffer, const GraphicsDevice& device,
                const TextureFontRegion& font, float size) const;
    // The stroke of a glyph filled with the pen's colour.
    Color StrokeOf(const Pen& pen) const;
    // The colour of the box behind the whole text, chosen from the pen's fill at its start; with the
    // contrast pair, the pen recolours from then on and its fill is set again.
    Color ChooseBacking(Pen& pen) const;
    // The pen's fill for text of the colour, recoloured when it would vanish into the backing.
    static void SetFill(Pen& pen, const Color& fill);
    // With backing set, the box behind text[first, end) from x, its colour chosen over the whole text;
    // the list's template keeps its material. False when the Gui's buffers are full.
    bool DrawBacking(Pen& pen, const Menu& menu, uint32_t first, uint32_t end, float x, float bottom);
    // Draws text[first, last) with its left edge at x and the bottom of its line at bottom. False when
    // the Gui's buffers are full.
    bool DrawLine(Pen& pen, uint32_t first, uint32_t last, float x, float bottom) const;

    // The line height at least minimumSize, and sets the letter spacing it is drawn with.
    float RaiseToMinimum(float lineSize);

    // Reused by every Render, so drawing allocates nothing once it has run.
    std::string measured;
    // The letter spacing the text is measured and drawn with: letterSpacing, or none once a Render
    // raised the line to minimumSize.
    float drawnSpacing = 0.0f;
};

// Text wrapped at its element's width: lines break at the last space or newline that fits, a word
// longer than the width breaks before the character that overflows, and every newline starts a line.
// The lines are S apart and aligned one by one. Owned by its element; application thread only.
class MultilineTextContent : public TextContent
{
public:
    void Render(float seconds, DrawList& drawList, Geometry& vertexBuffer, Geometry& indexBuffer,
                GraphicsDevice& device, Menu& menu, const Rectangle& rectangle) override;

    // Splits the text into lines no wider than width pixels at line height size, as [first, last)
    // ranges of the text without the break characters. Each line holds at least one character, so a
    // character wider than the width stands on a line of its own.
    void BreakLines(const TextureFontRegion& font, float size, float width);

    std::vector<std::pair<uint32_t, uint32_t>> lines;
};

} // namespace Lumvek
