#include "Source/Data/AbilityPartData.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Runtime/Audio/AudioDevice.h"
#include "Source/Data/DataRegistry.h"

#include <cmath>

using namespace Lumvek;

namespace
{

// Ability sounds come from the wearer's place in the world.
constexpr uint32_t AbilityMixer = static_cast<uint32_t>(AudioGroup::Effect);

uint32_t SoundId(const Data& part)
{
    return NameSet::Global().Add(part.name + "Sound");
}

} // namespace

void HelicopterHatData::Load(Texture& spriteTexture, Texture& drawTexture)
{
    HeadData::Load(spriteTexture, drawTexture);
    sound = SoundId(*this);
    LoadSound(sound, "Active", AbilityMixer, true);
}

void HelicopterHatData::Unload()
{
    ReleaseSound(sound);
}

bool HelicopterHatData::Read(BlueprintReader& reader)
{
    const bool read = HeadData::Read(reader);
    ReadMember(reader, "FrameRate", frameRate);
    ReadMember(reader, "AerodynamicsModifier", aerodynamicsModifier);
    ReadMember(reader, "ManeuverabilityModifier", maneuverabilityModifier);
    // The end of a use divides the falling speed by the factor again: 0 would leave no falling speed to
    // come back to.
    if (ReadMember(reader, "MaximumFallingSpeedModifier", maximumFallingSpeedModifier) &&
        maximumFallingSpeedModifier == 0.0f)
    {
        reader.Refuse("MaximumFallingSpeedModifier", "0 cannot be undone; it counts as 1");
        maximumFallingSpeedModifier = 1.0f;
    }
    return read;
}

void HelicopterHatData::Write(BlueprintWriter& writer) const
{
    HeadData::Write(writer);
    WriteMember(writer, "FrameRate", frameRate);
    WriteMember(writer, "AerodynamicsModifier", aerodynamicsModifier);
    WriteMember(writer, "ManeuverabilityModifier", maneuverabilityModifier);
    WriteMember(writer, "MaximumFallingSpeedModifier", maximumFallingSpeedModifier);
}

void JetpackData::Load(Texture& spriteTexture, Texture& drawTexture)
{
    // The trail's effect id is its slot in the effect table, where the world finds the trail it shows.
    trail = NameTableB().Add(name + "Trail");
    sound = SoundId(*this);
    CoreData::Load(spriteTexture, drawTexture);
    LoadSound(sound, "Active", AbilityMixer, true);
    if (HasAsset("Trail", ".lte"))
        LoadEffect(trail, "Trail");
}

void JetpackData::Unload()
{
    ReleaseSound(sound);
    ReleaseEffect(trail);
}

bool JetpackData::Read(BlueprintReader& reader)
{
    const bool read = CoreData::Read(reader);
    ReadMember(reader, "Thrust", thrust);
    return read;
}

void JetpackData::Write(BlueprintWriter& writer) const
{
    CoreData::Write(writer);
    WriteMember(writer, "Thrust", thrust);
}

void BonusHitopsData::Load(Texture& spriteTexture, Texture& drawTexture)
{
    sound = SoundId(*this);
    LegsData::Load(spriteTexture, drawTexture);
    LoadSound(sound, "Activate", AbilityMixer, false);
}

void BonusHitopsData::Unload()
{
    ReleaseSound(sound);
}

bool BonusHitopsData::Read(BlueprintReader& reader)
{
    const bool read = LegsData::Read(reader);
    ReadMember(reader, "SpeedBoost", speedBoost);
    ReadMember(reader, "OxygenMaskRechargeBoost", oxygenMaskRechargeBoost);
    return read;
}

void BonusHitopsData::Write(BlueprintWriter& writer) const
{
    LegsData::Write(writer);
    WriteMember(writer, "SpeedBoost", speedBoost);
    WriteMember(writer, "OxygenMaskRechargeBoost", oxygenMaskRechargeBoost);
}

void SpaceBootsData::Load(Texture& spriteTexture, Texture& drawTexture)
{
    sound = SoundId(*this);
    LegsData::Load(spriteTexture, drawTexture);
    LoadSound(sound, "Activate", AbilityMixer, false);
}

void SpaceBootsData::Unload()
{
    ReleaseSound(sound);
}

bool SpaceBootsData::Read(BlueprintReader& reader)
{
    const bool read = LegsData::Read(reader);
    ReadMember(reader, "JumpImpulse", jumpImpulse);
    return read;
}

void SpaceBootsData::Write(BlueprintWriter& writer) const
{
    LegsData::Write(writer);
    WriteMember(writer, "JumpImpulse", jumpImpulse);
}
