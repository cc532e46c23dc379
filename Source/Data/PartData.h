#pragma once

#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/Members.h"
#include "Source/Data/Attributes.h"
#include "Source/Data/BoneData.h"
#include "Source/Data/Data.h"
#include "Source/Data/NameTables.h"

#include <cstdint>
#include <memory>

class Head;
class Core;
class Arms;
class Legs;

// One of the four parts a character is assembled from, as content: its classification and cost, the
// energy rules of its ability, the attributes it lends its wearer and the bones, with their sprites,
// that it puts on the wearer's skeleton. Held by the registry's collection of its kind; the kinds below
// add their size and bones and make the run-time part a player wears.
class PartData : public Data
{
public:
    // The common keys: the classification first, since it sets the default cost a "Cost" then replaces.
    bool Read(Lumvek::BlueprintReader& reader) override;
    // "DataType" first, then the common keys. The cost is left out when it is the classification's own,
    // and the energy rules when the part has no ability or its ability needs no energy.
    void Write(Lumvek::BlueprintWriter& writer) const override;

    PartClassification classification = PartClassification::Dull;
    uint32_t cost = 100;
    bool hasAbility = false;
    // A use starts only with more energy than this, and costs the discharge amount at once.
    uint32_t energyRequirement = 0;
    uint32_t energyDischargeAmount = 0;
    Lumvek::Duration energyDischargeTime;
    Lumvek::Duration energyRechargeTime;
    Lumvek::Duration energyRechargeTimeout;
    // Added to the wearer's attributes.
    Attributes modifiers = Attributes::Modifiers();
};

// The cost of a part of that classification unless its file says otherwise: 10, 20, 50, 100.
uint32_t PartClassificationCost(PartClassification classification);

// The four kinds read and write their size and their bones after the common keys. A top-level bone is
// named after its key whatever its file says, since the skeleton finds it by that name, and its sprites
// (and its children's) are found among the definition's images as it is read.
class HeadData : public PartData
{
public:
    // Loads the sprites of the bones and their children into the sprite and drawing textures.
    void Load(Lumvek::Texture& spriteTexture, Lumvek::Texture& drawTexture) override;
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;
    Lumvek::StringView GetFolder() const override { return "Parts/Heads"; }

    // A new run-time head with full energy, for the caller to own.
    virtual std::unique_ptr<Head> CreatePart() const;

    Lumvek::Vector2 size = Lumvek::Vector2(0.26f, 0.3f);
    BoneData skull;
};

class CoreData : public PartData
{
public:
    void Load(Lumvek::Texture& spriteTexture, Lumvek::Texture& drawTexture) override;
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;
    Lumvek::StringView GetFolder() const override { return "Parts/Cores"; }

    virtual std::unique_ptr<Core> CreatePart() const;

    Lumvek::Vector2 size = Lumvek::Vector2(0.26f, 0.3f);
    BoneData spine;
};

// Arms have no size of their own: the core's decides.
class ArmsData : public PartData
{
public:
    void Load(Lumvek::Texture& spriteTexture, Lumvek::Texture& drawTexture) override;
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;
    Lumvek::StringView GetFolder() const override { return "Parts/Arms"; }

    virtual std::unique_ptr<Arms> CreatePart() const;

    BoneData leftHumerus;
    BoneData leftRadius;
    BoneData leftHand;
    BoneData rightHumerus;
    BoneData rightRadius;
    BoneData rightHand;
};

class LegsData : public PartData
{
public:
    void Load(Lumvek::Texture& spriteTexture, Lumvek::Texture& drawTexture) override;
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;
    Lumvek::StringView GetFolder() const override { return "Parts/Legs"; }

    virtual std::unique_ptr<Legs> CreatePart() const;

    Lumvek::Vector2 size = Lumvek::Vector2(0.15f, 0.4f);
    BoneData leftFemur;
    BoneData leftTibia;
    BoneData leftFoot;
    BoneData rightFemur;
    BoneData rightTibia;
    BoneData rightFoot;
};

// The "DataType" names of each kind: "Head", "HelicopterHat"; "Core", "AmmoBelt", "Jetpack"; "Arms";
// "Legs", "BonusHitops", "SpaceBoots".
const DataTypeMap<HeadData>& HeadDataTypes();
const DataTypeMap<CoreData>& CoreDataTypes();
const DataTypeMap<ArmsData>& ArmsDataTypes();
const DataTypeMap<LegsData>& LegsDataTypes();
