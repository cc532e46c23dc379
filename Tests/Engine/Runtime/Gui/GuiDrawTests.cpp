#include "Tests/Engine/Runtime/Gui/GuiTesting.h"

#include "Engine/Runtime/Graphics/Geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace Lumvek
{
namespace
{

using namespace GuiTesting;

// The queued commands as text, with the operands each code uses ("-" for none).
Calls Queue(const GraphicsDevice& device)
{
    static const char* names[] = {"SetColorTarget", "SetDepthTarget", "Clear",       "ClearDepth",
                                  "SetMaterial",    "SetTexture",     "SetGeometry", "SetInstances",
                                  "SetIndices",     "SetConstants",   "SetClip",     "Draw"};
    Calls queue;
    for (const GraphicsCommand& command : device.GetCommands())
    {
        std::string text = names[command.code];
        const uint32_t operands[] = {command.op1, command.op2, command.op3, command.op4};
        const auto code = static_cast<GraphicsCommandCode>(command.code);
        const bool floats = code == GraphicsCommandCode::Clear || code == GraphicsCommandCode::SetClip;
        const int used = floats                                                                                    ? 4
                         : code == GraphicsCommandCode::SetMaterial || code == GraphicsCommandCode::SetDepthTarget ? 1
                                                                                                                   : 2;
        for (int i = 0; i < used; ++i)
            text += floats                     ? " " + Join("", GraphicsCommand::ToFloat(operands[i]))
                    : operands[i] == InvalidId ? " -"
                                               : " " + std::to_string(operands[i]);
        queue.push_back(text);
    }
    return queue;
}

// The coloured quads of the vertex buffer as "x,y,w,h #rrggbbaa" in pixels of the 1000 x 500 device.
Calls Quads(const Geometry& vertices)
{
    Calls quads;
    for (uint32_t offset = 0; offset + 48 <= vertices.used; offset += 48)
    {
        GuiColorVertex c[4];
        std::memcpy(c, vertices.data.Data() + offset, sizeof(c));
        const float left = std::round((c[0].x + 1) * 500), top = std::round((1 - c[0].y) * 250);
        const float right = std::round((c[3].x + 1) * 500), bottom = std::round((1 - c[3].y) * 250);
        char color[10];
        std::snprintf(color, sizeof(color), "#%02x%02x%02x%02x", c[0].color.r, c[0].color.g, c[0].color.b,
                      c[0].color.a);
        quads.push_back(Join(",", left, top, right - left, bottom - top) + " " + color);
    }
    return quads;
}

class TestContent : public Content
{
public:
    explicit TestContent(Calls& calls) : calls(calls) {}
    void Render(float, DrawList&, Geometry&, Geometry&, GraphicsDevice&, Menu&, const Rectangle& r) override
    {
        calls.push_back(Call("Render", r.x, r.y, r.width, r.height));
    }
    Calls& calls;
};

class GuiDraw : public ::testing::Test
{
protected:
    // Opens a whole-device menu built by build, then returns the commands of its first render.
    Calls Draw(std::function<void(Element& root)> build)
    {
        app.gui->colorMaterial = 7;
        Open(app, calls, "M", [build](TestMenu& menu) { build(menu.GetRoot()); });
        app.gui->LateUpdate(0);
        app.device->GetCommands().clear();
        app.gui->Render(0);
        return Queue(*app.device);
    }

    Calls calls;
    TestApplication app;
};

TEST_F(GuiDraw, ABackgroundIsOneQuadInTheSharedBuffersDrawnWithTheColourMaterial)
{
    const Calls queue = Draw([](Element& root) { AddBox(root, 100, 50, 200, 100).background = Color::Red; });
    const std::string vertices = std::to_string(app.gui->GetVertexBuffer()->deviceSlot);
    const std::string indices = std::to_string(app.gui->GetIndexBuffer()->deviceSlot);
    EXPECT_EQ(queue,
              (Calls{"SetColorTarget - 0", "SetDepthTarget -", "SetMaterial 7", "SetGeometry " + vertices + " 12",
                     "SetInstances - 0", "SetIndices " + indices + " 2", "Draw 0 6"}));
    EXPECT_EQ(Quads(*app.gui->GetVertexBuffer()), (Calls{"100,50,200,100 #ff0000ff"}));
    uint16_t order[6];
    ASSERT_EQ(app.gui->GetIndexBuffer()->used, sizeof(order));
    std::memcpy(order, app.gui->GetIndexBuffer()->data.Data(), sizeof(order));
    EXPECT_EQ(std::vector<uint16_t>(order, order + 6), (std::vector<uint16_t>{0, 1, 2, 2, 1, 3}));

    // The device replays it as one indexed draw of the uploaded buffers; the next render starts afresh.
    app.device->Render();
    const Calls& replayed = app.device->calls;
    EXPECT_NE(std::find(replayed.begin(), replayed.end(), "UploadGeometry " + vertices + " 48"), replayed.end());
    EXPECT_NE(std::find(replayed.begin(), replayed.end(), "DrawIndexed 0 6"), replayed.end());
    app.gui->Render(0);
    EXPECT_EQ(app.gui->GetVertexBuffer()->used, 48u);
}

TEST(GuiBands, BandsCoverTheirPartsOfTheBoxInOneDraw)
{
    Calls rendered;
    const struct
    {
        const char* name;
        std::function<void(Element&)> style;
        Calls quads;
    } cases[] = {
        {"background", [](Element& e) { e.background = Color::Blue; }, {"100,50,200,100 #0000ffff"}},
        {"outline",
         [](Element& e)
         {
             e.outline = Color::Green;
             e.outlineWidths[Element::Left] = {ElementLength::Points, 1};
             e.outlineWidths[Element::Right] = {ElementLength::Percent, 10};
             e.outlineWidths[Element::Top] = {ElementLength::Percent, 2};
             e.outlineWidths[Element::Bottom] = {ElementLength::Points, -4};
         },
         {"100,50,1,100 #00ff00ff", "280,50,20,100 #00ff00ff", "100,50,200,2 #00ff00ff"}},
        {"padding band and fill",
         [](Element& e)
         {
             e.SetPadding({ElementLength::Points, 10});
             e.padding = Color::Yellow;
             e.fill = Color::Grey;
         },
         {"100,50,200,10 #ffff00ff", "100,140,200,10 #ffff00ff", "100,60,10,80 #ffff00ff", "290,60,10,80 #ffff00ff",
          "110,60,180,80 #808080ff"}},
        {"transparent, with content and a child",
         [&](Element& e)
         {
             e.outlineWidths[Element::Left] = {ElementLength::Points, 5};
             e.background = e.padding = e.outline = e.fill = Color::TransparentWhite;
             e.content = std::make_unique<TestContent>(rendered);
             AddBox(e, 10, 10, 20, 20).background = Color::White;
         },
         {"110,60,20,20 #ffffffff"}},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.name);
        Calls calls;
        TestApplication app;
        Open(app, calls, "M", [&](TestMenu& menu) { test.style(AddBox(menu.GetRoot(), 100, 50, 200, 100)); });
        app.Frame();
        EXPECT_EQ(Quads(*app.gui->GetVertexBuffer()), test.quads);
        const Calls queue = Queue(*app.device);
        EXPECT_EQ(std::count_if(queue.begin(), queue.end(), [](auto& c) { return c.starts_with("Draw "); }), 1);
    }
    EXPECT_EQ(rendered, (Calls{"Render(100,50,200,100)"}));
}

TEST_F(GuiDraw, AMenuThatDrawsNothingSubmitsNothing)
{
    const Calls queue = Draw(
        [](Element& root)
        {
            Element& clipper = AddBox(root, 0, 0, 10, 10);
            clipper.clip = 1;
            AddBox(clipper, 0, 0, 5, 5);
        });
    EXPECT_EQ(queue, (Calls{"SetColorTarget - 0", "SetDepthTarget -"}));
    // Nothing piles up in the menu's list between frames.
    EXPECT_EQ(app.gui->GetRecord(0).drawList.items.size(), 1u);
    EXPECT_TRUE(app.gui->GetRecord(0).clipIndices.empty());
    app.gui->GetRecord(0).menu->GetRoot().visible = 0;
    app.device->GetCommands().clear();
    app.gui->Render(0);
    EXPECT_TRUE(app.device->GetCommands().empty());
}

TEST_F(GuiDraw, ClippingElementsClipTheirChildrenToTheirContentBoxAndRestoreTheEnclosingClip)
{
    const Calls queue = Draw(
        [](Element& root)
        {
            Element& outer = AddBox(root, 100, 50, 200, 100);
            outer.clip = 1;
            outer.SetPadding({ElementLength::Points, 10});
            Element& inner = AddBox(outer, 150, 20, 100, 50);
            inner.clip = 1;
            AddBox(inner, 0, 0, 10, 10).background = Color::Red;
            AddBox(outer, 0, 0, 10, 10).background = Color::Blue;
        });
    Calls clips;
    std::copy_if(queue.begin(), queue.end(), std::back_inserter(clips),
                 [](auto& c) { return c.starts_with("SetClip") || c.starts_with("Draw"); });
    // The inner box (250..350 x 70..120) is cut to the outer content box (110..290 x 60..140); the
    // outer clip, replaced at once by the inner one, is folded away by the list.
    EXPECT_EQ(clips,
              (Calls{"SetClip 250 70 40 50", "Draw 0 6", "SetClip 110 60 180 80", "Draw 6 6", "SetClip 0 0 -1 -1"}));
}

class TargetTransition : public Transition
{
public:
    explicit TargetTransition(Calls& calls) : calls(calls)
    {
        duration = 10.0f;
        renderTarget = 5;
        clear = 1;
        clearColor = Color::Red;
    }
    void Draw(float, GraphicsDevice&, uint32_t target, Menu&) override { calls.push_back(Call("Draw", target)); }
    Calls& calls;
};

class TestLayer : public MenuLayer
{
public:
    explicit TestLayer(Calls& calls) : calls(calls) { renderTarget = 9; }
    void Update(float) override { calls.push_back("Layer.Update"); }
    void Draw(float, GraphicsDevice&, Menu&) override { calls.push_back("Layer.Draw"); }
    Calls& calls;
};

TEST_F(GuiDraw, TransitionsAndLayersDrawTheMenuIntoTheirTargets)
{
    Open(app, calls, "T", {}, {}, false, std::make_unique<TargetTransition>(calls));
    app.gui->AddMenu(std::make_unique<TestMenu>(calls, "L"), std::make_unique<TargetTransition>(calls),
                     std::make_unique<TestLayer>(calls), {}, false);
    app.gui->LateUpdate(0);
    calls.clear();
    app.device->GetCommands().clear();
    app.gui->Render(0);
    EXPECT_EQ(calls, (Calls{"Draw(5)", "Layer.Draw", "Draw(9)"}));
    EXPECT_EQ(Queue(*app.device), (Calls{"SetColorTarget 5 0", "Clear 1 0 0 1", "SetColorTarget 5 0",
                                         "SetDepthTarget -", "SetColorTarget 9 0", "SetDepthTarget -"}));
}

TEST(GuiQuads, QuadsBeyondTheReachOf16BitIndicesAreRefused)
{
    Geometry vertices;
    Geometry indices;
    indices.dataType = GeometryDataType::IndexList;
    DrawList list;
    const GuiImageVertex quad[4] = {};
    vertices.used = (0x10000 - 4) * sizeof(GuiImageVertex);
    EXPECT_TRUE(AppendGuiQuad(list, vertices, indices, quad));
    EXPECT_FALSE(AppendGuiQuad(list, vertices, indices, quad));
    EXPECT_EQ(vertices.used, 0x10000 * sizeof(GuiImageVertex));
    EXPECT_EQ(indices.used, 12u);
    EXPECT_EQ(list.items.size(), 2u);
    uint16_t last[6];
    std::memcpy(last, indices.data.Data(), sizeof(last));
    EXPECT_EQ(last[5], 0xFFFF);
}

} // namespace
} // namespace Lumvek
