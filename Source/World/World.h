#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/Random.h"
#include "Engine/Foundation/ReadReport.h"
#include "Engine/Foundation/Tick.h"
#include "Source/World/BotNavigator.h"
#include "Source/World/Entities.h"
#include "Source/World/EntityGrid.h"
#include "Source/World/EntityStorage.h"
#include "Source/World/GameContext.h"
#include "Source/World/Item.h"
#include "Source/World/Platform.h"
#include "Source/World/Player.h"
#include "Source/World/Projectile.h"
#include "Source/World/SpawnPoint.h"

#include <box2d/box2d.h>

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class MapData;
class ThemeData;

// Tells the world's entities about Box2D contacts: lets one-way platforms hold up only what lands on
// them from above and lets slow bodies pass through players. Embedded in the World and installed in
// its Box2D world.
class ContactListener final : public b2ContactListener
{
public:
    void BeginContact(b2Contact* contact) override;
    void PreSolve(b2Contact* contact, const b2Manifold* oldManifold) override;
};

// The running match: the Box2D world, one fixed storage and one grid per entity kind, the spawn
// points, the world bounds and the removals a tick defers to its end. Made by the game system when a
// match starts, filled by the map loader (on the match-loading thread, before anything steps it), then
// stepped in ticks of 1/60 s on the application thread. Large: keep it on the heap.
class World
{
    // A platform's SetMoving and SetHotZone keep its place in the moving and hot-zone lists.
    friend struct Platform;

public:
    // A client's input history holds this many frames.
    static constexpr uint32_t InputHistoryFrames = 100;
    // Player indices run below this.
    static constexpr uint8_t PlayerCount = 16;

    // Both generators (the bots' and the game modes') are seeded from the seed, so a match can be
    // replayed.
    explicit World(GameContext& context, uint32_t seed = Lumvek::RandomGenerator::ClockSeed());
    World(const World&) = delete;
    World& operator=(const World&) = delete;
    ~World();

    GameContext& GetContext() { return context; }
    const GameContext& GetContext() const { return context; }
    b2World* GetPhysics() { return physics.get(); }
    // The Box2D world of the visuals' bodies (a dead player's debris), made with the first of them; null
    // while the match has no Box2D world. Visuals are made only where a window shows the match, and
    // bodies of theirs in the match's Box2D world would change the order in which Box2D meets and solves
    // the match's own contacts, so that a match played apart with and without a window (a server and its
    // clients). They meet the platforms there through copies that follow the match's.
    b2World* GetVisualPhysics();

    // Empties the world of every entity, spawn point and pending removal, and replaces the Box2D world
    // by a new one with the gravity.
    void Reset(Lumvek::Vector2 gravity);
    // Lays the grids over the bounds grown by 10 on every side: cells of 25, 10 for platforms and
    // projectiles; the player list over the same area and the origin. False, with the grids over the
    // default bounds instead, when the bounds are not positive and finite or a grid would need more
    // cells than a grid may have.
    bool LayOutGrids();
    // Whether LayOutGrids takes these bounds; the map's definition checks a map's bounds by it.
    static bool CanLayOut(const Lumvek::Rectangle& bounds);
    // Whether a body of these bounds lies inside the entity grids that world bounds lay out, as each
    // map entity must for its grid to take it.
    static bool GridsHold(const Lumvek::Rectangle& worldBounds, const Lumvek::Rectangle& body);
    // Takes new bounds in a running world: lays the grids out over them and files every entity the grids
    // held again, so that the whole of the new area takes entities. False, with the bounds and grids as
    // they were, when LayOutGrids refuses the bounds or an entity the grids held would not fit them.
    bool SetBounds(const Lumvek::Rectangle& newBounds);

    // Once, when play begins: the map's hazard and zone effects, then the players of the active slots
    // and the bots' states.
    void Begin();
    // The full tick of a local game or a server. Never from inside a tick (a hook of the rules or an
    // entity): the tick's removals would run twice and its entities move twice.
    void Step(float dt);
    // A client's tick: only what the client predicts; never from inside a tick either.
    void StepPredicted(float dt);
    // After a client applied a state: replays its own players over the frames first to last - 1 from
    // its input history, and the others from the input they hold, stepping each moving platform the state names once
    // per frame. Only the frames the history still holds (the last 99) are replayed.
    // The frames from firstUnstepped on were never stepped here (the client skipped forward over them):
    // their replay is their first step, which makes their feedback and fires the own players' shots as
    // the predicted step does; the frames before it replay silent and unseen.
    void Resimulate(std::span<const uint16_t> statePlatforms, uint32_t firstFrame, uint32_t lastFrame,
                    uint32_t firstUnstepped = UINT32_MAX);
    // Drawing only, on a client: every player's drawn body noted before a state is applied, eased into
    // the correction after its replay, and eased on by each predicted tick (PlayerBody::NoteDrawn).
    void NoteDrawnPlayers();
    void EaseDrawnCorrections();
    void EaseDrawnPlayers();

    // Take an entity out of physics and its grid now, and out of its storage at the end of the tick.
    void RemovePickup(Pickup& pickup);
    void RemoveProjectile(Projectile& projectile);
    void RemoveTrigger(Trigger& trigger);
    void RemoveVisual(Visual& visual);
    // Takes the player out of play now (out of physics and the player list, found and hit by nothing)
    // and out of the active players, with its drawing, at the end of the tick.
    void RemovePlayer(Player& player);

    // The spawn points carrying every tag of the mask.
    SpawnQuery QuerySpawnPoints(SpawnMask mask) const { return SpawnQuery(spawnPoints, mask); }

    // Takes the player out of the active players, keeping the order of the others, and frees its record.
    void DropActivePlayer(Player& player);

    // Puts an item down where a pickup was to be made for it. When no pickup can be made there (every
    // pickup in use, or the point outside the world), the game mode returns the item to its place;
    // when that fails too, the item waits unplaced, and is offered to the game mode again every tick
    // until a pickup can be made: a mode may point at its items, so none is destroyed here.
    void PlaceItem(std::unique_ptr<Item> item, const SpawnPoint& placement, float angle, Lumvek::Vector2 velocity,
                   bool rotates);
    // Hands the item to the game mode's ReturnItem, keeping it unplaced when the mode cannot place it.
    void ReturnItem(std::unique_ptr<Item> item);
    // Items no pickup could be made for yet; the oldest first.
    const std::vector<std::unique_ptr<Item>>& GetUnplacedItems() const { return unplacedItems; }

    // What the game modes do in the world, in their own files.
    // Ages the observer's awareness markers and notices the players it sees or hears and the pickups
    // and triggers highlighted for it.
    void UpdateAwareness(Player& observer, float dt);
    // Refreshes the marker of that kind and identifier, or appends one, standing just above position.
    static void Notice(std::vector<AwarenessMarker>& markers, uint32_t kind, uint64_t identifier,
                       Lumvek::Vector2 position);
    // Breaks the rig from the node down into pieces of debris flying from velocity along angle at
    // about speed. The draws are made headless too, where no debris is made.
    void CreateDebris(Lumvek::RandomGenerator& random, Bone& node, bool facingLeft, Lumvek::Vector2 velocity,
                      float angle, float speed);

    std::span<Hazard> GetHazards() { return hazards.View(); }
    std::span<Zone> GetZones() { return zones.View(); }
    // Kept by the platforms' own SetMoving and SetHotZone and by the books below.
    const std::vector<Platform*>& GetMovingPlatforms() const { return movingPlatforms; }
    const std::vector<Platform*>& GetHotZonePlatforms() const { return hotZonePlatforms; }

    // The world's books: the one way an editor changes a placed entity, each keeping the entity's grid,
    // its Box2D body, the moving and hot-zone lists, the debris world's copy and the bots' graph in
    // step. Application thread, never inside a tick. (A platform is made by CreatePlatformEntity,
    // which keeps the same books, and a map loader's platforms join the graph once the load is done.)
    // Makes a map platform, solid and still, at the place, in the graph at once; null, after the
    // factory's line, when it cannot be made there.
    Platform* AddPlatform(Lumvek::Vector2 position, Lumvek::Vector2 size);
    // Moves and resizes the platform to place; a moving platform's path moves with it, so that it
    // goes on from where it was put. False, with nothing changed, for a place of no positive finite
    // size or one the platform grid cannot hold.
    bool PlacePlatform(Platform& platform, const Lumvek::Rectangle& place);
    // Gives the platform a body that follows a one-key path from where it stands, or one that stands
    // still, at the same place.
    void SetPlatformMoving(Platform& platform, bool moving);
    // Takes the platform out of play for good: its record stays (ids are positions) but nothing finds,
    // steps, meets or saves it.
    void RemovePlatform(Platform& platform);
    // Takes a pickup out of play as the match's own removal of a lost one does: its weapon goes back
    // to its spawn and its item to the game mode first, so that no mode keeps pointing at it.
    void DeletePickup(Pickup& pickup);
    // Takes a map hazard, zone or interaction out of play for good, as RemovePlatform does.
    void RemoveHazard(Hazard& hazard);
    void RemoveZone(Zone& zone);
    void RemoveInteraction(Interaction& interaction);
    // Adds a spawn point at the end of the list, answering its index; removes the one at the index,
    // the later ones moving down.
    uint32_t AddSpawnPoint(const SpawnPoint& point);
    void RemoveSpawnPoint(uint32_t index);
    // Puts the point in place of the one at the index, which keeps its address; nothing for an index
    // past the list.
    void SetSpawnPoint(uint32_t index, const SpawnPoint& point);
    // The map loader's list, in place of every point the world had.
    void SetSpawnPoints(std::vector<SpawnPoint> points);
    // In the map's order.
    std::span<const SpawnPoint> GetSpawnPoints() const { return spawnPoints; }
    // Files the record again in its grid where its body now stands, after a caller placed the body from
    // outside a tick (an editor's move, a client's state); false where the grid cannot hold it.
    bool Refile(Hazard& hazard);
    bool Refile(Interaction& interaction);
    bool Refile(Zone& zone);
    bool Refile(Platform& platform);
    bool Refile(Pickup& pickup);
    bool Refile(Projectile& projectile);
    bool Refile(Trigger& trigger);
    bool Refile(Visual& visual);
    // An editor's move of a body Box2D simulates: filed again, with a new Box2D fixture at the new place
    // (a Box2D body stays where it was made) that keeps the velocity it had.
    void Relocate(Pickup& pickup);
    void Relocate(Projectile& projectile);
    void Relocate(Visual& visual);
    // Builds the bots' graph again over the platforms as they stand.
    void RebuildGraph();
    // Drops the debris world's copy of a Box2D body that is about to go: Box2D hands its memory
    // straight to the next body made, which the copy would otherwise take for the old one.
    void ForgetPlatformCopy(const b2Body* source);

    // Default, 0 0 1 1; read from the map.
    Lumvek::Rectangle bounds{0.0f, 0.0f, 1.0f, 1.0f};
    // The match's map and theme, kept by the map loader; null before.
    const MapData* map = nullptr;
    const ThemeData* theme = nullptr;
    // The map's "Backgrounds" as read, written back unchanged while no renderer holds them.
    Lumvek::Blueprint backgrounds;
    // The map file as the load read it: its tree, what the world wrote right after the load, and what
    // could not be taken. Filled by the map loader with the rest of the map, renewed by each save of
    // the map (application thread).
    Lumvek::FileRecord mapFile;

    // The bots' records and the graph of platforms they find their way over.
    BotNavigator navigator;
    // The bots' draws and the game modes' random picks.
    Lumvek::RandomGenerator botRandom;
    Lumvek::RandomGenerator gameRandom;
    // The spread of every shot of the match.
    Lumvek::RandomGenerator shotRandom;

    // The grids find records by place; a record moved from outside a tick is filed again by Refile.
    EntityGrid<Hazard, 512> hazardGrid;
    EntityGrid<Interaction, 64> interactionGrid;
    EntityGrid<Pickup, 256> pickupGrid;
    EntityGrid<Platform, 2048> platformGrid;
    EntityGrid<Projectile, 2048> projectileGrid;
    EntityGrid<Trigger, 512> triggerGrid;
    EntityGrid<Visual, 512> visualGrid;
    EntityGrid<Zone, 512> zoneGrid;

    EntityArray<Hazard, 256> hazards;
    EntityArray<Interaction, 48> interactions;
    EntityStorage<Pickup, 64> pickups;
    EntityArray<Platform, 1024> platforms;
    EntityStorage<std::unique_ptr<Projectile>, 1024> projectiles;
    EntityStorage<Trigger, 256> triggers;
    EntityStorage<Visual, 256> visuals;
    EntityArray<Zone, 256> zones;

    // The player table by index, the players in the order they were made, and the list the hazards and
    // projectiles find players through.
    std::array<Player, PlayerCount> players;
    std::vector<Player*> activePlayers;
    PlayerList<Player, PlayerCount> playerList;

    // Whether a visual found room (true passes through); the first refusal since the storage last had
    // room is logged, the rest are not. Every maker of visuals asks it.
    bool NoteVisualRoom(bool room);

private:
    std::vector<SpawnPoint> spawnPoints;
    // Set once a visual found the storage full, until one finds room again: the line saying so is
    // written once a time. A paused client goes on making debris and shots of what it hears of, while no
    // tick counts the visuals' lifetimes down.
    bool visualsFull = false;

    // A removal run at the end of the tick: the finishing function looks the id up again.
    struct DeferredRemoval
    {
        uint64_t id;
        void (World::*finish)(uint64_t);
    };

    // Every entity, spawn point and pending removal goes; their Box2D bodies with them.
    void ClearEntities();
    // The records each grid and the player list hold now, to file again over another layout.
    struct Registered;
    Registered FindRegistered();
    // Lays the grids out over the bounds and files the records in them; false when any is left out.
    bool FileAgain(const Registered& registered);
    void FinishPickupRemoval(uint64_t id);
    void FinishProjectileRemoval(uint64_t id);
    void FinishTriggerRemoval(uint64_t id);
    void FinishVisualRemoval(uint64_t id);
    void FinishPlayerRemoval(uint64_t index);
    void RunDeferredRemovals();

    void StepMovingPlatforms(float dt);
    void StepPhysics(float dt);
    // Steps the bodies of pickups, projectiles and moving visuals and files them again; one that left
    // its grid's area is removed. A full tick hands a lost pickup's weapon back first.
    void StepMovingEntities(float dt, bool handBack);
    // Counts the visuals' lifetimes down and ends those that ran out.
    void StepVisualLifetimes();
    // One tick of an ended visual with the erase flag: starts its erase, then true once the erase has
    // run and its effect has finished.
    bool EraseVisual(Visual& visual);

    // The places where the parts of the tick that later pieces of the game own are called. Each says
    // what goes there; none does anything yet.
    // The bots' target choice, path search, steering, aiming and shooting.
    void StepBots(float dt);
    // Each active player's movement, and the kill of a player who left the bounds (a full tick only).
    void StepPlayerMovement(float dt, bool killOutOfBounds);
    // Hazard damage and wind on the players inside each hazard: the damage where harm is set (the
    // authority's tick), the wind always; with only, on that player alone.
    void StepHazards(float dt, bool harm, Player* only = nullptr);
    // The pickups' own update (expiry, fading, items).
    void StepPickups(float dt);
    // Each active player's update (full tick), or its health, aim, weapon, abilities and states
    // (predicted).
    void StepPlayers(float dt, bool predicted);
    // The projectiles' own update (age, lifetime, explosions).
    void StepProjectiles(float dt, bool predicted);
    // The touches of players in triggers and zones.
    void StepTriggerTouches();
    void StepZoneTouches();
    // The awareness markers of every player.
    void StepAwareness(float dt);
    // The hand-back of a pickup's weapon to its spawn when the pickup leaves the world.
    void HandBackPickup(Pickup& pickup);
    // Each active player's pose for the tick to read, first thing in the tick.
    void StepAnimations(float dt);
    // One re-simulated frame of the client's players: its own, and the others from the input they hold.
    void ResimulatePlayers(uint32_t frame);
    // The player records of the active slots, local players, remote players then bots.
    void BeginPlayers();
    // Frees every player record.
    void ClearPlayers();
    // A fresh state for the player of each bot slot.
    void BeginBots();

    // The items waiting for a pickup (see PlaceItem).
    std::vector<std::unique_ptr<Item>> unplacedItems;
    // Offers every waiting item to the game mode again.
    void PlaceUnplacedItems();

    GameContext& context;
    std::unique_ptr<b2World> physics;
    // What a visual meets: for each body of the match's Box2D world with a solid fixture, its copy in
    // visualPhysics and the fixture list it was copied from.
    struct PlatformCopy
    {
        const b2Body* source = nullptr;
        const b2Fixture* fixtures = nullptr;
        b2Body* copy = nullptr;
    };
    std::unique_ptr<b2World> visualPhysics;
    std::vector<PlatformCopy> platformCopies;
    // Brings the copies up to the match's Box2D world as it stands: new bodies copied, gone ones
    // dropped, moving ones placed where their sources are, with their velocities.
    void CopyPlatforms();
    ContactListener contacts;
    std::vector<DeferredRemoval> deferredRemovals;
    std::vector<Platform*> movingPlatforms;
    std::vector<Platform*> hotZonePlatforms;
    // A tick runs: Step and StepPredicted check that none begins inside another.
    bool stepping = false;
};
