#include "Engine/Runtime/Gui/TextContent.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/Profile.h"
#include "Source/Ui/Screens/Menus.h"
#include "Source/Ui/UiResources.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"

#include <gtest/gtest.h>

namespace
{

using namespace Lumvek::GuiTesting;
using Lumvek::ControllerButton;

class FullMenus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateTransitionGeometries(*app.device));
        Screen::Open<StartScreen>(*app.gui, nullptr, Screen::EveryPlayer, frontEnd);
        app.Frame();
    }
    void Tap(uint32_t pad, ControllerButton button)
    {
        app.controllers->next[pad].pressed[button] = 1;
        app.Frame();
        app.controllers->next[pad].released[button] = 1;
        app.Frame();
    }
    // Lets a hand-over finish and returns the one screen left.
    template <class S> S* Settle()
    {
        app.Frame(0.31f);
        app.Frame();
        if (app.gui->GetMenuCount() != 1)
            return nullptr;
        return dynamic_cast<S*>(app.gui->GetRecord(0).menu.get());
    }

    TestApplication app;
    ProfileCollection profiles;
    GameConfiguration configuration;
    int demoStarts = 0;
    bool demoAvailable = false;
    FrontEnd frontEnd{profiles,
                      configuration,
                      {},
                      {},
                      [this]
                      {
                          ++demoStarts;
                          return demoAvailable;
                      }};
};

TEST_F(FullMenus, StartOnPadThreeGivesAMainMenuOfPadThreeThatStopsAtItsEndsAndStaysOnStore)
{
    Tap(3, ControllerButton::Start);
    MainMenu* menu = Settle<MainMenu>();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->owner, 3u);
    ASSERT_EQ(configuration.players.size(), 1u);
    EXPECT_EQ(configuration.players[0].localIndex, 3u);

    const struct
    {
        ControllerButton button;
        uint32_t pad, selection;
    } moves[] = {{ControllerButton::Left, 3, 0},  {ControllerButton::Left, 3, 0},  {ControllerButton::Right, 0, 0},
                 {ControllerButton::Right, 3, 1}, {ControllerButton::Right, 3, 2}, {ControllerButton::Right, 3, 2}};
    for (const auto& move : moves)
    {
        Tap(move.pad, move.button);
        EXPECT_EQ(menu->selection, move.selection);
    }
    // STORE: nothing happens, the menu stays active. NOTEBOOK without a profile: the same.
    Tap(3, ControllerButton::A);
    Tap(3, ControllerButton::Left);
    Tap(3, ControllerButton::Left);
    Tap(3, ControllerButton::A);
    EXPECT_EQ(Settle<MainMenu>(), menu);
    EXPECT_TRUE(app.gui->GetRecord(0).active);
}

// Where Yoga laid the element out in the window: its box added up through its ancestors.
Lumvek::Rectangle Placed(const Lumvek::Element& element)
{
    Lumvek::Rectangle box{0.0f, 0.0f, YGNodeLayoutGetWidth(element.GetNode()),
                          YGNodeLayoutGetHeight(element.GetNode())};
    for (YGNodeConstRef node = element.GetNode(); node; node = YGNodeGetParent(const_cast<YGNodeRef>(node)))
    {
        box.x += YGNodeLayoutGetLeft(node);
        box.y += YGNodeLayoutGetTop(node);
    }
    return box;
}

TEST_F(FullMenus, TheMainMenusCircleButtonsStandWhereTheirOffsetsPutThem)
{
    Tap(0, ControllerButton::Start);
    MainMenu* menu = Settle<MainMenu>();
    ASSERT_NE(menu, nullptr);
    const Lumvek::Element* row = menu->GetElement("Container");
    ASSERT_NE(row, nullptr);
    ASSERT_EQ(row->GetChildren().size(), 3u);
    // The row: the window's width, 30 % of its height, 35 % down.
    const Lumvek::Rectangle r = Placed(*row);
    EXPECT_NEAR(r.x, 0.0f, 1.0f);
    EXPECT_NEAR(r.y, 175.0f, 1.0f);
    EXPECT_NEAR(r.width, 1000.0f, 1.0f);
    EXPECT_NEAR(r.height, 150.0f, 1.0f);

    // NOTEBOOK 15 % from the left, PLAY in the middle, STORE 15 % from the right; all three level in
    // the middle of the row's height, PLAY (highlighted) the row's full height, the others 74 % of it.
    // Yoga rounds the boxes to whole pixels; the offsets are shares of the unrounded sizes.
    const float width = 0.16875f * r.width;
    const float lefts[] = {0.15f * r.width, (r.width - width) * 0.5f, 0.85f * r.width - width};
    const float heights[] = {0.7407407f * r.height, r.height, 0.7407407f * r.height};
    const bool leftArrows[] = {false, true, true};
    const bool rightArrows[] = {true, true, false};
    for (size_t i = 0; i < 3; ++i)
    {
        SCOPED_TRACE(i);
        const Lumvek::Element& button = *row->GetChildren()[i];
        const Lumvek::Rectangle placed = Placed(button);
        const Lumvek::Rectangle b{r.x + lefts[i], r.y + (r.height - heights[i]) * 0.5f, width, heights[i]};
        EXPECT_NEAR(placed.x, b.x, 1.0f);
        EXPECT_NEAR(placed.y, b.y, 1.0f);
        EXPECT_NEAR(placed.width, b.width, 1.0f);
        EXPECT_NEAR(placed.height, b.height, 1.0f);

        // Icon 12.5 % down, label just under the circle, description under that.
        const auto& children = button.GetChildren();
        ASSERT_EQ(children.size(), 3u + leftArrows[i] + rightArrows[i]);
        EXPECT_NEAR(Placed(*children[0]).y, b.y + 0.125f * b.height, 1.0f);
        EXPECT_NEAR(Placed(*children[1]).y, b.y + 1.15f * b.height, 1.0f);
        EXPECT_NEAR(Placed(*children[2]).y, b.y + 1.35f * b.height, 1.0f);
        // The arrows stand outside the circle, 15 % of its width away, 40 % down.
        size_t arrow = 3;
        if (rightArrows[i])
        {
            const Lumvek::Rectangle a = Placed(*children[arrow++]);
            EXPECT_NEAR(a.x, b.x + 1.15f * b.width, 1.0f);
            EXPECT_NEAR(a.y, b.y + 0.4f * b.height, 1.0f);
        }
        if (leftArrows[i])
        {
            const Lumvek::Rectangle a = Placed(*children[arrow++]);
            EXPECT_NEAR(a.x + a.width, b.x - 0.15f * b.width, 1.0f);
            EXPECT_NEAR(a.y, b.y + 0.4f * b.height, 1.0f);
        }
    }
}

TEST_F(FullMenus, PlayOpensThePlayMenuAndBackReturnsToTheMainMenuOnPlay)
{
    Tap(0, ControllerButton::Start);
    ASSERT_NE(Settle<MainMenu>(), nullptr);
    Tap(0, ControllerButton::A);
    PlayMenu* play = Settle<PlayMenu>();
    ASSERT_NE(play, nullptr);
    const auto header = [&]
    { return static_cast<const Lumvek::TextContent&>(*play->GetElement("Header")->content).text; };
    EXPECT_EQ(header(), "CHALLENGES");
    Tap(0, ControllerButton::Right);
    EXPECT_EQ(header(), "CUSTOM GAME");
    Tap(0, ControllerButton::B);
    MainMenu* main = Settle<MainMenu>();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->selection, 1u);
}

TEST_F(FullMenus, XWithoutTheDemoSetUpLeavesTheStartScreenAsItWas)
{
    Tap(0, ControllerButton::X);
    EXPECT_EQ(demoStarts, 1);
    EXPECT_NE(Settle<StartScreen>(), nullptr);
    // Start still works afterwards.
    Tap(1, ControllerButton::Start);
    EXPECT_NE(Settle<MainMenu>(), nullptr);
}

} // namespace
