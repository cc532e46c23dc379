#include "Engine/Runtime/Sdl/SdlApplication.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Runtime/Audio/AudioDevice.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Input/ControllerToMotionEmulator.h"
#include "Engine/Runtime/Input/MouseToTouchEmulator.h"
#include "Engine/Runtime/OpenAL/OpenALAudioDevice.h"
#include "Engine/Runtime/OpenGL/OpenGLGraphicsDevice.h"
#include "Engine/Runtime/Sdl/Platform.h"
#include "Engine/Runtime/Sdl/SdlControllerDevice.h"
#include "Engine/Runtime/Sdl/SdlKeyboardDevice.h"
#include "Engine/Runtime/Sdl/SdlMouseDevice.h"

#include <chrono>
#include <utility>

namespace Lumvek
{

std::unique_ptr<SdlApplication> SdlApplication::Create(StringView name, const ApplicationConfig& config)
{
    LogSection section = Log::BeginSection("Creating Linux Application");
    const std::string language = Platform::FindLanguage();
    Arguments arguments = Platform::FindArguments();
    const Platform::Folders folders = Platform::FindFolders(name);
    return std::make_unique<SdlApplication>(name, language, config, std::move(arguments), folders.application,
                                            folders.data, folders.documents, folders.temporary);
}

SdlApplication::SdlApplication(StringView name, StringView language, const ApplicationConfig& config,
                               Arguments arguments, StringView applicationFolder, StringView dataFolder,
                               StringView documentsFolder, StringView temporaryFolder)
    : Application(name, "Linux", language, config, std::move(arguments), applicationFolder, dataFolder, documentsFolder,
                  temporaryFolder)
{
    if (SDL_InitSubSystem(SDL_INIT_EVENTS) == 0)
    {
        initializedSubsystems |= SDL_INIT_EVENTS;
        clipboardEvent = SDL_RegisterEvents(1);
    }
    else
        Log::Write("{}: {}", "failed to start the event queue", SDL_GetError());

    if (config.headless)
        Log::Write("running headless: no window and no sound");
    else if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0)
    {
        initializedSubsystems |= SDL_INIT_VIDEO;
        CreateWindow(config);
    }
    else
        Log::Write("{}: {}", "failed to create window class", SDL_GetError());

    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0)
        initializedSubsystems |= SDL_INIT_GAMECONTROLLER;
    else
        Log::Write("{}: {}", "failed to open game controllers", SDL_GetError());

    // Without an output device the audio device still works and answers with its failure values.
    audioDevice = std::make_unique<OpenAL::OpenALAudioDevice>(
        &GetResources(), false, config.musicVolume, config.soundVolume, config.effectVolume,
        config.headless ? OpenAL::AudioOutput::Loopback : OpenAL::AudioOutput::System);
    graphicsDevice = std::make_unique<OpenGL::OpenGLGraphicsDevice>(&GetResources(), config.scale,
                                                                    static_cast<uint32_t>(config.multisampleCount));
    keyboardDevice = std::make_unique<SdlKeyboardDevice>(keyboardRing);
    auto mouse = std::make_unique<SdlMouseDevice>(mouseRing, wheelTotals, cursorTracking);
    touchDevice = std::make_unique<MouseToTouchEmulator>(*mouse);
    mouseDevice = std::move(mouse);
    // Without SDL's controller support the device finds no pads and reports nothing pressed.
    auto controller = std::make_unique<SdlControllerDevice>();
    controllers = controller.get();
    motionDevice = std::make_unique<ControllerToMotionEmulator>(*controller);
    controllerDevice = std::move(controller);

    // The device makes its context on the application thread, where it renders.
    if (window && windowHasGl)
    {
        int width = 0;
        int height = 0;
        SDL_GetWindowSize(window, &width, &height);
        graphicsDevice->SetWindow(window, static_cast<float>(width), static_cast<float>(height), 1.0f);
        deviceWindowSize = {width, height};
    }
}

SdlApplication::~SdlApplication()
{
    // A program that never ran its message loop still ends its thread before anything goes.
    Quit();
    JoinThread();
    controllers = nullptr;
    ReleaseSystemsAndDevices();
    if (window)
        SDL_DestroyWindow(window);
    // One at a time and in reverse: each of them holds the event queue too, and only when the last
    // lets go is the queue emptied, so that no event of this host reaches a later one.
    for (uint32_t subsystem : {SDL_INIT_GAMECONTROLLER, SDL_INIT_VIDEO, SDL_INIT_EVENTS})
        if (initializedSubsystems & subsystem)
            SDL_QuitSubSystem(subsystem);
    if (SDL_WasInit(0) == 0)
        SDL_Quit();
}

void SdlApplication::CreateWindow(const ApplicationConfig& config)
{
    SDL_Rect desktop{0, 0, 1920, 1080};
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0)
    {
        SDL_GetDisplayBounds(0, &desktop);
        desktop.w = mode.w;
        desktop.h = mode.h;
    }
    // A size that is not positive takes the desktop's; both at -1 make a borderless full-size window.
    const int width = config.width > 0 ? config.width : desktop.w;
    const int height = config.height > 0 ? config.height : desktop.h;
    const bool borderless = config.width == -1 && config.height == -1;
    const int left = desktop.x + desktop.w / 2 - width / 2;
    const int top = desktop.y + desktop.h / 2 - height / 2;

    const uint32_t style = borderless ? SDL_WINDOW_BORDERLESS : 0;
    // The click that gives the window the focus acts as well: on X11 SDL drops a press that comes
    // with the focus unless told otherwise, so a maker back from another program clicked Save for
    // nothing. Set before the window exists, which reads it; the environment variable still wins.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    OpenGL::OpenGLGraphicsDevice::PrepareWindowAttributes();
    window = SDL_CreateWindow(GetName().c_str(), left, top, width, height, style | SDL_WINDOW_OPENGL);
    if (window)
        windowHasGl = true;
    else
    {
        // A video driver without OpenGL still gets its window, so that the program runs and quits as
        // usual; the graphics device then has nothing to draw into.
        Log::Write("{}: {}", "failed to create an OpenGL window", SDL_GetError());
        window = SDL_CreateWindow(GetName().c_str(), left, top, width, height, style);
    }
    if (!window)
    {
        Log::Write("{}: {}", "failed to create window", SDL_GetError());
        return;
    }
    windowId = SDL_GetWindowID(window);
    int clientWidth = 0;
    int clientHeight = 0;
    SDL_GetWindowSize(window, &clientWidth, &clientHeight);
    cursorTracking.clientSize.Store(clientWidth, clientHeight);
    // Where the cursor already is counts before it first moves.
    if (SDL_GetMouseFocus() == window)
    {
        int x = 0;
        int y = 0;
        SDL_GetMouseState(&x, &y);
        cursorTracking.position.Store(x, y);
    }
}

void SdlApplication::Quit()
{
    running.store(false);
}

void SdlApplication::FrameLoop()
{
    ChangeState(StateRequest::Start);
    ChangeState(StateRequest::Resume);
    while (running.load())
    {
        FollowWindowSize();
        Update();
        Render();
    }
    if (GetState() == ApplicationState::Running)
        ChangeState(StateRequest::Pause);
    ChangeState(StateRequest::Stop);

    // The main thread destroys the window and ends; it is told even without a window, since nothing
    // else would end its message loop.
    frameLoopEnded.store(true);
    SDL_Event event{};
    event.type = SDL_QUIT;
    event.quit.timestamp = SDL_GetTicks();
    SDL_PushEvent(&event);
}

void SdlApplication::FollowWindowSize()
{
    if (!graphicsDevice || !window || !windowHasGl)
        return;
    std::pair<int32_t, int32_t> size;
    cursorTracking.clientSize.Load(size.first, size.second);
    if (size == deviceWindowSize || size.first <= 0 || size.second <= 0)
        return;
    deviceWindowSize = size;
    graphicsDevice->SetSize(static_cast<float>(size.first), static_cast<float>(size.second), 1.0f);
}

int32_t SdlApplication::MessageLoop()
{
    if (!(initializedSubsystems & SDL_INIT_EVENTS))
    {
        // No event can arrive: only the application side can end the program.
        JoinThread();
        ended = true;
    }
    while (!ended)
    {
        SDL_Event event;
        // The timeout is a safeguard for a loop-ended event that could not be queued.
        if (SDL_WaitEventTimeout(&event, 100))
            HandleEvent(event);
        else if (frameLoopEnded.load())
            Destroy();
    }
    return GetExitCode();
}

void SdlApplication::SetClipboardText(std::string text)
{
    {
        std::lock_guard lock(clipboardMutex);
        clipboardToSet = std::move(text);
    }
    if (std::this_thread::get_id() == mainThread)
        ServeClipboard();
    else if (clipboardEvent != ~uint32_t(0))
    {
        SDL_Event event{};
        event.type = clipboardEvent;
        SDL_PushEvent(&event);
    }
}

std::string SdlApplication::GetClipboardText()
{
    std::unique_lock lock(clipboardMutex);
    const uint64_t ticket = ++clipboardReadsAsked;
    if (std::this_thread::get_id() == mainThread)
    {
        lock.unlock();
        ServeClipboard();
        lock.lock();
    }
    else
    {
        SDL_Event event{};
        event.type = clipboardEvent;
        if (clipboardEvent == ~uint32_t(0) || SDL_PushEvent(&event) != 1 ||
            !clipboardAnswered.wait_for(lock, std::chrono::seconds(1),
                                        [&] { return clipboardReadsAnswered >= ticket; }))
            return {};
    }
    return clipboardRead;
}

void SdlApplication::ServeClipboard()
{
    std::unique_lock lock(clipboardMutex);
    const std::optional<std::string> text = std::exchange(clipboardToSet, std::nullopt);
    const uint64_t asked = clipboardReadsAsked;
    const bool read = clipboardReadsAnswered < asked;
    lock.unlock();
    if (text && SDL_SetClipboardText(text->c_str()) != 0)
        Log::Write("the clipboard did not take the text: {}", SDL_GetError());
    std::string answer;
    if (read)
    {
        // SDL's copy is the caller's to free. It is a C string: another program's text ends at its first
        // zero byte, which SDL 2 gives no way to see past or to count.
        if (char* held = SDL_GetClipboardText())
        {
            answer = held;
            SDL_free(held);
        }
    }
    lock.lock();
    if (read)
    {
        clipboardRead = std::move(answer);
        clipboardReadsAnswered = asked;
    }
    lock.unlock();
    clipboardAnswered.notify_all();
}

void SdlApplication::HandleEvent(const SDL_Event& event)
{
    if (event.type == clipboardEvent)
    {
        ServeClipboard();
        return;
    }
    switch (event.type)
    {
    case SDL_QUIT:
        Destroy();
        break;
    case SDL_WINDOWEVENT:
        if (window && event.window.windowID == windowId)
            HandleSdlWindowEvent(event.window);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (const std::optional<KeyEvent> entry = SdlKeyEventOf(event.key))
            keyboardRing.Push(*entry);
        break;
    case SDL_TEXTINPUT:
        PushText(textRing, event.text.text, keyboardRing.WriteIndex());
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (const uint64_t mask = SdlMouseButtonToMask(event.button.button))
            mouseRing.Push({event.type == SDL_MOUSEBUTTONDOWN ? uint8_t(1) : uint8_t(0), mask});
        break;
    case SDL_MOUSEMOTION:
        if (window && event.motion.windowID == windowId)
            cursorTracking.position.Store(event.motion.x, event.motion.y);
        break;
    case SDL_MOUSEWHEEL:
    {
        // Whole notches, positive away from the user and to the right, whatever the system's setting.
        const float direction = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1.0f : 1.0f;
        wheelTotals.Add(direction * static_cast<float>(event.wheel.x), direction * static_cast<float>(event.wheel.y));
        break;
    }
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
    case SDL_CONTROLLERAXISMOTION:
        if (controllers)
            controllers->HandleEvent(event);
        break;
    default:
        break;
    }
}

void SdlApplication::HandleSdlWindowEvent(const SDL_WindowEvent& event)
{
    switch (event.event)
    {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        HandleWindowEvent(WindowEvent::FocusGained);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        HandleWindowEvent(WindowEvent::FocusLost);
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        HandleWindowEvent(WindowEvent::Minimized);
        break;
    case SDL_WINDOWEVENT_RESTORED:
        HandleWindowEvent(WindowEvent::Restored);
        break;
    case SDL_WINDOWEVENT_MAXIMIZED:
        HandleWindowEvent(WindowEvent::Maximized);
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        // The frame loop gives the new size to the graphics device (FollowWindowSize).
        cursorTracking.clientSize.Store(event.data1, event.data2);
        break;
    case SDL_WINDOWEVENT_CLOSE:
        Destroy();
        break;
    default:
        break;
    }
}

void SdlApplication::Destroy()
{
    if (ended)
        return;
    // The window goes only once the thread that draws into it has finished its last frame.
    Quit();
    JoinThread();
    if (window)
    {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    ended = true;
}

} // namespace Lumvek
