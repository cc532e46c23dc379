// The game system's way from the front end into a match and back, and the local match a command line
// asks for.

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/ToString.h"
#include "Engine/Runtime/Audio/AudioDevice.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Game/Rendering/GameRenderer.h"
#include "Source/Game/Vantorel.h"
#include "Source/GameTypes/GameType.h"
#include "Source/Network/ClientNetwork.h"
#include "Source/Network/LocalNetwork.h"
#include "Source/Network/ServerLines.h"
#include "Source/Network/ServerNetwork.h"
#include "Source/Tools/Tools.h"
#include "Source/World/World.h"
#include "Source/World/WorldHash.h"

#include <sodium.h>

#include <array>
#include <cstdio>

using namespace Lumvek;

void Vantorel_::StartGame()
{
    Log::Write("the match {} starts loading", configuration.name);
    // Where this machine runs the rules, its own players take the lowest ids no other player holds:
    // a player without one would get no record in the world, and no view. A client's players have the
    // ids the server gave them.
    if (authority)
    {
        std::array<bool, Slot::NoId> taken{};
        for (const PlayerSlot& slot : configuration.players)
            if (slot.id < Slot::NoId)
                taken[slot.id] = true;
        for (const RemotePlayerSlot& slot : configuration.remotePlayers)
            if (slot.id < Slot::NoId)
                taken[slot.id] = true;
        uint8_t next = 0;
        for (PlayerSlot& slot : configuration.players)
        {
            if (slot.id < Slot::NoId)
                continue;
            while (next < Slot::NoId && taken[next])
                ++next;
            if (next == Slot::NoId)
                break;
            slot.id = next;
            taken[next] = true;
        }
    }
    // The match resolves random picks and deals bots in place; a custom game's players come back to
    // the choices they made, so those are kept aside until the match is left.
    chosenSetUp = GameConfiguration();
    if (configuration.origin == GameOrigin::CustomGame)
        chosenSetUp = configuration;
    configuration.ResolveRandomPicks(random.engine);
    configuration.NameBots(random.engine, network ? network->GetBotNaming() : PlayerNaming::Ids);
    // The world's and the rules' generators take their seeds from the game's, so one seed replays the
    // whole run.
    // Windows on the world's objects close while those still exist.
    if (tools && Tools::Current() == tools)
        tools->WorldDestroyed();
    SetGameType(nullptr);
    gameTypeOwner.reset();
    world = nullptr;
    worldOwner.reset();
    worldOwner = std::make_unique<World>(*this, random.Next());
    world = worldOwner.get();
    const uint32_t rulesSeed = random.Next();
    if (const GameTypeData* rules = registry ? registry->gameTypes.Get(configuration.gameType) : nullptr)
        gameTypeOwner = rules->CreateGameType(*this, rulesSeed);
    else
        Log::Write("the configuration {} names no game type: the match runs without rules", configuration.name);
    SetGameType(gameTypeOwner.get());
    // A renderer left over would hold the device slots the new one makes.
    EndDrawing();
    if (!headless)
    {
        rendererOwner = std::make_unique<GameRenderer>(*this);
        renderer = rendererOwner.get();
        // The map loader reads the map's own layers into the renderer, and the map writer takes them
        // back from it.
        mapBackgrounds = &rendererOwner->backgrounds;
    }

    load.SetProgress(0);
    load.SetState(LoadState::MatchLoading);
    StartLoader(&Loader::LoadMatch);
    network->BeginLoading();
}

void Vantorel_::BeginPlay()
{
    // A map that cannot be played would run a match that never ends. The tools play it anyway, so that
    // the maker can mend it in the Map editor, whose panel names what it lacks.
    if (!mapCheck.unplayable.empty() && !tools && authority)
    {
        const std::string line =
            FormatText("the match {} cannot start on its map: {}", configuration.name, mapCheck.unplayable);
        Log::Write("{}", line);
        std::fprintf(stderr, "Vantorel: %s\n", line.c_str());
        if (network)
            network->Stop();
        Finish(5);
        return;
    }
    Log::Write("the match {} has loaded: play begins", configuration.name);
    world->Begin();
    if (GameType* rules = GetGameType(); rules && authority)
        rules->Start();
    else if (rules)
        // A client's rules start nothing but the theme's ambience: the server places the players.
        rules->RestartAmbience();
    load.SetProgress(0);
    load.SetState(LoadState::RenderResourcesLoading);
    StartLoader(&Loader::LoadRenderResources);
    // A client that begins late is past the countdown already: its role stays where the server put it.
    if (network->GetState() == NetworkState::Loaded)
        network->BeginPreparing();
    if (!headless)
        BeginDrawing();
    matchFlow = MatchFlow::PlayBegun;
}

void Vantorel_::BeginDrawing()
{
    GameRenderer* drawing = rendererOwner.get();
    if (!drawing)
        return;
    Application& application = *GetApplication();
    GraphicsDevice* device = application.GetGraphicsDevice();
    AudioDevice* audio = application.GetAudioDevice();
    // The platforms draw themselves in while the role counts down to the start.
    const float drawIn = network->duration;
    drawing->views.clear();
    const uint32_t count = static_cast<uint32_t>(std::min<size_t>(configuration.players.size(), cameraViews.size()));
    for (uint32_t slot = 0; slot < count; ++slot)
    {
        PlayerSlot& player = configuration.players[slot];
        // Views are laid out by the slot's place in the list rather than its controller number, so
        // that players on controllers 2 and 0 still get a half of the window each.
        CameraView& view = cameraViews[slot];
        view.Follow(player.player);
        view.camera->viewRect = GetSplitScreenRectangle(slot, count);
        view.camera->snap = true;
        view.active = 1;
        view.width = view.height = 0;
        drawing->views.push_back(&view);
        if (player.player && audio)
        {
            // Each local player hears the match from his own view.
            player.player->listenerDevice = audio;
            player.player->listener = audio->AddListener();
        }
        if (device)
            drawing->RequestLoadoutIcons(*device, player.loadout, &iconAtlas);
    }
    if (device)
    {
        for (const RemotePlayerSlot& other : configuration.remotePlayers)
            drawing->RequestLoadoutIcons(*device, other.loadout, &iconAtlas);
        for (const BotSlot& bot : configuration.bots)
            drawing->RequestLoadoutIcons(*device, bot.loadout, &iconAtlas);
    }
    // The tools' own view goes first; it draws only while the tools camera is switched on.
    if (tools && Tools::Current() == tools)
        drawing->views.insert(drawing->views.begin(), &tools->GetCameraView());
    drawing->time = 0.0f;
    drawing->drawInDuration = drawIn;
    drawing->holdDrawIn = true;
}

void Vantorel_::EndDrawing()
{
    if (world)
        for (PlayerSlot& slot : configuration.players)
            if (Player* player = slot.player; player && player->listenerDevice)
            {
                if (player->listener != Player::NoListener)
                    player->listenerDevice->RemoveListener(player->listener);
                player->listenerDevice = nullptr;
                player->listener = Player::NoListener;
            }
    for (CameraView& view : cameraViews)
        view.Follow(nullptr);
    if (!rendererOwner)
        return;
    if (GraphicsDevice* device = GetApplication()->GetGraphicsDevice())
        rendererOwner->Unload(*device);
    rendererOwner->views.clear();
}

void Vantorel_::PauseMatch(bool pause)
{
    paused = frozen = pause;
    // A paused game reads no device: what is pressed in the pause menu must not act on the resume.
    if (LocalDevices* devices = pause && network ? network->GetLocalDevices() : nullptr)
        devices->Suspend();
    AudioDevice* audio = headless ? nullptr : GetApplication()->GetAudioDevice();
    if (audio && pause)
        audio->PauseAll();
    else if (audio)
        audio->ResumeAll();
}

void Vantorel_::LeaveGame()
{
    // The match loader and the render-resource loader fill the objects deleted below.
    loaderThread.Wait();
    Log::Write("the match {} is left", configuration.name);
    load.SetProgress(0);
    load.SetState(LoadState::MatchUnloading);
    if (!headless)
    {
        if (AudioDevice* audio = GetApplication()->GetAudioDevice())
            audio->StopAll();
        EndDrawing();
    }
    // A match left while paused must not leave the next one frozen or the device held.
    if (paused)
        PauseMatch(false);
    load.SetProgress(100);
    load.SetState(LoadState::MatchUnloaded);

    // Windows on the world's objects close while those still exist.
    if (tools && Tools::Current() == tools)
        tools->WorldDestroyed();
    SetGameType(nullptr);
    gameTypeOwner.reset();
    world = nullptr;
    worldOwner.reset();
    renderer = nullptr;
    mapBackgrounds = nullptr;
    rendererOwner.reset();
    // A role stopped during the match has ended already.
    if (network && network->GetState() != NetworkState::Stopped)
        network->BeginEnding();
    if (!headless)
        OpenScreenAfterMatch(false);
    configuration.Reset();
    if (configuration.origin == GameOrigin::CustomGame && chosenSetUp.registry)
        configuration = chosenSetUp;
    matchFlow = MatchFlow::NetworkCreated;
    if (!options.localConfiguration.empty())
        localMatchLeft = true;
}

void Vantorel_::ShowStartScreen()
{
    if (network)
    {
        lastPlayerLeft = network->LastPlayerLeft();
        configurationsDiffer = network->ConfigurationsDiffer();
        stopReason = network->GetStopReason();
        roleGaveUp = roleGaveUp || !stopReason.what.empty();
    }
    network = nullptr;
    events = nullptr;
    networkOwner.reset();
    if (!headless)
        OpenScreenAfterMatch(true);
    matchFlow = MatchFlow::FrontEnd;
}

LocalNetwork* Vantorel_::StartLocalGame()
{
    std::unique_ptr<LocalNetwork> role = CreateLocalNetwork(LocalRoleFile);
    LocalNetwork* created = role.get();
    SetNetwork(std::move(role), true, true);
    return created;
}

void Vantorel_::SetNetwork(std::unique_ptr<Network> role, bool isAuthority, bool interpolates)
{
    network = nullptr;
    events = nullptr;
    stopReason = {};
    networkOwner = std::move(role);
    network = networkOwner.get();
    events = network;
    authority = isAuthority;
    interpolate = interpolates;
    matchFlow = MatchFlow::NetworkCreated;
}

std::unique_ptr<LocalNetwork> Vantorel_::CreateLocalNetwork(StringView path)
{
    Application& application = *GetApplication();
    const FileManager& files = application.GetFileManager();
    const NetworkSettings settings = LoadRoleFile<NetworkSettings>(files, path);
    const ApplicationConfig& config = application.GetConfig();
    const WindowSize window{static_cast<uint32_t>(std::max(config.width, 0)),
                            static_cast<uint32_t>(std::max(config.height, 0))};
    return std::make_unique<LocalNetwork>(*this, settings, files, application.GetControllerDevice(),
                                          application.GetKeyboardDevice(), application.GetMouseDevice(), window);
}

JournalWriter Vantorel_::MakeJournalWriter()
{
    const FileManager& files = GetApplication()->GetFileManager();
    // The bytes are made here and written on the saver's thread, while the role's updates go on.
    return [&files, this](const Journal& journal)
    {
        std::string path = files.ResolvePath(FormatText("Journals/{}.vjrn", Guid::Create()));
        journalSaver.Save(path, journal.Write());
        return path;
    };
}

std::unique_ptr<Network> Vantorel_::CreateServerNetwork(StringView path)
{
    if (!cryptoReady)
    {
        Log::Write(ServerLines::NoLibsodium(path));
        return nullptr;
    }
    const ServerSettings settings = LoadRoleFile<ServerSettings>(GetApplication()->GetFileManager(), path);
    if (!IsUsableAddress(settings, path))
        return nullptr;
    const uint64_t seed = options.seed ? *options.seed : random.Next();
    auto role = std::make_unique<ServerNetwork>(*this, settings, seed);
    if (!role->IsListening())
        return nullptr;
    if (role->GetOfferedConfigurations().empty())
    {
        Log::Write(ServerLines::NoConfigurationFits(settings.maximumPlayers, role->GetUnoffered(), path));
        return nullptr;
    }
    role->SetJournalWriter(MakeJournalWriter());
    // A host learns here whether other machines can join, rather than from players who cannot.
    Log::Write(ServerLines::Listens(role->GetAddress(), path));
    return role;
}

std::unique_ptr<Network> Vantorel_::CreateClientNetwork(StringView path)
{
    if (!cryptoReady)
    {
        Log::Write(ClientLines::NoLibsodium(path));
        return nullptr;
    }
    const ClientSettings settings = LoadRoleFile<ClientSettings>(GetApplication()->GetFileManager(), path);
    if (!IsUsableAddress(settings, path))
        return nullptr;
    // A seeded run joins as the same client every time; otherwise the id is random.
    uint64_t clientId = 0;
    if (options.seed)
        clientId = *options.seed;
    else
        randombytes_buf(&clientId, sizeof(clientId));
    // Until the front end adds players, the client joins with one: the first profile's.
    if (configuration.players.empty())
    {
        Profile* profile = profiles.Find("player1");
        if (!profile)
            Log::Write("no profile \"player1\": the client's player plays without a loadout or bindings");
        configuration.players.emplace_back(profile, 0);
    }
    Application& application = *GetApplication();
    const ApplicationConfig& config = application.GetConfig();
    auto role = std::make_unique<ClientNetwork>(*this, settings, clientId);
    // A client in a window may have been started without a controller to press Start on: its player
    // then plays on the keyboard and mouse.
    role->SetDevices(
        application.GetControllerDevice(), application.GetKeyboardDevice(), application.GetMouseDevice(),
        {static_cast<uint32_t>(std::max(config.width, 0)), static_cast<uint32_t>(std::max(config.height, 0))},
        !headless);
    role->SetJournalWriter(MakeJournalWriter());
    return role;
}

void Vantorel_::DriveRoleRun()
{
    if ((!options.server && !options.client) || finished)
        return;
    if (!roleRunStarted)
    {
        if (network || load.GetState() != LoadState::StartupLoaded)
            return;
        roleRunStarted = true;
        std::unique_ptr<Network> role =
            options.server ? CreateServerNetwork(ServerRoleFile) : CreateClientNetwork(ClientRoleFile);
        if (!role)
        {
            Finish(1);
            return;
        }
        SetNetwork(std::move(role), options.server, options.client);
        return;
    }
    const bool done = options.matchLimit != 0 && matchesLeft >= options.matchLimit;
    // A server sits out its intermission first: its clients leave the match in their own time, where
    // stopping at once would cut them off while they still show its end. A client shows the end first.
    const NetworkState roleState = network ? network->GetState() : NetworkState::Stopped;
    const bool idle =
        options.server ? roleState == NetworkState::Waiting || !network : roleState != NetworkState::Ended;
    if (done && idle && network && network->GetState() != NetworkState::Stopped)
        network->Stop();
    if (!network)
    {
        // A windowed client that gave up on its server shows why until its player leaves that screen.
        if (roleGaveUp && !playerLeft && !done && options.client && !headless && ui.gui)
            return;
        // Leaving is the player's choice, not a failure; leaving the screen that says why the role gave
        // up is not.
        const bool left = playerLeft && !roleGaveUp;
        Log::Write("the {} ended after {} matches{}", options.server ? "server" : "client", matchesLeft,
                   left ? ": its player left" : "");
        // A server whose players all left after a match stops as it should, with or without --matches.
        Finish(done || lastPlayerLeft || left ? 0 : configurationsDiffer ? 4 : 1);
    }
}

void Vantorel_::DriveLocalRun()
{
    if (options.localConfiguration.empty() || finished)
        return;

    if (!localRunStarted)
    {
        if (network || load.GetState() != LoadState::StartupLoaded)
            return;
        localRunStarted = true;
        const GameConfiguration* chosen = registry->configurations.Find(options.localConfiguration);
        if (!chosen)
        {
            // A mistake of the command line: said where its other mistakes are, on standard error.
            std::string line;
            if (const std::string* why = registry->configurations.FindUnread(options.localConfiguration))
                line = FormatText("there is no game configuration named {}: {}", options.localConfiguration, *why);
            else
            {
                std::string names;
                for (const std::string& name : registry->configurations.GetNames())
                    names += (names.empty() ? "" : ", ") + name;
                line = FormatText("there is no game configuration named {}: Assets/Configurations holds {}",
                                  options.localConfiguration, names.empty() ? std::string("none") : names);
            }
            std::fprintf(stderr, "Vantorel: %s\n", line.c_str());
            Finish(1);
            return;
        }
        configuration = *chosen;
        // Views belong to local players: a window shows this match's world only through the tools.
        if (!headless && configuration.players.empty())
            Log::Write("the match {} has no local player, so the window shows no view of it", configuration.name);
        StartLocalGame()->BeginVoting();
        return;
    }

    if (localMatchLeft)
    {
        const Network* role = network;
        matchRecord.Log();
        if (role && !role->GetSavedJournal().empty())
        {
            Log::Write("the match ended after {} ticks; its journal is {}", matchRecord.GetTicks(),
                       role->GetSavedJournal());
            Finish(0);
        }
        else
        {
            Log::Write("the match ended after {} ticks, but its journal could not be written", matchRecord.GetTicks());
            Finish(3);
        }
    }
}

void Vantorel_::RecordTick()
{
    ++matchTicks;
    if (hashLog)
    {
        WorldHash hash;
        hash.AddWorld(*world);
        if (const GameType* rules = GetGameType())
        {
            for (const ScoreEntry& score : rules->GetTeamScores())
                hash.AddScore(score.index, score.score);
            for (const ScoreEntry& score : rules->GetPlayerScores())
                hash.AddScore(score.index, score.score);
        }
        hashLog->Write(matchTicks, hash.Get());
    }
    if (!options.localConfiguration.empty())
        matchRecord.Tick(*world, GetGameType());
    // A match that has ended is only showing its results: its journal is written already.
    if (options.tickLimit != 0 && matchTicks >= options.tickLimit && network->GetState() != NetworkState::Ended)
    {
        matchRecord.Log();
        Log::Write("the match did not end within {} ticks: stopping without a journal", matchTicks);
        Finish(2);
    }
}

void Vantorel_::Finish(int32_t exitCode)
{
    finished = true;
    GetApplication()->SetExitCode(exitCode);
    GetApplication()->Quit();
}
