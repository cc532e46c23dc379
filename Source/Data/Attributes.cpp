#include "Source/Data/Attributes.h"

#include "Engine/Foundation/Exceptions.h"
#include "Engine/Foundation/Members.h"

#include <array>

using namespace Lumvek;

namespace
{

struct Component
{
    StringView name;
    float Attributes::*field;
};

// The fixed order of reading, writing and indexing.
constexpr std::array<Component, Attributes::Count> Components{{
    {"MaximumHealth", &Attributes::maximumHealth},
    {"HealthRegeneration", &Attributes::healthRegeneration},
    {"Hops", &Attributes::hops},
    {"HangAmount", &Attributes::hangAmount},
    {"HangTime", &Attributes::hangTime},
    {"Agility", &Attributes::agility},
    {"Maneuverability", &Attributes::maneuverability},
    {"Weight", &Attributes::weight},
    {"Aerodynamics", &Attributes::aerodynamics},
    {"MaximumForwardSpeed", &Attributes::maximumForwardSpeed},
    {"MaximumBackwardSpeed", &Attributes::maximumBackwardSpeed},
    {"MaximumFallingSpeed", &Attributes::maximumFallingSpeed},
    {"HeadshotModifier", &Attributes::headshotModifier},
    {"BodyshotModifier", &Attributes::bodyshotModifier},
    {"LimbshotModifier", &Attributes::limbshotModifier},
    {"Accuracy", &Attributes::accuracy},
    {"Dexterity", &Attributes::dexterity},
    {"CameraZoom", &Attributes::cameraZoom},
    {"Reach", &Attributes::reach},
    {"RespawnSpeed", &Attributes::respawnSpeed},
    {"Noisiness", &Attributes::noisiness},
    {"Awareness", &Attributes::awareness},
    {"EnergyDischarge", &Attributes::energyDischarge},
    {"EnergyRecharge", &Attributes::energyRecharge},
}};

void WriteComponents(const Attributes& attributes, BlueprintWriter& writer, bool skipZero)
{
    for (const Component& component : Components)
    {
        const float value = attributes.*component.field;
        if (!skipZero || value != 0.0f)
            WriteMember(writer, component.name, value);
    }
}

} // namespace

Attributes Attributes::Modifiers()
{
    Attributes modifiers;
    for (const Component& component : Components)
        modifiers.*component.field = 0.0f;
    return modifiers;
}

Attributes Attributes::ConfigurationDefaults()
{
    Attributes settings;
    for (const Component& component : Components)
        settings.*component.field = 1.0f;
    settings.healthRegeneration = 0.0f;
    settings.noisiness = 0.0f;
    settings.awareness = 0.0f;
    return settings;
}

StringView Attributes::GetName(uint32_t index)
{
    return index < Count ? Components[index].name : StringView();
}

float& Attributes::operator[](uint32_t index)
{
    if (index >= Count)
        throw InvalidIndex(index, Count);
    return this->*Components[index].field;
}

float Attributes::operator[](uint32_t index) const
{
    if (index >= Count)
        throw InvalidIndex(index, Count);
    return this->*Components[index].field;
}

bool Attributes::Read(BlueprintReader& reader)
{
    bool lastRead = false;
    for (const Component& component : Components)
        lastRead = ReadMember(reader, component.name, this->*component.field);
    return lastRead;
}

bool ReadMember(BlueprintReader& reader, StringView key, Attributes& attributes)
{
    return ReadObjectMember(reader, key, "an object of attribute names was expected",
                            [&] { return attributes.Read(reader); });
}

void Attributes::Write(BlueprintWriter& writer) const
{
    WriteComponents(*this, writer, true);
}

void Attributes::WriteAll(BlueprintWriter& writer) const
{
    WriteComponents(*this, writer, false);
}

Attributes& Attributes::operator+=(const Attributes& modifiers)
{
    for (const Component& component : Components)
    {
        if (component.field == &Attributes::respawnSpeed)
            this->*component.field -= modifiers.*component.field;
        else
            this->*component.field += modifiers.*component.field;
    }
    return *this;
}

Attributes& Attributes::operator-=(const Attributes& modifiers)
{
    for (const Component& component : Components)
    {
        if (component.field == &Attributes::respawnSpeed)
            this->*component.field += modifiers.*component.field;
        else
            this->*component.field -= modifiers.*component.field;
    }
    return *this;
}
