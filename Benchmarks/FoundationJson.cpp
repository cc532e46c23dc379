#include "Engine/Foundation/Json.h"

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>

#include <chrono>
#include <cstdint>
#include <string>

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

// Seconds per parse of the last run of each benchmark; RapidJSON's runs first.
double rapidJsonSeconds = 0.0;

template <class Parse> double TimedLoop(benchmark::State& state, Parse parse)
{
    auto start = std::chrono::steady_clock::now();
    int64_t count = 0;
    for (auto _ : state)
    {
        parse();
        ++count;
    }
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    state.SetBytesProcessed(count * static_cast<int64_t>(Document().size()));
    return count ? elapsed.count() / static_cast<double>(count) : 0.0;
}

void RapidJsonDocumentParse(benchmark::State& state)
{
    const std::string& text = Document();
    rapidJsonSeconds = TimedLoop(state,
                                 [&]
                                 {
                                     rapidjson::Document document;
                                     document.Parse(text.c_str());
                                     benchmark::DoNotOptimize(document.HasParseError());
                                 });
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}

void JsonLoadBlueprint(benchmark::State& state)
{
    const std::string& text = Document();
    double seconds = TimedLoop(state,
                               [&]
                               {
                                   Blueprint value;
                                   benchmark::DoNotOptimize(JsonFormat::LoadBlueprint(text, value));
                               });
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
    // How many times RapidJSON's own document parse this load takes.
    if (rapidJsonSeconds > 0.0)
        state.counters["xRapidJSON"] = seconds / rapidJsonSeconds;
}

void JsonSaveBlueprint(benchmark::State& state)
{
    Blueprint value;
    JsonFormat::LoadBlueprint(Document(), value);
    for (auto _ : state)
        benchmark::DoNotOptimize(JsonFormat::SaveBlueprint(value));
}

} // namespace

BENCHMARK(RapidJsonDocumentParse)->Unit(benchmark::kMillisecond);
BENCHMARK(JsonLoadBlueprint)->Unit(benchmark::kMillisecond);
BENCHMARK(JsonSaveBlueprint)->Unit(benchmark::kMillisecond);
