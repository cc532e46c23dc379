#include "Source/Tools/PropertyInput.h"
#include "Tests/Source/Tools/ToolsTesting.h"

#include <gtest/gtest.h>

#include <imgui.h>
#include <imgui_internal.h>

#include <filesystem>

namespace
{

using namespace ToolsTesting;

// A window opens beside the mouse; one that would hang over the screen's edge there is moved up or left
// to end at it (Edge), one taller than the screen as far as its top, title bar shown.
TEST(ToolsHost, PlacesANewWindowBesideTheMouseAwayFromTheScreensEdge)
{
    constexpr float Beside = -2.0f, Edge = -1.0f;
    struct Case
    {
        float mouseX, mouseY, x, y, width = 0.0f, height = 0.0f, shownX = Beside, shownY = Beside;
    };
    const Case cases[] = {{600.0f, 40.0f, 625.0f, 40.0f},
                          {1000.0f, 400.0f, 725.0f, 375.0f},
                          {600.0f, 1000.0f, 625.0f, 975.0f, 200.0f, 300.0f, Beside, Edge},
                          {1900.0f, 40.0f, 1625.0f, 40.0f, 400.0f, 300.0f, Edge, Beside},
                          {600.0f, 1000.0f, 625.0f, 975.0f, 200.0f, 1500.0f, Beside, Edge}};
    for (const Case& c : cases)
    {
        ToolsApplication app;
        app.MoveMouse(c.mouseX, c.mouseY);
        app.Frame();
        OpenTestWindow(*app.tools, "Placed", [&c](TestWindow&) { ImGui::Dummy(ImVec2(c.width, c.height)); });
        const Inspector& window = *app.tools->GetInspectors().back();
        EXPECT_EQ(window.x, c.x) << c.mouseX;
        EXPECT_EQ(window.y, c.y) << c.mouseY;
        // The window appears there, or moved onto the screen.
        app.Frame();
        app.Frame();
        const ImGuiWindow* shown = ImGui::FindWindowByName("Placed###Window0");
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->Pos.x, c.shownX == Beside ? c.x : 1920.0f - shown->Size.x) << c.mouseX;
        EXPECT_EQ(shown->Pos.y, c.shownY == Beside ? c.y : 1080.0f - shown->Size.y) << c.height;
        EXPECT_GE(shown->Pos.y, 0.0f);
    }
}

TEST(ToolsHost, WindowIdsOnlyGrowAndNamesMatchExactly)
{
    ToolsApplication app;
    TestWindow& first = OpenTestWindow(*app.tools, "Hazard 3");
    // Before any frame ImGui has no mouse: the window still opens on the screen.
    EXPECT_EQ(first.x, 25.0f);
    EXPECT_EQ(first.y, 0.0f);
    OpenTestWindow(*app.tools, "Hazard 30");
    EXPECT_EQ(app.tools->GetInspectors()[0]->windowId, 0u);
    EXPECT_EQ(app.tools->GetInspectors()[1]->windowId, 1u);
    first.open = 0;
    app.Frame();
    OpenTestWindow(*app.tools, "Zone 1");
    EXPECT_EQ(app.tools->GetInspectors().back()->windowId, 2u);

    EXPECT_TRUE(app.tools->IsWindowOpen("Hazard 30"));
    EXPECT_FALSE(app.tools->IsWindowOpen("Hazard 3")); // closed
    EXPECT_FALSE(app.tools->IsWindowOpen("Hazard"));   // a prefix
    EXPECT_FALSE(app.tools->IsWindowOpen("Zone 10"));
}

TEST(ToolsHost, ScreenToWorldMapsThroughTheFirstActiveViewThatHoldsTheCursor)
{
    const ToolsView full{{0.0f, 0.0f}, {32.0f, 18.0f}, {0.0f, 0.0f, 1920.0f, 1080.0f}, true};
    ToolsView inactive = full;
    inactive.active = false;
    inactive.centre = {100.0f, 100.0f};
    struct Case
    {
        std::vector<ToolsView> views;
        Lumvek::Vector2 cursor;
        Lumvek::Vector2 world;
    };
    const Case cases[] = {
        {{}, {960.0f, 270.0f}, {0.0f, 0.0f}},                 // no renderer
        {{full}, {960.0f, 270.0f}, {0.0f, 4.5f}},             // y grows downwards on screen
        {{full}, {0.0f, 540.0f}, {0.0f, 0.0f}},               // the edge lies outside
        {{inactive, full}, {480.0f, 810.0f}, {-8.0f, -4.5f}}, // inactive views are passed over
    };
    for (const Case& c : cases)
    {
        const Lumvek::Vector2 world = ScreenToWorld(c.views, c.cursor);
        EXPECT_FLOAT_EQ(world.x, c.world.x) << c.cursor.x << " " << c.cursor.y;
        EXPECT_FLOAT_EQ(world.y, c.world.y) << c.cursor.x << " " << c.cursor.y;
    }
    ToolsApplication app;
    Lumvek::MouseState mouse;
    mouse.position = {960.0f, 270.0f};
    EXPECT_EQ(app.tools->ScreenToWorld(mouse), (Lumvek::Vector2{0.0f, 0.0f}));
    app.tools->rendererViews = {full};
    EXPECT_EQ(app.tools->ScreenToWorld(mouse), (Lumvek::Vector2{0.0f, 4.5f}));
}

TEST(ToolsHost, SnapStepFollowsTheToolsCameraUnlessSet)
{
    ToolsApplication app;
    Tools& tools = *app.tools;
    EXPECT_EQ(tools.GetSnapStep(), 0.5f);
    tools.cameraInUse = true;
    const std::pair<float, float> steps[] = {{40.0f, 0.5f}, {50.0f, 1.0f}, {120.0f, 5.0f}, {500.0f, 10.0f}};
    for (auto [width, step] : steps)
    {
        tools.camera.size.x = width;
        EXPECT_EQ(tools.GetSnapStep(), step) << width;
    }
    tools.snapStep = 2.0f;
    EXPECT_EQ(tools.GetSnapStep(), 2.0f);
}

TEST(ToolsHost, TheToolsCameraStartsWhereTheGamesViewIs)
{
    ToolsApplication app;
    Tools& tools = *app.tools;
    app.Frame();
    const ImGuiID toggle = ToolsTesting::WidgetId("Tools", {"Tools Camera"});
    for (const Lumvek::Vector2 centre : {Lumvek::Vector2{120.0f, 40.0f}, Lumvek::Vector2{-30.0f, 7.5f}})
    {
        tools.rendererViews = {{centre, {48.0f, 27.0f}, {0.0f, 0.0f, 1920.0f, 1080.0f}, true}};
        ASSERT_TRUE(app.ClickItem("Tools", toggle));
        ASSERT_TRUE(tools.cameraInUse);
        EXPECT_EQ(tools.camera.centre, centre);
        EXPECT_EQ(tools.camera.size.x, 48.0f);
        ASSERT_TRUE(app.ClickItem("Tools", toggle));
        ASSERT_FALSE(tools.cameraInUse);
    }
}

TEST(ToolsHost, AWindowOpenedDuringAFrameDrawsFromTheNextOne)
{
    ToolsApplication app;
    TestWindow* child = nullptr;
    TestWindow& parent = OpenTestWindow(*app.tools, "Parent",
                                        [&](TestWindow& self)
                                        {
                                            if (self.draws == 1)
                                                child = &OpenTestWindow(*app.tools, "Child");
                                        });
    app.Frame();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->draws, 0u);
    app.Frame();
    EXPECT_EQ(child->draws, 1u);
    EXPECT_EQ(parent.draws, 2u);
}

TEST(ToolsHost, EndingTheMatchClosesOnlyTheWindowsBoundToTheWorld)
{
    ToolsApplication app;
    bool entityGone = false;
    bool definitionGone = false;
    OpenTestWindow(*app.tools, "Hazard 3", {}, true).destroyed = &entityGone;
    OpenTestWindow(*app.tools, "Modifiers").destroyed = &definitionGone;
    app.Frame();
    app.tools->rendererViews = {ToolsView{}};
    app.tools->mapNames.platforms.Set("Floor", nullptr);
    app.tools->WorldDestroyed();
    // Gone at once, while what they pointed at still exists.
    EXPECT_TRUE(entityGone);
    EXPECT_FALSE(definitionGone);
    EXPECT_FALSE(app.tools->IsWindowOpen("Hazard 3"));
    EXPECT_TRUE(app.tools->IsWindowOpen("Modifiers"));
    EXPECT_TRUE(app.tools->rendererViews.empty());
    EXPECT_TRUE(app.tools->mapNames.platforms.GetEntries().empty());
    app.Frame();
}

// Dear ImGui as Debian builds it aborts on these; the host and the property rows keep them from
// happening, so each frame here must simply go through.
TEST(ToolsHost, FramesThatWouldTripDearImGuisAssertionsGoThrough)
{
    ToolsApplication app;
    // A frame of no time at all, and one whose time is not a number.
    app.Frame(0.0f);
    app.Frame(std::numeric_limits<float>::quiet_NaN());
    EXPECT_GT(ImGui::GetIO().DeltaTime, 0.0f);

    // Contents that leave IDs, tree nodes and property scopes open, or pop scopes they never pushed.
    OpenTestWindow(*app.tools, "Unbalanced",
                   [](TestWindow&)
                   {
                       ImGui::PushID("left open");
                       ImGui::TreeNodeEx("open node", ImGuiTreeNodeFlags_DefaultOpen);
                       PropertyInput::PushScope("scope");
                       PropertyInput::PushLabelWidth(150.0f);
                       PropertyInput::PopScope();
                       PropertyInput::PopScope();
                       PropertyInput::PopScope();
                       PropertyInput::PushScope("another");
                   });
    // Invisible buttons of no size, as a scale or region of 0 makes them.
    OpenTestWindow(*app.tools, "Empty region",
                   [](TestWindow&)
                   {
                       PropertyInput::InvisibleButton("canvas", 0.0f, 0.0f);
                       PropertyInput::InvisibleButton("timeline", -3.0f, std::numeric_limits<float>::quiet_NaN());
                   });
    const PropertyInput::StackDepths before = PropertyInput::GetStackDepths();
    for (int i = 0; i < 3; ++i)
        app.Frame();
    const PropertyInput::StackDepths after = PropertyInput::GetStackDepths();
    EXPECT_EQ(after.scopes, before.scopes);
    EXPECT_EQ(after.labelWidths, before.labelWidths);
    EXPECT_EQ(PropertyInput::GetLabelWidth(), 100.0f);
}

TEST(ToolsHost, WithoutAGraphicsDeviceTheToolsDrawNothingAndGoOn)
{
    class Deviceless : public Lumvek::Application
    {
    public:
        Deviceless()
            : Application("ToolsTest", "Test", "en-US", Lumvek::ApplicationConfig(), Lumvek::Arguments(),
                          "/tmp/ToolsTest", "/tmp/ToolsTest/Data", "/tmp/ToolsTest/Documents",
                          "/tmp/ToolsTest/Temporary")
        {
            tools = static_cast<Tools*>(AddSystem(std::make_unique<Tools>()));
            tools->Setup();
            tools->Load(nullptr);
        }
        void Quit() override {}
        Tools* tools = nullptr;

    protected:
        void FrameLoop() override {}
    } app;
    EXPECT_TRUE(app.tools->IsLoaded());
    OpenTestWindow(*app.tools, "Window");
    app.tools->Render(16'666'666);
    app.tools->Render(16'666'666);
    EXPECT_TRUE(app.tools->IsWindowOpen("Window"));
}

TEST(ToolsHost, NoRunReadsOrWritesAnImGuiSettingsFile)
{
    const std::filesystem::path scratch = std::filesystem::temp_directory_path() / "ToolsIniTest";
    std::filesystem::create_directories(scratch);
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(scratch);
    {
        ToolsApplication app;
        EXPECT_EQ(ImGui::GetIO().IniFilename, nullptr);
        OpenTestWindow(*app.tools, "Moved");
        for (int i = 0; i < 3; ++i)
            app.Frame(10.0f);
    }
    EXPECT_FALSE(std::filesystem::exists(scratch / "imgui.ini"));
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(scratch);
}

} // namespace
