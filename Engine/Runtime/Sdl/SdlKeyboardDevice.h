#pragma once

#include "Engine/Runtime/Input/Input.h"
#include "Engine/Runtime/Input/InputEvents.h"

#include <SDL.h>

#include <optional>

namespace Lumvek
{

// The keyboard as the host's keyboard ring tells it. The host owns the ring and outlives the device;
// the host's main thread writes the ring, the application thread polls the device.
class SdlKeyboardDevice : public KeyboardDevice
{
public:
    explicit SdlKeyboardDevice(const KeyboardRing& ring) : ring(ring) {}

    uint32_t Update(KeyboardState& state, uint32_t cursor) override;

private:
    const KeyboardRing& ring;
};

// The Windows virtual-key code of the key at a physical position on a US keyboard, which is what the
// keyboard ring carries; 0 for a position without one (it reads as Key::Other). Left and right
// modifier keys get their own codes.
uint64_t SdlScancodeToVirtualKey(SDL_Scancode scancode);

// The keyboard ring's entry for an SDL key event; a held key's repeat is marked as one, so that it
// neither presses the key again nor counts as a press for readers that ignore repeats.
std::optional<KeyEvent> SdlKeyEventOf(const SDL_KeyboardEvent& event);

} // namespace Lumvek
