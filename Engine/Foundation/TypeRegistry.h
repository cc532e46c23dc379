#pragma once

#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <unordered_map>
#include <vector>

namespace Lumvek
{

// Hands out dense 32-bit ids to types, from 0 in order of first use. Each registry counts on its own;
// ids are handed out under a lock, so any thread may ask for one.
class TypeRegistry
{
public:
    struct TypeRecord
    {
        uint32_t id;
        const std::type_info* type;
    };

    TypeRegistry() = default;
    TypeRegistry(const TypeRegistry&) = delete;
    TypeRegistry& operator=(const TypeRegistry&) = delete;

    // The type's id, assigning the next one on its first registration.
    uint32_t Register(const std::type_info& type);
    uint32_t Count() const;
    // The type behind an id; nullptr for an id never handed out.
    const std::type_info* Find(uint32_t id) const;

private:
    mutable std::mutex mutex;
    std::unordered_map<std::type_index, uint32_t> ids;
    std::vector<TypeRecord> records;
};

// The registry of content types: a format is looked up by its content type's id and extension.
struct ContentTypes
{
    static TypeRegistry& Registry();
};

// The registry of resource kinds: every resource records the id of its kind.
struct ResourceTypes
{
    static TypeRegistry& Registry();
};

// The type's id in the chosen registry. Kept after the first call, so later calls take no lock.
template <class T, class Registry = ContentTypes> uint32_t TypeIndex()
{
    static const uint32_t index = Registry::Registry().Register(typeid(T));
    return index;
}

// Readable type names for log messages: "Lumvek.Texture" for the engine's texture class.
namespace TypeName
{

// Drops a leading "class ", "struct ", "enum " or "union " word and any leading anonymous-namespace
// qualifiers, then writes each "::" as "."; a name with neither comes back unchanged.
std::string Clean(StringView name);
// The cleaned name of a type as the compiler knows it at run time.
std::string Of(const std::type_info& type);

template <class T> std::string Of()
{
    return Of(typeid(T));
}

} // namespace TypeName

} // namespace Lumvek
