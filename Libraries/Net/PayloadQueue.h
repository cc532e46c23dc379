#pragma once

#include "Net/Packet.h"

#include <cstdint>
#include <memory>

namespace Net
{

// Received payloads waiting for the application, in arrival order, in buffers allocated once.
// Pop hands a buffer out until the application frees it; while out it is neither reused nor
// counted free, so a caller that never frees runs the queue dry rather than growing it.
class PayloadQueue
{
public:
    PayloadQueue() = default;
    explicit PayloadQueue(int capacity) { Allocate(capacity); }

    void Allocate(int capacity);
    void Release();
    int Capacity() const { return capacity; }
    bool Owns(const uint8_t* payload) const;

    // False, and nothing kept, when no buffer is free.
    bool Push(const uint8_t* data, int bytes, uint64_t sequence);
    // The oldest payload, or null when none waits.
    const uint8_t* Pop(int& bytes, uint64_t& sequence);
    // False for a pointer that is not a buffer of this queue handed out by Pop.
    bool Free(const uint8_t* payload);
    // Returns every waiting payload's buffer; buffers handed out stay out until freed.
    void Clear();

private:
    enum BufferState : uint8_t
    {
        BUFFER_FREE,
        BUFFER_QUEUED,
        BUFFER_HELD,
    };

    int capacity = 0;
    int head = 0;
    int count = 0;
    std::unique_ptr<uint8_t[]> storage;
    std::unique_ptr<BufferState[]> states;
    std::unique_ptr<int[]> sizes;
    std::unique_ptr<uint64_t[]> sequences;
    std::unique_ptr<int[]> order; // ring of buffer indices, oldest at head
    std::unique_ptr<int[]> freeList;
    int freeCount = 0;
};

} // namespace Net
