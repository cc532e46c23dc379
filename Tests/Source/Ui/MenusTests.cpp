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
