#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Engine/Runtime/Gui/Gui.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

using namespace Lumvek;

namespace
{

// An application that only hosts the Gui on a recording device; its thread never runs.
class BenchmarkApplication : public Application
{
public:
    BenchmarkApplication()
        : Application("GuiBenchmark", "Benchmark", "en-US", ApplicationConfig(), Arguments(), "/tmp/GuiBenchmark",
                      "/tmp/GuiBenchmark/Data", "/tmp/GuiBenchmark/Documents", "/tmp/GuiBenchmark/Temporary")
    {
        graphicsDevice = std::make_unique<RecordingGraphicsDevice>(&GetResources(), 1920, 1080);
        gui = static_cast<Gui*>(AddSystem(std::make_unique<Gui>()));
        gui->Setup();
        gui->colorMaterial = 0;
    }
    void Quit() override {}

    Gui* gui = nullptr;

protected:
    void FrameLoop() override {}
};

// 500 elements with the root: a padded panel of 83 rows, each a flex row of 5 cells with a background, an outline
// and a fill, the rows past its bottom clipped.
class ListMenu : public Menu
{
public:
    static constexpr int Rows = 83;
    static constexpr int Columns = 5;

    void Setup() override
    {
        Element& panel = GetRoot().AddChild();
        panel.flow = 1;
        panel.SetWidth({ElementLength::Percent, 80});
        panel.SetHeight({ElementLength::Percent, 90});
        panel.SetPadding({ElementLength::Points, 12});
        panel.background = {40, 40, 60, 255};
        panel.clip = 1;
        for (int row = 0; row < Rows; ++row)
        {
            Element& line = panel.AddChild();
            line.flow = 1;
            YGNodeStyleSetFlexDirection(line.GetNode(), YGFlexDirectionRow);
            line.SetHeight({ElementLength::Points, 11});
            line.SetMargin(YGEdgeBottom, {ElementLength::Points, 1});
            for (int column = 0; column < Columns; ++column)
            {
                Element& cell = line.AddChild();
                YGNodeStyleSetFlexGrow(cell.GetNode(), 1.0f);
                cell.SetMargin(YGEdgeRight, {ElementLength::Points, 2});
                cell.SetPadding({ElementLength::Points, 2});
                cell.background = {200, 190, 180, 255};
                cell.outline = {65, 64, 66, 255};
                for (ElementLength& width : cell.outlineWidths)
                    width = {ElementLength::Points, 1};
                cell.fill = {250, 248, 240, 255};
            }
        }
        first = &panel;
    }

    Element* first = nullptr;
};

void GuiMenuFrame(benchmark::State& state, bool relayout)
{
    BenchmarkApplication application;
    Gui& gui = *application.gui;
    auto* menu =
        static_cast<ListMenu*>(gui.AddMenu(std::make_unique<ListMenu>(), nullptr, nullptr, UnitRectangle(), false));
    gui.LateUpdate(0);
    GraphicsDevice& device = *application.GetGraphicsDevice();

    using Clock = std::chrono::steady_clock;
    Clock::duration layout{};
    Clock::duration total{};
    float width = 80.0f;
    for (auto _ : state)
    {
        const Clock::time_point start = Clock::now();
        if (relayout)
        {
            // A size that changes every frame makes the whole tree dirty.
            width = width == 80.0f ? 79.0f : 80.0f;
            menu->first->SetWidth({ElementLength::Percent, width});
        }
        menu->Layout(static_cast<float>(device.GetSize().width), static_cast<float>(device.GetSize().height));
        const Clock::time_point laidOut = Clock::now();
        gui.Render(16'000'000);
        benchmark::DoNotOptimize(device.GetCommands().data());
        device.GetCommands().clear();
        const Clock::time_point end = Clock::now();
        layout += laidOut - start;
        total += end - start;
    }
    state.counters["layout_share"] = total.count() ? double(layout.count()) / double(total.count()) : 0.0;
    state.counters["elements"] = 2 + ListMenu::Rows * (1 + ListMenu::Columns);
    state.counters["frame_us"] =
        benchmark::Counter(double(std::chrono::duration_cast<std::chrono::nanoseconds>(total).count()) / 1000.0,
                           benchmark::Counter::kAvgIterations);
}

void BM_GuiMenuFrame(benchmark::State& state)
{
    GuiMenuFrame(state, false);
}
void BM_GuiMenuFrameRelayout(benchmark::State& state)
{
    GuiMenuFrame(state, true);
}

BENCHMARK(BM_GuiMenuFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GuiMenuFrameRelayout)->Unit(benchmark::kMicrosecond);

} // namespace
