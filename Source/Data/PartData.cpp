#include "Source/Data/PartData.h"

#include "Source/Data/AbilityPartData.h"
#include "Source/Data/BoneSprites.h"

#include <array>
#include <utility>

using namespace Lumvek;

namespace
{

template <class Kind, size_t Count> using BoneKeys = std::array<std::pair<StringView, BoneData Kind::*>, Count>;

const BoneKeys<HeadData, 1> HeadBones{{{"Skull", &HeadData::skull}}};
const BoneKeys<CoreData, 1> CoreBones{{{"Spine", &CoreData::spine}}};
const BoneKeys<ArmsData, 6> ArmsBones{{
    {"LeftHumerus", &ArmsData::leftHumerus},
    {"LeftRadius", &ArmsData::leftRadius},
    {"LeftHand", &ArmsData::leftHand},
    {"RightHumerus", &ArmsData::rightHumerus},
    {"RightRadius", &ArmsData::rightRadius},
    {"RightHand", &ArmsData::rightHand},
}};
const BoneKeys<LegsData, 6> LegsBones{{
    {"LeftFemur", &LegsData::leftFemur},
    {"LeftTibia", &LegsData::leftTibia},
    {"LeftFoot", &LegsData::leftFoot},
    {"RightFemur", &LegsData::rightFemur},
    {"RightTibia", &LegsData::rightTibia},
    {"RightFoot", &LegsData::rightFoot},
}};

// A top-level bone is the skeleton bone of its key, whatever name its file gives it: the rig finds it
// by that name. Its sprites are found once every bone is read.
template <class Kind, size_t Count>
void ReadBones(Kind& part, BlueprintReader& reader, const BoneKeys<Kind, Count>& keys)
{
    for (const auto& [key, bone] : keys)
        ReadMember(reader, key, part.*bone);
    for (const auto& [key, bone] : keys)
        (part.*bone).name = key.ToString();
    for (const auto& [key, bone] : keys)
        ResolveBoneSprites(part, part.*bone);
}

template <class Kind, size_t Count>
void WriteBones(const Kind& part, BlueprintWriter& writer, const BoneKeys<Kind, Count>& keys)
{
    for (const auto& [key, bone] : keys)
        WriteMember(writer, key, part.*bone);
}

template <class Kind, size_t Count>
void LoadBones(const Kind& part, Texture& spriteTexture, Texture& drawTexture, const BoneKeys<Kind, Count>& keys)
{
    for (const auto& [key, bone] : keys)
        LoadBoneSprites(part, spriteTexture, drawTexture, part.*bone);
}

constexpr std::array<uint32_t, 4> ClassificationCosts{10, 20, 50, 100};

// The run-time class's DataType name among every kind's; empty for a class no kind registers.
StringView DataTypeName(const PartData& part)
{
    if (const auto* head = dynamic_cast<const HeadData*>(&part))
        return HeadDataTypes().NameOf(*head);
    if (const auto* core = dynamic_cast<const CoreData*>(&part))
        return CoreDataTypes().NameOf(*core);
    if (const auto* arms = dynamic_cast<const ArmsData*>(&part))
        return ArmsDataTypes().NameOf(*arms);
    if (const auto* legs = dynamic_cast<const LegsData*>(&part))
        return LegsDataTypes().NameOf(*legs);
    return StringView();
}

void WriteClassification(BlueprintWriter& writer, PartClassification classification)
{
    if (!WriteMember(writer, "Classification", classification))
        WriteMember(writer, "Classification", static_cast<uint32_t>(classification));
}

} // namespace

uint32_t PartClassificationCost(PartClassification classification)
{
    const auto index = static_cast<uint32_t>(classification);
    return index < ClassificationCosts.size() ? ClassificationCosts[index] : ClassificationCosts.back();
}

bool PartData::Read(BlueprintReader& reader)
{
    Data::Read(reader);
    ReadMember(reader, "Classification", classification);
    cost = PartClassificationCost(classification);
    ReadMember(reader, "Cost", cost);
    ReadMember(reader, "HasAbility", hasAbility);
    ReadMember(reader, "EnergyRequirement", energyRequirement);
    ReadMember(reader, "EnergyDischargeAmount", energyDischargeAmount);
    ReadMember(reader, "EnergyDischargeTime", energyDischargeTime);
    ReadMember(reader, "EnergyRechargeTime", energyRechargeTime);
    ReadMember(reader, "EnergyRechargeTimeout", energyRechargeTimeout);
    return !reader.GetCurrent().GetObject().Find("Modifiers") || ReadMember(reader, "Modifiers", modifiers);
}

void PartData::Write(BlueprintWriter& writer) const
{
    WriteMember(writer, "DataType", DataTypeName(*this));
    Data::Write(writer);
    WriteClassification(writer, classification);
    if (cost != PartClassificationCost(classification))
        WriteMember(writer, "Cost", cost);
    if (hasAbility)
    {
        WriteMember(writer, "HasAbility", true);
        if (energyRequirement != 0)
        {
            WriteMember(writer, "EnergyRequirement", energyRequirement);
            WriteMember(writer, "EnergyDischargeAmount", energyDischargeAmount);
            WriteMember(writer, "EnergyDischargeTime", energyDischargeTime);
            WriteMember(writer, "EnergyRechargeTime", energyRechargeTime);
            WriteMember(writer, "EnergyRechargeTimeout", energyRechargeTimeout);
        }
    }
    writer.PushMember("Modifiers");
    // A part that changes nothing still writes its (empty) set.
    writer.GetCurrent().SetObject();
    modifiers.Write(writer);
    writer.Pop();
}

void HeadData::Load(Texture& spriteTexture, Texture& drawTexture)
{
    LoadBones(*this, spriteTexture, drawTexture, HeadBones);
}

bool HeadData::Read(BlueprintReader& reader)
{
    const bool read = PartData::Read(reader);
    ReadMember(reader, "Size", size);
    ReadBones(*this, reader, HeadBones);
    return read;
}

void HeadData::Write(BlueprintWriter& writer) const
{
    PartData::Write(writer);
    WriteMember(writer, "Size", size);
    WriteBones(*this, writer, HeadBones);
}

void CoreData::Load(Texture& spriteTexture, Texture& drawTexture)
{
    LoadBones(*this, spriteTexture, drawTexture, CoreBones);
}

bool CoreData::Read(BlueprintReader& reader)
{
    const bool read = PartData::Read(reader);
    ReadMember(reader, "Size", size);
    ReadBones(*this, reader, CoreBones);
    return read;
}

void CoreData::Write(BlueprintWriter& writer) const
{
    PartData::Write(writer);
    WriteMember(writer, "Size", size);
    WriteBones(*this, writer, CoreBones);
}

void ArmsData::Load(Texture& spriteTexture, Texture& drawTexture)
{
    LoadBones(*this, spriteTexture, drawTexture, ArmsBones);
}

bool ArmsData::Read(BlueprintReader& reader)
{
    const bool read = PartData::Read(reader);
    ReadBones(*this, reader, ArmsBones);
    return read;
}

void ArmsData::Write(BlueprintWriter& writer) const
{
    PartData::Write(writer);
    WriteBones(*this, writer, ArmsBones);
}

void LegsData::Load(Texture& spriteTexture, Texture& drawTexture)
{
    LoadBones(*this, spriteTexture, drawTexture, LegsBones);
}

bool LegsData::Read(BlueprintReader& reader)
{
    const bool read = PartData::Read(reader);
    ReadMember(reader, "Size", size);
    ReadBones(*this, reader, LegsBones);
    return read;
}

void LegsData::Write(BlueprintWriter& writer) const
{
    PartData::Write(writer);
    WriteMember(writer, "Size", size);
    WriteBones(*this, writer, LegsBones);
}

const DataTypeMap<HeadData>& HeadDataTypes()
{
    static const DataTypeMap<HeadData> types{
        DataTypeMap<HeadData>::Of<HeadData>("Head"),
        DataTypeMap<HeadData>::Of<HelicopterHatData>("HelicopterHat"),
    };
    return types;
}

const DataTypeMap<CoreData>& CoreDataTypes()
{
    static const DataTypeMap<CoreData> types{
        DataTypeMap<CoreData>::Of<CoreData>("Core"),
        DataTypeMap<CoreData>::Of<AmmoBeltData>("AmmoBelt"),
        DataTypeMap<CoreData>::Of<JetpackData>("Jetpack"),
    };
    return types;
}

const DataTypeMap<ArmsData>& ArmsDataTypes()
{
    static const DataTypeMap<ArmsData> types{
        DataTypeMap<ArmsData>::Of<ArmsData>("Arms"),
    };
    return types;
}

const DataTypeMap<LegsData>& LegsDataTypes()
{
    static const DataTypeMap<LegsData> types{
        DataTypeMap<LegsData>::Of<LegsData>("Legs"),
        DataTypeMap<LegsData>::Of<BonusHitopsData>("BonusHitops"),
        DataTypeMap<LegsData>::Of<SpaceBootsData>("SpaceBoots"),
    };
    return types;
}
