#include "Engine/Foundation/Format.h"

#include "Tests/LogCapture.h"
#include "Tests/TestFolder.h"

#include <gtest/gtest.h>

namespace Lumvek
{
namespace
{

class EchoFormat : public TextFormat<std::string>
{
public:
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

// One 16-bit word as content and, in the header, as a width.
template <int32_t order> class WordFormat : public BinaryFormat<uint32_t, order, TextureHeader>
{
public:
    bool Read(BufferReader& reader, uint32_t& content) override
    {
        uint16_t word = 0;
        content = reader.Read(word) ? word : 0;
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
        Read(reader, header.width);
        return header;
    }
};

TEST(Format, KindsHandTheBytesToTheirReadersAndSaveOnlyWhatWriteProduced)
{
    EchoFormat text;
    std::string content;
    text.Load("a.echo", "line\r\nnext", content);
    EXPECT_EQ(content, "line\r\nnext");
    EXPECT_EQ(text.Save("a.echo", "saved").ToString(), "saved");

    const StringView bytes("\x01\x02", 2);
    WordFormat<MemoryOrder> little;
    WordFormat<ReversedOrder> big;
    uint32_t value = 0;
    little.Load("", bytes, value);
    EXPECT_EQ(value, 0x0201u);
    big.Load("", bytes, value);
    EXPECT_EQ(value, 0x0102u);
    EXPECT_EQ(big.ReadHeaderFromBytes("", bytes).width, 0x0102u);
    EXPECT_EQ(big.Save("", 0x0A0B).ToString(), "\x0A\x0B");
    EXPECT_EQ(little.Save("", 0x0A0B).ToString(), "\x0B\x0A");
}

TEST(Format, LoadsOnlyItsOwnTypeAndAnUnreadableFileAsEmptyBytes)
{
    Testing::TestFolder folder;
    Testing::LogCapture log;
    EchoFormat format;
    uint32_t other = 0;
    EXPECT_FALSE(format.LoadContent(folder.Path("a.echo"), TypeIndex<uint32_t>(), &other));
    EXPECT_FALSE(format.LoadContent(folder.Path("a.echo"), TypeIndex<std::string>(), nullptr));
    EXPECT_TRUE(log.messages.empty());

    std::string content = "before";
    EXPECT_TRUE(format.LoadContent(folder.Path("a.echo"), TypeIndex<std::string>(), &content));
    EXPECT_EQ(content, "");
    EXPECT_EQ(log.messages, std::vector<std::string>{"data could not be read from file"});
}

} // namespace
} // namespace Lumvek
