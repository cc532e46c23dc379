#include "Engine/Foundation/Color.h"

#include "Engine/Foundation/String.h"
#include "Engine/Foundation/ToString.h"

namespace Lumvek
{

namespace
{

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The "#" form at the reader's "#": six hexadecimal digits (opaque) or eight, and no other count, so that
// "#C9D8E4F" is no colour, not one with alpha 15. False, the colour and the reader untouched, otherwise.
bool ReadHexDigits(StringReader& reader, Color& color)
{
    const StringView digits = reader.Rest().Sub(1);
    uint32_t count = 0;
    while (count < digits.length && HexDigit(digits.data[count]) >= 0)
        ++count;
    if (count != 6 && count != 8)
        return false;
    uint8_t channels[4] = {0, 0, 0, 255};
    for (uint32_t i = 0; i < count / 2; ++i)
        channels[i] = static_cast<uint8_t>(HexDigit(digits.data[2 * i]) * 16 + HexDigit(digits.data[2 * i + 1]));
    color = {channels[0], channels[1], channels[2], channels[3]};
    reader.Advance(1 + count);
    return true;
}

bool IsChannel(int32_t value)
{
    return value >= 0 && value <= 255;
}

uint8_t ChannelByte(float value)
{
    float scaled = value * 256.0f;
    // Written so that NaN fails the first test; huge values never reach the integer conversion.
    if (!(scaled > 0.0f))
        return 0;
    if (scaled >= 255.0f)
        return 255;
    return static_cast<uint8_t>(scaled);
}

} // namespace

bool Color::Parse(Color& color, StringReader& reader)
{
    if (reader.Peek() == '#')
        return ReadHexDigits(reader, color);

    for (const NamedColor& named : NamedColors)
        if (MatchName(color, reader, named.name, named.color))
            return true;

    int32_t r = 0, g = 0, b = 0, a = 255;
    const uint32_t start = reader.Position();
    if (!Lumvek::Parse(reader, "{} {} {} {}", r, g, b, a) && !Lumvek::Parse(reader, "{} {} {}", r, g, b))
        return false;
    // A channel beyond a byte is no colour: its low bits would be another one ("300" 44, "-1" 255).
    if (!IsChannel(r) || !IsChannel(g) || !IsChannel(b) || !IsChannel(a))
    {
        reader.SetPosition(start);
        return false;
    }
    color = {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b), static_cast<uint8_t>(a)};
    return true;
}

void Color::ToName(const Color& color, BufferWriter& writer)
{
    for (const NamedColor& named : NamedColors)
    {
        if (named.color == color)
        {
            writer.WriteText(named.name);
            return;
        }
    }
    writer.WriteText("#");
    for (uint8_t channel : {color.r, color.g, color.b, color.a})
        ToString(writer, channel);
}

void Color::ToBytes(const float channels[4], Color& color)
{
    color = {ChannelByte(channels[0]), ChannelByte(channels[1]), ChannelByte(channels[2]), ChannelByte(channels[3])};
}

bool Color::MatchName(Color& color, StringReader& reader, StringView name, const Color& value)
{
    StringView rest = reader.Rest();
    if (rest.length < name.length || !String::Equals(rest.Sub(0, name.length), name, true))
        return false;
    color = value;
    reader.Advance(name.length);
    return true;
}

void ToString(BufferWriter& writer, const Color& color)
{
    Color::ToName(color, writer);
}

} // namespace Lumvek
