#pragma once

#include "Engine/Foundation/Buffer.h"

#include <concepts>
#include <cstdint>
#include <string>

namespace Lumvek
{

// A 16-byte identifier, printed in the 8-4-4-4-12 grouping.
struct Guid
{
    // A new random identifier in the version-4 layout; 16 zero bytes when the platform cannot make
    // one. Provided by the platform layer.
    static Guid Create();

    uint8_t bytes[16] = {};
};

// The ToString family appends the text of a value to a writer's buffer, without a terminating
// zero. It is what "{}" placeholders, the LON writer and the log print with.
void ToString(BufferWriter& writer, bool value);
void ToString(BufferWriter& writer, char value);
void ToString(BufferWriter& writer, uint8_t value); // two upper-case hexadecimal digits
// Numbers read back as the value they hold: see TrimmedFloat.
void ToString(BufferWriter& writer, float value);
void ToString(BufferWriter& writer, double value);
void ToString(BufferWriter& writer, StringView value);
void ToString(BufferWriter& writer, const std::string& value);
void ToString(BufferWriter& writer, const char* value);
void ToString(BufferWriter& writer, const Guid& value);
void ToStringSigned(BufferWriter& writer, int64_t value, bool wide);
void ToStringUnsigned(BufferWriter& writer, uint64_t value, bool wide);

// Integers of 32 bits and less print with "%i" or "%u", wider ones with "%lli" or "%llu".
template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char> && !std::same_as<T, uint8_t>)
void ToString(BufferWriter& writer, T value)
{
    if constexpr (std::is_signed_v<T>)
        ToStringSigned(writer, static_cast<int64_t>(value), sizeof(T) > 4);
    else
        ToStringUnsigned(writer, static_cast<uint64_t>(value), sizeof(T) > 4);
}

// Enumerations print as their number unless a ToString of their own is declared.
template <class T>
    requires std::is_enum_v<T>
void ToString(BufferWriter& writer, T value)
{
    ToString(writer, static_cast<std::underlying_type_t<T>>(value));
}

// Appends the printf-style text of one conversion; the text is measured first.
void AppendPrinted(BufferWriter& writer, const char* conversion, ...) __attribute__((format(printf, 2, 3)));

// "%f" with trailing zeros removed, keeping one digit after the point: 2 gives "2.0", 1.5 "1.5". When
// that text would read back as another number (0.0000001 as 0.0), the shortest text that reads back
// as the value: plain digits while they fit ("0.0000001"), else with an exponent and still a point
// ("1.0e-30"). A float reads back as the same float, a double as the same double.
std::string TrimmedFloat(float value);
std::string TrimmedFloat(double value);

} // namespace Lumvek
