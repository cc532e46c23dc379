#pragma once

#include "Source/Data/Attributes.h"

#include <array>

// The modifier sets in effect on a player (its parts, its weapon in hand, the zone it stands in, the
// game mode's holder bonus, an ability in use), summed in double precision over a starting set. In
// float every step rounds: a part's Accuracy of -0.1 put on and taken off again leaves 0.99999994
// where 1 was, and a weapon taken out and put away over a match would drift further each time. Sums
// and products of a few float values are exact in double, so taking off what was put on gives back
// exactly the float value from before. Embedded in its Player; application thread only.
class PlayerModifiers
{
public:
    explicit PlayerModifiers(const Attributes& start);

    // Starts again from the set.
    PlayerModifiers& operator=(const Attributes& start);
    // Puts a modifier set on, or takes it off again, as Attributes does (RespawnSpeed the other way
    // round).
    PlayerModifiers& operator+=(const Attributes& set);
    PlayerModifiers& operator-=(const Attributes& set);
    void Add(float Attributes::*attribute, float amount);
    void Multiply(float Attributes::*attribute, float factor);
    void Divide(float Attributes::*attribute, float divisor);

    // The sums as the game reads them.
    const Attributes& Get() const { return values; }
    float operator[](float Attributes::*attribute) const { return values.*attribute; }

private:
    void Refresh();

    std::array<double, Attributes::Count> sums{};
    Attributes values;
};
