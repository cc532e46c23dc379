#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

namespace Net
{

enum AllocatorErrorLevel
{
    ALLOCATOR_ERROR_NONE = 0,
    ALLOCATOR_ERROR_OUT_OF_MEMORY = 1,
};

// Where the library takes its memory from. Every allocation names the source file and line that
// asked for it, so a leak report can point at its origin. Allocate returns null when out of memory
// and raises the error level; it never throws.
class Allocator
{
public:
    virtual ~Allocator() = default;

    virtual void* Allocate(size_t bytes, const char* file, int line) = 0;
    // Null is accepted and ignored.
    virtual void Free(void* pointer, const char* file, int line) = 0;

    int GetErrorLevel() const { return errorLevel; }
    void ClearError() { errorLevel = ALLOCATOR_ERROR_NONE; }

protected:
    void SetErrorLevel(int level) { errorLevel = level; }

private:
    int errorLevel = ALLOCATOR_ERROR_NONE;
};

// malloc and free; the allocator of last resort, shared by anything that has no budget of its own.
class DefaultAllocator : public Allocator
{
public:
    void* Allocate(size_t bytes, const char* file, int line) override;
    void Free(void* pointer, const char* file, int line) override;
};

// Hands out pieces of one memory block that it does not own, so that whatever allocates from it
// (one connection, one client) can never take more than the block. Freed pieces merge with free
// neighbours; free pieces are kept in lists by size class so both calls take constant time.
class BlockAllocator : public Allocator
{
public:
    // Pieces are aligned to this many bytes; the block itself should be too.
    static constexpr size_t Alignment = 16;

    BlockAllocator(void* memory, size_t bytes);
    ~BlockAllocator() override;
    BlockAllocator(const BlockAllocator&) = delete;
    BlockAllocator& operator=(const BlockAllocator&) = delete;

    void* Allocate(size_t bytes, const char* file, int line) override;
    void Free(void* pointer, const char* file, int line) override;

    // Bytes handed out and not yet freed, piece headers included.
    size_t GetUsedBytes() const { return usedBytes; }
    int GetLiveAllocations() const { return liveAllocations; }

private:
    struct Piece;
    static constexpr int NumClasses = 64;

    static int ClassOf(size_t bytes);
    void Link(Piece* piece);
    void Unlink(Piece* piece);
    Piece* Next(Piece* piece) const;
    Piece* Previous(Piece* piece) const;

    uint8_t* begin = nullptr;
    uint8_t* end = nullptr;
    Piece* freeLists[NumClasses] = {};
    uint64_t nonEmptyClasses = 0;
    size_t usedBytes = 0;
    int liveAllocations = 0;
};

// Constructs a T in memory from the allocator; null when the allocator is out of memory.
template <class T, class... Arguments>
T* New(Allocator& allocator, const char* file, int line, Arguments&&... arguments)
{
    void* memory = allocator.Allocate(sizeof(T), file, line);
    if (!memory)
        return nullptr;
    return new (memory) T(std::forward<Arguments>(arguments)...);
}

// Destroys an object made with New and returns its memory. Objects deleted through a base
// pointer free the whole object, wherever the base sits inside it.
template <class T> void Delete(Allocator& allocator, T* object, const char* file, int line)
{
    if (!object)
        return;
    void* memory;
    if constexpr (std::is_polymorphic_v<T>)
        memory = dynamic_cast<void*>(object);
    else
        memory = object;
    object->~T();
    allocator.Free(memory, file, line);
}

// Arrays of trivially destructible elements, zero-filled; null when out of memory.
template <class T> T* NewArray(Allocator& allocator, size_t count, const char* file, int line)
{
    static_assert(std::is_trivially_destructible_v<T>);
    if (count == 0 || count > SIZE_MAX / sizeof(T))
        return nullptr;
    void* memory = allocator.Allocate(sizeof(T) * count, file, line);
    if (!memory)
        return nullptr;
    T* array = static_cast<T*>(memory);
    for (size_t i = 0; i < count; ++i)
        new (array + i) T();
    return array;
}

} // namespace Net

#define NET_NEW(allocator, T, ...) ::Net::New<T>((allocator), __FILE__, __LINE__ __VA_OPT__(, ) __VA_ARGS__)
#define NET_DELETE(allocator, object) ::Net::Delete((allocator), (object), __FILE__, __LINE__)
#define NET_NEW_ARRAY(allocator, T, count) ::Net::NewArray<T>((allocator), (count), __FILE__, __LINE__)
#define NET_DELETE_ARRAY(allocator, array) (allocator).Free((array), __FILE__, __LINE__)
#define NET_ALLOCATE(allocator, bytes) (allocator).Allocate((bytes), __FILE__, __LINE__)
#define NET_FREE(allocator, pointer) (allocator).Free((pointer), __FILE__, __LINE__)
