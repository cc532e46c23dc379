#pragma once

#include "Engine/Foundation/StringView.h"

#include <string>
#include <utility>
#include <vector>

namespace Lumvek
{

// Folder services of the platform layer; '\' in a path is taken as a separator.
namespace Directory
{

// Creates the folder and any missing folder above it; true when the folder exists afterwards.
bool CreateAll(StringView path);

// {files, folders} directly inside the folder, each as the folder's path joined with the entry's name,
// in the order the file system gives them. Both lists are empty when the folder cannot be read.
std::pair<std::vector<std::string>, std::vector<std::string>> FindFiles(StringView path);

} // namespace Directory

} // namespace Lumvek
