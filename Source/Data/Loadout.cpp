#include "Source/Data/Loadout.h"

#include "Engine/Foundation/Exceptions.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/Pattern.h"
#include "Source/Data/DataRegistry.h"

#include <cmath>
#include <string>

using namespace Lumvek;

namespace
{

struct Position
{
    StringView member;
    StringView folder;
    uint32_t Loadout::*field;
};

constexpr Position Positions[Loadout::Count] = {
    {"Head", "Parts/Heads", &Loadout::head},
    {"Core", "Parts/Cores", &Loadout::core},
    {"Arms", "Parts/Arms", &Loadout::arms},
    {"Legs", "Parts/Legs", &Loadout::legs},
    {"StartingWeapon", "Weapons", &Loadout::startingWeapon},
    {"SecondaryWeapon", "Weapons", &Loadout::secondaryWeapon},
};

} // namespace

StringView Loadout::GetFolder(uint32_t position)
{
    return position < Count ? Positions[position].folder : StringView();
}

StringView Loadout::GetMemberName(uint32_t position)
{
    return position < Count ? Positions[position].member : StringView();
}

uint32_t& Loadout::operator[](uint32_t position)
{
    if (position >= Count)
        throw InvalidIndex(position, Count);
    return this->*Positions[position].field;
}

uint32_t Loadout::operator[](uint32_t position) const
{
    if (position >= Count)
        throw InvalidIndex(position, Count);
    return this->*Positions[position].field;
}

void Loadout::Read(BlueprintReader& reader, const DataRegistry& registry)
{
    for (uint32_t position = 0; position < Count; ++position)
    {
        std::string name;
        ReadMember(reader, Positions[position].member, name);
        uint32_t& value = this->*Positions[position].field;
        if (name.empty())
            value = None;
        else if (position < PartCount && name == "Random")
            value = Random;
        else
            FindDefinitionIndex(registry, Positions[position].folder, name, value, reader,
                                Positions[position].member);
    }
}

const DataCollectionBase* FindCollection(const DataRegistry& registry, StringView folder)
{
    for (const DataCollectionBase* collection : registry.GetCollections())
        if (StringView(collection->GetFolder()) == folder)
            return collection;
    return nullptr;
}

bool FindDefinitionIndex(const DataRegistry& registry, StringView folder, StringView name, uint32_t& index,
                         BlueprintReader& reader, StringView key)
{
    const DataCollectionBase* collection = FindCollection(registry, folder);
    const uint32_t found = collection ? collection->FindIndex(name) : Loadout::None;
    if (found == Loadout::None)
    {
        reader.Refuse(key, FormatText("no definition is named {} in {}", name, folder));
        return false;
    }
    index = found;
    return true;
}

uint32_t PickRandomIndex(std::mt19937& random, uint32_t count)
{
    if (count == 0)
        return Loadout::None;
    const float draw = static_cast<float>(random());
    const float scale = static_cast<float>(count - 1) * 0x1p-32f;
    const float picked = std::round(draw * scale);
    // Clamped so that no float rounding can give an index past the last one.
    return picked >= static_cast<float>(count - 1) ? count - 1 : static_cast<uint32_t>(picked);
}
