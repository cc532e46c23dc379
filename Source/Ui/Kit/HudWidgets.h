#pragma once

#include "Engine/Runtime/Gui/Element.h"

#include <cstdint>
#include <string>

class Weapon;

// The sketched dials and pips of the in-match screen and the countdown dial the set-up screens share.
// Built in a screen's Setup and refreshed by its Update; application thread only.

// The dial tints by tint index: 0 green, 1 yellow, 2 blue, 3 red, anything else paper.
uint32_t DialTint(uint32_t tintIndex);

// A timer's whole seconds left: 0 once elapsed has passed the duration, and for a duration that is
// not above 0 (a role waiting has no timer running).
uint32_t RemainingSeconds(float elapsed, float duration);
// The share of a countdown's dial still drawn: 1 - elapsed / duration within 0 .. 1; empty for a
// duration that is not above 0.
float RemainingShare(float elapsed, float duration);

// The countdown dial: an 80 x 80 point circle in the countdown colour, 30 points in from the top right,
// registered as "Timer", with its drawn-in ring (child 0) and its whole seconds (child 1). Shown as
// asked.
Lumvek::Element& AddTimerDial(Lumvek::Element& parent, bool shown);
constexpr uint32_t TimerDialSize = 80;
constexpr float TimerDialMargin = 30.0f;
// The points from a window's side that a line across the top keeps clear of, at either end so that it
// stays centred: the dial, its margin and a gap. In points, unlike the screens' shares of the window,
// so the dial takes a larger share of a small window.
constexpr float TimerDialRoom = TimerDialMargin + float(TimerDialSize) + 10.0f;
// Sets the dial's ring and seconds from a timer.
void UpdateTimerDial(Lumvek::Element& dial, float elapsed, float duration);
// The drawn-in share of a draw-in image element: its elapsed time := share x its duration, with the
// share kept within 0 .. 1 (NaN counts as 0). Nothing for an element without a draw-in image.
void SetDrawnShare(Lumvek::Element& element, float share);

// A team's score dial: an 80 x 80 point circle registered under the name, in the tint, with a right
// margin of 40 points; children: the drawn-in ring, the score text (in ink on the neutral dial) and the
// hidden leader mark.
Lumvek::Element& AddTeamDial(Lumvek::Element& parent, const std::string& name, uint32_t tint);
// One 44 x 44 point ability dial of a row of count dials 52 points apart, centred on the parent's
// place; children: the drawn-in ring and the part's image (pending sketch until it is given).
Lumvek::Element& AddAbilityDial(Lumvek::Element& parent, uint32_t tintIndex, uint32_t position, uint32_t count);

// How a clip is drawn: at most MaximumPips pips, each standing for roundsPerPip rounds.
struct PipLayout
{
    static constexpr uint32_t MaximumPips = 48;

    uint32_t pips = 0;
    uint32_t roundsPerPip = 1;
    // Points.
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t border = 0;
    // The fill's size inside the outline.
    uint32_t innerWidth = 0;
    uint32_t innerHeight = 0;

    // The layout of a clip of that size; no pips for 0.
    static PipLayout Of(uint32_t clipSize);
    // How many pips show full with that many rounds in the clip: a pip with any round of its share.
    uint32_t FullPips(uint32_t rounds) const;
};

// Replaces the element's children with the pips of the weapon's clip (none without a weapon or with
// an empty clip size): pip i is the i-th child, its fill child 0, the last full ones shown full.
void BuildAmmoPips(Lumvek::Element& row, const Weapon* weapon);
// Shows pip i full when i is below the full pips of that many rounds.
void FillAmmoPips(Lumvek::Element& row, const PipLayout& layout, uint32_t rounds);
