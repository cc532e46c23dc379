#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// What the program's command line asks for.
struct LaunchOptions
{
    // The usage is asked for: the program prints it and ends, whatever else the line holds.
    bool help = false;
    // No window, sound, screens or renderer; a local match then runs on a simulated clock, one tick a
    // frame, as fast as the machine allows.
    bool headless = false;
    // The configuration a local match is played with at once, by its name in the registry; empty for
    // the front end.
    std::string localConfiguration;
    // Seeds every generator of the game; without it they are seeded from the clock.
    std::optional<uint32_t> seed;
    // The match's ticks after which the program gives up; 0 for no limit.
    uint64_t tickLimit = 0;
    // Where a line with the world's hash goes after every tick of the match; empty for nowhere.
    std::string hashLogPath;
    // A dedicated server from Assets/server.config (always headless), or a client that joins the
    // server of Assets/client.config; at most one of them, and neither with --local.
    bool server = false;
    bool client = false;
    // The matches a server or client plays before it ends with exit code 0; 0 to go on for ever.
    uint64_t matchLimit = 0;
    // The splash leads to the full game's start screen instead of the demo's title.
    bool startScreen = false;
    // The in-game editors and inspectors run over the game.
    bool tools = false;
    // Test hooks: a script of steps to play against the program, and the simulated clock of one tick
    // of 1/60 s a frame.
    std::string scriptPath;
    bool fixedStep = false;
    // Test hook: every frame lasts at least this many milliseconds, as on a slow machine; 0 for none.
    uint32_t frameMilliseconds = 0;
    // The window's size in pixels; 0 for the program's own.
    uint32_t windowWidth = 0;
    uint32_t windowHeight = 0;
};

// The options of the arguments that follow the program's name. False, with error describing the first
// argument that is wrong, for an unknown option, a missing or malformed value, an option given twice,
// --ticks and --hash-log without --local, --server with --client or --local, --matches without a role,
// a window size that is not <width>x<height> of 1 to 16384, or a frame time that is not 1 to 1000 ms.
// True at once with help set at --help or -h, unless an argument before it was wrong.
bool ParseLaunchOptions(std::span<const std::string> arguments, LaunchOptions& options, std::string& error);

// What the program accepts, one option a line, for the message about a bad command line.
const char* LaunchUsage();
