#include "Source/Data/ItemData.h"

#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/NameSet.h"

#include <typeinfo>

using namespace Lumvek;

bool ItemData::Read(BlueprintReader& reader)
{
    Data::Read(reader);
    ReadMember(reader, "Size", size);
    ReadMember(reader, "Offset", offset);
    ReadMember(reader, "Shape", shape);
    ReadMember(reader, "Rotatable", rotatable);
    uint32_t teamValue = 0;
    if (ReadMember(reader, "Team", teamValue))
        team = static_cast<uint8_t>(teamValue);
    modifiers.Read(reader);
    return true;
}

void ItemData::Write(BlueprintWriter& writer) const
{
    // A plain item writes the family's own name, which no factory takes.
    StringView dataType = typeid(*this) == typeid(ItemData) ? StringView("Item") : ItemDataTypes().NameOf(*this);
    WriteMember(writer, "DataType", dataType);
    Data::Write(writer);
    WriteMember(writer, "Size", size);
    WriteMember(writer, "Offset", offset);
    WriteMember(writer, "Shape", shape);
    WriteMember(writer, "Rotatable", rotatable);
    WriteMember(writer, "Team", static_cast<uint32_t>(team));
    modifiers.Write(writer);
}

void ItemData::Load(Texture& imageTexture, Texture& drawTexture)
{
    image = NameTableA().Add(name);
    LoadImage(imageTexture, image, "Image");
    LoadImage(drawTexture, image, "Draw");
}

const TeamColorEntry& ItemData::GetTeamColor() const
{
    return ::GetTeamColor(team < TeamColorCount ? team : static_cast<uint32_t>(TeamColor::Neutral));
}

const DataTypeMap<ItemData>& ItemDataTypes()
{
    static const DataTypeMap<ItemData> types{
        DataTypeMap<ItemData>::Of<FlagData>("Flag"),
        DataTypeMap<ItemData>::Of<TokenData>("Token"),
    };
    return types;
}
