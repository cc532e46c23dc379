#include "Engine/Foundation/TextFormats.h"

namespace Lumvek
{

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
