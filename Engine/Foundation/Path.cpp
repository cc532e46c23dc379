#include "Engine/Foundation/Path.h"

#include <vector>

namespace Lumvek
{

namespace
{

constexpr uint32_t NoPosition = StringView::NotFound;

uint32_t FindLast(StringView path, char c)
{
    for (uint32_t i = path.length; i > 0; --i)
        if (path.data[i - 1] == c)
            return i - 1;
    return NoPosition;
}

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

// Splits at every '/' and '\', keeping empty pieces.
std::vector<StringView> Split(StringView path)
{
    std::vector<StringView> pieces;
    uint32_t start = 0;
    for (uint32_t i = 0; i <= path.length; ++i)
    {
        if (i < path.length && !IsSeparator(path.data[i]))
            continue;
        pieces.push_back(path.Sub(start, i - start));
        start = i + 1;
    }
    return pieces;
}

// Components of a path without its trailing separators; the empty path has none.
std::vector<StringView> Components(StringView path)
{
    while (path.length > 0 && IsSeparator(path.data[path.length - 1]))
        --path.length;
    if (path.IsEmpty())
        return {};
    return Split(path);
}

// One step up. Dropping a ".." that has no component left to remove would silently point the path
// somewhere else, so the climb is kept in a relative path and stops at the root of an absolute one.
void Climb(std::string& path)
{
    if (path == ".")
    {
        path = "..";
        return;
    }
    if (path.empty() || Path::GetLastComponent(path) == "..")
    {
        Path::AppendInPlace(path, "..");
        return;
    }
    if (path == "/")
        return;
    if (FindLast(path, '/') == 0)
    {
        path.assign(1, '/');
        return;
    }
    Path::RemoveFileName(path);
}

} // namespace

namespace Path
{

std::string Clean(StringView path)
{
    std::string cleaned = path.ToString();
    for (char& c : cleaned)
        if (c == '\\')
            c = '/';
    while (!cleaned.empty() && cleaned.back() == '/')
        cleaned.pop_back();
    return cleaned;
}

void AppendInPlace(std::string& path, StringView part)
{
    // The root stands for itself; every other non-empty path takes a separator.
    if (!path.empty() && path != "/")
        path += '/';
    path += Clean(part);
}

std::string AppendCopy(StringView path, StringView part)
{
    std::string result = path.ToString();
    AppendInPlace(result, part);
    return result;
}

void AppendResolved(std::string& path, StringView part)
{
    for (StringView piece : Split(part))
    {
        if (piece == "..")
            Climb(path);
        else if (piece != ".")
            AppendInPlace(path, piece);
    }
}

std::string Append(StringView path, StringView part)
{
    std::string result = path.ToString();
    AppendResolved(result, part);
    return result;
}

void RemoveFileName(std::string& path)
{
    uint32_t slash = FindLast(path, '/');
    path.resize(slash == NoPosition ? 0 : slash);
}

std::string GetDirectory(StringView path)
{
    uint32_t slash = FindLast(path, '/');
    return slash == NoPosition ? std::string() : Clean(path.Sub(0, slash));
}

std::string GetLastComponent(StringView path)
{
    uint32_t slash = FindLast(path, '/');
    return slash == NoPosition ? path.ToString() : path.Sub(slash + 1).ToString();
}

std::string GetFileName(StringView path)
{
    uint32_t slash = FindLast(path, '/');
    uint32_t dot = FindLast(path, '.');
    if (slash == NoPosition || dot == NoPosition)
        return path.ToString();
    // A dot in a folder name is no extension of the file: the name is the whole last component.
    if (dot < slash)
        return path.Sub(slash + 1).ToString();
    return path.Sub(slash + 1, dot - slash - 1).ToString();
}

std::string GetExtension(StringView path)
{
    uint32_t dot = FindLast(path, '.');
    return dot == NoPosition ? std::string() : path.Sub(dot + 1).ToString();
}

std::string MakeRelative(StringView from, StringView to)
{
    std::vector<StringView> fromParts = Components(from);
    std::vector<StringView> toParts = Components(to);
    size_t common = 0;
    while (common < fromParts.size() && common < toParts.size() && fromParts[common] == toParts[common])
        ++common;

    std::vector<StringView> steps(fromParts.size() - common, StringView(".."));
    steps.insert(steps.end(), toParts.begin() + static_cast<ptrdiff_t>(common), toParts.end());
    if (steps.empty())
        return ".";
    std::string result;
    for (size_t i = 0; i < steps.size(); ++i)
    {
        if (i > 0)
            result += '/';
        result.append(steps[i].data, steps[i].length);
    }
    return result;
}

} // namespace Path

} // namespace Lumvek
