// The Vantorel program with the tools on, in a 640 x 360 window of SDL's offscreen driver on
// llvmpipe, driven by a test script of pad, mouse and key steps from a scratch application folder.

#include "Engine/Foundation/File.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{

namespace fs = std::filesystem;

struct Picture
{
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;

    const uint8_t* At(uint32_t x, uint32_t y) const { return &rgba[(size_t(y) * width + x) * 4]; }
    int Brightness(uint32_t x, uint32_t y) const { return (At(x, y)[0] + At(x, y)[1] + At(x, y)[2]) / 3; }
};

bool ReadPicture(const fs::path& path, Picture& picture)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGBA;
    picture.width = image.width;
    picture.height = image.height;
    picture.rgba.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr) != 0;
}

class ToolsProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* program = std::getenv("VANTOREL_PROGRAM");
        ASSERT_NE(program, nullptr) << "VANTOREL_PROGRAM names the program under test";
        static std::atomic<unsigned> counter{0};
        root = fs::temp_directory_path() /
               ("VantorelTools-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
        fs::create_directories(root);
        fs::copy(fs::path(Lumvek::Testing::SourceFolder()) / "Assets", root / "Assets", fs::copy_options::recursive);
        fs::copy_file(program, root / "Vantorel");
    }
    void TearDown() override
    {
        std::error_code error;
        fs::remove_all(root, error);
    }

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

TEST_F(ToolsProgram, TheGuiTabPicksADemoMenuButtonAndShowsItInTheTree)
{
    // The editor list stands at (10, 10): its second toggle, "Gui", at (27, 69). The single player
    // button's icon lies at (213, 180).
    const int code = Run("screen DemoStartScreen frames 10 down 0 Start\n"
                         "up 0 Start\n"
                         "screen DemoMenu frames 10 move 27 69\n"
                         "mousedown Left\n"
                         "mouseup Left\n"
                         "frames 5 move 213 180\n"
                         "mousedown Left\n"
                         "mouseup Left\n"
                         "frames 2 screenshot tools.png\n"
                         "exit 0\n",
                         "--tools");
    ASSERT_EQ(code, 0) << output;
    // The tools' resources, the icon sheet among them, all load.
    for (const char* failure : {"did not load", "not found", "cannot", "could not", "does not exist", "not compiled"})
        EXPECT_EQ(output.find(failure), std::string::npos) << output;
    Picture picture;
    ASSERT_TRUE(ReadPicture(root / "tools.png", picture)) << output;
    std::error_code error;
    fs::copy_file(root / "tools.png", fs::path(Lumvek::Testing::BinaryFolder()) / "ToolsDemoMenu.png",
                  fs::copy_options::overwrite_existing, error);
    ASSERT_EQ(picture.width, 640u);
    ASSERT_EQ(picture.height, 360u);

    // The editor list's title bar: light letters on the dark title colour, and opaque.
    int darkest = 255, lightest = 0;
    for (uint32_t y = 12; y < 28; ++y)
        for (uint32_t x = 28; x < 80; ++x)
        {
            darkest = std::min(darkest, picture.Brightness(x, y));
            lightest = std::max(lightest, picture.Brightness(x, y));
            EXPECT_EQ(picture.At(x, y)[3], 255) << x << " " << y;
        }
    EXPECT_LT(darkest, 40);
    EXPECT_GT(lightest, 200);

    // The Gui tab opened on the right, and its tree holds a selected row (the header colour, blue
    // over the dark window) below the menu's nodes.
    bool selectedRow = false;
    for (uint32_t y = 60; y < 300 && !selectedRow; ++y)
    {
        const uint8_t* pixel = picture.At(600, y);
        selectedRow = pixel[2] > pixel[0] + 30 && pixel[2] > 70;
    }
    EXPECT_TRUE(selectedRow) << output;
}

TEST_F(ToolsProgram, WithoutTheOptionNothingOfTheToolsRuns)
{
    const int code = Run("screen DemoStartScreen frames 10 down 0 Start\n"
                         "up 0 Start\n"
                         "screen DemoMenu frames 5 screenshot plain.png\n"
                         "exit 0\n",
                         "");
    ASSERT_EQ(code, 0) << output;
    EXPECT_EQ(output.find("ToolsIcons"), std::string::npos) << output;
    Picture picture;
    ASSERT_TRUE(ReadPicture(root / "plain.png", picture));
    // No editor list over the demo menu's paper.
    EXPECT_GT(picture.Brightness(60, 19), 200);
}

} // namespace
