#pragma once

#include "Net/Adapter.h"
#include "Source/Network/Messages/MessageLimits.h"

// Binds the game's messages to the networking library: each connection gets a VantorelMessageFactory
// over the connection's allocator. The library's own allocator serves each connection, and connections
// coming and going are the server role's business, which it notices in its own update. Each network
// role owns one and hands it to its library endpoint, which must go first; the limits are the role's.
class VantorelAdapter final : public Net::Adapter
{
public:
    explicit VantorelAdapter(const MessageLimits& limits) : limits(limits) {}

    Net::MessageFactory* CreateMessageFactory(Net::Allocator& allocator) override;

private:
    const MessageLimits& limits;
};
