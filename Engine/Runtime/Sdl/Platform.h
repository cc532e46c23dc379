#pragma once

#include "Engine/Foundation/StringView.h"
#include "Engine/Runtime/Core/Application.h"

#include <string>

namespace Lumvek
{

// What the host learns from the system at start-up, and the rules that turn the system's answers
// into the application's settings.
namespace Platform
{

struct Folders
{
    std::string application;
    std::string data;
    std::string documents;
    std::string temporary;
};

// The folder of the executable, cut before its last "/build/" component (in any case) when it has
// one, so that a program built under build/ finds the checkout's Assets folder.
std::string ApplicationFolderOf(StringView executablePath);

// "de_DE.UTF-8@euro" gives "de-DE", "fr" gives "fr"; empty for "C", "POSIX" and anything that does
// not start with a language name.
std::string LanguageOfLocale(StringView locale);

// The arguments of a command line kept as NUL-terminated entries (as /proc/self/cmdline holds it),
// each added with an empty name; the first entry, the program, is left out.
Arguments ArgumentsOfCommandLine(StringView entries);

// The application folder from the running executable; data under $XDG_DATA_HOME (default
// ~/.local/share), documents under the home folder and temporary files under /tmp, each in a folder
// named after the application. Nothing is created on disk.
Folders FindFolders(StringView applicationName);

// The user's language from LC_ALL, LC_MESSAGES or LANG, the first that is set; "en-US" when none
// names one, with a message in the log.
std::string FindLanguage();

// The process's own command-line arguments.
Arguments FindArguments();

} // namespace Platform

} // namespace Lumvek
