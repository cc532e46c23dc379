#include "Engine/Runtime/Gui/ImageContent.h"

#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Gui/Gui.h"
#include "Engine/Runtime/Gui/Menu.h"

namespace Lumvek
{

namespace
{

// A length in pixels: automatic (-1 for image sides, 0 for borders), pixels, or percent of whole.
float ResolveLength(const UnitRectangle::Measure& length, float whole, float automatic)
{
    switch (length.unit)
    {
    case UnitRectangle::Pixels:
        return length.value;
    case UnitRectangle::Percent:
        return length.value / 100.0f * whole;
    default:
        return automatic;
    }
}

// Sets the list's template to draw with the Gui's image material and the texture.
void PrepareTemplate(DrawList& drawList, const Menu& menu, uint32_t texture)
{
    DrawCommand& drawTemplate = drawList.Template();
    drawTemplate.material = menu.GetGui() ? menu.GetGui()->imageMaterial : InvalidId;
    drawTemplate.textures[0] = texture;
}

// One tinted quad from pixel rectangle (left, top, right, bottom) with texture rectangle (u0, v0, u1, v1).
bool AppendImageQuad(DrawList& drawList, Geometry& vertexBuffer, Geometry& indexBuffer, const GraphicsDevice& device,
                     const float (&area)[4], const float (&uv)[4], Color color)
{
    const DeviceSize size = device.GetSize();
    const auto deviceWidth = float(size.width), deviceHeight = float(size.height);
    const Vector2 topLeft = ToDeviceCoordinates(area[0], area[1], deviceWidth, deviceHeight);
    const Vector2 bottomRight = ToDeviceCoordinates(area[2], area[3], deviceWidth, deviceHeight);
    const GuiImageVertex vertices[4] = {
        {topLeft.x, topLeft.y, uv[0], uv[1], color},
        {topLeft.x, bottomRight.y, uv[0], uv[3], color},
        {bottomRight.x, topLeft.y, uv[2], uv[1], color},
        {bottomRight.x, bottomRight.y, uv[2], uv[3], color},
    };
    return AppendGuiQuad(drawList, vertexBuffer, indexBuffer, vertices);
}

} // namespace

const TextureRegion* ImageContent::FindRegion(GraphicsDevice& device) const
{
    const Texture* found = device.GetTexture(texture);
    if (!found)
        return nullptr;
    // A region without pixels yet (created, not loaded, or loading) has no aspect to draw with.
    const auto holdsPixels = [](const TextureRegion* candidate)
    {
        return candidate && !candidate->filling.load(std::memory_order_acquire) && candidate->width > 0 &&
               candidate->height > 0;
    };
    const TextureRegion* drawn = found->GetRegion(region);
    if (!holdsPixels(drawn) && fallbackRegion != InvalidId)
        drawn = found->GetRegion(fallbackRegion);
    return holdsPixels(drawn) ? drawn : nullptr;
}

void ImageContent::ResolveSize(const TextureRegion& drawn, float elementWidth, float elementHeight,
                               float& resolvedWidth, float& resolvedHeight) const
{
    resolvedWidth = ResolveLength(width, elementWidth, -1.0f);
    resolvedHeight = ResolveLength(height, elementHeight, -1.0f);
    const float aspect = float(drawn.width) / float(drawn.height);
    if (resolvedWidth < 0.0f && resolvedHeight < 0.0f)
    {
        resolvedWidth = -resolvedWidth * float(drawn.width);
        resolvedHeight = -resolvedHeight * float(drawn.height);
    }
    else if (resolvedWidth < 0.0f)
        resolvedWidth = -(resolvedHeight * resolvedWidth * aspect);
    else if (resolvedHeight < 0.0f)
        resolvedHeight = -(resolvedHeight * resolvedWidth / aspect);
}

void ImageContent::Render(float, DrawList& drawList, Geometry& vertexBuffer, Geometry& indexBuffer,
                          GraphicsDevice& device, Menu& menu, const Rectangle& rectangle)
{
    const TextureRegion* drawn = FindRegion(device);
    if (!drawn)
        return;
    float drawnWidth = 0.0f, drawnHeight = 0.0f;
    ResolveSize(*drawn, rectangle.width, rectangle.height, drawnWidth, drawnHeight);
    Rectangle placed;
    Align(horizontalAlignment, rectangle.x, rectangle.width, drawnWidth, placed.x, placed.width);
    Align(verticalAlignment, rectangle.y, rectangle.height, drawnHeight, placed.y, placed.height);

    PrepareTemplate(drawList, menu, texture);
    const UvRectangle& uv = drawn->uv;
    AppendImageQuad(drawList, vertexBuffer, indexBuffer, device,
                    {placed.x, placed.y, placed.x + placed.width, placed.y + placed.height},
                    {uv.x, uv.y, uv.x + uv.width, uv.y + uv.height}, color);
    drawnRectangle = placed;
}

NineSliceContent::Borders NineSliceContent::ResolveBorders(uint32_t left, uint32_t right, uint32_t top, uint32_t bottom,
                                                           float elementWidth, float elementHeight) const
{
    // Sides in the order of the modes, so the side opposite side s is s ^ 1.
    const uint32_t insets[4] = {left, right, top, bottom};
    const uint32_t named = borderMode <= Bottom ? borderMode : Left;
    const uint32_t opposite = named ^ 1u;
    const float size = ResolveLength(borderSize, named >= Top ? elementHeight : elementWidth, 0.0f);
    float sizes[4];
    for (uint32_t side = 0; side < 4; ++side)
        sizes[side] = insets[side] > 0 ? size : 0.0f;
    // Without a named inset there is no ratio to follow: the opposite border keeps the size itself.
    if (insets[named] > 0)
        sizes[opposite] = size * float(insets[opposite]) / float(insets[named]);
    return {sizes[Left], sizes[Right], sizes[Top], sizes[Bottom]};
}

void NineSliceContent::Render(float, DrawList& drawList, Geometry& vertexBuffer, Geometry& indexBuffer,
                              GraphicsDevice& device, Menu& menu, const Rectangle& rectangle)
{
    const Texture* found = device.GetTexture(texture);
    const auto* slices = found ? found->FindRegion<TextureNineSliceRegion>(region) : nullptr;
    if (!slices || slices->width == 0 || slices->height == 0)
        return;
    const Borders borders =
        ResolveBorders(slices->left, slices->right, slices->top, slices->bottom, rectangle.width, rectangle.height);
    const UvRectangle& uv = slices->uv;
    const float du = uv.width / float(slices->width), dv = uv.height / float(slices->height);
    const float x[4] = {rectangle.x, rectangle.x + borders.left, rectangle.x + rectangle.width - borders.right,
                        rectangle.x + rectangle.width};
    const float y[4] = {rectangle.y, rectangle.y + borders.top, rectangle.y + rectangle.height - borders.bottom,
                        rectangle.y + rectangle.height};
    const float u[4] = {uv.x, uv.x + float(slices->left) * du, uv.x + uv.width - float(slices->right) * du,
                        uv.x + uv.width};
    const float v[4] = {uv.y, uv.y + float(slices->top) * dv, uv.y + uv.height - float(slices->bottom) * dv,
                        uv.y + uv.height};

    PrepareTemplate(drawList, menu, texture);
    drawnRectangle = rectangle;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            if (x[column + 1] > x[column] && y[row + 1] > y[row] &&
                !AppendImageQuad(drawList, vertexBuffer, indexBuffer, device,
                                 {x[column], y[row], x[column + 1], y[row + 1]},
                                 {u[column], v[row], u[column + 1], v[row + 1]}, color))
                return;
}

} // namespace Lumvek
