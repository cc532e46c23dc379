#pragma once

// The Vantorel program itself in a 640 x 360 window of SDL's offscreen driver, driven by a test
// script on the simulated clock (or, for programs that run side by side, on the real one), from a
// scratch application folder outside the checkout; and the screenshots it writes, read back as pixels.

#include "Engine/Foundation/File.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>
#include <png.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

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

// The exit code of a started program, or -1 when it did not exit by itself: one still running at
// the deadline is killed, so that a run that hangs fails instead of holding the tests up.
inline int WaitForExit(pid_t child, std::chrono::steady_clock::time_point deadline)
{
    if (child < 0)
        return -1;
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline)
    {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (done < 0)
            return -1;
        ::usleep(20'000);
    }
    ::kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return -1;
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

    // The demo's start screen, its menu and SINGLE PLAYER, each confirmed: a script that goes on from
    // here starts in the single-player challenge as it loads.
    static constexpr const char* IntoDemoSinglePlayer = "screen DemoStartScreen frames 10 down 0 Start\n"
                                                        "up 0 Start\n"
                                                        "screen DemoMenu frames 5 down 0 A\n"
                                                        "up 0 A\n"
                                                        "screen DemoSinglePlayer frames 10 down 0 A\n"
                                                        "up 0 A\n";

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

    // Starts the program in the folder on the real clock, with the script written to <tag>.script and
    // the options, its output into <tag>.txt; its process id, or -1. Each program of a run that goes
    // side by side with others keeps its own time, where simulated clocks would drift apart.
    pid_t Start(const std::string& tag, const std::string& script, const std::vector<std::string>& options)
    {
        if (!File::WriteAllText((root / (tag + ".script")).string(), script))
            return -1;
        std::vector<std::string> words{(root / "Vantorel").string(), "--window", "640x360", "--script",
                                       tag + ".script"};
        words.insert(words.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        // Every window its own, never paused for want of focus; no sound device.
        std::vector<std::string> variables{"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy",
                                           "ASAN_OPTIONS=detect_leaks=0"};
        for (char** variable = environ; *variable; ++variable)
        {
            const std::string entry = *variable;
            const std::string key = entry.substr(0, entry.find('=') + 1);
            if (key != "SDL_VIDEODRIVER=" && key != "SDL_AUDIODRIVER=" && key != "ASAN_OPTIONS=")
                variables.push_back(entry);
        }
        std::vector<char*> envp;
        for (std::string& variable : variables)
            envp.push_back(variable.data());
        envp.push_back(nullptr);

        const std::string outputFile = (root / (tag + ".txt")).string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, root.c_str());
        posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        pid_t child = 0;
        const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        return spawned == 0 ? child : -1;
    }
    // What a started program wrote, by its tag.
    std::string OutputOf(const std::string& tag) const
    {
        return File::ReadAllText((root / (tag + ".txt")).string()).second;
    }

    const std::string name;
    std::filesystem::path root;
    std::string output;
};

} // namespace Lumvek::Testing
