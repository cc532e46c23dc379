#pragma once

#include "Net/Memory.h"
#include "Net/Stream.h"

#include <cstdint>

namespace Net
{

class MessageFactory;

// Base of every message sent through a channel. A message is made by its factory with a reference
// count of 1; whoever holds a reference gives it back through the factory's ReleaseMessage, and the
// last release destroys it. The id is the channel's sequence number for it (reliable channels).
class Message
{
public:
    Message() = default;
    virtual ~Message() = default;
    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;

    void SetId(uint16_t value) { id = value; }
    uint16_t GetId() const { return id; }
    int GetType() const { return type; }
    int GetRefCount() const { return refCount; }

    // One description of the fields serves the three streams; derived classes write a template
    // Serialize and expand NET_MESSAGE_VIRTUAL_SERIALIZE_FUNCTIONS() to route these to it.
    virtual bool SerializeInternal(MeasureStream& stream) = 0;
    virtual bool SerializeInternal(WriteStream& stream) = 0;
    virtual bool SerializeInternal(ReadStream& stream) = 0;

private:
    friend class MessageFactory;

    int refCount = 1;
    uint16_t id = 0;
    int type = 0;
};

enum MessageFactoryErrorLevel
{
    MESSAGE_FACTORY_ERROR_NONE = 0,
    MESSAGE_FACTORY_ERROR_FAILED_TO_ALLOCATE_MESSAGE = 1,
};

// Makes messages by type id, from the allocator it was built over, and destroys them when their
// last reference goes. One factory serves one connection (or one client); it must outlive every
// message it made.
class MessageFactory
{
public:
    MessageFactory(Allocator& allocator, int numTypes);
    virtual ~MessageFactory();
    MessageFactory(const MessageFactory&) = delete;
    MessageFactory& operator=(const MessageFactory&) = delete;

    // Null for a type outside [0, numTypes) or when the allocator is out of memory; the latter
    // raises the error level.
    Message* CreateMessage(int type);
    void AcquireMessage(Message* message);
    void ReleaseMessage(Message* message);

    int GetNumTypes() const { return numTypes; }
    int GetErrorLevel() const { return errorLevel; }
    void ClearErrorLevel() { errorLevel = MESSAGE_FACTORY_ERROR_NONE; }
    Allocator& GetAllocator() { return allocator; }
    // Messages made and not yet destroyed.
    int GetNumLiveMessages() const { return liveMessages; }

protected:
    // Constructs the message of the given type with NET_NEW from GetAllocator(); null for an
    // unknown type.
    virtual Message* CreateMessageInternal(int type) = 0;

private:
    Allocator& allocator;
    int numTypes;
    int errorLevel = MESSAGE_FACTORY_ERROR_NONE;
    int liveMessages = 0;
};

} // namespace Net

// Routes the three virtual serialize calls to the class's template bool Serialize(Stream&).
#define NET_MESSAGE_VIRTUAL_SERIALIZE_FUNCTIONS()                                                                      \
    bool SerializeInternal(::Net::MeasureStream& stream) override                                                      \
    {                                                                                                                  \
        return Serialize(stream);                                                                                      \
    }                                                                                                                  \
    bool SerializeInternal(::Net::WriteStream& stream) override                                                        \
    {                                                                                                                  \
        return Serialize(stream);                                                                                      \
    }                                                                                                                  \
    bool SerializeInternal(::Net::ReadStream& stream) override                                                         \
    {                                                                                                                  \
        return Serialize(stream);                                                                                      \
    }
