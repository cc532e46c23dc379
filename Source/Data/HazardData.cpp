#include "Source/Data/HazardData.h"

#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/NameSet.h"

using namespace Lumvek;

bool HazardData::Read(BlueprintReader& reader)
{
    Data::Read(reader);
    ReadMember(reader, "Damage", damage);
    ReadMember(reader, "WindSpeed", windSpeed);
    ReadMember(reader, "WindImpulse", windImpulse);
    tiles.Read(reader);
    // A hazard without an image or an effect file shows none, and its ids say so.
    if (HasAsset("Image", ".png"))
        image = NameTableA().Add(name);
    if (HasAsset("Effect", ".lte"))
        effect = NameTableB().Add(name + "Effect");
    return true;
}

void HazardData::Write(BlueprintWriter& writer) const
{
    Data::Write(writer);
    if (damage != 0.0f)
        WriteMember(writer, "Damage", damage);
    if (windSpeed != 0.0f)
        WriteMember(writer, "WindSpeed", windSpeed);
    if (windImpulse != 0.0f)
        WriteMember(writer, "WindImpulse", windImpulse);
    tiles.Write(writer);
}

void HazardData::Load(Texture& texture, Texture&)
{
    if (image != InvalidId)
        tiles.LoadImage(*this, texture, image);
}

void HazardData::Unload()
{
    ReleaseEffect(effect);
}
