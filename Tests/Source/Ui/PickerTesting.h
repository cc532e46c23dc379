#pragma once

// One player's walk through the front end's strip screens on the recording device: taps of pad 0,
// the frames a hand-over or a move of the strip takes, the screen on top, and moves along its strip.

#include "Source/Data/GameConfiguration.h"
#include "Source/Data/Profile.h"
#include "Source/Ui/Kit/ScrollerPage.h"
#include "Source/Ui/Kit/SketchScroller.h"
#include "Source/Ui/Screen.h"
#include "Source/Ui/Screens/DemoScreens.h"
#include "Source/Ui/UiResources.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"

#include <gtest/gtest.h>

#include <cstdint>

class PickerTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(CreateTransitionGeometries(*app.device)); }

    void Tap(Lumvek::ControllerButton button)
    {
        app.controllers->next[0].pressed[button] = 1;
        app.Frame();
        app.controllers->next[0].released[button] = 1;
        app.Frame();
    }
    // Lets a hand-over or a move of the strip finish.
    void Settle()
    {
        app.Frame(0.31f);
        app.Frame();
        app.Frame();
    }
    template <class S> S* Top()
    {
        const uint32_t count = app.gui->GetMenuCount();
        return count ? dynamic_cast<S*>(app.gui->GetRecord(count - 1).menu.get()) : nullptr;
    }
    void MoveTo(uint32_t position)
    {
        SketchScroller* scroller = FindScroller(*Top<Screen>());
        ASSERT_NE(scroller, nullptr);
        while (scroller->selected != position)
        {
            Tap(scroller->selected < position ? Lumvek::ControllerButton::Right : Lumvek::ControllerButton::Left);
            Settle();
        }
    }

    Lumvek::GuiTesting::TestApplication app;
    ProfileCollection profiles;
    GameConfiguration configuration;
    FrontEnd frontEnd{profiles, configuration, {}, {}, {}};
};
