#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"

#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/Material.h"

namespace Lumvek
{

namespace
{

// A resource argument: its device slot, or "none".
std::string Slot(const GraphicsResource* resource)
{
    return resource ? std::to_string(resource->deviceSlot) : std::string("none");
}

void CountUpload(GraphicsDevice::ResourceHandle& handle)
{
    if (auto* recording = dynamic_cast<RecordingGraphicsDevice::Handle*>(&handle))
        ++recording->uploads;
}

} // namespace

RecordingGraphicsDevice::RecordingGraphicsDevice(ResourceTable* resources, uint32_t width, uint32_t height)
    : GraphicsDevice("Recording", resources)
{
    SetBackBufferSize(width, height);
}

// The slots hold handles that count down on this device as they go.
RecordingGraphicsDevice::~RecordingGraphicsDevice()
{
    ClearSlots();
}

std::vector<Resolution> RecordingGraphicsDevice::GetResolutions(uint32_t desktopWidth, uint32_t desktopHeight)
{
    calls.push_back(FormatText("GetResolutions {} {}", desktopWidth, desktopHeight));
    return {{desktopWidth, desktopHeight, false}};
}

std::vector<uint32_t> RecordingGraphicsDevice::GetMultisampleCounts()
{
    calls.push_back("GetMultisampleCounts");
    return {1};
}

void RecordingGraphicsDevice::SetScale(float newScale)
{
    calls.push_back(FormatText("SetScale {}", newScale));
    scale = newScale;
}

void RecordingGraphicsDevice::SetMultisampleCount(uint32_t count)
{
    calls.push_back(FormatText("SetMultisampleCount {}", count));
    multisampleCount = count;
}

void RecordingGraphicsDevice::Clear(float red, float green, float blue, float alpha)
{
    calls.push_back(FormatText("Clear {} {} {} {}", red, green, blue, alpha));
}

void RecordingGraphicsDevice::SetDepthTarget(const Texture* texture, ResourceHandle*)
{
    calls.push_back(FormatText("SetDepthTarget {}", Slot(texture)));
}

void RecordingGraphicsDevice::SetClip(float x, float y, float clipWidth, float clipHeight)
{
    calls.push_back(FormatText("SetClip {} {} {} {}", x, y, clipWidth, clipHeight));
}

void RecordingGraphicsDevice::SetMaterial(const Material* material, ResourceHandle*)
{
    calls.push_back(FormatText("SetMaterial {}", Slot(material)));
}

void RecordingGraphicsDevice::SetTexture(const Texture* texture, ResourceHandle*, uint32_t slot)
{
    calls.push_back(FormatText("SetTexture {} {}", Slot(texture), slot));
}

void RecordingGraphicsDevice::SetGeometry(const Geometry* geometry, ResourceHandle*, uint32_t stride)
{
    calls.push_back(FormatText("SetGeometry {} {}", Slot(geometry), stride));
}

void RecordingGraphicsDevice::SetInstances(const Geometry* geometry, ResourceHandle*, uint32_t stride)
{
    calls.push_back(FormatText("SetInstances {} {}", Slot(geometry), stride));
}

void RecordingGraphicsDevice::SetIndices(const Geometry* geometry, ResourceHandle*, uint32_t stride)
{
    calls.push_back(FormatText("SetIndices {} {}", Slot(geometry), stride));
}

void RecordingGraphicsDevice::SetConstants(const Geometry* geometry, ResourceHandle*, uint8_t vertexStage,
                                           uint8_t pixelStage, uint32_t first, uint32_t count, uint32_t slot)
{
    calls.push_back(FormatText("SetConstants {} {} {} {} {} {}", Slot(geometry), uint32_t(vertexStage),
                               uint32_t(pixelStage), first, count, slot));
}

void RecordingGraphicsDevice::SetWindow(void*, float windowWidth, float windowHeight, float displayScale)
{
    calls.push_back(FormatText("SetWindow {} {} {}", windowWidth, windowHeight, displayScale));
}

void RecordingGraphicsDevice::SetSize(float newWidth, float newHeight, float displayScale)
{
    calls.push_back(FormatText("SetSize {} {} {}", newWidth, newHeight, displayScale));
    SetBackBufferSize(static_cast<uint32_t>(newWidth), static_cast<uint32_t>(newHeight));
    ResizeTargets();
}

void RecordingGraphicsDevice::Reserved()
{
    calls.push_back("Reserved");
}

std::unique_ptr<GraphicsDevice::ResourceHandle> RecordingGraphicsDevice::CreateGeometryHandle()
{
    return std::make_unique<Handle>(*this, ResourceKind::Geometry);
}

std::unique_ptr<GraphicsDevice::ResourceHandle> RecordingGraphicsDevice::CreateMaterialHandle()
{
    return std::make_unique<Handle>(*this, ResourceKind::Material);
}

std::unique_ptr<GraphicsDevice::ResourceHandle> RecordingGraphicsDevice::CreateTextureHandle()
{
    return std::make_unique<Handle>(*this, ResourceKind::Texture);
}

void RecordingGraphicsDevice::UploadGeometry(ResourceHandle& handle, const Geometry& geometry)
{
    CountUpload(handle);
    calls.push_back(FormatText("UploadGeometry {} {}", Slot(&geometry), geometry.data.Size()));
}

void RecordingGraphicsDevice::UploadMaterial(ResourceHandle& handle, const Material& material)
{
    CountUpload(handle);
    calls.push_back(FormatText("UploadMaterial {}", Slot(&material)));
}

void RecordingGraphicsDevice::UploadTexture(ResourceHandle& handle, const Texture& texture)
{
    CountUpload(handle);
    calls.push_back(FormatText("UploadTexture {} {} {} {} {}", Slot(&texture), texture.dirty.left, texture.dirty.top,
                               texture.dirty.right, texture.dirty.bottom));
}

void RecordingGraphicsDevice::BeginFrame()
{
    calls.push_back("BeginFrame");
}

void RecordingGraphicsDevice::SetColorTarget(const Texture* texture, ResourceHandle*, uint32_t index)
{
    calls.push_back(FormatText("SetColorTarget {} {}", Slot(texture), index));
}

void RecordingGraphicsDevice::ClearDepth(float depth, uint8_t stencil)
{
    calls.push_back(FormatText("ClearDepth {} {}", depth, uint32_t(stencil)));
}

void RecordingGraphicsDevice::Draw(uint32_t first, uint32_t count)
{
    calls.push_back(FormatText("Draw {} {}", first, count));
}

void RecordingGraphicsDevice::DrawIndexed(uint32_t first, uint32_t count)
{
    calls.push_back(FormatText("DrawIndexed {} {}", first, count));
}

void RecordingGraphicsDevice::DrawInstanced(uint32_t firstVertex, uint32_t vertexCount, uint32_t firstInstance,
                                            uint32_t instanceCount)
{
    calls.push_back(FormatText("DrawInstanced {} {} {} {}", firstVertex, vertexCount, firstInstance, instanceCount));
}

void RecordingGraphicsDevice::DrawIndexedInstanced(uint32_t firstIndex, uint32_t indexCount, uint32_t firstInstance,
                                                   uint32_t instanceCount)
{
    calls.push_back(
        FormatText("DrawIndexedInstanced {} {} {} {}", firstIndex, indexCount, firstInstance, instanceCount));
}

void RecordingGraphicsDevice::Present()
{
    calls.push_back("Present");
}

} // namespace Lumvek
