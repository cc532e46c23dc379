// The "Data" tab's share of a 1/60 s frame with every header open over the committed Assets, and one
// bone edit of a head that four local players wear, rebuilding their four rigs in the frame.

#include "Engine/Foundation/FileManager.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Tools/Editors/DataEditor.h"
#include "Source/Tools/Inspectors/PartInspectors.h"
#include "Source/Tools/Tools.h"
#include "Source/World/GameContext.h"
#include "Source/World/MapFile.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"

#include "Benchmarks/BenchmarkFolders.h"

#include "Benchmarks/ToolsBenchmarkApplication.h"

#include <benchmark/benchmark.h>
#include <imgui.h>

#include <chrono>
#include <memory>

namespace
{

// The committed definitions, read only; with Crossroads loaded and four local players wearing the
// first head when asked.
class Definitions : public GameContext
{
public:
    explicit Definitions(uint32_t players = 0)
        : files(Benchmarks::CheckoutFolder(), Benchmarks::CheckoutFolder(), Benchmarks::CheckoutFolder(),
                Benchmarks::CheckoutFolder())
    {
        files.RegisterFormats();
        ownRegistry.LoadAll();
        registry = &ownRegistry;
        if (players == 0)
            return;
        configuration.map = ownRegistry.maps.FindIndex("Crossroads");
        configuration.theme = 0;
        ownWorld = std::make_unique<World>(*this, 1);
        MapNames names;
        if (!LoadMapData(*ownWorld, names))
            return;
        world = ownWorld.get();
        for (uint32_t i = 0; i < players; ++i)
        {
            PlayerSlot slot;
            slot.id = static_cast<uint8_t>(i);
            configuration.players.push_back(slot);
        }
        for (PlayerSlot& slot : configuration.players)
        {
            slot.player = CreatePlayerEntity(*world, {slot.id, {2.0f + float(slot.id), 5.0f}, slot.id % 2 == 1});
            if (slot.player)
                slot.player->body.active = 1;
        }
    }
    ~Definitions() override { world = nullptr; }

    Lumvek::FileManager files;
    DataRegistry ownRegistry{files};
    std::unique_ptr<World> ownWorld;
};

// A window that draws the "Data" tab with every header open.
class AllOpen final : public Inspector
{
public:
    explicit AllOpen(GameContext& game) { editor.context = &game; }
    void Draw() override
    {
        for (const DataFamily& family : DataEditor::Families())
            ImGui::GetStateStorage()->SetInt(ImGui::GetID(family.header), 1);
        editor.Draw();
    }
    DataEditor editor{"Data"};
};

// The whole tools frame (ImGui, the copy of its draw lists, the device commands) with the tab open
// on every list of the committed Assets.
void ToolsDataTabEveryListOpen(benchmark::State& state)
{
    Definitions definitions;
    Benchmarks::ToolsBenchmarkApplication app("ToolsDataBenchmark");
    app.tools->OpenWindow("Data", std::make_unique<AllOpen>(definitions));
    auto& device = static_cast<Lumvek::RecordingGraphicsDevice&>(*app.GetGraphicsDevice());
    for (int i = 0; i < 3; ++i)
    {
        device.GetCommands().clear();
        app.tools->Frame(1.0f / 60.0f);
    }
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
    {
        device.GetCommands().clear();
        app.tools->Frame(1.0f / 60.0f);
        benchmark::DoNotOptimize(device.GetCommands().data());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["percent of a 1/60 s frame"] = seconds / double(state.iterations()) * 60.0 * 100.0;
    double listed = 0.0;
    for (const DataFamily& family : DataEditor::Families())
        listed += family.list(definitions.ownRegistry).Count();
    state.counters["definitions listed"] = listed;
}
BENCHMARK(ToolsDataTabEveryListOpen)->Unit(benchmark::kMicrosecond);

// What a bone edit does in its frame: the value changes, and the four local players' rigs are built
// again from their character and parts, with their drawing and their parts pointed at the new bones.
void ToolsBoneEditRebuildsFourRigs(benchmark::State& state)
{
    Definitions match(4);
    HeadData* head = match.ownRegistry.heads.Get(0);
    if (!match.world || !head)
    {
        state.SkipWithError("no match to edit");
        return;
    }
    head->skull.hasRotation = true;
    state.counters["rigs"] = PartDataInspector::RebuildRigs(&match);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
    {
        head->skull.rotation = head->skull.rotation > 1.0f ? 0.0f : head->skull.rotation + 0.01f;
        benchmark::DoNotOptimize(PartDataInspector::RebuildRigs(&match));
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["percent of a 1/60 s frame"] = seconds / double(state.iterations()) * 60.0 * 100.0;
}
BENCHMARK(ToolsBoneEditRebuildsFourRigs)->Unit(benchmark::kMicrosecond);

} // namespace
