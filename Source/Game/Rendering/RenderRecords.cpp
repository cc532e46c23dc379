#include "Source/Game/Rendering/RenderRecords.h"

#include "Engine/Runtime/Graphics/Geometry.h"

#include <algorithm>
#include <new>

RenderMatrix RenderMatrix::From(const Lumvek::Matrix4x4& matrix)
{
    RenderMatrix result;
    std::copy(std::begin(matrix.m), std::end(matrix.m), std::begin(result.m));
    return result;
}

namespace RenderBuffers
{

namespace
{

template <class T> RenderAllocation<T> Take(Lumvek::Geometry& buffer, uint32_t count)
{
    if (count == 0)
        return {};
    const Lumvek::GraphicsBufferRange range =
        Lumvek::GraphicsBuffer::Allocate(buffer, static_cast<uint32_t>(sizeof(T)), count);
    if (!range.bytes)
        return {};
    // The bytes are the buffer's own storage; the records begin their lives here.
    T* records = new (range.bytes) T[count]();
    return {std::span<T>(records, count), range.first};
}

} // namespace

RenderAllocation<TransformInstance> AllocateTransforms(Lumvek::Geometry& buffer, uint32_t count)
{
    return Take<TransformInstance>(buffer, count);
}

RenderAllocation<EffectInstance> AllocateEffects(Lumvek::Geometry& buffer, uint32_t count)
{
    return Take<EffectInstance>(buffer, count);
}

RenderAllocation<EraseInstance> AllocateErase(Lumvek::Geometry& buffer)
{
    return Take<EraseInstance>(buffer, 1);
}

RenderAllocation<TexturedBackgroundVertex> AllocateTexturedCorners(Lumvek::Geometry& buffer)
{
    return Take<TexturedBackgroundVertex>(buffer, 4);
}

RenderAllocation<ColoredBackgroundVertex> AllocateColoredCorners(Lumvek::Geometry& buffer)
{
    return Take<ColoredBackgroundVertex>(buffer, 4);
}

RenderAllocation<uint16_t> AllocateIndices(Lumvek::Geometry& buffer, uint32_t count)
{
    return Take<uint16_t>(buffer, count);
}

RenderAllocation<CameraConstants> AllocateCamera(Lumvek::Geometry& buffer)
{
    return Take<CameraConstants>(buffer, 1);
}

uint32_t CountRecords(const Lumvek::Geometry& buffer, uint32_t recordSize)
{
    return recordSize ? buffer.used / recordSize : 0;
}

void Empty(Lumvek::Geometry& buffer, uint32_t dataType)
{
    buffer.data.Clear();
    buffer.used = 0;
    buffer.dataType = static_cast<Lumvek::GeometryDataType>(dataType);
    buffer.MarkChanged();
}

} // namespace RenderBuffers
