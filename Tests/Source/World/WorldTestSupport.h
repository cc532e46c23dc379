#pragma once

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Json.h"
#include "Source/Data/DataRegistry.h"
#include "Source/World/GameContext.h"
#include "Source/World/MapFile.h"
#include "Source/World/World.h"
#include "Tests/TestFolder.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace WorldTesting
{

inline Lumvek::Blueprint Json(Lumvek::StringView text)
{
    Lumvek::Blueprint blueprint;
    EXPECT_TRUE(Lumvek::JsonFormat::LoadBlueprint(text, blueprint)) << text.ToStdView();
    return blueprint;
}

// A tree as JSON text, so that a failed comparison shows what differs.
inline std::string Text(const Lumvek::Blueprint& blueprint)
{
    return Lumvek::JsonFormat::SaveBlueprint(blueprint);
}

// A game context over a registry of its own in a scratch folder: the definitions a test adds, one
// theme and one map whose file the test writes.
class TestGame : public GameContext
{
public:
    TestGame() : files(folder.Root(), folder.Root(), folder.Root(), folder.Root()), ownRegistry(files)
    {
        files.RegisterFormats();
        registry = &ownRegistry;
        configuration.map =
            Add(ownRegistry.maps, "Test", R"({"DisplayName": "Test", "Description": "A test map."})")->index;
        configuration.theme = Add(ownRegistry.themes, "Plain", "{}")->index;
        Add(ownRegistry.hazards, "Spikes", R"({"Damage": 10.0})");
        Add(ownRegistry.hazards, "Icicles", R"({"Damage": 20.0})");
        Add(ownRegistry.zones, "Mud", "{}");
        Add(ownRegistry.interactions, "Lever", "{}");
        Add(ownRegistry.triggers, "FlagStand", "{}");
    }

    template <class T> T* Add(DataCollection<T>& collection, Lumvek::StringView name, Lumvek::StringView json)
    {
        return collection.Add(name, Json(json), std::make_unique<T>());
    }

    // Writes the map file of the test map.
    void WriteMap(Lumvek::StringView text)
    {
        ASSERT_TRUE(Lumvek::File::WriteAllText(folder.Path("Assets/Maps/Test/Data.json"), text));
    }
    std::string ReadMap() const { return Lumvek::File::ReadAllText(folder.Path("Assets/Maps/Test/Data.json")).second; }

    // A fresh world with the map text loaded into it.
    std::unique_ptr<World> Load(Lumvek::StringView text, MapNames& names, uint32_t seed = 1)
    {
        auto world = std::make_unique<World>(*this, seed);
        LoadMapText(*world, names, text, "Test");
        return world;
    }

    Lumvek::Testing::TestFolder folder;
    Lumvek::FileManager files;
    DataRegistry ownRegistry;
};

// A game context over a scratch copy of the shipped maps and the definitions they name.
class ShippedGame : public GameContext
{
public:
    ShippedGame() : files(folder.Root(), folder.Root(), folder.Root(), folder.Root()), ownRegistry(files)
    {
        files.RegisterFormats();
        std::filesystem::create_directories(folder.Path("Assets"));
        for (const char* collection : {"Maps", "Hazards", "Zones", "Interactions", "Themes", "Triggers"})
            std::filesystem::copy(std::filesystem::path(Lumvek::Testing::SourceFolder()) / "Assets" / collection,
                                  std::filesystem::path(folder.Path("Assets")) / collection,
                                  std::filesystem::copy_options::recursive);
        for (DataCollectionBase* collection : std::initializer_list<DataCollectionBase*>{
                 &ownRegistry.hazards, &ownRegistry.interactions, &ownRegistry.maps, &ownRegistry.themes,
                 &ownRegistry.triggers, &ownRegistry.zones})
            collection->Load();
        registry = &ownRegistry;
    }

    // Chooses the map and the theme of those names.
    void Choose(Lumvek::StringView map, Lumvek::StringView theme = "Glacier")
    {
        configuration.map = ownRegistry.maps.FindIndex(map);
        configuration.theme = ownRegistry.themes.FindIndex(theme);
    }
    std::string MapPath(Lumvek::StringView map) const
    {
        return folder.Path("Assets/Maps/" + map.ToString() + "/Data.json");
    }

    Lumvek::Testing::TestFolder folder;
    Lumvek::FileManager files;
    DataRegistry ownRegistry;
};

} // namespace WorldTesting
