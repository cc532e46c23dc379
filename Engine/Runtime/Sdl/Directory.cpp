#include "Engine/Runtime/Core/Directory.h"

#include "Engine/Foundation/Path.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>

namespace Lumvek
{

namespace Directory
{

namespace
{

// '/' separators and no trailing '/', except that the root stays "/". Empty for a path the system
// cannot take (an embedded NUL).
std::string Native(StringView path)
{
    if (path.ToStdView().find('\0') != std::string_view::npos)
        return {};
    std::string native = Path::Clean(path);
    if (native.empty() && !path.IsEmpty() && (path.data[0] == '/' || path.data[0] == '\\'))
        return "/";
    return native;
}

bool IsFolder(const std::string& path)
{
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool CreateAllNative(const std::string& path)
{
    if (path.empty())
        return false;
    if (IsFolder(path))
        return true;
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0)
        CreateAllNative(path.substr(0, slash)); // its outcome shows in the creation below
    if (::mkdir(path.c_str(), 0777) == 0)
        return true;
    // Another thread or program may have made it meanwhile.
    return errno == EEXIST && IsFolder(path);
}

} // namespace

bool CreateAll(StringView path)
{
    return CreateAllNative(Native(path));
}

std::pair<std::vector<std::string>, std::vector<std::string>> FindFiles(StringView path)
{
    std::pair<std::vector<std::string>, std::vector<std::string>> found;
    const std::string folder = Native(path);
    if (folder.empty())
        return found;
    // Increments that fail end the listing with what was found so far, rather than throwing.
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
    {
        const std::string name = entry->path().filename().string();
        std::string full = folder == "/" ? "/" + name : folder + "/" + name;
        std::error_code typeError;
        if (entry->is_directory(typeError))
            found.second.push_back(std::move(full));
        else
            found.first.push_back(std::move(full));
    }
    return found;
}

} // namespace Directory

} // namespace Lumvek
