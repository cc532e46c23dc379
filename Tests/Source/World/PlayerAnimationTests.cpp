#include "Source/World/PlayerAnimation.h"

#include "Source/Data/NamedAssets.h"
#include "Tests/Source/World/AnimationTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Lumvek;
using AnimationTesting::Scene;

namespace
{

// Keeps what the base update asks of its class.
class Probe final : public PlayerAnimation
{
public:
    std::vector<float> weights;
    std::vector<float> times;

protected:
    void ApplyTransition(Player&, AnimationPlayback&, float, float weight) override { weights.push_back(weight); }
    void Apply(Player&, AnimationPlayback&, float, float time, float) override { times.push_back(time); }
};

// A probe playing past its transition, with footsteps at the given times.
struct Playing
{
    explicit Playing(std::vector<float> stepTimes)
    {
        for (float time : stepTimes)
            probe.soundTriggers.push_back({time, Sounds::Step1});
        probe.Start(scene.player, playback);
        playback.transitionDone = true;
        scene.player.body.ownSpeed = 2.0f;
    }

    // Plays from the time by the frame's seconds; the sounds played meanwhile.
    size_t Play(float from, float frame)
    {
        playback.time = from;
        scene.game.sounds.clear();
        probe.Update(scene.player, playback, frame, 0.0f);
        return scene.game.sounds.size();
    }

    Scene scene;
    Probe probe;
    AnimationPlayback playback;
};

} // namespace

TEST(PlayerAnimation, TheTransitionWeightIsTheTimeOverTheTransitionTimeAndOneWithoutATransition)
{
    Scene scene;
    Probe probe;
    AnimationPlayback playback;
    probe.transitionTime = 0.25f;
    probe.Start(scene.player, playback);
    EXPECT_EQ(playback.blendEnd, 0.25f);
    probe.Update(scene.player, playback, 0.1f, 0.0f);
    ASSERT_EQ(probe.weights.size(), 1u);
    EXPECT_NEAR(probe.weights[0], 0.4f, 1e-6f);

    // Standing still at the start of a clip without a transition: nothing to blend, not 0 / 0.
    probe.weights.clear();
    probe.transitionTime = 0.0f;
    probe.Start(scene.player, playback);
    probe.Update(scene.player, playback, 0.0f, 0.0f);
    ASSERT_EQ(probe.weights.size(), 1u);
    EXPECT_EQ(probe.weights[0], 1.0f);
    probe.Update(scene.player, playback, 0.1f, 0.0f);
    EXPECT_TRUE(playback.transitionDone);
    EXPECT_EQ(probe.times.size(), 1u);
}

TEST(PlayerAnimation, ALoopingClipWrapsWithoutSoundAndATriggerSoundsOnceWhenItsTimeIsPassed)
{
    Playing playing({0.0f, 0.02f, 0.5f, 0.97f});
    EXPECT_EQ(playing.Play(0.95f, 0.1f), 0u);
    EXPECT_NEAR(playing.playback.time, 0.05f, 1e-6f);
    EXPECT_NEAR(playing.probe.times.back(), 0.05f, 1e-6f);
    EXPECT_EQ(playing.Play(0.45f, 0.1f), 1u);
    EXPECT_EQ(playing.Play(0.55f, 0.1f), 0u);

    playing.probe.looping = false;
    playing.Play(0.95f, 0.1f);
    EXPECT_NEAR(playing.playback.time, 1.05f, 1e-6f);
}

TEST(PlayerAnimation, FootstepsSoundByTheShareOfTopSpeedEitherWayAndNotAtAllWithoutOne)
{
    Playing playing({0.5f});
    Player& player = playing.scene.player;
    player.modifiers = PlayerModifiers(Player::IdentityModifiers());
    struct Case
    {
        float ownSpeed;
        float forward;
        float backward;
        float volume;
    };
    for (const Case& c : {Case{2.0f, 4.0f, 3.0f, 0.5f}, Case{-3.0f, 4.0f, 3.0f, 0.75f}, Case{-3.0f, 2.0f, 6.0f, 0.5f},
                          Case{1.0f, 0.0f, 0.0f, 0.0f}})
    {
        player.body.ownSpeed = c.ownSpeed;
        player.baseAttributes.maximumForwardSpeed = c.forward;
        player.baseAttributes.maximumBackwardSpeed = c.backward;
        ASSERT_EQ(playing.Play(0.45f, 0.1f), 1u);
        EXPECT_FLOAT_EQ(playing.scene.game.sounds[0].volume, c.volume) << c.ownSpeed << " " << c.forward;
        EXPECT_EQ(playing.scene.game.sounds[0].sound, Sounds::Step1);
    }
}

TEST(PlayerAnimation, TheBaseKeysTakeNumberTimesOnlyAndWriteBackInTheirOrder)
{
    Probe probe;
    const Blueprint file = AnimationTesting::Lon(R"({ TransitionTime = "1" PlaybackSpeed = 2.5
        SoundTriggers [ { Time = 0.25 Sound = "Step2" } { Sound = "Step1" } ] })");
    BlueprintReader reader(file);
    probe.Read(reader);
    EXPECT_EQ(probe.transitionTime, 0.0f);
    EXPECT_EQ(probe.playbackSpeed, 2.5f);
    EXPECT_EQ(probe.soundTriggers, (SoundTriggers{{0.25f, Sounds::Step2}, {0.0f, Sounds::Step1}}));

    const Blueprint decimalFile = AnimationTesting::Lon("{ TransitionTime = 1 }");
    BlueprintReader decimal(decimalFile);
    probe.Read(decimal);
    EXPECT_EQ(probe.transitionTime, 1.0f);
    EXPECT_EQ(probe.soundTriggers.size(), 2u);

    BlueprintWriter writer;
    probe.Write(writer);
    const ValueObject& written = writer.GetRoot().GetObject();
    ASSERT_EQ(written.GetCount(), 3u);
    EXPECT_EQ(written.GetName(0), StringView("SoundTriggers"));
    EXPECT_EQ(written.GetName(2), StringView("PlaybackSpeed"));
    Probe read;
    BlueprintReader back(writer.GetRoot());
    read.Read(back);
    EXPECT_EQ(read.soundTriggers, probe.soundTriggers);
    EXPECT_EQ(read.transitionTime, 1.0f);
}
