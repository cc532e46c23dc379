#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/StringView.h"

#include <cstdint>

// A String member naming an image region (or, with another name set, a graphics resource), kept as
// the name's index in the set so that a definition refers to its image by number.
namespace ImageRef
{

// Adds the member's text to the names and stores its index. The empty text stands for no image and
// stores -1, which is what Write writes for no image. False, id unchanged, unless the member is a
// String.
bool Read(Lumvek::BlueprintReader& reader, Lumvek::StringView key, uint32_t& id,
          Lumvek::NameSet& names = Lumvek::NameTableA());
// Writes the name of the index; the empty text for an index the names do not hold (-1 among them).
void Write(Lumvek::BlueprintWriter& writer, Lumvek::StringView key, uint32_t id,
           const Lumvek::NameSet& names = Lumvek::NameTableA());

} // namespace ImageRef
