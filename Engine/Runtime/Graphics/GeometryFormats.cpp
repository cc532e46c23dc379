#include "Engine/Runtime/Graphics/GeometryFormats.h"

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Color.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/NameSet.h"

#include <cstring>
#include <string>

namespace Lumvek
{

namespace
{

// The string member key of the document, or nothing when it is missing or not a string.
std::string ReadText(const Blueprint& tree, StringView key)
{
    BlueprintReader reader(tree);
    std::string text;
    ReadMember(reader, key, text);
    return text;
}

// The array member key of the document; null when it is missing or not an array.
const Blueprint* FindArray(const Blueprint& tree, StringView key)
{
    if (tree.GetType() != BlueprintType::Object)
        return nullptr;
    const Blueprint* member = tree.GetObject().Find(key);
    return member && member->GetType() == BlueprintType::Array ? member : nullptr;
}

// Empties the geometry's bytes and hands out count elements of stride bytes from its start, zeroed;
// null when the buffer cannot hold them.
uint8_t* Refill(Geometry& geometry, GeometryDataType dataType, uint32_t stride, uint32_t count)
{
    if (uint64_t(stride) * count > 0xFFFFFFFFu)
        return nullptr;
    geometry.dataType = dataType;
    geometry.used = 0;
    geometry.data.Reserve(stride * count);
    GraphicsBufferRange range = GraphicsBuffer::Allocate(geometry, stride, count);
    if (range.bytes)
        std::memset(range.bytes, 0, range.byteSize);
    return range.bytes;
}

} // namespace

bool GeometryFormat::Write(Blueprint&, const Geometry&)
{
    Log::Write("saving is not implemented");
    return false;
}

bool LvbFormat::Read(const Blueprint& tree, Geometry& geometry)
{
    static const NameList types{"Position2dTextureColor"};
    static const NameList topologies{"TriangleList", "TriangleStrip", "PointList", "LineList"};

    uint32_t type = 0;
    if (!types.ParseName(type, ReadText(tree, "Type")))
    {
        Log::Write("Type must be specified as a string with the value \"Position2dTextureColor\"");
        return false;
    }
    uint32_t topology = 0;
    if (!topologies.ParseName(topology, ReadText(tree, "Topology")))
    {
        Log::Write("Topology must be specified as a string with one of the values \"TriangleList\", "
                   "\"TriangleStrip\", \"PointList\", or \"LineList\"");
        return false;
    }
    const Blueprint* vertices = FindArray(tree, "Vertices");
    if (!vertices)
    {
        Log::Write("Vertices were not specified");
        return false;
    }

    const uint32_t count = vertices->GetCount();
    uint8_t* bytes = Refill(geometry, static_cast<GeometryDataType>(topology), VertexSize, count);
    if (!bytes && count > 0)
    {
        Log::Write("too many vertices");
        return false;
    }
    for (uint32_t i = 0; i < count; ++i)
    {
        BlueprintReader reader(*vertices);
        reader.GetElement(i);
        float values[4] = {};
        const StringView keys[4] = {"X", "Y", "U", "V"};
        for (int k = 0; k < 4; ++k)
            if (!ReadMember(reader, keys[k], values[k]))
                Log::Write("{} not found on vertex {}", keys[k], i);
        Color color = Color::White;
        if (!ReadMember(reader, "Color", color))
            Log::Write("{} not found on vertex {}", "Color", i);

        uint8_t* vertex = bytes + size_t(i) * VertexSize;
        std::memcpy(vertex, values, sizeof(values));
        const uint8_t channels[4] = {color.r, color.g, color.b, color.a};
        std::memcpy(vertex + sizeof(values), channels, sizeof(channels));
    }
    return true;
}

bool LixFormat::Read(const Blueprint& tree, Geometry& geometry)
{
    static const NameList types{"Small", "Big"};

    uint32_t type = 0;
    if (!types.ParseName(type, ReadText(tree, "Type")))
    {
        Log::Write("Type must be specified as a string with the value \"Small\" or \"Big\"");
        return false;
    }
    const Blueprint* indices = FindArray(tree, "Indices");
    if (!indices)
    {
        Log::Write("Indices was not specified");
        return false;
    }

    const uint32_t size = type == 0 ? 2 : 4;
    const uint32_t count = indices->GetCount();
    // Indices that cannot be read stay 0, a vertex every draw has, instead of what the buffer held.
    uint8_t* bytes = Refill(geometry, GeometryDataType::IndexList, size, count);
    if (!bytes && count > 0)
    {
        Log::Write("too many indices");
        return false;
    }
    bool complete = true;
    for (uint32_t i = 0; i < count; ++i)
    {
        const Blueprint& element = indices->GetElement(i);
        if (element.GetType() != BlueprintType::UnsignedInteger)
        {
            Log::Write("Unable to read indices");
            complete = false;
            continue;
        }
        const uint64_t value = element.GetUnsignedInteger();
        if (size == 2)
        {
            const auto index = static_cast<uint16_t>(value);
            std::memcpy(bytes + size_t(i) * 2, &index, 2);
        }
        else
        {
            const auto index = static_cast<uint32_t>(value);
            std::memcpy(bytes + size_t(i) * 4, &index, 4);
        }
    }
    return complete;
}

bool LcbFormat::Read(const Blueprint&, Geometry&)
{
    Log::Write("loading is not implemented");
    return false;
}

} // namespace Lumvek
