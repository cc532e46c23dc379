#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <vector>

// One key of a bone's track: at that time the bone sits at (x, y) in its parent and is turned by
// rotation radians. A sampled pose is a key as well, its time being where it was sampled.
struct Keyframe
{
    float time = 0.0f;
    float x = 0.0f;
    float y = 0.0f;
    float rotation = 0.0f;

    // a toward b by the factor: the position in a straight line, the rotation the shorter way round.
    static Keyframe Blend(const Keyframe& a, const Keyframe& b, float factor);

    bool operator==(const Keyframe&) const = default;
};

// from toward to by the factor the shorter way round, wrapped into [0, 2π): 6.1 and 0.1 meet near
// 2π, not at 3.1. Every blend of two rotations in the animations goes through here.
float BlendRotation(float from, float to, float factor);

// The keys of one bone in ascending time. Files are read in their own order, so a track written out
// of order samples as written; the editor's insertions keep it sorted.
struct Keyframes
{
    // Places the key after every key of the same or an earlier time and answers its index.
    uint32_t Insert(const Keyframe& key);

    std::vector<Keyframe> keys;
};

namespace Timeline
{

// The track's pose at t: the first key before it, the last key after it, a blend of the two keys
// around it in between. An empty track gives the zero pose; keys of one time at t give the last of
// them, never a division by zero.
Keyframe Sample(const Keyframes& track, float t);

} // namespace Timeline

// The member as an Array of {"Time": number, "Value": {"Position": "x y", "Rotation": angle}}. A
// present member always replaces the track: a member that is no Array leaves it empty (false); each
// element appends a key that starts at zero and takes "Value" only when "Time" read. True only when
// every element had both. Keys are not sorted. An absent member leaves the track (false). What is of
// the wrong form is reported to the reader's report.
bool ReadMember(Lumvek::BlueprintReader& reader, Lumvek::StringView key, Keyframes& track);
// The same form, the rotation in degrees.
bool WriteMember(Lumvek::BlueprintWriter& writer, Lumvek::StringView key, const Keyframes& track);
