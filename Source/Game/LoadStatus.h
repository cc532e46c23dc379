#pragma once

#include <atomic>
#include <cstdint>

// How far the game's loading has come. Start-up runs 1 to 2 once; every match then runs 3 to 8.
enum class LoadState : int32_t
{
    None = 0,
    StartupLoading = 1,
    StartupLoaded = 2,
    MatchLoading = 3,
    MatchLoaded = 4,
    RenderResourcesLoading = 5,
    RenderResourcesLoaded = 6,
    MatchUnloading = 7,
    MatchUnloaded = 8,
};

// Told of every change of a LoadStatus, on the thread that made it, right after the change.
class LoadObserver
{
public:
    virtual ~LoadObserver() = default;
    virtual void ProgressChanged(int32_t progress) = 0;
    virtual void StateChanged(LoadState state) = 0;
};

// The load state and the progress (0 to 100) the loading screen shows. Written by the loader threads
// and by the match flow on the application thread, one writer at a time: a loader is the only writer
// while it runs, and the match flow writes only while no loader runs. Read by the frame loop without a
// lock. A writer sets the progress before the state, so a reader that sees a new state also sees the
// progress that came with it.
class LoadStatus
{
public:
    LoadState GetState() const { return static_cast<LoadState>(state.load(std::memory_order_acquire)); }
    int32_t GetProgress() const { return progress.load(std::memory_order_acquire); }

    void SetProgress(int32_t value)
    {
        progress.exchange(value, std::memory_order_acq_rel);
        if (observer)
            observer->ProgressChanged(value);
    }
    void SetState(LoadState value)
    {
        state.exchange(static_cast<int32_t>(value), std::memory_order_acq_rel);
        if (observer)
            observer->StateChanged(value);
    }

    // Set before anything loads, and left alone while a loader runs.
    LoadObserver* observer = nullptr;

private:
    std::atomic<int32_t> state{0};
    std::atomic<int32_t> progress{0};
};
