#include "Source/Data/TriggerData.h"

#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/NameSet.h"

#include <string>

using namespace Lumvek;

namespace
{

// An action is written by name; a value past the names, which only code can set, as its number.
void WriteAction(BlueprintWriter& writer, StringView key, TriggerAction action)
{
    if (action == TriggerAction::None)
        return;
    if (!WriteMember(writer, key, action))
        WriteMember(writer, key, StringView(std::to_string(static_cast<uint32_t>(action))));
}

} // namespace

bool TriggerData::Read(BlueprintReader& reader)
{
    Data::Read(reader);
    tiles.Read(reader);
    ReadMember(reader, "EnterAction", enterAction);
    ReadMember(reader, "StayAction", stayAction);
    ReadMember(reader, "LeaveAction", leaveAction);
    return true;
}

void TriggerData::Write(BlueprintWriter& writer) const
{
    Data::Write(writer);
    tiles.Write(writer);
    WriteAction(writer, "EnterAction", enterAction);
    WriteAction(writer, "StayAction", stayAction);
    WriteAction(writer, "LeaveAction", leaveAction);
}

void TriggerData::Load(Texture& texture, Texture&)
{
    image = NameTableA().Add(name);
    tiles.LoadImage(*this, texture, image);
}
