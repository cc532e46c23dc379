#include "Engine/Foundation/Json.h"

#include <rapidjson/prettywriter.h>
#include <rapidjson/reader.h>

#include <algorithm>
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
    explicit TreeBuilder(uint32_t maximumDepth) : maximumDepth(maximumDepth) { stack.reserve(64); }

    // Whether the text was refused for nesting deeper than the builder allows.
    bool TooDeep() const { return tooDeep; }

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
        if (number <= UINT32_MAX)
            return Integer(static_cast<int64_t>(number));
        return Slot() != nullptr;
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
    // bits is a Number, and a number beyond the doubles fails the text, as RapidJSON has it.
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
        }
        double number = 0.0;
        const std::from_chars_result result = std::from_chars(text, end, number);
        if (result.ec == std::errc::result_out_of_range)
        {
            // Too large or too small for a double: strtod tells which (infinity or the nearest).
            const std::string copy(text, length);
            number = std::strtod(copy.c_str(), nullptr);
            if (std::isinf(number))
                return false;
        }
        else if (result.ec != std::errc())
            return false;
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
            object.SetMember(std::move(stack[i]));
        stack.resize(first);
        --depth;
        return true;
    }
    bool StartArray()
    {
        if (!Open())
            return false;
        Container()->SetArray();
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

    // Integers outside the two 32-bit ranges have no Blueprint form and stay Invalid.
    bool Integer(int64_t number)
    {
        Blueprint* value = Slot();
        if (!value)
            return false;
        if (number >= 0 && number <= UINT32_MAX)
            value->SetUnsignedInteger(static_cast<uint64_t>(number));
        else if (number < 0 && number >= INT32_MIN)
            value->SetInteger(number);
        return true;
    }

    // Where the next value goes: the member whose key was just read, or a new element. Null for a
    // scalar before any container: such a text is no document.
    Blueprint* Slot()
    {
        if (stack.empty())
            return nullptr;
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

    std::vector<BlueprintMember> stack;
    bool keyPending = false;
    uint32_t depth = 0;
    uint32_t maximumDepth;
    bool tooDeep = false;
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
template <unsigned Flags> bool Parse(StringView text, TreeBuilder& builder)
{
    std::unique_ptr<char[]> copy(new char[size_t(text.length) + 1]);
    std::memcpy(copy.get(), text.data, text.length);
    copy[text.length] = 0;
    rapidjson::InsituStringStream stream(copy.get());
    rapidjson::Reader reader;
    return !reader.Parse<Flags | rapidjson::kParseInsituFlag>(stream, builder).IsError();
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
void WriteFloat(JsonWriter& writer, float number)
{
    char text[32];
    char* end = std::to_chars(text, text + sizeof text - 2, number).ptr;
    if (std::find_if(text, end, [](char c) { return c == '.' || c == 'e'; }) == end)
    {
        *end++ = '.';
        *end++ = '0';
    }
    writer.RawValue(text, static_cast<size_t>(end - text), rapidjson::kNumberType);
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

bool JsonFormat::LoadBlueprint(StringView text, Blueprint& target)
{
    TreeBuilder builder(RecursiveDepth);
    if (Parse<ParseFlags>(text, builder))
    {
        target = builder.TakeRoot();
        return true;
    }
    if (!builder.TooDeep())
        return false;
    TreeBuilder deepBuilder(UINT32_MAX);
    if (!Parse<ParseFlags | rapidjson::kParseIterativeFlag>(text, deepBuilder))
        return false;
    target = deepBuilder.TakeRoot();
    return true;
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
