#pragma once

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/Format.h"

#include <string>

namespace Lumvek
{

// The content of a plain text file: its bytes, unchanged.
struct PlainText
{
    std::string text;
};

// "txt": the whole text in, the whole text out, line endings and all.
class TxtFormat : public TextFormat<PlainText>
{
public:
    using TextFormat::TextFormat;

    bool Read(StringReader& reader, PlainText& content) override;
    bool Write(BufferWriter& writer, const PlainText& content) override;
};

// "bin": the file's bytes as a buffer.
class BinFormat : public BinaryFormat<Buffer, MemoryOrder>
{
public:
    using BinaryFormat::BinaryFormat;

    bool Read(BufferReader& reader, Buffer& content) override;
    bool Write(BufferWriter& writer, const Buffer& content) override;
};

} // namespace Lumvek
