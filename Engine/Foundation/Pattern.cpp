#include "Engine/Foundation/Pattern.h"

#include "Engine/Foundation/Members.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string_view>
#include <unordered_map>

namespace Lumvek
{

bool FormatPattern::Next(FormatItem& item)
{
    const uint32_t length = pattern.length;
    if (offset >= length)
        return false;
    const char* data = pattern.data;

    uint32_t brace = offset;
    while (brace < length && data[brace] != '{')
        ++brace;
    if (brace > offset)
    {
        item = {FormatItem::Literal, pattern.Sub(offset, brace - offset), StringView(data + brace, 0)};
        offset = brace;
        return true;
    }

    if (brace + 1 < length && data[brace + 1] == '{')
    {
        item = {FormatItem::Literal, pattern.Sub(brace, 1), StringView(data + brace + 2, 0)};
        offset = brace + 2;
        return true;
    }

    uint32_t close = brace + 1;
    while (close < length && data[close] != '}')
        ++close;
    if (close == length)
    {
        item = {FormatItem::Literal, pattern.Sub(brace + 1), StringView(data + length, 0)};
        offset = length;
        failed = true;
        failedAt = brace;
        return true;
    }

    StringView body = pattern.Sub(brace + 1, close - brace - 1);
    uint32_t colon = String::IndexOfAny(body, ":");
    if (colon == String::NotFound)
        item = {FormatItem::Placeholder, body, StringView(data + close, 0)};
    else
        item = {FormatItem::Placeholder, body.Sub(0, colon), body.Sub(colon + 1)};
    offset = close + 1;
    return true;
}

bool FormatPattern::Split(StringView pattern, std::vector<FormatItem>& items)
{
    FormatPattern walker(pattern);
    FormatItem item;
    while (walker.Next(item))
        items.push_back(item);
    return !walker.Failed();
}

namespace
{

struct CodeDeleter
{
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter
{
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct CompileContextDeleter
{
    void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
struct MatchContextDeleter
{
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};

using Code = std::unique_ptr<pcre2_code, CodeDeleter>;

struct TextHash
{
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
};

// Compiled expressions of one thread, by expression text; one table per case mode. Expressions come
// from the patterns in the code, so the tables stay small; they are dropped whole if they ever grow.
struct ExpressionCache
{
    static constexpr size_t MaxEntries = 256;

    std::unordered_map<std::string, Code, TextHash, std::equal_to<>> tables[2];
    std::unique_ptr<pcre2_compile_context, CompileContextDeleter> compileContext;
    std::unique_ptr<pcre2_match_context, MatchContextDeleter> matchContext;
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> matchData;

    ExpressionCache()
    {
        compileContext.reset(pcre2_compile_context_create(nullptr));
        matchContext.reset(pcre2_match_context_create(nullptr));
        matchData.reset(pcre2_match_data_create(1, nullptr));
        // "." stops at carriage returns and line feeds, as in ECMAScript.
        if (compileContext)
            pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_ANYCRLF);
        // The matcher keeps its backtracking state on the heap: a long subject costs memory, never
        // the stack. These limits turn runaway expressions into a plain mismatch.
        if (matchContext)
        {
            pcre2_set_heap_limit(matchContext.get(), 256 * 1024); // kibibytes
            pcre2_set_match_limit(matchContext.get(), 10'000'000);
        }
    }

    const pcre2_code* Find(StringView expression, bool ignoreCase)
    {
        auto& table = tables[ignoreCase ? 1 : 0];
        auto found = table.find(expression.ToStdView());
        if (found != table.end())
            return found->second.get();

        // ECMAScript conventions: \u and \x escapes, "[]" and "[^]", unset back-references match
        // nothing, "$" only at the very end.
        uint32_t options = PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_MATCH_UNSET_BACKREF | PCRE2_DOLLAR_ENDONLY |
                           PCRE2_NEVER_UTF | PCRE2_NEVER_BACKSLASH_C;
        if (ignoreCase)
            options |= PCRE2_CASELESS;
        int errorCode = 0;
        PCRE2_SIZE errorOffset = 0;
        Code code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(expression.data), expression.length, options, &errorCode,
                                &errorOffset, compileContext.get()));
        if (table.size() >= MaxEntries)
            table.clear();
        // Invalid expressions are remembered too (as null), so they are not compiled again.
        return table.emplace(expression.ToString(), std::move(code)).first->second.get();
    }
};

ExpressionCache& Cache()
{
    thread_local ExpressionCache cache;
    return cache;
}

void AddPatternError(StringReader& reader, StringView message, uint32_t start, StringView pattern, uint32_t offset)
{
    ParseError error;
    error.message = message;
    reader.LineAndColumn(start, error.line, error.column);
    error.pattern = pattern;
    error.offset = offset;
    reader.errors.push_back(error);
}

bool InNumberRun(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '+' ||
           c == '-';
}

// A number item is the run of characters that could belong to one (digits, letters, points, signs),
// read whole by the rule of the files: "0x10" and "12abc" fail rather than read as 0 and 12, and "010"
// is 10. Blanks before it are skipped.
template <class T> bool ParseNumber(StringReader& reader, T& value)
{
    reader.SkipWhitespace();
    const StringView rest = reader.Rest();
    uint32_t length = 0;
    while (length < rest.length && InNumberRun(rest.data[length]))
        ++length;
    if (length == 0 || !ReadNumberText(rest.Sub(0, length), value).empty())
        return false;
    reader.Advance(length);
    return true;
}

} // namespace

void StringReader::SkipWhitespace()
{
    while (position < text.length)
    {
        char c = text.data[position];
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            break;
        ++position;
    }
}

bool StringReader::MatchExpression(uint32_t& length) const
{
    ExpressionCache& cache = Cache();
    const pcre2_code* code = cache.Find(expression, ignoreCase);
    if (!code || !cache.matchData)
        return false;
    // The subject starts at the position, so "^" and look-behinds see the position as the start.
    StringView subject = Rest();
    int result = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data), subject.length, 0, PCRE2_ANCHORED,
                             cache.matchData.get(), cache.matchContext.get());
    // 0 means the match fitted but its groups did not; only the whole match is wanted.
    if (result < 0)
        return false;
    const PCRE2_SIZE* bounds = pcre2_get_ovector_pointer(cache.matchData.get());
    if (bounds[0] != 0 || bounds[1] > subject.length)
        return false;
    length = static_cast<uint32_t>(bounds[1]);
    return true;
}

int32_t StringReader::Match()
{
    uint32_t length = 0;
    if (!MatchExpression(length) || length > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()))
        return -1;
    Advance(length);
    return static_cast<int32_t>(length);
}

bool StringReader::Remaining(StringView& result)
{
    if (expression.IsEmpty())
    {
        result = Rest();
        return true;
    }
    uint32_t length = 0;
    if (!MatchExpression(length))
        return false;
    result = text.Sub(position, length);
    Advance(length);
    return true;
}

void StringReader::AddError(StringView message)
{
    ParseError error;
    error.message = message;
    LineAndColumn(position, error.line, error.column);
    errors.push_back(error);
}

void StringReader::LineAndColumn(uint32_t at, uint32_t& line, uint32_t& column) const
{
    // Counted wide and saturated: a text of 4 GiB of line feeds must not wrap the count to 0.
    uint64_t lines = 1;
    uint64_t columns = 1;
    uint32_t end = std::min(at, text.length);
    for (uint32_t i = 0; i < end; ++i)
    {
        if (text.data[i] == '\n')
        {
            ++lines;
            columns = 1;
        }
        else
        {
            ++columns;
        }
    }
    constexpr uint64_t most = std::numeric_limits<uint32_t>::max();
    line = static_cast<uint32_t>(std::min(lines, most));
    column = static_cast<uint32_t>(std::min(columns, most));
}

bool ParseItem(StringReader& reader, float& value)
{
    return ParseNumber(reader, value);
}

bool ParseItem(StringReader& reader, double& value)
{
    return ParseNumber(reader, value);
}

bool ParseItem(StringReader& reader, int32_t& value)
{
    return ParseNumber(reader, value);
}

bool ParseItem(StringReader& reader, int64_t& value)
{
    return ParseNumber(reader, value);
}

bool ParseItem(StringReader& reader, uint32_t& value)
{
    return ParseNumber(reader, value);
}

bool ParseItem(StringReader& reader, uint64_t& value)
{
    return ParseNumber(reader, value);
}

bool ParseItem(StringReader& reader, StringView& value)
{
    return reader.Remaining(value);
}

namespace PatternDetail
{

void FormatArguments(BufferWriter& writer, StringView pattern, const FormatArgument* arguments, uint32_t count)
{
    FormatPattern walker(pattern);
    FormatItem item;
    // Wide enough that no head read as a 32-bit number, nor the advance after it, can overflow.
    int64_t index = 0;
    while (walker.Next(item))
    {
        if (item.kind == FormatItem::Literal)
        {
            writer.WriteText(item.text);
            continue;
        }
        int32_t selected = 0;
        if (!item.text.IsEmpty() && String::ScanNumber(item.text, selected) > 0)
            index = selected;
        // A negative index selects nothing, like one past the last argument.
        if (index >= 0 && index < count)
        {
            const FormatArgument& argument = arguments[index];
            argument.write(writer, argument.value);
            ++index;
        }
    }
}

bool ParseOutputs(StringReader& reader, StringView pattern, const ParseOutput* outputs, uint32_t count)
{
    const uint32_t start = reader.Position();
    {
        FormatPattern check(pattern);
        FormatItem item;
        while (check.Next(item))
        {
        }
        if (check.Failed())
        {
            AddPatternError(reader, "missing closing brace", start, pattern, check.FailedAt());
            return false;
        }
    }

    FormatPattern walker(pattern);
    FormatItem item;
    int64_t index = 0;
    while (walker.Next(item))
    {
        const char* failure = nullptr;
        if (item.kind == FormatItem::Literal)
        {
            StringView rest = reader.Rest();
            if (rest.length >= item.text.length && rest.Sub(0, item.text.length) == item.text)
                reader.Advance(item.text.length);
            else
                failure = "text mismatch";
        }
        else if (item.text == "-")
        {
            reader.expression = item.spec;
            if (reader.Match() < 0)
                failure = "expression mismatch";
            reader.expression = StringView();
        }
        else
        {
            int32_t selected = 0;
            if (!item.text.IsEmpty())
            {
                if (String::ScanNumber(item.text, selected) > 0)
                    index = selected;
                else
                    failure = "invalid index";
            }
            if (!failure && (index < 0 || index >= count))
                failure = "not enough parameters";
            if (!failure)
            {
                reader.expression = item.spec;
                const ParseOutput& output = outputs[index];
                bool read = output.read(reader, output.value);
                reader.expression = StringView();
                if (read)
                    ++index;
                else
                    failure = "failed to parse item";
            }
        }

        if (failure)
        {
            reader.SetPosition(start);
            uint32_t offset = static_cast<uint32_t>(item.text.data - pattern.data);
            AddPatternError(reader, StringView::FromCString(failure), start, pattern, offset);
            return false;
        }
    }
    return true;
}

} // namespace PatternDetail

} // namespace Lumvek
