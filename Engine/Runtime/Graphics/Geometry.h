#pragma once

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Resource.h"

#include <cstdint>

namespace Lumvek
{

// What a geometry's bytes hold; the first four are also the topology its vertices are drawn with.
// The values are the positions in GeometryDataTypeNames.
enum class GeometryDataType : uint32_t
{
    TriangleList = 0,
    TriangleStrip = 1,
    PointList = 2,
    LineList = 3,
    InstanceData = 4,
    IndexList = 5,
    ConstantData = 6,
};

// "TriangleList", "TriangleStrip", "PointList", "LineList", "InstanceData", "IndexList", "ConstantData".
const NameList& GeometryDataTypeNames();

// A typed block of bytes (vertices, instances, indices or shader constants) that renderers fill range
// by range with GraphicsBuffer::Allocate. Lives in a ResourceTable; created through
// GraphicsDevice::CreateGeometry, which gives it a device slot.
class Geometry : public GraphicsResource
{
public:
    ~Geometry() override;

    // Geometries keep their bytes after an upload: they are refilled in place.
    void ReleaseData() override {}

    GeometryDataType dataType = GeometryDataType::TriangleList;
    Buffer data;
    // Bytes handed out so far; data may be larger.
    uint32_t used = 0;
    // The element size of the last allocation: the stride the geometry is bound with by default.
    uint32_t stride = 0;
};

// A range of elements handed out by GraphicsBuffer::Allocate; all zero when refused.
struct GraphicsBufferRange
{
    // In elements of the stride, or in 16-byte constants for constant data.
    uint32_t first = 0;
    uint32_t stride = 0;
    uint32_t count = 0;
    // Valid until the geometry's buffer next grows.
    uint8_t* bytes = nullptr;
    uint32_t byteSize = 0;
};

namespace GraphicsBuffer
{

// Appends count elements of stride bytes to the geometry after its used bytes, aligned: constant data
// to 256 bytes (one block only, a multiple of 16 bytes), everything else to the stride. Index lists
// take only 2- and 4-byte elements. Sets the geometry's stride and marks it changed. Refused (an
// all-zero range, the geometry untouched) for a stride of 0, a shape the kind does not take, or an
// end beyond 32 bits.
GraphicsBufferRange Allocate(Geometry& geometry, uint32_t stride, uint32_t count);

} // namespace GraphicsBuffer

} // namespace Lumvek
