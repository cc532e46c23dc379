#pragma once

#include "Engine/Runtime/Graphics/GraphicsDevice.h"

#include <string>
#include <vector>

namespace Lumvek
{

// A graphics device without a platform: it draws nothing and keeps every call it receives as a line
// of text, so tests and tools can check what a frame would do without a GPU. Resources appear by
// their device slot ("none" for a null one), floats in their trimmed text form, for example
// "SetGeometry 4 20", "Clear 0.5 0.0 0.0 1.0", "UploadTexture 3 0 0 16 16" (the slot, then the dirty
// rectangle left, top, right, bottom seen by the upload). Used on the thread that calls it.
class RecordingGraphicsDevice : public GraphicsDevice
{
public:
    // A handle that only knows which kind of resource it was made for, and counts the live ones.
    class Handle : public ResourceHandle
    {
    public:
        Handle(RecordingGraphicsDevice& device, ResourceKind kind) : device(device), kind(kind)
        {
            ++device.liveHandles;
        }
        ~Handle() override { --device.liveHandles; }

        RecordingGraphicsDevice& device;
        ResourceKind kind;
        // Uploads received.
        uint32_t uploads = 0;
    };

    explicit RecordingGraphicsDevice(ResourceTable* resources, uint32_t width = 1920, uint32_t height = 1080);
    ~RecordingGraphicsDevice() override;

    std::vector<Resolution> GetResolutions(uint32_t desktopWidth, uint32_t desktopHeight) override;
    std::vector<uint32_t> GetMultisampleCounts() override;
    void SetScale(float scale) override;
    void SetMultisampleCount(uint32_t count) override;
    void Clear(float red, float green, float blue, float alpha) override;
    void SetDepthTarget(const Texture* texture, ResourceHandle* handle) override;
    void SetClip(float x, float y, float width, float height) override;
    void SetMaterial(const Material* material, ResourceHandle* handle) override;
    void SetTexture(const Texture* texture, ResourceHandle* handle, uint32_t slot) override;
    void SetGeometry(const Geometry* geometry, ResourceHandle* handle, uint32_t stride) override;
    void SetInstances(const Geometry* geometry, ResourceHandle* handle, uint32_t stride) override;
    void SetIndices(const Geometry* geometry, ResourceHandle* handle, uint32_t stride) override;
    void SetConstants(const Geometry* geometry, ResourceHandle* handle, uint8_t vertexStage, uint8_t pixelStage,
                      uint32_t first, uint32_t count, uint32_t slot) override;
    void SetWindow(void* window, float width, float height, float displayScale) override;
    void SetSize(float width, float height, float displayScale) override;
    void Reserved() override;
    std::unique_ptr<ResourceHandle> CreateGeometryHandle() override;
    std::unique_ptr<ResourceHandle> CreateMaterialHandle() override;
    std::unique_ptr<ResourceHandle> CreateTextureHandle() override;
    void UploadGeometry(ResourceHandle& handle, const Geometry& geometry) override;
    void UploadMaterial(ResourceHandle& handle, const Material& material) override;
    void UploadTexture(ResourceHandle& handle, const Texture& texture) override;
    void BeginFrame() override;
    void SetColorTarget(const Texture* texture, ResourceHandle* handle, uint32_t index) override;
    void ClearDepth(float depth, uint8_t stencil) override;
    void Draw(uint32_t first, uint32_t count) override;
    void DrawIndexed(uint32_t first, uint32_t count) override;
    void DrawInstanced(uint32_t firstVertex, uint32_t vertexCount, uint32_t firstInstance,
                       uint32_t instanceCount) override;
    void DrawIndexedInstanced(uint32_t firstIndex, uint32_t indexCount, uint32_t firstInstance,
                              uint32_t instanceCount) override;
    void Present() override;

    // The calls received since the last ClearCalls, oldest first.
    std::vector<std::string> calls;
    void ClearCalls() { calls.clear(); }
    int liveHandles = 0;
};

} // namespace Lumvek
