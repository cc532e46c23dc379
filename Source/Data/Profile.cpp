#include "Source/Data/Profile.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/Path.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/ReadReport.h"
#include "Engine/Foundation/String.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/Loadout.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

using namespace Lumvek;

namespace
{

struct LoadoutPart
{
    StringView member;
    uint32_t ProfileLoadout::*field;
};

// The parts of a profile loadout in file order; position i indexes the collection of
// Loadout::GetFolder(i).
constexpr LoadoutPart LoadoutParts[Loadout::PartCount] = {
    {"Head", &ProfileLoadout::head},
    {"Core", &ProfileLoadout::core},
    {"Arms", &ProfileLoadout::arms},
    {"Legs", &ProfileLoadout::legs},
};

struct UnlockedSetMember
{
    StringView member;
    UnlockedSet Profile::*set;
};

// Also the order in which IsUnlocked asks the sets.
constexpr UnlockedSetMember UnlockedSets[] = {
    {"Heads", &Profile::heads},
    {"Cores", &Profile::cores},
    {"Arms", &Profile::arms},
    {"Legs", &Profile::legs},
};

void ReadLoadout(BlueprintReader& reader, const DataRegistry& registry, ProfileLoadout& loadout)
{
    ReadMember(reader, "Name", loadout.name);
    for (uint32_t position = 0; position < Loadout::PartCount; ++position)
    {
        std::string part;
        // An empty name is what an index the registry did not hold was saved as: keep the part.
        if (!ReadMember(reader, LoadoutParts[position].member, part) || part.empty())
            continue;
        const StringView folder = Loadout::GetFolder(position);
        const DataCollectionBase* parts = FindCollection(registry, folder);
        const uint32_t index = parts ? parts->FindIndex(part) : Loadout::None;
        if (index == Loadout::None)
            reader.Refuse(LoadoutParts[position].member, FormatText("no definition of that name in {}", folder));
        else
            loadout.*LoadoutParts[position].field = index;
    }
}

void WriteLoadout(BlueprintWriter& writer, const DataRegistry& registry, const ProfileLoadout& loadout)
{
    WriteMember(writer, "Name", StringView(loadout.name));
    for (uint32_t position = 0; position < Loadout::PartCount; ++position)
    {
        const DataCollectionBase* parts = FindCollection(registry, Loadout::GetFolder(position));
        const StringView part = parts ? parts->GetName(loadout.*LoadoutParts[position].field) : StringView();
        WriteMember(writer, LoadoutParts[position].member, part);
    }
}

// Reads profile text into a new or default profile. Text that is no JSON object leaves the defaults and
// marks the profile damaged; the report logs where and why it did not parse.
bool ReadProfileText(Profile& profile, StringView text, StringView path, const DataRegistry& registry)
{
    Blueprint root;
    profile.record.report.SetFile(registry.GetFiles().NameFile(path));
    if (!ParseJsonObject(text, root, profile.record.report))
    {
        profile.damaged = true;
        return false;
    }
    BlueprintReader reader(root, &profile.record.report);
    const bool read = profile.Read(reader, registry);
    profile.record.file = std::move(root);
    BlueprintWriter writer;
    profile.Write(writer, registry);
    profile.record.asRead = writer.GetRoot();
    return read;
}

// The file as read, but for the numbers it wrote that JSON text cannot hold (a whole number beyond 64
// bits, which would be written back as another number): each holds what the profile read there, and
// one no reader knows is left out. So Save writes what the profile holds, never a number the file
// did not write.
Blueprint WritableFile(const FileRecord& record)
{
    Blueprint file = record.file;
    for (const std::string& path : record.report.GetUnwritableNumbers())
        if (Blueprint* number = FindPath(file, path))
        {
            const Blueprint* held = FindPath(record.asRead, path);
            *number = held ? *held : Blueprint();
        }
    return file;
}

} // namespace

void UnlockedSet::Set(StringView name, bool unlocked)
{
    auto [found, added] = positions.try_emplace(name.ToString(), Count());
    if (added)
        entries.push_back(Entry{name.ToString(), false});
    entries[found->second].unlocked = unlocked;
}

const bool* UnlockedSet::Find(StringView name) const
{
    auto found = positions.find(name.ToStdView());
    return found == positions.end() ? nullptr : &entries[found->second].unlocked;
}

StringView UnlockedSet::GetName(uint32_t position) const
{
    return position < entries.size() ? StringView(entries[position].name) : StringView();
}

void UnlockedSet::Read(BlueprintReader& reader)
{
    if (reader.GetCurrent().GetType() != BlueprintType::Object)
        return;
    for (const BlueprintMember& member : reader.GetCurrent().GetObject())
    {
        const StringView name = member.name.View();
        const bool* held = Find(name);
        bool unlocked = held && *held;
        const Blueprint* flag = member.value.GetObject().Find("Unlocked");
        if (flag && flag->GetType() == BlueprintType::Boolean)
            unlocked = flag->GetBoolean();
        Set(name, unlocked);
    }
}

void UnlockedSet::Write(BlueprintWriter& writer) const
{
    writer.GetCurrent().MakeObject();
    for (const Entry& entry : entries)
    {
        writer.PushMember(entry.name);
        WriteMember(writer, "Unlocked", entry.unlocked);
        writer.Pop();
    }
}

bool Profile::Read(BlueprintReader& reader, const DataRegistry& registry)
{
    ReadMember(reader, "Name", name);
    if (reader.GetMember("Controller"))
    {
        controller.Read(reader);
        reader.Pop();
    }
    if (reader.GetMember("Keyboard"))
    {
        keyboard.Read(reader);
        reader.Pop();
    }
    ReadMember(reader, "Gold", gold);
    ReadMember(reader, "Ink", ink);
    ReadMember(reader, "ActiveLoadout", activeLoadout);
    if (reader.GetMember("Loadouts"))
    {
        const Blueprint& list = reader.GetCurrent();
        const uint32_t count = list.GetType() == BlueprintType::Array ? list.GetCount() : 0;
        for (uint32_t i = 0; i < count && i < LoadoutCount; ++i)
        {
            if (!reader.GetElement(i))
                continue;
            ReadLoadout(reader, registry, loadouts[i]);
            reader.Pop();
        }
        reader.Pop();
    }
    for (const UnlockedSetMember& set : UnlockedSets)
    {
        if (reader.GetMember(set.member))
        {
            (this->*set.set).Read(reader);
            reader.Pop();
        }
    }
    return true;
}

void Profile::Write(BlueprintWriter& writer, const DataRegistry& registry) const
{
    WriteMember(writer, "Name", StringView(name));
    writer.PushMember("Controller");
    controller.Write(writer);
    writer.Pop();
    writer.PushMember("Keyboard");
    keyboard.Write(writer);
    writer.Pop();
    WriteMember(writer, "Gold", gold);
    WriteMember(writer, "Ink", ink);
    WriteMember(writer, "ActiveLoadout", activeLoadout);
    writer.PushMember("Loadouts");
    for (uint32_t i = 0; i < LoadoutCount; ++i)
    {
        writer.PushElement(i);
        WriteLoadout(writer, registry, loadouts[i]);
        writer.Pop();
    }
    writer.Pop();
    for (const UnlockedSetMember& set : UnlockedSets)
    {
        writer.PushMember(set.member);
        (this->*set.set).Write(writer);
        writer.Pop();
    }
}

bool Profile::Load(StringView path, const DataRegistry& registry)
{
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::path(path.ToStdView()), error) && !error)
        return true;
    auto [read, text] = File::ReadAllText(path);
    if (!read)
    {
        Log::Write("the profile {} cannot be read: it keeps its defaults and its file is not saved over",
                   registry.GetFiles().NameFile(path));
        damaged = true;
        return false;
    }
    return ReadProfileText(*this, text, path, registry);
}

bool Profile::Save(StringView applicationRoot, const DataRegistry& registry) const
{
    // The name may have changed since loading; only the damaged file itself is protected. A file that
    // did not parse gave no name: its profile is refused for that, not for the empty name.
    if (damaged && (name == key || name.empty()))
    {
        if (record.report.IsParsed())
            Log::Write("did not save the profile {}: its file could not be read and is kept as it is", key);
        else
            Log::Write("did not save the profile {}: {}; its file is kept as it is", record.report.GetFile(),
                       record.report.DescribeProblems());
        return false;
    }
    if (!IsFileName(name))
    {
        Log::Write("did not save the profile \"{}\": its name cannot name a file in Assets", name);
        return false;
    }
    const std::string relative = FormatText("Assets/{}.profile", name);
    BlueprintWriter writer;
    Write(writer, registry);
    // The player's changes go over the file as it was read: members no reader knows, and values the
    // reader could not take and the player left alone, stay as the file held them. A profile is never
    // refused for them: what the player changed must not be lost.
    const bool fromFile = record.file.GetType() == BlueprintType::Object;
    const std::string text = JsonFormat::SaveBlueprint(
        fromFile ? MergeEdits(WritableFile(record), record.asRead, writer.GetRoot()) : writer.GetRoot());
    std::error_code error;
    if (!File::WriteAllText(Path::AppendCopy(applicationRoot, relative), text, error))
    {
        Log::Write("failed to save the profile {} to {}: {}", name, relative, error.message());
        return false;
    }
    return true;
}

bool Profile::IsUnlocked(StringView part) const
{
    for (const UnlockedSetMember& set : UnlockedSets)
        if (const bool* unlocked = (this->*set.set).Find(part))
            return *unlocked;
    return false;
}

bool Profile::IsFileName(StringView name)
{
    if (name.IsEmpty() || String::Contains(name, ".."))
        return false;
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20; });
}

void Profile::LoadAll(ProfileCollection& profiles, StringView applicationRoot, const DataRegistry& registry)
{
    const std::filesystem::path folder(Path::AppendCopy(applicationRoot, "Assets"));
    std::vector<std::string> files;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
    {
        const std::string file = entry->path().filename().string();
        std::error_code kindError;
        if (entry->is_regular_file(kindError) && Path::GetExtension(file) == "profile")
            files.push_back(file);
    }
    // Listings come in no particular order; sorting keeps the load order the same on every run.
    std::sort(files.begin(), files.end());

    for (const std::string& file : files)
    {
        const std::string path = Path::AppendCopy(folder.string(), file);
        auto [read, text] = File::ReadAllText(path);
        if (!read)
        {
            Log::Write("skipped the profile {}: the file cannot be read", registry.GetFiles().NameFile(path));
            continue;
        }
        ReadProfileText(profiles.Add(Path::GetFileName(path)), text, path, registry);
    }
}

Profile& ProfileCollection::Add(StringView key)
{
    auto [found, added] = positions.try_emplace(key.ToString(), Count());
    if (added)
    {
        keys.push_back(key.ToString());
        profiles.emplace_back().key = key.ToString();
    }
    return profiles[found->second];
}

Profile* ProfileCollection::Find(StringView key)
{
    auto found = positions.find(key.ToStdView());
    return found == positions.end() ? nullptr : &profiles[found->second];
}

const Profile* ProfileCollection::Find(StringView key) const
{
    auto found = positions.find(key.ToStdView());
    return found == positions.end() ? nullptr : &profiles[found->second];
}

Profile& ProfileCollection::At(uint32_t index)
{
    if (index >= profiles.size())
        throw InvalidIndex(index, Count());
    return profiles[index];
}
