#include "Engine/Runtime/Sdl/SdlKeyboardDevice.h"

namespace Lumvek
{

uint32_t SdlKeyboardDevice::Update(KeyboardState& state, uint32_t cursor)
{
    state.stepCount = 0;
    bool whole = true;
    bool passedOver = false;
    cursor = ring.Apply(
        cursor, state.held, state.pressed, state.released, state.taken, &state.repeated,
        [&](const KeyEvent& event, uint32_t place)
        {
            if (state.stepCount == state.steps.size())
            {
                whole = false;
                return;
            }
            state.steps[state.stepCount++] = {KeyFromVirtualKey(event.virtualKey), event.down, place};
        },
        &passedOver);
    state.ordered = whole && !passedOver;
    return cursor;
}

std::optional<KeyEvent> SdlKeyEventOf(const SDL_KeyboardEvent& event)
{
    return KeyEvent{event.type == SDL_KEYDOWN ? uint8_t(1) : uint8_t(0), SdlScancodeToVirtualKey(event.keysym.scancode),
                    event.repeat ? uint8_t(1) : uint8_t(0)};
}

uint64_t SdlScancodeToVirtualKey(SDL_Scancode scancode)
{
    const int code = static_cast<int>(scancode);
    if (code >= SDL_SCANCODE_A && code <= SDL_SCANCODE_Z)
        return 'A' + (code - SDL_SCANCODE_A);
    if (code >= SDL_SCANCODE_1 && code <= SDL_SCANCODE_9)
        return '1' + (code - SDL_SCANCODE_1);
    if (code >= SDL_SCANCODE_F1 && code <= SDL_SCANCODE_F12)
        return 112 + (code - SDL_SCANCODE_F1);
    if (code >= SDL_SCANCODE_F13 && code <= SDL_SCANCODE_F24)
        return 124 + (code - SDL_SCANCODE_F13);
    if (code >= SDL_SCANCODE_KP_1 && code <= SDL_SCANCODE_KP_9)
        return 97 + (code - SDL_SCANCODE_KP_1);

    struct Single
    {
        SDL_Scancode scancode;
        uint8_t virtualKey;
    };
    // clang-format off
    static constexpr Single singles[] = {
        {SDL_SCANCODE_0, '0'}, {SDL_SCANCODE_RETURN, 13}, {SDL_SCANCODE_ESCAPE, 27}, {SDL_SCANCODE_BACKSPACE, 8},
        {SDL_SCANCODE_TAB, 9}, {SDL_SCANCODE_SPACE, 32}, {SDL_SCANCODE_MINUS, 189}, {SDL_SCANCODE_EQUALS, 187},
        {SDL_SCANCODE_LEFTBRACKET, 219}, {SDL_SCANCODE_RIGHTBRACKET, 221}, {SDL_SCANCODE_BACKSLASH, 220},
        {SDL_SCANCODE_NONUSHASH, 220}, {SDL_SCANCODE_SEMICOLON, 186}, {SDL_SCANCODE_APOSTROPHE, 222},
        {SDL_SCANCODE_GRAVE, 192}, {SDL_SCANCODE_COMMA, 188}, {SDL_SCANCODE_PERIOD, 190}, {SDL_SCANCODE_SLASH, 191},
        {SDL_SCANCODE_CAPSLOCK, 20}, {SDL_SCANCODE_PRINTSCREEN, 44}, {SDL_SCANCODE_SCROLLLOCK, 145},
        {SDL_SCANCODE_PAUSE, 19}, {SDL_SCANCODE_INSERT, 45}, {SDL_SCANCODE_HOME, 36}, {SDL_SCANCODE_PAGEUP, 33},
        {SDL_SCANCODE_DELETE, 46}, {SDL_SCANCODE_END, 35}, {SDL_SCANCODE_PAGEDOWN, 34}, {SDL_SCANCODE_RIGHT, 39},
        {SDL_SCANCODE_LEFT, 37}, {SDL_SCANCODE_DOWN, 40}, {SDL_SCANCODE_UP, 38}, {SDL_SCANCODE_NUMLOCKCLEAR, 144},
        {SDL_SCANCODE_KP_DIVIDE, 111}, {SDL_SCANCODE_KP_MULTIPLY, 106}, {SDL_SCANCODE_KP_MINUS, 109},
        {SDL_SCANCODE_KP_PLUS, 107}, {SDL_SCANCODE_KP_ENTER, 13}, {SDL_SCANCODE_KP_0, 96},
        {SDL_SCANCODE_KP_PERIOD, 110}, {SDL_SCANCODE_KP_EQUALS, 12}, {SDL_SCANCODE_CLEAR, 12},
        {SDL_SCANCODE_KP_COMMA, 108}, {SDL_SCANCODE_NONUSBACKSLASH, 226}, {SDL_SCANCODE_APPLICATION, 93},
        {SDL_SCANCODE_MENU, 93}, {SDL_SCANCODE_SELECT, 41}, {SDL_SCANCODE_EXECUTE, 43}, {SDL_SCANCODE_HELP, 47},
        {SDL_SCANCODE_MUTE, 173}, {SDL_SCANCODE_VOLUMEDOWN, 174}, {SDL_SCANCODE_VOLUMEUP, 175},
        {SDL_SCANCODE_AUDIONEXT, 176}, {SDL_SCANCODE_AUDIOPREV, 177}, {SDL_SCANCODE_AUDIOSTOP, 178},
        {SDL_SCANCODE_AUDIOPLAY, 179}, {SDL_SCANCODE_AUDIOMUTE, 173}, {SDL_SCANCODE_SLEEP, 95},
        {SDL_SCANCODE_LCTRL, 162}, {SDL_SCANCODE_LSHIFT, 160}, {SDL_SCANCODE_LALT, 164}, {SDL_SCANCODE_LGUI, 91},
        {SDL_SCANCODE_RCTRL, 163}, {SDL_SCANCODE_RSHIFT, 161}, {SDL_SCANCODE_RALT, 165}, {SDL_SCANCODE_RGUI, 92}};
    // clang-format on
    for (const Single& single : singles)
        if (single.scancode == scancode)
            return single.virtualKey;
    return 0;
}

} // namespace Lumvek
