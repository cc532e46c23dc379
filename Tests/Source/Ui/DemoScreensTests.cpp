#include "Source/Data/GameConfiguration.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/Profile.h"
#include "Source/Ui/Kit/CircleButtons.h"
#include "Source/Ui/Kit/DrawIn.h"
#include "Source/Ui/Screens/DemoScreens.h"
#include "Source/Ui/Transitions.h"
#include "Source/Ui/UiResources.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"

#include <gtest/gtest.h>

namespace
{

using namespace Lumvek::GuiTesting;
using Lumvek::ControllerButton;

class DemoFlow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateTransitionGeometries(*app.device));
        title = &Screen::Open<DemoStartScreen>(*app.gui, nullptr, Screen::EveryPlayer, frontEnd);
        app.Frame();
    }
    void Tap(uint32_t pad, ControllerButton button, float seconds = 0.0f)
    {
        app.controllers->next[pad].pressed[button] = 1;
        app.Frame(seconds);
        app.controllers->next[pad].released[button] = 1;
        app.Frame();
    }
    // The demo menu once the title's page has turned.
    DemoMenu* Menu()
    {
        for (const Lumvek::MenuRecord* record : app.gui->GetDrawOrder())
            if (auto* menu = dynamic_cast<DemoMenu*>(record->menu.get()))
                return menu;
        return nullptr;
    }
    // Whether the button at index is drawn highlighted: its description shows.
    bool Highlighted(DemoMenu& menu, uint32_t index)
    {
        return menu.GetElement("Container")->GetChildren().at(index)->GetChildren().at(2)->visible == 1;
    }

    TestApplication app;
    ProfileCollection profiles;
    GameConfiguration configuration;
    std::vector<std::string> opened;
    FrontEnd frontEnd{profiles,
                      configuration,
                      [this](Lumvek::Gui&, std::unique_ptr<Lumvek::Transition>, uint32_t owner)
                      { opened.push_back(Call("single", owner)); },
                      [this](Lumvek::Gui&, std::unique_ptr<Lumvek::Transition>, uint32_t owner)
                      { opened.push_back(Call("multi", owner)); },
                      {}};
    DemoStartScreen* title = nullptr;
};

TEST_F(DemoFlow, StartOnPadThreeGivesADemoMenuThatOnlyPadThreeDrives)
{
    // The prompt writes itself from the moment the title is active.
    auto* prompt = dynamic_cast<DrawInText*>(title->GetElement("Start")->content.get());
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt->clock.direction, 1);

    Tap(3, ControllerButton::Start);
    // Without a "player1" profile the player is still taken in, without one.
    ASSERT_EQ(configuration.players.size(), 1u);
    EXPECT_EQ(configuration.players[0].localIndex, 3u);
    EXPECT_EQ(configuration.players[0].profile, nullptr);
    DemoMenu* menu = Menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->owner, 3u);
    app.Frame(0.31f);
    app.Frame();
    EXPECT_EQ(app.gui->GetMenuCount(), 1u);
    EXPECT_TRUE(Highlighted(*menu, 0));
    EXPECT_FALSE(Highlighted(*menu, 1));

    // Pad 0 moves nothing; pad 3 moves, and stops at either end.
    Tap(0, ControllerButton::Right);
    EXPECT_EQ(menu->selection, 0u);
    const struct
    {
        ControllerButton button;
        uint32_t selection;
    } moves[] = {{ControllerButton::Left, 0},
                 {ControllerButton::Right, 1},
                 {ControllerButton::LeftStickRight, 1},
                 {ControllerButton::Left, 0}};
    for (const auto& move : moves)
    {
        Tap(3, move.button);
        EXPECT_EQ(menu->selection, move.selection);
        EXPECT_TRUE(Highlighted(*menu, move.selection));
        EXPECT_FALSE(Highlighted(*menu, 1 - move.selection));
    }
    Tap(0, ControllerButton::A);
    EXPECT_TRUE(opened.empty());
    Tap(3, ControllerButton::A);
    EXPECT_EQ(opened, (std::vector<std::string>{"single(3)"}));
}

TEST_F(DemoFlow, ASecondStartWhileThePageTurnsTakesNoSecondPlayer)
{
    Tap(1, ControllerButton::Start);
    Tap(2, ControllerButton::Start);
    EXPECT_EQ(configuration.players.size(), 1u);
}

TEST(CircleButtons, HaveThreeChildrenAndTheWantedArrowsRightFirst)
{
    Calls calls;
    TestMenu menu(calls);
    Lumvek::Element& row = AddButtonRow(menu.GetRoot());
    const struct
    {
        bool left, right;
        std::vector<uint32_t> arrows;
    } cases[] = {{false, false, {}},
                 {false, true, {Images::SelectRight}},
                 {true, false, {Images::SelectLeft}},
                 {true, true, {Images::SelectRight, Images::SelectLeft}}};
    for (const auto& c : cases)
    {
        Lumvek::Element& button =
            AddCircleButton(row, "PLAY", "", Images::PlayIcon, Images::PlayIconSketch, c.left, c.right);
        ASSERT_EQ(button.GetChildren().size(), 3 + c.arrows.size());
        for (size_t i = 0; i < c.arrows.size(); ++i)
        {
            const auto* image = dynamic_cast<const Lumvek::ImageContent*>(button.GetChildren()[3 + i]->content.get());
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->region, c.arrows[i]);
        }
    }
    // Highlighting inks the icon and shows what follows the label; a button past the row is ignored.
    HighlightButton(menu, 3);
    Lumvek::Element& last = *row.GetChildren()[3];
    const auto* icon = dynamic_cast<const Lumvek::ImageContent*>(last.GetChildren()[0]->content.get());
    EXPECT_EQ(icon->region, Images::PlayIcon);
    for (size_t i = 2; i < last.GetChildren().size(); ++i)
        EXPECT_EQ(last.GetChildren()[i]->visible, 1);
    UnhighlightButton(menu, 3);
    EXPECT_EQ(icon->region, Images::PlayIconSketch);
    EXPECT_EQ(last.GetChildren()[2]->visible, 0);
    HighlightButton(menu, 9);
}

} // namespace
