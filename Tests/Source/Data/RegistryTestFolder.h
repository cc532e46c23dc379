#pragma once

#include "Source/Data/DataRegistry.h"
#include "Source/Data/Loadout.h"
#include "Tests/Source/Data/DataTestSupport.h"

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

// An assets folder with the game's registry over it. Collections that loadouts and configurations look
// definitions up in are added when the registry has none for their folders, so the same files load
// either way.
class RegistryTestFolder : public AssetsFolder
{
public:
    RegistryTestFolder() : registry(files)
    {
        for (StringView plain : std::initializer_list<StringView>{"Maps", "Themes", "Parts/Heads", "Parts/Cores",
                                                                  "Parts/Arms", "Parts/Legs", "Weapons"})
            if (!FindCollection(registry, plain))
                plainCollections.push_back(std::make_unique<DataCollection<PlainDefinition>>(registry, plain, 1));
    }

    // A collection's list and one definition per name, each with the DataType its family reads (the
    // name itself when none is given).
    void WriteDefinitions(const std::string& collection, std::initializer_list<std::string> names,
                          const std::string& dataType = std::string())
    {
        WriteList(collection, names);
        for (const std::string& name : names)
            WriteDefinition(collection, name, "{\"DataType\": \"" + (dataType.empty() ? name : dataType) + "\"}");
    }

    // Two maps, a theme, the four game types, three heads, two of every other part and two weapons.
    void WriteStandardDefinitions()
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
    std::string ReadText(const std::string& relative) const
    {
        return Lumvek::File::ReadAllText(folder.Path("Assets/" + relative)).second;
    }

    DataRegistry registry;

private:
    std::vector<std::unique_ptr<DataCollection<PlainDefinition>>> plainCollections;
};

} // namespace DataTesting
