#include "Source/Data/Data.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Format.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Audio/AudioDevice.h"
#include "Engine/Runtime/Audio/Sound.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"
#include "Source/Data/DataRegistry.h"

using namespace Lumvek;

Data::~Data() = default;

void Data::Load(Texture&, Texture&) {}

void Data::Unload() {}

bool Data::Read(BlueprintReader& reader)
{
    ReadMember(reader, "DisplayName", displayName);
    ReadMember(reader, "Description", description);
    // Every definition gets both ids, whether or not such images exist: the images behind them are
    // loaded by whoever needs them.
    icon = NameTableA().Add(name + "Icon");
    sketch = NameTableA().Add(name + "Sketch");
    return true;
}

void Data::Write(BlueprintWriter& writer) const
{
    if (!displayName.empty())
        WriteMember(writer, "DisplayName", StringView(displayName));
    if (!description.empty())
        WriteMember(writer, "Description", StringView(description));
}

Blueprint Data::WriteTree() const
{
    BlueprintWriter writer;
    // A definition with nothing to write still saves an object, which loads again.
    writer.GetRoot().SetObject();
    Write(writer);
    return std::move(writer.GetRoot());
}

std::string Data::GetAssetPath(StringView file, StringView extension) const
{
    return FormatText("Assets/{}/{}/{}{}", GetFolder(), name, file, extension);
}

bool Data::HasAsset(StringView file, StringView extension) const
{
    return registry && File::Exists(registry->GetFiles().ResolvePath(GetAssetPath(file, extension)));
}

bool Data::PrepareImage(Texture& texture, uint32_t regionId, StringView file, std::string& path, uint32_t& width,
                        uint32_t& height) const
{
    if (regionId == InvalidId || !registry || texture.GetRegion(regionId))
        return false;
    path = GetAssetPath(file, ".png");
    const FileManager& files = registry->GetFiles();
    auto* format = dynamic_cast<HeaderFormat<Texture, TextureHeader>*>(files.FindFormat(TypeIndex<Texture>(), "png"));
    TextureHeader header;
    std::string resolved = files.ResolvePath(path);
    if (format && File::Exists(resolved))
        header = format->ReadHeaderFromBytes(resolved, File::ReadAllBytes(resolved).View());
    width = header.width;
    height = header.height;
    // An empty region would take whatever size the image loader found later, over its neighbours.
    if (width == 0 || height == 0)
    {
        Log::Write("image {} is missing or unreadable", path);
        return false;
    }
    return true;
}

void Data::LoadImage(Texture& texture, uint32_t regionId, StringView file) const
{
    std::string path;
    uint32_t width = 0;
    uint32_t height = 0;
    if (!PrepareImage(texture, regionId, file, path, width, height))
        return;
    if (TextureRegion* region = Texture::AllocateRegion(texture, regionId, width, height, 0))
        region->Load(path);
}

void Data::LoadNineSliceImage(Texture& texture, uint32_t regionId, StringView file, uint32_t left, uint32_t right,
                              uint32_t bottom, uint32_t top) const
{
    std::string path;
    uint32_t width = 0;
    uint32_t height = 0;
    if (!PrepareImage(texture, regionId, file, path, width, height))
        return;
    if (auto* region = Texture::AllocateNineSliceRegion(texture, regionId, width, height, 0))
    {
        region->left = left;
        region->right = right;
        region->bottom = bottom;
        region->top = top;
        region->Load(path);
    }
}

void Data::LoadFramesImage(Texture& texture, uint32_t regionId, StringView file, uint32_t columns, uint32_t rows,
                           uint32_t count) const
{
    // Cell counts come from definition files; a grid needs at least one cell each way.
    if (columns == 0 || rows == 0)
    {
        Log::Write("{} of {} has a cell count of 0; 1 is used", file, name);
        columns = columns ? columns : 1;
        rows = rows ? rows : 1;
    }
    std::string path;
    uint32_t width = 0;
    uint32_t height = 0;
    if (!PrepareImage(texture, regionId, file, path, width, height))
        return;
    if (auto* region = Texture::AllocateFramesRegion(texture, regionId, width, height, 0))
    {
        region->SetGrid(columns, rows, width / columns, height / rows, count);
        region->Load(path);
    }
}

void Data::LoadSound(uint32_t soundId, StringView file, uint32_t mixer, bool loop) const
{
    if (soundId == InvalidId || !registry || !registry->GetAudio() || !registry->GetAudio()->resources)
        return;
    AudioDevice& audio = *registry->GetAudio();
    StringView soundName = NameSet::Global().GetName(soundId);
    uint32_t slot = NameTableB().Add(soundName);
    if (audio.resources->Get(slot))
        return;
    Sound* sound = audio.resources->Create<Sound>(slot);
    if (!sound)
        return;
    sound->device = &audio;
    sound->soundId = soundId;
    sound->mixer = mixer;
    sound->looping = loop;
    sound->path = GetAssetPath(file, ".wav");
    // The device plays only sounds registered on a mixer, and takes the samples for that
    // registration while the file loads.
    audio.AddSound(soundId, static_cast<AudioGroup>(mixer), loop);
    FileManager& files = registry->GetFiles();
    sound->handle = files.Load(files.ResolvePath(sound->path), *sound, soundName, false);
}

void Data::ReleaseSound(uint32_t soundId) const
{
    if (soundId != InvalidId && registry && registry->GetAudio())
        registry->GetAudio()->Release(soundId);
}

namespace
{

// The application's resource table, which the audio device shares; effects live there too.
ResourceTable* EffectTable(const DataRegistry* registry)
{
    return registry && registry->GetAudio() ? registry->GetAudio()->resources : nullptr;
}

} // namespace

void Data::LoadEffect(uint32_t effectId, StringView file) const
{
    ResourceTable* table = EffectTable(registry);
    if (effectId == InvalidId || !table || table->Get(effectId))
        return;
    if (Effects::EffectData* effect = table->Create<Effects::EffectData>(effectId))
        effect->Load(GetAssetPath(file, ".lte"));
}

void Data::ReleaseEffect(uint32_t effectId) const
{
    if (ResourceTable* table = EffectTable(registry); table && effectId != InvalidId)
        table->Destroy(effectId);
}

namespace DataDetail
{

size_t NameHash::operator()(std::string_view name) const
{
    return static_cast<size_t>(HashMemberName(StringView(name)));
}

} // namespace DataDetail
