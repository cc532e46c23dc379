#include "Engine/Runtime/Core/Application.h"

#include "Engine/Foundation/Exceptions.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/TypeRegistry.h"
#include "Engine/Runtime/Audio/AudioDevice.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Input/Input.h"

#include <chrono>
#include <typeinfo>

namespace Lumvek
{

void Arguments::Add(StringView name, StringView value)
{
    const uint32_t index = Count();
    names.push_back(name.ToString());
    values.push_back(value.ToString());
    indices.emplace(names.back(), index);
}

const std::string& Arguments::GetName(uint32_t index) const
{
    if (index >= Count())
        throw InvalidIndex(index, Count());
    return names[index];
}

const std::string& Arguments::GetValue(uint32_t index) const
{
    if (index >= Count())
        throw InvalidIndex(index, Count());
    return values[index];
}

uint32_t Arguments::Find(StringView name) const
{
    auto found = indices.find(name.ToString());
    return found == indices.end() ? NotFound : found->second;
}

Application::Application(StringView name, StringView platform, StringView language, const ApplicationConfig& config,
                         Arguments arguments, StringView applicationFolder, StringView dataFolder,
                         StringView documentsFolder, StringView temporaryFolder)
    : config(config), name(name.ToString()), platform(platform.ToString()), language(language.ToString()),
      arguments(std::move(arguments)), fileManager(applicationFolder, dataFolder, documentsFolder, temporaryFolder)
{
    // Before any device or loader: the devices made next add their own formats to these.
    fileManager.RegisterFormats();
    RegisterRuntimeFormats(fileManager);
}

Application::~Application() = default;

System* Application::AddSystem(std::unique_ptr<System> system)
{
    if (!system)
        return nullptr;
    const System& added = *system;
    LogSection section = Log::BeginSection("Creating {}", TypeName::Of(typeid(added)));
    if (initialized.load())
    {
        Log::Write("a System cannot be created after the Application has been Initialized");
        return nullptr;
    }
    system->application = this;
    systems.push_back(std::move(system));
    return systems.back().get();
}

void Application::Run()
{
    ApplicationState expected = ApplicationState::Created;
    if (!state.compare_exchange_strong(expected, ApplicationState::Stopped))
        return;
    startTime = ReadClock();
    userInterfaceThread = std::this_thread::get_id();
    threadStarted.store(true);
    thread = std::thread([this] { ThreadBody(); });
}

void Application::ThreadBody()
{
    applicationThread.store(std::this_thread::get_id());
    initialized.store(true);
    for (auto& system : systems)
        system->Setup();
    for (auto& system : systems)
        system->Begin();
    FrameLoop();
    // The systems are stopped: their teardown, on whichever thread, may now destroy resources.
    if (graphicsDevice)
        graphicsDevice->EndRendering();

    // A request left now would never be served: release its callers and refuse any that follow.
    {
        std::lock_guard lock(mutex);
        loopEnded = true;
        pendingRequests.clear();
    }
    requestServed.notify_all();
}

void Application::ChangeState(StateRequest request)
{
    // Before Run nothing else runs the systems, so the caller may.
    if (IsApplicationThread() || !threadStarted.load())
    {
        // Requests queued by other threads stay queued: the next Update serves them, as their callers
        // expect.
        Perform(request);
        return;
    }
    std::unique_lock lock(mutex);
    if (loopEnded)
        return;
    pendingRequests.push_back(request);
    const uint64_t ticket = ++queuedRequests;
    requestServed.wait(lock, [this, ticket] { return servedRequests >= ticket || loopEnded; });
}

void Application::Perform(StateRequest request)
{
    switch (request)
    {
    case StateRequest::Start:
        for (auto& system : systems)
            system->Start();
        state.store(ApplicationState::Started);
        lastRenderTime = 0;
        break;
    case StateRequest::Resume:
        for (auto& system : systems)
            system->Resume();
        state.store(ApplicationState::Running);
        lastUpdateTime = 0;
        break;
    case StateRequest::Pause:
        state.store(ApplicationState::Started);
        for (auto& system : systems)
            system->Pause();
        break;
    case StateRequest::Stop:
        state.store(ApplicationState::Stopped);
        for (auto& system : systems)
            system->Stop();
        for (auto& system : systems)
            system->Unload();
        break;
    case StateRequest::None:
        break;
    }
}

void Application::ServePendingRequest()
{
    for (;;)
    {
        StateRequest request;
        {
            std::lock_guard lock(mutex);
            if (pendingRequests.empty())
                return;
            request = pendingRequests.front();
            pendingRequests.pop_front();
        }
        Perform(request);
        {
            std::lock_guard lock(mutex);
            ++servedRequests;
        }
        requestServed.notify_all();
    }
}

void Application::HandleWindowEvent(WindowEvent event)
{
    switch (event)
    {
    case WindowEvent::FocusGained:
        if (GetState() == ApplicationState::Stopped)
            ChangeState(StateRequest::Start);
        if (GetState() == ApplicationState::Started)
            ChangeState(StateRequest::Resume);
        break;
    case WindowEvent::FocusLost:
        if (GetState() == ApplicationState::Running)
            ChangeState(StateRequest::Pause);
        break;
    case WindowEvent::Minimized:
        if (GetState() == ApplicationState::Running)
            ChangeState(StateRequest::Pause);
        ChangeState(StateRequest::Stop);
        break;
    case WindowEvent::Restored:
        ChangeState(StateRequest::Start);
        break;
    case WindowEvent::Maximized:
        break;
    }
}

bool Application::IsUpdating() const
{
    const ApplicationState current = GetState();
    return current == ApplicationState::Running || current == ApplicationState::Started;
}

void Application::Update()
{
    ServePendingRequest();
    if (!IsUpdating())
        return;
    const int64_t now = ReadClock();
    if (lastUpdateTime > 0)
    {
        const int64_t elapsed = config.fixedStep > 0 ? config.fixedStep : now - lastUpdateTime;
        fileManager.PollWatches();
        for (auto& system : systems)
            system->Update(elapsed);
        for (auto& system : systems)
            system->LateUpdate(elapsed);
        if (audioDevice)
            audioDevice->Update();
    }
    lastUpdateTime = now;
    lastUpdateDuration = ReadClock() - now;
}

void Application::Render()
{
    if (!IsUpdating())
        return;
    const int64_t now = ReadClock();
    if (lastRenderTime > 0)
    {
        const int64_t elapsed = config.fixedStep > 0 ? config.fixedStep : now - lastRenderTime;
        for (auto& system : systems)
            system->Render(elapsed);
        // Uploads, replays the frame's commands and presents, under the device mutex.
        if (graphicsDevice)
            graphicsDevice->Render();
    }
    lastRenderTime = now;
    lastRenderDuration = ReadClock() - now;
}

int64_t Application::ReadClock() const
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Application::JoinThread()
{
    if (!thread.joinable() || thread.get_id() == std::this_thread::get_id())
        return;
    thread.join();
    state.store(ApplicationState::Finished);
}

void Application::ReleaseSystemsAndDevices()
{
    systems.clear();
    motionDevice.reset();
    controllerDevice.reset();
    touchDevice.reset();
    mouseDevice.reset();
    keyboardDevice.reset();
    graphicsDevice.reset();
    audioDevice.reset();
}

} // namespace Lumvek
