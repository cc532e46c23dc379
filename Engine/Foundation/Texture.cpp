#include "Engine/Foundation/Texture.h"

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"

#include <algorithm>
#include <cstring>

namespace Lumvek
{

Texture* ResourceTable::CreateTexture(uint32_t id)
{
    return Create<Texture>(id);
}

Texture::~Texture() = default;

bool Texture::SetSize(uint32_t newWidth, uint32_t newHeight, TextureFormat newFormat)
{
    if (newWidth > MaximumSize || newHeight > MaximumSize)
        return false;
    width = newWidth;
    height = newHeight;
    format = newFormat;
    bytesPerPixel = static_cast<uint32_t>(newFormat) <= 2 ? 4 : 0;
    pixels = Buffer();
    ClearPixelBuffers();
    regions.clear();
    if (newFormat == TextureFormat::ColorBuffer4x8)
    {
        // At most 8192 x 8192 x 4 bytes, which 32 bits hold; the product is formed wide regardless.
        const uint64_t size = uint64_t(newWidth) * newHeight * 4;
        pixels.Reserve(static_cast<uint32_t>(size));
    }
    // Every pixel is new, and an area grown for the old size may lie outside the new one.
    dirty = {0, 0, newWidth, newHeight};
    MarkChanged();
    return true;
}

namespace
{

// Loads through the file manager of the texture's resource table, under the texture's name.
FormatHandle LoadInto(const Texture& texture, StringView path, auto& content)
{
    FileManager* files = texture.table ? texture.table->files : nullptr;
    if (!files)
    {
        Log::Write("no file manager to load {}", path);
        return FormatHandle();
    }
    return files->Load(files->ResolvePath(path), content, NameTableB().GetName(texture.id), texture.table->watch != 0);
}

} // namespace

void Texture::Load(StringView newPath)
{
    path = newPath.ToString();
    if (!path.empty())
        handle = LoadInto(*this, path, *this);
}

void TextureRegion::Load(StringView newPath)
{
    path = newPath.ToString();
    if (!path.empty())
        handle = LoadInto(*texture, path, *this);
}

void Texture::ReleaseData()
{
    pixels = Buffer();
    ClearPixelBuffers();
}

template <class T>
T* Texture::AllocateRegionOf(Texture& texture, uint32_t index, uint32_t width, uint32_t height, uint32_t padding)
{
    // Sizes from image headers: nothing larger than a texture may be packed, nor overflow with its
    // padding.
    if (width > MaximumSize || height > MaximumSize || padding > MaximumSize)
        return nullptr;
    // Refused before packing, so that a taken index costs the atlas no room.
    if (index == InvalidId || texture.GetRegion(index))
        return nullptr;
    auto* root = texture.FindRegion<TextureAtlasRegion>(InvalidId);
    if (!root && !texture.GetRegion(InvalidId))
    {
        root = texture.AddRegionOf<TextureAtlasRegion>(InvalidId, 0, 0);
        if (root && !root->SetSize(texture.width, texture.height))
            root = nullptr;
    }
    uint32_t x = 0;
    uint32_t y = 0;
    if (!root || !root->Pack(width + 2 * padding, height + 2 * padding, x, y))
        return nullptr;
    T* region = texture.AddRegionOf<T>(index, x + padding, y + padding);
    if (region && !region->SetSize(width, height))
        return nullptr;
    return region;
}

TextureRegion* Texture::AllocateRegion(Texture& texture, uint32_t index, uint32_t width, uint32_t height,
                                       uint32_t padding)
{
    return AllocateRegionOf<TextureRegion>(texture, index, width, height, padding);
}

TextureNineSliceRegion* Texture::AllocateNineSliceRegion(Texture& texture, uint32_t index, uint32_t width,
                                                         uint32_t height, uint32_t padding)
{
    return AllocateRegionOf<TextureNineSliceRegion>(texture, index, width, height, padding);
}

TextureFramesRegion* Texture::AllocateFramesRegion(Texture& texture, uint32_t index, uint32_t width, uint32_t height,
                                                   uint32_t padding)
{
    return AllocateRegionOf<TextureFramesRegion>(texture, index, width, height, padding);
}

bool Texture::CanAddRegion(uint32_t index, uint32_t x, uint32_t y, uint32_t& position)
{
    if (format != TextureFormat::ColorBuffer4x8 || pixels.Size() == 0 || x > width || y > height)
        return false;
    position = index == InvalidId ? 0 : index + 1;
    if (position < regions.size() && regions[position])
        return false;
    if (position >= regions.size())
        regions.resize(size_t(position) + 1);
    return true;
}

TextureRegion* Texture::GetRegion(uint32_t index) const
{
    const size_t position = index == InvalidId ? 0 : size_t(index) + 1;
    return position < regions.size() ? regions[position].get() : nullptr;
}

void Texture::FillPixels(uint32_t sourceX, uint32_t sourceY, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1)
{
    if (bytesPerPixel != 4 || sourceX >= width || sourceY >= height ||
        pixels.Size() < uint64_t(width) * height * bytesPerPixel)
        return;
    x1 = std::min(x1, width);
    y1 = std::min(y1, height);
    uint8_t* data = pixels.Data();
    const size_t pitch = RowPitch();
    uint8_t source[4];
    std::memcpy(source, data + sourceY * pitch + size_t(sourceX) * 4, 4);
    for (uint32_t row = y0; row < y1; ++row)
        for (uint32_t column = x0; column < x1; ++column)
            std::memcpy(data + row * pitch + size_t(column) * 4, source, 4);
    if (x0 < x1 && y0 < y1)
        GrowDirtyRectangle(x0, y0, x1, y1);
}

namespace
{

// The n pixels before start, clipped at 0.
uint32_t Before(uint32_t start, uint32_t n)
{
    return start > n ? start - n : 0;
}

// The end of the n pixels from start, kept inside 32 bits; FillPixels clips it to the texture.
uint32_t After(uint32_t start, uint32_t n)
{
    return static_cast<uint32_t>(std::min<uint64_t>(uint64_t(start) + n, 0xFFFFFFFFu));
}

} // namespace

void Texture::ExtrudeRegionLeft(const TextureRegion& region, uint32_t n)
{
    if (n == 0 || region.width == 0)
        return;
    for (uint32_t row = region.y; row < region.y + region.height; ++row)
        FillPixels(region.x, row, Before(region.x, n), row, region.x, row + 1);
}

void Texture::ExtrudeRegionRight(const TextureRegion& region, uint32_t n)
{
    if (n == 0 || region.width == 0)
        return;
    const uint32_t edge = region.x + region.width;
    for (uint32_t row = region.y; row < region.y + region.height; ++row)
        FillPixels(edge - 1, row, edge, row, After(edge, n), row + 1);
}

void Texture::ExtrudeRegionTop(const TextureRegion& region, uint32_t n)
{
    if (n == 0 || region.height == 0)
        return;
    for (uint32_t column = region.x; column < region.x + region.width; ++column)
        FillPixels(column, region.y, column, Before(region.y, n), column + 1, region.y);
}

void Texture::ExtrudeRegionBottom(const TextureRegion& region, uint32_t n)
{
    if (n == 0 || region.height == 0)
        return;
    const uint32_t edge = region.y + region.height;
    for (uint32_t column = region.x; column < region.x + region.width; ++column)
        FillPixels(column, edge - 1, column, edge, column + 1, After(edge, n));
}

void Texture::ExtrudeRegion(const TextureRegion& region, uint32_t n)
{
    if (n == 0 || region.width == 0 || region.height == 0)
        return;
    const uint32_t left = region.x;
    const uint32_t top = region.y;
    const uint32_t right = region.x + region.width;
    const uint32_t bottom = region.y + region.height;
    FillPixels(left, top, Before(left, n), Before(top, n), left, top);
    FillPixels(right - 1, top, right, Before(top, n), After(right, n), top);
    FillPixels(left, bottom - 1, Before(left, n), bottom, left, After(bottom, n));
    FillPixels(right - 1, bottom - 1, right, bottom, After(right, n), After(bottom, n));
    ExtrudeRegionTop(region, n);
    ExtrudeRegionBottom(region, n);
    ExtrudeRegionLeft(region, n);
    ExtrudeRegionRight(region, n);
}

void Texture::GrowDirtyRectangle(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1)
{
    if (dirty.right <= dirty.left || dirty.bottom <= dirty.top)
    {
        dirty = {x0, y0, x1, y1};
        return;
    }
    dirty.left = std::min(dirty.left, x0);
    dirty.top = std::min(dirty.top, y0);
    dirty.right = std::max(dirty.right, x1);
    dirty.bottom = std::max(dirty.bottom, y1);
}

} // namespace Lumvek
