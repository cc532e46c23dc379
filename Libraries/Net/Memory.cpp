#include "Net/Memory.h"

#include "Net/Log.h"

#include <bit>
#include <cstdlib>

namespace Net
{

void* DefaultAllocator::Allocate(size_t bytes, const char* file, int line)
{
    void* pointer = std::malloc(bytes ? bytes : 1);
    if (!pointer)
    {
        SetErrorLevel(ALLOCATOR_ERROR_OUT_OF_MEMORY);
        NET_LOG_ERROR("out of memory allocating %zu bytes at %s:%d", bytes, file, line);
    }
    return pointer;
}

void DefaultAllocator::Free(void* pointer, const char*, int)
{
    std::free(pointer);
}

// A piece's header sits right before the memory handed out. Free pieces keep their list links in
// the bytes that would be handed out, which is why the smallest piece is 32 bytes.
struct BlockAllocator::Piece
{
    size_t previousSize; // of the piece right before this one in the block; 0 for the first
    size_t size;         // header included; the low bit marks a piece in use
    Piece* nextFree;
    Piece* previousFree;

    size_t Size() const { return size & ~size_t(1); }
    bool InUse() const { return size & 1; }
};

namespace
{
constexpr size_t HeaderBytes = 2 * sizeof(size_t);
constexpr size_t MinimumPiece = 32;
static_assert(HeaderBytes <= BlockAllocator::Alignment);

size_t RoundUp(size_t value, size_t to)
{
    return (value + to - 1) & ~(to - 1);
}
} // namespace

BlockAllocator::BlockAllocator(void* memory, size_t bytes)
{
    uintptr_t first = RoundUp(reinterpret_cast<uintptr_t>(memory), Alignment);
    uintptr_t last = (reinterpret_cast<uintptr_t>(memory) + bytes) & ~(uintptr_t(Alignment) - 1);
    if (!memory || last < first + MinimumPiece)
        return;
    begin = reinterpret_cast<uint8_t*>(first);
    end = reinterpret_cast<uint8_t*>(last);
    Piece* whole = reinterpret_cast<Piece*>(begin);
    whole->previousSize = 0;
    whole->size = size_t(end - begin);
    Link(whole);
}

BlockAllocator::~BlockAllocator()
{
    if (liveAllocations > 0)
        NET_LOG_ERROR("block allocator destroyed with %d allocations (%zu bytes) still live", liveAllocations,
                      usedBytes);
}

int BlockAllocator::ClassOf(size_t bytes)
{
    return 63 - std::countl_zero(uint64_t(bytes));
}

void BlockAllocator::Link(Piece* piece)
{
    int sizeClass = ClassOf(piece->Size());
    piece->previousFree = nullptr;
    piece->nextFree = freeLists[sizeClass];
    if (piece->nextFree)
        piece->nextFree->previousFree = piece;
    freeLists[sizeClass] = piece;
    nonEmptyClasses |= uint64_t(1) << sizeClass;
}

void BlockAllocator::Unlink(Piece* piece)
{
    int sizeClass = ClassOf(piece->Size());
    if (piece->previousFree)
        piece->previousFree->nextFree = piece->nextFree;
    else
        freeLists[sizeClass] = piece->nextFree;
    if (piece->nextFree)
        piece->nextFree->previousFree = piece->previousFree;
    if (!freeLists[sizeClass])
        nonEmptyClasses &= ~(uint64_t(1) << sizeClass);
}

BlockAllocator::Piece* BlockAllocator::Next(Piece* piece) const
{
    uint8_t* next = reinterpret_cast<uint8_t*>(piece) + piece->Size();
    return next < end ? reinterpret_cast<Piece*>(next) : nullptr;
}

BlockAllocator::Piece* BlockAllocator::Previous(Piece* piece) const
{
    if (piece->previousSize == 0)
        return nullptr;
    return reinterpret_cast<Piece*>(reinterpret_cast<uint8_t*>(piece) - piece->previousSize);
}

void* BlockAllocator::Allocate(size_t bytes, const char* file, int line)
{
    size_t need = bytes > size_t(end - begin) ? 0 : RoundUp(bytes + HeaderBytes, Alignment);
    if (need < MinimumPiece && need != 0)
        need = MinimumPiece;
    Piece* piece = nullptr;
    if (need != 0)
    {
        // Any piece in a class above the one holding `need` is large enough; within `need`'s own
        // class only some are, so look at a few of those first to keep large pieces whole.
        int sizeClass = ClassOf(need);
        int looked = 0;
        for (Piece* candidate = freeLists[sizeClass]; candidate && looked < 8;
             candidate = candidate->nextFree, ++looked)
        {
            if (candidate->Size() >= need)
            {
                piece = candidate;
                break;
            }
        }
        uint64_t larger = sizeClass + 1 < NumClasses ? nonEmptyClasses & (~uint64_t(0) << (sizeClass + 1)) : 0;
        if (!piece && larger)
            piece = freeLists[std::countr_zero(larger)];
    }
    if (!piece)
    {
        SetErrorLevel(ALLOCATOR_ERROR_OUT_OF_MEMORY);
        NET_LOG_ERROR("block allocator out of memory: %zu bytes asked at %s:%d, %zu of %zu in use", bytes, file, line,
                      usedBytes, size_t(end - begin));
        return nullptr;
    }

    Unlink(piece);
    size_t size = piece->Size();
    if (size - need >= MinimumPiece)
    {
        Piece* rest = reinterpret_cast<Piece*>(reinterpret_cast<uint8_t*>(piece) + need);
        rest->previousSize = need;
        rest->size = size - need;
        if (Piece* after = Next(rest))
            after->previousSize = rest->Size();
        Link(rest);
        size = need;
    }
    piece->size = size | 1;
    usedBytes += size;
    ++liveAllocations;
    return reinterpret_cast<uint8_t*>(piece) + HeaderBytes;
}

void BlockAllocator::Free(void* pointer, const char* file, int line)
{
    if (!pointer)
        return;
    uint8_t* bytes = static_cast<uint8_t*>(pointer);
    Piece* piece = reinterpret_cast<Piece*>(bytes - HeaderBytes);
    if (bytes < begin + HeaderBytes || bytes >= end || !piece->InUse())
    {
        NET_LOG_ERROR("block allocator asked to free memory it did not hand out at %s:%d", file, line);
        return;
    }
    usedBytes -= piece->Size();
    --liveAllocations;
    piece->size = piece->Size();

    if (Piece* next = Next(piece); next && !next->InUse())
    {
        Unlink(next);
        piece->size += next->Size();
    }
    if (Piece* previous = Previous(piece); previous && !previous->InUse())
    {
        Unlink(previous);
        previous->size += piece->Size();
        piece = previous;
    }
    if (Piece* next = Next(piece))
        next->previousSize = piece->Size();
    Link(piece);
}

} // namespace Net
