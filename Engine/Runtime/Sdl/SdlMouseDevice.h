#pragma once

#include "Engine/Runtime/Input/Input.h"
#include "Engine/Runtime/Input/InputEvents.h"

#include <SDL.h>

namespace Lumvek
{

// The mouse as the host's mouse ring, wheel totals and cursor tracking tell it. The host owns them and
// outlives the device; the host's main thread writes them from SDL's events, the application thread
// polls the device, which therefore never asks SDL itself.
class SdlMouseDevice : public MouseDevice
{
public:
    SdlMouseDevice(const MouseRing& ring, const WheelTotals& wheel, const CursorTracking& cursor)
        : ring(ring), wheel(wheel), cursor(cursor)
    {
    }

    // The position moves only while the cursor is over the window's client area.
    uint32_t Update(MouseState& state, uint32_t cursor) override;

private:
    const MouseRing& ring;
    const WheelTotals& wheel;
    const CursorTracking& cursor;
};

// The mask a mouse ring entry carries for an SDL mouse button (SDL_BUTTON_LEFT and so on); 0 for a
// button without one, which the host does not push.
uint64_t SdlMouseButtonToMask(uint8_t button);

} // namespace Lumvek
