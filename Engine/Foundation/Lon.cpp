#include "Engine/Foundation/Lon.h"

#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/String.h"
#include "Engine/Foundation/ToString.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace Lumvek
{

namespace
{

// Quotes around any run of characters other than a quote or a backslash, and of backslash pairs
// that do not escape a line break: a backslash before a line break ends the match, so the closing
// quote is missing and the string fails. The expression is written as runs between escapes rather
// than as one alternation per character, which gives the same match but lets the matcher take a
// run in one step instead of keeping a backtracking record for every character of a long string.
constexpr StringView StringLiteralPattern = "\"{:[^\"\\\\]*(?:\\\\.[^\"\\\\]*)*}\"";

bool IsOneOf(char c, StringView set)
{
    for (char member : set)
        if (c == member)
            return true;
    return false;
}

// The characters from the position up to the first one of terminators, moving past them. When no
// terminator follows, the run is empty and nothing is consumed.
StringView ReadUntil(StringReader& reader, StringView terminators)
{
    const StringView rest = reader.Rest();
    for (uint32_t i = 0; i < rest.length; ++i)
    {
        if (IsOneOf(rest.data[i], terminators))
        {
            reader.Advance(i);
            return rest.Sub(0, i);
        }
    }
    return rest.Sub(0, 0);
}

bool ParseString(StringReader& reader, Blueprint& value)
{
    StringView text;
    if (!Parse(reader, StringLiteralPattern, text))
    {
        reader.AddError("expected a string");
        return false;
    }
    value.SetString(String::Unescape(text));
    return true;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The digits from at on, moving past them.
uint32_t SkipDigits(StringView token, uint32_t& at)
{
    const uint32_t first = at;
    while (at < token.length && IsDigit(token.data[at]))
        ++at;
    return at - first;
}

// Whether the whole token is a decimal number: a sign, digits with or without a point (".5" and "5."
// included), and an exponent. Nothing else: no hexadecimal, no words, nothing after it.
bool IsDecimalNumber(StringView token, bool& whole)
{
    uint32_t at = 0;
    if (at < token.length && (token.data[at] == '+' || token.data[at] == '-'))
        ++at;
    uint32_t digits = SkipDigits(token, at);
    whole = true;
    if (at < token.length && token.data[at] == '.')
    {
        ++at;
        digits += SkipDigits(token, at);
        whole = false;
    }
    if (digits == 0)
        return false;
    if (at < token.length && (token.data[at] == 'e' || token.data[at] == 'E'))
    {
        ++at;
        if (at < token.length && (token.data[at] == '+' || token.data[at] == '-'))
            ++at;
        if (SkipDigits(token, at) == 0)
            return false;
        whole = false;
    }
    return at == token.length;
}

// A token a maker meant as a number: a digit first, or after a sign or a point.
bool StartsLikeANumber(StringView token)
{
    uint32_t at = 0;
    if (at < token.length && (token.data[at] == '+' || token.data[at] == '-'))
        ++at;
    if (at < token.length && token.data[at] == '.')
        ++at;
    return at < token.length && IsDigit(token.data[at]);
}

// The texts the writer gives an infinity or NaN: "inf.0", "-inf.0", "nan.0", "-nan.0".
bool ReadNonFinite(StringView token, double& number)
{
    const bool negative = !token.IsEmpty() && token.data[0] == '-';
    const StringView rest = token.Sub(!token.IsEmpty() && (token.data[0] == '-' || token.data[0] == '+') ? 1 : 0);
    if (rest == "inf.0")
        number = std::numeric_limits<double>::infinity();
    else if (rest == "nan.0")
        number = std::numeric_limits<double>::quiet_NaN();
    else
        return false;
    number = std::copysign(number, negative ? -1.0 : 1.0);
    return true;
}

// The value of a decimal number token; why names a number the tree cannot hold as written.
void ConvertNumber(StringView token, bool whole, Blueprint& value, const char*& why)
{
    // from_chars takes no "+"; the token's grammar is checked, so all of it converts.
    const bool plus = token.data[0] == '+';
    const char* begin = token.data + (plus ? 1 : 0);
    const char* end = token.data + token.length;
    if (whole)
    {
        if (plus || token.data[0] == '-')
        {
            int64_t integer = 0;
            if (std::from_chars(begin, end, integer).ec == std::errc())
            {
                value.SetInteger(integer);
                return;
            }
        }
        else
        {
            uint64_t integer = 0;
            if (std::from_chars(begin, end, integer).ec == std::errc())
            {
                value.SetUnsignedInteger(integer);
                return;
            }
        }
        why = "a whole number beyond 64 bits";
        return;
    }
    double number = 0.0;
    if (std::from_chars(begin, end, number).ec == std::errc::result_out_of_range)
    {
        // Too large, or too small: strtod gives the nearest double of a tiny one, as JSON has it.
        number = std::strtod(std::string(begin, end).c_str(), nullptr);
        if (std::isinf(number))
        {
            why = "a number beyond a double";
            return;
        }
    }
    value.SetNumber(number);
}

// Reads a literal. A token that starts like a number but is not wholly one in decimal ("12abc",
// "0x10"), or is beyond what the tree holds, fails the text as any token that is no literal does;
// with unread, it is read as text instead and unread says why, for the caller to note.
bool ParseLiteral(StringReader& reader, Blueprint& value, const char** unread)
{
    const uint32_t start = reader.Position();
    const StringView token = ReadUntil(reader, "\r\n\t ]}");
    const auto fail = [&]
    {
        reader.SetPosition(start);
        reader.AddError("expected a number");
        return false;
    };
    const char* why = nullptr;
    double special = 0.0;
    if (token == "true")
        value.SetBoolean(true);
    else if (token == "false")
        value.SetBoolean(false);
    else if (token == "invalid")
        value.Clear();
    else if (token == "null")
        value.SetNull();
    else if (ReadNonFinite(token, special))
        value.SetNumber(special);
    else if ((why = Lon::ReadNumber(token, value)) == Lon::NotANumber)
        return fail();
    if (!why)
        return true;
    if (!unread)
        return fail();
    value.SetString(token);
    *unread = why;
    return true;
}

// Consumes the opening bracket of a container and makes value that empty container.
bool OpenContainer(StringReader& reader, Blueprint& value, char bracket)
{
    reader.SkipWhitespace();
    if (reader.Peek() != bracket)
    {
        reader.AddError(bracket == '{' ? StringView("expected '{'") : StringView("expected '['"));
        return false;
    }
    reader.Advance(1);
    if (bracket == '{')
        value.SetObject();
    else
        value.SetArray();
    return true;
}

// Reads a value by its first character. A container is only opened and joins the open list; its
// contents are read by the loop in ParseTree.
bool StartValue(StringReader& reader, Blueprint& value, std::vector<Blueprint*>& open, const char** unread)
{
    switch (reader.Peek())
    {
    case '[':
    case '{':
        if (!OpenContainer(reader, value, reader.Peek()))
            return false;
        open.push_back(&value);
        return true;
    case '"':
        return ParseString(reader, value);
    default:
        return ParseLiteral(reader, value, unread);
    }
}

// Reads containers with a list of the open ones instead of recursing, so that hostile nesting costs
// heap and never the stack. The open values stay where they are while their children are read:
// a container only grows once every child opened after it has closed. With notes, each key written
// again in its object is noted there with its path and the value the later one replaced, and each
// number token the tree cannot hold as written with its path and why.
bool ParseTree(StringReader& reader, Blueprint& root, JsonNotes* notes)
{
    std::vector<Blueprint*> open;
    // With notes, how each open container is reached from its parent: its key, or its index as an
    // element. A path is only made for a repeat.
    struct Step
    {
        StringView key;
        uint32_t index = 0;
        bool element = false;
    };
    std::vector<Step> steps;
    Step next;
    // The path of the value next leads to: "Emitters[0].Updaters[1].Type", as the JSON reader has it.
    const auto path = [&]
    {
        std::string text;
        for (size_t level = 1; level <= steps.size(); ++level)
        {
            const Step& step = level < steps.size() ? steps[level] : next;
            if (step.element)
                text += "[" + std::to_string(step.index) + "]";
            else
                text += (text.empty() ? "" : ".") + step.key.ToString();
            if (text.size() > JsonNotes::LongestRepeatPath)
                break;
        }
        return text;
    };
    const char* unread = nullptr;
    const auto noteUnread = [&](const Blueprint& value)
    {
        if (!unread)
            return true;
        const bool noted = notes->NoteNumber(path(), value.GetString(), unread);
        unread = nullptr;
        if (!noted)
            reader.AddError(StringView::FromCString(JsonNotes::TooManyNumbers));
        return noted;
    };
    const auto start = [&](Blueprint& value)
    {
        const size_t opened = open.size();
        if (!StartValue(reader, value, open, notes ? &unread : nullptr))
            return false;
        if (notes && open.size() > opened)
            steps.push_back(next);
        return noteUnread(value);
    };
    const auto close = [&]
    {
        reader.Advance(1);
        open.pop_back();
        if (notes)
            steps.pop_back();
    };
    reader.SkipWhitespace();
    if (!start(root))
        return false;
    while (!open.empty())
    {
        Blueprint& container = *open.back();
        reader.SkipWhitespace();
        if (container.GetType() == BlueprintType::Array)
        {
            if (reader.Peek() == ']')
            {
                close();
                continue;
            }
            next = Step{StringView(), container.GetCount(), true};
            if (!start(container.AppendElement()))
                return false;
            continue;
        }

        if (reader.Peek() == '}')
        {
            close();
            continue;
        }
        // A repeated key reads into the member it already has, so the last value wins.
        const StringView key = ReadUntil(reader, " \t\r\n=:[{");
        next = Step{key, 0, false};
        if (const Blueprint* earlier = notes ? container.GetObject().Find(key) : nullptr)
        {
            if (!notes->NoteRepeat(path(), *earlier))
            {
                reader.AddError(StringView::FromCString(JsonNotes::TooManyRepeats));
                return false;
            }
        }
        Blueprint& member = container.MakeObject().AddMember(key);
        reader.SkipWhitespace();
        switch (reader.Peek())
        {
        case '=':
        {
            reader.Advance(1);
            reader.SkipWhitespace();
            const bool read = reader.Peek() == '"' ? ParseString(reader, member)
                                                   : ParseLiteral(reader, member, notes ? &unread : nullptr);
            if (!read || !noteUnread(member))
                return false;
            break;
        }
        case '[':
        case '{':
            if (!start(member))
                return false;
            break;
        default:
            reader.AddError("expected '}'");
            return false;
        }
    }
    return true;
}

// Lines deeper than this are indented no further: one tab per level would make a deep tree's text
// grow with the square of its depth. The reader ignores indentation, so the text reads the same.
constexpr int MaximumIndent = 32;

void WriteTabs(BufferWriter& writer, int count)
{
    static constexpr char tabs[MaximumIndent + 1] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
    if (count > 0)
        writer.WriteBytes(tabs, static_cast<uint32_t>(count < MaximumIndent ? count : MaximumIndent));
}

void WriteScalar(BufferWriter& writer, const Blueprint& value, bool pretty, bool isMember)
{
    if (isMember)
        writer.WriteText(pretty ? StringView("= ") : StringView("="));
    switch (value.GetType())
    {
    case BlueprintType::Null:
        writer.WriteText("null");
        break;
    case BlueprintType::Boolean:
        writer.WriteText(value.GetBoolean() ? StringView("true") : StringView("false"));
        break;
    case BlueprintType::Integer:
        if (value.GetInteger() >= 0)
            writer.WriteText("+");
        AppendPrinted(writer, "%lli", static_cast<long long>(value.GetInteger()));
        break;
    case BlueprintType::UnsignedInteger:
        AppendPrinted(writer, "%llu", static_cast<unsigned long long>(value.GetUnsignedInteger()));
        break;
    case BlueprintType::Number:
        // A number a float member wrote reads back as that float; a read one as the double it was.
        if (value.IsFloat())
            ToString(writer, static_cast<float>(value.GetNumber()));
        else
            ToString(writer, value.GetNumber());
        // "%f" prints infinities and NaN without a point, which would read back as a failed
        // integer and lose the whole text; with ".0" they read back as the Number they were.
        if (!std::isfinite(value.GetNumber()))
            writer.WriteText(".0");
        break;
    case BlueprintType::String:
        writer.WriteText("\"");
        writer.WriteText(String::Escape(value.GetString()));
        writer.WriteText("\"");
        break;
    default:
        writer.WriteText("invalid");
        break;
    }
}

// Writes the opening bracket of a container, and the line feed that starts its first member
// when it is written pretty.
void WriteOpening(BufferWriter& writer, const Blueprint& container, bool pretty)
{
    writer.WriteText(container.GetType() == BlueprintType::Object ? StringView("{") : StringView("["));
    if (pretty && container.GetCount() > 0)
        writer.WriteText("\n");
}

} // namespace

bool Lon::Parse(StringReader& reader, Blueprint& value, JsonNotes* notes)
{
    Blueprint root;
    const size_t known = reader.errors.size();
    if (!ParseTree(reader, root, notes))
    {
        // The first error is where the text failed; those after it say what the parse was in.
        if (notes && reader.errors.size() > known)
        {
            const ParseError& error = reader.errors[known];
            notes->error = FormatText("line {}, column {}: {}", error.line, error.column, error.message);
        }
        return false;
    }
    value = std::move(root);
    return true;
}

const char* Lon::ReadNumber(StringView text, Blueprint& value)
{
    bool whole = false;
    if (!IsDecimalNumber(text, whole))
        return StartsLikeANumber(text) ? "a number in decimal digits was expected" : NotANumber;
    const char* why = nullptr;
    Blueprint number;
    ConvertNumber(text, whole, number, why);
    if (!why)
        value = std::move(number);
    return why;
}

bool Lon::Parse(StringView text, Blueprint& value, JsonNotes* notes)
{
    StringReader reader(text);
    return Parse(reader, value, notes);
}

void LonFormat::WriteValue(BufferWriter& writer, const Blueprint& value, int indent, bool isMember, bool isLast)
{
    if (!value.IsContainer())
    {
        WriteScalar(writer, value, indent > 0, isMember);
        // A literal is read up to the blank or line break after it, so a lone value ends with one
        // (its line, in pretty text); without it the saved text would not read back.
        if (indent <= 0 && (!isLast || !isMember))
            writer.WriteText(" ");
        if (indent > 0 && !isMember)
            writer.WriteText("\n");
        return;
    }

    // Containers are walked with a list of the open ones, so a deep tree costs no call depth.
    struct Frame
    {
        const Blueprint* container;
        uint32_t next;
        int indent;
        bool isLast;
    };
    std::vector<Frame> open;
    WriteOpening(writer, value, indent > 0);
    open.push_back({&value, 0, indent, isLast});
    while (!open.empty())
    {
        Frame& frame = open.back();
        const Blueprint& container = *frame.container;
        const bool object = container.GetType() == BlueprintType::Object;
        const bool pretty = frame.indent > 0;
        const uint32_t count = container.GetCount();
        if (frame.next == count)
        {
            if (pretty && count > 0)
                WriteTabs(writer, frame.indent - 1);
            writer.WriteText(object ? StringView("}") : StringView("]"));
            if (!pretty && !frame.isLast)
                writer.WriteText(" ");
            open.pop_back();
            if (!open.empty() && open.back().indent > 0)
                writer.WriteText("\n");
            continue;
        }

        const uint32_t position = frame.next++;
        if (pretty)
            WriteTabs(writer, frame.indent);
        if (object)
        {
            const StringView name = container.GetObject().GetName(position);
            if (!name.IsEmpty())
            {
                writer.WriteText(name);
                writer.WriteText(" ");
            }
        }
        const Blueprint& child = container.GetChild(position);
        const int childIndent = pretty ? (frame.indent < INT_MAX ? frame.indent + 1 : INT_MAX) : 0;
        const bool childIsLast = position + 1 == count;
        if (child.IsContainer())
        {
            WriteOpening(writer, child, pretty);
            open.push_back({&child, 0, childIndent, childIsLast});
            continue;
        }
        WriteScalar(writer, child, pretty, object);
        if (!pretty && !childIsLast)
            writer.WriteText(" ");
        if (pretty)
            writer.WriteText("\n");
    }
}

bool LonFormat::LoadBlueprint(StringView text, Blueprint& target)
{
    return Lon::Parse(text, target);
}

std::string LonFormat::SaveBlueprint(const Blueprint& value)
{
    BufferWriter writer;
    WriteValue(writer, value, 1, false, true);
    return writer.ToString();
}

} // namespace Lumvek
