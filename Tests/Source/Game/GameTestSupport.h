#pragma once

#include "Tests/TestPaths.h"
#include "Engine/Foundation/File.h"
#include "Engine/Runtime/Audio/AudioDevice.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Input/Input.h"
#include "Source/Game/Vantorel.h"
#include "Source/Network/Network.h"
#include "Tests/TestFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace GameTesting
{

// An application that runs no thread of its own: a test calls the game system's operations itself,
// on the test's thread, which thereby is the application thread. Devices are whatever the test gives.
class TestApplication : public Lumvek::Application
{
public:
    explicit TestApplication(const std::string& root)
        : Application("Vantorel", "Test", "en-US", Lumvek::ApplicationConfig(), Lumvek::Arguments(), root,
                      root + "/Data", root + "/Documents", root + "/Temporary")
    {
        GetFileManager().RegisterFormats();
        Lumvek::RegisterRuntimeFormats(GetFileManager());
    }

    void Quit() override { ++quits; }

    void SetGraphicsDevice(std::unique_ptr<Lumvek::GraphicsDevice> device) { graphicsDevice = std::move(device); }
    void SetAudioDevice(std::unique_ptr<Lumvek::AudioDevice> device) { audioDevice = std::move(device); }
    void SetControllerDevice(std::unique_ptr<Lumvek::ControllerDevice> device) { controllerDevice = std::move(device); }

    int32_t quits = 0;

protected:
    void FrameLoop() override {}
};

// A role whose state the test sets, counting what the game system asks of it.
class ScriptedNetwork : public Network
{
public:
    explicit ScriptedNetwork(NetworkState initial) : Network(NetworkSettings()) { state = initial; }

    void Update(int64_t) override { ++updates; }
    void BeginLoading() override { calls.push_back("BeginLoading"); }
    void BeginPreparing() override { calls.push_back("BeginPreparing"); }
    void BeginStarting() override { calls.push_back("BeginStarting"); }
    void Step(float) override { ++steps; }
    void SaveJournal() override { calls.push_back("SaveJournal"); }
    void BeginEnding() override { calls.push_back("BeginEnding"); }
    void Stop() override { calls.push_back("Stop"); }

    void SetState(NetworkState next) { state = next; }

    int32_t updates = 0;
    int32_t steps = 0;
    std::vector<std::string> calls;
};

// Every change of the load status in order, from whichever thread made it: "P33" for progress 33,
// "S2" for load state 2.
class LoadRecorder : public LoadObserver
{
public:
    void ProgressChanged(int32_t progress) override { Add("P" + std::to_string(progress)); }
    void StateChanged(LoadState state) override { Add("S" + std::to_string(static_cast<int32_t>(state))); }

    std::vector<std::string> Take()
    {
        std::lock_guard lock(mutex);
        return std::exchange(events, {});
    }

private:
    void Add(std::string event)
    {
        std::lock_guard lock(mutex);
        events.push_back(std::move(event));
    }

    std::mutex mutex;
    std::vector<std::string> events;
};

// A scratch application folder holding a copy of the shipped Assets, and the game system over it,
// added to a test application. The folder's role file is the shipped one unless a test writes its own.
struct GameFixture
{
    explicit GameFixture(bool headless = true, bool copyAssets = true)
    {
        if (copyAssets)
            std::filesystem::copy(std::filesystem::path(Lumvek::Testing::SourceFolder()) / "Assets", folder.Path("Assets"),
                                  std::filesystem::copy_options::recursive);
        application = std::make_unique<TestApplication>(folder.Root());
        game = static_cast<Vantorel_*>(application->AddSystem(std::make_unique<Vantorel_>(headless)));
        game->load.observer = &recorder;
    }

    // Writes a file below the application folder.
    void Write(const std::string& relative, const std::string& text)
    {
        ASSERT_TRUE(Lumvek::File::WriteAllText(folder.Path(relative), text));
    }

    // One frame of one tick, after any running loader has finished, so that what a frame sees does not
    // depend on how fast the loader threads run.
    void Frame()
    {
        game->WaitForLoader();
        game->LateUpdate(Vantorel_::StepLength);
        game->Render(Vantorel_::StepLength);
    }
    // Frames until the condition holds; false when it still does not after the given number.
    bool RunUntil(const std::function<bool()>& condition, int32_t frames = 5000)
    {
        for (int32_t frame = 0; frame < frames; ++frame)
        {
            if (condition())
                return true;
            Frame();
        }
        return condition();
    }
    // Set-up, then frames until the definitions are loaded.
    void Start()
    {
        game->Setup();
        ASSERT_TRUE(RunUntil([this] { return game->load.GetState() == LoadState::StartupLoaded; }));
    }

    Lumvek::Testing::TestFolder folder;
    LoadRecorder recorder;
    std::unique_ptr<TestApplication> application;
    Vantorel_* game = nullptr;
};

} // namespace GameTesting
