#include "Tests/Engine/Runtime/Gui/GuiTesting.h"

#include <gtest/gtest.h>

#include <limits>

namespace Lumvek
{
namespace
{

using namespace GuiTesting;

// A whole-device menu with two boxes that have actions: A at 0..100 and B at 200..300, both 0..100
// high.
class MenuInput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        menu = &Open(app, calls, "M",
                     [this](TestMenu& built)
                     {
                         a = &AddBox(built.GetRoot(), 0, 0, 100, 100);
                         a->actions = std::make_unique<TestActions>(calls, "A");
                         b = &AddBox(built.GetRoot(), 200, 0, 100, 100);
                         b->actions = std::make_unique<TestActions>(calls, "B");
                     });
        Frame();
    }

    // The calls of one frame.
    Calls Frame()
    {
        calls.clear();
        app.Frame();
        return std::exchange(calls, {});
    }
    Calls MoveTo(float x, float y)
    {
        app.mouse->next.position = {x, y};
        return Frame();
    }

    Calls calls;
    TestApplication app;
    TestMenu* menu = nullptr;
    Element* a = nullptr;
    Element* b = nullptr;
};

TEST_F(MenuInput, ControllerInputReachesTheMenuThenTheFocusedElementsInFocusingOrder)
{
    menu->FocusElement(*b);
    menu->FocusElement(*a);
    menu->FocusElement(*b);
    EXPECT_EQ(calls, (Calls{"B.Focus", "A.Focus"}));
    menu->playerInput[1] = 1;
    ControllerState& pad = app.controllers->next[1];
    pad.connected = 1;
    pad.leftTrigger = 0.5f;
    pad.leftStick = {0.25f, -1.0f};
    pad.pressed[ControllerButton::A] = 1;
    EXPECT_EQ(Frame(), (Calls{"M.ControllerConnected(1)", "M.LeftTriggerChanged(1,0.5)", "B.LeftTriggerChanged(1,0.5)",
                              "A.LeftTriggerChanged(1,0.5)", "M.LeftStickChanged(1,0.25,-1)",
                              "B.LeftStickChanged(1,0.25,-1)", "A.LeftStickChanged(1,0.25,-1)", "M.ButtonPressed(1,4)",
                              "B.ButtonPressed(1,4)", "A.ButtonPressed(1,4)"}));
    // Held still: nothing more.
    EXPECT_EQ(Frame(), (Calls{}));

    menu->BlurElement(*b);
    menu->BlurElement(*b);
    EXPECT_EQ(calls, (Calls{"B.Blur"}));
    pad.released[ControllerButton::Unknown] = 1;
    pad.rightTrigger = 1.0f;
    pad.rightStick = {0.0f, 0.5f};
    EXPECT_EQ(Frame(),
              (Calls{"M.RightTriggerChanged(1,1)", "A.RightTriggerChanged(1,1)", "M.RightStickChanged(1,0,0.5)",
                     "A.RightStickChanged(1,0,0.5)", "M.ButtonReleased(1,24)", "A.ButtonReleased(1,24)"}));
    // A NaN never equals its previous value.
    pad.leftTrigger = std::numeric_limits<float>::quiet_NaN();
    Frame();
    EXPECT_EQ(Frame(), (Calls{"M.LeftTriggerChanged(1,nan)", "A.LeftTriggerChanged(1,nan)"}));
    pad.leftTrigger = 0.0f;
    pad.connected = 0;
    EXPECT_EQ(Frame()[0], "M.ControllerDisconnected(1)");
}

TEST_F(MenuInput, PlayersKeyboardAndMouseReachOnlyMenusThatEnableThem)
{
    menu->FocusElement(*a);
    // Pad 0 is not enabled: not even its connection is told.
    app.controllers->next[0].connected = 1;
    app.controllers->next[0].pressed[ControllerButton::Start] = 1;
    app.keyboard->next.pressed[Key::Enter] = 1;
    app.mouse->next.pressed[MouseButton::Left] = 1;
    app.mouse->next.position = {50, 50};
    EXPECT_EQ(Frame(), (Calls{}));

    menu->keyboardInput = 1;
    app.keyboard->next.pressed[Key::A] = 1;
    app.keyboard->next.released[Key::Other] = 1;
    EXPECT_EQ(Frame(), (Calls{"M.KeyPressed(0)", "A.KeyPressed(0)", "M.KeyReleased(113)", "A.KeyReleased(113)"}));
}

TEST_F(MenuInput, ThePointerEntersMovesWithinAndLeavesElements)
{
    menu->mouseInput = 1;
    // The focused element gets no mouse input unless it is also under the pointer.
    menu->FocusElement(*b);
    EXPECT_EQ(MoveTo(50, 50), (Calls{"A.MouseEnter(50,50)"}));
    EXPECT_EQ(MoveTo(60, 50), (Calls{"A.MouseMove(60,50)"}));
    EXPECT_EQ(MoveTo(250, 50), (Calls{"B.MouseEnter(250,50)", "A.MouseLeave(250,50)"}));
    EXPECT_EQ(MoveTo(150, 50), (Calls{"B.MouseLeave(150,50)"}));
    EXPECT_EQ(menu->GetHoveredElement(), nullptr);
    MoveTo(50, 50);
    app.mouse->next.pressed[MouseButton::Left] = 1;
    app.mouse->next.released[MouseButton::Other] = 1;
    app.mouse->next.wheel = {0, 2};
    EXPECT_EQ(Frame(), (Calls{"M.MouseScroll(0,2)", "A.MouseScroll(0,2)", "M.MouseButtonPressed(0)",
                              "A.MouseButtonPressed(0)", "M.MouseButtonReleased(5)", "A.MouseButtonReleased(5)"}));
}

TEST_F(MenuInput, ElementsDestroyedDuringThePassAreNeitherCalledNorKept)
{
    menu->mouseInput = 1;
    menu->playerInput[0] = 1;
    menu->FocusElement(*a);
    menu->FocusElement(*b);
    MoveTo(250, 50);
    // The menu clears its tree on a button, before the focused and hovered elements' turn.
    menu->after = [this](const std::string& call)
    {
        if (call.find("ButtonPressed") != std::string::npos)
            menu->GetRoot().RemoveChildren();
    };
    app.controllers->next[0].pressed[ControllerButton::A] = 1;
    app.mouse->next.pressed[MouseButton::Left] = 1;
    EXPECT_EQ(Frame(), (Calls{"M.ButtonPressed(0,4)", "B.Detach", "B.Destroyed", "A.Detach", "A.Destroyed",
                              "M.MouseButtonPressed(0)"}));
    EXPECT_TRUE(menu->GetFocusedElements().empty());
    EXPECT_EQ(menu->GetHoveredElement(), nullptr);
    // Elements of another menu are never focused here, so never left dangling.
    TestMenu other(calls, "O");
    menu->FocusElement(other.GetRoot().AddChild());
    EXPECT_TRUE(menu->GetFocusedElements().empty());
}

} // namespace
} // namespace Lumvek
