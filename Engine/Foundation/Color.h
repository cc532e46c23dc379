#pragma once

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/StringView.h"

#include <cstdint>

namespace Lumvek
{

// A colour as drawn: four 8-bit channels, alpha 255 opaque. Its text forms are a name of the
// NamedColors table, "#RRGGBBAA" or "#RRGGBB" (opaque), or three or four channel numbers ("10 20 30"
// is opaque).
struct Color
{
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 255;

    static const Color White;
    static const Color Black;
    static const Color Red;
    static const Color Green;
    static const Color Blue;
    static const Color Yellow;
    static const Color Purple;
    static const Color Turquoise;
    static const Color Grey;
    static const Color TransparentWhite;
    static const Color Transparent;

    // Reads a colour at the reader's position and moves past it. Names match ignoring case and only
    // the start of the text has to match («Reddish» reads Red and leaves «dish»). A "#" form takes
    // exactly six or eight hexadecimal digits; with any other count it fails and changes nothing.
    // Channel lists read decimal numbers, each from 0 to 255; a list with a channel outside that range
    // fails and leaves the position where it was. The errors of failed number forms stay in the
    // reader's list.
    static bool Parse(Color& color, StringReader& reader);
    // Appends the first name whose colour equals this one exactly, otherwise "#RRGGBBAA".
    static void ToName(const Color& color, BufferWriter& writer);
    // Converts channels in 0..1: each times 256, truncated and clamped to 0..255 (NaN gives 0).
    static void ToBytes(const float channels[4], Color& color);
    // When the text at the position starts with name (ignoring case), sets the colour to value and
    // moves past the name.
    static bool MatchName(Color& color, StringReader& reader, StringView name, const Color& value);

    friend constexpr bool operator==(const Color&, const Color&) = default;
};

inline constexpr Color Color::White{255, 255, 255, 255};
inline constexpr Color Color::Black{0, 0, 0, 255};
inline constexpr Color Color::Red{255, 0, 0, 255};
inline constexpr Color Color::Green{0, 255, 0, 255};
inline constexpr Color Color::Blue{0, 0, 255, 255};
inline constexpr Color Color::Yellow{255, 255, 0, 255};
inline constexpr Color Color::Purple{255, 0, 255, 255};
inline constexpr Color Color::Turquoise{0, 255, 255, 255};
inline constexpr Color Color::Grey{128, 128, 128, 255};
inline constexpr Color Color::TransparentWhite{255, 255, 255, 0};
inline constexpr Color Color::Transparent{0, 0, 0, 0};

struct NamedColor
{
    StringView name;
    Color color;
};

// In the order names are tried when reading: "TransparentWhite" comes before "Transparent".
inline constexpr NamedColor NamedColors[] = {
    {"White", Color::White},
    {"Black", Color::Black},
    {"Red", Color::Red},
    {"Green", Color::Green},
    {"Blue", Color::Blue},
    {"Yellow", Color::Yellow},
    {"Purple", Color::Purple},
    {"Turquoise", Color::Turquoise},
    {"Grey", Color::Grey},
    {"TransparentWhite", Color::TransparentWhite},
    {"Transparent", Color::Transparent},
};

// Prints the colour's name text, so colours can fill "{}" placeholders.
void ToString(BufferWriter& writer, const Color& color);

} // namespace Lumvek
