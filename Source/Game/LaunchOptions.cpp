#include "Source/Game/LaunchOptions.h"

#include <charconv>
#include <limits>

namespace
{

// A whole decimal number of at most largest, without sign, space or anything after it.
bool ParseNumber(const std::string& text, uint64_t largest, uint64_t& value)
{
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return false;
    const char* end = text.data() + text.size();
    const auto [last, result] = std::from_chars(text.data(), end, value);
    return result == std::errc() && last == end && value <= largest;
}

} // namespace

bool ParseLaunchOptions(std::span<const std::string> arguments, LaunchOptions& options, std::string& error)
{
    bool seen[14] = {};
    const auto once = [&](uint32_t option, const std::string& name)
    {
        if (seen[option])
        {
            error = name + " is given twice";
            return false;
        }
        seen[option] = true;
        return true;
    };

    for (size_t index = 0; index < arguments.size(); ++index)
    {
        const std::string& name = arguments[index];
        if (name == "--help" || name == "-h")
        {
            options.help = true;
            return true;
        }
        if (name == "--headless")
        {
            if (!once(0, name))
                return false;
            options.headless = true;
            continue;
        }
        if (name == "--server" || name == "--client")
        {
            if (!once(name == "--server" ? 5 : 6, name))
                return false;
            (name == "--server" ? options.server : options.client) = true;
            continue;
        }

        if (name == "--fixed-step")
        {
            if (!once(11, name))
                return false;
            options.fixedStep = true;
            continue;
        }
        if (name == "--tools")
        {
            if (!once(12, name))
                return false;
            options.tools = true;
            continue;
        }
        if (name == "--start-screen")
        {
            if (!once(8, name))
                return false;
            options.startScreen = true;
            continue;
        }

        const bool takesValue = name == "--local" || name == "--seed" || name == "--ticks" || name == "--hash-log" ||
                                name == "--matches" || name == "--window" || name == "--script" ||
                                name == "--frame-time";
        if (!takesValue)
        {
            error = "unknown option " + name;
            return false;
        }
        if (index + 1 >= arguments.size() || arguments[index + 1].empty())
        {
            error = name + " needs a value";
            return false;
        }
        const std::string& value = arguments[++index];
        uint64_t number = 0;
        if (name == "--local")
        {
            if (!once(1, name))
                return false;
            options.localConfiguration = value;
        }
        else if (name == "--seed")
        {
            if (!once(2, name))
                return false;
            if (!ParseNumber(value, std::numeric_limits<uint32_t>::max(), number))
            {
                error = "--seed takes a whole number from 0 to 4294967295, not " + value;
                return false;
            }
            options.seed = static_cast<uint32_t>(number);
        }
        else if (name == "--ticks")
        {
            if (!once(3, name))
                return false;
            if (!ParseNumber(value, std::numeric_limits<uint64_t>::max(), number) || number == 0)
            {
                error = "--ticks takes a whole number of ticks above 0, not " + value;
                return false;
            }
            options.tickLimit = number;
        }
        else if (name == "--matches")
        {
            if (!once(7, name))
                return false;
            if (!ParseNumber(value, std::numeric_limits<uint64_t>::max(), number) || number == 0)
            {
                error = "--matches takes a whole number of matches above 0, not " + value;
                return false;
            }
            options.matchLimit = number;
        }
        else if (name == "--script")
        {
            if (!once(10, name))
                return false;
            options.scriptPath = value;
        }
        else if (name == "--frame-time")
        {
            if (!once(13, name))
                return false;
            if (!ParseNumber(value, 1000, number) || number == 0)
            {
                error = "--frame-time takes a whole number of milliseconds from 1 to 1000, not " + value;
                return false;
            }
            options.frameMilliseconds = static_cast<uint32_t>(number);
        }
        else if (name == "--window")
        {
            if (!once(9, name))
                return false;
            const size_t cross = value.find('x');
            uint64_t width = 0;
            uint64_t height = 0;
            if (cross == std::string::npos || !ParseNumber(value.substr(0, cross), 16384, width) ||
                !ParseNumber(value.substr(cross + 1), 16384, height) || width == 0 || height == 0)
            {
                error = "--window takes <width>x<height>, each from 1 to 16384, not " + value;
                return false;
            }
            options.windowWidth = static_cast<uint32_t>(width);
            options.windowHeight = static_cast<uint32_t>(height);
        }
        else
        {
            if (!once(4, name))
                return false;
            options.hashLogPath = value;
        }
    }

    // One machine plays one role.
    if (options.server + options.client + !options.localConfiguration.empty() > 1)
    {
        error = options.server && options.client ? "--server and --client exclude each other"
                                                 : "--local excludes --server and --client";
        return false;
    }
    if (options.matchLimit != 0 && !options.server && !options.client)
    {
        error = "--matches needs --server or --client";
        return false;
    }

    // A dedicated server has nobody in front of it: no window, sound or screens.
    if (options.server)
        options.headless = true;

    // Without a local match nothing is stepped for them to apply to.
    if (options.localConfiguration.empty() && (options.tickLimit != 0 || !options.hashLogPath.empty()))
    {
        error = options.tickLimit != 0 ? "--ticks needs --local" : "--hash-log needs --local";
        return false;
    }
    return true;
}

const char* LaunchUsage()
{
    return "usage: Vantorel [--headless] [--local <configuration> [--seed <n>] [--ticks <n>] [--hash-log <file>]]\n"
           "       Vantorel [--headless] (--server | --client) [--matches <n>] [--seed <n>]\n"
           "               [--start-screen] [--tools] [--window <width>x<height>] [--script <file>] [--fixed-step]\n"
           "               [--frame-time <ms>]\n"
           "  --help, -h                prints this and ends with exit code 0\n"
           "  --headless                no window, sound or screens; a local match runs as fast as it can\n"
           "  --local <configuration>   plays a local match of the named game configuration\n"
           "  --seed <n>                seeds every random generator of the game (0 to 4294967295)\n"
           "  --ticks <n>               gives up after n ticks of the match, with exit code 2\n"
           "  --hash-log <file>         writes the world's hash after every tick of the match, a line a tick\n"
           "  --server                  runs a dedicated server from Assets/server.config, always headless\n"
           "  --client                  joins the server of Assets/client.config with one local player\n"
           "  --matches <n>             a server or client ends with exit code 0 after n matches\n"
           "  --start-screen            the splash leads to the full game's start screen, not the demo's\n"
           "  --tools                   opens the in-game editors and inspectors over the game\n"
           "  --window <width>x<height> the window's size in pixels (a test hook; 1920x1080 without it)\n"
           "  --script <file>           plays the test script's steps against the program (a test hook)\n"
           "  --fixed-step              one tick of 1/60 s a frame instead of the wall clock (a test hook)\n"
           "  --frame-time <ms>         every frame lasts at least that long, as on a slow machine (a test hook)\n"
           "The menus need a game controller: no menu answers the keyboard or the mouse, which play only in the\n"
           "match of a windowed --client without a controller (docs/matches.md lists the keys).\n"
           "Exit codes: 0 done (also --help, the window closed, an interrupt, or a client's player left by QUIT\n"
           "or BACK); 1 a bad command line or configuration, or a server or client that stopped before its\n"
           "matches; 2 --ticks ran out; 3 the match's journal could not be written; 4 a client whose\n"
           "configurations differ from its server's";
}
