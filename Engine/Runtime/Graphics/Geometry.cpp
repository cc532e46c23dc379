#include "Engine/Runtime/Graphics/Geometry.h"

namespace Lumvek
{

const NameList& GeometryDataTypeNames()
{
    static const NameList names{"TriangleList", "TriangleStrip", "PointList",   "LineList",
                                "InstanceData", "IndexList",     "ConstantData"};
    return names;
}

Geometry::~Geometry() = default;

namespace GraphicsBuffer
{

GraphicsBufferRange Allocate(Geometry& geometry, uint32_t stride, uint32_t count)
{
    const bool constants = geometry.dataType == GeometryDataType::ConstantData;
    // Constant buffers are bound in whole 16-byte constants from 256-byte boundaries, one block per
    // allocation; index buffers are read as 16- or 32-bit words.
    if (stride == 0 || (constants && (count != 1 || stride % 16 != 0)) ||
        (geometry.dataType == GeometryDataType::IndexList && stride != 2 && stride != 4))
        return {};

    const uint64_t alignment = constants ? 256 : stride;
    const uint64_t used = geometry.used;
    const uint64_t start = (used + alignment - 1) / alignment * alignment;
    const uint64_t end = start + uint64_t(stride) * count;
    if (end > 0xFFFFFFFFu)
        return {};

    if (end > geometry.data.Size())
        geometry.data.Reserve(static_cast<uint32_t>(end));
    GraphicsBufferRange range;
    range.first = static_cast<uint32_t>(start / (constants ? 16 : stride));
    range.stride = stride;
    range.count = count;
    range.byteSize = static_cast<uint32_t>(end - start);
    range.bytes = range.byteSize ? geometry.data.Data() + start : nullptr;
    geometry.used = static_cast<uint32_t>(end);
    geometry.stride = stride;
    geometry.MarkChanged();
    return range;
}

} // namespace GraphicsBuffer

} // namespace Lumvek
