#pragma once

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/FormatHandle.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/StringView.h"
#include "Engine/Foundation/TextureRegion.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Lumvek
{

// How a texture's pixels are used; the values are the positions in TextureFormatNames.
enum class TextureFormat : uint32_t
{
    ColorBuffer4x8 = 0,
    ColorTarget4x8 = 1,
    DepthStencilTarget24_8 = 2,
};

// A block of pixels and the regions cut from it. Lives in a ResourceTable; the graphics device
// uploads it when its version changes. Streaming workers edit it with the texture locked.
class Texture : public GraphicsResource
{
public:
    // Larger textures are refused: no device we draw on takes them, and a size read from a file must
    // not ask for gigabytes of pixels.
    static constexpr uint32_t MaximumSize = 8192;

    // The edges of the area changed since the device's last upload; empty while right <= left.
    struct DirtyRectangle
    {
        uint32_t left = 0;
        uint32_t top = 0;
        uint32_t right = 0;
        uint32_t bottom = 0;
    };

    Texture() = default;
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;
    ~Texture() override;

    // Resizes the texture, destroying every region and pixel buffer; a colour buffer gets
    // width x height x 4 bytes of pixels. Refused (false, nothing changed) when a side exceeds
    // MaximumSize.
    bool SetSize(uint32_t width, uint32_t height, TextureFormat format);
    // Stores the path and loads the file into the texture; an empty path keeps the previous load.
    void Load(StringView path);
    void ReleaseData() override;
    void ClearPixelBuffers() { pixelBuffers.clear(); }

    // Region creation, under a region index (InvalidId for the whole-image region). Null when the
    // texture is not a colour buffer with pixels, the index is taken, or (x, y) lies outside the
    // texture. The region starts empty at (x, y).
    TextureRegion* AddRegion(uint32_t index, uint32_t x, uint32_t y, TextureRegion* parent = nullptr)
    {
        return AddRegionOf<TextureRegion>(index, x, y, parent);
    }
    TextureNineSliceRegion* AddNineSliceRegion(uint32_t index, uint32_t x, uint32_t y, TextureRegion* parent = nullptr)
    {
        return AddRegionOf<TextureNineSliceRegion>(index, x, y, parent);
    }
    TextureFramesRegion* AddFramesRegion(uint32_t index, uint32_t x, uint32_t y, TextureRegion* parent = nullptr)
    {
        return AddRegionOf<TextureFramesRegion>(index, x, y, parent);
    }
    template <class T> T* AddRegionOf(uint32_t index, uint32_t x, uint32_t y, TextureRegion* parent = nullptr)
    {
        uint32_t position = 0;
        if (!CanAddRegion(index, x, y, position))
            return nullptr;
        auto region = std::make_unique<T>(this, parent, x, y);
        T* created = region.get();
        regions[position] = std::move(region);
        return created;
    }
    // Packs a width x height region under the index into the texture's atlas (its whole-image region,
    // made an atlas over the whole texture the first time), with padding pixels kept free on every
    // side. Null when it does not fit, the index is taken, or the whole-image region is no atlas.
    static TextureRegion* AllocateRegion(Texture& texture, uint32_t index, uint32_t width, uint32_t height,
                                         uint32_t padding);
    static TextureNineSliceRegion* AllocateNineSliceRegion(Texture& texture, uint32_t index, uint32_t width,
                                                           uint32_t height, uint32_t padding);
    static TextureFramesRegion* AllocateFramesRegion(Texture& texture, uint32_t index, uint32_t width, uint32_t height,
                                                     uint32_t padding);

    // The region created under the index; null when there is none.
    TextureRegion* GetRegion(uint32_t index) const;
    template <class T> T* FindRegion(uint32_t index) const { return dynamic_cast<T*>(GetRegion(index)); }

    // Copies the pixel at (sourceX, sourceY) into every pixel with x0 <= x < x1 and y0 <= y < y1;
    // the area is clipped to the texture, and a source outside it copies nothing.
    void FillPixels(uint32_t sourceX, uint32_t sourceY, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1);
    // Repeats the region's edge pixels n pixels outward, so filtering at its edge does not bleed in
    // the neighbours of a packed texture. Strips that would leave the texture are clipped.
    void ExtrudeRegionLeft(const TextureRegion& region, uint32_t n);
    void ExtrudeRegionRight(const TextureRegion& region, uint32_t n);
    void ExtrudeRegionTop(const TextureRegion& region, uint32_t n);
    void ExtrudeRegionBottom(const TextureRegion& region, uint32_t n);
    // All four sides and the four corners.
    void ExtrudeRegion(const TextureRegion& region, uint32_t n);

    // Widens the dirty rectangle to hold the area from (x0, y0) to (x1, y1).
    void GrowDirtyRectangle(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1);
    uint32_t RowPitch() const { return width * bytesPerPixel; }

    std::string path;
    FormatHandle handle;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bytesPerPixel = 0;
    TextureFormat format = TextureFormat::ColorBuffer4x8;
    // Set: the device builds the mipmap chain after every upload, a partial one included, so that a
    // texture drawn small does not shimmer.
    uint8_t mipmaps = 0;
    DirtyRectangle dirty;
    Buffer pixels;
    std::vector<std::unique_ptr<uint8_t[]>> pixelBuffers;
    // The region of index i sits at position i + 1; position 0 holds the whole-image region. The
    // list belongs to the thread that creates and loads the texture, then, once the texture is drawn,
    // to the application thread alone: drawing looks regions up without a lock, and a growing list
    // moves. A streaming atlas therefore takes cells (which adds regions) on the application thread.
    std::vector<std::unique_ptr<TextureRegion>> regions;

private:
    template <class T>
    static T* AllocateRegionOf(Texture& texture, uint32_t index, uint32_t width, uint32_t height, uint32_t padding);
    bool CanAddRegion(uint32_t index, uint32_t x, uint32_t y, uint32_t& position);
};

} // namespace Lumvek
