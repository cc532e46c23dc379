#include "Source/World/IkAnimation.h"

#include "Engine/Foundation/Members.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/AttributeDivisor.h"
#include "Source/World/Platform.h"
#include "Source/World/Player.h"
#include "Engine/Foundation/Tick.h"

#include <algorithm>
#include <cmath>

using namespace Lumvek;

namespace
{

constexpr float Pi = 3.1415927f;
constexpr float Degree = Pi / 180.0f;
// Without a weapon the hand is held out this far, and an imagined weapon of this size is aimed.
constexpr float BareReach = 0.5f;
constexpr Vector2 BareWeaponSize(0.5f, 0.25f);
// The shares of the reload time the hands take to go to the reload point and to come back.
constexpr float ReloadingShare = 0.66f;
constexpr float FinishingShare = 0.33f;
// An arm bone shorter than this (world units) has no direction to bend.
constexpr float ShortestBone = 1e-5f;
// Height of the pushing hand on the wall, as a share of the player's height.
constexpr float WallPushHeight = 0.6f;
constexpr float LeanPushHeight = 0.35f;

// Works on the rig facing right for as long as it lives, then gives the root back the side it faced:
// the actions' targets and angles are all taken as if the player faced right.
class Unmirrored
{
public:
    explicit Unmirrored(Bone& root) : root(root), mirrored(root.scale.x < 0.0f)
    {
        if (mirrored)
        {
            root.scale.x = -root.scale.x;
            root.MarkDirty();
        }
    }
    Unmirrored(const Unmirrored&) = delete;
    Unmirrored& operator=(const Unmirrored&) = delete;
    ~Unmirrored()
    {
        if ((root.scale.x < 0.0f) != mirrored)
            root.scale.x = -root.scale.x;
        root.MarkDirty();
    }

    Bone& root;
    const bool mirrored;
};

const WeaponData* HeldWeapon(const Player& player)
{
    return player.weapon ? player.weapon->data : nullptr;
}

const WeaponData* PendingWeapon(const Player& player)
{
    return player.pendingWeapon ? player.pendingWeapon->data : nullptr;
}

Bone* Node(const Player& player, PlayerBone node)
{
    return player.body.GetBone(node);
}

Vector2 AbsoluteScale(const Bone& bone)
{
    return Vector2(std::fabs(bone.scale.x), std::fabs(bone.scale.y));
}

// A point in player space as the position of a node that hangs from the root. A rig squashed to no
// width or height places nothing off to infinity.
Vector2 Normalised(const Player& player, Vector2 point)
{
    const Vector2 size = IkAnimation::PlayerSize(player);
    return Vector2(size.x > 0.0f ? point.x / size.x : 0.0f, size.y > 0.0f ? point.y / size.y : 0.0f);
}

// The world x of the other side of the player, for points taken with the rig facing right.
float MirrorX(const Player& player, float x)
{
    return 2.0f * player.body.skeleton.position.x - x;
}

Vector2 Lerp(Vector2 from, Vector2 to, float weight)
{
    return weight < 1.0f ? from + (to - from) * weight : to;
}

float AimAngle(const Player& player)
{
    const Vector2 aim = player.aimDirection;
    if (aim.x == 0.0f && aim.y == 0.0f)
        return 0.0f;
    return WrapAngle(std::atan2(aim.y, std::fabs(aim.x)));
}

float Direction(Vector2 vector)
{
    return std::atan2(vector.y, vector.x);
}

// How far a hand is on its way to or from the reload point: the first share of the reload goes there
// (twice as fast, then resting), the rest comes back.
float ReloadShare(const Player& player, const AnimationPlayback& playback, float interpolation)
{
    const bool reloading = player.weaponState == WeaponState::Reloading;
    const float span = playback.duration * (reloading ? ReloadingShare : FinishingShare);
    const float remaining = (static_cast<float>(player.weaponTimer) - interpolation) / Lumvek::TicksPerSecond;
    float share = span > 0.0f ? (span - remaining) / span : 1.0f;
    if (reloading)
        share *= 2.0f;
    return std::clamp(share, 0.0f, 1.0f);
}

// Brings the pick-up root that holds what the hand takes toward the hand, in world units.
void BringToHand(Bone& held, Vector2 goal, float goalAngle, const AnimationPlayback& playback, float progress)
{
    if (progress < 1.0f)
    {
        held.position = Lerp(playback.savedHeldPosition, goal, progress);
        held.rotation = BlendRotation(playback.savedHeldAngle, goalAngle, progress);
    }
    else
    {
        held.position = goal;
        held.rotation = goalAngle;
    }
    held.MarkDirty();
}

// The pick-ups: the moved node goes to the pick-up root, and the pick-up root to the hand.
void UpdatePickUp(const Player& player, const AnimationPlayback& playback, Bone& moved, Bone& held, Bone& hand,
                  float heldGoalAngle, float progress, bool mirrored)
{
    Vector2 heldPosition = held.position;
    float heldAngle = held.rotation;
    if (mirrored)
    {
        heldPosition.x = MirrorX(player, heldPosition.x);
        heldAngle = WrapAngle(heldAngle - Pi);
    }
    IkAnimation::BlendPlace(player, moved, playback.savedPoint, playback.savedAngle,
                            heldPosition - IkAnimation::OriginCorner(player), heldAngle, progress);

    Vector2 goal = IkAnimation::NodeWorldPoint(hand);
    if (mirrored)
    {
        goal.x = MirrorX(player, goal.x);
        heldGoalAngle = WrapAngle(Pi - heldGoalAngle);
    }
    BringToHand(held, goal, heldGoalAngle, playback, progress);
}

void SaveNode(const Player& player, AnimationPlayback& playback, PlayerBone node)
{
    if (Bone* bone = Node(player, node))
    {
        playback.savedPoint = IkAnimation::NodePoint(player, *bone);
        playback.savedAngle = bone->rotation;
        playback.savedSize = AbsoluteScale(*bone);
    }
}

void SaveHeld(const Player& player, AnimationPlayback& playback, PlayerBone root)
{
    if (Bone* bone = Node(player, root))
    {
        playback.savedHeldPosition = bone->position;
        playback.savedHeldAngle = bone->rotation;
    }
}

} // namespace

IkAnimation::IkAnimation()
{
    looping = false;
}

Vector2 IkAnimation::OriginCorner(const Player& player)
{
    const Bone& root = player.body.skeleton;
    const Vector2 size = AbsoluteScale(root);
    return Vector2(root.position.x - root.offset.x * size.x, root.position.y - root.offset.y * size.y);
}

Vector2 IkAnimation::PlayerSize(const Player& player)
{
    return AbsoluteScale(player.body.skeleton);
}

Vector2 IkAnimation::NodeWorldPoint(Bone& node)
{
    return node.GetWorldTransform().TransformPoint(node.offset);
}

Vector2 IkAnimation::NodePoint(const Player& player, Bone& node)
{
    return NodeWorldPoint(node) - OriginCorner(player);
}

void IkAnimation::PlaceTarget(const Player& player, Bone& node, Vector2 point, float angle, Vector2 size)
{
    node.position = Normalised(player, point);
    node.rotation = angle;
    node.scale = Vector2(std::copysign(size.x, node.scale.x), std::copysign(size.y, node.scale.y));
    node.MarkDirty();
}

void IkAnimation::BlendPlace(const Player& player, Bone& node, Vector2 from, float fromAngle, Vector2 to, float toAngle,
                             float weight)
{
    const Vector2 point = Lerp(from, to, weight);
    node.position = Normalised(player, point);
    node.rotation = weight < 1.0f ? BlendRotation(fromAngle, toAngle, weight) : toAngle;
    node.MarkDirty();
}

void IkAnimation::BlendPlaceScaled(const Player& player, Bone& node, Vector2 from, float fromAngle, Vector2 fromSize,
                                   Vector2 to, float toAngle, Vector2 toSize, float weight)
{
    PlaceTarget(player, node, Lerp(from, to, weight),
                weight < 1.0f ? BlendRotation(fromAngle, toAngle, weight) : toAngle, Lerp(fromSize, toSize, weight));
}

void IkAnimation::AimTarget(const Player& player, Vector2& point, float& angle)
{
    const Vector2 direction(std::fabs(player.aimDirection.x), player.aimDirection.y);
    const WeaponData* weapon = HeldWeapon(player);
    const float reach = weapon ? weapon->aimRadius : BareReach;
    Bone* shoulder = Node(player, PlayerBone::RightHumerus);
    point = (shoulder ? NodePoint(player, *shoulder) : Vector2()) + direction * reach;
    angle = AimAngle(player);
}

void IkAnimation::SolveTwoBones(Bone& upper, Bone& lower, Bone& end, Bone& target)
{
    const Vector2 a = NodeWorldPoint(upper);
    const Vector2 b = NodeWorldPoint(lower);
    const Vector2 c = NodeWorldPoint(end);
    const Vector2 t = NodeWorldPoint(target);
    const float upperLength = (b - a).Length();
    const float lowerLength = (c - b).Length();
    // Transforms leave a bone of no length a rounding error long, which would still point it anywhere.
    if (!(upperLength > ShortestBone) || !(lowerLength > ShortestBone) || !std::isfinite(upperLength + lowerLength))
        return;
    const Vector2 reach = t - a;
    const float cosine = std::clamp((Dot(reach, reach) - upperLength * upperLength - lowerLength * lowerLength) /
                                        (2.0f * upperLength * lowerLength),
                                    -1.0f, 1.0f);
    const float bend = std::acos(cosine);
    const float k1 = upperLength + lowerLength * std::cos(bend);
    const float k2 = lowerLength * std::sin(bend);
    const float y = k1 * reach.y - k2 * reach.x;
    const float x = k1 * reach.x + k2 * reach.y;
    const float upperDirection = x == 0.0f && y == 0.0f ? 0.0f : std::atan2(y, x);

    // Where each bone points when it is not turned: an arm drawn hanging down points a quarter turn
    // below its rotation.
    const float upperBias = Direction(b - a) - upper.GetWorldRotation();
    const float lowerBias = Direction(c - b) - lower.GetWorldRotation();
    const float parentRotation = upper.parent ? upper.parent->GetWorldRotation() : 0.0f;
    upper.rotation = WrapAngle(upperDirection - upperBias - parentRotation);
    lower.rotation = WrapAngle(bend + upperBias - lowerBias);
    upper.MarkDirty();
    lower.MarkDirty();
}

float IkAnimation::ActionSeconds(const Player& player, uint32_t ticks)
{
    return static_cast<float>(DivideTicks(static_cast<float>(ticks), player.GetEffective(&Attributes::dexterity))) *
           Lumvek::TickSeconds;
}

float IkAnimation::Progress(const AnimationPlayback& playback, int32_t timer, float interpolation)
{
    if (!(playback.duration > 0.0f))
        return 1.0f;
    const float remaining = (static_cast<float>(timer) - interpolation) / Lumvek::TicksPerSecond;
    return std::clamp((playback.duration - remaining) / playback.duration, 0.0f, 1.0f);
}

void IkAnimation::UseArm(AnimationPlayback& playback, bool left, PlayerBone target)
{
    playback.upper = left ? PlayerBone::LeftHumerus : PlayerBone::RightHumerus;
    playback.lower = left ? PlayerBone::LeftRadius : PlayerBone::RightRadius;
    playback.end = left ? PlayerBone::LeftHand : PlayerBone::RightHand;
    playback.target = target;
}

void IkAnimation::OnStart(Player& player, AnimationPlayback& playback)
{
    playback.transitionDone = true;
    Unmirrored unmirrored(player.body.skeleton);
    Begin(player, playback, unmirrored.mirrored);
}

void IkAnimation::ApplyTransition(Player&, AnimationPlayback&, float, float) {}

void IkAnimation::Apply(Player& player, AnimationPlayback& playback, float step, float time, float interpolation)
{
    Unmirrored unmirrored(player.body.skeleton);
    UpdateTarget(player, playback, step, time, interpolation, unmirrored.mirrored);
    Bone* upper = Node(player, playback.upper);
    Bone* lower = Node(player, playback.lower);
    Bone* end = Node(player, playback.end);
    Bone* target = Node(player, playback.target);
    if (upper && lower && end && target)
        SolveTwoBones(*upper, *lower, *end, *target);
}

void AimAnimation::Begin(Player&, AnimationPlayback& playback, bool)
{
    UseArm(playback, false, PlayerBone::Weapon);
}

void AimAnimation::UpdateTarget(Player& player, AnimationPlayback&, float, float, float, bool)
{
    Bone* weaponNode = Node(player, PlayerBone::Weapon);
    if (!weaponNode)
        return;
    Vector2 point;
    float angle = 0.0f;
    AimTarget(player, point, angle);
    const WeaponData* weapon = HeldWeapon(player);
    PlaceTarget(player, *weaponNode, point, angle, weapon ? weapon->size : BareWeaponSize);
}

void LeftArmReloadAnimation::Begin(Player& player, AnimationPlayback& playback, bool)
{
    const WeaponData* weapon = HeldWeapon(player);
    playback.duration = weapon ? ActionSeconds(player, weapon->reloadTime.ticks) : 0.0f;
    if (Bone* hand = Node(player, PlayerBone::LeftHand))
        playback.savedPoint = NodePoint(player, *hand);
    UseArm(playback, true, PlayerBone::LeftHandTarget);
}

void LeftArmReloadAnimation::UpdateTarget(Player& player, AnimationPlayback& playback, float, float,
                                          float interpolation, bool)
{
    Bone* reload = Node(player, PlayerBone::Reload);
    Bone* target = Node(player, PlayerBone::LeftHandTarget);
    if (!reload || !target)
        return;
    const Vector2 point = NodePoint(player, *reload);
    const float share = ReloadShare(player, playback, interpolation);
    const bool returning = player.weaponState == WeaponState::FinishingReload;
    const Vector2 from = returning ? point : playback.savedPoint;
    const Vector2 to = returning ? playback.savedPoint : point;
    target->position = Normalised(player, Lerp(from, to, share));
    target->MarkDirty();
}

void RightArmReloadAnimation::Begin(Player& player, AnimationPlayback& playback, bool)
{
    const WeaponData* weapon = HeldWeapon(player);
    playback.duration = weapon ? ActionSeconds(player, weapon->reloadTime.ticks) : 0.0f;
    SaveNode(player, playback, PlayerBone::Weapon);
    UseArm(playback, false, PlayerBone::Weapon);
}

void RightArmReloadAnimation::UpdateTarget(Player& player, AnimationPlayback& playback, float, float,
                                           float interpolation, bool)
{
    Bone* reload = Node(player, PlayerBone::Reload);
    Bone* hand = Node(player, PlayerBone::RightHand);
    Bone* weaponNode = Node(player, PlayerBone::Weapon);
    if (!reload || !hand || !weaponNode)
        return;
    const Vector2 point = NodePoint(player, *reload);
    const float handAngle = hand->GetWorldRotation();
    const float share = ReloadShare(player, playback, interpolation);
    if (player.weaponState == WeaponState::FinishingReload)
    {
        Vector2 aimPoint;
        float aimAngle = 0.0f;
        AimTarget(player, aimPoint, aimAngle);
        BlendPlace(player, *weaponNode, point, handAngle, aimPoint, aimAngle, share);
    }
    else
    {
        BlendPlace(player, *weaponNode, playback.savedPoint, playback.savedAngle, point, handAngle, share);
    }
}

void PutAwayAnimation::Begin(Player& player, AnimationPlayback& playback, bool)
{
    const WeaponData* weapon = HeldWeapon(player);
    playback.duration = weapon ? ActionSeconds(player, weapon->putAwayTime.ticks) : 0.0f;
    SaveNode(player, playback, PlayerBone::Weapon);
    if (player.pendingWeapon)
        SaveHeld(player, playback, PlayerBone::RightPickup);
    UseArm(playback, false, PlayerBone::Weapon);
}

void PutAwayAnimation::UpdateTarget(Player& player, AnimationPlayback& playback, float, float, float interpolation,
                                    bool mirrored)
{
    Bone* holster = Node(player, PlayerBone::Holster);
    Bone* weaponNode = Node(player, PlayerBone::Weapon);
    if (!holster || !weaponNode)
        return;
    const float progress = Progress(playback, player.weaponTimer, interpolation);
    const WeaponData* weapon = HeldWeapon(player);
    BlendPlaceScaled(player, *weaponNode, playback.savedPoint, playback.savedAngle, playback.savedSize,
                     NodePoint(player, *holster), holster->rotation, weapon ? weapon->stowedSize : playback.savedSize,
                     progress);

    Bone* held = Node(player, PlayerBone::RightPickup);
    Bone* hand = Node(player, PlayerBone::RightHand);
    if (player.pendingWeapon && held && hand)
    {
        Vector2 goal = NodeWorldPoint(*hand);
        if (mirrored)
            goal.x = MirrorX(player, goal.x);
        BringToHand(*held, goal, hand->rotation, playback, progress);
    }
}

void TakeOutAnimation::Begin(Player& player, AnimationPlayback& playback, bool)
{
    const WeaponData* weapon = HeldWeapon(player);
    playback.duration = weapon ? ActionSeconds(player, weapon->takeOutTime.ticks) : 0.0f;
    SaveNode(player, playback, PlayerBone::Weapon);
    UseArm(playback, false, PlayerBone::Weapon);
}

void TakeOutAnimation::UpdateTarget(Player& player, AnimationPlayback& playback, float, float, float interpolation,
                                    bool)
{
    Bone* weaponNode = Node(player, PlayerBone::Weapon);
    if (!weaponNode)
        return;
    Vector2 aimPoint;
    float aimAngle = 0.0f;
    AimTarget(player, aimPoint, aimAngle);
    const WeaponData* weapon = HeldWeapon(player);
    BlendPlaceScaled(player, *weaponNode, playback.savedPoint, playback.savedAngle, playback.savedSize, aimPoint,
                     aimAngle, weapon ? weapon->size : BareWeaponSize,
                     Progress(playback, player.weaponTimer, interpolation));
}

void RightArmPickUpAnimation::Begin(Player& player, AnimationPlayback& playback, bool)
{
    const WeaponData* weapon = PendingWeapon(player);
    playback.duration =
        weapon ? ActionSeconds(player, weapon->putAwayTime.ticks) + ActionSeconds(player, weapon->takeOutTime.ticks)
               : 0.0f;
    SaveNode(player, playback, PlayerBone::Weapon);
    SaveHeld(player, playback, PlayerBone::RightPickup);
    UseArm(playback, false, PlayerBone::Weapon);
}

void RightArmPickUpAnimation::UpdateTarget(Player& player, AnimationPlayback& playback, float, float,
                                           float interpolation, bool mirrored)
{
    Bone* weaponNode = Node(player, PlayerBone::Weapon);
    Bone* held = Node(player, PlayerBone::RightPickup);
    Bone* hand = Node(player, PlayerBone::RightHand);
    if (!weaponNode || !held || !hand)
        return;
    UpdatePickUp(player, playback, *weaponNode, *held, *hand, hand->rotation,
                 Progress(playback, player.weaponTimer, interpolation), mirrored);
}

void LeftArmPickUpAnimation::Begin(Player& player, AnimationPlayback& playback, bool)
{
    playback.duration = ActionSeconds(player, static_cast<uint32_t>(Player::HandTicks));
    SaveNode(player, playback, PlayerBone::ItemTarget);
    SaveHeld(player, playback, PlayerBone::LeftPickup);
    UseArm(playback, true, PlayerBone::ItemTarget);
}

void LeftArmPickUpAnimation::UpdateTarget(Player& player, AnimationPlayback& playback, float, float,
                                          float interpolation, bool mirrored)
{
    Bone* itemTarget = Node(player, PlayerBone::ItemTarget);
    Bone* held = Node(player, PlayerBone::LeftPickup);
    Bone* hand = Node(player, PlayerBone::LeftHand);
    Bone* item = Node(player, PlayerBone::Item);
    if (!itemTarget || !held || !hand)
        return;
    UpdatePickUp(player, playback, *itemTarget, *held, *hand, item ? item->GetWorldRotation() : 0.0f,
                 Progress(playback, player.handTimer, interpolation), mirrored);
}

void PushAnimation::Begin(Player& player, AnimationPlayback& playback, bool)
{
    playback.duration = Duration;
    if (Bone* hand = Node(player, PlayerBone::LeftHand))
        playback.savedPoint = NodePoint(player, *hand);
    UseArm(playback, true, PlayerBone::LeftHandTarget);
}

void PushAnimation::UpdateTarget(Player& player, AnimationPlayback& playback, float, float time, float, bool mirrored)
{
    Bone* target = Node(player, PlayerBone::LeftHandTarget);
    if (!target)
        return;
    const PlayerBody& body = player.body;
    const Platform* left = body.GetContact(CollisionSide::Left).platform;
    const Platform* right = body.GetContact(CollisionSide::Right).platform;
    // Without a wall beside it the hand stays where it began.
    Vector2 goal = playback.savedPoint;
    if (left || right)
    {
        const Rectangle bounds = (left ? left : right)->GetBody().GetBounds();
        const float height = player.movementState == MovementState::WallForward ? WallPushHeight : LeanPushHeight;
        Vector2 point(left ? bounds.x + bounds.width : bounds.x,
                      body.skeleton.position.y + height * PlayerSize(player).y);
        if (mirrored)
            point.x = MirrorX(player, point.x);
        goal = point - OriginCorner(player);
    }
    BlendPlace(player, *target, playback.savedPoint, 0.0f, goal, 0.0f, time / playback.duration);
}

LookAnimation::LookAnimation()
{
    transitionTime = 0.1f;
}

float LookAnimation::LookAngle(float aimAngle)
{
    constexpr float LowestLook = 325.0f * Degree;
    constexpr float HighestLook = 30.0f * Degree;
    float angle = aimAngle;
    if (angle > Pi && angle < LowestLook)
        angle = LowestLook;
    if (angle > HighestLook && angle <= Pi)
        angle = HighestLook;
    if (angle > Pi)
        angle = WrapAngle(Pi + angle / 2.0f);
    return angle;
}

void LookAnimation::ApplyTransition(Player& player, AnimationPlayback& playback, float step, float weight)
{
    Apply(player, playback, step, weight, 1.0f);
}

void LookAnimation::Apply(Player& player, AnimationPlayback&, float, float, float)
{
    if (Bone* skull = Node(player, PlayerBone::Skull))
    {
        skull->rotation = LookAngle(AimAngle(player));
        skull->MarkDirty();
    }
}
