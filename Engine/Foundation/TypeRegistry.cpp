#include "Engine/Foundation/TypeRegistry.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <string_view>

namespace Lumvek
{

uint32_t TypeRegistry::Register(const std::type_info& type)
{
    std::lock_guard lock(mutex);
    auto [found, added] = ids.try_emplace(std::type_index(type), static_cast<uint32_t>(records.size()));
    if (added)
        records.push_back({found->second, &type});
    return found->second;
}

uint32_t TypeRegistry::Count() const
{
    std::lock_guard lock(mutex);
    return static_cast<uint32_t>(records.size());
}

const std::type_info* TypeRegistry::Find(uint32_t id) const
{
    std::lock_guard lock(mutex);
    return id < records.size() ? records[id].type : nullptr;
}

TypeRegistry& ContentTypes::Registry()
{
    static TypeRegistry registry;
    return registry;
}

TypeRegistry& ResourceTypes::Registry()
{
    static TypeRegistry registry;
    return registry;
}

namespace TypeName
{

namespace
{

bool DropPrefix(std::string_view& text, std::string_view prefix)
{
    if (!text.starts_with(prefix))
        return false;
    text.remove_prefix(prefix.size());
    return true;
}

} // namespace

std::string Clean(StringView name)
{
    // Run-time names come in two forms: "class Lumvek::Texture" with a leading kind word and
    // "`anonymous namespace'" qualifiers, or a demangled "Lumvek::Texture" with "(anonymous namespace)".
    std::string_view rest = name.ToStdView();
    for (std::string_view word : {"class ", "struct ", "enum ", "union "})
        if (DropPrefix(rest, word))
            break;
    while (DropPrefix(rest, "`anonymous namespace'::") || DropPrefix(rest, "(anonymous namespace)::"))
    {
    }

    std::string cleaned;
    cleaned.reserve(rest.size());
    for (size_t i = 0; i < rest.size(); ++i)
    {
        if (rest[i] == ':' && i + 1 < rest.size() && rest[i + 1] == ':')
        {
            cleaned += '.';
            ++i;
        }
        else
        {
            cleaned += rest[i];
        }
    }
    return cleaned;
}

std::string Of(const std::type_info& type)
{
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                          &std::free);
    return Clean(StringView::FromCString(status == 0 && demangled ? demangled.get() : type.name()));
}

} // namespace TypeName

} // namespace Lumvek
