#include "Tests/Source/Game/GameTestSupport.h"

#include <array>

using namespace GameTesting;
using namespace Lumvek;

namespace
{

// A game system over an empty application folder whose role the test scripts.
struct FrameLoop : GameFixture
{
    FrameLoop() : GameFixture(true, false)
    {
        auto scripted = std::make_unique<ScriptedNetwork>(NetworkState::Playing);
        role = scripted.get();
        game->SetNetwork(std::move(scripted), true, true);
    }

    ScriptedNetwork* role = nullptr;
};

// Pads whose motors the test sets, recording what the game tells them.
class RecordingPads : public ControllerDevice
{
public:
    uint32_t Update(ControllerStates&, uint32_t cursor) override { return cursor; }
    void SetVibration(float high, float low, uint32_t pad) override { calls.push_back({high, low, pad}); }

    struct Call
    {
        float high;
        float low;
        uint32_t pad;
    };
    std::vector<Call> calls;
};

} // namespace

TEST(FrameLoop, StepsWholeTicksAndCatchesUpWithNoMoreThanAQuarterSecond)
{
    struct Case
    {
        int64_t elapsed;
        int32_t steps;
        int64_t left;
    };
    const Case cases[] = {
        // Beyond the bound the bound's worth is simulated and the rest dropped.
        {300'000'000, 15, 10},
        // At the bound it stays: 15 ticks of 16,666,666 ns, and 10 ns left over.
        {250'000'000, 15, 10},
        {16'666'665, 0, 16'666'665},
        {16'666'666, 1, 0},
        {33'333'331, 1, 16'666'665},
        {33'333'333, 2, 1},
    };
    for (const Case& test : cases)
    {
        FrameLoop loop;
        loop.game->LateUpdate(test.elapsed);
        EXPECT_EQ(loop.role->steps, test.steps) << test.elapsed;
        EXPECT_EQ(loop.game->GetAccumulator(), test.left) << test.elapsed;
        EXPECT_EQ(loop.role->updates, 1);
    }
}

TEST(FrameLoop, PausedTimeIsNeverReplayed)
{
    FrameLoop loop;
    loop.game->LateUpdate(10'000'000);
    loop.game->paused = true;
    for (int frame = 0; frame < 10; ++frame)
        loop.game->LateUpdate(100'000'000);
    EXPECT_EQ(loop.role->steps, 0);
    EXPECT_EQ(loop.game->GetAccumulator(), 10'000'000);

    loop.game->paused = false;
    loop.game->LateUpdate(10'000'000);
    EXPECT_EQ(loop.role->steps, 1);
    EXPECT_EQ(loop.game->GetAccumulator(), 20'000'000 - Vantorel_::StepLength);
}

TEST(FrameLoop, StepsOnlyWhilePreparedPlayingOrEnded)
{
    for (int32_t value = 0; value <= static_cast<int32_t>(NetworkState::Stopped); ++value)
    {
        const auto state = static_cast<NetworkState>(value);
        if (state == NetworkState::Configured || state == NetworkState::Leaving || state == NetworkState::Stopped)
            continue; // these act on the match; their own tests follow
        FrameLoop loop;
        loop.role->SetState(state);
        loop.game->LateUpdate(Vantorel_::StepLength);
        const bool steps =
            state == NetworkState::Prepared || state == NetworkState::Playing || state == NetworkState::Ended;
        EXPECT_EQ(loop.role->steps, steps ? 1 : 0) << value;
    }
}

TEST(FrameLoop, ConfiguredStartsAMatchOnlyOnceNothingLoads)
{
    struct Case
    {
        LoadState loadState;
        bool starts;
    };
    const Case cases[] = {
        {LoadState::StartupLoading, false},         {LoadState::StartupLoaded, true}, {LoadState::MatchLoading, false},
        {LoadState::RenderResourcesLoading, false}, {LoadState::MatchUnloaded, true},
    };
    for (const Case& test : cases)
    {
        FrameLoop loop;
        loop.role->SetState(NetworkState::Configured);
        loop.game->load.SetState(test.loadState);
        loop.game->LateUpdate(Vantorel_::StepLength);
        const int32_t state = static_cast<int32_t>(test.loadState);
        EXPECT_EQ(loop.game->world != nullptr, test.starts) << state;
        EXPECT_EQ(loop.role->calls, test.starts ? std::vector<std::string>{"BeginLoading"} : std::vector<std::string>{})
            << state;
        // A start hands the match to the match loader.
        loop.game->WaitForLoader();
        EXPECT_EQ(loop.game->load.GetState(), test.starts ? LoadState::MatchLoaded : test.loadState) << state;
    }
}

TEST(FrameLoop, StoppedLeavesAnyMatchAndDropsTheRole)
{
    for (const bool inMatch : {false, true})
    {
        FrameLoop loop;
        loop.game->load.SetState(LoadState::StartupLoaded);
        if (inMatch)
        {
            loop.role->SetState(NetworkState::Configured);
            loop.game->LateUpdate(0);
            ASSERT_NE(loop.game->world, nullptr);
        }
        loop.role->SetState(NetworkState::Stopped);
        loop.recorder.Take();
        loop.game->LateUpdate(0);

        EXPECT_EQ(loop.game->GetNetwork(), nullptr);
        EXPECT_EQ(loop.game->world, nullptr);
        EXPECT_EQ(loop.game->GetMatchFlow(), MatchFlow::FrontEnd);
        // Leaving waits for the match loader the start began.
        const std::vector<std::string> left =
            inMatch ? std::vector<std::string>{"P0", "S7", "P100", "S8"} : std::vector<std::string>{};
        std::vector<std::string> events = loop.recorder.Take();
        if (inMatch)
            events.erase(events.begin(), events.end() - 4);
        EXPECT_EQ(events, left) << inMatch;
    }
}

TEST(FrameLoop, RumbleFadesAtFiftyASecondAndStopsAPadOnceBothMotorsAreBelowZero)
{
    GameFixture fixture(false, false);
    auto pads = std::make_unique<RecordingPads>();
    RecordingPads& recording = *pads;
    fixture.application->SetControllerDevice(std::move(pads));
    recording.vibrations[0] = {0.3f, 0.0f};
    recording.vibrations[1] = {0.3f, 0.0f};

    // 4 ms at 50 a second is 0.2.
    fixture.game->Render(4'000'000);
    for (uint32_t pad : {0u, 1u})
    {
        EXPECT_NEAR(recording.vibrations[pad].highFrequency, 0.1f, 1e-6f);
        EXPECT_NEAR(recording.vibrations[pad].lowFrequency, -0.2f, 1e-6f);
    }
    EXPECT_TRUE(recording.calls.empty());

    fixture.game->Render(4'000'000);
    ASSERT_EQ(recording.calls.size(), 2u);
    for (uint32_t pad : {0u, 1u})
    {
        EXPECT_EQ(recording.calls[pad].pad, pad);
        EXPECT_EQ(recording.calls[pad].high, 0.0f);
        EXPECT_EQ(recording.calls[pad].low, 0.0f);
        EXPECT_EQ(recording.vibrations[pad].highFrequency, 0.0f);
        EXPECT_EQ(recording.vibrations[pad].lowFrequency, 0.0f);
    }
    // Still pads are left alone.
    fixture.game->Render(4'000'000);
    EXPECT_EQ(recording.calls.size(), 2u);
    EXPECT_EQ(recording.vibrations[2].highFrequency, 0.0f);
}
