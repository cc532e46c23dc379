#pragma once

#include "Source/Tools/Inspectors/DataInspector.h"

#include <cstdint>
#include <initializer_list>

class ArmsData;
class BonusHitopsData;
class CoreData;
class GameContext;
class HeadData;
class HelicopterHatData;
class JetpackData;
class LegsData;
class PartData;
struct BoneData;

// The windows of the four body parts and of the ability parts built on them: the common header, a
// "Modifiers" button, the cost and energy block, the kind's size and its bones. A bone edit rebuilds
// the local players' rigs in the same frame, so the change shows on the characters of the running
// match at once. The definitions belong to the registry. Owned by the tools host; application thread.
class PartDataInspector : public DataInspector
{
public:
    explicit PartDataInspector(PartData* part);

    // Draws the bone and its children: a tree node (closed at first unless asked), the sprite previews,
    // the draw orders and the transform values behind their check boxes. True when a draw order or a
    // transform value changed (ticking a check box alone changes nothing the rig shows until a value
    // is edited).
    static bool DrawBone(BoneData& bone, bool openAtFirst = false);
    // Builds the rig of every local player of the game's running world again from its current parts,
    // keeping what the match has put on it. The number of rigs rebuilt.
    static uint32_t RebuildRigs(GameContext* game);

    PartData* part;
    // The match a bone edit reaches; the game system's when none is given.
    GameContext* context = nullptr;

protected:
    // The "Modifiers" button, then the header, the cost and the energy block.
    void DrawPart();
    // The "Bones" tree node over the bones, rebuilding the rigs after an edit.
    void DrawBones(std::initializer_list<BoneData*> bones);
};

class HeadDataInspector : public PartDataInspector
{
public:
    explicit HeadDataInspector(HeadData* head);
    void Draw() override;

    HeadData* head;
};

class CoreDataInspector : public PartDataInspector
{
public:
    explicit CoreDataInspector(CoreData* core);
    void Draw() override;

    CoreData* core;
};

// Arms have no size of their own.
class ArmsDataInspector final : public PartDataInspector
{
public:
    explicit ArmsDataInspector(ArmsData* arms);
    void Draw() override;

    ArmsData* arms;
};

class LegsDataInspector : public PartDataInspector
{
public:
    explicit LegsDataInspector(LegsData* legs);
    void Draw() override;

    LegsData* legs;
};

class HelicopterHatDataInspector final : public HeadDataInspector
{
public:
    explicit HelicopterHatDataInspector(HelicopterHatData* hat);
    void Draw() override;
};

class JetpackDataInspector final : public CoreDataInspector
{
public:
    explicit JetpackDataInspector(JetpackData* jetpack);
    void Draw() override;
};

class BonusHitopsDataInspector final : public LegsDataInspector
{
public:
    explicit BonusHitopsDataInspector(BonusHitopsData* hitops);
    void Draw() override;
};
