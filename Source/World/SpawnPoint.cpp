#include "Source/World/SpawnPoint.h"

#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/String.h"
#include "Source/Data/NameTables.h"

#include <cmath>
#include <utility>

using namespace Lumvek;

void SpawnMask::Parse(StringView text)
{
    if (String::Equals(text, "All", true))
    {
        bits = All;
        return;
    }
    uint32_t start = 0;
    for (uint32_t i = 0; i <= text.length; ++i)
    {
        if (i < text.length && text.data[i] != '|')
            continue;
        uint32_t bit = 0;
        if (SpawnMaskNames().ParseName(bit, StringView(text.data + start, i - start)))
            bits |= 1u << bit;
        start = i + 1;
    }
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

bool SpawnMask::Read(const Blueprint& value, StringView key, SpawnMask& mask)
{
    if (value.GetType() != BlueprintType::Object)
        return false;
    const Blueprint* member = value.GetObject().Find(key);
    if (!member)
        return false;
    mask.Parse(member->GetString());
    return true;
}

void ReadSpawnPoints(const Blueprint& root, std::vector<SpawnPoint>& points)
{
    points.clear();
    if (root.GetType() != BlueprintType::Object)
        return;
    const Blueprint* list = root.GetObject().Find("SpawnPoints");
    if (!list || list->GetType() != BlueprintType::Array)
        return;
    for (uint32_t i = 0; i < list->GetCount(); ++i)
    {
        const Blueprint& element = list->GetElement(i);
        SpawnPoint& point = points.emplace_back();
        BlueprintReader reader(element);
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
        SpawnMask::Read(element, "Mask", point.mask);
    }
}

void WriteSpawnPoints(BlueprintWriter& writer, const std::vector<SpawnPoint>& points)
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

SpawnQuery::SpawnQuery(std::span<const SpawnPoint> points, SpawnMask mask) : points(points), mask(mask)
{
    for (const SpawnPoint& point : points)
        if (point.mask.Contains(mask))
            ++count;
    // The first TakeRandom starts a pass.
    next = count;
}

const SpawnPoint& SpawnQuery::GetNth(uint32_t n) const
{
    for (const SpawnPoint& point : points)
        if (point.mask.Contains(mask) && n-- == 0)
            return point;
    return Empty();
}

const SpawnPoint& SpawnQuery::TakeRandom(RandomGenerator& random)
{
    if (count == 0)
        return Empty();
    if (next != count)
        return *shuffled[next++];
    shuffled.clear();
    for (const SpawnPoint& point : points)
        if (point.mask.Contains(mask))
            shuffled.push_back(&point);
    for (uint32_t i = count - 1; i >= 1; --i)
    {
        const uint32_t draw = random.Next();
        const uint32_t j =
            static_cast<uint32_t>(std::nearbyint(static_cast<float>(draw) * (static_cast<float>(i) * 2.3283064e-10f)));
        std::swap(shuffled[i], shuffled[std::min(j, i)]);
    }
    next = 0;
    return *shuffled[next++];
}

const SpawnPoint& SpawnQuery::Empty()
{
    static const SpawnPoint empty;
    return empty;
}
