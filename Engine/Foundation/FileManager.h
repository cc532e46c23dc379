#pragma once

#include "Engine/Foundation/Format.h"
#include "Engine/Foundation/FormatHandle.h"
#include "Engine/Foundation/StringView.h"
#include "Engine/Foundation/TypeRegistry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace Lumvek
{

// One file whose content is reloaded in place when the file changes on disk.
struct FileWatch
{
    uint32_t id = 0;
    Format* format = nullptr;
    // The id of the content's type, so that a reload hands the format only what it loads.
    uint32_t contentType = 0xFFFFFFFFu;
    // Kept alive by its owner for as long as the watch's FormatHandle is held.
    void* content = nullptr;
    // Nanoseconds since 1970 at millisecond resolution; 0 when the file could not be examined.
    int64_t lastWriteTime = 0;
    std::string path;
};

// The engine's one entry to content on disk: resolves root prefixes, owns the formats by extension
// and content type, loads content through them, and keeps the watches of hot-reloaded files. Owned by
// the application for the life of the process; every FormatHandle it hands out must be released
// before it goes. Formats are added at start-up, before any loader thread runs; loads may then come
// from any thread, while watches are made and polled on the application thread only.
class FileManager
{
public:
    FileManager() = default;
    // Each root is cleaned: '/' separators, no trailing '/'.
    FileManager(StringView applicationRoot, StringView dataRoot, StringView documentsRoot, StringView temporaryRoot);
    FileManager(const FileManager&) = delete;
    FileManager& operator=(const FileManager&) = delete;
    virtual ~FileManager();

    // Registers the formats of the foundation's own content types, each under its extension; the
    // libraries above add theirs (RegisterRuntimeFormats, the OpenGL device's "hlsl").
    void RegisterFormats();

    // A path starting with "Application:", "Data:", "Documents:" or "Temporary:" (exact case) continues
    // under that root; any other path is taken whole under the application root. A path whose ".."
    // climbs out of its root is refused with a message naming it, and resolves to the empty path,
    // which names no file.
    std::string ResolvePath(StringView path) const;
    // A resolved path as messages name it: from the application root ("Assets/Maps/Hilltop/Data.json")
    // when it lies there, so that a line reads the same on every machine; otherwise as given.
    std::string NameFile(StringView path) const;
    // Whether a resolved path is the root or lies under it (an empty root: a relative path that does
    // not climb above it).
    static bool IsInside(StringView path, StringView root);

    // Appends the format to those of the extension (exact bytes) and takes it; a null format is ignored.
    void AddFormat(uint32_t contentTypeId, StringView extension, std::unique_ptr<class Format> format);
    // The first format added for the extension and content type; null when there is none.
    Format* FindFormat(uint32_t contentTypeId, StringView extension) const;
    template <class T> ContentFormat<T>* FindFormat(StringView extension) const
    {
        return dynamic_cast<ContentFormat<T>*>(FindFormat(TypeIndex<T>(), extension));
    }

    // Loads the file at the resolved path into content with the format of its extension, inside a log
    // section "Loading {type} {name} from {path}". The result has no manager when the file does not
    // exist or no format loads T from its extension; otherwise the load counts as done, whatever the
    // format made of the bytes. With watch, the file is reloaded into content whenever it changes.
    template <class T> FormatHandle Load(StringView path, T& content, StringView name, bool watch)
    {
        return LoadAs(path, TypeIndex<T>(), TypeName::Of<T>(), &content, name, watch);
    }
    // Tries each path of a list separated by "|" in order and loads the first one that exists and has
    // a format for T.
    template <class T> FormatHandle LoadFromAny(StringView paths, T& content, StringView name, bool watch)
    {
        return LoadFromAnyAs(paths, TypeIndex<T>(), TypeName::Of<T>(), &content, name, watch);
    }

    // Starts watching a loaded file; content must be an object of the type contentType names, and
    // stay alive while the returned handle is held.
    FormatHandle Watch(StringView path, Format* format, uint32_t contentType, void* content);
    // Removes the handle's watch, if any, and leaves the handle {null, -1}.
    void ReleaseHandle(FormatHandle& handle);
    // Reloads every watched file whose last write is later than the one recorded. Reloads may watch or
    // release files themselves.
    void PollWatches();

    const std::vector<FileWatch>& GetWatches() const { return watches; }

    // Nanoseconds since 1970 of the file's last write, truncated to milliseconds; 0 when the file
    // cannot be examined.
    static int64_t LastWriteTime(StringView path);

    std::string applicationRoot;
    std::string dataRoot;
    std::string documentsRoot;
    std::string temporaryRoot;

private:
    struct FormatEntry
    {
        uint32_t contentTypeId;
        std::unique_ptr<class Format> format;
    };

    FormatHandle LoadAs(StringView path, uint32_t contentType, StringView typeName, void* content, StringView name,
                        bool watch);
    FormatHandle LoadFromAnyAs(StringView paths, uint32_t contentType, StringView typeName, void* content,
                               StringView name, bool watch);

    std::unordered_map<std::string, std::vector<FormatEntry>> formats;
    uint32_t nextWatchId = 0;
    // Ordered by id: watches are appended with rising ids and removed without reordering.
    std::vector<FileWatch> watches;
};

} // namespace Lumvek
