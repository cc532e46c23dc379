#include "Source/Tools/Bake/Canvas.h"
#include "Source/Tools/Bake/Recipe.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/ImageFormats.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Texture.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

using namespace Lumvek;

namespace
{

constexpr uint32_t Cell = 128;
constexpr uint32_t Gap = 8;
constexpr uint32_t Columns = 16;

// Nearest-pixel scaling is enough for a look-over and keeps thin lines visible.
Canvas Thumbnail(const Texture& texture)
{
    // Small images are enlarged too, so their lines can be judged.
    const float scale = float(Cell) / float(std::max(texture.width, texture.height));
    Canvas thumbnail(std::max(1u, uint32_t(float(texture.width) * scale)),
                     std::max(1u, uint32_t(float(texture.height) * scale)));
    for (uint32_t y = 0; y < thumbnail.height; ++y)
        for (uint32_t x = 0; x < thumbnail.width; ++x)
        {
            const auto sourceX = std::min(texture.width - 1, uint32_t(float(x) / scale));
            const auto sourceY = std::min(texture.height - 1, uint32_t(float(y) / scale));
            std::memcpy(&thumbnail.pixels[(size_t(y) * thumbnail.width + x) * 4],
                        texture.pixels.Data() + (size_t(sourceY) * texture.width + sourceX) * 4, 4);
        }
    return thumbnail;
}

} // namespace

bool WriteContactSheet(const std::string& assets, const std::string& file)
{
    std::vector<std::string> images;
    std::error_code error;
    for (auto entry = std::filesystem::recursive_directory_iterator(assets, error);
         !error && entry != std::filesystem::recursive_directory_iterator(); entry.increment(error))
        if (entry->is_regular_file() && entry->path().extension() == ".png")
            images.push_back(entry->path().string());
    if (error)
    {
        Log::Write("cannot list the images of {}", assets);
        return false;
    }
    std::sort(images.begin(), images.end());

    const auto count = uint32_t(images.size());
    const uint32_t rows = std::max(1u, (count + Columns - 1) / Columns);
    Canvas sheet(Columns * (Cell + Gap) + Gap, rows * (Cell + Gap) + Gap, Palette::White);
    for (uint32_t i = 0; i < count; ++i)
    {
        const auto [read, bytes] = File::ReadBytes(images[i]);
        BufferReader reader(bytes, ReversedOrder);
        Texture texture;
        if (!read || !PngFormat::ReadPng(reader, texture))
        {
            Log::Write("cannot read the image {}", images[i]);
            return false;
        }
        const int x = int(Gap + (i % Columns) * (Cell + Gap)), y = int(Gap + (i / Columns) * (Cell + Gap));
        // A paper-coloured cell shows where each image ends and how its clear parts lie.
        for (uint32_t dy = 0; dy < Cell; ++dy)
            for (uint32_t dx = 0; dx < Cell; ++dx)
                sheet.Blend(x + int(dx), y + int(dy), ((dx / 8 + dy / 8) % 2) ? Palette::Shade : Palette::Paper, 1.0f);
        sheet.Paste(Thumbnail(texture), x, y);
    }
    Buffer png;
    if (!sheet.WritePng(png) || !File::WriteAllText(file, png.View()))
    {
        Log::Write("cannot write the contact sheet {}", file);
        return false;
    }
    return true;
}
