#include "Source/Data/CharacterData.h"

using namespace Lumvek;

bool CharacterData::Read(BlueprintReader& reader)
{
    Data::Read(reader);
    if (reader.GetMember("Attributes"))
    {
        if (reader.GetCurrent().GetType() == BlueprintType::Object)
            attributes.Read(reader);
        reader.Pop();
    }
    const Blueprint* bones = reader.GetCurrent().GetObject().Find("Skeleton");
    if (bones && bones->GetType() == BlueprintType::Object)
        skeleton = *bones;
    return true;
}

void CharacterData::Write(BlueprintWriter& writer) const
{
    Data::Write(writer);
    writer.PushMember("Attributes");
    attributes.WriteAll(writer);
    writer.Pop();
    if (skeleton.GetType() == BlueprintType::Object)
    {
        writer.PushMember("Skeleton");
        writer.GetCurrent() = skeleton;
        writer.Pop();
    }
}
