#pragma once

// What the match benchmarks share: an application whose frames the benchmark runs itself, and the
// in-memory transport that counts what one end's connection would carry on a real wire.

#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Libraries/Net/Socket.h"

#include <cstdint>
#include <string>

namespace Benchmarks
{

// An application over a scratch folder that runs no frame loop of its own: the benchmark calls the
// game system's operations on its thread.
class GameBenchmarkApplication : public Lumvek::Application
{
public:
    explicit GameBenchmarkApplication(const std::string& root)
        : Application("Vantorel", "Benchmark", "en-US", Lumvek::ApplicationConfig(), Lumvek::Arguments(), root, root,
                      root, root)
    {
        GetFileManager().RegisterFormats();
        Lumvek::RegisterRuntimeFormats(GetFileManager());
    }
    void Quit() override {}

protected:
    void FrameLoop() override {}
};

// The in-memory transport, counting the bytes sent and received with the 28 bytes of IPv4 and UDP
// headers each datagram costs on a real wire.
class CountingTransport final : public Net::Transport
{
public:
    static constexpr uint64_t DatagramOverhead = 28;

    CountingTransport(Net::MemoryNetwork& network, const Net::Address& address) : inner(network, address) {}

    bool Send(const Net::Address& to, const uint8_t* data, int bytes) override
    {
        sentBytes += static_cast<uint64_t>(bytes) + DatagramOverhead;
        return inner.Send(to, data, bytes);
    }
    int Receive(Net::Address& from, uint8_t* data, int maxBytes) override
    {
        const int bytes = inner.Receive(from, data, maxBytes);
        if (bytes > 0)
            receivedBytes += static_cast<uint64_t>(bytes) + DatagramOverhead;
        return bytes;
    }
    Net::Address GetAddress() const override { return inner.GetAddress(); }

    uint64_t WireBytes() const { return sentBytes + receivedBytes; }

    uint64_t sentBytes = 0;
    uint64_t receivedBytes = 0;

private:
    Net::MemoryTransport inner;
};

} // namespace Benchmarks
