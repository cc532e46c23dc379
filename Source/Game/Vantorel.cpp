#include "Source/Game/Vantorel.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Runtime/Audio/AudioDevice.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Gui/Gui.h"
#include "Engine/Runtime/Input/Input.h"
#include "Libraries/Net/ConnectToken.h"
#include "Libraries/Net/Log.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/Profile.h"
#include "Source/Game/Rendering/GameRenderer.h"
#include "Source/GameTypes/GameType.h"
#include "Source/Network/ClientNetwork.h"
#include "Source/Network/LocalNetwork.h"
#include "Source/Tools/Tools.h"
#include "Source/Ui/Screens/Challenges.h"
#include "Source/Ui/Screens/DemoScreens.h"
#include "Source/Ui/Screens/DemoSetup.h"
#include "Source/Ui/Screens/GameScreen.h"
#include "Source/Ui/Screens/Lobby.h"
#include "Source/Ui/Screens/Menus.h"
#include "Source/Ui/Screens/Online.h"
#include "Source/Ui/Screens/Scoreboard.h"
#include "Source/Ui/Screens/SplashScreen.h"
#include "Source/Ui/Transitions.h"
#include "Source/Ui/UiResources.h"
#include "Source/World/Character.h"
#include "Source/World/World.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

using namespace Lumvek;

namespace
{

// Written by Setup and the destructor on the application thread; read there by whatever reaches the
// game through Vantorel_::Get.
Vantorel_* instance = nullptr;

// Set by a signal handler on whatever thread the signal lands, read by the application thread.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may only touch lock-free atomics");

// Nanoseconds of the steady clock: a 64-bit count of nanoseconds lasts centuries, where scaling a
// counter by a million first would overflow within hours of boot.
int64_t Now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

namespace
{

LaunchOptions HeadlessOnly(bool headless)
{
    LaunchOptions options;
    options.headless = headless;
    return options;
}

} // namespace

Vantorel_::Vantorel_(bool headless) : Vantorel_(HeadlessOnly(headless), nullptr) {}

Vantorel_::Vantorel_(const LaunchOptions& launch, std::unique_ptr<HashLog> log)
    : iconAtlas("UiAtlas", "Icons"), previewAtlas("PreviewAtlas", "Bones"), headless(launch.headless), options(launch),
      hashLog(std::move(log))
{
    if (options.seed)
        random.Seed(*options.seed);
    GameContext::headless = headless;
    simulatedClock = (headless && !options.localConfiguration.empty()) || options.fixedStep;

    Net::SetPrintFunction(&NetworkLogHook);
    Net::SetLogLevel(Net::LOG_LEVEL_ERROR);
    cryptoReady = Net::InitializeCrypto();
    if (!cryptoReady)
        Log::Write("libsodium failed to start: the server and client roles cannot be used");
}

Vantorel_::~Vantorel_()
{
    // The Gui may be gone already: a match left now opens no screen.
    ui.gui = nullptr;
    if (HasMatch())
        LeaveGame();
    // The program's systems go in the order they were added, the game before the tools.
    if (tools && Tools::Current() == tools)
        tools->GameDestroyed();
    // A start-up loader may still be filling the registry.
    loaderThread.Wait();
    if (networkOwner)
        networkOwner->Stop();
    if (instance == this)
        instance = nullptr;
    network = nullptr;
    events = nullptr;
    networkOwner.reset();
    registry = nullptr;
}

Vantorel_* Vantorel_::Get()
{
    return instance;
}

void Vantorel_::Interrupt()
{
    interrupted.store(true);
}

void Vantorel_::Setup()
{
    instance = this;
    // This thread draws the atlases, so it alone adds their regions; the loaders hand their requests to it.
    iconAtlas.TakeOwnership();
    previewAtlas.TakeOwnership();
    Application& application = *GetApplication();
    registryOwner =
        std::make_unique<DataRegistry>(application.GetFileManager(), headless ? nullptr : application.GetAudioDevice());
    registry = registryOwner.get();
    // The pads hits rumble; the game's own decay (DecayRumble) stops them again.
    controllers = headless ? nullptr : application.GetControllerDevice();
    for (const std::unique_ptr<System>& system : application.GetSystems())
        if (auto* found = dynamic_cast<Tools*>(system.get()))
        {
            tools = found;
            break;
        }
    if (!headless)
        OpenSplash(application);

    load.SetProgress(0);
    load.SetState(LoadState::StartupLoading);
    StartLoader(&Loader::LoadStartup);
}

void Vantorel_::OpenSplash(Application& application)
{
    for (const std::unique_ptr<System>& system : application.GetSystems())
        if ((ui.gui = dynamic_cast<Gui*>(system.get())))
            break;
    GraphicsDevice* device = application.GetGraphicsDevice();
    if (!ui.gui || !device)
    {
        Log::Write("the program has no Gui or no graphics device: no screens are shown");
        ui.gui = nullptr;
        return;
    }
    UiResources::LoadBasic(*ui.gui, *device);
    demo = std::make_unique<FrontEnd>(FrontEnd{profiles, configuration,
                                               [this](Gui&, std::unique_ptr<Transition> opening, uint32_t owner)
                                               { OpenDemoSinglePlayer(std::move(opening), owner); },
                                               [this](Gui&, std::unique_ptr<Transition> opening, uint32_t owner)
                                               { OpenDemoMultiplayer(std::move(opening), owner); },
                                               [this] { return StartDemoMatch(); }});
    demo->game = this;
    demo->currentNetwork = [this] { return network; };
    demo->load = &load;
    demo->startLocalGame = [this] { StartLocalGame(); };
    demo->beginVoting = [this]
    {
        if (network)
            network->BeginVoting();
    };
    demo->setPaused = [this](bool pause) { PauseMatch(pause); };
    demo->requestIcon = [this, device](uint32_t region, const std::string& path)
    { iconAtlas.RequestTextureRegion(device, region, path); };
    demo->applicationRoot = application.GetFileManager().applicationRoot;
    demo->registry = registry;
    demo->networkStatus = [this]
    {
        NetworkStatus status;
        if (const Network* role = network)
        {
            status.running = true;
            status.client = role->IsClient();
            status.waitsForNextMatch = role->WaitsForNextMatch();
            status.state = role->GetState();
            status.elapsed = role->timer;
            status.duration = role->duration;
        }
        else
            status.stopReason = stopReason;
        return status;
    };
    demo->requestPreviewImage = [this, device](uint32_t cell, const std::string& path)
    { previewAtlas.RequestTextureRegion(device, cell, path); };
    demo->sendLoadout = [this](uint8_t slotId, const ProfileLoadout& loadout)
    {
        if (network)
            network->SendSetLoadout(slotId, loadout.head, loadout.core, loadout.arms, loadout.legs);
    };
    demo->stopNetwork = [this]
    {
        playerLeft = true;
        if (network)
            network->Stop();
        else
        {
            // No role came about (its file or the network failed), or it gave up and its screen said
            // why: nothing else will bring the menus back.
            stopReason = {};
            OpenScreenAfterMatch(true);
        }
    };
    // Replaces any other role, such as a local game's left waiting after its match.
    demo->createClientNetwork = [this]
    {
        if (std::unique_ptr<Network> role = CreateClientNetwork(ClientRoleFile))
            SetNetwork(std::move(role), false, true);
        else
            Log::Write("no client role: matchmaking waits without a server");
    };
    demo->createServerNetwork = [this]
    {
        if (std::unique_ptr<Network> role = CreateServerNetwork(ServerRoleFile))
            SetNetwork(std::move(role), true, false);
        else
            Log::Write("no server role: the server screens wait without one");
    };
    demo->votingOptions = [this]
    {
        // A server's own options are its clients' to vote on: its screens show none.
        if (network && network->IsClient())
            return network->GetVotingOptions();
        return std::array<uint32_t, 3>{NoVotingOption, NoVotingOption, NoVotingOption};
    };
    demo->sendVote = [this](uint8_t player, uint32_t choice) { return network && network->SendVote(player, choice); };
    demo->openCarnageReport = [this](Gui&, std::unique_ptr<Transition> opening, uint32_t owner)
    { OpenCarnageReport(std::move(opening), owner); };
    demo->openLobby = [this](Gui& gui, std::unique_ptr<Transition> opening, uint32_t owner)
    { GameLobby::Open(gui, *demo, std::move(opening), owner); };
    // The players already joined on the title page; taking them in again would add their slots twice.
    demo->openStart = [this](Gui& gui, std::unique_ptr<Transition> opening, uint32_t owner)
    { MainMenu::Open(gui, *demo, std::move(opening), owner, 1); };
    SplashScreen::NextScreen next;
    if (options.client)
        // The client the command line asked for goes on as one reached through the menus' MATCHMAKING:
        // the screens follow its role through the vote and the lobby into the match. The role is made
        // first, so that the screen finds it rather than make another.
        next = [this](Gui& gui, std::unique_ptr<Transition> opening)
        {
            DriveRoleRun();
            if (finished || !network)
                return;
            const uint32_t owner =
                configuration.players.empty() ? Screen::EveryPlayer : configuration.players.front().localIndex;
            MatchmakingScreen::Open(gui, *demo, std::move(opening), owner);
        };
    else if (!options.localConfiguration.empty())
        // A local run's match has bots and no local player, so no view: the logo stays over it rather
        // than a title that would offer menus the run does not follow.
        next = nullptr;
    else if (options.startScreen)
        next = [this](Gui& gui, std::unique_ptr<Transition> opening)
        { Screen::Open<StartScreen>(gui, std::move(opening), Screen::EveryPlayer, *demo); };
    else
        next = [this](Gui& gui, std::unique_ptr<Transition> opening)
        { Screen::Open<DemoStartScreen>(gui, std::move(opening), Screen::EveryPlayer, *demo); };
    Screen::Open<SplashScreen>(*ui.gui, MakeFadeTransition(0.25f, FadeTransition::Forward), Screen::EveryPlayer, load,
                               std::move(next));
}

CarnageReport* Vantorel_::OpenCarnageReport(std::unique_ptr<Transition> transition, uint32_t owner)
{
    if (!ui.gui || !demo)
        return nullptr;
    return &Screen::Open<CarnageReport>(*ui.gui, std::move(transition), owner, *demo);
}

PlayMenu* Vantorel_::OpenPlayMenu(std::unique_ptr<Transition> transition, uint32_t owner, uint32_t selection)
{
    if (!ui.gui || !demo)
        return nullptr;
    return &PlayMenu::Open(*ui.gui, *demo, std::move(transition), owner, selection);
}

DemoSinglePlayer* Vantorel_::OpenDemoSinglePlayer(std::unique_ptr<Transition> transition, uint32_t owner)
{
    if (!ui.gui || !demo)
        return nullptr;
    return &DemoSinglePlayer::Open(*ui.gui, *demo, std::move(transition), owner);
}

DemoMultiplayer* Vantorel_::OpenDemoMultiplayer(std::unique_ptr<Transition> transition, uint32_t owner)
{
    if (!ui.gui || !demo)
        return nullptr;
    return &DemoMultiplayer::Open(*ui.gui, *demo, std::move(transition), owner);
}

GameScreen* Vantorel_::OpenGameScreen(uint32_t position, uint32_t count)
{
    if (!ui.gui || !demo || position >= configuration.players.size())
        return nullptr;
    return &GameScreen::Open(*ui.gui, *demo, position, count, configuration.players[position].localIndex);
}

void Vantorel_::OpenScreenAfterMatch(bool roleStopped)
{
    if (!ui.gui || !demo)
        return;
    Screen::CloseAll(*ui.gui);
    using Origin = GameOrigin;
    const Origin origin = configuration.origin;
    // A role that gave up on its server leaves its player on matchmaking, which says why.
    if (roleStopped && !stopReason.what.empty() && (origin == Origin::Matchmaking || options.client))
    {
        const uint32_t owner =
            configuration.players.empty() ? Screen::EveryPlayer : configuration.players[0].localIndex;
        MatchmakingScreen::Open(*ui.gui, *demo, MakePageTransition(0.3f, PageTransition::Backward), owner);
        return;
    }
    if (roleStopped && (configuration.players.empty() || origin == Origin::None))
    {
        Screen::Open<StartScreen>(*ui.gui, MakePageTransition(0.3f, PageTransition::Backward), Screen::EveryPlayer,
                                  *demo);
        return;
    }
    const uint32_t owner = configuration.players.empty() ? Screen::EveryPlayer : configuration.players[0].localIndex;
    std::unique_ptr<Transition> opening = MakePageTransition(0.3f, PageTransition::Backward);
    if (origin == Origin::DemoSinglePlayer)
        OpenDemoSinglePlayer(std::move(opening), owner);
    else if (origin == Origin::DemoMultiplayer)
        OpenDemoMultiplayer(std::move(opening), owner);
    else if (!roleStopped)
        OpenCarnageReport(std::move(opening), owner);
    else
    {
        const uint32_t entry = origin == Origin::Matchmaking ? 0 : origin == Origin::CustomGame ? 2 : 1;
        OpenPlayMenu(std::move(opening), owner, entry);
    }
}

bool Vantorel_::StartDemoMatch()
{
    // Checked before anything closes: without the set-up the front end stays as it was.
    const GameConfiguration* demoSetup = registry ? registry->configurations.Find("Demo") : nullptr;
    if (!demoSetup)
    {
        Log::Write("no configuration \"Demo\": the demo match cannot start");
        return false;
    }
    if (ui.gui)
        Screen::CloseAll(*ui.gui);
    Profile* profile = profiles.Find("player1");
    if (!profile)
        Log::Write("no profile \"player1\": the player on controller 0 plays without a loadout");
    LocalNetwork* local = StartLocalGame();
    std::vector<PlayerSlot> players = std::move(configuration.players);
    configuration = *demoSetup;
    configuration.origin = GameOrigin::CustomGame;
    configuration.players = std::move(players);
    configuration.players.emplace_back(profile, 0);
    if (local)
        local->BeginVoting();
    return true;
}

void Vantorel_::StartLoader(void (*loader)(Vantorel_&))
{
    if (IsStreaming())
    {
        loaderPending = true;
        return;
    }
    loader(*this);
}

void Vantorel_::LateUpdate(int64_t elapsed)
{
    // The test hook's slow machine: a frame lasts until its length has passed since the last one began.
    if (options.frameMilliseconds > 0)
    {
        const int64_t wait = heldFrameStart + int64_t{options.frameMilliseconds} * 1'000'000 - Now();
        if (wait > 0)
            std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
        heldFrameStart = Now();
    }
    const int64_t frameStart = Now();
    if (finished)
        return;
    if (simulatedClock)
        elapsed = StepLength;
    if (interrupted.load())
    {
        // The role says goodbye first: a server disconnects its clients, a client leaves its server.
        Log::Write("interrupted: stopping");
        if (network)
            network->Stop();
        Finish(0);
        return;
    }
    DriveLocalRun();
    DriveRoleRun();
    if (!network || finished)
        return;

    network->HoldMessages(load.GetState() == LoadState::MatchLoading);
    network->Update(elapsed);
    const LoadState loadState = load.GetState();
    switch (network->GetState())
    {
    case NetworkState::Configured:
        if (loadState == LoadState::StartupLoaded || loadState == LoadState::MatchUnloaded)
            StartGame();
        break;
    case NetworkState::Loaded:
        if (loadState == LoadState::MatchLoaded)
            BeginPlay();
        break;
    case NetworkState::Prepared:
        // A client whose load outlasted the server's countdown heard the start while loading: it begins
        // play now and joins the running match, rather than sit out the match behind its loading screen.
        if (matchFlow == MatchFlow::NetworkCreated && loadState == LoadState::MatchLoaded)
            BeginPlay();
        // Only a match this machine began has screens to open: a role that went on to the next match
        // while this one still showed its end has loaded nothing for it.
        if (matchFlow == MatchFlow::PlayBegun && loadState == LoadState::RenderResourcesLoaded)
        {
            if (GameType* rules = GetGameType())
            {
                if (authority)
                    rules->SetupObjectives();
                else
                    rules->ResetPlayers();
            }
            if (!headless)
            {
                const auto count = static_cast<uint32_t>(configuration.players.size());
                for (uint32_t position = 0; position < count; ++position)
                    OpenGameScreen(position, count);
            }
            Log::Write("the match {} runs with {} game screens", configuration.name,
                       headless ? 0 : configuration.players.size());
            // Whatever is left of the draw-in is skipped: the match starts fully drawn.
            if (rendererOwner)
            {
                rendererOwner->time = rendererOwner->drawInDuration;
                rendererOwner->holdDrawIn = false;
            }
            network->BeginStarting();
            accumulator = 0;
            matchFlow = MatchFlow::Running;
        }
        FixedUpdate(elapsed);
        break;
    case NetworkState::Playing:
        FixedUpdate(elapsed);
        break;
    case NetworkState::Ended:
        // The match counts once its journal is saved: its players may all leave during the scoreboard.
        if (!matchCounted)
        {
            matchCounted = true;
            ++matchesLeft;
        }
        if (matchFlow == MatchFlow::Running)
        {
            Log::Write("the match {} has ended: the scoreboard shows", configuration.name);
            // The end closes the pause menu with every other, and so ends the pause: a paused game
            // would step no more, and a client would never follow its server out of the match.
            if (paused)
                PauseMatch(false);
            if (!headless && ui.gui && demo)
            {
                Screen::CloseAll(*ui.gui);
                Scoreboard::Open(*ui.gui, *demo);
            }
            matchFlow = MatchFlow::Scoreboard;
        }
        FixedUpdate(elapsed);
        break;
    case NetworkState::Leaving:
        LeaveGame();
        matchCounted = false;
        break;
    case NetworkState::Stopped:
        if (HasMatch())
            LeaveGame();
        ShowStartScreen();
        break;
    default:
        break;
    }
    DriveLocalRun();
    DriveRoleRun();
    // A headless server or client has nothing to do between ticks: it sleeps until the next is due, so
    // that each frame runs one tick and each role sends one packet a tick. Woken sooner it would poll
    // the clock, and every frame would send a packet whether or not a tick had run.
    if (headless && !simulatedClock && (options.server || options.client) && !finished)
    {
        // The application read its clock for this frame before this call began, so the next frame,
        // woken at this time, finds at least one whole tick in the backlog.
        const NetworkState state = network ? network->GetState() : NetworkState::Stopped;
        const bool stepping =
            state == NetworkState::Prepared || state == NetworkState::Playing || state == NetworkState::Ended;
        const int64_t wait = frameStart + StepLength - (stepping ? accumulator : 0) - Now();
        if (wait > 0)
            std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
    }
}

void Vantorel_::FixedUpdate(int64_t elapsed)
{
    if (paused)
        return;
    accumulator = std::min(accumulator + elapsed, MaximumBacklog);
    // The ticks one frame catches up are stepped at once, but each plays its sounds at its own place in
    // the frame, so that shots a tick apart are heard a tick apart.
    AudioDevice* audio = GetApplication() ? GetApplication()->GetAudioDevice() : nullptr;
    int64_t place = 0;
    while (accumulator >= StepLength && !finished)
    {
        if (audio)
            audio->playDelay = static_cast<float>(static_cast<double>(place) / 1e9);
        Step(Lumvek::TickSeconds);
        accumulator -= StepLength;
        place += StepLength;
    }
    if (audio)
        audio->playDelay = 0.0f;
}

void Vantorel_::Step(float seconds)
{
    const int64_t start = Now();
    const NetworkState before = network->GetState();
    network->Step(seconds);
    stepDuration = Now() - start;
    // A role steps the world only while the match plays or shows its end.
    if (world && (before == NetworkState::Playing || before == NetworkState::Ended))
        RecordTick();
}

void Vantorel_::Render(int64_t elapsed)
{
    if (headless)
        return;
    if (simulatedClock)
        elapsed = StepLength;

    if (GraphicsDevice* device = GetApplication()->GetGraphicsDevice())
        UiResources::FitTransitionTarget(*device);
    DecayRumble(elapsed);

    const double dt = static_cast<double>(elapsed) / 1e9 * timeScale;
    const double alpha = interpolate ? static_cast<double>(accumulator) / 1e9 / Lumvek::PreciseTickSeconds : 1.0;
    // The visuals keep to the world's time, and like the world's backlog no more than a quarter of a
    // second of it counts.
    const double worldDt = static_cast<double>(std::min(elapsed, MaximumBacklog)) / 1e9 * timeScale;
    const bool hitch = elapsed >= SlowFrame && elapsed > 2 * typicalFrame;
    typicalFrame = (typicalFrame + elapsed) / 2;
    if (!frozen && !hitch)
        VisualUpdate(worldDt, alpha);
    else if (!frozen)
        // Cameras and the characters' parts hold still over a hitch, but the world went on stepping:
        // images that draw in or are scribbled out keep to its time, or the world would wait for them for
        // ever and run out of visuals.
        UpdateVisualTimers(static_cast<float>(worldDt));
    RenderFrame(dt, alpha);
}

void Vantorel_::DecayRumble(int64_t elapsed)
{
    ControllerDevice* controllers = GetApplication()->GetControllerDevice();
    if (!controllers)
        return;
    const float decay = RumbleDecay * static_cast<float>(static_cast<double>(elapsed) / 1e9);
    for (uint32_t pad = 0; pad < ControllerCount; ++pad)
    {
        ControllerDevice::Vibration& vibration = controllers->vibrations[pad];
        if (vibration.highFrequency <= 0.0f && vibration.lowFrequency <= 0.0f)
            continue;
        vibration.highFrequency -= decay;
        vibration.lowFrequency -= decay;
        if (vibration.highFrequency < 0.0f && vibration.lowFrequency < 0.0f)
        {
            vibration.highFrequency = 0.0f;
            vibration.lowFrequency = 0.0f;
            controllers->SetVibration(0.0f, 0.0f, pad);
        }
    }
}

void Vantorel_::VisualUpdate(double dt, double alpha)
{
    const int64_t start = Now();
    if (rendererOwner)
    {
        if (WorldAnimates())
            for (Player* player : world->activePlayers)
                Character::AnimateParts(*player, static_cast<float>(dt));
        UpdateVisualTimers(static_cast<float>(dt));
        if (matchFlow >= MatchFlow::PlayBegun)
            UpdateCameras(static_cast<float>(dt), static_cast<float>(alpha));
    }
    visualDuration = Now() - start;
}

bool Vantorel_::WorldAnimates() const
{
    // Characters and visuals hold still while the platforms draw themselves in.
    const GameRenderer* drawing = rendererOwner.get();
    return drawing && matchFlow > MatchFlow::PlayBegun && !drawing->IsDrawingIn() && world;
}

void Vantorel_::UpdateVisualTimers(float dt)
{
    if (!WorldAnimates())
        return;
    for (Visual& visual : world->visuals.View())
    {
        ImageInstance* image = visual.image.get();
        if (!image || !(image->drawIn || image->erasing))
            continue;
        // Erasing plays the drawing backwards; the renderer reads the clock as it stands.
        image->elapsed += image->erasing ? -dt : dt;
    }
}

void Vantorel_::UpdateCameras(float dt, float alpha)
{
    GraphicsDevice* device = GetApplication()->GetGraphicsDevice();
    if (!device)
        return;
    const DeviceSize size = device->GetSize();
    // The mouse aims from where the player shows, which only the views know.
    LocalDevices* devices = network ? network->GetLocalDevices() : nullptr;
    if (devices)
    {
        devices->SetWindow({size.width, size.height});
        devices->ClearScreenPoints();
    }
    for (CameraView* view : rendererOwner->views)
    {
        if (!view)
            continue;
        view->Fit(size.width, size.height);
        Player* player = view->player;
        if (!player || !world || (player->IsDead() && !view->dirty))
            continue;
        const PlayerBody& body = player->GetBody();
        const Vector2 followed{body.previousX + (body.x - body.previousX) * alpha,
                               body.previousY + (body.y - body.previousY) * alpha};
        const float aspect = view->Aspect();
        view->camera->Step(dt, std::sqrt(144.0f / aspect), aspect, followed, player->GetCameraFocus(), world->bounds);
        // A dead player, whom the camera no longer follows, aims from the window's centre.
        if (devices && view->active)
            for (const PlayerSlot& slot : configuration.players)
                if (slot.player == player)
                    devices->SetScreenPoint(
                        slot.localIndex, view->camera->ToWindow(followed + body.GetCenter() - Vector2(body.x, body.y),
                                                                static_cast<float>(size.height)));
    }
}

void Vantorel_::RenderFrame(double dt, double alpha)
{
    const int64_t start = Now();
    GraphicsDevice* device = GetApplication()->GetGraphicsDevice();
    if (loaderPending && !IsStreaming())
    {
        loaderPending = false;
        switch (load.GetState())
        {
        case LoadState::StartupLoading:
            Loader::LoadStartup(*this);
            break;
        case LoadState::MatchLoading:
            Loader::LoadMatch(*this);
            break;
        case LoadState::RenderResourcesLoading:
            Loader::LoadRenderResources(*this);
            break;
        default:
            break;
        }
    }
    else
    {
        // Queued images wait while a loader may run, and start one at a time over both atlases.
        const LoadState state = load.GetState();
        const bool loaderIdle = state == LoadState::StartupLoaded || state == LoadState::RenderResourcesLoaded;
        iconAtlas.ServeStreamingAtlas(device, loaderIdle && !IsStreaming());
        previewAtlas.ServeStreamingAtlas(device, loaderIdle && !IsStreaming());
    }
    if (rendererOwner && device && matchFlow >= MatchFlow::PlayBegun)
        rendererOwner->Render(*device, static_cast<float>(alpha), static_cast<float>(dt));
    renderDuration = Now() - start;
}

void Vantorel_::EmitSound(uint32_t soundId, Vector2 position, Vector2 velocity, float volume)
{
    if (headless || soundId == InvalidId)
        return;
    AudioDevice* audio = GetApplication() ? GetApplication()->GetAudioDevice() : nullptr;
    if (!audio)
        return;
    SoundInstance sound = audio->Play(soundId);
    if (sound.id == InvalidId)
        return;
    audio->SetVolume(sound.id, volume);
    audio->SetPosition(sound.id, position, velocity);
    // Played once and forgotten: the device takes the voice back when the sound has ended.
    audio->ReleaseWhenDone(sound.id);
    sound.device = nullptr;
}
