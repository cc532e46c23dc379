#pragma once

#include "Engine/Foundation/Color.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/UnitRectangle.h"
#include "Engine/Runtime/Gui/Content.h"

#include <cstdint>

namespace Lumvek
{

class TextureRegion;

// A region of a texture drawn as one tinted quad, sized in pixels, in percent of its element or
// automatically through the region's aspect, and placed by the two alignments. Owned by its element;
// application thread only.
class ImageContent : public Content
{
public:
    void Render(float seconds, DrawList& drawList, Geometry& vertexBuffer, Geometry& indexBuffer,
                GraphicsDevice& device, Menu& menu, const Rectangle& rectangle) override;

    // The region drawn: the region of the index, else the fallback region; null when the texture is
    // missing or neither region holds pixels.
    const TextureRegion* FindRegion(GraphicsDevice& device) const;
    // The drawn size in pixels inside an element of the given size. An automatic side (or a negative
    // one, which scales the result) follows the other through the region's aspect; with both sides
    // automatic or negative the region's own pixel size is taken, scaled likewise.
    void ResolveSize(const TextureRegion& region, float elementWidth, float elementHeight, float& width,
                     float& height) const;

    // Device slot of the texture.
    uint32_t texture = InvalidId;
    // InvalidId: the whole texture.
    uint32_t region = InvalidId;
    // Drawn while the region is missing (a streamed image not yet loaded); InvalidId for none.
    uint32_t fallbackRegion = InvalidId;
    Color color = Color::White;
    // Automatic, pixels, or percent of the element's width (height).
    UnitRectangle::Measure width;
    UnitRectangle::Measure height;
};

// A nine-slice region of a texture stretched over its whole element: the corners keep their shape,
// the edges stretch along one axis and the centre along both. The border size sets one border (by
// the mode: left, right, top or bottom) and the others follow. Owned by its element; application
// thread only.
class NineSliceContent : public Content
{
public:
    // Which border takes the border size.
    enum BorderMode : uint32_t
    {
        Left = 0,
        Right = 1,
        Top = 2,
        Bottom = 3,
    };

    // Border widths in pixels.
    struct Borders
    {
        float left = 0.0f;
        float right = 0.0f;
        float top = 0.0f;
        float bottom = 0.0f;
    };

    void Render(float seconds, DrawList& drawList, Geometry& vertexBuffer, Geometry& indexBuffer,
                GraphicsDevice& device, Menu& menu, const Rectangle& rectangle) override;

    // The borders in pixels in an element of the given size for a region with the given insets. The
    // border the mode names takes the size; the opposite one follows the ratio of the two insets, and
    // the two across take the size itself. A border whose inset is 0 is 0.
    Borders ResolveBorders(uint32_t left, uint32_t right, uint32_t top, uint32_t bottom, float elementWidth,
                           float elementHeight) const;

    // Device slot of the texture.
    uint32_t texture = InvalidId;
    // Index of a nine-slice region of the texture.
    uint32_t region = InvalidId;
    Color color = Color::White;
    // None, pixels, or percent of the element's width (left and right modes) or height (top and
    // bottom modes).
    UnitRectangle::Measure borderSize;
    uint32_t borderMode = Left;
};

} // namespace Lumvek
