#include "Source/Data/ProjectileData.h"

#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/NameSet.h"

using namespace Lumvek;

bool ProjectileData::Read(BlueprintReader& reader)
{
    Data::Read(reader);
    ReadMember(reader, "Size", size);
    ReadMember(reader, "Offset", offset);
    ReadMember(reader, "Orient", orient);
    ReadMember(reader, "CollideWithOneWay", collideWithOneWay);
    ReadMember(reader, "TrailSize", trailSize);
    return true;
}

void ProjectileData::Write(BlueprintWriter& writer) const
{
    WriteMember(writer, "DataType", ProjectileDataTypes().NameOf(*this));
    Data::Write(writer);
    WriteMember(writer, "Size", size);
    WriteMember(writer, "Offset", offset);
    WriteMember(writer, "Orient", orient);
    WriteMember(writer, "CollideWithOneWay", collideWithOneWay);
    WriteMember(writer, "TrailSize", trailSize);
}

void ProjectileData::Load(Texture& texture, Texture&)
{
    image = NameTableA().Add(name + "Projectile");
    LoadImage(texture, image, "Image");
    if (HasAsset("Trail", ".png"))
    {
        trail = NameTableA().Add(name + "Trail");
        LoadImage(texture, trail, "Trail");
    }
    // Only the effects' slots are named here: the definition has no particle effect resource to load
    // their files into, so the slots stay empty until something fills them.
    if (HasAsset("Trail", ".lte"))
        trailEffect = NameTableB().Add(name + "TrailEffect");
    if (HasAsset("Explosion", ".lte"))
        explosionEffect = NameTableB().Add(name + "ExplosionEffect");
    if (HasAsset("Explosion", ".wav"))
    {
        explosionSound = NameSet::Global().Add(name + "ExplosionSound");
        LoadSound(explosionSound, "Explosion", 2, false);
    }
}

void ProjectileData::Unload()
{
    ReleaseEffect(trailEffect);
    ReleaseEffect(explosionEffect);
    ReleaseSound(explosionSound);
}

bool DynamicProjectileData::Read(BlueprintReader& reader)
{
    ProjectileData::Read(reader);
    ReadMember(reader, "Density", density);
    ReadMember(reader, "Restitution", restitution);
    ReadMember(reader, "Friction", friction);
    ReadMember(reader, "Shape", shape);
    return true;
}

void DynamicProjectileData::Write(BlueprintWriter& writer) const
{
    ProjectileData::Write(writer);
    WriteMember(writer, "Density", density);
    WriteMember(writer, "Restitution", restitution);
    WriteMember(writer, "Friction", friction);
    WriteMember(writer, "Shape", shape);
}

const DataTypeMap<ProjectileData>& ProjectileDataTypes()
{
    static const DataTypeMap<ProjectileData> types{
        DataTypeMap<ProjectileData>::Of<LinearProjectileData>("LinearProjectile"),
        DataTypeMap<ProjectileData>::Of<DynamicProjectileData>("DynamicProjectile"),
    };
    return types;
}
