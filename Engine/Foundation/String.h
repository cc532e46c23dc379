#pragma once

#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <string>
#include <vector>

// Search, split, trim and escape helpers over StringView and owned strings, and the bounded number
// conversions the parsers read with. Positions and lengths are unsigned 32-bit; String::NotFound
// (all bits set, -1 as a signed number) means "not found".
namespace Lumvek::String
{

constexpr uint32_t NotFound = StringView::NotFound;

// Equal lengths and equal bytes; with ignoreCase, letters compare after folding to lower case.
bool Equals(StringView a, StringView b, bool ignoreCase = false);

// First position of find in text; 0 for an empty find.
uint32_t IndexOf(StringView text, StringView find, bool ignoreCase = false);
// First position of a character that is (IndexOfAny) or is not (IndexOfAnyNot) in set.
uint32_t IndexOfAny(StringView text, StringView set, bool ignoreCase = false);
uint32_t IndexOfAnyNot(StringView text, StringView set, bool ignoreCase = false);
// Last position of find in text; the text's length for an empty find.
uint32_t LastIndexOf(StringView text, StringView find);
uint32_t LastIndexOfAnyNot(StringView text, StringView set);
// Position of the last character before the trailing run of repetitions of find: NotFound when the
// text is empty or only repetitions, the last position when find is empty or longer than the text.
uint32_t LastIndexBeforeRepeats(StringView text, StringView find);
bool Contains(StringView text, StringView find);

// Replaces every occurrence left to right; the search resumes after each inserted replacement, so a
// replacement holding find is not replaced again. Returns the number of replacements.
int32_t ReplaceAll(std::string& string, StringView find, StringView replacement);
// Keeps the text from the first to the last character not in set.
void Trim(std::string& string, StringView set);
// Removes the trailing run of repetitions of find.
void TrimEnd(std::string& string, StringView find);

// The pieces between separators, always including the piece after the last one (empty when the text
// ends with a separator). An empty separator gives the whole text as one piece.
std::vector<StringView> Split(StringView text, StringView separator);
// The pieces between characters of set, the last piece always included.
std::vector<StringView> SplitAny(StringView text, StringView set);
std::string Concat(StringView a, StringView b);

// Backslash escapes of the LON string literal: \" \\ \b \f \n \r \t. Unescape drops a backslash
// followed by any other character together with that character, and a final lone backslash.
std::string Escape(StringView text);
std::string Unescape(StringView text);

// Number conversions that read only within the view (it need not be zero-terminated). Each skips
// leading blanks as scanf does, reads the longest number at the start of the text and returns how
// many characters it consumed, or 0 (value untouched) when no number is there or it does not fit
// the type. Signed integers read decimal, or hexadecimal and octal by their 0x and 0 prefixes
// ("%i"); unsigned integers read decimal only and refuse a minus sign; floats read "%f" texts.
uint32_t ScanNumber(StringView text, int32_t& value);
uint32_t ScanNumber(StringView text, int64_t& value);
uint32_t ScanNumber(StringView text, uint32_t& value);
uint32_t ScanNumber(StringView text, uint64_t& value);
uint32_t ScanNumber(StringView text, float& value);
uint32_t ScanNumber(StringView text, double& value);

} // namespace Lumvek::String
