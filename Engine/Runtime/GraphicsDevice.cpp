#include "Engine/Runtime/GraphicsDevice.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Resource.h"

namespace Lumvek
{

GraphicsDevice::~GraphicsDevice() = default;

GraphicsResource* GraphicsDevice::CreateResource(uint32_t slot, ResourceKind kind, uint32_t usage, uint8_t locked,
                                                 const std::function<GraphicsResource*(uint32_t id)>& create)
{
    // The invalid index would make a table of no slots at all.
    if (slot == InvalidId)
        return nullptr;
    std::lock_guard lock(mutex);
    if (slot >= slots.size())
        slots.resize(size_t(slot) + 1);
    if (slots[slot].resource)
        return nullptr;

    uint32_t id = NameTableB().Add(NameTableC().GetName(slot));
    GraphicsResource* resource = resources ? create(id) : nullptr;
    if (!resource)
        return nullptr;
    resource->deviceSlot = slot;
    resource->usage = usage;
    resource->locked = locked;
    resource->uploaded = 0;
    resource->version = 0;

    GraphicsResourceSlot& filled = slots[slot];
    filled.kind = kind;
    filled.resource = resource;
    filled.handle = CreateHandle(kind);
    filled.uploadedVersion = 0;
    return resource;
}

GraphicsResource* GraphicsDevice::FindResource(uint32_t slot, ResourceKind kind)
{
    std::lock_guard lock(mutex);
    if (slot >= slots.size() || !slots[slot].resource || slots[slot].kind != kind)
        return nullptr;
    return slots[slot].resource;
}

std::unique_ptr<GraphicsDevice::ResourceHandle> GraphicsDevice::CreateHandle(ResourceKind kind)
{
    switch (kind)
    {
    case ResourceKind::Texture:
        return CreateTextureHandle();
    default:
        return nullptr;
    }
}

} // namespace Lumvek
