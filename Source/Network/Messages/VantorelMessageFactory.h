#pragma once

#include "Net/Message.h"
#include "Source/Network/Messages/MessageLimits.h"

// Makes the game's messages by type id for one connection, from the allocator the library gives it,
// each with every field zero except where the message says otherwise (an input message holds the
// default controls). Owned by the library; the limits its messages read belong to the network role
// and outlive it.
class VantorelMessageFactory final : public Net::MessageFactory
{
public:
    VantorelMessageFactory(Net::Allocator& allocator, const MessageLimits& limits);

protected:
    // Null for a type outside the twenty-one.
    Net::Message* CreateMessageInternal(int type) override;

private:
    const MessageLimits& limits;
};
