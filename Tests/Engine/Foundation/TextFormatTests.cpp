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
// A namespace of its own: the program compiles its files in batches.
namespace TextFormatTests
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

TEST(TextFormats, CutOrDamagedTextNeverLeavesAHalfReadTree)
{
    Files files;
    const Blueprint tree = Tree();
    const std::string samples[][2] = {
        {"json", JsonFormat::SaveBlueprint(tree)},
        {"lon", LonFormat::SaveBlueprint(tree)},
        {"xml", "<Sketch Name=\"S\"><Ink Dark=\"true\">dark</Ink><!-- note --></Sketch>"},
    };
    for (const auto& sample : samples)
    {
        ContentFormat<Blueprint>* format = files.manager.FindFormat<Blueprint>(sample[0]);
        std::vector<std::string> inputs;
        for (size_t length = 0; length < sample[1].size(); ++length)
            inputs.push_back(sample[1].substr(0, length));
        for (size_t at = 0; at < sample[1].size(); ++at)
        {
            inputs.push_back(sample[1]);
            inputs.back()[at] ^= 0x5A;
        }
        for (const std::string& input : inputs)
        {
            // Exactly as long as the input, so the sanitizer sees any read beyond it.
            std::unique_ptr<char[]> bytes(new char[input.size()]);
            std::copy(input.begin(), input.end(), bytes.get());
            Blueprint loaded = tree;
            LogCapture log;
            format->Load("", StringView(bytes.get(), static_cast<uint32_t>(input.size())), loaded);
            EXPECT_TRUE(log.messages.empty() || loaded == tree) << sample[0] << ": " << input;
        }
    }
}

TEST(TextFormats, RegisteredFormatsServeTheirExtensionAndTypeFirstAddedFirst)
{
    FileManager files;
    files.RegisterFormats();
    files.AddFormat(TypeIndex<PlainText>(), "txt", std::make_unique<TxtFormat>());
    const struct
    {
        uint32_t type;
        const char* extension;
        bool found;
    } cases[] = {
        {TypeIndex<Archive>(), "zip", true},    {TypeIndex<Blueprint>(), "json", true},
        {TypeIndex<Blueprint>(), "lon", true},  {TypeIndex<Blueprint>(), "xml", true},
        {TypeIndex<Buffer>(), "bin", true},     {TypeIndex<PlainText>(), "txt", true},
        {TypeIndex<Buffer>(), "txt", false},    {TypeIndex<Archive>(), "ZIP", false},
        {TypeIndex<PlainText>(), "bin", false},
    };
    for (const auto& c : cases)
    {
        Format* format = files.FindFormat(c.type, StringView::FromCString(c.extension));
        ASSERT_EQ(format != nullptr, c.found) << c.extension;
        if (format)
        {
            EXPECT_EQ(format->manager, &files);
            EXPECT_EQ(format->extension, c.extension);
            EXPECT_EQ(format->contentTypeId, c.type);
        }
    }
}

} // namespace
} // namespace TextFormatTests

} // namespace Lumvek
