#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/StringView.h"

#include <cstdint>

// The 24 numbers that describe how a player's character behaves. One type plays three roles: a
// character's base set (the default constructor), a modifier set that parts, weapons, items, zones and
// game modes add while they are in effect (Modifiers), and a game configuration's per-match settings
// (ConfigurationDefaults). Plain data, copied by value.
struct Attributes
{
    static constexpr uint32_t Count = 24;

    // The base set of a character.
    Attributes() = default;
    // Every component 0: a modifier set that changes nothing.
    static Attributes Modifiers();
    // The settings a game configuration starts from and is reset to.
    static Attributes ConfigurationDefaults();

    // The member name of a component; the empty text for an index at or past Count.
    static Lumvek::StringView GetName(uint32_t index);
    // Components by their index in the fixed order (the order of the members below); an index at
    // or past Count throws InvalidIndex.
    float& operator[](uint32_t index);
    float operator[](uint32_t index) const;

    // Takes each component from a Number member of its name in the reader's current object; absent
    // members and members of any other type leave the component as it was. True when the last
    // component, "EnergyRecharge", was read.
    bool Read(Lumvek::BlueprintReader& reader);
    // Adds a Number member for each component that is not 0, so an all-zero set writes nothing.
    void Write(Lumvek::BlueprintWriter& writer) const;
    // Adds all 24 members.
    void WriteAll(Lumvek::BlueprintWriter& writer) const;

    // Applies a modifier set. Respawn speed works the other way round: a larger modifier shortens
    // the wait, so it is subtracted.
    Attributes& operator+=(const Attributes& modifiers);
    // Removes a modifier set applied with +=.
    Attributes& operator-=(const Attributes& modifiers);

    bool operator==(const Attributes&) const = default;

    float maximumHealth = 100.0f;
    float healthRegeneration = 0.0f;
    float hops = 9.6f;
    float hangAmount = 0.35f;
    float hangTime = 0.25f;
    float agility = 0.4f;
    float maneuverability = 25.0f;
    float weight = 3.0f;
    float aerodynamics = 1.0f;
    float maximumForwardSpeed = 4.0f;
    float maximumBackwardSpeed = 3.0f;
    float maximumFallingSpeed = 15.0f;
    float headshotModifier = 1.25f;
    float bodyshotModifier = 1.0f;
    float limbshotModifier = 0.75f;
    float accuracy = 1.0f;
    float dexterity = 1.0f;
    float cameraZoom = 1.0f;
    float reach = 1.0f;
    float respawnSpeed = 1.0f;
    float noisiness = 0.0f;
    float awareness = 50.0f;
    float energyDischarge = 1.0f;
    float energyRecharge = 1.0f;
};

// The attribute set held by the Object member key (Attributes::Read); false when the member is absent.
// A member that is no Object is refused and leaves the set as it was.
bool ReadMember(Lumvek::BlueprintReader& reader, Lumvek::StringView key, Attributes& attributes);
