#pragma once

#include "Engine/Foundation/Exceptions.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace Lumvek
{

// A non-owning view of text: pointer, 32-bit length and flags. Passed by value everywhere;
// the viewed characters must outlive the view.
class StringView
{
public:
    static constexpr uint32_t NotFound = 0xFFFFFFFFu;

    constexpr StringView() = default;
    constexpr StringView(const char* data, uint32_t length, uint32_t flags = 0)
        : data(data), length(length), flags(flags)
    {
    }
    // A string literal: its length without the terminating zero.
    template <size_t N>
    constexpr StringView(const char (&literal)[N]) : data(literal), length(static_cast<uint32_t>(N - 1))
    {
    }
    StringView(const std::string& text) : data(text.data()), length(static_cast<uint32_t>(text.size())) {}
    constexpr StringView(std::string_view text) : data(text.data()), length(static_cast<uint32_t>(text.size())) {}

    // A zero-terminated text whose length is not known at compile time.
    static StringView FromCString(const char* text)
    {
        return text ? StringView(text, static_cast<uint32_t>(std::strlen(text))) : StringView();
    }

    char operator[](uint32_t index) const
    {
        if (index >= length)
            throw InvalidIndex(index, length);
        return data[index];
    }

    constexpr uint32_t Length() const { return length; }
    constexpr bool IsEmpty() const { return length == 0; }
    constexpr const char* begin() const { return data; }
    constexpr const char* end() const { return data + length; }

    // The view from start, at most count characters; clamped to the view.
    constexpr StringView Sub(uint32_t start, uint32_t count = NotFound) const
    {
        if (start > length)
            start = length;
        if (count > length - start)
            count = length - start;
        return StringView(data + start, count, flags);
    }

    constexpr std::string_view ToStdView() const { return std::string_view(data, length); }
    std::string ToString() const { return std::string(data, length); }

    const char* data = "";
    uint32_t length = 0;
    uint32_t flags = 0;
};

constexpr bool operator==(StringView a, StringView b)
{
    return a.length == b.length && (a.length == 0 || std::char_traits<char>::compare(a.data, b.data, a.length) == 0);
}

} // namespace Lumvek
