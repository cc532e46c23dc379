#include "Engine/Foundation/NameSet.h"
#include "Engine/Runtime/Audio/Sound.h"
#include "Source/Data/DataRegistry.h"
#include "Source/GameTypes/GameType.h"
#include "Source/Network/LocalNetwork.h"
#include "Source/World/World.h"
#include "Tests/Engine/Runtime/Audio/RecordingDevices.h"
#include "Tests/Source/Game/GameTestSupport.h"

#include <atomic>
#include <filesystem>
#include <latch>

using namespace GameTesting;
using namespace Lumvek;

namespace
{

using Strings = std::vector<std::string>;

// The size of a journal of a match with no local players: its set-up, then four bytes a tick.
constexpr uint64_t JournalHeaderBytes = 173;

// A headless game over a copy of the shipped Assets, ready to play the "Default" configuration locally.
struct LocalMatch : GameFixture
{
    LocalMatch()
    {
        Start();
        const GameConfiguration* chosen = game->registry->configurations.Find("Default");
        EXPECT_NE(chosen, nullptr);
        if (chosen)
            game->configuration = *chosen;
    }

    LocalNetwork& Role() { return *static_cast<LocalNetwork*>(game->GetNetwork()); }

    // The match flow after every frame until the condition holds, without repeats.
    Strings FlowUntil(const std::function<bool()>& condition)
    {
        Strings flows;
        const auto note = [&]
        {
            const std::string flow = std::to_string(static_cast<int32_t>(game->GetMatchFlow()));
            if (flows.empty() || flows.back() != flow)
                flows.push_back(flow);
        };
        note();
        for (int32_t frame = 0; frame < 5000 && !condition(); ++frame)
        {
            Frame();
            note();
        }
        EXPECT_TRUE(condition());
        return flows;
    }

    // Plays one match from the vote to its end: ticks of play, then the game rules' end, then the
    // results until the match is left. The flows seen on the way.
    Strings Play(uint64_t ticks)
    {
        const uint64_t start = game->GetMatchTicks();
        Strings flows = FlowUntil([this] { return game->GetMatchFlow() == MatchFlow::Running; });
        Strings playing = FlowUntil([&] { return game->GetMatchTicks() - start == ticks; });
        // A match is won: the rules end it and the role records it.
        EXPECT_NE(game->GetGameType(), nullptr);
        if (game->GetGameType())
            game->GetGameType()->EndAndNotify();
        Strings ended = FlowUntil([this] { return game->GetNetwork()->GetState() == NetworkState::Waiting; });
        for (const Strings* more : {&playing, &ended})
            for (const std::string& flow : *more)
                if (flows.back() != flow)
                    flows.push_back(flow);
        return flows;
    }
};

} // namespace

TEST(MatchFlow, AHeadlessStartUpLoadsTheDefinitionsWithoutProfiles)
{
    GameFixture fixture;
    fixture.Start();
    EXPECT_EQ(fixture.recorder.Take(), (Strings{"P0", "S1", "P33", "P66", "S2"}));
    EXPECT_NE(fixture.game->registry->configurations.Find("Default"), nullptr);
    EXPECT_EQ(fixture.game->profiles.Count(), 0u);
    EXPECT_EQ(fixture.game->GetMatchFlow(), MatchFlow::FrontEnd);
}

TEST(MatchFlow, OneLocalMatchRunsEveryLoadStateAndFlowInOrder)
{
    LocalMatch match;
    match.recorder.Take();
    match.game->StartLocalGame()->BeginVoting();
    const Strings flows = match.Play(30);

    EXPECT_EQ(flows, (Strings{"1", "2", "3", "4", "1"}));
    EXPECT_EQ(match.recorder.Take(), (Strings{"P0", "S3", "P25", "P50", "P75", "P100", "S4", "P0", "S5", "P50", "P80",
                                              "S6", "P0", "S7", "P100", "S8"}));
    EXPECT_EQ(match.game->world, nullptr);
    EXPECT_EQ(match.game->GetGameType(), nullptr);
    EXPECT_TRUE(match.game->configuration.bots.size() > 0);
    EXPECT_EQ(match.game->configuration.bots[0].player, nullptr);
    EXPECT_TRUE(std::filesystem::exists(match.Role().GetSavedJournal()));
}

TEST(MatchFlow, EachJournalHoldsOnlyItsOwnMatchsTicks)
{
    LocalMatch match;
    LocalNetwork* role = match.game->StartLocalGame();
    role->BeginVoting();
    match.Play(40);
    const std::string first = role->GetSavedJournal();

    role->BeginVoting();
    match.Play(25);
    const std::string second = role->GetSavedJournal();

    ASSERT_NE(first, second);
    // No local player: every tick is its count of inputs, 0.
    EXPECT_EQ(std::filesystem::file_size(first), JournalHeaderBytes + 4 * 40);
    EXPECT_EQ(std::filesystem::file_size(second), JournalHeaderBytes + 4 * 25);
    EXPECT_EQ(std::filesystem::path(first).parent_path(), std::filesystem::path(match.folder.Path("Journals")));
}

TEST(MatchFlow, ALeaveWhileTheMatchLoadsWaitsForTheLoader)
{
    // Holds the match loader at its first progress until the leave is under way.
    struct HeldLoader : LoadRecorder
    {
        void ProgressChanged(int32_t progress) override
        {
            LoadRecorder::ProgressChanged(progress);
            if (progress == 25)
                leaving.wait();
        }
        void Release()
        {
            if (!released.exchange(true))
                leaving.count_down();
        }
        std::latch leaving{1};
        std::atomic<bool> released{false};
    };
    // Outlives the game, which reports to it until its loader has ended.
    HeldLoader held;
    LocalMatch match;
    // Lets a held loader go even when the test stops early, so that the game can wait for it.
    struct Release
    {
        HeldLoader& held;
        ~Release() { held.Release(); }
    } release{held};
    match.game->load.observer = &held;
    match.game->StartLocalGame()->BeginVoting();
    for (int32_t frame = 0; frame < 1000 && match.game->load.GetState() != LoadState::MatchLoading; ++frame)
        match.game->LateUpdate(Vantorel_::StepLength);
    ASSERT_EQ(match.game->load.GetState(), LoadState::MatchLoading);

    held.Release();
    match.game->LeaveGame();
    // The loader finished filling the world before the leave deleted it.
    EXPECT_EQ(held.Take(), (Strings{"P0", "S3", "P25", "P50", "P75", "P100", "S4", "P0", "S7", "P100", "S8"}));
    EXPECT_EQ(match.game->world, nullptr);
    EXPECT_EQ(match.game->GetGameType(), nullptr);
}

TEST(MatchFlow, ACustomGamePlaysItsRandomPicksAndComesBackToTheChoicesMade)
{
    LocalMatch match;
    GameConfiguration& configuration = match.game->configuration;
    configuration.origin = GameOrigin::CustomGame;
    configuration.theme = Loadout::Random;
    configuration.weapons[0].weapon = Loadout::Random;
    configuration.attributes[0] = 2.0f;
    match.game->StartLocalGame()->BeginVoting();
    match.FlowUntil([&] { return match.game->GetMatchFlow() == MatchFlow::Running; });
    // The match plays a real theme and weapon, drawn from their collections.
    EXPECT_LT(configuration.theme, match.game->registry->themes.Count());
    EXPECT_LT(configuration.weapons[0].weapon, match.game->registry->weapons.Count());
    ASSERT_NE(match.game->world, nullptr);
    EXPECT_NE(match.game->world->theme, nullptr);

    match.game->GetGameType()->EndAndNotify();
    match.FlowUntil([&] { return match.game->GetNetwork()->GetState() == NetworkState::Waiting; });
    EXPECT_EQ(configuration.theme, Loadout::Random);
    EXPECT_EQ(configuration.weapons[0].weapon, Loadout::Random);
    EXPECT_FLOAT_EQ(configuration.attributes[0], 2.0f);
    EXPECT_EQ(configuration.origin, GameOrigin::CustomGame);
}

TEST(MatchFlow, ASoundPlaysOnceAndFinishesUnlessHeadlessOrNone)
{
    struct Case
    {
        bool headless;
        bool none;
        bool plays;
    };
    const Case cases[] = {{false, false, true}, {true, false, false}, {false, true, false}};
    const uint32_t sound = NameSet::Global().Add("MatchFlowTestSound");
    for (const Case& test : cases)
    {
        GameFixture fixture(test.headless, false);
        Testing::DeviceCalls record;
        fixture.application->SetAudioDevice(
            std::make_unique<Testing::RecordingAudioDevice>(&fixture.application->GetResources(), record));
        const uint32_t resource = NameTableB().Add(NameSet::Global().GetName(sound));
        ASSERT_NE(fixture.application->GetResources().Create<Sound>(resource), nullptr);

        fixture.game->PlaySound(test.none ? InvalidId : sound, {1.0f, 2.0f}, {}, 0.5f);
        // Nothing stops it: the device lets the voice go when the sound has ended.
        EXPECT_EQ(record.calls, test.plays ? Strings{"Play " + std::to_string(resource)} : Strings{})
            << test.headless << test.none;
    }
}
