#include "Engine/Foundation/File.h"

#include "Tests/TestFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>

using namespace Lumvek;
using Lumvek::Testing::TestFolder;

namespace
{

void Put(const std::string& path, const std::string& contents)
{
    std::ofstream(path, std::ios::binary) << contents;
}

// Every path below the folder with each file's contents: what changed and what was left behind.
std::map<std::string, std::string> Listing(const TestFolder& folder)
{
    std::map<std::string, std::string> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.Root()))
        paths[entry.path().string()] = entry.is_regular_file() ? File::ReadAllText(entry.path().string()).second : "/";
    return paths;
}

} // namespace

TEST(File, ReadsBackExactlyWhatWasWritten)
{
    TestFolder folder;
    for (const std::string& bytes : {std::string("line\r\nzero\0byte\xff", 16), std::string()})
    {
        std::string path = folder.Path("data.bin");
        ASSERT_TRUE(File::WriteAllText(path, bytes.data(), bytes.size()));
        EXPECT_TRUE(File::Exists(path));
        EXPECT_EQ(File::ReadAllText(path), std::make_pair(true, bytes));
        auto [ok, buffer] = File::ReadBytes(path);
        EXPECT_TRUE(ok);
        EXPECT_EQ(buffer.ToString(), bytes);
        EXPECT_EQ(Listing(folder).size(), 1u);
    }
}

TEST(File, WhatIsNoReadableFileFailsToRead)
{
    TestFolder folder;
    std::filesystem::create_directory(folder.Path("folder"));
    Put(folder.Path("x"), "not this one");
    const std::string withZero = folder.Path("x") + std::string(1, '\0') + "y";
    for (const std::string& path : {folder.Path("missing.txt"), folder.Path("folder"), std::string(), withZero})
    {
        EXPECT_FALSE(File::Exists(path)) << path;
        EXPECT_EQ(File::ReadAllText(path), std::make_pair(false, std::string())) << path;
        EXPECT_FALSE(File::ReadBytes(path).first) << path;
    }
}

TEST(File, FilesBeyondThirtyTwoBitSizesAreRefused)
{
    TestFolder folder;
    // Sparse files take no disk space. Cut to 32 bits, 4 GiB + 5 would read as 5 bytes.
    for (uint64_t size : {uint64_t(1) << 32, (uint64_t(1) << 32) + 5})
    {
        std::string path = folder.Path("large");
        Put(path, "");
        std::filesystem::resize_file(path, size);
        EXPECT_FALSE(File::ReadBytes(path).first) << size;
        EXPECT_FALSE(File::ReadAllText(path).first) << size;
    }
}

TEST(File, SavingCreatesMissingFoldersAndKeepsPermissions)
{
    TestFolder folder;
    EXPECT_TRUE(File::WriteAllText(folder.Path("a/b/c/file.txt"), "deep"));
    EXPECT_TRUE(File::WriteAllText(folder.Path("x\\y\\z.txt"), "back"));
    EXPECT_EQ(File::ReadAllText(folder.Path("x/y/z.txt")).second, "back");
    EXPECT_TRUE(File::CreateDirectories(folder.Path("a/b/c")));
    EXPECT_FALSE(File::CreateDirectories(folder.Path("a/b/c/file.txt/d")));

    using std::filesystem::perms;
    std::filesystem::permissions(folder.Path("a/b/c/file.txt"), perms::owner_read | perms::owner_write);
    EXPECT_TRUE(File::WriteAllText(folder.Path("a/b/c/file.txt"), "new"));
    EXPECT_EQ(std::filesystem::status(folder.Path("a/b/c/file.txt")).permissions(),
              perms::owner_read | perms::owner_write);
}

TEST(File, FailedSaveKeepsWhatWasThereAndLeavesNoTemporaryFile)
{
    const std::string large(64 * 1024, 'n');
    // Targets that cannot be written: a folder, a path under a file, a path ending in a separator.
    for (const char* target : {"folder", "file/inside.txt", "folder/"})
    {
        TestFolder folder;
        Put(folder.Path("file"), "file");
        std::filesystem::create_directory(folder.Path("folder"));
        Put(folder.Path("folder/inside.txt"), "inside");
        auto before = Listing(folder);
        EXPECT_FALSE(File::WriteAllText(folder.Path(target), large)) << target;
        EXPECT_EQ(Listing(folder), before) << target;
    }

    // The disk fills up halfway through the new contents: a file size limit makes the write fail.
    TestFolder folder;
    Put(folder.Path("save.json"), "previous");
    auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limited = previous;
    limited.rlim_cur = 1024;
    setrlimit(RLIMIT_FSIZE, &limited);
    bool saved = File::WriteAllText(folder.Path("save.json"), large);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, handler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(Listing(folder), (std::map<std::string, std::string>{{folder.Path("save.json"), "previous"}}));
}

TEST(File, ConcurrentSavesEachLandWhole)
{
    TestFolder folder;
    std::string path = folder.Path("shared.txt");
    std::vector<std::string> versions{std::string(1000, 'a'), std::string(2000, 'b'), std::string(3000, 'c')};
    std::vector<int> failures(versions.size(), 0);
    std::vector<std::thread> writers;
    for (size_t i = 0; i < versions.size(); ++i)
        writers.emplace_back(
            [&, i]
            {
                for (int round = 0; round < 25; ++round)
                    failures[i] += File::WriteAllText(path, versions[i]) ? 0 : 1;
            });
    for (std::thread& writer : writers)
        writer.join();

    EXPECT_EQ(failures, std::vector<int>(versions.size(), 0));
    auto listing = Listing(folder);
    ASSERT_EQ(listing.size(), 1u);
    EXPECT_NE(std::find(versions.begin(), versions.end(), listing[path]), versions.end());
}
