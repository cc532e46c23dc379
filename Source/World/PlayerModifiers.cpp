#include "Source/World/PlayerModifiers.h"

namespace
{

// The index of a field in the fixed order.
uint32_t IndexOf(float Attributes::*attribute)
{
    Attributes probe = Attributes::Modifiers();
    probe.*attribute = 1.0f;
    for (uint32_t i = 0; i < Attributes::Count; ++i)
        if (probe[i] == 1.0f)
            return i;
    return 0;
}

// Taken off when a set is put on: a larger RespawnSpeed modifier shortens the wait.
bool IsRespawnSpeed(uint32_t index)
{
    static const uint32_t respawnSpeed = IndexOf(&Attributes::respawnSpeed);
    return index == respawnSpeed;
}

} // namespace

PlayerModifiers::PlayerModifiers(const Attributes& start)
{
    *this = start;
}

PlayerModifiers& PlayerModifiers::operator=(const Attributes& start)
{
    for (uint32_t i = 0; i < Attributes::Count; ++i)
        sums[i] = start[i];
    Refresh();
    return *this;
}

PlayerModifiers& PlayerModifiers::operator+=(const Attributes& set)
{
    for (uint32_t i = 0; i < Attributes::Count; ++i)
        sums[i] += IsRespawnSpeed(i) ? -static_cast<double>(set[i]) : static_cast<double>(set[i]);
    Refresh();
    return *this;
}

PlayerModifiers& PlayerModifiers::operator-=(const Attributes& set)
{
    for (uint32_t i = 0; i < Attributes::Count; ++i)
        sums[i] -= IsRespawnSpeed(i) ? -static_cast<double>(set[i]) : static_cast<double>(set[i]);
    Refresh();
    return *this;
}

void PlayerModifiers::Add(float Attributes::*attribute, float amount)
{
    sums[IndexOf(attribute)] += amount;
    Refresh();
}

void PlayerModifiers::Multiply(float Attributes::*attribute, float factor)
{
    sums[IndexOf(attribute)] *= factor;
    Refresh();
}

void PlayerModifiers::Divide(float Attributes::*attribute, float divisor)
{
    sums[IndexOf(attribute)] /= divisor;
    Refresh();
}

void PlayerModifiers::Refresh()
{
    for (uint32_t i = 0; i < Attributes::Count; ++i)
        values[i] = static_cast<float>(sums[i]);
}
