#include "Engine/Foundation/Format.h"

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Lon.h"

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

// A width kept in a tree as "Width"; the header reads it as well.
class WidthFormat : public BlueprintFormat<uint64_t, TextureHeader>
{
public:
    bool Read(const Blueprint& tree, uint64_t& content) override
    {
        const Blueprint* width = tree.GetObject().Find("Width");
        content = width ? width->GetUnsignedInteger() : 0;
        return width != nullptr;
    }
    bool Write(Blueprint& tree, const uint64_t& content) override
    {
        tree.SetObject().AddMember("Width").SetUnsignedInteger(content);
        return true;
    }
    TextureHeader ReadHeader(const Blueprint& tree) override
    {
        uint64_t width = 0;
        Read(tree, width);
        return TextureHeader{static_cast<uint32_t>(width), 1, 0};
    }
};

TEST(Format, KindsHandTheBytesToTheirReadersAndSaveOnlyWhatWriteProduced)
{
    EXPECT_EQ(EchoFormat().Save("a.echo", "saved").ToString(), "saved");
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

TEST(Format, BlueprintKindGoesThroughLonText)
{
    WidthFormat format;
    uint64_t width = 0;
    format.Load("", "{ Width = 640 }", width);
    EXPECT_EQ(width, 640u);
    EXPECT_EQ(format.ReadHeaderFromBytes("", "{\n\tWidth = 32\n}").width, 32u);

    Blueprint written;
    written.SetObject().AddMember("Width").SetUnsignedInteger(1024);
    EXPECT_EQ(format.Save("", 1024).ToString(), LonFormat::SaveBlueprint(written));

    Testing::LogCapture log;
    format.Load("", "{ Width = wide }", width);
    EXPECT_EQ(width, 0u);
    EXPECT_EQ(log.messages.back(), "lon parsing failed");
}

TEST(Format, LoadsOnlyItsOwnTypeAndAnUnreadableFileAsEmptyBytes)
{
    Testing::TestFolder folder;
    Testing::LogCapture log;
    EchoFormat format;
    // Asked for another type, the format leaves the content alone, whatever it points at.
    std::string kept = "kept";
    EXPECT_FALSE(format.LoadContent(folder.Path("a.echo"), TypeIndex<uint32_t>(), &kept));
    EXPECT_EQ(kept, "kept");
    EXPECT_FALSE(format.LoadContent(folder.Path("a.echo"), TypeIndex<std::string>(), nullptr));
    EXPECT_TRUE(log.messages.empty());

    std::string content = "before";
    EXPECT_TRUE(format.LoadContent(folder.Path("a.echo"), TypeIndex<std::string>(), &content));
    EXPECT_EQ(content, "");
    EXPECT_EQ(log.messages, std::vector<std::string>{"data could not be read from file"});
}

} // namespace
} // namespace Lumvek
