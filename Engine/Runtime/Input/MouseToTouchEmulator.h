#pragma once

#include "Engine/Runtime/Input/Input.h"

namespace Lumvek
{

// A touch screen played with the mouse: the left button is one finger; the right button is two
// fingers pinching around the cursor, spread by the vertical wheel. Reads the mouse as a reader of
// its own; the application owns both devices and destroys the emulator first.
class MouseToTouchEmulator : public TouchDevice
{
public:
    explicit MouseToTouchEmulator(MouseDevice& mouse) : mouse(mouse) {}

    // Writes the first two touch points' current positions and flags.
    uint32_t Update(TouchState& state) override;

private:
    MouseDevice& mouse;
    uint32_t mouseCursor = 0;
    MouseState mouseState;
};

} // namespace Lumvek
