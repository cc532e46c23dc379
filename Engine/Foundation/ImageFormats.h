#pragma once

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/Format.h"
#include "Engine/Foundation/Texture.h"

#include <cstdint>

namespace Lumvek
{

// PNG images in and out of whole textures, decoded to and encoded from 8-bit RGBA. After a read
// the reader stands just past the image's last chunk, so data appended to a PNG is read next.
class PngFormat : public BinaryFormat<Texture, ReversedOrder, TextureHeader>
{
public:
    using BinaryFormat::BinaryFormat;

    TextureHeader ReadHeader(BufferReader& reader) override { return ReadPngHeader(reader); }
    // Resizes the texture to the image, with a whole-image region, and decodes into it.
    bool Read(BufferReader& reader, Texture& texture) override { return ReadPng(reader, texture); }
    bool Write(BufferWriter& writer, const Texture& texture) override;

    // The image's size without decoding its pixels; zeros, with a message, for data that is no PNG.
    static TextureHeader ReadPngHeader(const BufferReader& reader);
    static bool ReadPng(BufferReader& reader, Texture& texture);
    // Encodes width x height pixels whose rows lie pitch bytes apart.
    static bool WritePng(BufferWriter& writer, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t pitch);
};

// PNG images in and out of one region of a texture; the region takes the image's size.
class PngRegionFormat : public BinaryFormat<TextureRegion, ReversedOrder>
{
public:
    using BinaryFormat::BinaryFormat;

    bool Read(BufferReader& reader, TextureRegion& region) override { return ReadPng(reader, region); }
    bool Write(BufferWriter& writer, const TextureRegion& region) override;

    static bool ReadPng(BufferReader& reader, TextureRegion& region);
};

// A PNG followed by a table of named regions, each given as fractions of the image's size. Each
// entry becomes the region of its name's index in NameTableA.
class LtaFormat : public BinaryFormat<Texture, ReversedOrder, TextureHeader>
{
public:
    using BinaryFormat::BinaryFormat;

    bool Read(BufferReader& reader, Texture& texture) override;
    // The table is not written: the file holds the image alone.
    bool Write(BufferWriter& writer, const Texture& texture) override;
};

// JPEG files are recognised by their extension but not decoded: no image of ours is a JPEG. Loading
// and saving both log "JPEG images are not supported" and fail, leaving the texture as it was and
// writing no bytes.
class JpgFormat : public BinaryFormat<Texture, ReversedOrder, TextureHeader>
{
public:
    using BinaryFormat::BinaryFormat;

    bool Read(BufferReader& reader, Texture& texture) override;
    bool Write(BufferWriter& writer, const Texture& texture) override;
};

} // namespace Lumvek
