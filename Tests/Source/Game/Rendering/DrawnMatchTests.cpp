// A windowed game system on the recording devices: the renderer made, loaded, drawn and torn down by
// the match flow, and the loader threads that fill it.

#include "Engine/Foundation/ImageFormats.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Foundation/TextureRegion.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Game/Rendering/GameRenderer.h"
#include "Source/Network/LocalNetwork.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"
#include "Tests/Engine/Runtime/Audio/RecordingDevices.h"
#include "Tests/Source/Game/GameTestSupport.h"

#include <array>
#include <atomic>
#include <latch>
#include <mutex>
#include <thread>

using namespace GameTesting;
using namespace Lumvek;

namespace
{

using Strings = std::vector<std::string>;

// Hands out listeners and keeps which are taken back, in a list of its own: the render-resource
// loader registers sounds on the same device while play begins.
class ListeningAudio : public Testing::RecordingAudioDevice
{
public:
    using RecordingAudioDevice::RecordingAudioDevice;
    uint8_t AddListener() override
    {
        std::lock_guard lock(mutex);
        listeners.push_back("AddListener " + std::to_string(next));
        return next++;
    }
    bool RemoveListener(uint8_t id) override
    {
        std::lock_guard lock(mutex);
        listeners.push_back("RemoveListener " + std::to_string(id));
        return true;
    }
    Strings Listeners()
    {
        std::lock_guard lock(mutex);
        return listeners;
    }

private:
    std::mutex mutex;
    uint8_t next = 0;
    Strings listeners;
};

// Outlives the game, whose audio device records into it until the game is deleted.
struct AudioRecord
{
    Testing::DeviceCalls audioCalls;
};

// A windowed game over a copy of the shipped Assets, drawing on the recording device, ready to play
// the "Default" configuration with two local players.
struct DrawnMatch : AudioRecord, GameFixture
{
    DrawnMatch() : GameFixture(false)
    {
        auto recording = std::make_unique<RecordingGraphicsDevice>(&application->GetResources());
        device = recording.get();
        application->SetGraphicsDevice(std::move(recording));
        application->SetAudioDevice(std::make_unique<ListeningAudio>(&application->GetResources(), audioCalls));
        Start();
        const GameConfiguration* chosen = game->registry->configurations.Find("Default");
        EXPECT_NE(chosen, nullptr);
        if (chosen)
            game->configuration = *chosen;
        // As the front end adds them: without ids, which the match gives them.
        game->configuration.players.emplace_back(nullptr, 0);
        game->configuration.players.emplace_back(nullptr, 1);
    }

    // A frame as the application runs it: the game's update and render, then the device's replay.
    void DrawnFrame()
    {
        Frame();
        const auto lock = device->Lock();
        device->ExecuteCommands();
        device->GetCommands().clear();
    }
    bool DrawUntil(const std::function<bool()>& condition)
    {
        for (int32_t frame = 0; frame < 5000 && !condition(); ++frame)
            DrawnFrame();
        return condition();
    }

    RecordingGraphicsDevice* device = nullptr;
};

} // namespace

TEST(DrawnMatch, EachLocalPlayerGetsAViewThatDrawsInThenPlaysAndLeavingReturnsEveryResource)
{
    DrawnMatch match;
    Vantorel_& game = *match.game;
    // The unit quad the screens share is made once and stays.
    GameRenderer::CreateQuad(*match.device);
    const int handlesBefore = match.device->liveHandles;
    game.StartLocalGame()->BeginVoting();
    ASSERT_TRUE(match.DrawUntil([&] { return game.GetMatchFlow() == MatchFlow::PlayBegun; }));

    GameRenderer* renderer = game.GetRenderer();
    ASSERT_NE(renderer, nullptr);
    ASSERT_EQ(renderer->views.size(), 2u);
    // The local players took the lowest ids, below the bots'.
    EXPECT_EQ(game.configuration.players[0].id, 0u);
    EXPECT_EQ(game.configuration.players[1].id, 1u);
    for (const BotSlot& bot : game.configuration.bots)
        EXPECT_GE(bot.id, 2u);
    for (uint32_t slot = 0; slot < 2; ++slot)
    {
        const CameraView& view = *renderer->views[slot];
        EXPECT_EQ(view.player, game.configuration.players[slot].player);
        ASSERT_NE(view.player, nullptr);
        EXPECT_EQ(view.camera, &view.player->camera);
        EXPECT_EQ(view.player->listenerDevice, game.GetApplication()->GetAudioDevice());
    }
    // View 0 has the upper half of the window, view 1 the lower.
    EXPECT_EQ(renderer->views[0]->NormalizedViewport(), (Rectangle{0.0f, 0.5f, 1.0f, 0.5f}));
    EXPECT_EQ(renderer->views[1]->NormalizedViewport(), (Rectangle{0.0f, 0.0f, 1.0f, 0.5f}));
    EXPECT_FLOAT_EQ(renderer->drawInDuration, game.GetNetwork()->GetSettings().prepareDuration);
    EXPECT_LT(renderer->time, renderer->drawInDuration);

    // The views are fitted to the back buffer by the visual update before they are drawn.
    match.DrawnFrame();
    EXPECT_EQ(renderer->views[1]->Viewport(), (Rectangle{0.0f, 0.0f, 1920.0f, 540.0f}));
    EXPECT_FLOAT_EQ(renderer->views[1]->Aspect(), 540.0f / 1920.0f);

    // While the players' textures load, the frame stays in the draw-in even once its time is up: the
    // entities' atlases are still being written.
    renderer->time = renderer->drawInDuration + 1.0f;
    EXPECT_TRUE(renderer->IsDrawingIn());
    EXPECT_FLOAT_EQ(renderer->DrawInProgress(), 1.0f);
    renderer->time = 0.0f;

    // Opening the match ends the draw-in at once.
    ASSERT_TRUE(match.DrawUntil([&] { return game.GetMatchFlow() == MatchFlow::Running; }));
    EXPECT_GE(renderer->time, renderer->drawInDuration);
    EXPECT_FALSE(renderer->IsDrawingIn());

    game.LeaveGame();
    EXPECT_EQ(game.GetRenderer(), nullptr);
    EXPECT_EQ(game.renderer, nullptr);
    EXPECT_EQ(match.device->GetTexture(NameTableC().Add("GameRenderTarget")), nullptr);
    EXPECT_EQ(match.device->liveHandles, handlesBefore);
    const Strings calls = static_cast<ListeningAudio*>(game.GetApplication()->GetAudioDevice())->Listeners();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "AddListener 0"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "RemoveListener 0"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "RemoveListener 1"), 1);
}

TEST(DrawnMatch, QuittingWhileTheMatchLoadsWaitsForTheLoaderThatFillsTheRenderer)
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
    HeldLoader held;
    DrawnMatch match;
    struct Release
    {
        HeldLoader& held;
        ~Release() { held.Release(); }
    } release{held};
    Vantorel_& game = *match.game;
    // The unit quad the screens share is made once and stays.
    GameRenderer::CreateQuad(*match.device);
    const int handlesBefore = match.device->liveHandles;
    game.load.observer = &held;
    game.StartLocalGame()->BeginVoting();
    for (int32_t frame = 0; frame < 1000 && game.load.GetState() != LoadState::MatchLoading; ++frame)
        game.LateUpdate(Vantorel_::StepLength);
    ASSERT_EQ(game.load.GetState(), LoadState::MatchLoading);
    ASSERT_NE(game.GetRenderer(), nullptr);

    // The leave the role asks for while the loader still fills the renderer.
    held.Release();
    static_cast<LocalNetwork*>(game.GetNetwork())->Stop();
    game.LateUpdate(Vantorel_::StepLength);
    EXPECT_EQ(held.Take(), (Strings{"P0", "S3", "P25", "P50", "P75", "P100", "S4", "P0", "S7", "P100", "S8"}));
    EXPECT_EQ(game.GetRenderer(), nullptr);
    EXPECT_EQ(game.world, nullptr);
    // What the loader made on the device went with the renderer.
    EXPECT_EQ(match.device->liveHandles, handlesBefore);
}

TEST(DrawnMatch, IconRequestsFromALoaderAndTheApplicationThreadAtOnceAllLand)
{
    DrawnMatch match;
    Vantorel_& game = *match.game;
    constexpr uint32_t CellSize = 16;
    Texture* atlas = match.device->GetTexture(game.iconAtlas.texture);
    if (!atlas)
        atlas = match.device->CreateTexture(game.iconAtlas.texture, 0);
    ASSERT_NE(atlas, nullptr);
    // A small atlas of its own, so that the loads are the test's.
    {
        const auto lock = match.device->Lock();
        ASSERT_TRUE(atlas->SetSize(4 * CellSize, 4 * CellSize, TextureFormat::ColorBuffer4x8));
        auto* stream = atlas->AddRegionOf<TextureStreamRegion>(game.iconAtlas.region, 0, 0);
        ASSERT_NE(stream, nullptr);
        ASSERT_TRUE(stream->SetSize(4 * CellSize, 4 * CellSize));
        ASSERT_TRUE(stream->SetCellSize(CellSize, CellSize));
    }
    atlas->FinishChanges();
    const auto image = [](uint32_t cell) { return "Assets/StreamTest/Image" + std::to_string(cell) + ".png"; };
    for (uint32_t cell = 0; cell < 16; ++cell)
    {
        std::array<uint8_t, 8 * 8 * 4> pixels;
        pixels.fill(static_cast<uint8_t>(cell * 15 + 1));
        BufferWriter png;
        ASSERT_TRUE(PngFormat::WritePng(png, pixels.data(), 8, 8, 8 * 4));
        match.Write(image(cell), png.ToString());
    }

    // Half the cells from a thread standing for the render-resource loader, half from this one, all
    // let go at once.
    std::latch start(2);
    std::thread loader(
        [&]
        {
            start.arrive_and_wait();
            for (uint32_t cell = 0; cell < 16; cell += 2)
                game.iconAtlas.RequestTextureRegion(match.device, cell, image(cell));
        });
    start.arrive_and_wait();
    for (uint32_t cell = 1; cell < 16; cell += 2)
        game.iconAtlas.RequestTextureRegion(match.device, cell, image(cell));
    loader.join();

    // Each load is served in turn; every request is loaded exactly once into its own cell.
    for (int32_t frame = 0; frame < 2000 && (game.iconAtlas.IsBusy() || game.iconAtlas.GetPendingCount() > 0); ++frame)
    {
        while (game.iconAtlas.GetState() == Loader::StreamingAtlasInfo::Loading)
            std::this_thread::yield();
        game.RenderFrame(0.0, 0.0);
    }
    EXPECT_FALSE(game.iconAtlas.IsBusy());
    EXPECT_EQ(game.iconAtlas.GetPendingCount(), 0u);
    for (uint32_t cell = 0; cell < 16; ++cell)
    {
        const TextureRegion* region = atlas->GetRegion(cell);
        ASSERT_NE(region, nullptr) << cell;
        EXPECT_EQ(region->path, image(cell));
    }
}

TEST(DrawnMatch, TheVisualUpdateRunsDrawInAndEraseClocksOnlyOnceThePlatformsAreDrawnIn)
{
    DrawnMatch match;
    Vantorel_& game = *match.game;
    game.StartLocalGame()->BeginVoting();
    ASSERT_TRUE(match.DrawUntil([&] { return game.GetMatchFlow() == MatchFlow::Running; }));
    GameRenderer& renderer = *game.GetRenderer();
    World& world = *game.world;

    struct Case
    {
        const char* name;
        uint8_t drawIn;
        uint8_t erasing;
        bool drawingIn;
        float expected;
    };
    const Case cases[] = {
        {"drawing in runs forward", 1, 0, false, 1.25f},
        {"erasing runs backward", 0, 1, false, 0.75f},
        {"both run backward", 1, 1, false, 0.75f},
        {"neither stands", 0, 0, false, 1.0f},
        {"nothing runs while the platforms draw in", 1, 0, true, 1.0f},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.name);
        Visual* visual = world.visuals.Allocate();
        ASSERT_NE(visual, nullptr);
        visual->image = std::make_unique<ImageInstance>();
        visual->image->duration = 2.0f;
        visual->image->elapsed = 1.0f;
        visual->image->drawIn = test.drawIn;
        visual->image->erasing = test.erasing;
        renderer.drawInDuration = 3.0f;
        renderer.time = test.drawingIn ? 0.0f : 3.0f;
        game.VisualUpdate(0.25, 1.0);
        EXPECT_FLOAT_EQ(visual->image->elapsed, test.expected);
        world.visuals.Remove(visual->id);
    }

    // A dead player's camera stays where it is; a living one's follows.
    Player& player = *renderer.views[0]->player;
    Camera& camera = player.camera;
    player.body.previousX = player.body.x = camera.position.x + 5.0f;
    player.body.previousY = player.body.y = camera.position.y;
    const Vector2 before = camera.position;
    player.healthState = HealthState::Dead;
    game.VisualUpdate(0.25, 1.0);
    EXPECT_EQ(camera.position, before);
    player.healthState = HealthState::Healthy;
    game.VisualUpdate(0.25, 1.0);
    EXPECT_NE(camera.position, before);
}
