#include "Source/Data/DataRegistry.h"
#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace
{

constexpr int DefinitionsPerFamily = 250;

// An application folder with a thousand definitions: hazards, items, projectiles and the weapons that
// fire them, each with a file like the game's. Every other collection gets an empty list, so the load
// measures definitions only. Removed with the object.
class AssetsFixture
{
public:
    AssetsFixture()
        : root(std::filesystem::temp_directory_path() / ("VantorelDataBenchmark-" + std::to_string(::getpid()))),
          files(root.string(), root.string(), root.string(), root.string())
    {
        files.RegisterFormats();
        Lumvek::RegisterRuntimeFormats(files);
        DataRegistry registry(files);
        for (const DataCollectionBase* collection : registry.GetCollections())
            WriteList(collection->GetFolder(), {});

        std::vector<std::string> hazards, items, projectiles, weapons;
        for (int i = 0; i < DefinitionsPerFamily; ++i)
        {
            const std::string number = std::to_string(i);
            hazards.push_back("Hazard" + number);
            Write("Hazards/Hazard" + number + "/Data.json",
                  R"({"DisplayName": "Hazard )" + number + R"(", "Damage": 10.0, "WindSpeed": 2.5,
                      "TileSize": 0.5, "TileHorizontally": true, "NineSliceTop": 8})");
            items.push_back("Item" + number);
            Write("Items/Item" + number + "/Data.json",
                  R"({"DataType": "Flag", "Size": "1.0 1.5", "Offset": "0.5 0.0", "Rotatable": true, "Team": 1,
                      "Shape": ["0 0", "1 0", "1 1", "0 1"], "MaximumForwardSpeed": -0.5, "Weight": 1.0})");
            projectiles.push_back("Projectile" + number);
            Write("Projectiles/Projectile" + number + "/Data.json",
                  R"({"DataType": "DynamicProjectile", "Size": "0.25 0.25", "Offset": "0.5 0.5", "Orient": false,
                      "Density": 2.0, "Restitution": 0.5, "Friction": 0.3, "Shape": ["0 0", "1 0", "1 1", "0 1"]})");
            weapons.push_back("Weapon" + number);
            Write("Weapons/Weapon" + number + "/Data.json",
                  R"({"DataType": "GrenadeLauncher", "DisplayName": "Launcher )" + number + R"(",
                      "AutoRateOfFire": 0.5, "SemiRateOfFire": "15_ticks", "MaxAmmo": 30, "ClipSize": 6,
                      "ReloadTime": 1.5, "ZoomLevels": [1.0, 1.5], "Spread": 2.0, "Size": "1.0 0.5",
                      "MuzzleOffset": "1.0 0.5", "Shape": ["0 0", "1 0", "1 1"], "Modifiers": {"Agility": -0.1},
                      "Projectile": "Projectile)" +
                      number + R"(", "Speed": 12.0, "Lifetime": 3.0,
                      "InnerExplosionRadius": 1.0, "OuterExplosionRadius": 3.0, "ChargeRate": 2.0})");
        }
        WriteList("Hazards", hazards);
        WriteList("Items", items);
        WriteList("Projectiles", projectiles);
        WriteList("Weapons", weapons);
    }
    AssetsFixture(const AssetsFixture&) = delete;
    AssetsFixture& operator=(const AssetsFixture&) = delete;
    ~AssetsFixture()
    {
        std::error_code error;
        std::filesystem::remove_all(root, error);
    }

    std::filesystem::path root;
    Lumvek::FileManager files;

private:
    void Write(const std::string& relative, const std::string& text)
    {
        Lumvek::File::WriteAllText((root / "Assets" / relative).string(), text);
    }

    void WriteList(const std::string& folder, const std::vector<std::string>& names)
    {
        std::string text = "[";
        for (const std::string& name : names)
            text += (text.size() > 1 ? ", \"" : "\"") + name + "\"";
        Write(folder + "/" + folder.substr(folder.rfind('/') + 1) + ".json", text + "]");
    }
};

void LoadDefinitions(benchmark::State& state)
{
    AssetsFixture assets;
    for (auto _ : state)
    {
        DataRegistry registry(assets.files);
        registry.LoadAll();
        benchmark::DoNotOptimize(registry.weapons.Count());
    }
    state.counters["PerDefinition"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 4 * DefinitionsPerFamily,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(LoadDefinitions)->Unit(benchmark::kMillisecond);
