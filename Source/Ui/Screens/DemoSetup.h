#pragma once

#include "Source/Ui/Screen.h"
#include "Source/Ui/Screens/DemoScreens.h"

#include <cstdint>
#include <vector>

class GameConfiguration;
class SketchScroller;

// The demo's road into a local match: a strip of prepared set-ups; choosing one copies it into the
// current set-up and starts the local role's countdown, Back during the countdown takes it back, and
// once the match has loaded the loading screen takes over. The next visit opens on the entry chosen
// last. The two kinds differ in their entries, their page and their local players. Owned by the Gui;
// application thread.
class DemoSetupScreen : public Screen
{
public:
    void Setup() override;
    // Arrows, countdown dial, and the hand-over to the loading screen once the match has loaded. Back
    // is not polled here.
    void Update(float seconds) override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;

    // 1 while the countdown runs.
    uint32_t started = 0;

protected:
    DemoSetupScreen(FrontEnd& frontEnd, bool multiplayer) : frontEnd(frontEnd), multiplayer(multiplayer) {}

    // The prepared set-ups the strip offers; empty without a registry.
    const std::vector<std::unique_ptr<GameConfiguration>>& Entries() const;
    SketchScroller* Strip() const;

    FrontEnd& frontEnd;
    const bool multiplayer;
};

// The demo challenges for one player.
class DemoSinglePlayer final : public DemoSetupScreen
{
public:
    explicit DemoSinglePlayer(FrontEnd& frontEnd) : DemoSetupScreen(frontEnd, false) {}

    static DemoSinglePlayer& Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition,
                                  uint32_t owner);
};

// The demo games for two controllers: a second local player joins on the other pad while the screen
// is entered with one, and leaves again on Back.
class DemoMultiplayer final : public DemoSetupScreen
{
public:
    explicit DemoMultiplayer(FrontEnd& frontEnd) : DemoSetupScreen(frontEnd, true) {}

    static DemoMultiplayer& Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition,
                                 uint32_t owner);

    // The pad of the second player the screen adds for an owner.
    static uint32_t SecondPad(uint32_t owner) { return owner == 0 ? 1 : 0; }
};
