#include "Engine/Foundation/ToString.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace Lumvek
{

void AppendPrinted(BufferWriter& writer, const char* conversion, ...)
{
    va_list arguments;
    va_start(arguments, conversion);
    va_list copy;
    va_copy(copy, arguments);
    int length = std::vsnprintf(nullptr, 0, conversion, copy);
    va_end(copy);
    if (length > 0)
    {
        char small[64];
        std::vector<char> large;
        char* text = small;
        if (length + 1 > static_cast<int>(sizeof(small)))
        {
            large.resize(length + 1);
            text = large.data();
        }
        std::vsnprintf(text, length + 1, conversion, arguments);
        writer.WriteBytes(text, static_cast<uint32_t>(length));
    }
    va_end(arguments);
}

namespace
{

// Removes trailing zeros of a "%f" text but keeps one digit after the point.
uint32_t TrimmedLength(const char* text, uint32_t length)
{
    const char* point = static_cast<const char*>(std::memchr(text, '.', length));
    if (!point)
        return length;
    uint32_t keep = static_cast<uint32_t>(point - text) + 2;
    while (length > keep && text[length - 1] == '0')
        --length;
    return length;
}

bool ReadsBack(const char* text, double value)
{
    return std::strtod(text, nullptr) == value;
}

// A float is read both ways: straight as a float ("{}" patterns, text vectors) and as a double that is
// then narrowed (LON and JSON members).
bool ReadsBack(const char* text, float value)
{
    return std::strtof(text, nullptr) == value && static_cast<float>(std::strtod(text, nullptr)) == value;
}

// The trimmed "%f" text, which is what files have always held, when it reads back as the value; else
// the shortest text that does: in plain digits while they are few ("0.0000001", "0.1234567"), else
// with an exponent ("1.0e-30"), always with a point so that LON reads it as a Number.
template <class T> void AppendTrimmed(BufferWriter& writer, T value)
{
    int length = std::snprintf(nullptr, 0, "%f", static_cast<double>(value));
    if (length <= 0)
        return;
    std::vector<char> text(length + 1);
    std::snprintf(text.data(), text.size(), "%f", static_cast<double>(value));
    // Infinities and NaN have no other text.
    if (!std::isfinite(value) || ReadsBack(text.data(), value))
    {
        writer.WriteBytes(text.data(), TrimmedLength(text.data(), static_cast<uint32_t>(length)));
        return;
    }
    char shortest[64];
    auto [end, error] = std::to_chars(shortest, shortest + 24, value, std::chars_format::fixed);
    if (error != std::errc())
        end = std::to_chars(shortest, shortest + sizeof shortest, value).ptr;
    char* exponent = std::find(shortest, end, 'e');
    writer.WriteBytes(shortest, static_cast<uint32_t>(exponent - shortest));
    if (std::find(shortest, exponent, '.') == exponent)
        writer.WriteText(".0");
    writer.WriteBytes(exponent, static_cast<uint32_t>(end - exponent));
}

} // namespace

std::string TrimmedFloat(float value)
{
    BufferWriter writer;
    AppendTrimmed(writer, value);
    return writer.ToString();
}

std::string TrimmedFloat(double value)
{
    BufferWriter writer;
    AppendTrimmed(writer, value);
    return writer.ToString();
}

void ToString(BufferWriter& writer, bool value)
{
    writer.WriteText(value ? StringView("true") : StringView("false"));
}

void ToString(BufferWriter& writer, char value)
{
    writer.WriteBytes(&value, 1);
}

void ToString(BufferWriter& writer, uint8_t value)
{
    AppendPrinted(writer, "%02hhX", value);
}

void ToString(BufferWriter& writer, float value)
{
    AppendTrimmed(writer, value);
}

void ToString(BufferWriter& writer, double value)
{
    AppendTrimmed(writer, value);
}

void ToString(BufferWriter& writer, StringView value)
{
    writer.WriteText(value);
}

void ToString(BufferWriter& writer, const std::string& value)
{
    writer.WriteText(value);
}

void ToString(BufferWriter& writer, const char* value)
{
    writer.WriteText(StringView::FromCString(value));
}

void ToString(BufferWriter& writer, const Guid& value)
{
    static constexpr int groups[] = {4, 2, 2, 2, 6};
    int index = 0;
    for (int group = 0; group < 5; ++group)
    {
        if (group)
            writer.WriteText("-");
        for (int i = 0; i < groups[group]; ++i)
            ToString(writer, value.bytes[index++]);
    }
}

void ToStringSigned(BufferWriter& writer, int64_t value, bool wide)
{
    if (wide)
        AppendPrinted(writer, "%lli", static_cast<long long>(value));
    else
        AppendPrinted(writer, "%i", static_cast<int>(value));
}

void ToStringUnsigned(BufferWriter& writer, uint64_t value, bool wide)
{
    if (wide)
        AppendPrinted(writer, "%llu", static_cast<unsigned long long>(value));
    else
        AppendPrinted(writer, "%u", static_cast<unsigned>(value));
}

} // namespace Lumvek
