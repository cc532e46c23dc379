#include "Source/Network/ClientNetwork.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Pattern.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/Profile.h"
#include "Source/Data/TriggerData.h"
#include "Source/GameTypes/GameType.h"
#include "Source/Network/ClientLines.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/Messages/EventMessages.h"
#include "Source/Network/Messages/GameStateMessage.h"
#include "Source/Network/Messages/InputMessage.h"
#include "Source/Network/ReceivedEntities.h"
#include "Source/Network/WorldState.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/GameContext.h"
#include "Source/World/World.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <span>
#include <string>
#include <utility>

using namespace Lumvek;

namespace
{

// Every token this program makes has its own sequence number.
std::atomic<uint64_t> tokenSequence{0};

MessageLimits LimitsOf(const GameContext& context)
{
    return context.registry ? MessageLimits::FromRegistry(*context.registry) : MessageLimits();
}

} // namespace

ClientNetwork::ClientNetwork(GameContext& context, const ClientSettings& settings, uint64_t clientId,
                             Net::Transport* transport)
    : Network(settings), context(context), clientSettings(settings), clientId(clientId), limits(LimitsOf(context)),
      adapter(limits),
      client(transport ? std::make_unique<Net::Client>(allocator, *transport, config, adapter, 0.0)
                       : std::make_unique<Net::Client>(
                             allocator,
                             Net::UdpSocket::Reaching(Net::Address(settings.matcherIp.c_str(), settings.matcherPort)),
                             config, adapter, 0.0)),
      serverText(ClientLines::ServerName(settings.matcherIp, settings.matcherPort))
{
    // Such a source goes beyond its link on no router, and answers to it need its interface, which a server
    // does not keep: the requests leave all the same, and the player learns now why none is answered.
    const Net::Address server(settings.matcherIp.c_str(), settings.matcherPort);
    const Net::Address source = transport ? Net::Address() : Net::UdpSocket::SourceReaching(server);
    if (source.IsLinkLocal())
        Log::Write(ClientLines::LinkLocalSource(serverText, source));
    ConnectToServer();
    if (settings.simulate)
        ApplySimulatorSettings(settings.packetLoss, settings.packetDuplication, settings.latencyAmount,
                               settings.latencyVariance);
}

ClientNetwork::~ClientNetwork()
{
    client->Disconnect();
}

bool ClientNetwork::ConnectToServer()
{
    const Net::Address address(clientSettings.matcherIp.c_str(), clientSettings.matcherPort);
    uint8_t token[Net::ConnectTokenBytes];
    if (!address.IsValid() ||
        !Net::GenerateConnectToken(1, &address, 60, ConnectionTimeoutSeconds, clientId, config.protocolId,
                                   tokenSequence++, GameServerKey, nullptr, token))
    {
        Log::Write(ClientLines::NoToken(serverText));
        return false;
    }
    client->Connect(clientId, token);
    return true;
}

bool ClientNetwork::WaitForSeat()
{
    if (clientIndex >= 0 || client->GetNetcodeState() != Net::NETCODE_CLIENT_STATE_CONNECTION_DENIED)
        return false;
    if (!std::exchange(seatWaitLogged, true))
        Log::Write(ClientLines::TurnedAway(serverText, SeatRetryNanoseconds / 1'000'000'000));
    if (seatRetryAt < 0)
        seatRetryAt = elapsed + SeatRetryNanoseconds;
    // Each attempt makes a token of its own: a token runs out a minute after it was made.
    if (elapsed >= seatRetryAt)
    {
        seatRetryAt = -1;
        return ConnectToServer();
    }
    return true;
}

void ClientNetwork::ApplySimulatorSettings(float packetLoss, float duplication, float latency, float jitter)
{
    if (Net::NetworkSimulator* simulator = client->GetNetworkSimulator())
    {
        simulator->SetPacketLoss(packetLoss);
        simulator->SetDuplicates(duplication);
        simulator->SetLatency(latency);
        simulator->SetJitter(jitter);
        simulator->SetSeed(clientId);
    }
}

void ClientNetwork::Update(int64_t delta)
{
    if (state == NetworkState::Stopped)
        return;
    timer += static_cast<float>(static_cast<double>(delta) / 1e9);
    steppedUntil = elapsed;
    elapsed += delta;
    // Away that long, this client sent nothing the server heard: the server let its connection go, and what
    // came from it meanwhile tells of a match that goes on without this client.
    if (delta >= int64_t{ConnectionTimeoutSeconds} * 1'000'000'000)
    {
        stall = delta;
        stallEnded = elapsed;
        if (clientIndex >= 0 && client->IsConnected())
        {
            ClientLines::Ended facts = Ending();
            facts.timedOut = true;
            Log::Write(ClientLines::Disconnected(facts));
            Stop();
            return;
        }
    }
    // The library keeps its clock while disconnected too. It reads the socket as it advances, and the
    // payloads are taken after that, not an update later.
    client->AdvanceTime(Now());
    client->ReceivePackets();
    // One packet a tick whatever the frame rate. While the match plays each tick sends its inputs as it
    // runs, and an update sends only when the ticks have stalled: none ran over two ticks of the time
    // stepped up to it, where the game system leaves less than a tick of it unstepped. This frame's time
    // is not counted: its ticks run after the update. Otherwise an update sends at most one a tick.
    if (state == NetworkState::Playing ? steppedUntil - lastSent >= 2 * TickNanoseconds
                                       : elapsed - lastSent >= TickNanoseconds)
        SendPackets();
    if (state == NetworkState::Playing)
    {
        playTime += delta;
        inputLead.NoteUpdate(delta);
    }
    // The server's intermission, whose length came with the end of the match, is over: it gathers
    // players again, and the menus say so until its vote begins.
    if (state == NetworkState::Ending && timer > duration)
    {
        timer = 0.0f;
        duration = 0.0f;
        Enter(NetworkState::Waiting);
    }

    if (state == NetworkState::Waiting && clientIndex < 0 && client->IsConnected())
    {
        clientIndex = client->GetClientIndex();
        connectedAt = elapsed;
        Log::Write(ClientLines::Connecting(clientIndex));
        auto* message = static_cast<AddPlayerMessage*>(client->CreateMessage(static_cast<int>(AddPlayerMessage::Type)));
        if (message)
        {
            message->count = 0;
            for (const PlayerSlot& slot : context.configuration.players)
            {
                if (message->count == AddPlayerMessage::MaxPlayers)
                    break;
                AddPlayerMessage::Player& entry = message->players[message->count++];
                entry.localSlot = slot.localIndex;
                if (slot.profile && slot.profile->activeLoadout < Profile::LoadoutCount)
                {
                    const ProfileLoadout& active = slot.profile->loadouts[slot.profile->activeLoadout];
                    entry.parts = {active.head, active.core, active.arms, active.legs};
                }
            }
            const int channel = static_cast<int>(GameChannel::Reliable);
            if (message->count > 0 && client->CanSendMessage(channel))
                client->SendMessage(channel, message);
            else
                client->ReleaseMessage(message);
        }
    }
    // A client whose configurations differ has said why it leaves; the server sends it away once it heard.
    if (ConfigurationsDiffer() && (client->IsDisconnected() || elapsed >= leaveForConfigurationsAt))
    {
        Stop();
        return;
    }
    // A connection that broke, and one that never came about (no server, refused, timed out), both end
    // the role: waiting on would wait for ever. A full server's seats free as its players leave.
    if (client->IsDisconnected() && !WaitForSeat())
    {
        if (clientIndex >= 0)
        {
            const ClientLines::Ended ended = Ending();
            Log::Write(ClientLines::Disconnected(ended));
            stopReason = ClientLines::DisconnectedOnScreen(ended);
        }
        else
        {
            const Net::NetcodeClientState failed = client->GetNetcodeState();
            const ClientLines::Unconnected facts{clientSettings.matcherIp,
                                                 clientSettings.matcherPort,
                                                 Net::NetcodeClientStateName(failed),
                                                 failed == Net::NETCODE_CLIENT_STATE_CONNECTION_REQUEST_TIMED_OUT,
                                                 client->GetSendError(),
                                                 client->GetStrayAnswerAddress(),
                                                 client->GetNetcodeCounters().strayAnswers,
                                                 seatWaitLogged};
            Log::Write(ClientLines::NotConnected(facts));
            stopReason = ClientLines::NotConnectedOnScreen(facts);
        }
        Stop();
        return;
    }
    if (!client->IsConnected())
        return;
    NoteWaitForPlayers();
    Net::NetworkInfo info;
    client->GetNetworkInfo(info);
    packetsSent = info.numPacketsSent;
    packetsReceived = info.numPacketsReceived;
    // Before the states are timed: one that came after a stall would find the client behind the server.
    if (state == NetworkState::Playing)
        KeepInStep();
    if (holdingMessages)
        return;
    // Of the states that came unreliably since the last update only the newest is applied: after a
    // stall a second's backlog of them arrives at once, each older than the next, and each would find
    // the client out of step again and move it once more.
    const int unreliable = static_cast<int>(GameChannel::Unreliable);
    Net::Message* newestState = nullptr;
    for (int channel = 0; channel < 2; ++channel)
        while (Net::Message* message = client->ReceiveMessage(channel))
        {
            // Every state's shots are heard, also those of a state older than one applied already.
            if (message->GetType() == static_cast<int>(GameMessageType::GameState))
            {
                const auto& received = static_cast<const GameStateMessage&>(*message);
                heardShots.Hear(context, received.state, received.frame);
            }
            if (channel == unreliable && message->GetType() == static_cast<int>(GameMessageType::GameState))
            {
                const auto frameOf = [](const Net::Message* state)
                { return static_cast<const GameStateMessage*>(state)->frame; };
                if (newestState && frameOf(newestState) > frameOf(message))
                    std::swap(newestState, message);
                if (newestState)
                    client->ReleaseMessage(newestState);
                newestState = message;
                continue;
            }
            ApplyMessage(*message);
            client->ReleaseMessage(message);
        }
    if (newestState)
    {
        ApplyMessage(*newestState);
        client->ReleaseMessage(newestState);
    }
}

ClientLines::Ended ClientNetwork::Ending() const
{
    // A stall counts when it ended within two time-outs: the server let the connection go meanwhile.
    const bool stalled = stall > 0 && elapsed - stallEnded <= 2 * int64_t{ConnectionTimeoutSeconds} * 1'000'000'000;
    return {serverText,
            client->GetNetcodeState() == Net::NETCODE_CLIENT_STATE_CONNECTION_TIMED_OUT,
            client->HoldsItsAddress(),
            client->GetAddress(),
            stalled ? static_cast<double>(stall) / 1e9 : 0.0,
            client->GetLastSendError()};
}

void ClientNetwork::NoteWaitForPlayers()
{
    if (state != NetworkState::Waiting || clientIndex < 0)
    {
        waitingSince = -1;
        playerWaitLogged = false;
        return;
    }
    // A request the server holds for its next wait is added then: the wait for players begins anew.
    const bool added = HasPlayersAdded();
    if (waitingSince < 0 || added != waitAdded)
    {
        waitingSince = elapsed;
        waitAdded = added;
        playerWaitLogged = false;
    }
    if (elapsed - waitingSince < PlayerWaitLineNanoseconds || std::exchange(playerWaitLogged, true))
        return;
    const GameConfiguration& configuration = context.configuration;
    const auto here = std::count_if(configuration.players.begin(), configuration.players.end(),
                                    [](const PlayerSlot& slot) { return slot.id != Slot::NoId; }) +
                      std::count_if(configuration.remotePlayers.begin(), configuration.remotePlayers.end(),
                                    [](const RemotePlayerSlot& slot) { return !slot.removed; });
    Log::Write(ClientLines::WaitsForPlayers(serverText, added, static_cast<size_t>(here)));
}

bool ClientNetwork::HasPlayersAdded() const
{
    const auto& own = context.configuration.players;
    return std::any_of(own.begin(), own.end(), [](const PlayerSlot& slot) { return slot.id != Slot::NoId; });
}

bool ClientNetwork::WaitsForNextMatch() const
{
    // The server answers a request it takes within a round trip, and holds one made outside its wait.
    return state == NetworkState::Waiting && clientIndex >= 0 && client->IsConnected() && !HasPlayersAdded() &&
           elapsed - connectedAt >= HeldAfterNanoseconds;
}

uint32_t ClientNetwork::FindConfiguration(std::string_view name) const
{
    if (!context.registry || name.empty())
        return NoVotingOption;
    const uint32_t index = context.registry->configurations.FindIndex(name);
    return context.registry->configurations.Get(index) ? index : NoVotingOption;
}

void ClientNetwork::LeaveForConfigurations(std::string_view name, int option)
{
    if (ConfigurationsDiffer())
        return;
    leaveForConfigurationsAt = elapsed + 1'000'000'000;
    Log::Write(ClientLines::ConfigurationMissing(serverText, option >= 0, name));
    const int channel = static_cast<int>(GameChannel::Reliable);
    auto* missing = option >= 0 ? static_cast<MissingConfigurationMessage*>(
                                      client->CreateMessage(static_cast<int>(MissingConfigurationMessage::Type)))
                                : nullptr;
    if (!missing)
        return;
    missing->option = static_cast<uint32_t>(option);
    if (client->CanSendMessage(channel))
        client->SendMessage(channel, missing);
    else
        client->ReleaseMessage(missing);
}

void ClientNetwork::ApplyMessage(const Net::Message& message)
{
    // Leaving for its configurations, the client follows the server no further.
    if (ConfigurationsDiffer())
        return;
    switch (static_cast<GameMessageType>(message.GetType()))
    {
    case GameMessageType::PlayerAdded:
        return ApplyPlayerAdded(static_cast<const PlayerAddedMessage&>(message));
    case GameMessageType::PlayerRemoved:
        return ApplyPlayerRemoved(static_cast<const PlayerRemovedMessage&>(message));
    case GameMessageType::VotingOptions:
        return ApplyVotingOptions(static_cast<const VotingOptionsMessage&>(message));
    case GameMessageType::SetConfiguration:
        return ApplySetConfiguration(static_cast<const SetConfigurationMessage&>(message));
    case GameMessageType::SetLoadouts:
        return ApplySetLoadouts(static_cast<const SetLoadoutsMessage&>(message));
    case GameMessageType::StartGame:
        return ApplyStartGame();
    case GameMessageType::EndGame:
        return ApplyEndGame(static_cast<const EndGameMessage&>(message));
    case GameMessageType::GameState:
        return ApplyGameState(static_cast<const GameStateMessage&>(message));
    case GameMessageType::PlayerSpawned:
        return ApplyPlayerSpawned(static_cast<const PlayerSpawnedMessage&>(message));
    case GameMessageType::PlayerKilled:
        return ApplyKill(static_cast<const PlayerKilledMessage&>(message));
    case GameMessageType::PickupRemoved:
        return RemovePickup(static_cast<const PickupRemovedMessage&>(message));
    case GameMessageType::ProjectileRemoved:
        return RemoveProjectile(static_cast<const ProjectileRemovedMessage&>(message).entity);
    case GameMessageType::TriggerRemoved:
        return RemoveTrigger(static_cast<const TriggerRemovedMessage&>(message).entity);
    case GameMessageType::TriggerCreated:
        return CreateTrigger(static_cast<const TriggerCreatedMessage&>(message));
    case GameMessageType::Score:
        return ApplyScore(static_cast<const ScoreMessage&>(message));
    case GameMessageType::GameTypeEvent:
        return ApplyGameTypeEvent(static_cast<const GameTypeEventMessage&>(message));
    default:
        // What only a server reads changes nothing here.
        return;
    }
}

void ClientNetwork::ApplyGameState(const GameStateMessage& received)
{
    // Older or repeated states are dropped.
    if (received.frame < nextStateFrame)
        return;
    nextStateFrame = received.frame + 1;
    // The frames the skip goes over are stepped first by the replay below, which makes their feedback.
    const uint32_t firstUnstepped = state == NetworkState::Playing ? frame : UINT32_MAX;
    if (state == NetworkState::Playing)
        inputs.Skip(inputConnection, context.configuration.players, frame,
                    inputLead.TimeState(frame, received.frame, elapsed, steppedUntil, MeasuredLink()));
    World* world = context.world;
    if (!world)
        return;
    world->NoteDrawnPlayers();
    ::ApplyGameState(context, received.state);
    // The platforms the state put back are stepped again with the players that stand on them.
    const GameState& applied = received.state;
    const uint32_t platforms = std::min<uint32_t>(applied.platformCount, static_cast<uint32_t>(statePlatforms.size()));
    for (uint32_t i = 0; i < platforms; ++i)
        statePlatforms[i] = applied.platforms[i].platform;
    world->Resimulate(std::span<const uint16_t>(statePlatforms.data(), platforms), received.frame, frame,
                      firstUnstepped);
    world->EaseDrawnCorrections();
    if (context.GetGameType())
        context.GetGameType()->AfterGameState(received.frame, frame);
}

void ClientNetwork::ApplyKill(const PlayerKilledMessage& killed)
{
    if (killed.player >= World::PlayerCount || !context.world)
        return;
    Player& victim = context.world->players[killed.player];
    if (!victim.present)
        return;
    const float angle = StateAngle(killed.debrisAngle);
    if (context.GetGameType())
        context.GetGameType()->ReceiveKill(victim, angle, killed.debrisSpeed);
}

void ClientNetwork::RemovePickup(const PickupRemovedMessage& removed)
{
    World* world = context.world;
    Pickup* pickup = world ? world->pickups.Find(removed.pickup) : nullptr;
    // A pickup already on its way out is not removed twice.
    if (!pickup || !pickup->body->active)
        return;
    if (removed.hasContents)
        pickup->CreateFadeVisual();
    world->RemovePickup(*pickup);
}

void ClientNetwork::RemoveProjectile(uint16_t id)
{
    World* world = context.world;
    std::unique_ptr<Projectile>* slot = world ? world->projectiles.Find(id) : nullptr;
    if (!slot || !*slot || !(*slot)->GetBody().active)
        return;
    Projectile& projectile = **slot;
    projectile.Explode(false);
    projectile.RemoveTrail();
    world->RemoveProjectile(projectile);
}

void ClientNetwork::RemoveTrigger(uint16_t id)
{
    World* world = context.world;
    Trigger* trigger = world ? world->triggers.Find(id) : nullptr;
    if (!trigger || !trigger->body->active)
        return;
    const TransformBody& body = *trigger->body;
    constexpr float FadeDepth = 75.0f;
    if (Visual* visual =
            CreateVisualEntity(*world, {body.x, body.y}, {body.width, body.height}, {body.pivotX, body.pivotY},
                               body.rotation, FadeDepth, body.flipX != 0, body.flipY != 0,
                               trigger->data ? trigger->data->image : InvalidId, InvalidId, InvalidId, 0, 1, 0))
        if (visual->image)
        {
            visual->image->depth = FadeDepth;
            visual->image->layer = VisualLayer::Remains;
        }
    world->RemoveTrigger(*trigger);
}

void ClientNetwork::CreateTrigger(const TriggerCreatedMessage& created)
{
    if (context.world)
        CreateTriggerFromMessage(*context.world, ToReceived(created));
}

void ClientNetwork::SetDevices(ControllerDevice* controllerDevice, KeyboardDevice* keyboardDevice,
                               MouseDevice* mouseDevice, WindowSize windowSize, bool keyboardStandsIn)
{
    inputs.Devices() = LocalDevices(controllerDevice, keyboardDevice, mouseDevice, windowSize, keyboardStandsIn);
}

InputLead::Link ClientNetwork::MeasuredLink() const
{
    Net::NetworkInfo info;
    client->GetNetworkInfo(info);
    return {info.rtt, info.packetLoss};
}

void ClientNetwork::InputConnection::SendInput(uint32_t frame, uint8_t player, const PlayerInput& input)
{
    const int channel = static_cast<int>(GameChannel::Unreliable);
    if (!client.CanSendMessage(channel))
        return;
    auto* message = static_cast<InputMessage*>(client.CreateMessage(static_cast<int>(InputMessage::Type)));
    if (!message)
        return;
    message->frame = frame;
    message->player = player;
    message->input = input;
    client.SendMessage(channel, message);
}

void ClientNetwork::KeepInStep()
{
    inputs.Skip(inputConnection, context.configuration.players, frame,
                inputLead.KeepInStep(frame, elapsed, steppedUntil));
}

void ClientNetwork::StepWorld(float dt)
{
    World* world = context.world;
    if (!world)
        return;
    world->StepPredicted(dt);
    world->EaseDrawnPlayers();
    // The markers of the heads-up displays: the players this machine's players see or hear, as in a
    // local match. The server's awareness steers its bots and reaches no client; the other players'
    // lists stay empty here.
    for (PlayerSlot& slot : context.configuration.players)
        if (!slot.removed && slot.player)
            world->UpdateAwareness(*slot.player, dt);
}

void ClientNetwork::SendPackets()
{
    if (state == NetworkState::Playing && client->IsConnected())
        ++playPackets;
    client->SendPackets();
    lastSent = elapsed;
}

void ClientNetwork::Step(float dt)
{
    switch (state)
    {
    case NetworkState::Prepared:
        ++frame;
        break;
    case NetworkState::Playing:
        // A tick sat out to come down to the client's place sends nothing and steps nothing.
        if (inputLead.SitOut())
            break;
        inputs.Gather(context.configuration.players, frame);
        inputs.Send(inputConnection, context.configuration.players, frame);
        // The inputs leave in the tick they were read, rather than wait a frame for the next update.
        SendPackets();
        ++playTicks;
        ++frame;
        StepWorld(dt);
        if (context.GetGameType())
            context.GetGameType()->UpdateCommon(dt);
        break;
    case NetworkState::Ended:
        if (timer > duration)
            Enter(NetworkState::Leaving);
        // The match goes on showing under the results; nothing is sent any more.
        inputs.Gather(context.configuration.players, frame);
        ++frame;
        StepWorld(dt);
        if (context.GetGameType())
            context.GetGameType()->UpdateCommon(dt);
        break;
    default:
        break;
    }
}

void ClientNetwork::BeginLoading()
{
    // The players were counted when the configuration arrived, where the server counted them in the
    // stream of reliable messages: one who left since then is still counted at both ends. The rules exist
    // now; the server measures by the same.
    if (context.GetGameType())
        limits.SetGameType(*context.GetGameType());
    Enter(NetworkState::Loading);
}

void ClientNetwork::BeginPreparing()
{
    Enter(NetworkState::Preparing);
}

void ClientNetwork::BeginStarting()
{
    Enter(NetworkState::Playing);
    KeepInStep();
}

void ClientNetwork::SaveJournal()
{
    Enter(NetworkState::Ended);
    if (journalWriter)
        savedJournal = journalWriter(journal);
}

void ClientNetwork::BeginEnding()
{
    BeginTimedState(NetworkState::Ending, intermission);
}

void ClientNetwork::Stop()
{
    // The game system may stop a role twice: once when it ends, again as it deletes it.
    if (!countsLogged)
    {
        // A client that never connected sent connection requests alone, which the connection's counts
        // leave out. What came back is counted whatever it was: answers from another address than the
        // one dialled arrive in vain, but they arrive.
        const Net::NetcodeCounters& counts = client->GetNetcodeCounters();
        if (clientIndex < 0)
            Log::Write(ClientLines::RequestCounts(counts.requestsSent, counts.packetsReceived + counts.TotalDropped(),
                                                  seatWaitLogged));
        else
            Log::Write(ClientLines::PacketCounts(packetsSent, packetsReceived));
        if (playTicks > 0)
            Log::Write(ClientLines::PlayCounts(playTicks, playTime / 1'000'000, playPackets));
    }
    countsLogged = true;
    Enter(NetworkState::Stopped);
    if (!client->IsDisconnected())
        client->Disconnect();
}
