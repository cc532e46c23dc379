#include "Engine/Foundation/NameSet.h"

#include <mutex>

namespace Lumvek
{

namespace
{

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(StringView a, StringView b)
{
    if (a.length != b.length)
        return false;
    for (uint32_t i = 0; i < a.length; ++i)
        if (Lower(a.data[i]) != Lower(b.data[i]))
            return false;
    return true;
}

} // namespace

size_t NameSet::Fnv1a::operator()(std::string_view name) const
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : name)
    {
        hash ^= static_cast<uint8_t>(c);
        hash *= 0x100000001b3ull;
    }
    return static_cast<size_t>(hash);
}

uint32_t NameSet::Add(StringView name)
{
    {
        // Most adds name what is already there: those share the lock.
        std::shared_lock lock(mutex);
        auto found = lookup.find(name.ToStdView());
        if (found != lookup.end())
            return found->second;
    }
    std::unique_lock lock(mutex);
    // Another thread may have added the name between the two locks.
    auto found = lookup.find(name.ToStdView());
    if (found != lookup.end())
        return found->second;
    uint32_t index = static_cast<uint32_t>(names.size());
    const std::string& stored = names.emplace_back(name.data, name.length);
    try
    {
        lookup.emplace(stored, index);
    }
    catch (...)
    {
        // Keeps the list and the lookup holding the same names.
        names.pop_back();
        throw;
    }
    return index;
}

StringView NameSet::GetName(uint32_t index) const
{
    std::shared_lock lock(mutex);
    return index < names.size() ? StringView(names[index]) : StringView();
}

uint32_t NameSet::Count() const
{
    std::shared_lock lock(mutex);
    return static_cast<uint32_t>(names.size());
}

NameSet& NameSet::Global()
{
    static NameSet set;
    return set;
}

NameSet& NameTableA()
{
    static NameSet set;
    return set;
}

NameSet& NameTableB()
{
    static NameSet set;
    return set;
}

NameSet& NameTableC()
{
    static NameSet set;
    return set;
}

bool NameList::ParseName(uint32_t& out, StringView text) const
{
    for (uint32_t i = 0; i < Count(); ++i)
    {
        if (EqualIgnoringCase(names[i], text))
        {
            out = i;
            return true;
        }
    }
    return false;
}

const NameList& TextureFormatNames()
{
    static const NameList names{"ColorBuffer4x8", "ColorTarget4x8", "DepthStencilTarget24_8"};
    return names;
}

} // namespace Lumvek
