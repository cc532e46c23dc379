// The Vantorel program itself in a 640 x 360 window of SDL's offscreen driver, driven by a test
// script on the simulated clock, from a scratch application folder outside the checkout.

#include "Engine/Foundation/File.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

class ProgramRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* program = std::getenv("VANTOREL_PROGRAM");
        ASSERT_NE(program, nullptr) << "VANTOREL_PROGRAM names the program under test";
        static std::atomic<unsigned> counter{0};
        root = fs::temp_directory_path() /
               ("VantorelScreens-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
        fs::create_directories(root);
        fs::copy(fs::path(Lumvek::Testing::SourceFolder()) / "Assets", root / "Assets", fs::copy_options::recursive);
        fs::copy_file(program, root / "Vantorel");
    }
    void TearDown() override
    {
        std::error_code error;
        fs::remove_all(root, error);
    }

    // Runs the program with the script and the options; returns its exit code and keeps its output.
    int Run(const std::string& script, const std::string& options)
    {
        EXPECT_TRUE(Lumvek::File::WriteAllText((root / "run.script").string(), script));
        const std::string command = "cd '" + root.string() +
                                    "' && ASAN_OPTIONS=detect_leaks=0 SDL_AUDIODRIVER=dummy timeout 120 ./Vantorel "
                                    "--window 640x360 --fixed-step --script run.script " +
                                    options + " > output.txt 2>&1";
        const int status = std::system(command.c_str());
        output = Lumvek::File::ReadAllText((root / "output.txt").string()).second;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path root;
    std::string output;
};

TEST_F(ProgramRun, TheDemoGoesFromTheSplashToItsMenuOnPadZero)
{
    const int code = Run("screen DemoStartScreen frames 10 down 0 Start\n"
                         "up 0 Start\n"
                         "screen DemoMenu frames 10 screenshot demo-menu.png\n"
                         "exit 0\n",
                         "");
    EXPECT_EQ(code, 0) << output;
    EXPECT_TRUE(fs::exists(root / "demo-menu.png")) << output;
    for (const char* failure : {"did not load", "not found", "cannot", "could not"})
        EXPECT_EQ(output.find(failure), std::string::npos) << output;
    std::error_code error;
    fs::copy_file(root / "demo-menu.png",
                  fs::path(Lumvek::Testing::BinaryFolder()) / "UiPixelTests" / "ProgramDemoMenu.png",
                  fs::copy_options::overwrite_existing, error);
}

TEST_F(ProgramRun, WithTheStartOptionStartReachesTheMainMenu)
{
    const int code = Run("screen StartScreen frames 10 down 1 Start\n"
                         "up 1 Start\n"
                         "screen MainMenu frames 5 exit 0\n",
                         "--start-screen");
    EXPECT_EQ(code, 0) << output;
}

} // namespace
