#include "Source/Tools/Bake/FontRecipe.h"
#include "Source/Tools/Bake/Recipe.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/ImageFormats.h"
#include "Engine/Foundation/LtdFormat.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/SdfFormat.h"
#include "Engine/Runtime/Audio/Wav.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Tests/LogCapture.h"
#include "Tests/TestFolder.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

using namespace Lumvek;
using namespace Lumvek::Testing;

namespace
{

const std::string CommittedAssets = Lumvek::Testing::SourceFolder() + "/Assets";

// Every file under the folder by its relative path, with its bytes.
std::map<std::string, std::string> FilesUnder(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[std::filesystem::relative(entry.path(), folder)] = File::ReadAllText(entry.path().string()).second;
    return files;
}

} // namespace

TEST(BakeAssets, BakingTwiceGivesTheCommittedFilesByteForByte)
{
    TestFolder first, second;
    LogCapture log;
    // Each bake also makes what the committed list of requested files asks for.
    const std::string requested = File::ReadAllText(CommittedAssets + "/Bake/Requested.txt").second;
    ASSERT_FALSE(requested.empty());
    for (const TestFolder* folder : {&first, &second})
        File::WriteAllText(folder->Root() + "/Bake/Requested.txt", requested);
    ASSERT_TRUE(BakeAll(first.Root()) && BakeAll(second.Root()));
    EXPECT_TRUE(log.messages.empty()) << log.messages.front();
    const auto baked = FilesUnder(first.Root());
    for (const char* path :
         {"Ui/Fonts/HeadingFont.sdf", "Ui/Fonts/ScriptFont.sdf", "Licenses/fonts-cabinsketch.txt",
          "Licenses/fonts-comic-neue.txt", "Ui/Textures/MakerLogo.png", "Ui/Textures/CanvasBackground.png",
          "Ui/Textures/TallLogo.png", "Ui/Textures/WideLogo.png", "Ui/Textures/Ui.ltd", "Ui/Textures/Preview.ltd"})
        EXPECT_TRUE(baked.count(path)) << path;
    std::istringstream lines(requested);
    for (std::string line; std::getline(lines, line);)
        EXPECT_TRUE(baked.count(line.substr(std::string("Assets/").size()))) << line;
    EXPECT_TRUE(baked == FilesUnder(second.Root()));
    for (const auto& [path, bytes] : baked)
    {
        EXPECT_TRUE(File::ReadAllText(CommittedAssets + "/" + path).second == bytes)
            << path << " differs from the committed file: run scripts/bake-assets";
        const std::string extension = std::filesystem::path(path).extension();
        Texture texture;
        Sound sound;
        BufferReader reader(bytes.data(), uint32_t(bytes.size()), extension == ".png" ? ReversedOrder : MemoryOrder);
        if (extension == ".png")
        {
            EXPECT_TRUE(PngFormat::ReadPng(reader, texture) && texture.width > 0) << path;
        }
        else if (extension == ".wav")
        {
            EXPECT_TRUE(WavFormat().Read(reader, sound)) << path;
        }
    }
    // A picture of everything, for a person to look over.
    EXPECT_TRUE(WriteContactSheet(first.Root(), Lumvek::Testing::BinaryFolder() + "/ContactSheet.png"));
    EXPECT_TRUE(log.messages.empty());
}

TEST(BakeAssets, TextureDescriptionsBuildEveryRegionTheFrontEndNames)
{
    const std::string source = Lumvek::Testing::SourceFolder();
    FileManager files(source, source, source, source);
    files.RegisterFormats();
    Lumvek::RegisterRuntimeFormats(files);
    ResourceTable table(&files);
    LogCapture log;
    Texture* ui = table.CreateTexture(table.Count());
    ui->Load("Assets/Ui/Textures/Ui.ltd");
    Texture* preview = table.CreateTexture(table.Count());
    preview->Load("Assets/Ui/Textures/Preview.ltd");
    EXPECT_TRUE(log.messages.empty()) << log.messages.front();

    std::vector<std::string> names = {"SmallLogo",
                                      "CircleSketch",
                                      "CircleSelection",
                                      "CircleDraw",
                                      "CircleBackground",
                                      "PendingIcon",
                                      "PendingSketch",
                                      "SelectLeft",
                                      "SelectRight",
                                      "StartButton",
                                      "BackButton",
                                      "AButton",
                                      "BButton",
                                      "XButton",
                                      "YButton",
                                      "LeftTrigger",
                                      "LeftBumper",
                                      "RightTrigger",
                                      "RightBumper",
                                      "LeftStick",
                                      "RightStick",
                                      "Left",
                                      "Right",
                                      "Up",
                                      "Down",
                                      "Star",
                                      "Ink",
                                      "PartLeft",
                                      "PartRight",
                                      "PartUp",
                                      "PartDown",
                                      "Indicator",
                                      "Death"};
    for (const char* icon : {"Notebook", "Play",     "Store",   "Matchmaking",  "Challenges",  "CustomGame", "Loadout",
                             "Quit",     "Controls", "Leader",  "SinglePlayer", "Multiplayer", "GameType",   "Map",
                             "Theme",    "Teams",    "Weapons", "Attributes",   "Custom",      "None",       "Random"})
        for (const char* suffix : {"Icon", "IconSketch"})
            names.push_back(std::string(icon) + suffix);
    for (const std::string& name : names)
    {
        const TextureRegion* region = ui->GetRegion(NameTableA().Add(name));
        EXPECT_TRUE(region && region->width > 0) << name;
    }
    for (const char* name : {"Outline", "SketchOutline", "VerticalDivider"})
        EXPECT_NE(ui->FindRegion<TextureNineSliceRegion>(NameTableA().Add(std::string(name))), nullptr) << name;
    const auto* icons = ui->FindRegion<TextureStreamRegion>(NameTableA().Add("Icons"));
    const auto* bones = preview->FindRegion<TextureStreamRegion>(NameTableA().Add("Bones"));
    ASSERT_TRUE(icons && bones);
    EXPECT_GE(icons->columns * icons->rows, 100u);
    EXPECT_GE(bones->columns * bones->rows, 100u);
}

TEST(BakeAssets, CommittedFontsLoadWithEveryPrintableCharacter)
{
    for (const char* name : {"HeadingFont", "ScriptFont"})
    {
        SCOPED_TRACE(name);
        Texture texture;
        LogCapture log;
        SdfFormat().Load("", File::ReadAllText(CommittedAssets + "/Ui/Fonts/" + name + ".sdf").second, texture);
        EXPECT_TRUE(log.messages.empty());
        const auto* font = texture.FindRegion<TextureFontRegion>(InvalidId);
        ASSERT_NE(font, nullptr);
        // One font unit spans the line from descent to ascent, the size text is drawn at.
        EXPECT_NEAR(font->ascent - font->descent, 1.0f, 1e-5f);
        EXPECT_EQ(font->spaceAdvance, font->glyphs[' '].advance);
        const auto distance = [&](const FontGlyph& glyph, float u, float v)
        {
            const auto x = uint32_t((glyph.uv.x + u * glyph.uv.width) * float(texture.width));
            const auto y = uint32_t((glyph.uv.y + v * glyph.uv.height) * float(texture.height));
            return texture.pixels.Data()[(size_t(y) * texture.width + x) * 4 + 3];
        };
        bool kerned = false;
        for (uint32_t code = 0; code < TextureFontRegion::GlyphCount; ++code)
        {
            const FontGlyph& glyph = font->glyphs[code];
            const bool printable = code >= 32 && code <= 126;
            EXPECT_EQ(glyph.advance > 0.0f, printable) << code;
            if (!printable || code == ' ')
                continue;
            EXPECT_TRUE(glyph.width > 0.0f && glyph.height > 0.0f && glyph.uv.x >= 0.0f && glyph.uv.y >= 0.0f &&
                        glyph.uv.x + glyph.uv.width <= 1.0f && glyph.uv.y + glyph.uv.height <= 1.0f)
                << code;
            // The field is padded: the image's corners lie outside every outline.
            EXPECT_LT(std::max({distance(glyph, 0, 0), distance(glyph, 0.99f, 0), distance(glyph, 0, 0.99f),
                                distance(glyph, 0.99f, 0.99f)}),
                      128)
                << code;
            for (char next = 32; next <= 126; ++next)
                kerned = kerned || font->GetKerning(char(code), next) != 0.0f;
        }
        EXPECT_TRUE(kerned);
        // An 'l' is a stem on the baseline: its centre is inside the outline, its top well up the line.
        const FontGlyph& l = font->glyphs['l'];
        EXPECT_GT(distance(l, 0.5f, 0.5f), 128);
        EXPECT_TRUE(l.offsetY < 0.0f && l.offsetY + l.height > 0.5f * font->ascent);
    }
}

TEST(BakeAssets, FontsThatCannotBeReadOrPlacedAreRefused)
{
    const std::string font = File::ReadAllText("/usr/share/fonts/opentype/comic-neue/ComicNeue-Regular.otf").second;
    SdfFontSettings narrow;
    narrow.atlasWidth = 40;
    const std::tuple<std::string, SdfFontSettings, const char*> cases[] = {
        {"", {}, "the font file holds no font"},
        {font.substr(0, 200), {}, "the font file holds no font"},
        {font, narrow, "the glyphs do not fit an atlas 40 pixels wide"},
    };
    for (const auto& [bytes, settings, message] : cases)
    {
        LogCapture log;
        Buffer sdf;
        EXPECT_FALSE(BakeSdfFont(bytes, settings, sdf));
        EXPECT_TRUE(log.Logged(message)) << message;
        EXPECT_EQ(sdf.Size(), 0u);
    }

    TestFolder folder;
    LogCapture log;
    EXPECT_FALSE(
        FontRecipe("Ui/Fonts/Missing.sdf", "/usr/share/fonts/NoSuchFont.ttf", "fonts-cabinsketch").Bake(folder.Root()));
    EXPECT_TRUE(log.Logged("cannot read /usr/share/fonts/NoSuchFont.ttf: is the package fonts-cabinsketch installed?"));
    EXPECT_TRUE(FilesUnder(folder.Root()).empty());
}

TEST(BakeAssets, RequestsNoRecipeMakesAreReportedAndTheRestKept)
{
    LogCapture log;
    std::vector<std::unique_ptr<Recipe>> recipes;
    EXPECT_FALSE(AddRequestedRecipes("Assets/Items/RedFlag/Image.png\r\n\nAssets/Notes/Readme.txt\n"
                                     "Outside/Image.png\nAssets/../Escape.png\nAssets/Weapons/Rifle/Fire.wav\n",
                                     recipes));
    ASSERT_EQ(recipes.size(), 2u);
    EXPECT_EQ(recipes[0]->Name(), "Items/RedFlag/Image.png");
    EXPECT_EQ(recipes[1]->Name(), "Weapons/Rifle/Fire.wav");
    EXPECT_EQ(log.messages,
              (std::vector<std::string>{"no recipe makes Assets/Notes/Readme.txt", "no recipe makes Outside/Image.png",
                                        "no recipe makes Assets/../Escape.png"}));
}

namespace
{

// Where a drawing's ink lies: the share of ink pixels in each cell of a 16 x 16 grid laid over it. A
// drawing recoloured or redrawn with another wobble keeps its ink where it was; another drawing
// moves it.
std::vector<float> InkLayout(const std::string& png)
{
    constexpr uint32_t Cells = 16;
    Texture texture;
    BufferReader reader(png.data(), uint32_t(png.size()), ReversedOrder);
    std::vector<float> cells(Cells * Cells, 0.0f);
    if (!PngFormat::ReadPng(reader, texture) || texture.width < Cells || texture.height < Cells)
        return cells;
    for (uint32_t y = 0; y < texture.height; ++y)
        for (uint32_t x = 0; x < texture.width; ++x)
        {
            const uint8_t* p = texture.pixels.Data() + size_t(y) * texture.RowPitch() + size_t(x) * 4;
            if (p[3] > 128 && std::max({p[0], p[1], p[2]}) < 0x60)
                cells[(y * Cells / texture.height) * Cells + x * Cells / texture.width] += 1.0f;
        }
    const float perCell = float(texture.width * texture.height) / float(Cells * Cells);
    for (float& cell : cells)
        cell /= perCell;
    return cells;
}

float InkDistance(const std::vector<float>& a, const std::vector<float>& b)
{
    float sum = 0.0f;
    for (size_t i = 0; i < a.size(); ++i)
        sum += std::fabs(a[i] - b[i]);
    return sum / float(a.size());
}

} // namespace

TEST(BakeAssets, EverySoundAndDrawingOfTheFolderIsItsOwn)
{
    // No two sounds or images are the same bytes: each names a different thing.
    std::map<std::string, std::string> pathOf;
    for (const auto& [path, bytes] : FilesUnder(CommittedAssets))
    {
        const std::string extension = std::filesystem::path(path).extension();
        if (extension != ".wav" && extension != ".png")
            continue;
        const auto [first, added] = pathOf.emplace(bytes, path);
        EXPECT_TRUE(added) << path << " is the same as " << first->second;
    }

    // Drawings that only differ in colour or wobble are told apart by where their ink lies: redrawn
    // ones measure about 0.02 to 0.05 apart, different drawings 0.13 and more. The helicopter hat's
    // skull is the bare head under the hat, which is a bone of its own.
    const std::vector<std::vector<std::string>> families = {
        {"Parts/Heads/BasicHead/IconImage.png", "Parts/Heads/Helmet/IconImage.png",
         "Parts/Heads/OxygenMask/IconImage.png", "Parts/Heads/HelicopterHat/IconImage.png"},
        {"Parts/Heads/BasicHead/IconSketch.png", "Parts/Heads/Helmet/IconSketch.png",
         "Parts/Heads/OxygenMask/IconSketch.png", "Parts/Heads/HelicopterHat/IconSketch.png"},
        {"Parts/Heads/BasicHead/SkullImage.png", "Parts/Heads/Helmet/SkullImage.png",
         "Parts/Heads/OxygenMask/SkullImage.png"},
        {"Parts/Heads/BasicHead/SkullDraw.png", "Parts/Heads/Helmet/SkullDraw.png",
         "Parts/Heads/OxygenMask/SkullDraw.png"},
        {"Maps/Hilltop/IconImage.png", "Maps/Crossroads/IconImage.png"},
        {"Maps/Hilltop/IconSketch.png", "Maps/Crossroads/IconSketch.png"},
    };
    for (const auto& family : families)
    {
        std::vector<std::vector<float>> layouts;
        for (const std::string& path : family)
            layouts.push_back(InkLayout(File::ReadAllText(CommittedAssets + "/" + path).second));
        for (size_t a = 0; a < family.size(); ++a)
            for (size_t b = a + 1; b < family.size(); ++b)
                EXPECT_GT(InkDistance(layouts[a], layouts[b]), 0.09f) << family[a] << " looks like " << family[b];
    }
}
