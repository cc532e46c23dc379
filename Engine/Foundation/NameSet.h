#pragma once

#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Lumvek
{

// An indexed set of names: each distinct name (exact bytes, case-sensitive) gets a 32-bit index in
// order of first registration, and keeps it for the life of the set. Sets only grow.
// Any thread may add and look up at once: static initialisers, loader threads creating resources and
// the application thread all register names. Lookups share the lock, an add of a new name takes it
// alone; stored names never move, so a view handed out stays valid while another thread adds.
class NameSet
{
public:
    NameSet() = default;
    NameSet(const NameSet&) = delete;
    NameSet& operator=(const NameSet&) = delete;

    // The index of the name, appending it when it is new.
    uint32_t Add(StringView name);
    // The stored name; an empty view for an index at or beyond the count, so callers print or look up
    // the empty name instead of failing. The view stays valid while the set lives.
    StringView GetName(uint32_t index) const;
    uint32_t Count() const;

    // Sound names: an index here is what the audio device plays and releases.
    static NameSet& Global();

private:
    struct Fnv1a
    {
        size_t operator()(std::string_view name) const;
    };

    // Guards names and lookup.
    mutable std::shared_mutex mutex;
    // A deque never moves its elements, so the lookup's keys and the views handed out stay valid.
    std::deque<std::string> names;
    std::unordered_map<std::string_view, uint32_t, Fnv1a> lookup;
};

// A name kept as its index in NameSet::Global(), so that comparing and storing names costs an
// integer. The default index names nothing and is written as the empty text.
struct Name
{
    uint32_t index = 0xFFFFFFFFu;

    constexpr bool operator==(const Name&) const = default;
};

// Image names: the texture regions of the game's definitions and user interface.
NameSet& NameTableA();
// Names of loaded resources: an index here is the id of the resource in the resource table.
NameSet& NameTableB();
// Names of graphics resources: an index here is a slot of the graphics device.
NameSet& NameTableC();

// A fixed list of names, the position of each being its enumeration value.
class NameList
{
public:
    NameList(std::initializer_list<StringView> names) : names(names) {}

    // Stores the position of the first entry equal to the whole text, ignoring letter case; false and
    // out untouched when none is.
    bool ParseName(uint32_t& out, StringView text) const;
    // The entry's text; an empty view beyond the list.
    StringView GetName(uint32_t index) const { return index < Count() ? names[index] : StringView(); }
    uint32_t Count() const { return static_cast<uint32_t>(names.size()); }

private:
    std::vector<StringView> names;
};

// "ColorBuffer4x8", "ColorTarget4x8", "DepthStencilTarget24_8", in the order of the texture formats.
const NameList& TextureFormatNames();

} // namespace Lumvek
