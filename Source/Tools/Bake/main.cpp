#include "Source/Tools/Bake/Recipe.h"

#include <cstdio>
#include <cstring>
#include <string>

// bake-assets <Assets folder> [--contact-sheet <file>]: makes every generated file of the folder
// again, and on request one picture of all its images.
int main(int argc, char** argv)
{
    std::string assets, contactSheet;
    bool understood = true;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--contact-sheet") == 0 && i + 1 < argc)
            contactSheet = argv[++i];
        else if (assets.empty() && argv[i][0] != '-')
            assets = argv[i];
        else
            understood = false;
    }
    if (!understood || assets.empty())
    {
        std::fprintf(stderr, "usage: bake-assets <Assets folder> [--contact-sheet <file>]\n");
        return 2;
    }
    while (assets.size() > 1 && assets.back() == '/')
        assets.pop_back();
    bool baked = BakeAll(assets);
    if (!contactSheet.empty())
        baked = WriteContactSheet(assets, contactSheet) && baked;
    return baked ? 0 : 1;
}
