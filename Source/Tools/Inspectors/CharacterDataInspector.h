#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/Data/NameTables.h"
#include "Source/Tools/Inspectors/DataInspector.h"
#include "Source/World/AnimationMapping.h"
#include "Source/World/AnimationPlayback.h"
#include "Source/World/PlayerBody.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class Bone;
class CharacterData;
class MovingAnimation;
class PlayerAnimation;
class TimelineAnimation;
class World;
struct Keyframes;

// The skeleton and animation workbench of one character: the character stands in the running match
// as world visuals, one per bone with a sprite; its bones are edited in place, its mappings and
// animations listed, and one animation at a time opened on a preview body, played, keyed on a
// timeline and saved to its own file. The visuals belong to the world the window was opened in, so
// the window closes with the match. Application thread, inside the tools' frame.
class CharacterDataInspector final : public DataInspector
{
public:
    // One button of the animation list: a gait gives one for each of its clips.
    struct AnimationEntry
    {
        std::string label;
        TimelineAnimation* timeline = nullptr;
        // The gait whose clip the timeline is; null for a plain clip.
        MovingAnimation* moving = nullptr;
    };

    // Without a world (or in a headless one) only the fields are set and no visual is made.
    explicit CharacterDataInspector(CharacterData* character);
    ~CharacterDataInspector() override;

    void Draw() override;
    // The skeleton's file form takes the bones as edited, so that "Save" keeps the edits.
    void BeforeSave() override;
    void DrawWorld(const ToolsView& view, LineRenderer& lines) override;
    bool IsWorldBound() const override { return world != nullptr; }

    // The buttons of a channel's animations, by name: a gait "Run" gives "Run Walking" and
    // "Run Running"; animations that are no clip (the built-in actions) give none.
    static std::vector<AnimationEntry> ListAnimations(const AnimationTable& table);
    // Poses the preview body (the character in the basic parts) at the clip's start and enters
    // animation mode, paused. False, logged, with the window left as it was, when a basic part is
    // missing from the registry.
    bool OpenAnimation(const AnimationEntry& entry);
    // Back to browse mode, the visuals showing the character's own skeleton again.
    void CloseAnimation();
    // One frame of playback: while playing, the time moves by the seconds times the clip's speed and
    // wraps into [0, 1); the preview is posed at the time either way.
    void Advance(float seconds);
    // Faces the character (and the preview) left or right.
    void SetFlipped(bool flip);
    // Writes the open animation (the whole gait for a clip of one) to its own file as LON, merged into
    // what the file held: what the animation does not know is kept and untouched values keep their
    // text. Refused, with a message naming the file and its first problems, while the file did not
    // read whole. True, and "saved {} to {}", only once the text is on disk; a failed write leaves
    // the old file.
    bool Save();
    // What Save writes: the gait of an open clip of one, else the open clip; null with none open.
    PlayerAnimation* GetSavedAnimation() const;

    // The root of the character's skeleton; null when it has none.
    Bone* GetMainRig() const;
    bool InAnimationMode() const { return editedTimeline != nullptr; }

    CharacterData* character = nullptr;
    std::string selectedLabel;
    TimelineAnimation* editedTimeline = nullptr;
    MovingAnimation* editedAnimation = nullptr;
    // The part the open clip poses ("Head", "Core", "Left Arm" or "Right Arm"), shown over its editor.
    std::string partLabel;
    std::unique_ptr<PlayerBody> previewBody = std::make_unique<PlayerBody>();
    AnimationPlayback animationState;
    Keyframes* selectedTrack = nullptr;
    uint32_t selectedKey = 0;
    uint8_t playing = 1;
    float playbackTime = 0.0f;
    Lumvek::Vector2 previewPosition;
    uint8_t flipped = 0;
    uint8_t drawBoxes = 0;
    uint8_t drawNodes = 0;

    // The visuals by bone name, in creation order.
    std::vector<std::string> nodeNames;
    std::vector<uint16_t> visuals;

private:
    void CreateVisuals(Bone& node);
    // The visual of one bone with a sprite, mapped by the bone's name.
    void CreateVisual(Bone& node);
    void Synchronise(Bone& node);
    void SynchroniseShown();
    void ReleaseVisuals();
    void DrawCamera();
    void DrawSkeletonNode(Bone& node);
    void DrawMappings();
    void DrawAnimations();
    void DrawAnimationEditor();
    void DrawKeyTracks();
    void DrawNodeOverlay(Bone& node, LineRenderer& lines);

    // The world the visuals were made in; null without one.
    World* world = nullptr;
    // Whether the main rig faced left as the definition gave it: its file form keeps that facing,
    // whichever way the window shows it, and the rig faces so again when the window closes.
    bool mainRigMirrored = false;
    std::unordered_map<std::string, uint32_t> visualIndex;
};
