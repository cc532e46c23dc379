#include "Source/World/PlayerAnimation.h"

#include "Engine/Foundation/Members.h"
#include "Source/World/GameContext.h"
#include "Source/World/Player.h"

#include <algorithm>
#include <cmath>

using namespace Lumvek;

namespace
{

// Footsteps sound as loud as the player runs: the share of its top speed, whichever way it goes. A
// player that cannot move at all makes no sound.
float StepVolume(const Player& player)
{
    const float topSpeed = std::max(player.GetEffective(&Attributes::maximumForwardSpeed),
                                    player.GetEffective(&Attributes::maximumBackwardSpeed));
    if (!(topSpeed > 0.0f))
        return 0.0f;
    return std::fabs(player.body.ownSpeed) / topSpeed;
}

} // namespace

bool ReadMember(BlueprintReader& reader, StringView key, SoundTriggers& triggers)
{
    if (!reader.GetMember(key))
        return false;
    triggers.clear();
    const Blueprint& member = reader.GetCurrent();
    if (member.GetType() != BlueprintType::Array)
    {
        reader.Pop();
        reader.Refuse(key, "a list of sound triggers was expected");
        return false;
    }
    triggers.reserve(member.GetCount());
    for (uint32_t i = 0; reader.GetElement(i); ++i)
    {
        SoundTrigger& trigger = triggers.emplace_back();
        if (reader.GetCurrent().GetType() != BlueprintType::Object)
            reader.Refuse("", "a sound trigger of Time and Sound was expected");
        ReadMember(reader, "Time", trigger.time);
        Name sound;
        if (ReadMember(reader, "Sound", sound))
            trigger.sound = sound.index;
        reader.Pop();
    }
    reader.Pop();
    return true;
}

bool WriteMember(BlueprintWriter& writer, StringView key, const SoundTriggers& triggers)
{
    writer.PushMember(key);
    writer.GetCurrent().SetArray();
    for (uint32_t i = 0; i < triggers.size(); ++i)
    {
        writer.PushElement(i);
        WriteMember(writer, "Time", triggers[i].time);
        WriteMember(writer, "Sound", Name{triggers[i].sound});
        writer.Pop();
    }
    writer.Pop();
    return true;
}

PlayerAnimation::~PlayerAnimation() = default;

void PlayerAnimation::Start(Player& player, AnimationPlayback& playback)
{
    playback = AnimationPlayback();
    playback.blendEnd = transitionTime;
    OnStart(player, playback);
}

void PlayerAnimation::Update(Player& player, AnimationPlayback& playback, float frameTime, float interpolation)
{
    const float old = playback.time;
    const float step = frameTime * GetUpdateSpeed(player);
    playback.time = old + step;
    if (playback.time > transitionTime)
        playback.transitionDone = true;
    if (!playback.transitionDone)
    {
        // No transition span (or a standing start with none) has nothing left to blend over.
        const float weight = transitionTime > 0.0f ? std::clamp(playback.time / transitionTime, 0.0f, 1.0f) : 1.0f;
        ApplyTransition(player, playback, step, weight);
        return;
    }
    if (looping && playback.time > 1.0f)
    {
        playback.time -= 1.0f;
        // A frame longer than a cycle must not leave the clock outside its cycle for good.
        if (playback.time > 1.0f)
            playback.time = std::fmod(playback.time, 1.0f);
    }
    for (const SoundTrigger& trigger : soundTriggers)
        if (trigger.time > old && playback.time >= trigger.time && trigger.sound != InvalidId)
            player.GetContext().PlaySound(trigger.sound, Vector2(player.body.x, player.body.y), player.body.velocity,
                                          StepVolume(player));
    Apply(player, playback, step, playback.time, interpolation);
}

bool PlayerAnimation::Read(BlueprintReader& reader)
{
    ReadMember(reader, "SoundTriggers", soundTriggers);
    ReadMember(reader, "TransitionTime", transitionTime);
    ReadMember(reader, "PlaybackSpeed", playbackSpeed);
    return true;
}

void PlayerAnimation::Write(BlueprintWriter& writer) const
{
    WriteMember(writer, "SoundTriggers", soundTriggers);
    WriteMember(writer, "TransitionTime", transitionTime);
    WriteMember(writer, "PlaybackSpeed", playbackSpeed);
}

float PlayerAnimation::GetUpdateSpeed(const Player&) const
{
    return playbackSpeed;
}

void PlayerAnimation::OnStart(Player&, AnimationPlayback&) {}

void PlayerAnimation::ApplyTransition(Player&, AnimationPlayback&, float, float) {}

void PlayerAnimation::Apply(Player&, AnimationPlayback&, float, float, float) {}
