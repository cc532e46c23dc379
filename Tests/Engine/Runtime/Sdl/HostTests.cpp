#include "Engine/Runtime/Sdl/SdlApplication.h"

#include "Tests/LogCapture.h"
#include "Tests/TestFolder.h"
#include "Tests/TestPaths.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/ToString.h"
#include "Engine/Runtime/Core/Directory.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Input/Input.h"
#include "Engine/Runtime/Sdl/Platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace Lumvek;

namespace
{

using Strings = std::vector<std::string>;

// Sets an environment variable, or removes it for null, until the end of the scope.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const char* value) : name(name)
    {
        if (const char* old = std::getenv(name))
            previous = old;
        Set(value);
    }
    ~ScopedEnvironment() { Set(previous ? previous->c_str() : nullptr); }

private:
    void Set(const char* value)
    {
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }

    const char* name;
    std::optional<std::string> previous;
};

} // namespace

TEST(Platform, TheApplicationFolderIsTheExecutablesCutBeforeItsLastBuildFolder)
{
    const struct
    {
        const char* executable;
        const char* folder;
    } cases[] = {
        {"/home/me/Game/build/test/Tests/SdlTests", "/home/me/Game"},
        {"/home/me/Game/Build/Release/Vantorel", "/home/me/Game"},
        {"/home/me/build/Game/build/Vantorel", "/home/me/build/Game"},
        {"/home/me/Game/Vantorel", "/home/me/Game"},
        {"/home/me/rebuild/Vantorel", "/home/me/rebuild"},
        {"/home/me/Game/build", "/home/me/Game"},
        {"Vantorel", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Platform::ApplicationFolderOf(StringView::FromCString(c.executable)), c.folder) << c.executable;
}

TEST(Platform, FoldersFollowTheUsersEnvironment)
{
    ScopedEnvironment home("HOME", "/home/me/");
    {
        ScopedEnvironment data("XDG_DATA_HOME", "/srv/data");
        const Platform::Folders folders = Platform::FindFolders("Vantorel");
        EXPECT_EQ(folders.data, "/srv/data/Vantorel");
        EXPECT_EQ(folders.documents, "/home/me/Vantorel");
        EXPECT_EQ(folders.temporary, "/tmp/Vantorel");
        const std::string source = Lumvek::Testing::SourceFolder();
        if (!source.empty() && Lumvek::Testing::BinaryFolder().starts_with(source + "/build/"))
        {
            EXPECT_EQ(folders.application, source);
        }
    }
    for (const char* ignored : {static_cast<const char*>(nullptr), "", "relative/data"})
    {
        ScopedEnvironment data("XDG_DATA_HOME", ignored);
        EXPECT_EQ(Platform::FindFolders("Vantorel").data, "/home/me/.local/share/Vantorel");
    }
}

TEST(Platform, TheLanguageComesFromTheFirstLocaleVariableSet)
{
    const struct
    {
        const char* all;
        const char* messages;
        const char* lang;
        const char* language;
    } cases[] = {
        {nullptr, nullptr, "de_DE.UTF-8", "de-DE"},
        {nullptr, "fr_CA.ISO-8859-1@euro", "de_DE.UTF-8", "fr-CA"},
        {"pt_BR", "fr_CA", "de_DE", "pt-BR"},
        {nullptr, nullptr, "fil", "fil"},
        {nullptr, nullptr, "C.UTF-8", "en-US"},
        {"POSIX", nullptr, "de_DE.UTF-8", "en-US"},
        {"", "", "", "en-US"},
        {nullptr, nullptr, nullptr, "en-US"},
        {nullptr, nullptr, "1x_2Y", "en-US"},
    };
    for (const auto& c : cases)
    {
        ScopedEnvironment all("LC_ALL", c.all);
        ScopedEnvironment messages("LC_MESSAGES", c.messages);
        ScopedEnvironment lang("LANG", c.lang);
        Testing::LogCapture capture;
        EXPECT_EQ(Platform::FindLanguage(), c.language) << (c.lang ? c.lang : "(none)");
        const auto fallbacks =
            std::count_if(capture.messages.begin(), capture.messages.end(),
                          [](const std::string& m) { return m.ends_with(": the game's language is en-US"); });
        EXPECT_EQ(fallbacks, std::string(c.language) == "en-US" ? 1 : 0);
    }
}

TEST(Platform, CommandLinesGiveTheirArgumentsAfterTheProgramWithEmptyNames)
{
    using namespace std::string_view_literals;
    const struct
    {
        std::string_view entries;
        Strings values;
    } cases[] = {
        {""sv, {}},
        {"/usr/bin/Vantorel\0"sv, {}},
        {"/usr/bin/Vantorel\0--server\0two words\0\0\xC3\xBC\0"sv, {"--server", "two words", "", "\xC3\xBC"}},
        {"Vantorel\0unterminated"sv, {"unterminated"}},
    };
    for (const auto& c : cases)
    {
        const Arguments arguments = Platform::ArgumentsOfCommandLine(c.entries);
        Strings values;
        for (uint32_t i = 0; i < arguments.Count(); ++i)
        {
            EXPECT_EQ(arguments.GetName(i), "");
            values.push_back(arguments.GetValue(i));
        }
        EXPECT_EQ(values, c.values);
        EXPECT_EQ(arguments.Find(""), c.values.empty() ? Arguments::NotFound : 0u);
    }
    EXPECT_THROW(Platform::ArgumentsOfCommandLine("a\0b"sv).GetValue(1), InvalidIndex);
}

TEST(Platform, GuidsAreRandomWithTheVersionFourLayout)
{
    const Guid first = Guid::Create();
    const Guid second = Guid::Create();
    for (const Guid& guid : {first, second})
    {
        EXPECT_EQ(guid.bytes[6] >> 4, 4);
        EXPECT_EQ(guid.bytes[8] >> 6, 2);
    }
    EXPECT_FALSE(std::equal(std::begin(first.bytes), std::end(first.bytes), std::begin(second.bytes)));
}

TEST(Platform, DirectoriesAreCreatedWholeAndListedAsFullPaths)
{
    Testing::TestFolder folder;
    const std::string nested = folder.Path("a/b/c");
    EXPECT_TRUE(Directory::CreateAll(nested));
    EXPECT_TRUE(Directory::CreateAll(nested + "/"));
    EXPECT_TRUE(Directory::CreateAll(folder.Root() + "\\a\\d"));
    ASSERT_TRUE(File::WriteAllText(folder.Path("a/file.txt"), "x"));
    EXPECT_FALSE(Directory::CreateAll(folder.Path("a/file.txt")));
    EXPECT_FALSE(Directory::CreateAll(folder.Path("a/file.txt/below")));
    EXPECT_FALSE(Directory::CreateAll(""));
    EXPECT_TRUE(Directory::CreateAll("/"));

    auto [files, folders] = Directory::FindFiles(folder.Path("a"));
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(files, Strings{folder.Path("a/file.txt")});
    EXPECT_EQ(folders, (Strings{folder.Path("a/b"), folder.Path("a/d")}));
    EXPECT_EQ(Directory::FindFiles(folder.Path("a/b/c")), (std::pair<Strings, Strings>{}));
    EXPECT_EQ(Directory::FindFiles(folder.Path("missing")), (std::pair<Strings, Strings>{}));
    EXPECT_EQ(Directory::FindFiles(folder.Path("a/file.txt")), (std::pair<Strings, Strings>{}));
}

namespace
{

// A system whose operations are logged and may each run a step of the test, on the application thread.
class Scripted : public System
{
public:
    void Setup() override { Call("Setup"); }
    void Start() override { Call("Start"); }
    void Resume() override { Call("Resume"); }
    void Pause() override { Call("Pause"); }
    void Stop() override { Call("Stop"); }
    void Unload() override { Call("Unload"); }
    void Begin() override { Call("Begin"); }
    void Update(int64_t) override
    {
        ++updates;
        if (onUpdate)
            onUpdate(updates);
    }

    // Read on the main thread once the application thread has been joined.
    Strings calls;
    int updates = 0;
    std::function<void(const std::string& operation)> onCall;
    std::function<void(int update)> onUpdate;

private:
    void Call(const std::string& operation)
    {
        calls.push_back(operation);
        if (onCall)
            onCall(operation);
    }
};

void PushWindowEvent(uint32_t windowId, SDL_WindowEventID id, int32_t data1 = 0, int32_t data2 = 0)
{
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = windowId;
    event.window.event = static_cast<uint8_t>(id);
    event.window.data1 = data1;
    event.window.data2 = data2;
    SDL_PushEvent(&event);
}

// A host on SDL's offscreen video driver, which needs no display.
struct Host
{
    explicit Host(const char* driver = "offscreen", ApplicationConfig config = ApplicationConfig())
        : video("SDL_VIDEODRIVER", driver), application(SdlApplication::Create("HostTests", config))
    {
        windowId = application->GetWindow() ? SDL_GetWindowID(application->GetWindow()) : 0;
        auto owned = std::make_unique<Scripted>();
        system = owned.get();
        application->AddSystem(std::move(owned));
    }

    ScopedEnvironment video;
    std::unique_ptr<SdlApplication> application;
    uint32_t windowId = 0;
    Scripted* system = nullptr;
};

const Strings RunOnce = {"Setup", "Begin", "Start", "Resume", "Pause", "Stop", "Unload"};

} // namespace

TEST(SdlApplication, ClosingTheWindowEndsTheProgramWithItsExitCode)
{
    Host host;
    ASSERT_NE(host.application->GetWindow(), nullptr);
    EXPECT_EQ(host.application->GetPlatform(), "Linux");
    // The audio device exists even without sound hardware, and its frame update runs with the rest.
    ASSERT_NE(host.application->GetAudioDevice(), nullptr);
    ASSERT_NE(host.application->GetGraphicsDevice(), nullptr);
    EXPECT_EQ(host.application->GetGraphicsDevice()->GetName(), "OpenGL");
    host.system->onUpdate = [&](int update)
    {
        if (update != 3)
            return;
        host.application->SetExitCode(7);
        PushWindowEvent(host.windowId, SDL_WINDOWEVENT_CLOSE);
    };
    host.application->Run();
    EXPECT_EQ(host.application->MessageLoop(), 7);
    EXPECT_EQ(host.application->GetState(), ApplicationState::Finished);
    EXPECT_EQ(host.application->GetWindow(), nullptr);
    EXPECT_GE(host.system->updates, 3);
    EXPECT_EQ(host.system->calls, RunOnce);
}

TEST(SdlApplication, QuittingFromTheApplicationSideEndsTheProgramWithOrWithoutAWindow)
{
    for (const char* driver : {"offscreen", "no-such-driver"})
    {
        Testing::LogCapture capture;
        Host host(driver);
        EXPECT_EQ(host.application->GetWindow() == nullptr, std::string(driver) == "no-such-driver");
        const bool refused =
            std::any_of(capture.messages.begin(), capture.messages.end(),
                        [](const std::string& m) { return m.starts_with("failed to create window class: "); });
        EXPECT_EQ(refused, host.application->GetWindow() == nullptr) << driver;
        host.system->onUpdate = [&](int)
        {
            host.application->SetExitCode(3);
            host.application->Quit();
        };
        host.application->Run();
        EXPECT_EQ(host.application->MessageLoop(), 3) << driver;
        EXPECT_EQ(host.application->GetState(), ApplicationState::Finished);
        EXPECT_EQ(host.system->calls, RunOnce);
    }
}

TEST(SdlApplication, FocusAfterTheLoopHasStoppedDoesNotHangTheMainThread)
{
    Host host;
    host.system->onUpdate = [&](int) { host.application->Quit(); };
    // The loop's own stop: the focus event reaches the main thread before the end of the loop does.
    host.system->onCall = [&](const std::string& operation)
    {
        if (operation == "Stop")
            PushWindowEvent(host.windowId, SDL_WINDOWEVENT_FOCUS_GAINED);
    };
    host.application->Run();
    host.application->MessageLoop();
    EXPECT_EQ(host.system->calls, RunOnce);
}

TEST(SdlApplication, TheWindowIsCentredAtTheGivenSizeOrTheDesktops)
{
    const struct
    {
        int32_t width, height;
        bool borderless;
    } cases[] = {{1920, 1080, false}, {-1, -1, true}, {-1, 600, false}};
    for (const auto& c : cases)
    {
        ApplicationConfig config;
        config.width = c.width;
        config.height = c.height;
        Host host("offscreen", config);
        SDL_Window* window = host.application->GetWindow();
        ASSERT_NE(window, nullptr);
        SDL_DisplayMode desktop;
        ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
        int width = 0, height = 0, left = 0, top = 0;
        SDL_GetWindowSize(window, &width, &height);
        SDL_GetWindowPosition(window, &left, &top);
        EXPECT_EQ(width, c.width > 0 ? c.width : desktop.w);
        EXPECT_EQ(height, c.height > 0 ? c.height : desktop.h);
        EXPECT_EQ(left, desktop.w / 2 - width / 2);
        EXPECT_EQ(top, desktop.h / 2 - height / 2);
        const uint32_t flags = SDL_GetWindowFlags(window);
        EXPECT_EQ((flags & SDL_WINDOW_BORDERLESS) != 0, c.borderless);
        EXPECT_EQ(flags & SDL_WINDOW_RESIZABLE, 0u);
    }
}

TEST(SdlApplication, AQuitBeforeTheLoopBeginsIsNotLost)
{
    Host host;
    host.application->Quit();
    host.application->Run();
    host.application->MessageLoop();
    EXPECT_EQ(host.system->updates, 0);
    EXPECT_EQ(host.system->calls, RunOnce);
}

namespace
{

void PushEvent(SDL_Event event)
{
    SDL_PushEvent(&event);
}

} // namespace

TEST(SdlApplication, KeyMouseAndWheelEventsReachTheInputDevices)
{
    Host host;
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.scancode = SDL_SCANCODE_A;
    PushEvent(key);
    key.key.keysym.scancode = SDL_SCANCODE_LSHIFT;
    PushEvent(key);
    key.type = SDL_KEYUP;
    PushEvent(key);
    SDL_Event button{};
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.button = SDL_BUTTON_RIGHT;
    PushEvent(button);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = 2;
    wheel.wheel.x = -1;
    PushEvent(wheel);
    wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    wheel.wheel.y = 1;
    wheel.wheel.x = 0;
    PushEvent(wheel);
    // The position and the client size reach the device through the main thread, which alone asks SDL.
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = host.windowId;
    motion.motion.x = 30;
    motion.motion.y = 40;
    PushEvent(motion);
    motion.motion.windowID = host.windowId + 1;
    motion.motion.x = 31;
    PushEvent(motion);
    PushWindowEvent(host.windowId, SDL_WINDOWEVENT_CLOSE);
    host.application->Run();
    host.application->MessageLoop();

    KeyboardState keys;
    host.application->GetKeyboardDevice()->Update(keys, 0);
    EXPECT_EQ(keys.held[Key::A], 1);
    EXPECT_EQ(keys.pressed[Key::LeftShift], 1);
    EXPECT_EQ(keys.released[Key::LeftShift], 1);
    EXPECT_EQ(keys.held[Key::LeftShift], 0);

    MouseState mouse;
    host.application->GetMouseDevice()->Update(mouse, 0);
    EXPECT_EQ(mouse.held[MouseButton::Right], 1);
    EXPECT_EQ(mouse.wheel.x, -1.0f);
    EXPECT_EQ(mouse.wheel.y, 1.0f);
    EXPECT_EQ(mouse.position.x, 30.0f);
    EXPECT_EQ(mouse.position.y, 40.0f);
    EXPECT_NE(host.application->GetTouchDevice(), nullptr);
    EXPECT_NE(host.application->GetControllerDevice(), nullptr);
    EXPECT_NE(host.application->GetMotionDevice(), nullptr);
}

TEST(SdlApplication, AResizedWindowResizesThePicture)
{
    Host host;
    // Sizes given in turn, and the picture drawn for each: the window's, its aspect within 4:3 to 16:9.
    const struct
    {
        int32_t width, height;
        DeviceSize picture;
    } sizes[] = {{1280, 800, {1280, 800}}, {500, 400, {500, 375}}};
    size_t reached = 0;
    PushWindowEvent(host.windowId, SDL_WINDOWEVENT_SIZE_CHANGED, sizes[0].width, sizes[0].height);
    host.system->onUpdate = [&](int update)
    {
        if (host.application->GetGraphicsDevice()->GetSize() == sizes[reached].picture && ++reached < 2)
            PushWindowEvent(host.windowId, SDL_WINDOWEVENT_SIZE_CHANGED, sizes[1].width, sizes[1].height);
        // A bound on frames, not on time, for a size that never arrives.
        if (reached == 2 || update == 100000)
            host.application->Quit();
    };
    host.application->Run();
    host.application->MessageLoop();
    EXPECT_EQ(reached, 2u);
}
