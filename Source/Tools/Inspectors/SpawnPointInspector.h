#pragma once

#include "Source/Tools/Inspectors/Inspector.h"

#include <cstdint>

// Edits one spawn point of the running world in place: rectangle, angle, facing and spawn mask. It
// holds the point's index in the world's list; the world editors close it whenever the list moves at
// or before that index, and it closes itself when the index is no longer inside the list.
class SpawnPointInspector final : public Inspector
{
public:
    explicit SpawnPointInspector(uint32_t index) : index(index) {}

    void Draw() override;
    bool IsWorldBound() const override { return true; }
    bool ShowsEntity(uint32_t kind, uint32_t entity) const override;
    bool HoldsIndexFrom(uint32_t owner, uint32_t first) const override { return owner == 0 && index >= first; }

    uint32_t index = 0;
};
