#include "Engine/Runtime/Graphics/GraphicsDevice.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/Material.h"

#include <algorithm>

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
    GraphicsResourceSlot* found = Resolve(slot, kind);
    return found ? found->resource : nullptr;
}

GraphicsResourceSlot* GraphicsDevice::Resolve(uint32_t id, ResourceKind kind)
{
    if (id >= slots.size() || !slots[id].resource || slots[id].kind != kind)
        return nullptr;
    return &slots[id];
}

std::unique_ptr<GraphicsDevice::ResourceHandle> GraphicsDevice::CreateHandle(ResourceKind kind)
{
    switch (kind)
    {
    case ResourceKind::Geometry:
        return CreateGeometryHandle();
    case ResourceKind::Material:
        return CreateMaterialHandle();
    case ResourceKind::Texture:
        return CreateTextureHandle();
    default:
        return nullptr;
    }
}

Geometry* GraphicsDevice::CreateGeometry(uint32_t id, uint32_t usage, uint8_t locked)
{
    return static_cast<Geometry*>(CreateResource(id, ResourceKind::Geometry, usage, locked,
                                                 [this](uint32_t tableId)
                                                 { return resources->Create<Geometry>(tableId); }));
}

Material* GraphicsDevice::CreateMaterial(uint32_t id)
{
    return static_cast<Material*>(
        CreateResource(id, ResourceKind::Material, static_cast<uint32_t>(ResourceUsage::UploadOnce), 1,
                       [this](uint32_t tableId) { return resources->Create<Material>(tableId); }));
}

Texture* GraphicsDevice::CreateTexture(uint32_t slot, uint32_t usage)
{
    return static_cast<Texture*>(CreateResource(
        slot, ResourceKind::Texture, usage, 1, [this](uint32_t tableId) { return resources->CreateTexture(tableId); }));
}

Texture* GraphicsDevice::GetTexture(uint32_t slot)
{
    return static_cast<Texture*>(FindResource(slot, ResourceKind::Texture));
}

uint32_t GraphicsDevice::GetSlotCount()
{
    std::lock_guard lock(mutex);
    return static_cast<uint32_t>(slots.size());
}

GraphicsDevice::ResourceHandle* GraphicsDevice::GetHandle(uint32_t slot)
{
    std::lock_guard lock(mutex);
    return slot < slots.size() ? slots[slot].handle.get() : nullptr;
}

void GraphicsDevice::ClearSlots()
{
    std::lock_guard lock(mutex);
    slots.clear();
}

bool GraphicsDevice::MayDestroyResources() const
{
    const std::thread::id rendering = renderingThread.load();
    return rendering == std::thread::id() || rendering == std::this_thread::get_id();
}

void GraphicsDevice::EndRendering()
{
    renderingThread.store(std::thread::id());
}

bool GraphicsDevice::DestroyResource(uint32_t id, ResourceKind kind)
{
    if (!MayDestroyResources())
    {
        Log::Write("the graphics resource {} is not destroyed: only the rendering thread destroys resources",
                   NameTableC().GetName(id));
        return false;
    }
    std::lock_guard lock(mutex);
    GraphicsResourceSlot* slot = Resolve(id, kind);
    if (!slot)
        return false;
    if (resources)
        resources->Destroy(slot->resource->id);
    *slot = GraphicsResourceSlot();
    return true;
}

void GraphicsDevice::Render()
{
    renderingThread.store(std::this_thread::get_id());
    std::lock_guard lock(mutex);
    UploadChangedResources();
    BeginFrame();
    ExecuteCommands();
    Present();
    vertexCount = 0;
    instanceCount = 0;
    indexCount = 0;
    commands.clear();
    for (GraphicsResourceSlot& slot : slots)
    {
        GraphicsResource* resource = slot.resource;
        if (resource && resource->usage == static_cast<uint32_t>(ResourceUsage::UploadOnce) && !resource->locked &&
            resource->uploaded)
            resource->ReleaseData();
    }
}

void GraphicsDevice::UploadChangedResources()
{
    for (GraphicsResourceSlot& slot : slots)
    {
        GraphicsResource* resource = slot.resource;
        // A device that could not make a handle has nothing to upload into.
        if (!resource || resource->locked || slot.uploadedVersion == resource->version || !slot.handle)
            continue;
        switch (slot.kind)
        {
        case ResourceKind::Geometry:
            UploadGeometry(*slot.handle, static_cast<const Geometry&>(*resource));
            break;
        case ResourceKind::Material:
            UploadMaterial(*slot.handle, static_cast<const Material&>(*resource));
            break;
        case ResourceKind::Texture:
        {
            auto& texture = static_cast<Texture&>(*resource);
            // The device copies the area from the pixels, so it must lie inside them; and an edit that
            // reported no area still has to reach the device, so then the whole texture is sent.
            Texture::DirtyRectangle& dirty = texture.dirty;
            dirty.right = std::min(dirty.right, texture.width);
            dirty.bottom = std::min(dirty.bottom, texture.height);
            if (dirty.right <= dirty.left || dirty.bottom <= dirty.top)
                dirty = {0, 0, texture.width, texture.height};
            UploadTexture(*slot.handle, texture);
            // The next upload copies only what is edited after this one.
            texture.dirty = {};
            break;
        }
        default:
            continue;
        }
        resource->uploaded = 1;
        slot.uploadedVersion = resource->version;
    }
}

uint32_t GraphicsDevice::BindBuffer(const GraphicsCommand& command,
                                    void (GraphicsDevice::*bind)(const Geometry*, ResourceHandle*, uint32_t))
{
    if (GraphicsResourceSlot* slot = Resolve(command.op1, ResourceKind::Geometry))
    {
        const auto* geometry = static_cast<const Geometry*>(slot->resource);
        const uint32_t stride = command.op2 ? command.op2 : geometry->stride;
        // A geometry never allocated into has no stride of its own; it holds no elements to bind.
        if (stride != 0)
        {
            (this->*bind)(geometry, slot->handle.get(), stride);
            return geometry->data.Size() / stride;
        }
    }
    (this->*bind)(nullptr, nullptr, 0);
    return 0;
}

void GraphicsDevice::ExecuteCommands()
{
    for (const GraphicsCommand& command : commands)
    {
        const auto code = static_cast<GraphicsCommandCode>(command.code);
        switch (code)
        {
        case GraphicsCommandCode::SetColorTarget:
        case GraphicsCommandCode::SetDepthTarget:
        case GraphicsCommandCode::SetTexture:
        {
            GraphicsResourceSlot* slot = Resolve(command.op1, ResourceKind::Texture);
            const auto* texture = slot ? static_cast<const Texture*>(slot->resource) : nullptr;
            ResourceHandle* handle = slot ? slot->handle.get() : nullptr;
            if (code == GraphicsCommandCode::SetColorTarget)
                SetColorTarget(texture, handle, command.op2);
            else if (code == GraphicsCommandCode::SetDepthTarget)
                SetDepthTarget(texture, handle);
            else
                SetTexture(texture, handle, command.op2);
            break;
        }
        case GraphicsCommandCode::Clear:
            Clear(GraphicsCommand::ToFloat(command.op1), GraphicsCommand::ToFloat(command.op2),
                  GraphicsCommand::ToFloat(command.op3), GraphicsCommand::ToFloat(command.op4));
            break;
        case GraphicsCommandCode::ClearDepth:
            ClearDepth(GraphicsCommand::ToFloat(command.op1), static_cast<uint8_t>(command.op2));
            break;
        case GraphicsCommandCode::SetMaterial:
        {
            GraphicsResourceSlot* slot = Resolve(command.op1, ResourceKind::Material);
            SetMaterial(slot ? static_cast<const Material*>(slot->resource) : nullptr,
                        slot ? slot->handle.get() : nullptr);
            break;
        }
        case GraphicsCommandCode::SetGeometry:
            vertexCount = 0;
            instanceCount = 0;
            indexCount = 0;
            vertexCount = BindBuffer(command, &GraphicsDevice::SetGeometry);
            break;
        case GraphicsCommandCode::SetInstances:
            instanceCount = BindBuffer(command, &GraphicsDevice::SetInstances);
            break;
        case GraphicsCommandCode::SetIndices:
            indexCount = BindBuffer(command, &GraphicsDevice::SetIndices);
            break;
        case GraphicsCommandCode::SetConstants:
        {
            GraphicsResourceSlot* slot = Resolve(command.op1, ResourceKind::Geometry);
            SetConstants(slot ? static_cast<const Geometry*>(slot->resource) : nullptr,
                         slot ? slot->handle.get() : nullptr, static_cast<uint8_t>(command.op5),
                         static_cast<uint8_t>(command.op5 >> 8), command.op2, command.op3, command.op4);
            break;
        }
        case GraphicsCommandCode::SetClip:
            SetClip(GraphicsCommand::ToFloat(command.op1), GraphicsCommand::ToFloat(command.op2),
                    GraphicsCommand::ToFloat(command.op3), GraphicsCommand::ToFloat(command.op4));
            break;
        case GraphicsCommandCode::Draw:
            // In the instanced forms the range counts instances; a count of 0 draws everything bound.
            if (instanceCount > 0 && indexCount == 0)
                DrawInstanced(0, vertexCount, command.op1, command.op2 ? command.op2 : instanceCount);
            else if (instanceCount > 0)
                DrawIndexedInstanced(0, indexCount, command.op1, command.op2 ? command.op2 : instanceCount);
            else if (indexCount > 0)
                DrawIndexed(command.op1, command.op2 ? command.op2 : indexCount);
            else
                Draw(command.op1, command.op2 ? command.op2 : vertexCount);
            break;
        default:
            break;
        }
    }
}

void GraphicsDevice::ResizeTargets()
{
    const DeviceSize target = GetSize();
    std::lock_guard lock(mutex);
    for (GraphicsResourceSlot& slot : slots)
    {
        if (slot.kind != ResourceKind::Texture || !slot.resource)
            continue;
        auto& texture = static_cast<Texture&>(*slot.resource);
        if (texture.format == TextureFormat::ColorTarget4x8 || texture.format == TextureFormat::DepthStencilTarget24_8)
            texture.SetSize(target.width, target.height, texture.format);
    }
}

} // namespace Lumvek
