#pragma once

#include "Engine/Foundation/TypeRegistry.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <vector>

namespace Lumvek
{

class FileManager;
class ResourceTable;
class Texture;

constexpr uint32_t InvalidId = 0xFFFFFFFFu;

// Loaded content kept in a ResourceTable and addressed by the index of its name in NameTableB.
class Resource
{
public:
    virtual ~Resource() = default;

    uint32_t id = InvalidId;
    uint32_t typeId = InvalidId;
    ResourceTable* table = nullptr;
};

// A resource the graphics device uploads: every edit raises the version, and the device uploads a
// resource whose version differs from the one it uploaded last, unless it is locked.
class GraphicsResource : public Resource
{
public:
    // Drops the CPU-side copy of the data once the device holds it.
    virtual void ReleaseData() {}

    // An edit: raises the version unless a batch of edits is in progress.
    void MarkChanged()
    {
        if (!locked)
        {
            ++version;
            uploaded = 0;
        }
    }
    // Ends a batch of edits and forces an upload. A loader thread may end its batch while the device
    // renders: the unlock comes last, so that the device, which reads a resource only once it sees it
    // unlocked, sees the edits and the version with it.
    void FinishChanges()
    {
        ++version;
        uploaded = 0;
        locked.store(0, std::memory_order_release);
    }

    // Set while a loader thread fills the resource, which the device then leaves alone; written by
    // that thread, or under the device's mutex, and read by the rendering thread.
    std::atomic<uint8_t> locked{0};
    uint8_t uploaded = 0;
    uint32_t deviceSlot = InvalidId;
    uint32_t usage = 0;
    uint32_t version = 0;
};

// Owns every loaded resource of the program, indexed by id. Loader threads add resources while the
// application thread looks others up, so the list is locked: an insertion may move it. A resource is
// destroyed only by the application thread, and only once no loader uses it.
class ResourceTable
{
public:
    explicit ResourceTable(FileManager* files = nullptr) : files(files) {}

    // Stores a resource at id, setting its id, type id and table; null (and the table unchanged)
    // for the invalid id or an occupied entry. The refused resource is destroyed.
    Resource* Insert(uint32_t id, uint32_t typeId, std::unique_ptr<Resource> resource);
    // Deletes the resource at id; false when there is none.
    bool Destroy(uint32_t id);
    Resource* Get(uint32_t id) const
    {
        std::shared_lock lock(mutex);
        return id < resources.size() ? resources[id].get() : nullptr;
    }
    template <class T> T* Find(uint32_t id) const { return dynamic_cast<T*>(Get(id)); }
    uint32_t Count() const
    {
        std::shared_lock lock(mutex);
        return static_cast<uint32_t>(resources.size());
    }

    // Creates a default resource of kind T at id; null when the id is refused.
    template <class T> T* Create(uint32_t id)
    {
        auto resource = std::make_unique<T>();
        T* created = resource.get();
        return Insert(id, TypeIndex<T, ResourceTypes>(), std::move(resource)) ? created : nullptr;
    }
    Texture* CreateTexture(uint32_t id);

    FileManager* files = nullptr;
    // When set, loads through this table register hot-reload watches.
    uint8_t watch = 0;

private:
    mutable std::shared_mutex mutex;
    std::vector<std::unique_ptr<Resource>> resources;
};

} // namespace Lumvek
