#include "Source/Tools/Editors/GuiEditor.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"
#include "Tests/Source/Tools/ToolsTesting.h"

#include <gtest/gtest.h>

#include <imgui_internal.h>

namespace
{

using namespace ToolsTesting;
using Lumvek::Element;
using Lumvek::UnitRectangle;
using Lumvek::GuiTesting::AddBox;
using Lumvek::GuiTesting::Calls;
using Lumvek::GuiTesting::TestMenu;

class GuiEditorTest : public ::testing::Test
{
protected:
    GuiEditorTest()
    {
        editor = static_cast<GuiEditor*>(app.tools->FindEditor("Gui"));
        editor->open = 1;
    }

    TestMenu& Open(std::function<void(TestMenu&)> build, const UnitRectangle& placement = {})
    {
        auto& menu = static_cast<TestMenu&>(*app.gui->AddMenu(std::make_unique<TestMenu>(calls, "M", std::move(build)),
                                                              nullptr, nullptr, placement, false));
        app.Frame();
        app.Frame();
        return menu;
    }

    Calls calls;
    ToolsApplication app;
    GuiEditor* editor = nullptr;
};

TEST_F(GuiEditorTest, ClicksSelectStackedElementsInTurn)
{
    Element* lower = nullptr;
    Element* upper = nullptr;
    Open(
        [&](TestMenu& menu)
        {
            lower = &AddBox(menu.GetRoot(), 100, 100, 200, 80);
            upper = &AddBox(menu.GetRoot(), 100, 100, 200, 80);
        });
    app.MoveMouse(150.0f, 120.0f);
    app.Frame();
    // The one drawn last, on top, first.
    EXPECT_EQ(editor->GetHovered(), upper);
    Element* const expected[] = {upper, lower, upper, lower};
    for (Element* element : expected)
    {
        app.Click();
        EXPECT_EQ(editor->GetSelected(), element);
        app.Frame();
        EXPECT_NE(editor->GetHovered(), element);
    }
}

TEST_F(GuiEditorTest, AMenuPicksOnlyInsideItsViewport)
{
    Element* wide = nullptr;
    const UnitRectangle leftHalf{{UnitRectangle::Automatic, 0.0f},
                                 {UnitRectangle::Automatic, 0.0f},
                                 {UnitRectangle::Percent, 50.0f},
                                 {UnitRectangle::Automatic, 0.0f}};
    // The element reaches past the menu's right edge.
    Open([&](TestMenu& menu) { wide = &AddBox(menu.GetRoot(), 0, 0, 1900, 1000); }, leftHalf);
    app.MoveMouse(1500.0f, 300.0f);
    app.Frame();
    EXPECT_EQ(editor->GetHovered(), nullptr);
    app.MoveMouse(400.0f, 300.0f);
    app.Frame();
    EXPECT_EQ(editor->GetHovered(), wide);
}

TEST_F(GuiEditorTest, RenamingAnElementKeepsItsTreeNodeOpen)
{
    Element* named = nullptr;
    TestMenu& menu = Open(
        [&](TestMenu& built)
        {
            named = &AddBox(built.GetRoot(), 0, 0, 50, 50);
            built.SetElementName(*named, "First");
            AddBox(*named, 0, 0, 10, 10);
        });
    ImGuiWindow* window = ImGui::FindWindowByName("Gui");
    ASSERT_NE(window, nullptr);
    // Open the nodes down to the element, as clicks would.
    const ImGuiID viewport = ImHashStr("Viewport 0", 0, ImHashStr("Window", 0, window->ID));
    const ImGuiID menuNode = ImHashStr("Menu", 0, viewport);
    const ImGuiID elements = ImHashStr("Elements", 0, menuNode);
    for (ImGuiID id : {viewport, menuNode, elements})
        window->StateStorage.SetInt(id, 1);
    app.Frame();
    const float closedHeight = window->DC.CursorMaxPos.y;
    window->StateStorage.SetInt(ImHashStr("Element 0 - First###Element 0", 0, elements), 1);
    app.Frame();
    const float openHeight = window->DC.CursorMaxPos.y;
    ASSERT_GT(openHeight, closedHeight);

    menu.SetElementName(*named, "Second");
    app.Frame();
    EXPECT_EQ(window->DC.CursorMaxPos.y, openHeight);
}

TEST_F(GuiEditorTest, ClosingAMenuForgetsItsElements)
{
    Element* box = nullptr;
    TestMenu& menu = Open([&](TestMenu& built) { box = &AddBox(built.GetRoot(), 0, 0, 300, 300); });
    app.MoveMouse(100.0f, 100.0f);
    app.Frame();
    app.Click();
    ASSERT_EQ(editor->GetSelected(), box);
    ASSERT_NE(editor->GetHovered(), nullptr);
    ASSERT_TRUE(app.gui->CloseMenu(menu, nullptr));
    // A new menu in the same place must not inherit the picks.
    Open([&](TestMenu& built) { AddBox(built.GetRoot(), 500, 500, 10, 10); });
    EXPECT_EQ(editor->GetSelected(), nullptr);
    EXPECT_EQ(editor->GetHovered(), nullptr);
}

} // namespace
