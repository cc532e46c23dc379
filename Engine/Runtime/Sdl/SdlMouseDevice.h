#pragma once

#include "Engine/Runtime/Input/Input.h"
#include "Engine/Runtime/Input/InputEvents.h"

#include <SDL.h>

namespace Lumvek
{

// The mouse as the host's mouse ring and wheel totals tell it, with the cursor position read from
// SDL over the host's window. The host owns the ring, the totals and the window and outlives the
// device; the host's main thread writes them, the application thread polls the device.
class SdlMouseDevice : public MouseDevice
{
public:
    // window: null when there is none; the position then stays where the reader had it.
    SdlMouseDevice(const MouseRing& ring, const WheelTotals& wheel, SDL_Window* window)
        : ring(ring), wheel(wheel), window(window)
    {
    }

    // The position moves only while the cursor is over the window's client area.
    uint32_t Update(MouseState& state, uint32_t cursor) override;

private:
    const MouseRing& ring;
    const WheelTotals& wheel;
    SDL_Window* window;
};

// The mask a mouse ring entry carries for an SDL mouse button (SDL_BUTTON_LEFT and so on); 0 for a
// button without one, which the host does not push.
uint64_t SdlMouseButtonToMask(uint8_t button);

} // namespace Lumvek
