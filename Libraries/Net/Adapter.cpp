#include "Net/Adapter.h"

namespace Net
{

Allocator* Adapter::CreateAllocator(Allocator& allocator, void* memory, size_t bytes)
{
    return NET_NEW(allocator, BlockAllocator, memory, bytes);
}

void Adapter::OnServerClientConnected(int) {}

void Adapter::OnServerClientDisconnected(int) {}

bool Adapter::AdmitServerClient(const Address&, uint64_t, bool)
{
    return true;
}

} // namespace Net
