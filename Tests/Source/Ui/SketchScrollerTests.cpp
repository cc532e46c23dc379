#include "Source/Ui/Builders.h"
#include "Source/Ui/Kit/SketchScroller.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"

#include <gtest/gtest.h>

namespace
{

using namespace Lumvek::GuiTesting;
using Lumvek::ControllerButton;

// A strip of items in a menu that pad 0 drives, made live by putting it in the focus list.
class Strip : public ::testing::Test
{
protected:
    SketchScroller& Build(uint32_t items, uint32_t preselected = 0)
    {
        TestMenu& menu = Open(app, calls, "M",
                              [&](TestMenu& built)
                              {
                                  Lumvek::Element& element = AddElement(built.GetRoot(), 40.0f, 30.0f, 0);
                                  SetOffset(element, YGEdgeLeft, 30.0f);
                                  for (uint32_t i = 0; i < items; ++i)
                                      AddElement(element, 50.0f, 50.0f, 0);
                                  scroller = &AddSketchScroller(element);
                                  // Chosen before the strip is laid out, as screens restore a choice.
                                  if (preselected != 0)
                                      scroller->Select(preselected);
                                  built.FocusElement(element);
                              });
        menu.playerInput[0] = 1;
        app.Frame();
        calls.clear();
        return *scroller;
    }
    // Presses a direction on pad 0 in a frame of the given length.
    void Press(ControllerButton button, float seconds)
    {
        app.controllers->next[0].pressed[button] = 1;
        app.Frame(seconds);
    }
    float Width(uint32_t item) { return YGNodeStyleGetWidth(scroller->element.GetChildren()[item]->GetNode()).value; }
    float Left() { return YGNodeStyleGetPosition(scroller->element.GetNode(), YGEdgeLeft).value; }

    Calls calls;
    TestApplication app;
    SketchScroller* scroller = nullptr;
};

TEST_F(Strip, AMoveLastsAboutATenthOfASecondAtAnyFrameRateAndAPressDuringItIsDropped)
{
    for (float rate : {30.0f, 144.0f})
    {
        SCOPED_TRACE(rate);
        SketchScroller& strip = Build(4);
        EXPECT_FLOAT_EQ(strip.step, 60.0f * 0.4f);
        Press(ControllerButton::Right, 1.0f / rate);
        float seconds = 1.0f / rate;
        // A second press half way is dropped.
        bool pressedAgain = false;
        while (strip.IsMoving() && seconds < 1.0f)
        {
            if (!pressedAgain && seconds >= 0.05f)
            {
                Press(ControllerButton::Right, 1.0f / rate);
                pressedAgain = true;
            }
            else
                app.Frame(1.0f / rate);
            seconds += 1.0f / rate;
        }
        EXPECT_NEAR(seconds, 0.1f + 1.0f / rate, 1.5f / rate);
        EXPECT_EQ(strip.selected, 1u);
        EXPECT_FLOAT_EQ(Left(), 30.0f - strip.step);
        EXPECT_FLOAT_EQ(Width(0), 50.0f);
        EXPECT_FLOAT_EQ(Width(1), 100.0f);
        app.gui->CloseMenu(*strip.element.GetOwner(), nullptr);
        app.Frame();
    }
}

TEST_F(Strip, AChoiceMadeBeforeLayoutStartsThereAndTheEndsHold)
{
    SketchScroller& strip = Build(4, 3);
    EXPECT_FLOAT_EQ(Left(), 30.0f - 3.0f * strip.step);
    app.Frame(0.0f);
    EXPECT_TRUE(strip.element.GetOwner()->IsFocused(*strip.element.GetChildren()[3]));
    EXPECT_FLOAT_EQ(Width(3), 100.0f);
    Press(ControllerButton::Right, 0.2f);
    app.Frame(0.2f);
    EXPECT_EQ(strip.selected, 3u);
    EXPECT_FALSE(strip.IsMoving());
}

TEST_F(Strip, AStripFocusedAgainStaysWhereItStands)
{
    SketchScroller& strip = Build(4, 2);
    Lumvek::Menu& menu = *strip.element.GetOwner();
    for (int again = 0; again < 2; ++again)
    {
        menu.BlurElement(strip.element);
        menu.FocusElement(strip.element);
        app.Frame(0.0f);
        EXPECT_FLOAT_EQ(Left(), 30.0f - 2.0f * strip.step) << again;
    }
}

TEST_F(Strip, OneItemNeverMoves)
{
    SketchScroller& strip = Build(1);
    for (ControllerButton button : {ControllerButton::Left, ControllerButton::Right, ControllerButton::LeftStickLeft})
    {
        Press(button, 0.05f);
        app.Frame(0.05f);
        EXPECT_EQ(strip.selected, 0u);
        EXPECT_FLOAT_EQ(Left(), 30.0f);
    }
}

} // namespace
