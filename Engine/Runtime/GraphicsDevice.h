#pragma once

#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Lumvek
{

class GraphicsResource;
class ResourceTable;
class Texture;

// What a device slot holds.
enum class ResourceKind : uint32_t
{
    Empty = 0,
    Geometry = 1,
    Material = 2,
    Texture = 3,
};

// The device's own object for one resource (buffers, textures, programs). Owned by its slot.
class GraphicsResourceHandle
{
public:
    virtual ~GraphicsResourceHandle() = default;
};

// Ties a graphics resource, addressed by the index of its name in NameTableC, to the handle the
// device made for it.
struct GraphicsResourceSlot
{
    ResourceKind kind = ResourceKind::Empty;
    // Owned by the resource table.
    GraphicsResource* resource = nullptr;
    std::unique_ptr<GraphicsResourceHandle> handle;
    // The resource version last uploaded.
    uint32_t uploadedVersion = 0;
};

// The engine's drawing interface. Owned by the application; the slot table is shared by the
// application thread and the loader threads that create resources, and guarded by the device mutex.
class GraphicsDevice
{
public:
    using ResourceHandle = GraphicsResourceHandle;

    GraphicsDevice(StringView name, ResourceTable* resources) : name(name.ToString()), resources(resources) {}
    GraphicsDevice(const GraphicsDevice&) = delete;
    GraphicsDevice& operator=(const GraphicsDevice&) = delete;
    virtual ~GraphicsDevice();

    StringView GetName() const { return name; }

    // Creates the texture of a slot: the resource table makes it under the index, in NameTableB, of
    // the slot's name in NameTableC, and it starts locked, so that it is uploaded once its creator
    // has filled it and called FinishChanges. Null when the slot is taken or the table refuses.
    Texture* CreateTexture(uint32_t slot, uint32_t usage);
    // The texture of a slot; null when the slot holds no texture.
    Texture* GetTexture(uint32_t slot);

    virtual std::unique_ptr<ResourceHandle> CreateTextureHandle() = 0;

    float scale = 1.0f;
    uint32_t multisampleCount = 1;
    std::string name;
    bool debug = false;
    uint32_t width = 0;
    uint32_t height = 0;
    // The table the device's resources live in; not owned.
    ResourceTable* resources = nullptr;
    std::vector<GraphicsResourceSlot> slots;
    std::mutex mutex;

protected:
    // Creates a resource of the kind for a slot, shared by every kind: create makes it in the table
    // under the id it is given. The mutex is held from the check of the slot to its filling, so two
    // threads cannot both fill one slot, and the table never grows while a slot is written.
    GraphicsResource* CreateResource(uint32_t slot, ResourceKind kind, uint32_t usage, uint8_t locked,
                                     const std::function<GraphicsResource*(uint32_t id)>& create);
    // The resource of a slot when it holds one of the kind; null otherwise.
    GraphicsResource* FindResource(uint32_t slot, ResourceKind kind);

private:
    std::unique_ptr<ResourceHandle> CreateHandle(ResourceKind kind);
};

} // namespace Lumvek
