// The committed Assets folder as the game loads it: every collection without a message, the names the
// code looks up, definitions and profiles that write back what they read, maps that serve every mode,
// the role files, and the list of images and sounds the definitions ask for (Assets/Bake/Requested.txt).

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/Lon.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/String.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/GameTypeData.h"
#include "Source/Data/MapData.h"
#include "Source/Data/NameTables.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/Profile.h"
#include "Source/Data/WeaponData.h"
#include "Tests/Engine/Runtime/Audio/RecordingDevices.h"
#include "Tests/LogCapture.h"
#include "Tests/TestFolder.h"
#include "Tests/TestPaths.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

using namespace Lumvek;

namespace
{

namespace fs = std::filesystem;

const std::string SourceRoot = Lumvek::Testing::SourceFolder();
constexpr const char* RequestedList = "Assets/Bake/Requested.txt";
// Set to rewrite the committed list from what the definitions ask for, after content changed.
constexpr const char* UpdateVariable = "LUMVEK_UPDATE_REQUESTED";

// A registry and the profiles loaded from an application folder, with everything logged meanwhile.
struct LoadedAssets
{
    explicit LoadedAssets(const std::string& root) : files(root, root, root, root), registry(files)
    {
        files.RegisterFormats();
        Lumvek::RegisterRuntimeFormats(files);
        registry.LoadAll();
        Profile::LoadAll(profiles, root, registry);
    }

    Testing::LogCapture log;
    FileManager files;
    DataRegistry registry;
    ProfileCollection profiles;
};

Blueprint ReadJson(const std::string& path)
{
    Blueprint blueprint;
    auto [read, text] = File::ReadAllText(path);
    EXPECT_TRUE(read && JsonFormat::LoadBlueprint(text, blueprint)) << path;
    return blueprint;
}

Blueprint Written(const Data& definition)
{
    BlueprintWriter writer;
    writer.GetRoot().SetObject();
    definition.Write(writer);
    return writer.GetRoot();
}

// A text cut into numbers and the characters between them, so that "Degrees(270)" and
// "Degrees(269.99998)" compare alike.
struct Tokens
{
    std::string letters;
    std::vector<double> numbers;
};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

Tokens Tokenize(StringView text)
{
    Tokens tokens;
    const std::string copy = text.ToString();
    for (size_t i = 0; i < copy.size();)
    {
        const bool sign = (copy[i] == '-' || copy[i] == '+') && i + 1 < copy.size() && IsDigit(copy[i + 1]);
        if (IsDigit(copy[i]) || sign)
        {
            char* end = nullptr;
            tokens.numbers.push_back(std::strtod(copy.c_str() + i, &end));
            tokens.letters += '#';
            i = static_cast<size_t>(end - copy.c_str());
        }
        else
        {
            tokens.letters += copy[i++];
        }
    }
    return tokens;
}

bool Near(double a, double b)
{
    return std::fabs(a - b) <= 1e-5 * std::max(1.0, std::fabs(a));
}

// Adds a line for each value of the file that the written form lacks or holds differently: a key the
// reader does not know, a value of a type it does not take, or one it reads into something else.
void CompareWithFile(const Blueprint& file, const Blueprint& written, const std::string& where,
                     std::vector<std::string>& differences)
{
    // Whole numbers from 0 up are unsigned in JSON; a signed field reads them and writes them signed.
    auto whole = [](const Blueprint& value, int64_t& number)
    {
        number = value.GetType() == BlueprintType::Integer ? value.GetInteger()
                                                           : static_cast<int64_t>(value.GetUnsignedInteger());
        return value.GetType() == BlueprintType::Integer || value.GetType() == BlueprintType::UnsignedInteger;
    };
    int64_t fileNumber = 0;
    int64_t writtenNumber = 0;
    if (whole(file, fileNumber) && whole(written, writtenNumber))
    {
        if (fileNumber != writtenNumber)
            differences.push_back(where + " is written as " + std::to_string(writtenNumber));
        return;
    }
    if (file.GetType() != written.GetType())
    {
        differences.push_back(where + " is written as another type");
        return;
    }
    switch (file.GetType())
    {
    case BlueprintType::Object:
        for (const BlueprintMember& member : file.GetObject())
        {
            const std::string key = where + "." + member.name.View().ToString();
            if (const Blueprint* value = written.GetObject().Find(member.name.View()))
                CompareWithFile(member.value, *value, key, differences);
            else
                differences.push_back(key + " is not written back");
        }
        break;
    case BlueprintType::Array:
        if (file.GetCount() != written.GetCount())
            differences.push_back(where + " is written with another count");
        for (uint32_t i = 0; i < std::min(file.GetCount(), written.GetCount()); ++i)
            CompareWithFile(file.GetElement(i), written.GetElement(i), where + "[" + std::to_string(i) + "]",
                            differences);
        break;
    case BlueprintType::Number:
        if (!Near(file.GetNumber(), written.GetNumber()))
            differences.push_back(where + " is written as " + std::to_string(written.GetNumber()));
        break;
    case BlueprintType::String:
    {
        const Tokens expected = Tokenize(file.GetString());
        const Tokens actual = Tokenize(written.GetString());
        bool same = expected.letters == actual.letters;
        for (size_t i = 0; same && i < expected.numbers.size(); ++i)
            same = Near(expected.numbers[i], actual.numbers[i]);
        if (!same)
            differences.push_back(where + " is written as \"" + written.GetString().ToString() + "\"");
        break;
    }
    default:
        if (!(file == written))
            differences.push_back(where + " is written as another value");
    }
}

// Reads what the registry's definition wrote into a new definition of the same class, which must write
// the same again; and the file must hold nothing the definition did not take.
template <class T, class Make>
void ExpectWritesBackWhatItReads(DataRegistry& registry, const DataCollection<T>& collection, Make make,
                                 bool fileHoldsMore = false)
{
    for (const auto& item : collection.GetItems())
    {
        SCOPED_TRACE(collection.GetFolder() + "/" + item->name);
        const Blueprint written = Written(*item);
        std::unique_ptr<T> again = make(*item);
        ASSERT_NE(again, nullptr);
        again->name = item->name;
        again->registry = &registry;
        BlueprintReader reader(written);
        again->Read(reader);
        EXPECT_EQ(Written(*again), written);
        if (fileHoldsMore)
            continue;
        std::vector<std::string> differences;
        CompareWithFile(ReadJson(SourceRoot + "/" + item->GetAssetPath("Data", ".json")), written, "file", differences);
        EXPECT_THAT(differences, testing::IsEmpty());
    }
}

template <class T> auto Plain()
{
    return [](const T&) { return std::make_unique<T>(); };
}

template <class T> auto ByDataType(const DataTypeMap<T>& types)
{
    return [&types](const T& item) { return types.Create(types.NameOf(item)); };
}

// The mask of a spawn point's text: its names joined by "|". False for a name that is no mask bit.
bool ParseMask(StringView text, uint32_t& mask)
{
    mask = 0;
    for (StringView piece : String::Split(text, "|"))
    {
        uint32_t bit = 0;
        if (!SpawnMaskNames().ParseName(bit, piece))
            return false;
        mask |= 1u << bit;
    }
    return true;
}

// A configuration in the form of its file, definitions by name, so that comparing it with the file
// shows every member that was not taken. Lists as long as the file's.
Blueprint Describe(const GameConfiguration& configuration, const DataRegistry& registry, const Blueprint& file)
{
    BlueprintWriter writer;
    auto name = [&](StringView folder, uint32_t index)
    {
        if (index == Loadout::Random)
            return StringView("Random");
        const DataCollectionBase* collection = FindCollection(registry, folder);
        return collection ? collection->GetName(index) : StringView();
    };
    auto loadout = [&](const Loadout& parts)
    {
        writer.GetCurrent().SetObject();
        for (uint32_t position = 0; position < Loadout::Count; ++position)
            WriteMember(writer, Loadout::GetMemberName(position), name(Loadout::GetFolder(position), parts[position]));
    };
    auto count = [&](StringView list, StringView member = StringView())
    {
        const Blueprint* found = file.GetObject().Find(list);
        if (found && !member.IsEmpty())
            found = found->GetObject().Find(member);
        return found ? found->GetCount() : 0u;
    };
    WriteMember(writer, "Name", StringView(configuration.name));
    WriteMember(writer, "Description", StringView(configuration.description));
    WriteMember(writer, "Map", name("Maps", configuration.map));
    WriteMember(writer, "Theme", name("Themes", configuration.theme));
    WriteMember(writer, "GameType", name("GameTypes", configuration.gameType));
    WriteMember(writer, "TeamCount", configuration.teamCount);
    writer.PushMember("Bots");
    writer.GetCurrent().SetArray();
    for (uint32_t i = 0; i < configuration.bots.size(); ++i)
    {
        writer.PushElement(i);
        WriteMember(writer, "TeamId", static_cast<uint32_t>(configuration.bots[i].team));
        writer.PushMember("Loadout");
        loadout(configuration.bots[i].loadout);
        writer.Pop();
        writer.Pop();
    }
    writer.Pop();
    writer.PushMember("Loadout");
    loadout(configuration.loadout);
    writer.Pop();
    writer.PushMember("Weapons");
    writer.PushMember("SpawnedWeapons");
    writer.GetCurrent().SetArray();
    for (uint32_t i = 0; i < std::min(count("Weapons", "SpawnedWeapons"), GameConfiguration::WeaponSpawnCount); ++i)
    {
        writer.PushElement(i);
        WriteMember(writer, "Weapon", name("Weapons", configuration.weapons[i].weapon));
        WriteMember(writer, "SpawnTime", configuration.weapons[i].spawnTime);
        writer.Pop();
    }
    writer.Pop();
    writer.Pop();
    writer.PushMember("Attributes");
    configuration.attributes.WriteAll(writer);
    writer.Pop();
    writer.PushMember("GameSettings");
    WriteMember(writer, "Gravity", configuration.settings.gravity);
    WriteMember(writer, "FriendlyFire", configuration.settings.friendlyFire);
    WriteMember(writer, "RespawnTime", configuration.settings.respawnTime);
    WriteMember(writer, "SuicidePenalty", configuration.settings.suicidePenalty);
    WriteMember(writer, "BetrayalPenalty", configuration.settings.betrayalPenalty);
    writer.Pop();
    if (configuration.gameTypeSettings)
    {
        writer.PushMember("GameTypeSettings");
        writer.GetCurrent().SetObject();
        configuration.gameTypeSettings->Write(writer);
        writer.Pop();
    }
    return writer.GetRoot();
}

// The names of a skeleton's bone tree, depth first.
std::vector<std::string> BoneNames(const Blueprint& skeleton, StringView tree)
{
    std::vector<std::string> names;
    std::function<void(const Blueprint&)> visit = [&](const Blueprint& bone)
    {
        if (const Blueprint* name = bone.GetObject().Find("Name"))
            names.push_back(name->GetString().ToString());
        if (const Blueprint* children = bone.GetObject().Find("Children"))
            for (uint32_t i = 0; i < children->GetCount(); ++i)
                visit(children->GetElement(i));
    };
    if (const Blueprint* root = skeleton.GetObject().Find(tree))
        visit(*root);
    return names;
}

// The four part collections, heads to legs.
std::array<const DataCollectionBase*, 4> PartCollections(const DataRegistry& registry)
{
    return {&registry.heads, &registry.cores, &registry.arms, &registry.legs};
}

// The top-level bones of a part, which take sprites of their own.
std::vector<const BoneData*> TopBones(const Data& part)
{
    if (const auto* head = dynamic_cast<const HeadData*>(&part))
        return {&head->skull};
    if (const auto* core = dynamic_cast<const CoreData*>(&part))
        return {&core->spine};
    if (const auto* arms = dynamic_cast<const ArmsData*>(&part))
        return {&arms->leftHumerus,  &arms->leftRadius,  &arms->leftHand,
                &arms->rightHumerus, &arms->rightRadius, &arms->rightHand};
    if (const auto* legs = dynamic_cast<const LegsData*>(&part))
        return {&legs->leftFemur,  &legs->leftTibia,  &legs->leftFoot,
                &legs->rightFemur, &legs->rightTibia, &legs->rightFoot};
    return {};
}

void Touch(const std::string& path)
{
    if (!File::Exists(path))
    {
        ASSERT_TRUE(File::WriteAllText(path, StringView())) << path;
    }
}

// The image a part gives each bone it draws: a top-level bone always, a child bone when it has a draw
// order. One picture serves both views ("<Bone>Image.png", "<Bone>Animation.png" when animated).
void TouchBoneImages(const Data& part, const BoneData& bone, bool top, const std::string& root)
{
    if (top || bone.leftOrder != InvalidId || bone.rightOrder != InvalidId)
        Touch(root + "/" +
              part.GetAssetPath(bone.name, std::string(bone.frameCount < 2 ? "Image.png" : "Animation.png")));
    for (const BoneData& child : bone.children)
        TouchBoneImages(part, child, false, root);
}

// The images and sounds of the committed definitions: what their loaders ask for once every optional
// file they look for exists, the icons the front end shows for each of them, and the character's bone
// sprites and sounds. Works on a copy of the text files, so binary files present or not give the
// same list.
std::vector<std::string> RequestedFiles()
{
    Testing::TestFolder scratch;
    const std::string root = scratch.Root();
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(SourceRoot + "/Assets"))
    {
        const fs::path extension = entry.path().extension();
        if (!entry.is_regular_file() || extension == ".png" || extension == ".wav")
            continue;
        const fs::path target = root / fs::relative(entry.path(), SourceRoot);
        fs::create_directories(target.parent_path());
        fs::copy_file(entry.path(), target);
    }

    // Readers look for some files while they read, so those go in before the loading registry reads.
    {
        LoadedAssets seeding(root);
        const DataRegistry& registry = seeding.registry;
        for (const DataCollectionBase* parts : PartCollections(registry))
            for (const std::string& name : parts->GetNames())
            {
                const Data& part = *parts->FindData(name);
                for (const BoneData* bone : TopBones(part))
                    TouchBoneImages(part, *bone, true, root);
            }
        for (const auto& hazard : registry.hazards.GetItems())
            Touch(root + "/" + hazard->GetAssetPath("Image", ".png"));
        for (const auto& zone : registry.zones.GetItems())
            Touch(root + "/" + zone->GetAssetPath("Image", ".png"));
        for (const auto& projectile : registry.projectiles.GetItems())
        {
            Touch(root + "/" + projectile->GetAssetPath("Trail", ".png"));
            Touch(root + "/" + projectile->GetAssetPath("Explosion", ".wav"));
        }
    }

    FileManager files(root, root, root, root);
    files.RegisterFormats();
    Lumvek::RegisterRuntimeFormats(files);
    ResourceTable table{&files};
    Testing::DeviceCalls calls;
    Testing::RecordingAudioDevice audio(&table, calls);
    RecordingGraphicsDevice device(&table);
    Testing::LogCapture log;
    DataRegistry registry(files, &audio);
    registry.LoadAll();

    auto newTexture = [&](const std::string& name, uint32_t size)
    {
        Texture* texture = table.CreateTexture(NameTableB().Add("AssetsTests" + name));
        EXPECT_TRUE(texture->SetSize(size, size, TextureFormat::ColorBuffer4x8));
        return texture;
    };
    Texture* first = newTexture("First", 64);
    Texture* second = newTexture("Second", 64);
    std::set<std::string> requested;
    for (const DataCollectionBase* collection : registry.GetCollections())
        for (const std::string& name : collection->GetNames())
            if (Data* data = collection->FindData(name))
            {
                data->Load(*first, *second);
                requested.insert(data->GetAssetPath("IconImage", ".png"));
                requested.insert(data->GetAssetPath("IconSketch", ".png"));
            }
    // Each theme on pieces and sounds of its own: a loaded slot is not asked for again.
    for (const auto& theme : registry.themes.GetItems())
    {
        theme->LoadAtlas(device, *newTexture(theme->name + "Objects", 64), *newTexture(theme->name + "Tiles", 1024));
        for (uint32_t sound : {Sounds::Ambience, Sounds::Step1, Sounds::Step2, Sounds::Jump, Sounds::Land,
                               Sounds::Bounce, Sounds::HitPlatform})
            theme->ReleaseSound(sound);
    }
    for (const DataCollectionBase* collection : registry.GetCollections())
        for (const std::string& name : collection->GetNames())
            if (Data* data = collection->FindData(name))
                data->Unload();

    // Loaders name the files they ask for in their messages and log sections, relative or resolved.
    auto collect = [&](const std::string& line)
    {
        for (size_t start = line.find("Assets/"); start != std::string::npos; start = line.find("Assets/", start + 1))
        {
            size_t end = start;
            while (end < line.size() && (std::isalnum(static_cast<unsigned char>(line[end])) || line[end] == '/' ||
                                         line[end] == '_' || line[end] == '.'))
                ++end;
            const std::string path = line.substr(start, end - start);
            // "Assets/" begins a path only after a blank or a folder separator.
            const bool whole = start == 0 || line[start - 1] == ' ' || line[start - 1] == '/';
            if (whole && (path.ends_with(".png") || path.ends_with(".wav")))
                requested.insert(path);
        }
    };
    std::for_each(log.messages.begin(), log.messages.end(), collect);
    std::for_each(log.sections.begin(), log.sections.end(), collect);

    // The character's bones take the shared sprites ("BasicSpine" ... "BasicFoot" for the character
    // Basic): one picture per bone kind, both sides alike.
    std::set<std::string> boneKinds;
    for (uint32_t sprite : {Images::BasicSpine, Images::BasicSkull, Images::BasicHumerus, Images::BasicRadius,
                            Images::BasicHand, Images::BasicFemur, Images::BasicTibia, Images::BasicFoot})
        boneKinds.insert(NameTableA().GetName(sprite).Sub(StringView("Basic").Length()).ToString());
    for (const auto& character : registry.characters.GetItems())
    {
        for (std::string name : BoneNames(character->skeleton, "Root"))
        {
            for (const char* side : {"Left", "Right"})
                if (name.starts_with(side))
                    name = name.substr(std::string(side).size());
            if (boneKinds.count(name))
                for (const char* kind : {"Image", "Draw"})
                    requested.insert(character->GetAssetPath(name + kind, ".png"));
        }
        for (const std::string sound : {"Hit", "Death", "Empty", "PickUpWeapon", "PickUpAmmo", "PutAway", "TakeOut"})
            requested.insert(character->GetAssetPath(sound, ".wav"));
    }
    // The notebook's preview streams the shared player sketches for bones that wear a basic sprite
    // (every kind but the hand), and a still picture of each bone, an animated one included.
    for (const std::string& kind : boneKinds)
        if (kind != "Hand")
            for (const char* look : {"Image", "Draw"})
                requested.insert("Assets/Player/" + kind + look + ".png");
    for (const DataCollectionBase* parts : PartCollections(registry))
        for (const std::string& name : parts->GetNames())
        {
            const Data& part = *parts->FindData(name);
            std::vector<const BoneData*> bones = TopBones(part);
            while (!bones.empty())
            {
                const BoneData* bone = bones.back();
                bones.pop_back();
                if (bone->region != InvalidId && bone->frameCount >= 2)
                    requested.insert(part.GetAssetPath(bone->name, "Image.png"));
                for (const BoneData& child : bone->children)
                    bones.push_back(&child);
            }
        }
    return {requested.begin(), requested.end()};
}

} // namespace

TEST(AssetsTest, EveryCollectionLoadsWithoutAMessage)
{
    LoadedAssets assets(SourceRoot);
    EXPECT_THAT(assets.log.messages, testing::IsEmpty());
    for (const DataCollectionBase* collection : assets.registry.GetCollections())
        EXPECT_GT(collection->Count(), 0u) << collection->GetFolder();
    for (const DataCollectionBase* parts : PartCollections(assets.registry))
        EXPECT_GE(parts->Count(), 4u) << parts->GetFolder();
}

TEST(AssetsTest, EveryNameTheCodeLooksUpExists)
{
    LoadedAssets assets(SourceRoot);
    const DataRegistry& registry = assets.registry;

    struct Expected
    {
        std::string folder;
        std::string name;
        // The class, by the DataType its definition writes; empty for families without one.
        const char* dataType;
    };
    std::vector<Expected> expected = {
        {"Triggers", "FlagStand", ""},
        {"Triggers", "Checkpoint", ""},
        {"Items", "Token", "Token"},
        {"Parts/Heads", "BasicHead", "Head"},
        {"Parts/Heads", "OxygenMask", "Head"},
        {"Parts/Heads", "HelicopterHat", "HelicopterHat"},
        {"Parts/Cores", "BasicCore", "Core"},
        {"Parts/Cores", "AmmoBelt", "AmmoBelt"},
        {"Parts/Cores", "Jetpack", "Jetpack"},
        {"Parts/Arms", "BasicArms", "Arms"},
        {"Parts/Legs", "BasicLegs", "Legs"},
        {"Parts/Legs", "BonusHitops", "BonusHitops"},
        {"Parts/Legs", "SpaceBoots", "SpaceBoots"},
        {"GameTypes", "Deathmatch", "Deathmatch"},
        {"GameTypes", "CaptureTheFlag", "CaptureTheFlag"},
        {"GameTypes", "Keepaway", "Keepaway"},
        {"GameTypes", "Race", "Race"},
        {"Weapons", "SniperRifle", "SniperRifle"},
        {"Weapons", "GrenadeLauncher", "GrenadeLauncher"},
    };
    for (uint32_t team = 0; team < MaximumTeamCount; ++team)
        expected.push_back({"Items", GetTeamColor(team).name.ToString() + "Flag", "Flag"});
    for (const Expected& entry : expected)
    {
        const Data* data = registry.FindData(entry.folder, entry.name);
        ASSERT_NE(data, nullptr) << entry.folder << "/" << entry.name;
        const Blueprint written = Written(*data);
        const Blueprint* dataType = written.GetObject().Find("DataType");
        EXPECT_EQ(dataType ? dataType->GetString().ToString() : "", entry.dataType) << entry.name;
    }
    for (uint32_t team = 0; team < MaximumTeamCount; ++team)
        EXPECT_EQ(registry.items.Find(GetTeamColor(team).name.ToString() + "Flag")->team, team);

    for (const auto& weapon : registry.weapons.GetItems())
        EXPECT_NE(weapon->projectile, nullptr) << weapon->name;
    EXPECT_GT(registry.weapons.Find("SniperRifle")->zoomLevels.size(), 1u);

    for (const std::string configuration : {"Default", "Demo"})
        EXPECT_NE(registry.configurations.Find(configuration), nullptr) << configuration;
    // A profile saves to the file of its name, so the name must be the file's.
    for (const std::string key : {"player1", "player2"})
    {
        const Profile* profile = assets.profiles.Find(key);
        ASSERT_NE(profile, nullptr) << key;
        EXPECT_EQ(profile->name, key);
    }

    // The player's rig finds these bones by name in the first character's skeleton.
    ASSERT_GT(registry.characters.Count(), 0u);
    const Blueprint& skeleton = registry.characters.At(0).skeleton;
    for (const std::string tree : {"LeftPickup", "RightPickup", "Root"})
        EXPECT_NE(skeleton.GetObject().Find(tree), nullptr) << tree;
    const std::vector<std::string> names = BoneNames(skeleton, "Root");
    const std::set<std::string> bones(names.begin(), names.end());
    for (const char* bone :
         {"Skull",        "Spine",       "LeftHumerus",    "LeftRadius",     "LeftHand",  "Item",
          "RightHumerus", "RightRadius", "RightHand",      "LeftFemur",      "LeftTibia", "LeftFoot",
          "RightFemur",   "RightTibia",  "RightFoot",      "Reload",         "Holster",   "ItemTarget",
          "Weapon",       "Muzzle",      "LeftHandTarget", "RightHandTarget"})
        EXPECT_TRUE(bones.count(bone)) << bone;
}

TEST(AssetsTest, DefinitionsWriteBackWhatTheyRead)
{
    LoadedAssets assets(SourceRoot);
    DataRegistry& registry = assets.registry;
    ExpectWritesBackWhatItReads(registry, registry.hazards, Plain<HazardData>());
    ExpectWritesBackWhatItReads(registry, registry.interactions, Plain<InteractionData>());
    // A map file holds the map's contents too, which the world reads.
    ExpectWritesBackWhatItReads(registry, registry.maps, Plain<MapData>(), true);
    ExpectWritesBackWhatItReads(registry, registry.themes, Plain<ThemeData>());
    ExpectWritesBackWhatItReads(registry, registry.triggers, Plain<TriggerData>());
    ExpectWritesBackWhatItReads(registry, registry.zones, Plain<ZoneData>());
    ExpectWritesBackWhatItReads(registry, registry.gameTypes, ByDataType(GameTypeDataTypes()));
    ExpectWritesBackWhatItReads(registry, registry.characters, Plain<CharacterData>());
    ExpectWritesBackWhatItReads(registry, registry.heads, ByDataType(HeadDataTypes()));
    ExpectWritesBackWhatItReads(registry, registry.cores, ByDataType(CoreDataTypes()));
    ExpectWritesBackWhatItReads(registry, registry.arms, ByDataType(ArmsDataTypes()));
    ExpectWritesBackWhatItReads(registry, registry.legs, ByDataType(LegsDataTypes()));
    ExpectWritesBackWhatItReads(registry, registry.items, ByDataType(ItemDataTypes()));
    ExpectWritesBackWhatItReads(registry, registry.projectiles, ByDataType(ProjectileDataTypes()));
    ExpectWritesBackWhatItReads(registry, registry.weapons, ByDataType(WeaponDataTypes()));
}

// And the game's Save of a profile the player left alone writes it byte for byte.
TEST(AssetsTest, ProfilesWriteBackWhatTheyRead)
{
    LoadedAssets assets(SourceRoot);
    Testing::TestFolder scratch;
    std::filesystem::create_directories(scratch.Path("Assets"));
    for (const std::string& key : assets.profiles.GetKeys())
    {
        const std::string file = "Assets/" + key + ".profile";
        EXPECT_TRUE(assets.profiles.Find(key)->Save(scratch.Root(), assets.registry));
        EXPECT_EQ(File::ReadAllText(scratch.Path(file)).second, File::ReadAllText(SourceRoot + "/" + file).second);
        SCOPED_TRACE(key);
        BlueprintWriter writer;
        assets.profiles.Find(key)->Write(writer, assets.registry);
        Profile again;
        BlueprintReader reader(writer.GetRoot());
        again.Read(reader, assets.registry);
        BlueprintWriter writtenAgain;
        again.Write(writtenAgain, assets.registry);
        EXPECT_EQ(writtenAgain.GetRoot(), writer.GetRoot());
        std::vector<std::string> differences;
        CompareWithFile(ReadJson(SourceRoot + "/Assets/" + key + ".profile"), writer.GetRoot(), "file", differences);
        EXPECT_THAT(differences, testing::IsEmpty());
    }
    EXPECT_THAT(assets.log.messages, testing::IsEmpty());
}

TEST(AssetsTest, ConfigurationsTakeEveryMemberTheyHold)
{
    LoadedAssets assets(SourceRoot);
    const DataRegistry& registry = assets.registry;
    for (const DataCollection<GameConfiguration>* collection :
         {&registry.configurations, &registry.challenges, &registry.demoConfigurations, &registry.demoChallenges})
        for (const auto& configuration : collection->GetItems())
        {
            const std::string path =
                SourceRoot + "/Assets/" + collection->GetFolder() + "/" + configuration->key + ".data";
            SCOPED_TRACE(path);
            EXPECT_NE(configuration->gameTypeSettings, nullptr);
            const Blueprint file = ReadJson(path);
            std::vector<std::string> differences;
            CompareWithFile(file, Describe(*configuration, registry, file), "file", differences);
            EXPECT_THAT(differences, testing::IsEmpty());
        }
}

// Each mode asks a map for its spawn points by mask: players per team ("FreeForAll" alone), flags per
// team, keepaway tokens at the race's free-for-all objectives, race checkpoints per team, and weapons
// per spawn slot. Every map answers each of them for one to four teams, and names only elements that
// every theme has.
TEST(AssetsTest, MapsServeEveryModeAndNameKnownElements)
{
    LoadedAssets assets(SourceRoot);
    const DataRegistry& registry = assets.registry;
    for (const auto& map : registry.maps.GetItems())
    {
        SCOPED_TRACE(map->name);
        const Blueprint file = ReadJson(SourceRoot + "/" + map->GetAssetPath("Data", ".json"));
        const Blueprint* points = file.GetObject().Find("SpawnPoints");
        ASSERT_NE(points, nullptr);
        std::vector<uint32_t> masks;
        for (uint32_t i = 0; i < points->GetCount(); ++i)
        {
            const Blueprint* text = points->GetElement(i).GetObject().Find("Mask");
            uint32_t mask = 0;
            EXPECT_TRUE(text && ParseMask(text->GetString(), mask)) << "spawn point " << i;
            masks.push_back(mask);
        }
        auto expectPoint = [&](const std::string& query)
        {
            uint32_t wanted = 0;
            ASSERT_TRUE(ParseMask(query, wanted)) << query;
            EXPECT_TRUE(
                std::any_of(masks.begin(), masks.end(), [&](uint32_t mask) { return (mask & wanted) == wanted; }))
                << query;
        };
        for (uint32_t teams = 1; teams <= MaximumTeamCount; ++teams)
            for (uint32_t team = 0; team < teams; ++team)
            {
                const std::string word = teams == 1 ? "FreeForAll" : "Team" + std::to_string(team);
                for (const char* mode : {"Deathmatch", "CaptureTheFlag", "Keepaway", "Race"})
                    expectPoint(std::string("Player|") + mode + "|" + word);
                expectPoint("CaptureTheFlag|Objective|Team" + std::to_string(team));
                expectPoint("Race|Objective|" + word);
            }
        for (uint32_t slot = 0; slot < GameConfiguration::WeaponSpawnCount; ++slot)
            expectPoint("Weapon" + std::to_string(slot));

        const Blueprint& entities = *file.GetObject().Find("Entities");
        std::set<std::string> platforms;
        const Blueprint& platformList = *entities.GetObject().Find("Platforms");
        for (uint32_t i = 0; i < platformList.GetCount(); ++i)
        {
            const Blueprint& platform = platformList.GetElement(i);
            platforms.insert(platform.GetObject().Find("Name")->GetString().ToString());
            if (const Blueprint* moving = platform.GetObject().Find("Moving"); moving && moving->GetBoolean())
            {
                EXPECT_GT(platform.GetObject().Find("Path")->GetCount(), 0u) << "platform " << i;
            }
        }
        using Lookup = Data* (ThemeData::*)(StringView) const;
        for (auto [kind, lookup] : {std::pair<std::string, Lookup>{"Hazards", &ThemeData::GetHazard},
                                    {"Zones", &ThemeData::GetZone},
                                    {"Interactions", &ThemeData::GetInteraction}})
        {
            const Blueprint& elements = *entities.GetObject().Find(kind);
            for (uint32_t i = 0; i < elements.GetCount(); ++i)
            {
                const Blueprint& element = elements.GetElement(i);
                const StringView data = element.GetObject().Find("Data")->GetString();
                for (const auto& theme : registry.themes.GetItems())
                    EXPECT_NE(((*theme).*lookup)(data), nullptr)
                        << kind << " " << data.ToStdView() << " in " << theme->name;
                for (const std::string slot : {"Interact", "Hit"})
                    if (const Blueprint* action = element.GetObject().Find(slot))
                    {
                        TriggerAction parsed = TriggerAction::None;
                        EXPECT_TRUE(ParseEnum(parsed, action->GetObject().Find("Action")->GetString()));
                        if (const Blueprint* platform = action->GetObject().Find("Platform"))
                        {
                            EXPECT_TRUE(platforms.count(platform->GetString().ToString()))
                                << platform->GetString().ToStdView();
                        }
                    }
            }
        }
    }
}

TEST(AssetsTest, RoleFilesHoldEachSettingInTheKindItIsReadAs)
{
    using Kinds = std::vector<std::pair<std::string, BlueprintType>>;
    const Kinds network = {
        {"Simulate", BlueprintType::Boolean},         {"PacketLoss", BlueprintType::Number},
        {"PacketDuplication", BlueprintType::Number}, {"LatencyAmount", BlueprintType::Number},
        {"LatencyVariance", BlueprintType::Number},   {"PrepareDuration", BlueprintType::Number},
        {"StartDuration", BlueprintType::Number},     {"EndDuration", BlueprintType::Number},
    };
    Kinds server = network;
    server.insert(server.end(), {{"HostingIp", BlueprintType::String},
                                 {"HostingPort", BlueprintType::UnsignedInteger},
                                 {"MinimumPlayers", BlueprintType::UnsignedInteger},
                                 {"MaximumPlayers", BlueprintType::UnsignedInteger},
                                 {"ConnectionTimeout", BlueprintType::Number},
                                 {"IntermissionDuration", BlueprintType::Number},
                                 {"VoteDuration", BlueprintType::Number},
                                 {"LoadDuration", BlueprintType::Number},
                                 {"ForceUpdateTimeout", BlueprintType::Number},
                                 {"GameStateUpdateRate", BlueprintType::Number},
                                 {"InactivityTimeout", BlueprintType::Number}});
    Kinds client = network;
    client.insert(client.end(),
                  {{"MatcherIp", BlueprintType::String}, {"MatcherPort", BlueprintType::UnsignedInteger}});

    auto read = [](const std::string& name, const Kinds& kinds)
    {
        SCOPED_TRACE(name);
        Blueprint root;
        auto [found, text] = File::ReadAllText(SourceRoot + "/Assets/" + name);
        EXPECT_TRUE(found && Lon::Parse(text, root));
        EXPECT_EQ(root.GetObject().GetCount(), kinds.size());
        for (const auto& [key, type] : kinds)
        {
            const Blueprint* value = root.GetObject().Find(key);
            EXPECT_TRUE(value && value->GetType() == type) << key;
        }
        return root;
    };
    read("local.config", network);
    const Blueprint hosting = read("server.config", server);
    const Blueprint joining = read("client.config", client);
    // The client joins the server of the same machine.
    EXPECT_EQ(joining.GetObject().Find("MatcherIp")->GetString(), StringView("127.0.0.1"));
    EXPECT_EQ(joining.GetObject().Find("MatcherPort")->GetUnsignedInteger(),
              hosting.GetObject().Find("HostingPort")->GetUnsignedInteger());
}

TEST(AssetsTest, RequestedFileListIsCurrent)
{
    std::string expected;
    for (const std::string& path : RequestedFiles())
        expected += path + "\n";
    const std::string listPath = SourceRoot + "/" + RequestedList;
    if (std::getenv(UpdateVariable))
    {
        fs::create_directories(fs::path(listPath).parent_path());
        ASSERT_TRUE(File::WriteAllText(listPath, expected));
    }
    auto [read, committed] = File::ReadAllText(listPath);
    EXPECT_TRUE(read);
    EXPECT_EQ(committed, expected) << RequestedList << " is out of date; run the test with " << UpdateVariable
                                   << "=1 to rewrite it";
}

// Every objective configuration's map has what its mode places for each of its teams: a flag point per
// team, token points, and enough checkpoints for each team to win.
TEST(AssetsTest, ObjectiveConfigurationsFindTheirObjectivesOnTheirMaps)
{
    LoadedAssets assets(SourceRoot);
    const DataRegistry& registry = assets.registry;
    uint32_t checked = 0;
    for (const auto& configuration : registry.configurations.GetItems())
    {
        SCOPED_TRACE(configuration->name);
        const GameTypeData* mode = registry.gameTypes.Get(configuration->gameType);
        const MapData* map = registry.maps.Get(configuration->map);
        ASSERT_NE(mode, nullptr);
        ASSERT_NE(map, nullptr);
        if (mode->name == "Deathmatch")
            continue;
        ++checked;
        const Blueprint file = ReadJson(SourceRoot + "/" + map->GetAssetPath("Data", ".json"));
        const Blueprint& points = *file.GetObject().Find("SpawnPoints");
        const auto count = [&](const std::string& query)
        {
            uint32_t wanted = 0;
            EXPECT_TRUE(ParseMask(query, wanted)) << query;
            uint32_t found = 0;
            for (uint32_t i = 0; i < points.GetCount(); ++i)
            {
                uint32_t mask = 0;
                ParseMask(points.GetElement(i).GetObject().Find("Mask")->GetString(), mask);
                found += (mask & wanted) == wanted ? 1u : 0u;
            }
            return found;
        };
        const uint32_t teams = configuration->teamCount;
        ASSERT_GE(teams, 1u);
        ASSERT_LE(teams, MaximumTeamCount);
        for (uint32_t team = 0; team < teams; ++team)
        {
            const std::string word = teams == 1 ? "FreeForAll" : "Team" + std::to_string(team);
            EXPECT_GT(count("Player|" + mode->name + "|" + word), 0u) << word;
            if (const auto* flags =
                    dynamic_cast<const CaptureTheFlagConfiguration*>(configuration->gameTypeSettings.get()))
            {
                EXPECT_GT(count("CaptureTheFlag|Objective|Team" + std::to_string(team)), 0u) << team;
                EXPECT_GT(flags->capturesToWin, 0);
            }
            if (const auto* race = dynamic_cast<const RaceConfiguration*>(configuration->gameTypeSettings.get()))
            {
                EXPECT_GE(static_cast<int64_t>(count("Race|Objective|" + word)), race->checkpointsToWin) << word;
            }
        }
        if (const auto* keepaway = dynamic_cast<const KeepawayConfiguration*>(configuration->gameTypeSettings.get()))
        {
            EXPECT_GT(count("Race|Objective|FreeForAll"), 0u);
            EXPECT_GT(keepaway->tokenCount, 0);
        }
    }
    EXPECT_GE(checked, 4u);
}
