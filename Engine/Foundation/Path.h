#pragma once

#include "Engine/Foundation/StringView.h"

#include <string>

namespace Lumvek
{

// Path arithmetic on text alone: '/' separates components, '\' is accepted on input and turned into
// '/' by cleaning and appending. Nothing here asks the operating system; components compare byte for
// byte.
namespace Path
{

// Every '\' becomes '/' and all trailing '/' are removed, so "///" cleans to the empty path.
std::string Clean(StringView path);

// Appends the cleaned part, after one '/' unless the path is empty.
void AppendInPlace(std::string& path, StringView part);
std::string AppendCopy(StringView path, StringView part);

// Appends the part piece by piece, where ".." climbs one component and "." stays. Climbing never
// drops a ".." it cannot resolve: above the start of a relative path it is kept ("../x"), above the
// root of an absolute path it stays at the root.
void AppendResolved(std::string& path, StringView part);
std::string Append(StringView path, StringView part);

// Keeps what stands before the last '/'; empty when there is none.
void RemoveFileName(std::string& path);
// The cleaned text before the last '/'; empty when there is none.
std::string GetDirectory(StringView path);
// The text after the last '/'; the whole path when there is none.
std::string GetLastComponent(StringView path);
// The text between the last '/' and the last '.' after it. A path without '/' or without '.' comes back
// whole; when the last '.' stands in a folder name ("a.b/c") the last component is the name.
std::string GetFileName(StringView path);
// The text after the last '.', wherever it stands; empty when there is none.
std::string GetExtension(StringView path);

// A path that leads from the folder `from` to `to`, so that Append(from, result) names `to`; "." when
// both name the same place.
std::string MakeRelative(StringView from, StringView to);

} // namespace Path

} // namespace Lumvek
