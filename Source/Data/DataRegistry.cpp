#include "Source/Data/DataRegistry.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Path.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/ReadReport.h"
#include "Engine/Foundation/String.h"

#include <algorithm>
#include <filesystem>

using namespace Lumvek;

namespace
{

// A list entry or a definition name stays inside its collection's folder: relative, with no empty,
// "." or ".." components and no '\' (which the engine reads as a separator).
bool IsPlainPath(StringView path)
{
    if (path.IsEmpty())
        return false;
    uint32_t start = 0;
    for (uint32_t i = 0; i <= path.length; ++i)
    {
        if (i < path.length && path.data[i] == '\\')
            return false;
        if (i == path.length || path.data[i] == '/')
        {
            StringView component = path.Sub(start, i - start);
            if (component.IsEmpty() || component == StringView(".") || component == StringView(".."))
                return false;
            start = i + 1;
        }
    }
    return true;
}

} // namespace

std::vector<std::string> DataRegistry::ListFiles(const FileManager& files, StringView folder, bool itemFolders)
{
    std::vector<std::string> paths;
    std::string collectionFolder = Path::AppendCopy(files.applicationRoot, "Assets");
    Path::AppendInPlace(collectionFolder, folder);
    std::string listPath = Path::AppendCopy(collectionFolder, Path::GetLastComponent(Path::Clean(folder)) + ".json");

    auto [read, text] = File::ReadAllText(listPath);
    Blueprint list;
    if (!read || !JsonFormat::LoadBlueprint(text, list))
    {
        Log::Write("Failed to read JSON description file for {}", folder);
        return paths;
    }
    bool strings = list.GetType() == BlueprintType::Array;
    for (uint32_t i = 0; strings && i < list.GetCount(); ++i)
        strings = list.GetElement(i).GetType() == BlueprintType::String;
    if (!strings)
    {
        Log::Write("Failed to parse JSON description data for {}", folder);
        return paths;
    }

    paths.reserve(list.GetCount());
    for (uint32_t i = 0; i < list.GetCount(); ++i)
    {
        StringView entry = list.GetElement(i).GetString();
        if (!IsPlainPath(entry))
        {
            Log::Write("Skipped the entry \"{}\" of {}: not a name inside the folder", entry, folder);
            continue;
        }
        paths.push_back(itemFolders ? Path::AppendCopy(Path::AppendCopy(collectionFolder, entry), "Data.json")
                                    : Path::AppendCopy(collectionFolder, entry.ToString() + ".data"));
    }
    return paths;
}

bool DataCollectionBase::LoadItemFile(const std::string& path, StringView name, Blueprint& blueprint, JsonNotes& notes)
{
    auto [read, text] = File::ReadAllText(path);
    if (read && JsonFormat::LoadBlueprint(text, blueprint, notes) && blueprint.GetType() == BlueprintType::Object)
        return true;
    // Named as the definitions' reports name their files: from the application root.
    const std::string file = GetFileManager().NameFile(path);
    std::string why;
    // Each case's one line names the file: a line naming only "Data" and the folder's last part told
    // nothing more, and a missing definition was reported twice.
    if (!read)
    {
        // A name listed before its folder was made is the usual cause: the line names what was looked for.
        const std::string folder = Path::GetDirectory(path);
        std::error_code error;
        why = std::filesystem::is_directory(folder, error)
                  ? file + " cannot be read"
                  : FormatText("{} cannot be read: {} is listed, but its folder {} does not exist", file, name,
                               GetFileManager().NameFile(folder));
        Log::Write(why);
    }
    else if (!notes.error.empty())
    {
        why = file + " did not parse: " + notes.error;
        Log::Write(why);
    }
    else
    {
        why = file + " holds an array, where its file holds one object; it is skipped";
        Log::Write(why);
    }
    unread.emplace_back(name.ToString(), std::move(why));
    return false;
}

const std::string* DataCollectionBase::FindUnread(StringView name) const
{
    for (auto it = unread.rbegin(); it != unread.rend(); ++it)
        if (StringView(it->first) == name)
            return &it->second;
    return nullptr;
}

bool DataRegistry::LoadDataFile(StringView path, Blueprint& blueprint)
{
    auto [read, text] = File::ReadAllText(path);
    if (read && JsonFormat::LoadBlueprint(text, blueprint))
        return true;
    Log::Write("Failed to read JSON data for {} in {}", Path::GetFileName(path),
               Path::GetLastComponent(Path::GetDirectory(path)));
    return false;
}

namespace DataDetail
{

StringView ReadDataType(const Blueprint& root)
{
    const Blueprint* member = root.GetObject().Find("DataType");
    return member ? member->GetString() : StringView();
}

void LogUnknownDataType(StringView dataType, StringView name, StringView folder)
{
    Log::Write("Skipped {} in {}: no definition class has the DataType \"{}\"", name, folder, dataType);
}

std::string ItemName(StringView path, bool itemFolders)
{
    return itemFolders ? Path::GetLastComponent(Path::GetDirectory(path)) : Path::GetFileName(path);
}

} // namespace DataDetail

DataCollectionBase::DataCollectionBase(DataRegistry& registry, StringView folder, uint32_t loadStep)
    : registry(registry), folder(folder.ToString()), loadStep(loadStep)
{
    // Kept in load order; collections of the same step load in the order they were declared.
    auto& collections = registry.collections;
    auto place =
        std::upper_bound(collections.begin(), collections.end(), loadStep,
                         [](uint32_t step, const DataCollectionBase* other) { return step < other->loadStep; });
    collections.insert(place, this);
}

uint32_t DataCollectionBase::FindIndex(StringView name) const
{
    auto found = lookup.find(name.ToStdView());
    return found == lookup.end() ? InvalidId : found->second;
}

StringView DataCollectionBase::GetName(uint32_t index) const
{
    return index < names.size() ? StringView(names[index]) : StringView();
}

const FileManager& DataCollectionBase::GetFileManager() const
{
    return registry.GetFiles();
}

std::pair<uint32_t, bool> DataCollectionBase::InsertName(StringView name)
{
    auto [found, added] = lookup.try_emplace(name.ToString(), Count());
    if (added)
        names.push_back(name.ToString());
    return {found->second, added};
}

DataRegistry::DataRegistry(FileManager& files, AudioDevice* audio) : files(files), audio(audio) {}

DataRegistry::~DataRegistry() = default;

void DataRegistry::LoadAll()
{
    for (DataCollectionBase* collection : collections)
        collection->Load();
}

Data* DataRegistry::FindData(StringView folder, StringView name) const
{
    for (const DataCollectionBase* collection : collections)
        if (StringView(collection->GetFolder()) == folder)
            return collection->FindData(name);
    return nullptr;
}

bool DataRegistry::Save(Data& data, std::string* refusal) const
{
    std::string relative = data.GetAssetPath("Data", ".json");
    if (!IsPlainPath(data.name) || data.name.find('/') != std::string::npos)
    {
        Log::Write("failed to save {}: the name is no folder name", data.name);
        return false;
    }
    const Blueprint edited = data.WriteTree();
    Blueprint merged;
    std::string why;
    if (!data.record.Merge(edited, merged, why))
    {
        Log::Write(why);
        if (refusal)
            *refusal = std::move(why);
        return false;
    }
    std::string text = JsonFormat::SaveBlueprint(merged);
    std::error_code error;
    if (!File::WriteAllText(Path::AppendCopy(files.applicationRoot, relative), text, error))
    {
        Log::Write("failed to save {} to {}: {}", data.name, relative, error.message());
        return false;
    }
    data.record.Saved(merged, edited);
    Log::Write("saved {} to {}", data.name, relative);
    return true;
}
