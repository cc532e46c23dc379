#include "Engine/Foundation/Json.h"

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <time.h>

using namespace Lumvek;

namespace
{

// A deterministic document shaped like the game's definition files: a few MB of objects with
// names, descriptions, counts, offsets, factors, tag lists, attribute tables and bone trees.
class DocumentGenerator
{
public:
    std::string Generate(uint32_t itemCount)
    {
        text = "{\"Items\": [";
        for (uint32_t i = 0; i < itemCount; ++i)
        {
            if (i)
                text += ",";
            Item(i);
        }
        text += "], \"Version\": 3}";
        return text;
    }

private:
    uint32_t Next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }

    std::string Float() { return std::to_string(Next() % 100000) + "." + std::to_string(Next() % 1000); }

    void Item(uint32_t index)
    {
        text += "\n\t{\"DataType\": \"WeaponData\", \"Name\": \"Item" + std::to_string(index) + "\"";
        text += ", \"DisplayName\": \"Item number " + std::to_string(index) + "\"";
        text += ", \"Description\": \"A description long enough to need its own block, number " +
                std::to_string(Next()) + "\"";
        text += ", \"Damage\": " + std::to_string(Next() % 500);
        text += ", \"Offset\": -" + std::to_string(Next() % 100 + 1);
        text += ", \"Scale\": " + Float();
        text += ", \"Tags\": [\"Primary\", \"Automatic\", \"Tag" + std::to_string(Next() % 50) + "\"]";
        text += ", \"Attributes\": {";
        for (int a = 0; a < 24; ++a)
            text += (a ? ", \"Attribute" : "\"Attribute") + std::to_string(a) + "\": " + Float();
        text += "}, \"Color\": [" + std::to_string(Next() % 256) + ", " + std::to_string(Next() % 256) + ", " +
                std::to_string(Next() % 256) + ", 255]";
        text += ", \"Bones\": [";
        for (int b = 0; b < 4; ++b)
        {
            text += b ? ", " : "";
            text += "{\"Name\": \"Bone" + std::to_string(b) + "\", \"Position\": \"" + Float() + " " + Float() +
                    "\", \"Rotation\": \"Degrees(" + Float() + ")\", \"LeftOrder\": " + std::to_string(b) +
                    ", \"Children\": [{\"Name\": \"Tip\", \"Size\": \"1.0 2.0\", \"FrameCount\": 4}]}";
        }
        text += "], \"Enabled\": true, \"Sound\": null}";
    }

    std::string text;
    uint32_t state = 12345;
};

const std::string& Document()
{
    static const std::string text = DocumentGenerator().Generate(2500);
    return text;
}

// Seconds per parse of the last run of each benchmark; RapidJSON's runs first. Both sides parse the
// same way: a copy of the text parsed in place, every number converted to the exact double
// (RapidJSON with its full-precision flag, our load from the number's text). Each side's tree
// is destroyed outside the timed part, and that time is shown apart (free_ms): RapidJSON's pool
// drops its document in a few frees, while a Blueprint returns every block it holds.
double rapidJsonSeconds = 0.0;

struct Timing
{
    double parseSeconds = 0.0;
    double freeSeconds = 0.0;
};

// Load returns what it built; the result is destroyed after the clock for the load stops.
// The calling thread's processor time: on a shared machine wall time would count other programs.
struct ThreadClock
{
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<ThreadClock, duration>;

    static time_point now()
    {
        timespec time{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
        return time_point(duration(int64_t(time.tv_sec) * 1000000000 + time.tv_nsec));
    }
};

template <class Load> Timing TimedLoop(benchmark::State& state, Load load)
{
    using Clock = ThreadClock;
    Clock::duration parsing{};
    Clock::duration freeing{};
    int64_t count = 0;
    for (auto _ : state)
    {
        const auto start = Clock::now();
        {
            auto result = load();
            const auto loaded = Clock::now();
            parsing += loaded - start;
            benchmark::DoNotOptimize(result);
        }
        freeing += Clock::now() - start;
        ++count;
    }
    state.SetBytesProcessed(count * static_cast<int64_t>(Document().size()));
    Timing timing;
    if (count)
    {
        timing.parseSeconds = std::chrono::duration<double>(parsing).count() / double(count);
        timing.freeSeconds = std::chrono::duration<double>(freeing - parsing).count() / double(count);
    }
    state.counters["parse_ms"] = timing.parseSeconds * 1e3;
    state.counters["free_ms"] = timing.freeSeconds * 1e3;
    return timing;
}

// RapidJSON's own document built the way our load reads: a copy of the text parsed in place.
void RapidJsonInsituParse(benchmark::State& state)
{
    const std::string& text = Document();
    rapidJsonSeconds = TimedLoop(state,
                                 [&]
                                 {
                                     auto document = std::make_unique<rapidjson::Document>();
                                     std::unique_ptr<char[]> copy(new char[text.size() + 1]);
                                     std::memcpy(copy.get(), text.c_str(), text.size() + 1);
                                     document->ParseInsitu<rapidjson::kParseFullPrecisionFlag>(copy.get());
                                     benchmark::DoNotOptimize(document->HasParseError());
                                     return std::make_pair(std::move(copy), std::move(document));
                                 })
                           .parseSeconds;
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}

void JsonLoadBlueprint(benchmark::State& state)
{
    const std::string& text = Document();
    const double seconds = TimedLoop(state,
                                     [&]
                                     {
                                         auto value = std::make_unique<Blueprint>();
                                         benchmark::DoNotOptimize(JsonFormat::LoadBlueprint(text, *value));
                                         return value;
                                     })
                               .parseSeconds;
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
    // How many times RapidJSON's in-place document parse this load takes; the goal is at most 2.
    if (rapidJsonSeconds > 0.0)
        state.counters["xRapidJSONInsitu"] = seconds / rapidJsonSeconds;
}

void JsonSaveBlueprint(benchmark::State& state)
{
    Blueprint value;
    JsonFormat::LoadBlueprint(Document(), value);
    for (auto _ : state)
        benchmark::DoNotOptimize(JsonFormat::SaveBlueprint(value));
}

} // namespace

BENCHMARK(RapidJsonInsituParse)->Unit(benchmark::kMillisecond);
BENCHMARK(JsonLoadBlueprint)->Unit(benchmark::kMillisecond);
BENCHMARK(JsonSaveBlueprint)->Unit(benchmark::kMillisecond);
