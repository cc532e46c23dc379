#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/StringView.h"
#include "Source/Data/Data.h"
#include "Source/Data/InputBindings.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class DataRegistry;

// One of a profile's named loadouts: indices into the registry's Heads, Cores, Arms and Legs.
struct ProfileLoadout
{
    bool operator==(const ProfileLoadout&) const = default;

    std::string name = "Default Loadout";
    uint32_t head = 0;
    uint32_t core = 0;
    uint32_t arms = 0;
    uint32_t legs = 0;
};

// The parts a player has unlocked, by part name, in the order they were first named. A name that is
// absent and a name whose flag is false are both locked.
class UnlockedSet
{
public:
    // Adds the name, locked, when it is not there, then sets its flag.
    void Set(Lumvek::StringView name, bool unlocked);
    // The flag of the name; null when the set does not hold it.
    const bool* Find(Lumvek::StringView name) const;
    uint32_t Count() const { return static_cast<uint32_t>(entries.size()); }
    Lumvek::StringView GetName(uint32_t position) const;

    // Reads the reader's current object: each member names a part and may hold an object with an
    // "Unlocked" boolean. A value of any other type changes nothing.
    void Read(Lumvek::BlueprintReader& reader);
    // Writes one member per entry, in order, holding {"Unlocked": flag}.
    void Write(Lumvek::BlueprintWriter& writer) const;

    bool operator==(const UnlockedSet& other) const { return entries == other.entries; }

private:
    struct Entry
    {
        bool operator==(const Entry&) const = default;

        std::string name;
        bool unlocked = false;
    };

    std::vector<Entry> entries;
    DataDetail::NameIndexMap positions;
};

class ProfileCollection;

// One player's saved identity: name, controller and keyboard bindings, currencies, five loadouts with
// the active one, and the unlocked parts. Kept in the game system's ProfileCollection; saved as the
// JSON file "Assets/<name>.profile" below the application folder.
class Profile
{
public:
    static constexpr uint32_t LoadoutCount = 5;

    // Reads the root object of a profile file; missing or mistyped members keep their fields, and so
    // do button names and loadout parts the game does not know, each refused through the reader (which
    // names it with the file and path). True.
    bool Read(Lumvek::BlueprintReader& reader, const DataRegistry& registry);
    // Writes every member of the file, loadout parts by their definitions' names (empty for an index
    // the registry does not hold).
    void Write(Lumvek::BlueprintWriter& writer, const DataRegistry& registry) const;

    // Reads the profile file at path. A file that does not exist leaves the defaults and answers
    // true. A file that cannot be read or parsed answers false with a message (the file from the
    // application folder, the line and column) and marks the profile damaged, so that saving does not
    // replace what it held. A value it cannot take costs its own member, named with the file and path.
    bool Load(Lumvek::StringView path, const DataRegistry& registry);
    // Writes the profile to "Assets/<name>.profile" below the application root: what changed since
    // the load merged over the file it was read from (MergeEdits), the whole profile for one that had
    // no file. A number the file wrote that JSON cannot hold (beyond 64 bits) is written as the profile
    // holds it, never as another number. Refused, with a message, for a damaged profile (saying why: its
    // file could not be read, or did not parse and where) and for a name that is no plain file name.
    bool Save(Lumvek::StringView applicationRoot, const DataRegistry& registry) const;

    // The flag of the first of Heads, Cores, Arms and Legs that holds the part; false when none does.
    bool IsUnlocked(Lumvek::StringView part) const;

    // Whether a name can name a profile file inside "Assets": not empty, no folder separators, no "..",
    // no control characters.
    static bool IsFileName(Lumvek::StringView name);

    // Loads every "*.profile" file of the "Assets" folder below the application root, in name order,
    // each under its file name without the extension. Files that cannot be read are skipped.
    static void LoadAll(ProfileCollection& profiles, Lumvek::StringView applicationRoot, const DataRegistry& registry);

    // The file name without its extension that the profile was loaded from; not part of the file.
    std::string key;
    std::string name;
    ControllerBindings controller;
    KeyboardBindings keyboard;
    uint32_t gold = 0;
    uint32_t ink = 0;
    // LoadoutCount or more: no loadout is active.
    uint32_t activeLoadout = 0;
    std::array<ProfileLoadout, LoadoutCount> loadouts{};
    UnlockedSet heads;
    UnlockedSet cores;
    UnlockedSet arms;
    UnlockedSet legs;
    // Its file was there but unreadable when loaded.
    bool damaged = false;
    // The file as parsed and what the profile wrote right after reading it; empty without a file.
    Lumvek::FileRecord record;
};

// The game's profiles by key, in load order. Owned by the game system; filled on the start-up loader
// thread before any screen reads it. Profiles move when one is added, so pointers to them are valid
// until the next Add.
class ProfileCollection
{
public:
    // A default profile under the key, appended; the profile already there when the key is taken.
    Profile& Add(Lumvek::StringView key);
    // The profile of that key; null when there is none.
    Profile* Find(Lumvek::StringView key);
    const Profile* Find(Lumvek::StringView key) const;

    uint32_t Count() const { return static_cast<uint32_t>(profiles.size()); }
    Profile& At(uint32_t index);
    // Keys in load order.
    const std::vector<std::string>& GetKeys() const { return keys; }

private:
    DataDetail::NameIndexMap positions;
    std::vector<std::string> keys;
    std::vector<Profile> profiles;
};
