// write-fuzz-seeds <checkout> <folder>: writes each reader's seeds into <folder>/<reader>/, one file
// per seed, as the starting corpus of its fuzz program (scripts/fuzz).
#include "Fuzz/Readers.h"

#include "Engine/Foundation/File.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: write-fuzz-seeds <checkout> <folder>\n");
        return 2;
    }
    const std::string folder = argv[2];
    for (const Lumvek::Fuzz::Reader& reader : Lumvek::Fuzz::Readers())
    {
        const std::string readerFolder = folder + "/" + reader.name;
        std::error_code error;
        std::filesystem::create_directories(readerFolder, error);
        size_t index = 0;
        for (const std::string& seed : reader.seeds(argv[1]))
        {
            const std::string path = readerFolder + "/seed-" + std::to_string(index++);
            if (!Lumvek::File::WriteAllText(path, seed))
            {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
        }
        std::printf("%s: %zu seeds\n", reader.name, index);
    }
    // The game's harnesses kept beside their tests read map files and role files.
    const std::pair<const char*, const char*> gameSeeds[] = {{"mapfile", "/Data.json"}, {"rolefile", ".config"}};
    for (const auto& [name, suffix] : gameSeeds)
    {
        const std::string readerFolder = folder + "/" + name;
        std::error_code error;
        std::filesystem::create_directories(readerFolder, error);
        const std::string maps = std::string(argv[1]) + "/Assets/Maps";
        const std::string base = std::string(name) == "mapfile" ? maps : std::string(argv[1]) + "/Assets";
        size_t index = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(base, error))
        {
            const std::string path = entry.path().string();
            if (entry.is_regular_file() && path.ends_with(suffix))
                std::filesystem::copy_file(path, readerFolder + "/seed-" + std::to_string(index++),
                                           std::filesystem::copy_options::overwrite_existing, error);
        }
        std::printf("%s: %zu seeds\n", name, index);
    }
    return 0;
}
