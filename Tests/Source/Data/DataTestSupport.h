#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/Members.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Source/Data/DataRegistry.h"
#include "Tests/TestFolder.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace DataTesting
{

using Lumvek::BlueprintReader;
using Lumvek::BlueprintWriter;
using Lumvek::StringView;

// A plain family with a field of its own.
class PerilTestData : public Data
{
public:
    bool Read(BlueprintReader& reader) override
    {
        Data::Read(reader);
        ReadMember(reader, "Damage", damage);
        return true;
    }
    void Write(BlueprintWriter& writer) const override
    {
        Data::Write(writer);
        WriteMember(writer, "Damage", damage);
    }
    StringView GetFolder() const override { return "Perils"; }

    float damage = 10.0f;
};

// A polymorphic family in a nested folder, whose members name a peril by its name.
class ThingData : public Data
{
public:
    bool Read(BlueprintReader& reader) override;
    void Write(BlueprintWriter& writer) const override;
    StringView GetFolder() const override { return "Parts/Things"; }

    std::string perilName;
    // The peril's index, looked up while reading: perils load before things.
    uint32_t peril = Lumvek::InvalidId;
};

class SpikeData final : public ThingData
{
public:
    bool Read(BlueprintReader& reader) override
    {
        ThingData::Read(reader);
        ReadMember(reader, "Spikes", spikes);
        return true;
    }
    void Write(BlueprintWriter& writer) const override
    {
        ThingData::Write(writer);
        WriteMember(writer, "Spikes", spikes);
    }

    uint32_t spikes = 3;
};

class SpringData final : public ThingData
{
};

inline const DataTypeMap<ThingData>& ThingTypes()
{
    static const DataTypeMap<ThingData> types{DataTypeMap<ThingData>::Of<SpikeData>("Spike"),
                                              DataTypeMap<ThingData>::Of<SpringData>("Spring")};
    return types;
}

inline bool ThingData::Read(BlueprintReader& reader)
{
    Data::Read(reader);
    if (ReadMember(reader, "Peril", perilName))
        if (Data* found = registry->FindData("Perils", perilName))
            peril = found->index;
    return true;
}

inline void ThingData::Write(BlueprintWriter& writer) const
{
    WriteMember(writer, "DataType", ThingTypes().NameOf(*this));
    Data::Write(writer);
    if (!perilName.empty())
        WriteMember(writer, "Peril", StringView(perilName));
}

// A configuration family: one "<name>.data" file per item.
struct TestConfiguration
{
    void Read(BlueprintReader& reader, DataRegistry& registry)
    {
        ++reads;
        ReadMember(reader, "Name", title);
        std::string gameTypeName;
        if (ReadMember(reader, "GameType", gameTypeName))
            if (Data* found = registry.FindData("GameTypes", gameTypeName))
                gameType = found->index;
    }

    std::string key;
    uint32_t registryIndex = Lumvek::InvalidId;
    std::string title;
    uint32_t gameType = Lumvek::InvalidId;
    int reads = 0;
};

// The game's registry with the families of the tests beside its own.
class TestRegistry : public DataRegistry
{
public:
    using DataRegistry::DataRegistry;

    DataCollection<PerilTestData> perils{*this, "Perils", 1};
    DataCollection<ThingData> things{*this, "Parts/Things", 9, ThingTypes()};
    DataCollection<TestConfiguration> configurations{*this, "Configurations", 16};
};

// An application folder whose "Assets" the tests fill, with a file manager rooted there.
class AssetsFolder
{
public:
    AssetsFolder() : files(folder.Root(), folder.Root(), folder.Root(), folder.Root())
    {
        files.RegisterFormats();
        Lumvek::RegisterRuntimeFormats(files);
    }

    // A file below Assets.
    void Write(const std::string& relative, StringView text)
    {
        ASSERT_TRUE(Lumvek::File::WriteAllText(folder.Path("Assets/" + relative), text)) << relative;
    }
    // The list file of a collection folder, naming the entries in order.
    void WriteList(const std::string& collection, std::initializer_list<std::string> entries)
    {
        std::string text = "[";
        for (const std::string& entry : entries)
            text += (text.size() > 1 ? ", \"" : "\"") + entry + "\"";
        std::string leaf = collection.substr(collection.rfind('/') + 1);
        Write(collection + "/" + leaf + ".json", text + "]");
    }
    void WriteDefinition(const std::string& collection, const std::string& entry, StringView json)
    {
        Write(collection + "/" + entry + "/Data.json", json);
    }

    Lumvek::Blueprint ReadJson(const std::string& relative) const
    {
        Lumvek::Blueprint blueprint;
        auto [read, text] = Lumvek::File::ReadAllText(folder.Path("Assets/" + relative));
        EXPECT_TRUE(read && Lumvek::JsonFormat::LoadBlueprint(text, blueprint)) << relative;
        return blueprint;
    }

    Lumvek::Testing::TestFolder folder;
    Lumvek::FileManager files;
};

// The JSON text as a tree, for comparing what was written.
inline Lumvek::Blueprint Json(StringView text)
{
    Lumvek::Blueprint blueprint;
    EXPECT_TRUE(Lumvek::JsonFormat::LoadBlueprint(text, blueprint)) << text.ToStdView();
    return blueprint;
}

// The member names of an object, in order.
inline std::vector<std::string> MemberNames(const Lumvek::Blueprint& object)
{
    std::vector<std::string> names;
    for (const auto& member : object.GetObject())
        names.push_back(member.name.View().ToString());
    return names;
}

} // namespace DataTesting
