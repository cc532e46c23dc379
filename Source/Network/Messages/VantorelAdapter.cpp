#include "Source/Network/Messages/VantorelAdapter.h"

#include "Source/Network/Messages/VantorelMessageFactory.h"

Net::MessageFactory* VantorelAdapter::CreateMessageFactory(Net::Allocator& allocator)
{
    return NET_NEW(allocator, VantorelMessageFactory, allocator, limits);
}

void VantorelAdapter::OnServerClientConnected(int clientIndex)
{
    if (connectionListener)
        connectionListener(clientIndex, true);
}

void VantorelAdapter::OnServerClientDisconnected(int clientIndex)
{
    if (connectionListener)
        connectionListener(clientIndex, false);
}
