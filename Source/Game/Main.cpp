// The program entry: reads the command line, starts the application on the SDL host with the game's
// system and the engine's Gui, and pumps the window's events until the application has ended.
//
// Exit codes: 0 when the program was closed or interrupted (SIGINT, SIGTERM), after --help, when a local
// match ended and its journal was written, or when a server or client played its --matches;
// 1 for a bad command line or configuration; 2 when --ticks ran out before the match ended; 3 when the
// match ended but its journal could not be written.

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Engine/Runtime/Gui/Gui.h"
#include "Engine/Runtime/Sdl/SdlApplication.h"
#include "Source/Game/HashLog.h"
#include "Source/Game/LaunchOptions.h"
#include "Source/Game/Script.h"
#include "Source/Game/Vantorel.h"
#include "Source/Tools/Tools.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    LaunchOptions options;
    std::string error;
    if (!ParseLaunchOptions(arguments, options, error))
    {
        std::fprintf(stderr, "Vantorel: %s\n%s\n", error.c_str(), LaunchUsage());
        return 1;
    }
    // Asked for, the usage is the program's output rather than a complaint.
    if (options.help)
    {
        std::printf("%s\n", LaunchUsage());
        return 0;
    }
    std::unique_ptr<HashLog> hashLog;
    if (!options.hashLogPath.empty() && !(hashLog = HashLog::Open(options.hashLogPath, error)))
    {
        std::fprintf(stderr, "Vantorel: %s\n", error.c_str());
        return 1;
    }

    Lumvek::ApplicationConfig config;
    config.musicVolume = 1.0f;
    config.soundVolume = 1.0f;
    config.effectVolume = 1.0f;
    config.scale = 1.0f;
    config.multisampleCount = 8;
    config.width = options.windowWidth != 0 ? options.windowWidth : 1920;
    config.height = options.windowHeight != 0 ? options.windowHeight : 1080;
    config.headless = options.headless;
    // The menus and the tools animate on the same simulated clock as the match.
    if (options.fixedStep)
        config.fixedStep = Vantorel_::StepLength;

    std::unique_ptr<Lumvek::SdlApplication> application = Lumvek::SdlApplication::Create("Vantorel", config);
    application->GetFileManager().RegisterFormats();
    Lumvek::RegisterRuntimeFormats(application->GetFileManager());
    // Installed after the host's own, so that an interrupt reaches the game, which stops its network
    // role cleanly before the program ends.
    struct sigaction action = {};
    action.sa_handler = [](int) { Vantorel_::Interrupt(); };
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    auto game = std::make_unique<Vantorel_>(options, std::move(hashLog));
    const LoadStatus& load = game->load;
    application->AddSystem(std::move(game));
    application->AddSystem(std::make_unique<Lumvek::Gui>());
    // After the Gui, so that the tools draw above the menus.
    if (options.tools && !options.headless)
        application->AddSystem(std::make_unique<Tools>());
    if (!options.scriptPath.empty())
    {
        auto [read, text] = Lumvek::File::ReadAllText(options.scriptPath);
        if (!read)
            Lumvek::Log::Write("the script {} cannot be read: no steps are played", options.scriptPath);
        application->AddSystem(std::make_unique<ScriptRunner>(ParseScript(text), load));
    }
    application->Run();
    const int32_t exitCode = application->MessageLoop();
    application.reset();
    return exitCode;
}
