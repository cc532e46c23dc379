#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/Network/Messages/GameState.h"

#include <cstdint>
#include <span>

class GameContext;
class Player;

// The two halves of the world's synchronisation around a game state. The server collects what one
// client's players can see; the client puts a received state into its own world, creating, moving,
// equipping and hiding what the state names and leaving alone what it does not. Both run on the
// application thread inside the network role's update, and neither allocates for the state itself.

// A player the server steps, and the client that owns it: one per per-player input buffer, in the
// server's order, and one per bot, which no client owns.
struct StateViewer
{
    static constexpr uint32_t ServerPlayer = UINT32_MAX;

    uint8_t player = 0;
    uint32_t client = 0;
};

// Fills the state for the client: its own players whole, with the pickups, moving platforms and
// projectiles in their views (a thing in two views is listed twice), and the other clients' players
// that are alive and inside the view of the player itself. Players without a record, or whose slot
// is removed, are left out. The server's sender adds the bots with CollectBots.
void CollectGameState(GameContext& context, GameState& state, std::span<const StateViewer> viewers, uint32_t client);
// One viewer's share of CollectGameState, for a server that walks its buffers itself after zeroing
// the state's counts.
void CollectViewer(GameContext& context, GameState& state, const StateViewer& viewer, uint32_t client);
// The bots' share, after the buffers': every bot the server steps that is alive and in its own view,
// as another player, so that a client sees it move.
void CollectBots(GameContext& context, GameState& state, uint32_t client);

void CollectFullPlayerState(FullPlayerState& record, const Player& player);
void CollectPlayerState(PlayerState& record, const Player& player);

// Applies a received state to the context's world. Records naming a player without a record, a
// platform the world does not have, or an object that cannot be made are skipped, and so are those
// that disagree with the client on whether their player lives (a record of a dead own player for a
// living one, or the reverse; another player's for one the client has dead): the kill and spawn
// messages decide that, and such a record is older than one of them. Applying a state twice leaves
// the world as applying it once.
void ApplyGameState(GameContext& context, const GameState& state);
void ApplyFullPlayerState(const FullPlayerState& record, Player& player);
void ApplyPlayerState(const PlayerState& record, Player& player);

// A received angle in degrees as the world keeps it: radians in [0, 2π).
float StateAngle(float degrees);

// The five places of a player a state equips. An index equal to the definition list's size empties
// the place; one above it leaves an empty place empty. An object of another definition is replaced;
// one of the same definition stays.
void SyncSecondaryWeapon(Player& player, uint32_t index);
// The clip and reserve are set whenever the place ends up holding a weapon.
void SyncCurrentWeapon(Player& player, uint32_t index, uint32_t clip, uint32_t reserve, bool secondaryUnchanged);
// Position and rotation (radians) are those of the rig node that holds the object being picked up.
void SyncPickedUpWeapon(Player& player, uint32_t index, Lumvek::Vector2 position, float rotation, bool mirrored);
void SyncCarriedItem(Player& player, uint32_t index);
void SyncPickedUpItem(Player& player, uint32_t index, Lumvek::Vector2 position, float rotation, bool mirrored);
