#include "Engine/Foundation/FileManager.h"

#include "Tests/LogCapture.h"
#include "Tests/TestFolder.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/TextFormats.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>

namespace Lumvek
{
namespace
{

using Testing::LogCapture;
using Testing::TestFolder;

// Text content whose format calls back after every load, so a test can act from inside a reload.
struct Note
{
    std::string text;
    int loads = 0;
};

class NoteFormat : public TextFormat<Note>
{
public:
    using TextFormat::TextFormat;

    bool Read(StringReader& reader, Note& content) override
    {
        content.text = reader.Rest().ToString();
        ++content.loads;
        if (afterLoad)
            afterLoad();
        return true;
    }
    bool Write(BufferWriter& writer, const Note& content) override
    {
        writer.WriteText(content.text);
        return true;
    }

    std::function<void()> afterLoad;
};

// A file manager whose application root is a fresh folder, with the txt and "note" formats.
struct Files
{
    Files() : manager(folder.Root(), "Data", "Documents", "Temporary")
    {
        manager.RegisterFormats();
        auto format = std::make_unique<NoteFormat>(&manager, TypeIndex<Note>(), "note");
        note = format.get();
        manager.AddFormat(TypeIndex<Note>(), "note", std::move(format));
    }

    // Writes the file under the root and returns its resolved path.
    std::string Write(StringView relative, StringView text)
    {
        std::string path = manager.ResolvePath(relative);
        EXPECT_TRUE(File::WriteAllText(path, text));
        return path;
    }
    // Moves the file's last write forward by whole seconds, as an editor saving it later would.
    static void Touch(const std::string& path, int seconds)
    {
        auto time = std::filesystem::last_write_time(path);
        std::filesystem::last_write_time(path, time + std::chrono::seconds(seconds));
    }

    TestFolder folder;
    FileManager manager;
    NoteFormat* note = nullptr;
};

TEST(FileManager, ResolvesRootPrefixesByExactCaseAndEverythingElseUnderTheApplication)
{
    FileManager files("/app/", "/data", "C:\\Users\\me\\Vantorel\\", "/tmp/Vantorel");
    EXPECT_EQ(files.documentsRoot, "C:/Users/me/Vantorel");
    const struct
    {
        const char* path;
        const char* resolved;
    } cases[] = {
        {"Data:Textures/A.png", "/data/Textures/A.png"},
        {"Data:Textures\\A.png", "/data/Textures/A.png"},
        {"data:Textures/A.png", "/app/data:Textures/A.png"},
        {"Assets/Ui/Ui.ltd", "/app/Assets/Ui/Ui.ltd"},
        {"Save:x", "/app/Save:x"},
        {"Data", "/app/Data"},
        {"Application:Assets/../Journals/1.journal", "/app/Journals/1.journal"},
        {"Documents:player1.profile", "C:/Users/me/Vantorel/player1.profile"},
        {"Temporary:", "/tmp/Vantorel/"},
        {"", "/app/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(files.ResolvePath(StringView::FromCString(c.path)), c.resolved) << c.path;
}

TEST(FileManager, FindsTheFirstFormatOfTheExtensionAndContentType)
{
    FileManager files;
    auto first = std::make_unique<TxtFormat>(&files, TypeIndex<PlainText>(), "txt");
    class Format* expected = first.get();
    files.AddFormat(TypeIndex<PlainText>(), "txt", std::move(first));
    files.AddFormat(TypeIndex<PlainText>(), "txt", std::make_unique<TxtFormat>(&files, TypeIndex<PlainText>(), "txt"));
    files.AddFormat(TypeIndex<Buffer>(), "txt", std::make_unique<BinFormat>(&files, TypeIndex<Buffer>(), "txt"));
    files.AddFormat(TypeIndex<Buffer>(), "none", nullptr);

    EXPECT_EQ(files.FindFormat(TypeIndex<PlainText>(), "txt"), expected);
    EXPECT_EQ(files.FindFormat<PlainText>("txt"), expected);
    EXPECT_NE(files.FindFormat<Buffer>("txt"), nullptr);
    EXPECT_EQ(files.FindFormat<PlainText>("TXT"), nullptr);
    EXPECT_EQ(files.FindFormat<Note>("txt"), nullptr);
    EXPECT_EQ(files.FindFormat<Buffer>("none"), nullptr);
}

TEST(FileManager, FailedLoadsLogInsideTheirSectionAndLeaveTheContent)
{
    Files files;
    std::string upper = files.Write("Notes/A.TXT", "text");
    std::string missing = files.manager.ResolvePath("Notes/missing.txt");
    const struct
    {
        std::string path;
        std::string message;
    } cases[] = {
        {missing, "file does not exist"},
        {upper, "no format has been registered for extension TXT"},
    };
    for (const auto& c : cases)
    {
        LogCapture log;
        PlainText content{"untouched"};
        FormatHandle handle = files.manager.Load(c.path, content, "notes", true);
        EXPECT_FALSE(handle.IsLoaded()) << c.path;
        EXPECT_EQ(handle.watchId, -1);
        EXPECT_EQ(content.text, "untouched");
        ASSERT_EQ(log.messages.size(), 1u) << c.path;
        EXPECT_EQ(log.messages[0], c.message);
        EXPECT_EQ(log.enclosing[0], std::vector<std::string>{"Loading Lumvek.PlainText notes from " + c.path});
    }
    EXPECT_TRUE(files.manager.GetWatches().empty());
}

TEST(FileManager, LoadsThroughTheFormatAndWatchesOnlyWhenAsked)
{
    Files files;
    std::string path = files.Write("Notes/A.txt", "first\r\nline");
    PlainText content;
    FormatHandle unwatched = files.manager.Load(path, content, "a", false);
    EXPECT_EQ(unwatched.manager, &files.manager);
    EXPECT_EQ(unwatched.watchId, -1);
    EXPECT_EQ(content.text, "first\r\nline");
    EXPECT_TRUE(files.manager.GetWatches().empty());

    PlainText again;
    FormatHandle watched = files.manager.Load(path, again, "a", true);
    ASSERT_EQ(files.manager.GetWatches().size(), 1u);
    const FileWatch& watch = files.manager.GetWatches()[0];
    EXPECT_EQ(watch.id, static_cast<uint32_t>(watched.watchId));
    EXPECT_EQ(watch.path, path);
    EXPECT_EQ(watch.content, &again);
    EXPECT_EQ(watch.lastWriteTime, FileManager::LastWriteTime(path));
}

TEST(FileManager, WatchIdsCountUpAndReleasingOneHandleRemovesOnlyItsRecord)
{
    Files files;
    std::string path = files.Write("A.txt", "a");
    PlainText first, second, third;
    FormatHandle a = files.manager.Load(path, first, "a", true);
    FormatHandle b = files.manager.Load(path, second, "a", true);
    FormatHandle c = files.manager.Load(path, third, "a", true);
    EXPECT_EQ(b.watchId, a.watchId + 1);
    EXPECT_EQ(c.watchId, b.watchId + 1);

    b.Release();
    EXPECT_EQ(b.manager, nullptr);
    EXPECT_EQ(b.watchId, -1);
    ASSERT_EQ(files.manager.GetWatches().size(), 2u);
    EXPECT_EQ(files.manager.GetWatches()[0].content, &first);
    EXPECT_EQ(files.manager.GetWatches()[1].content, &third);

    // Moving hands the watch on; the emptied handle releases nothing.
    FormatHandle moved = std::move(a);
    a.Release();
    EXPECT_EQ(files.manager.GetWatches().size(), 2u);
    moved = FormatHandle();
    EXPECT_EQ(files.manager.GetWatches().size(), 1u);
}

TEST(FileManager, PollingReloadsOnlyFilesWrittenLaterThanRecorded)
{
    Files files;
    std::string changed = files.Write("A.note", "old");
    std::string same = files.Write("B.note", "kept");
    Note a, b;
    FormatHandle watchA = files.manager.Load(changed, a, "a", true);
    FormatHandle watchB = files.manager.Load(same, b, "b", true);

    files.manager.PollWatches();
    EXPECT_EQ(a.loads, 1);

    auto sameTime = std::filesystem::last_write_time(same);
    files.Write("A.note", "new");
    Files::Touch(changed, 10);
    files.Write("B.note", "rewritten at the recorded time");
    std::filesystem::last_write_time(same, sameTime);
    files.manager.PollWatches();
    EXPECT_EQ(a.text, "new");
    EXPECT_EQ(a.loads, 2);
    EXPECT_EQ(b.text, "kept");
    EXPECT_EQ(files.manager.GetWatches()[0].lastWriteTime, FileManager::LastWriteTime(changed));

    // A file that disappears for a moment, as during an editor's save, is not loaded as empty.
    std::filesystem::remove(changed);
    files.manager.PollWatches();
    EXPECT_EQ(a.text, "new");
    EXPECT_EQ(a.loads, 2);
}

TEST(FileManager, DestroyedContentLeavesNoWatchBehind)
{
    // A resource keeps its handle beside the content the watch reloads into.
    struct Resource
    {
        Note note;
        FormatHandle handle;
    };
    Files files;
    std::string path = files.Write("A.note", "a");
    {
        auto resource = std::make_unique<Resource>();
        resource->handle = files.manager.Load(path, resource->note, "a", true);
        EXPECT_EQ(files.manager.GetWatches().size(), 1u);
    }
    EXPECT_TRUE(files.manager.GetWatches().empty());
    Files::Touch(path, 10);
    files.manager.PollWatches();
}

TEST(FileManager, ReloadsMayReleaseAndAddWatchesWhilePolling)
{
    Files files;
    std::string path = files.Write("A.note", "a");
    Note first, second, third, added;
    FormatHandle a = files.manager.Load(path, first, "a", true);
    FormatHandle b = files.manager.Load(path, second, "b", true);
    FormatHandle c = files.manager.Load(path, third, "c", true);
    FormatHandle d;
    // The first reload lets go of itself and the next watch and watches another note.
    bool acted = false;
    files.note->afterLoad = [&]
    {
        if (std::exchange(acted, true))
            return;
        a.Release();
        b.Release();
        d = files.manager.Load(path, added, "d", true);
    };
    Files::Touch(path, 10);
    files.manager.PollWatches();

    EXPECT_EQ(first.loads, 2);
    EXPECT_EQ(second.loads, 1);
    EXPECT_EQ(third.loads, 2);
    EXPECT_EQ(added.loads, 1);
    ASSERT_EQ(files.manager.GetWatches().size(), 2u);
    EXPECT_EQ(files.manager.GetWatches()[0].content, &third);
    EXPECT_EQ(files.manager.GetWatches()[1].content, &added);
}

TEST(FileManager, LoadFromAnyTakesTheFirstExistingFileWithAFormat)
{
    Files files;
    files.Write("B.txt", "b");
    files.Write("C.txt", "c");
    files.Write("D.unknown", "d");
    const struct
    {
        std::string list;
        std::string text;
        size_t selected;
    } cases[] = {
        {"A.txt|B.txt", "b", 1},
        {"D.unknown|C.txt|B.txt", "c", 2},
        {"B.txt|C.txt", "b", 1},
    };
    for (const auto& c : cases)
    {
        LogCapture log;
        PlainText content;
        FormatHandle handle = files.manager.LoadFromAny(c.list, content, "ui", false);
        EXPECT_TRUE(handle.IsLoaded()) << c.list;
        EXPECT_EQ(content.text, c.text) << c.list;
        size_t selected = 0;
        for (const std::string& title : log.sections)
            selected += title.rfind("Selected file ", 0) == 0;
        EXPECT_EQ(selected, c.selected) << c.list;
        EXPECT_EQ(log.sections[0], "Loading Lumvek.PlainText ui from one of " + c.list);
        EXPECT_TRUE(log.messages.empty());
    }

    LogCapture log;
    PlainText content{"untouched"};
    FormatHandle handle = files.manager.LoadFromAny("A.txt|D.unknown|", content, "ui", true);
    EXPECT_FALSE(handle.IsLoaded());
    EXPECT_EQ(content.text, "untouched");
    EXPECT_EQ(log.messages, std::vector<std::string>{"no format has been registered for any of the existing files"});
    EXPECT_TRUE(files.manager.GetWatches().empty());

    FormatHandle watched = files.manager.LoadFromAny("Application:C.txt", content, "ui", true);
    ASSERT_EQ(files.manager.GetWatches().size(), 1u);
    EXPECT_EQ(files.manager.GetWatches()[0].path, files.manager.ResolvePath("C.txt"));
}

TEST(FileManager, LastWriteTimeIsNanosecondsSince1970AtMillisecondResolution)
{
    TestFolder folder;
    std::string path = folder.Path("A.txt");
    ASSERT_TRUE(File::WriteAllText(path, "a"));
    using namespace std::chrono;
    // 2020-01-01 00:00:00.123456789 UTC
    auto when = sys_time<nanoseconds>(seconds(1577836800) + nanoseconds(123456789));
    std::filesystem::last_write_time(path, file_clock::from_sys(when));
    EXPECT_EQ(FileManager::LastWriteTime(path), 1577836800123000000);
    EXPECT_EQ(FileManager::LastWriteTime(folder.Path("missing.txt")), 0);
    EXPECT_EQ(FileManager::LastWriteTime(StringView("A\0b", 3)), 0);
}

} // namespace
} // namespace Lumvek
