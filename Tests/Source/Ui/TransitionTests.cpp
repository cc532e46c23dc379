#include "Engine/Runtime/Graphics/Geometry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Ui/Transitions.h"
#include "Source/Ui/UiResources.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <set>

namespace
{

using namespace Lumvek::GuiTesting;
using Lumvek::GraphicsCommand;
using Lumvek::GraphicsCommandCode;

constexpr float Degree = std::numbers::pi_v<float> / 180.0f;

// A started page transition on the test device, advanced to the elapsed time as the Gui does.
PageTransition StartedPage(TestApplication& app, uint8_t direction, float elapsed)
{
    PageTransition page(0.3f, direction);
    page.Start({0, 0, 1000, 500}, *app.device);
    page.elapsed = elapsed;
    page.Update(elapsed);
    return page;
}

// The commands queued from the given one on, as "Code op1 op2 ...", resource slots by name.
std::vector<std::string> Commands(const Lumvek::GraphicsDevice& device, size_t from)
{
    std::vector<std::string> lines;
    auto name = [](uint32_t slot)
    { return slot == Lumvek::InvalidId ? std::string("none") : Lumvek::NameTableC().GetName(slot).ToString(); };
    for (size_t i = from; i < device.GetCommands().size(); ++i)
    {
        const GraphicsCommand& c = device.GetCommands()[i];
        switch (static_cast<GraphicsCommandCode>(c.code))
        {
        case GraphicsCommandCode::SetColorTarget:
            lines.push_back("SetColorTarget " + name(c.op1));
            break;
        case GraphicsCommandCode::Clear:
            lines.push_back(Call("Clear", GraphicsCommand::ToFloat(c.op1), GraphicsCommand::ToFloat(c.op2),
                                 GraphicsCommand::ToFloat(c.op3), GraphicsCommand::ToFloat(c.op4)));
            break;
        case GraphicsCommandCode::SetMaterial:
            lines.push_back("SetMaterial " + name(c.op1));
            break;
        case GraphicsCommandCode::SetGeometry:
        case GraphicsCommandCode::SetIndices:
            lines.push_back(Call(c.code == uint32_t(GraphicsCommandCode::SetGeometry) ? "SetGeometry" : "SetIndices",
                                 name(c.op1), c.op2));
            break;
        case GraphicsCommandCode::SetConstants:
            lines.push_back(Call("SetConstants", name(c.op1), c.op2, c.op3, c.op4, c.op5));
            break;
        case GraphicsCommandCode::SetTexture:
            lines.push_back(Call("SetTexture", name(c.op1), c.op2));
            break;
        case GraphicsCommandCode::Draw:
            lines.push_back(Call("Draw", c.op1, c.op2));
            break;
        default:
            lines.push_back(Call("Other", c.code));
        }
    }
    return lines;
}

class Transitions : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(CreateTransitionGeometries(*app.device)); }

    TestApplication app;
};

TEST_F(Transitions, ThePageCurvePassesItsKnownPoints)
{
    // Flat at the start of a forward turn: straight up, unrolled, filling clip space.
    PageTransition flat = StartedPage(app, PageTransition::Forward, 0.0f);
    EXPECT_NEAR(flat.tilt, 90.0f * Degree, 1e-5f);
    EXPECT_EQ(flat.roll, 0.0f);
    EXPECT_EQ(flat.offset, -100.0f);
    const struct
    {
        float x, y, clipX, clipY;
    } corners[] = {{0, 0, -1, -1}, {100, 0, 1, -1}, {0, 100, -1, 1}, {100, 100, 1, 1}, {50, 50, 0, 0}};
    for (const auto& corner : corners)
    {
        PageTransition::Vertex v = flat.CurlVertex(corner.x, corner.y);
        EXPECT_NEAR(v.position[0], corner.clipX, 1e-4f) << corner.x << "," << corner.y;
        EXPECT_NEAR(v.position[1], corner.clipY, 1e-4f) << corner.x << "," << corner.y;
        EXPECT_NEAR(v.textureCoordinate[1], 1.0f - corner.y / 100.0f, 1e-6f);
    }

    // At its end the page has rolled a quarter turn away and slid down.
    PageTransition end = StartedPage(app, PageTransition::Forward, 0.3f);
    EXPECT_NEAR(end.roll, 90.0f * Degree, 1e-4f);
    EXPECT_NEAR(end.offset, -400.0f, 1e-3f);
    EXPECT_NEAR(end.tilt, 8.0f * Degree, 1e-4f);

    // Backward runs the same curve the other way.
    for (float t : {0.0f, 0.05f, 0.15f, 0.27f})
    {
        PageTransition forward = StartedPage(app, PageTransition::Forward, t);
        PageTransition backward = StartedPage(app, PageTransition::Backward, 0.3f - t);
        EXPECT_NEAR(forward.roll, backward.roll, 1e-4f) << t;
        EXPECT_NEAR(forward.tilt, backward.tilt, 1e-4f) << t;
        EXPECT_NEAR(forward.offset, backward.offset, 1e-2f) << t;
    }
}

TEST_F(Transitions, PageIndicesHoldEveryQuadTwiceWithOppositeWindings)
{
    uint16_t indices[PageFaceIndexCount * 2];
    BuildPageIndices(indices);
    // Signed area of a triangle of the flat page's corners: quads are laid out TL, TR, BL, BR.
    const float corner[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    auto winding = [&](const uint16_t* t)
    {
        const float* a = corner[t[0] % 4];
        const float* b = corner[t[1] % 4];
        const float* c = corner[t[2] % 4];
        return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
    };
    std::set<uint16_t> used;
    for (uint32_t i = 0; i < PageFaceIndexCount; i += 3)
    {
        EXPECT_GT(winding(indices + i), 0.0f) << i;
        EXPECT_LT(winding(indices + PageFaceIndexCount + i), 0.0f) << i;
        for (uint32_t k = 0; k < 3; ++k)
        {
            // Every triangle stays within its own quad.
            EXPECT_EQ(indices[i + k] / 4, i / 6);
            EXPECT_EQ(indices[PageFaceIndexCount + i + k] / 4, i / 6);
            used.insert(indices[i + k]);
        }
    }
    EXPECT_EQ(used.size(), PageVertexCount);
}

TEST_F(Transitions, FadeAlphaRunsFromClearToOpaqueAndBack)
{
    FadeTransition in(0.25f, FadeTransition::Forward);
    FadeTransition out(0.25f, FadeTransition::Backward);
    const struct
    {
        float elapsed;
        uint8_t in, out;
    } cases[] = {{0.0f, 0, 255}, {0.125f, 127, 127}, {0.25f, 255, 0}, {1.0f, 255, 0}};
    for (const auto& c : cases)
    {
        in.elapsed = out.elapsed = c.elapsed;
        EXPECT_EQ(in.Alpha(), c.in) << c.elapsed;
        EXPECT_EQ(out.Alpha(), c.out) << c.elapsed;
    }
}

TEST_F(Transitions, AFadeFrameDrawsTheMenuImageOverBlack)
{
    FadeTransition fade(0.25f, FadeTransition::Forward);
    fade.Start({0, 0, 1000, 500}, *app.device);
    fade.elapsed = 0.125f;
    const size_t from = app.device->GetCommands().size();
    Calls calls;
    TestMenu menu(calls);
    fade.Draw(0.0f, *app.device, GraphicsResources::TransitionTarget, menu);
    EXPECT_EQ(Commands(*app.device, from),
              (std::vector<std::string>{"SetColorTarget none", "Clear(0,0,0,1)", "SetMaterial ColoredImageMaterial",
                                        "SetGeometry(ColorTransitionVertices,20)", "SetIndices(QuadIndices,0)",
                                        "SetTexture(TransitionTarget,0)", "Draw(0,6)", "SetTexture(none,0)"}));
    Lumvek::Geometry* vertices = FindGeometry(*app.device, TransitionGeometryIds::Get().colorTransitionVertices);
    ASSERT_NE(vertices, nullptr);
    ASSERT_EQ(vertices->used, 80u);
    // Each vertex: x, y, u, v, then the colour, white with half the alpha.
    const uint8_t* bytes = vertices->data.Data();
    for (uint32_t v = 0; v < 4; ++v)
        EXPECT_EQ((std::vector<uint8_t>(bytes + v * 20 + 16, bytes + v * 20 + 20)),
                  (std::vector<uint8_t>{255, 255, 255, 127}));
}

TEST_F(Transitions, APageFrameDrawsTheFrontWithTheMenuAndTheBackWithPaper)
{
    PageTransition page = StartedPage(app, PageTransition::Forward, 0.1f);
    const size_t from = app.device->GetCommands().size();
    Calls calls;
    TestMenu menu(calls);
    page.Draw(0.0f, *app.device, GraphicsResources::TransitionTarget, menu);
    const uint32_t stages = GraphicsCommand::StageFlags(1, 1);
    EXPECT_EQ(
        Commands(*app.device, from),
        (std::vector<std::string>{"SetColorTarget none", "SetMaterial PageMaterial", "SetGeometry(PageVertices,32)",
                                  "SetIndices(PageIndices,0)", Call("SetConstants", "PageConstants", 0, 5, 0, stages),
                                  "SetTexture(TransitionTarget,0)", "Draw(0,864)",
                                  Call("SetConstants", "PageConstants", 16, 5, 0, stages),
                                  "SetTexture(CanvasBackground,0)", "Draw(864,864)", "SetTexture(none,0)"}));

    const TransitionGeometryIds& ids = TransitionGeometryIds::Get();
    Lumvek::Geometry* vertices = FindGeometry(*app.device, ids.pageVertices);
    Lumvek::Geometry* constants = FindGeometry(*app.device, ids.pageConstants);
    ASSERT_TRUE(vertices && constants);
    EXPECT_EQ(vertices->used, 576u * 32u);
    // The vertex of the last quad's bottom-right corner is the page's far corner.
    PageTransition::Vertex last;
    std::memcpy(&last, vertices->data.Data() + 575 * 32, 32);
    PageTransition::Vertex expected = page.CurlVertex(100.0f, 100.0f);
    EXPECT_EQ(std::memcmp(&last, &expected, 32), 0);
    // Each record: the projection as stored, then the face sign.
    float front[20], back[20];
    std::memcpy(front, constants->data.Data(), 80);
    std::memcpy(back, constants->data.Data() + 256, 80);
    EXPECT_EQ(std::memcmp(front, page.projection.m, 64), 0);
    EXPECT_EQ(std::memcmp(back, page.projection.m, 64), 0);
    EXPECT_EQ(front[18], 1.0f);
    EXPECT_EQ(back[18], -1.0f);

    // After the device took the frame, the next frame's mesh starts over at the first vertex.
    app.device->Render();
    page.Draw(0.0f, *app.device, GraphicsResources::TransitionTarget, menu);
    EXPECT_EQ(vertices->used, 576u * 32u);
}

} // namespace
