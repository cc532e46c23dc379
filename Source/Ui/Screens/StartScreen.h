#pragma once

#include "Source/Ui/Screen.h"

// The full game's title: the paper, the tall logo and "PRESS START". Owned by the Gui; application
// thread. The menus it leads to are not part of the game yet: Start logs that and the title stays.
class StartScreen final : public Screen
{
public:
    void Setup() override;
    void Activate() override;
    void OnStart(uint32_t player) override;
};
