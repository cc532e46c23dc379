#pragma once

#include <cstdint>
#include <utility>

namespace Lumvek
{

class FileManager;

// The result of a load, kept by the object that was loaded: which file manager loaded it and the id
// of its hot-reload watch (-1 when unwatched). A failed load has no manager. Move-only; letting go
// of a handle releases its watch, so a watch never outlives the object it reloads into.
class FormatHandle
{
public:
    FormatHandle() = default;
    FormatHandle(FileManager* manager, int32_t watchId) : manager(manager), watchId(watchId) {}
    FormatHandle(const FormatHandle&) = delete;
    FormatHandle& operator=(const FormatHandle&) = delete;
    FormatHandle(FormatHandle&& other) noexcept
        : manager(std::exchange(other.manager, nullptr)), watchId(std::exchange(other.watchId, -1))
    {
    }
    FormatHandle& operator=(FormatHandle&& other) noexcept
    {
        if (this != &other)
        {
            Release();
            manager = std::exchange(other.manager, nullptr);
            watchId = std::exchange(other.watchId, -1);
        }
        return *this;
    }
    ~FormatHandle() { Release(); }

    // Removes the watch, if any, and leaves the handle {null, -1}.
    void Release();
    bool IsLoaded() const { return manager != nullptr; }

    FileManager* manager = nullptr;
    int32_t watchId = -1;
};

} // namespace Lumvek
