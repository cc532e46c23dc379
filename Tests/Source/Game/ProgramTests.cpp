// The Vantorel program itself, run as a user runs it, from a scratch application folder outside the
// checkout: a copy of the Assets folder with the program beside it, where its journals land.

#include "Engine/Foundation/File.h"
#include "Tests/LoopbackMatches.h"
#include "Tests/ScriptedProgram.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace
{

namespace fs = std::filesystem;

// A short deathmatch on the shipped map with its two bots, and a role file whose countdowns are short.
constexpr const char* ShortMatch = R"({
    "Name": "Short", "Map": "Crossroads", "Theme": "Meadow", "GameType": "Deathmatch", "TeamCount": 2,
    "Bots": [{"TeamId": 0, "Loadout": {"Head": "Random", "Core": "Random", "Arms": "Random", "Legs": "Random"}},
             {"TeamId": 1, "Loadout": {"Head": "Random", "Core": "Random", "Arms": "Random", "Legs": "Random"}}],
    "Loadout": {"StartingWeapon": "Rifle"},
    "GameTypeSettings": {"PointsToWin": 1}
})";

// The application folder of the runs: outside any "build" folder, since the program takes the folder
// it finds itself in, cut before "/build/", as its application folder.
class ScratchFolder
{
public:
    ScratchFolder()
    {
        static std::atomic<unsigned> counter{0};
        root = fs::temp_directory_path() /
               ("VantorelProgram-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
        fs::create_directories(root);
    }
    ~ScratchFolder()
    {
        std::error_code error;
        fs::remove_all(root, error);
    }

    fs::path root;
};

struct Program : testing::Test
{
    void SetUp() override
    {
        const char* program = std::getenv("VANTOREL_PROGRAM");
        ASSERT_NE(program, nullptr) << "VANTOREL_PROGRAM names the program under test";
        fs::copy(fs::path(Lumvek::Testing::SourceFolder()) / "Assets", folder.root / "Assets",
                 fs::copy_options::recursive);
        // A link costs nothing where the file system allows it.
        std::error_code error;
        fs::create_hard_link(program, Path(), error);
        if (error)
            fs::copy_file(program, Path(), fs::copy_options::overwrite_existing);
        Write("Assets/Configurations/Short.data", ShortMatch);
        Write("Assets/Configurations/Configurations.json", R"(["Default", "Short"])");
        Write("Assets/local.config", "{ StartDuration = 0.1 PrepareDuration = 0.1 EndDuration = 0.1 }");
    }

    std::string Path() const { return (folder.root / "Vantorel").string(); }
    void Write(const std::string& relative, const std::string& text)
    {
        ASSERT_TRUE(Lumvek::File::WriteAllText((folder.root / relative).string(), text));
    }
    std::string Read(const std::string& relative) const
    {
        return Lumvek::File::ReadAllText((folder.root / relative).string()).second;
    }

    // Runs the program with the arguments, its output into a file of the folder; its exit code.
    int Run(const std::vector<std::string>& arguments)
    {
        const pid_t child = Start(arguments, "output.txt");
        const int code = Wait(child);
        lastOutput = Read("output.txt");
        return code;
    }
    // Starts the program with the arguments, its output into the named file of the folder; its
    // process id, or -1.
    pid_t Start(const std::vector<std::string>& arguments, const std::string& outputName)
    {
        std::vector<std::string> words{Path()};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);

        const std::string output = (folder.root / outputName).string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        pid_t child = 0;
        const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        return spawned == 0 ? child : -1;
    }
    // The exit code of a started program, or -1 when it did not exit by itself. One that runs for a
    // minute more is killed, so that a hung run fails instead of holding the test up.
    static int Wait(pid_t child)
    {
        return Lumvek::Testing::WaitForExit(child, std::chrono::steady_clock::now() + std::chrono::minutes(1));
    }

    ScratchFolder folder;
    std::string lastOutput;
};

} // namespace

TEST_F(Program, AHeadlessLocalMatchStopsAtItsTickLimitWithoutAJournal)
{
    EXPECT_EQ(Run({"--headless", "--local", "Short", "--seed", "7", "--ticks", "120", "--hash-log", "first.txt"}), 2)
        << lastOutput;
    EXPECT_NE(lastOutput.find("the match did not end within 120 ticks: stopping without a journal"), std::string::npos)
        << lastOutput;
    EXPECT_FALSE(fs::exists(folder.root / "Journals"));
}

// The default configuration's two bots play their deathmatch to its end: the run exits 0 with a journal of the set-up
// and one empty input list a tick, and a run of the same seed repeats it tick for tick and byte for byte.
TEST_F(Program, ABotMatchPlaysToItsEndTheSameWayForOneSeed)
{
    const auto play = [&](const char* seed, const char* hashLog, std::string& journal)
    {
        fs::remove_all(folder.root / "Journals");
        // The limit only keeps a match that never ends from holding the test up.
        EXPECT_EQ(Run({"--headless", "--local", "Default", "--seed", seed, "--ticks", "150000", "--hash-log",
                       (folder.root / hashLog).string()}),
                  0)
            << lastOutput;
        ASSERT_TRUE(fs::is_directory(folder.root / "Journals"));
        const auto entry = fs::directory_iterator(folder.root / "Journals");
        ASSERT_NE(entry, fs::directory_iterator());
        journal = Read(fs::relative(entry->path(), folder.root).string());
    };
    std::string first, second, other;
    play("7", "first.txt", first);
    play("7", "second.txt", second);
    play("8", "other.txt", other);

    // The frame count stands last in the 173 bytes of the set-up; with no local player a tick is its
    // input count alone.
    ASSERT_GE(first.size(), 173u);
    uint32_t frames = 0;
    std::memcpy(&frames, first.data() + 169, sizeof frames);
    EXPECT_GT(frames, 0u);
    EXPECT_EQ(first.size(), 173u + 4u * frames);

    const std::string hashes = Read("first.txt");
    EXPECT_GE(static_cast<uint64_t>(std::count(hashes.begin(), hashes.end(), '\n')), frames);
    EXPECT_EQ(hashes, Read("second.txt"));
    EXPECT_EQ(first, second);
    // The bots' parts and spawn points are drawn from the seed.
    EXPECT_NE(hashes, Read("other.txt"));
}

TEST_F(Program, BadCommandLinesEndWithAMessageAndCode1)
{
    struct Case
    {
        std::vector<std::string> arguments;
        const char* message;
    };
    const Case cases[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"--local"}, "--local needs a value"},
        {{"--headless", "--local", "Short", "--seed", "seven"}, "--seed takes a whole number"},
        {{"--headless", "--local", "Short", "--ticks", "0"}, "--ticks takes a whole number of ticks above 0"},
        {{"--headless", "--ticks", "5"}, "--ticks needs --local"},
        {{"--server", "--client"}, "--server and --client exclude each other"},
        {{"--client", "--local", "Short"}, "--local excludes --server and --client"},
        {{"--headless", "--matches", "2"}, "--matches needs --server or --client"},
        {{"--server", "--matches", "0"}, "--matches takes a whole number of matches above 0"},
        {{"--headless", "--local", "Nowhere"}, "there is no game configuration named Nowhere"},
    };
    for (const Case& test : cases)
    {
        EXPECT_EQ(Run(test.arguments), 1) << test.message;
        EXPECT_NE(lastOutput.find(test.message), std::string::npos) << lastOutput;
    }
}

// A dedicated server and two clients, three processes on the loopback address, play one match each
// and exit 0; each writes a journal of the default set-up alone.
TEST_F(Program, AServerAndTwoClientsPlayAMatchOverTheLoopbackAndExit)
{
    const uint16_t port = Lumvek::Testing::FreeLoopbackPort();
    ASSERT_NE(port, 0);
    ASSERT_TRUE(Lumvek::Testing::WriteFallMatches(folder.root));
    const std::string durations = "PrepareDuration = 0.2 EndDuration = 0.2 ";
    Write("Assets/server.config", "{ " + durations + "HostingIp = \"127.0.0.1\" HostingPort = " + std::to_string(port) +
                                      " MinimumPlayers = 2 MaximumPlayers = 2 ConnectionTimeout = 0.2 "
                                      "IntermissionDuration = 0.3 VoteDuration = 0.2 LoadDuration = 0.2 }");
    Write("Assets/client.config",
          "{ " + durations + "MatcherIp = \"127.0.0.1\" MatcherPort = " + std::to_string(port) + " }");

    const pid_t server = Start({"--headless", "--server", "--matches", "1", "--seed", "3"}, "server.txt");
    const pid_t first = Start({"--headless", "--client", "--matches", "1", "--seed", "11"}, "first.txt");
    const pid_t second = Start({"--headless", "--client", "--matches", "1", "--seed", "12"}, "second.txt");
    EXPECT_EQ(Wait(first), 0) << Read("first.txt");
    EXPECT_EQ(Wait(second), 0) << Read("second.txt");
    EXPECT_EQ(Wait(server), 0) << Read("server.txt");

    const std::string log = Read("server.txt");
    for (const char* step : {"configuring", "loading", "preparing", "starting", "saved journal to", "stopping"})
        EXPECT_NE(log.find(step), std::string::npos) << step << "\n" << log;
    size_t journals = 0;
    for (const auto& entry : fs::directory_iterator(folder.root / "Journals"))
    {
        ++journals;
        EXPECT_EQ(fs::file_size(entry.path()), 173u);
    }
    EXPECT_EQ(journals, 3u);
}

// An interrupt stops a dedicated server cleanly: it exits 0, and its client learns at once that it is
// gone rather than after the connection's time-out.
TEST_F(Program, AnInterruptedServerDisconnectsItsClientsAndExits0)
{
    const uint16_t port = Lumvek::Testing::FreeLoopbackPort();
    ASSERT_NE(port, 0);
    Write("Assets/server.config", "{ HostingIp = \"127.0.0.1\" HostingPort = " + std::to_string(port) +
                                      " MinimumPlayers = 2 MaximumPlayers = 2 ConnectionTimeout = 30.0 }");
    Write("Assets/client.config", "{ MatcherIp = \"127.0.0.1\" MatcherPort = " + std::to_string(port) + " }");
    const pid_t server = Start({"--server"}, "server.txt");
    const pid_t client = Start({"--headless", "--client"}, "client.txt");
    bool joined = false;
    for (int waited = 0; waited < 3000 && !joined; ++waited)
    {
        joined = Read("server.txt").find("adding 1 players for") != std::string::npos;
        ::usleep(10'000);
    }
    EXPECT_TRUE(joined) << Read("server.txt");
    const auto interrupted = std::chrono::steady_clock::now();
    ::kill(server, SIGINT);
    EXPECT_EQ(Wait(server), 0) << Read("server.txt");
    // Without the server's goodbye the client would wait out the connection's ten seconds.
    EXPECT_EQ(Wait(client), 1) << Read("client.txt");
    EXPECT_LT(std::chrono::steady_clock::now() - interrupted, std::chrono::seconds(5));
    const std::string log = Read("server.txt");
    EXPECT_NE(log.find("interrupted: stopping"), std::string::npos) << log;
    EXPECT_NE(Read("client.txt").find("disconnected"), std::string::npos) << Read("client.txt");
}

// Without a local player the objective modes' bots hunt one another: in each configuration every bot
// gets about the map, and where they are armed they shoot and kill, the same way twice for one seed.
TEST_F(Program, ObjectiveModesPlayWithBotsWithoutALocalPlayerTheSameWayTwice)
{
    Write("Assets/Configurations/Configurations.json",
          R"(["Default", "FlagRun", "TokenChase", "CheckpointRace", "TeamRace"])");
    // The race configurations hand out no weapons.
    for (const auto& [configuration, armed] : {std::pair{"FlagRun", true}, std::pair{"TokenChase", true},
                                               std::pair{"CheckpointRace", false}, std::pair{"TeamRace", false}})
    {
        SCOPED_TRACE(configuration);
        std::string hashes[2], players[2];
        uint32_t bots = 0, shots = 0, kills = 0;
        for (int run = 0; run < 2; ++run)
        {
            const std::string log = (folder.root / ("hashes" + std::to_string(run) + ".txt")).string();
            Run({"--headless", "--local", configuration, "--seed", "11", "--ticks", "3600", "--hash-log", log});
            std::istringstream lines(lastOutput);
            for (std::string line; std::getline(lines, line);)
            {
                // The platform's own note about the UI language is no failure of the match.
                EXPECT_TRUE(line.find("fail") == std::string::npos || line.find("language") != std::string::npos);
                uint32_t index = 0, travelled = 0, fired = 0, killed = 0;
                if (std::sscanf(line.c_str(), "player %u travelled %u units, fired %u shots and killed %u players",
                                &index, &travelled, &fired, &killed) != 4)
                    continue;
                players[run] += line + "\n";
                EXPECT_GT(travelled, 20u) << line;
                bots += run == 0;
                shots += fired;
                kills += killed;
            }
            hashes[run] = Read("hashes" + std::to_string(run) + ".txt");
        }
        EXPECT_TRUE(!hashes[0].empty() && hashes[0] == hashes[1]);
        EXPECT_EQ(players[0], players[1]);
        EXPECT_GT(bots, 0u) << lastOutput;
        EXPECT_EQ(std::make_pair(shots > 0, kills > 0), std::make_pair(armed, armed)) << players[0];
    }
}
