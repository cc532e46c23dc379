#include "Engine/Foundation/Xml.h"

#include "Engine/Foundation/ToString.h"

#include <rapidxml/rapidxml.hpp>
#include <rapidxml/rapidxml_print.hpp>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

namespace Lumvek
{

namespace
{

using XmlDocument = rapidxml::xml_document<char>;
using XmlNode = rapidxml::xml_node<char>;
using CharacterTables = rapidxml::internal::lookup_tables<0>;

bool IsWhitespace(char c)
{
    return CharacterTables::lookup_whitespace[static_cast<uint8_t>(c)];
}

bool IsNodeName(char c)
{
    return CharacterTables::lookup_node_name[static_cast<uint8_t>(c)];
}

bool IsAttributeName(char c)
{
    return CharacterTables::lookup_attribute_name[static_cast<uint8_t>(c)];
}

const char* SkipWhitespace(const char* text)
{
    while (IsWhitespace(*text))
        ++text;
    return text;
}

// The position after the next occurrence of terminator, or null when the text ends first.
const char* SkipPast(const char* text, const char* terminator)
{
    size_t length = std::strlen(terminator);
    for (; *text; ++text)
        if (std::strncmp(text, terminator, length) == 0)
            return text + length;
    return nullptr;
}

// Skips one node after its "<" the way RapidXML's parser does and tells whether it opened an
// element whose contents follow. Null when RapidXML would stop with an error here.
const char* SkipNode(const char* text, bool& opened)
{
    opened = false;
    if (*text == '?')
        return SkipPast(text + 1, "?>");
    if (*text == '!')
    {
        if (text[1] == '-' && text[2] == '-')
            return SkipPast(text + 3, "-->");
        if (std::strncmp(text + 1, "[CDATA[", 7) == 0)
            return SkipPast(text + 8, "]]>");
        if (std::strncmp(text + 1, "DOCTYPE", 7) == 0 && IsWhitespace(text[8]))
        {
            text += 9;
            while (*text != '>')
            {
                if (*text == '[')
                {
                    int depth = 1;
                    for (++text; depth > 0; ++text)
                    {
                        if (*text == '[')
                            ++depth;
                        else if (*text == ']')
                            --depth;
                        else if (*text == 0)
                            return nullptr;
                    }
                }
                else if (*text == 0)
                    return nullptr;
                else
                    ++text;
            }
            return text + 1;
        }
        const char* end = std::strchr(text + 1, '>');
        return end ? end + 1 : nullptr;
    }
    const char* name = text;
    while (IsNodeName(*text))
        ++text;
    if (text == name)
        return nullptr;
    text = SkipWhitespace(text);
    while (IsAttributeName(*text))
    {
        while (IsAttributeName(*text))
            ++text;
        text = SkipWhitespace(text);
        if (*text != '=')
            return nullptr;
        text = SkipWhitespace(text + 1);
        char quote = *text;
        if (quote != '"' && quote != '\'')
            return nullptr;
        ++text;
        while (*text && *text != quote)
            ++text;
        if (*text != quote)
            return nullptr;
        text = SkipWhitespace(text + 1);
    }
    if (*text == '>')
    {
        opened = true;
        return text + 1;
    }
    if (text[0] == '/' && text[1] == '>')
        return text + 2;
    return nullptr;
}

// Follows RapidXML's parse without building anything and answers whether its element nesting,
// which is its recursion depth, stays within limit. Where RapidXML would fail, the walk stops too:
// RapidXML never gets further than this walk did. Text before the first element is passed over
// rather than trusted to stop RapidXML: it skips a byte order mark of its own, so whatever comes
// first, the elements after it are still counted.
bool NestsWithin(const char* text, uint32_t limit)
{
    uint32_t depth = 0;
    for (;;)
    {
        text = SkipWhitespace(text);
        if (*text == 0)
            return true;
        if (*text != '<')
        {
            while (*text && *text != '<')
                ++text;
            continue;
        }
        if (depth > 0 && text[1] == '/')
        {
            text += 2;
            while (IsNodeName(*text))
                ++text;
            text = SkipWhitespace(text);
            if (*text != '>')
                return true;
            ++text;
            --depth;
            continue;
        }
        bool opened;
        text = SkipNode(text + 1, opened);
        if (!text)
            return true;
        if (opened && ++depth > limit)
            return false;
    }
}

void ReadElement(const XmlNode& element, Blueprint& target)
{
    ValueObject& object = target.SetObject();
    for (auto* attribute = element.first_attribute(); attribute; attribute = attribute->next_attribute())
    {
        StringView name(attribute->name(), static_cast<uint32_t>(attribute->name_size()));
        StringView value(attribute->value(), static_cast<uint32_t>(attribute->value_size()));
        object.AddMember(name).SetString(value);
    }
    for (const XmlNode* child = element.first_node(); child; child = child->next_sibling())
    {
        Blueprint& member = object.AddMember(StringView(child->name(), static_cast<uint32_t>(child->name_size())));
        if (child->first_node())
            ReadElement(*child, member);
        else
            member.SetString(StringView(child->value(), static_cast<uint32_t>(child->value_size())));
    }
}

// Element levels of a tree (the root is one), counted without recursion; stops once past limit.
bool TreeNestsWithin(const Blueprint& root, uint32_t limit)
{
    struct Frame
    {
        const Blueprint* container;
        uint32_t next;
    };
    std::vector<Frame> stack;
    if (root.GetCount() > 0)
        stack.push_back({&root, 0});
    while (!stack.empty())
    {
        if (stack.size() + 1 > limit)
            return false;
        Frame& frame = stack.back();
        if (frame.next == frame.container->GetCount())
        {
            stack.pop_back();
            continue;
        }
        const Blueprint& child = frame.container->GetChild(frame.next++);
        if (child.GetCount() > 0)
            stack.push_back({&child, 0});
    }
    return limit >= 1;
}

void SetValue(XmlDocument& document, XmlNode& element, const char* text, size_t length)
{
    if (length)
        element.value(document.allocate_string(text, length), length);
}

void WriteElement(XmlDocument& document, XmlNode& element, const Blueprint& value)
{
    char number[32];
    switch (value.GetType())
    {
    case BlueprintType::Boolean:
        element.value(value.GetBoolean() ? "true" : "false");
        break;
    case BlueprintType::Integer:
        SetValue(document, element, number,
                 std::snprintf(number, sizeof number, "%lli", static_cast<long long>(value.GetInteger())));
        break;
    case BlueprintType::UnsignedInteger:
        SetValue(
            document, element, number,
            std::snprintf(number, sizeof number, "%llu", static_cast<unsigned long long>(value.GetUnsignedInteger())));
        break;
    case BlueprintType::Number:
    {
        std::string text =
            value.IsFloat() ? TrimmedFloat(static_cast<float>(value.GetNumber())) : TrimmedFloat(value.GetNumber());
        SetValue(document, element, text.data(), text.size());
        break;
    }
    case BlueprintType::String:
        SetValue(document, element, value.GetString().data, value.GetString().length);
        break;
    case BlueprintType::Array:
        for (uint32_t i = 0; i < value.GetCount(); ++i)
        {
            XmlNode* child = document.allocate_node(rapidxml::node_element);
            element.append_node(child);
            WriteElement(document, *child, value.GetElement(i));
        }
        break;
    case BlueprintType::Object:
        for (const BlueprintMember& member : value.GetObject())
        {
            XmlNode* child = document.allocate_node(rapidxml::node_element);
            StringView name = member.name.View();
            if (name.length)
                child->name(document.allocate_string(name.data, name.length), name.length);
            element.append_node(child);
            WriteElement(document, *child, member.value);
        }
        break;
    default:
        break;
    }
}

} // namespace

bool XmlFormat::LoadBlueprint(StringView text, Blueprint& target)
{
    if (text.length >= 3 && std::memcmp(text.data, "\xEF\xBB\xBF", 3) == 0)
        text = text.Sub(3);
    // RapidXML parses in place and needs the terminating zero.
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back(0);
    if (!NestsWithin(buffer.data(), MaximumDepth))
        return false;

    // The document carries a sizeable memory pool of its own: keep it off the stack.
    auto document = std::make_unique<XmlDocument>();
    try
    {
        document->parse<0>(buffer.data());
    }
    catch (const rapidxml::parse_error&)
    {
        return false;
    }
    const XmlNode* root = document->first_node();
    if (!root)
        return false;
    Blueprint result;
    ReadElement(*root, result);
    target = std::move(result);
    return true;
}

std::string XmlFormat::SaveBlueprint(const Blueprint& value)
{
    if (!TreeNestsWithin(value, MaximumDepth))
        return std::string();
    auto document = std::make_unique<XmlDocument>();
    XmlNode* root = document->allocate_node(rapidxml::node_element);
    document->append_node(root);
    WriteElement(*document, *root, value);
    std::string text;
    rapidxml::print(std::back_inserter(text), *document, 0);
    return text;
}

} // namespace Lumvek
