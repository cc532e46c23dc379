#pragma once

#include "Source/Ui/Screens/DemoScreens.h"

#include <cstdint>

// The ready-made set-ups: choosing one copies it into the current set-up and goes to the lobby; back
// stops the role. Opening it makes a local role when there is none. Owned by the Gui; application
// thread.
class ChallengesScreen final : public Screen
{
public:
    explicit ChallengesScreen(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    static ChallengesScreen& Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition,
                                  uint32_t owner);

    void Setup() override;
    void Update(float seconds) override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;

private:
    FrontEnd& frontEnd;
    bool left = false;
};

// What the players read after a match that did not come from the demo: a placeholder for the
// statistics, the network's countdown in an online flow, and back to the flow the game came from.
class CarnageReport final : public Screen
{
public:
    explicit CarnageReport(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    void Setup() override;
    void Update(float seconds) override;
    void OnBack(uint32_t player) override;

private:
    FrontEnd& frontEnd;
    bool left = false;
};
