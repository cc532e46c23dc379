#include "Engine/Runtime/Graphics/Geometry.h"

#include <gtest/gtest.h>

#include <string>

namespace Lumvek
{
namespace
{

TEST(GraphicsBuffer, AllocateAlignsEachKindAndRefusesWhatItCannotBind)
{
    using Type = GeometryDataType;
    const struct
    {
        Type type;
        uint32_t used, stride, count;
        // Expected: first element, start byte, used afterwards; a refusal leaves used as it was.
        uint32_t first, start, usedAfter;
        bool refused;
    } cases[] = {
        {Type::TriangleList, 10, 12, 3, 1, 12, 48, false},
        {Type::TriangleList, 24, 12, 2, 2, 24, 48, false},
        {Type::InstanceData, 0, 88, 4, 0, 0, 352, false},
        {Type::TriangleStrip, 5, 20, 0, 1, 20, 20, false},
        // One constant block per allocation, at a 256-byte boundary, counted in 16-byte constants.
        {Type::ConstantData, 10, 64, 1, 16, 256, 320, false},
        {Type::ConstantData, 0, 16, 1, 0, 0, 16, false},
        {Type::ConstantData, 0, 64, 2, 0, 0, 0, true},
        {Type::ConstantData, 0, 20, 1, 0, 0, 0, true},
        {Type::IndexList, 3, 2, 6, 2, 4, 16, false},
        {Type::IndexList, 3, 4, 6, 1, 4, 28, false},
        {Type::IndexList, 0, 1, 6, 0, 0, 0, true},
        {Type::IndexList, 0, 8, 6, 0, 0, 0, true},
        // A stride of 0 has no alignment or element numbering.
        {Type::TriangleList, 7, 0, 3, 0, 0, 7, true},
        // An end beyond 32 bits.
        {Type::TriangleList, 16, 16, 0x10000000, 0, 0, 16, true},
    };
    for (const auto& c : cases)
    {
        Geometry geometry;
        geometry.dataType = c.type;
        geometry.data.Reserve(c.used);
        geometry.used = c.used;
        const std::string name = GeometryDataTypeNames().GetName(uint32_t(c.type)).ToString() + " stride " +
                                 std::to_string(c.stride) + " after " + std::to_string(c.used);

        GraphicsBufferRange range = GraphicsBuffer::Allocate(geometry, c.stride, c.count);
        EXPECT_EQ(geometry.used, c.usedAfter) << name;
        if (c.refused)
        {
            EXPECT_EQ(range.bytes, nullptr) << name;
            EXPECT_EQ(range.stride, 0u) << name;
            EXPECT_EQ(geometry.version, 0u) << name;
            continue;
        }
        EXPECT_EQ(range.first, c.first) << name;
        EXPECT_EQ(range.stride, c.stride) << name;
        EXPECT_EQ(range.count, c.count) << name;
        EXPECT_EQ(range.byteSize, c.stride * c.count) << name;
        EXPECT_EQ(range.bytes, range.byteSize ? geometry.data.Data() + c.start : nullptr) << name;
        EXPECT_GE(geometry.data.Size(), c.usedAfter) << name;
        EXPECT_EQ(geometry.stride, c.stride) << name;
        EXPECT_EQ(geometry.version, 1u) << name;
    }
}

} // namespace
} // namespace Lumvek
