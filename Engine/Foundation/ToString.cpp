#include "Engine/Foundation/ToString.h"

#include <cstdarg>
#include <cstdio>
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

void AppendTrimmed(BufferWriter& writer, double value)
{
    int length = std::snprintf(nullptr, 0, "%f", value);
    if (length <= 0)
        return;
    std::vector<char> text(length + 1);
    std::snprintf(text.data(), text.size(), "%f", value);
    writer.WriteBytes(text.data(), TrimmedLength(text.data(), static_cast<uint32_t>(length)));
}

} // namespace

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
