#pragma once

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/StringView.h"

#include <memory>
#include <string>
#include <vector>

// One kind of content the asset generator makes: it draws or synthesises its files from code and
// writes them under the Assets folder it is given. Recipes must be deterministic, so that a re-bake
// reproduces the committed files byte for byte. Owned by the list AllRecipes returns.
class Recipe
{
public:
    virtual ~Recipe() = default;

    // What the recipe makes, for the generator's messages.
    virtual std::string Name() const = 0;
    // Writes the recipe's files under assets (the Assets folder, without a trailing '/'); false, with
    // a logged message, when something could not be made or written.
    virtual bool Bake(const std::string& assets) const = 0;
};

// Every recipe of the generator, in the order they are baked.
std::vector<std::unique_ptr<Recipe>> AllRecipes();

// Runs every recipe into the folder, and one for each image and sound its "Bake/Requested.txt"
// names, going on after a failed one; true when all succeeded.
bool BakeAll(const std::string& assets);

// Writes bytes to assets/relative, creating missing folders; logs and returns false on failure.
bool WriteAsset(const std::string& assets, Lumvek::StringView relative, Lumvek::StringView bytes);
inline bool WriteAsset(const std::string& assets, Lumvek::StringView relative, const Lumvek::Buffer& bytes)
{
    return WriteAsset(assets, relative, bytes.View());
}

// The recipes of each recipe file, gathered by AllRecipes.
void AddFontRecipes(std::vector<std::unique_ptr<Recipe>>& recipes);
void AddUiRecipes(std::vector<std::unique_ptr<Recipe>>& recipes);
void AddToolsRecipes(std::vector<std::unique_ptr<Recipe>>& recipes);
void AddRenderRecipes(std::vector<std::unique_ptr<Recipe>>& recipes);

// A recipe for each image and sound a list names (one path under "Assets/" a line), chosen by what the
// path names; false, logged, for a line no recipe makes.
bool AddRequestedRecipes(const std::string& requested, std::vector<std::unique_ptr<Recipe>>& recipes);

// Writes one PNG that shows every PNG under the Assets folder, scaled into a grid of cells in path
// order, so a person can look over the content in one picture; false, logged, when it cannot.
bool WriteContactSheet(const std::string& assets, const std::string& file);
