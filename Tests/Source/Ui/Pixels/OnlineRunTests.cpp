// The online entries of the real program in a 640 x 360 window on the simulated clock, over a scratch
// copy of the Assets: the start screen's Back turns it into the dedicated server, and matchmaking
// made a client that Back takes back to the play menu.

#include "Engine/Foundation/File.h"
#include "Tests/ScriptedProgram.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

// A namespace of its own: the program compiles its files in batches.
namespace OnlineRunTests
{

namespace
{

namespace fs = std::filesystem;

class OnlineRun : public Lumvek::Testing::ScriptedProgram
{
protected:
    OnlineRun() : ScriptedProgram("VantorelOnline") {}

    // The scratch role files listen on and join a port of this run's own, so that runs side by side
    // do not meet.
    void UsePort(uint32_t port)
    {
        for (const auto& [file, key] : {std::pair{"Assets/server.config", "HostingPort = 40000"},
                                        std::pair{"Assets/client.config", "MatcherPort = 40000"}})
        {
            std::string text = Lumvek::File::ReadAllText((root / file).string()).second;
            const size_t at = text.find(key);
            ASSERT_NE(at, std::string::npos) << file;
            const std::string name = std::string(key).substr(0, std::string(key).find(" = "));
            text.replace(at, std::string(key).size(), name + " = " + std::to_string(port));
            ASSERT_TRUE(Lumvek::File::WriteAllText((root / file).string(), text));
        }
    }
};

std::string Press(const char* button)
{
    return std::string("down 0 ") + button + "\nup 0 " + button + "\n";
}

TEST_F(OnlineRun, TheStartScreensBackMakesTheDedicatedServerWithItsStatusScreen)
{
    const uint32_t port = 42000 + static_cast<uint32_t>(getpid() % 4000);
    UsePort(port);
    const std::string script = "screen StartScreen frames 10 " + Press("Back") +
                               "screen ConnectingScreen frames 10 screenshot server.png\nexit 0\n";
    const int code = Run(script, "--start-screen --seed 3");
    EXPECT_EQ(code, 0) << output;
    EXPECT_NE(output.find("a dedicated server listens on port " + std::to_string(port)), std::string::npos) << output;
    EXPECT_TRUE(fs::exists(root / "server.png")) << output;
}

TEST_F(OnlineRun, MatchmakingMakesAClientThatBackStopsOnTheWayToThePlayMenu)
{
    UsePort(42000 + static_cast<uint32_t>((getpid() + 1) % 4000));
    const std::string script = "screen StartScreen frames 10 " + Press("Start") + "screen MainMenu frames 10 " +
                               Press("A") + "screen PlayMenu frames 10 " + Press("Left") + "frames 5 " + Press("A") +
                               "screen MatchmakingScreen frames 20 " + Press("B") +
                               "screen PlayMenu frames 10 screenshot play.png\nexit 0\n";
    const int code = Run(script, "--start-screen --seed 3");
    EXPECT_EQ(code, 0) << output;
    EXPECT_TRUE(fs::exists(root / "play.png")) << output;
}

} // namespace

} // namespace OnlineRunTests
