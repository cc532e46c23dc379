#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Audio/Sound.h"
#include "Source/Data/DataRegistry.h"
#include "Tests/Engine/Foundation/TextureTestSupport.h"
#include "Tests/Engine/Runtime/Audio/RecordingDevices.h"
#include "Tests/Source/Data/DataTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace DataTesting
{

// Reads the JSON text into the definition, as the registry does with a file.
inline void ReadDefinition(Data& definition, const std::string& json)
{
    Lumvek::Blueprint root = Json(StringView(json));
    BlueprintReader reader(root);
    definition.Read(reader);
}

// What the definition writes, as a document saved by the registry.
inline Lumvek::Blueprint Written(const Data& definition)
{
    BlueprintWriter writer;
    writer.GetRoot().SetObject();
    definition.Write(writer);
    return writer.GetRoot();
}

// Writing what was read back gives the same document.
template <class T> void ExpectRoundTrip(const T& definition)
{
    T again;
    again.name = definition.name;
    again.registry = definition.registry;
    Lumvek::Blueprint written = Written(definition);
    BlueprintReader reader(written);
    again.Read(reader);
    EXPECT_EQ(Written(again), written);
}

// An assets folder with the game's registry over it, an audio device that records what it is told, and
// two textures for definitions to load their images into, all in one resource table.
class LoadingFolder : public AssetsFolder
{
public:
    LoadingFolder() : audio(&table, calls), registry(files, &audio)
    {
        first = NewTexture("First");
        second = NewTexture("Second");
    }

    // A definition of the registry's kind, named and attached to the registry without being stored.
    template <class T> void Attach(T& definition, const std::string& name)
    {
        definition.name = name;
        definition.registry = &registry;
    }

    // The sound loaded under a name of NameSet::Global; null when there is none.
    Lumvek::Sound* FindSound(uint32_t soundId) const
    {
        return table.Find<Lumvek::Sound>(Lumvek::NameTableB().Add(Lumvek::NameSet::Global().GetName(soundId)));
    }

    // Puts a resource into the slot, standing in for an effect loaded there.
    void FillSlot(uint32_t slot) { table.Insert(slot, 0, std::make_unique<Lumvek::Resource>()); }

    Lumvek::ResourceTable table{&files};
    Lumvek::Testing::DeviceCalls calls;
    Lumvek::Testing::RecordingAudioDevice audio;
    DataRegistry registry;
    Lumvek::Texture* first = nullptr;
    Lumvek::Texture* second = nullptr;

private:
    Lumvek::Texture* NewTexture(const std::string& name)
    {
        // A name per folder, so that tests running in one process never share a texture slot.
        static int count = 0;
        Lumvek::Texture* texture =
            table.CreateTexture(Lumvek::NameTableB().Add("DefinitionTests" + name + std::to_string(++count)));
        EXPECT_TRUE(texture->SetSize(64, 64, Lumvek::TextureFormat::ColorBuffer4x8));
        return texture;
    }
};

} // namespace DataTesting
