#pragma once

// The Vantorel program itself in a 640 x 360 window of SDL's offscreen driver, driven by a test
// script on the simulated clock, from a scratch application folder outside the checkout; and the
// screenshots it writes, read back as pixels.

#include "Engine/Foundation/File.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>
#include <png.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace Lumvek::Testing
{

// A PNG the program wrote, as rows of RGBA bytes; empty when it cannot be read.
struct Picture
{
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;

    const uint8_t* At(uint32_t x, uint32_t y) const { return &rgba[(size_t(y) * width + x) * 4]; }
    int Brightness(uint32_t x, uint32_t y) const { return (At(x, y)[0] + At(x, y)[1] + At(x, y)[2]) / 3; }
};

inline Picture ReadPicture(const std::filesystem::path& file)
{
    Picture picture;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, file.c_str()))
        return picture;
    png.format = PNG_FORMAT_RGBA;
    picture.rgba.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, picture.rgba.data(), 0, nullptr))
        return {};
    picture.width = png.width;
    picture.height = png.height;
    return picture;
}

// Each test gets a fresh folder named after the suite, with a copy of the checkout's Assets and of
// the program named by VANTOREL_PROGRAM; the folder is removed afterwards.
class ScriptedProgram : public ::testing::Test
{
protected:
    explicit ScriptedProgram(std::string name) : name(std::move(name)) {}

    void SetUp() override
    {
        const char* program = std::getenv("VANTOREL_PROGRAM");
        ASSERT_NE(program, nullptr) << "VANTOREL_PROGRAM names the program under test";
        static std::atomic<unsigned> counter{0};
        root = std::filesystem::temp_directory_path() /
               (name + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
        std::filesystem::create_directories(root);
        std::filesystem::copy(std::filesystem::path(SourceFolder()) / "Assets", root / "Assets",
                              std::filesystem::copy_options::recursive);
        std::filesystem::copy_file(program, root / "Vantorel");
    }
    void TearDown() override
    {
        std::error_code error;
        std::filesystem::remove_all(root, error);
    }

    // Runs the program with the script and the options in a window of that size; returns its exit
    // code and keeps its output.
    int Run(const std::string& script, const std::string& options, const std::string& window = "640x360")
    {
        EXPECT_TRUE(File::WriteAllText((root / "run.script").string(), script));
        const std::string command = "cd '" + root.string() +
                                    "' && ASAN_OPTIONS=detect_leaks=0 SDL_AUDIODRIVER=dummy timeout 120 ./Vantorel "
                                    "--window " +
                                    window + " --fixed-step --script run.script " + options + " > output.txt 2>&1";
        const int status = std::system(command.c_str());
        output = File::ReadAllText((root / "output.txt").string()).second;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    const std::string name;
    std::filesystem::path root;
    std::string output;
};

} // namespace Lumvek::Testing
