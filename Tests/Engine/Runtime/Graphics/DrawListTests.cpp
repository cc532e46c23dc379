#include "Engine/Runtime/Graphics/DrawList.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace Lumvek
{
namespace
{

using Code = GraphicsCommandCode;

// The queue as text: the code, then the operands that code uses.
std::vector<std::string> Queue(const GraphicsDevice& device)
{
    static const char* names[] = {"SetColorTarget", "SetDepthTarget", "Clear",       "ClearDepth",
                                  "SetMaterial",    "SetTexture",     "SetGeometry", "SetInstances",
                                  "SetIndices",     "SetConstants",   "SetClip",     "Draw"};
    std::vector<std::string> queue;
    for (const GraphicsCommand& command : device.GetCommands())
    {
        std::string text = names[command.code];
        const uint32_t operands[] = {command.op1, command.op2, command.op3, command.op4, command.op5};
        const int used = command.code == uint32_t(Code::SetMaterial)    ? 1
                         : command.code == uint32_t(Code::SetConstants) ? 5
                         : command.code == uint32_t(Code::SetClip)      ? 0
                                                                        : 2;
        for (int i = 0; i < used; ++i)
            text += " " + (operands[i] == InvalidId ? std::string("-") : std::to_string(operands[i]));
        queue.push_back(text);
    }
    return queue;
}

// A list of draws made by edit(template, i) before the i-th draw of ranges.
DrawList Draws(const std::vector<std::pair<uint32_t, uint32_t>>& ranges,
               const std::function<void(DrawCommand&, size_t)>& edit)
{
    DrawList list;
    list.Add();
    for (size_t i = 0; i < ranges.size(); ++i)
    {
        DrawCommand& next = list.Template();
        next.material = 1;
        next.geometry = 2;
        edit(next, i);
        list.Draw(ranges[i].first, ranges[i].second, float(i));
    }
    return list;
}

TEST(DrawList, BatchFoldsNeighboursOfEqualStateWhoseRangesTouch)
{
    using Edit = std::function<void(DrawCommand&, size_t)>;
    const Edit same = [](DrawCommand&, size_t) {};
    const struct
    {
        const char* name;
        std::vector<std::pair<uint32_t, uint32_t>> ranges;
        Edit edit;
        std::vector<std::string> draws;
    } cases[] = {
        {"touching", {{0, 6}, {6, 6}}, same, {"Draw 0 12"}},
        {"touching backwards", {{6, 6}, {0, 6}}, same, {"Draw 0 12"}},
        {"a chain", {{0, 3}, {3, 3}, {6, 3}, {9, 3}}, same, {"Draw 0 12"}},
        {"a gap", {{0, 6}, {12, 6}}, same, {"Draw 0 6", "Draw 12 6"}},
        {"another material",
         {{0, 6}, {6, 6}},
         [](DrawCommand& d, size_t i) { d.material = uint32_t(i); },
         {"Draw 0 6", "Draw 6 6"}},
        {"another stride",
         {{0, 6}, {6, 6}},
         [](DrawCommand& d, size_t i) { d.indexStride = 2 + 2 * uint32_t(i); },
         {"Draw 0 6", "Draw 6 6"}},
        {"another texture",
         {{0, 6}, {6, 6}},
         [](DrawCommand& d, size_t i) { d.textures[3] = uint32_t(i); },
         {"Draw 0 6", "Draw 6 6"}},
        // Depth is the renderer's sorting key, not state.
        {"another depth", {{0, 6}, {6, 6}}, [](DrawCommand& d, size_t i) { d.depth = float(i); }, {"Draw 0 12"}},
        // Each draw reads its own constants, so the two cannot become one draw.
        {"other constants",
         {{0, 6}, {6, 6}},
         [](DrawCommand& d, size_t i) {
             d.constants[0] = {5, uint32_t(i) * 16, 4, 1, 0};
         },
         {"Draw 0 6", "Draw 6 6"}},
    };
    for (const auto& c : cases)
    {
        DrawList list = Draws(c.ranges, c.edit);
        ASSERT_TRUE(list.Batch()) << c.name;
        RecordingGraphicsDevice device(nullptr);
        list.Submit(device);
        std::vector<std::string> draws;
        for (const std::string& command : Queue(device))
            if (command.starts_with("Draw"))
                draws.push_back(command);
        EXPECT_EQ(draws, c.draws) << c.name;
    }

    DrawList onlyTemplate;
    onlyTemplate.Add();
    EXPECT_FALSE(onlyTemplate.Batch());
    RecordingGraphicsDevice device(nullptr);
    onlyTemplate.Submit(device);
    EXPECT_TRUE(device.GetCommands().empty());
}

TEST(DrawList, SubmitSendsOnlyTheStateThatChanges)
{
    DrawList list;
    DrawCommand& first = list.Add();
    first.material = 1;
    first.geometry = 2;
    first.indices = 3;
    first.textures[0] = 7;
    first.constants[1] = {8, 0, 4, 1, 1};
    list.Draw(0, 6, 0.0f);
    // The same state: only the draw. Ranges 12..18 do not touch 0..6, so nothing merges.
    list.Draw(12, 6, 0.0f);
    // A new texture in slot 2 and another first constant.
    list.Template().textures[2] = 9;
    list.Template().constants[1].first = 16;
    list.Draw(24, 6, 0.0f);
    // Another index stride sends all three buffers again.
    list.Template().indexStride = 4;
    list.Draw(36, 6, 0.0f);
    // A clip item sets the clip rectangle and nothing else.
    DrawCommand clip = list.Template();
    clip.clipOnly = 1;
    clip.clip = {10.0f, 20.0f, 30.0f, 40.0f};
    list.items.insert(list.items.end() - 1, clip);
    list.Template().material = 5;
    list.Draw(48, 6, 0.0f);

    ASSERT_TRUE(list.Batch());
    RecordingGraphicsDevice device(nullptr);
    list.Submit(device);
    EXPECT_EQ(Queue(device), (std::vector<std::string>{
                                 "SetMaterial 1",
                                 "SetGeometry 2 0",
                                 "SetInstances - 0",
                                 "SetIndices 3 0",
                                 "SetTexture 7 0",
                                 "SetConstants 8 0 4 1 257",
                                 "Draw 0 6",
                                 "Draw 12 6",
                                 "SetTexture 9 2",
                                 "SetConstants 8 16 4 1 257",
                                 "Draw 24 6",
                                 "SetGeometry 2 0",
                                 "SetInstances - 0",
                                 "SetIndices 3 4",
                                 "Draw 36 6",
                                 "SetClip",
                                 "SetMaterial 5",
                                 "Draw 48 6",
                             }));
    const GraphicsCommand& clipCommand = device.GetCommands()[15];
    EXPECT_EQ(GraphicsCommand::ToFloat(clipCommand.op3), 30.0f);

    // The queue replays onto the device: a draw naming nothing the device holds draws nothing.
    device.Render();
    EXPECT_TRUE(device.GetCommands().empty());
    EXPECT_EQ(device.calls.back(), "Present");
}

} // namespace
} // namespace Lumvek
