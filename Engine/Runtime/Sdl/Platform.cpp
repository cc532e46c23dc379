#include "Engine/Runtime/Sdl/Platform.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Path.h"
#include "Engine/Foundation/ToString.h"

#include <sodium.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <pwd.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace Lumvek
{

Guid Guid::Create()
{
    Guid guid;
    if (sodium_init() < 0)
        return guid;
    randombytes_buf(guid.bytes, sizeof(guid.bytes));
    // The version (4, random) and the variant (10xx) sit where the text form shows them.
    guid.bytes[6] = static_cast<uint8_t>((guid.bytes[6] & 0x0F) | 0x40);
    guid.bytes[8] = static_cast<uint8_t>((guid.bytes[8] & 0x3F) | 0x80);
    return guid;
}

namespace Platform
{

namespace
{

// The value of an environment variable; empty when it is not set.
std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeFolder()
{
    std::string home = Environment("HOME");
    if (!home.empty() && home.front() == '/')
        return Path::Clean(home);

    std::vector<char> buffer(16384);
    passwd entry;
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        return Path::Clean(StringView::FromCString(found->pw_dir));

    // Without a home the per-user folders still need a place; the temporary folder is the one every
    // user can write to.
    Log::Write("failed to retrieve the home folder, using {}", "/tmp");
    return "/tmp";
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

std::string ApplicationFolderOf(StringView executablePath)
{
    std::string path = Path::Clean(executablePath);
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    const size_t build = lower.rfind("/build/");
    if (build != std::string::npos)
        return path.substr(0, build);
    return Path::GetDirectory(path);
}

std::string LanguageOfLocale(StringView locale)
{
    std::string_view text = locale.ToStdView();
    text = text.substr(0, std::min(text.find('.'), text.find('@')));
    const size_t separator = text.find('_');
    std::string_view language = text.substr(0, separator);
    std::string_view region = separator == std::string_view::npos ? std::string_view() : text.substr(separator + 1);

    // "C" and "POSIX" are single letters or longer than a language name's two or three letters.
    if (language.size() < 2 || language.size() > 3 || !std::all_of(language.begin(), language.end(), IsLetter))
        return {};
    std::string result(language);
    if (!region.empty() && std::all_of(region.begin(), region.end(), [](char c) { return std::isalnum(c) != 0; }))
        result += "-" + std::string(region);
    return result;
}

Arguments ArgumentsOfCommandLine(StringView entries)
{
    Arguments arguments;
    std::string_view text = entries.ToStdView();
    bool program = true;
    while (!text.empty())
    {
        const size_t end = text.find('\0');
        const std::string_view entry = text.substr(0, end);
        if (!program)
            arguments.Add("", entry);
        program = false;
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return arguments;
}

Folders FindFolders(StringView applicationName)
{
    Folders folders;
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        folders.application = ApplicationFolderOf(executable.string());
    else
        folders.application = Path::Clean(std::filesystem::current_path(error).string());

    const std::string home = HomeFolder();
    std::string data = Environment("XDG_DATA_HOME");
    // Relative values are to be ignored: they would depend on the working folder.
    if (data.empty() || data.front() != '/')
        data = Path::AppendCopy(home, ".local/share");
    folders.data = Path::AppendCopy(data, applicationName);
    folders.documents = Path::AppendCopy(home, applicationName);
    folders.temporary = Path::AppendCopy("/tmp", applicationName);
    return folders;
}

std::string FindLanguage()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
    {
        const std::string locale = Environment(variable);
        if (locale.empty())
            continue;
        // The first variable that is set decides, as it does for the C library.
        std::string language = LanguageOfLocale(locale);
        if (!language.empty())
            return language;
        // "C" and "POSIX", the usual locales of containers and services, name none: nothing is wrong.
        Log::Write("the locale \"{}\" of {} names no language: the game's language is en-US", locale, variable);
        return "en-US";
    }
    Log::Write("no locale is set (LC_ALL, LC_MESSAGES, LANG): the game's language is en-US");
    return "en-US";
}

Arguments FindArguments()
{
    // The kernel reports no size for the file, so it is read to its end.
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    std::string entries((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return ArgumentsOfCommandLine(entries);
}

} // namespace Platform

} // namespace Lumvek
