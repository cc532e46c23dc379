#pragma once

#include "Source/World/Keyframes.h"
#include "Source/World/PlayerAnimation.h"

#include <array>
#include <cstdint>
#include <span>

class PlayerBody;

// A keyframed clip of some of the rig's bones: one track per bone, each setting the bone's local
// position and rotation. Start keeps where the bones were; the transition moves them from there to the
// clip's pose at TransitionTime, from where the clip plays. A bone whose track is empty is left alone.
class TimelineAnimation : public PlayerAnimation
{
public:
    // Keeps the current pose of every bone the clip poses in the playback.
    virtual void SaveStartPose(PlayerBody& body, AnimationPlayback& playback);
    // Each bone from its kept pose toward its track's pose at the playback's BlendEnd, by weight.
    virtual void BlendToStartPose(PlayerBody& body, AnimationPlayback& playback, float weight);
    // Each bone from its track at the time.
    virtual void Pose(PlayerBody& body, AnimationPlayback& playback, float time);

    // The base keys, then the class's own, then a track per bone under the bone's key.
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;

    // The file keys of the tracks, in the order of tracks.
    std::span<const Lumvek::StringView> GetTrackKeys() const { return trackKeys; }
    // The track of that key; null when the class has none of that name.
    Keyframes* FindTrack(Lumvek::StringView key);

    std::array<Keyframes, AnimationPlayback::MaximumPosedBones> tracks;

protected:
    explicit TimelineAnimation(std::span<const Lumvek::StringView> trackKeys) : trackKeys(trackKeys) {}

    void OnStart(Player& player, AnimationPlayback& playback) override;
    void ApplyTransition(Player& player, AnimationPlayback& playback, float step, float weight) override;
    void Apply(Player& player, AnimationPlayback& playback, float step, float time, float interpolation) override;

    // The rig node the track of that index poses.
    virtual PlayerBone GetNode(uint32_t track) const = 0;
    // Whether the track's bone is an upper arm, which never blends through pointing backwards.
    virtual bool IsUpperArm(uint32_t) const { return false; }
    // Turns the bones a hit bends by the facing-signed flinch, of the bones posed this frame (by track
    // index) only: a bone no track sets would otherwise turn a little further every frame.
    virtual void ApplyFlinch(PlayerBody&, float, const std::array<bool, AnimationPlayback::MaximumPosedBones>&) const {}
    // The class's keys between the base keys and the tracks.
    virtual void ReadOwnKeys(Lumvek::BlueprintReader&) {}
    virtual void WriteOwnKeys(Lumvek::BlueprintWriter&) const {}

    // Turns a node by the angle, wrapped.
    static void Turn(PlayerBody& body, PlayerBone node, float angle);

private:
    std::span<const Lumvek::StringView> trackKeys;
};

// The head's clip: the skull.
class HeadAnimation final : public TimelineAnimation
{
public:
    HeadAnimation();

protected:
    PlayerBone GetNode(uint32_t track) const override;
};

// The core's clip: the spine and both legs. A hit bends the spine one way and the thighs the other.
class CoreAnimation final : public TimelineAnimation
{
public:
    CoreAnimation();

protected:
    PlayerBone GetNode(uint32_t track) const override;
    void ApplyFlinch(PlayerBody& body, float angle,
                     const std::array<bool, AnimationPlayback::MaximumPosedBones>& posed) const override;
};

// One arm's clip: the upper and the lower arm of the side its file names ("IsLeftArm"), whatever folder
// the file lies in. A hit bends the upper arm.
class ArmAnimation final : public TimelineAnimation
{
public:
    ArmAnimation();

    bool isLeftArm = false;

protected:
    PlayerBone GetNode(uint32_t track) const override;
    bool IsUpperArm(uint32_t track) const override { return track == 0; }
    void ApplyFlinch(PlayerBody& body, float angle,
                     const std::array<bool, AnimationPlayback::MaximumPosedBones>& posed) const override;
    void ReadOwnKeys(Lumvek::BlueprintReader& reader) override;
    void WriteOwnKeys(Lumvek::BlueprintWriter& writer) const override;
};

// A gait: a walking and a running clip of the same bones, chosen by the player's own horizontal speed
// and played as fast as the player goes; a change of gait blends over TransitionTime. The file holds
// the two clips as the objects "Walking" and "Running".
class MovingAnimation : public PlayerAnimation
{
public:
    // At this speed or faster the player runs.
    static constexpr float RunningSpeed = 2.5f;

    static bool IsWalking(const PlayerBody& body);
    // The speed times the chosen clip's PlaybackSpeed, which acts as cycles per unit of speed.
    float GetPlaybackSpeed(const PlayerBody& body) const;

    virtual TimelineAnimation& GetWalking() = 0;
    virtual TimelineAnimation& GetRunning() = 0;
    const TimelineAnimation& GetWalking() const { return const_cast<MovingAnimation*>(this)->GetWalking(); }
    const TimelineAnimation& GetRunning() const { return const_cast<MovingAnimation*>(this)->GetRunning(); }

    // The base keys, then the class's own, then "Running" and "Walking", each read whole by its clip,
    // which then takes the outer TransitionTime.
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;

protected:
    float GetUpdateSpeed(const Player& player) const override;
    // The first frame always sees a change of gait, so the clip blends in from the current pose.
    void OnStart(Player& player, AnimationPlayback& playback) override;
    void ApplyTransition(Player& player, AnimationPlayback& playback, float step, float weight) override;
    void Apply(Player& player, AnimationPlayback& playback, float step, float time, float interpolation) override;

    virtual void ReadOwnKeys(Lumvek::BlueprintReader&) {}
    virtual void WriteOwnKeys(Lumvek::BlueprintWriter&) const {}
    // After reading: what the clips take from the outer animation.
    virtual void ShareWithClips();
};

// The core's gait.
class CoreMovingAnimation final : public MovingAnimation
{
public:
    TimelineAnimation& GetWalking() override { return walking; }
    TimelineAnimation& GetRunning() override { return running; }

    CoreAnimation walking;
    CoreAnimation running;
};

// One arm's gait; "IsLeftArm" of the outer file chooses the side of both clips.
class ArmMovingAnimation final : public MovingAnimation
{
public:
    TimelineAnimation& GetWalking() override { return walking; }
    TimelineAnimation& GetRunning() override { return running; }

    ArmAnimation walking;
    ArmAnimation running;
    bool isLeftArm = false;

protected:
    void ReadOwnKeys(Lumvek::BlueprintReader& reader) override;
    // "IsLeftArm" is true only when both clips are left arms.
    void WriteOwnKeys(Lumvek::BlueprintWriter& writer) const override;
    void ShareWithClips() override;
};
