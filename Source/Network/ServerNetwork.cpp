#include "Source/Network/ServerNetwork.h"

#include "Engine/Foundation/Log.h"
#include "Source/Data/DataRegistry.h"
#include "Source/GameTypes/GameType.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/ServerLines.h"
#include "Source/Network/Vote.h"
#include "Source/World/GameContext.h"
#include "Source/World/World.h"

#include <algorithm>
#include <cmath>
#include <utility>

using namespace Lumvek;

const uint8_t GameServerKey[Net::KeyBytes] = {
    0x5b, 0x1e, 0xa3, 0x77, 0x0c, 0xd2, 0x48, 0x91, 0x3f, 0xe6, 0x2a, 0x85, 0x19, 0xcc, 0x60, 0x07,
    0xb4, 0x53, 0x9e, 0x21, 0xf8, 0x6d, 0x34, 0xa0, 0x8b, 0x17, 0xde, 0x42, 0x79, 0xc5, 0x0e, 0x96,
};

namespace
{

MessageLimits LimitsOf(const GameContext& context)
{
    return context.registry ? MessageLimits::FromRegistry(*context.registry) : MessageLimits();
}

Net::Address HostingAddress(const ServerSettings& settings)
{
    return Net::Address(settings.hostingIp.empty() ? "0.0.0.0" : settings.hostingIp.c_str(), settings.hostingPort);
}

// The game's clients ask for ten seconds; a token that never times out, or only after long, would let
// a silent stranger hold a slot.
Net::ClientServerConfig AdmittingConfig(Net::ClientServerConfig config)
{
    config.minimumTokenTimeout = 1;
    config.maximumTokenTimeout = 60;
    // Each request costs a token to open and a challenge to seal: under a flood of them the update
    // spends at most this on them, and steps and sends its states in time.
    config.requestTimePerUpdate = 0.002;
    // What the socket holds is read each update, the honest inputs among the flood with it, up to this.
    config.receiveTimePerUpdate = 0.008;
    // Clients denied for want of a seat wait in line for one: only those that answer at their address.
    config.challengeWhenFull = true;
    return config;
}

// The stop line names the connections without players one host holds at once.
constexpr int PlayerlessPerHost = SeatLine::PlayerlessPerHost;

} // namespace

ServerNetwork::ServerNetwork(GameContext& context, const ServerSettings& settings, uint64_t seed,
                             Net::Transport* transport)
    : Network(settings), context(context), serverSettings(settings), optionSeed(seed), limits(LimitsOf(context)),
      adapter(limits),
      server(transport ? std::make_unique<Net::Server>(allocator, GameServerKey, *transport, AdmittingConfig(config),
                                                       adapter, 0.0)
                       : std::make_unique<Net::Server>(allocator, GameServerKey, HostingAddress(settings),
                                                       AdmittingConfig(config), adapter, 0.0)),
      connections(*server, lockstep), admission(connections, settings.connectionTimeout)
{
    adapter.SetConnectionListener(
        [this](int client, bool connected)
        {
            // Only now can the library say how the connection ended.
            notices.push_back({client, connected, server->GetClientEnd(client), server->GetClientTimeout(client)});
            // A waiting client that took its seat leaves the line at once: the next in it may ask in the
            // same update.
            if (!connected)
                return;
            admission.GetSeatLine().Seated(server->GetClientAddress(client), server->GetClientId(client));
        });
    adapter.SetAdmissionCheck([this](const Net::Address& from, uint64_t id, bool answered)
                              { return admission.Admits(from, id, answered, Now()); });
    serverSettings.maximumPlayers = std::clamp(serverSettings.maximumPlayers, 1u, MaxServerPlayers);
    // A full server votes at once: more players than it seats are never needed.
    serverSettings.minimumPlayers = std::min(serverSettings.minimumPlayers, serverSettings.maximumPlayers);
    offered = Vote::OfferedConfigurations(context, serverSettings.maximumPlayers, unoffered);
    if (!server->Start(static_cast<int>(serverSettings.maximumPlayers)))
    {
        if (const int error = server->GetOpenError())
            Log::Write(ServerLines::CannotListen(settings.hostingIp, settings.hostingPort, error));
        else
            Log::Write(ServerLines::NoSlots(serverSettings.maximumPlayers));
    }
    admission.SetSlotCount(serverSettings.maximumPlayers);
    ApplySimulatorSettings(settings.packetLoss, settings.packetDuplication, settings.latencyAmount,
                           settings.latencyVariance);
    BeginTimedState(NetworkState::Waiting, serverSettings.connectionTimeout);
}

ServerNetwork::~ServerNetwork()
{
    server->Stop();
}

void ServerNetwork::ApplySimulatorSettings(float packetLoss, float duplication, float latency, float jitter)
{
    if (Net::NetworkSimulator* simulator = server->GetNetworkSimulator())
    {
        simulator->SetPacketLoss(packetLoss);
        simulator->SetDuplicates(duplication);
        simulator->SetLatency(latency);
        simulator->SetJitter(jitter);
        simulator->SetSeed(optionSeed);
    }
}

void ServerNetwork::Update(int64_t delta)
{
    if (state == NetworkState::Stopped)
        return;
    if (!server->IsRunning())
    {
        Stop();
        return;
    }
    elapsed += delta;
    const double time = Now();
    // Bound to one address, the server is reached there alone: once the machine no longer holds it no client
    // ever will, and waiting on would wait for good.
    if (time >= nextAddressCheck)
    {
        nextAddressCheck = time + AddressCheckSeconds;
        if (!server->HoldsItsAddress())
        {
            Log::Write(ServerLines::AddressLost(server->GetAddress()));
            Stop();
            return;
        }
    }
    // The seats that freed since the last update are held before the socket is read: a stranger's
    // answer read first would take one held for a waiting client.
    admission.GetSeatLine().HoldSeats(time);
    // Before the socket is read: what the clients sent during the stall is still in it, and the library
    // would count them heard now.
    stalled = EndStalledConnections(delta);
    // The socket is read before the payloads are taken, and the packet goes out once this update has
    // stepped and made its states: either the other way round holds a packet for a whole tick.
    server->AdvanceTime(time);
    server->ReceivePackets();
    CountPackets();

    HandleConnectionNotices();
    // A full server turns newcomers away in Waiting; during a match players may still leave before it.
    admission.Accept(state != NetworkState::Waiting || lockstep.GetPlayerCount() < serverSettings.maximumPlayers, time);
    AdmitClients();
    if (state == NetworkState::Playing)
        RemoveIdlePlayers(delta);
    if (const uint64_t leftOut = admission.TakeLinesLeftOut(time))
        Log::Write(ServerLines::LinesLeftOut(leftOut));
    ReportOtherServers(time);
    for (int channel = 0; channel < 2 && state != NetworkState::Stopped; ++channel)
        for (size_t i = 0; i < admission.GetSlotCount(); ++i)
        {
            if (!admission.IsSeated(static_cast<int>(i)))
                continue;
            while (Net::Message* message = server->ReceiveMessage(static_cast<int>(i), channel))
            {
                HandleMessage(static_cast<int>(i), *message);
                server->ReleaseMessage(static_cast<int>(i), message);
            }
        }
    // Clients disconnected for what they sent.
    HandleConnectionNotices();

    switch (state)
    {
    case NetworkState::Waiting:
    {
        const bool expired = AdvanceTimer(delta);
        LowerMostPlayers();
        const size_t count = lockstep.GetPlayerCount();
        const bool enough = count >= serverSettings.minimumPlayers && count > 0;
        // Players who wait for others learn why nothing begins: once a wait, when it has lasted its time.
        if (expired && !enough && count > 0 && !std::exchange(fewPlayersLogged, true))
            Log::Write(ServerLines::FewPlayers(count, serverSettings.minimumPlayers));
        if (count == serverSettings.maximumPlayers || (expired && enough))
        {
            Log::Write(ServerLines::Entered(NetworkState::Voting));
            admission.MarkStayed(time);
            BeginTimedState(NetworkState::Voting, serverSettings.voteDuration);
            // Only configurations that exist and fit are offered.
            votingOptions = Vote::ChooseOptions(offered, optionSeed);
            Broadcast<VotingOptionsMessage>(true,
                                            [&](VotingOptionsMessage& message)
                                            {
                                                message.duration = serverSettings.voteDuration;
                                                for (size_t i = 0; i < votingOptions.size(); ++i)
                                                    message.options[i].Set(
                                                        Vote::ConfigurationKey(context, votingOptions[i]));
                                            });
        }
        break;
    }
    case NetworkState::Voting:
        if (AdvanceTimer(delta))
        {
            Log::Write(ServerLines::Entered(NetworkState::Configured));
            TallyVotes();
            Enter(NetworkState::Configured);
        }
        break;
    case NetworkState::Loading:
        if (AdvanceTimer(delta))
            Enter(NetworkState::Loaded);
        break;
    case NetworkState::Preparing:
        if (AdvanceTimer(delta))
        {
            preparedTime = time;
            Enter(NetworkState::Prepared);
        }
        break;
    case NetworkState::Playing:
    {
        const uint32_t before = lockstep.GetFrame();
        StepFrames();
        playedFrames += lockstep.GetFrame() - before;
        playedTime += delta;
        if (state == NetworkState::Playing && time >= nextStateTime && lockstep.GetFrame() >= nextStateFrame)
        {
            StepCameras();
            SendGameStates(false);
            // The schedule runs on from the state that was due, not from this update, or every period
            // would round up to whole updates; after a stall it starts again rather than bursting.
            nextStateTime = std::max(nextStateTime + serverSettings.gameStateUpdateRate, time);
            nextStateFrame = lockstep.GetFrame() + 1;
        }
        break;
    }
    case NetworkState::Ended:
        if (AdvanceTimer(delta))
        {
            Log::Write(ServerLines::Entered(NetworkState::Leaving));
            Enter(NetworkState::Leaving);
        }
        break;
    case NetworkState::Ending:
        if (AdvanceTimer(delta))
            BeginWaiting();
        break;
    default:
        break;
    }
    if (state != NetworkState::Stopped)
        server->SendPackets();
}

void ServerNetwork::HandleConnectionNotices()
{
    // Removing the last player stops the server, whose disconnects add notices as this runs: they are
    // read by index, and once stopped there is nobody left to tell.
    for (size_t i = 0; i < notices.size() && state != NetworkState::Stopped; ++i)
    {
        const ConnectionNotice notice = notices[i];
        // Either way the slot's accepted client, if any, is gone: a slot is only given to a newcomer
        // after its last client left.
        if (admission.IsSeated(notice.client))
            RemoveClient(notice);
    }
    notices.clear();
}

bool ServerNetwork::EndStalledConnections(int64_t delta)
{
    const double seconds = static_cast<double>(delta) / 1e9;
    // A client hears from its server at least every tenth of a second while the server runs: a server
    // that did not run for a client's time-out left it that long in silence, and it has left.
    const auto timedOut = [&](int i)
    {
        const int32_t timeout = server->GetClientTimeout(i);
        return server->IsClientConnected(i) && timeout > 0 && seconds >= static_cast<double>(timeout);
    };
    size_t count = 0;
    for (int i = 0; i < server->GetMaxClients(); ++i)
        count += timedOut(i) ? 1 : 0;
    if (count == 0)
        return false;
    Log::Write(ServerLines::DidNotRun(seconds, count));
    for (int i = 0; i < server->GetMaxClients(); ++i)
    {
        if (!timedOut(i))
            continue;
        // A connection without players is sent away by the server, not left of its own accord: its address
        // is not held back.
        if (admission.IsSeated(i))
            admission.Dismiss(i);
        else
            server->DisconnectClient(i);
    }
    return true;
}

void ServerNetwork::AdmitClients()
{
    const double time = Now();
    for (size_t i = 0; i < admission.GetSlotCount() && state != NetworkState::Stopped; ++i)
    {
        const int client = static_cast<int>(i);
        if (!admission.AwaitsPlayers(client))
            continue;
        const ClientSlot& slot = admission.GetClient(client);
        // A request held since the match waits for the next Waiting, where it is made.
        if (slot.heldRequest)
        {
            if (state == NetworkState::Waiting)
            {
                const Admission::HeldRequest held = admission.TakeHeld(client);
                AddPlayers(client, held.count, held.players.data());
            }
            continue;
        }
        // Connections that only keep themselves alive would hold the slots, in a match as in Waiting,
        // and every honest player who comes after them would be denied. One made in a match that the
        // next Waiting reaches first has its time from then.
        const double limit = admission.GetJoinSeconds();
        if (time - std::max(slot.arrival, waitingSince) > limit)
            admission.SendAway(client, ServerLines::NoPlayerWithin(limit), time);
    }
}

void ServerNetwork::RemoveIdlePlayers(int64_t delta)
{
    const double limit = serverSettings.inactivityTimeout;
    if (limit <= 0.0)
        return;
    if (!lockstep.AddIdleTime(static_cast<double>(delta) / 1e9, limit))
        return;
    for (size_t i = 0; i < admission.GetSlotCount() && state == NetworkState::Playing; ++i)
    {
        const int client = static_cast<int>(i);
        const size_t count = lockstep.CountIdlePlayers(client, limit);
        if (!admission.HasPlayers(client) || count == 0)
            continue;
        if (count == lockstep.CountPlayers(client))
            admission.SendAway(client, ServerLines::NoNewInput(limit), Now());
        else if (MayLog(client, true))
            Log::Write(ServerLines::IdlePlayersRemoved(client, count, limit));
        // Its players go now, whether or not the client does: the match plays on without them.
        std::vector<uint8_t> idle;
        for (const InputBuffer& buffer : lockstep.GetPlayers())
            if (buffer.client == client && buffer.idleSeconds > limit)
                idle.push_back(buffer.player);
        for (const uint8_t player : idle)
            RemovePlayer(player);
    }
    // Removed by the server, not gone of their own accord: the server waits for players again rather
    // than stopping.
    if (lockstep.GetPlayerCount() == 0 && state == NetworkState::Playing)
        ReturnToWaiting();
}

void ServerNetwork::LowerMostPlayers()
{
    const double time = Now();
    if (lockstep.GetPlayerCount() >= mostPlayers)
        belowMostSince = -1.0;
    else if (belowMostSince < 0.0)
        belowMostSince = time;
    else if (time - belowMostSince > serverSettings.connectionTimeout)
    {
        mostPlayers = lockstep.GetPlayerCount();
        belowMostSince = -1.0;
    }
}

void ServerNetwork::BeginWaiting()
{
    Log::Write(ServerLines::Entered(NetworkState::Waiting));
    BeginTimedState(NetworkState::Waiting, serverSettings.connectionTimeout);
    fewPlayersLogged = false;
    mostPlayers = lockstep.GetPlayerCount();
    belowMostSince = -1.0;
    waitingSince = Now();
}

void ServerNetwork::ReturnToWaiting(bool announce)
{
    if (announce && (state == NetworkState::Voting || IsLoading(state) || state == NetworkState::Loaded ||
                     (IsInPlay(state) && state != NetworkState::Ended)))
        Log::Write(ServerLines::EveryPlayerLeft(state, server->GetLastSendError()));
    switch (state)
    {
    case NetworkState::Voting:
        BeginWaiting();
        break;
    case NetworkState::Configured:
    case NetworkState::Loading:
    case NetworkState::Loaded:
    case NetworkState::Preparing:
    case NetworkState::Prepared:
    case NetworkState::Playing:
        // The game system leaves the match, and the intermission leads back to Waiting.
        Enter(NetworkState::Leaving);
        break;
    default:
        // Waiting, and the states on the way back to it.
        break;
    }
}

RemotePlayerSlot* ServerNetwork::RemoteSlot(uint32_t player)
{
    // A removed slot keeps its id until the configuration is reset, and a new player may have it.
    for (RemotePlayerSlot& slot : context.configuration.remotePlayers)
        if (slot.id == player && !slot.removed)
            return &slot;
    return nullptr;
}

void ServerNetwork::AddPlayers(int client, uint32_t requested, const AddPlayerMessage::Player* entries)
{
    const uint32_t count = requested <= AddPlayerMessage::MaxPlayers ? requested : 0;
    const bool fits = state == NetworkState::Waiting && admission.AwaitsPlayers(client) &&
                      !admission.GetClient(client).heldRequest &&
                      lockstep.GetPlayerCount() + count <= serverSettings.maximumPlayers;
    if (admission.LogJoin(client, fits && count > 0, Now()))
        Log::Write(ServerLines::Adding(count, client));
    if (!fits)
    {
        admission.Dismiss(client);
        return;
    }
    // Players are here again: the next last one to leave stops the server as the rule says.
    stopOwed = stopOwed && count == 0;
    for (const InputBuffer& buffer : lockstep.GetPlayers())
        SendPlayerAdded(client, buffer);
    GameConfiguration& configuration = context.configuration;
    for (uint32_t i = 0; i < count; ++i)
    {
        const AddPlayerMessage::Player& entry = entries[i];
        // Bots are renumbered around the players when a match starts, so only players hold ids here:
        // the ids stay below the server's player count, which the messages can carry.
        auto taken = [&](uint8_t id)
        {
            auto holds = [id](const Slot& slot) { return slot.id == id && !slot.removed; };
            return std::any_of(configuration.players.begin(), configuration.players.end(), holds) ||
                   std::any_of(configuration.remotePlayers.begin(), configuration.remotePlayers.end(), holds);
        };
        uint8_t id = 0;
        while (id < Slot::NoId && taken(id))
            ++id;
        const InputBuffer& buffer = lockstep.AddPlayer(id, client, entry.localSlot);
        RemotePlayerSlot& remote = configuration.remotePlayers.emplace_back();
        remote.id = id;
        remote.clientId = static_cast<uint32_t>(client);
        // A part past its list keeps the configuration's choice for the slot.
        if (IsValidLoadout(entry.parts, limits))
        {
            remote.loadout.head = entry.parts.head;
            remote.loadout.core = entry.parts.core;
            remote.loadout.arms = entry.parts.arms;
            remote.loadout.legs = entry.parts.legs;
        }
        else if (MayLog(client))
            Log::Write(ServerLines::PartPastLists(client, id, true));
        for (size_t to = 0; to < admission.GetSlotCount(); ++to)
            if (admission.HasPlayers(static_cast<int>(to)))
                SendPlayerAdded(static_cast<int>(to), buffer);
    }
    // Newcomers give others time to join; players who leave and join again, or come and go, only
    // bring back a count already counted down from.
    if (lockstep.GetPlayerCount() > mostPlayers)
    {
        mostPlayers = lockstep.GetPlayerCount();
        timer = 0.0f;
    }
}

void ServerNetwork::RemoveClient(const ConnectionNotice& departure)
{
    const int client = departure.client;
    const ClientSlot& slot = admission.GetClient(client);
    const bool hadPlayers = admission.HasPlayers(client);
    const bool heldPlayers = admission.HoldsPlayers(client);
    // A connection without players that leaves before it is sent away comes back as one sent away does:
    // otherwise strangers who leave just before their time is up would hold the seats for good. One whose
    // players waited for the next match dodged no time limit: it leaves as a player does.
    if (!heldPlayers && !slot.dismissed)
    {
        const double wait = admission.GetSeatLine().CoolDown(slot.address, Now());
        if (MayLog(client))
            Log::Write(ServerLines::LeftWithoutPlayers(client, wait));
    }
    else if (MayLog(client, hadPlayers))
        Log::Write(ServerLines::Disconnected(client, {slot.dismissed ? Net::ClientEnd::Closed : departure.end,
                                                      departure.timeout,
                                                      slot.dismissed ? 0 : server->GetLastSendError(), stalled}));
    admission.Clear(client);
    std::vector<uint8_t> gone;
    for (const InputBuffer& buffer : lockstep.GetPlayers())
        if (buffer.client == client)
            gone.push_back(buffer.player);
    for (const uint8_t player : gone)
        RemovePlayer(player);
    // Outside a match nothing refers to the slots of players who left: they go, or players who come and
    // go would grow the configuration for as long as no match ends.
    if (IsBetweenMatches())
        context.configuration.DropRemovedPlayers();
    // Once the players are too few for a vote, the countdown is owed to whoever comes next: a stranger
    // whose players came and went would otherwise have spent it. While enough stay, players who come
    // and go only bring back a count already counted down from.
    if (lockstep.GetPlayerCount() < serverSettings.minimumPlayers)
        mostPlayers = std::min(mostPlayers, lockstep.GetPlayerCount());
    // A client that never added a player (a refused or probing connection) leaves the server running,
    // and so does the last player's before a match has ended: a stranger who joins and leaves before
    // the honest players have played would otherwise stop it. So does one while another connection waits
    // to add players, held for the next match or a newcomer whose request is on its way: it is not the
    // last. Should those go without adding any, the server stops then. Players whose connections ended
    // because the server did not run have not left it: it waits for them.
    if (stalled)
    {
        stopOwed = false;
        if (heldPlayers && lockstep.GetPlayerCount() == 0)
            ReturnToWaiting(false);
        return;
    }
    // While a connection holds players or waits to add them, the last player's leaving does not stop the
    // server.
    const size_t waiting = admission.WaitingConnections();
    if ((heldPlayers || stopOwed) && lockstep.GetPlayerCount() == 0)
    {
        if (endedMatches > 0 && waiting == 0)
        {
            Log::Write(ServerLines::LastPlayerLeft(endedMatches, server->GetLastSendError()));
            lastPlayerLeft = true;
            Stop();
            return;
        }
        if (endedMatches > 0 && !stopOwed)
            Log::Write(ServerLines::LastPlayerLeftWhileOthersWait(endedMatches, waiting));
        stopOwed = endedMatches > 0;
        ReturnToWaiting();
    }
}

void ServerNetwork::RemovePlayer(uint8_t id)
{
    // Told before the player goes from the lockstep: a client whose last player goes hears of it too.
    Broadcast<PlayerRemovedMessage>(true, [&](PlayerRemovedMessage& message) { message.player = id; });
    lockstep.RemovePlayer(id);
    if (RemotePlayerSlot* slot = RemoteSlot(id))
    {
        if (slot->player && context.world)
            context.world->RemovePlayer(*slot->player);
        slot->player = nullptr;
        slot->removed = true;
    }
}

void ServerNetwork::TallyVotes()
{
    // Players who left keep their slots until the match ends, not their say.
    chosenOption = Vote::Tally(context.configuration.remotePlayers, votingOptions, chosenOption);
    if (context.registry && chosenOption < ConfigurationCount(context))
        if (const GameConfiguration* chosen = context.registry->configurations.Get(chosenOption))
            context.configuration = *chosen;

    const uint32_t teams = std::max(context.configuration.teamCount, 1u);
    const auto perTeam = static_cast<uint32_t>(std::ceil(static_cast<float>(lockstep.GetPlayerCount()) / float(teams)));
    uint32_t team = 0;
    uint32_t inTeam = 0;
    for (size_t client = 0; client < admission.GetSlotCount(); ++client)
        for (const InputBuffer& buffer : lockstep.GetPlayers())
        {
            if (!admission.IsSeated(static_cast<int>(client)) || buffer.client != static_cast<int32_t>(client))
                continue;
            Slot* slot = RemoteSlot(buffer.player);
            if (!slot)
                continue;
            if (teams == 1)
            {
                slot->team = Player::NoTeam;
                continue;
            }
            slot->team = static_cast<uint8_t>(team);
            if (++inTeam == perTeam)
            {
                ++team;
                inTeam = 0;
            }
        }
}

void ServerNetwork::StepFrames()
{
    const double time = Now();
    // A frame is stepped at its deadline, not as soon as its inputs are in: the states then carry the
    // deadline's clock, against which each client measures how early its own inputs arrive and keeps
    // its lead (a client whose start message came late learns so from them). The cost is that the
    // states come later by the clients' spare.
    while (state == NetworkState::Playing && lockstep.IsDue(time))
    {
        const uint32_t index = lockstep.TakeFrame(time);
        for (const InputBuffer& buffer : lockstep.GetPlayers())
            if (Slot* slot = RemoteSlot(buffer.player); slot && slot->player)
                slot->player->input = buffer.inputs[index];
        const float dt = static_cast<float>(Lumvek::PreciseTickSeconds);
        if (context.world)
            context.world->Step(dt);
        if (context.GetGameType())
            context.GetGameType()->Update(dt);
        lockstep.Advance();
    }
}

void ServerNetwork::BeginLoading()
{
    Log::Write(ServerLines::Entered(NetworkState::Loading));
    limits.SetConfiguration(context.configuration);
    // Both ends measure lines and scores by the same rules: the clients made theirs from the same
    // configuration.
    if (context.GetGameType())
        limits.SetGameType(*context.GetGameType());
    BeginTimedState(NetworkState::Loading, serverSettings.loadDuration);
    Broadcast<SetConfigurationMessage>(true,
                                       [&](SetConfigurationMessage& message)
                                       {
                                           message.duration = serverSettings.loadDuration;
                                           message.configuration.Set(Vote::ConfigurationKey(context, chosenOption));
                                       });
}

void ServerNetwork::BeginPreparing()
{
    Log::Write(ServerLines::Entered(NetworkState::Preparing));
    BeginTimedState(NetworkState::Preparing, settings.prepareDuration);
    Broadcast<SetLoadoutsMessage>(
        true,
        [&](SetLoadoutsMessage& message)
        {
            message.duration = settings.prepareDuration;
            message.count = 0;
            for (const InputBuffer& buffer : lockstep.GetPlayers())
            {
                if (message.count == SetLoadoutsMessage::MaxEntries)
                    break;
                const Slot* found = RemoteSlot(buffer.player);
                const Slot slot = found ? *found : Slot();
                SetLoadoutsMessage::Entry& entry = message.entries[message.count++];
                entry.player = buffer.player;
                entry.team = slot.team;
                entry.parts = {slot.loadout.head, slot.loadout.core, slot.loadout.arms, slot.loadout.legs};
            }
        });
}

void ServerNetwork::BeginStarting()
{
    Log::Write(ServerLines::Entered(NetworkState::Playing));
    Enter(NetworkState::Playing);
    Broadcast<StartGameMessage>(true, [](StartGameMessage&) {});
    // The clients count their frames from this message, and the first deadline from when the countdown
    // ended: it leaves now rather than with the next update's packet.
    server->SendPackets();
    nextStateFrame = 0;
    nextStateTime = 0.0;
    shots.Clear();
    lockstep.Start(preparedTime + serverSettings.forceUpdateTimeout);
}

void ServerNetwork::SaveJournal()
{
    SendGameStates(true);
    if (context.GetGameType())
        SendScore(context.GetGameType()->GetTeamScores(), context.GetGameType()->GetPlayerScores(), true);
    Broadcast<EndGameMessage>(true,
                              [&](EndGameMessage& message)
                              {
                                  message.duration = settings.endDuration;
                                  message.intermission = serverSettings.intermissionDuration;
                              });
    Log::Write(ServerLines::Entered(NetworkState::Ended));
    ++endedMatches;
    lockstep.EndMissedStretch(Now());
    if (journalWriter)
        savedJournal = journalWriter(journal);
    BeginTimedState(NetworkState::Ended, settings.endDuration);
}

void ServerNetwork::BeginEnding()
{
    // A server stopped in a match has ended already: the game system still leaves the match.
    if (state == NetworkState::Stopped)
        return;
    Log::Write(ServerLines::Entered(NetworkState::Ending));
    BeginTimedState(NetworkState::Ending, serverSettings.intermissionDuration);
}

void ServerNetwork::CountPackets()
{
    seenPackets.resize(static_cast<size_t>(server->GetMaxClients()));
    for (size_t i = 0; i < seenPackets.size(); ++i)
    {
        PacketCounts& seen = seenPackets[i];
        // The next connection in the slot counts from 0 again.
        if (!server->IsClientConnected(static_cast<int>(i)))
        {
            seen = {};
            continue;
        }
        Net::NetworkInfo info;
        server->GetNetworkInfo(static_cast<int>(i), info);
        packets.sent += info.numPacketsSent - std::min(seen.sent, info.numPacketsSent);
        packets.received += info.numPacketsReceived - std::min(seen.received, info.numPacketsReceived);
        seen = {info.numPacketsSent, info.numPacketsReceived};
    }
}

void ServerNetwork::ReportOtherServers(double time)
{
    const uint64_t count = server->GetCounters().requestsForOtherServers;
    if (count == reportedOtherServers || time < nextOtherServersLine)
        return;
    nextOtherServersLine = time + OtherServersLinePeriod;
    const Net::Address own = server->GetAddress();
    const Net::Address named = server->GetOtherServer();
    Log::Write(ServerLines::OtherServers(own, count - reportedOtherServers, named));
    reportedOtherServers = count;
}

void ServerNetwork::Stop()
{
    if (state == NetworkState::Stopped)
        return;
    if (!countsLogged)
    {
        lockstep.EndMissedStretch(Now());
        const InputTiming& timing = lockstep.GetInputTiming();
        Log::Write(ServerLines::PlayTotals({playedFrames, playedTime / 1'000'000, lockstep.GetIncompleteFrames(),
                                            std::llround(lockstep.GetLongestStepGap() * 1000.0), timing.total,
                                            timing.Quantile(0.5), timing.Quantile(0.05)}));
        Log::Write(ServerLines::PacketTotals(packets.sent, packets.received));
        const Net::NetcodeCounters& counters = server->GetCounters();
        Log::Write(ServerLines::ConnectionLayerTotals(counters.packetsReceived, counters.TotalDropped(),
                                                      counters.requestsForOtherServers,
                                                      counters.packetsDropped[Net::PACKET_READ_BUSY]));
        Log::Write(ServerLines::RefusalTotals(admission.GetRefusedMessages(), admission.GetLinesLeftOut()));
        Log::Write(ServerLines::DeniedTotals(admission.GetDeniedRequests(), PlayerlessPerHost));
        countsLogged = true;
    }
    Log::Write(ServerLines::Entered(NetworkState::Stopped));
    Enter(NetworkState::Stopped);
    server->DisconnectAllClients();
    server->Stop();
}
