#include "Engine/Foundation/TextFormats.h"

#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Lon.h"
#include "Engine/Foundation/Xml.h"

namespace Lumvek
{

bool JsonFormat::Read(StringReader& reader, Blueprint& content)
{
    if (LoadBlueprint(reader.Rest(), content))
        return true;
    Log::Write("json parsing failed");
    return false;
}

bool JsonFormat::Write(BufferWriter& writer, const Blueprint& content)
{
    writer.WriteText(SaveBlueprint(content));
    return true;
}

bool XmlFormat::Read(StringReader& reader, Blueprint& content)
{
    if (LoadBlueprint(reader.Rest(), content))
        return true;
    Log::Write("xml parsing failed");
    return false;
}

bool XmlFormat::Write(BufferWriter& writer, const Blueprint& content)
{
    std::string text = SaveBlueprint(content);
    writer.WriteText(text);
    return !text.empty();
}

bool LonFormat::Read(StringReader& reader, Blueprint& content)
{
    return ReadLogged(reader, content, nullptr);
}

bool LonFormat::ReadLogged(StringReader& reader, Blueprint& content, JsonNotes* notes)
{
    size_t known = reader.errors.size();
    if (Lon::Parse(reader, content, notes))
        return true;
    for (size_t i = known; i < reader.errors.size(); ++i)
    {
        const ParseError& error = reader.errors[i];
        Log::Write("{} at line {}, column {}", error.message, error.line, error.column);
    }
    Log::Write("lon parsing failed");
    return false;
}

bool LonFormat::Write(BufferWriter& writer, const Blueprint& content)
{
    WriteValue(writer, content, 1, false, true);
    return true;
}

bool TxtFormat::Read(StringReader& reader, PlainText& content)
{
    content.text = reader.Rest().ToString();
    reader.SetPosition(reader.Text().length);
    return true;
}

bool TxtFormat::Write(BufferWriter& writer, const PlainText& content)
{
    writer.WriteText(content.text);
    return true;
}

bool BinFormat::Read(BufferReader& reader, Buffer& content)
{
    uint32_t count = reader.Remaining();
    content.Reserve(count);
    reader.ReadBytes(content.Data(), count);
    return true;
}

bool BinFormat::Write(BufferWriter& writer, const Buffer& content)
{
    writer.WriteBytes(content.Data(), content.Size());
    return true;
}

} // namespace Lumvek
