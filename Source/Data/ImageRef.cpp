#include "Source/Data/ImageRef.h"

#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/Resource.h"

#include <string>

using namespace Lumvek;

namespace ImageRef
{

bool Read(BlueprintReader& reader, StringView key, uint32_t& id, NameSet& names)
{
    std::string name;
    if (!ReadMember(reader, key, name))
        return false;
    // Registering the empty name would give "no image" an id of its own, so that a definition
    // written without an image would read back with one.
    id = name.empty() ? InvalidId : names.Add(name);
    return true;
}

void Write(BlueprintWriter& writer, StringView key, uint32_t id, const NameSet& names)
{
    WriteMember(writer, key, names.GetName(id));
}

} // namespace ImageRef
