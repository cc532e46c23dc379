#pragma once

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/Texture.h"
#include "Tests/LogCapture.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace Lumvek::Testing
{

// A recognisable RGBA value for each pixel.
inline uint32_t PatternPixel(uint32_t x, uint32_t y)
{
    return 0xFF000000u | (x & 0xFF) | ((y & 0xFF) << 8) | (((x * 7 + y * 3) & 0xFF) << 16);
}

// A PNG made by libpng itself from pixels of the given libpng format (PNG_FORMAT_RGBA, _GRAY, ...).
inline std::string EncodePng(uint32_t width, uint32_t height, uint32_t format, const void* pixels)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = format;
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, nullptr));
    std::string bytes(size, '\0');
    EXPECT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels, 0, nullptr));
    bytes.resize(size);
    return bytes;
}

// An RGBA PNG of PatternPixel values.
inline std::string PatternPng(uint32_t width, uint32_t height)
{
    std::vector<uint32_t> pixels(size_t(width) * height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            pixels[size_t(y) * width + x] = PatternPixel(x, y);
    return EncodePng(width, height, PNG_FORMAT_RGBA, pixels.data());
}

inline uint32_t TexturePixel(const Texture& texture, uint32_t x, uint32_t y)
{
    uint32_t pixel = 0;
    std::memcpy(&pixel, texture.pixels.Data() + (size_t(y) * texture.width + x) * 4, 4);
    return pixel;
}

// Big-endian values, as the image, atlas and font files hold them.
class BigEndianWriter
{
public:
    BigEndianWriter& Bytes(const std::string& bytes)
    {
        writer.WriteBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
        return *this;
    }
    template <class T> BigEndianWriter& Value(T value)
    {
        writer.Write(value);
        return *this;
    }
    BigEndianWriter& Text(const std::string& text)
    {
        writer.WriteString(text);
        return *this;
    }
    std::string Result() const { return writer.ToString(); }

    BufferWriter writer{ReversedOrder};
};

} // namespace Lumvek::Testing
