#include "Source/Tools/Bake/Recipe.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/Log.h"

using namespace Lumvek;

std::vector<std::unique_ptr<Recipe>> AllRecipes()
{
    std::vector<std::unique_ptr<Recipe>> recipes;
    AddFontRecipes(recipes);
    AddUiRecipes(recipes);
    AddToolsRecipes(recipes);
    AddRenderRecipes(recipes);
    return recipes;
}

bool BakeAll(const std::string& assets)
{
    bool baked = true;
    std::vector<std::unique_ptr<Recipe>> recipes = AllRecipes();
    const std::string requested = assets + "/Bake/Requested.txt";
    if (File::Exists(requested))
    {
        const auto [read, text] = File::ReadAllText(requested);
        baked = read && AddRequestedRecipes(text, recipes);
    }
    for (const auto& recipe : recipes)
    {
        const std::string name = recipe->Name();
        auto section = Log::BeginSection("Baking {}", name);
        if (!recipe->Bake(assets))
        {
            Log::Write("failed to bake {}", name);
            baked = false;
        }
    }
    return baked;
}

bool WriteAsset(const std::string& assets, StringView relative, StringView bytes)
{
    const std::string path = assets + "/" + relative.ToString();
    if (!File::WriteAllText(path, bytes))
    {
        Log::Write("cannot write {}", path);
        return false;
    }
    return true;
}
