#pragma once

#include "Engine/Runtime/Gui/Element.h"
#include "Engine/Runtime/Gui/ImageContent.h"
#include "Engine/Runtime/Gui/TextContent.h"
#include "Source/Ui/Kit/DrawIn.h"

#include <cstdint>
#include <string>

// The element shapes screens assemble their trees from, in their Setup and handlers. Lengths are
// percent of the parent unless they say points; a background colour of 0 means none; colours are
// packed bytes red, green, blue, alpha. Application thread only.

// Content alignments as screens pass them.
enum class TextAlignment : uint32_t
{
    Start = 0,
    Centre = 1,
    End = 2,
    Fill = 3,
};

Lumvek::Color UnpackColor(uint32_t packed);

// The least line height, in pixels, of the screens' text: smaller, the fonts' thin strokes drop out
// between the pixels. A line sized as a share of its element stops there in a small window, and the
// layouts leave it room at 640 x 360.
constexpr float ReadableTextSize = 12.0f;

Lumvek::Element& AddElement(Lumvek::Element& parent, float width, float height, uint32_t background);
Lumvek::Element& AddElementPoints(Lumvek::Element& parent, uint32_t width, uint32_t height, uint32_t background);
// Shows the texture's region (the whole texture for no region), keeping its aspect at the element's
// height, centred; the pending region shows until the region is available.
Lumvek::ImageContent& SetImage(Lumvek::Element& element, uint32_t texture, uint32_t region, uint32_t pendingRegion);
// An image of nothing yet, filling the element.
Lumvek::ImageContent& AddImageContent(Lumvek::Element& element);
// A line of text size percent of the element's height high, ink-stroked in black, centred vertically.
Lumvek::TextContent& AddText(Lumvek::Element& element, float size, const std::string& text, uint32_t font,
                             uint32_t color, TextAlignment alignment);

// As AddText, writing itself in over the duration once a screen sets its direction; idle until then.
DrawInText& AddDrawInText(Lumvek::Element& element, float size, float duration, const std::string& text, uint32_t font,
                          uint32_t color, TextAlignment alignment);
// The region drawn in over the duration, keeping its aspect at the element's height, centred; idle
// until a screen sets its direction or elapsed time.
DrawInImage& AddDrawInImage(Lumvek::Element& element, float duration, uint32_t texture, uint32_t region);

// Outlines text that is drawn over the match, whose colours it cannot choose: each glyph gets the ink
// or the paper as its stroke, whichever stands further from its own colour in lightness, so that a
// team's colour keeps its meaning and still reads on a sky or tiles of the same colour.
void OutlineText(Lumvek::TextContent& text);
// As OutlineText, with each run of one colour on a box of its outline's colour: small text over the
// match, whose outline would be too thin to carry it.
void BackText(Lumvek::TextContent& text);

// Placement helpers for the builders' callers.
void SetOffset(Lumvek::Element& element, YGEdge edge, float percent);
void SetOffsetPoints(Lumvek::Element& element, YGEdge edge, float points);
// Centres the element on its parent's cross axis.
void AlignCentre(Lumvek::Element& element);
