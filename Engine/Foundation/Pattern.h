#pragma once

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/String.h"
#include "Engine/Foundation/StringView.h"
#include "Engine/Foundation/ToString.h"

#include <cstdint>
#include <string>
#include <vector>

// The "{}" pattern language: one pattern text drives both output (FormatString) and input (Parse).
// A pattern is literal text and placeholders "{head}" or "{head:spec}"; "{{" is a literal "{" and a
// "}" outside a placeholder is ordinary text. A numeric head selects an argument by index, the head
// "-" (Parse only) skips the text its spec matches, and a spec is a regular expression that a text
// output must match.
namespace Lumvek
{

// One element of a split pattern. Both views point into the pattern text.
struct FormatItem
{
    static constexpr uint32_t Literal = 0;
    static constexpr uint32_t Placeholder = 1;

    uint32_t kind = Literal;
    StringView text; // the literal's characters, or the placeholder's head
    StringView spec; // the placeholder's text after its first ':'; empty for literals
};

// Walks a pattern item by item without allocating; Split collects the items into a list.
class FormatPattern
{
public:
    explicit FormatPattern(StringView pattern) : pattern(pattern) {}

    // Reads the next item; false at the end. An opening brace without a closing one yields the text
    // after it as a last literal item and marks the pattern as failed.
    bool Next(FormatItem& item);
    bool Failed() const { return failed; }
    // Offset of the unmatched opening brace when Failed.
    uint32_t FailedAt() const { return failedAt; }

    // Appends the pattern's items to items; false on a missing closing brace, the items produced
    // until then staying in the list.
    static bool Split(StringView pattern, std::vector<FormatItem>& items);

private:
    StringView pattern;
    uint32_t offset = 0;
    uint32_t failedAt = 0;
    bool failed = false;
};

// What went wrong in one failed parse, with where it happened. The message views static text.
struct ParseError
{
    StringView message;
    uint32_t line = 1;   // from 1, of the reader position where the failing attempt started
    uint32_t column = 1; // from 1
    StringView pattern;  // the pattern being parsed; empty for errors not raised by a pattern
    uint32_t offset = 0; // of the failing item's text within the pattern
};

// The parsing cursor over a text the reader does not own. The position never passes the text's end.
// Errors pile up and are never cleared by the parsers: callers that try several patterns in turn
// find every failed attempt in the list.
class StringReader
{
public:
    StringReader() = default;
    explicit StringReader(StringView text, bool ignoreCase = false) : ignoreCase(ignoreCase), text(text) {}
    template <size_t N>
    explicit StringReader(const char (&literal)[N], bool ignoreCase = false)
        : StringReader(StringView(literal), ignoreCase)
    {
    }
    // The reader only views its text: a temporary string would be gone before the first read.
    StringReader(std::string&&, bool = false) = delete;

    StringView Text() const { return text; }
    uint32_t Position() const { return position; }
    // Both clamp to the end of the text.
    void SetPosition(uint32_t value) { position = value < text.length ? value : text.length; }
    void Advance(uint32_t count) { position += count < text.length - position ? count : text.length - position; }
    bool AtEnd() const { return position == text.length; }
    // The text from the position to the end.
    StringView Rest() const { return text.Sub(position); }

    // The character at the position, 0 at the end.
    char Peek() const { return position < text.length ? text.data[position] : '\0'; }
    // Moves past blanks, tabs, carriage returns and line feeds.
    void SkipWhitespace();

    // Matches the current expression as an ECMAScript-style regular expression anchored at the
    // position (case-insensitive with ignoreCase) and moves past the match. Returns the length of
    // the match, or -1 when it does not match, the expression is invalid or the match is too long
    // for the result; the position then stays.
    int32_t Match();
    // With an empty expression, the rest of the text (the position stays); otherwise the text the
    // expression matches, moving past it. False when the expression does not match.
    bool Remaining(StringView& result);

    // Records an error at the position, without a pattern.
    void AddError(StringView message);
    // Line and column, both from 1, of a position in the text.
    void LineAndColumn(uint32_t at, uint32_t& line, uint32_t& column) const;

    bool ignoreCase = false;
    StringView expression; // the expression of the placeholder being read; empty between items
    std::vector<ParseError> errors;

private:
    bool MatchExpression(uint32_t& length) const;

    StringView text;
    uint32_t position = 0;
};

// Readers of one placeholder's output. Each reads at the reader's position and moves past what it
// read; on failure it returns false. Numbers are read as a file's are (ReadNumberText): the whole run
// of digits, letters, points and signs at the position must be one decimal number the type takes.
// Other types join the pattern language by declaring an overload of ParseItem beside themselves
// (found by argument-dependent lookup).
bool ParseItem(StringReader& reader, float& value);
bool ParseItem(StringReader& reader, double& value);
bool ParseItem(StringReader& reader, int32_t& value);
bool ParseItem(StringReader& reader, int64_t& value);
bool ParseItem(StringReader& reader, uint32_t& value);
bool ParseItem(StringReader& reader, uint64_t& value);
// The whole rest of the text without an expression (consuming nothing), else the text it matches.
bool ParseItem(StringReader& reader, StringView& value);

namespace PatternDetail
{

// A type-erased argument of FormatString: its address and the ToString that prints it.
struct FormatArgument
{
    template <class T>
    explicit FormatArgument(const T& value)
        : value(&value),
          write([](BufferWriter& writer, const void* argument) { ToString(writer, *static_cast<const T*>(argument)); })
    {
    }

    const void* value;
    void (*write)(BufferWriter& writer, const void* value);
};

// A type-erased output of Parse: its address and the ParseItem that reads it.
struct ParseOutput
{
    template <class T>
    explicit ParseOutput(T& value)
        : value(&value),
          read([](StringReader& reader, void* output) { return ParseItem(reader, *static_cast<T*>(output)); })
    {
    }

    void* value;
    bool (*read)(StringReader& reader, void* value);
};

void FormatArguments(BufferWriter& writer, StringView pattern, const FormatArgument* arguments, uint32_t count);
bool ParseOutputs(StringReader& reader, StringView pattern, const ParseOutput* outputs, uint32_t count);

} // namespace PatternDetail

// Appends the pattern to the writer with each placeholder replaced by its argument's ToString text.
// "{}" takes the next argument, "{n}" argument n (then counting on from n + 1); a placeholder whose
// index has no argument appends nothing, and what follows a colon is ignored. An unmatched "{" is dropped and the
// text after it is written as it is. Formatting cannot fail.
template <class... Args> void FormatString(BufferWriter& writer, StringView pattern, const Args&... args)
{
    if constexpr (sizeof...(Args) == 0)
    {
        PatternDetail::FormatArguments(writer, pattern, nullptr, 0);
    }
    else
    {
        const PatternDetail::FormatArgument arguments[] = {PatternDetail::FormatArgument(args)...};
        PatternDetail::FormatArguments(writer, pattern, arguments, sizeof...(Args));
    }
}

// FormatString into a new string.
template <class... Args> std::string FormatText(StringView pattern, const Args&... args)
{
    BufferWriter writer;
    FormatString(writer, pattern, args...);
    return writer.ToString();
}

// Reads the outputs from the reader's position as the pattern describes: literals must match
// exactly, "{}" reads the next output, "{n}" output n, "{-:expression}" skips what the expression
// matches. Text after the last item is left unread. On failure the position returns to where it
// was, one ParseError is added and false returned; outputs read before the failure keep their new
// values. Messages: "missing closing brace", "text mismatch", "expression mismatch",
// "invalid index", "not enough parameters", "failed to parse item".
template <class... Outputs> bool Parse(StringReader& reader, StringView pattern, Outputs&... outputs)
{
    if constexpr (sizeof...(Outputs) == 0)
    {
        return PatternDetail::ParseOutputs(reader, pattern, nullptr, 0);
    }
    else
    {
        const PatternDetail::ParseOutput items[] = {PatternDetail::ParseOutput(outputs)...};
        return PatternDetail::ParseOutputs(reader, pattern, items, sizeof...(Outputs));
    }
}

} // namespace Lumvek
