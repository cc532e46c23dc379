#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/World/Body.h"
#include "Source/World/Bone.h"

#include <array>
#include <cfloat>
#include <cstdint>
#include <vector>

class b2Body;
class Player;
struct Platform;

// A side of a box: of the player's box for its contacts, of a platform's box for its faces.
enum class CollisionSide : uint32_t
{
    Left,
    Right,
    Bottom,
    Top,
};
constexpr uint32_t CollisionSideCount = 4;

// Left and Right swap, Bottom and Top swap.
constexpr CollisionSide Opposite(CollisionSide side)
{
    return static_cast<CollisionSide>(static_cast<uint32_t>(side) ^ 1u);
}

// What the player touches on one side of its box this tick: the platform it is pressed deepest into.
struct PlayerContact
{
    // Null when nothing touches that side.
    Platform* platform = nullptr;
    // The deepest penetration on the side.
    float depth = 0.0f;
    // The sum of the overlap fractions of the contacts at that depth: below 1 the box hangs over an
    // edge.
    float support = 0.0f;
    // Cleared when a contact at that depth supports the box's low end (its left or bottom), so a box
    // leaning over an edge knows which way it leans.
    bool supportBehind = true;
};

// One face of a platform as the player's box meets it: a segment [from, to] of the line at.
struct CollisionEdge
{
    float from = 0.0f;
    float to = 0.0f;
    float at = 0.0f;
    // The side of the platform the face is on.
    CollisionSide side = CollisionSide::Left;
    Platform* platform = nullptr;
};

// The rig nodes a player's parts, weapons and items are put on, in the order the body keeps them.
enum class PlayerBone : uint32_t
{
    Skull,
    Spine,
    LeftHumerus,
    LeftRadius,
    LeftHand,
    Item,
    RightHumerus,
    RightRadius,
    RightHand,
    LeftFemur,
    LeftTibia,
    LeftFoot,
    RightFemur,
    RightTibia,
    RightFoot,
    Reload,
    Holster,
    ItemTarget,
    Weapon,
    Muzzle,
    LeftPickup,
    RightPickup,
    LeftHandTarget,
    RightHandTarget,
};
constexpr uint32_t PlayerBoneCount = 24;

// The kinematic body of a player: not simulated by Box2D but moved by its own step every tick, an
// axis-aligned box colliding with the faces of the platforms around it, riding moving and conveying
// platforms, jumping and hanging, dropping through one-way platforms on demand and staying inside the
// world's bounds. Its position is the centre of the box's bottom edge. Embedded in its Player, which it
// reads its input and attributes from; application thread only. The same inputs always make the same
// step, since clients replay it to predict their players.
class PlayerBody final : public Body
{
public:
    // Seconds since the jump began while the body is in the air and cannot hang (any more).
    static constexpr float NoHang = FLT_MAX;
    // PassThroughPlatforms takes at most this many platforms from dropping or spawning.
    static constexpr uint32_t MaximumDropThrough = 6;
    // Faces of touching platforms closer than this are taken as one line.
    static constexpr float EdgeTolerance = 0.001f;

    PlayerBody();
    PlayerBody(const PlayerBody&) = delete;
    PlayerBody& operator=(const PlayerBody&) = delete;
    ~PlayerBody() override;

    // The middle of the player's box.
    Lumvek::Vector2 GetCenter() const override;
    // With what is left of the last correction's ease added (see EaseCorrection).
    Lumvek::Vector2 GetInterpolatedPosition(float alpha) const override;
    // A fixed 2 by 2 box around the feet, whatever the player's size: what the player list files it
    // under.
    Lumvek::Rectangle GetBounds() const override;
    // The world transform of the skeleton's root.
    Lumvek::Matrix3x3 GetTransform() const override;
    // Forgets all movement: flags, velocities, the platforms it stood on and passes through, its
    // Box2D body (without destroying it), its flinch; in the air, unable to hang.
    void Reset() override;

    // Places a spawning player at the position, facing left or right, with no movement and nothing
    // touched, no flinch, and lets it drop through the one-way platforms its box overlaps there rather
    // than snap on top of them. Its first step after finds the ground it stands on without landing
    // there. Its Box2D body stays.
    void Reset(Lumvek::Vector2 position, bool facingLeft);
    // One tick of dt seconds.
    void Move(float dt);

    // The velocity step of Move: jumping, walking, steering in the air, gravity, the pushes waiting.
    void UpdateVelocity(float dt);
    // Adds the impulse to the velocity per axis, in full against a body moving at the limit the other
    // way, half at rest, and not at all at the limit in its own direction; then clears the impulse. The
    // limit's sign does not matter (a wind's speed carries its direction), and a zero limit adds
    // nothing.
    static void AddLimitedImpulse(Lumvek::Vector2& velocity, Lumvek::Vector2& impulse, Lumvek::Vector2 limit);
    // Adds a platform face to the edges, merging it with the opposite faces of touching platforms that
    // lie on its line, so that no seam is left where two platforms meet.
    void AddEdge(CollisionEdge edge);
    // Finds the contacts of the box against the edges: each platform contributes the face it
    // penetrates least, a passable face lets its platform be passed through, and each side of the box
    // keeps its deepest contact.
    void ResolveContacts(const Lumvek::Rectangle& box);

    bool IsOnGround() const { return GetContact(CollisionSide::Bottom).platform != nullptr; }
    const PlayerContact& GetContact(CollisionSide side) const { return contacts[static_cast<uint32_t>(side)]; }
    PlayerContact& GetContact(CollisionSide side) { return contacts[static_cast<uint32_t>(side)]; }
    bool IsPassingThrough(const Platform* platform) const;
    Bone* GetBone(PlayerBone bone) const { return bones[static_cast<uint32_t>(bone)]; }

    // The Player record that embeds the body.
    Player* owner = nullptr;
    // Written by each step: the move input's sign, and whether the body is in the air going down.
    bool movingLeft = false;
    bool movingRight = false;
    bool falling = false;
    // The horizontal velocity without the wind's share, kept while on the ground; makes noise.
    float ownSpeed = 0.0f;
    // Units per second.
    Lumvek::Vector2 velocity;
    // The wind of the hazards touched this tick, which is also the limit of WindImpulse.
    Lumvek::Vector2 windSpeed;
    // Pushes waiting for the next step: the wind's, and any other (explosions, knock-back, abilities).
    Lumvek::Vector2 windImpulse;
    Lumvek::Vector2 impulse;
    // Added to the velocity once, then cleared.
    Lumvek::Vector2 carriedVelocity;
    // Seconds since the jump began; 0 while standing; NoHang in the air when the jump cannot hang.
    float jumpTime = NoHang;
    // By CollisionSide of the player's box: Bottom is the ground, Top the ceiling.
    std::array<PlayerContact, CollisionSideCount> contacts{};
    // Rebuilt every step.
    std::vector<CollisionEdge> edges;
    // Platforms the body ignores until the platform grid no longer finds them around it.
    std::vector<Platform*> passThroughPlatforms;
    // The last platform stood on.
    Platform* lastPlatform = nullptr;
    // Set by a spawn's reset until the next step: the ground found there is where the player was put,
    // not a landing.
    bool placed = false;
    // The skeleton, whose root follows the body, and the chains that hold what is being picked up.
    Bone skeleton;
    Bone leftPickup;
    Bone rightPickup;
    // Into the three trees above, by PlayerBone; null where the skeleton has no such bone.
    std::array<Bone*, PlayerBoneCount> bones{};
    // The player in the Box2D world while it is alive, so that dynamic bodies bounce off it; null
    // otherwise.
    b2Body* physicsBody = nullptr;
    // The player's box, set from its loadout; 0 until then.
    float boxWidth = 0.0f;
    float boxHeight = 0.0f;
    // Radians the player leans after hits, added to its limbs by the animation and eased back to 0
    // there; not read by movement, cleared by resets.
    float flinchAngle = 0.0f;

    // Drawing only, on a client: a state and its replay may move the body by a step the screen would
    // show as a snap. NoteDrawn before the state, EaseCorrection after its replay: the body is drawn
    // where it was and eases to where it now is over EaseTicks ticks of EaseDrawn. A correction of more
    // than SnapDistance units, or a reset, moves it at once. Neither stepping nor hashes read these.
    static constexpr float SnapDistance = 3.0f;
    static constexpr float EaseTicks = 6.0f;
    void NoteDrawn();
    void EaseCorrection();
    void EaseDrawn();
    Lumvek::Vector2 drawOffset;
    Lumvek::Vector2 previousDrawOffset;

private:
    // What one platform offers the box: its least penetrated face.
    struct Candidate
    {
        Platform* platform;
        float depth;
        float overlap;
        CollisionSide side;
        bool passable;
    };

    void ClearMovement();
    // Applies the Bottom contact's platform movement to the position.
    void Ride(float dt);

    // Reused by every ResolveContacts.
    std::vector<Candidate> candidates;
    // Set by NoteDrawn for the next EaseCorrection.
    Lumvek::Vector2 notedPrevious;
    Lumvek::Vector2 noted;
    bool drawnNoted = false;
    // Units the offset shrinks by each tick, from the last correction.
    float easeStep = 0.0f;
};
