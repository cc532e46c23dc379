// The front end drawn by the OpenGL device on llvmpipe (SDL's offscreen driver) with the game's own
// shaders, fonts and textures; each screen's named frame is kept as a PNG under the build folder.

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Engine/Runtime/Graphics/Material.h"
#include "Engine/Runtime/Gui/Gui.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/Profile.h"
#include "Source/Data/ThemeData.h"
#include "Source/Data/WeaponData.h"
#include "Source/Game/LoadStatus.h"
#include "Source/Game/Loader.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/Kit/HudWidgets.h"
#include "Source/Ui/Kit/PlayerPreview.h"
#include "Source/Ui/Screens/DemoScreens.h"
#include "Source/Ui/Screens/GameScreen.h"
#include "Source/Ui/Screens/Lobby.h"
#include "Source/Ui/Screens/Notebook.h"
#include "Source/Ui/Screens/Scoreboard.h"
#include "Source/Ui/Screens/SplashScreen.h"
#include "Source/Ui/Transitions.h"
#include "Source/Ui/UiResources.h"
#include "Source/World/Player.h"
#include "Source/World/Weapon.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"
#include "Tests/Engine/Runtime/OpenGL/OpenGLTestSupport.h"
#include "Tests/Source/Ui/MatchScreenTesting.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <tuple>

namespace
{

using namespace Lumvek;

constexpr uint32_t Width = 640;
constexpr uint32_t Height = 360;

// The pixels of [left, right) x [top, bottom) that pass the test.
template <class Test>
uint32_t CountPixels(const Testing::Image& image, uint32_t left, uint32_t right, uint32_t top, uint32_t bottom,
                     Test test)
{
    uint32_t found = 0;
    for (uint32_t y = top; y < bottom; ++y)
        for (uint32_t x = left; x < right; ++x)
            found += test(image.At(x, y)) ? 1 : 0;
    return found;
}

// An application over the checkout whose thread never runs, with the OpenGL device the test made.
class PixelApplication : public Application
{
public:
    PixelApplication()
        : Application("UiPixelTests", "Linux", "en-US", ApplicationConfig(), Arguments(), Testing::SourceFolder(),
                      "/tmp/UiPixelTests/Data", "/tmp/UiPixelTests/Documents", "/tmp/UiPixelTests/Temporary")
    {
        GetFileManager().RegisterFormats();
        RegisterRuntimeFormats(GetFileManager());
    }
    void Install(std::unique_ptr<GraphicsDevice> device) { graphicsDevice = std::move(device); }
    void Release() { ReleaseSystemsAndDevices(); }
    void Quit() override {}

protected:
    void FrameLoop() override {}
};

class UiPixels : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        OpenGL::OpenGLGraphicsDevice::PrepareWindowAttributes();
        // Room for the heads-up display's largest size; the device draws at the size it is given.
        window = SDL_CreateWindow("UiPixelTests", 0, 0, 1280, 720, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        auto made = std::make_unique<OpenGL::OpenGLGraphicsDevice>(&app.GetResources(), 1.0f, 1);
        device = made.get();
        std::thread([&] { device->SetWindow(window, Width, Height, 1.0f); }).join();
        ASSERT_TRUE(device->MakeReady());
        app.Install(std::move(made));
        gui = static_cast<Gui*>(app.AddSystem(std::make_unique<Gui>()));
        gui->Setup();
        UiResources::LoadBasic(*gui, *device);
    }
    void TearDown() override
    {
        app.Release();
        if (window)
            SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    // One frame of the given length, read back and kept as name.png.
    Testing::Image Frame(float seconds, const std::string& name)
    {
        const auto nanoseconds = static_cast<int64_t>(double(seconds) * 1e9);
        gui->Update(nanoseconds);
        gui->LateUpdate(nanoseconds);
        gui->Render(nanoseconds);
        device->Render();
        Testing::Image image;
        EXPECT_TRUE(device->ReadPixels(nullptr, image.rgba, image.width, image.height));
        const auto folder = std::filesystem::path(Testing::BinaryFolder()) / "UiPixelTests";
        std::filesystem::create_directories(folder);
        png_image png{};
        std::tie(png.version, png.width, png.height, png.format) =
            std::tuple(PNG_IMAGE_VERSION, image.width, image.height, PNG_FORMAT_RGBA);
        EXPECT_NE(png_image_write_to_file(&png, (folder / (name + ".png")).c_str(), 0, image.rgba.data(), 0, nullptr),
                  0);
        return image;
    }

    PixelApplication app;
    SDL_Window* window = nullptr;
    OpenGL::OpenGLGraphicsDevice* device = nullptr;
    Gui* gui = nullptr;
};

TEST_F(UiPixels, TheSplashShowsTheLogoInTheMiddleOnBlackOnceFadedIn)
{
    LoadStatus load;
    Screen::Open<SplashScreen>(*gui, MakeFadeTransition(0.25f, FadeTransition::Forward), Screen::EveryPlayer, load,
                               nullptr);
    // Half way through the fade the logo is dimmer than once it is in.
    Frame(0.0f, "SplashStart");
    const Testing::Image half = Frame(0.125f, "SplashFading");
    Frame(0.13f, "SplashFaded");
    const Testing::Image image = Frame(0.0f, "Splash");
    ASSERT_EQ(image.width, Width);
    ASSERT_EQ(image.height, Height);

    // The logo's box: 30 % of the window each way, 35 % from the top, centred across.
    const uint32_t left = Width * 35 / 100, right = Width * 65 / 100;
    const uint32_t top = Height * 35 / 100, bottom = Height * 65 / 100;
    uint32_t inkInside = 0, inkOutside = 0, brightnessInside = 0, brightnessHalf = 0;
    for (uint32_t y = 0; y < Height; ++y)
        for (uint32_t x = 0; x < Width; ++x)
        {
            const Testing::Rgba pixel = image.At(x, y);
            const uint32_t brightness = pixel[0] + pixel[1] + pixel[2];
            const bool inside = x >= left && x < right && y >= top && y < bottom;
            const bool ink = brightness > 3 * 24;
            (inside ? inkInside : inkOutside) += ink ? 1 : 0;
            if (inside)
            {
                brightnessInside += brightness;
                const Testing::Rgba dim = half.At(x, y);
                brightnessHalf += dim[0] + dim[1] + dim[2];
            }
        }
    EXPECT_GT(inkInside, (right - left) * (bottom - top) / 50) << "the logo shows";
    EXPECT_EQ(inkOutside, 0u) << "black around it";
    EXPECT_LT(brightnessHalf, brightnessInside) << "the fade brightens";
}

// A screen of one colour over the whole window, or of a texture's tiles.
class Plain final : public Screen
{
public:
    explicit Plain(Color color, uint32_t tiles = InvalidId) : color(color), tiles(tiles) {}
    void Setup() override
    {
        GetRoot().background = color;
        GetRoot().flow = 1;
        YGNodeStyleSetFlexDirection(GetRoot().GetNode(), YGFlexDirectionRow);
        YGNodeStyleSetFlexWrap(GetRoot().GetNode(), YGWrapWrap);
        for (uint32_t i = 0; tiles != InvalidId && i < 20 * 12; ++i)
        {
            ImageContent& image = AddImageContent(AddElementPoints(GetRoot(), 64, 64, 0));
            image.texture = tiles;
            image.width = image.height = {UnitRectangle::Percent, 100.0f};
        }
    }
    Color color;
    uint32_t tiles;
};

// The front end's shaders are the material's own loads, as the renderer's are: each keeps its file
// and, on a table that watches, reloads as the file is edited.
TEST_F(UiPixels, TheFrontEndsMaterialsKeepTheirFilesAndAreWatched)
{
    app.GetResources().watch = 1;
    UiResources::Load(*device);
    namespace Slots = GraphicsResources;
    const std::pair<uint32_t, const char*> materials[] = {{Slots::QuadMaterial, "Color.hlsl"},
                                                          {Slots::TextMaterial, "TextElement.hlsl"},
                                                          {Slots::ImageMaterial, "Image.hlsl"},
                                                          {Slots::TiledImageMaterial, "Image.hlsl"},
                                                          {Slots::DrawInTextMaterial, "DrawInText.hlsl"},
                                                          {Slots::PageMaterial, "Page.hlsl"}};
    for (const auto& [slot, file] : materials)
    {
        const uint32_t id = NameTableB().Add(NameTableC().GetName(slot));
        const Material* material = app.GetResources().Find<Material>(id);
        ASSERT_NE(material, nullptr) << file;
        EXPECT_EQ(material->path, std::string("Assets/Ui/Materials/") + file);
        EXPECT_TRUE(material->handle.IsLoaded()) << file;
    }
    // The five made by the loader, after the table began to watch.
    size_t watched = 0;
    for (const FileWatch& watch : app.GetFileManager().GetWatches())
        watched += watch.path.find("Assets/Ui/Materials/") != std::string::npos ? 1 : 0;
    EXPECT_EQ(watched, 5u);
}

TEST_F(UiPixels, AForwardPageTurnShowsTheNewScreenWhereTheOldPageHasCurledAway)
{
    UiResources::Load(*device);
    const Color red{200, 30, 30, 255}, blue{30, 30, 200, 255};
    Plain& old = Screen::Open<Plain>(*gui, nullptr, Screen::EveryPlayer, red);
    Frame(0.0f, "PageBefore");
    Screen::Open<Plain>(*gui, old.CloseForward(), Screen::EveryPlayer, blue);
    Frame(0.0f, "PageStart");
    // A third of the way the page still shows mostly its front.
    const Testing::Image turning = Frame(0.1f, "PageTurning1");
    uint32_t redFront = 0;
    for (uint32_t y = 0; y < turning.height; ++y)
        for (uint32_t x = 0; x < turning.width; ++x)
            redFront += turning.At(x, y)[0] > 120 && turning.At(x, y)[2] < 90 ? 1 : 0;
    EXPECT_GT(redFront, turning.width * turning.height / 3);
    const Testing::Image image = Frame(0.1f, "PageTurning2");
    // The old page: its red front, or the paper of its back where it has curled over.
    uint32_t oldPage = 0, blues = 0;
    for (uint32_t y = 0; y < image.height; ++y)
        for (uint32_t x = 0; x < image.width; ++x)
        {
            const Testing::Rgba pixel = image.At(x, y);
            const bool blue = pixel[2] > 120 && pixel[0] < 90;
            blues += blue ? 1 : 0;
            oldPage += !blue && pixel[0] > 120 ? 1 : 0;
        }
    const uint32_t all = image.width * image.height;
    EXPECT_GT(blues, all / 20) << "part of the window already shows the new screen";
    EXPECT_GT(oldPage, all / 20) << "part still shows the old page";
}

TEST_F(UiPixels, ADialsSecondsReadOverItsRingAtEveryFill)
{
    UiResources::Load(*device);
    Plain& screen = Screen::Open<Plain>(*gui, nullptr, Screen::EveryPlayer, Color{246, 242, 231, 255});
    Element& dial = AddTimerDial(screen.GetRoot(), true);
    Frame(0.0f, "DialFirst");
    // The dial: 80 points square, 30 from the right and the top; its seconds in the middle half.
    const uint32_t centreX = Width - 30 - 40, centreY = 30 + 40;
    const auto tint = [](const Testing::Rgba& p) { return p[2] > 120 && p[0] < 90; };
    const auto paper = [](const Testing::Rgba& p) { return p[0] > 200 && p[1] > 200 && p[2] > 190; };
    for (const auto& [elapsed, name] :
         {std::pair{0.0f, "DialFull"}, std::pair{4.5f, "DialHalf"}, std::pair{9.0f, "DialEmpty"}})
    {
        UpdateTimerDial(dial, elapsed, 9.0f);
        Frame(0.0f, name);
        const Testing::Image image = Frame(0.0f, name);
        uint32_t digit = 0, around = 0;
        for (uint32_t y = centreY - 20; y < centreY + 20; ++y)
            for (uint32_t x = centreX - 20; x < centreX + 20; ++x)
            {
                digit += tint(image.At(x, y)) ? 1 : 0;
                around += paper(image.At(x, y)) ? 1 : 0;
            }
        EXPECT_GT(digit, 30u) << name << ": the digit is drawn";
        EXPECT_GT(around, 400u) << name << ": and stands on the paper, not on the ring's fill";
    }
}

TEST_F(UiPixels, TheDemoMenuIsPaperWithTheHighlightedButtonInked)
{
    UiResources::Load(*device);
    ProfileCollection profiles;
    GameConfiguration configuration;
    FrontEnd frontEnd{profiles, configuration, {}, {}, {}};
    DemoMenu::Open(*gui, frontEnd, nullptr, 0);
    Frame(0.0f, "DemoMenuFirst");
    const Testing::Image image = Frame(0.0f, "DemoMenu");
    const Testing::Rgba paper = image.At(4, image.height / 2);
    // Ink: markedly darker than the paper.
    const auto ink = [&](uint32_t x, uint32_t y)
    {
        const Testing::Rgba pixel = image.At(x, y);
        return pixel[0] + pixel[1] + pixel[2] + 90 < paper[0] + paper[1] + paper[2];
    };
    uint32_t paperPixels = 0;
    for (uint32_t y = 0; y < image.height; ++y)
        for (uint32_t x = 0; x < image.width; ++x)
            paperPixels += ink(x, y) ? 0 : 1;
    EXPECT_GT(paperPixels, image.width * image.height * 3 / 4);
    // The two buttons' boxes: the row's upper part, a quarter in from either side.
    const auto inkIn = [&](uint32_t left, uint32_t right)
    {
        uint32_t count = 0;
        for (uint32_t y = image.height * 35 / 100; y < image.height * 65 / 100; ++y)
            for (uint32_t x = left; x < right; ++x)
                count += ink(x, y) ? 1 : 0;
        return count;
    };
    const uint32_t leftInk = inkIn(image.width * 20 / 100, image.width * 50 / 100);
    const uint32_t rightInk = inkIn(image.width * 50 / 100, image.width * 80 / 100);
    EXPECT_GT(leftInk, rightInk);
    EXPECT_GT(rightInk, 0u);
}

TEST_F(UiPixels, TheNotebooksPreviewSketchesTheCharacterBoneByBone)
{
    UiResources::Load(*device);
    DataRegistry registry(app.GetFileManager());
    registry.LoadAll();
    ASSERT_GT(registry.heads.Count(), 0u);
    ProfileCollection profiles;
    Profile& profile = profiles.Add("Ada");
    profile.name = "Ada";
    GameConfiguration configuration;
    configuration.players.emplace_back(&profile, 0);
    Loader::StreamingAtlasInfo atlas("PreviewAtlas", "Bones");
    FrontEnd frontEnd{profiles, configuration};
    frontEnd.registry = &registry;
    frontEnd.requestPreviewImage = [&](uint32_t cell, const std::string& path)
    { atlas.RequestTextureRegion(device, cell, path); };
    // A frame first: the atlases have been uploaded long before a notebook opens.
    Frame(0.0f, "NotebookBefore");
    Notebook& notebook = Notebook::Open(*gui, frontEnd, nullptr, 0, 0);
    Frame(0.0f, "NotebookFirst");
    ASSERT_NE(notebook.preview, nullptr);
    ASSERT_GT(notebook.preview->GetSprites().size(), 8u);
    // Streams every bone, one image at a time.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((atlas.IsBusy() || atlas.GetPendingCount() > 0) && std::chrono::steady_clock::now() < deadline)
    {
        atlas.ServeStreamingAtlas(device, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    atlas.ServeStreamingAtlas(device, true);
    ASSERT_FALSE(atlas.IsBusy());
    Frame(1.0f, "NotebookStreaming");
    const Testing::Image image = Frame(1.0f, "Notebook");

    // The preview panel's content box, less its black frame.
    const uint32_t left = Width * 675 / 1000 + 8, right = Width * 925 / 1000 - 8;
    const uint32_t top = Height * 15 / 100 + 8, bottom = Height * 75 / 100 - 8;
    const Testing::Rgba paper = image.At(left + 2, top + 2);
    const auto ink = [&](uint32_t x, uint32_t y)
    {
        const Testing::Rgba pixel = image.At(x, y);
        return pixel[0] + pixel[1] + pixel[2] + 120 < paper[0] + paper[1] + paper[2];
    };
    uint32_t minX = right, maxX = left, minY = bottom, maxY = top, inked = 0;
    std::vector<uint8_t> seen((right - left) * (bottom - top), 0);
    for (uint32_t y = top; y < bottom; ++y)
        for (uint32_t x = left; x < right; ++x)
            if (ink(x, y))
            {
                ++inked;
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    ASSERT_GT(inked, 50u) << "the character is drawn";
    EXPECT_GT(maxY - minY, maxX - minX) << "standing: taller than wide";
    // Bones at their own nodes make several separate pieces; a pile-up on one spot makes one.
    uint32_t pieces = 0;
    for (uint32_t y = top; y < bottom; ++y)
        for (uint32_t x = left; x < right; ++x)
        {
            if (!ink(x, y) || seen[(y - top) * (right - left) + (x - left)])
                continue;
            ++pieces;
            uint32_t size = 0;
            std::vector<std::pair<uint32_t, uint32_t>> stack{{x, y}};
            seen[(y - top) * (right - left) + (x - left)] = 1;
            while (!stack.empty())
            {
                auto [px, py] = stack.back();
                stack.pop_back();
                ++size;
                const int32_t steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
                for (const auto& step : steps)
                {
                    const int64_t nx = int64_t(px) + step[0], ny = int64_t(py) + step[1];
                    if (nx < left || nx >= right || ny < top || ny >= bottom)
                        continue;
                    uint8_t& mark = seen[(ny - top) * (right - left) + (nx - left)];
                    if (!mark && ink(uint32_t(nx), uint32_t(ny)))
                    {
                        mark = 1;
                        stack.emplace_back(uint32_t(nx), uint32_t(ny));
                    }
                }
            }
            if (size < 12)
                --pieces; // specks of the paper texture
        }
    EXPECT_GE(pieces, 3u);
}

TEST_F(UiPixels, TheScoreboardNamesTheWinnerInItsColourAndTintsTheBadgeRings)
{
    UiResources::Load(*device);
    MatchTesting::Match match;
    match.configuration.teamCount = 2;
    MatchScreenTesting::ScriptedRules rules(match, 1);
    rules.Ranking() = {{1, 7}, {0, 3}};
    match.SetGameType(&rules);
    ProfileCollection profiles;
    FrontEnd frontEnd{profiles, match.configuration, {}, {}, {}};
    frontEnd.game = &match;
    Scoreboard::Open(*gui, frontEnd);
    Frame(0.0f, "ScoreboardFirst");
    const Testing::Image image = Frame(0.0f, "Scoreboard");
    match.SetGameType(nullptr);

    const auto count = [&](uint32_t left, uint32_t right, uint32_t top, uint32_t bottom, auto test)
    { return CountPixels(image, left, right, top, bottom, test); };
    const auto blue = [](const Testing::Rgba& p) { return p[2] > 120 && p[2] > p[0] + 80; };
    const auto red = [](const Testing::Rgba& p) { return p[0] > 120 && p[0] > p[2] + 80 && p[1] < 80; };
    // The ink: a dark grey whose channels stay together.
    const auto ink = [](const Testing::Rgba& p)
    { return p[0] > 40 && p[0] < 110 && std::abs(int(p[0]) - int(p[2])) < 16 && std::abs(int(p[1]) - int(p[2])) < 16; };

    // The title band: 25 % to 31 % from the top; "BLUE" left of the middle in blue, "WINS!" right in ink.
    const uint32_t titleTop = Height * 25 / 100, titleBottom = Height * 31 / 100;
    EXPECT_GT(count(0, Width / 2, titleTop, titleBottom, blue), 20u) << "BLUE in blue";
    EXPECT_GT(count(Width / 2, Width, titleTop, titleBottom, ink), 20u) << "WINS! in ink";
    EXPECT_EQ(count(Width / 2, Width, titleTop, titleBottom, blue), 0u);

    // The badges by team number about the middle: red's 105 points left of it, blue's 25 points right.
    const uint32_t badgeTop = Height * 35 / 100, badgeBottom = badgeTop + 80;
    const uint32_t middle = Width / 2;
    EXPECT_GT(count(middle - 105, middle - 25, badgeTop, badgeBottom, red), 50u) << "team 0's ring in red";
    EXPECT_EQ(count(middle - 105, middle - 25, badgeTop, badgeBottom, blue), 0u);
    EXPECT_GT(count(middle + 25, middle + 105, badgeTop, badgeBottom, blue), 50u) << "team 1's ring in blue";
    EXPECT_EQ(count(middle + 25, middle + 105, badgeTop, badgeBottom, red), 0u);
}

// A custom game's lobby before its countdown, in the smallest window: the longest game type and map of the
// shipped data keep clear of the square where the countdown's dial comes, not written under it.
TEST_F(UiPixels, TheLobbysLinesKeepClearOfTheCountdownDial)
{
    UiResources::Load(*device);
    MatchTesting::Match match;
    match.UseMode("CaptureTheFlag");
    match.configuration.map = match.ownRegistry.maps.FindIndex("Crossroads");
    match.configuration.name = "Custom Game";
    match.configuration.origin = GameOrigin::CustomGame;
    ProfileCollection profiles;
    FrontEnd frontEnd{profiles, match.configuration, {}, {}, {}};
    frontEnd.game = &match;
    GameLobby::Open(*gui, frontEnd, nullptr, Screen::EveryPlayer);
    Frame(0.0f, "LobbyFirst");
    const Testing::Image image = Frame(0.0f, "Lobby");

    const auto ink = [](const Testing::Rgba& p)
    { return p[0] < 110 && std::abs(int(p[0]) - int(p[2])) < 16 && std::abs(int(p[1]) - int(p[2])) < 16; };
    const auto count = [&](uint32_t left, uint32_t right, uint32_t top, uint32_t bottom)
    { return CountPixels(image, left, right, top, bottom, ink); };
    const auto dialLeft = static_cast<uint32_t>(Width - TimerDialMargin) - TimerDialSize;
    const auto dialTop = static_cast<uint32_t>(TimerDialMargin);
    // "CAPTURE THE FLAG ON CROSSROADS", 15 % to 21 % from the top.
    EXPECT_GT(count(Width / 4, Width * 3 / 4, Height * 15 / 100, Height * 21 / 100), 200u) << "the line is written";
    EXPECT_EQ(count(dialLeft, dialLeft + TimerDialSize, dialTop, dialTop + TimerDialSize), 0u);
}

// Two team-mates of this machine, each with three abilities, a grenade launcher and a stowed sniper rifle,
// over a screen of one colour or of tiles: the busiest heads-up display, its lines in every colour of a team.
class HudPixels : public UiPixels
{
protected:
    ~HudPixels() override
    {
        match.SetGameType(nullptr);
        for (Player& player : match.world->players)
            player.weapon.reset(), player.stowedWeapon.reset();
    }
    void SetUp() override
    {
        UiPixels::SetUp();
        UiResources::Load(*device);
        DataRegistry& registry = match.ownRegistry;
        for (uint8_t id = 0; id < 2; ++id)
        {
            PlayerSlot& slot = match.AddLocal(id, 0, id);
            std::tie(slot.loadout.head, slot.loadout.core, slot.loadout.legs) =
                std::tuple(registry.heads.FindIndex("HelicopterHat"), registry.cores.FindIndex("Jetpack"),
                           registry.legs.FindIndex("SpaceBoots"));
        }
        match.Load("Hilltop");
        match.SetGameType(&rules);
        frontEnd.game = &match;
        WeaponData& launcher = registry.weapons.At(registry.weapons.FindIndex("GrenadeLauncher"));
        WeaponData& sniper = registry.weapons.At(registry.weapons.FindIndex("SniperRifle"));
        for (Player& player : match.world->players)
        {
            player.weapon = launcher.Create();
            player.weapon->data = &launcher;
            player.stowedWeapon = sniper.Create();
            player.stowedWeapon->data = &sniper;
            player.weaponState = WeaponState::Aiming;
        }
        rules.Ranking() = {{0, 3}, {1, 1}};
        for (uint32_t screen = 0; screen < 2; ++screen)
        {
            rules.Status(screen).text = "PICKED UP 90 GRENADE LAUNCHER AMMO";
            rules.Status(screen).ticks = 100;
            rules.Events(screen).assign(1, {});
            rules.Events(screen)[0].text = "#0173B9FFBLUE #414042FFTEAM HAS THE #BE141BFFRED #414042FFTEAM'S FLAG";
        }
        for (const char* text : {"#0173B9FFBOT 2 #414042FFKILLED #BE141BFFPLAYER 1",
                                 "#73C786FFBOT 3 #414042FFKILLED #FFF464FFBOT 4", "#E8E7E6FFBOT 5 #414042FFDIED"})
            rules.Feed().push_back({}), rules.Feed().back().text = text, rules.Feed().back().ticks = 100;
    }

    // A frame read into the image where, after the screens' own updates, only the parts of their roots that
    // shown names are drawn (all without it; a part once hidden stays so until the screens open again).
    void Draw(Testing::Image& image, const std::function<bool(uint32_t screen, uint32_t part)>& shown = {})
    {
        gui->Update(0);
        gui->LateUpdate(0);
        for (uint32_t screen = 0; screen < screens.size() && shown; ++screen)
            for (uint32_t part = 0; part < screens[screen]->GetRoot().GetChildren().size(); ++part)
                screens[screen]->GetRoot().GetChildren()[part]->visible = shown(screen, part) ? 1 : 0;
        gui->Render(0);
        device->Render();
        EXPECT_TRUE(device->ReadPixels(nullptr, image.rgba, image.width, image.height));
    }

    // The fill of every text of the first screen and of the rules' lines, seen or see-through.
    void ShowTextFills(bool shown)
    {
        const std::function<void(Element&)> visit = [&](Element& element)
        {
            if (auto* text = dynamic_cast<TextContent*>(element.content.get()))
                text->fillColor.a = shown ? 255 : 0;
            for (const auto& child : element.GetChildren())
                visit(*child);
        };
        visit(screens[0]->GetRoot());
        for (std::vector<GameTypeEvent>* lines : {&rules.Feed(), &rules.Events(0)})
            for (GameTypeEvent& line : *lines)
                for (size_t at = line.text.find('#'); at != std::string::npos; at = line.text.find('#', at + 1))
                    line.text.replace(at + 7, 2, shown ? "FF" : "00");
    }

    MatchTesting::Match match;
    MatchScreenTesting::ScriptedRules rules{match, 1};
    ProfileCollection profiles;
    FrontEnd frontEnd{profiles, match.configuration, {}, {}, {}};
    std::vector<GameScreen*> screens;
};

// The parts of a game screen's root as it builds them, the interaction prompt left out (it stands over its
// target in the world).
constexpr std::string_view HudParts[] = {"health",           "abilities", "name",   "ammunition", "primary circle",
                                         "secondary circle", "scores",    "status", "event",      "feed"};

// The display over each shipped theme's skies and platform tiles at each size, in one view and split: the first
// view's glyphs read against what lies at and around them with their fills see-through (their outlines and
// backings kept), at least 3 : 1 in WCAG's terms; and, over the first of them, each part drawn alone keeps
// inside its view and apart from the others.
TEST_F(HudPixels, ItsPartsKeepApartAndItsTextReadsOverEveryThemeAtEverySize)
{
    const auto luminance = [](const Testing::Rgba& p) { return TextContent::Luminance(Color{p[0], p[1], p[2], 255}); };
    // The text's own colours: the ink, the weapon's yellow and the five teams'.
    const uint32_t fills[] = {InkColor, 0xFF64F4FF, 0xFF1B14BE, 0xFFB97301, 0xFF73C786, 0xFFE8E7E6};
    const auto fillOf = [&](const Testing::Rgba& p)
    {
        for (int i = 0; i < int(std::size(fills)); ++i)
            if (std::abs(p[0] - int(fills[i] & 255)) <= 4 && std::abs(p[1] - int(fills[i] >> 8 & 255)) <= 4 &&
                std::abs(p[2] - int(fills[i] >> 16 & 255)) <= 4)
                return i;
        return -1;
    };
    // A sky's colours, or white under a platform image's tiles.
    std::vector<std::tuple<std::string, Color, uint32_t>> unders;
    for (const auto& theme : match.ownRegistry.themes.GetItems())
    {
        for (const ThemeBackground& sky : theme->backgrounds)
            if (sky.texture == InvalidId)
                unders.insert(unders.end(), {{theme->name + " sky top", sky.topColor, InvalidId},
                                             {theme->name + " sky bottom", sky.bottomColor, InvalidId}});
        for (const std::string image : {"SolidBackground", "TopMiddle", "OneWayBackground", "ConveyerMiddle"})
        {
            const uint32_t tiles = NameTableC().Add("HudPixels" + theme->name + image);
            Texture* texture = device->CreateTexture(tiles, static_cast<uint32_t>(ResourceUsage::UploadOnce));
            texture->Load("Assets/Themes/" + theme->name + "/" + image + ".png");
            ASSERT_GT(texture->width, 0u) << image;
            texture->FinishChanges();
            unders.emplace_back(theme->name + " " + image, Color::White, tiles);
        }
    }
    Testing::Image with, without, bare, alone;
    for (const auto& [width, height, views] :
         {std::tuple{640, 360, 1u}, {640, 360, 2u}, {960, 540, 1u}, {960, 540, 2u}, {1280, 720, 1u}, {1280, 720, 2u}})
        for (bool boxed = false; const auto& [under, color, tiles] : unders)
        {
            const std::string tag =
                under + " " + std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(views);
            device->SetSize(float(width), float(height), 1.0f);
            Screen::CloseAll(*gui);
            Screen::Open<Plain>(*gui, nullptr, Screen::EveryPlayer, color, tiles);
            screens.clear();
            for (uint32_t position = 0; position < views; ++position)
                screens.push_back(&GameScreen::Open(*gui, frontEnd, position, views, position));
            Draw(with);
            ShowTextFills(false);
            Draw(without);
            ShowTextFills(true);
            std::array<std::vector<double>, std::size(fills)> contrasts;
            for (uint32_t y = 2; y + 2 < with.height; ++y)
                for (uint32_t x = 2; x + 2 < with.width; ++x)
                {
                    // A glyph's body, not a smoothed edge that passes for one of the colours: most pixels about
                    // it are of its colour and changed by the glyphs too.
                    const int fill = fillOf(with.At(x, y));
                    uint32_t alike = 0;
                    for (int d = 0; d < 9 && fill >= 0; ++d)
                    {
                        const uint32_t nx = x + d % 3 - 1, ny = y + d / 3 - 1;
                        alike += fillOf(with.At(nx, ny)) == fill && with.At(nx, ny) != without.At(nx, ny) ? 1 : 0;
                    }
                    if (alike < 4 || with.At(x, y) == without.At(x, y))
                        continue;
                    double around = 0.0;
                    for (const auto& [dx, dy] : {std::pair{0, 0}, {-2, 0}, {2, 0}, {0, -2}, {0, 2}})
                        around += luminance(without.At(x + dx, y + dy)) / 5.0;
                    const double text = luminance(with.At(x, y));
                    contrasts[fill].push_back((std::max(text, around) + 0.05) / (std::min(text, around) + 0.05));
                }
            uint32_t colours = 0;
            for (std::vector<double>& colour : contrasts)
                if (!colour.empty())
                {
                    // Nine in ten of a colour's pixels; the rest are where its glyphs' strokes cross.
                    ++colours;
                    std::nth_element(colour.begin(), colour.begin() + colour.size() / 10, colour.end());
                    EXPECT_GE(colour[colour.size() / 10], 3.0) << tag << ": text of colour " << &colour - &contrasts[0];
                }
            // Split, the smaller glyphs leave fewer bodies thick enough to measure.
            EXPECT_GE(colours, views == 1 ? 5u : 3u) << tag << ": the ink, the weapon's yellow and the teams' colours";
            if (std::exchange(boxed, true))
                continue;
            // What lies under does not move the parts: their boxes are measured once a size.
            Draw(bare, [](uint32_t, uint32_t) { return false; });
            for (uint32_t screen = 0; screen < views; ++screen)
            {
                const Rectangle area = gui->ResolvePlacement(screens[screen]->placement);
                std::vector<std::pair<std::string_view, std::array<int, 4>>> boxes;
                for (uint32_t p = 0; p < std::size(HudParts); ++p)
                {
                    Draw(alone, [&](uint32_t s, uint32_t q) { return s == screen && q == p; });
                    std::array<int, 4> box{width, height, 0, 0};
                    for (int y = 0; y < height; ++y)
                        for (int x = 0; x < width; ++x)
                            if (alone.At(x, y) != bare.At(x, y))
                                box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x + 1),
                                       std::max(box[3], y + 1)};
                    const std::string what = tag + ", view " + std::to_string(screen) + ": the " + HudParts[p].data();
                    ASSERT_LT(box[0], box[2]) << what << " is drawn";
                    EXPECT_TRUE(box[0] >= area.x && box[1] >= area.y && box[2] <= area.x + area.width &&
                                box[3] <= area.y + area.height)
                        << what << " stays inside its view";
                    for (const auto& [other, by] : boxes)
                        EXPECT_FALSE(box[0] < by[2] && by[0] < box[2] && box[1] < by[3] && by[1] < box[3])
                            << what << " meets the " << other;
                    boxes.emplace_back(HudParts[p], box);
                }
            }
        }
}

} // namespace
