#include "Engine/Foundation/ImageFormats.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"

#include <png.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

namespace Lumvek
{

namespace
{

// A decoder opened on the reader's remaining bytes; frees libpng's state unless decoding finished.
class PngDecoder
{
public:
    explicit PngDecoder(const BufferReader& reader)
    {
        image.version = PNG_IMAGE_VERSION;
        const uint32_t remaining = reader.Remaining();
        opened = remaining > 0 && png_image_begin_read_from_memory(&image, reader.data + reader.position, remaining);
        if (!opened)
            Log::Write("data is not a valid png");
        image.format = PNG_FORMAT_RGBA;
    }
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;
    ~PngDecoder() { png_image_free(&image); }

    bool Opened() const { return opened; }
    uint32_t Width() const { return image.width; }
    uint32_t Height() const { return image.height; }

    // Decodes into rows pitch bytes apart.
    bool Finish(uint8_t* pixels, uint32_t pitch)
    {
        if (!png_image_finish_read(&image, nullptr, pixels, static_cast<png_int_32>(pitch), nullptr))
        {
            Log::Write("failed to read the png image");
            return false;
        }
        return true;
    }

private:
    png_image image{};
    bool opened = false;
};

// Moves the reader past the signature and the chunks up to and including "IEND", or to the end of
// the data when the chunks run past it.
void SkipPng(BufferReader& reader)
{
    bool ended = !reader.Skip(8);
    while (!ended)
    {
        uint32_t length = 0;
        char type[4] = {};
        if (!reader.Read(length) || !reader.ReadBytes(type, 4) || uint64_t(length) + 4 > reader.Remaining())
            break;
        reader.Skip(length + 4);
        ended = std::memcmp(type, "IEND", 4) == 0;
    }
    if (!ended)
        reader.position = reader.size;
}

// One fraction of an image's side in whole pixels; false for what is no place on the image.
bool ToPixels(float fraction, uint32_t side, uint32_t& pixels)
{
    const double value = std::trunc(double(fraction) * side);
    if (!(value >= 0.0 && value <= side))
        return false;
    pixels = static_cast<uint32_t>(value);
    return true;
}

} // namespace

TextureHeader PngFormat::ReadPngHeader(const BufferReader& reader)
{
    PngDecoder decoder(reader);
    if (!decoder.Opened())
        return {};
    return {decoder.Width(), decoder.Height(), static_cast<uint32_t>(TextureFormat::ColorBuffer4x8)};
}

bool PngFormat::ReadPng(BufferReader& reader, Texture& texture)
{
    PngDecoder decoder(reader);
    if (!decoder.Opened())
        return false;
    if (!texture.SetSize(decoder.Width(), decoder.Height(), TextureFormat::ColorBuffer4x8))
    {
        Log::Write("png image of {} x {} is larger than a texture can be", decoder.Width(), decoder.Height());
        return false;
    }
    TextureRegion* region = texture.AddRegion(InvalidId, 0, 0);
    region->SetSize(texture.width, texture.height);
    if (!decoder.Finish(texture.pixels.Data(), texture.RowPitch()))
        return false;
    texture.MarkChanged();
    SkipPng(reader);
    return true;
}

bool PngFormat::WritePng(BufferWriter& writer, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t pitch)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    if (!pixels || width == 0 || height == 0 ||
        !png_image_write_to_memory(&image, nullptr, &size, 0, pixels, static_cast<png_int_32>(pitch), nullptr) ||
        size > 0xFFFFFFFFu)
    {
        png_image_free(&image);
        Log::Write("failed to initialize png output");
        return false;
    }
    auto bytes = std::make_unique<uint8_t[]>(size);
    if (!png_image_write_to_memory(&image, bytes.get(), &size, 0, pixels, static_cast<png_int_32>(pitch), nullptr))
    {
        png_image_free(&image);
        Log::Write("failed to write the png");
        return false;
    }
    writer.WriteBytes(bytes.get(), static_cast<uint32_t>(size));
    return true;
}

bool PngFormat::Write(BufferWriter& writer, const Texture& texture)
{
    // A texture whose pixels live only on the device (or were released) has nothing to encode.
    const bool hasPixels =
        texture.bytesPerPixel == 4 && texture.pixels.Size() >= uint64_t(texture.RowPitch()) * texture.height;
    return WritePng(writer, hasPixels ? texture.pixels.Data() : nullptr, texture.width, texture.height,
                    texture.RowPitch());
}

bool PngRegionFormat::ReadPng(BufferReader& reader, TextureRegion& region)
{
    PngDecoder decoder(reader);
    if (!decoder.Opened())
        return false;
    if (!region.SetSize(decoder.Width(), decoder.Height()) || !region.Pixels())
    {
        Log::Write("region is not big enough");
        return false;
    }
    if (!decoder.Finish(region.Pixels(), region.texture->RowPitch()))
        return false;
    region.texture->GrowDirtyRectangle(region.x, region.y, region.x + region.width, region.y + region.height);
    region.texture->MarkChanged();
    SkipPng(reader);
    return true;
}

bool PngRegionFormat::Write(BufferWriter& writer, const TextureRegion& region)
{
    return PngFormat::WritePng(writer, region.Pixels(), region.width, region.height, region.texture->RowPitch());
}

bool LtaFormat::Read(BufferReader& reader, Texture& texture)
{
    bool read = PngFormat::ReadPng(reader, texture);
    uint32_t count = 0;
    if (!reader.Read(count))
    {
        Log::Write("the region table is missing");
        return false;
    }
    for (uint32_t entry = 0; entry < count; ++entry)
    {
        std::string name;
        float left = 0, top = 0, width = 0, height = 0;
        if (!reader.ReadString(name) || !reader.Skip(16) || !reader.Read(left) || !reader.Read(top) ||
            !reader.Read(width) || !reader.Read(height))
        {
            Log::Write("the region table ends after {} of {} regions", entry, count);
            return false;
        }
        uint32_t x = 0, y = 0, w = 0, h = 0;
        TextureRegion* region = nullptr;
        if (ToPixels(left, texture.width, x) && ToPixels(top, texture.height, y) && ToPixels(width, texture.width, w) &&
            ToPixels(height, texture.height, h) && uint64_t(x) + w <= texture.width &&
            uint64_t(y) + h <= texture.height)
            region = texture.AddRegion(NameTableA().Add(name), x, y);
        if (!region || !region->SetSize(w, h))
        {
            Log::Write("region {} cannot be added to the image", name);
            read = false;
        }
    }
    return read;
}

bool LtaFormat::Write(BufferWriter& writer, const Texture& texture)
{
    return PngFormat().Write(writer, texture);
}

bool JpgFormat::Read(BufferReader&, Texture&)
{
    Log::Write("JPEG images are not supported");
    return false;
}

bool JpgFormat::Write(BufferWriter&, const Texture&)
{
    Log::Write("JPEG images are not supported");
    return false;
}

} // namespace Lumvek
