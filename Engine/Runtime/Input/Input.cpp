#include "Engine/Runtime/Input/Input.h"

#include "Engine/Runtime/Input/InputEvents.h"

namespace Lumvek
{

// clang-format off
const NameList& KeyNames()
{
    static const NameList names{
        "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
        "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z",
        "Zero", "One", "Two", "Three", "Four", "Five", "Six", "Seven", "Eight", "Nine",
        "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12",
        "Escape", "Tab", "Space", "Backspace", "Enter", "Delete", "Return",
        "LeftShift", "RightShift", "LeftControl", "RightControl", "LeftCommand", "RightCommand", "LeftAlt", "RightAlt",
        "CapsLock", "Function", "Tilde", "Plus", "Minus", "LeftBracket", "RightBracket",
        "Slash", "Backslash", "Comma", "Period", "Colon", "Quote",
        "Left", "Right", "Up", "Down", "Home", "End", "PageUp", "PageDown",
        "Number0", "Number1", "Number2", "Number3", "Number4", "Number5", "Number6", "Number7", "Number8", "Number9",
        "NumberPeriod", "NumberPlus", "NumberMinus", "NumberEquals", "NumberDivide", "NumberMultiply", "NumberLock",
        "F13", "F14", "F15", "F16", "F17", "F18", "F19", "F20", "F21", "F22", "F23", "F24"};
    return names;
}

const NameList& MouseButtonNames()
{
    static const NameList names{"Left", "Right", "Middle", "XOne", "XTwo"};
    return names;
}

const NameList& ControllerButtonNames()
{
    static const NameList names{
        "Left", "Right", "Up", "Down", "A", "B", "X", "Y", "Start", "Back",
        "LeftBumper", "RightBumper", "LeftStick", "RightStick", "LeftTrigger", "RightTrigger",
        "LeftStickLeft", "LeftStickRight", "LeftStickUp", "LeftStickDown",
        "RightStickLeft", "RightStickRight", "RightStickUp", "RightStickDown", "Unknown", "Count"};
    return names;
}
// clang-format on

Key KeyFromVirtualKey(uint64_t virtualKey)
{
    auto offset = [virtualKey](uint64_t first, Key firstKey)
    { return static_cast<Key>(static_cast<uint32_t>(firstKey) + static_cast<uint32_t>(virtualKey - first)); };

    if (virtualKey >= 48 && virtualKey <= 57)
        return offset(48, Key::Zero);
    if (virtualKey >= 65 && virtualKey <= 90)
        return offset(65, Key::A);
    if (virtualKey >= 112 && virtualKey <= 123)
        return offset(112, Key::F1);
    if (virtualKey >= 124 && virtualKey <= 135)
        return offset(124, Key::F13);
    if (virtualKey >= 96 && virtualKey <= 105)
        return offset(96, Key::Number0);

    struct Single
    {
        uint64_t virtualKey;
        Key key;
    };
    // The keys at 191 and 220 carry each other's names; bindings saved with these names rely on it.
    // clang-format off
    static constexpr Single singles[] = {
        {8, Key::Backspace}, {9, Key::Tab}, {12, Key::NumberEquals}, {13, Key::Enter},
        {16, Key::LeftShift}, {160, Key::LeftShift}, {161, Key::RightShift},
        {17, Key::LeftControl}, {162, Key::LeftControl}, {163, Key::RightControl},
        {18, Key::LeftAlt}, {164, Key::LeftAlt}, {165, Key::RightAlt},
        {20, Key::CapsLock}, {27, Key::Escape}, {32, Key::Space},
        {33, Key::PageUp}, {34, Key::PageDown}, {35, Key::End}, {36, Key::Home},
        {37, Key::Left}, {38, Key::Up}, {39, Key::Right}, {40, Key::Down}, {46, Key::Delete},
        {91, Key::LeftCommand}, {92, Key::RightCommand}, {94, Key::Return},
        {106, Key::NumberMultiply}, {107, Key::NumberPlus}, {109, Key::NumberMinus}, {110, Key::NumberPeriod},
        {111, Key::NumberDivide}, {144, Key::NumberLock},
        {186, Key::Colon}, {187, Key::Plus}, {188, Key::Comma}, {189, Key::Minus}, {190, Key::Period},
        {191, Key::Backslash}, {192, Key::Tilde},
        {219, Key::LeftBracket}, {220, Key::Slash}, {221, Key::RightBracket}, {222, Key::Quote}};
    // clang-format on
    for (const Single& single : singles)
        if (single.virtualKey == virtualKey)
            return single.key;
    return Key::Other;
}

bool KeyboardSends(Key key)
{
    return key != Key::Return && key != Key::Function && key < Key::Other;
}

MouseButton MouseButtonFromMask(uint64_t buttonMask)
{
    switch (buttonMask)
    {
    case 1:
        return MouseButton::Left;
    case 2:
        return MouseButton::Right;
    case 16:
        return MouseButton::Middle;
    case 32:
        return MouseButton::XOne;
    case 64:
        return MouseButton::XTwo;
    default:
        return MouseButton::Other;
    }
}

std::u32string DecodeText(const char* text)
{
    std::u32string codePoints;
    if (!text)
        return codePoints;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    while (*bytes)
    {
        const unsigned char lead = *bytes;
        uint32_t length = lead < 0x80           ? 1
                          : (lead >> 5) == 0x6  ? 2
                          : (lead >> 4) == 0xE  ? 3
                          : (lead >> 3) == 0x1E ? 4
                                                : 0;
        uint32_t codePoint = length == 1   ? lead
                             : length == 2 ? lead & 0x1Fu
                             : length == 3 ? lead & 0x0Fu
                                           : lead & 0x07u;
        bool valid = length != 0;
        for (uint32_t i = 1; valid && i < length; ++i)
        {
            // A zero byte ends the text and fails this test too, so the walk never passes it.
            valid = (bytes[i] & 0xC0) == 0x80;
            codePoint = codePoint << 6 | (bytes[i] & 0x3Fu);
        }
        // Overlong forms, surrogates and values past Unicode's end are not characters.
        static constexpr uint32_t Smallest[5] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && codePoint >= Smallest[length] && codePoint <= 0x10FFFF &&
                !(codePoint >= 0xD800 && codePoint <= 0xDFFF);
        if (!valid)
        {
            ++bytes;
            continue;
        }
        codePoints.push_back(codePoint);
        bytes += length;
    }
    return codePoints;
}

void PushText(TextRing& ring, const char* text, uint32_t keysBefore)
{
    for (const char32_t codePoint : DecodeText(text))
        ring.Push({codePoint, keysBefore});
}

} // namespace Lumvek
