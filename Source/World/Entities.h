#pragma once

#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"
#include "Source/Data/NameTables.h"
#include "Source/World/Action.h"
#include "Source/World/Body.h"
#include "Source/World/DynamicBody.h"
#include "Source/World/EntityStorage.h"
#include "Source/World/Item.h"
#include "Source/World/Weapon.h"

#include <cstdint>
#include <memory>
#include <vector>

class HazardData;
class InteractionData;
class Player;
class TriggerData;
class ZoneData;

// A definition's image put on an entity, for the renderer. Owned by the entity; none is made when the
// game runs headless or the image is none.
struct ImageInstance
{
    uint8_t visible = 1;
    float depth = 0.0f;
    uint32_t firstIndex = Lumvek::InvalidId;
    // The image region (an id in NameTableA).
    uint32_t region = Lumvek::InvalidId;
    uint32_t secondIndex = Lumvek::InvalidId;
    float tileSize = 0.0f;
    uint8_t tileVertically = 0;
    uint8_t tileHorizontally = 0;
    float opacity = 1.0f;
    // A visual's image that draws itself in or is scribbled out over duration seconds: the pattern
    // (a region of the erase atlas) it is scribbled out with, and the seconds run so far, which run
    // forward while drawing in and back while erasing. The visual update advances them.
    uint32_t erasePattern = Lumvek::InvalidId;
    float duration = 0.0f;
    float elapsed = 0.0f;
    uint8_t drawIn = 0;
    uint8_t erasing = 0;
    // Visuals are drawn in the order of their layers, lowest first (VisualLayer).
    uint32_t layer = 0;
    // A pickup's image is drawn behind the players while its first layer is set, and in front of them
    // while its second one is.
    uint8_t firstLayer = 1;
    uint8_t secondLayer = 0;
};

// Where a visual stands among the others: the scenery at the back, what play leaves behind (fading
// pickups and triggers, spent shells) over it, and shots (trails, flashes, blasts) in front.
namespace VisualLayer
{
inline constexpr uint32_t Scenery = 0;
inline constexpr uint32_t Remains = 1;
inline constexpr uint32_t Shots = 2;
} // namespace VisualLayer

// A player inside a trigger or zone, in the order they first touched it.
struct Touch
{
    Player* player = nullptr;
    bool touching = false;
};

// A harmful or windy area of the map. Held in the World's hazard array; its id is its index.
struct Hazard : Entity<Hazard>
{
    Body& GetBody() { return body; }
    const Body& GetBody() const { return body; }

    TransformBody body;
    std::unique_ptr<ImageInstance> image;
    std::unique_ptr<Lumvek::Effects::ParticleSystem> effect;
    const HazardData* data = nullptr;
    // Players inside are pushed this way by the definition's wind.
    Lumvek::Vector2 windDirection;
    bool fromMap = false;
};

// An area that changes the attributes of the players inside. Held in the World's zone array.
struct Zone : Entity<Zone>
{
    Body& GetBody() { return body; }
    const Body& GetBody() const { return body; }

    // Puts the definition's modifiers on each player that came in this tick and takes them off each
    // player that left.
    void UpdateTouches(World& world);
    // One player's share of UpdateTouches, where a client steps that player alone.
    void UpdateTouch(Player& player);
    // Notes whether the player is inside now without putting the modifiers on or off: for a client
    // given a modifier set that already holds them.
    void MarkTouch(Player& player);

    StaticBody body;
    std::unique_ptr<ImageInstance> image;
    std::unique_ptr<Lumvek::Effects::ParticleSystem> effect;
    const ZoneData* data = nullptr;
    std::vector<Touch> touches;
    bool fromMap = false;
};

// A lever, button or other object players use or shoot. Held in the World's interaction array.
struct Interaction : Entity<Interaction>
{
    Body& GetBody() { return body; }
    const Body& GetBody() const { return body; }

    // Stores the kind and makes its action; None drops it.
    void SetInteractAction(TriggerAction kind, World& world);
    // Stores the kind and makes its action. Any kind but None gives the body a static Box2D box that
    // projectiles hit; None destroys that box and drops the action.
    void SetHitAction(TriggerAction kind, World& world);

    FixtureBody body;
    std::unique_ptr<ImageInstance> image;
    const InteractionData* data = nullptr;
    TriggerAction interactKind = TriggerAction::None;
    TriggerAction hitKind = TriggerAction::None;
    std::unique_ptr<Action> interactAction;
    std::unique_ptr<Action> hitAction;
    bool fromMap = false;
};

// An area that runs map actions as players enter, stay and leave. Held in the World's trigger storage,
// which moves records as it packs them.
struct Trigger : Entity<Trigger>
{
    Body& GetBody() { return *body; }
    const Body& GetBody() const { return *body; }

    // Runs the enter action for each player that came in this tick, the stay action for each player
    // still inside and the leave action for each player that left.
    void UpdateTouches(World& world);

    std::unique_ptr<TransformBody> body = std::make_unique<TransformBody>();
    std::unique_ptr<ImageInstance> image;
    const TriggerData* data = nullptr;
    std::unique_ptr<Action> enterAction;
    std::unique_ptr<Action> stayAction;
    std::unique_ptr<Action> leaveAction;
    int32_t counter = -1;
    std::vector<Touch> touches;
    // Who sees the trigger marked (the next checkpoint of a race): a team (4 every team) and a player
    // (16 every player), 255 for none.
    uint8_t highlightTeam = 255;
    uint8_t highlightPlayer = 255;
};

// An image, particle effect or sound placed in the world: map decoration, effects of play, debris.
// Held in the World's visual storage.
struct Visual : Entity<Visual>
{
    Body& GetBody() { return *body; }
    const Body& GetBody() const { return *body; }

    // A plain transform body, or a dynamic one for debris.
    std::unique_ptr<TransformBody> body = std::make_unique<TransformBody>();
    std::unique_ptr<ImageInstance> image;
    std::unique_ptr<Lumvek::Effects::ParticleSystem> effect;
    float effectDepth = 0.0f;
    // Played once when the visual is made.
    uint32_t sound = Lumvek::InvalidId;
    // Ticks left; negative for a visual that never ends.
    int32_t lifetime = -1;
    // An ending visual first plays its erase animation.
    uint8_t erase = 0;
    // The world steps the body every tick (debris).
    uint8_t moving = 0;
    // What a map visual was made from, written back when the map is saved.
    uint32_t texture = Lumvek::InvalidId;
    uint32_t effectId = Lumvek::InvalidId;
    bool fromMap = false;
};

// A weapon or an objective item lying in the world to be picked up; it holds one or the other. Held
// in the World's pickup storage.
struct Pickup : Entity<Pickup>
{
    Body& GetBody() { return *body; }
    const Body& GetBody() const { return *body; }

    // The tick of a lying pickup: a weapon inside lets go of its buttons, an item updates, and the
    // lifetime runs down; an expired pickup gives its content back and goes.
    void Update(float dt);
    // Whether the player may take the pickup with the interact button. Walking over a weapon of a kind
    // the player holds moves its ammunition into the player's weapon instead, and the emptied pickup
    // goes.
    bool CanInteract(Player& player);
    // Hands the content over to the player: a weapon while the player aims (or holds none), an item
    // while the player holds none.
    void GiveTo(Player& player);
    // A copy of the pickup's look that fades out where it lay.
    void CreateFadeVisual();
    // Gives the content back (a weapon to its spawn, an item to the game mode) and removes the pickup.
    void End();

    std::unique_ptr<DynamicBody> body = std::make_unique<DynamicBody>();
    std::unique_ptr<ImageInstance> image;
    std::unique_ptr<Weapon> weapon;
    std::unique_ptr<Item> item;
    // Ticks left; -1 never expires.
    int32_t lifetime = -1;
    // An expiring pickup leaves a fading copy of itself.
    uint8_t fade = 0;
    // Who sees the pickup marked: a team (4 every team) and a player (16 every player), 255 for none.
    uint8_t highlightTeam = 255;
    uint8_t highlightPlayer = 255;
};
