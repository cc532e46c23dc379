#include "Source/Network/ServerNetwork.h"

#include "Source/Data/TriggerData.h"
#include "Source/GameTypes/GameType.h"
#include "Source/Network/Messages/EventMessages.h"
#include "Source/Network/Messages/GameStateMessage.h"
#include "Source/Network/WorldState.h"
#include "Source/World/GameContext.h"
#include "Source/World/World.h"

#include <algorithm>
#include <cmath>

// What the server tells its clients as the match goes: the players added, the world's states, and the
// events of the game rules and the world.

using namespace Lumvek;

void ServerNetwork::SendPlayerAdded(int to, const InputBuffer& buffer)
{
    SendTo<PlayerAddedMessage>(to, true,
                               [&](PlayerAddedMessage& message)
                               {
                                   message.client = static_cast<uint32_t>(buffer.client);
                                   message.player = buffer.player;
                                   message.localSlot = buffer.localSlot;
                               });
}

void ServerNetwork::SendGameStates(bool reliable)
{
    for (size_t i = 0; i < admission.GetSlotCount(); ++i)
        if (admission.HasPlayers(static_cast<int>(i)))
            SendTo<GameStateMessage>(static_cast<int>(i), reliable,
                                     [&](GameStateMessage& message)
                                     {
                                         message.frame = lockstep.GetFrame();
                                         GameState& seen = message.state;
                                         seen.ownCount = seen.playerCount = seen.pickupCount = 0;
                                         seen.platformCount = seen.projectileCount = seen.shotCount = 0;
                                         // The buffers are walked in place: nothing is gathered per state.
                                         for (const InputBuffer& buffer : lockstep.GetPlayers())
                                             CollectViewer(context, seen,
                                                           {buffer.player, static_cast<uint32_t>(buffer.client)},
                                                           static_cast<uint32_t>(i));
                                         CollectBots(context, seen, static_cast<uint32_t>(i));
                                         shots.Collect(seen, message.frame);
                                     });
    shots.StateSent(lockstep.GetFrame());
}

void ServerNetwork::SendShotFired(const Player& shooter, const WeaponData& weapon, const MuzzleInfo& muzzle)
{
    shots.Add(lockstep.GetFrame(), shooter, weapon, muzzle);
}

void ServerNetwork::StepCameras()
{
    World* world = context.world;
    if (!world)
        return;
    // The view of a client's player as the client's own screen would frame it.
    static const float zoom = std::sqrt(512.0f);
    constexpr float aspect = 0.75f;
    const auto dt = static_cast<float>(serverSettings.gameStateUpdateRate);
    for (Player* player : world->activePlayers)
    {
        Camera& camera = player->camera;
        if (player->IsDead() && !camera.snap)
            continue;
        camera.Step(dt, zoom, aspect, {player->body.x, player->body.y}, player->GetCameraFocus(), world->bounds);
    }
}

void ServerNetwork::SendScore(const std::vector<ScoreEntry>& teams, const std::vector<ScoreEntry>& scores,
                              bool reliable)
{
    Broadcast<ScoreMessage>(reliable,
                            [&](ScoreMessage& message)
                            {
                                const auto copy = [](const std::vector<ScoreEntry>& from, auto& to, uint32_t& count)
                                {
                                    count = static_cast<uint32_t>(std::min<size_t>(from.size(), to.size()));
                                    for (uint32_t i = 0; i < count; ++i)
                                        to[i] = {from[i].index, from[i].score};
                                };
                                copy(teams, message.teams, message.teamCount);
                                copy(scores, message.players, message.playerCount);
                            });
}

void ServerNetwork::SendPlayerSpawned(const Player& player)
{
    Broadcast<PlayerSpawnedMessage>(true,
                                    [&](PlayerSpawnedMessage& message)
                                    {
                                        message.player = player.index;
                                        message.position = {player.body.x, player.body.y};
                                        message.facesLeft = player.aimDirection.x < 0.0f;
                                    });
}

void ServerNetwork::SendPlayerKilled(const Player& victim, float angle, float speed)
{
    Broadcast<PlayerKilledMessage>(true,
                                   [&](PlayerKilledMessage& message)
                                   {
                                       message.player = victim.index;
                                       message.debrisAngle = angle * 57.29578f;
                                       message.debrisSpeed = speed;
                                   });
}

void ServerNetwork::SendPickupRemoved(uint16_t pickup, bool hadContents)
{
    Broadcast<PickupRemovedMessage>(true,
                                    [&](PickupRemovedMessage& message)
                                    {
                                        message.pickup = pickup;
                                        message.hasContents = hadContents;
                                    });
}

void ServerNetwork::SendProjectileRemoved(uint16_t projectile)
{
    Broadcast<ProjectileRemovedMessage>(true, [&](ProjectileRemovedMessage& message) { message.entity = projectile; });
}

void ServerNetwork::SendTriggerRemoved(uint16_t trigger)
{
    Broadcast<TriggerRemovedMessage>(true, [&](TriggerRemovedMessage& message) { message.entity = trigger; });
}

void ServerNetwork::SendTriggerCreated(const Trigger& trigger)
{
    // A trigger without a definition could not be made again on the other side.
    if (!trigger.data || !trigger.body)
        return;
    Broadcast<TriggerCreatedMessage>(true,
                                     [&](TriggerCreatedMessage& message)
                                     {
                                         const TransformBody& body = *trigger.body;
                                         message.trigger = trigger.id;
                                         message.definition = trigger.data->index;
                                         message.position = {body.x, body.y};
                                         message.size = {body.width, body.height};
                                         message.pivot = {body.pivotX, body.pivotY};
                                         message.rotation = body.rotation * 57.29578f;
                                         message.flipped = body.flipX != 0;
                                     });
}

void ServerNetwork::SendGameTypeEvent(GameTypeEventClass eventClass, const GameTypeEvent& event)
{
    Broadcast<GameTypeEventMessage>(true,
                                    [&](GameTypeEventMessage& message)
                                    {
                                        message.eventClass = static_cast<uint32_t>(eventClass);
                                        message.kind = event.kind;
                                        message.a = event.a;
                                        message.b = event.b;
                                        message.c = event.c;
                                        message.player = event.player;
                                        message.team = event.team;
                                    });
}
