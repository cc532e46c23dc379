#include "Net/PayloadQueue.h"

#include <cstring>

namespace Net
{

void PayloadQueue::Allocate(int newCapacity)
{
    Release();
    if (newCapacity <= 0)
        return;
    capacity = newCapacity;
    // Left uninitialised: pages of buffers never used are never touched.
    storage.reset(new uint8_t[static_cast<size_t>(capacity) * MaxPayloadBytes]);
    states = std::make_unique<BufferState[]>(static_cast<size_t>(capacity));
    sizes = std::make_unique<int[]>(static_cast<size_t>(capacity));
    sequences = std::make_unique<uint64_t[]>(static_cast<size_t>(capacity));
    order = std::make_unique<int[]>(static_cast<size_t>(capacity));
    freeList = std::make_unique<int[]>(static_cast<size_t>(capacity));
    for (int i = 0; i < capacity; ++i)
    {
        states[i] = BUFFER_FREE;
        freeList[i] = capacity - 1 - i;
    }
    freeCount = capacity;
}

void PayloadQueue::Release()
{
    capacity = head = count = freeCount = 0;
    storage.reset();
    states.reset();
    sizes.reset();
    sequences.reset();
    order.reset();
    freeList.reset();
}

bool PayloadQueue::Owns(const uint8_t* payload) const
{
    return capacity > 0 && payload >= storage.get() &&
           payload < storage.get() + static_cast<size_t>(capacity) * MaxPayloadBytes;
}

bool PayloadQueue::Push(const uint8_t* data, int bytes, uint64_t sequence)
{
    if (freeCount == 0 || !data || bytes < 1 || bytes > MaxPayloadBytes)
        return false;
    int index = freeList[--freeCount];
    std::memcpy(storage.get() + static_cast<size_t>(index) * MaxPayloadBytes, data, static_cast<size_t>(bytes));
    states[index] = BUFFER_QUEUED;
    sizes[index] = bytes;
    sequences[index] = sequence;
    order[(head + count) % capacity] = index;
    ++count;
    return true;
}

const uint8_t* PayloadQueue::Pop(int& bytes, uint64_t& sequence)
{
    if (count == 0)
        return nullptr;
    int index = order[head];
    head = (head + 1) % capacity;
    --count;
    states[index] = BUFFER_HELD;
    bytes = sizes[index];
    sequence = sequences[index];
    return storage.get() + static_cast<size_t>(index) * MaxPayloadBytes;
}

bool PayloadQueue::Free(const uint8_t* payload)
{
    if (!Owns(payload))
        return false;
    size_t offset = static_cast<size_t>(payload - storage.get());
    if (offset % MaxPayloadBytes != 0)
        return false;
    int index = static_cast<int>(offset / MaxPayloadBytes);
    if (states[index] != BUFFER_HELD)
        return false;
    states[index] = BUFFER_FREE;
    freeList[freeCount++] = index;
    return true;
}

void PayloadQueue::Clear()
{
    while (count > 0)
    {
        int index = order[head];
        head = (head + 1) % capacity;
        --count;
        states[index] = BUFFER_FREE;
        freeList[freeCount++] = index;
    }
    head = 0;
}

} // namespace Net
