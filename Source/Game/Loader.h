#pragma once

#include "Engine/Foundation/StringView.h"
#include "Source/Game/LoadStatus.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace Lumvek
{
class GraphicsDevice;
class Texture;
class TextureStreamRegion;
} // namespace Lumvek

class Vantorel_;

namespace Loader
{

// The worker thread the game's slow loads run on: the start-up loader, the match loader and the
// render-resource loader, one at a time. The thread stays joinable, so that whoever is about to
// destroy what a loader fills can wait for it first. Owned by the game system; started and waited for
// on the application thread only.
class LoaderThread
{
public:
    LoaderThread() = default;
    LoaderThread(const LoaderThread&) = delete;
    LoaderThread& operator=(const LoaderThread&) = delete;
    // Waits for a running loader.
    ~LoaderThread();

    // Runs the work on a new thread, after waiting for the previous one (which has done its last write
    // by the time a new loader is due).
    void Start(std::function<void()> work);
    // Returns once no loader runs.
    void Wait();

private:
    std::thread thread;
};

// The start-up loader (load state 1): every definition, then, unless headless, the profiles; ends in
// load state 2. Progress 33, then 66.
void LoadStartup(Vantorel_& game);
// The match loader (load state 3): the configuration's map into the world; ends in load state 4.
// Progress 25, 50, 75, 100.
void LoadMatch(Vantorel_& game);
// The render-resource loader (load state 5): the renderer's atlases when there is a renderer; ends in
// load state 6. Progress 50, then 80.
void LoadRenderResources(Vantorel_& game);

// An atlas texture whose stream region is a grid of cells that images are loaded into on demand, one
// image at a time, oldest request first. The game system owns two ("UiAtlas" with its region "Icons",
// "PreviewAtlas" with "Bones"). Requests come from the application thread and from the loader
// threads; the image loads on a thread of its own, which writes only its cell's region and then the
// state. The mutex keeps the pending list, the stream region's cells and the start of a load apart
// between the threads that ask.
// Only the owner thread (the application thread, which draws the atlas) starts loads: taking a cell
// adds or moves the frame's region, and the texture's region list and a region's place are read by
// the drawing code without a lock. A request from another thread that would start a load is handed
// to the owner, which starts it on its next frame.
class StreamingAtlasInfo
{
public:
    enum State : int32_t
    {
        Idle = 0,
        // The image is in its cell; the device is yet to be told.
        Loaded = 1,
        Loading = 2,
        // A request made on another thread waits for the owner's next frame to start it.
        HandedOver = 3,
    };

    struct Request
    {
        uint32_t cell = 0;
        std::string image;
    };

    // The texture's graphics-resource name and the stream region's image name.
    StreamingAtlasInfo(Lumvek::StringView textureName, Lumvek::StringView regionName);
    StreamingAtlasInfo(const StreamingAtlasInfo&) = delete;
    StreamingAtlasInfo& operator=(const StreamingAtlasInfo&) = delete;
    // Waits for an image that is still loading.
    ~StreamingAtlasInfo();

    // Asks for the image at path in the cell of the id: a cell that still holds it only becomes the
    // most recently used; otherwise, when this atlas is idle, the image loads at once (on the owner
    // thread) or is handed to the owner (any other thread); when it is busy, the request waits its
    // turn. Nothing happens while the device has no such texture or the texture no stream region.
    // Any thread.
    void RequestTextureRegion(Lumvek::GraphicsDevice* device, uint32_t cell, Lumvek::StringView image);
    // Once per frame on the owner thread: hands a loaded image to the device (a new version uploads
    // it), starts a request handed over by another thread, or, when this atlas is idle, mayStartQueued
    // (no atlas is busy and no loader may run) and a request waits, starts the oldest request.
    void ServeStreamingAtlas(Lumvek::GraphicsDevice* device, bool mayStartQueued);
    // Makes the calling thread the owner; until then the thread that constructed the record owns it.
    // Called before any other thread makes a request.
    void TakeOwnership() { owner.store(std::this_thread::get_id(), std::memory_order_relaxed); }

    State GetState() const { return static_cast<State>(state.load(std::memory_order_acquire)); }
    bool IsBusy() const { return GetState() != Idle; }
    uint32_t GetPendingCount() const;

    const uint32_t texture;
    const uint32_t region;

private:
    // With the mutex held, on the owner thread, and the atlas idle.
    void StartStreamingLoad(Lumvek::GraphicsDevice& device, Lumvek::Texture& atlas, Lumvek::TextureStreamRegion& stream,
                            uint32_t cell, const std::string& image);
    // The loaded texture and its stream region; null when either is missing.
    Lumvek::TextureStreamRegion* FindStreamRegion(Lumvek::GraphicsDevice* device, Lumvek::Texture*& atlas) const;

    std::atomic<int32_t> state{Idle};
    mutable std::mutex mutex;
    std::deque<Request> pending;
    // The request of the HandedOver state; under the mutex.
    Request handedOver;
    // Set before the threads that may ask are started, so a relaxed load suffices.
    std::atomic<std::thread::id> owner{std::this_thread::get_id()};
    // The image thread of the last load; joined before the next one starts.
    std::thread worker;
};

} // namespace Loader
