#include "Source/Tools/KeyReplay.h"

#include "Engine/Runtime/Input/InputEvents.h"
#include "Source/Tools/PropertyInput.h"

#include <imgui.h>

#include <algorithm>

namespace
{

using Lumvek::Key;

bool IsModifier(uint32_t key)
{
    switch (static_cast<Key>(key))
    {
    case Key::LeftShift:
    case Key::RightShift:
    case Key::LeftControl:
    case Key::RightControl:
    case Key::LeftAlt:
    case Key::RightAlt:
    case Key::LeftCommand:
    case Key::RightCommand:
        return true;
    default:
        return false;
    }
}

// Whether a key event at place came before a character typed at mark.
bool KeyBefore(uint32_t place, uint32_t mark)
{
    return Lumvek::KeyboardRing::Precedes(place, mark);
}

} // namespace

KeyReplay::KeyReplay()
{
    // Room for a slow frame's worth beyond the most kept, so that a frame allocates nothing.
    owed.reserve(MostOwed + 2 * Lumvek::KeyEventCapacity + Lumvek::TextRing::Capacity);
}

void KeyReplay::TakeKeys(const Lumvek::KeyboardState& keyboard)
{
    if (!keyboard.ordered)
        TakeCounts(keyboard);
    else
        for (uint32_t index = 0; index < keyboard.stepCount; ++index)
        {
            const Lumvek::KeyStep& step = keyboard.steps[index];
            const auto key = static_cast<uint32_t>(step.key);
            lastPlace = step.place;
            // A press of a key already down (one lifted without a release) changes nothing to show.
            if (key >= Lumvek::KeyCount || ending[key] == (step.down != 0))
                continue;
            ending[key] = step.down != 0;
            Add({false, ending[key], key, step.place});
        }
    DropOldestTaps();
}

void KeyReplay::TakeCounts(const Lumvek::KeyboardState& keyboard)
{
    // A key struck faster than this many changes a poll could keep the window behind for long.
    constexpr uint32_t MostChanges = 16;
    if (keyboard.stepCount > 0)
        lastPlace = keyboard.steps[keyboard.stepCount - 1].place;
    Owed lastReleases[8];
    uint32_t lastReleaseCount = 0;
    for (const bool modifiers : {true, false})
        for (uint32_t key = 0; key < Lumvek::KeyCount; ++key)
        {
            if (IsModifier(key) != modifiers)
                continue;
            const bool down = keyboard.held.values[key] != 0;
            // Each release of a key down now, or press of one up now, was a tap on the way.
            uint32_t changes = (down != ending[key] ? 1u : 0u) +
                               2u * (down ? keyboard.released.values[key] : keyboard.pressed.values[key]);
            if (changes > MostChanges)
                changes -= (changes - MostChanges + 1) / 2 * 2;
            for (uint32_t change = 0; change < changes; ++change)
            {
                ending[key] = !ending[key];
                const Owed next{false, ending[key], key, lastPlace};
                if (modifiers && change + 1 == changes && !down && lastReleaseCount < std::size(lastReleases))
                    lastReleases[lastReleaseCount++] = next;
                else
                    Add(next);
            }
        }
    for (uint32_t index = 0; index < lastReleaseCount; ++index)
        Add(lastReleases[index]);
}

void KeyReplay::TakeCharacter(uint32_t codePoint, uint32_t keysBefore)
{
    Add({true, false, codePoint, keysBefore});
    DropOldestTaps();
}

void KeyReplay::Add(const Owed& next)
{
    // Key events and characters are read from rings of their own, either of which may have been read
    // further on: each goes before those of the other ring that came after it.
    auto at = owed.end();
    while (at != owed.begin())
    {
        const Owed& before = *(at - 1);
        if (before.character == next.character)
            break;
        const bool cameAfter =
            next.character ? !KeyBefore(before.place, next.place) : KeyBefore(next.place, before.place);
        if (!cameAfter)
            break;
        --at;
    }
    owed.insert(at, next);
}

void KeyReplay::DropOldestTaps()
{
    while (owed.size() > MostOwed)
    {
        auto first = std::find_if(owed.begin(), owed.end(), [](const Owed& entry) { return !entry.character; });
        if (first == owed.end())
            return;
        auto second = std::find_if(first + 1, owed.end(),
                                   [&](const Owed& entry) { return !entry.character && entry.code == first->code; });
        if (second == owed.end())
            return;
        owed.erase(second);
        owed.erase(first);
    }
}

void KeyReplay::ShowFrame(ImGuiIO& io)
{
    std::array<bool, Lumvek::KeyCount> changed{};
    bool pressShown = false;
    bool characterShown = false;
    size_t count = 0;
    for (; count < owed.size(); ++count)
    {
        const Owed& next = owed[count];
        if (next.character)
        {
            // Dear ImGui takes a frame's characters before its keys: one typed after a press (a Backspace,
            // a Ctrl+A) waits for the next frame.
            if (pressShown)
                break;
            PropertyInput::TypeCharacter(next.code);
            characterShown = true;
            continue;
        }
        // A frame has one set of modifiers, which every press and character in it is read with.
        const bool modifier = IsModifier(next.code);
        if (changed[next.code] || (modifier && (pressShown || characterShown)))
            break;
        changed[next.code] = true;
        shown[next.code] = next.down;
        pressShown = pressShown || (next.down && !modifier);
    }
    owed.erase(owed.begin(), owed.begin() + static_cast<std::ptrdiff_t>(count));

    static_assert(Lumvek::KeyCount <= IM_ARRAYSIZE(ImGuiIO{}.KeysDown));
    for (uint32_t key = 0; key < Lumvek::KeyCount; ++key)
        io.KeysDown[key] = shown[key];
    const auto either = [&](Key left, Key right)
    { return shown[static_cast<uint32_t>(left)] || shown[static_cast<uint32_t>(right)]; };
    io.KeyCtrl = either(Key::LeftControl, Key::RightControl);
    io.KeyShift = either(Key::LeftShift, Key::RightShift);
    io.KeyAlt = either(Key::LeftAlt, Key::RightAlt);
    io.KeySuper = either(Key::LeftCommand, Key::RightCommand);
}
