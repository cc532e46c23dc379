#include "Source/Tools/Bake/Recipe.h"

#include <cstdio>
#include <string>

// bake-assets <Assets folder>: makes every generated file of the folder again.
int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: bake-assets <Assets folder>\n");
        return 2;
    }
    std::string assets = argv[1];
    while (assets.size() > 1 && assets.back() == '/')
        assets.pop_back();
    return BakeAll(assets) ? 0 : 1;
}
