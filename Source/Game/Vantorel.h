#pragma once

#include "Engine/Foundation/Random.h"
#include "Engine/Foundation/StringView.h"
#include "Engine/Runtime/Core/System.h"
#include "Libraries/Net/Memory.h"
#include "Source/Data/Profile.h"
#include "Source/Game/HashLog.h"
#include "Source/Game/LaunchOptions.h"
#include "Source/Game/LoadStatus.h"
#include "Source/Game/Loader.h"
#include "Source/Game/MatchRecord.h"
#include "Source/Game/Rendering/CameraView.h"
#include "Source/Network/Journal.h"
#include "Source/Network/JournalSaver.h"
#include "Source/Network/Network.h"
#include "Source/World/GameContext.h"
#include "Source/World/MapCheck.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace Lumvek
{
class Application;
class Gui;
} // namespace Lumvek

class DataRegistry;
class DemoMultiplayer;
class DemoSinglePlayer;
struct FrontEnd;
class GameScreen;
class CarnageReport;
class PlayMenu;
namespace Lumvek
{
class Transition;
}
class GameRenderer;
class GameType;
class LocalNetwork;
class Tools;
class Network;
class World;

// Where the game stands between the front end and a match.
enum class MatchFlow : int32_t
{
    FrontEnd = 0,
    // A network role exists and waits for the network to configure a match.
    NetworkCreated = 1,
    // Play has begun and the render resources load.
    PlayBegun = 2,
    // The match runs.
    Running = 3,
    // The match is over and its results show.
    Scoreboard = 4,
};

// The game's own system: the one object through which the game reaches its definitions, its profiles,
// the current game set-up, the current network role and, during a match, the world. It loads on
// worker threads, creates the network roles, drives each match through its network states, and steps
// the match in fixed ticks of 1/60 s. Added to the application once and owned by it; everything
// here runs on the application thread, except the loaders and the image loads (Loader.h), which write
// only the load status, the streaming atlases and the objects they fill.
class Vantorel_ final : public Lumvek::System, public GameContext
{
public:
    static constexpr int64_t StepLength = TickNanoseconds;
    // More unsimulated time than this is not caught up with: a longer frame steps this much and drops
    // the rest, so that a machine too slow for the clock plays slower rather than not at all.
    static constexpr int64_t MaximumBacklog = 250'000'000;
    // A frame this long or longer that stands out from the frames before it (a load, a hitch) skips the
    // visual update. On a machine that stays this slow every frame is as long, and the cameras follow.
    static constexpr int64_t SlowFrame = 100'000'000;
    // Rumble strength lost per second.
    static constexpr float RumbleDecay = 50.0f;

    explicit Vantorel_(bool headless);
    // A run the command line set up. The hash log, when given, receives the match's ticks.
    Vantorel_(const LaunchOptions& options, std::unique_ptr<HashLog> hashLog);
    Vantorel_(const Vantorel_&) = delete;
    Vantorel_& operator=(const Vantorel_&) = delete;
    // Leaves a running match, stops the network role, and waits for every loader and image load.
    ~Vantorel_() override;

    // The game system of the running program; null before its set-up and after its destruction.
    static Vantorel_* Get();
    // Asks the running program to stop its network role and end: safe to call from a signal handler.
    // The next frame acts on it.
    static void Interrupt();

    // Makes the registry and starts the start-up loader.
    void Setup() override;
    // Advances the network role and acts on its state: starts, begins, opens, shows the results of and
    // leaves matches, and runs the fixed-step loop while the match is prepared, playing or ended.
    void LateUpdate(int64_t elapsed) override;
    // Unless headless: rumble decay, the visual update and the render pass.
    void Render(int64_t elapsed) override;

    // Adds the time to the backlog (unless paused) and runs one Step per whole tick it holds. A backlog
    // beyond MaximumBacklog is cut to it first.
    void FixedUpdate(int64_t elapsed);
    // One tick of the network role, timed into the step duration. FixedUpdate steps by TickSeconds, the
    // same float every other stepper of a match uses, so a seed plays one match wherever it runs.
    void Step(float seconds);
    void VisualUpdate(double dt, double alpha);
    // Starts a loader that waited for the streaming atlases, or serves them; then the renderer's pass.
    void RenderFrame(double dt, double alpha);

    // The match flow. StartGame: the network configured a match and nothing loads: makes the world and
    // the game type and starts the match loader. BeginPlay: the match loaded: begins the world and the
    // rules and starts the render resources. LeaveGame: waits for a running loader, then deletes the
    // match's objects.
    // ShowStartScreen: the role stopped: deletes it and returns to the front end.
    void StartGame();
    void BeginPlay();
    void LeaveGame();
    void ShowStartScreen();
    // Sets or clears paused and frozen together, and holds the match's sounds (every sound the device
    // plays, which in a match are all the match's) where they are or lets them go on.
    void PauseMatch(bool pause);
    // Makes a local role from "Assets/local.config" the current one; returns it.
    LocalNetwork* StartLocalGame();
    // Opens the play menu on the entry for the player; null without screens.
    PlayMenu* OpenPlayMenu(std::unique_ptr<Lumvek::Transition> transition, uint32_t owner, uint32_t selection = 1);
    // The demo's set-up screens for the player; null without screens.
    DemoSinglePlayer* OpenDemoSinglePlayer(std::unique_ptr<Lumvek::Transition> transition, uint32_t owner);
    DemoMultiplayer* OpenDemoMultiplayer(std::unique_ptr<Lumvek::Transition> transition, uint32_t owner);
    // The game screen of the local player at that position of the set-up's list among count, over
    // that player's view and owned by his pad; null without screens or without such a player.
    GameScreen* OpenGameScreen(uint32_t position, uint32_t count);
    // The report of the match just left, for the player; null without screens.
    CarnageReport* OpenCarnageReport(std::unique_ptr<Lumvek::Transition> transition, uint32_t owner);
    // Plays the sound once at the position, unless headless or the id is -1.
    void EmitSound(uint32_t soundId, Lumvek::Vector2 position, Lumvek::Vector2 velocity, float volume) override;

    // The network roles from their role files. A file that cannot be read leaves the defaults, logged.
    // The server and client roles refuse, with a message, when the cryptography library could not
    // start, and the server when it cannot listen on its port. Their journals go below the
    // application folder; a client without players joins with one, of the profile "player1".
    std::unique_ptr<LocalNetwork> CreateLocalNetwork(Lumvek::StringView path);
    std::unique_ptr<Network> CreateServerNetwork(Lumvek::StringView path);
    std::unique_ptr<Network> CreateClientNetwork(Lumvek::StringView path);
    // Writes a network role's journal to "Journals/<new GUID>.vjrn" below the application folder, on the
    // journal saver's thread.
    JournalWriter MakeJournalWriter();
    // Deletes the current role, makes this one current and publishes it; match flow 1.
    void SetNetwork(std::unique_ptr<Network> role, bool isAuthority, bool interpolates);

    // Waits until no loader runs; what a leave does before it deletes anything.
    void WaitForLoader() { loaderThread.Wait(); }
    // Whether either streaming atlas has an image in flight.
    bool IsStreaming() const { return iconAtlas.IsBusy() || previewAtlas.IsBusy(); }

    // The running network role; null while none runs.
    Network* GetNetwork() const { return network; }
    // The renderer of the running match; null outside a match and when headless.
    GameRenderer* GetRenderer() const { return rendererOwner.get(); }
    // The local players' views, by the position of their slot among the player slots.
    std::array<CameraView, 4>& GetCameraViews() { return cameraViews; }

    MatchFlow GetMatchFlow() const { return matchFlow; }
    int64_t GetAccumulator() const { return accumulator; }
    bool IsHeadless() const { return headless; }
    bool IsLoaderPending() const { return loaderPending; }
    // The ticks of the match that the world was stepped in, counted from the start of the run.
    uint64_t GetMatchTicks() const { return matchTicks; }

    LoadStatus load;
    // The running match's renderer, owned here; null outside a match and when headless.
    GameRenderer* renderer = nullptr;
    // The first Tools system among the application's, found at set-up; null in an ordinary run.
    Tools* tools = nullptr;
    // What the map of the match being loaded lacks. Written by the match loader before it reports the
    // match loaded, read on the application thread after.
    MapCheck mapCheck;
    // What the screens reach the engine's Gui through; no Gui when headless.
    struct UiContext
    {
        Lumvek::Gui* gui = nullptr;
    } ui;
    // What the demo's screens reach the game system through; made with the splash.
    std::unique_ptr<FrontEnd> demo;
    Loader::StreamingAtlasInfo iconAtlas;
    Loader::StreamingAtlasInfo previewAtlas;
    ProfileCollection profiles;
    // The game's own random choices; seeded from the command line's seed when there is one.
    Lumvek::RandomGenerator random;

    // Set by whoever makes the network role: true where this machine runs the game rules (a local game
    // or a server), and whether the render interpolates between ticks.
    bool authority = false;
    bool interpolate = true;
    // Paused stops the fixed-step loop; frozen skips the visual update.
    bool paused = false;
    bool frozen = false;
    // Scales the time the visual update and the render pass are given.
    double timeScale = 1.0;
    // Nanoseconds the last step, visual update and render pass took.
    int64_t stepDuration = 0;
    int64_t visualDuration = 0;
    int64_t renderDuration = 0;

private:
    friend void Loader::LoadStartup(Vantorel_&);
    friend void Loader::LoadMatch(Vantorel_&);
    friend void Loader::LoadRenderResources(Vantorel_&);

    // Closes every menu and starts the "Demo" set-up as a local match for controller 0; false, with
    // nothing changed, when there is no such set-up.
    bool StartDemoMatch();
    // Once a match is left or its role stopped: the screen the set-up came from, for the first local
    // player. The role stopped: the start screen when there is no local player or no origin.
    void OpenScreenAfterMatch(bool roleStopped);
    // Makes the basic UI resources and opens the splash, fading in, for every player.
    void OpenSplash(Lumvek::Application& application);
    // A loader is due: it starts now unless an image is in flight, in which case the render starts it.
    void StartLoader(void (*loader)(Vantorel_&));
    // The match has objects to leave.
    bool HasMatch() const { return world != nullptr || GetGameType() != nullptr || rendererOwner != nullptr; }
    // The windowed part of BeginPlay: the views, the listeners, the draw-in and the icons.
    void BeginDrawing();
    // The windowed part of LeaveGame: the listeners and the renderer's device resources.
    void EndDrawing();
    // Whether the match runs with a renderer and has drawn itself in: its characters and visuals move.
    bool WorldAnimates() const;
    // Advances the draw-in and erase clocks of the world's visuals once the match runs and is drawn in;
    // every frame, the slow ones too.
    void UpdateVisualTimers(float dt);
    // Fits each view to the back buffer and steps the cameras of the views whose players live.
    void UpdateCameras(float dt, float alpha);
    void DecayRumble(int64_t elapsed);

    // The command line's local match: starts it once the definitions are loaded, counts its ticks,
    // writes the hash log, and ends the program when the match has been left or the limit is reached.
    void DriveLocalRun();
    // The command line's server or client: made once the definitions are loaded; ends the program
    // with 0 after --matches matches, or with 1 when the role stops before.
    void DriveRoleRun();
    void RecordTick();
    void Finish(int32_t exitCode);

    const bool headless;
    bool loaderPending = false;
    // A custom game's set-up as the players chose it, random picks included; application thread.
    GameConfiguration chosenSetUp;
    MatchFlow matchFlow = MatchFlow::FrontEnd;
    int64_t accumulator = 0;
    // The length of a typical frame, against which a slow one is a hitch: half the last frame's and half
    // the typical one before it. Application thread.
    int64_t typicalFrame = 0;
    // The test hook's frame length: the start of the last frame it held. Application thread.
    int64_t heldFrameStart = 0;

    std::unique_ptr<DataRegistry> registryOwner;
    std::unique_ptr<Network> networkOwner;
    // The running role; null while none runs. The context's events are the same role.
    Network* network = nullptr;
    std::unique_ptr<GameType> gameTypeOwner;
    std::unique_ptr<World> worldOwner;
    std::unique_ptr<GameRenderer> rendererOwner;
    // Point into the world's players while a match is drawn; the renderer points at them.
    std::array<CameraView, 4> cameraViews;

    // Writes the network roles' journals off the application thread; destroyed after the role, it waits for
    // the journals handed in as the program ends.
    JournalSaver journalSaver;
    // The networking library's memory of last resort, and whether its cryptography started.
    Net::DefaultAllocator netAllocator;
    bool cryptoReady = false;

    LaunchOptions options;
    std::unique_ptr<HashLog> hashLog;
    // The headless local run steps one tick a frame instead of following the clock.
    bool simulatedClock = false;
    bool localRunStarted = false;
    bool localMatchLeft = false;
    bool roleRunStarted = false;
    // Matches played to their end, counted when the role saves the journal, and whether the one the
    // role is in has been.
    uint64_t matchesLeft = 0;
    bool matchCounted = false;
    // The server role stopped because its last player left after a match.
    bool lastPlayerLeft = false;
    // The client role left because its configurations differ from its server's.
    bool configurationsDiffer = false;
    // Why the last role gave up on its server, shown until its player leaves the screen that says so;
    // and whether a role of the run gave up.
    ClientLines::OnScreen stopReason;
    bool roleGaveUp = false;
    // The player left the online flow by QUIT or BACK.
    bool playerLeft = false;
    bool finished = false;
    uint64_t matchTicks = 0;
    // What the local run's match amounted to, logged when the run stops.
    MatchRecord matchRecord;

    // Declared last, so that it is destroyed first: a running loader fills what is declared above.
    Loader::LoaderThread loaderThread;
};
