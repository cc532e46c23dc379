#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/ImageFormats.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Foundation/TextureRegion.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Tests/Source/Game/GameTestSupport.h"

#include <array>
#include <atomic>
#include <thread>

using namespace GameTesting;
using namespace Lumvek;

namespace
{

constexpr uint32_t CellSize = 16;

// A game system drawing on the recording device, whose icon atlas is a 64 x 32 texture of eight
// streaming cells, and image files of 8 x 8 pixels, each of its own colour, to stream into them.
struct Streaming : GameFixture
{
    Streaming() : GameFixture(true, false)
    {
        auto recording = std::make_unique<RecordingGraphicsDevice>(&application->GetResources());
        device = recording.get();
        application->SetGraphicsDevice(std::move(recording));

        texture = device->CreateTexture(game->iconAtlas.texture, static_cast<uint32_t>(ResourceUsage::Static));
        EXPECT_NE(texture, nullptr);
        EXPECT_TRUE(texture->SetSize(4 * CellSize, 2 * CellSize, TextureFormat::ColorBuffer4x8));
        stream = texture->AddRegionOf<TextureStreamRegion>(game->iconAtlas.region, 0, 0);
        EXPECT_NE(stream, nullptr);
        EXPECT_TRUE(stream->SetSize(4 * CellSize, 2 * CellSize));
        EXPECT_TRUE(stream->SetCellSize(CellSize, CellSize));
        texture->FinishChanges();

        for (uint8_t image = 0; image < 8; ++image)
        {
            std::array<uint8_t, 8 * 8 * 4> pixels;
            pixels.fill(static_cast<uint8_t>(image * 30 + 1));
            BufferWriter png;
            EXPECT_TRUE(PngFormat::WritePng(png, pixels.data(), 8, 8, 8 * 4));
            Write(Image(image), png.ToString());
        }
    }

    static std::string Image(uint32_t image) { return "Assets/Icons/Image" + std::to_string(image) + ".png"; }

    void Request(uint32_t cell, uint32_t image) { game->iconAtlas.RequestTextureRegion(device, cell, Image(image)); }
    // Waits for the image in flight, then lets the frame hand it to the device.
    void FinishLoad()
    {
        while (game->iconAtlas.GetState() == Loader::StreamingAtlasInfo::Loading)
            std::this_thread::yield();
        game->RenderFrame(0.0, 0.0);
    }
    // The image whose pixels the cell of the id shows; empty when the id has no region.
    std::string Shown(uint32_t cell) const
    {
        const TextureRegion* region = texture->GetRegion(cell);
        return region ? region->path : std::string();
    }
    uint32_t MostRecent() const { return stream->head; }
    uint32_t CellOf(uint32_t id) const { return stream->FindFrame(id)->cell; }

    RecordingGraphicsDevice* device = nullptr;
    Texture* texture = nullptr;
    TextureStreamRegion* stream = nullptr;
};

} // namespace

TEST(Streaming, AnImageLoadsIntoItsCellAndTheDeviceIsToldOnTheNextFrame)
{
    Streaming streaming;
    streaming.game->load.SetState(LoadState::StartupLoaded);
    const uint32_t version = streaming.texture->version;
    streaming.Request(100, 0);
    // Loading, or loaded and waiting for the frame: the device keeps its hands off either way.
    EXPECT_TRUE(streaming.game->iconAtlas.IsBusy());
    EXPECT_EQ(streaming.texture->locked, 1);

    streaming.FinishLoad();
    EXPECT_EQ(streaming.game->iconAtlas.GetState(), Loader::StreamingAtlasInfo::Idle);
    EXPECT_EQ(streaming.texture->locked, 0);
    EXPECT_GT(streaming.texture->version, version);
    EXPECT_EQ(streaming.Shown(100), streaming.Image(0));
    EXPECT_EQ(streaming.texture->GetRegion(100)->width, 8u);
}

TEST(Streaming, AnImageAlreadyInItsCellOnlyBecomesTheMostRecent)
{
    Streaming streaming;
    streaming.game->load.SetState(LoadState::StartupLoaded);
    streaming.Request(1, 1);
    streaming.FinishLoad();
    streaming.Request(2, 2);
    streaming.FinishLoad();
    ASSERT_EQ(streaming.MostRecent(), streaming.CellOf(2));
    const uint32_t version = streaming.texture->version;

    streaming.Request(1, 5);
    EXPECT_EQ(streaming.game->iconAtlas.GetState(), Loader::StreamingAtlasInfo::Idle);
    EXPECT_EQ(streaming.MostRecent(), streaming.CellOf(1));
    EXPECT_EQ(streaming.Shown(1), streaming.Image(1));
    EXPECT_EQ(streaming.texture->version, version);
}

TEST(Streaming, RequestsDuringALoadAreServedInArrivalOrderOneALoad)
{
    Streaming streaming;
    streaming.game->load.SetState(LoadState::StartupLoaded);
    streaming.Request(1, 1);
    streaming.Request(2, 2);
    streaming.Request(3, 3);
    EXPECT_EQ(streaming.game->iconAtlas.GetPendingCount(), 2u);

    // Each frame either hands a finished image over or starts the next one.
    streaming.FinishLoad();
    EXPECT_EQ(streaming.Shown(2), "");
    streaming.game->RenderFrame(0.0, 0.0);
    EXPECT_EQ(streaming.game->iconAtlas.GetPendingCount(), 1u);
    streaming.FinishLoad();
    EXPECT_EQ(streaming.Shown(2), streaming.Image(2));
    EXPECT_EQ(streaming.Shown(3), "");
    streaming.game->RenderFrame(0.0, 0.0);
    streaming.FinishLoad();
    EXPECT_EQ(streaming.Shown(3), streaming.Image(3));
    EXPECT_EQ(streaming.game->iconAtlas.GetPendingCount(), 0u);
}

TEST(Streaming, AQueuedRequestWaitsWhileALoaderMayRun)
{
    struct Case
    {
        LoadState waitingIn;
        LoadState startsIn;
    };
    const Case cases[] = {
        {LoadState::MatchLoading, LoadState::RenderResourcesLoaded},
        {LoadState::MatchLoaded, LoadState::RenderResourcesLoaded},
        {LoadState::RenderResourcesLoading, LoadState::RenderResourcesLoaded},
        {LoadState::MatchUnloaded, LoadState::StartupLoaded},
    };
    for (const Case& test : cases)
    {
        Streaming streaming;
        streaming.game->load.SetState(LoadState::StartupLoaded);
        streaming.Request(1, 1);
        streaming.Request(2, 2);
        streaming.FinishLoad();

        streaming.game->load.SetState(test.waitingIn);
        for (int frame = 0; frame < 3; ++frame)
            streaming.game->RenderFrame(0.0, 0.0);
        EXPECT_EQ(streaming.game->iconAtlas.GetPendingCount(), 1u) << static_cast<int32_t>(test.waitingIn);

        streaming.game->load.SetState(test.startsIn);
        streaming.game->RenderFrame(0.0, 0.0);
        streaming.FinishLoad();
        EXPECT_EQ(streaming.Shown(2), streaming.Image(2)) << static_cast<int32_t>(test.waitingIn);
    }
}

TEST(Streaming, ALoaderDueWhileAnImageLoadsStartsOnceTheAtlasIsIdle)
{
    Streaming streaming;
    streaming.game->load.SetState(LoadState::StartupLoaded);
    streaming.Request(1, 1);
    // The set-up's start-up loader is due while the image loads.
    streaming.game->Setup();
    EXPECT_TRUE(streaming.game->IsLoaderPending());
    EXPECT_EQ(streaming.recorder.Take(), (std::vector<std::string>{"S2", "P0", "S1"}));

    streaming.FinishLoad();
    streaming.game->RenderFrame(0.0, 0.0);
    EXPECT_FALSE(streaming.game->IsLoaderPending());
    streaming.game->WaitForLoader();
    EXPECT_EQ(streaming.recorder.Take(), (std::vector<std::string>{"P33", "P66", "S2"}));
}

// The match loader asks for icons while the frame reads the regions without a lock; each new id grows the
// region list. Every request ends with its own image in its region.
TEST(Streaming, ALoaderThreadsRequestsNeverMoveTheRegionsTheFrameReads)
{
    Streaming streaming;
    streaming.game->load.SetState(LoadState::StartupLoaded);
    constexpr uint32_t count = 64;
    std::atomic<bool> asked{false};
    std::thread loader(
        [&]
        {
            for (uint32_t request = 1; request <= count; ++request)
                streaming.Request(1000 * request, request % 8);
            asked = true;
        });
    const auto loaded = [&]
    {
        uint32_t shown = 0;
        for (uint32_t request = 1; request <= count; ++request)
            if (const TextureRegion* region = streaming.texture->GetRegion(1000 * request); region && !region->filling)
                shown += region->path == streaming.Image(request % 8);
        return shown;
    };
    const Loader::StreamingAtlasInfo& atlas = streaming.game->iconAtlas;
    while (loaded() < count && (!asked || atlas.IsBusy() || atlas.GetPendingCount() > 0))
        streaming.game->RenderFrame(0.0, 0.0);
    loader.join();
    EXPECT_EQ(loaded(), count);
}
