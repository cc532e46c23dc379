#include "Engine/Foundation/Color.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace Lumvek;

namespace
{

std::string ColorName(const Color& color)
{
    BufferWriter writer;
    Color::ToName(color, writer);
    return writer.ToString();
}

std::string Channels(const Color& color)
{
    return FormatText("{} {} {} {}", int(color.r), int(color.g), int(color.b), int(color.a));
}

} // namespace

TEST(Color, ParsesEveryTextForm)
{
    struct Case
    {
        std::string text;
        std::string channels;
        std::string rest; // what is left after the colour
    };
    const Case cases[] = {
        {"White", "255 255 255 255", ""},           {"WHITE", "255 255 255 255", ""},
        {"Whitesmoke", "255 255 255 255", "smoke"}, {"Reddish", "255 0 0 255", "dish"},
        {"TransparentWhite", "255 255 255 0", ""},  {"transparent ", "0 0 0 0", " "},
        {"#FF000080", "255 0 0 128", ""},           {"#0a141e28;", "10 20 30 40", ";"},
        {"#0a141e;", "10 20 30 255", ";"}, // six digits: opaque
        {"10 20 30", "10 20 30 255", ""},           {"10 20 30 x", "10 20 30 255", " x"},
        {"010 0 255", "10 0 255 255", ""}, // decimal digits, each a byte
    };
    for (const Case& c : cases)
    {
        StringReader reader(c.text);
        Color color = Color::Black;
        EXPECT_TRUE(Color::Parse(color, reader)) << c.text;
        EXPECT_EQ(Channels(color), c.channels) << c.text;
        EXPECT_EQ(reader.Rest(), StringView(c.rest)) << c.text;
    }
}

TEST(Color, RefusesOtherTexts)
{
    // A "#" form takes six or eight digits, no other count: "#ff0000f" is not alpha 15.
    for (const std::string text :
         {"#GG000000", "#ff0000f", "#FF000", "#FF00000000", "#", "10,20,30", "10 20", "Bleu", ""})
    {
        StringReader reader(text);
        Color color = Color::Turquoise;
        EXPECT_FALSE(Color::Parse(color, reader)) << text;
        EXPECT_EQ(color, Color::Turquoise) << text;
        EXPECT_EQ(reader.Position(), 0u) << text;
        // Both number forms were tried and left their errors.
        EXPECT_EQ(reader.errors.size(), text[0] == '#' ? 0u : 2u) << text;
    }
}

TEST(Color, NamesAndHexadecimalTextRoundTrip)
{
    EXPECT_EQ(ColorName(Color{128, 128, 128, 255}), "Grey");
    EXPECT_EQ(ColorName(Color{10, 20, 30, 40}), "#0A141E28");
    EXPECT_EQ(FormatText("fill {}", Color::TransparentWhite), "fill TransparentWhite");

    NamedColor unnamed{"", Color{10, 20, 30, 40}};
    for (const NamedColor& named : {NamedColors[0], NamedColors[8], NamedColors[9], NamedColors[10], unnamed})
    {
        std::string text = ColorName(named.color);
        StringReader reader(text);
        Color color;
        EXPECT_TRUE(Color::Parse(color, reader));
        EXPECT_EQ(color, named.color) << named.name.ToString();
    }
}

TEST(Color, ToBytesScalesTruncatesAndClamps)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float channels[][4] = {
        {1.0f, 0.5f, 0.25f, 0.999f},
        {-0.5f, 2.0f, 0.0f, 0.003f},
        {nan, std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(), 1e30f},
    };
    const char* expected[] = {"255 128 64 255", "0 255 0 0", "0 255 0 255"};
    for (int i = 0; i < 3; ++i)
    {
        Color color;
        Color::ToBytes(channels[i], color);
        EXPECT_EQ(Channels(color), expected[i]) << i;
    }
}
