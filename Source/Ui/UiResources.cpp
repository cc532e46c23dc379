#include "Source/Ui/UiResources.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Source/Data/NamedAssets.h"

#include <cstring>
#include <mutex>

namespace
{

TransitionGeometryIds NameIds()
{
    // A graphics resource lives in the table under its slot's name.
    auto id = [](uint32_t slot) { return Lumvek::NameTableB().Add(Lumvek::NameTableC().GetName(slot)); };
    TransitionGeometryIds ids;
    ids.colorTransitionVertices = id(GraphicsResources::ColorTransitionVertices);
    ids.quadIndices = id(GraphicsResources::QuadIndices);
    ids.pageConstants = id(GraphicsResources::PageConstants);
    ids.pageVertices = id(GraphicsResources::PageVertices);
    ids.pageIndices = id(GraphicsResources::PageIndices);
    return ids;
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

const TransitionGeometryIds& TransitionGeometryIds::Get()
{
    static const TransitionGeometryIds ids = NameIds();
    return ids;
}

void BuildPageIndices(uint16_t (&out)[PageFaceIndexCount * 2])
{
    // Quad corners in the order the page writes them: top left, top right, bottom left, bottom right.
    constexpr uint16_t front[6] = {0, 1, 2, 2, 1, 3};
    constexpr uint16_t back[6] = {3, 1, 2, 2, 1, 0};
    for (uint32_t quad = 0; quad < PageColumns * PageRows; ++quad)
        for (uint32_t corner = 0; corner < 6; ++corner)
        {
            out[quad * 6 + corner] = static_cast<uint16_t>(quad * 4 + front[corner]);
            out[PageFaceIndexCount + quad * 6 + corner] = static_cast<uint16_t>(quad * 4 + back[corner]);
        }
}

bool CreateTransitionGeometries(Lumvek::GraphicsDevice& device)
{
    const TransitionGeometryIds& ids = TransitionGeometryIds::Get();
    namespace Slots = GraphicsResources;
    static constexpr uint16_t quad[6] = {0, 1, 2, 2, 1, 3};
    static uint16_t page[PageFaceIndexCount * 2];
    BuildPageIndices(page);
    bool created = CreateIndices(device, Slots::QuadIndices, ids.quadIndices, quad, 6);
    created &= CreateIndices(device, Slots::PageIndices, ids.pageIndices, page, PageFaceIndexCount * 2);
    created &= CreateDynamic(device, Slots::ColorTransitionVertices, ids.colorTransitionVertices,
                             Lumvek::GeometryDataType::TriangleList);
    created &= CreateDynamic(device, Slots::PageVertices, ids.pageVertices, Lumvek::GeometryDataType::TriangleList);
    created &= CreateDynamic(device, Slots::PageConstants, ids.pageConstants, Lumvek::GeometryDataType::ConstantData);
    return created;
}

Lumvek::Geometry* FindGeometry(Lumvek::GraphicsDevice& device, uint32_t id)
{
    if (!device.resources)
        return nullptr;
    std::lock_guard lock(device.mutex);
    return device.resources->Find<Lumvek::Geometry>(id);
}
