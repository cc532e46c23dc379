#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Exceptions.h"
#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/ReadReport.h"
#include "Engine/Foundation/StringView.h"
#include "Source/Data/CharacterData.h"
#include "Source/Data/Data.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/GameTypeData.h"
#include "Source/Data/HazardData.h"
#include "Source/Data/InteractionData.h"
#include "Source/Data/ItemData.h"
#include "Source/Data/MapData.h"
#include "Source/Data/PartData.h"
#include "Source/Data/ProjectileData.h"
#include "Source/Data/ThemeData.h"
#include "Source/Data/TriggerData.h"
#include "Source/Data/WeaponData.h"
#include "Source/Data/ZoneData.h"

#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace Lumvek
{
class AudioDevice;
class FileManager;
} // namespace Lumvek

class DataRegistry;

// What the registry asks of the items of a configuration collection (files "<name>.data" read by the
// item itself): the registry sets the key and the index, then the item reads itself, looking up
// the definitions it names in the registry.
template <class T>
concept RegistryConfiguration = requires(T& item, Lumvek::BlueprintReader& reader, DataRegistry& registry)
{
    item.key = std::string();
    item.registryIndex = uint32_t();
    item.Read(reader, registry);
};

// The part of a collection that does not depend on its item type: the folder it loads from, its
// place in the load order, and the names of its items by index. Registers itself with its registry,
// which loads the collections in order of their load steps.
class DataCollectionBase
{
public:
    DataCollectionBase(DataRegistry& registry, Lumvek::StringView folder, uint32_t loadStep);
    DataCollectionBase(const DataCollectionBase&) = delete;
    DataCollectionBase& operator=(const DataCollectionBase&) = delete;
    virtual ~DataCollectionBase() = default;

    // Loads every item its list file names.
    virtual void Load() = 0;
    // The definition of that name; null when there is none or the collection holds configurations.
    virtual Data* FindData(Lumvek::StringView name) const = 0;

    // Below "Assets", with '/' separators: "GameTypes", "Parts/Heads".
    const std::string& GetFolder() const { return folder; }
    uint32_t GetLoadStep() const { return loadStep; }
    uint32_t Count() const { return static_cast<uint32_t>(names.size()); }
    // The last index; -1 when the collection is empty.
    uint32_t LastIndex() const { return Count() - 1; }
    // The index of the item whose name equals the text exactly; -1 when there is none.
    uint32_t FindIndex(Lumvek::StringView name) const;
    // Item names in index order.
    const std::vector<std::string>& GetNames() const { return names; }
    // The name at an index; empty beyond the end.
    Lumvek::StringView GetName(uint32_t index) const;
    // Why an item the list names was not loaded ("Assets/Configurations/Default.data did not parse:
    // line 3, column 14: a number beyond a double"); null when it loaded or the list does not name it.
    const std::string* FindUnread(Lumvek::StringView name) const;

protected:
    // Loads the item file at path: the tree, with the keys it writes twice in notes. False, logged and
    // kept for FindUnread, when it cannot be read, does not parse or holds no object.
    bool LoadItemFile(const std::string& path, Lumvek::StringView name, Lumvek::Blueprint& blueprint,
                      Lumvek::JsonNotes& notes);

    const Lumvek::FileManager& GetFileManager() const;
    // Enters the name, appending it when new. Answers its index and whether it was new.
    std::pair<uint32_t, bool> InsertName(Lumvek::StringView name);

    DataRegistry& registry;

private:
    std::string folder;
    uint32_t loadStep;
    std::vector<std::string> names;
    DataDetail::NameIndexMap lookup;
    std::vector<std::pair<std::string, std::string>> unread;
};

namespace DataDetail
{

// The "DataType" string of a definition's root object; empty when there is none.
Lumvek::StringView ReadDataType(const Lumvek::Blueprint& root);
void LogUnknownDataType(Lumvek::StringView dataType, Lumvek::StringView name, Lumvek::StringView folder);
// The name a list entry gives its item: the entry's last component.
std::string ItemName(Lumvek::StringView path, bool itemFolders);

} // namespace DataDetail

// The items of one collection by name and by index: definitions (one folder with a "Data.json" per
// item) or configurations (one "<name>.data" file per item). Owns its items.
template <class T> class DataCollection final : public DataCollectionBase
{
public:
    // Every item is a T.
    DataCollection(DataRegistry& registry, Lumvek::StringView folder,
                   uint32_t loadStep) requires(!std::is_abstract_v<T>)
        : DataCollectionBase(registry, folder, loadStep)
    {
    }
    // Each file's "DataType" chooses the class; a file whose DataType the map does not know is skipped.
    DataCollection(DataRegistry& registry, Lumvek::StringView folder, uint32_t loadStep,
                   const DataTypeMap<T>& types) requires std::derived_from<T, Data>
        : DataCollectionBase(registry, folder, loadStep), types(&types)
    {
    }

    // The item whose name equals the text exactly; null when there is none.
    T* Find(Lumvek::StringView name) const
    {
        uint32_t found = FindIndex(name);
        return found == Lumvek::InvalidId ? nullptr : items[found].get();
    }
    // The item at an index, which must be below Count (InvalidIndex otherwise).
    T& At(uint32_t index) const
    {
        if (index >= items.size())
            throw Lumvek::InvalidIndex(index, static_cast<uint32_t>(items.size()));
        return *items[index];
    }
    // The item at an index; null beyond the end.
    T* Get(uint32_t index) const { return index < items.size() ? items[index].get() : nullptr; }
    const std::vector<std::unique_ptr<T>>& GetItems() const { return items; }

    Data* FindData(Lumvek::StringView name) const override
    {
        if constexpr (std::derived_from<T, Data>)
            return Find(name);
        else
            return nullptr;
    }

    // Names the definition, lets it read the blueprint's root and stores it with its file's record.
    // A name already present has its item replaced in place (the old one is destroyed), so an index
    // always names the item stored there and each item's index is its position.
    // Keys the file writes twice and integers beyond 64 bits (notes) are reported as the file's problems.
    T* Add(Lumvek::StringView name, const Lumvek::Blueprint& blueprint, std::unique_ptr<T> item,
           const Lumvek::JsonNotes* notes = nullptr) requires std::derived_from<T, Data>
    {
        item->name = name.ToString();
        item->registry = &registry;
        item->record.file = blueprint;
        item->record.report.SetFile(item->GetAssetPath("Data", ".json"));
        if (notes)
            Lumvek::ReportTextNotes(item->record.report, *notes);
        Lumvek::BlueprintReader reader(blueprint, &item->record.report);
        item->Read(reader);
        item->record.asRead = item->WriteTree();
        auto [slot, added] = InsertName(name);
        item->index = slot;
        if (added)
            items.push_back(std::move(item));
        else
            items[slot] = std::move(item);
        return items[slot].get();
    }

    void Load() override;

private:
    std::unique_ptr<T> Create(const Lumvek::Blueprint& blueprint, Lumvek::StringView name) const
    {
        if constexpr (!std::is_abstract_v<T>)
        {
            if (!types)
                return std::make_unique<T>();
        }
        Lumvek::StringView dataType = DataDetail::ReadDataType(blueprint);
        std::unique_ptr<T> item = types ? types->Create(dataType) : nullptr;
        if (!item)
            DataDetail::LogUnknownDataType(dataType, name, GetFolder());
        return item;
    }

    // A configuration read a second time under the same name is read into the one stored first. What
    // it cannot take is logged with its file; configurations are not saved, so the report is not kept.
    void AddConfiguration(Lumvek::StringView name, const Lumvek::Blueprint& blueprint, const Lumvek::JsonNotes& notes)
    {
        auto [slot, added] = InsertName(name);
        if (added)
            items.push_back(std::make_unique<T>());
        T& item = *items[slot];
        item.key = name.ToString();
        item.registryIndex = slot;
        Lumvek::ReadReport report;
        report.SetFile("Assets/" + GetFolder() + "/" + name.ToString() + ".data");
        Lumvek::ReportTextNotes(report, notes);
        Lumvek::BlueprintReader reader(blueprint, &report);
        item.Read(reader, registry);
    }

    const DataTypeMap<T>* types = nullptr;
    std::vector<std::unique_ptr<T>> items;
};

// The game's content database: loads every definition from the "Assets" folder in one fixed order,
// owns them, and finds them by name or index. Owned by the game system; filled once on the start-up
// loader thread, then read on the application thread only.
class DataRegistry
{
public:
    // The files come from below the application root of the file manager; the audio device, when
    // given, receives the sounds definitions load.
    explicit DataRegistry(Lumvek::FileManager& files, Lumvek::AudioDevice* audio = nullptr);
    DataRegistry(const DataRegistry&) = delete;
    DataRegistry& operator=(const DataRegistry&) = delete;
    virtual ~DataRegistry();

    // Loads every collection in the order of their load steps.
    void LoadAll();
    // Writes one definition to Assets/<folder>/<name>/Data.json under the application root: the
    // maker's changes merged over the file as read (FileRecord::Merge), so values left alone keep
    // their text and members no reader knows stay. Refused, the file left as it is, while the file
    // was not read whole and a member it could not take is unchanged; the refusal is logged and, when
    // asked for, handed back. False, logged, when nothing was written.
    bool Save(Data& data, std::string* refusal = nullptr) const;

    // The full paths of the items a collection's list file Assets/<folder>/<leaf>.json names, in list
    // order: <name>/Data.json files with itemFolders, <name>.data files without. Empty, logged, when
    // the list is missing, no JSON, or not an array of strings. Entries that would leave the
    // collection's folder ("..", ".", empty components, '\') are skipped, logged.
    static std::vector<std::string> ListFiles(const Lumvek::FileManager& files, Lumvek::StringView folder,
                                              bool itemFolders);
    // Reads the file as JSON into the blueprint; false, logged, when it is missing or no JSON.
    static bool LoadDataFile(Lumvek::StringView path, Lumvek::Blueprint& blueprint);

    // The definition of that name in the collection loaded from that folder; null when either is
    // missing. Lets a definition find those of another family by name.
    Data* FindData(Lumvek::StringView folder, Lumvek::StringView name) const;

    Lumvek::FileManager& GetFiles() const { return files; }
    Lumvek::AudioDevice* GetAudio() const { return audio; }
    // The collections in load order.
    const std::vector<DataCollectionBase*>& GetCollections() const { return collections; }

private:
    friend class DataCollectionBase;

    Lumvek::FileManager& files;
    Lumvek::AudioDevice* audio;
    std::vector<DataCollectionBase*> collections;

public:
    // The collections, each with its folder and its load step; a family is one line here. Declared
    // after the list above, which they join as they are constructed. The steps leave room for the
    // families loaded around them: hazards 1, interactions 2, maps 3, themes 4, triggers 5, zones 6,
    // characters 8, heads to legs 9 to 12, items 13, projectiles 14, weapons 15, and the configuration
    // collections 16 to 19 after every definition they name.
    DataCollection<HazardData> hazards{*this, "Hazards", 1};
    DataCollection<InteractionData> interactions{*this, "Interactions", 2};
    DataCollection<MapData> maps{*this, "Maps", 3};
    DataCollection<ThemeData> themes{*this, "Themes", 4};
    DataCollection<TriggerData> triggers{*this, "Triggers", 5};
    DataCollection<ZoneData> zones{*this, "Zones", 6};
    DataCollection<GameTypeData> gameTypes{*this, "GameTypes", 7, GameTypeDataTypes()};
    DataCollection<CharacterData> characters{*this, "Characters", 8};
    DataCollection<HeadData> heads{*this, "Parts/Heads", 9, HeadDataTypes()};
    DataCollection<CoreData> cores{*this, "Parts/Cores", 10, CoreDataTypes()};
    DataCollection<ArmsData> arms{*this, "Parts/Arms", 11, ArmsDataTypes()};
    DataCollection<LegsData> legs{*this, "Parts/Legs", 12, LegsDataTypes()};
    DataCollection<ItemData> items{*this, "Items", 13, ItemDataTypes()};
    // Before the weapons, which find the projectile they fire by name while they are read.
    DataCollection<ProjectileData> projectiles{*this, "Projectiles", 14, ProjectileDataTypes()};
    DataCollection<WeaponData> weapons{*this, "Weapons", 15, WeaponDataTypes()};
    DataCollection<GameConfiguration> configurations{*this, "Configurations", 16};
    DataCollection<GameConfiguration> challenges{*this, "Challenges", 17};
    DataCollection<GameConfiguration> demoConfigurations{*this, "DemoConfigurations", 18};
    DataCollection<GameConfiguration> demoChallenges{*this, "DemoChallenges", 19};
};

template <class T> void DataCollection<T>::Load()
{
    constexpr bool definitions = std::derived_from<T, Data>;
    static_assert(definitions || RegistryConfiguration<T>, "a collection holds definitions or configurations");
    for (const std::string& path : DataRegistry::ListFiles(GetFileManager(), GetFolder(), definitions))
    {
        Lumvek::Blueprint blueprint;
        Lumvek::JsonNotes notes;
        std::string name = DataDetail::ItemName(path, definitions);
        if (!LoadItemFile(path, name, blueprint, notes))
            continue;
        if constexpr (definitions)
        {
            std::unique_ptr<T> item = Create(blueprint, name);
            if (item)
                Add(name, blueprint, std::move(item), &notes);
        }
        else
        {
            AddConfiguration(name, blueprint, notes);
        }
    }
}
