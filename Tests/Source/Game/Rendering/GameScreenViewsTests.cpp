// The windowed game system with its Gui on the recording device: the game screens the match flow
// opens stand over the camera views it lays out, and the world's images keep to its time on slow frames.

#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Engine/Runtime/Gui/Gui.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Game/Rendering/GameRenderer.h"
#include "Source/Network/LocalNetwork.h"
#include "Source/Ui/Screens/GameScreen.h"
#include "Source/World/World.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Game/GameTestSupport.h"
#include "Tests/Source/Network/EventPad.h"

#include <map>

using namespace GameTesting;
using namespace Lumvek;

namespace
{

// The configuration for local players on the given pads, drawn on the recording device with the Gui
// beside the game.
struct ScreenedMatch : GameFixture
{
    explicit ScreenedMatch(std::initializer_list<uint32_t> pads, const char* name = "Default") : GameFixture(false)
    {
        auto recording = std::make_unique<RecordingGraphicsDevice>(&application->GetResources());
        device = recording.get();
        application->SetGraphicsDevice(std::move(recording));
        gui = static_cast<Gui*>(application->AddSystem(std::make_unique<Gui>()));
        gui->Setup();
        Start();
        const GameConfiguration* chosen = game->registry->configurations.Find(StringView::FromCString(name));
        EXPECT_NE(chosen, nullptr);
        if (chosen)
            game->configuration = *chosen;
        for (uint32_t pad : pads)
            game->configuration.players.emplace_back(nullptr, pad);
    }

    // A frame of the given length (a tick's by default), whose commands the device replays.
    void DrawnFrame(int64_t length = Vantorel_::StepLength)
    {
        game->WaitForLoader();
        game->LateUpdate(length);
        game->Render(length);
        const auto lock = device->Lock();
        device->ExecuteCommands();
        device->GetCommands().clear();
    }

    // Starts the configuration's match; whether it runs after the vote, the load and the countdown.
    bool StartRunning()
    {
        game->StartLocalGame()->BeginVoting();
        for (int32_t frame = 0; frame < 5000 && game->GetMatchFlow() != MatchFlow::Running; ++frame)
            DrawnFrame();
        return game->GetMatchFlow() == MatchFlow::Running;
    }

    std::vector<const MenuRecord*> GameScreens() const
    {
        std::vector<const MenuRecord*> found;
        for (uint32_t i = 0; i < gui->GetMenuCount(); ++i)
            if (dynamic_cast<const GameScreen*>(gui->GetRecord(i).menu.get()) && gui->GetRecord(i).opening)
                found.push_back(&gui->GetRecord(i));
        return found;
    }

    RecordingGraphicsDevice* device = nullptr;
    Gui* gui = nullptr;
};

void ExpectScreensOverViews(ScreenedMatch& match)
{
    Vantorel_& game = *match.game;
    ASSERT_TRUE(match.StartRunning());
    const GameRenderer* renderer = game.GetRenderer();
    ASSERT_NE(renderer, nullptr);
    const auto count = game.configuration.players.size();
    ASSERT_EQ(renderer->views.size(), count);
    const std::vector<const MenuRecord*> screens = match.GameScreens();
    ASSERT_EQ(screens.size(), count);
    for (size_t i = 0; i < count; ++i)
    {
        SCOPED_TRACE(i);
        // The view counts y upward from the bottom of the window; the screen's area from the top.
        const Rectangle view = renderer->views[i]->NormalizedViewport();
        const UnitRectangle& area = screens[i]->placement;
        EXPECT_FLOAT_EQ(area.x.value, view.x * 100.0f);
        EXPECT_FLOAT_EQ(area.y.value, (1.0f - view.y - view.height) * 100.0f);
        EXPECT_FLOAT_EQ(area.width.value, view.width * 100.0f);
        EXPECT_FLOAT_EQ(area.height.value, view.height * 100.0f);
        const auto& screen = static_cast<const GameScreen&>(*screens[i]->menu);
        EXPECT_EQ(screen.owner, game.configuration.players[i].localIndex);
        EXPECT_EQ(renderer->views[i]->player, game.configuration.players[i].player);
    }
}

TEST(GameScreenViews, FourLocalPlayersGetFourViewsEachUnderItsPlayersGameScreen)
{
    ScreenedMatch match({0, 1, 2, 3});
    ExpectScreensOverViews(match);
}

TEST(GameScreenViews, PlayersOnPadsTwoAndZeroGetTheUpperAndTheLowerHalf)
{
    ScreenedMatch match({2, 0});
    ExpectScreensOverViews(match);
    ASSERT_EQ(match.game->GetRenderer()->views.size(), 2u);
    EXPECT_EQ(match.game->GetRenderer()->views[0]->NormalizedViewport(), (Rectangle{0.0f, 0.5f, 1.0f, 0.5f}));
}

// At frames of 0.15 s, hitch or not, visuals end on the world's time: a 16-bot Brawl never runs out
// of them, and an image scribbled out goes within its second and a frame (seven frames).
TEST(SlowFrames, ErasedVisualsStillGoAndABrawlNeverRunsOutOfThem)
{
    ScreenedMatch match({}, "Brawl");
    match.Write("Assets/local.config", "{ StartDuration = 0.1 PrepareDuration = 0.1 EndDuration = 0.1 }");
    ASSERT_TRUE(match.StartRunning());
    Vantorel_& game = *match.game;
    Testing::LogCapture log;
    // The frames since each visual's image was seen being scribbled out; one whose particle effect outlasts
    // the image waits for it.
    std::map<std::pair<EntityId, const ImageInstance*>, int32_t> erasing, still;
    size_t started = 0;
    while (game.GetMatchTicks() < 6000 && game.GetMatchFlow() == MatchFlow::Running)
    {
        match.DrawnFrame(150'000'000);
        for (const Visual& visual : game.world->visuals.View())
            if (visual.body->active && visual.image && visual.image->erasing &&
                (!visual.effect || visual.effect->IsFinished()))
            {
                const auto key = std::make_pair(visual.id, visual.image.get());
                const int32_t frames = still[key] = erasing.count(key) ? erasing[key] + 1 : 0;
                ASSERT_LE(frames, 7) << "visual " << visual.id;
                started += frames == 0 ? 1 : 0;
            }
        erasing = std::exchange(still, {});
    }
    EXPECT_GE(game.GetMatchTicks(), 6000u);
    EXPECT_GT(started, 16u);
    EXPECT_FALSE(log.Logged("failed to create Visual"));
}

// A machine that stays slow plays on: at frames of 0.4 s (beyond the backlog caught up with) the match
// advances and the player walks; at those and at 0.15 s his view follows him after the first, a hitch.
TEST(SlowFrames, TheMatchGoesOnAndTheCameraKeepsThePlayerInView)
{
    for (const int64_t length : {400'000'000, 150'000'000})
    {
        SCOPED_TRACE(length);
        ScreenedMatch match({0});
        auto stickRight = std::make_unique<NetworkTesting::EventPad>();
        stickRight->stickX = 1.0f;
        match.application->SetControllerDevice(std::move(stickRight));
        match.game->configuration.bots.clear();
        ASSERT_TRUE(match.StartRunning());
        const PlayerBody& body = match.game->configuration.players[0].player->GetBody();
        const CameraView& view = *match.game->GetRenderer()->views[0];
        const float startX = body.x;
        const uint64_t ticks = match.game->GetMatchTicks();
        for (int32_t frame = 0; frame < 40; ++frame, match.DrawnFrame(length))
            EXPECT_TRUE(frame < 2 || std::abs(body.x - view.Position().x) < view.Extent().x / 2) << frame;
        EXPECT_GE(match.game->GetMatchTicks() - ticks, 40u * (length > Vantorel_::MaximumBacklog ? 15 : 9));
        EXPECT_GT(std::abs(body.x - startX), 8.0f);
    }
}

} // namespace
