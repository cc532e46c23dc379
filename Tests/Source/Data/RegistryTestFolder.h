#pragma once

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Path.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/Loadout.h"
#include "Tests/TestFolder.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace DataTesting
{

// A definition of no family of its own, standing in for the families a registry may not hold yet.
class PlainDefinition : public Data
{
public:
    Lumvek::StringView GetFolder() const override { return "Plain"; }
};

// An application folder with an "Assets" tree, a file manager rooted there and a registry over it.
// Collections the loadouts and configurations look definitions up in are added when the registry has
// none for their folders, so the same files load either way.
class RegistryTestFolder
{
public:
    RegistryTestFolder() : files(folder.Root(), folder.Root(), folder.Root(), folder.Root()), registry(files)
    {
        for (Lumvek::StringView plain : std::initializer_list<Lumvek::StringView>{
                 "Maps", "Themes", "Parts/Heads", "Parts/Cores", "Parts/Arms", "Parts/Legs", "Weapons"})
            if (!FindCollection(registry, plain))
                plainCollections.push_back(std::make_unique<DataCollection<PlainDefinition>>(registry, plain, 1));
    }

    // Writes a text file at a path relative to the application folder.
    void WriteFile(const std::string& relative, const std::string& text) const
    {
        ASSERT_TRUE(Lumvek::File::WriteAllText(folder.Path(relative), text)) << relative;
    }

    // Writes a collection's list file and one definition file per name, each with the DataType its
    // family reads.
    void WriteDefinitions(const std::string& collectionFolder, std::initializer_list<std::string> names,
                          const std::string& dataType = std::string()) const
    {
        std::string list;
        for (const std::string& name : names)
        {
            list += (list.empty() ? "\"" : ", \"") + name + "\"";
            const std::string type = dataType.empty() ? name : dataType;
            WriteFile("Assets/" + collectionFolder + "/" + name + "/Data.json", "{\"DataType\": \"" + type + "\"}");
        }
        WriteFile("Assets/" + collectionFolder + "/" + Lumvek::Path::GetLastComponent(collectionFolder) + ".json",
                  "[" + list + "]");
    }

    // Three heads, two of every other part, two weapons, a map, a theme and the four game types.
    void WriteStandardDefinitions() const
    {
        WriteDefinitions("Maps", {"Mountain", "Harbour"}, "Map");
        WriteDefinitions("Themes", {"Snow"}, "Theme");
        WriteDefinitions("GameTypes", {"Deathmatch", "CaptureTheFlag", "Keepaway", "Race"});
        WriteDefinitions("Parts/Heads", {"Helmet", "Cap", "Antenna"}, "Head");
        WriteDefinitions("Parts/Cores", {"Barrel", "Box"}, "Core");
        WriteDefinitions("Parts/Arms", {"Claws", "Hooks"}, "Arms");
        WriteDefinitions("Parts/Legs", {"Wheels", "Springs"}, "Legs");
        WriteDefinitions("Weapons", {"Rifle", "Launcher"}, "Weapon");
    }

    std::string Root() const { return folder.Root(); }

    Lumvek::Testing::TestFolder folder;
    Lumvek::FileManager files;
    DataRegistry registry;

private:
    std::vector<std::unique_ptr<DataCollection<PlainDefinition>>> plainCollections;
};

} // namespace DataTesting
