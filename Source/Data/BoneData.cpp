#include "Source/Data/BoneData.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Members.h"

using namespace Lumvek;

namespace
{

// The member key of the current Object when it is an Array, otherwise null.
const Blueprint* FindArray(const BlueprintReader& reader, StringView key)
{
    const Blueprint* member = reader.GetCurrent().GetObject().Find(key);
    return member && member->GetType() == BlueprintType::Array ? member : nullptr;
}

// A polygon is taken whole or not at all: dropping an unreadable point would change its outline.
bool ReadShape(BlueprintReader& reader, std::vector<Vector2>& shape)
{
    if (!reader.GetCurrent().GetObject().Find("Shape"))
        return false;
    std::vector<Vector2> read;
    if (!ReadMember(reader, "Shape", read))
        return false;
    shape = std::move(read);
    return true;
}

} // namespace

bool BoneData::Read(BlueprintReader& reader)
{
    return Read(reader, 0);
}

bool BoneData::Read(BlueprintReader& reader, uint32_t depth)
{
    ReadMember(reader, "Name", name);
    ReadMember(reader, "LeftOrder", leftOrder);
    ReadMember(reader, "RightOrder", rightOrder);
    Angle angle;
    if (ReadMember(reader, "Position", position))
        hasPosition = true;
    if (ReadMember(reader, "Rotation", angle))
    {
        rotation = angle.radians;
        hasRotation = true;
    }
    if (ReadMember(reader, "Size", size))
        hasSize = true;
    if (ReadMember(reader, "Offset", offset))
        hasOffset = true;
    ReadShape(reader, shape);
    if (const Blueprint* list = FindArray(reader, "Children"))
    {
        if (depth + 1 >= MaximumDepth)
        {
            reader.Refuse("Children", FormatText("bones nest deeper than {}", MaximumDepth));
        }
        else
        {
            children.clear();
            children.reserve(list->GetCount());
            reader.GetMember("Children");
            for (uint32_t i = 0; i < list->GetCount(); ++i)
            {
                reader.GetElement(i);
                if (reader.GetCurrent().GetType() == BlueprintType::Object)
                    children.emplace_back().Read(reader, depth + 1);
                else
                    reader.Refuse("", "a bone object was expected");
                reader.Pop();
            }
            reader.Pop();
        }
    }
    else if (reader.GetCurrent().GetObject().Find("Children"))
    {
        reader.Refuse("Children", "an array of bones was expected");
    }
    ReadMember(reader, "CellCountX", cellCountX);
    ReadMember(reader, "CellCountY", cellCountY);
    ReadMember(reader, "FrameCount", frameCount);
    return true;
}

void BoneData::Write(BlueprintWriter& writer) const
{
    if (!name.empty())
        WriteMember(writer, "Name", StringView(name));
    if (leftOrder != InvalidId)
        WriteMember(writer, "LeftOrder", leftOrder);
    if (rightOrder != InvalidId)
        WriteMember(writer, "RightOrder", rightOrder);
    if (hasPosition)
        WriteMember(writer, "Position", position);
    if (hasRotation)
        WriteMember(writer, "Rotation", Angle{rotation});
    if (hasSize)
        WriteMember(writer, "Size", size);
    if (hasOffset)
        WriteMember(writer, "Offset", offset);
    if (!shape.empty())
    {
        writer.PushMember("Shape");
        writer.GetCurrent().SetArray();
        for (uint32_t i = 0; i < shape.size(); ++i)
        {
            writer.PushElement(i);
            WriteVector2Text(writer, shape[i]);
            writer.Pop();
        }
        writer.Pop();
    }
    if (!children.empty())
    {
        writer.PushMember("Children");
        writer.GetCurrent().SetArray();
        for (uint32_t i = 0; i < children.size(); ++i)
        {
            writer.PushElement(i);
            writer.GetCurrent().SetObject();
            children[i].Write(writer);
            writer.Pop();
        }
        writer.Pop();
    }
    if (frameCount != 0)
    {
        WriteMember(writer, "CellCountX", cellCountX);
        WriteMember(writer, "CellCountY", cellCountY);
        WriteMember(writer, "FrameCount", frameCount);
    }
}

bool ReadMember(BlueprintReader& reader, StringView key, BoneData& bone)
{
    return ReadObjectMember(reader, key, "a bone object was expected", [&] { return bone.Read(reader); });
}

bool WriteMember(BlueprintWriter& writer, StringView key, const BoneData& bone)
{
    writer.PushMember(key);
    writer.GetCurrent().SetObject();
    bone.Write(writer);
    writer.Pop();
    return true;
}
