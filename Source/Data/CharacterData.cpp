#include "Source/Data/CharacterData.h"

#include "Source/Data/NamedAssets.h"

using namespace Lumvek;

namespace
{

struct CharacterSound
{
    const uint32_t* id;
    Lumvek::StringView file;
};

// The sounds every player makes, by the id the world plays them under and the file in the
// character's folder.
const CharacterSound CharacterSounds[] = {
    {&Sounds::HitPlayer, "Hit"},         {&Sounds::PlayerDeath, "Death"},
    {&Sounds::ClipEmpty, "Empty"},       {&Sounds::PickUpWeapon, "PickUpWeapon"},
    {&Sounds::PickUpAmmo, "PickUpAmmo"}, {&Sounds::PutAwaySound, "PutAway"},
    {&Sounds::TakeOutSound, "TakeOut"},
};

} // namespace

bool CharacterData::Read(BlueprintReader& reader)
{
    Data::Read(reader);
    if (reader.GetMember("Attributes"))
    {
        if (reader.GetCurrent().GetType() == BlueprintType::Object)
            attributes.Read(reader);
        reader.Pop();
    }
    const Blueprint* bones = reader.GetCurrent().GetObject().Find("Skeleton");
    if (bones && bones->GetType() == BlueprintType::Object)
        skeleton = *bones;
    return true;
}

void CharacterData::Write(BlueprintWriter& writer) const
{
    Data::Write(writer);
    writer.PushMember("Attributes");
    attributes.WriteAll(writer);
    writer.Pop();
    if (skeleton.GetType() == BlueprintType::Object)
    {
        writer.PushMember("Skeleton");
        writer.GetCurrent() = skeleton;
        writer.Pop();
    }
}

void CharacterData::Load(Texture&, Texture&)
{
    LoadAnimations();
    for (const CharacterSound& sound : CharacterSounds)
        LoadSound(*sound.id, sound.file, 2, false);
}

void CharacterData::Unload()
{
    UnloadAnimations();
    for (const CharacterSound& sound : CharacterSounds)
        ReleaseSound(*sound.id);
}
