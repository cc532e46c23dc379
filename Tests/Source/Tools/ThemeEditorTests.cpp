// The theme windows and the "Theme" tab, pressed through headless Dear ImGui on a scratch world.

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/ReadReport.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/ThemeData.h"
#include "Source/Tools/Editors/ThemeEditor.h"
#include "Source/Tools/Inspectors/ThemeInspectors.h"
#include "Source/World/PlatformRenderable.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Tools/ToolsTesting.h"
#include "Tests/Source/World/WorldTestSupport.h"

#include <gtest/gtest.h>

#include <imgui_internal.h>

#include <cmath>
#include <filesystem>
#include <tuple>

namespace
{

using namespace ToolsTesting;

// Draws a window's contents in a test window, noting the ID its rows hang from and how far down they
// reach; focus puts the keyboard on that input of the next frame.
struct DrawnWindow
{
    DrawnWindow(Tools& tools, std::function<void()> draw)
        : window(OpenTestWindow(tools, "Drawn",
                                [this, draw](TestWindow&)
                                {
                                    base = ImGui::GetCurrentWindow()->IDStack.back();
                                    top = ImGui::GetCursorPosY();
                                    if (focus >= 0)
                                        ImGui::SetKeyboardFocusHere(focus);
                                    focus = -1;
                                    draw();
                                    bottom = ImGui::GetCursorPosY();
                                }))
    {
    }
    // Presses the item of that label (under the scopes, outermost first) over the next frames.
    void Press(ToolsApplication& app, std::initializer_list<const char*> path)
    {
        ImGuiID id = base;
        for (const char* part : path)
            id = ImHashStr(part, 0, id);
        ImGui::ActivateItem(id);
        app.Frame();
        app.Frame();
    }
    TestWindow& window;
    ImGuiID base = 0;
    float top = 0.0f;
    float bottom = 0.0f;
    int focus = -1;
};

ThemeBackground Layer(Lumvek::Color bottom, Lumvek::Color top, uint32_t texture = Lumvek::InvalidId)
{
    ThemeBackground layer;
    layer.texture = texture;
    layer.bottomColor = bottom;
    layer.topColor = top;
    return layer;
}

TEST(ThemeWindows, LayerRowsFollowTheTextureEdgesAndScrolls)
{
    ToolsApplication app;
    std::vector<ThemeBackground> layers{Layer(Lumvek::Color::Red, Lumvek::Color::Blue)};
    ThemeBackground& layer = layers[0];
    layer.right = 5.0f;
    ThemeBackgroundInspector inspector(&layers, 0, false);
    DrawnWindow drawn(*app.tools, [&] { inspector.Draw(); });
    app.Frame();

    // Clearing a box gives 50 out on its side; ticking it gives the world's edge, and it stays ticked.
    const struct
    {
        const char* box;
        float* edge;
        float expected;
    } toggles[] = {
        {"Use Left Edge", &layer.left, -50.0f},
        {"Use Left Edge", &layer.left, ThemeBackground::Lowest},
        {"Use Right Edge", &layer.right, ThemeBackground::Highest},
        {"Use Right Edge", &layer.right, 50.0f},
        {"Use Top Edge", &layer.top, 50.0f},
    };
    for (const auto& toggle : toggles)
    {
        drawn.Press(app, {toggle.box});
        app.Frame();
        EXPECT_EQ(*toggle.edge, toggle.expected) << toggle.box;
    }

    // A texture trades the two colour rows for the six scroll boxes.
    const float colours = drawn.bottom;
    layer.texture = Lumvek::NameTableC().Add("ThemeTestSky");
    app.Frame();
    EXPECT_FLOAT_EQ(drawn.bottom - colours, 4.0f * ImGui::GetFrameHeightWithSpacing());
    // A scrolling axis is pinned at both ends, as a file reads it back; freeing a pin stops the scroll.
    drawn.Press(app, {"Texture Region", "Scroll X"});
    EXPECT_TRUE(layer.scrollX && layer.pinLeft && layer.pinRight);
    drawn.Press(app, {"Texture Region", "Scroll X Region", "Pin Left"});
    EXPECT_FALSE(layer.scrollX || layer.pinLeft);
    EXPECT_TRUE(layer.pinRight);
}

struct ThemeEditing : ::testing::Test
{
    ThemeEditing()
    {
        theme = game.ownRegistry.themes.Get(game.configuration.theme);
        world = game.Load(R"({"WorldBounds": "-15 -8 30 16", "Entities": {"Platforms": [
            {"Position": "0 0", "Size": "2 1"}, {"Position": "2 0", "Size": "2 1"}]}})",
                          names);
        app.tools->editedWorld = world.get();
        editor = static_cast<ThemeEditor*>(app.tools->FindEditor("Theme"));
    }
    ~ThemeEditing() override { app.tools->editedWorld = nullptr; }

    // The rows of the first platform's left column.
    size_t Rows() const
    {
        const auto* joined = dynamic_cast<const JoinedPlatformRenderable*>(world->platforms.View()[0].renderable.get());
        return joined ? joined->leftKinds.size() : 0;
    }

    WorldTesting::TestGame game;
    ToolsApplication app;
    MapNames names;
    std::unique_ptr<World> world;
    ThemeData* theme = nullptr;
    ThemeEditor* editor = nullptr;
};

TEST_F(ThemeEditing, TileSizesAboveZeroAreTakenInMemoryAndRetileThePlatforms)
{
    ASSERT_NE(theme, nullptr);
    ASSERT_EQ(Rows(), 2u);
    DrawnWindow drawn(*app.tools, [this] { editor->Draw(); });
    app.Frame();
    const struct
    {
        const char* typed;
        float tileSize;
        size_t rows;
    } cases[] = {{"0.25", 0.25f, 4}, {"0", 0.25f, 4}, {"-1", 0.25f, 4}, {"0.5", 0.5f, 2}};
    for (const auto& c : cases)
    {
        drawn.focus = 0;
        app.Frame();
        app.Frame();
        app.Type(c.typed);
        EXPECT_EQ(theme->tileSize, c.tileSize) << c.typed;
        EXPECT_EQ(Rows(), c.rows) << c.typed;
    }
    // Nothing is written by the tab.
    EXPECT_EQ(std::distance(std::filesystem::recursive_directory_iterator(game.folder.Root()), {}), 0);
}

TEST_F(ThemeEditing, LayersAreLabelledByTextureOrBottomColourAndOneTitleOpensOneWindow)
{
    const struct
    {
        ThemeBackground layer;
        std::string label;
    } cases[] = {
        {Layer(Lumvek::Color::Red, Lumvek::Color::Blue), "Red Background"},
        {Layer(Lumvek::Color::Red, Lumvek::Color::Red), "Red Background"},
        {Layer(Lumvek::Color::Red, Lumvek::Color::Red, Lumvek::NameTableC().Add("ThemeTestSky")),
         "ThemeTestSky Background"},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(ThemeEditor::BackgroundLabel(c.layer), c.label);
        theme->backgrounds.push_back(c.layer);
    }
    DrawnWindow drawn(*app.tools, [this] { editor->Draw(); });
    app.Frame();
    // The rows are the two sizes, then one button per layer.
    for (int row : {2, 3})
    {
        ImGui::ActivateItem(ImHashStr("Red Background", 0, ImHashData(&row, sizeof(row), drawn.base)));
        app.Frame();
        app.Frame();
    }
    EXPECT_EQ(app.tools->GetInspectors().size(), 2u);
    EXPECT_TRUE(app.tools->IsWindowOpen("Red Background"));

    // Without a theme the tab draws nothing.
    game.configuration.theme = 7;
    app.Frame();
    EXPECT_EQ(drawn.bottom, drawn.top);
}

// A layer's Texture list holds "none" and the theme folder's images alone; none gives the gradient back
// with the layer's colours.
TEST_F(ThemeEditing, TheTextureListHoldsNoneAndTheThemesImagesAndNoneGivesTheColoursBack)
{
    for (const char* file : {"Sky.png", "Hills.png", "Ambience.wav"})
        ASSERT_TRUE(Lumvek::File::WriteAllText(game.folder.Path(std::string("Assets/Themes/Plain/") + file), "x"));
    theme->backgrounds.assign(1, Layer(Lumvek::Color::Red, Lumvek::Color::Blue));
    ThemeBackgroundInspector inspector(&theme->backgrounds, 0, false);
    DrawnWindow drawn(*app.tools, [&] { inspector.Draw(); });
    app.Frame();
    const int row = 2; // after "Regenerate" and "Depth"
    const ImGuiWindow* list = nullptr;
    const auto open = [&] // the number of entries the opened list holds
    {
        ImGui::ActivateItem(ImHashStr("##Input", 0, ImHashData(&row, sizeof(row), drawn.base)));
        app.Frame();
        app.Frame();
        list = ImGui::FindWindowByName("##Combo_00");
        const float spacing = ImGui::GetStyle().ItemSpacing.y;
        return list && list->Active ? std::lround((list->ContentSize.y + spacing) / (ImGui::GetFontSize() + spacing))
                                    : 0;
    };
    const auto written = [&](const char* key)
    { return Lumvek::FindPath(theme->WriteTree(), std::string("Backgrounds[0].") + key) != nullptr; };
    for (const auto& [entry, name] : {std::pair{2, "Sky"}, std::pair{0, "none"}})
    {
        ASSERT_EQ(open(), 3);
        ImGui::ActivateItem(ImHashStr(name, 0, ImHashData(&entry, sizeof(entry), list->ID)));
        app.Frame();
        app.Frame();
        EXPECT_EQ(Lumvek::NameTableC().GetName(theme->backgrounds[0].texture).ToString(), entry ? name : "") << name;
        EXPECT_TRUE(written("Texture") == (entry > 0) && written("TopColor") == (entry == 0)) << name;
    }
    EXPECT_EQ(theme->backgrounds[0].topColor, Lumvek::Color::Blue);
    // Escape closes the open list choosing nothing, so a click meant for a row below lands there.
    ASSERT_EQ(open(), 3);
    app.TypeKeys("\x1b");
    app.Frame();
    EXPECT_FALSE(list->Active);
    EXPECT_EQ(theme->backgrounds[0].texture, Lumvek::InvalidId);
}

// Add takes an entry only where the theme's file would take it at the next start, and empties the typed pair;
// a removal moves the entries after it up, each still finding its own replacement.
TEST_F(ThemeEditing, TheDataMapAddsAndRemovesInPlaceAndRefusesWhatTheFileWouldAndAKeyAddedTwice)
{
    ThemeDataInspector inspector(theme);
    Lumvek::Testing::LogCapture log;
    // A refused pair stays typed, to be mended.
    const auto add = [&](const char* key, const char* value)
    {
        inspector.newKey = key, inspector.newValue = value;
        const bool added = inspector.AddEntry();
        EXPECT_EQ(inspector.newKey + inspector.newValue, added ? "" : std::string(key) + value);
        return added;
    };
    const std::tuple<const char*, const char*, bool> entries[] = {
        {"Spikes", "Nothingz", false}, {"", "", false},        {"", "Icicles", false}, {"Spikes", "Icicles", true},
        {"Spikes", "Icicles", false},  {"Mud", "Lever", true}, {"Lever", "Mud", true}};
    for (const auto& [key, value, taken] : entries)
        EXPECT_EQ(add(key, value), taken) << key << " -> " << value;
    const std::string line = "the data map of the theme Plain does not take ";
    EXPECT_EQ(log.StartingWith(line).size(), 4u);
    EXPECT_TRUE(log.Logged(line + "\"Spikes\" -> \"Icicles\": the map has an entry of that name; remove it first"));
    EXPECT_TRUE(log.Logged(line + "\"Spikes\" -> \"Nothingz\": no hazard, interaction or zone of that name"));
    EXPECT_TRUE(log.Logged(line + "\"\" -> \"\": an entry needs the name of the element it replaces"));

    ASSERT_TRUE(theme->dataMap.Remove(0));
    EXPECT_TRUE(add("Pit", "Spikes"));
    const std::vector<ThemeNameMap::Entry> expected{{"Mud", "Lever"}, {"Lever", "Mud"}, {"Pit", "Spikes"}};
    EXPECT_EQ(theme->dataMap.GetEntries(), expected);
    for (const auto& [key, value] : expected)
    {
        const std::string* found = theme->dataMap.Find(key);
        EXPECT_TRUE(found && *found == value) << key;
    }
    EXPECT_EQ(theme->dataMap.Find("Spikes"), nullptr);
}

} // namespace
