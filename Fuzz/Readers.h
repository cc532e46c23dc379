#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Entry points shared by the fuzz programs of the engine's and the game's readers and by their
// corpus test in the main build. Each reader takes any bytes at all; it must not crash, leak or trip
// a sanitizer, and stops the program (trap) only when an invariant breaks. Each returns 0.
namespace Lumvek::Fuzz
{

struct Reader
{
    // Names the fuzz program: "lon" builds FuzzLon.
    const char* name;
    int (*read)(const uint8_t* data, size_t size);
    // Inputs for read made from the committed Assets folder below sourceRoot and, for the formats
    // that folder does not hold, from samples written by the engine itself.
    std::vector<std::string> (*seeds)(const std::string& sourceRoot);
};

// Every reader of outside bytes: LON, JSON, XML, PNG images and regions, LTA, LTD, SDF, WAV, zip,
// geometry (lvb, lix, lcb), effects (lte), the game's definitions and configurations, and profiles.
const std::vector<Reader>& Readers();
// The reader of that name; null when there is none.
const Reader* FindReader(std::string_view name);

} // namespace Lumvek::Fuzz
