#pragma once

#include "Source/Ui/Screen.h"
#include "Source/Ui/Screens/DemoScreens.h"

#include <cstdint>

// The full game's title: the paper, the tall logo and "PRESS START". Start takes the player in and
// opens the main menu for them; X starts the demo match. Owned by the Gui; application thread.
class StartScreen final : public Screen
{
public:
    explicit StartScreen(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    void Setup() override;
    void Activate() override;
    void OnStart(uint32_t player) override;
    // Back of any pad turns this machine into the dedicated server and shows its status.
    void OnSecondary(uint32_t player) override;
    void OnAction(uint32_t player) override;

private:
    FrontEnd& frontEnd;
    bool left = false;
};

// NOTEBOOK, PLAY and STORE as three circle buttons. Owned by the Gui; application thread.
class MainMenu final : public Screen
{
public:
    explicit MainMenu(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    static MainMenu& Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition,
                          uint32_t owner, uint32_t selection = 1);

    void Setup() override;
    void OnSelect(uint32_t player) override;
    void OnLeft(uint32_t player) override;
    void OnRight(uint32_t player) override;

    uint32_t selection = 1;

private:
    FrontEnd& frontEnd;
};

// MATCHMAKING, CHALLENGES and CUSTOM GAME; Back returns to the main menu on PLAY. Owned by the Gui;
// application thread.
class PlayMenu final : public Screen
{
public:
    explicit PlayMenu(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    static PlayMenu& Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition,
                          uint32_t owner, uint32_t selection = 1);

    void Setup() override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;
    void OnLeft(uint32_t player) override;
    void OnRight(uint32_t player) override;

    uint32_t selection = 1;

private:
    void Highlight();

    FrontEnd& frontEnd;
};
