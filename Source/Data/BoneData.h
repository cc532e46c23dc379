#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <string>
#include <vector>

// A partial bone: what a part definition changes on, or adds to, a skeleton bone. Only what it holds
// is applied, so the transform values carry flags telling whether the file gave them: a bone's
// position of (0, 0) and no position at all must differ. Held by value by the definition that read it,
// children by their parent.
struct BoneData
{
    // Bones nested deeper than this are not read: the reader recurses once per level, and a skeleton
    // is a handful of levels deep.
    static constexpr uint32_t MaximumDepth = 64;

    // Takes the keys of the reader's current Object; absent or mistyped keys keep their fields, and a
    // key read sets its flag. "Children" replaces the children. Always true.
    bool Read(Lumvek::BlueprintReader& reader);
    // Adds the keys whose fields say something: the flagged transform values, a name, draw orders and
    // lists that are not empty, and the sprite layout when FrameCount is set. The sprite ids are
    // never written: they are found again from the image files.
    void Write(Lumvek::BlueprintWriter& writer) const;

    bool operator==(const BoneData&) const = default;

    Lumvek::Vector2 position;
    // Radians.
    float rotation = 0.0f;
    Lumvek::Vector2 size;
    // The point of the bone that sits at its position.
    Lumvek::Vector2 offset;
    // 0 leaves the bone's sprite layout as it is.
    uint32_t frameCount = 0;
    uint32_t cellCountX = 1;
    uint32_t cellCountY = 1;
    // Draw orders when facing left and right; -1 for unset.
    uint32_t leftOrder = Lumvek::InvalidId;
    uint32_t rightOrder = Lumvek::InvalidId;
    // A polygon in bone space.
    std::vector<Lumvek::Vector2> shape;
    std::vector<BoneData> children;
    std::string name;
    // Sprite ids in NameTableA, found from the owner's image files once read; the bone's draw region
    // and region take them.
    uint32_t drawRegion = Lumvek::InvalidId;
    uint32_t region = Lumvek::InvalidId;
    bool hasPosition = false;
    bool hasRotation = false;
    bool hasSize = false;
    bool hasOffset = false;

private:
    bool Read(Lumvek::BlueprintReader& reader, uint32_t depth);
};

// A bone as the Object member key of the reader's current Object: false, the bone untouched, when
// there is no such Object.
bool ReadMember(Lumvek::BlueprintReader& reader, Lumvek::StringView key, BoneData& bone);
// The bone as the Object member key, an empty Object when it writes nothing. True.
bool WriteMember(Lumvek::BlueprintWriter& writer, Lumvek::StringView key, const BoneData& bone);
