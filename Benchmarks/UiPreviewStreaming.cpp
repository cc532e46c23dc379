// Streaming a whole loadout's bone sketches into "PreviewAtlas" through the preview, on the recording
// device: the time for every image of the basic loadout to arrive, and the bytes each image leaves
// to upload against the bytes of its 128 x 128 cell ("UploadPerCell", target 1 to 2).

#include "Benchmarks/BenchmarkFolders.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/Profile.h"
#include "Source/Game/Loader.h"
#include "Source/Ui/Kit/PlayerPreview.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

using namespace Lumvek;

namespace
{

class StreamingApplication : public Application
{
public:
    explicit StreamingApplication(const std::string& root)
        : Application("PreviewStreaming", "Benchmark", "en-US", ApplicationConfig(), Arguments(), root,
                      "/tmp/PreviewStreaming/Data", "/tmp/PreviewStreaming/Documents",
                      "/tmp/PreviewStreaming/Temporary")
    {
        GetFileManager().RegisterFormats();
        RegisterRuntimeFormats(GetFileManager());
        graphicsDevice = std::make_unique<RecordingGraphicsDevice>(&GetResources(), 1920, 1080);
        device = static_cast<RecordingGraphicsDevice*>(graphicsDevice.get());
    }
    void Quit() override {}

    RecordingGraphicsDevice* device = nullptr;

protected:
    void FrameLoop() override {}
};

void PreviewLoadoutStreaming(benchmark::State& state)
{
    // Reads only: the checkout's own Assets folder.
    StreamingApplication app(Benchmarks::CheckoutFolder());
    DataRegistry registry(app.GetFileManager());
    registry.LoadAll();
    double uploaded = 0.0, images = 0.0;
    const double cellBytes = 128.0 * 128.0 * 4.0;
    // One pass: once streamed, the images stay in their cells and a second pass would load nothing.
    Texture* atlas =
        app.device->CreateTexture(GraphicsResources::PreviewAtlas, static_cast<uint32_t>(ResourceUsage::Static));
    if (!atlas)
    {
        state.SkipWithError("no preview atlas");
        return;
    }
    atlas->Load("Assets/Ui/Textures/Preview.ltd");
    atlas->FinishChanges();
    app.device->Render();
    Loader::StreamingAtlasInfo streaming("PreviewAtlas", "Bones");
    PlayerPreview preview(&registry, [&](uint32_t cell, const std::string& path)
                          { streaming.RequestTextureRegion(app.device, cell, path); });
    for (auto _ : state)
    {

        preview.SetLoadout(ProfileLoadout{});
        while (streaming.IsBusy() || streaming.GetPendingCount() > 0)
        {
            if (streaming.GetState() == Loader::StreamingAtlasInfo::Loaded)
            {
                streaming.ServeStreamingAtlas(app.device, true);
                const Texture::DirtyRectangle& dirty = atlas->dirty;
                if (dirty.right > dirty.left && dirty.bottom > dirty.top)
                {
                    uploaded += double(dirty.right - dirty.left) * double(dirty.bottom - dirty.top) * 4.0;
                    images += 1.0;
                }
                app.device->Render();
            }
            else
            {
                streaming.ServeStreamingAtlas(app.device, true);
                std::this_thread::yield();
            }
        }
    }
    state.counters["Images"] = benchmark::Counter(images, benchmark::Counter::kAvgIterations);
    state.counters["UploadPerCell"] = images > 0.0 ? uploaded / images / cellBytes : 0.0;
}

} // namespace

BENCHMARK(PreviewLoadoutStreaming)->Unit(benchmark::kMillisecond)->Iterations(1);
