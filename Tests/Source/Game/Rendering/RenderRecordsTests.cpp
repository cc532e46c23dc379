// The records the game's shaders read, checked byte by byte where they land in their buffers.

#include "Source/Game/Rendering/RenderRecords.h"

#include "Engine/Runtime/Graphics/Geometry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace Lumvek;

namespace
{

float FloatAt(const Geometry& buffer, uint32_t offset)
{
    float value = 0.0f;
    std::memcpy(&value, buffer.data.Data() + offset, sizeof(value));
    return value;
}

// The 80 bytes every transform-based record starts with: 16 matrix floats, then the texture rectangle.
void FillTransform(RenderMatrix& transform, TextureRectangle& texture)
{
    for (int i = 0; i < 16; ++i)
        transform.m[i] = 100.0f + static_cast<float>(i);
    texture = {0.25f, 0.5f, 0.125f, 0.0625f};
}

void ExpectTransformBytes(const Geometry& buffer, uint32_t start)
{
    for (uint32_t i = 0; i < 16; ++i)
        EXPECT_EQ(FloatAt(buffer, start + 4 * i), 100.0f + static_cast<float>(i)) << "matrix element " << i;
    EXPECT_EQ(FloatAt(buffer, start + 64), 0.25f);
    EXPECT_EQ(FloatAt(buffer, start + 68), 0.5f);
    EXPECT_EQ(FloatAt(buffer, start + 72), 0.125f);
    EXPECT_EQ(FloatAt(buffer, start + 76), 0.0625f);
}

} // namespace

TEST(RenderRecords, EachRecordLandsInItsBufferAsTheShadersReadIt)
{
    // A second record of each kind checks the stride too.
    {
        Geometry buffer;
        buffer.dataType = GeometryDataType::InstanceData;
        RenderAllocation<TransformInstance> records = RenderBuffers::AllocateTransforms(buffer, 2);
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records.first, 0u);
        FillTransform(records[1].transform, records[1].texture);
        records[1].color = Color{1, 2, 3, 4};
        EXPECT_EQ(buffer.used, 168u);
        ExpectTransformBytes(buffer, 84);
        const uint8_t color[4] = {1, 2, 3, 4};
        EXPECT_EQ(std::memcmp(buffer.data.Data() + 84 + 80, color, 4), 0);
        // A record starts zeroed apart from its identity matrix.
        EXPECT_EQ(records[0].depth, 0.0f);
        EXPECT_EQ(FloatAt(buffer, 0), 1.0f);
        EXPECT_EQ(FloatAt(buffer, 4), 0.0f);
        EXPECT_EQ(RenderBuffers::CountRecords(buffer, TransformInstanceSize), 2u);
    }
    {
        Geometry buffer;
        buffer.dataType = GeometryDataType::InstanceData;
        RenderBuffers::AllocateEffects(buffer, 1);
        RenderAllocation<EffectInstance> records = RenderBuffers::AllocateEffects(buffer, 1);
        ASSERT_EQ(records.first, 1u);
        FillTransform(records[0].transform, records[0].texture);
        records[0].color = Color{9, 8, 7, 6};
        records[0].depth = 75.0f;
        ExpectTransformBytes(buffer, 88);
        const uint8_t color[4] = {9, 8, 7, 6};
        EXPECT_EQ(std::memcmp(buffer.data.Data() + 88 + 80, color, 4), 0);
        EXPECT_EQ(FloatAt(buffer, 88 + 84), 75.0f);
    }
    {
        Geometry buffer;
        buffer.dataType = GeometryDataType::InstanceData;
        RenderBuffers::AllocateErase(buffer);
        RenderAllocation<EraseInstance> record = RenderBuffers::AllocateErase(buffer);
        ASSERT_EQ(record.first, 1u);
        FillTransform(record[0].transform, record[0].texture);
        record[0].pattern = {0.5f, 0.75f, 0.25f, 0.125f};
        record[0].time = 0.4f;
        ExpectTransformBytes(buffer, 100);
        EXPECT_EQ(FloatAt(buffer, 180), 0.5f);
        EXPECT_EQ(FloatAt(buffer, 184), 0.75f);
        EXPECT_EQ(FloatAt(buffer, 188), 0.25f);
        EXPECT_EQ(FloatAt(buffer, 192), 0.125f);
        EXPECT_EQ(FloatAt(buffer, 196), 0.4f);
        EXPECT_EQ(buffer.used, 200u);
    }
    {
        // Textured and coloured corners share the background buffer; each kind is aligned to its own size.
        Geometry buffer;
        buffer.dataType = GeometryDataType::TriangleList;
        RenderAllocation<ColoredBackgroundVertex> colored = RenderBuffers::AllocateColoredCorners(buffer);
        ASSERT_EQ(colored.size(), 4u);
        colored[3] = {1.5f, -2.0f, Color{10, 20, 30, 40}};
        EXPECT_EQ(FloatAt(buffer, 36), 1.5f);
        EXPECT_EQ(FloatAt(buffer, 40), -2.0f);
        const uint8_t color[4] = {10, 20, 30, 40};
        EXPECT_EQ(std::memcmp(buffer.data.Data() + 44, color, 4), 0);
        RenderAllocation<TexturedBackgroundVertex> textured = RenderBuffers::AllocateTexturedCorners(buffer);
        EXPECT_EQ(textured.first, 3u);
        textured[0] = {1.0f, 2.0f, 3.0f, 4.0f};
        EXPECT_EQ(FloatAt(buffer, 48 + 12), 4.0f);
        RenderAllocation<uint16_t> indices = RenderBuffers::AllocateIndices(buffer, 6);
        EXPECT_EQ(indices.size(), 6u);
    }
    {
        // Camera blocks sit 256 bytes apart: each view binds its own from its first 16-byte unit.
        Geometry buffer;
        buffer.dataType = GeometryDataType::ConstantData;
        RenderBuffers::AllocateCamera(buffer);
        RenderAllocation<CameraConstants> block = RenderBuffers::AllocateCamera(buffer);
        ASSERT_EQ(block.first, 16u);
        block[0].transform.m[5] = 7.0f;
        EXPECT_EQ(FloatAt(buffer, 256 + 20), 7.0f);
    }
}

TEST(RenderRecords, RefusedRequestsWriteNothing)
{
    struct Case
    {
        const char* name;
        GeometryDataType type;
        uint32_t stride;
        uint32_t count;
    };
    const Case cases[] = {
        {"an index of three bytes", GeometryDataType::IndexList, 3, 6},
        {"an index of eight bytes", GeometryDataType::IndexList, 8, 1},
        {"a constant block of 20 bytes", GeometryDataType::ConstantData, 20, 1},
        {"two constant blocks at once", GeometryDataType::ConstantData, 64, 2},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.name);
        Geometry buffer;
        buffer.dataType = test.type;
        const GraphicsBufferRange range = GraphicsBuffer::Allocate(buffer, test.stride, test.count);
        EXPECT_EQ(range.bytes, nullptr);
        EXPECT_EQ(buffer.used, 0u);
        EXPECT_EQ(buffer.data.Size(), 0u);
    }
    // Nothing asked, nothing taken.
    Geometry buffer;
    buffer.dataType = GeometryDataType::InstanceData;
    EXPECT_TRUE(RenderBuffers::AllocateTransforms(buffer, 0).empty());
    EXPECT_EQ(buffer.used, 0u);
}
