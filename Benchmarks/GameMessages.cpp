#include "Net/Memory.h"
#include "Net/Stream.h"
#include "Source/Network/Messages/GameStateMessage.h"
#include "Source/Network/Messages/InputMessage.h"
#include "Source/Network/Messages/VantorelMessageFactory.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>

namespace
{

constexpr double StatesPerSecond = 30.0;
constexpr double InputsPerSecond = 60.0;
// The type id a channel writes before each message.
constexpr int TypeBits = 5;

// The shipped definitions' counts: four of each part, five items, four weapons, two triggers.
MessageLimits ShippedLimits()
{
    MessageLimits limits;
    limits.heads = limits.cores = limits.arms = limits.legs = 4;
    limits.items = 5;
    limits.weapons = 4;
    limits.triggers = 2;
    limits.eventKinds = 6;
    limits.teamCount = 2;
    limits.playerCount = 16;
    limits.targetScore = 25;
    return limits;
}

template <class Record> void Equip(Record& record, uint32_t index, bool busy)
{
    record.player = static_cast<uint8_t>(index);
    record.position = {3.0f * static_cast<float>(index), 12.5f};
    record.velocity = {4.0f, -2.0f};
    record.jumpTime = 0.1f;
    record.onPlatform = true;
    record.platform = static_cast<uint16_t>(100 + index);
    record.passThroughCount = busy ? 6 : 0;
    record.secondaryWeapon = 1;
    record.currentWeapon = 0;
    record.pickedUpWeapon = busy ? 2 : 4;
    record.carriedItem = busy ? 3 : 5;
    record.pickedUpItem = busy ? 4 : 5;
    if (busy)
    {
        record.pickedUpWeaponTransform = {{0.5f, 1.0f}, 30.0f, true};
        record.pickedUpItemTransform = {{0.25f, 1.0f}, 10.0f, false};
    }
    record.weaponState = 1;
    record.weaponTimer = 12;
}

// A match of sixteen players as one client sees it. Typical: its one player, six others in view, a
// dozen pickups, two moving platforms and three projectiles. Worst: every list full and every optional
// field present.
void Fill(GameState& state, bool worst)
{
    state.ownCount = worst ? GameState::MaxOwnPlayers : 1;
    state.playerCount = worst ? GameState::MaxPlayers : 6;
    state.pickupCount = worst ? GameState::MaxPickups : 12;
    state.platformCount = worst ? GameState::MaxPlatforms : 2;
    state.projectileCount = worst ? GameState::MaxProjectiles : 3;
    for (uint32_t i = 0; i < state.ownCount; ++i)
    {
        Equip(state.ownPlayers[i], i, worst);
        state.ownPlayers[i].health = 80.0f;
        state.ownPlayers[i].clip = 20;
        state.ownPlayers[i].reserve = 120;
    }
    for (uint32_t i = 0; i < state.playerCount; ++i)
    {
        Equip(state.players[i], 15 - i, worst);
        state.players[i].move = 127;
        state.players[i].aimX = -90;
        state.players[i].aimY = 40;
    }
    for (uint32_t i = 0; i < state.pickupCount; ++i)
        state.pickups[i] = {static_cast<uint16_t>(64 + i), i % 3 != 0, i % 4, {1.0f, 2.0f}, {0.0f, -1.0f}, 0.0f, 0, 1};
    for (uint32_t i = 0; i < state.platformCount; ++i)
        state.platforms[i] = {static_cast<uint16_t>(i), 1.5f, false, false};
    for (uint32_t i = 0; i < state.projectileCount; ++i)
        state.projectiles[i] = {static_cast<uint16_t>(2048 + i), true, 3, 1, {5.0f, 5.0f}, {40.0f, 0.0f}, 0.0f, 0};
}

// A game state message over the shipped limits, and the bytes it writes.
class StateFixture
{
public:
    explicit StateFixture(bool worst)
        : factory(allocator, limits),
          message(static_cast<GameStateMessage*>(factory.CreateMessage(static_cast<int>(GameStateMessage::Type))))
    {
        message->frame = 12345;
        Fill(message->state, worst);
        Net::WriteStream stream(bytes.data(), static_cast<int>(bytes.size()));
        written = message->SerializeInternal(stream);
        stream.Flush();
        bits = stream.GetBitsProcessed();
    }
    ~StateFixture() { factory.ReleaseMessage(message); }
    StateFixture(const StateFixture&) = delete;
    StateFixture& operator=(const StateFixture&) = delete;

    MessageLimits limits = ShippedLimits();
    Net::DefaultAllocator allocator;
    VantorelMessageFactory factory;
    GameStateMessage* message;
    std::array<uint8_t, 4096> bytes{};
    bool written = false;
    int bits = 0;
};

// What one client receives each second: the state and its type id, in whole bytes as the channel
// rounds them; the library's packet and message headers come on top.
void ReportStateRate(benchmark::State& state, const StateFixture& fixture)
{
    const double bytes = std::ceil((fixture.bits + TypeBits) / 8.0);
    state.counters["bits"] = fixture.bits;
    state.counters["client_bytes_per_s"] = bytes * StatesPerSecond;
}

void MeasureGameState(benchmark::State& state)
{
    StateFixture fixture(state.range(0) != 0);
    if (!fixture.written)
        state.SkipWithError("the state does not write");
    for (auto _ : state)
    {
        Net::MeasureStream stream;
        benchmark::DoNotOptimize(fixture.message->SerializeInternal(stream));
        benchmark::DoNotOptimize(stream.GetBitsProcessed());
    }
    ReportStateRate(state, fixture);
}

void WriteGameState(benchmark::State& state)
{
    StateFixture fixture(state.range(0) != 0);
    std::array<uint8_t, 4096> buffer{};
    for (auto _ : state)
    {
        Net::WriteStream stream(buffer.data(), static_cast<int>(buffer.size()));
        benchmark::DoNotOptimize(fixture.message->SerializeInternal(stream));
        stream.Flush();
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * ((fixture.bits + 7) / 8));
    ReportStateRate(state, fixture);
}

void ReadGameState(benchmark::State& state)
{
    StateFixture fixture(state.range(0) != 0);
    auto* read =
        static_cast<GameStateMessage*>(fixture.factory.CreateMessage(static_cast<int>(GameStateMessage::Type)));
    const int bytes = (fixture.bits + 7) / 8;
    for (auto _ : state)
    {
        Net::ReadStream stream(fixture.bytes.data(), bytes);
        benchmark::DoNotOptimize(read->SerializeInternal(stream));
        benchmark::ClobberMemory();
    }
    if (!(read->state == fixture.message->state))
        state.SkipWithError("the state read back differs");
    fixture.factory.ReleaseMessage(read);
    state.SetBytesProcessed(state.iterations() * bytes);
    ReportStateRate(state, fixture);
}

// A client's input upstream: one message per local player and frame.
void WriteInput(benchmark::State& state)
{
    const MessageLimits limits = ShippedLimits();
    Net::DefaultAllocator allocator;
    VantorelMessageFactory factory(allocator, limits);
    auto* input = static_cast<InputMessage*>(factory.CreateMessage(static_cast<int>(InputMessage::Type)));
    input->input.move = -127;
    input->input.buttons.fill(1);
    std::array<uint8_t, 16> buffer{};
    int bits = 0;
    for (auto _ : state)
    {
        Net::WriteStream stream(buffer.data(), static_cast<int>(buffer.size()));
        benchmark::DoNotOptimize(input->SerializeInternal(stream));
        stream.Flush();
        bits = stream.GetBitsProcessed();
        benchmark::ClobberMemory();
    }
    factory.ReleaseMessage(input);
    state.counters["bits"] = bits;
    state.counters["player_bytes_per_s"] = std::ceil((bits + TypeBits) / 8.0) * InputsPerSecond;
}

BENCHMARK(MeasureGameState)->ArgName("worst")->Arg(0)->Arg(1);
BENCHMARK(WriteGameState)->ArgName("worst")->Arg(0)->Arg(1);
BENCHMARK(ReadGameState)->ArgName("worst")->Arg(0)->Arg(1);
BENCHMARK(WriteInput);

} // namespace
