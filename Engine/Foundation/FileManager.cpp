#include "Engine/Foundation/FileManager.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/ImageFormats.h"
#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Lon.h"
#include "Engine/Foundation/LtdFormat.h"
#include "Engine/Foundation/Path.h"
#include "Engine/Foundation/SdfFormat.h"
#include "Engine/Foundation/String.h"
#include "Engine/Foundation/TextFormats.h"
#include "Engine/Foundation/Xml.h"
#include "Engine/Foundation/Zip.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>

namespace Lumvek
{

namespace
{

// One row of the format table: the format F, made for its own content type under the extension.
template <class F> void Register(FileManager& files, StringView extension)
{
    uint32_t contentType = TypeIndex<typename F::Content>();
    files.AddFormat(contentType, extension, std::make_unique<F>(&files, contentType, extension));
}

} // namespace

void FormatHandle::Release()
{
    if (manager)
        manager->ReleaseHandle(*this);
    watchId = -1;
}

FileManager::FileManager(StringView applicationRoot, StringView dataRoot, StringView documentsRoot,
                         StringView temporaryRoot)
    : applicationRoot(Path::Clean(applicationRoot)), dataRoot(Path::Clean(dataRoot)),
      documentsRoot(Path::Clean(documentsRoot)), temporaryRoot(Path::Clean(temporaryRoot))
{
}

FileManager::~FileManager() = default;

// The order matters only where one extension serves two content types: the first format added for
// an extension and type is the one that loads it. The runtime's formats (geometry, particle effects,
// sounds) are registered by the runtime, beside their content types.
void FileManager::RegisterFormats()
{
    Register<ZipFormat>(*this, "zip");
    Register<JsonFormat>(*this, "json");
    Register<LonFormat>(*this, "lon");
    Register<XmlFormat>(*this, "xml");
    Register<BinFormat>(*this, "bin");
    Register<TxtFormat>(*this, "txt");
    Register<JpgFormat>(*this, "jpeg");
    Register<JpgFormat>(*this, "jpg");
    Register<PngFormat>(*this, "png");
    Register<LtaFormat>(*this, "lta");
    Register<LtdFormat>(*this, "ltd");
    Register<SdfFormat>(*this, "sdf");
    Register<PngRegionFormat>(*this, "png");
}

std::string FileManager::ResolvePath(StringView path) const
{
    const struct
    {
        StringView prefix;
        const std::string& root;
    } roots[] = {
        {"Application:", applicationRoot},
        {"Data:", dataRoot},
        {"Documents:", documentsRoot},
        {"Temporary:", temporaryRoot},
    };
    const std::string* root = &applicationRoot;
    StringView rest = path;
    for (const auto& candidate : roots)
        if (path.length >= candidate.prefix.length &&
            std::memcmp(path.data, candidate.prefix.data, candidate.prefix.length) == 0)
        {
            root = &candidate.root;
            rest = path.Sub(candidate.prefix.length);
            break;
        }
    std::string resolved = Path::Append(*root, rest);
    // Paths come from content and profile names too: a ".." must not reach files outside the root.
    if (!IsInside(resolved, *root))
    {
        Log::Write("the path {} leads outside its root folder and is refused", path);
        return std::string();
    }
    return resolved;
}

std::string FileManager::NameFile(StringView path) const
{
    if (applicationRoot.empty() || !IsInside(path, applicationRoot) || path.length == applicationRoot.size())
        return path.ToString();
    const std::string_view name = path.ToStdView().substr(applicationRoot.size());
    return std::string(name.substr(std::min(name.find_first_not_of('/'), name.size())));
}

bool FileManager::IsInside(StringView path, StringView root)
{
    const std::string_view inside = path.ToStdView();
    const std::string_view folder = root.ToStdView();
    if (folder.empty())
        return inside != ".." && !inside.starts_with("../") && !inside.starts_with('/');
    if (!inside.starts_with(folder))
        return false;
    // "/data" holds "/data/x" but not "/database"; the root "/" holds every absolute path.
    return inside.size() == folder.size() || folder.back() == '/' || inside[folder.size()] == '/';
}

void FileManager::AddFormat(uint32_t contentTypeId, StringView extension, std::unique_ptr<class Format> format)
{
    if (format)
        formats[extension.ToString()].push_back({contentTypeId, std::move(format)});
}

Format* FileManager::FindFormat(uint32_t contentTypeId, StringView extension) const
{
    auto found = formats.find(extension.ToString());
    if (found == formats.end())
        return nullptr;
    for (const FormatEntry& entry : found->second)
        if (entry.contentTypeId == contentTypeId)
            return entry.format.get();
    return nullptr;
}

FormatHandle FileManager::LoadAs(StringView path, uint32_t contentType, StringView typeName, void* content,
                                 StringView name, bool watch)
{
    LogSection section = Log::BeginSection("Loading {} {} from {}", typeName, name, path);
    if (!File::Exists(path))
    {
        Log::Write("file does not exist");
        return FormatHandle();
    }
    std::string extension = Path::GetExtension(path);
    Format* format = FindFormat(contentType, extension);
    // A format listed under another type's id loads nothing, and counts as none.
    if (!format || !format->LoadContent(path, contentType, content))
    {
        Log::Write("no format has been registered for extension {}", extension);
        return FormatHandle();
    }
    return watch ? Watch(path, format, contentType, content) : FormatHandle(this, -1);
}

FormatHandle FileManager::LoadFromAnyAs(StringView paths, uint32_t contentType, StringView typeName, void* content,
                                        StringView name, bool watch)
{
    LogSection section = Log::BeginSection("Loading {} {} from one of {}", typeName, name, paths);
    for (StringView piece : String::Split(paths, "|"))
    {
        std::string path = ResolvePath(piece);
        if (!File::Exists(path))
            continue;
        LogSection selected = Log::BeginSection("Selected file {}", path);
        Format* format = FindFormat(contentType, Path::GetExtension(path));
        if (format && format->LoadContent(path, contentType, content))
            return watch ? Watch(path, format, contentType, content) : FormatHandle(this, -1);
    }
    Log::Write("no format has been registered for any of the existing files");
    return FormatHandle();
}

FormatHandle FileManager::Watch(StringView path, Format* format, uint32_t contentType, void* content)
{
    FileWatch watch;
    watch.id = nextWatchId++;
    watch.format = format;
    watch.contentType = contentType;
    watch.content = content;
    watch.lastWriteTime = LastWriteTime(path);
    watch.path = path.ToString();
    watches.push_back(std::move(watch));
    return FormatHandle(this, static_cast<int32_t>(watches.back().id));
}

void FileManager::ReleaseHandle(FormatHandle& handle)
{
    if (handle.manager && handle.watchId >= 0)
    {
        uint32_t id = static_cast<uint32_t>(handle.watchId);
        std::erase_if(watches, [id](const FileWatch& watch) { return watch.id == id; });
    }
    handle.manager = nullptr;
    handle.watchId = -1;
}

void FileManager::PollWatches()
{
    for (size_t i = 0; i < watches.size(); ++i)
    {
        int64_t time = LastWriteTime(watches[i].path);
        if (time <= watches[i].lastWriteTime)
            continue;
        watches[i].lastWriteTime = time;
        // The reload may add or remove watches, so nothing of the record is used after it: the walk
        // goes on after this id's place in the list as it is then.
        uint32_t id = watches[i].id;
        std::string path = watches[i].path;
        watches[i].format->LoadContent(path, watches[i].contentType, watches[i].content);
        auto next = std::upper_bound(watches.begin(), watches.end(), id,
                                     [](uint32_t value, const FileWatch& watch) { return value < watch.id; });
        i = static_cast<size_t>(next - watches.begin()) - 1;
    }
}

int64_t FileManager::LastWriteTime(StringView path)
{
    // A zero byte would cut the name short and examine another file.
    if (path.IsEmpty() || std::find(path.begin(), path.end(), '\0') != path.end())
        return 0;
    std::string native = path.ToString();
    std::replace(native.begin(), native.end(), '\\', '/');
    std::error_code error;
    std::filesystem::file_time_type time = std::filesystem::last_write_time(native, error);
    if (error)
        return 0;
    auto sinceEpoch = std::chrono::file_clock::to_sys(time).time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() * 1000000;
}

} // namespace Lumvek
