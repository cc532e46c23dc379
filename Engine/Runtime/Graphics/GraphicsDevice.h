#pragma once

#include "Engine/Foundation/StringView.h"

#include <atomic>
#include <bit>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Lumvek
{

class Geometry;
class GraphicsResource;
class Material;
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

// How a graphics resource's data is kept on the device; any value other than Dynamic and UploadOnce
// is static.
enum class ResourceUsage : uint32_t
{
    Static = 0,
    // Refilled often: the device keeps a buffer the CPU can write.
    Dynamic = 2,
    // Uploaded once, after which the CPU-side copy is dropped (GraphicsResource::ReleaseData).
    UploadOnce = 3,
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

// The operation a GraphicsCommand replays.
enum class GraphicsCommandCode : uint32_t
{
    SetColorTarget = 0,
    SetDepthTarget = 1,
    Clear = 2,
    ClearDepth = 3,
    SetMaterial = 4,
    SetTexture = 5,
    SetGeometry = 6,
    SetInstances = 7,
    SetIndices = 8,
    SetConstants = 9,
    SetClip = 10,
    Draw = 11,
};

// One queued device call: a code and five 32-bit operands, floats stored by their bits. Resource
// operands are device slots. Operands per code:
//   SetColorTarget: texture, target index.      SetDepthTarget: texture.
//   Clear: red, green, blue, alpha (floats).    ClearDepth: depth (float), stencil.
//   SetMaterial: material.                      SetTexture: texture, texture slot.
//   SetGeometry / SetInstances / SetIndices: geometry, stride (0 = the geometry's own).
//   SetConstants: geometry, first constant, constant count, constant-buffer slot, stage flags
//                 (low byte vertex stage, next byte pixel stage).
//   SetClip: x, y, width, height (floats).      Draw: first element, element count (0 = all).
struct GraphicsCommand
{
    uint32_t code = 0;
    uint32_t op1 = 0;
    uint32_t op2 = 0;
    uint32_t op3 = 0;
    uint32_t op4 = 0;
    uint32_t op5 = 0;

    static uint32_t FromFloat(float value) { return std::bit_cast<uint32_t>(value); }
    static float ToFloat(uint32_t bits) { return std::bit_cast<float>(bits); }
    static uint32_t StageFlags(uint8_t vertexStage, uint8_t pixelStage)
    {
        return vertexStage | uint32_t(pixelStage) << 8;
    }

    static GraphicsCommand Make(GraphicsCommandCode code, uint32_t op1 = 0, uint32_t op2 = 0, uint32_t op3 = 0,
                                uint32_t op4 = 0, uint32_t op5 = 0)
    {
        return {static_cast<uint32_t>(code), op1, op2, op3, op4, op5};
    }
    static GraphicsCommand SetColorTarget(uint32_t texture, uint32_t index)
    {
        return Make(GraphicsCommandCode::SetColorTarget, texture, index);
    }
    static GraphicsCommand SetDepthTarget(uint32_t texture)
    {
        return Make(GraphicsCommandCode::SetDepthTarget, texture);
    }
    static GraphicsCommand Clear(float red, float green, float blue, float alpha)
    {
        return Make(GraphicsCommandCode::Clear, FromFloat(red), FromFloat(green), FromFloat(blue), FromFloat(alpha));
    }
    static GraphicsCommand ClearDepth(float depth, uint8_t stencil)
    {
        return Make(GraphicsCommandCode::ClearDepth, FromFloat(depth), stencil);
    }
    static GraphicsCommand SetClip(float x, float y, float width, float height)
    {
        return Make(GraphicsCommandCode::SetClip, FromFloat(x), FromFloat(y), FromFloat(width), FromFloat(height));
    }
};

// One entry of GetResolutions.
struct Resolution
{
    uint32_t width = 0;
    uint32_t height = 0;
    // Derived from the desktop size rather than a fixed mode.
    bool scaled = false;

    bool operator==(const Resolution&) const = default;
};

// The back-buffer size in pixels, read as one value.
struct DeviceSize
{
    uint32_t width = 0;
    uint32_t height = 0;

    bool operator==(const DeviceSize&) const = default;
};

// The engine's drawing interface. Owned by the application.
//
// Threads:
// - The slot table is shared by the application thread and the loader threads that create resources,
//   and is guarded by the device mutex, which the application thread also holds for the whole upload,
//   replay and present of a frame (Render).
// - The command queue belongs to the application thread, which fills it during a frame and replays it.
// - The size is written by whichever thread tells the device about its window, and read by the
//   application thread's layout; GetSize gives both sides of one size.
//
// Resource lifetime: the pointers that CreateGeometry, CreateMaterial, CreateTexture and GetTexture
// return are used without the mutex, so a resource may be destroyed only where no such pointer is in
// use: DestroyResource runs on the rendering thread (the one that calls Render, the application
// thread), between frames, or after that thread has ended (EndRendering). Loader threads create and
// fill resources but never destroy them; a call from another thread while the rendering thread runs
// is refused with a message. A pointer handed out thus stays valid until the rendering thread itself
// destroys that resource, never in the middle of its frame or of a loader's work on it.
//
// Platform devices implement the virtual operations; the Set operations receive the resource a
// command names and its handle, or two nulls when the id names nothing of the right kind.
class GraphicsDevice
{
public:
    using ResourceHandle = GraphicsResourceHandle;

    GraphicsDevice(StringView name, ResourceTable* resources, float scale = 1.0f, uint32_t multisampleCount = 1,
                   bool debug = false)
        : scale(scale), multisampleCount(multisampleCount), name(name.ToString()), debug(debug), resources(resources)
    {
    }
    GraphicsDevice(const GraphicsDevice&) = delete;
    GraphicsDevice& operator=(const GraphicsDevice&) = delete;
    // Destroys the slots' handles. A platform device whose handles need it alive (to free their
    // platform objects) empties the slots in its own destructor.
    virtual ~GraphicsDevice();

    // The virtual operations, in their slot order.

    // The back-buffer sizes offered for a desktop of the given size.
    virtual std::vector<Resolution> GetResolutions(uint32_t desktopWidth, uint32_t desktopHeight) = 0;
    // The multisample counts the platform supports, 1 first.
    virtual std::vector<uint32_t> GetMultisampleCounts() = 0;
    virtual void SetScale(float scale) = 0;
    virtual void SetMultisampleCount(uint32_t count) = 0;
    // Clears every bound colour target.
    virtual void Clear(float red, float green, float blue, float alpha) = 0;
    virtual void SetDepthTarget(const Texture* texture, ResourceHandle* handle) = 0;
    // Top-left pixel coordinates; a width or height <= 0 means the whole target.
    virtual void SetClip(float x, float y, float width, float height) = 0;
    virtual void SetMaterial(const Material* material, ResourceHandle* handle) = 0;
    virtual void SetTexture(const Texture* texture, ResourceHandle* handle, uint32_t slot) = 0;
    // Stride in bytes, never 0 with a geometry; the replay resolves a command's 0 to the geometry's own.
    virtual void SetGeometry(const Geometry* geometry, ResourceHandle* handle, uint32_t stride) = 0;
    virtual void SetInstances(const Geometry* geometry, ResourceHandle* handle, uint32_t stride) = 0;
    virtual void SetIndices(const Geometry* geometry, ResourceHandle* handle, uint32_t stride) = 0;
    // Binds count 16-byte constants from the first to the slot of each stage whose flag is set.
    virtual void SetConstants(const Geometry* geometry, ResourceHandle* handle, uint8_t vertexStage, uint8_t pixelStage,
                              uint32_t first, uint32_t count, uint32_t slot) = 0;
    // window: the platform's window object (an SDL_Window on Linux).
    virtual void SetWindow(void* window, float width, float height, float displayScale) = 0;
    virtual void SetSize(float width, float height, float displayScale) = 0;
    // Holds a slot no caller uses; platform devices leave it empty.
    virtual void Reserved() = 0;
    virtual std::unique_ptr<ResourceHandle> CreateGeometryHandle() = 0;
    virtual std::unique_ptr<ResourceHandle> CreateMaterialHandle() = 0;
    virtual std::unique_ptr<ResourceHandle> CreateTextureHandle() = 0;
    // Called under the device mutex with the handle the device made for the resource's slot. A
    // texture upload may copy only the texture's dirty rectangle when the handle already holds a
    // texture of the same size; the rectangle is never empty here (an edit that reported no area
    // sends the whole texture) and is reset after the call. A geometry's byte size is data.Size().
    // Data of an upload-once resource may already have been dropped: expect empty buffers.
    virtual void UploadGeometry(ResourceHandle& handle, const Geometry& geometry) = 0;
    virtual void UploadMaterial(ResourceHandle& handle, const Material& material) = 0;
    virtual void UploadTexture(ResourceHandle& handle, const Texture& texture) = 0;
    virtual void BeginFrame() = 0;
    // Cuts the bound colour targets to index entries and appends the texture (the back buffer for
    // none); an index beyond the bound count changes nothing.
    virtual void SetColorTarget(const Texture* texture, ResourceHandle* handle, uint32_t index) = 0;
    virtual void ClearDepth(float depth, uint8_t stencil) = 0;
    virtual void Draw(uint32_t first, uint32_t count) = 0;
    virtual void DrawIndexed(uint32_t first, uint32_t count) = 0;
    virtual void DrawInstanced(uint32_t firstVertex, uint32_t vertexCount, uint32_t firstInstance,
                               uint32_t instanceCount) = 0;
    virtual void DrawIndexedInstanced(uint32_t firstIndex, uint32_t indexCount, uint32_t firstInstance,
                                      uint32_t instanceCount) = 0;
    virtual void Present() = 0;

    StringView GetName() const { return name; }

    // Resource creation, from any thread. Each makes the resource in the resource table under the
    // index, in NameTableB, of the slot's name in NameTableC, and fills the slot with a new handle.
    // Null when the slot already holds a resource or the table refuses the id.
    Geometry* CreateGeometry(uint32_t id, uint32_t usage, uint8_t locked);
    // Materials start locked: they are uploaded once their creator has filled them and called
    // FinishChanges.
    Material* CreateMaterial(uint32_t id);
    Material* AddMaterial(uint32_t id) { return CreateMaterial(id); }
    // Textures start locked too, like materials.
    Texture* CreateTexture(uint32_t slot, uint32_t usage);
    // The texture of a slot; null when the slot holds no texture. Valid after the call as the
    // lifetime rule above says.
    Texture* GetTexture(uint32_t slot);
    // Destroys the resource of a slot holding one of the kind and empties the slot; false otherwise.
    // On the rendering thread, or once it has ended; refused with a message from any other thread.
    bool DestroyResource(uint32_t id, ResourceKind kind);
    // Tells the device that the thread that rendered has ended, so that the systems' teardown on
    // another thread may destroy resources.
    void EndRendering();

    // One frame's work at render time, under the device mutex: uploads the changed resources, begins
    // the frame, replays the queue, presents, resets the bound counts, empties the queue and drops the
    // CPU copies of the upload-once resources that are on the device. The calling thread becomes the
    // rendering thread.
    void Render();
    // Uploads every unlocked resource whose version differs from the one last uploaded. The caller
    // holds the mutex.
    void UploadChangedResources();
    // Replays the queue onto the virtual operations. The caller holds the mutex.
    void ExecuteCommands();
    // Resizes every colour and depth-stencil target texture to the device size. Takes the mutex;
    // platform devices call it after their size or multisample count changed.
    void ResizeTargets();

    // The back-buffer size in pixels; both sides come from one update. Any thread.
    DeviceSize GetSize() const
    {
        const uint64_t bits = size.load(std::memory_order_acquire);
        return {static_cast<uint32_t>(bits >> 32), static_cast<uint32_t>(bits)};
    }
    // The frame's queue, reused frame after frame. Application thread only.
    std::vector<GraphicsCommand>& GetCommands() { return commands; }
    const std::vector<GraphicsCommand>& GetCommands() const { return commands; }
    // The device mutex: held for a frame's Render and while slots are created or destroyed. Taken by
    // code that hands the device state it reads during a frame.
    [[nodiscard]] std::unique_lock<std::mutex> Lock() { return std::unique_lock(mutex); }
    // The number of slots and the handle of one (null when it holds none); under the mutex.
    uint32_t GetSlotCount();
    ResourceHandle* GetHandle(uint32_t slot);

    float scale = 1.0f;
    uint32_t multisampleCount = 1;
    std::string name;
    bool debug = false;
    // The table the device's resources live in; not owned.
    ResourceTable* resources = nullptr;
    // Element counts of the buffers bound by the last replayed SetGeometry, SetInstances and
    // SetIndices; 0 after every frame. Rendering thread only.
    uint32_t vertexCount = 0;
    uint32_t instanceCount = 0;
    uint32_t indexCount = 0;

protected:
    // Publishes a new back-buffer size; any thread.
    void SetBackBufferSize(uint32_t width, uint32_t height)
    {
        size.store(uint64_t(width) << 32 | height, std::memory_order_release);
    }
    // Empties every slot, destroying the handles; for platform devices whose handles need the device
    // alive. Takes the mutex.
    void ClearSlots();

    // Creates a resource of the kind for a slot, shared by every kind: create makes it in the table
    // under the id it is given. The mutex is held from the check of the slot to its filling, so two
    // threads cannot both fill one slot, and the table never grows while a slot is written.
    GraphicsResource* CreateResource(uint32_t slot, ResourceKind kind, uint32_t usage, uint8_t locked,
                                     const std::function<GraphicsResource*(uint32_t id)>& create);
    // The resource of a slot when it holds one of the kind; null otherwise.
    GraphicsResource* FindResource(uint32_t slot, ResourceKind kind);

private:
    std::unique_ptr<ResourceHandle> CreateHandle(ResourceKind kind);
    // Whether the calling thread may destroy resources now (see the lifetime rule above).
    bool MayDestroyResources() const;
    // The slot of an id when it holds a resource of the kind; null otherwise. The caller holds the mutex.
    GraphicsResourceSlot* Resolve(uint32_t id, ResourceKind kind);
    // Binds a geometry for SetGeometry, SetInstances or SetIndices and returns its element count.
    uint32_t BindBuffer(const GraphicsCommand& command,
                        void (GraphicsDevice::*bind)(const Geometry*, ResourceHandle*, uint32_t));

    // Width in the high half, height in the low half.
    std::atomic<uint64_t> size{0};
    std::vector<GraphicsCommand> commands;
    std::vector<GraphicsResourceSlot> slots;
    std::mutex mutex;
    // The thread that last called Render, until EndRendering; none before.
    std::atomic<std::thread::id> renderingThread;
};

} // namespace Lumvek
