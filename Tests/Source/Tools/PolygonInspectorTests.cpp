// The polygon window over a texture that is not loaded (a canvas of the item width by 100 pixels),
// driven by the mouse through headless Dear ImGui.

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Foundation/TextureRegion.h"
#include "Source/Tools/Inspectors/PolygonInspector.h"
#include "Source/Tools/PropertyInput.h"
#include "Tests/Source/Tools/ToolsTesting.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <utility>
#include <vector>

namespace
{

using Lumvek::MouseButton;
using Lumvek::Vector2;

struct PolygonWindow
{
    PolygonWindow()
    {
        auto owned = std::make_unique<PolygonInspector>(Lumvek::InvalidId, Lumvek::InvalidId, &points);
        window = owned.get();
        app.MoveMouse(100.0f, 100.0f);
        app.tools->OpenWindow("Shape Polygon", std::move(owned));
        app.Frame();
        app.Frame();
    }

    // The pixel of the canvas point (x across, y up), as the last frame laid the canvas out.
    Vector2 Pixel(Vector2 p) const
    {
        return {window->canvasPosition.x + p.x * window->canvasSize.x,
                window->canvasPosition.y + (1.0f - p.y) * window->canvasSize.y};
    }
    void Move(Vector2 p)
    {
        app.MoveMouse(Pixel(p).x, Pixel(p).y);
        app.Frame();
    }
    void Press(MouseButton button)
    {
        app.mouse->current.pressed[button] = 1;
        app.mouse->current.held[button] = 1;
        app.Frame();
        app.mouse->current.pressed.Clear();
    }
    void Release(MouseButton button)
    {
        app.mouse->current.held[button] = 0;
        app.mouse->current.released[button] = 1;
        app.Frame();
        app.mouse->current.released.Clear();
        app.Frame();
    }
    void Click(Vector2 p, MouseButton button)
    {
        Move(p);
        Press(button);
        Release(button);
    }
    void ExpectPoints(const std::vector<Vector2>& expected, const char* step) const
    {
        ASSERT_EQ(points.size(), expected.size()) << step;
        for (size_t i = 0; i < expected.size(); ++i)
        {
            EXPECT_NEAR(points[i].x, expected[i].x, 0.02f) << step << " point " << i;
            EXPECT_NEAR(points[i].y, expected[i].y, 0.02f) << step << " point " << i;
        }
    }

    ToolsTesting::ToolsApplication app;
    std::vector<Vector2> points;
    PolygonInspector* window = nullptr;
};

TEST(PolygonInspector, ClicksAddDragAndDeletePointsAndDragsOutsidePinToTheEdge)
{
    PolygonWindow w;
    ASSERT_FLOAT_EQ(w.window->canvasSize.y, 100.0f);

    // A left press on empty canvas adds a point there, which follows the pointer while the button is
    // held and stays where it was let go.
    w.Move({0.25f, 0.75f});
    w.Press(MouseButton::Left);
    w.ExpectPoints({{0.25f, 0.75f}}, "press");
    w.Move({0.5f, 0.5f});
    w.Release(MouseButton::Left);
    w.Move({0.8f, 0.2f});
    w.ExpectPoints({{0.5f, 0.5f}}, "dragged");

    // Dragged beyond the canvas a point pins to the nearest edge.
    for (const auto& [to, pinned] :
         {std::pair{Vector2(1.6f, -0.5f), Vector2(1.0f, 0.0f)}, std::pair{Vector2(-0.7f, 1.4f), Vector2(0.0f, 1.0f)}})
    {
        w.points[0] = {0.5f, 0.5f};
        w.Move(w.points[0]);
        w.Press(MouseButton::Left);
        w.Move(to);
        w.Release(MouseButton::Left);
        w.ExpectPoints({pinned}, "pinned");
    }

    // A right click on empty canvas changes nothing; on a point it deletes that point only.
    w.Click({0.3f, 0.3f}, MouseButton::Left);
    w.Click({0.5f, 0.9f}, MouseButton::Right);
    w.ExpectPoints({{0.0f, 1.0f}, {0.3f, 0.3f}}, "right on empty");
    w.Click({0.3f, 0.3f}, MouseButton::Right);
    w.ExpectPoints({{0.0f, 1.0f}}, "right on a point");
}

TEST(PolygonInspector, AScaleOfZeroIsRefusedAndClearLeavesACanvasThatTakesNewPoints)
{
    PolygonWindow w;
    w.points = {{0.1f, 0.1f}, {0.9f, 0.9f}};
    w.window->scale = 0.0f;
    w.app.Frame();
    EXPECT_FLOAT_EQ(w.window->scale, PolygonInspector::MinimumScale);
    EXPECT_GE(w.window->canvasSize.y, 10.0f);
    w.window->scale = 1.0f;
    w.app.Frame();

    // "Clear" stands one item spacing below the canvas.
    w.app.MoveMouse(w.window->canvasPosition.x + 10.0f, w.window->canvasPosition.y + w.window->canvasSize.y + 12.0f);
    w.app.Frame();
    w.app.Click();
    EXPECT_TRUE(w.points.empty());
    w.Click({0.4f, 0.6f}, MouseButton::Left);
    w.ExpectPoints({{0.4f, 0.6f}}, "after clear");

    // A selection the list no longer holds (another window shortened it) is dropped, not written.
    w.window->selectedPoint = 3;
    w.app.Frame();
    EXPECT_EQ(w.window->selectedPoint, PolygonInspector::NoPoint);
    w.ExpectPoints({{0.4f, 0.6f}}, "stale selection");
}

TEST(PolygonInspector, APreviewWithAShapeOpensItsWindowOnARightClickAndARegionOfNoPixelsTakesNoPoint)
{
    PolygonWindow w;
    const uint32_t atlas = Lumvek::NameTableC().Add("PolygonTests.Atlas");
    const uint32_t sprite = Lumvek::NameTableA().Add("PolygonTests.Sprite");
    const uint32_t empty = Lumvek::NameTableA().Add("PolygonTests.Empty");
    Lumvek::Texture* texture = w.app.device->CreateTexture(atlas, 0);
    ASSERT_NE(texture, nullptr);
    texture->SetSize(64, 64, Lumvek::TextureFormat::ColorBuffer4x8);
    texture->AddRegion(sprite, 0, 0)->SetSize(32, 16);
    texture->AddRegion(empty, 32, 0);
    // A region the texture does not hold (a definition the match did not load) shows no image to draw on.
    const uint32_t unloaded = Lumvek::NameTableA().Add("PolygonTests.Unloaded");
    for (const auto& [region, title, opens] :
         {std::tuple{sprite, "PolygonTests.Atlas:PolygonTests.Sprite Polygon", true},
          std::tuple{Lumvek::InvalidId, "PolygonTests.Atlas Polygon", true},
          std::tuple{unloaded, "PolygonTests.Atlas:PolygonTests.Unloaded Polygon", false}})
    {
        ImVec2 image;
        const uint32_t shown = region;
        ToolsTesting::TestWindow& preview =
            ToolsTesting::OpenTestWindow(*w.app.tools, "Preview",
                                         [&](auto&)
                                         {
                                             PropertyInput::TexturePreview(atlas, shown, 0.0f, &w.points);
                                             image = ImGui::GetItemRectMin();
                                         });
        w.app.Frame();
        w.app.MoveMouse(image.x + 4.0f, image.y + 4.0f);
        w.app.Frame();
        w.Press(MouseButton::Right);
        w.app.Frame();
        EXPECT_EQ(w.app.tools->IsWindowOpen(Lumvek::StringView::FromCString(title)), opens) << title;
        preview.open = 0;
        w.Release(MouseButton::Right);
    }

    for (const std::unique_ptr<Inspector>& opened : w.app.tools->GetInspectors())
        opened->open = opened.get() == w.window ? 1 : 0;
    w.window->texture = atlas;
    w.window->region = empty;
    w.app.Frame();
    w.app.MoveMouse(w.window->canvasPosition.x, w.window->canvasPosition.y);
    w.app.Click();
    EXPECT_EQ(w.window->canvasSize, Vector2());
    EXPECT_TRUE(w.points.empty());
}

} // namespace
