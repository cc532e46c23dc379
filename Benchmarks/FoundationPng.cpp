#include "Engine/Foundation/ImageFormats.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

using namespace Lumvek;

namespace
{

// An image like the ones our textures hold: flat shapes with soft edges and a little noise, which
// compresses about as well as drawn art does.
std::string MakePng(uint32_t side)
{
    std::mt19937 random(side);
    std::vector<uint8_t> pixels(size_t(side) * side * 4);
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x)
        {
            uint8_t* pixel = &pixels[(size_t(y) * side + x) * 4];
            const bool ink = ((x / 16) + (y / 16)) % 3 == 0;
            const uint8_t noise = static_cast<uint8_t>(random() & 7);
            pixel[0] = ink ? 0x41 : static_cast<uint8_t>(0xF0 - noise);
            pixel[1] = ink ? 0x40 : static_cast<uint8_t>(0xEC - noise);
            pixel[2] = ink ? 0x42 : static_cast<uint8_t>(0xE0 - noise);
            pixel[3] = (x % 64 < 60) ? 255 : static_cast<uint8_t>(x * 4);
        }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = side;
    image.height = side;
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
    std::string bytes(size, '\0');
    png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), 0, nullptr);
    bytes.resize(size);
    return bytes;
}

// libpng alone: the same simplified interface decoding into a buffer of the same size.
bool DecodeWithLibpng(const std::string& bytes, std::vector<uint8_t>& pixels)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return false;
    image.format = PNG_FORMAT_RGBA;
    pixels.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
}

// Both decoders take turns on the same file within one run, so the ratio compares like with like;
// the reported time is the engine's load.
void PngLoadAgainstLibpng(benchmark::State& state)
{
    const std::string bytes = MakePng(static_cast<uint32_t>(state.range(0)));
    PngFormat format;
    Texture texture;
    std::vector<uint8_t> pixels;
    double engineSeconds = 0;
    double libpngSeconds = 0;
    for (auto _ : state)
    {
        const auto start = std::chrono::steady_clock::now();
        format.Load("", bytes, texture);
        const auto middle = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(DecodeWithLibpng(bytes, pixels));
        const auto end = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(texture.pixels.Data());
        benchmark::DoNotOptimize(pixels.data());
        const double engine = std::chrono::duration<double>(middle - start).count();
        engineSeconds += engine;
        libpngSeconds += std::chrono::duration<double>(end - middle).count();
        state.SetIterationTime(engine);
    }
    state.counters["file_bytes"] = double(bytes.size());
    state.counters["libpng_us"] = benchmark::Counter(libpngSeconds * 1e6, benchmark::Counter::kAvgIterations);
    state.counters["engine_over_libpng"] = libpngSeconds > 0 ? engineSeconds / libpngSeconds : 0;
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0) * state.range(0) * 4);
}

} // namespace

BENCHMARK(PngLoadAgainstLibpng)->Arg(64)->Arg(256)->Arg(1024)->UseManualTime()->Unit(benchmark::kMicrosecond);
