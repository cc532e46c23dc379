// Front-end frames on the recording device, CPU side only: what a page turn adds to a menu's frame,
// what a text costs while it writes itself compared with once it is written, the game screens'
// frame with a full feed for one and four local players, as a share of a 1/60 s frame, and what a
// sliding 50-item strip costs against the same strip at rest.

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Foundation/TextureRegion.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/DrawList.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Engine/Runtime/Gui/Gui.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/Profile.h"
#include "Source/Data/ThemeData.h"
#include "Source/GameTypes/GameType.h"
#include "Source/Ui/Kit/DrawIn.h"
#include "Source/Ui/Kit/ScrollerPage.h"
#include "Source/Ui/Screens/CustomGame.h"
#include "Source/Ui/Screens/DemoScreens.h"
#include "Source/Ui/Screens/GameScreen.h"
#include "Source/Ui/Transitions.h"
#include "Source/Ui/UiResources.h"
#include "Source/World/GameContext.h"
#include "Source/World/World.h"

#include "Benchmarks/GuiBenchmarkApplication.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

using namespace Lumvek;

namespace
{

// The benchmarks' Gui with the screens' materials, and the two fonts they use made of plain glyphs so
// that text is laid out and drawn as on a real device.
class BenchmarkApplication : public Benchmarks::GuiBenchmarkApplication
{
public:
    BenchmarkApplication() : GuiBenchmarkApplication("UiBenchmark")
    {
        gui->colorMaterial = GraphicsResources::QuadMaterial;
        gui->imageMaterial = GraphicsResources::ColoredImageMaterial;
        gui->textMaterial = GraphicsResources::TextMaterial;
        for (uint32_t slot : {GraphicsResources::HeadingFont, GraphicsResources::ScriptFont})
        {
            Texture* texture = device->CreateTexture(slot, 0);
            texture->SetSize(256, 256, TextureFormat::ColorBuffer4x8);
            auto* font = texture->AddRegionOf<TextureFontRegion>(InvalidId, 0, 0);
            font->spaceAdvance = 0.3f;
            for (uint32_t c = 33; c < 127; ++c)
            {
                FontGlyph& glyph = font->glyphs[c];
                glyph.width = 0.5f;
                glyph.height = 0.7f;
                glyph.advance = 0.55f;
            }
        }
    }
};

// The demo menu alone, or with the title page turning away above it for as long as the benchmark
// runs.
void MenuFrame(benchmark::State& state, bool pageTurn)
{
    BenchmarkApplication app;
    ProfileCollection profiles;
    GameConfiguration configuration;
    FrontEnd frontEnd{profiles, configuration, {}, {}, {}};
    DemoMenu::Open(*app.gui, frontEnd, nullptr, 0);
    if (pageTurn)
    {
        Screen& title = Screen::Open<DemoStartScreen>(*app.gui, nullptr, Screen::EveryPlayer, frontEnd);
        app.Frame();
        app.gui->CloseMenu(title, MakePageTransition(1e9f, PageTransition::Forward));
    }
    app.Frame();
    for (auto _ : state)
        app.Frame();
}

void MenuWithoutTransition(benchmark::State& state)
{
    MenuFrame(state, false);
}
void MenuUnderPageTurn(benchmark::State& state)
{
    MenuFrame(state, true);
}

// A 40-character line written half way, or written out (drawn as plain text).
void DrawInTextFrame(benchmark::State& state, float progress)
{
    BenchmarkApplication app;
    DrawInText text;
    text.text = "PRESS START TO PLAY THE VANTOREL DEMO NOW";
    text.text.resize(40);
    text.font = GraphicsResources::HeadingFont;
    text.size = {UnitRectangle::Percent, 100.0f};
    text.clock.elapsed = progress * text.clock.duration;
    text.clock.direction = 0;
    Geometry& vertices = *app.gui->GetVertexBuffer();
    Geometry& indices = *app.gui->GetIndexBuffer();
    DrawList list;
    struct Idle : Menu
    {
        void Setup() override {}
    } menu;
    for (auto _ : state)
    {
        vertices.used = indices.used = 0;
        list.Reset();
        text.Render(0.0f, list, vertices, indices, *app.device, menu, {100.0f, 100.0f, 1200.0f, 60.0f});
        benchmark::DoNotOptimize(vertices.used);
    }
}

void DrawInTextWriting(benchmark::State& state)
{
    DrawInTextFrame(state, 0.5f);
}
void DrawInTextWritten(benchmark::State& state)
{
    DrawInTextFrame(state, 1.0f);
}

// A selector of 50 items at rest, or with its strip sliding for as long as the benchmark runs.
void SelectorFrame(benchmark::State& state, bool moving)
{
    BenchmarkApplication app;
    ProfileCollection profiles;
    GameConfiguration configuration;
    FrontEnd frontEnd{profiles, configuration, {}, {}, {}};
    std::vector<std::unique_ptr<ThemeData>> themes;
    std::vector<const ThemeData*> items;
    for (uint32_t index = 0; index < 50; ++index)
    {
        themes.push_back(std::make_unique<ThemeData>());
        themes.back()->index = index;
        themes.back()->displayName = "THEME " + std::to_string(index);
        themes.back()->description = "A THEME OF THE BENCHMARK";
        items.push_back(themes.back().get());
    }
    uint32_t theme = 25;
    Screen& selector = Screen::Open<ThemeSelect>(*app.gui, nullptr, 0, frontEnd, nullptr, items, theme, 2u,
                                                 std::string("-SELECT THEME-"), std::string(), std::string());
    app.Frame();
    app.Frame();
    if (moving)
        if (SketchScroller* scroller = FindScroller(selector))
        {
            scroller->transitionTime = 1e9f;
            scroller->Select(26);
        }
    for (auto _ : state)
        app.Frame();
}

void SelectorAtRest(benchmark::State& state)
{
    SelectorFrame(state, false);
}
void SelectorMoving(benchmark::State& state)
{
    SelectorFrame(state, true);
}

// The checkout's root: the program runs from a build folder inside it.
std::string CheckoutFolder()
{
    const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    const size_t build = program.find("/build/");
    return build == std::string::npos ? std::filesystem::path(program).parent_path().string()
                                      : program.substr(0, build);
}

// Rules whose feed is as full as the game screen's list shows: 25 lines, each in its middle second.
class FullFeedRules final : public GameType
{
public:
    explicit FullFeedRules(GameContext& context) : GameType(context, 1)
    {
        for (uint32_t i = 0; i < 25; ++i)
        {
            GameTypeEvent line;
            line.text = "#BE141BFFBOT " + std::to_string(i) + " #414042FFKILLED #0173B9FFBOT 9";
            line.ticks = 120;
            feed.push_back(line);
        }
    }
    float GetProgress(int32_t score) const override { return static_cast<float>(score) / 10.0f; }
};

// A match of the shipped definitions with its local players in a world without a map.
class ScreenMatch : public GameContext
{
public:
    explicit ScreenMatch(uint32_t localPlayers)
        : files(CheckoutFolder(), CheckoutFolder(), CheckoutFolder(), CheckoutFolder()), ownRegistry(files)
    {
        files.RegisterFormats();
        headless = true;
        ownRegistry.LoadAll();
        registry = &ownRegistry;
        configuration.registry = &ownRegistry;
        configuration.teamCount = 2;
        for (uint32_t pad = 0; pad < localPlayers; ++pad)
        {
            configuration.players.emplace_back(nullptr, pad);
            configuration.players.back().id = static_cast<uint8_t>(pad);
            configuration.players.back().team = static_cast<uint8_t>(pad % 2);
            Loadout& loadout = configuration.players.back().loadout;
            loadout.head = ownRegistry.heads.FindIndex("BasicHead");
            loadout.core = ownRegistry.cores.FindIndex("BasicCore");
            loadout.arms = ownRegistry.arms.FindIndex("BasicArms");
            loadout.legs = ownRegistry.legs.FindIndex("BasicLegs");
        }
        ownWorld = std::make_unique<World>(*this, 1);
        world = ownWorld.get();
        world->Begin();
        rules = std::make_unique<FullFeedRules>(*this);
        SetGameType(rules.get());
    }
    ~ScreenMatch() override
    {
        SetGameType(nullptr);
        rules.reset();
        world = nullptr;
        ownWorld.reset();
    }

    Lumvek::FileManager files;
    DataRegistry ownRegistry;
    std::unique_ptr<World> ownWorld;
    std::unique_ptr<GameType> rules;
};

// Every local player's game screen refreshed, laid out and drawn in one Gui frame.
void GameScreensFrame(benchmark::State& state)
{
    const auto players = static_cast<uint32_t>(state.range(0));
    BenchmarkApplication app;
    ScreenMatch match(players);
    ProfileCollection profiles;
    FrontEnd frontEnd{profiles, match.configuration, {}, {}, {}};
    frontEnd.game = &match;
    GameScreen::OpenAll(*app.gui, frontEnd);
    app.Frame();
    app.Frame();
    for (auto _ : state)
        app.Frame();
    // Seconds per frame over 1/60 s.
    state.counters["FrameShare"] = benchmark::Counter(static_cast<double>(state.iterations()) / 60.0,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(GameScreensFrame)->Arg(1)->Arg(4);
BENCHMARK(SelectorAtRest);
BENCHMARK(SelectorMoving);
BENCHMARK(MenuWithoutTransition);
BENCHMARK(MenuUnderPageTurn);
BENCHMARK(DrawInTextWriting);
BENCHMARK(DrawInTextWritten);
