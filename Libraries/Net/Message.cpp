#include "Net/Message.h"

#include "Net/Log.h"

namespace Net
{

MessageFactory::MessageFactory(Allocator& allocator, int numTypes) : allocator(allocator), numTypes(numTypes) {}

MessageFactory::~MessageFactory()
{
    if (liveMessages > 0)
        NET_LOG_ERROR("message factory destroyed with %d messages still referenced", liveMessages);
}

Message* MessageFactory::CreateMessage(int type)
{
    if (type < 0 || type >= numTypes)
    {
        NET_LOG_ERROR("message type %d is outside the factory's %d types", type, numTypes);
        return nullptr;
    }
    Message* message = CreateMessageInternal(type);
    if (!message)
    {
        // A known type that yields nothing means the allocator ran dry.
        errorLevel = MESSAGE_FACTORY_ERROR_FAILED_TO_ALLOCATE_MESSAGE;
        NET_LOG_ERROR("failed to allocate a message of type %d", type);
        return nullptr;
    }
    message->type = type;
    message->refCount = 1;
    ++liveMessages;
    return message;
}

void MessageFactory::AcquireMessage(Message* message)
{
    if (message)
        ++message->refCount;
}

void MessageFactory::ReleaseMessage(Message* message)
{
    if (!message)
        return;
    if (message->refCount <= 0)
    {
        NET_LOG_ERROR("message of type %d released more often than acquired", message->type);
        return;
    }
    if (--message->refCount > 0)
        return;
    --liveMessages;
    NET_DELETE(allocator, message);
}

} // namespace Net
