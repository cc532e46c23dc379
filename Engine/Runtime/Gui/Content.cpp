#include "Engine/Runtime/Gui/Content.h"

#include <algorithm>

namespace Lumvek
{

void Content::Align(uint32_t alignment, float start, float available, float size, float& placedStart, float& placedSize)
{
    switch (static_cast<ContentAlignment>(alignment))
    {
    case ContentAlignment::Center:
        placedStart = start + (available - size) / 2.0f;
        placedSize = size;
        break;
    case ContentAlignment::End:
        placedStart = start + available - size;
        placedSize = size;
        break;
    case ContentAlignment::Stretch:
        placedStart = start;
        placedSize = std::max(available, size);
        break;
    default:
        placedStart = start;
        placedSize = size;
        break;
    }
}

} // namespace Lumvek
