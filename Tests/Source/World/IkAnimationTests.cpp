#include "Source/World/IkAnimation.h"

#include "Source/Data/WeaponData.h"
#include "Tests/Source/World/AnimationTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace Lumvek;
using AnimationTesting::Scene;

namespace
{

constexpr float Pi = 3.1415927f;
constexpr float Degree = Pi / 180.0f;

float Distance(Vector2 a, Vector2 b)
{
    return (a - b).Length();
}

Vector2 Point(Scene& scene, PlayerBone bone)
{
    return IkAnimation::NodePoint(scene.player, scene.Node(bone));
}

// Gives the player a weapon of the definition, at the Dexterity given and no modifiers.
void Arm(Player& player, const WeaponData& data, float dexterity = 1.0f)
{
    player.weapon = std::make_unique<Weapon>();
    player.weapon->data = &data;
    player.modifiers = PlayerModifiers(Player::IdentityModifiers());
    player.baseAttributes.dexterity = dexterity;
}

} // namespace

TEST(IkAnimation, WithoutAWeaponTheArmAimsStraightAtATargetHalfAUnitFromTheShoulder)
{
    Scene scene;
    AimAnimation aim;
    AnimationPlayback playback;
    aim.Start(scene.player, playback);
    aim.Update(scene.player, playback, 0.02f, 1.0f);

    const Vector2 shoulder = Point(scene, PlayerBone::RightHumerus);
    const Bone& weapon = scene.Node(PlayerBone::Weapon);
    EXPECT_NEAR(Distance(Point(scene, PlayerBone::Weapon), shoulder + Vector2(0.5f, 0.0f)), 0.0f, 1e-5f);
    EXPECT_EQ(weapon.scale, Vector2(0.5f, 0.25f));
    EXPECT_EQ(weapon.rotation, 0.0f);
    // Out of reach: the arm is straight and points at the target.
    const Vector2 hand = Point(scene, PlayerBone::RightHand);
    const float armLength = Distance(Point(scene, PlayerBone::RightRadius), shoulder) +
                            Distance(hand, Point(scene, PlayerBone::RightRadius));
    EXPECT_NEAR(hand.x - shoulder.x, armLength, 1e-4f);
    EXPECT_NEAR(hand.y, shoulder.y, 1e-4f);
}

TEST(IkAnimation, TheHandReachesATargetInReachAndTheArmFoldsBackOnOneTooNear)
{
    Scene scene;
    Bone& upper = scene.Node(PlayerBone::RightHumerus);
    Bone& lower = scene.Node(PlayerBone::RightRadius);
    Bone& hand = scene.Node(PlayerBone::RightHand);
    Bone& target = scene.Node(PlayerBone::RightHandTarget);
    const Vector2 size = IkAnimation::PlayerSize(scene.player);
    const Vector2 shoulder = Point(scene, PlayerBone::RightHumerus);
    const float upperLength = Distance(Point(scene, PlayerBone::RightRadius), shoulder);
    const float lowerLength = Distance(Point(scene, PlayerBone::RightHand), Point(scene, PlayerBone::RightRadius));

    for (Vector2 offset : {Vector2(0.15f, -0.1f), Vector2(-0.05f, 0.2f), Vector2(0.2f, 0.05f)})
    {
        target.position = Vector2((shoulder.x + offset.x) / size.x, (shoulder.y + offset.y) / size.y);
        target.MarkDirty();
        IkAnimation::SolveTwoBones(upper, lower, hand, target);
        EXPECT_NEAR(Distance(Point(scene, PlayerBone::RightHand), shoulder + offset), 0.0f, 1e-4f) << offset.x;
    }

    target.position = Vector2(shoulder.x / size.x, shoulder.y / size.y);
    target.MarkDirty();
    IkAnimation::SolveTwoBones(upper, lower, hand, target);
    EXPECT_NEAR(lower.rotation, Pi, 1e-4f);
    EXPECT_NEAR(Distance(Point(scene, PlayerBone::RightHand), shoulder), std::fabs(upperLength - lowerLength), 1e-4f);
}

TEST(IkAnimation, ABoneOfNoLengthLeavesTheArmAsItIs)
{
    Scene scene;
    Bone& upper = scene.Node(PlayerBone::RightHumerus);
    Bone& lower = scene.Node(PlayerBone::RightRadius);
    lower.position = upper.offset;
    lower.MarkDirty();
    upper.rotation = 0.25f;
    lower.rotation = 0.5f;
    IkAnimation::SolveTwoBones(upper, lower, scene.Node(PlayerBone::RightHand), scene.Node(PlayerBone::Weapon));
    EXPECT_EQ(upper.rotation, 0.25f);
    EXPECT_EQ(lower.rotation, 0.5f);
}

TEST(IkAnimation, ActionsLastTheWeaponsTicksOverEachPlayersOwnDexterity)
{
    WeaponData rifle;
    rifle.reloadTime = Duration{60};
    Scene first;
    Scene second;
    Arm(first.player, rifle, 1.0f);
    Arm(second.player, rifle, 2.0f);
    // One animation object serves both players of the character.
    RightArmReloadAnimation reload;
    AnimationPlayback firstPlayback;
    AnimationPlayback secondPlayback;
    reload.Start(first.player, firstPlayback);
    reload.Start(second.player, secondPlayback);
    EXPECT_NEAR(firstPlayback.duration, 1.0f, 1e-6f);
    EXPECT_NEAR(secondPlayback.duration, 0.5f, 1e-6f);
}

TEST(IkAnimation, ProgressFollowsTheTimerAndIsCompleteForAnActionOfNoDuration)
{
    struct Case
    {
        float duration;
        int32_t timer;
        float interpolation;
        float progress;
    };
    for (const Case& c : {Case{1.0f, 30, 0.0f, 0.5f}, Case{1.0f, 30, 0.6f, 0.51f}, Case{1.0f, 120, 0.0f, 0.0f},
                          Case{0.0f, 5, 0.0f, 1.0f}, Case{0.0f, 0, 0.0f, 1.0f}})
    {
        AnimationPlayback playback;
        playback.duration = c.duration;
        EXPECT_NEAR(IkAnimation::Progress(playback, c.timer, c.interpolation), c.progress, 1e-5f) << c.duration;
    }

    // A weapon taken out in no time is at the aim at once.
    WeaponData quick;
    quick.size = Vector2(0.8f, 0.3f);
    Scene scene;
    Arm(scene.player, quick);
    scene.player.weaponTimer = 0;
    TakeOutAnimation takeOut;
    AnimationPlayback playback;
    takeOut.Start(scene.player, playback);
    takeOut.Update(scene.player, playback, 0.02f, 0.5f);
    Vector2 aimPoint;
    float aimAngle = 0.0f;
    IkAnimation::AimTarget(scene.player, aimPoint, aimAngle);
    EXPECT_NEAR(Distance(Point(scene, PlayerBone::Weapon), aimPoint), 0.0f, 1e-5f);
    EXPECT_EQ(scene.Node(PlayerBone::Weapon).scale, quick.size);
}

TEST(IkAnimation, ReloadingTheHandsReachTheReloadPointHalfwayThroughTheirShare)
{
    WeaponData rifle;
    rifle.reloadTime = Duration{60};
    Scene scene;
    Player& player = scene.player;
    Arm(player, rifle);
    player.weaponState = WeaponState::Reloading;
    player.weaponTimer = 40;
    LeftArmReloadAnimation left;
    RightArmReloadAnimation right;
    AnimationPlayback leftPlayback;
    AnimationPlayback rightPlayback;
    left.Start(player, leftPlayback);
    right.Start(player, rightPlayback);
    // 0.33 s of the 0.66 s share left.
    player.weaponTimer = 20;
    left.Update(player, leftPlayback, 0.02f, 0.2f);
    right.Update(player, rightPlayback, 0.02f, 0.2f);
    const Vector2 reload = Point(scene, PlayerBone::Reload);
    EXPECT_NEAR(Distance(Point(scene, PlayerBone::LeftHandTarget), reload), 0.0f, 1e-4f);
    EXPECT_NEAR(Distance(Point(scene, PlayerBone::Weapon), reload), 0.0f, 1e-4f);
}

TEST(IkAnimation, TheHeadLooksUpAtMostThirtyDegreesAndDownHalfTheAimStoppingAtThirtyFive)
{
    struct Case
    {
        float aim;
        float look;
    };
    for (const Case& c : {Case{60.0f, 30.0f}, Case{350.0f, 355.0f}, Case{300.0f, 342.5f}, Case{10.0f, 10.0f},
                          Case{180.0f, 30.0f}, Case{0.0f, 0.0f}})
        EXPECT_NEAR(LookAnimation::LookAngle(c.aim * Degree) / Degree, c.look, 1e-3f) << c.aim;

    Scene scene;
    scene.player.aimDirection = Vector2(-std::cos(60.0f * Degree), std::sin(60.0f * Degree));
    LookAnimation look;
    AnimationPlayback playback;
    look.Start(scene.player, playback);
    look.Update(scene.player, playback, 0.05f, 1.0f);
    EXPECT_NEAR(scene.Node(PlayerBone::Skull).rotation, 30.0f * Degree, 1e-5f);
}

TEST(IkAnimation, AMirroredPlayerIsSolvedFacingRightAndGivenItsSideBack)
{
    Scene right({10.0f, 2.0f}, false);
    Scene left({10.0f, 2.0f}, true);
    for (Scene* scene : {&right, &left})
        scene->player.aimDirection = Vector2(scene == &left ? -0.6f : 0.6f, 0.8f);
    const float leftScale = left.player.body.skeleton.scale.x;
    ASSERT_LT(leftScale, 0.0f);
    AimAnimation aim;
    for (Scene* scene : {&right, &left})
    {
        AnimationPlayback playback;
        aim.Start(scene->player, playback);
        EXPECT_EQ(scene->player.body.skeleton.scale.x, scene == &left ? leftScale : -leftScale);
        aim.Update(scene->player, playback, 0.02f, 1.0f);
    }
    EXPECT_EQ(left.player.body.skeleton.scale.x, leftScale);
    const Vector2 rightHand = IkAnimation::NodeWorldPoint(right.Node(PlayerBone::RightHand));
    const Vector2 leftHand = IkAnimation::NodeWorldPoint(left.Node(PlayerBone::RightHand));
    EXPECT_NEAR(leftHand.x, 20.0f - rightHand.x, 1e-4f);
    EXPECT_NEAR(leftHand.y, rightHand.y, 1e-4f);
}

TEST(IkAnimation, ThePushingHandGoesToTheWallBesideThePlayerAndStaysPutWithoutOne)
{
    Scene open;
    PushAnimation push;
    AnimationPlayback playback;
    const Vector2 start = Point(open, PlayerBone::LeftHand);
    push.Start(open.player, playback);
    push.Update(open.player, playback, 0.3f, 1.0f);
    EXPECT_NEAR(Distance(Point(open, PlayerBone::LeftHandTarget), start), 0.0f, 1e-5f);

    Scene wall({19.0f, 2.0f});
    Player& player = wall.player;
    player.input.move = PlayerInput::AxisRange;
    wall.game.ownRegistry.characters.At(0).UnloadAnimations();
    PlayerTesting::Step(*wall.world, 90);
    ASSERT_NE(player.body.GetContact(CollisionSide::Right).platform, nullptr);
    ASSERT_EQ(player.movementState, MovementState::WallForward);
    push.Start(player, playback);
    push.Update(player, playback, 0.1f, 1.0f);
    const Vector2 halfway = IkAnimation::NodeWorldPoint(wall.Node(PlayerBone::LeftHandTarget));
    push.Update(player, playback, 0.2f, 1.0f);
    const Vector2 target = IkAnimation::NodeWorldPoint(wall.Node(PlayerBone::LeftHandTarget));
    EXPECT_NEAR(target.x, 20.0f, 1e-4f);
    EXPECT_NEAR(target.y, player.body.skeleton.position.y + 0.6f, 1e-4f);
    EXPECT_LT(halfway.x, target.x);
}
