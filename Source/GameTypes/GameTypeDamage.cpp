// What hits and kills do to a player: health, push, flinch, rumble and shake; penalties, the kill
// feed, the debris of the rig, the death sound and the respawn.

#include "Source/GameTypes/GameType.h"

#include "Engine/Runtime/Input/Input.h"
#include "Source/Data/NamedAssets.h"
#include "Source/World/GameContext.h"
#include "Source/World/HitInfo.h"
#include "Source/World/MatchEvents.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"

#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>

using Lumvek::Vector2;

void GameType::DamagePlayer(Player& player, const HitInfo& hit)
{
    if (player.IsDead())
        return;
    player.health -= hit.damage;
    if (!ended)
        OnPlayerDamaged(player, hit);
    KnockBack(player, hit);
    if (hit.damage > 0.0f)
        player.regenerationDelay = Player::RegenerationDelayTicks;
    if (player.health <= 0.0f)
        KillPlayer(player, hit);
    ShakeAndRumble(player, hit);
}

void GameType::FeelHit(Player& player, const HitInfo& hit)
{
    if (player.IsDead())
        return;
    KnockBack(player, hit);
    // The server pauses the regeneration of a hurt player: so does the client's step, whose health
    // would otherwise climb above the states' while a hazard or a hit wears it down.
    if (hit.damage > 0.0f)
        player.regenerationDelay = Player::RegenerationDelayTicks;
    ShakeAndRumble(player, hit);
}

void GameType::KnockBack(Player& player, const HitInfo& hit)
{
    PlayerBody& body = player.body;
    body.impulse += hit.impulse;
    body.flinchAngle = std::clamp(body.flinchAngle + hit.spin, -MaximumFlinch, MaximumFlinch);
}

void GameType::ShakeAndRumble(Player& player, const HitInfo& hit)
{
    if (!context.FeedbackOpen())
        return;
    if (context.controllers)
        for (const PlayerSlot& slot : context.configuration.players)
        {
            if (slot.id != player.index)
                continue;
            if (slot.player && slot.localIndex < ScreenCount)
                context.controllers->SetVibration(std::min(hit.secondRumble, MaximumRumble),
                                                  std::min(hit.firstRumble, MaximumRumble), slot.localIndex);
            break;
        }

    Camera& camera = player.camera;
    camera.shakeAmplitude += hit.shake;
    camera.shakeFrequency = std::max(camera.shakeFrequency, hit.shakeLevel);
    camera.shakeDuration = std::max(camera.shakeDuration, hit.shakeTime);
    camera.shakeTime = camera.shakeDuration;
}

void GameType::KillPlayer(Player& victim, const HitInfo& hit)
{
    // The kill that ends the match is told; once it has ended, kills under the scoreboard are not.
    const bool running = !ended;
    if (running)
        OnPlayerKilled(victim, hit);
    if (IsServer())
        context.events->SendPlayerKilled(victim, hit.angle, hit.push);

    const GameSettings& settings = context.configuration.settings;
    const Player* attacker = hit.shooter;
    if (attacker && attacker != &victim)
    {
        // Players without a team are nobody's team-mates.
        if (victim.team != Player::NoTeam && victim.team == attacker->team)
            victim.respawnPenalty += settings.betrayalPenalty;
        if (running)
            PostFeedEvent(sharedKinds.killed, attacker->index, victim.index, GameTypeEvent::NoArgument);
    }
    else
    {
        victim.respawnPenalty += settings.suicidePenalty;
        if (running)
            PostFeedEvent(sharedKinds.died, victim.index, GameTypeEvent::NoArgument, GameTypeEvent::NoArgument);
    }

    victim.interactionId = Player::NoInteraction;
    victim.health = 0.0f;
    victim.pickupId = Player::NoPickup;
    DropHeldThings(victim);
    LayDown(victim, random, hit.angle, hit.push);
}

void GameType::LayDown(Player& victim, Lumvek::RandomGenerator& debrisRandom, float angle, float push)
{
    victim.UpdateStates();
    // A dead player uses none of its parts, so that their loops end with it.
    victim.UpdateParts(0.0f);

    PlayerBody& body = victim.body;
    if (World* world = context.world)
        world->CreateDebris(debrisRandom, body.skeleton, body.skeleton.scale.x < 0.0f, body.velocity, angle, push);
    if (!context.headless)
        context.PlaySound(Sounds::PlayerDeath, {body.x, body.y}, body.velocity, 1.0f);
    // Nothing moves a dead player: on a client the server's states leave it where it fell.
    if (body.physicsBody)
    {
        body.physicsBody->GetWorld()->DestroyBody(body.physicsBody);
        body.physicsBody = nullptr;
    }

    body.active = 0;
    const GameSettings& settings = context.configuration.settings;
    const float respawnSpeed = std::max(0.0f, victim.GetEffective(&Attributes::respawnSpeed));
    const float delay =
        (static_cast<float>(settings.respawnTime) + static_cast<float>(victim.respawnPenalty)) * respawnSpeed;
    victim.respawnPenalty = 0;
    respawns.push_back({&victim, delay});
}

void GameType::ReceiveKill(Player& victim, float angle, float speed)
{
    victim.health = 0.0f;
    // A client does not count respawns down (the server's spawn message brings the player back), so an
    // earlier death's entry is replaced rather than kept.
    std::erase_if(respawns, [&victim](const Respawn& respawn) { return respawn.player == &victim; });
    LayDown(victim, context.world ? context.world->gameRandom : random, angle, speed);
}

void GameType::ReceiveScores(std::span<const ScoreEntry> teams, std::span<const ScoreEntry> players)
{
    // In the server's order, which settles ties the way its own screens show them.
    teamScores.assign(teams.begin(), teams.end());
    playerScores.assign(players.begin(), players.end());
}

void GameType::DropHeldThings(Player& victim)
{
    if (victim.carriedItem)
    {
        victim.HideSprite(PlayerBone::Item);
        victim.DropItem(victim.carriedItem);
    }
    // An item or weapon on its way into the hands falls too, rather than come back with the player.
    if (victim.handItem)
    {
        victim.HideSprite(PlayerBone::LeftPickup);
        victim.DropItem(victim.handItem);
    }
    if (victim.weapon)
    {
        victim.weapon->PutAway();
        victim.HideSprite(PlayerBone::Weapon);
        victim.DropWeapon(victim.weapon);
    }
    if (victim.stowedWeapon)
    {
        victim.stowedWeapon->OnUnstowed();
        victim.HideSprite(PlayerBone::Holster);
        victim.DropWeapon(victim.stowedWeapon);
    }
    if (victim.pendingWeapon)
    {
        victim.HideSprite(PlayerBone::RightPickup);
        victim.DropWeapon(victim.pendingWeapon);
    }
}
