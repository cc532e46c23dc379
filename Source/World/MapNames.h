#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/StringView.h"
#include "Source/World/EntityStorage.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

struct Hazard;
struct Interaction;
struct Platform;
struct Visual;
struct Zone;

// The names a map gives its elements, each mapped to the entity made from the element, in the order
// read. A name given twice is listed twice, once per entity, so that each keeps its name when the map
// is written back; looked up by name it maps to the later entity. Owned by whoever loads or saves the
// map, for the duration of the call.
template <class Record> class NameTable
{
public:
    // False when the name was already given to another entity.
    bool Set(Lumvek::StringView name, Record* record)
    {
        auto [found, added] = lookup.insert_or_assign(name.ToString(), entries.size());
        entries.emplace_back(found->first, record);
        return added;
    }
    // The entity of the name (the last one given it); null when there is none.
    Record* Find(Lumvek::StringView name) const
    {
        auto found = lookup.find(name.ToString());
        return found == lookup.end() ? nullptr : entries[found->second].second;
    }
    // The name under which the entity is listed; null when it is not.
    const std::string* FindName(const Record* record) const
    {
        auto found = std::find_if(entries.begin(), entries.end(),
                                  [record](const auto& entry) { return entry.second == record; });
        return found == entries.end() ? nullptr : &found->first;
    }
    // Gives the entity this one name in place of any it had; an empty name leaves it unnamed. False,
    // with nothing changed, when another entity has the name.
    bool Rename(Lumvek::StringView name, Record* record)
    {
        if (Record* holder = Find(name); holder && holder != record)
            return false;
        std::erase_if(entries, [record](const auto& entry) { return entry.second == record; });
        if (!name.IsEmpty())
            entries.emplace_back(name.ToString(), record);
        lookup.clear();
        for (size_t i = 0; i < entries.size(); ++i)
            lookup.insert_or_assign(entries[i].first, i);
        return true;
    }
    void Clear()
    {
        entries.clear();
        lookup.clear();
    }
    const std::vector<std::pair<std::string, Record*>>& GetEntries() const { return entries; }

private:
    std::vector<std::pair<std::string, Record*>> entries;
    std::unordered_map<std::string, size_t> lookup;
};

// The name tables of one map, one per element kind.
struct MapNames
{
    NameTable<Platform> platforms;
    NameTable<Hazard> hazards;
    NameTable<Interaction> interactions;
    NameTable<Visual> visuals;
    NameTable<Zone> zones;
    // An element the load could not make (outside the grids, of a definition the game lacks), as read,
    // with its array key and its place there: the id of the entity made of the nearest element before
    // it, NoEntity when none was made. The writer puts it back after that entity, so that it keeps its
    // place among its neighbours whatever the maker deletes or adds around it.
    struct Kept
    {
        std::string key;
        EntityId after = NoEntity;
        Lumvek::Blueprint element;
    };
    std::vector<Kept> kept;
    // The elements that take a name an earlier element of their kind has, each as its path and name
    // ("Entities.Platforms[3] \"Ground\""), for the editor to point out.
    std::vector<std::string> repeatedNames;

    void Clear()
    {
        kept.clear();
        repeatedNames.clear();
        platforms.Clear();
        hazards.Clear();
        interactions.Clear();
        visuals.Clear();
        zones.Clear();
    }
};
