#include "Source/World/CharacterAnimations.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Path.h"
#include "Engine/Foundation/Pattern.h"
#include "Source/Data/CharacterData.h"
#include "Source/Data/DataRegistry.h"
#include "Source/World/IkAnimation.h"
#include "Source/World/TimelineAnimation.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

using namespace Lumvek;

namespace
{

constexpr std::array<AnimationChannel, AnimationChannelCount> Channels{
    AnimationChannel::Head, AnimationChannel::Core, AnimationChannel::LeftArm, AnimationChannel::RightArm};

// A file whose name begins with this (in this letter case) holds a gait.
constexpr StringView MovingPrefix = "Moving";

std::unique_ptr<PlayerAnimation> CreateFileAnimation(AnimationChannel channel, StringView name)
{
    const bool moving = name.length >= MovingPrefix.length && name.Sub(0, MovingPrefix.length) == MovingPrefix;
    switch (channel)
    {
    case AnimationChannel::Head:
        return std::make_unique<HeadAnimation>();
    case AnimationChannel::Core:
        if (moving)
            return std::make_unique<CoreMovingAnimation>();
        return std::make_unique<CoreAnimation>();
    default:
        if (moving)
            return std::make_unique<ArmMovingAnimation>();
        return std::make_unique<ArmAnimation>();
    }
}

// The file's text as LON, with what the text itself holds that cannot be taken in the report; false,
// the report saying why, when it cannot be read or parsed.
bool ReadLon(const std::string& path, Blueprint& value, ReadReport& report)
{
    auto [read, text] = File::ReadAllText(path);
    if (read)
        return ParseLonText(text, value, report);
    report.SetUnparsed("the file cannot be read");
    return false;
}

// The regular files of a folder, sorted, so that of two files of one name the same one always wins.
std::vector<std::string> ListFiles(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
        if (entry->is_regular_file(error))
            files.push_back(entry->path().generic_string());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

StringView CharacterAnimations::GetFolder(AnimationChannel channel)
{
    constexpr std::array<StringView, AnimationChannelCount> folders{"Head", "Core", "LeftArm", "RightArm"};
    return folders[static_cast<uint32_t>(channel)];
}

StringView CharacterAnimations::GetMappingName(AnimationChannel channel)
{
    constexpr std::array<StringView, AnimationChannelCount> names{
        "Mappings/HeadMappings", "Mappings/CoreMappings", "Mappings/LeftArmMappings", "Mappings/RightArmMappings"};
    return names[static_cast<uint32_t>(channel)];
}

void CharacterAnimations::Load(const CharacterData& character)
{
    Clear();
    if (character.registry)
    {
        const std::string& root = character.registry->GetFiles().applicationRoot;
        for (AnimationChannel channel : Channels)
        {
            // The mappings have no editor Save: what they cannot take is logged with the file, and a value
            // they cannot take costs its own key alone.
            const std::string file = character.GetAssetPath(GetMappingName(channel), ".data");
            ReadReport report;
            report.SetFile(file);
            Blueprint value;
            if (ReadLon(Path::AppendCopy(root, file), value, report))
                ReadAnimationMappings(value, GetMappings(channel), &report);
        }
        for (AnimationChannel channel : Channels)
        {
            const std::string folder =
                Path::AppendCopy(root, character.GetAssetPath(FormatText("Animations/{}", GetFolder(channel)), ""));
            for (const std::string& path : ListFiles(folder))
            {
                const std::string name = Path::GetFileName(path);
                FileRecord record;
                record.report.SetFile(Path::MakeRelative(root, path));
                if (!ReadLon(path, record.file, record.report))
                {
                    // Not in the table, so nothing plays it and no editor can write over it.
                    unparsed.push_back(std::move(record.report));
                    continue;
                }
                std::unique_ptr<PlayerAnimation> animation = CreateFileAnimation(channel, name);
                animation->path = record.report.GetFile();
                BlueprintReader reader(record.file, &record.report);
                animation->Read(reader);
                BlueprintWriter writer;
                writer.GetRoot().SetObject();
                animation->Write(writer);
                record.asRead = std::move(writer.GetRoot());
                animation->record = std::move(record);
                GetTable(channel).Insert(name, std::move(animation));
            }
        }
    }
    AddBuiltIns();
}

void CharacterData::LoadAnimations()
{
    if (!animations)
        animations = {new CharacterAnimations, [](CharacterAnimations* made) { delete made; }};
    animations->Load(*this);
}

void CharacterData::UnloadAnimations()
{
    if (animations)
        animations->Clear();
}

void CharacterAnimations::Clear()
{
    unparsed.clear();
    for (AnimationMappings& list : mappings)
        list.clear();
    for (AnimationTable& table : tables)
        table.Clear();
}

void CharacterAnimations::AddBuiltIns()
{
    GetTable(AnimationChannel::Head).Insert("Looking", std::make_unique<LookAnimation>());
    AnimationTable& left = GetTable(AnimationChannel::LeftArm);
    left.Insert("Reload", std::make_unique<LeftArmReloadAnimation>());
    left.Insert("PickUp", std::make_unique<LeftArmPickUpAnimation>());
    left.Insert("Push", std::make_unique<PushAnimation>());
    AnimationTable& right = GetTable(AnimationChannel::RightArm);
    right.Insert("Aiming", std::make_unique<AimAnimation>());
    right.Insert("Reload", std::make_unique<RightArmReloadAnimation>());
    right.Insert("PutAway", std::make_unique<PutAwayAnimation>());
    right.Insert("TakeOut", std::make_unique<TakeOutAnimation>());
    right.Insert("PickUp", std::make_unique<RightArmPickUpAnimation>());
}
