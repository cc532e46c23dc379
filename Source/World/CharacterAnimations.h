#pragma once

#include "Engine/Foundation/ReadReport.h"
#include "Engine/Foundation/StringView.h"
#include "Source/World/AnimationMapping.h"

#include <array>
#include <vector>

class CharacterData;

// A character's animations: for each channel (head, core, left arm, right arm) the mappings that
// choose an animation from the player's state and the animations they name. Loaded with the
// character on the start-up loader thread, read on the application thread once loading has finished.
class CharacterAnimations
{
public:
    // The channel's folder below the character's "Animations" folder and its mapping file below the
    // character's folder, without extension: "Head" and "Mappings/HeadMappings".
    static Lumvek::StringView GetFolder(AnimationChannel channel);
    static Lumvek::StringView GetMappingName(AnimationChannel channel);

    // Reads the four mapping files (Assets/Characters/<name>/Mappings/<Channel>Mappings.data) and every
    // file of the four animation folders (Assets/Characters/<name>/Animations/<Channel>/), each as LON,
    // below the application folder of the character's registry, then adds the built-in animations,
    // which take the place of files of their names. A file that does not read as LON is logged with its
    // path from the application folder, line and column (an animation's report is kept in unparsed) and
    // skipped: its channel keeps no mappings, or the table no animation of that name. A value a mapping
    // cannot take is logged with the file and its path and costs only its own key. Each animation
    // keeps its file's record. Without a registry only the built-ins are added.
    void Load(const CharacterData& character);
    // Forgets every mapping and destroys every animation.
    void Clear();
    // "Looking" for the head; "Reload", "PickUp" and "Push" for the left arm; "Aiming", "Reload",
    // "PutAway", "TakeOut" and "PickUp" for the right arm.
    void AddBuiltIns();

    AnimationMappings& GetMappings(AnimationChannel channel) { return mappings[static_cast<uint32_t>(channel)]; }
    const AnimationMappings& GetMappings(AnimationChannel channel) const
    {
        return mappings[static_cast<uint32_t>(channel)];
    }
    AnimationTable& GetTable(AnimationChannel channel) { return tables[static_cast<uint32_t>(channel)]; }
    const AnimationTable& GetTable(AnimationChannel channel) const { return tables[static_cast<uint32_t>(channel)]; }

    std::array<AnimationMappings, AnimationChannelCount> mappings;
    std::array<AnimationTable, AnimationChannelCount> tables;
    // The animation files that did not parse, for the character editor to name.
    std::vector<Lumvek::ReadReport> unparsed;
};
