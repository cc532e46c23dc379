#include "Source/Ui/Screens/Teams.h"

#include "Engine/Runtime/Gui/TextContent.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/Profile.h"
#include "Source/Ui/Kit/ScrollerPage.h"
#include "Source/Ui/UiResources.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"
#include "Tests/Source/Ui/PickerTesting.h"

#include <gtest/gtest.h>

namespace
{

using namespace Lumvek::GuiTesting;
using Lumvek::ControllerButton;

class TeamScreens : public PickerTest
{
protected:
    uint32_t ItemCount() { return static_cast<uint32_t>(Top<Screen>()->GetElement("Scroller")->GetChildren().size()); }
    void AddPlayer(uint8_t id)
    {
        configuration.players.emplace_back(nullptr, static_cast<uint32_t>(configuration.players.size()));
        configuration.players.back().id = id;
    }
    void AddBot(uint8_t team)
    {
        configuration.bots.emplace_back();
        configuration.bots.back().team = team;
    }
    std::vector<uint8_t> Teams()
    {
        std::vector<uint8_t> teams;
        for (const Slot* slot : CollectParticipants(configuration))
            teams.push_back(slot->team);
        return teams;
    }
};

TEST_F(TeamScreens, ThreeTeamsDealsByPlaceAndTheColourScreenDealsNothing)
{
    for (uint8_t id = 0; id < 4; ++id)
        AddPlayer(id);
    configuration.teamCount = 2;
    TeamsSelect::Reopen(*app.gui, frontEnd, nullptr, 0);
    Settle();
    EXPECT_EQ(ItemCount(), 4u);
    EXPECT_EQ(FindScroller(*Top<Screen>())->selected, 1u);
    MoveTo(2);
    Tap(ControllerButton::A);
    Settle();
    ASSERT_NE(Top<TeamAssignment>(), nullptr);
    EXPECT_EQ(Teams(), (std::vector<uint8_t>{0, 0, 1, 1}));
    EXPECT_EQ(configuration.teamCount, 3u);

    // The fourth participant to green, then back: nothing is dealt again.
    MoveTo(4);
    Tap(ControllerButton::A);
    Settle();
    TeamColorSelect* colours = Top<TeamColorSelect>();
    ASSERT_NE(colours, nullptr);
    EXPECT_EQ(ItemCount(), 3u);
    EXPECT_EQ(FindScroller(*colours)->selected, 1u);
    MoveTo(2);
    Tap(ControllerButton::A);
    Settle();
    ASSERT_NE(Top<TeamAssignment>(), nullptr);
    EXPECT_EQ(Top<TeamAssignment>()->row, 4u);
    EXPECT_EQ(Teams(), (std::vector<uint8_t>{0, 0, 1, 2}));
}

TEST_F(TeamScreens, TwoHumansSeeTwoChoicesAndFreeForAllLeavesTheBots)
{
    AddPlayer(0);
    AddPlayer(1);
    AddBot(3);
    AddBot(1);
    configuration.teamCount = 2;
    configuration.players[0].team = 0;
    TeamsSelect::Reopen(*app.gui, frontEnd, nullptr, 0);
    Settle();
    EXPECT_EQ(ItemCount(), 2u);
    MoveTo(0);
    Tap(ControllerButton::A);
    Settle();
    EXPECT_EQ(configuration.teamCount, 1u);
    EXPECT_EQ(Teams(), (std::vector<uint8_t>{4, 4, 3, 1}));
}

TEST_F(TeamScreens, UnassignedIdsAndBotsShowAndWriteTheSameParticipantBelowTheTeamCount)
{
    // Before a first match every player's id is unassigned; bots follow them in the list.
    AddPlayer(Slot::NoId);
    AddPlayer(Slot::NoId);
    AddBot(4);
    AddBot(4);
    AddBot(4);
    configuration.teamCount = 1;
    TeamAssignment::OpenFor(*app.gui, frontEnd, nullptr, 0, 0, 2);
    Settle();
    EXPECT_EQ(Teams(), (std::vector<uint8_t>{0, 0, 0, 1, 1}));
    for (uint8_t team : Teams())
        EXPECT_LT(team, configuration.teamCount);

    // The second player (place 1): shown on its team, and the one written.
    MoveTo(2);
    Tap(ControllerButton::A);
    Settle();
    ASSERT_NE(Top<TeamColorSelect>(), nullptr);
    EXPECT_EQ(FindScroller(*Top<Screen>())->selected, 0u);
    MoveTo(1);
    Tap(ControllerButton::A);
    Settle();
    EXPECT_EQ(Teams(), (std::vector<uint8_t>{0, 1, 0, 1, 1}));

    // A participant number past the list is clamped to its last entry.
    Top<Screen>()->GetScreenGui().CloseMenu(*Top<Screen>(), nullptr);
    Screen::OpenOver<TeamColorSelect>(*app.gui, nullptr, 0, frontEnd, nullptr, 9u);
    Settle();
    EXPECT_EQ(FindScroller(*Top<Screen>())->selected, 1u);
    MoveTo(0);
    Tap(ControllerButton::A);
    Settle();
    EXPECT_EQ(Teams(), (std::vector<uint8_t>{0, 1, 0, 1, 0}));
}

} // namespace
