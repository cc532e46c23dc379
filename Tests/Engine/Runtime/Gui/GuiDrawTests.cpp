#include "Tests/Engine/Runtime/Gui/GuiTesting.h"

#include "Engine/Runtime/Geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Lumvek
{
namespace
{

using namespace GuiTesting;
using Code = GraphicsCommandCode;

// The queued commands as text: the code, then the operands it uses ("-" for none).
Calls Queue(const GraphicsDevice& device)
{
    static const char* names[] = {"SetColorTarget", "SetDepthTarget", "Clear",       "ClearDepth",
                                  "SetMaterial",    "SetTexture",     "SetGeometry", "SetInstances",
                                  "SetIndices",     "SetConstants",   "SetClip",     "Draw"};
    Calls queue;
    for (const GraphicsCommand& command : device.commands)
    {
        std::string text = names[command.code];
        const uint32_t operands[] = {command.op1, command.op2, command.op3, command.op4};
        const auto code = static_cast<Code>(command.code);
        if (code == Code::Clear || code == Code::SetClip)
        {
            for (uint32_t operand : operands)
                text += " " + Number(GraphicsCommand::ToFloat(operand));
        }
        else
        {
            const int used = code == Code::SetMaterial || code == Code::SetDepthTarget ? 1 : 2;
            for (int i = 0; i < used; ++i)
                text += " " + (operands[i] == InvalidId ? std::string("-") : std::to_string(operands[i]));
        }
        queue.push_back(text);
    }
    return queue;
}

// The coloured quads in the vertex buffer, back in pixels of a 1000 x 500 device.
struct Quad
{
    Rectangle rectangle;
    Color color;
    bool operator==(const Quad&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Quad& quad)
{
    return out << "#" << int(quad.color.r) << "," << int(quad.color.g) << "," << int(quad.color.b) << ","
               << int(quad.color.a) << " (" << quad.rectangle.x << ", " << quad.rectangle.y << ", "
               << quad.rectangle.width << ", " << quad.rectangle.height << ")";
}

std::vector<Quad> Quads(const Geometry& vertices)
{
    std::vector<Quad> quads;
    for (uint32_t offset = 0; offset + 4 * sizeof(GuiColorVertex) <= vertices.used;
         offset += 4 * sizeof(GuiColorVertex))
    {
        GuiColorVertex corners[4];
        std::memcpy(corners, vertices.data.Data() + offset, sizeof(corners));
        const float left = (corners[0].x + 1.0f) * 500.0f;
        const float top = (1.0f - corners[0].y) * 250.0f;
        const float right = (corners[3].x + 1.0f) * 500.0f;
        const float bottom = (1.0f - corners[3].y) * 250.0f;
        // Device coordinates lose a little on the way back; drawn pixels are whole here.
        quads.push_back({{std::round(left), std::round(top), std::round(right - left), std::round(bottom - top)},
                         corners[0].color});
    }
    return quads;
}

// Records what the element draw hands it.
class TestContent : public Content
{
public:
    explicit TestContent(Calls& calls) : calls(calls) {}
    void Render(float, DrawList&, Geometry&, Geometry&, GraphicsDevice&, Menu&, const Rectangle& bounds) override
    {
        calls.push_back("Render(" + Number(bounds.x) + "," + Number(bounds.y) + "," + Number(bounds.width) + "," +
                        Number(bounds.height) + ")");
        drawnRectangle = bounds;
    }
    Calls& calls;
};

class GuiDraw : public ::testing::Test
{
protected:
    void SetUp() override { app.gui->colorMaterial = 7; }

    // Opens a whole-device menu built by build, then runs one frame and returns the queued commands.
    Calls Draw(std::function<void(Element& root)> build)
    {
        app.gui->AddMenu(std::make_unique<TestMenu>(calls, "M", [build](TestMenu& menu) { build(menu.GetRoot()); }),
                         nullptr, nullptr, Whole(), false);
        app.gui->LateUpdate(0);
        app.device->commands.clear();
        app.gui->Render(0);
        return Queue(*app.device);
    }

    std::string Slot(const Geometry* geometry) { return std::to_string(geometry->deviceSlot); }

    Calls calls;
    TestApplication app;
};

TEST_F(GuiDraw, ABackgroundIsOneQuadInTheSharedBuffersDrawnWithTheColourMaterial)
{
    const Calls queue = Draw([](Element& root) { AddBox(root, 100, 50, 200, 100).background = Color::Red; });
    const std::string vertices = Slot(app.gui->GetVertexBuffer());
    const std::string indices = Slot(app.gui->GetIndexBuffer());
    EXPECT_EQ(queue,
              (Calls{"SetColorTarget - 0", "SetDepthTarget -", "SetMaterial 7", "SetGeometry " + vertices + " 12",
                     "SetInstances - 0", "SetIndices " + indices + " 2", "Draw 0 6"}));

    GuiColorVertex corners[4];
    ASSERT_EQ(app.gui->GetVertexBuffer()->used, sizeof(corners));
    std::memcpy(corners, app.gui->GetVertexBuffer()->data.Data(), sizeof(corners));
    const float expected[4][2] = {{-0.8f, 0.8f}, {-0.8f, 0.4f}, {-0.4f, 0.8f}, {-0.4f, 0.4f}};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_FLOAT_EQ(corners[i].x, expected[i][0]);
        EXPECT_FLOAT_EQ(corners[i].y, expected[i][1]);
        EXPECT_EQ(corners[i].color, Color::Red);
    }
    uint16_t order[6];
    ASSERT_EQ(app.gui->GetIndexBuffer()->used, sizeof(order));
    std::memcpy(order, app.gui->GetIndexBuffer()->data.Data(), sizeof(order));
    EXPECT_EQ(std::vector<uint16_t>(order, order + 6), (std::vector<uint16_t>{0, 1, 2, 2, 1, 3}));

    // The device replays it as one indexed draw from the uploaded buffers.
    app.device->Render();
    const Calls& replayed = app.device->calls;
    EXPECT_NE(std::find(replayed.begin(), replayed.end(), "UploadGeometry " + vertices + " 48"), replayed.end());
    EXPECT_NE(std::find(replayed.begin(), replayed.end(), "DrawIndexed 0 6"), replayed.end());

    // The next render starts the buffers afresh.
    app.gui->Render(0);
    EXPECT_EQ(app.gui->GetVertexBuffer()->used, sizeof(corners));
}

TEST_F(GuiDraw, BandsCoverTheirPartsOfTheBox)
{
    const Rectangle box{100, 50, 200, 100};
    const struct
    {
        const char* name;
        std::function<void(Element&)> style;
        std::vector<Quad> quads;
    } cases[] = {
        {"background", [](Element& e) { e.background = Color::Blue; }, {{box, Color::Blue}}},
        {"outline strips of their widths",
         [](Element& e)
         {
             e.outline = Color::Green;
             e.outlineWidths[Element::Left] = {ElementLength::Points, 1};
             e.outlineWidths[Element::Right] = {ElementLength::Percent, 10};
             e.outlineWidths[Element::Top] = {ElementLength::Percent, 2};
             e.outlineWidths[Element::Bottom] = {ElementLength::Points, -4};
         },
         {{{100, 50, 1, 100}, Color::Green}, {{280, 50, 20, 100}, Color::Green}, {{100, 50, 200, 2}, Color::Green}}},
        {"padding band around the content box",
         [](Element& e)
         {
             e.SetPadding({ElementLength::Points, 10});
             e.padding = Color::Yellow;
         },
         {{{100, 50, 200, 10}, Color::Yellow},
          {{100, 140, 200, 10}, Color::Yellow},
          {{100, 60, 10, 80}, Color::Yellow},
          {{290, 60, 10, 80}, Color::Yellow}}},
        {"fill over the content box",
         [](Element& e)
         {
             e.SetPadding({ElementLength::Points, 10});
             e.fill = Color::Grey;
         },
         {{{110, 60, 180, 80}, Color::Grey}}},
        {"transparent colours draw nothing",
         [](Element& e)
         {
             e.SetPadding({ElementLength::Points, 10});
             e.outlineWidths[Element::Left] = {ElementLength::Points, 5};
             e.background = e.padding = e.outline = e.fill = Color::TransparentWhite;
         },
         {}},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.name);
        Calls log;
        TestApplication app;
        app.gui->AddMenu(std::make_unique<TestMenu>(
                             log, "M", [&](TestMenu& menu) { test.style(AddBox(menu.GetRoot(), 100, 50, 200, 100)); }),
                         nullptr, nullptr, Whole(), false);
        app.Frame();
        EXPECT_EQ(Quads(*app.gui->GetVertexBuffer()), test.quads);
        // Quads of one state that follow each other become one draw.
        const Calls queue = Queue(*app.device);
        const auto draws = std::count_if(queue.begin(), queue.end(),
                                         [](const std::string& command) { return command.starts_with("Draw "); });
        EXPECT_EQ(draws, test.quads.empty() ? 0 : 1);
        if (!test.quads.empty())
        {
            EXPECT_EQ(queue.back(), "Draw 0 " + std::to_string(test.quads.size() * 6));
        }
    }
}

TEST_F(GuiDraw, ContentAndChildrenDrawWhenTheElementsOwnColoursAreTransparent)
{
    Element* child = nullptr;
    Draw(
        [&](Element& root)
        {
            Element& parent = AddBox(root, 100, 50, 200, 100);
            parent.content = std::make_unique<TestContent>(calls);
            child = &AddBox(parent, 10, 10, 20, 20);
            child->background = Color::White;
        });
    EXPECT_EQ(calls, (Calls{"M.Setup", "M.Activate", "Render(100,50,200,100)"}));
    EXPECT_EQ(Quads(*app.gui->GetVertexBuffer()), (std::vector<Quad>{{{110, 60, 20, 20}, Color::White}}));
    EXPECT_EQ(child->drawnRectangle, (Rectangle{110, 60, 20, 20}));
}

TEST_F(GuiDraw, AMenuThatDrawsNothingSubmitsNothing)
{
    EXPECT_EQ(Draw(
                  [](Element& root)
                  {
                      Element& clipper = AddBox(root, 0, 0, 10, 10);
                      clipper.clip = 1;
                      AddBox(clipper, 0, 0, 5, 5);
                  }),
              (Calls{"SetColorTarget - 0", "SetDepthTarget -"}));
    // Nothing piles up in the menu's list between frames.
    EXPECT_EQ(app.gui->GetRecord(0).drawList.items.size(), 1u);
    EXPECT_TRUE(app.gui->GetRecord(0).clipIndices.empty());

    TestMenu& hidden = static_cast<TestMenu&>(*app.gui->GetRecord(0).menu);
    hidden.GetRoot().visible = 0;
    app.device->commands.clear();
    app.gui->Render(0);
    EXPECT_EQ(Queue(*app.device), (Calls{}));
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
    for (const std::string& command : queue)
        if (command.starts_with("SetClip") || command.starts_with("Draw"))
            clips.push_back(command);
    // The inner box (250..350 x 70..120) is cut to the outer content box (110..290 x 60..140).
    // The outer clip is set and at once replaced by the inner one, so the list folds it away.
    EXPECT_EQ(clips,
              (Calls{"SetClip 250 70 40 50", "Draw 0 6", "SetClip 110 60 180 80", "Draw 6 6", "SetClip 0 0 -1 -1"}));
}

// Draws through the target it was given and says which one it was told.
class TargetTransition : public Transition
{
public:
    TargetTransition(Calls& calls, uint32_t target) : calls(calls)
    {
        duration = 10.0f;
        renderTarget = target;
        clear = 1;
        clearColor = Color::Red;
    }
    void Draw(float, GraphicsDevice&, uint32_t target, Menu&) override
    {
        calls.push_back("Transition.Draw(" + std::to_string(target) + ")");
    }
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
    app.gui->AddMenu(std::make_unique<TestMenu>(calls), std::make_unique<TargetTransition>(calls, 5), nullptr, Whole(),
                     false);
    app.gui->LateUpdate(0);
    calls.clear();
    app.device->commands.clear();
    app.gui->Render(0);
    EXPECT_EQ(Queue(*app.device),
              (Calls{"SetColorTarget 5 0", "Clear 1 0 0 1", "SetColorTarget 5 0", "SetDepthTarget -"}));
    EXPECT_EQ(calls, (Calls{"Transition.Draw(5)"}));

    app.gui->AddMenu(std::make_unique<TestMenu>(calls, "L"), std::make_unique<TargetTransition>(calls, 5),
                     std::make_unique<TestLayer>(calls), Whole(), false);
    app.gui->LateUpdate(0);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Layer.Update"), 1);
    calls.clear();
    app.device->commands.clear();
    app.gui->Render(0);
    EXPECT_EQ(calls, (Calls{"Transition.Draw(5)", "Layer.Draw", "Transition.Draw(9)"}));
    const Calls queue = Queue(*app.device);
    EXPECT_EQ(Calls(queue.begin() + 4, queue.end()), (Calls{"SetColorTarget 9 0", "SetDepthTarget -"}));
}

TEST(GuiQuads, QuadsBeyondTheReachOf16BitIndicesAreRefused)
{
    Geometry vertices;
    Geometry indices;
    indices.dataType = GeometryDataType::IndexList;
    DrawList list;
    list.Add();
    const GuiImageVertex quad[4] = {};
    vertices.used = (0x10000 - 4) * sizeof(GuiImageVertex);
    EXPECT_TRUE(AppendGuiQuad(list, vertices, indices, quad));
    EXPECT_FALSE(AppendGuiQuad(list, vertices, indices, quad));
    EXPECT_EQ(vertices.used, 0x10000 * sizeof(GuiImageVertex));
    EXPECT_EQ(indices.used, 12u);
    EXPECT_EQ(list.items.size(), 2u);
    // The last quad's indices still fit in 16 bits.
    uint16_t last[6];
    std::memcpy(last, indices.data.Data(), sizeof(last));
    EXPECT_EQ(last[5], 0xFFFF);
}

TEST(ContentAlignment, PlacesContentAlongAnAxis)
{
    const struct
    {
        uint32_t alignment;
        float start, size;
    } cases[] = {{0, 10, 30}, {1, 45, 30}, {2, 80, 30}, {3, 10, 100}, {99, 10, 30}};
    for (const auto& test : cases)
    {
        float start = 0, size = 0;
        Content::Align(test.alignment, 10, 100, 30, start, size);
        EXPECT_EQ(start, test.start) << test.alignment;
        EXPECT_EQ(size, test.size) << test.alignment;
    }
    float start = 0, size = 0;
    Content::Align(3, 10, 100, 150, start, size);
    EXPECT_EQ(size, 150);
}

} // namespace
} // namespace Lumvek
