#pragma once

#include "Source/Ui/Screen.h"
#include "Source/Ui/Screens/DemoScreens.h"

#include <string>

// The results of the match that just ended: who won and one badge per team with its score and how
// far it came. Built once; closed by the game system when the match is left. Owned by the Gui;
// application thread.
class Scoreboard final : public Screen
{
public:
    explicit Scoreboard(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    // Over the whole window for every player, without covering the menus beneath and without the mouse.
    static Scoreboard& Open(Lumvek::Gui& gui, FrontEnd& frontEnd);

    void Setup() override;

    // The winner's line with its colour code, "#RRGGBBAA": the name in the winner's colour, then
    // "WINS!" in ink; empty when the ranking is empty.
    std::string WinnerTitle() const;

private:
    FrontEnd& frontEnd;
};
