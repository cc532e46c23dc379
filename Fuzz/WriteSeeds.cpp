// write-fuzz-seeds <checkout> <folder>: writes each reader's seeds into <folder>/<reader>/, one file
// per seed, as the starting corpus of its fuzz program (scripts/fuzz).
#include "Fuzz/Readers.h"

#include "Engine/Foundation/File.h"

#include <cstdio>
#include <filesystem>
#include <string>

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
    return 0;
}
