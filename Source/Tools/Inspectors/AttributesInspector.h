#pragma once

#include "Source/Tools/Inspectors/Inspector.h"

#include <span>

struct Attributes;
class GameContext;

// One row of an attribute window: its label (format text, "%%" for a percent sign) and the attribute.
struct AttributeRow
{
    const char* label;
    float Attributes::*attribute;
};

// The 22 rows, in order; the two energy attributes have none.
std::span<const AttributeRow> AttributeRows();

// Edits a definition's attribute set and pushes each edit into the running match at once: a modifier
// set (part, item, weapon, zone) is taken off the players that carry the definition and put on again
// with the new value; a character's base set overwrites the base attributes of the local players
// built on it, every frame the window is open. Owned by the tools host; application thread.
class AttributesInspector : public Inspector
{
public:
    // Exactly one of the sets is given. The owner is the definition that holds it, used only to find
    // the players that carry it.
    AttributesInspector(const void* owner, Attributes* modifiers, Attributes* baseAttributes);

    void Draw() override;
    // What an edit of a modifier row does: the old set comes off the carriers, the value is stored,
    // the new set goes on.
    void ChangeModifier(float Attributes::*attribute, float value);

    // The match the edits reach; the game system's when none is given.
    GameContext* context = nullptr;

private:
    GameContext* GetContext() const;
    // Takes the set off, or puts it on, every player of the running world that carries the owner.
    void ApplyToCarriers(bool add);

    const void* owner = nullptr;
    Attributes* modifiers = nullptr;
    Attributes* baseAttributes = nullptr;
};
