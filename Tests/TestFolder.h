#pragma once

#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace Lumvek::Testing
{

// A fresh folder for one test's files, under the build folder when the test knows it, removed with
// everything in it when the test ends. Unique per process and test, so tests may run in parallel.
class TestFolder
{
public:
    TestFolder()
    {
        static std::atomic<unsigned> counter{0};
        std::filesystem::path base = BaseFolder();
        std::error_code error;
        std::filesystem::create_directories(base, error);
        std::string name = TestName() + "-" + std::to_string(::getpid());
        for (;;)
        {
            root = base / (name + "-" + std::to_string(counter.fetch_add(1)));
            if (std::filesystem::create_directory(root, error))
                break;
            if (error)
                throw std::filesystem::filesystem_error("cannot create the test folder", root, error);
        }
    }

    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    ~TestFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(root, error);
    }

    // The folder itself, without a trailing '/'.
    std::string Root() const { return root.string(); }
    // A path inside the folder; nothing is created.
    std::string Path(std::string_view relative) const { return (root / relative).string(); }

private:
    static std::filesystem::path BaseFolder()
    {
        const std::string binary = BinaryFolder();
        if (!binary.empty())
            return std::filesystem::path(binary) / "TestFolders";
        return std::filesystem::temp_directory_path() / "LumvekTestFolders";
    }

    static std::string TestName()
    {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "Test";
        // Parameterised tests carry '/' in their names.
        for (char& c : name)
            if (c == '/')
                c = '_';
        return name;
    }

    std::filesystem::path root;
};

} // namespace Lumvek::Testing
