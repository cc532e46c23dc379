// The Vantorel program itself, run as a user runs it, from a scratch application folder outside the
// checkout: a copy of the Assets folder with the program beside it, where its journals land.

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Source/Data/DataRegistry.h"
#include "Source/GameTypes/GameType.h"
#include "Source/World/MapFile.h"
#include "Source/World/World.h"
#include "Source/World/WorldHash.h"
#include "Tests/LoopbackMatches.h"
#include "Tests/ScriptedProgram.h"
#include "Tests/Source/Game/HostileClient.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

// A namespace of its own: the program compiles its files in batches.
namespace ProgramTests
{

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
// it finds itself in, cut before "/build/", as its application folder. What a killed run left is
// removed first.
class ScratchFolder
{
public:
    ScratchFolder()
    {
        Lumvek::Testing::RemoveLeftovers("VantorelProgram");
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

    // The counts of the line of a role's log that begins with the words: two, or three if asked.
    std::array<double, 3> Counts(const std::string& log, const std::string& words, const char* rest,
                                 int expected = 2) const
    {
        const std::string text = Read(log);
        const size_t at = text.find(words);
        unsigned long long counts[3] = {};
        EXPECT_TRUE(at != std::string::npos &&
                    std::sscanf(text.c_str() + at + words.size(), rest, &counts[0], &counts[1], &counts[2]) == expected)
            << words << "\n"
            << text;
        return {double(counts[0]), double(counts[1]), double(counts[2])};
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
        return Lumvek::Testing::Spawn(std::move(words), folder.root, Lumvek::Testing::EnvironmentWith({}),
                                      folder.root / outputName);
    }
    // The exit code of a started program, or -1 when it did not exit by itself; one that hangs is
    // killed at the limit.
    static int Wait(pid_t child)
    {
        return Lumvek::Testing::WaitForExit(child, std::chrono::steady_clock::now() + Lumvek::Testing::ProgramLimit);
    }

    ScratchFolder folder;
    std::string lastOutput;
};

} // namespace

// A test killed at its time-out never removes its scratch copy: the next run of the suite removes what
// processes that are gone left, and nothing of a process still running.
TEST(ProgramScratch, TheNextRunRemovesWhatAKilledRunLeft)
{
    const pid_t gone = Lumvek::Testing::Spawn({"/bin/sleep", "60"}, fs::temp_directory_path(),
                                              Lumvek::Testing::EnvironmentWith({}), "/dev/null");
    ASSERT_GT(gone, 0);
    ::kill(gone, SIGKILL);
    EXPECT_EQ(Lumvek::Testing::WaitForExit(gone, std::chrono::steady_clock::now() + std::chrono::minutes(1)), -1);
    const std::string name = "VantorelLeftovers" + std::to_string(::getpid());
    const fs::path left = fs::temp_directory_path() / (name + "-" + std::to_string(gone) + "-0");
    const fs::path running = fs::temp_directory_path() / (name + "-" + std::to_string(::getpid()) + "-0");
    const fs::path other = fs::temp_directory_path() / (name + "-" + std::to_string(gone) + "-notes");
    for (const fs::path& folder : {left, running, other})
        fs::create_directories(folder / "Assets");
    Lumvek::Testing::RemoveLeftovers(name);
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(running));
    EXPECT_TRUE(fs::exists(other));
    fs::remove_all(running);
    fs::remove_all(other);
}

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

// The headless program's match of a seed is the one a test plays stepping the world and the rules by the
// tick's length itself, hash for hash; once the program stepped a float a hair shorter and no seed a test
// played was a match the program plays.
TEST_F(Program, ItsMatchOfASeedIsTheOneATestSteps)
{
    ASSERT_EQ(Run({"--headless", "--local", "Default", "--seed", "12", "--ticks", "900", "--hash-log", "hashes.txt"}),
              2);
    struct Stepper : GameContext
    {
        ~Stepper() override { SetGameType(nullptr), rules.reset(), world = nullptr, own.reset(); }
        std::unique_ptr<World> own;
        std::unique_ptr<GameType> rules;
    } run;
    const std::string source = Lumvek::Testing::SourceFolder();
    Lumvek::FileManager files(source, source, source, source);
    files.RegisterFormats();
    DataRegistry registry(files);
    registry.LoadAll();
    for (const auto& character : registry.characters.GetItems())
        character->LoadAnimations();
    run.registry = &registry;
    run.headless = true;
    run.configuration = *registry.configurations.Find(std::string_view("Default"));
    // The game's generator draws as a local match starts: picks, bots' names, the world's and rules' seeds.
    Lumvek::RandomGenerator random(12);
    run.configuration.ResolveRandomPicks(random.engine);
    run.configuration.NameBots(random.engine, PlayerNaming::Profiles);
    run.world = (run.own = std::make_unique<World>(run, random.Next())).get();
    run.rules = registry.gameTypes.At(run.configuration.gameType).CreateGameType(run, random.Next());
    run.SetGameType(run.rules.get());
    MapNames names;
    ASSERT_TRUE(LoadMapData(*run.world, names));
    run.world->Begin();
    run.rules->Start();
    run.rules->SetupObjectives();
    std::istringstream log(Read("hashes.txt"));
    for (uint32_t tick = 1, logged = 0; tick <= 900; ++tick)
    {
        run.world->Step(Lumvek::TickSeconds);
        run.rules->Update(Lumvek::TickSeconds);
        WorldHash hash;
        hash.AddWorld(*run.world);
        for (const auto* scores : {&run.rules->GetTeamScores(), &run.rules->GetPlayerScores()})
            for (const ScoreEntry& score : *scores)
                hash.AddScore(score.index, score.score);
        std::string programHash;
        ASSERT_TRUE(log >> logged >> programHash) << "tick " << tick;
        ASSERT_EQ(std::stoull(programHash, nullptr, 16), hash.Get()) << "tick " << tick;
    }
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

// A map without a player spawn point would run a match in which nobody ever spawns: the match does not
// start, the line names the map's file and member, and the run ends with 5 at once.
TEST_F(Program, AMatchDoesNotStartOnAMapThatCannotBePlayed)
{
    Write("Assets/Maps/Half/Data.json",
          R"({"WorldBounds": "0 0 40 20", "Entities": {"Platforms": [{"Position": "0 0", "Size": "40 2"}]}})");
    Write("Assets/Maps/Maps.json", R"(["Crossroads", "Hilltop", "Half"])");
    std::string half = ShortMatch;
    half.replace(half.find("Crossroads"), 10, "Half");
    Write("Assets/Configurations/Short.data", half);
    EXPECT_EQ(Run({"--headless", "--local", "Short", "--seed", "1", "--ticks", "100000"}), 5) << lastOutput;
    for (const char* line : {"Assets/Maps/Half/Data.json: SpawnPoints: no player spawn point for Team0 in Deathmatch",
                             "the match Short cannot start on its map"})
        EXPECT_NE(lastOutput.find(line), std::string::npos) << lastOutput;
}

// Asked for, the usage is the program's output, with exit code 0; after a wrong option it goes to
// standard error.
TEST_F(Program, HelpPrintsTheUsageOnStandardOutput)
{
    for (const auto& [option, code] : {std::pair{"--help", 0}, std::pair{"-h", 0}, std::pair{"--bogus", 1}})
    {
        std::vector<std::string> words{"/bin/sh", "-c", "exec ./Vantorel \"$1\" 2>/dev/null", "sh", option};
        const auto environment = Lumvek::Testing::EnvironmentWith({});
        EXPECT_EQ(Wait(Lumvek::Testing::Spawn(words, folder.root, environment, folder.root / "out.txt")), code);
        EXPECT_EQ(Read("out.txt").starts_with("usage: Vantorel"), code == 0) << Read("out.txt");
    }
}

// A dedicated server and two clients, three processes on the loopback, play one match each and exit 0;
// each writes a journal of the default set-up alone. The server is bound to every address and the
// clients join it at 127.0.0.2, which is this machine's but not the address the system answers from.
// The server waits for no client: its load window lets a client that loads slowly join before the match
// (over within seconds) is over, and it sits out an intermission long enough for a client that lags
// behind to leave before it stops.
TEST_F(Program, AServerAndTwoClientsPlayAMatchOverTheLoopbackAndExit)
{
    const uint16_t port = Lumvek::Testing::FreeLoopbackPort();
    ASSERT_NE(port, 0);
    ASSERT_TRUE(Lumvek::Testing::WriteFallMatches(folder.root));
    const std::string durations = "PrepareDuration = 0.2 EndDuration = 0.2 ";
    Write("Assets/server.config", "{ " + durations + "HostingIp = \"0.0.0.0\" HostingPort = " + std::to_string(port) +
                                      " MinimumPlayers = 2 MaximumPlayers = 2 ConnectionTimeout = 0.2 "
                                      "IntermissionDuration = 5.0 VoteDuration = 0.2 LoadDuration = 5.0 }");
    Write("Assets/client.config",
          "{ " + durations + "MatcherIp = \"127.0.0.2\" MatcherPort = " + std::to_string(port) + " }");

    const pid_t server = Start({"--headless", "--server", "--matches", "1", "--seed", "3"}, "server.txt");
    const pid_t first = Start({"--headless", "--client", "--matches", "1", "--seed", "11"}, "first.txt");
    const pid_t second = Start({"--headless", "--client", "--matches", "1", "--seed", "12"}, "second.txt");
    EXPECT_EQ(Wait(first), 0) << Read("first.txt");
    EXPECT_EQ(Wait(second), 0) << Read("second.txt");
    EXPECT_EQ(Wait(server), 0) << Read("server.txt");

    const std::string log = Read("server.txt");
    const std::string listening =
        "a dedicated server listens on port " + std::to_string(port) + " at every address of this machine (0.0.0.0)";
    for (const std::string& step : std::vector<std::string>{listening, "configuring", "loading", "preparing",
                                                            "starting", "saved journal to", "stopping"})
        EXPECT_NE(log.find(step), std::string::npos) << step << "\n" << log;
    size_t journals = 0;
    for (const auto& entry : fs::directory_iterator(folder.root / "Journals"))
    {
        ++journals;
        EXPECT_EQ(fs::file_size(entry.path()), 173u);
    }
    EXPECT_EQ(journals, 3u);
}

// A server on every IPv6 address and a client that dials ::1 play: the client's socket is of the family
// of its server's address.
TEST_F(Program, AServerOnEveryIPv6AddressAndAClientDiallingItsLoopbackPlay)
{
    const std::string port = std::to_string(Net::UdpSocket(Net::Address("[::1]:0")).GetAddress().GetPort());
    if (port == "0")
        GTEST_SKIP() << "this machine's loopback has no IPv6 address (::1) to play over";
    ASSERT_TRUE(Lumvek::Testing::WriteFallMatches(folder.root));
    const std::string durations = " PrepareDuration = 0.2 EndDuration = 0.2 VoteDuration = 0.2 }";
    Write("Assets/server.config",
          "{ HostingIp = \"::\" MinimumPlayers = 1 MaximumPlayers = 1 HostingPort = " + port + durations);
    Write("Assets/client.config", "{ MatcherIp = \"::1\" MatcherPort = " + port + durations);
    const pid_t server = Start({"--headless", "--server", "--matches", "1", "--seed", "3"}, "server.txt");
    EXPECT_EQ(Run({"--headless", "--client", "--matches", "1", "--seed", "11"}), 0) << lastOutput;
    EXPECT_EQ(Wait(server), 0) << Read("server.txt");
    EXPECT_NE(lastOutput.find("saved journal to"), std::string::npos) << lastOutput;
}

// A role file that names a host where an address belongs ends the role before it tries anything, with
// a line that says which key of which file takes what.
TEST_F(Program, ARoleWhoseAddressIsANameEndsAtOnceWithCode1)
{
    for (const auto& [role, key] : {std::pair{"--server", "HostingIp"}, std::pair{"--client", "MatcherIp"}})
    {
        const std::string file = role == std::string("--server") ? "Assets/server.config" : "Assets/client.config";
        Write(file, std::string("{ ") + key + " = \"gameserver.lan\" }");
        EXPECT_EQ(Run({"--headless", role}), 1) << lastOutput;
        EXPECT_NE(lastOutput.find(file + ": " + key + " = \"gameserver.lan\" is not an address: " + key +
                                  " takes a numeric IPv4 or IPv6 address"),
                  std::string::npos)
            << lastOutput;
        EXPECT_EQ(lastOutput.find("connect"), std::string::npos) << "nothing was tried\n" << lastOutput;
    }
}

// Clients that leave while the server shows the end of its match leave it without players: the match was
// played and its journal saved, so the server says why it stops and ends with 0.
TEST_F(Program, AServerWhoseClientsLeaveDuringTheScoreboardCountsItsMatchAndSaysWhyItStops)
{
    const uint16_t port = Lumvek::Testing::FreeLoopbackPort();
    ASSERT_NE(port, 0);
    ASSERT_TRUE(Lumvek::Testing::WriteFallMatches(folder.root));
    Write("Assets/server.config",
          "{ PrepareDuration = 0.2 EndDuration = 60 HostingIp = \"127.0.0.1\" HostingPort = " + std::to_string(port) +
              " MinimumPlayers = 2 MaximumPlayers = 2 ConnectionTimeout = 0.2 "
              "VoteDuration = 0.2 LoadDuration = 0.2 }");
    Write("Assets/client.config", "{ MatcherIp = \"127.0.0.1\" MatcherPort = " + std::to_string(port) + " }");
    const pid_t server = Start({"--headless", "--server", "--seed", "3"}, "server.txt");
    const std::vector<pid_t> clients{Start({"--headless", "--client", "--seed", "11"}, "first.txt"),
                                     Start({"--headless", "--client", "--seed", "12"}, "second.txt")};
    EXPECT_TRUE(Lumvek::Testing::WaitUntil([&]
                                           { return Read("server.txt").find("scoreboard shows") != std::string::npos; },
                                           std::chrono::steady_clock::now() + Lumvek::Testing::ProgramLimit));
    for (const pid_t client : clients)
        ::kill(client, SIGINT);
    for (const pid_t client : clients)
        Wait(client);
    EXPECT_EQ(Wait(server), 0) << Read("server.txt");
    for (const char* line : {"the last player left after 1 matches: the server stops. Start it again to host more",
                             "the server ended after 1 matches"})
        EXPECT_NE(Read("server.txt").find(line), std::string::npos) << line << "\n" << Read("server.txt");
}

// Strangers beside two honest clients, for twenty seconds and then until what is checked has come
// about: foreign players, parts past the lists, votes, frames, messages the server cannot read, random
// bytes, connections that reconnect as soon as they are ended, and a flood of connection requests. The
// honest clients play their matches to the end, the server leaves most lines about the strangers out
// of its log, counting them, and it stops cleanly when interrupted: it exits 0, and its clients learn
// from its goodbye that it is gone rather than from the connection's time-out.
TEST_F(Program, AServerPlaysOnBesideAHostileClientAndExits0WhenInterrupted)
{
    const uint16_t port = Lumvek::Testing::FreeLoopbackPort();
    ASSERT_NE(port, 0);
    ASSERT_TRUE(Lumvek::Testing::WriteFallMatches(folder.root));
    Write("Assets/server.config", "{ HostingIp = \"127.0.0.1\" HostingPort = " + std::to_string(port) +
                                      " MinimumPlayers = 2 MaximumPlayers = 4 ConnectionTimeout = 0.5 "
                                      "IntermissionDuration = 0.3 VoteDuration = 0.2 LoadDuration = 0.2 "
                                      "PrepareDuration = 0.2 EndDuration = 0.2 }");
    Write("Assets/client.config", "{ PrepareDuration = 0.2 EndDuration = 0.2 MatcherIp = \"127.0.0.1\" "
                                  "MatcherPort = " +
                                      std::to_string(port) + " }");
    const std::string root = folder.root.string();
    Lumvek::FileManager files(root, root, root, root);
    files.RegisterFormats();
    Lumvek::RegisterRuntimeFormats(files);
    DataRegistry registry(files);
    registry.LoadAll();

    const pid_t server = Start({"--headless", "--server", "--seed", "5"}, "server.txt");
    const pid_t first = Start({"--headless", "--client", "--seed", "21"}, "first.txt");
    const pid_t second = Start({"--headless", "--client", "--seed", "22"}, "second.txt");
    // The strangers stay until each state checked below has come about and they have sent what is
    // counted below, longer on a slow machine. With the two honest clients, their two connections fill
    // the server's four slots.
    const auto logged = [&](const char* name, const char* line) { return Read(name).find(line) != std::string::npos; };
    const auto settled = [&](const GameTesting::HostileTraffic& sent)
    {
        return sent.connected > 5 && sent.messages > 1000 && sent.requests > 10000 &&
               logged("first.txt", "saved journal to") && logged("second.txt", "saved journal to") &&
               logged("server.txt", "lines about clients out of the log");
    };
    const GameTesting::HostileTraffic traffic = GameTesting::RunHostileClient(
        Net::Address("127.0.0.1", port), MessageLimits::FromRegistry(registry),
        {.until = settled, .seed = 43, .connections = 2, .reconnecting = 1, .floodSockets = 32, .floodRate = 2000});
    EXPECT_GT(traffic.connected, 5);
    EXPECT_GT(traffic.messages, 1000);
    EXPECT_GT(traffic.requests, 10000);

    ::kill(server, SIGINT);
    EXPECT_EQ(Wait(server), 0) << Read("server.txt");
    EXPECT_EQ(Wait(first), 1) << Read("first.txt");
    EXPECT_EQ(Wait(second), 1) << Read("second.txt");
    for (const char* name : {"first.txt", "second.txt"})
    {
        const std::string log = Read(name);
        EXPECT_NE(log.find("saved journal to"), std::string::npos) << name << "\n" << log;
        EXPECT_NE(log.find(" closed the connection: it stopped, or sent this client away"), std::string::npos)
            << name << "\n"
            << log;
        EXPECT_EQ(log.find("failed to create Player"), std::string::npos) << name << "\n" << log;
    }
    const std::string log = Read("server.txt");
    EXPECT_NE(log.find("interrupted: stopping"), std::string::npos);
    EXPECT_LT(std::count(log.begin(), log.end(), '\n'), 3000) << log.substr(0, 20000);
    const auto [refused, leftOut, unused] =
        Counts("server.txt", "the server refused ", "%llu messages from its clients and left %llu");
    EXPECT_GT(refused, 0);
    EXPECT_GT(leftOut, 0);
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

// A dedicated server and two headless clients, each simulating an internet link of its own (the role
// files' 5% loss and duplication, 100 +- 50 ms), play thirty seconds of a match nobody scores in, then
// are interrupted: the server steps at the clock's rate with the clients' inputs, and each role sends
// about one packet a tick. The bounds hold on a loaded machine of two cores, and for a client whose
// start message came late, which keeps its margin once it has measured it: 50 to 70 ticks a second, at
// most a twentieth of the frames stepped with an input missing, and at most 2.5 packets a tick each way
// per client, counted from the connection (the vote and the load included).
TEST_F(Program, AServerAndTwoHeadlessClientsPlayAtTheClocksRateWithTheirInputsOverALossyLink)
{
    const uint16_t port = Lumvek::Testing::FreeLoopbackPort();
    ASSERT_NE(port, 0);
    Write("Assets/Configurations/Configurations.json", R"(["Still"])");
    Write("Assets/Configurations/Still.data", R"({"Name": "Still", "Map": "Crossroads", "Theme": "Meadow",
        "GameType": "Deathmatch", "TeamCount": 2, "Loadout": {"StartingWeapon": "Rifle"},
        "GameTypeSettings": {"PointsToWin": 999}})");
    const std::string durations = "Simulate = true PrepareDuration = 0.3 EndDuration = 0.3 ";
    Write("Assets/server.config", "{ " + durations + "HostingIp = \"127.0.0.1\" HostingPort = " + std::to_string(port) +
                                      " MinimumPlayers = 2 MaximumPlayers = 2 ConnectionTimeout = 0.3 "
                                      "VoteDuration = 0.3 LoadDuration = 0.3 }");
    Write("Assets/client.config",
          "{ " + durations + "MatcherIp = \"127.0.0.1\" MatcherPort = " + std::to_string(port) + " }");
    const std::vector<std::string> logs{"server.txt", "first.txt", "second.txt"};
    const std::vector<pid_t> roles{Start({"--headless", "--server"}, logs[0]),
                                   Start({"--headless", "--client"}, logs[1]),
                                   Start({"--headless", "--client"}, logs[2])};

    const auto everyLog = [&](const char* text) {
        return std::all_of(logs.begin(), logs.end(),
                           [&](auto& log) { return Read(log).find(text) != std::string::npos; });
    };
    const bool playing = Lumvek::Testing::WaitUntil([&] { return everyLog("runs with 0 game screens"); },
                                                    std::chrono::steady_clock::now() + Lumvek::Testing::ProgramLimit);
    // Thirty seconds of play, unless a role ends before.
    const auto played = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int status = 0;
    while (playing && std::chrono::steady_clock::now() < played && waitpid(-1, &status, WNOHANG) == 0)
        ::usleep(100'000);
    for (const pid_t role : roles)
        ::kill(role, SIGINT);
    EXPECT_EQ(Wait(roles[0]), 0) << Read(logs[0]);
    EXPECT_NE(Wait(roles[1]), -1) << Read(logs[1]);
    EXPECT_NE(Wait(roles[2]), -1) << Read(logs[2]);
    ASSERT_TRUE(playing) << Read(logs[0]) << Read(logs[1]) << Read(logs[2]);
    // Stopped in play, the server does not end its match again as it closes.
    const std::string serverLog = Read(logs[0]);
    const size_t stop = serverLog.find("\nstopping\n");
    EXPECT_TRUE(stop != std::string::npos && stop == serverLog.rfind("\nstopping\n")) << serverLog;

    const auto [frames, milliseconds, missing] =
        Counts(logs[0], "the server played ", "%llu frames in %llu ms; %llu stepped with an input missing", 3);
    const double rate = frames / milliseconds * 1000.0;
    std::printf("the server stepped %.0f frames in %.1f s of play, %.1f a second, %.0f with an input missing\n", frames,
                milliseconds / 1000, rate, missing);
    EXPECT_GT(milliseconds, 29'000.0);
    EXPECT_GE(rate, 50.0);
    EXPECT_LE(rate, 70.0);
    EXPECT_LE(missing, frames / 20) << Read(logs[0]) << Read(logs[1]) << Read(logs[2]);
    const std::string server = Read(logs[0]);
    const size_t timing = server.find("inputs came a median of ");
    double median = -1.0, fifth = -1.0;
    EXPECT_TRUE(timing != std::string::npos &&
                std::sscanf(server.c_str() + timing,
                            "inputs came a median of %lf frames before their deadlines, %lf at "
                            "the 5th percentile",
                            &median, &fifth) == 2 &&
                fifth <= median)
        << server;
    std::printf("the inputs came a median of %.1f frames before their deadlines, %.1f at the 5th percentile\n", median,
                fifth);
    // Packets a tick per client, each way: the server's counts are for both clients.
    for (size_t i = 0; i < logs.size(); ++i)
    {
        const auto [sent, received, unused] =
            Counts(logs[i], i ? "the client sent " : "the server sent ", "%llu packets and received %llu");
        EXPECT_LE(sent / (i ? 1 : 2), 2.5 * frames) << logs[i];
        EXPECT_LE(received / (i ? 1 : 2), 2.5 * frames) << logs[i];
    }
}

} // namespace ProgramTests
