#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/ReadReport.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>
#include <unordered_map>
#include <vector>

namespace Lumvek
{
class Texture;
}

class DataRegistry;

// The base of every content definition of the game: what all of them share, read from and written
// to their "Data.json", and the loaders by which a definition loads the images and sounds of its
// own asset folder. The registry creates, reads and owns every definition; others keep pointers or
// the index.
class Data
{
public:
    Data() = default;
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;
    virtual ~Data() = 0;

    // Loads the assets the definition names into regions of the two textures, the sounds and the
    // effects. Each family says which image goes to which texture.
    virtual void Load(Lumvek::Texture& imageTexture, Lumvek::Texture& drawTexture);
    // Releases what Load took.
    virtual void Unload();
    // Fills the fields from the reader's current Object; absent members keep their fields, and a
    // member that cannot be taken (of the wrong form, out of range, an unknown name) keeps its field
    // and is refused through the reader, which names it in the file's report. Runs before the
    // registry sets the index, so readers may use the name but not the index. The registry does not
    // look at the answer.
    virtual bool Read(Lumvek::BlueprintReader& reader);
    // Writes the fields into the writer's current value. The name, index and image ids are never
    // written: the name is the folder's.
    virtual void Write(Lumvek::BlueprintWriter& writer) const;
    // What Write makes of the definition, as a whole tree: always an Object.
    Lumvek::Blueprint WriteTree() const;
    // The family's asset folder below "Assets", which is also the folder its collection is loaded
    // from, so a saved definition lands where it is loaded.
    virtual Lumvek::StringView GetFolder() const = 0;

    // The path "Assets/<folder>/<name>/<file><extension>", relative to the application root.
    std::string GetAssetPath(Lumvek::StringView file, Lumvek::StringView extension) const;
    // Whether that file exists under the application root; false without a registry.
    bool HasAsset(Lumvek::StringView file, Lumvek::StringView extension) const;

    // The loaders below do nothing for the id -1 or for a slot that already holds its content, so
    // definitions may name the same asset and the first to load it wins. A missing file is reported
    // by the file manager and leaves the slot without content.

    // Reserves a region of the size of <file>.png under regionId and loads the image into it.
    void LoadImage(Lumvek::Texture& texture, uint32_t regionId, Lumvek::StringView file) const;
    // As LoadImage, with a nine-slice region of the given margins in pixels.
    void LoadNineSliceImage(Lumvek::Texture& texture, uint32_t regionId, Lumvek::StringView file, uint32_t left,
                            uint32_t right, uint32_t bottom, uint32_t top) const;
    // As LoadImage, with a region cut into columns x rows frames, count of them in all. A count of 0
    // columns or rows is taken as 1, logged.
    void LoadFramesImage(Lumvek::Texture& texture, uint32_t regionId, Lumvek::StringView file, uint32_t columns,
                         uint32_t rows, uint32_t count) const;
    // soundId is an index in NameSet::Global; its name, added to NameTableB, gives the slot of the
    // audio device's resource table that receives <file>.wav, played on mixer, looping or not.
    void LoadSound(uint32_t soundId, Lumvek::StringView file, uint32_t mixer, bool loop) const;
    // Has the audio device forget the sound of that id and drop its resource; nothing for -1.
    void ReleaseSound(uint32_t soundId) const;
    // effectId is an id in NameTableB and the effect's slot in the resource table the audio device
    // shares with the application; an empty slot receives a particle effect loaded from <file>.lte.
    void LoadEffect(uint32_t effectId, Lumvek::StringView file) const;
    // Destroys the resource in slot effectId of the resource table the audio device shares with the
    // application, where the definition's particle effect is kept; nothing for -1 or an empty slot,
    // so releasing twice destroys the effect once.
    void ReleaseEffect(uint32_t effectId) const;

    std::string displayName;
    std::string description;
    // The definition's key: its folder's name in its collection.
    std::string name;
    // Its position in its collection.
    uint32_t index = 0;
    // Ids in NameTableA of the images named name + "Icon" and name + "Sketch".
    uint32_t icon = Lumvek::InvalidId;
    uint32_t sketch = Lumvek::InvalidId;
    // The registry that holds the definition; its file manager and audio device serve the loaders.
    // Null for a definition made outside a registry, whose loaders then do nothing.
    DataRegistry* registry = nullptr;
    // The file the definition was read from, what it wrote right after, and what of the file it could
    // not take: a Save writes the maker's changes over the file, and nothing else. Filled by the
    // registry; application thread once loaded.
    Lumvek::FileRecord record;

private:
    // The image's size from its file header, and whether the texture still lacks the region.
    bool PrepareImage(Lumvek::Texture& texture, uint32_t regionId, Lumvek::StringView file, std::string& path,
                      uint32_t& width, uint32_t& height) const;
};

namespace DataDetail
{

struct NameHash
{
    using is_transparent = void;
    size_t operator()(std::string_view name) const;
};

using NameIndexMap = std::unordered_map<std::string, uint32_t, NameHash, std::equal_to<>>;

} // namespace DataDetail

// Turns the "DataType" text of a definition file into a new object of the right class, for the
// families whose members differ in class. One static map per family.
template <class Base> class DataTypeMap
{
public:
    using Factory = std::unique_ptr<Base> (*)();

    struct Entry
    {
        std::string name;
        Factory factory;
        const std::type_info* type;
    };

    // The entry that makes a default T under its DataType name.
    template <class T> static Entry Of(Lumvek::StringView name)
    {
        return Entry{name.ToString(), []() -> std::unique_ptr<Base> { return std::make_unique<T>(); }, &typeid(T)};
    }

    // Registers the entries in order; a name given again keeps its slot and takes the later class.
    DataTypeMap(std::initializer_list<Entry> list)
    {
        for (const Entry& entry : list)
        {
            auto [found, added] = slots.try_emplace(entry.name, static_cast<uint32_t>(entries.size()));
            if (added)
                entries.push_back(entry);
            else
                entries[found->second] = entry;
        }
    }
    DataTypeMap(const DataTypeMap&) = delete;
    DataTypeMap& operator=(const DataTypeMap&) = delete;

    // The slot of a DataType name; -1 when it is not registered.
    uint32_t Find(Lumvek::StringView name) const
    {
        auto found = slots.find(name.ToStdView());
        return found == slots.end() ? Lumvek::InvalidId : found->second;
    }
    // A new default object of the registered class; null for a name that is not registered.
    std::unique_ptr<Base> Create(Lumvek::StringView name) const
    {
        uint32_t slot = Find(name);
        return slot == Lumvek::InvalidId ? nullptr : entries[slot].factory();
    }
    // The DataType name of the object's own class; empty when that class is not registered.
    Lumvek::StringView NameOf(const Base& object) const
    {
        for (const Entry& entry : entries)
            if (*entry.type == typeid(object))
                return entry.name;
        return Lumvek::StringView();
    }
    const std::vector<Entry>& GetEntries() const { return entries; }

private:
    DataDetail::NameIndexMap slots;
    std::vector<Entry> entries;
};
