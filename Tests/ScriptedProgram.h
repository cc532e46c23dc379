#pragma once

// The Vantorel program itself in a 640 x 360 window of SDL's offscreen driver, driven by a test
// script on the simulated clock (or, for programs that run side by side, on the real one), from a
// scratch application folder outside the checkout; and the screenshots it writes, read back as pixels.
//
// What a test waits for is what it checks: a script step waits for a screen, a load state or a text
// shown, and a test for a line the program logged. Time limits only end a run that hangs, and are
// generous, so that a loaded machine makes a run slower but never makes it fail.

#include "Engine/Foundation/File.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>
#include <png.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace Lumvek::Testing
{

// How long one run of the program may take before it counts as hung and is killed.
inline constexpr std::chrono::minutes ProgramLimit{10};

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

// The test process's environment with the given variables ("NAME=value") put in place of their own.
inline std::vector<std::string> EnvironmentWith(const std::vector<std::string>& variables)
{
    std::vector<std::string> environment = variables;
    for (char** variable = environ; *variable; ++variable)
    {
        const std::string entry = *variable;
        const std::string key = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const std::string& given : variables)
            replaced = replaced || given.compare(0, key.size(), key) == 0;
        if (!replaced)
            environment.push_back(entry);
    }
    return environment;
}

// Starts the program named by the first word with the others as its arguments, in the folder, with
// the environment, its output and errors into the file; its process id, or -1. The program dies with
// the test process, so that a test killed at its time-out leaves no program running behind it.
inline pid_t Spawn(std::vector<std::string> words, const std::filesystem::path& folder,
                   std::vector<std::string> environment, const std::filesystem::path& output)
{
    if (words.empty())
        return -1;
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    const std::string directory = folder.string();
    const std::string outputFile = output.string();
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    // The child: only calls that are safe between fork and exec.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent || ::chdir(directory.c_str()) != 0)
        ::_exit(127);
    const int file = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (file < 0 || ::dup2(file, 1) < 0 || ::dup2(file, 2) < 0)
        ::_exit(127);
    ::close(file);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
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

// Whether the condition held by the deadline; it is checked every 20 ms. For what a running program
// writes, such as a line of its log.
template <class Condition> bool WaitUntil(Condition condition, std::chrono::steady_clock::time_point deadline)
{
    for (;;)
    {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        ::usleep(20'000);
    }
}

// Removes the scratch folders "<name>-<process id>-<count>" of the temporary folder whose test
// process has gone: a test killed at its time-out never reaches its TearDown. Folders of processes
// still running, such as tests of a parallel run, are left alone.
inline void RemoveLeftovers(const std::string& name)
{
    const std::string prefix = name + "-";
    std::vector<std::filesystem::path> leftovers;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(std::filesystem::temp_directory_path(), error), end;
         !error && entry != end; entry.increment(error))
    {
        const std::string folder = entry->path().filename().string();
        if (folder.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string rest = folder.substr(prefix.size());
        const size_t dash = rest.find('-');
        if (dash == 0 || dash == std::string::npos || dash > 9 || rest.size() == dash + 1 ||
            rest.find_first_not_of("0123456789-") != std::string::npos)
            continue;
        const pid_t owner = static_cast<pid_t>(std::stol(rest.substr(0, dash)));
        if (owner > 0 && ::kill(owner, 0) != 0 && errno == ESRCH)
            leftovers.push_back(entry->path());
    }
    for (const std::filesystem::path& folder : leftovers)
        std::filesystem::remove_all(folder, error);
}

// Each test gets a fresh folder named after the suite, with a copy of the checkout's Assets and of
// the program named by VANTOREL_PROGRAM; the folder is removed afterwards, and what a killed run of
// the suite left is removed before.
class ScriptedProgram : public ::testing::Test
{
protected:
    explicit ScriptedProgram(std::string name) : name(std::move(name)) {}

    void SetUp() override
    {
        const char* program = std::getenv("VANTOREL_PROGRAM");
        ASSERT_NE(program, nullptr) << "VANTOREL_PROGRAM names the program under test";
        RemoveLeftovers(name);
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

    // Runs the program on the simulated clock with the script and the options (words separated by
    // blanks) in a window of that size; returns its exit code, or -1 when it had to be killed, and
    // keeps its output.
    int Run(const std::string& script, const std::string& options, const std::string& window = "640x360")
    {
        EXPECT_TRUE(File::WriteAllText((root / "run.script").string(), script));
        std::vector<std::string> words{
            (root / "Vantorel").string(), "--window", window, "--fixed-step", "--script", "run.script"};
        std::istringstream extra(options);
        for (std::string word; extra >> word;)
            words.push_back(word);
        const pid_t child =
            Spawn(std::move(words), root, EnvironmentWith({"ASAN_OPTIONS=detect_leaks=0", "SDL_AUDIODRIVER=dummy"}),
                  root / "output.txt");
        const int code = WaitForExit(child, std::chrono::steady_clock::now() + ProgramLimit);
        output = File::ReadAllText((root / "output.txt").string()).second;
        return code;
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
        // Every window its own, never paused for want of focus; no sound device.
        return Spawn(
            std::move(words), root,
            EnvironmentWith({"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy", "ASAN_OPTIONS=detect_leaks=0"}),
            root / (tag + ".txt"));
    }
    // What a started program wrote, by its tag.
    std::string OutputOf(const std::string& tag) const
    {
        return File::ReadAllText((root / (tag + ".txt")).string()).second;
    }
    // Whether the started program of the tag logged the text before the limit.
    bool WaitForOutput(const std::string& tag, const std::string& text) const
    {
        return WaitUntil([&] { return OutputOf(tag).find(text) != std::string::npos; },
                         std::chrono::steady_clock::now() + ProgramLimit);
    }

    const std::string name;
    std::filesystem::path root;
    std::string output;
};

} // namespace Lumvek::Testing
