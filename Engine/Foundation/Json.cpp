#include "Engine/Foundation/Json.h"

#include <rapidjson/error/en.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace Lumvek
{

namespace
{

// Builds the tree straight from the parser's events. Values wait on a stack, each with the key it
// belongs to, until their container closes; the container then takes them in one block. The stack
// lives on the heap, so nesting depth costs memory, never call depth.
class TreeBuilder
{
public:
    // With notes, keys written twice are noted there, and why a number failed the text.
    TreeBuilder(uint32_t maximumDepth, JsonNotes* notes) : maximumDepth(maximumDepth), notes(notes)
    {
        stack.reserve(64);
    }

    // Whether the text was refused for nesting deeper than the builder allows.
    bool TooDeep() const { return tooDeep; }
    // Why a handler failed the text; empty when the parser itself found the fault.
    const char* Failure() const { return failure; }

    bool Null()
    {
        Blueprint* value = Slot();
        if (!value)
            return false;
        value->SetNull();
        return true;
    }
    bool Bool(bool flag)
    {
        Blueprint* value = Slot();
        if (!value)
            return false;
        value->SetBoolean(flag);
        return true;
    }
    bool Int(int number) { return Integer(number); }
    bool Uint(unsigned number) { return Integer(number); }
    bool Int64(int64_t number) { return Integer(number); }
    bool Uint64(uint64_t number)
    {
        Blueprint* value = Slot();
        if (!value)
            return false;
        value->SetUnsignedInteger(number);
        return true;
    }
    bool Double(double number)
    {
        Blueprint* value = Slot();
        if (!value)
            return false;
        value->SetNumber(number);
        return true;
    }
    // Numbers arrive as their text and are converted here, exactly: RapidJSON's fast conversion may
    // land an ulp away, and its full-precision one computes the leading zeros of zero for a zero
    // significand with a large exponent ("0e55"), which is undefined. The text has passed RapidJSON's
    // number grammar. Integers keep the types the handlers above give them; an integer beyond 64
    // bits is a Number, noted with its path, as a Save would write it as another number; a number
    // beyond the doubles fails the text, as RapidJSON has it.
    bool RawNumber(const char* text, rapidjson::SizeType length, bool)
    {
        const char* end = text + length;
        if (std::find_if(text, end, [](char c) { return c == '.' || c == 'e' || c == 'E'; }) == end)
        {
            if (text[0] == '-')
            {
                int64_t number = 0;
                if (std::from_chars(text, end, number).ec == std::errc())
                    return Integer(number);
            }
            else
            {
                uint64_t number = 0;
                if (std::from_chars(text, end, number).ec == std::errc())
                    return Uint64(number);
            }
            if (notes && !notes->NoteNumber(ValuePath(), StringView(text, length), "a whole number beyond 64 bits"))
            {
                failure = JsonNotes::TooManyNumbers;
                return false;
            }
        }
        double number = 0.0;
        const std::from_chars_result result = std::from_chars(text, end, number);
        if (result.ec == std::errc::result_out_of_range)
        {
            // Too large or too small for a double: strtod tells which (infinity or the nearest).
            const std::string copy(text, length);
            number = std::strtod(copy.c_str(), nullptr);
            if (std::isinf(number))
            {
                failure = "a number beyond a double";
                return false;
            }
        }
        else if (result.ec != std::errc())
        {
            failure = "a number that does not convert";
            return false;
        }
        return Double(number);
    }
    bool String(const char* text, rapidjson::SizeType length, bool)
    {
        Blueprint* value = Slot();
        if (!value)
            return false;
        value->SetString(StringView(text, length));
        return true;
    }
    bool StartObject()
    {
        if (!Open())
            return false;
        Container()->SetObject();
        open.push_back(stack.size() - 1);
        return true;
    }
    bool Key(const char* text, rapidjson::SizeType length, bool)
    {
        stack.emplace_back(StringView(text, length), Blueprint());
        keyPending = true;
        return true;
    }
    bool EndObject(rapidjson::SizeType count)
    {
        size_t first = stack.size() - count;
        ValueObject& object = stack[first - 1].value.MakeObject();
        object.Reserve(count);
        for (size_t i = first; i < stack.size(); ++i)
        {
            if (notes)
                if (const Blueprint* earlier = object.Find(stack[i].name.View()))
                {
                    const std::string path = OpenPath();
                    if (!notes->NoteRepeat(path.empty() ? stack[i].name.View().ToString()
                                                        : path + "." + stack[i].name.View().ToString(),
                                           *earlier))
                    {
                        failure = JsonNotes::TooManyRepeats;
                        return false;
                    }
                }
            object.SetMember(std::move(stack[i]));
        }
        stack.resize(first);
        open.pop_back();
        --depth;
        return true;
    }
    bool StartArray()
    {
        if (!Open())
            return false;
        Container()->SetArray();
        open.push_back(stack.size() - 1);
        return true;
    }
    bool EndArray(rapidjson::SizeType count)
    {
        size_t first = stack.size() - count;
        Blueprint& array = stack[first - 1].value;
        array.Reserve(count);
        for (size_t i = first; i < stack.size(); ++i)
            array.AppendElement(std::move(stack[i].value));
        stack.resize(first);
        open.pop_back();
        --depth;
        return true;
    }

    Blueprint TakeRoot() { return std::move(stack.front().value); }

private:
    bool Open()
    {
        if (depth == maximumDepth)
        {
            tooDeep = true;
            return false;
        }
        ++depth;
        return true;
    }

    // Whole numbers keep all 64 bits, so that a Save writes back what no reader knows as the file
    // wrote it; a reader that wants fewer refuses what does not fit. From 0 up they are unsigned.
    bool Integer(int64_t number)
    {
        if (number >= 0)
            return Uint64(static_cast<uint64_t>(number));
        Blueprint* value = Slot();
        if (!value)
            return false;
        value->SetInteger(number);
        return true;
    }

    // Where the next value goes: the member whose key was just read, or a new element. Null for a
    // scalar before any container: such a text is no document.
    Blueprint* Slot()
    {
        if (stack.empty())
        {
            failure = "a value outside any object or array";
            return nullptr;
        }
        return Container();
    }
    Blueprint* Container()
    {
        if (keyPending)
        {
            keyPending = false;
            return &stack.back().value;
        }
        return &stack.emplace_back().value;
    }

    // The path of the innermost open container from the root. Each completed child of an open
    // container is one entry of the stack, so an element's index is its distance from its array.
    std::string OpenPath() const
    {
        std::string path;
        for (size_t level = 1; level < open.size(); ++level)
        {
            const size_t parent = open[level - 1];
            if (stack[parent].value.GetType() == BlueprintType::Array)
                path += "[" + std::to_string(open[level] - parent - 1) + "]";
            else
                path += (path.empty() ? "" : ".") + stack[open[level]].name.View().ToString();
        }
        return path;
    }

    // The path of the value about to be added: the member of the key just read, or the next element.
    std::string ValuePath() const
    {
        std::string path = OpenPath();
        if (open.empty())
            return path;
        if (keyPending)
            return path + (path.empty() ? "" : ".") + stack.back().name.View().ToString();
        return path + "[" + std::to_string(stack.size() - open.back() - 1) + "]";
    }

    std::vector<BlueprintMember> stack;
    // The stack positions of the containers not closed yet, outermost first.
    std::vector<size_t> open;
    bool keyPending = false;
    uint32_t depth = 0;
    uint32_t maximumDepth;
    bool tooDeep = false;
    JsonNotes* notes;
    const char* failure = nullptr;
};

// RapidJSON's recursive parser is the faster one, but it recurses once per level of nesting, so it
// is used only as far as this depth; deeper texts are parsed again by the iterative parser, whose
// stack is on the heap.
constexpr uint32_t RecursiveDepth = 64;

// Numbers come to TreeBuilder::RawNumber as text, which converts them exactly, so that a number
// reads back as the very double that was written.
constexpr unsigned ParseFlags = rapidjson::kParseNumbersAsStringsFlag;

// RapidJSON parses fastest in place, decoding strings inside a mutable copy of the text; the copy
// also carries the terminating zero that the view lacks.
template <unsigned Flags> bool Parse(StringView text, TreeBuilder& builder, JsonNotes* notes)
{
    std::unique_ptr<char[]> copy(new char[size_t(text.length) + 1]);
    std::memcpy(copy.get(), text.data, text.length);
    copy[text.length] = 0;
    rapidjson::InsituStringStream stream(copy.get());
    rapidjson::Reader reader;
    const rapidjson::ParseResult result = reader.Parse<Flags | rapidjson::kParseInsituFlag>(stream, builder);
    if (!result.IsError())
        return true;
    if (notes && !builder.TooDeep())
    {
        // The line and column count from 1.
        const size_t offset = std::min<size_t>(result.Offset(), text.length);
        const char* begin = text.data;
        const size_t line = 1 + static_cast<size_t>(std::count(begin, begin + offset, '\n'));
        const char* lineStart = begin + offset;
        while (lineStart > begin && lineStart[-1] != '\n')
            --lineStart;
        std::string why = builder.Failure() ? builder.Failure()
                          : result.Code() == rapidjson::kParseErrorNumberTooBig
                              ? "a number beyond a double"
                              : rapidjson::GetParseError_En(result.Code());
        if (!why.empty() && why.back() == '.')
            why.pop_back();
        why[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(why[0])));
        notes->error = "line " + std::to_string(line) + ", column " +
                       std::to_string(static_cast<size_t>(begin + offset - lineStart) + 1) + ": " + why;
    }
    return false;
}

// RapidJSON output appended to a string in chunks rather than byte by byte.
class ChunkOutput
{
public:
    typedef char Ch;

    explicit ChunkOutput(std::string& text) : text(text) {}

    void Put(Ch c)
    {
        if (used == sizeof chunk)
            Flush();
        chunk[used++] = c;
    }
    void Flush()
    {
        text.append(chunk, used);
        used = 0;
    }

    // The writer's indentation, one tab per level, is cut at MaximumIndent: a deep tree would
    // otherwise write text growing with the square of its depth. Readers ignore indentation.
    void PutIndent(Ch c, size_t count)
    {
        for (size_t i = 0; i < count && i < MaximumIndent; ++i)
            Put(c);
    }

private:
    static constexpr size_t MaximumIndent = 32;

    std::string& text;
    char chunk[4096];
    uint32_t used = 0;
};

// Found by argument-dependent lookup where the pretty writer indents, in place of RapidJSON's own.
void PutN(ChunkOutput& output, char c, size_t count)
{
    output.PutIndent(c, count);
}

using JsonWriter = rapidjson::PrettyWriter<ChunkOutput>;

void WriteStart(JsonWriter& writer, const Blueprint& container)
{
    if (container.GetType() == BlueprintType::Object)
        writer.StartObject();
    else
        writer.StartArray();
}

void WriteEnd(JsonWriter& writer, const Blueprint& container)
{
    if (container.GetType() == BlueprintType::Object)
        writer.EndObject();
    else
        writer.EndArray();
}

// The shortest text that reads back as the float. A whole number keeps a ".0", so that it reads back
// as a Number and not as an integer, which a reader may take in another unit (a duration as ticks).
// The float's shortest text, written as the writer writes the double that text reads as: read back, the
// value is that double, and a later Save writes it in the same text. (Its own shortest text, "1e-05",
// came back as "0.00001" from a Save that changed nothing.)
void WriteFloat(JsonWriter& writer, float number)
{
    char text[32];
    const char* end = std::to_chars(text, text + sizeof text, number).ptr;
    double shortest = 0.0;
    std::from_chars(text, end, shortest);
    writer.Double(shortest);
}

void WriteScalar(JsonWriter& writer, const Blueprint& value)
{
    switch (value.GetType())
    {
    case BlueprintType::Boolean:
        writer.Bool(value.GetBoolean());
        break;
    case BlueprintType::Integer:
        writer.Int64(value.GetInteger());
        break;
    case BlueprintType::UnsignedInteger:
        writer.Uint64(value.GetUnsignedInteger());
        break;
    case BlueprintType::Number:
        // JSON has no text for NaN or infinity; RapidJSON would leave a dangling key.
        if (!std::isfinite(value.GetNumber()))
            writer.Null();
        else if (value.IsFloat())
            WriteFloat(writer, static_cast<float>(value.GetNumber()));
        else
            writer.Double(value.GetNumber());
        break;
    case BlueprintType::String:
    {
        StringView text = value.GetString();
        writer.String(text.data, text.length);
        break;
    }
    default:
        writer.Null();
        break;
    }
}

} // namespace

namespace
{

bool LoadTree(StringView text, Blueprint& target, JsonNotes* notes)
{
    TreeBuilder builder(RecursiveDepth, notes);
    if (Parse<ParseFlags>(text, builder, notes))
    {
        target = builder.TakeRoot();
        return true;
    }
    if (!builder.TooDeep())
        return false;
    // The deep parse notes again what the first one noted before it stopped.
    if (notes)
    {
        notes->repeats.clear();
        notes->numbers.clear();
    }
    TreeBuilder deepBuilder(UINT32_MAX, notes);
    if (!Parse<ParseFlags | rapidjson::kParseIterativeFlag>(text, deepBuilder, notes))
        return false;
    target = deepBuilder.TakeRoot();
    return true;
}

} // namespace

bool JsonFormat::LoadBlueprint(StringView text, Blueprint& target)
{
    return LoadTree(text, target, nullptr);
}

bool JsonNotes::NoteRepeat(std::string path, const Blueprint& earlier)
{
    if (repeats.size() >= MostRepeats || path.size() > LongestRepeatPath)
        return false;
    repeats.emplace_back(std::move(path), earlier);
    return true;
}

bool JsonNotes::NoteNumber(std::string path, StringView text, const char* why)
{
    if (numbers.size() >= MostRepeats || path.size() > LongestRepeatPath)
        return false;
    std::string written =
        text.length > LongestNumberText ? text.Sub(0, LongestNumberText).ToString() + "..." : text.ToString();
    numbers.push_back(Number{std::move(path), std::move(written), why});
    return true;
}

bool JsonFormat::LoadBlueprint(StringView text, Blueprint& target, JsonNotes& notes)
{
    notes = JsonNotes();
    return LoadTree(text, target, &notes);
}

std::string JsonFormat::SaveBlueprint(const Blueprint& value)
{
    std::string text;
    ChunkOutput output(text);
    JsonWriter writer(output);
    writer.SetIndent('\t', 1);
    if (!value.IsContainer())
        writer.Null();
    else
    {
        // The walk keeps its own stack of open containers: a deep tree costs no call depth.
        struct Frame
        {
            const Blueprint* container;
            uint32_t next;
        };
        std::vector<Frame> stack{{&value, 0}};
        WriteStart(writer, value);
        while (!stack.empty())
        {
            Frame& frame = stack.back();
            const Blueprint& container = *frame.container;
            if (frame.next == container.GetCount())
            {
                WriteEnd(writer, container);
                stack.pop_back();
                continue;
            }
            uint32_t position = frame.next++;
            const Blueprint& child = container.GetChild(position);
            if (child.GetType() == BlueprintType::Invalid)
                continue;
            if (container.GetType() == BlueprintType::Object)
            {
                // Names end at their first zero byte.
                StringView name = container.GetObject().GetName(position);
                const void* zero = std::memchr(name.data, 0, name.length);
                writer.Key(name.data,
                           zero ? static_cast<uint32_t>(static_cast<const char*>(zero) - name.data) : name.length);
            }
            if (child.IsContainer())
            {
                WriteStart(writer, child);
                stack.push_back({&child, 0});
            }
            else
                WriteScalar(writer, child);
        }
    }
    output.Flush();
    return text;
}

} // namespace Lumvek
