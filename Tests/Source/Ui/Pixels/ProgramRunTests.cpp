// The Vantorel program itself in a 640 x 360 window of SDL's offscreen driver, driven by a test
// script on the simulated clock, from a scratch application folder outside the checkout.

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/File.h"
#include "Engine/Foundation/Json.h"
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

TEST_F(ProgramRun, TheNotebookMakesALoadoutActiveEquipsACoreAndCraftsAHead)
{
    // The shipped profile knows every part it owns; here it also knows the oxygen mask without owning
    // it, and has the 50 ink that mask costs.
    const std::string profilePath = (root / "Assets" / "player1.profile").string();
    std::string profile = Lumvek::File::ReadAllText(profilePath).second;
    const size_t heads = profile.find("\"Heads\": {");
    ASSERT_NE(heads, std::string::npos);
    profile.insert(heads + 10, "\"OxygenMask\": {\"Unlocked\": false}, ");
    ASSERT_TRUE(Lumvek::File::WriteAllText(profilePath, profile));

    const auto tap = [](const char* button, int frames)
    { return "frames " + std::to_string(frames) + " down 0 " + button + "\nup 0 " + button + "\n"; };
    std::string script = "screen StartScreen frames 10 down 0 Start\nup 0 Start\n"
                         "screen MainMenu frames 10 down 0 Left\nup 0 Left\n";
    script += tap("A", 5);
    // The strip slides on the Gui's wall clock, and frames without a match come quickly: each move is
    // given ample frames to come to rest before the next button.
    script += "screen LoadoutsScreen " + tap("Right", 10) + tap("Right", 60) + tap("X", 60) + tap("A", 5);
    // CORE: the breastplate (second card), owned: equip.
    script += "screen Notebook " + tap("RightBumper", 10) + tap("Right", 5) + tap("A", 5);
    // HEAD: the oxygen mask (third card), known: view, craft, equip, back.
    script += tap("LeftBumper", 5) + tap("Right", 5) + tap("Right", 5) + tap("X", 5);
    script += "screen CardView " + tap("Y", 10) + tap("A", 5) + tap("B", 5);
    script += "screen Notebook frames 30 screenshot notebook.png\nexit 0\n";
    const int code = Run(script, "--start-screen");
    EXPECT_EQ(code, 0) << output;
    EXPECT_TRUE(fs::exists(root / "notebook.png")) << output;
    std::error_code error;
    fs::copy_file(root / "notebook.png",
                  fs::path(Lumvek::Testing::BinaryFolder()) / "UiPixelTests" / "ProgramNotebook.png",
                  fs::copy_options::overwrite_existing, error);

    Lumvek::Blueprint saved;
    ASSERT_TRUE(Lumvek::JsonFormat::LoadBlueprint(Lumvek::File::ReadAllText(profilePath).second, saved)) << output;
    const auto& file = saved.GetObject();
    EXPECT_EQ(file.Find("ActiveLoadout")->GetUnsignedInteger(), 2u);
    EXPECT_EQ(file.Find("Ink")->GetUnsignedInteger(), 0u);
    const auto& scout = file.Find("Loadouts")->GetElement(2).GetObject();
    EXPECT_EQ(scout.Find("Core")->GetString(), Lumvek::StringView("Breastplate"));
    EXPECT_EQ(scout.Find("Head")->GetString(), Lumvek::StringView("OxygenMask"));
    const Lumvek::Blueprint* mask = file.Find("Heads")->GetObject().Find("OxygenMask");
    ASSERT_NE(mask, nullptr);
    EXPECT_TRUE(mask->GetObject().Find("Unlocked")->GetBoolean());
}

} // namespace
