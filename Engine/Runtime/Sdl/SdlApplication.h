#pragma once

#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Input/InputEvents.h"

#include <SDL.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace Lumvek
{

class SdlControllerDevice;

// The application host on SDL: one window, the devices, and two threads. The main thread, the one
// that created the host, pumps SDL's events in MessageLoop and turns them into state requests and
// input events; the application thread runs the frame loop. Owned by the program entry, which
// destroys it on the main thread after MessageLoop has returned.
class SdlApplication : public Application
{
public:
    // Gathers the language, the command line and the folders from the system and creates the host.
    static std::unique_ptr<SdlApplication> Create(StringView name, const ApplicationConfig& config);

    // Opens the window (none when the config is headless) and creates the devices. Without a usable
    // video system the program goes on without a window.
    SdlApplication(StringView name, StringView language, const ApplicationConfig& config, Arguments arguments,
                   StringView applicationFolder, StringView dataFolder, StringView documentsFolder,
                   StringView temporaryFolder);
    ~SdlApplication() override;

    // Ends the frame loop after its current frame; any thread.
    void Quit() override;

    // Main thread: handles events until the application has ended and its thread has been joined,
    // then returns the exit code. Ends when the window is closed or the frame loop quits.
    int32_t MessageLoop();

    // Null when there is no window, and once it has been destroyed.
    SDL_Window* GetWindow() const { return window; }

    // The system clipboard's text, from any thread. SDL's clipboard is the main thread's, which sets it
    // and reads it when its loop is asked to; a read from another thread waits for the answer at most a
    // second, and is empty after that (the main thread is ending the program). Text read or set ends at
    // its first zero byte.
    void SetClipboardText(std::string text);
    std::string GetClipboardText();

    // Written by the main thread from SDL's events, read by the input devices on the application
    // thread.
    KeyboardRing keyboardRing;
    // Typed text, which the engine's keyboard does not carry; the tools read it.
    TextRing textRing;
    MouseRing mouseRing;
    WheelTotals wheelTotals;
    CursorTracking cursorTracking;

protected:
    // Starts and resumes the systems, runs frames while the running flag is set, then pauses and
    // stops them and tells the main thread that the loop has ended.
    void FrameLoop() override;

private:
    void CreateWindow(const ApplicationConfig& config);
    // Application thread, between frames: gives the graphics device the window's size when the main
    // thread has seen it change, so that the picture fills the window at its new size. The device
    // resizes its target textures then, on the thread that draws with them.
    void FollowWindowSize();
    void HandleEvent(const SDL_Event& event);
    void HandleSdlWindowEvent(const SDL_WindowEvent& event);
    // What closing the window does: ends the frame loop, joins the application thread, destroys the
    // window and ends the message loop.
    void Destroy();
    // Main thread: sets the text another thread gave, then answers the reads asked for.
    void ServeClipboard();

    SDL_Window* window = nullptr;
    uint32_t windowId = 0;
    // The window size the graphics device was last given; the application thread's once it runs.
    std::pair<int32_t, int32_t> deviceWindowSize{0, 0};
    // Whether the window can take an OpenGL context (a driver without OpenGL gives a plain one).
    bool windowHasGl = false;
    // The controller device, which takes SDL's controller events on the main thread.
    SdlControllerDevice* controllers = nullptr;
    // Set from construction, so that a Quit that comes before the loop begins is not lost.
    std::atomic<bool> running{true};
    // Set by the application thread as its frame loop returns.
    std::atomic<bool> frameLoopEnded{false};
    uint32_t initializedSubsystems = 0;
    // Main thread only.
    bool ended = false;
    std::thread::id mainThread = std::this_thread::get_id();
    // The event that asks the main thread to serve the clipboard; all ones when SDL had none to give.
    uint32_t clipboardEvent = ~uint32_t(0);
    // The other threads' clipboard requests, under the mutex: a text to set, and reads asked for and
    // answered (the last answer in read).
    std::mutex clipboardMutex;
    std::condition_variable clipboardAnswered;
    std::optional<std::string> clipboardToSet;
    uint64_t clipboardReadsAsked = 0;
    uint64_t clipboardReadsAnswered = 0;
    std::string clipboardRead;
};

} // namespace Lumvek
