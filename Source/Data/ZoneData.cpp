#include "Source/Data/ZoneData.h"

#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/NameSet.h"

using namespace Lumvek;

bool ZoneData::Read(BlueprintReader& reader)
{
    Data::Read(reader);
    tiles.Read(reader);
    modifiers.Read(reader);
    // A zone without an image or an effect file shows none, and its ids say so.
    if (HasAsset("Image", ".png"))
        image = NameTableA().Add(name);
    if (HasAsset("Effect", ".lte"))
        effect = NameTableB().Add(name + "Effect");
    return true;
}

void ZoneData::Write(BlueprintWriter& writer) const
{
    Data::Write(writer);
    tiles.Write(writer);
    modifiers.Write(writer);
}

void ZoneData::Load(Texture& texture, Texture&)
{
    if (image != InvalidId)
        tiles.LoadImage(*this, texture, image);
}

void ZoneData::Unload()
{
    ReleaseEffect(effect);
}
