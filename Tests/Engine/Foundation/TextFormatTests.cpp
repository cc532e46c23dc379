#include "Engine/Foundation/TextFormats.h"

#include "Tests/LogCapture.h"
#include "Tests/TestFolder.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Zip.h"

#include <gtest/gtest.h>

namespace Lumvek
{
namespace
{

using Testing::LogCapture;
using Testing::TestFolder;

// A file manager rooted in a fresh folder, with every registered format.
struct Files
{
    Files() : manager(folder.Root(), "", "", "") { manager.RegisterFormats(); }

    std::string Write(StringView relative, StringView bytes)
    {
        std::string path = manager.ResolvePath(relative);
        EXPECT_TRUE(File::WriteAllText(path, bytes));
        return path;
    }

    TestFolder folder;
    FileManager manager;
};

TEST(TextFormats, PlainTextAndBytesLoadUnchangedAndSaveExactly)
{
    Files files;
    const std::string cases[] = {"", "one line", "\xEF\xBB\xBFwith a mark\r\nand\rendings\n",
                                 std::string("\0\1\xFF", 3)};
    for (const std::string& bytes : cases)
    {
        std::string txt = files.Write("A.txt", bytes);
        std::string bin = files.Write("A.bin", bytes);
        PlainText text{"previous"};
        Buffer buffer;
        buffer.Append("previous");
        EXPECT_TRUE(files.manager.Load(txt, text, "a", false).IsLoaded());
        EXPECT_TRUE(files.manager.Load(bin, buffer, "a", false).IsLoaded());
        EXPECT_EQ(text.text, bytes);
        EXPECT_EQ(buffer.ToString(), bytes);
        EXPECT_EQ(files.manager.FindFormat<PlainText>("txt")->Save(txt, text).ToString(), bytes);
        EXPECT_EQ(files.manager.FindFormat<Buffer>("bin")->Save(bin, buffer).ToString(), bytes);
    }
}

TEST(TextFormats, BinaryReadTakesTheRestAndMovesToTheEnd)
{
    BinFormat format;
    const char bytes[] = "head:body";
    BufferReader reader(bytes, 9);
    reader.Skip(5);
    Buffer content;
    EXPECT_TRUE(format.Read(reader, content));
    EXPECT_EQ(content.ToString(), "body");
    EXPECT_TRUE(reader.AtEnd());
}

TEST(TextFormats, RegisteredFormatsServeTheirExtensionAndTypeOnly)
{
    FileManager files;
    files.RegisterFormats();
    EXPECT_NE(files.FindFormat<Archive>("zip"), nullptr);
    EXPECT_NE(files.FindFormat<Buffer>("bin"), nullptr);
    EXPECT_NE(files.FindFormat<PlainText>("txt"), nullptr);
    EXPECT_EQ(files.FindFormat<Buffer>("txt"), nullptr);
    EXPECT_EQ(files.FindFormat<PlainText>("bin"), nullptr);
    EXPECT_EQ(files.FindFormat<Archive>("ZIP"), nullptr);
    class Format* zip = files.FindFormat(TypeIndex<Archive>(), "zip");
    EXPECT_EQ(zip->manager, &files);
    EXPECT_EQ(zip->extension, "zip");
    EXPECT_EQ(zip->contentTypeId, TypeIndex<Archive>());
}

} // namespace
} // namespace Lumvek
