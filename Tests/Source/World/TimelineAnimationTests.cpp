#include "Source/World/TimelineAnimation.h"

#include "Tests/Source/World/AnimationTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Lumvek;
using AnimationTesting::ReadAnimation;
using AnimationTesting::Scene;

namespace
{

// A gait whose walking clip turns the spine to 0 and whose running clip turns it to 0.4, each played
// at one time unit per second at the speeds 1 (walking) and 3 (running).
constexpr StringView Gait = R"~({ TransitionTime = 0.2
    Walking { PlaybackSpeed = 1.0 Spine [ { Time = 0.0 Value { Position = "0.5 0.38" Rotation = "Radians(0)" } } ] }
    Running { PlaybackSpeed = 0.33333334
              Spine [ { Time = 0.0 Value { Position = "0.5 0.38" Rotation = "Radians(0.4)" } } ] } })~";

} // namespace

TEST(TimelineAnimation, ACoreClipOfTheSpineAlonePosesTheSpineAndLeavesTheLegsWhereTheyWereFlinchOrNot)
{
    for (bool facingLeft : {false, true})
    {
        Scene scene({10.0f, 2.0f}, facingLeft);
        Player& player = scene.player;
        auto core = ReadAnimation<CoreAnimation>(
            R"~({ Spine [ { Time = 0.0 Value { Position = "0.5 0.4" Rotation = "Radians(0.5)" } } ] })~");
        Bone& femur = scene.Node(PlayerBone::LeftFemur);
        femur.rotation = 0.3f;
        player.body.flinchAngle = 0.2f;
        AnimationPlayback playback;
        core->Start(player, playback);
        for (int frame = 0; frame < 3; ++frame)
        {
            core->Update(player, playback, 0.1f, 1.0f);
            EXPECT_NEAR(scene.Node(PlayerBone::Spine).rotation, facingLeft ? 0.3f : 0.7f, 1e-6f) << frame;
            EXPECT_FLOAT_EQ(scene.Node(PlayerBone::Spine).position.y, 0.4f);
            // A bone no track sets does not turn a little further every frame.
            EXPECT_EQ(femur.rotation, 0.3f) << frame;
        }
    }
}

TEST(TimelineAnimation, AnArmClipPosesTheSideItsFileNamesWhicheverFolderItCameFrom)
{
    Scene scene;
    for (bool left : {false, true})
    {
        auto arm = ReadAnimation<ArmAnimation>(
            std::string("{ ") + (left ? "IsLeftArm = true " : "") +
            R"~(Humerus [ { Time = 0.0 Value { Position = "0.5 0.85" Rotation = "Radians(0.5)" } } ] })~");
        Bone& own = scene.Node(left ? PlayerBone::LeftHumerus : PlayerBone::RightHumerus);
        Bone& other = scene.Node(left ? PlayerBone::RightHumerus : PlayerBone::LeftHumerus);
        own.rotation = other.rotation = 0.0f;
        AnimationPlayback playback;
        arm->Start(scene.player, playback);
        arm->Update(scene.player, playback, 0.1f, 1.0f);
        EXPECT_FLOAT_EQ(own.rotation, 0.5f) << left;
        EXPECT_EQ(other.rotation, 0.0f) << left;
    }
}

TEST(TimelineAnimation, TheUpperArmBlendsTheWayThatNeverPointsBackwardsAndTheLowerArmTheShortWay)
{
    Scene scene;
    auto arm = ReadAnimation<ArmAnimation>(R"~({ TransitionTime = 1.0
        Humerus [ { Time = 0.0 Value { Position = "0.6 0.85" Rotation = "Radians(2.5)" } } ]
        Radius [ { Time = 0.0 Value { Position = "0.5 0.1" Rotation = "Radians(2.5)" } } ] })~");
    Bone& humerus = scene.Node(PlayerBone::RightHumerus);
    Bone& radius = scene.Node(PlayerBone::RightRadius);
    humerus.rotation = radius.rotation = 3.5f;
    AnimationPlayback playback;
    arm->Start(scene.player, playback);
    arm->Update(scene.player, playback, 0.5f, 1.0f);
    // Up through 2π and round, rather than back down through π.
    EXPECT_NEAR(humerus.rotation, 3.5f + (2.5f + 6.2831855f - 3.5f) * 0.5f, 1e-5f);
    EXPECT_NEAR(radius.rotation, 3.0f, 1e-5f);
    arm->Update(scene.player, playback, 0.5f, 1.0f);
    EXPECT_NEAR(humerus.rotation, 2.5f, 1e-5f);
}

TEST(TimelineAnimation, AGaitRunsFromTwoAndAHalfEitherWayAtItsSpeedTimesTheClipsSpeed)
{
    Scene scene;
    auto gait = ReadAnimation<CoreMovingAnimation>(R"~({ PlaybackSpeed = 9.0
        Walking { PlaybackSpeed = 0.5 } Running { PlaybackSpeed = 0.25 } })~");
    struct Case
    {
        float ownSpeed;
        bool walking;
        float speed;
    };
    for (const Case& c : {Case{-3.0f, false, 0.75f}, Case{2.4999f, true, 1.24995f}, Case{2.5f, false, 0.625f},
                          Case{-2.5f, false, 0.625f}, Case{0.0f, true, 0.0f}})
    {
        scene.player.body.ownSpeed = c.ownSpeed;
        EXPECT_EQ(MovingAnimation::IsWalking(scene.player.body), c.walking) << c.ownSpeed;
        EXPECT_FLOAT_EQ(gait->GetPlaybackSpeed(scene.player.body), c.speed) << c.ownSpeed;
    }

    // Standing still holds the clip's time.
    AnimationPlayback playback;
    scene.player.body.ownSpeed = 0.0f;
    gait->Start(scene.player, playback);
    gait->Update(scene.player, playback, 0.5f, 1.0f);
    EXPECT_EQ(playback.time, 0.0f);
}

TEST(TimelineAnimation, AGaitChangeBlendsOverTheTransitionTimeAcrossTheLoopPointToo)
{
    Scene scene;
    Player& player = scene.player;
    Bone& spine = scene.Node(PlayerBone::Spine);
    auto gait = ReadAnimation<CoreMovingAnimation>(Gait);
    AnimationPlayback playback;
    player.body.ownSpeed = 1.0f;
    gait->Start(player, playback);
    gait->Update(player, playback, 0.3f, 1.0f);
    EXPECT_TRUE(playback.blending);
    gait->Update(player, playback, 0.2f, 1.0f);
    EXPECT_FALSE(playback.blending);
    EXPECT_NEAR(spine.rotation, 0.0f, 1e-6f);

    // Running from 0.5: the blend ends at 0.7 and is half done at 0.6.
    player.body.ownSpeed = 3.0f;
    gait->Update(player, playback, 0.0f, 1.0f);
    EXPECT_TRUE(playback.blending);
    EXPECT_NEAR(playback.blendEnd, 0.7f, 1e-6f);
    gait->Update(player, playback, 0.1f, 1.0f);
    EXPECT_NEAR(spine.rotation, 0.2f, 1e-5f);
    gait->Update(player, playback, 0.1f, 1.0f);
    EXPECT_NEAR(spine.rotation, 0.4f, 1e-5f);

    // Walking again from 0.9: the blend runs on through the loop point, never outside its two poses.
    player.body.ownSpeed = 1.0f;
    gait->Update(player, playback, 0.2f, 1.0f);
    EXPECT_NEAR(playback.time, 0.9f, 1e-5f);
    EXPECT_NEAR(playback.blendEnd, 0.1f, 1e-5f);
    const float expected[] = {0.3f, 0.1f, 0.0f};
    const float frames[] = {0.05f, 0.1f, 0.1f};
    for (int i = 0; i < 3; ++i)
    {
        gait->Update(player, playback, frames[i], 1.0f);
        EXPECT_NEAR(spine.rotation, expected[i], 1e-4f) << i;
    }
}
