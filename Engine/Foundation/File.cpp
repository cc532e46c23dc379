#include "Engine/Foundation/File.h"

#include "Engine/Foundation/Path.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Lumvek
{

namespace
{

// Owns an open file descriptor and closes it when it goes.
class Descriptor
{
public:
    explicit Descriptor(int fd) : fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }

    int Get() const { return fd; }
    bool IsOpen() const { return fd >= 0; }
    // Closes now, so that the result of the close can be checked.
    bool Close()
    {
        int closing = fd;
        fd = -1;
        return ::close(closing) == 0;
    }

private:
    int fd;
};

// The operating system's form of an engine path: '\' separates as '/' does. A zero byte would cut
// the name short and touch another file, so such paths, like the empty one, are refused.
bool ToNative(StringView path, std::string& native)
{
    if (path.IsEmpty() || std::find(path.begin(), path.end(), '\0') != path.end())
        return false;
    native = path.ToString();
    std::replace(native.begin(), native.end(), '\\', '/');
    return true;
}

int OpenRetrying(const char* name, int flags, mode_t mode = 0)
{
    int fd;
    do
        fd = ::open(name, flags, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// Opens a regular file for reading. Folders, devices and pipes are refused; opening without blocking
// keeps a pipe given as a path from stalling the caller.
int OpenRegularFile(StringView path, uint64_t& size)
{
    std::string native;
    if (!ToNative(path, native))
        return -1;
    int fd = OpenRetrying(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
    {
        ::close(fd);
        return -1;
    }
    size = static_cast<uint64_t>(status.st_size);
    return fd;
}

// Reads until size bytes are in or the file ends; false on a read error.
bool ReadFully(int fd, uint8_t* out, uint64_t size, uint64_t& done)
{
    done = 0;
    while (done < size)
    {
        ssize_t count = ::read(fd, out + done, std::min<uint64_t>(size - done, 1u << 30));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return false;
        if (count == 0)
            break;
        done += static_cast<uint64_t>(count);
    }
    return true;
}

bool WriteFully(int fd, const uint8_t* bytes, uint64_t size)
{
    uint64_t done = 0;
    while (done < size)
    {
        ssize_t count = ::write(fd, bytes + done, std::min<uint64_t>(size - done, 1u << 30));
        if (count < 0 && errno == EINTR)
            continue;
        if (count == 0)
            errno = EIO;
        if (count <= 0)
            return false;
        done += static_cast<uint64_t>(count);
    }
    return true;
}

void Resize(std::string& text, uint32_t size)
{
    text.resize(size);
}

void Resize(Buffer& buffer, uint32_t size)
{
    buffer.Reserve(size);
}

uint8_t* Bytes(std::string& text)
{
    return reinterpret_cast<uint8_t*>(text.data());
}

uint8_t* Bytes(Buffer& buffer)
{
    return buffer.Data();
}

// Every size in the engine is 32 bits wide: a larger file is refused rather than cut short.
template <class Contents> std::pair<bool, Contents> ReadWhole(StringView path)
{
    uint64_t size = 0;
    Descriptor file(OpenRegularFile(path, size));
    if (!file.IsOpen() || size > UINT32_MAX)
        return {false, Contents()};
    try
    {
        Contents contents;
        Resize(contents, static_cast<uint32_t>(size));
        uint64_t done = 0;
        if (!ReadFully(file.Get(), Bytes(contents), size, done))
            return {false, Contents()};
        // The file shrank while it was read: keep what it holds now.
        Resize(contents, static_cast<uint32_t>(done));
        return {true, std::move(contents)};
    }
    catch (const std::bad_alloc&)
    {
        return {false, Contents()};
    }
}

// A name beside the target that no other writer, in this process or another, is using.
int CreateTemporaryBeside(const std::string& target, std::string& temporary)
{
    static std::atomic<uint32_t> counter{0};
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    // Shortened so that the longest file name the system allows still has room for the suffix.
    std::string name = target.substr(folder.size()).substr(0, 200);
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        temporary = folder + "." + name + "." + std::to_string(::getpid()) + "." +
                    std::to_string(counter.fetch_add(1, std::memory_order_relaxed)) + ".tmp";
        int fd = OpenRetrying(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Makes the rename itself durable; a failure here leaves the new file in place, so it is not reported.
void FlushFolder(const std::string& target)
{
    std::string folder = Path::GetDirectory(target);
    if (folder.empty())
        folder.assign(1, target.front() == '/' ? '/' : '.');
    int fd = OpenRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
    {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

namespace File
{

bool Exists(StringView path)
{
    uint64_t size = 0;
    Descriptor file(OpenRegularFile(path, size));
    return file.IsOpen();
}

std::pair<bool, std::string> ReadAllText(StringView path)
{
    return ReadWhole<std::string>(path);
}

std::pair<bool, Buffer> ReadBytes(StringView path)
{
    return ReadWhole<Buffer>(path);
}

bool CreateDirectories(StringView path)
{
    std::string native;
    if (!ToNative(path, native))
        return false;
    std::error_code error;
    std::filesystem::create_directories(native, error);
    return std::filesystem::is_directory(native, error);
}

bool WriteAllText(StringView path, const void* bytes, uint64_t size)
{
    std::error_code error;
    return WriteAllText(path, bytes, size, error);
}

bool WriteAllText(StringView path, const void* bytes, uint64_t size, std::error_code& error)
{
    error.clear();
    // errno is read at the step that failed, before the clean-up below can overwrite it.
    auto fail = [&error](int code)
    {
        error = std::error_code(code, std::generic_category());
        return false;
    };
    std::string target;
    if (!ToNative(path, target) || target.back() == '/')
        return fail(EINVAL);
    // Whether the folders could be made is left to the open below to tell.
    std::string folder = Path::GetDirectory(target);
    if (!folder.empty())
        CreateDirectories(folder);

    std::string temporary;
    Descriptor file(CreateTemporaryBeside(target, temporary));
    if (!file.IsOpen())
        return fail(errno);

    // The replacement keeps the permissions of the file it replaces.
    struct stat previous;
    if (::stat(target.c_str(), &previous) == 0 && S_ISREG(previous.st_mode))
        ::fchmod(file.Get(), previous.st_mode & 07777);

    int code = 0;
    if (!WriteFully(file.Get(), static_cast<const uint8_t*>(bytes), size) || ::fsync(file.Get()) != 0)
        code = errno;
    if (!file.Close() && code == 0)
        code = errno;
    if (code == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
        code = errno;
    if (code != 0)
    {
        ::unlink(temporary.c_str());
        return fail(code);
    }
    FlushFolder(target);
    return true;
}

} // namespace File

} // namespace Lumvek
