#include "Engine/Foundation/Resource.h"

namespace Lumvek
{

Resource* ResourceTable::Insert(uint32_t id, uint32_t typeId, std::unique_ptr<Resource> resource)
{
    if (id == InvalidId || !resource)
        return nullptr;
    std::unique_lock lock(mutex);
    if (id >= resources.size())
        resources.resize(size_t(id) + 1);
    if (resources[id])
        return nullptr;
    resource->id = id;
    resource->typeId = typeId;
    resource->table = this;
    resources[id] = std::move(resource);
    return resources[id].get();
}

bool ResourceTable::Destroy(uint32_t id)
{
    std::unique_ptr<Resource> destroyed;
    {
        std::unique_lock lock(mutex);
        if (id >= resources.size() || !resources[id])
            return false;
        destroyed = std::move(resources[id]);
    }
    // Outside the lock: a resource's destructor may look others up.
    return true;
}

} // namespace Lumvek
