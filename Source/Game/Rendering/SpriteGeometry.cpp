#include "Source/Game/Rendering/SpriteGeometry.h"

#include "Engine/Foundation/Texture.h"

#include <algorithm>
#include <cmath>

using namespace Lumvek;

namespace SpriteGeometry
{

bool IsUsableTile(float length)
{
    return std::isfinite(length) && length > 0.0f;
}

uint64_t CountTiles(float width, float height, float tileWidth, float tileHeight)
{
    if (!IsUsableTile(tileWidth) || !IsUsableTile(tileHeight))
        return MaximumTiles + 1;
    const double columns = width > 0.0f ? std::ceil(double(width) / tileWidth) : 1.0;
    const double rows = height > 0.0f ? std::ceil(double(height) / tileHeight) : 1.0;
    const double tiles = std::max(columns, 1.0) * std::max(rows, 1.0);
    return tiles <= double(MaximumTiles) ? static_cast<uint64_t>(tiles) : MaximumTiles + 1;
}

void AppendTiles(const Part& part, float tileWidth, float tileHeight, std::vector<Part>& out)
{
    if (CountTiles(part.width, part.height, tileWidth, tileHeight) > MaximumTiles)
    {
        out.push_back(part);
        return;
    }
    const auto count = [](float length, float tile)
    { return length > 0.0f ? std::max<uint64_t>(static_cast<uint64_t>(std::ceil(double(length) / tile)), 1) : 1; };
    const uint64_t columns = count(part.width, tileWidth), rows = count(part.height, tileHeight);
    for (uint64_t row = 0; row < rows; ++row)
    {
        const float y = float(row) * tileHeight;
        const float rowHeight = std::max(std::min(tileHeight, part.height - y), 0.0f);
        const float rowShare = part.height > 0.0f ? rowHeight / tileHeight : 1.0f;
        for (uint64_t column = 0; column < columns; ++column)
        {
            const float x = float(column) * tileWidth;
            const float columnWidth = std::max(std::min(tileWidth, part.width - x), 0.0f);
            const float columnShare = part.width > 0.0f ? columnWidth / tileWidth : 1.0f;
            Part tile = part;
            tile.x = part.x + x;
            tile.y = part.y + y;
            tile.width = part.width > 0.0f ? columnWidth : part.width;
            tile.height = part.height > 0.0f ? rowHeight : part.height;
            tile.texture.width = part.texture.width * columnShare;
            // The texture runs down from its top while the part runs up from its bottom: a cut row
            // keeps the bottom of its picture.
            tile.texture.height = part.texture.height * rowShare;
            tile.texture.v = part.texture.v + part.texture.height - tile.texture.height;
            out.push_back(tile);
        }
    }
}

void AppendNineSlice(const TextureNineSliceRegion& region, float width, float height, float tileSize, bool tileX,
                     bool tileY, std::vector<Part>& out)
{
    const float textureWidth = region.texture && region.texture->width ? float(region.texture->width) : 1.0f;
    const float textureHeight = region.texture && region.texture->height ? float(region.texture->height) : 1.0f;
    const UvRectangle& uv = region.uv;
    // World units per pixel of the image, from the left border; an image without one measures from
    // its widest border.
    const uint32_t reference =
        region.left ? region.left : std::max({region.right, region.top, region.bottom, uint32_t(1)});
    const float unit = tileSize / float(reference);
    const float left = region.left * unit, right = region.right * unit;
    const float bottom = region.bottom * unit, top = region.top * unit;
    const float middleWidth = std::max(width - left - right, 0.0f);
    const float middleHeight = std::max(height - bottom - top, 0.0f);
    // Texture columns from the left, rows from the top of the image.
    const float u[4] = {uv.x, uv.x + region.left / textureWidth, uv.x + uv.width - region.right / textureWidth,
                        uv.x + uv.width};
    const float v[4] = {uv.y, uv.y + region.top / textureHeight, uv.y + uv.height - region.bottom / textureHeight,
                        uv.y + uv.height};
    // The picture's middle cells at their own size, which the repeated parts tile with.
    const float cellWidth = std::max(region.width - region.left - region.right, 1u) * unit;
    const float cellHeight = std::max(region.height - region.top - region.bottom, 1u) * unit;
    const auto part = [&](int column, int row, float x, float y, float w, float h) {
        return Part{x, y, w, h, {u[column], v[row], u[column + 1] - u[column], v[row + 1] - v[row]}};
    };
    out.push_back(part(0, 2, 0.0f, 0.0f, left, bottom));
    out.push_back(part(2, 2, width - right, 0.0f, right, bottom));
    out.push_back(part(0, 0, 0.0f, height - top, left, top));
    out.push_back(part(2, 0, width - right, height - top, right, top));
    const float alongX = tileX ? cellWidth : middleWidth;
    const float alongY = tileY ? cellHeight : middleHeight;
    AppendTiles(part(0, 1, 0.0f, bottom, left, middleHeight), left, alongY, out);
    AppendTiles(part(2, 1, width - right, bottom, right, middleHeight), right, alongY, out);
    AppendTiles(part(1, 2, left, 0.0f, middleWidth, bottom), alongX, bottom, out);
    AppendTiles(part(1, 0, left, height - top, middleWidth, top), alongX, top, out);
    AppendTiles(part(1, 1, left, bottom, middleWidth, middleHeight), alongX, alongY, out);
}

void AppendPlainTiles(const TextureRectangle& texture, uint32_t pixelWidth, uint32_t pixelHeight, float width,
                      float height, float tileSize, bool tileX, bool tileY, std::vector<Part>& out)
{
    const Part whole{0.0f, 0.0f, width, height, texture};
    if (!pixelWidth || !pixelHeight)
    {
        out.push_back(whole);
        return;
    }
    const float tileHeight = tileSize * float(pixelHeight) / float(pixelWidth);
    AppendTiles(whole, tileX ? tileSize : width, tileY ? tileHeight : height, out);
}

Matrix3x3 PartTransform(const Part& part, float quadWidth, float quadHeight, const Matrix3x3& quad)
{
    const Matrix3x3 inQuad = Matrix3x3::Compose(part.x / quadWidth, part.y / quadHeight, part.width / quadWidth,
                                                part.height / quadHeight, 0.0f, 0.0f, 0.0f);
    return inQuad * quad;
}

} // namespace SpriteGeometry
