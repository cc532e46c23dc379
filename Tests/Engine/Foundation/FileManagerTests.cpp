#include "Engine/Foundation/FileManager.h"

#include "Tests/LogCapture.h"
#include "Tests/TestFolder.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/Pattern.h"
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
using Strings = std::vector<std::string>;

// Text whose format counts loads and calls back after each, so a test can act inside a reload.
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
    bool Write(BufferWriter&, const Note&) override { return true; }

    std::function<void()> afterLoad;
};

// A file manager rooted in a fresh folder, with the registered formats and "note".
struct Files
{
    Files() : manager(folder.Root(), "", "", "")
    {
        manager.RegisterFormats();
        note = new NoteFormat(&manager, TypeIndex<Note>(), "note");
        manager.AddFormat(TypeIndex<Note>(), "note", std::unique_ptr<NoteFormat>(note));
    }
    std::string Write(StringView relative, StringView text)
    {
        std::string path = manager.ResolvePath(relative);
        EXPECT_TRUE(File::WriteAllText(path, text));
        return path;
    }
    // Moves the last write forward, as an editor saving the file later would.
    static void Touch(const std::string& path)
    {
        std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(10));
    }
    const std::vector<FileWatch>& Watches() const { return manager.GetWatches(); }

    Testing::TestFolder folder;
    FileManager manager;
    NoteFormat* note;
};

TEST(FileManager, ResolvesRootPrefixesByExactCaseAndEverythingElseUnderTheApplication)
{
    FileManager files("/app/", "/data", "C:\\Users\\me\\Vantorel\\", "/tmp/Vantorel");
    const char* cases[][2] = {
        {"Data:Textures/A.png", "/data/Textures/A.png"},
        {"Data:Textures\\A.png", "/data/Textures/A.png"},
        {"data:Textures/A.png", "/app/data:Textures/A.png"},
        {"Assets/Ui/Ui.ltd", "/app/Assets/Ui/Ui.ltd"},
        {"Save:x", "/app/Save:x"},
        {"Data", "/app/Data"},
        {"Application:Assets/../Journals/1.journal", "/app/Journals/1.journal"},
        {"Documents:player1.profile", "C:/Users/me/Vantorel/player1.profile"},
        {"Temporary:", "/tmp/Vantorel/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(files.ResolvePath(StringView::FromCString(c[0])), c[1]) << c[0];
}

TEST(FileManager, PathsThatClimbOutOfTheirRootAreRefused)
{
    FileManager files("/app/", "/d", "/home/me/Vantorel", "");
    // What counts is where the path ends: a climb that ends inside its root is kept.
    const struct
    {
        std::string path;
        const char* resolved;
    } cases[] = {
        {"Data:../x", ""},
        {"Data:a/../../d/x", "/d/x"},
        {"Data:a/../../data/x", ""},
        {"Data:a/../x", "/d/x"},
        {"Data:..", ""},
        {"Documents:../Vantorel2/x", ""},
        {"../etc/passwd", ""},
        {"Application:Assets/../../x", ""},
        {"Assets/../Journals/1.journal", "/app/Journals/1.journal"},
        {"Temporary:../x", ""},
        {"Temporary:x/../y", "y"},
        // The profiles' and the definitions' files are found from names the players and the content
        // choose: a name holding ".." must not reach outside the folder.
        {FormatText("Assets/{}.profile", "../../../home/me/.bashrc"), ""},
        {FormatText("Assets/{}/{}/{}{}", "Parts", "../../..", "Secret", ".png"), ""},
    };
    for (const auto& c : cases)
    {
        LogCapture log;
        EXPECT_EQ(files.ResolvePath(c.path), c.resolved) << c.path;
        const Strings refusal{FormatText("the path {} leads outside its root folder and is refused", c.path)};
        EXPECT_EQ(log.messages, *c.resolved ? Strings() : refusal) << c.path;
    }
}

TEST(FileManager, ARefusedPathLoadsNothing)
{
    Files files;
    files.Write("Inside/A.txt", "inside");
    LogCapture log;
    PlainText content{"untouched"};
    EXPECT_FALSE(files.manager.LoadFromAny("../A.txt|Inside/../../A.txt", content, "notes", false).IsLoaded());
    EXPECT_EQ(content.text, "untouched");
    EXPECT_TRUE(files.manager.LoadFromAny("../A.txt|Inside/A.txt", content, "notes", false).IsLoaded());
    EXPECT_EQ(content.text, "inside");
}

TEST(FileManager, FailedLoadsLogInsideTheirSectionAndLeaveTheContent)
{
    Files files;
    const std::string cases[][2] = {
        {files.manager.ResolvePath("missing.txt"), "file does not exist"},
        {files.Write("A.TXT", "text"), "no format has been registered for extension TXT"},
    };
    for (const auto& c : cases)
    {
        LogCapture log;
        PlainText content{"untouched"};
        FormatHandle handle = files.manager.Load(c[0], content, "notes", true);
        EXPECT_FALSE(handle.IsLoaded());
        EXPECT_EQ(handle.watchId, -1);
        EXPECT_EQ(content.text, "untouched");
        EXPECT_EQ(log.messages, Strings{c[1]});
        EXPECT_EQ(log.enclosing[0], Strings{"Loading Lumvek.PlainText notes from " + c[0]});
    }
    EXPECT_TRUE(files.Watches().empty());
}

TEST(FileManager, WatchesLiveAsLongAsTheirHandles)
{
    Files files;
    std::string path = files.Write("A.txt", "a");
    PlainText first, second, third;
    FormatHandle unwatched = files.manager.Load(path, first, "a", false);
    EXPECT_EQ(unwatched.manager, &files.manager);
    EXPECT_EQ(unwatched.watchId, -1);
    EXPECT_EQ(first.text, "a");
    EXPECT_TRUE(files.Watches().empty());

    FormatHandle a = files.manager.Load(path, first, "a", true);
    FormatHandle b = files.manager.Load(path, second, "a", true);
    auto c = std::make_unique<FormatHandle>(files.manager.Load(path, third, "a", true));
    EXPECT_EQ(b.watchId, a.watchId + 1);
    EXPECT_EQ(c->watchId, b.watchId + 1);
    EXPECT_EQ(files.Watches()[0].lastWriteTime, FileManager::LastWriteTime(path));

    b.Release();
    EXPECT_EQ(b.manager, nullptr);
    ASSERT_EQ(files.Watches().size(), 2u);
    EXPECT_EQ(files.Watches()[1].content, &third);
    c.reset();
    FormatHandle moved = std::move(a);
    a.Release();
    ASSERT_EQ(files.Watches().size(), 1u);
    EXPECT_EQ(files.Watches()[0].content, &first);
}

TEST(FileManager, PollingReloadsFilesWrittenLaterThanRecorded)
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
    Files::Touch(changed);
    files.Write("B.note", "rewritten at the recorded time");
    std::filesystem::last_write_time(same, sameTime);
    files.manager.PollWatches();
    EXPECT_EQ(a.text, "new");
    EXPECT_EQ(b.text, "kept");

    // A file gone for a moment, as during an editor's save, is not reloaded as empty.
    std::filesystem::remove(changed);
    files.manager.PollWatches();
    EXPECT_EQ(a.text, "new");
    EXPECT_EQ(a.loads, 2);
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
    files.note->afterLoad = [&, acted = false]() mutable
    {
        if (std::exchange(acted, true))
            return;
        a.Release();
        b.Release();
        d = files.manager.Load(path, added, "d", true);
    };
    Files::Touch(path);
    files.manager.PollWatches();
    EXPECT_EQ(std::vector<int>({first.loads, second.loads, third.loads, added.loads}), std::vector<int>({2, 1, 2, 1}));
    EXPECT_EQ(files.Watches().size(), 2u);
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
        long selected;
    } cases[] = {
        {"A.txt|B.txt", "b", 1},
        {"D.unknown|C.txt|B.txt", "c", 2},
        {"A.txt|D.unknown|", "untouched", 1},
    };
    PlainText contents[std::size(cases)];
    std::vector<FormatHandle> handles;
    for (const auto& c : cases)
    {
        LogCapture log;
        PlainText& content = contents[handles.size()];
        content.text = "untouched";
        handles.push_back(files.manager.LoadFromAny(c.list, content, "ui", true));
        bool loaded = c.text != "untouched";
        EXPECT_EQ(handles.back().IsLoaded(), loaded);
        EXPECT_EQ(content.text, c.text) << c.list;
        EXPECT_EQ(log.Logged("no format has been registered for any of the existing files"), !loaded);
        EXPECT_EQ(log.sections[0], "Loading Lumvek.PlainText ui from one of " + c.list);
        EXPECT_EQ(std::count_if(log.sections.begin(), log.sections.end(),
                                [](const std::string& title) { return title.starts_with("Selected file "); }),
                  c.selected);
    }
    ASSERT_EQ(files.Watches().size(), 2u);
    EXPECT_EQ(files.Watches()[1].path, files.manager.ResolvePath("C.txt"));
}

TEST(FileManager, LastWriteTimeIsNanosecondsSince1970AtMillisecondResolution)
{
    using namespace std::chrono;
    Testing::TestFolder folder;
    std::string path = folder.Path("A.txt");
    ASSERT_TRUE(File::WriteAllText(path, "a"));
    auto when = sys_time<nanoseconds>(seconds(1577836800) + nanoseconds(123456789));
    std::filesystem::last_write_time(path, file_clock::from_sys(when));
    EXPECT_EQ(FileManager::LastWriteTime(path), 1577836800123000000);
    EXPECT_EQ(FileManager::LastWriteTime(folder.Path("missing.txt")), 0);
    EXPECT_EQ(FileManager::LastWriteTime(StringView("A\0b", 3)), 0);
}

} // namespace
} // namespace Lumvek
