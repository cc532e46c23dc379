#include "Engine/Runtime/Sdl/SdlMouseDevice.h"

namespace Lumvek
{

uint32_t SdlMouseDevice::Update(MouseState& state, uint32_t readCursor)
{
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    cursor.position.Load(x, y);
    cursor.clientSize.Load(width, height);
    if (x >= 0 && x < width && y >= 0 && y < height)
        state.position = {static_cast<float>(x), static_cast<float>(y)};
    state.wheel = {wheel.horizontal.load(std::memory_order_relaxed), wheel.vertical.load(std::memory_order_relaxed)};

    return ring.Apply(readCursor, state.held, state.pressed, state.released, state.taken);
}

uint64_t SdlMouseButtonToMask(uint8_t button)
{
    switch (button)
    {
    case SDL_BUTTON_LEFT:
        return 1;
    case SDL_BUTTON_RIGHT:
        return 2;
    case SDL_BUTTON_MIDDLE:
        return 16;
    case SDL_BUTTON_X1:
        return 32;
    case SDL_BUTTON_X2:
        return 64;
    default:
        return 0;
    }
}

} // namespace Lumvek
