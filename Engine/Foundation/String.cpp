#include "Engine/Foundation/String.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace Lumvek::String
{

namespace
{

// ASCII folding, independent of the process locale and safe for bytes above 127.
char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameChar(char a, char b, bool ignoreCase)
{
    return a == b || (ignoreCase && Lower(a) == Lower(b));
}

bool SameBytes(const char* a, const char* b, size_t count, bool ignoreCase)
{
    for (size_t i = 0; i < count; ++i)
        if (!SameChar(a[i], b[i], ignoreCase))
            return false;
    return true;
}

bool InSet(char c, StringView set, bool ignoreCase)
{
    for (char member : set)
        if (SameChar(c, member, ignoreCase))
            return true;
    return false;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Characters that can belong to a number text: digits, signs, points, exponent and hexadecimal
// letters, "inf" and "nan(...)". The conversion itself decides how many of them it takes.
bool IsNumberChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '+' ||
           c == '-' || c == '_' || c == '(' || c == ')';
}

// Copies the blanks and number characters at the start of text into a zero-terminated buffer, so
// that the C conversions never read past the view, and hands it to convert, which returns how many
// characters it consumed.
template <class Convert> uint32_t WithTerminatedCopy(StringView text, Convert convert)
{
    uint32_t length = 0;
    while (length < text.length && IsBlank(text.data[length]))
        ++length;
    uint32_t digits = length;
    while (length < text.length && IsNumberChar(text.data[length]))
        ++length;
    if (length == digits)
        return 0;

    char small[64];
    std::string large;
    char* copy = small;
    if (length >= sizeof(small))
    {
        large.assign(text.data, length);
        copy = large.data();
    }
    else
    {
        std::memcpy(small, text.data, length);
        small[length] = 0;
    }
    return convert(copy);
}

bool StartsWithMinus(const char* text)
{
    while (IsBlank(*text))
        ++text;
    return *text == '-';
}

template <class T> uint32_t ScanSigned(StringView text, T& value)
{
    return WithTerminatedCopy(text,
                              [&](const char* copy) -> uint32_t
                              {
                                  char* end = nullptr;
                                  errno = 0;
                                  long long number = std::strtoll(copy, &end, 0);
                                  if (end == copy || errno == ERANGE || number < std::numeric_limits<T>::min() ||
                                      number > std::numeric_limits<T>::max())
                                      return 0;
                                  value = static_cast<T>(number);
                                  return static_cast<uint32_t>(end - copy);
                              });
}

template <class T> uint32_t ScanUnsigned(StringView text, T& value)
{
    return WithTerminatedCopy(text,
                              [&](const char* copy) -> uint32_t
                              {
                                  // strtoull negates a minus-signed text into a huge value; a count cannot be negative.
                                  if (StartsWithMinus(copy))
                                      return 0;
                                  char* end = nullptr;
                                  errno = 0;
                                  unsigned long long number = std::strtoull(copy, &end, 10);
                                  if (end == copy || errno == ERANGE || number > std::numeric_limits<T>::max())
                                      return 0;
                                  value = static_cast<T>(number);
                                  return static_cast<uint32_t>(end - copy);
                              });
}

} // namespace

bool Equals(StringView a, StringView b, bool ignoreCase)
{
    return a.length == b.length && SameBytes(a.data, b.data, a.length, ignoreCase);
}

uint32_t IndexOf(StringView text, StringView find, bool ignoreCase)
{
    if (find.length > text.length)
        return NotFound;
    for (uint32_t i = 0; i <= text.length - find.length; ++i)
        if (SameBytes(text.data + i, find.data, find.length, ignoreCase))
            return i;
    return NotFound;
}

uint32_t IndexOfAny(StringView text, StringView set, bool ignoreCase)
{
    for (uint32_t i = 0; i < text.length; ++i)
        if (InSet(text.data[i], set, ignoreCase))
            return i;
    return NotFound;
}

uint32_t IndexOfAnyNot(StringView text, StringView set, bool ignoreCase)
{
    for (uint32_t i = 0; i < text.length; ++i)
        if (!InSet(text.data[i], set, ignoreCase))
            return i;
    return NotFound;
}

uint32_t LastIndexOf(StringView text, StringView find)
{
    if (find.length > text.length)
        return NotFound;
    // Answered first: the loop's start below would wrap for a text of the largest length.
    if (find.length == 0)
        return text.length;
    for (uint32_t i = text.length - find.length + 1; i-- > 0;)
        if (SameBytes(text.data + i, find.data, find.length, false))
            return i;
    return NotFound;
}

uint32_t LastIndexOfAnyNot(StringView text, StringView set)
{
    for (uint32_t i = text.length; i-- > 0;)
        if (!InSet(text.data[i], set, false))
            return i;
    return NotFound;
}

uint32_t LastIndexBeforeRepeats(StringView text, StringView find)
{
    if (text.length == 0)
        return NotFound;
    if (find.length == 0 || find.length > text.length)
        return text.length - 1;
    uint32_t end = text.length;
    while (end >= find.length && SameBytes(text.data + end - find.length, find.data, find.length, false))
        end -= find.length;
    return end - 1; // wraps to NotFound when only repetitions were there
}

bool Contains(StringView text, StringView find)
{
    return IndexOf(text, find) != NotFound;
}

int32_t ReplaceAll(std::string& string, StringView find, StringView replacement)
{
    if (find.length == 0)
        return 0;
    std::string_view pattern = find.ToStdView();
    size_t found = string.find(pattern);
    if (found == std::string::npos)
        return 0;

    // One pass into a new string keeps long texts with many matches linear.
    std::string result;
    result.reserve(string.size());
    size_t start = 0;
    int64_t count = 0;
    for (; found != std::string::npos; found = string.find(pattern, start))
    {
        result.append(string, start, found - start);
        result.append(replacement.data, replacement.length);
        start = found + find.length;
        ++count;
    }
    result.append(string, start, std::string::npos);
    string = std::move(result);
    return count > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                       : static_cast<int32_t>(count);
}

void Trim(std::string& string, StringView set)
{
    std::string_view members = set.ToStdView();
    size_t first = string.find_first_not_of(members);
    if (first == std::string::npos)
    {
        string.clear();
        return;
    }
    size_t last = string.find_last_not_of(members);
    string = string.substr(first, last - first + 1);
}

void TrimEnd(std::string& string, StringView find)
{
    if (find.length == 0)
        return;
    size_t end = string.size();
    while (end >= find.length && string.compare(end - find.length, find.length, find.data, find.length) == 0)
        end -= find.length;
    string.resize(end);
}

std::vector<StringView> Split(StringView text, StringView separator)
{
    std::vector<StringView> pieces;
    if (separator.length == 0)
    {
        pieces.push_back(text);
        return pieces;
    }
    uint32_t start = 0;
    for (;;)
    {
        uint32_t found = IndexOf(text.Sub(start), separator);
        if (found == NotFound)
            break;
        pieces.push_back(text.Sub(start, found));
        start += found + separator.length;
    }
    pieces.push_back(text.Sub(start));
    return pieces;
}

std::vector<StringView> SplitAny(StringView text, StringView set)
{
    std::vector<StringView> pieces;
    uint32_t start = 0;
    for (uint32_t i = 0; i < text.length; ++i)
    {
        if (InSet(text.data[i], set, false))
        {
            pieces.push_back(text.Sub(start, i - start));
            start = i + 1;
        }
    }
    pieces.push_back(text.Sub(start));
    return pieces;
}

std::string Concat(StringView a, StringView b)
{
    std::string result;
    result.reserve(static_cast<size_t>(a.length) + b.length);
    result.append(a.data, a.length);
    result.append(b.data, b.length);
    return result;
}

std::string Escape(StringView text)
{
    std::string result;
    result.reserve(text.length);
    for (char c : text)
    {
        switch (c)
        {
        case '"':
            result += "\\\"";
            break;
        case '\\':
            result += "\\\\";
            break;
        case '\b':
            result += "\\b";
            break;
        case '\f':
            result += "\\f";
            break;
        case '\n':
            result += "\\n";
            break;
        case '\r':
            result += "\\r";
            break;
        case '\t':
            result += "\\t";
            break;
        default:
            result += c;
            break;
        }
    }
    return result;
}

std::string Unescape(StringView text)
{
    std::string result;
    result.reserve(text.length);
    for (uint32_t i = 0; i < text.length; ++i)
    {
        char c = text.data[i];
        if (c != '\\')
        {
            result += c;
            continue;
        }
        if (++i == text.length)
            break;
        switch (text.data[i])
        {
        case '"':
            result += '"';
            break;
        case '\\':
            result += '\\';
            break;
        case 'b':
            result += '\b';
            break;
        case 'f':
            result += '\f';
            break;
        case 'n':
            result += '\n';
            break;
        case 'r':
            result += '\r';
            break;
        case 't':
            result += '\t';
            break;
        default:
            break;
        }
    }
    return result;
}

uint32_t ScanNumber(StringView text, int32_t& value)
{
    return ScanSigned(text, value);
}

uint32_t ScanNumber(StringView text, int64_t& value)
{
    return ScanSigned(text, value);
}

uint32_t ScanNumber(StringView text, uint32_t& value)
{
    return ScanUnsigned(text, value);
}

uint32_t ScanNumber(StringView text, uint64_t& value)
{
    return ScanUnsigned(text, value);
}

uint32_t ScanNumber(StringView text, float& value)
{
    return WithTerminatedCopy(text,
                              [&](const char* copy) -> uint32_t
                              {
                                  char* end = nullptr;
                                  float number = std::strtof(copy, &end);
                                  if (end == copy)
                                      return 0;
                                  value = number;
                                  return static_cast<uint32_t>(end - copy);
                              });
}

uint32_t ScanNumber(StringView text, double& value)
{
    return WithTerminatedCopy(text,
                              [&](const char* copy) -> uint32_t
                              {
                                  char* end = nullptr;
                                  double number = std::strtod(copy, &end);
                                  if (end == copy)
                                      return 0;
                                  value = number;
                                  return static_cast<uint32_t>(end - copy);
                              });
}

} // namespace Lumvek::String
