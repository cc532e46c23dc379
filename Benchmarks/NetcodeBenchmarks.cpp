#include "Net/Packet.h"

#include <benchmark/benchmark.h>
#include <sodium.h>

#include <chrono>
#include <cstring>
#include <vector>

using namespace Net;

namespace
{

constexpr uint64_t ProtocolId = 0x1234ull;

struct Fixture
{
    uint8_t key[KeyBytes];
    std::vector<uint8_t> payload;
    uint8_t sealed[MaxPacketBytes];
    uint8_t received[MaxPacketBytes];
    uint8_t opened[MaxPacketBytes];
    uint64_t sequence = 0;

    explicit Fixture(int bytes) : payload(static_cast<size_t>(bytes), 0x5A) { GenerateKey(key); }

    // A payload packet sealed, then copied into a receive buffer and opened, as one exchange does.
    bool Netcode()
    {
        Packet packet;
        packet.type = PACKET_PAYLOAD;
        packet.sequence = sequence++;
        packet.payload = payload.data();
        packet.payloadBytes = static_cast<int>(payload.size());
        int bytes = WritePacket(packet, sealed, sizeof(sealed), key, ProtocolId);
        std::memcpy(received, sealed, static_cast<size_t>(bytes));
        PacketReadContext context;
        context.protocolId = ProtocolId;
        context.key = key;
        context.allowedTypes = PacketTypeBit(PACKET_PAYLOAD);
        Packet read;
        return ReadPacket(received, bytes, context, read) == PACKET_READ_OK;
    }

    // The same sizes through libsodium's AEAD alone: no header, no checks.
    bool Raw()
    {
        uint8_t nonce[12] = {};
        std::memcpy(nonce + 4, &sequence, sizeof(sequence));
        ++sequence;
        unsigned long long sealedBytes = 0;
        crypto_aead_chacha20poly1305_ietf_encrypt(sealed, &sealedBytes, payload.data(), payload.size(), nullptr, 0,
                                                  nullptr, nonce, key);
        std::memcpy(received, sealed, static_cast<size_t>(sealedBytes));
        unsigned long long openedBytes = 0;
        return crypto_aead_chacha20poly1305_ietf_decrypt(opened, &openedBytes, nullptr, received, sealedBytes, nullptr,
                                                         0, nonce, key) == 0;
    }
};

void NetcodePacketSealOpen(benchmark::State& state)
{
    Fixture fixture(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(fixture.Netcode());
    state.counters["packets"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void RawAeadSealOpen(benchmark::State& state)
{
    Fixture fixture(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(fixture.Raw());
    state.counters["packets"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

// Both paths in one run, alternated in batches so both see the same machine state; the ratio
// counter is the time per netcode packet over the time per raw AEAD packet.
void NetcodeOverRawAead(benchmark::State& state)
{
    Fixture fixture(static_cast<int>(state.range(0)));
    constexpr int Batch = 64;
    double netcodeSeconds = 0.0;
    double rawSeconds = 0.0;
    for (auto _ : state)
    {
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < Batch; ++i)
            benchmark::DoNotOptimize(fixture.Netcode());
        auto middle = std::chrono::steady_clock::now();
        for (int i = 0; i < Batch; ++i)
            benchmark::DoNotOptimize(fixture.Raw());
        auto end = std::chrono::steady_clock::now();
        netcodeSeconds += std::chrono::duration<double>(middle - start).count();
        rawSeconds += std::chrono::duration<double>(end - middle).count();
    }
    double packets = static_cast<double>(state.iterations()) * Batch;
    state.counters["netcode_per_s"] = packets / netcodeSeconds;
    state.counters["raw_per_s"] = packets / rawSeconds;
    state.counters["ratio"] = netcodeSeconds / rawSeconds;
}

} // namespace

BENCHMARK(NetcodePacketSealOpen)->Arg(16)->Arg(100)->Arg(MaxPayloadBytes);
BENCHMARK(RawAeadSealOpen)->Arg(16)->Arg(100)->Arg(MaxPayloadBytes);
BENCHMARK(NetcodeOverRawAead)->Arg(16)->Arg(100)->Arg(MaxPayloadBytes);
