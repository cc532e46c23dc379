#include "Source/World/World.h"

#include "Engine/Foundation/Assert.h"
#include "Source/Data/HazardData.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/ZoneData.h"
#include "Source/World/BotSteering.h"
#include "Source/World/Collision.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/HitInfo.h"
#include "Source/World/LinearBody.h"
#include "Source/World/MatchRules.h"
#include "Source/World/Part.h"
#include "Source/World/PlayerRenderable.h"

#include <algorithm>
#include <bitset>

using namespace Lumvek;

namespace
{

// The grids reach this far beyond the world bounds on every side.
constexpr float GridMargin = 10.0f;
constexpr float CellSize = 25.0f;
constexpr float FineCellSize = 10.0f;

Rectangle GrownByMargin(const Rectangle& r)
{
    return Rectangle{r.x - GridMargin, r.y - GridMargin, r.width + 2.0f * GridMargin, r.height + 2.0f * GridMargin};
}
// An ending visual with the erase flag is scribbled out over this long.
constexpr float EraseSeconds = 1.0f;

Body* BodyOf(b2Fixture* fixture)
{
    return reinterpret_cast<Body*>(fixture->GetUserData().pointer);
}

} // namespace

World::World(GameContext& context, uint32_t seed)
    : botRandom(seed), gameRandom(seed ^ 0x9E3779B9u), shotRandom(seed ^ 0x85EBCA6Bu), context(context)
{
    LayOutGrids();
}

World::~World()
{
    // Entities destroy their Box2D bodies in the Box2D world, which must still be there.
    ClearEntities();
    platformCopies.clear();
    visualPhysics.reset();
    physics.reset();
}

void World::Reset(Vector2 gravity)
{
    ClearEntities();
    platformCopies.clear();
    visualPhysics.reset();
    LayOutGrids();
    physics = std::make_unique<b2World>(b2Vec2(gravity.x, gravity.y));
    physics->SetContactListener(&contacts);
}

void World::ClearEntities()
{
    // The graph's nodes point at the platforms that go here.
    navigator.ClearGraph();
    deferredRemovals.clear();
    unplacedItems.clear();
    movingPlatforms.clear();
    hotZonePlatforms.clear();
    spawnPoints.clear();
    hazards.Clear();
    interactions.Clear();
    pickups.Clear();
    platforms.Clear();
    projectiles.Clear();
    triggers.Clear();
    visuals.Clear();
    zones.Clear();
    ClearPlayers();
}

bool World::LayOutGrids()
{
    const auto layOut = [this](const Rectangle& area)
    {
        // A player is registered where it is made, at the origin, before the game mode puts it on a
        // spawn point: the list reaches over the origin too, so that a map far from it holds players.
        const float left = std::min(area.x, -GridMargin), bottom = std::min(area.y, -GridMargin);
        const float right = std::max(area.x + area.width, GridMargin);
        const float top = std::max(area.y + area.height, GridMargin);
        playerList.Clear(Rectangle{left, bottom, right - left, top - bottom});
        return hazardGrid.Layout(area, CellSize, CellSize) && interactionGrid.Layout(area, CellSize, CellSize) &&
               pickupGrid.Layout(area, CellSize, CellSize) && platformGrid.Layout(area, FineCellSize, FineCellSize) &&
               projectileGrid.Layout(area, FineCellSize, FineCellSize) &&
               triggerGrid.Layout(area, CellSize, CellSize) && visualGrid.Layout(area, CellSize, CellSize) &&
               zoneGrid.Layout(area, CellSize, CellSize);
    };
    if (CanLayOut(bounds) && layOut(GrownByMargin(bounds)))
        return true;
    layOut(GrownByMargin(Rectangle{0.0f, 0.0f, 1.0f, 1.0f}));
    return false;
}

bool World::CanLayOut(const Rectangle& bounds)
{
    // Bounds that are not positive and finite would leave no cells, or ask for a table without end.
    const Rectangle area = GrownByMargin(bounds);
    return bounds.width > 0.0f && bounds.height > 0.0f && EntityDetail::CountGridCells(area, CellSize, CellSize) &&
           EntityDetail::CountGridCells(area, FineCellSize, FineCellSize);
}

bool World::GridsHold(const Rectangle& worldBounds, const Rectangle& body)
{
    // The entity grids' own test: edges touching the right or the top count as outside.
    const Rectangle area = GrownByMargin(worldBounds);
    return body.x >= area.x && body.y >= area.y && body.x + body.width < area.x + area.width &&
           body.y + body.height < area.y + area.height;
}

struct World::Registered
{
    std::vector<Hazard*> hazards;
    std::vector<Interaction*> interactions;
    std::vector<Pickup*> pickups;
    std::vector<Platform*> platforms;
    std::vector<Projectile*> projectiles;
    std::vector<Trigger*> triggers;
    std::vector<Visual*> visuals;
    std::vector<Zone*> zones;
    std::vector<Player*> players;
};

World::Registered World::FindRegistered()
{
    Registered found;
    // A record out of its grid (taken out for removal, or hidden) stays out.
    const auto collect = [](auto&& records, auto& list)
    {
        for (auto& record : records)
            if (record.firstNode)
                list.push_back(&record);
    };
    collect(hazards.View(), found.hazards);
    collect(interactions.View(), found.interactions);
    collect(pickups.View(), found.pickups);
    collect(platforms.View(), found.platforms);
    for (const std::unique_ptr<Projectile>& projectile : projectiles.View())
        if (projectile && projectile->firstNode)
            found.projectiles.push_back(projectile.get());
    collect(triggers.View(), found.triggers);
    collect(visuals.View(), found.visuals);
    collect(zones.View(), found.zones);
    collect(players, found.players);
    return found;
}

bool World::FileAgain(const Registered& registered)
{
    // Laying out frees every node: the records' own links into the old cells are stale from here.
    bool all = LayOutGrids();
    const auto file = [&all](auto& grid, const auto& list)
    {
        for (auto* record : list)
        {
            record->firstNode = nullptr;
            all = grid.Insert(*record) && all;
        }
    };
    file(hazardGrid, registered.hazards);
    file(interactionGrid, registered.interactions);
    file(pickupGrid, registered.pickups);
    file(platformGrid, registered.platforms);
    file(projectileGrid, registered.projectiles);
    file(triggerGrid, registered.triggers);
    file(visualGrid, registered.visuals);
    file(zoneGrid, registered.zones);
    file(playerList, registered.players);
    return all;
}

bool World::SetBounds(const Rectangle& newBounds)
{
    const Rectangle old = bounds;
    const Registered registered = FindRegistered();
    bounds = newBounds;
    if (FileAgain(registered))
        return true;
    // The old layout held every one of them, and takes them back.
    bounds = old;
    FileAgain(registered);
    return false;
}

void World::Begin()
{
    for (Hazard& hazard : GetHazards())
        hazard.effect = hazard.data ? CreateParticleSystem(*this, hazard.data->effect) : nullptr;
    for (Zone& zone : GetZones())
        zone.effect = zone.data ? CreateParticleSystem(*this, zone.data->effect) : nullptr;
    BeginPlayers();
    BeginBots();
}

void World::Step(float dt)
{
    LUMVEK_ASSERT(!stepping, "World::Step called from inside a tick: step the world only from the role's tick");
    stepping = true;
    StepAnimations(dt);
    StepBots(dt);
    StepMovingPlatforms(dt);
    StepPhysics(dt);
    StepPlayerMovement(dt, true);
    StepMovingEntities(dt, true);
    StepHazards(dt, true);
    StepPickups(dt);
    StepPlayers(dt, false);
    StepProjectiles(dt, false);
    StepTriggerTouches();
    StepVisualLifetimes();
    StepZoneTouches();
    RunDeferredRemovals();
    StepAwareness(dt);
    stepping = false;
}

void World::StepPredicted(float dt)
{
    LUMVEK_ASSERT(!stepping,
                  "World::StepPredicted called from inside a tick: step the world only from the role's tick");
    stepping = true;
    StepAnimations(dt);
    StepMovingPlatforms(dt);
    StepPhysics(dt);
    StepPlayerMovement(dt, false);
    StepMovingEntities(dt, false);
    // The players move as the server moves them: in its wind and zones, with their abilities.
    StepHazards(dt, false);
    StepPlayers(dt, true);
    StepProjectiles(dt, true);
    StepVisualLifetimes();
    StepZoneTouches();
    RunDeferredRemovals();
    stepping = false;
}

void World::Resimulate(std::span<const uint16_t> statePlatforms, uint32_t firstFrame, uint32_t lastFrame,
                       uint32_t firstUnstepped)
{
    // The history holds the last InputHistoryFrames frames, the newest of which may already be
    // overwritten by the current one: older frames would replay another frame's input.
    if (lastFrame > firstFrame && lastFrame - firstFrame >= InputHistoryFrames)
        firstFrame = lastFrame - (InputHistoryFrames - 1);
    // A platform the state names twice is still one platform, stepped once per frame.
    std::bitset<decltype(platforms)::Capacity> named;
    for (uint16_t index : statePlatforms)
        if (index < platforms.Count())
            named.set(index);
    for (uint32_t frame = firstFrame; frame < lastFrame; ++frame)
    {
        // A frame stepped once already was heard and seen then.
        context.replaying = frame < firstUnstepped;
        for (uint32_t index = 0; index < platforms.Count(); ++index)
        {
            if (!named.test(index))
                continue;
            Platform& platform = platforms[index];
            if (PathedBody* body = platform.GetPathedBody())
            {
                body->Step(Lumvek::TickSeconds);
                if (!platformGrid.Reinsert(platform))
                    body->active = 0;
            }
        }
        ResimulatePlayers(frame);
    }
    context.replaying = false;
}

void World::StepMovingPlatforms(float dt)
{
    for (Platform* platform : movingPlatforms)
    {
        PathedBody* body = platform->GetPathedBody();
        if (!body)
            continue;
        body->Step(dt);
        if (body->active && !platformGrid.Reinsert(*platform))
            body->active = 0;
    }
}

void World::StepPhysics(float dt)
{
    if (!physics)
        return;
    // The copies start the step where the platforms start it and move with them through it.
    if (visualPhysics)
        CopyPlatforms();
    physics->Step(dt, 8, 3);
    if (visualPhysics)
    {
        visualPhysics->SetGravity(physics->GetGravity());
        visualPhysics->Step(dt, 8, 3);
    }
}

b2World* World::GetVisualPhysics()
{
    if (!visualPhysics && physics)
    {
        visualPhysics = std::make_unique<b2World>(physics->GetGravity());
        // The copies carry their sources' bodies, so the one-way rule holds there too.
        visualPhysics->SetContactListener(&contacts);
        CopyPlatforms();
    }
    return visualPhysics.get();
}

void World::CopyPlatforms()
{
    std::vector<PlatformCopy> copies;
    for (b2Body* source = physics->GetBodyList(); source; source = source->GetNext())
    {
        if (source->GetType() == b2_dynamicBody)
            continue;
        // A body kept from the last time is the same body while its fixtures are (a body made where a
        // destroyed one was is copied anew). Box2D keeps its list in order, so the copy is most often
        // the one at this place in the last list.
        const size_t place = copies.size();
        auto kept = place < platformCopies.size() && platformCopies[place].source == source
                        ? platformCopies.begin() + static_cast<std::ptrdiff_t>(place)
                        : std::find_if(platformCopies.begin(), platformCopies.end(),
                                       [&](const PlatformCopy& copy) { return copy.source == source; });
        PlatformCopy copy;
        if (kept != platformCopies.end() && kept->fixtures == source->GetFixtureList())
        {
            copy = *kept;
            kept->copy = nullptr;
        }
        else
        {
            bool solid = false;
            for (const b2Fixture* fixture = source->GetFixtureList(); fixture; fixture = fixture->GetNext())
                solid = solid || (fixture->GetFilterData().categoryBits & Collision::SolidBit) != 0;
            if (!solid)
                continue;
            b2BodyDef definition;
            definition.type = source->GetType();
            definition.position = source->GetPosition();
            definition.angle = source->GetAngle();
            copy = {source, source->GetFixtureList(), visualPhysics->CreateBody(&definition)};
            for (b2Fixture* fixture = source->GetFixtureList(); fixture; fixture = fixture->GetNext())
            {
                b2FixtureDef shape;
                shape.shape = fixture->GetShape();
                shape.friction = fixture->GetFriction();
                shape.restitution = fixture->GetRestitution();
                shape.isSensor = fixture->IsSensor();
                shape.filter = fixture->GetFilterData();
                shape.userData = fixture->GetUserData();
                copy.copy->CreateFixture(&shape);
            }
        }
        if (copy.copy->GetPosition() != source->GetPosition() || copy.copy->GetAngle() != source->GetAngle())
            copy.copy->SetTransform(source->GetPosition(), source->GetAngle());
        copy.copy->SetLinearVelocity(source->GetLinearVelocity());
        copy.copy->SetAngularVelocity(source->GetAngularVelocity());
        copies.push_back(copy);
    }
    for (const PlatformCopy& gone : platformCopies)
        if (gone.copy)
            visualPhysics->DestroyBody(gone.copy);
    platformCopies = std::move(copies);
}

namespace
{

// Steps the body and files the record again; false when it left the grid's area.
template <class Record, class Grid> bool StepAndRefile(Record& record, Grid& grid, float dt)
{
    auto& body = static_cast<TransformBody&>(record.GetBody());
    body.Step(dt);
    grid.Remove(record);
    return grid.Insert(record);
}

} // namespace

void World::StepMovingEntities(float dt, bool handBack)
{
    for (Pickup& pickup : pickups.View())
    {
        if (!pickup.body->active || StepAndRefile(pickup, pickupGrid, dt))
            continue;
        if (handBack)
            HandBackPickup(pickup);
        pickup.body->DestroyFixture();
        pickup.body->active = 0;
        deferredRemovals.push_back({pickup.id, &World::FinishPickupRemoval});
    }
    for (std::unique_ptr<Projectile>& projectile : projectiles.View())
    {
        if (!projectile || !projectile->body->active || StepAndRefile(*projectile, projectileGrid, dt))
            continue;
        RemoveProjectile(*projectile);
    }
    for (Visual& visual : visuals.View())
    {
        if (!visual.moving || !visual.body->active || StepAndRefile(visual, visualGrid, dt))
            continue;
        visual.body->DestroyFixture();
        visual.body->active = 0;
        deferredRemovals.push_back({visual.id, &World::FinishVisualRemoval});
    }
}

void World::StepVisualLifetimes()
{
    for (Visual& visual : visuals.View())
    {
        // A negative lifetime never runs out.
        if (!visual.body->active || visual.lifetime < 0)
            continue;
        if (--visual.lifetime > 1)
            continue;
        visual.lifetime = 0;
        if (!visual.erase || EraseVisual(visual))
            RemoveVisual(visual);
    }
}

bool World::EraseVisual(Visual& visual)
{
    // The image is scribbled out, a second long; the frame update runs its clock down.
    if (ImageInstance* image = visual.image.get())
    {
        if (!image->erasing)
        {
            image->erasePattern = Images::Erase1;
            image->duration = image->elapsed = EraseSeconds;
            image->erasing = 1;
        }
        if (image->elapsed > 0.0f)
            return false;
    }
    return !visual.effect || visual.effect->IsFinished();
}

void World::RemovePickup(Pickup& pickup)
{
    pickup.body->DestroyFixture();
    pickup.body->active = 0;
    pickupGrid.Remove(pickup);
    deferredRemovals.push_back({pickup.id, &World::FinishPickupRemoval});
}

void World::RemoveProjectile(Projectile& projectile)
{
    // A trail never ends by itself: it goes with its projectile, whatever removes it.
    projectile.RemoveTrail();
    static_cast<TransformBody&>(*projectile.body).DestroyFixture();
    projectile.body->active = 0;
    projectileGrid.Remove(projectile);
    deferredRemovals.push_back({projectile.id, &World::FinishProjectileRemoval});
}

void World::RemoveTrigger(Trigger& trigger)
{
    trigger.body->active = 0;
    triggerGrid.Remove(trigger);
    deferredRemovals.push_back({trigger.id, &World::FinishTriggerRemoval});
}

void World::RemoveVisual(Visual& visual)
{
    visual.body->DestroyFixture();
    visual.body->active = 0;
    visualGrid.Remove(visual);
    deferredRemovals.push_back({visual.id, &World::FinishVisualRemoval});
}

void World::RemovePlayer(Player& player)
{
    // A leaver's spawn weapons return to their spawns as anybody's would, and the ability it had
    // selected ends with what it shows (a jetpack's trail never ends by itself).
    player.LetGoOfWeapons();
    for (uint32_t position = 0; position < 4; ++position)
        if (Part* part = player.GetPart(position); part && part->data)
            part->Update(0.0f, false, false);
    PlayerBody& body = player.body;
    body.active = 0;
    if (body.physicsBody)
    {
        body.physicsBody->GetWorld()->DestroyBody(body.physicsBody);
        body.physicsBody = nullptr;
    }
    playerList.Remove(player);
    deferredRemovals.push_back({player.index, &World::FinishPlayerRemoval});
}

void World::FinishPickupRemoval(uint64_t id)
{
    Pickup* pickup = pickups.Find(static_cast<EntityId>(id));
    if (!pickup)
        return;
    pickupGrid.Remove(*pickup);
    pickup->image.reset();
    pickup->weapon.reset();
    pickup->item.reset();
    pickups.Remove(pickup->id);
}

void World::FinishProjectileRemoval(uint64_t id)
{
    std::unique_ptr<Projectile>* projectile = projectiles.Find(static_cast<EntityId>(id));
    if (!projectile || !*projectile)
        return;
    projectileGrid.Remove(**projectile);
    projectiles.Remove(static_cast<EntityId>(id));
}

void World::FinishTriggerRemoval(uint64_t id)
{
    Trigger* trigger = triggers.Find(static_cast<EntityId>(id));
    if (!trigger)
        return;
    // The players still inside leave it with it.
    for (const Touch& touch : trigger->touches)
        if (trigger->leaveAction && touch.player)
            trigger->leaveAction->Run(*touch.player);
    trigger->touches.clear();
    triggerGrid.Remove(*trigger);
    triggers.Remove(trigger->id);
}

void World::FinishVisualRemoval(uint64_t id)
{
    Visual* visual = visuals.Find(static_cast<EntityId>(id));
    if (!visual)
        return;
    visualGrid.Remove(*visual);
    visual->image.reset();
    visual->effect.reset();
    visuals.Remove(visual->id);
}

void World::FinishPlayerRemoval(uint64_t index)
{
    if (index >= PlayerCount || !players[index].present)
        return;
    Player& player = players[index];
    player.visual.reset();
    DropActivePlayer(player);
}

void World::RunDeferredRemovals()
{
    for (const DeferredRemoval& removal : deferredRemovals)
        (this->*removal.finish)(removal.id);
    deferredRemovals.clear();
}

// The parts of the tick below belong to the players, bots, pickups, projectiles, map actions and game
// modes, which call into the world from here when they arrive.

void World::StepBots(float dt)
{
    BotSteering steering(*this);
    for (BotState& bot : navigator.bots)
        steering.Tick(bot, dt);
}

void World::BeginBots()
{
    navigator.bots.clear();
    for (BotSlot& slot : context.configuration.bots)
    {
        if (slot.removed || !slot.player)
            continue;
        BotState& bot = navigator.bots.emplace_back();
        bot.player = slot.player;
        bot.randomOffset = static_cast<float>(botRandom.Next()) * 4.656613e-10f - 1.0f;
    }
}

void World::StepHazards(float dt, bool harm, Player* only)
{
    for (Hazard& hazard : GetHazards())
    {
        if (!hazard.body.active || !hazard.data)
            continue;
        const HazardData& data = *hazard.data;
        const Rectangle area = hazard.body.GetBounds();
        for (Player& player : playerList.Query(area))
        {
            PlayerBody& body = player.body;
            const Rectangle box{body.x - body.boxWidth * 0.5f, body.y, body.boxWidth, body.boxHeight};
            if ((only && &player != only) || !EntityDetail::Overlaps(box, area))
                continue;
            // A client's step harms no one (the health is the server's), yet its players feel the hit
            // as a local match's do: once, the first time the frame is stepped.
            if (data.damage > 0.0f && context.GetMatchRules() && (harm || context.FeedbackOpen()))
            {
                HitInfo hit;
                hit.damage = data.damage * dt;
                hit.spin = hit.damage * 0.5f * 0.017453292f;
                hit.firstRumble = hit.secondRumble = hit.damage * 0.5f;
                hit.zone = HitInfo::BodyZone;
                if (harm)
                    context.GetMatchRules()->DamagePlayer(player, hit);
                else
                    context.GetMatchRules()->FeelHit(player, hit);
            }
            body.windImpulse += data.windImpulse * hazard.windDirection;
            body.windSpeed += data.windSpeed * hazard.windDirection;
        }
    }
}

void World::StepPickups(float dt)
{
    PlaceUnplacedItems();
    for (Pickup& pickup : pickups.View())
        if (pickup.body->active)
            pickup.Update(dt);
}

void World::StepProjectiles(float, bool predicted)
{
    for (std::unique_ptr<Projectile>& projectile : projectiles.View())
    {
        if (!projectile || !projectile->body->active)
            continue;
        if (predicted)
            projectile->UpdatePredicted();
        else
            projectile->Update();
    }
}

void World::StepTriggerTouches()
{
    for (Trigger& trigger : triggers.View())
        if (trigger.body->active)
            trigger.UpdateTouches(*this);
}

void World::StepZoneTouches()
{
    for (Zone& zone : GetZones())
        if (zone.body.active)
            zone.UpdateTouches(*this);
}

void World::StepAwareness(float dt)
{
    const auto update = [this, dt](auto& slots)
    {
        for (auto& slot : slots)
            if (!slot.removed && slot.player)
                UpdateAwareness(*slot.player, dt);
    };
    update(context.configuration.players);
    update(context.configuration.remotePlayers);
    update(context.configuration.bots);
}

void World::HandBackPickup(Pickup& pickup)
{
    if (pickup.weapon && context.GetMatchRules())
        context.GetMatchRules()->QueueWeaponSpawn(std::move(pickup.weapon));
    if (pickup.item)
        ReturnItem(std::move(pickup.item));
}

void ContactListener::BeginContact(b2Contact* contact)
{
    b2Fixture* moverFixture = contact->GetFixtureB();
    b2Fixture* otherFixture = contact->GetFixtureA();
    if (otherFixture->GetBody()->GetType() == b2_dynamicBody)
        std::swap(moverFixture, otherFixture);
    const auto* mover = dynamic_cast<const DynamicBody*>(BodyOf(moverFixture));
    Body* other = BodyOf(otherFixture);
    if (!mover || !mover->owner || !other)
        return;
    // Box2D reports inside its step: the projectile only remembers what it met.
    const b2Vec2 normal = contact->GetManifold()->localNormal;
    Projectile& projectile = *mover->owner;
    if (auto* platform = dynamic_cast<PlatformBody*>(other))
        projectile.OnCollision({nullptr, nullptr, platform->platform, ContactKind::Solid}, {normal.x, normal.y});
    if (auto* player = dynamic_cast<PlayerBody*>(other))
        projectile.OnCollision({player->owner, nullptr, nullptr, ContactKind::Torso}, {normal.x, normal.y});
    if (auto* interaction = dynamic_cast<FixtureBody*>(other))
        projectile.OnCollision({nullptr, interaction->owner, nullptr, ContactKind::Interaction}, {normal.x, normal.y});
}

void ContactListener::PreSolve(b2Contact* contact, const b2Manifold*)
{
    b2Fixture* moverFixture = contact->GetFixtureB();
    b2Fixture* otherFixture = contact->GetFixtureA();
    if (otherFixture->GetBody()->GetType() == b2_dynamicBody)
        std::swap(moverFixture, otherFixture);
    Body* other = BodyOf(otherFixture);
    b2Body* mover = moverFixture->GetBody();
    if (!other)
        return;
    if (const auto* platform = dynamic_cast<PlatformBody*>(other);
        platform && platform->platform && platform->platform->oneWay)
    {
        b2WorldManifold manifold;
        contact->GetWorldManifold(&manifold);
        // Box2D's normal points from fixture A to fixture B: turned to point from the platform to the
        // mover, whichever order the contact holds them in.
        const float upward = otherFixture == contact->GetFixtureA() ? manifold.normal.y : -manifold.normal.y;
        if (upward < 0.9f || mover->GetLinearVelocity().y > 0.0f)
            contact->SetEnabled(false);
        else if (otherFixture->TestPoint(mover->GetPosition()))
            contact->SetEnabled(false);
        return;
    }
    if (dynamic_cast<PlayerBody*>(other))
    {
        if (mover->GetLinearVelocity().LengthSquared() < 0.05f)
            contact->SetEnabled(false);
        else
            contact->SetRestitution(contact->GetRestitution() * 0.5f);
    }
}
