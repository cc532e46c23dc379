#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/ReadReport.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/StringView.h"
#include "Source/World/AnimationPlayback.h"

#include <cstdint>
#include <string>
#include <vector>

class Player;

// A sound an animation plays when its time passes the trigger's.
struct SoundTrigger
{
    float time = 0.0f;
    // The sound's name in NameSet::Global, which is the id it plays by.
    uint32_t sound = Lumvek::InvalidId;

    bool operator==(const SoundTrigger&) const = default;
};

using SoundTriggers = std::vector<SoundTrigger>;

// "SoundTriggers": an Array of {"Time": number, "Sound": name}. A present member replaces the triggers
// (false, none left, when it is no Array); a missing "Time" stays 0, a missing "Sound" plays nothing.
// What is of the wrong form is reported to the reader's report.
bool ReadMember(Lumvek::BlueprintReader& reader, Lumvek::StringView key, SoundTriggers& triggers);
bool WriteMember(Lumvek::BlueprintWriter& writer, Lumvek::StringView key, const SoundTriggers& triggers);

// The base of every character animation: a clip that begins with a transition from wherever the
// bones are, then plays, looping or holding, with sounds at set times. One object serves every player
// of its character, each through the playback block of the channel that plays it. Owned by the
// character's animation table; used on the application thread only.
class PlayerAnimation
{
public:
    PlayerAnimation() = default;
    PlayerAnimation(const PlayerAnimation&) = delete;
    PlayerAnimation& operator=(const PlayerAnimation&) = delete;
    virtual ~PlayerAnimation();

    // Begins the clip for the player: a fresh playback block, the transition ahead.
    virtual void Start(Player& player, AnimationPlayback& playback);
    // Advances by the frame's seconds times the playback speed: poses the transition toward the clip
    // until its time passes TransitionTime, then plays the clip (a looping clip wraps from 1 to 0),
    // playing the sounds whose time the frame passed.
    virtual void Update(Player& player, AnimationPlayback& playback, float frameTime, float interpolation);
    // "SoundTriggers", "TransitionTime" and "PlaybackSpeed"; absent or mistyped keys keep their values
    // (the two times must be written with a decimal point), and the mistyped ones go to the reader's
    // report. Classes add their own keys. True.
    virtual bool Read(Lumvek::BlueprintReader& reader);
    // The three keys in that order.
    virtual void Write(Lumvek::BlueprintWriter& writer) const;

    SoundTriggers soundTriggers;
    // In the animation's time units.
    float transitionTime = 0.0f;
    // Time units per second: cycles per second for a looping clip.
    float playbackSpeed = 1.0f;
    // The file the animation came from, relative to the application folder; empty for built-in ones.
    std::string path;
    // That file as last read or saved and what of it the animation could not take: the character
    // editor's Save merges its edits into the file through it, and refuses while it did not read whole.
    Lumvek::FileRecord record;
    // Not kept in files.
    bool looping = true;

protected:
    // Time units per second for the player this frame: PlaybackSpeed, unless the class follows the
    // player's speed.
    virtual float GetUpdateSpeed(const Player& player) const;
    // The class's own start, at the end of Start.
    virtual void OnStart(Player& player, AnimationPlayback& playback);
    // The pose during the transition; weight runs from 0 to 1.
    virtual void ApplyTransition(Player& player, AnimationPlayback& playback, float step, float weight);
    // The pose at the given time of the clip.
    virtual void Apply(Player& player, AnimationPlayback& playback, float step, float time, float interpolation);
};
