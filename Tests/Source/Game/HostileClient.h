#pragma once

// A stranger at a running program's server door on the loopback address, sending what no honest client
// would; it runs in the calling thread for the time given, with a bounded number of packets.

#include "Libraries/Net/Client.h"
#include "Libraries/Net/ConnectToken.h"
#include "Libraries/Net/Packet.h"
#include "Libraries/Net/Socket.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/Messages/InputMessage.h"
#include "Source/Network/Messages/VantorelAdapter.h"
#include "Source/Network/ServerNetwork.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <thread>
#include <utility>
#include <vector>

namespace GameTesting
{

struct HostileTraffic
{
    int connections = 0, connected = 0, messages = 0, requests = 0;
};

struct HostileOptions
{
    // It runs `seconds` at least, then until `until` holds of what it has sent so far, for `limit`
    // seconds at most.
    double seconds = 20.0, limit = 300.0;
    std::function<bool(const HostileTraffic&)> until;
    uint32_t seed = 1;
    // Connections at once, each lasting at most a second and a half but the first `reconnecting`, which
    // last until the server ends them and begin again at once; and sockets that resend valid connection
    // requests in turn, never answering, `floodRate` a second in all.
    int connections = 1, reconnecting = 0, floodSockets = 0, floodRate = 0;
};

// Connection after connection: some tokens name timeouts the server must refuse, and some connections
// write messages with part lists longer than the server's, which it cannot read. Every frame of a
// connection sends votes, loadouts with parts up to one past the lists, inputs for any player and
// frame, messages only a server sends and, once per connection, a request to add a player; beside
// them, random bytes from a socket of its own, and the flood of requests.
inline HostileTraffic RunHostileClient(const Net::Address& server, const MessageLimits& limits,
                                       const HostileOptions& options)
{
    // The game's two channels, as its roles set them up.
    Net::ClientServerConfig config;
    config.numChannels = 2;
    config.channel[1].type = Net::CHANNEL_TYPE_UNRELIABLE_UNORDERED;
    MessageLimits skewed = limits;
    skewed.heads = skewed.cores = 1000;
    VantorelAdapter adapter(limits);
    VantorelAdapter skewedAdapter(skewed);
    Net::DefaultAllocator allocator;
    Net::UdpSocket raw(Net::Address("127.0.0.1:0"));
    std::mt19937 random(options.seed);
    const auto below = [&](uint32_t bound) { return bound ? static_cast<uint32_t>(random() % bound) : 0u; };

    HostileTraffic traffic;
    const auto start = std::chrono::steady_clock::now();
    const auto now = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    uint64_t clientId = 0x5eed0000ull + options.seed * 100000ull;
    const auto token = [&](int timeout, uint8_t bytes[Net::ConnectTokenBytes])
    {
        ++clientId;
        return Net::GenerateConnectToken(1, &server, 60, timeout, clientId, config.protocolId, clientId, GameServerKey,
                                         nullptr, bytes);
    };

    std::vector<std::pair<std::unique_ptr<Net::UdpSocket>, std::vector<uint8_t>>> flood;
    for (int i = 0; i < options.floodSockets; ++i)
    {
        uint8_t bytes[Net::ConnectTokenBytes];
        Net::ConnectToken read;
        std::vector<uint8_t> request(Net::ConnectionRequestBytes);
        if (!token(10, bytes) || !Net::ReadConnectToken(bytes, read) ||
            Net::WriteConnectionRequest(read, request.data(), Net::ConnectionRequestBytes) <= 0)
            return traffic;
        flood.emplace_back(std::make_unique<Net::UdpSocket>(Net::Address("127.0.0.1:0")), std::move(request));
    }
    uint64_t floodSent = 0;

    struct Connection
    {
        std::unique_ptr<Net::Client> client;
        double end = 0.0;
        bool added = false;
    };
    std::vector<Connection> connections(static_cast<size_t>(std::max(options.connections, 0)));
    while (now() < options.seconds || (options.until && !options.until(traffic) && now() < options.limit))
    {
        for (size_t i = 0; i < connections.size(); ++i)
        {
            Connection& connection = connections[i];
            const bool lasting = static_cast<int>(i) < options.reconnecting;
            if (!connection.client || connection.client->IsDisconnected() || (!lasting && now() >= connection.end))
            {
                // Lasting connections send what the server reads and refuses: one it cannot read would
                // wait for acks for good.
                const int round = traffic.connections++;
                const int timeout = round % 6 == 5 && !lasting ? (random() % 2 ? -1 : 3600) : 10;
                uint8_t bytes[Net::ConnectTokenBytes];
                if (!token(timeout, bytes))
                    return traffic;
                // From addresses of their own, as strangers' are: the server cools down an address whose
                // connection left without players, and the honest clients are on 127.0.0.1.
                connection = {
                    std::make_unique<Net::Client>(allocator, Net::Address(127, 1, 0, 1 + round % 16, 0), config,
                                                  round % 4 == 3 && !lasting ? skewedAdapter : adapter, now()),
                    now() + 0.5 + below(1000) / 1000.0};
                connection.client->Connect(clientId, bytes);
            }
            Net::Client& client = *connection.client;
            client.SendPackets();
            client.ReceivePackets();
            client.AdvanceTime(now());
            for (int channel = 0; channel < 2; ++channel)
                while (Net::Message* message = client.ReceiveMessage(channel))
                    client.ReleaseMessage(message);
            const auto send = [&](GameMessageType type, auto fill)
            {
                const int channel = static_cast<int>(GetMessageChannel(type, true));
                Net::Message* message =
                    client.CanSendMessage(channel) ? client.CreateMessage(static_cast<int>(type)) : nullptr;
                if (!message)
                    return;
                fill(*message);
                traffic.messages += client.SendMessage(channel, message) ? 1 : 0;
            };
            if (!client.IsConnected())
                continue;
            if (!std::exchange(connection.added, true))
            {
                ++traffic.connected;
                send(GameMessageType::AddPlayer,
                     [&](Net::Message& m) { static_cast<AddPlayerMessage&>(m).count = below(2); });
            }
            for (int i = 0; i < 3; ++i)
            {
                send(GameMessageType::SetVote,
                     [&](Net::Message& m)
                     {
                         auto& vote = static_cast<SetVoteMessage&>(m);
                         vote.player = static_cast<uint8_t>(below(16));
                         vote.choice = below(3);
                     });
                send(GameMessageType::SetLoadout,
                     [&](Net::Message& m)
                     {
                         auto& loadout = static_cast<SetLoadoutMessage&>(m);
                         loadout.player = static_cast<uint8_t>(below(16));
                         loadout.parts = {below(limits.heads + 1), below(limits.cores + 1), below(limits.arms + 1),
                                          below(limits.legs + 1)};
                     });
                send(GameMessageType::Input,
                     [&](Net::Message& m)
                     {
                         auto& input = static_cast<InputMessage&>(m);
                         input.player = below(16);
                         input.frame = random() % 2 ? below(2000) : static_cast<uint32_t>(random());
                         input.input.move = static_cast<int8_t>(below(256));
                     });
                send(static_cast<GameMessageType>(below(static_cast<uint32_t>(GameMessageType::AddPlayer))),
                     [](Net::Message&) {});
            }
        }
        uint8_t garbage[1300];
        for (int i = 0; i < 2; ++i)
        {
            const int bytes = 1 + static_cast<int>(below(sizeof(garbage)));
            std::generate_n(garbage, bytes, [&] { return static_cast<uint8_t>(random()); });
            raw.Send(server, garbage, bytes);
        }
        // Requests at the rate asked for, whatever a pass took; those of a stall are not made up.
        floodSent = std::max(floodSent, static_cast<uint64_t>(std::max(0.0, now() - 0.1) * options.floodRate));
        for (; !flood.empty() && floodSent < now() * options.floodRate; ++floodSent)
        {
            auto& [socket, request] = flood[floodSent % flood.size()];
            traffic.requests += socket->Send(server, request.data(), Net::ConnectionRequestBytes) ? 1 : 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
    return traffic;
}

} // namespace GameTesting
