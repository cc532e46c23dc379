#pragma once

#include "Source/Game/LoadStatus.h"
#include "Source/Ui/Screen.h"

#include <functional>

// The maker's logo on black, shown while the start-up data loads; it turns its page to the title once
// loading is done and it has been up for half a second. Owned by the Gui; application thread.
class SplashScreen final : public Screen
{
public:
    static constexpr float MinimumSeconds = 0.5f;

    // Opens the title screen that follows the splash, given the transition it opens with.
    using NextScreen = std::function<void(Lumvek::Gui& gui, std::unique_ptr<Lumvek::Transition> transition)>;

    // load: the game system's load status, which outlives the screen. Without a next screen the splash
    // logs that it has none and stays.
    SplashScreen(const LoadStatus& load, NextScreen next);

    void Setup() override;
    // Leaves once both the time and the load allow; never reacts to Back.
    void Update(float seconds) override;

    // Seconds the splash has been active.
    float timer = 0.0f;

private:
    const LoadStatus& load;
    NextScreen next;
    bool left = false;
};
