#include "Source/World/TimelineAnimation.h"

#include "Engine/Foundation/Members.h"
#include "Source/World/Player.h"

#include <algorithm>
#include <array>
#include <cmath>

using namespace Lumvek;

namespace
{

constexpr float Pi = 3.1415927f;

using PosedBones = std::array<bool, AnimationPlayback::MaximumPosedBones>;

constexpr std::array<StringView, 1> HeadKeys{"Skull"};
constexpr std::array<StringView, 7> CoreKeys{"Spine",     "RightFemur", "RightTibia", "RightFoot",
                                             "LeftFemur", "LeftTibia",  "LeftFoot"};
constexpr std::array<PlayerBone, 7> CoreNodes{PlayerBone::Spine,     PlayerBone::RightFemur, PlayerBone::RightTibia,
                                              PlayerBone::RightFoot, PlayerBone::LeftFemur,  PlayerBone::LeftTibia,
                                              PlayerBone::LeftFoot};
constexpr std::array<StringView, 2> ArmKeys{"Humerus", "Radius"};

// The flinch as the player faces: mirrored with the rig.
float FacingFlinch(const PlayerBody& body)
{
    return body.skeleton.scale.x < 0.0f ? -body.flinchAngle : body.flinchAngle;
}

// The upper arm turns from its start toward the clip the way that keeps it from pointing backwards
// (rotation π), even when that is the longer way round.
float BlendUpperArmRotation(float from, float to, float weight)
{
    if (from > Pi && to < Pi)
        to += TwoPi;
    else if (to > Pi && from < Pi)
        to -= TwoPi;
    else
        return BlendRotation(from, to, weight);
    return WrapAngle(from + (to - from) * weight);
}

} // namespace

void TimelineAnimation::SaveStartPose(PlayerBody& body, AnimationPlayback& playback)
{
    for (uint32_t i = 0; i < trackKeys.size(); ++i)
        if (const Bone* bone = body.GetBone(GetNode(i)))
            playback.startPose[i] = Keyframe{0.0f, bone->position.x, bone->position.y, bone->rotation};
}

void TimelineAnimation::BlendToStartPose(PlayerBody& body, AnimationPlayback& playback, float weight)
{
    PosedBones posed{};
    for (uint32_t i = 0; i < trackKeys.size(); ++i)
    {
        Bone* bone = body.GetBone(GetNode(i));
        if (!bone || tracks[i].keys.empty())
            continue;
        const Keyframe target = Timeline::Sample(tracks[i], playback.blendEnd);
        const Keyframe& start = playback.startPose[i];
        bone->position.x = start.x + (target.x - start.x) * weight;
        bone->position.y = start.y + (target.y - start.y) * weight;
        bone->rotation = IsUpperArm(i) ? BlendUpperArmRotation(start.rotation, target.rotation, weight)
                                       : BlendRotation(start.rotation, target.rotation, weight);
        bone->MarkDirty();
        posed[i] = true;
    }
    ApplyFlinch(body, FacingFlinch(body), posed);
}

void TimelineAnimation::Pose(PlayerBody& body, AnimationPlayback&, float time)
{
    PosedBones posed{};
    for (uint32_t i = 0; i < trackKeys.size(); ++i)
    {
        Bone* bone = body.GetBone(GetNode(i));
        if (!bone || tracks[i].keys.empty())
            continue;
        const Keyframe pose = Timeline::Sample(tracks[i], time);
        bone->position = Vector2(pose.x, pose.y);
        bone->rotation = pose.rotation;
        bone->MarkDirty();
        posed[i] = true;
    }
    ApplyFlinch(body, FacingFlinch(body), posed);
}

bool TimelineAnimation::Read(BlueprintReader& reader)
{
    PlayerAnimation::Read(reader);
    ReadOwnKeys(reader);
    for (uint32_t i = 0; i < trackKeys.size(); ++i)
        ReadMember(reader, trackKeys[i], tracks[i]);
    return true;
}

void TimelineAnimation::Write(BlueprintWriter& writer) const
{
    PlayerAnimation::Write(writer);
    WriteOwnKeys(writer);
    for (uint32_t i = 0; i < trackKeys.size(); ++i)
        WriteMember(writer, trackKeys[i], tracks[i]);
}

Keyframes* TimelineAnimation::FindTrack(StringView key)
{
    for (uint32_t i = 0; i < trackKeys.size(); ++i)
        if (trackKeys[i] == key)
            return &tracks[i];
    return nullptr;
}

void TimelineAnimation::OnStart(Player& player, AnimationPlayback& playback)
{
    SaveStartPose(player.body, playback);
}

void TimelineAnimation::ApplyTransition(Player& player, AnimationPlayback& playback, float, float weight)
{
    BlendToStartPose(player.body, playback, weight);
}

void TimelineAnimation::Apply(Player& player, AnimationPlayback& playback, float, float time, float)
{
    Pose(player.body, playback, time);
}

void TimelineAnimation::Turn(PlayerBody& body, PlayerBone node, float angle)
{
    if (Bone* bone = body.GetBone(node))
    {
        bone->rotation = WrapAngle(bone->rotation + angle);
        bone->MarkDirty();
    }
}

HeadAnimation::HeadAnimation() : TimelineAnimation(HeadKeys) {}

PlayerBone HeadAnimation::GetNode(uint32_t) const
{
    return PlayerBone::Skull;
}

CoreAnimation::CoreAnimation() : TimelineAnimation(CoreKeys) {}

PlayerBone CoreAnimation::GetNode(uint32_t track) const
{
    return CoreNodes[track];
}

void CoreAnimation::ApplyFlinch(PlayerBody& body, float angle, const PosedBones& posed) const
{
    // Track indices of CoreKeys.
    if (posed[0])
        Turn(body, PlayerBone::Spine, angle);
    if (posed[4])
        Turn(body, PlayerBone::LeftFemur, -angle);
    if (posed[1])
        Turn(body, PlayerBone::RightFemur, -angle);
}

ArmAnimation::ArmAnimation() : TimelineAnimation(ArmKeys) {}

PlayerBone ArmAnimation::GetNode(uint32_t track) const
{
    if (track == 0)
        return isLeftArm ? PlayerBone::LeftHumerus : PlayerBone::RightHumerus;
    return isLeftArm ? PlayerBone::LeftRadius : PlayerBone::RightRadius;
}

void ArmAnimation::ApplyFlinch(PlayerBody& body, float angle, const PosedBones& posed) const
{
    if (posed[0])
        Turn(body, GetNode(0), -angle);
}

void ArmAnimation::ReadOwnKeys(BlueprintReader& reader)
{
    ReadMember(reader, "IsLeftArm", isLeftArm);
}

void ArmAnimation::WriteOwnKeys(BlueprintWriter& writer) const
{
    WriteMember(writer, "IsLeftArm", isLeftArm);
}

bool MovingAnimation::IsWalking(const PlayerBody& body)
{
    return std::fabs(body.ownSpeed) < RunningSpeed;
}

float MovingAnimation::GetPlaybackSpeed(const PlayerBody& body) const
{
    const float speed = std::fabs(body.ownSpeed);
    return speed * (IsWalking(body) ? GetWalking().playbackSpeed : GetRunning().playbackSpeed);
}

float MovingAnimation::GetUpdateSpeed(const Player& player) const
{
    return GetPlaybackSpeed(player.body);
}

void MovingAnimation::OnStart(Player& player, AnimationPlayback& playback)
{
    playback.wasWalking = !IsWalking(player.body);
}

void MovingAnimation::ApplyTransition(Player& player, AnimationPlayback& playback, float step, float weight)
{
    Apply(player, playback, step, weight, 1.0f);
}

void MovingAnimation::Apply(Player& player, AnimationPlayback& playback, float step, float time, float)
{
    PlayerBody& body = player.body;
    const bool walking = IsWalking(body);
    TimelineAnimation& clip = walking ? GetWalking() : GetRunning();
    if (playback.blending)
    {
        playback.blendLeft -= step;
        playback.blending = playback.blendLeft > 0.0f;
    }
    if (walking != playback.wasWalking)
    {
        playback.blendStart = playback.time;
        playback.blendEnd = playback.time + transitionTime;
        if (playback.blendEnd >= 1.0f)
            playback.blendEnd -= 1.0f;
        playback.blendLeft = transitionTime;
        playback.blending = true;
        clip.SaveStartPose(body, playback);
    }
    if (playback.blending)
    {
        // How far the blend has come, counted through the loop point when the clock wrapped since it
        // began; a blend of no length is done at once.
        float elapsed = playback.time - playback.blendStart;
        if (elapsed < 0.0f)
            elapsed += 1.0f;
        const float weight = transitionTime > 0.0f ? std::clamp(elapsed / transitionTime, 0.0f, 1.0f) : 1.0f;
        clip.BlendToStartPose(body, playback, weight);
    }
    else
    {
        clip.Pose(body, playback, time);
    }
    playback.wasWalking = walking;
}

bool MovingAnimation::Read(BlueprintReader& reader)
{
    PlayerAnimation::Read(reader);
    ReadOwnKeys(reader);
    for (const auto& [key, clip] :
         {std::pair<StringView, TimelineAnimation*>{"Running", &GetRunning()}, {"Walking", &GetWalking()}})
    {
        if (!reader.GetMember(key))
            continue;
        const bool object = reader.GetCurrent().GetType() == BlueprintType::Object;
        if (object)
            clip->Read(reader);
        reader.Pop();
        if (!object)
            reader.Refuse(key, "a clip object was expected");
    }
    ShareWithClips();
    return true;
}

void MovingAnimation::Write(BlueprintWriter& writer) const
{
    PlayerAnimation::Write(writer);
    WriteOwnKeys(writer);
    for (const auto& [key, clip] :
         {std::pair<StringView, const TimelineAnimation*>{"Running", &GetRunning()}, {"Walking", &GetWalking()}})
    {
        writer.PushMember(key);
        writer.GetCurrent().SetObject();
        clip->Write(writer);
        writer.Pop();
    }
}

void MovingAnimation::ShareWithClips()
{
    GetWalking().transitionTime = transitionTime;
    GetRunning().transitionTime = transitionTime;
}

void ArmMovingAnimation::ReadOwnKeys(BlueprintReader& reader)
{
    ReadMember(reader, "IsLeftArm", isLeftArm);
}

void ArmMovingAnimation::WriteOwnKeys(BlueprintWriter& writer) const
{
    WriteMember(writer, "IsLeftArm", walking.isLeftArm && running.isLeftArm);
}

void ArmMovingAnimation::ShareWithClips()
{
    MovingAnimation::ShareWithClips();
    walking.isLeftArm = isLeftArm;
    running.isLeftArm = isLeftArm;
}
