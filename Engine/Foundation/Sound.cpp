#include "Engine/Foundation/Sound.h"

namespace Lumvek
{

Sound* ResourceTable::CreateSound(uint32_t id)
{
    return Create<Sound>(id);
}

} // namespace Lumvek
