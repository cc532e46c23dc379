#pragma once

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/StringView.h"
#include "Engine/Runtime/Core/System.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace Lumvek
{

class AudioDevice;
class GraphicsDevice;
class KeyboardDevice;
class MouseDevice;
class TouchDevice;
class ControllerDevice;
class MotionDevice;

// What the program entry asks of the window and the devices; the application keeps a copy.
struct ApplicationConfig
{
    float musicVolume = 1.0f;
    float soundVolume = 1.0f;
    float effectVolume = 1.0f;
    // The back buffer's size relative to the window's.
    float scale = 1.0f;
    int32_t multisampleCount = 8;
    // The window's client size; -1 takes the desktop's size in that direction.
    int32_t width = 1920;
    int32_t height = 1080;
    // No output at all, for runs nobody watches: the host opens no window and starts no video system,
    // and the audio device mixes into a device of its own that nothing plays.
    bool headless = false;
    // Above 0, every update and render is told that this many nanoseconds have passed, whatever the
    // clock says: a scripted run then plays the same frames on a fast machine and a loaded one.
    int64_t fixedStep = 0;
};

// The command line as parallel lists of names and values. Arguments given without a name carry an
// empty one; a name finds its first argument.
class Arguments
{
public:
    static constexpr uint32_t NotFound = 0xFFFFFFFFu;

    void Add(StringView name, StringView value);

    uint32_t Count() const { return static_cast<uint32_t>(values.size()); }
    // Throw InvalidIndex past the end.
    const std::string& GetName(uint32_t index) const;
    const std::string& GetValue(uint32_t index) const;
    // The index of the first argument with the name; NotFound when there is none.
    uint32_t Find(StringView name) const;

private:
    std::vector<std::string> names;
    std::vector<std::string> values;
    std::unordered_map<std::string, uint32_t> indices;
};

enum class ApplicationState : uint32_t
{
    Created = 0,  // Run not yet called
    Stopped = 1,  // the thread runs, the systems are stopped and unloaded
    Running = 2,  // the systems are resumed
    Started = 3,  // the systems are started or paused
    Finished = 4, // the application thread has been joined
};

enum class StateRequest : uint32_t
{
    None = 0,
    Start = 1,
    Resume = 2,
    Pause = 3,
    Stop = 4,
};

// What the window tells the application about itself; the host translates its platform's events.
enum class WindowEvent : uint32_t
{
    FocusGained,
    FocusLost,
    Minimized,
    Restored,
    Maximized,
};

// The root of a running program: owns the devices, the file manager and the systems, and runs the
// systems on its own application thread. The platform host derives from it, creates the devices and
// supplies the frame loop. Construction, AddSystem and Run belong to the user-interface thread, which
// afterwards only asks for state changes; everything the systems do happens on the application thread.
class Application
{
public:
    // The four folders become the file manager's roots "Application:", "Data:", "Documents:" and
    // "Temporary:".
    Application(StringView name, StringView platform, StringView language, const ApplicationConfig& config,
                Arguments arguments, StringView applicationFolder, StringView dataFolder, StringView documentsFolder,
                StringView temporaryFolder);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    // The host must have ended and joined the application thread before this runs.
    virtual ~Application();

    // Takes the system and appends it to the systems. Once the application thread has begun, the
    // system is refused with a message in the log and destroyed, and null comes back.
    System* AddSystem(std::unique_ptr<System> system);

    // Starts the application thread: it sets up and begins every system, then runs the host's frame
    // loop. Only the first call has an effect. Returns at once.
    void Run();

    // Asks the frame loop to end; any thread.
    virtual void Quit() = 0;

    // The systems' callbacks run only on the application thread. There, and before Run (when no other
    // thread runs the systems), the request is performed at once. From any other thread (the
    // user-interface thread or a worker) the request is queued for the application thread, which
    // serves the queue in order at the start of its next Update, and the call returns once its request
    // has been performed, or at once when the application loop has ended. A thread that the systems
    // wait for while they stop (a loader they join) must therefore not ask for a state change. No
    // request checks the current state.
    void ChangeState(StateRequest request);

    // What the window's events do to the state; called by the host on the user-interface thread.
    void HandleWindowEvent(WindowEvent event);

    // One half of a frame each, on the application thread: Update serves a pending request, then in the
    // Started and Running states polls the watched files and runs every system's Update and LateUpdate;
    // Render runs every system's Render. The first Update after a resume and the first Render after a
    // start only record the time.
    void Update();
    void Render();

    const ApplicationConfig& GetConfig() const { return config; }
    AudioDevice* GetAudioDevice() const { return audioDevice.get(); }
    GraphicsDevice* GetGraphicsDevice() const { return graphicsDevice.get(); }
    KeyboardDevice* GetKeyboardDevice() const { return keyboardDevice.get(); }
    MouseDevice* GetMouseDevice() const { return mouseDevice.get(); }
    TouchDevice* GetTouchDevice() const { return touchDevice.get(); }
    ControllerDevice* GetControllerDevice() const { return controllerDevice.get(); }
    MotionDevice* GetMotionDevice() const { return motionDevice.get(); }
    FileManager& GetFileManager() { return fileManager; }
    // Every loaded resource of the program; the devices keep a pointer to it.
    ResourceTable& GetResources() { return resources; }
    const std::vector<std::unique_ptr<System>>& GetSystems() const { return systems; }
    ApplicationState GetState() const { return state.load(); }
    const std::string& GetName() const { return name; }
    const std::string& GetPlatform() const { return platform; }
    const std::string& GetLanguage() const { return language; }
    const Arguments& GetArguments() const { return arguments; }
    int32_t GetExitCode() const { return exitCode.load(); }
    void SetExitCode(int32_t code) { exitCode.store(code); }
    // True once the application thread has begun setting up the systems.
    bool IsInitialized() const { return initialized.load(); }

protected:
    // The host's frame loop, on the application thread; returns when the application quits.
    virtual void FrameLoop() = 0;

    // Nanoseconds of a steady clock; only differences count.
    virtual int64_t ReadClock() const;

    bool IsUserInterfaceThread() const { return std::this_thread::get_id() == userInterfaceThread; }
    bool IsApplicationThread() const { return std::this_thread::get_id() == applicationThread.load(); }

    // Waits for the application thread to end and marks the application Finished. Does nothing on the
    // application thread itself or when there is no thread to join.
    void JoinThread();

    // Destroys the systems, then the devices (motion first, audio last), so that a host can release
    // its platform after them. The application thread must have been joined.
    void ReleaseSystemsAndDevices();

    // Created by the host; each is destroyed before those above it.
    std::unique_ptr<AudioDevice> audioDevice;
    std::unique_ptr<GraphicsDevice> graphicsDevice;
    std::unique_ptr<KeyboardDevice> keyboardDevice;
    std::unique_ptr<MouseDevice> mouseDevice;
    std::unique_ptr<TouchDevice> touchDevice;
    std::unique_ptr<ControllerDevice> controllerDevice;
    std::unique_ptr<MotionDevice> motionDevice;

private:
    void ThreadBody();
    // Calls the systems for the request and sets the state; on the application thread.
    void Perform(StateRequest request);
    void ServePendingRequest();
    bool IsUpdating() const;

    ApplicationConfig config;
    std::string name;
    std::string platform;
    std::string language;
    Arguments arguments;
    // Read by the user-interface thread to decide what a window event asks for.
    std::atomic<ApplicationState> state{ApplicationState::Created};
    std::atomic<int32_t> exitCode{0};
    FileManager fileManager;
    ResourceTable resources{&fileManager};

    std::atomic<bool> initialized{false};
    // Declared after the devices and the file manager, so the systems go first.
    std::vector<std::unique_ptr<System>> systems;

    // Nanoseconds; 0 means there was no previous frame.
    int64_t startTime = 0;
    int64_t lastUpdateTime = 0;
    int64_t lastRenderTime = 0;
    int64_t lastUpdateDuration = 0;
    int64_t lastRenderDuration = 0;

    std::thread::id userInterfaceThread;
    // Set by the application thread itself as it begins, so that it always knows itself.
    std::atomic<std::thread::id> applicationThread;
    // Set by Run before the application thread starts: from then on only that thread runs the systems.
    std::atomic<bool> threadStarted{false};
    std::thread thread;

    // The hand-over to the application thread: other threads queue requests and wait until the
    // application thread has served theirs. Requests are numbered in queue order, so a caller knows its
    // own has been served once the served count reaches its number. Once the application loop has
    // ended nobody serves requests any more, so none is left and no caller waits.
    std::mutex mutex;
    std::condition_variable requestServed;
    std::deque<StateRequest> pendingRequests;
    uint64_t queuedRequests = 0;
    uint64_t servedRequests = 0;
    bool loopEnded = false;
};

} // namespace Lumvek
