#pragma once

#include "Net/Adapter.h"
#include "Source/Network/Messages/MessageLimits.h"

#include <functional>
#include <utility>

// Binds the game's messages to the networking library: each connection gets a VantorelMessageFactory
// over the connection's allocator. The library's own allocator serves each connection, and the server's
// notices of clients coming and going go to the listener the server role sets. Each network role owns
// one and hands it to its library endpoint, which must go first; the limits are the role's.
class VantorelAdapter final : public Net::Adapter
{
public:
    // Told of a slot's client arriving (true) or leaving, from inside the library's calls, where the
    // library must not be called back.
    using ConnectionListener = std::function<void(int clientIndex, bool connected)>;
    // Whether the server takes a connection from the address, by the client id its token names, now, at
    // its request or (answered) at its answer to the challenge; asked from inside the library's calls,
    // also of connections a full server denies.
    using AdmissionCheck = std::function<bool(const Net::Address& from, uint64_t clientId, bool answered)>;

    explicit VantorelAdapter(const MessageLimits& limits) : limits(limits) {}

    Net::MessageFactory* CreateMessageFactory(Net::Allocator& allocator) override;
    void SetConnectionListener(ConnectionListener listener) { connectionListener = std::move(listener); }
    void OnServerClientConnected(int clientIndex) override;
    void OnServerClientDisconnected(int clientIndex) override;
    void SetAdmissionCheck(AdmissionCheck check) { admissionCheck = std::move(check); }
    bool AdmitServerClient(const Net::Address& from, uint64_t clientId, bool answered) override
    {
        return !admissionCheck || admissionCheck(from, clientId, answered);
    }

private:
    const MessageLimits& limits;
    ConnectionListener connectionListener;
    AdmissionCheck admissionCheck;
};
