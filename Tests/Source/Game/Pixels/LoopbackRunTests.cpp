// Online play as players meet it: three real programs on the loopback address, each in a 640 x 360
// window of SDL's offscreen driver on its own real clock, over one scratch copy of the Assets. The
// start screen's Back makes one the dedicated server; two clients go through matchmaking, the vote,
// the lobby, a match to its end, the scoreboard, the carnage report and the intermission, and leave
// from matchmaking. Every script step waits for what the program shows; the windows the run depends
// on (the vote, the countdown before the match, the intermission) are many seconds long, where a step
// takes frames, and none decides how many matches are played.

#include "Engine/Foundation/File.h"
#include "Tests/LoopbackMatches.h"
#include "Tests/ScriptedProgram.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace
{

namespace fs = std::filesystem;

class LoopbackRun : public Lumvek::Testing::ScriptedProgram
{
protected:
    LoopbackRun() : ScriptedProgram("VantorelLoopback") {}

    // The settings both roles share, and the server's own. The server keeps to its own clock and waits
    // for no client: each window a client's script must act in is sized for a client of a loaded machine
    // that draws a few frames a second.
    void WriteRoleFiles(const std::string& shared, const std::string& server)
    {
        const uint16_t port = Lumvek::Testing::FreeLoopbackPort();
        ASSERT_NE(port, 0);
        ASSERT_TRUE(Lumvek::File::WriteAllText(
            (root / "Assets/server.config").string(),
            "{ " + shared + " HostingIp = \"127.0.0.1\" HostingPort = " + std::to_string(port) + " " + server + " }"));
        ASSERT_TRUE(Lumvek::File::WriteAllText(
            (root / "Assets/client.config").string(),
            "{ " + shared + " MatcherIp = \"127.0.0.1\" MatcherPort = " + std::to_string(port) + " }"));
    }

    void PlayOnline(const std::string& simulator);
};

std::string Press(const char* button)
{
    return std::string("down 0 ") + button + "\nup 0 " + button + "\n";
}

// Both clients vote for the third option, so that the server's list shows votes no one has by default.
std::string ClientScript(const std::string& tag)
{
    const auto shot = [&](const char* screen, const char* name)
    { return std::string("screen ") + screen + " screenshot " + tag + "-" + name + ".png\n"; };
    std::string script = "screen StartScreen frames 5 " + Press("Start");
    script += "screen MainMenu frames 5 " + Press("A");
    script += "screen PlayMenu frames 5 " + Press("Left") + "frames 2 " + Press("A");
    script += shot("MatchmakingScreen", "matchmaking");
    // The vote's timer is given time to show its seconds.
    script += "screen VotingScreen frames 20 screenshot " + tag + "-vote.png\n";
    script += "screen VotingScreen frames 2 " + Press("Right") + "frames 2 " + Press("A");
    script += shot("GameLobby", "lobby");
    script += shot("GameScreen", "match");
    script += shot("Scoreboard", "scoreboard");
    script += "screen CarnageReport frames 2 " + Press("B");
    script += shot("IntermissionScreen", "intermission");
    script += "screen MatchmakingScreen frames 2 " + Press("B");
    return script + "screen PlayMenu frames 5 exit 0\n";
}

// The number of ink-dark pixels in the left half of the window between two rows.
int DarkPixels(const Lumvek::Testing::Picture& picture, uint32_t top, uint32_t bottom)
{
    int count = 0;
    for (uint32_t y = top; y < bottom && y < picture.height; ++y)
        for (uint32_t x = 0; x < picture.width / 2; ++x)
            count += picture.Brightness(x, y) < 120 ? 1 : 0;
    return count;
}

void LoopbackRun::PlayOnline(const std::string& simulator)
{
    ASSERT_TRUE(Lumvek::Testing::WriteFallMatches(root));
    // The vote begins when a third player comes, a headless client that plays one match and leaves: the
    // two windowed clients are then fewer than MinimumPlayers, so no second vote begins however long
    // they take to leave. The server keeps its own clock and waits for no client: the vote stays open
    // 30 s, in which a client shows it for some twenty frames and votes; once the server has loaded the
    // match itself, its countdown of 20 s lets a client that loads several seconds behind it (6 s on
    // two cores shared with two busy loops) still show the match, which is over within seconds of its
    // start; the intermission lasts 10 s, in which a client leaves the scoreboard and the carnage report.
    WriteRoleFiles(simulator + " EndDuration = 3.0",
                   "MinimumPlayers = 3 MaximumPlayers = 3 ConnectionTimeout = 10.0 VoteDuration = 30.0 "
                   "LoadDuration = 5.0 PrepareDuration = 20.0 IntermissionDuration = 10.0");

    // The server shows its three players, the windowed clients' with their votes; it ends when they have
    // all left it.
    const std::string serverScript = "screen StartScreen frames 5 " + Press("Back") +
                                     "screen ConfiguringScreen shows \"Player: 0, Vote: 2\" "
                                     "shows \"Player: 1, Vote: 2\" frames 5 screenshot server.png\n"
                                     "screen StartScreen frames 5 exit 0\n";
    const auto deadline = std::chrono::steady_clock::now() + Lumvek::Testing::ProgramLimit;
    const pid_t server = Start("server", serverScript, {"--start-screen", "--seed", "3"});
    // The seed is the client's id on the server: the three differ. The headless client comes last, so
    // that the windowed clients' players are 0 and 1.
    const pid_t first = Start("first", ClientScript("first"), {"--start-screen", "--seed", "11"});
    const pid_t second = Start("second", ClientScript("second"), {"--start-screen", "--seed", "12"});
    const auto added = [&]
    {
        const std::string log = OutputOf("server");
        return log.find("adding 1 players") != log.rfind("adding 1 players");
    };
    EXPECT_TRUE(Lumvek::Testing::WaitUntil(added, deadline)) << OutputOf("server");
    const pid_t third = Start("third", "", {"--headless", "--client", "--matches", "1", "--seed", "13"});
    EXPECT_EQ(Lumvek::Testing::WaitForExit(first, deadline), 0) << OutputOf("first");
    EXPECT_EQ(Lumvek::Testing::WaitForExit(second, deadline), 0) << OutputOf("second");
    EXPECT_EQ(Lumvek::Testing::WaitForExit(third, deadline), 0) << OutputOf("third");
    EXPECT_EQ(Lumvek::Testing::WaitForExit(server, deadline), 0) << OutputOf("server");

    const std::string log = OutputOf("server");
    EXPECT_EQ(log.find("configuring"), log.rfind("configuring")) << log;
    const size_t intermission = log.find("intermission");
    ASSERT_NE(intermission, std::string::npos) << log;
    for (const char* tag : {"first", "second"})
    {
        const std::string client = OutputOf(tag);
        EXPECT_NE(client.find("the match Fall"), std::string::npos) << client;
        EXPECT_EQ(client.find("disconnected"), std::string::npos) << client;
        EXPECT_EQ(client.find("could not connect"), std::string::npos) << client;
        // Each left by its own goodbye after the match; a connection lost on the way would show earlier.
        const size_t connecting = client.find("connecting as ");
        ASSERT_NE(connecting, std::string::npos) << client;
        const std::string index = client.substr(connecting + 14, client.find('\n', connecting) - connecting - 14);
        EXPECT_GT(log.find("client " + index + " disconnected"), intermission) << tag << "\n" << log;
        for (const char* shot : {"matchmaking", "vote", "lobby", "match", "scoreboard", "intermission"})
            EXPECT_TRUE(fs::exists(root / (std::string(tag) + "-" + shot + ".png"))) << tag << " " << shot;
    }
    // The vote screen joins the screenshots kept for a person to look at.
    std::error_code error;
    fs::create_directories(fs::path(Lumvek::Testing::BinaryFolder()) / "Screenshots", error);
    fs::copy_file(root / "first-vote.png", fs::path(Lumvek::Testing::BinaryFolder()) / "Screenshots" / "Vote.png",
                  fs::copy_options::overwrite_existing, error);

    // The list starts a quarter down the window, a line every 18 rows: three lines, one under the other.
    const Lumvek::Testing::Picture picture = Lumvek::Testing::ReadPicture(root / "server.png");
    ASSERT_EQ(picture.width, 640u);
    ASSERT_EQ(picture.height, 360u);
    for (uint32_t top : {90u, 108u, 126u})
        EXPECT_GT(DarkPixels(picture, top, top + 18), 50) << top;
    EXPECT_EQ(DarkPixels(picture, 144, 162), 0);
}

TEST_F(LoopbackRun, AWindowedServerAndTwoClientsPlayAMatchAndTheClientsLeaveFromMatchmaking)
{
    PlayOnline("");
}

TEST_F(LoopbackRun, TheSameRunCompletesOverTheSimulatedLossAndLatencyOfTheRoleFiles)
{
    PlayOnline("Simulate = true PacketLoss = 10.0 LatencyAmount = 100.0");
}

// A windowed client of the command line, beside a dedicated server and a headless client, plays as one
// reached by MATCHMAKING: the world under its one game screen, and at most a packet a tick at 25 frames a second.
TEST_F(LoopbackRun, AWindowedClientOfTheCommandLineShowsItsMatchAndSendsAboutAPacketATick)
{
    // One match nobody wins on the shipped map, short waits before it.
    ASSERT_TRUE(
        Lumvek::File::WriteAllText((root / "Assets/Configurations/Configurations.json").string(), R"(["Still"])"));
    ASSERT_TRUE(Lumvek::File::WriteAllText((root / "Assets/Configurations/Still.data").string(),
                                           R"({"Name": "Still", "Map": "Crossroads", "Theme": "Meadow",
        "GameType": "Deathmatch", "TeamCount": 2, "GameTypeSettings": {"PointsToWin": 999}})"));
    WriteRoleFiles(
        "PrepareDuration = 1.0 EndDuration = 1.0",
        "MinimumPlayers = 2 MaximumPlayers = 2 ConnectionTimeout = 0.3 VoteDuration = 0.3 LoadDuration = 5.0");
    // The server and the headless client play no script: each goes by its own role.
    const pid_t server = Start("server", "", {"--server"});
    const pid_t headless = Start("headless", "", {"--headless", "--client", "--seed", "11"});
    const pid_t windowed = Start("windowed", "screen GameScreen frames 300 screenshot windowed-match.png\n",
                                 {"--client", "--seed", "12", "--frame-time", "40"});
    const auto limit = std::chrono::steady_clock::now() + Lumvek::Testing::ProgramLimit;
    const bool shot = Lumvek::Testing::WaitUntil([&] { return fs::exists(root / "windowed-match.png"); }, limit);
    // Ten seconds more of play unless a role ends before, so that the wait before the match weighs little.
    if (shot)
        Lumvek::Testing::WaitUntil([] { return waitpid(-1, nullptr, WNOHANG) != 0; },
                                   std::chrono::steady_clock::now() + std::chrono::seconds(10));
    for (const pid_t role : {windowed, headless, server})
        ::kill(role, SIGINT);
    EXPECT_EQ(Lumvek::Testing::WaitForExit(windowed, limit), 0) << OutputOf("windowed");
    EXPECT_NE(Lumvek::Testing::WaitForExit(headless, limit), -1) << OutputOf("headless");
    EXPECT_EQ(Lumvek::Testing::WaitForExit(server, limit), 0) << OutputOf("server");
    ASSERT_TRUE(shot) << OutputOf("windowed");

    const std::string log = OutputOf("windowed");
    EXPECT_NE(log.find("runs with 1 game screens"), std::string::npos) << log;
    EXPECT_EQ(log.find("runs with 1 game screens"), log.rfind("runs with")) << log;
    // Where the title's paper covered the window, the Meadow's green hills show behind the platforms.
    const Lumvek::Testing::Picture picture = Lumvek::Testing::ReadPicture(root / "windowed-match.png");
    size_t green = 0;
    for (size_t i = 0; i < picture.rgba.size(); i += 4)
        green += picture.rgba[i + 1] > picture.rgba[i] + 40 && picture.rgba[i + 1] > picture.rgba[i + 2] + 40 ? 1 : 0;
    EXPECT_GT(green, picture.rgba.size() / 4 / 5);

    // Its packets against its ticks of play.
    const size_t play = log.find("the client played ");
    ASSERT_NE(play, std::string::npos) << log;
    unsigned long long ticks = 0, sent = 0;
    std::sscanf(log.c_str() + play, "the client played %llu ticks in %*u ms and sent %llu", &ticks, &sent);
    EXPECT_LE(sent, 1.05 * ticks) << log.substr(play);
}

// A windowed client with no server: its player's own BACK while it searches ends the run with 0; a
// player who waits is told on the screen that nothing answered where it looked, and leaving then fails.
TEST_F(LoopbackRun, AWindowedClientWithNoServerSaysWhyOnItsScreenAndItsPlayersOwnBackEndsWithZero)
{
    const uint16_t port = Lumvek::Testing::FreeLoopbackPort();
    ASSERT_TRUE(Lumvek::File::WriteAllText((root / "Assets/client.config").string(),
                                           "{ MatcherIp = \"127.0.0.1\" MatcherPort = " + std::to_string(port) + " }"));
    const auto limit = std::chrono::steady_clock::now() + Lumvek::Testing::ProgramLimit;
    const pid_t left = Start("left", "screen MatchmakingScreen frames 5 " + Press("B"), {"--client"});
    const pid_t told =
        Start("told",
              "screen MatchmakingScreen shows \"NO SERVER ANSWERED AT 127.0.0.1:" + std::to_string(port) +
                  "\" frames 5 screenshot no-server.png\n" + Press("B"),
              {"--client"});
    EXPECT_EQ(Lumvek::Testing::WaitForExit(left, limit), 0) << OutputOf("left");
    EXPECT_NE(OutputOf("left").find("the client ended after 0 matches: its player left"), std::string::npos);
    EXPECT_EQ(Lumvek::Testing::WaitForExit(told, limit), 1) << OutputOf("told");
}

// A local run's match has bots only, so a window has no view of it: the run says so as it starts.
TEST_F(LoopbackRun, AWindowedLocalRunSaysItShowsNoView)
{
    EXPECT_EQ(Run("", "--local Default --seed 3 --ticks 60"), 2) << output;
    EXPECT_NE(output.find("has no local player, so the window shows no view of it"), std::string::npos) << output;
}

} // namespace
