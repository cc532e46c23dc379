#pragma once

#include "Engine/Runtime/Input/Input.h"

#include <array>
#include <cstdint>
#include <vector>

struct ImGuiIO;

// The keyboard and typed text as Dear ImGui is shown them, in the order they came. Dear ImGui reads only
// how each key and the modifiers stand at a frame, and takes a frame's characters before its keys, so a
// slow frame's events are spread over frames: each frame shows as many as it can without changing a key
// twice, without a modifier changing under a press or character already shown, and without a character
// after a press. Every press is thus read with the modifiers that stood when it was made: Ctrl down, A,
// Ctrl up between two frames selects all, while Ctrl down, Ctrl up, A types an "a".
//
// Owned by the tools host and used on the application thread only.
class KeyReplay
{
public:
    // A press or release, or a typed character, still to be shown.
    struct Owed
    {
        bool character = false;
        bool down = false;
        // The Key, or the character's code point.
        uint32_t code = 0;
        // A key's place in the keyboard's order of events; a character's mark, the place of the first key
        // event after it.
        uint32_t place = 0;
    };

    // Past this many, the oldest taps still owed are dropped, a press with its release, so that a window
    // far behind its keys catches up and every key still ends as it stands.
    static constexpr uint32_t MostOwed = 64;

    KeyReplay();

    // Takes a poll's presses and releases: in their order where the poll has it, else from its counts.
    void TakeKeys(const Lumvek::KeyboardState& keyboard);
    // Takes a typed character, which follows the key events placed before its mark.
    void TakeCharacter(uint32_t codePoint, uint32_t keysBefore);
    // Shows the next frame's share: the keys and modifiers in io, the characters typed into the field.
    void ShowFrame(ImGuiIO& io);

private:
    // Puts the change or character in its place among those owed.
    void Add(const Owed& next);
    // Without the order, the changes the counts make of each key: a modifier's last release is taken after
    // the other keys, as a chord is more likely than a modifier let go before the key.
    void TakeCounts(const Lumvek::KeyboardState& keyboard);
    void DropOldestTaps();
    std::vector<Owed> owed;
    // How each key stands as Dear ImGui was last told, and as the changes owed leave it.
    std::array<bool, Lumvek::KeyCount> shown{};
    std::array<bool, Lumvek::KeyCount> ending{};
    // The place of the last key event taken, which a change known only from counts is given.
    uint32_t lastPlace = 0;
};
