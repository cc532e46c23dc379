#include "Source/World/SpawnPoint.h"

#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/String.h"
#include "Source/Data/NameTables.h"

#include <cmath>
#include <utility>

using namespace Lumvek;

bool SpawnMask::Parse(StringView text)
{
    if (String::Equals(text, "All", true))
    {
        bits = All;
        return true;
    }
    bool all = true;
    uint32_t start = 0;
    for (uint32_t i = 0; i <= text.length; ++i)
    {
        if (i < text.length && text.data[i] != '|')
            continue;
        uint32_t bit = 0;
        if (SpawnMaskNames().ParseName(bit, StringView(text.data + start, i - start)))
            bits |= 1u << bit;
        else if (i > start)
            all = false;
        start = i + 1;
    }
    return all;
}

std::string SpawnMask::Write() const
{
    std::string text;
    const NameList& names = SpawnMaskNames();
    for (uint32_t bit = 0; bit < names.Count(); ++bit)
    {
        if (!(bits & (1u << bit)))
            continue;
        if (!text.empty())
            text += '|';
        text += names.GetName(bit).ToString();
    }
    return text;
}

bool SpawnMask::Read(BlueprintReader& reader, StringView key, SpawnMask& mask)
{
    const Blueprint* member = reader.GetCurrent().GetObject().Find(key);
    if (!member)
        return false;
    if (member->GetType() != BlueprintType::String)
        reader.Refuse(key, "a text of spawn tags was expected");
    else if (!mask.Parse(member->GetString()))
        reader.Refuse(key, "a piece names no spawn tag");
    return true;
}

void ReadSpawnPoints(BlueprintReader& reader, std::vector<SpawnPoint>& points)
{
    points.clear();
    const Blueprint* list = reader.GetCurrent().GetObject().Find("SpawnPoints");
    if (!list)
        return;
    if (list->GetType() != BlueprintType::Array)
    {
        reader.Refuse("SpawnPoints", "an array was expected");
        return;
    }
    reader.GetMember("SpawnPoints");
    for (uint32_t i = 0; i < list->GetCount(); ++i)
    {
        SpawnPoint& point = points.emplace_back();
        reader.GetElement(i);
        // A point of another form stays all zero, which carries no tag and so is never handed out.
        if (reader.GetCurrent().GetType() != BlueprintType::Object)
            reader.Refuse({}, "a spawn point object was expected");
        Vector2 position, size;
        if (ReadMember(reader, "Position", position))
        {
            point.x = position.x;
            point.y = position.y;
        }
        if (ReadMember(reader, "Size", size))
        {
            point.width = size.x;
            point.height = size.y;
        }
        Angle angle;
        if (ReadMember(reader, "Angle", angle))
            point.angle = angle.radians;
        ReadMember(reader, "Flipped", point.flipped);
        SpawnMask::Read(reader, "Mask", point.mask);
        reader.Pop();
    }
    reader.Pop();
}

void WriteSpawnPoints(BlueprintWriter& writer, std::span<const SpawnPoint> points)
{
    writer.GetCurrent().SetArray();
    for (uint32_t i = 0; i < points.size(); ++i)
    {
        const SpawnPoint& point = points[i];
        writer.PushElement(i);
        WriteMember(writer, "Position", Vector2(point.x, point.y));
        // A value that is not a number counts as not 0 and is written.
        if (!(point.width == 0.0f && point.height == 0.0f))
            WriteMember(writer, "Size", Vector2(point.width, point.height));
        if (!(point.angle == 0.0f))
            WriteMember(writer, "Angle", Angle{point.angle});
        if (point.flipped)
            WriteMember(writer, "Flipped", true);
        WriteMember(writer, "Mask", StringView(point.mask.Write()));
        writer.Pop();
    }
}

uint32_t SpawnQuery::Count() const
{
    uint32_t count = 0;
    if (points)
        for (const SpawnPoint& point : *points)
            count += point.mask.Contains(mask) ? 1 : 0;
    return count;
}

const SpawnPoint& SpawnQuery::GetNth(uint32_t n) const
{
    if (points)
        for (const SpawnPoint& point : *points)
            if (point.mask.Contains(mask) && n-- == 0)
                return point;
    return Empty();
}

const SpawnPoint& SpawnQuery::TakeRandom(RandomGenerator& random)
{
    if (!points)
        return Empty();
    if (next < shuffled.size() && passListSize == points->size())
        return (*points)[shuffled[next++]];
    shuffled.clear();
    for (uint32_t i = 0; i < points->size(); ++i)
        if ((*points)[i].mask.Contains(mask))
            shuffled.push_back(i);
    if (shuffled.empty())
        return Empty();
    for (uint32_t i = static_cast<uint32_t>(shuffled.size()) - 1; i >= 1; --i)
    {
        const uint32_t draw = random.Next();
        const uint32_t j =
            static_cast<uint32_t>(std::nearbyint(static_cast<float>(draw) * (static_cast<float>(i) * 2.3283064e-10f)));
        std::swap(shuffled[i], shuffled[std::min(j, i)]);
    }
    passListSize = points->size();
    next = 0;
    return (*points)[shuffled[next++]];
}

const SpawnPoint& SpawnQuery::Empty()
{
    static const SpawnPoint empty;
    return empty;
}
