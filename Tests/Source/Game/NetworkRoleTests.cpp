#include "Source/Network/LocalNetwork.h"
#include "Source/World/GameContext.h"
#include "Source/World/World.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Game/GameTestSupport.h"
#include "Tests/Source/Network/EventPad.h"

#include <memory>
#include <string>

using namespace GameTesting;
using namespace Lumvek;

namespace
{

// A local role of a game system over an empty application folder, with no world unless a test makes
// one.
struct LocalRole : GameFixture
{
    LocalRole() : GameFixture(true, false) {}

    LocalNetwork& Make()
    {
        role = game->StartLocalGame();
        return *role;
    }

    LocalNetwork* role = nullptr;
};

} // namespace

TEST(NetworkRoles, TheLocalRoleTakesItsFileAndDefaultsForWhatTheFileLacks)
{
    struct Case
    {
        const char* file; // null: no file
        bool simulate;
        float startDuration;
        const char* message; // what is logged, empty for nothing
    };
    const Case cases[] = {
        {nullptr, false, 3.0f, "the role file {}/Assets/local.config cannot be read: its settings keep their defaults"},
        {"{ Simulate = true }", true, 3.0f, ""},
        {"{ StartDuration = 0.5 }", false, 0.5f, ""},
    };
    for (const Case& test : cases)
    {
        LocalRole local;
        if (test.file)
            local.Write("Assets/local.config", test.file);
        Testing::LogCapture capture;
        const LocalNetwork& role = local.Make();
        const NetworkSettings& settings = role.GetSettings();
        EXPECT_EQ(settings.simulate, test.simulate);
        EXPECT_EQ(role.GetConfig().networkSimulator, test.simulate);
        EXPECT_EQ(settings.packetLoss, 5.0f);
        EXPECT_EQ(settings.packetDuplication, 5.0f);
        EXPECT_EQ(settings.latencyAmount, 100.0f);
        EXPECT_EQ(settings.latencyVariance, 50.0f);
        EXPECT_EQ(settings.prepareDuration, 3.0f);
        EXPECT_EQ(settings.startDuration, test.startDuration);
        EXPECT_EQ(settings.endDuration, 5.0f);
        EXPECT_EQ(role.GetState(), NetworkState::Waiting);
        EXPECT_EQ(local.game->GetMatchFlow(), MatchFlow::NetworkCreated);
        EXPECT_TRUE(local.game->authority);
        EXPECT_TRUE(local.game->interpolate);
        std::string message = test.message;
        if (const size_t at = message.find("{}"); at != std::string::npos)
            message.replace(at, 2, local.folder.Root());
        EXPECT_EQ(capture.messages, message.empty() ? std::vector<std::string>{} : std::vector<std::string>{message});
    }
}

TEST(NetworkRoles, ASecondLocalGameReplacesTheFirstRole)
{
    LocalRole local;
    LocalNetwork* first = &local.Make();
    local.game->authority = false;
    LocalNetwork* second = &local.Make();
    EXPECT_NE(first, second);
    EXPECT_EQ(local.game->GetNetwork(), second);
    EXPECT_TRUE(local.game->authority);
}

TEST(NetworkRoles, TheServerAndClientRolesComeFromTheirFiles)
{
    LocalRole local;
    // An address the server cannot bind to: no role, and the program can say so.
    local.Write("Assets/server.config", "{ HostingIp = \"no such address\" HostingPort = 40000 }");
    Testing::LogCapture capture;
    EXPECT_EQ(local.game->CreateServerNetwork(ServerRoleFile), nullptr);
    EXPECT_FALSE(capture.messages.empty());

    local.Write("Assets/client.config", "{ MatcherIp = \"127.0.0.1\" MatcherPort = 40000 EndDuration = 0.5 }");
    std::unique_ptr<Network> client = local.game->CreateClientNetwork(ClientRoleFile);
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->GetState(), NetworkState::Waiting);
    EXPECT_EQ(client->GetSettings().endDuration, 0.5f);
    EXPECT_EQ(local.game->configuration.players.size(), 1u) << "a client joins with one local player";
    client->Stop();
}

TEST(NetworkRoles, TimedStatesEndOnTheUpdateThatPassesTheirDuration)
{
    struct Case
    {
        float duration;
        std::vector<int64_t> frames;
        // The frame (from 1) on which Voting gave way to Configured; 0 for none.
        size_t endsOn;
    };
    const Case cases[] = {
        // Strictly past: a frame that only reaches the duration is not enough.
        {0.5f, {250'000'000, 250'000'000, 1'000'000}, 3},
        // A duration of 0 ends with the first frame that has any time; a negative one at once.
        {0.0f, {0, 0, 1}, 3},
        {-1.0f, {0}, 1},
    };
    for (const Case& test : cases)
    {
        LocalRole local;
        LocalNetwork& role = local.Make();
        role.BeginVoting();
        role.duration = test.duration;
        size_t endedOn = 0;
        for (size_t frame = 0; frame < test.frames.size() && endedOn == 0; ++frame)
        {
            role.Update(test.frames[frame]);
            if (role.GetState() == NetworkState::Configured)
                endedOn = frame + 1;
        }
        EXPECT_EQ(endedOn, test.endsOn) << test.duration;
    }
}

TEST(NetworkRoles, TheLocalRoleRunsTheStatesOfAMatchWithoutLoading)
{
    LocalRole local;
    local.Write("Assets/local.config", "{ StartDuration = 0.0 PrepareDuration = 0.0 EndDuration = 0.0 }");
    LocalNetwork& role = local.Make();
    std::vector<NetworkState> states{role.GetState()};
    const auto note = [&] { states.push_back(role.GetState()); };
    role.BeginVoting();
    note();
    role.Update(1);
    note();
    role.BeginLoading();
    note();
    role.BeginPreparing();
    note();
    role.Update(1);
    note();
    role.BeginStarting();
    note();
    role.SaveJournal();
    note();
    role.Update(1);
    note();
    role.BeginEnding();
    note();
    role.Stop();
    note();
    EXPECT_EQ(states, (std::vector<NetworkState>{NetworkState::Waiting, NetworkState::Voting, NetworkState::Configured,
                                                 NetworkState::Loaded, NetworkState::Preparing, NetworkState::Prepared,
                                                 NetworkState::Playing, NetworkState::Ended, NetworkState::Leaving,
                                                 NetworkState::Waiting, NetworkState::Stopped}));
}

// A call that would move a stopped role stops where it was made, naming the state asked for.
TEST(NetworkRolesDeathTest, AStoppedLocalRoleRefusesToMoveOn)
{
#ifdef NDEBUG
    GTEST_SKIP() << "a release build checks no invariants";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case
    {
        const char* name;
        void (*call)(LocalNetwork&);
        const char* says;
    };
    const Case cases[] = {
        {"voting once stopped", [](LocalNetwork& role) { role.Stop(), role.BeginVoting(); },
         "a stopped role was asked to enter state 1"},
        {"started once stopped", [](LocalNetwork& role) { role.Stop(), role.BeginStarting(); },
         "a stopped role was asked to enter state 7"},
        {"left once stopped", [](LocalNetwork& role) { role.Stop(), role.BeginEnding(); },
         "a stopped role was asked to enter state 0"},
    };
    for (const Case& test : cases)
    {
        LocalRole local;
        LocalNetwork& role = local.Make();
        EXPECT_DEATH(test.call(role), test.says) << test.name;
    }
}

TEST(NetworkRoles, TheLocalRoleRecordsTicksWhilePlayingAndAfterTheEndOnly)
{
    LocalRole local;
    LocalNetwork& role = local.Make();
    role.BeginVoting();
    role.BeginLoading();
    role.Step(Lumvek::TickSeconds); // Loaded: nothing
    role.BeginPreparing();
    role.Step(Lumvek::TickSeconds); // Preparing: nothing
    role.BeginStarting();
    role.Step(Lumvek::TickSeconds);
    role.Step(Lumvek::TickSeconds);
    role.SaveJournal();
    role.Step(Lumvek::TickSeconds);
    EXPECT_EQ(role.GetJournal().GetFrameCount(), 3u);
    // With no local player slots every tick holds no input.
    for (uint32_t frame = 0; frame < 3; ++frame)
        EXPECT_TRUE(role.GetJournal().GetFrame(frame).empty());
    // The journal went out when the match ended, with the two ticks played by then.
    EXPECT_EQ(std::filesystem::file_size(role.GetSavedJournal()), 173u + 4u * 2u);

    role.BeginEnding();
    role.Step(Lumvek::TickSeconds);
    EXPECT_EQ(role.GetJournal().GetFrameCount(), 3u);
}

TEST(NetworkRoles, TheLocalRoleRecordsOneInputPerLocalPlayerInSlotOrder)
{
    LocalRole local;
    local.game->configuration.players.emplace_back(nullptr, 0);
    local.game->configuration.players.emplace_back(nullptr, 1);
    LocalNetwork& role = local.Make();
    role.BeginVoting();
    role.BeginLoading();
    role.BeginStarting();
    role.Step(Lumvek::TickSeconds);
    ASSERT_EQ(role.GetJournal().GetFrame(0).size(), 2u);
    // Nothing is pressed on absent devices.
    for (const JournalInput& input : role.GetJournal().GetFrame(0))
    {
        EXPECT_EQ(input.move, 0);
        EXPECT_EQ(input.buttons, (std::array<uint8_t, 2>{0, 0}));
    }
}

TEST(NetworkRoles, TheLibrarysMessagesReachTheLogCutTo1023Characters)
{
    struct Case
    {
        std::string text;
        std::string logged;
    };
    const std::string longText(1500, 'x');
    const Case cases[] = {
        {"server started on port 40000\n", "server started on port 40000"},
        {longText, longText.substr(0, 1023)},
        {"", ""},
    };
    for (const Case& test : cases)
    {
        Testing::LogCapture capture;
        EXPECT_EQ(NetworkLogHook("%s", test.text.c_str()), 0);
        ASSERT_EQ(capture.messages.size(), 1u);
        EXPECT_EQ(capture.messages[0], test.logged);
    }
}

// The local role's devices, made before the menus, start the match with none of the menus' presses: the A
// that chose the set-up gave Jump at the first tick.
TEST(NetworkRoles, TheMenusPressesDoNotActAtALocalMatchsFirstTick)
{
    NetworkTesting::EventPad pad;
    GameContext context;
    context.configuration.players.emplace_back(nullptr, 0);
    FileManager files;
    LocalNetwork role(context, NetworkSettings(), files, &pad, nullptr, nullptr, {640, 360});
    pad.Press(ControllerButton::A, true);
    pad.Press(ControllerButton::A, false);
    role.BeginLoading();
    role.BeginStarting();
    role.Step(TickSeconds);
    EXPECT_EQ(role.GetLocalDevices()->InputOf(context.configuration.players[0])[PlayerAction::Jump], 0);
}
