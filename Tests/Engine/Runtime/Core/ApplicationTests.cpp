#include "Engine/Runtime/Core/Application.h"

#include "Tests/LogCapture.h"
#include "Tests/TestFolder.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/Format.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace Lumvek;

namespace
{

using Strings = std::vector<std::string>;

// The calls every system of a test makes, in the order they happen on any thread.
class CallLog
{
public:
    void Add(std::string call)
    {
        std::lock_guard lock(mutex);
        calls.push_back(std::move(call));
        callsOnTestThread += std::this_thread::get_id() == testThread;
    }
    Strings Take()
    {
        std::lock_guard lock(mutex);
        return std::exchange(calls, {});
    }

    std::atomic<int> callsOnTestThread{0};

private:
    std::mutex mutex;
    Strings calls;
    const std::thread::id testThread = std::this_thread::get_id();
};

// "A.Setup", "B.Setup", "A.Begin", ... : each operation of every system, in the order the systems were
// added.
Strings Each(std::initializer_list<const char*> operations, std::initializer_list<const char*> systems = {"A"})
{
    Strings calls;
    for (const char* operation : operations)
        for (const char* system : systems)
            calls.push_back(std::string(system) + "." + operation);
    return calls;
}

// Writes "name.Operation" for each call, with the elapsed time of the frame operations unless told
// to keep the frames out of the log, and then calls the test's hook.
class Recorder : public System
{
public:
    Recorder(CallLog& log, std::string name, bool frames) : log(log), name(std::move(name)), frames(frames) {}

    void Setup() override { Call("Setup"); }
    void Start() override { Call("Start"); }
    void Resume() override { Call("Resume"); }
    void Pause() override { Call("Pause"); }
    void Stop() override { Call("Stop"); }
    void Unload() override { Call("Unload"); }
    void Begin() override { Call("Begin"); }
    void Update(int64_t elapsed) override { Frame("Update", elapsed); }
    void LateUpdate(int64_t elapsed) override { Frame("LateUpdate", elapsed); }
    void Render(int64_t elapsed) override { Frame("Render", elapsed); }

    std::function<void(const std::string& operation)> after;

private:
    void Call(const std::string& operation)
    {
        log.Add(name + "." + operation);
        if (after)
            after(operation);
    }
    void Frame(const char* operation, int64_t elapsed)
    {
        if (frames)
            log.Add(name + "." + operation + "(" + std::to_string(elapsed) + ")");
    }

    CallLog& log;
    std::string name;
    bool frames;
};

// Fulfilled when the recorder's operation of that name runs for the first time.
std::future<void> WhenCalled(Recorder& recorder, const std::string& operation)
{
    auto promise = std::make_shared<std::promise<void>>();
    recorder.after = [promise, operation, done = false](const std::string& called) mutable
    {
        if (!done && called == operation)
            promise->set_value();
        done = done || called == operation;
    };
    return promise->get_future();
}

// Tells when it is destroyed.
class Mortal : public System
{
public:
    explicit Mortal(bool& destroyed) : destroyed(destroyed) {}
    ~Mortal() override { destroyed = true; }

    bool& destroyed;
};

// An application without a window. Its frame loop starts and resumes the systems, runs frames until
// it quits or has run the frames it was given, then pauses and stops them. Its clock advances by the
// tick on every reading, so frame times are known in advance.
class TestApplication : public Application
{
public:
    explicit TestApplication(const Testing::TestFolder& folder, const ApplicationConfig& config = {})
        : Application("Test", "Test", "en-US", config, Arguments(), folder.Root(), folder.Path("Data"),
                      folder.Path("Documents"), folder.Path("Temporary"))
    {
    }
    ~TestApplication() override
    {
        Quit();
        JoinThread();
    }

    void Quit() override { running = false; }
    using Application::JoinThread;

    // Frames the loop runs before it ends; negative runs until Quit.
    int32_t frames = -1;
    std::atomic<int64_t> clock{1000000};
    int64_t tick = 0;

protected:
    void FrameLoop() override
    {
        ChangeState(StateRequest::Start);
        ChangeState(StateRequest::Resume);
        for (int32_t frame = 0; running && (frames < 0 || frame < frames); ++frame)
        {
            Update();
            Render();
        }
        if (GetState() == ApplicationState::Running)
            ChangeState(StateRequest::Pause);
        ChangeState(StateRequest::Stop);
    }

    int64_t ReadClock() const override { return const_cast<std::atomic<int64_t>&>(clock).fetch_add(tick); }

private:
    std::atomic<bool> running{true};
};

struct Fixture
{
    Recorder& Add(const std::string& name, bool frames)
    {
        auto recorder = std::make_unique<Recorder>(log, name, frames);
        Recorder& added = *recorder;
        EXPECT_EQ(application.AddSystem(std::move(recorder)), &added);
        return added;
    }

    Testing::TestFolder folder;
    CallLog log;
    TestApplication application{folder};
};

} // namespace

TEST(Application, AddsSystemsUntilItsThreadHasBegun)
{
    Testing::LogCapture capture;
    Fixture fixture;
    Recorder& first = fixture.Add("A", false);
    EXPECT_EQ(capture.CountSections("Creating Recorder"), 1u);
    EXPECT_EQ(first.GetApplication(), &fixture.application);
    EXPECT_FALSE(fixture.application.IsInitialized());

    std::future<void> begun = WhenCalled(first, "Begin");
    fixture.application.Run();
    begun.wait();

    bool destroyed = false;
    EXPECT_EQ(fixture.application.AddSystem(std::make_unique<Mortal>(destroyed)), nullptr);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(capture.CountSections("Creating Mortal"), 1u);
    ASSERT_EQ(capture.messages, Strings{"a System cannot be created after the Application has been Initialized"});
    EXPECT_EQ(capture.enclosing.back(), Strings{"Creating Mortal"});
    EXPECT_EQ(fixture.application.GetSystems().size(), 1u);

    fixture.application.Quit();
    fixture.application.JoinThread();
    EXPECT_EQ(fixture.application.GetState(), ApplicationState::Finished);
    fixture.application.Run();
    EXPECT_EQ(fixture.application.GetState(), ApplicationState::Finished);
}

TEST(Application, RunsEverySystemInOrderAndAllUpdatesBeforeAllLateUpdates)
{
    Fixture fixture;
    fixture.Add("A", true);
    fixture.Add("B", true);
    fixture.application.frames = 3;
    fixture.application.tick = 1000;
    fixture.application.Run();
    fixture.application.JoinThread();

    // The first frame after the start only records the times; a frame reads the clock four times.
    const Strings expected =
        Each({"Setup", "Begin", "Start", "Resume", "Update(4000)", "LateUpdate(4000)", "Render(4000)", "Update(4000)",
              "LateUpdate(4000)", "Render(4000)", "Pause", "Stop", "Unload"},
             {"A", "B"});
    EXPECT_EQ(fixture.log.Take(), expected);
}

TEST(Application, TheFirstFrameAfterAStartOrResumeOnlyRecordsTheTime)
{
    // Requests made off the user-interface thread are performed at once, so frames can be driven here.
    Fixture fixture;
    fixture.Add("A", true);
    TestApplication& application = fixture.application;
    auto frameAt = [&](int64_t time)
    {
        application.clock = time;
        application.Update();
        application.Render();
        return fixture.log.Take();
    };

    EXPECT_EQ(frameAt(1000), Strings{}) << "created";
    application.ChangeState(StateRequest::Start);
    fixture.log.Take();
    EXPECT_EQ(frameAt(2000), Strings{}) << "first frame after the start";
    EXPECT_EQ(frameAt(2500), (Strings{"A.Update(500)", "A.LateUpdate(500)", "A.Render(500)"})) << "started";

    application.ChangeState(StateRequest::Resume);
    fixture.log.Take();
    EXPECT_EQ(frameAt(3000), Strings{"A.Render(500)"}) << "first frame after the resume";
    EXPECT_EQ(frameAt(3700), (Strings{"A.Update(700)", "A.LateUpdate(700)", "A.Render(700)"})) << "running";

    application.ChangeState(StateRequest::Stop);
    fixture.log.Take();
    EXPECT_EQ(frameAt(4000), Strings{}) << "stopped";
}

TEST(Application, WindowEventsMoveTheStateAsTheTableSays)
{
    const struct
    {
        std::vector<StateRequest> before;
        WindowEvent event;
        ApplicationState state;
        Strings calls;
    } cases[] = {
        {{StateRequest::Stop}, WindowEvent::FocusGained, ApplicationState::Running, Each({"Start", "Resume"})},
        {{StateRequest::Start}, WindowEvent::FocusGained, ApplicationState::Running, Each({"Resume"})},
        {{StateRequest::Start, StateRequest::Resume}, WindowEvent::FocusGained, ApplicationState::Running, {}},
        {{StateRequest::Start, StateRequest::Resume},
         WindowEvent::FocusLost,
         ApplicationState::Started,
         Each({"Pause"})},
        {{StateRequest::Start}, WindowEvent::FocusLost, ApplicationState::Started, {}},
        {{StateRequest::Stop}, WindowEvent::FocusLost, ApplicationState::Stopped, {}},
        {{StateRequest::Start, StateRequest::Resume},
         WindowEvent::Minimized,
         ApplicationState::Stopped,
         Each({"Pause", "Stop", "Unload"})},
        {{StateRequest::Start}, WindowEvent::Minimized, ApplicationState::Stopped, Each({"Stop", "Unload"})},
        {{StateRequest::Stop}, WindowEvent::Restored, ApplicationState::Started, Each({"Start"})},
        {{StateRequest::Start, StateRequest::Resume}, WindowEvent::Maximized, ApplicationState::Running, {}},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        Fixture fixture;
        fixture.Add("A", false);
        for (StateRequest request : cases[i].before)
            fixture.application.ChangeState(request);
        fixture.log.Take();
        fixture.application.HandleWindowEvent(cases[i].event);
        EXPECT_EQ(fixture.application.GetState(), cases[i].state) << "case " << i;
        EXPECT_EQ(fixture.log.Take(), cases[i].calls) << "case " << i;
    }
}

TEST(Application, RequestsOfTheUserInterfaceThreadReturnOnceTheApplicationThreadHasServedThem)
{
    Fixture fixture;
    std::future<void> begun = WhenCalled(fixture.Add("A", false), "Begin");
    TestApplication& application = fixture.application;
    application.Run();
    begun.wait();

    // The loop has started and resumed the systems itself; the requests below wait for the next Update.
    application.ChangeState(StateRequest::Resume);
    ASSERT_EQ(application.GetState(), ApplicationState::Running);
    fixture.log.Take();

    application.HandleWindowEvent(WindowEvent::Minimized);
    EXPECT_EQ(application.GetState(), ApplicationState::Stopped);
    EXPECT_EQ(fixture.log.Take(), Each({"Pause", "Stop", "Unload"}));

    // While stopped, Update still serves requests.
    application.HandleWindowEvent(WindowEvent::Restored);
    EXPECT_EQ(application.GetState(), ApplicationState::Started);
    application.HandleWindowEvent(WindowEvent::FocusGained);
    EXPECT_EQ(application.GetState(), ApplicationState::Running);
    EXPECT_EQ(fixture.log.Take(), Each({"Start", "Resume"}));

    application.Quit();
    application.JoinThread();
    EXPECT_EQ(fixture.log.Take(), Each({"Pause", "Stop", "Unload"}));
    EXPECT_EQ(fixture.log.callsOnTestThread, 0);
}

TEST(Application, AStateChangeAskedForByAThirdThreadRunsOnTheApplicationThread)
{
    Fixture fixture;
    Recorder& recorder = fixture.Add("A", false);
    std::mutex mutex;
    std::map<std::string, std::thread::id> threads;
    std::promise<void> begun;
    recorder.after = [&](const std::string& operation)
    {
        std::lock_guard lock(mutex);
        threads[operation] = std::this_thread::get_id();
        if (operation == "Begin")
            begun.set_value();
    };
    TestApplication& application = fixture.application;
    application.Run();
    begun.get_future().wait();

    // A worker, such as a loader, asks for the change: the systems must not be called beside the
    // frames the application thread runs, and the worker learns of the change only once it is done.
    ApplicationState seen = ApplicationState::Created;
    std::thread worker(
        [&]
        {
            application.ChangeState(StateRequest::Pause);
            seen = application.GetState();
        });
    const std::thread::id workerId = worker.get_id();
    worker.join();
    EXPECT_EQ(seen, ApplicationState::Started);
    {
        std::lock_guard lock(mutex);
        ASSERT_EQ(threads.count("Pause"), 1u);
        EXPECT_EQ(threads["Pause"], threads["Setup"]);
        EXPECT_NE(threads["Pause"], workerId);
    }
    application.Quit();
    application.JoinThread();
    EXPECT_EQ(fixture.log.callsOnTestThread, 0);
}

TEST(Application, RequestsAfterTheLoopHasEndedReturnWithoutEffect)
{
    Fixture fixture;
    std::future<void> unloaded = WhenCalled(fixture.Add("A", false), "Unload");
    TestApplication& application = fixture.application;
    application.frames = 0;
    application.Run();
    unloaded.wait();
    fixture.log.Take();

    // Nothing serves requests any more: each must come back instead of waiting for ever, whether the
    // loop's last steps are still under way or the thread is gone.
    application.HandleWindowEvent(WindowEvent::FocusGained);
    application.HandleWindowEvent(WindowEvent::Restored);
    EXPECT_EQ(application.GetState(), ApplicationState::Stopped);
    application.JoinThread();
    application.HandleWindowEvent(WindowEvent::FocusGained);
    EXPECT_EQ(fixture.log.Take(), Strings{});
    EXPECT_EQ(application.GetState(), ApplicationState::Finished);
}

namespace
{

// Counts the loads of its files.
struct Counted
{
    int loads = 0;
};

class CountedFormat : public ContentFormat<Counted>
{
public:
    using ContentFormat::ContentFormat;
    void Load(StringView, StringView, Counted& content) override { ++content.loads; }
    Buffer Save(StringView, const Counted&) override { return Buffer(); }
};

} // namespace

TEST(Application, UpdatesReloadWatchedFilesOnceForEachChange)
{
    Fixture fixture;
    TestApplication& application = fixture.application;
    FileManager& files = application.GetFileManager();
    auto owned = std::make_unique<CountedFormat>(&files, TypeIndex<Counted>(), "count");
    CountedFormat* format = owned.get();
    files.AddFormat(TypeIndex<Counted>(), "count", std::move(owned));

    const std::string path = fixture.folder.Path("A.count");
    ASSERT_TRUE(File::WriteAllText(path, "a"));
    Counted changed, missing;
    FormatHandle watched = files.Watch(path, format, TypeIndex<Counted>(), &changed);
    FormatHandle gone = files.Watch(fixture.folder.Path("Missing.count"), format, TypeIndex<Counted>(), &missing);

    application.ChangeState(StateRequest::Start);
    application.ChangeState(StateRequest::Resume);
    application.Update();
    auto later = std::filesystem::last_write_time(path) + std::chrono::seconds(10);
    std::filesystem::last_write_time(path, later);
    EXPECT_EQ(changed.loads, 0) << "the first update after a resume polls nothing";

    for (int frame = 0; frame < 3; ++frame)
        application.Update();
    EXPECT_EQ(changed.loads, 1);
    EXPECT_EQ(missing.loads, 0);
    EXPECT_EQ(files.GetWatches()[0].lastWriteTime, FileManager::LastWriteTime(path));
}

TEST(Application, AFixedStepIsWhatEveryFrameIsToldHasPassed)
{
    Testing::TestFolder folder;
    CallLog log;
    ApplicationConfig config;
    config.fixedStep = 250;
    TestApplication application(folder, config);
    application.AddSystem(std::make_unique<Recorder>(log, "A", true));
    application.ChangeState(StateRequest::Start);
    log.Take();
    for (const int64_t time : {2000, 2100, 9000})
    {
        application.clock = time;
        application.Update();
        application.Render();
    }
    EXPECT_EQ(log.Take(), (Strings{"A.Update(250)", "A.LateUpdate(250)", "A.Render(250)", "A.Update(250)",
                                   "A.LateUpdate(250)", "A.Render(250)"}));
}
