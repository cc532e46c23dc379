#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/StringView.h"

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
// first read. A name given twice keeps its place and maps to the later entity. Owned by whoever loads
// or saves the map, for the duration of the call.
template <class Record> class NameTable
{
public:
    void Set(Lumvek::StringView name, Record* record)
    {
        std::string key = name.ToString();
        if (auto found = lookup.find(key); found != lookup.end())
        {
            entries[found->second].second = record;
            return;
        }
        lookup.emplace(key, entries.size());
        entries.emplace_back(std::move(key), record);
    }
    // The entity of the name; null when there is none.
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
    // The elements the load could not make (outside the grids, of a definition the game lacks), each
    // with its array key, as read: the writer puts them back, so that saving never loses them.
    std::vector<std::pair<std::string, Lumvek::Blueprint>> kept;
    // What kept the load from reading the whole file (the file, the member and its value); empty when
    // it read it whole. A world read in part is not saved: the file would lose what was not read.
    std::string failure;

    void Clear()
    {
        kept.clear();
        failure.clear();
        platforms.Clear();
        hazards.Clear();
        interactions.Clear();
        visuals.Clear();
        zones.Clear();
    }
};
