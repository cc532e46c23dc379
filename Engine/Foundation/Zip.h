#pragma once

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/Format.h"
#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Lumvek
{

// Named byte buffers read from an archive, kept in the order they were first added.
class Archive
{
public:
    struct Entry
    {
        std::string name;
        Buffer content;
    };

    // The emptied content of the entry named name, appended when the archive has none of that name.
    Buffer& Add(StringView name);
    // The content of the entry named name; null when there is none.
    const Buffer* Find(StringView name) const;
    uint32_t Count() const { return static_cast<uint32_t>(entries.size()); }
    const Entry& operator[](uint32_t index) const { return entries.at(index); }

private:
    struct Fnv1a
    {
        using is_transparent = void;
        size_t operator()(std::string_view name) const;
    };

    std::unordered_map<std::string, uint32_t, Fnv1a, std::equal_to<>> index;
    std::vector<Entry> entries;
};

// "zip": reads the stored and deflated entries of a ZIP archive; writing is not supported. Every
// offset, size and count read from the archive is checked against its size, so a cut or damaged
// archive loses the entries it cannot hold and never reads outside its bytes.
class ZipFormat : public BinaryFormat<Archive, MemoryOrder>
{
public:
    using BinaryFormat::BinaryFormat;

    bool Read(BufferReader& reader, Archive& content) override;
    bool Write(BufferWriter& writer, const Archive& content) override;
};

} // namespace Lumvek
