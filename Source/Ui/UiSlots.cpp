#include "Source/Ui/UiSlots.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"

#include <cstring>
#include <mutex>
#include <string_view>

namespace
{

UiSlots NameSlots()
{
    UiSlots slots;
    auto slot = [](std::string_view name) { return Lumvek::NameTableC().Add(name); };
    auto id = [](std::string_view name) { return Lumvek::NameTableB().Add(name); };
    slots.transitionTarget = slot("TransitionTarget");
    slots.colorTransitionVertices = slot("ColorTransitionVertices");
    slots.quadIndices = slot("QuadIndices");
    slots.coloredImageMaterial = slot("ColoredImageMaterial");
    slots.pageMaterial = slot("PageMaterial");
    slots.pageConstants = slot("PageConstants");
    slots.pageVertices = slot("PageVertices");
    slots.pageIndices = slot("PageIndices");
    slots.canvasBackground = slot("CanvasBackground");
    slots.colorTransitionVerticesId = id("ColorTransitionVertices");
    slots.quadIndicesId = id("QuadIndices");
    slots.pageConstantsId = id("PageConstants");
    slots.pageVerticesId = id("PageVertices");
    slots.pageIndicesId = id("PageIndices");
    return slots;
}

// A static geometry holding the indices, or the one already in the slot.
bool CreateIndices(Lumvek::GraphicsDevice& device, uint32_t slot, uint32_t id, const uint16_t* indices, uint32_t count)
{
    if (FindGeometry(device, id))
        return true;
    Lumvek::Geometry* geometry = device.CreateGeometry(slot, static_cast<uint32_t>(Lumvek::ResourceUsage::Static), 1);
    if (!geometry)
        return false;
    std::lock_guard lock(device.mutex);
    geometry->dataType = Lumvek::GeometryDataType::IndexList;
    Lumvek::GraphicsBufferRange range = Lumvek::GraphicsBuffer::Allocate(*geometry, sizeof(uint16_t), count);
    if (!range.bytes)
        return false;
    std::memcpy(range.bytes, indices, size_t(count) * sizeof(uint16_t));
    geometry->FinishChanges();
    return true;
}

bool CreateDynamic(Lumvek::GraphicsDevice& device, uint32_t slot, uint32_t id, Lumvek::GeometryDataType type)
{
    if (FindGeometry(device, id))
        return true;
    Lumvek::Geometry* geometry = device.CreateGeometry(slot, static_cast<uint32_t>(Lumvek::ResourceUsage::Dynamic), 0);
    if (!geometry)
        return false;
    std::lock_guard lock(device.mutex);
    geometry->dataType = type;
    return true;
}

} // namespace

const UiSlots& UiSlots::Get()
{
    static const UiSlots slots = NameSlots();
    return slots;
}

void BuildPageIndices(uint16_t (&out)[PageFaceIndexCount * 2])
{
    // Quad corners in the order the page writes them: top left, top right, bottom left, bottom right.
    constexpr uint16_t front[6] = {0, 1, 2, 2, 1, 3};
    constexpr uint16_t back[6] = {0, 2, 1, 2, 3, 1};
    for (uint32_t quad = 0; quad < PageColumns * PageRows; ++quad)
        for (uint32_t corner = 0; corner < 6; ++corner)
        {
            out[quad * 6 + corner] = static_cast<uint16_t>(quad * 4 + front[corner]);
            out[PageFaceIndexCount + quad * 6 + corner] = static_cast<uint16_t>(quad * 4 + back[corner]);
        }
}

bool CreateTransitionGeometries(Lumvek::GraphicsDevice& device)
{
    const UiSlots& slots = UiSlots::Get();
    static constexpr uint16_t quad[6] = {0, 1, 2, 2, 1, 3};
    static uint16_t page[PageFaceIndexCount * 2];
    BuildPageIndices(page);
    bool created = CreateIndices(device, slots.quadIndices, slots.quadIndicesId, quad, 6);
    created &= CreateIndices(device, slots.pageIndices, slots.pageIndicesId, page, PageFaceIndexCount * 2);
    created &= CreateDynamic(device, slots.colorTransitionVertices, slots.colorTransitionVerticesId,
                             Lumvek::GeometryDataType::TriangleList);
    created &= CreateDynamic(device, slots.pageVertices, slots.pageVerticesId, Lumvek::GeometryDataType::TriangleList);
    created &=
        CreateDynamic(device, slots.pageConstants, slots.pageConstantsId, Lumvek::GeometryDataType::ConstantData);
    return created;
}

Lumvek::Geometry* FindGeometry(Lumvek::GraphicsDevice& device, uint32_t id)
{
    if (!device.resources)
        return nullptr;
    std::lock_guard lock(device.mutex);
    return device.resources->Find<Lumvek::Geometry>(id);
}
