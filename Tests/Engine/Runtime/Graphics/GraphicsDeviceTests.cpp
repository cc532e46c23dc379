#include "Engine/Foundation/ImageFormats.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/Material.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Tests/LogCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace Lumvek
{
namespace
{

using Calls = std::vector<std::string>;
using Code = GraphicsCommandCode;

// A device slot under a name of this file.
uint32_t SlotOf(const std::string& name)
{
    return NameTableC().Add("GraphicsDeviceTests." + name);
}

std::string Text(uint32_t slot)
{
    return std::to_string(slot);
}

// Allocates count elements of stride bytes.
Geometry* Filled(Geometry* geometry, GeometryDataType type, uint32_t stride, uint32_t count)
{
    geometry->dataType = type;
    GraphicsBuffer::Allocate(*geometry, stride, count);
    return geometry;
}

class GraphicsDeviceTest : public testing::Test
{
protected:
    // Replays the commands as one frame and returns the calls between BeginFrame and Present.
    Calls Replay(std::vector<GraphicsCommand> commands)
    {
        device.GetCommands() = std::move(commands);
        device.ClearCalls();
        device.Render();
        Calls calls = device.calls;
        auto begin = std::find(calls.begin(), calls.end(), "BeginFrame");
        auto end = std::find(calls.begin(), calls.end(), "Present");
        return Calls(begin + 1, end);
    }

    ResourceTable table;
    RecordingGraphicsDevice device{&table};
};

TEST_F(GraphicsDeviceTest, CreatesOneResourcePerSlotAndDestroysOnlyTheKindAsked)
{
    const uint32_t geometrySlot = SlotOf("Geometry");
    const uint32_t materialSlot = SlotOf("Material");
    const uint32_t textureSlot = SlotOf("Texture");
    Geometry* geometry = device.CreateGeometry(geometrySlot, uint32_t(ResourceUsage::Dynamic), 0);
    Material* material = device.CreateMaterial(materialSlot);
    Texture* texture = device.CreateTexture(textureSlot, 0);
    ASSERT_TRUE(geometry && material && texture);
    // Each lives in the table under its slot's name; materials and textures wait for their creator.
    EXPECT_EQ(table.Get(NameTableB().Add(NameTableC().GetName(materialSlot))), material);
    EXPECT_EQ(material->usage, uint32_t(ResourceUsage::UploadOnce));
    EXPECT_EQ(material->locked + texture->locked + geometry->locked, 2);
    EXPECT_EQ(device.liveHandles, 3);

    // A taken slot refuses every kind, and the invalid id makes no slot table of 2^32 entries.
    EXPECT_EQ(device.CreateGeometry(textureSlot, 0, 0), nullptr);
    EXPECT_EQ(device.CreateMaterial(geometrySlot), nullptr);
    EXPECT_EQ(device.CreateTexture(materialSlot, 0), nullptr);
    EXPECT_EQ(device.CreateGeometry(InvalidId, 0, 0), nullptr);
    EXPECT_EQ(device.GetTexture(textureSlot), texture);
    EXPECT_EQ(device.GetTexture(geometrySlot), nullptr);
    EXPECT_EQ(RecordingGraphicsDevice(nullptr).CreateGeometry(geometrySlot, 0, 0), nullptr);

    const uint32_t id = geometry->id;
    EXPECT_FALSE(device.DestroyResource(geometrySlot, ResourceKind::Texture));
    EXPECT_FALSE(device.DestroyResource(SlotOf("NeverCreated"), ResourceKind::Geometry));
    EXPECT_TRUE(device.DestroyResource(geometrySlot, ResourceKind::Geometry));
    EXPECT_EQ(table.Get(id), nullptr);
    EXPECT_EQ(device.liveHandles, 2);
    EXPECT_FALSE(device.DestroyResource(geometrySlot, ResourceKind::Geometry));
    EXPECT_NE(device.CreateMaterial(geometrySlot), nullptr);
}

TEST_F(GraphicsDeviceTest, UploadsUnlockedResourcesOnceAfterEachChangeAndDropsUploadOnceData)
{
    const uint32_t geometrySlot = SlotOf("Uploaded");
    const uint32_t materialSlot = SlotOf("Material");
    Geometry* geometry = Filled(device.CreateGeometry(geometrySlot, 0, 0), GeometryDataType::TriangleList, 8, 3);
    Material* material = device.CreateMaterial(materialSlot);
    // However often it changes, and whatever its version says, a locked resource stays off the device.
    material->vertexCode.Append("vertex");
    material->SetSampler({SamplerFilter::Linear, SamplerAddress::Wrap, SamplerAddress::Wrap});
    material->version = 7;

    const std::string uploadGeometry = "UploadGeometry " + Text(geometrySlot);
    const std::string uploadMaterial = "UploadMaterial " + Text(materialSlot);
    const std::function<void()> noEdit = [] {};
    const struct
    {
        std::function<void()> edit;
        Calls uploads;
    } frames[] = {
        {noEdit, {uploadGeometry + " 24"}},
        {noEdit, {}},
        {[&] { GraphicsBuffer::Allocate(*geometry, 8, 1); }, {uploadGeometry + " 32"}},
        {[&] { material->FinishChanges(); }, {uploadMaterial}},
        {[&] { material->MarkChanged(); }, {uploadMaterial}},
    };
    for (const auto& frame : frames)
    {
        frame.edit();
        device.ClearCalls();
        device.Render();
        Calls expected = frame.uploads;
        expected.insert(expected.end(), {"BeginFrame", "Present"});
        EXPECT_EQ(device.calls, expected);
    }
    // The program made from the bytecode stays on the device; a geometry keeps its bytes.
    EXPECT_EQ(material->vertexCode.Size(), 0u);
    EXPECT_EQ(material->samplers.size(), 1u);
    EXPECT_EQ(geometry->data.Size(), 32u);
}

TEST_F(GraphicsDeviceTest, PixelWritersGrowTheDirtyRectangleWhichEachUploadResets)
{
    const uint32_t slot = SlotOf("Texture");
    Texture* texture = device.CreateTexture(slot, 0);
    ASSERT_TRUE(texture->SetSize(16, 8, TextureFormat::ColorBuffer4x8));
    TextureRegion* region = texture->AddRegion(0, 4, 2);
    texture->FinishChanges();
    BufferWriter png(ReversedOrder);
    const uint8_t pixels[2 * 3 * 4] = {};
    ASSERT_TRUE(PngFormat::WritePng(png, pixels, 2, 3, 8));

    const std::string upload = "UploadTexture " + Text(slot) + " ";
    const struct
    {
        std::function<void()> edit;
        std::string uploaded;
    } frames[] = {
        // The first upload sends everything.
        {[] {}, upload + "0 0 16 8"},
        {[&] { texture->GrowDirtyRectangle(2, 3, 4, 5); }, upload + "2 3 4 5"},
        // The area of the previous upload does not carry over into this one.
        {[&] { texture->FillPixels(0, 0, 6, 1, 7, 2); }, upload + "6 1 7 2"},
        {[&] { texture->FillPixels(0, 0, 14, 6, 20, 20); }, upload + "14 6 16 8"},
        {[&] { PngRegionFormat(nullptr, 0, "png").Load("Region.png", png.GetView(), *region); }, upload + "4 2 6 5"},
        // An area reaching past the pixels is cut to them.
        {[&] { texture->GrowDirtyRectangle(10, 0, 30, 40); }, upload + "10 0 16 8"},
        // An edit that reported no area sends the whole texture rather than nothing.
        {[] {}, upload + "0 0 16 8"},
        {[&] { texture->SetSize(4, 4, TextureFormat::ColorBuffer4x8); }, upload + "0 0 4 4"},
    };
    for (const auto& frame : frames)
    {
        frame.edit();
        texture->MarkChanged();
        device.ClearCalls();
        device.Render();
        EXPECT_EQ(device.calls, (Calls{frame.uploaded, "BeginFrame", "Present"}));
        EXPECT_LE(texture->dirty.right, texture->dirty.left);
    }
}

TEST_F(GraphicsDeviceTest, CommandsNamingNothingOfTheirKindUnbind)
{
    const uint32_t geometrySlot = SlotOf("Vertices");
    const uint32_t textureSlot = SlotOf("Image");
    const uint32_t materialSlot = SlotOf("Shader");
    Filled(device.CreateGeometry(geometrySlot, 0, 0), GeometryDataType::TriangleList, 8, 6);
    device.CreateTexture(textureSlot, 0);
    device.CreateMaterial(materialSlot);
    const uint32_t outside = static_cast<uint32_t>(device.GetSlotCount()) + 5;

    const struct
    {
        GraphicsCommand command;
        std::string call;
    } cases[] = {
        {GraphicsCommand::Make(Code::SetGeometry, textureSlot), "SetGeometry none 0"},
        {GraphicsCommand::Make(Code::SetGeometry, outside, 8), "SetGeometry none 0"},
        {GraphicsCommand::Make(Code::SetInstances, materialSlot, 4), "SetInstances none 0"},
        {GraphicsCommand::Make(Code::SetConstants, textureSlot, 1, 4, 2, GraphicsCommand::StageFlags(1, 0)),
         "SetConstants none 1 0 1 4 2"},
        {GraphicsCommand::Make(Code::SetMaterial, geometrySlot), "SetMaterial none"},
        {GraphicsCommand::Make(Code::SetMaterial, materialSlot), "SetMaterial " + Text(materialSlot)},
        {GraphicsCommand::Make(Code::SetTexture, materialSlot, 3), "SetTexture none 3"},
        {GraphicsCommand::Make(Code::SetTexture, textureSlot, 1), "SetTexture " + Text(textureSlot) + " 1"},
        {GraphicsCommand::SetColorTarget(geometrySlot, 0), "SetColorTarget none 0"},
        {GraphicsCommand::SetDepthTarget(textureSlot), "SetDepthTarget " + Text(textureSlot)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Replay({c.command}), Calls{c.call});

    // Codes outside the table are skipped; the unbound geometry leaves nothing to draw.
    EXPECT_EQ(Replay({GraphicsCommand::Make(Code::SetGeometry, textureSlot),
                      {12, 1, 2, 3, 4, 5},
                      GraphicsCommand::Make(Code::Draw, 0, 0)}),
              (Calls{"SetGeometry none 0", "Draw 0 0"}));
}

TEST_F(GraphicsDeviceTest, DrawsPickTheirFormFromTheBoundBuffersAndCountZeroMeansAll)
{
    const uint32_t vertices = SlotOf("DrawVertices");
    const uint32_t instances = SlotOf("DrawInstances");
    const uint32_t indices = SlotOf("DrawIndices");
    const uint32_t empty = SlotOf("DrawEmpty");
    Filled(device.CreateGeometry(vertices, 0, 0), GeometryDataType::TriangleList, 20, 12);
    Filled(device.CreateGeometry(instances, 0, 0), GeometryDataType::InstanceData, 16, 5);
    Filled(device.CreateGeometry(indices, 0, 0), GeometryDataType::IndexList, 2, 30);
    // Never allocated into: no stride of its own to count elements with.
    device.CreateGeometry(empty, 0, 0);
    const uint32_t none = InvalidId;

    const struct
    {
        uint32_t geometry, geometryStride, instances, indices, first, count;
        std::string draw;
    } cases[] = {
        {vertices, 0, none, none, 0, 0, "Draw 0 12"},
        {vertices, 0, none, none, 3, 6, "Draw 3 6"},
        // An explicit stride counts the same bytes differently.
        {vertices, 40, none, none, 0, 0, "Draw 0 6"},
        {vertices, 0, none, indices, 0, 0, "DrawIndexed 0 30"},
        {vertices, 0, none, indices, 6, 12, "DrawIndexed 6 12"},
        {vertices, 0, instances, none, 0, 0, "DrawInstanced 0 12 0 5"},
        {vertices, 0, instances, none, 2, 3, "DrawInstanced 0 12 2 3"},
        {vertices, 0, instances, indices, 1, 0, "DrawIndexedInstanced 0 30 1 5"},
        {empty, 0, none, none, 0, 0, "Draw 0 0"},
        {none, 0, none, none, 0, 0, "Draw 0 0"},
    };
    for (const auto& c : cases)
    {
        Calls calls = Replay({GraphicsCommand::Make(Code::SetGeometry, c.geometry, c.geometryStride),
                              GraphicsCommand::Make(Code::SetInstances, c.instances),
                              GraphicsCommand::Make(Code::SetIndices, c.indices),
                              GraphicsCommand::Make(Code::Draw, c.first, c.count)});
        ASSERT_EQ(calls.size(), 4u);
        EXPECT_EQ(calls[3], c.draw) << calls[0];
    }
    // SetGeometry clears what SetInstances and SetIndices bound before it.
    EXPECT_EQ(Replay({GraphicsCommand::Make(Code::SetIndices, indices),
                      GraphicsCommand::Make(Code::SetGeometry, vertices), GraphicsCommand::Make(Code::Draw, 0, 0)})
                  .back(),
              "Draw 0 12");
    EXPECT_EQ(device.vertexCount + device.instanceCount + device.indexCount, 0u);
    EXPECT_TRUE(device.GetCommands().empty());
}

TEST_F(GraphicsDeviceTest, ResizingTargetsLeavesPlainTexturesAlone)
{
    Texture* color = device.CreateTexture(SlotOf("ColorTarget"), 0);
    Texture* depth = device.CreateTexture(SlotOf("DepthTarget"), 0);
    Texture* image = device.CreateTexture(SlotOf("Plain"), 0);
    color->SetSize(4, 4, TextureFormat::ColorTarget4x8);
    depth->SetSize(4, 4, TextureFormat::DepthStencilTarget24_8);
    image->SetSize(4, 4, TextureFormat::ColorBuffer4x8);

    device.SetSize(640, 360, 1.0f);
    EXPECT_EQ(color->width, 640u);
    EXPECT_EQ(depth->height, 360u);
    EXPECT_EQ(depth->format, TextureFormat::DepthStencilTarget24_8);
    EXPECT_EQ(image->width, 4u);
}

// Loader threads create resources while the application thread renders: the slot table grows under
// them, and the sanitizers catch a slot written into a table that has moved.
TEST_F(GraphicsDeviceTest, ResourcesCreatedOnOtherThreadsWhileRendering)
{
    constexpr int threadCount = 4;
    constexpr int perThread = 200;
    std::vector<std::vector<uint32_t>> slotsOf(threadCount);
    for (int t = 0; t < threadCount; ++t)
        for (int i = 0; i < perThread; ++i)
            slotsOf[t].push_back(SlotOf("Loaded" + std::to_string(t) + "." + std::to_string(i)));

    std::atomic<int> finished{0};
    std::atomic<int> created{0};
    std::vector<std::thread> loaders;
    for (int t = 0; t < threadCount; ++t)
        loaders.emplace_back(
            [&, t]
            {
                for (int i = 0; i < perThread; ++i)
                    // Every thread also tries the first thread's slots: exactly one creation may win each.
                    for (uint32_t slot : {slotsOf[t][i], slotsOf[0][i]})
                        if (device.CreateGeometry(slot, 0, 0))
                            ++created;
                ++finished;
            });
    while (finished < threadCount)
        device.Render();
    for (std::thread& loader : loaders)
        loader.join();

    EXPECT_EQ(created, threadCount * perThread);
    EXPECT_EQ(device.liveHandles, threadCount * perThread);
}

// The window's thread sets the size while the application thread lays out its menus: a reader must
// never pair the width of one size with the height of another.
TEST_F(GraphicsDeviceTest, TheSizeIsReadAsOneValueWhileAnotherThreadChangesIt)
{
    const DeviceSize sizes[2] = {{640, 360}, {1280, 720}};
    std::atomic<bool> done{false};
    std::thread window(
        [&]
        {
            for (int i = 0; i < 5000; ++i)
                device.SetSize(float(sizes[i % 2].width), float(sizes[i % 2].height), 1.0f);
            done = true;
        });
    int torn = 0;
    while (!done)
    {
        const DeviceSize size = device.GetSize();
        torn += size != sizes[0] && size != sizes[1] && size != DeviceSize{1920, 1080};
    }
    window.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(device.GetSize(), sizes[1]);
}

// Pointers from GetTexture are used without the device mutex, so resources are destroyed only on the
// rendering thread, or once it has ended.
TEST_F(GraphicsDeviceTest, OnlyTheRenderingThreadDestroysResources)
{
    Testing::LogCapture log;
    const uint32_t slot = SlotOf("Destroyed");
    ASSERT_NE(device.CreateTexture(slot, 0), nullptr);
    device.Render();
    bool destroyedByLoader = true;
    std::thread([&] { destroyedByLoader = device.DestroyResource(slot, ResourceKind::Texture); }).join();
    EXPECT_FALSE(destroyedByLoader);
    EXPECT_NE(device.GetTexture(slot), nullptr);
    EXPECT_EQ(log.messages, (std::vector<std::string>{
                                "the graphics resource GraphicsDeviceTests.Destroyed is not destroyed: only the "
                                "rendering thread destroys resources"}));

    device.EndRendering();
    bool destroyedAfterTheEnd = false;
    std::thread([&] { destroyedAfterTheEnd = device.DestroyResource(slot, ResourceKind::Texture); }).join();
    EXPECT_TRUE(destroyedAfterTheEnd);
    EXPECT_EQ(device.GetTexture(slot), nullptr);
}

} // namespace
} // namespace Lumvek
