// The bot editor over a match of platforms with the bots' graph: picking through the tools' frame,
// the path search between chosen platforms drawn through the line renderer, stopping the bots, and
// forgetting the match when it ends. One full-window view shows 0..32 by 0..18 (60 pixels a unit); the
// panel covers its top right corner.

#include "Engine/Runtime/Graphics/Geometry.h"
#include "Source/Tools/Editors/BotEditor.h"
#include "Source/World/BotSteering.h"
#include "Source/World/Platform.h"
#include "Tests/Source/Tools/ToolsTesting.h"
#include "Tests/Source/World/WeaponTestSupport.h"

#include <gtest/gtest.h>

#include <imgui_internal.h>

#include <cstring>
#include <map>
#include <tuple>

namespace
{

using Lumvek::Vector2;

// Ground, a ledge a jump reaches, three platforms stacked at (19, 6.5), an impassable one, which
// the bots' graph leaves out, and a second ledge.
const char* const Platforms = R"({"Position": "0 0", "Size": "40 2"}, {"Position": "6 3", "Size": "4 0.5"},
    {"Position": "18 6", "Size": "2 1"}, {"Position": "18.5 6.2", "Size": "2 1"}, {"Position": "17.5 6.1", "Size": "2 1"},
    {"Position": "14 12", "Size": "2 0.5", "Impassable": true},
    {"Position": "33 3", "Size": "4 0.5"})";

struct BotEditing : ::testing::Test
{
    BotEditing()
    {
        world = &match.LoadText(WeaponTesting::PlatformMapWithSpawn(Platforms));
        world->navigator.Build(*world);
        app.tools->editedWorld = world;
        app.tools->rendererViews = {{{16.0f, 9.0f}, {32.0f, 18.0f}, {0.0f, 0.0f, 1920.0f, 1080.0f}, true}};
        editor = static_cast<BotEditor*>(app.tools->FindEditor("Bots"));
        editor->open = 1;
    }
    ~BotEditing() override { app.tools->editedWorld = nullptr; }

    void Click(Vector2 p)
    {
        app.MoveMouse(p.x * 60.0f, 1080.0f - p.y * 60.0f);
        app.Frame();
        app.Click();
    }
    Platform* PlatformAt(size_t index) { return &world->platforms[index]; }
    // The quads the editor's overlay draws, by colour.
    std::map<uint32_t, size_t> Overlay()
    {
        LineRenderer& lines = app.tools->GetLineRenderer();
        lines.Begin(app.tools->GetCameraInUse());
        editor->DrawWorld(app.tools->GetCameraInUse(), lines);
        std::vector<LineVertex> vertices(lines.vertexBuffer->used / sizeof(LineVertex));
        std::memcpy(vertices.data(), lines.vertexBuffer->data.Data(), vertices.size() * sizeof(LineVertex));
        std::map<uint32_t, size_t> quads;
        for (size_t i = 0; i < vertices.size(); i += 4)
            ++quads[vertices[i].color];
        return quads;
    }

    WeaponTesting::Match match;
    ToolsTesting::ToolsApplication app;
    World* world = nullptr;
    BotEditor* editor = nullptr;
};

TEST_F(BotEditing, ClicksCycleThroughStackedPlatforms)
{
    std::vector<Platform*> picked;
    for (int i = 0; i < 4; ++i)
    {
        Click({19.0f, 6.5f});
        picked.push_back(editor->selected);
    }
    ASSERT_NE(picked[0], nullptr);
    EXPECT_NE(picked[0], picked[1]);
    EXPECT_NE(picked[1], picked[2]);
    EXPECT_NE(picked[0], picked[2]);
    EXPECT_EQ(picked[3], picked[0]);
    for (Platform* platform : picked)
        EXPECT_TRUE(platform == PlatformAt(2) || platform == PlatformAt(3) || platform == PlatformAt(4));
}

TEST_F(BotEditing, GoDrawsThePathBetweenPlatformsPickedWithTheMouseAndRefusesOnesOutsideTheGraph)
{
    match.AddPlayer({20.0f, 2.0f});
    app.Frame();
    const auto button = [](const char* label) { return ToolsTesting::WidgetId("Bots", {"Window", label}); };
    // Ground to ledge; then the impassable platform at either end, which has no node.
    const Vector2 ground{5.0f, 1.0f}, ledge{8.0f, 3.25f}, impassable{15.0f, 12.25f};
    for (const auto& [start, end, endIndex, searches] :
         {std::tuple{ground, ledge, 1u, true}, std::tuple{impassable, ledge, 1u, false},
          std::tuple{ground, impassable, 5u, false}})
    {
        editor->path.clear();
        Click(start);
        ASSERT_TRUE(app.ClickItem("Bots", button("Set Start")));
        Click(end);
        ASSERT_TRUE(app.ClickItem("Bots", button("Set End")));
        EXPECT_EQ(editor->end, PlatformAt(endIndex));
        ASSERT_TRUE(app.ClickItem("Bots", button("Go")));
        EXPECT_EQ(!editor->path.empty(), searches) << endIndex;
        EXPECT_EQ(editor->goProblem.empty(), searches) << editor->goProblem;
        if (searches)
        {
            EXPECT_EQ(editor->path.back()->node, world->navigator.NodeOf(PlatformAt(1)));
            EXPECT_EQ(Overlay()[BotEditor::PathColor], editor->path.size() - 1);
        }
        else
            EXPECT_EQ(Overlay().count(BotEditor::PathColor), 0u);
    }
}

TEST_F(BotEditing, TheOverlayShowsTheSelectedPlatformsLinksAndJoins)
{
    editor->selected = PlatformAt(0);
    editor->hovered = PlatformAt(1);
    std::map<uint32_t, size_t> quads = Overlay();
    EXPECT_EQ(quads[BotEditor::HoveredColor], 4u);
    EXPECT_EQ(quads[BotEditor::SelectedColor], 4u);
    EXPECT_EQ(quads.count(BotEditor::LinkColor), 0u);
    editor->drawConnections = editor->drawLinks = true;
    quads = Overlay();
    const NavNode* ground = world->navigator.NodeOf(PlatformAt(0));
    size_t joins = 0;
    for (const auto& waypoint : ground->waypoints)
        joins += waypoint->neighbours.size();
    EXPECT_EQ(quads[BotEditor::LinkColor], joins);
    EXPECT_GT(joins, 0u);
    EXPECT_EQ(quads[BotEditor::RightwardFill] + quads[BotEditor::OtherFill], ground->links.size());
}

TEST_F(BotEditing, DisableInputFreezesTheBotsUntilCleared)
{
    Player& player = match.AddPlayer({20.0f, 2.0f});
    BotState& bot = world->navigator.bots.emplace_back();
    bot.player = &player;
    bot.goal = world->navigator.NodeOf(PlatformAt(0));
    bot.goalX = 35.0f;
    bot.state = BotState::Wander;
    for (int i = 0; i < 5; ++i)
        world->Step(Lumvek::TickSeconds);
    ASSERT_EQ(player.body.lastPlatform, PlatformAt(0));
    // The panel's check box, pressed through ImGui, sets and clears the world's flag.
    app.Frame();
    ImGuiWindow* panel = ImGui::FindWindowByName("Bots");
    ASSERT_NE(panel, nullptr);
    for (const uint8_t expected : {1, 0})
    {
        ImGui::ActivateItem(ImHashStr("Disable Input", 0, ImHashStr("Window", 0, panel->ID)));
        for (int frame = 0; frame < 3 && world->navigator.paused != expected; ++frame)
            app.Frame();
        EXPECT_EQ(world->navigator.paused, expected);
    }
    // The game mode would choose its own goal for the bot.
    GameType* rules = match.GetGameType();
    match.SetGameType(nullptr);
    for (const uint8_t disabled : {1, 0, 1})
    {
        world->navigator.paused = disabled;
        app.Frame();
        bot.state = BotState::Wander;
        bot.goalX = 35.0f;
        bot.arrived = 0;
        BotSteering(*world).Tick(bot, Lumvek::TickSeconds);
        EXPECT_FALSE(bot.path.empty()) << "a stopped bot still plans";
        EXPECT_EQ(player.input.move, disabled ? 0 : 127) << int(disabled);
    }
    match.SetGameType(rules);
}

TEST_F(BotEditing, AMapEditForgetsThePathAndEndingTheMatchItsPlatformsToo)
{
    match.AddPlayer({20.0f, 2.0f});
    editor->selected = editor->hovered = editor->start = PlatformAt(0);
    editor->end = PlatformAt(1);
    editor->Go();
    ASSERT_FALSE(editor->path.empty());
    world->RebuildGraph();
    EXPECT_EQ(Overlay().count(BotEditor::PathColor), 0u);
    editor->Go();
    app.tools->WorldDestroyed();
    EXPECT_EQ(editor->selected, nullptr);
    EXPECT_EQ(editor->hovered, nullptr);
    EXPECT_EQ(editor->start, nullptr);
    EXPECT_EQ(editor->end, nullptr);
    EXPECT_TRUE(editor->path.empty());
}

} // namespace
