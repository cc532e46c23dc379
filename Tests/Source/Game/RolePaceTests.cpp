// A dedicated server and two headless clients, three Vantorel programs on the loopback address, play on
// the real clock: the match runs at the clock's rate and each role sends about one packet a tick.

#include "Tests/LoopbackMatches.h"
#include "Tests/ScriptedProgram.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

class RolePace : public Lumvek::Testing::ScriptedProgram
{
protected:
    RolePace() : ScriptedProgram("VantorelRolePace") {}

    // The headless program with the options, its output into <tag>.txt; its process id, or -1.
    pid_t StartHeadless(const std::string& tag, const std::vector<std::string>& options)
    {
        std::vector<std::string> words{(root / "Vantorel").string(), "--headless"};
        words.insert(words.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        const std::string outputFile = (root / (tag + ".txt")).string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, root.c_str());
        posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        pid_t child = 0;
        const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        return spawned == 0 ? child : -1;
    }
    // Polls the outputs until every tag's holds its text, or the deadline passes.
    bool WaitForLines(const std::vector<std::pair<std::string, std::string>>& lines, Clock::time_point deadline)
    {
        while (Clock::now() < deadline)
        {
            bool all = true;
            for (const auto& [tag, text] : lines)
                all = all && OutputOf(tag).find(text) != std::string::npos;
            if (all)
                return true;
            ::usleep(50'000);
        }
        return false;
    }
    // The two counts of the first line of the output that starts with the words of the format (the rest
    // of it for sscanf); empty when there is none.
    std::vector<double> Figures(const std::string& tag, const std::string& words, const char* format) const
    {
        const std::string text = OutputOf(tag);
        const size_t at = text.find(words);
        unsigned long long a = 0;
        unsigned long long b = 0;
        if (at == std::string::npos || std::sscanf(text.c_str() + at + words.size(), format, &a, &b) != 2)
            return {};
        return {static_cast<double>(a), static_cast<double>(b)};
    }
};

} // namespace

// Twenty seconds of a match between idle players, then an interrupt to every role. Loose bounds, so
// that a loaded machine of two cores passes: 50 to 70 ticks a second, and at most 2.5 packets a tick
// each way per client, counted from the first connection (the vote and the load included).
TEST_F(RolePace, AServerAndTwoHeadlessClientsPlayAtTheClocksRateAndSendAboutAPacketATick)
{
    const uint16_t port = Lumvek::Testing::FreeLoopbackPort();
    ASSERT_NE(port, 0);
    // Nobody scores: the match lasts until it is interrupted.
    ASSERT_TRUE(
        Lumvek::File::WriteAllText((root / "Assets/Configurations/Configurations.json").string(), R"(["Still"])"));
    ASSERT_TRUE(Lumvek::File::WriteAllText((root / "Assets/Configurations/Still.data").string(),
                                           R"({"Name": "Still", "Map": "Crossroads", "Theme": "Meadow",
        "GameType": "Deathmatch", "TeamCount": 2, "Loadout": {"StartingWeapon": "Rifle"},
        "GameTypeSettings": {"PointsToWin": 999}})"));
    const std::string durations = "PrepareDuration = 0.3 EndDuration = 0.3 ";
    ASSERT_TRUE(Lumvek::File::WriteAllText(
        (root / "Assets/server.config").string(),
        "{ " + durations + "HostingIp = \"127.0.0.1\" HostingPort = " + std::to_string(port) +
            " MinimumPlayers = 2 MaximumPlayers = 2 ConnectionTimeout = 0.3 VoteDuration = 0.3 LoadDuration = 0.3 }"));
    ASSERT_TRUE(Lumvek::File::WriteAllText(
        (root / "Assets/client.config").string(),
        "{ " + durations + "MatcherIp = \"127.0.0.1\" MatcherPort = " + std::to_string(port) + " }"));

    const pid_t server = StartHeadless("server", {"--server", "--seed", "3"});
    const pid_t first = StartHeadless("first", {"--client", "--seed", "11"});
    const pid_t second = StartHeadless("second", {"--client", "--seed", "12"});
    const std::string running = "the match Still runs with 0 game screens";
    const bool playing = WaitForLines({{"server", running}, {"first", running}, {"second", running}},
                                      Clock::now() + std::chrono::seconds(60));
    EXPECT_TRUE(playing) << OutputOf("server") << OutputOf("first") << OutputOf("second");
    // Twenty seconds of play, unless a role ends first.
    const Clock::time_point played = Clock::now() + std::chrono::seconds(20);
    int status = 0;
    while (playing && Clock::now() < played)
    {
        ASSERT_EQ(waitpid(-1, &status, WNOHANG), 0) << "a role ended during play";
        ::usleep(100'000);
    }
    for (const pid_t role : {server, first, second})
        ::kill(role, SIGINT);
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(30);
    EXPECT_EQ(Lumvek::Testing::WaitForExit(server, deadline), 0) << OutputOf("server");
    EXPECT_NE(Lumvek::Testing::WaitForExit(first, deadline), -1) << OutputOf("first");
    EXPECT_NE(Lumvek::Testing::WaitForExit(second, deadline), -1) << OutputOf("second");
    ASSERT_TRUE(playing);

    const std::vector<double> play = Figures("server", "the server played ", "%llu frames in %llu ms");
    ASSERT_EQ(play.size(), 2u) << OutputOf("server");
    const double frames = play[0];
    const double rate = frames / (play[1] / 1000.0);
    std::printf("server: %.0f frames in %.1f s of play, %.1f ticks a second\n", frames, play[1] / 1000.0, rate);
    EXPECT_GE(rate, 50.0);
    EXPECT_LE(rate, 70.0);
    EXPECT_GT(play[1], 19'000.0);

    const char* counts = "%llu packets and received %llu";
    const std::vector<double> serverPackets = Figures("server", "the server sent ", counts);
    ASSERT_EQ(serverPackets.size(), 2u) << OutputOf("server");
    std::printf("server: %.2f packets a tick sent and %.2f received per client\n", serverPackets[0] / 2 / frames,
                serverPackets[1] / 2 / frames);
    EXPECT_LE(serverPackets[0] / 2, 2.5 * frames);
    EXPECT_LE(serverPackets[1] / 2, 2.5 * frames);
    for (const char* client : {"first", "second"})
    {
        const std::vector<double> packets = Figures(client, "the client sent ", counts);
        ASSERT_EQ(packets.size(), 2u) << OutputOf(client);
        std::printf("%s client: %.2f packets a tick sent and %.2f received\n", client, packets[0] / frames,
                    packets[1] / frames);
        EXPECT_LE(packets[0], 2.5 * frames) << client;
        EXPECT_LE(packets[1], 2.5 * frames) << client;
        // A loaded machine may hold a client up past a deadline now and then, and the client is moved
        // ahead once each time; clients moved again and again would drive the server past the clock.
        size_t moves = 0;
        const std::string output = OutputOf(client);
        for (size_t at = output.find("this client was at frame"); at != std::string::npos;
             at = output.find("this client was at frame", at + 1))
            ++moves;
        const size_t first = output.find("this client was at frame");
        std::printf("%s client: moved %zu times%s%s\n", client, moves, moves ? ", first: " : "",
                    moves ? output.substr(first, output.find('\n', first) - first).c_str() : "");
        EXPECT_LT(moves, 10u) << client;
    }
}
