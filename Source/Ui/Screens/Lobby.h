#pragma once

#include "Source/Ui/Screen.h"
#include "Source/Ui/Screens/DemoScreens.h"

#include <cstdint>
#include <string>

class GameConfiguration;

// "-NAME-" over the set-up's configuration name.
std::string MatchTitle(const GameConfiguration& configuration);
// "GAME TYPE ON MAP" from the set-up's game type and map.
std::string MatchSubtitle(const GameConfiguration& configuration);

// What will be played, and the countdown to it. Challenges and custom games wait for their owner's
// Start and count down from then, Back taking the countdown back; the other set-ups show the role's
// timer from the start. Gives way to the loading screen once the match has loaded (challenges, custom
// games) or closes when it prepares. Owned by the Gui; application thread.
class GameLobby final : public Screen
{
public:
    explicit GameLobby(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    static GameLobby& Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition,
                           uint32_t owner);

    void Setup() override;
    void Update(float seconds) override;
    void OnStart(uint32_t player) override;
    void OnSecondary(uint32_t player) override;
    void OnBack(uint32_t player) override;

    // 1 while the start countdown runs.
    uint8_t countdown = 0;

private:
    // The owner starts the countdown himself: challenges and custom games.
    bool WaitsForStart() const;

    FrontEnd& frontEnd;
};

// The match's load progress as a circle that draws itself; closes once the match prepares. Owned by
// the Gui; application thread.
class LoadingScreen final : public Screen
{
public:
    explicit LoadingScreen(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    // For every player.
    static LoadingScreen& Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition);

    void Setup() override;
    void Update(float seconds) override;

private:
    FrontEnd& frontEnd;
};
