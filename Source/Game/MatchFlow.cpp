// The game system's way from the front end into a match and back, and the local match a command line
// asks for.

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/ToString.h"
#include "Engine/Runtime/Audio/AudioDevice.h"
#include "Engine/Runtime/Core/Application.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Game/Vantorel.h"
#include "Source/GameTypes/GameType.h"
#include "Source/Network/ClientNetwork.h"
#include "Source/Network/LocalNetwork.h"
#include "Source/Network/ServerNetwork.h"
#include "Source/World/World.h"
#include "Source/World/WorldHash.h"

#include <sodium.h>

using namespace Lumvek;

void Vantorel_::StartGame()
{
    configuration.ResolveRandomPicks(random.engine);
    configuration.NameBots(random.engine);
    // The world's and the rules' generators take their seeds from the game's, so one seed replays the
    // whole run.
    gameType = nullptr;
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
    gameType = gameTypeOwner.get();

    load.SetProgress(0);
    load.SetState(LoadState::MatchLoading);
    StartLoader(&Loader::LoadMatch);
    network->BeginLoading();
}

void Vantorel_::BeginPlay()
{
    world->Begin();
    if (authority && gameType)
        gameType->Start();
    load.SetProgress(0);
    load.SetState(LoadState::RenderResourcesLoading);
    StartLoader(&Loader::LoadRenderResources);
    network->BeginPreparing();
    matchFlow = MatchFlow::PlayBegun;
}

void Vantorel_::LeaveGame()
{
    // The match loader and the render-resource loader fill the objects deleted below.
    loaderThread.Wait();
    load.SetProgress(0);
    load.SetState(LoadState::MatchUnloading);
    if (!headless)
        if (AudioDevice* audio = GetApplication()->GetAudioDevice())
            audio->StopAll();
    load.SetProgress(100);
    load.SetState(LoadState::MatchUnloaded);

    gameType = nullptr;
    gameTypeOwner.reset();
    world = nullptr;
    worldOwner.reset();
    if (network)
        network->BeginEnding();
    configuration.Reset();
    matchFlow = MatchFlow::NetworkCreated;
    if (!options.localConfiguration.empty())
        localMatchLeft = true;
}

void Vantorel_::ShowStartScreen()
{
    network = nullptr;
    networkOwner.reset();
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
    networkOwner = std::move(role);
    network = networkOwner.get();
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
    return [&files](const Journal& journal)
    {
        const std::string path = FormatText("Journals/{}.vjrn", Guid::Create());
        return journal.Save(files, path) ? files.ResolvePath(path) : std::string();
    };
}

std::unique_ptr<Network> Vantorel_::CreateServerNetwork(StringView path)
{
    if (!cryptoReady)
    {
        Log::Write("a dedicated server cannot start without libsodium: {} is not used", path);
        return nullptr;
    }
    const ServerSettings settings = LoadRoleFile<ServerSettings>(GetApplication()->GetFileManager(), path);
    const uint64_t seed = options.seed ? *options.seed : random.Next();
    auto role = std::make_unique<ServerNetwork>(*this, settings, seed);
    if (!role->IsListening())
        return nullptr;
    role->SetJournalWriter(MakeJournalWriter());
    Log::Write("a dedicated server listens on port {}", settings.hostingPort);
    return role;
}

std::unique_ptr<Network> Vantorel_::CreateClientNetwork(StringView path)
{
    if (!cryptoReady)
    {
        Log::Write("a client cannot join a server without libsodium: {} is not used", path);
        return nullptr;
    }
    const ClientSettings settings = LoadRoleFile<ClientSettings>(GetApplication()->GetFileManager(), path);
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
    role->SetDevices(
        application.GetControllerDevice(), application.GetKeyboardDevice(), application.GetMouseDevice(),
        {static_cast<uint32_t>(std::max(config.width, 0)), static_cast<uint32_t>(std::max(config.height, 0))});
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
    // stopping at once would cut them off while they still show its end.
    const bool idle = !options.server || network == nullptr || network->GetState() == NetworkState::Waiting;
    if (done && idle && network && network->GetState() != NetworkState::Stopped)
        network->Stop();
    if (!network)
    {
        Log::Write("the {} ended after {} matches", options.server ? "server" : "client", matchesLeft);
        Finish(done ? 0 : 1);
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
            Log::Write("there is no game configuration named {}: the game configurations are in "
                       "Assets/Configurations",
                       options.localConfiguration);
            Finish(1);
            return;
        }
        configuration = *chosen;
        StartLocalGame()->BeginVoting();
        return;
    }

    if (localMatchLeft)
    {
        const auto* role = dynamic_cast<const LocalNetwork*>(network);
        if (role && !role->GetSavedJournal().empty())
        {
            Log::Write("the match ended after {} ticks; its journal is {}", matchTicks, role->GetSavedJournal());
            Finish(0);
        }
        else
        {
            Log::Write("the match ended after {} ticks, but its journal could not be written", matchTicks);
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
        if (gameType)
        {
            for (const ScoreEntry& score : gameType->GetTeamScores())
                hash.AddScore(score.index, score.score);
            for (const ScoreEntry& score : gameType->GetPlayerScores())
                hash.AddScore(score.index, score.score);
        }
        hashLog->Write(matchTicks, hash.Get());
    }
    // A match that has ended is only showing its results: its journal is written already.
    if (options.tickLimit != 0 && matchTicks >= options.tickLimit && network->GetState() != NetworkState::Ended)
    {
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
