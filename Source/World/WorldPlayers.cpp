// The world's tick as far as it concerns the players: making them when play begins, posing, moving and
// updating them every tick, and replaying a client's own players after a state from the server.

#include "Source/World/World.h"

#include "Source/World/Character.h"
#include "Source/World/HitInfo.h"
#include "Source/World/MatchRules.h"
#include "Source/World/PlayerRenderable.h"

#include <algorithm>

namespace
{

// Calls the function with the player of every active slot that has one, in the order given.
template <class Slots, class Function> void ForEachSlotPlayer(Slots& slots, Function function)
{
    for (auto& slot : slots)
        if (!slot.removed && slot.player)
            function(*slot.player);
}

} // namespace

void World::ClearPlayers()
{
    for (Player& player : players)
    {
        player.present = false;
        player.body.active = 0;
        player.firstNode = nullptr;
    }
    activePlayers.clear();
}

void World::DropActivePlayer(Player& player)
{
    const auto found = std::find(activePlayers.begin(), activePlayers.end(), &player);
    if (found != activePlayers.end())
        activePlayers.erase(found);
    player.present = false;
}

void World::BeginPlayers()
{
    GameConfiguration& configuration = context.configuration;
    const auto begin = [this](auto& slots)
    {
        for (auto& slot : slots)
            if (!slot.removed)
                slot.player = CreatePlayerEntity(*this, {slot.id, slot.spawnPosition, slot.spawnFlag});
    };
    begin(configuration.players);
    begin(configuration.remotePlayers);
    begin(configuration.bots);
}

void World::StepPlayerMovement(float dt, bool killOutOfBounds)
{
    for (Player* player : activePlayers)
    {
        PlayerBody& body = player->body;
        if (!body.active)
            continue;
        body.Move(dt);
        // Leaving the bounds below, or far above, kills the player.
        if (!killOutOfBounds || !context.GetMatchRules())
            continue;
        const float floor = bounds.y + 1.0f;
        if (body.y < floor || body.y + body.boxHeight > floor + bounds.height + 1.0f)
        {
            HitInfo hit;
            hit.zone = HitInfo::BodyZone;
            context.GetMatchRules()->KillPlayer(*player, hit);
        }
    }
}

void World::StepPlayers(float dt, bool predicted)
{
    for (Player* player : activePlayers)
    {
        if (!player->body.active)
            continue;
        if (predicted)
        {
            player->UpdatePredicted(dt);
            // The abilities move players (the jetpack's thrust): a client steps them as the server does.
            player->UpdateParts(dt);
        }
        else
            player->Update(dt);
    }
}

void World::StepAnimations(float dt)
{
    // Posed before anything of the tick reads the pose, from where the last tick left the players: their
    // timers stand at whole ticks, so nothing is interpolated toward the next.
    for (Player* player : activePlayers)
        Character::UpdateAnimations(*player, dt, 0.0f);
}

void World::ResimulatePlayers(uint32_t frame)
{
    // Local players replay their own input of the frame; remote players and bots keep the input they
    // hold. Each frame is the predicted tick's share of one player: its move, the wind on it, its aim,
    // weapon and abilities, and the zones it enters or leaves.
    const auto replay = [this, frame](Player& player, bool fromHistory)
    {
        if (!player.body.active)
            return;
        if (fromHistory)
            player.input.LoadHistory(frame);
        player.body.Move(Lumvek::TickSeconds);
        StepHazards(Lumvek::TickSeconds, false, &player);
        player.UpdateAim();
        player.UpdateWeaponPredicted();
        // A frame stepped here for the first time fires the own player's shots, as the predicted step.
        if (fromHistory && !context.replaying)
            player.TickWeapons(true);
        player.UpdateParts(Lumvek::TickSeconds);
        player.UpdateStates();
        for (Zone& zone : zones.View())
            zone.UpdateTouch(player);
        if (player.visual)
            player.visual->moved = true;
    };
    ForEachSlotPlayer(context.configuration.players, [&](Player& player) { replay(player, true); });
    ForEachSlotPlayer(context.configuration.remotePlayers, [&](Player& player) { replay(player, false); });
    ForEachSlotPlayer(context.configuration.bots, [&](Player& player) { replay(player, false); });
}

namespace
{

template <class Function> void ForEachPlayerBody(GameConfiguration& configuration, Function function)
{
    const auto body = [&](Player& player) { function(player.GetBody()); };
    ForEachSlotPlayer(configuration.players, body);
    ForEachSlotPlayer(configuration.remotePlayers, body);
    ForEachSlotPlayer(configuration.bots, body);
}

} // namespace

void World::NoteDrawnPlayers()
{
    ForEachPlayerBody(context.configuration, [](PlayerBody& body) { body.NoteDrawn(); });
}

void World::EaseDrawnCorrections()
{
    ForEachPlayerBody(context.configuration, [](PlayerBody& body) { body.EaseCorrection(); });
}

void World::EaseDrawnPlayers()
{
    ForEachPlayerBody(context.configuration, [](PlayerBody& body) { body.EaseDrawn(); });
}
