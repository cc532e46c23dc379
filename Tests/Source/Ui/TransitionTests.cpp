#include "Engine/Foundation/File.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Ui/Transitions.h"
#include "Source/Ui/UiResources.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
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

// Compares a frame's command stream, as text, with its golden file under Tests/Source/Ui/Goldens. On a
// difference the stream is written to Goldens/<name> under the build folder and the test fails naming
// both files. To regenerate a golden after an intended change, run the ui tests and copy that file over
// the golden, for example:
//   ctest --test-dir build/test -R Transitions && cp build/test/Goldens/PageFrame.txt Tests/Source/Ui/Goldens/
void ExpectGolden(const std::string& name, const std::string& actual)
{
    const std::filesystem::path golden =
        std::filesystem::path(Lumvek::Testing::SourceFolder()) / "Tests/Source/Ui/Goldens" / name;
    const auto [read, expected] = Lumvek::File::ReadAllText(golden.string());
    if (read && expected == actual)
        return;
    const std::filesystem::path written = std::filesystem::path(Lumvek::Testing::BinaryFolder()) / "Goldens" / name;
    std::error_code error;
    std::filesystem::create_directories(written.parent_path(), error);
    const bool saved = Lumvek::File::WriteAllText(written.string(), actual);
    ADD_FAILURE() << "the frame differs from " << golden << (read ? "" : " (unreadable)") << "; it was "
                  << (saved ? "written to " : "not written to ") << written << ":\n"
                  << actual;
}

// The floats as text that reads the same wherever the test runs.
std::string Floats(const float* values, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; ++i)
    {
        char number[32];
        std::snprintf(number, sizeof number, "%s%.5g", i ? " " : "", static_cast<double>(values[i]) + 0.0);
        text += number;
    }
    return text;
}

std::string Lines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

class Transitions : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(CreateTransitionGeometries(*app.device)); }

    TestApplication app;
};

TEST_F(Transitions, TheTargetTheyDrawTheMenuIntoFollowsTheWindowsSize)
{
    ASSERT_NE(app.device->CreateTexture(GraphicsResources::TransitionTarget, 0), nullptr);
    UiResources::FitTransitionTarget(*app.device);
    Lumvek::Texture* target = app.device->GetTexture(GraphicsResources::TransitionTarget);
    ASSERT_NE(target, nullptr);
    const auto expect = [&](uint32_t width, uint32_t height)
    {
        EXPECT_EQ(target->width, width);
        EXPECT_EQ(target->height, height);
        // A colour buffer would be a block of pixels the menu cannot be drawn into.
        EXPECT_EQ(target->format, Lumvek::TextureFormat::ColorTarget4x8);
    };
    expect(1000, 500);

    // The window changes size.
    app.device->SetSize(640.0f, 360.0f, 1.0f);
    UiResources::FitTransitionTarget(*app.device);
    expect(640, 360);

    // A target left at another size or made a colour buffer is put right once, and then left alone.
    target->SetSize(1000, 500, Lumvek::TextureFormat::ColorBuffer4x8);
    const auto version = target->version;
    UiResources::FitTransitionTarget(*app.device);
    expect(640, 360);
    EXPECT_NE(target->version, version);
    const auto fitted = target->version;
    UiResources::FitTransitionTarget(*app.device);
    EXPECT_EQ(target->version, fitted);
}

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

TEST_F(Transitions, PageIndicesHoldEveryQuadTwiceWithOppositeWindingsForEachPageOfAFrame)
{
    static uint16_t indices[PageIndexCount];
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
    for (uint32_t page = 0; page < PagesPerFrame; ++page)
    {
        SCOPED_TRACE(page);
        const uint16_t* front = indices + page * PageFaceIndexCount * 2;
        const uint16_t* back = front + PageFaceIndexCount;
        std::set<uint16_t> used;
        for (uint32_t i = 0; i < PageFaceIndexCount; i += 3)
        {
            EXPECT_GT(winding(front + i), 0.0f) << i;
            EXPECT_LT(winding(back + i), 0.0f) << i;
            for (uint32_t k = 0; k < 3; ++k)
            {
                // Every triangle stays within its own quad of its own page's vertices.
                EXPECT_EQ(front[i + k] / 4, page * PageVertexCount / 4 + i / 6);
                EXPECT_EQ(back[i + k] / 4, page * PageVertexCount / 4 + i / 6);
                used.insert(front[i + k]);
            }
        }
        EXPECT_EQ(used.size(), PageVertexCount);
    }
}

TEST_F(Transitions, TwoPagesInOneFrameEachDrawTheirOwnMesh)
{
    Calls calls;
    TestMenu menu(calls);
    PageTransition forward = StartedPage(app, PageTransition::Forward, 0.1f);
    PageTransition backward = StartedPage(app, PageTransition::Backward, 0.1f);
    forward.Draw(0.0f, *app.device, GraphicsResources::TransitionTarget, menu);
    const size_t from = app.device->GetCommands().size();
    backward.Draw(0.0f, *app.device, GraphicsResources::TransitionTarget, menu);
    std::vector<std::string> draws;
    for (const std::string& line : Commands(*app.device, from))
        if (line.starts_with("Draw") || line.starts_with("SetConstants"))
            draws.push_back(line);
    // The second page's constants lie past the first page's two blocks, its faces in the second copy.
    EXPECT_EQ(draws, (std::vector<std::string>{
                         Call("SetConstants", "PageConstants", 32, 5, 0, 257), Call("Draw", 1728, 864),
                         Call("SetConstants", "PageConstants", 48, 5, 0, 257), Call("Draw", 2592, 864)}));
    Lumvek::Geometry* vertices = FindGeometry(*app.device, TransitionGeometryIds::Get().pageVertices);
    ASSERT_NE(vertices, nullptr);
    EXPECT_EQ(vertices->used, 2u * 576u * 32u);
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
    Lumvek::Geometry* vertices = FindGeometry(*app.device, TransitionGeometryIds::Get().colorTransitionVertices);
    ASSERT_NE(vertices, nullptr);
    ASSERT_EQ(vertices->used, 80u);
    // The commands, then each vertex: x, y, u, v and its colour's bytes (white with half the alpha).
    std::string frame = Lines(Commands(*app.device, from)) + "ColorTransitionVertices 4\n";
    const uint8_t* bytes = vertices->data.Data();
    for (uint32_t v = 0; v < 4; ++v)
    {
        float position[4];
        std::memcpy(position, bytes + v * 20, sizeof position);
        const uint8_t* color = bytes + v * 20 + 16;
        frame += Floats(position, 4) + " " +
                 Call("rgba", unsigned(color[0]), unsigned(color[1]), unsigned(color[2]), unsigned(color[3])) + "\n";
    }
    ExpectGolden("FadeFrame.txt", frame);
}

TEST_F(Transitions, APageFrameDrawsTheFrontWithTheMenuAndTheBackWithPaper)
{
    PageTransition page = StartedPage(app, PageTransition::Forward, 0.1f);
    const size_t from = app.device->GetCommands().size();
    Calls calls;
    TestMenu menu(calls);
    page.Draw(0.0f, *app.device, GraphicsResources::TransitionTarget, menu);

    const TransitionGeometryIds& ids = TransitionGeometryIds::Get();
    Lumvek::Geometry* vertices = FindGeometry(*app.device, ids.pageVertices);
    Lumvek::Geometry* constants = FindGeometry(*app.device, ids.pageConstants);
    ASSERT_TRUE(vertices && constants);
    ASSERT_EQ(vertices->used % 32u, 0u);
    ASSERT_GE(constants->used, 256u + 80u);
    // The commands (two draws of the page's indices, front then back), the vertex count, then each
    // face's constant block: the projection as stored, then the face sign.
    std::string frame = Lines(Commands(*app.device, from)) + Call("PageVertices", vertices->used / 32u) + "\n";
    for (uint32_t face = 0; face < 2; ++face)
    {
        float block[20];
        std::memcpy(block, constants->data.Data() + face * 256, sizeof block);
        frame += Call("PageConstants", face * 256) + "\n" + Floats(block, 16) + "\n" + Floats(block + 16, 4) + "\n";
    }
    ExpectGolden("PageFrame.txt", frame);
    // The vertex of the last quad's bottom-right corner is the page's far corner.
    PageTransition::Vertex last;
    std::memcpy(&last, vertices->data.Data() + 575 * 32, 32);
    PageTransition::Vertex expected = page.CurlVertex(100.0f, 100.0f);
    EXPECT_EQ(std::memcmp(&last, &expected, 32), 0);
    float front[16];
    std::memcpy(front, constants->data.Data(), 64);
    EXPECT_EQ(std::memcmp(front, page.projection.m, 64), 0);

    // After the device took the frame, the next frame's mesh starts over at the first vertex.
    app.device->Render();
    page.Draw(0.0f, *app.device, GraphicsResources::TransitionTarget, menu);
    EXPECT_EQ(vertices->used, 576u * 32u);
}

} // namespace
