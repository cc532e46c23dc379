#include "Source/Data/MapData.h"

#include "Source/World/MapFile.h"

bool MapData::Read(Lumvek::BlueprintReader& reader)
{
    const bool read = Data::Read(reader);
    // The map's content shares the file: a member of it the map load would not take makes the file one
    // that did not read whole, which no Save writes over.
    CheckMapContent(reader);
    return read;
}
