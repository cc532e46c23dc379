#pragma once

#include "Net/Memory.h"

#include <cstdint>

namespace Net
{

// 16-bit sequence numbers wrap; a sequence counts as newer when it lies less than half the number
// space ahead.
constexpr bool SequenceGreaterThan(uint16_t a, uint16_t b)
{
    return (a > b && a - b <= 32768) || (a < b && b - a > 32768);
}

constexpr bool SequenceLessThan(uint16_t a, uint16_t b)
{
    return SequenceGreaterThan(b, a);
}

// Entries keyed by the most recent 16-bit sequence numbers, in a ring whose size is a power of two
// so that slots stay consistent when the sequence wraps. Inserting a newer sequence forgets the
// entries it skips over; a sequence older than the ring's reach cannot be inserted. The memory is
// taken once, from the allocator given; check IsValid after construction.
template <class T> class SequenceBuffer
{
public:
    SequenceBuffer(Allocator& allocator, int requestedSize) : allocator(allocator)
    {
        size = 1;
        while (size < requestedSize && size < 32768)
            size *= 2;
        tags = NET_NEW_ARRAY(allocator, uint32_t, size_t(size));
        entries = NET_NEW_ARRAY(allocator, T, size_t(size));
        Reset();
    }

    ~SequenceBuffer()
    {
        NET_DELETE_ARRAY(allocator, entries);
        NET_DELETE_ARRAY(allocator, tags);
    }

    SequenceBuffer(const SequenceBuffer&) = delete;
    SequenceBuffer& operator=(const SequenceBuffer&) = delete;

    bool IsValid() const { return tags && entries; }

    void Reset()
    {
        sequence = 0;
        if (IsValid())
            for (int i = 0; i < size; ++i)
                tags[i] = Empty;
    }

    // A cleared entry for the sequence, or null when the sequence is too old to hold.
    T* Insert(uint16_t value)
    {
        if (!IsValid() || IsTooOld(value))
            return nullptr;
        if (SequenceGreaterThan(uint16_t(value + 1), sequence))
        {
            Forget(sequence, value);
            sequence = uint16_t(value + 1);
        }
        int index = IndexOf(value);
        tags[index] = value;
        entries[index] = T{};
        return &entries[index];
    }

    void Remove(uint16_t value)
    {
        if (IsValid() && tags[IndexOf(value)] == value)
            tags[IndexOf(value)] = Empty;
    }

    bool Exists(uint16_t value) const { return IsValid() && tags[IndexOf(value)] == value; }

    T* Find(uint16_t value) { return Exists(value) ? &entries[IndexOf(value)] : nullptr; }

    // True when the sequence lies before the oldest one the ring can still hold.
    bool IsTooOld(uint16_t value) const { return SequenceLessThan(value, uint16_t(sequence - size)); }

    // One past the newest sequence inserted.
    uint16_t GetSequence() const { return sequence; }
    int GetSize() const { return size; }
    int IndexOf(uint16_t value) const { return value & (size - 1); }

private:
    static constexpr uint32_t Empty = 0xFFFFFFFFu;

    // Clears the slots of the sequences from `first` up to `last`, both included.
    void Forget(uint16_t first, uint16_t last)
    {
        int count = uint16_t(last - first) + 1;
        if (count >= size)
        {
            for (int i = 0; i < size; ++i)
                tags[i] = Empty;
            return;
        }
        for (int i = 0; i < count; ++i)
            tags[IndexOf(uint16_t(first + i))] = Empty;
    }

    Allocator& allocator;
    int size = 0;
    uint16_t sequence = 0;
    uint32_t* tags = nullptr;
    T* entries = nullptr;
};

} // namespace Net
