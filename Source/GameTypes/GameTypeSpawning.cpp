// Where players start and respawn, the spawn-in that shows a player before it takes part, the weapons
// lying at the map's weapon spawns, and the game type's tick that runs them.

#include "Source/GameTypes/GameType.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Pattern.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/GameTypeData.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/Collision.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/GameContext.h"
#include "Source/World/MatchEvents.h"
#include "Source/World/Player.h"
#include "Source/World/Weapon.h"
#include "Source/World/World.h"

#include <box2d/box2d.h>

#include <algorithm>
#include <array>
#include <cmath>

using Lumvek::InvalidId;
using Lumvek::StringView;
using Lumvek::Vector2;

namespace
{

constexpr float Pi = 180.0f * 0.017453292f;
// The depth the spawn-in images are drawn at.
constexpr float SpawnVisualDepth = 75.0f;

// How the configuration's attribute settings act on a player's base attributes: these are factors,
// these are added, and the rest (accuracy, dexterity, camera zoom, reach) are not set per match.
constexpr std::array<float Attributes::*, 17> MultipliedAttributes{&Attributes::maximumHealth,
                                                                   &Attributes::hops,
                                                                   &Attributes::hangAmount,
                                                                   &Attributes::hangTime,
                                                                   &Attributes::agility,
                                                                   &Attributes::maneuverability,
                                                                   &Attributes::weight,
                                                                   &Attributes::aerodynamics,
                                                                   &Attributes::maximumForwardSpeed,
                                                                   &Attributes::maximumBackwardSpeed,
                                                                   &Attributes::maximumFallingSpeed,
                                                                   &Attributes::headshotModifier,
                                                                   &Attributes::bodyshotModifier,
                                                                   &Attributes::limbshotModifier,
                                                                   &Attributes::respawnSpeed,
                                                                   &Attributes::energyDischarge,
                                                                   &Attributes::energyRecharge};
constexpr std::array<float Attributes::*, 3> AddedAttributes{&Attributes::healthRegeneration, &Attributes::noisiness,
                                                             &Attributes::awareness};

void ApplyAttributeSettings(Attributes& base, const Attributes& settings)
{
    for (float Attributes::*attribute : MultipliedAttributes)
        base.*attribute *= settings.*attribute;
    for (float Attributes::*attribute : AddedAttributes)
        base.*attribute += settings.*attribute;
}

// Puts the weapon down at the point for good: it lies there until it is taken.
void LayWeaponDown(World& world, const SpawnPoint& point, std::unique_ptr<Weapon>& weapon)
{
    CreateWeaponPickupEntity(world, point, 0.0f, Vector2(), false, weapon, -1, 0);
}

} // namespace

void GameType::Start()
{
    World* world = context.world;
    if (!world)
        return;
    playerSpawnQueries.clear();
    const uint32_t teams = GetTeamCount();
    const StringView mode = data ? StringView(data->name) : StringView();
    for (uint32_t team = 0; team < teams; ++team)
    {
        SpawnMask mask;
        if (teams == 1)
            mask.Parse(Lumvek::FormatText("Player|{}|FreeForAll", mode));
        else
            mask.Parse(Lumvek::FormatText("Player|{}|Team{}", mode, team));
        playerSpawnQueries.push_back(world->QuerySpawnPoints(mask));
    }
    for (Player* player : world->activePlayers)
    {
        ApplyAttributeSettings(player->baseAttributes, context.configuration.attributes);
        RespawnPlayer(*player);
    }
    RestartAmbience();
}

void GameType::RestartAmbience()
{
    ambience = Lumvek::SoundInstance();
    if (context.headless || !context.registry)
        return;
    if (Lumvek::AudioDevice* audio = context.registry->GetAudio())
        ambience = audio->Play(Sounds::Ambience);
}

void GameType::SetupObjectives()
{
    World* world = context.world;
    if (!world)
        return;
    for (Player* player : world->activePlayers)
        SpawnPlayer(*player);
    for (uint32_t slot = 0; slot < WeaponSpawnCount; ++slot)
    {
        const uint32_t weaponIndex = context.configuration.weapons[slot].weapon;
        if (weaponIndex == Loadout::None)
            continue;
        SpawnMask mask;
        mask.Parse(Lumvek::FormatText("Weapon{}", slot));
        weaponSpawnQueries[slot] = world->QuerySpawnPoints(mask);
        const WeaponData* definition = context.registry ? context.registry->weapons.Get(weaponIndex) : nullptr;
        if (!definition)
        {
            Lumvek::Log::Write("weapon spawn {} names weapon {}, which is not among the weapons", slot, weaponIndex);
            continue;
        }
        for (uint32_t number = 0; number < weaponSpawnQueries[slot].Count(); ++number)
        {
            std::unique_ptr<Weapon> weapon = CreateSpawnWeapon(*definition, slot, number);
            LayWeaponDown(*world, weaponSpawnQueries[slot].GetNth(number), weapon);
        }
    }
}

void GameType::ResetPlayers()
{
    if (World* world = context.world)
        for (Player* player : world->activePlayers)
            SpawnPlayer(*player);
}

void GameType::SpawnPlayer(Player& player)
{
    player.weaponState = WeaponState::Aiming;
    player.UpdateStates();
    // A player told to spawn again while it spawns in starts over, without the images of the first.
    const auto running = std::find_if(spawnIns.begin(), spawnIns.end(),
                                      [&player](const SpawnIn& spawnIn) { return spawnIn.player == &player; });
    if (running != spawnIns.end())
    {
        RemoveSpawnVisuals(running->visuals);
        spawnIns.erase(running);
    }
    spawnIns.push_back({&player, SpawnInSeconds, {}});
    if (!context.headless && context.world)
        CreateSpawnVisuals(player.body.skeleton, player.body.skeleton.scale.x < 0.0f, spawnIns.back());
}

void GameType::CreateSpawnVisuals(Bone& node, bool facingLeft, SpawnIn& spawnIn)
{
    if (node.region != InvalidId)
    {
        float angle = WrapAngle(node.GetWorldRotation());
        if (facingLeft)
            angle = WrapAngle(Pi - angle);
        const Vector2 position = node.GetWorldTransform().TransformPoint(node.offset);
        const Vector2 size(std::fabs(node.scale.x), std::fabs(node.scale.y));
        Visual* visual = CreateVisualEntity(*context.world, position, size, node.offset, angle, SpawnVisualDepth, false,
                                            facingLeft, node.region, InvalidId, InvalidId, -1, 0, 0);
        if (visual)
        {
            // The renderer orders images by their first index. The figure sketches itself in over the
            // spawn-in; the frame update runs the clock.
            if (ImageInstance* image = visual->image.get())
            {
                image->firstIndex = facingLeft ? 50u - node.leftOrder : node.rightOrder;
                image->drawIn = 1;
                image->duration = SpawnInSeconds;
                image->elapsed = 0.0f;
            }
            spawnIn.visuals.push_back(visual->id);
        }
    }
    for (Bone& child : node.children)
        CreateSpawnVisuals(child, facingLeft, spawnIn);
}

void GameType::FinishSpawn(Player& player, std::span<const EntityId> visuals)
{
    World* world = context.world;
    if (!world)
        return;
    RemoveSpawnVisuals(visuals);
    player.health = player.GetEffective(&Attributes::maximumHealth);
    PlayerBody& body = player.body;
    body.active = 1;

    // Dynamic bodies bounce off the living player: a box over its hit box, which its own step moves.
    const float halfWidth = body.boxWidth * 0.5f;
    const float halfHeight = body.boxHeight * 0.5f;
    if (body.physicsBody || !world->GetPhysics() ||
        !Collision::IsValidBox(body.x, body.y + halfHeight, halfWidth, halfHeight))
        return;
    b2BodyDef definition;
    definition.type = b2_kinematicBody;
    definition.position.Set(body.x, body.y + halfHeight);
    definition.angle = 0.0f;
    definition.allowSleep = true;
    definition.awake = true;
    definition.fixedRotation = false;
    definition.gravityScale = 1.0f;
    body.physicsBody = world->GetPhysics()->CreateBody(&definition);
    b2PolygonShape box;
    box.SetAsBox(halfWidth, halfHeight);
    b2FixtureDef fixture;
    fixture.shape = &box;
    fixture.friction = 0.2f;
    fixture.restitution = 0.0f;
    fixture.density = 0.0f;
    fixture.isSensor = false;
    fixture.filter.categoryBits = Collision::Interaction;
    fixture.filter.maskBits = Collision::DynamicBody;
    fixture.filter.groupIndex = 0;
    fixture.userData.pointer = reinterpret_cast<uintptr_t>(static_cast<Body*>(&body));
    body.physicsBody->CreateFixture(&fixture);
}

void GameType::RemoveSpawnVisuals(std::span<const EntityId> visuals)
{
    if (World* world = context.world)
        for (EntityId id : visuals)
            if (Visual* visual = world->visuals.Find(id); visual && visual->body->active)
                world->RemoveVisual(*visual);
}

void GameType::RespawnPlayer(Player& player)
{
    // Each team spawns from its own query; a free-for-all, a player without a team and a team the
    // queries do not reach spawn from the first. Without any query the player starts at the origin.
    SpawnQuery* query = nullptr;
    if (!playerSpawnQueries.empty())
    {
        const bool ownQuery = GetTeamCount() != 1 && player.team < playerSpawnQueries.size();
        query = &playerSpawnQueries[ownQuery ? player.team : 0];
    }
    const SpawnPoint& point = query ? ChooseSpawn(player, *query) : SpawnQuery::Empty();
    player.Spawn(point);
    // A bot's errand ends with its life: one kept would send it back to whatever killed it.
    if (World* world = context.world)
        world->navigator.ForgetErrand(player);
    if (IsServer())
        context.events->SendPlayerSpawned(player);
}

void GameType::QueueWeaponSpawn(std::unique_ptr<Weapon> weapon)
{
    // A weapon that came from no spawn, or from one this configuration does not have, is dropped.
    if (!weapon || !weapon->data || weapon->spawnSlot >= WeaponSpawnCount)
        return;
    weapon->owner = nullptr;
    const float seconds = static_cast<float>(context.configuration.weapons[weapon->spawnSlot].spawnTime);
    weaponRespawns.push_back({std::move(weapon), seconds});
}

void GameType::Update(float dt)
{
    StepSpawnIns(dt);
    StepRespawns(dt);
    StepWeaponRespawns(dt);
    UpdateEvents();
}

void GameType::UpdateCommon(float dt)
{
    StepSpawnIns(dt);
    UpdateEvents();
}

void GameType::StepSpawnIns(float dt)
{
    for (size_t i = 0; i < spawnIns.size();)
    {
        spawnIns[i].seconds -= dt;
        if (spawnIns[i].seconds >= 0.0f)
        {
            ++i;
            continue;
        }
        const SpawnIn finished = std::move(spawnIns[i]);
        spawnIns.erase(spawnIns.begin() + static_cast<std::ptrdiff_t>(i));
        // A player who left while spawning in has nothing to finish but its images.
        if (finished.player->present)
            FinishSpawn(*finished.player, finished.visuals);
        else
            RemoveSpawnVisuals(finished.visuals);
    }
}

void GameType::StepRespawns(float dt)
{
    for (size_t i = 0; i < respawns.size();)
    {
        respawns[i].seconds -= dt;
        if (respawns[i].seconds >= 0.0f)
        {
            ++i;
            continue;
        }
        Player& player = *respawns[i].player;
        respawns.erase(respawns.begin() + static_cast<std::ptrdiff_t>(i));
        if (!player.present)
            continue;
        RespawnPlayer(player);
        SpawnPlayer(player);
    }
}

void GameType::StepWeaponRespawns(float dt)
{
    World* world = context.world;
    for (size_t i = 0; i < weaponRespawns.size();)
    {
        weaponRespawns[i].seconds -= dt;
        if (weaponRespawns[i].seconds >= 0.0f)
        {
            ++i;
            continue;
        }
        std::unique_ptr<Weapon> weapon = std::move(weaponRespawns[i].weapon);
        weaponRespawns.erase(weaponRespawns.begin() + static_cast<std::ptrdiff_t>(i));
        if (!world)
            continue;
        weapon->clip = weapon->data->clipSize;
        weapon->reserve = weapon->data->defaultAmmo;
        LayWeaponDown(*world, weaponSpawnQueries[weapon->spawnSlot].GetNth(weapon->spawnNumber), weapon);
    }
}
