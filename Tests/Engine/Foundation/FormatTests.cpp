#include "Engine/Foundation/Format.h"

#include "Tests/TestFolder.h"

#include "Engine/Foundation/File.h"

#include <gtest/gtest.h>

namespace Lumvek
{
namespace
{

// Records what the kind hands to its parser and writes back a fixed text.
class EchoTextFormat : public TextFormat<std::string>
{
public:
    using TextFormat::TextFormat;

    bool Read(StringReader& reader, std::string& content) override
    {
        content = reader.Rest().ToString();
        return true;
    }
    bool Write(BufferWriter& writer, const std::string& content) override
    {
        writer.WriteText(content);
        return true;
    }
};

// Reads one 16-bit value in the format's byte order; the header is the value as a width.
template <int32_t order> class WordFormat : public BinaryFormat<uint32_t, order, TextureHeader>
{
public:
    bool Read(BufferReader& reader, uint32_t& content) override
    {
        uint16_t word = 0;
        if (!reader.Read(word))
            return false;
        content = word;
        return true;
    }
    bool Write(BufferWriter& writer, const uint32_t& content) override
    {
        writer.Write(static_cast<uint16_t>(content));
        return true;
    }
    TextureHeader ReadHeader(BufferReader& reader) override
    {
        TextureHeader header;
        uint16_t word = 0;
        if (reader.Read(word))
            header.width = word;
        return header;
    }
};

TEST(Format, TextKindHandsOverTheBytesAndSavesExactlyWhatWriteProduced)
{
    EchoTextFormat format(nullptr, TypeIndex<std::string>(), "echo");
    std::string content;
    format.Load("a.echo", StringView("line\r\nnext"), content);
    EXPECT_EQ(content, "line\r\nnext");
    EXPECT_EQ(format.Save("a.echo", std::string("saved")).ToString(), "saved");
}

TEST(Format, BinaryKindReadsAndWritesInItsByteOrder)
{
    const char bytes[] = {0x01, 0x02};
    WordFormat<MemoryOrder> little;
    WordFormat<ReversedOrder> big;
    uint32_t value = 0;
    little.Load("", StringView(bytes, 2), value);
    EXPECT_EQ(value, 0x0201u);
    big.Load("", StringView(bytes, 2), value);
    EXPECT_EQ(value, 0x0102u);
    EXPECT_EQ(big.ReadHeaderFromBytes("", StringView(bytes, 2)).width, 0x0102u);
    EXPECT_EQ(big.Save("", 0x0A0Bu).ToString(), "\x0A\x0B");
    EXPECT_EQ(little.Save("", 0x0A0Bu).ToString(), "\x0B\x0A");
}

TEST(Format, LoadContentRefusesAnotherContentType)
{
    EchoTextFormat format;
    std::string content = "kept";
    uint32_t other = 0;
    EXPECT_FALSE(format.LoadContent("missing.echo", TypeIndex<uint32_t>(), &other));
    EXPECT_FALSE(format.LoadContent("missing.echo", TypeIndex<std::string>(), nullptr));
    EXPECT_EQ(content, "kept");
}

TEST(Format, UnreadableFileLoadsAsEmptyBytes)
{
    Testing::TestFolder folder;
    EchoTextFormat format;
    std::string content = "before";
    EXPECT_TRUE(format.LoadContent(folder.Path("missing.echo"), TypeIndex<std::string>(), &content));
    EXPECT_EQ(content, "");

    ASSERT_TRUE(File::WriteAllText(folder.Path("present.echo"), "text"));
    format.LoadFile(folder.Path("present.echo"), content);
    EXPECT_EQ(content, "text");
}

} // namespace
} // namespace Lumvek
