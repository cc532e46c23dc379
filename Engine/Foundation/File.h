#pragma once

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <string>
#include <system_error>
#include <utility>

namespace Lumvek
{

// Whole-file input and output. Files are read whole and written whole in binary; '\' in a path is
// taken as a separator, as everywhere else in the engine.
namespace File
{

// True when the path names a regular file that can be opened for reading.
bool Exists(StringView path);

// {ok, contents}. Not ok (and empty) when the path names no readable regular file or the file is too
// large to be held by the engine's 32-bit sizes.
std::pair<bool, std::string> ReadAllText(StringView path);
std::pair<bool, Buffer> ReadBytes(StringView path);

// Creates the folder and every missing folder above it; true when the folder exists afterwards.
bool CreateDirectories(StringView path);

// The one way the engine saves a file. The bytes go to a new file beside the target, which is flushed
// to the disk and then renamed over the target, so the previous file is replaced whole or not at all.
// Missing folders are created first. On any failure the new file is removed and false returned.
// The form taking error gives the system's reason for a failure (no space, read-only, not a folder),
// for the caller to name in its line; error.message() is that reason's text.
bool WriteAllText(StringView path, const void* bytes, uint64_t size);
bool WriteAllText(StringView path, const void* bytes, uint64_t size, std::error_code& error);
inline bool WriteAllText(StringView path, StringView text)
{
    return WriteAllText(path, text.data, text.length);
}
inline bool WriteAllText(StringView path, StringView text, std::error_code& error)
{
    return WriteAllText(path, text.data, text.length, error);
}

} // namespace File

} // namespace Lumvek
