#include "Engine/Foundation/TextFormats.h"

#include "Tests/LogCapture.h"
#include "Tests/TestFolder.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/Lon.h"
#include "Engine/Foundation/Xml.h"
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

Blueprint Tree()
{
    Blueprint tree;
    EXPECT_TRUE(JsonFormat::LoadBlueprint(R"({"Name": "Sketch", "Size": [2, 3.5], "Ink": {"Dark": true}})", tree));
    return tree;
}

TEST(TextFormats, TreesSaveAsTheirTextAndLoadAsTheirTextReads)
{
    Files files;
    const Blueprint tree = Tree();
    const struct
    {
        std::string extension;
        std::string saved;
        std::string loaded;
        bool (*load)(StringView, Blueprint&);
    } cases[] = {
        {"json", JsonFormat::SaveBlueprint(tree), JsonFormat::SaveBlueprint(tree), JsonFormat::LoadBlueprint},
        {"lon", LonFormat::SaveBlueprint(tree), LonFormat::SaveBlueprint(tree), LonFormat::LoadBlueprint},
        {"xml", XmlFormat::SaveBlueprint(tree), "<Sketch Name=\"S\"><Ink>dark</Ink></Sketch>",
         XmlFormat::LoadBlueprint},
    };
    for (const auto& c : cases)
    {
        ContentFormat<Blueprint>* format = files.manager.FindFormat<Blueprint>(c.extension);
        ASSERT_NE(format, nullptr) << c.extension;
        EXPECT_EQ(format->Save("", tree).ToString(), c.saved) << c.extension;

        std::string path = files.Write("Tree." + c.extension, c.loaded);
        LogCapture log;
        Blueprint loaded, expected;
        EXPECT_TRUE(files.manager.Load(path, loaded, "tree", false).IsLoaded());
        EXPECT_TRUE(log.messages.empty()) << c.extension;
        ASSERT_TRUE(c.load(c.loaded, expected));
        EXPECT_TRUE(loaded == expected) << c.extension;
        EXPECT_TRUE(c.extension == "xml" || loaded == tree) << c.extension;
    }
}

TEST(TextFormats, TextThatDoesNotParseIsLoggedAndLeavesTheTree)
{
    Files files;
    const struct
    {
        const char* file;
        const char* text;
        std::vector<std::string> messages;
    } cases[] = {
        {"Bad.json", "{\"a\": }", {"json parsing failed"}},
        {"Bad.xml", "<a><b></a>", {"xml parsing failed"}},
        {"Bad.lon", "{\n\tA: 1 }", {"expected '}' at line 2, column 3", "lon parsing failed"}},
        {"Empty.json", "", {"json parsing failed"}},
    };
    for (const auto& c : cases)
    {
        std::string path = files.Write(StringView::FromCString(c.file), StringView::FromCString(c.text));
        Blueprint tree = Tree();
        LogCapture log;
        EXPECT_TRUE(files.manager.Load(path, tree, "bad", false).IsLoaded());
        EXPECT_EQ(log.messages, c.messages) << c.file;
        EXPECT_TRUE(tree == Tree()) << c.file;
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
    EXPECT_NE(files.FindFormat<Blueprint>("json"), nullptr);
    EXPECT_NE(files.FindFormat<Blueprint>("lon"), nullptr);
    EXPECT_NE(files.FindFormat<Blueprint>("xml"), nullptr);
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
