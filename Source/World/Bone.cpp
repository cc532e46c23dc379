#include "Source/World/Bone.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Members.h"
#include "Source/Data/BoneData.h"
#include "Source/Data/BoneSprites.h"

#include <cmath>

using namespace Lumvek;

namespace
{

constexpr float FullTurn = 6.2831855f;

// Into [0, 2π) by whole turns. fmod first, since subtracting one turn from a float of 2^27 radians or
// more gives the same float back and a plain loop would never end.
float WrapAngle(float angle)
{
    if (!std::isfinite(angle))
        return angle;
    if (std::fabs(angle) >= FullTurn * 4.0f)
        angle = std::fmod(angle, FullTurn);
    while (angle < 0.0f)
        angle += FullTurn;
    while (angle >= FullTurn)
        angle -= FullTurn;
    return angle;
}

// A child is not drawn larger with its parent, so its own transform is divided by the parent's scale.
// A parent squashed to nothing in one axis (a part file that gives a bone no "Size") counts as 1:
// the division would otherwise fill the child's transform with infinities.
float ParentScaleDivisor(float parentScale)
{
    const float size = std::fabs(parentScale);
    return size > 0.0f ? size : 1.0f;
}

// An animated sprite takes its frame modulo the count, so a count of 0 is a count of 1.
uint32_t UsableFrameCount(uint32_t frameCount)
{
    return frameCount == 0 ? 1 : frameCount;
}

} // namespace

void Bone::ResolveSpriteIds(const Data& owner, Bone& bone)
{
    ResolveBoneSprites(owner, bone);
}

void Bone::LoadTree(const Data& owner, Lumvek::Texture& spriteTexture, Lumvek::Texture& drawTexture, const Bone& bone)
{
    LoadBoneSprites(owner, spriteTexture, drawTexture, bone);
}

Matrix3x3 Bone::GetChildTransform(Vector2 at) const
{
    Matrix3x3 transform = Matrix3x3::Compose(0.0f, 0.0f, scale.x, scale.y, rotation, offset.x, offset.y);
    const float divisorX = ParentScaleDivisor(parent->scale.x);
    const float divisorY = ParentScaleDivisor(parent->scale.y);
    for (uint32_t row = 0; row < 3; ++row)
    {
        transform.m[3 * row] /= divisorX;
        transform.m[3 * row + 1] /= divisorY;
    }
    transform.m[6] += at.x;
    transform.m[7] += at.y;
    return transform;
}

const Matrix3x3& Bone::GetWorldTransform()
{
    if (!worldDirty)
        return worldTransform;
    if (!parent)
    {
        if (localDirty)
        {
            localTransform = Matrix3x3::Compose(position.x, position.y, scale.x, scale.y, rotation, offset.x, offset.y);
            localDirty = false;
        }
        worldTransform = localTransform;
    }
    else
    {
        worldTransform = GetChildTransform(position) * parent->GetWorldTransform();
    }
    worldDirty = false;
    return worldTransform;
}

const Matrix3x3& Bone::GetRenderTransform()
{
    if (!renderDirty)
        return renderTransform;
    if (!parent)
        renderTransform =
            Matrix3x3::Compose(renderPosition.x, renderPosition.y, scale.x, scale.y, rotation, offset.x, offset.y);
    else
        renderTransform = GetChildTransform(position) * parent->GetRenderTransform();
    renderDirty = false;
    return renderTransform;
}

float Bone::GetWorldRotation() const
{
    if (!parent)
        return rotation;
    return WrapAngle(rotation + parent->GetWorldRotation());
}

void Bone::MarkDirty()
{
    localDirty = true;
    worldDirty = true;
    renderDirty = true;
    for (Bone& child : children)
        child.MarkDirty();
}

void Bone::SetParent(Bone* newParent)
{
    parent = newParent;
    for (Bone& child : children)
        child.SetParent(this);
}

Bone* Bone::Find(StringView boneName, bool recursive)
{
    for (Bone& child : children)
    {
        if (StringView(child.name) == boneName)
            return &child;
        if (recursive)
            if (Bone* found = child.Find(boneName, true))
                return found;
    }
    return nullptr;
}

void Bone::Apply(const BoneData& definition)
{
    if (definition.drawRegion != InvalidId)
        drawRegion = definition.drawRegion;
    if (definition.region != InvalidId)
        region = definition.region;
    if (definition.frameCount != 0)
    {
        cellCountX = definition.cellCountX;
        cellCountY = definition.cellCountY;
        frameCount = definition.frameCount;
    }
    if (!definition.shape.empty())
        shape = definition.shape;
    if (definition.hasPosition)
        position = definition.position;
    if (definition.hasRotation)
        rotation = definition.rotation;
    if (definition.hasSize)
        scale = definition.size;
    if (definition.hasOffset)
        offset = definition.offset;
    if (definition.leftOrder != InvalidId)
        leftOrder = definition.leftOrder;
    if (definition.rightOrder != InvalidId)
        rightOrder = definition.rightOrder;
    for (const BoneData& childDefinition : definition.children)
    {
        if (Bone* child = Find(childDefinition.name, false))
            child->Apply(childDefinition);
        else
            AddChild(childDefinition);
    }
    MarkDirty();
}

Bone& Bone::AddChild(const BoneData& definition)
{
    Bone& child = children.emplace_back();
    child.name = definition.name;
    child.drawRegion = definition.drawRegion;
    child.region = definition.region;
    child.shape = definition.shape;
    child.frameCount = UsableFrameCount(definition.frameCount);
    child.cellCountX = definition.cellCountX;
    child.cellCountY = definition.cellCountY;
    child.leftOrder = definition.leftOrder;
    child.rightOrder = definition.rightOrder;
    child.position = definition.position;
    child.rotation = definition.rotation;
    child.scale = definition.size;
    child.offset = definition.offset;
    for (const BoneData& grandchild : definition.children)
        child.AddChild(grandchild);
    // Appending may have moved the other children, and their children still point at where they were.
    SetParent(parent);
    return child;
}

void Bone::CopyRotations(const Bone& source)
{
    rotation = source.rotation;
    for (Bone& child : children)
        for (const Bone& sourceChild : source.children)
            if (sourceChild.name == child.name)
            {
                child.CopyRotations(sourceChild);
                break;
            }
}

bool Bone::Read(BlueprintReader& reader)
{
    return Read(reader, 0);
}

bool Bone::Read(BlueprintReader& reader, uint32_t depth)
{
    ReadMember(reader, "Name", name);
    ReadMember(reader, "LeftOrder", leftOrder);
    ReadMember(reader, "RightOrder", rightOrder);
    ReadMember(reader, "Position", position);
    Angle angle;
    if (ReadMember(reader, "Rotation", angle))
        rotation = angle.radians;
    ReadMember(reader, "Size", scale);
    ReadMember(reader, "Offset", offset);
    std::vector<Vector2> points;
    if (ReadMember(reader, "Shape", points))
        shape = std::move(points);
    const Blueprint* list = reader.GetCurrent().GetType() == BlueprintType::Object
                                ? reader.GetCurrent().GetObject().Find("Children")
                                : nullptr;
    if (list && list->GetType() == BlueprintType::Array)
    {
        if (depth + 1 >= MaximumDepth)
        {
            Log::Write("the children of bone {} nest deeper than {} bones and are not read", name, MaximumDepth);
        }
        else
        {
            children.clear();
            children.reserve(list->GetCount());
            for (uint32_t i = 0; i < list->GetCount(); ++i)
            {
                const Blueprint& element = list->GetElement(i);
                if (element.GetType() != BlueprintType::Object)
                    continue;
                BlueprintReader childReader(element);
                children.emplace_back().Read(childReader, depth + 1);
            }
        }
    }
    ReadMember(reader, "CellCountX", cellCountX);
    ReadMember(reader, "CellCountY", cellCountY);
    if (ReadMember(reader, "FrameCount", frameCount))
        frameCount = UsableFrameCount(frameCount);
    if (depth == 0)
        SetParent(parent);
    MarkDirty();
    return true;
}

void Bone::Write(BlueprintWriter& writer) const
{
    WriteMember(writer, "Name", StringView(name));
    WriteMember(writer, "Position", position);
    if (leftOrder != InvalidId)
        WriteMember(writer, "LeftOrder", leftOrder);
    if (rightOrder != InvalidId)
        WriteMember(writer, "RightOrder", rightOrder);
    if (rotation != 0.0f)
        WriteMember(writer, "Rotation", Angle{rotation});
    if (scale != Vector2(1.0f, 1.0f))
        WriteMember(writer, "Size", scale);
    if (offset != Vector2())
        WriteMember(writer, "Offset", offset);
    if (!shape.empty())
        WriteMember(writer, "Shape", shape);
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
    if (frameCount >= 2)
    {
        WriteMember(writer, "CellCountX", cellCountX);
        WriteMember(writer, "CellCountY", cellCountY);
        WriteMember(writer, "FrameCount", frameCount);
    }
}
