#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/Material.h"
#include "Source/Tools/ImGuiRenderer.h"
#include "Source/Tools/LineRenderer.h"
#include "Tests/Source/Tools/ToolsTesting.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numbers>
#include <vector>

namespace
{

using namespace ToolsTesting;
using Lumvek::GraphicsCommand;
using Lumvek::GraphicsCommandCode;
using Lumvek::Vector2;

std::vector<LineVertex> Vertices(const LineRenderer& lines)
{
    std::vector<LineVertex> vertices(lines.vertexBuffer->used / sizeof(LineVertex));
    std::memcpy(vertices.data(), lines.vertexBuffer->data.Data(), vertices.size() * sizeof(LineVertex));
    return vertices;
}

TEST(ImGuiRenderer, ImGuiReadsTheEngineKeyCodes)
{
    ToolsApplication app;
    const std::pair<ImGuiKey, int> expected[] = {
        {ImGuiKey_Tab, 49},       {ImGuiKey_LeftArrow, 76}, {ImGuiKey_RightArrow, 77}, {ImGuiKey_UpArrow, 78},
        {ImGuiKey_DownArrow, 79}, {ImGuiKey_PageUp, 82},    {ImGuiKey_PageDown, 83},   {ImGuiKey_Home, 80},
        {ImGuiKey_End, 81},       {ImGuiKey_Delete, 53},    {ImGuiKey_Backspace, 51},  {ImGuiKey_Enter, 52},
        {ImGuiKey_Escape, 48},    {ImGuiKey_A, 0},          {ImGuiKey_C, 2},           {ImGuiKey_V, 21},
        {ImGuiKey_X, 23},         {ImGuiKey_Y, 24},         {ImGuiKey_Z, 25},
    };
    EXPECT_EQ(ImGuiKeyMap().size(), std::size(expected));
    for (auto [key, code] : expected)
        EXPECT_EQ(ImGui::GetIO().KeyMap[key], code) << key;
}

TEST(ImGuiRenderer, BothMaterialsBlendStraightAlphaOverTheFrame)
{
    ToolsApplication app;
    using Lumvek::BlendFactor;
    using Lumvek::BlendOperation;
    const Lumvek::BlendState over{BlendFactor::SourceAlpha, BlendFactor::InverseSourceAlpha, BlendOperation::Add};
    ASSERT_NE(app.tools->GetImGuiRenderer().material, nullptr);
    ASSERT_NE(app.tools->GetLineRenderer().material, nullptr);
    // Alpha as paint covers: an opaque frame stays opaque under the windows.
    const Lumvek::BlendState cover{BlendFactor::One, BlendFactor::InverseSourceAlpha, BlendOperation::Add};
    for (const Lumvek::Material* material :
         {app.tools->GetImGuiRenderer().material, app.tools->GetLineRenderer().material})
    {
        EXPECT_EQ(material->colorBlend, over);
        EXPECT_EQ(material->alphaBlend, cover);
    }
}

TEST(ImGuiRenderer, EachImGuiCommandDrawsWithItsClipRectangleAndTexture)
{
    ToolsApplication app;
    OpenTestWindow(*app.tools, "Clipped",
                   [](TestWindow&)
                   {
                       ImGui::TextUnformatted("Some text to draw");
                       ImGui::BeginChild("inner", ImVec2(120.0f, 40.0f), true);
                       ImGui::TextUnformatted("Clipped by the child window");
                       ImGui::EndChild();
                       ImGui::Image(reinterpret_cast<ImTextureID>(intptr_t(1234)), ImVec2(16.0f, 16.0f));
                   });
    for (int i = 0; i < 3; ++i)
        app.Frame();
    const ImDrawData& data = *ImGui::GetDrawData();

    struct Expected
    {
        float x, y, width, height;
        uint32_t texture;
        uint32_t count;
    };
    std::vector<Expected> expected;
    for (int list = 0; list < data.CmdListsCount; ++list)
        for (const ImDrawCmd& command : data.CmdLists[list]->CmdBuffer)
            if (command.ElemCount > 0 && command.ClipRect.z > command.ClipRect.x &&
                command.ClipRect.w > command.ClipRect.y)
                expected.push_back({command.ClipRect.x, command.ClipRect.y, command.ClipRect.z - command.ClipRect.x,
                                    command.ClipRect.w - command.ClipRect.y,
                                    uint32_t(reinterpret_cast<intptr_t>(command.GetTexID())), command.ElemCount});
    ASSERT_GE(expected.size(), 3u);

    // From the ImGui material on: every draw follows its clip, with the texture bound last.
    const std::vector<GraphicsCommand>& queue = app.device->GetCommands();
    const uint32_t material = app.tools->GetImGuiRenderer().materialName;
    size_t at = 0;
    while (at < queue.size() &&
           !(queue[at].code == uint32_t(GraphicsCommandCode::SetMaterial) && queue[at].op1 == material))
        ++at;
    ASSERT_LT(at, queue.size());
    GraphicsCommand clip;
    uint32_t texture = Lumvek::InvalidId;
    size_t draw = 0;
    for (; at < queue.size(); ++at)
    {
        const GraphicsCommand& command = queue[at];
        if (command.code == uint32_t(GraphicsCommandCode::SetClip))
            clip = command;
        else if (command.code == uint32_t(GraphicsCommandCode::SetTexture))
            texture = command.op1;
        else if (command.code == uint32_t(GraphicsCommandCode::Draw))
        {
            ASSERT_LT(draw, expected.size());
            const Expected& e = expected[draw++];
            EXPECT_FLOAT_EQ(GraphicsCommand::ToFloat(clip.op1), e.x);
            EXPECT_FLOAT_EQ(GraphicsCommand::ToFloat(clip.op2), e.y);
            EXPECT_FLOAT_EQ(GraphicsCommand::ToFloat(clip.op3), e.width);
            EXPECT_FLOAT_EQ(GraphicsCommand::ToFloat(clip.op4), e.height);
            EXPECT_EQ(texture, e.texture);
            EXPECT_EQ(command.op2, e.count);
        }
    }
    EXPECT_EQ(draw, expected.size());
    // The font atlas is the renderer's font texture, and the image kept its own.
    EXPECT_EQ(expected.front().texture, app.tools->GetImGuiRenderer().fontTextureName);
    EXPECT_TRUE(std::any_of(expected.begin(), expected.end(), [](const Expected& e) { return e.texture == 1234; }));
    // Whatever draws next sees the whole target again.
    EXPECT_EQ(queue.back().code, uint32_t(GraphicsCommandCode::SetClip));
    EXPECT_EQ(GraphicsCommand::ToFloat(queue.back().op3), 0.0f);
}

TEST(LineRenderer, OutlinesOfNoThicknessAddNothingAndFillsOneQuad)
{
    ToolsApplication app;
    LineRenderer& lines = app.tools->GetLineRenderer();
    lines.Begin({});
    lines.DrawRect({1.0f, 1.0f}, {0.5f, 0.5f}, {2.0f, 2.0f}, 0.0f, 0xFFFFFFFF, false, 0);
    EXPECT_EQ(lines.GetQuadCount(), 0u);
    lines.DrawRect({1.0f, 1.0f}, {0.5f, 0.5f}, {2.0f, 2.0f}, 0.0f, 0xFFFFFFFF, true, 0x80808080);
    EXPECT_EQ(lines.GetQuadCount(), 1u);
    lines.DrawRect({1.0f, 1.0f}, {0.5f, 0.5f}, {2.0f, 2.0f}, 1.0f, 0xFFFFFFFF, true, 0x80808080);
    EXPECT_EQ(lines.GetQuadCount(), 6u);
    EXPECT_EQ(lines.indexBuffer->used, 6u * 6u * 2u);
}

TEST(LineRenderer, LinesLieOnTheLeftOfTheirDirection)
{
    ToolsApplication app;
    LineRenderer& lines = app.tools->GetLineRenderer();
    lines.Begin({});
    lines.pixelSize = {0.1f, 0.1f};
    // Straight down: the stroke lies towards +x, one pixel wide.
    lines.DrawLine({0.0f, 0.0f}, {0.0f, -1.0f}, 1.0f, 0xFF0000FF);
    const std::vector<LineVertex> quad = Vertices(lines);
    ASSERT_EQ(quad.size(), 4u);
    const Vector2 expected[4] = {{0.0f, 0.0f}, {0.0f, -1.0f}, {0.1f, 0.0f}, {0.1f, -1.0f}};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_NEAR(quad[i].x, expected[i].x, 1e-6f) << i;
        EXPECT_NEAR(quad[i].y, expected[i].y, 1e-6f) << i;
        EXPECT_EQ(quad[i].color, 0xFF0000FFu);
    }
    EXPECT_FLOAT_EQ(LineAngle({0.0f, 0.0f}, {0.0f, -1.0f}), 1.5f * std::numbers::pi_v<float>);
    EXPECT_FLOAT_EQ(LineAngle({0.0f, 0.0f}, {-1.0f, 0.0f}), std::numbers::pi_v<float>);
    EXPECT_FLOAT_EQ(LineAngle({2.0f, 2.0f}, {3.0f, 2.0f}), 0.0f);
}

TEST(LineRenderer, ARotatedRectangleAtAngleZeroIsTheRectangle)
{
    ToolsApplication app;
    LineRenderer& lines = app.tools->GetLineRenderer();
    const Vector2 pivots[] = {{0.0f, 0.0f}, {0.5f, 0.5f}, {1.0f, 0.25f}};
    for (Vector2 pivot : pivots)
    {
        lines.Begin({});
        lines.DrawRect({3.0f, -2.0f}, pivot, {4.0f, 1.5f}, 2.0f, 0x11223344, true, 0x55667788);
        const std::vector<LineVertex> straight = Vertices(lines);
        lines.Begin({});
        lines.DrawRotatedRect({3.0f, -2.0f}, pivot, {4.0f, 1.5f}, 0.0f, 2.0f, 0x11223344, true, 0x55667788);
        const std::vector<LineVertex> rotated = Vertices(lines);
        ASSERT_EQ(straight.size(), rotated.size());
        ASSERT_EQ(straight.size(), 20u);
        // The fill and the four outline segments match corner for corner.
        for (size_t i = 0; i < straight.size(); ++i)
        {
            EXPECT_NEAR(straight[i].x, rotated[i].x, 1e-5f) << i;
            EXPECT_NEAR(straight[i].y, rotated[i].y, 1e-5f) << i;
        }
    }
}

TEST(LineRenderer, ABatchDrawsInTheCamerasViewport)
{
    ToolsApplication app;
    LineRenderer& lines = app.tools->GetLineRenderer();
    const ToolsView view{{0.0f, 0.0f}, {32.0f, 18.0f}, {0.0f, 0.0f, 1920.0f, 1080.0f}, true};
    lines.Begin(view);
    EXPECT_FLOAT_EQ(lines.pixelSize.x, 32.0f / 1920.0f);
    EXPECT_FLOAT_EQ(lines.visible.x, -16.0f);
    EXPECT_FLOAT_EQ(lines.visible.height, 18.0f);
    lines.FillRect({0.0f, 0.0f}, {0.0f, 0.0f}, {1.0f, 1.0f}, 0xFFFFFFFF);
    app.device->GetCommands().clear();
    lines.Submit(*app.device);
    const auto& queue = app.device->GetCommands();
    ASSERT_FALSE(queue.empty());
    const auto draw =
        std::find_if(queue.begin(), queue.end(),
                     [](const GraphicsCommand& c) { return c.code == uint32_t(GraphicsCommandCode::Draw); });
    ASSERT_NE(draw, queue.end());
    EXPECT_EQ(draw->op2, 6u);
    // The world's centre lands on the target's centre: x' = m0 x + m3.
    const auto* transform = reinterpret_cast<const float*>(lines.constantBuffer->data.Data());
    EXPECT_NEAR(transform[0] * 16.0f + transform[3], 1.0f, 1e-6f);
    EXPECT_NEAR(transform[5] * 9.0f + transform[7], 1.0f, 1e-6f);
    EXPECT_NEAR(transform[3], 0.0f, 1e-6f);
}

} // namespace
