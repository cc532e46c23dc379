#pragma once

#include "Net/Address.h"
#include "Net/Memory.h"
#include "Net/Message.h"

#include <cstddef>
#include <cstdint>

namespace Net
{

// What a game plugs into the library: the allocator each connection lives in, its message factory,
// and the server's connection notices. The client and the server each use one and do not own it.
class Adapter
{
public:
    virtual ~Adapter() = default;

    // An allocator confined to `memory` (bytes long), made from `allocator`; the library destroys
    // it with NET_DELETE on the same allocator. The default is a BlockAllocator.
    virtual Allocator* CreateAllocator(Allocator& allocator, void* memory, size_t bytes);

    // A message factory that allocates from `allocator`; the library destroys it with NET_DELETE on
    // the same allocator.
    virtual MessageFactory* CreateMessageFactory(Allocator& allocator) = 0;

    virtual void OnServerClientConnected(int clientIndex);
    virtual void OnServerClientDisconnected(int clientIndex);
    // Whether the server takes a connection from the address, by the client id its token names, now:
    // asked of each valid request (answered false) and again when its client answers the challenge
    // (answered true), also when a full server denies it whatever the answer; false denies it. An answer
    // read when the only slot is one freed in this update is asked too, and neither taken nor denied: the
    // client's next answer comes for the slot. The default takes every one.
    virtual bool AdmitServerClient(const Address& from, uint64_t clientId, bool answered);
};

} // namespace Net
