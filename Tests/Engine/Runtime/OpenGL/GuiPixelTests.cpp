#include "Engine/Foundation/File.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/SdfFormat.h"
#include "Engine/Foundation/TypeRegistry.h"
#include "Engine/Runtime/ImageContent.h"
#include "Engine/Runtime/TextContent.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"
#include "Tests/Engine/Runtime/OpenGL/OpenGLTestSupport.h"
#include "Tests/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace Lumvek
{
namespace
{

using namespace GuiTesting;
using Testing::Image;
using Testing::LogCapture;
using Testing::Rgba;

constexpr Color Ink{0x41, 0x40, 0x42, 255};
constexpr Color Paper{0xF6, 0xF2, 0xE6, 255};
const std::string Assets = std::string(LUMVEK_SOURCE_DIR) + "/Assets";

// An application that never runs its thread, drawing its Gui with the OpenGL device.
class PixelApplication : public Application
{
public:
    PixelApplication()
        : Application("GuiPixelTests", "Linux", "en-US", ApplicationConfig(), Arguments(), LUMVEK_SOURCE_DIR,
                      "/tmp/GuiPixelTests/Data", "/tmp/GuiPixelTests/Documents", "/tmp/GuiPixelTests/Temporary")
    {
    }

    void Install(std::unique_ptr<GraphicsDevice> device) { graphicsDevice = std::move(device); }
    void Quit() override {}

protected:
    void FrameLoop() override {}
};

// A Gui drawn by the OpenGL device on a hidden 800 x 450 window of SDL's offscreen driver, with the
// Gui materials compiled from the Assets folder and the two fonts loaded from it.
class GuiPixelTest : public ::testing::Test
{
protected:
    static constexpr uint32_t Width = 800;
    static constexpr uint32_t Height = 450;

    void SetUp() override
    {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        OpenGL::OpenGLGraphicsDevice::PrepareWindowAttributes();
        window = SDL_CreateWindow("GuiPixelTests", 0, 0, Width, Height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        app = std::make_unique<PixelApplication>();
        auto made = std::make_unique<OpenGL::OpenGLGraphicsDevice>(&app->GetResources(), 1.0f, 1);
        device = made.get();
        std::thread([&] { device->SetWindow(window, Width, Height, 1.0f); }).join();
        ASSERT_TRUE(device->MakeReady());
        app->Install(std::move(made));
        gui = static_cast<Gui*>(app->AddSystem(std::make_unique<Gui>()));
        gui->Setup();

        const VertexElement position{"Position", VertexElementFormat::Float2, VertexSemantic::Position, 0};
        const VertexElement coordinate{"TextureCoordinate", VertexElementFormat::Float2,
                                       VertexSemantic::TextureCoordinate, 0};
        gui->colorMaterial =
            LoadMaterial("Color.hlsl", {position, {"Color", VertexElementFormat::Color, VertexSemantic::Color, 0}});
        gui->imageMaterial =
            LoadMaterial("ColoredImage.hlsl",
                         {position, coordinate, {"Color", VertexElementFormat::Color, VertexSemantic::Color, 0}});
        gui->textMaterial =
            LoadMaterial("TextElement.hlsl",
                         {position,
                          coordinate,
                          {"FillColor", VertexElementFormat::Color, VertexSemantic::Color, 0},
                          {"StrokeColor", VertexElementFormat::Color, VertexSemantic::Color, 1},
                          {"InnerStrokeRadius", VertexElementFormat::Float, VertexSemantic::TextureCoordinate, 1},
                          {"OuterStrokeRadius", VertexElementFormat::Float, VertexSemantic::TextureCoordinate, 2}});
        headingFont = LoadFont("HeadingFont");
        scriptFont = LoadFont("ScriptFont");
    }

    void TearDown() override
    {
        app.reset();
        if (window)
            SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    uint32_t LoadMaterial(const std::string& file, std::vector<VertexElement> elements)
    {
        const uint32_t slot = NameTableC().Add("GuiPixelTests." + file);
        Material* material = device->CreateMaterial(slot);
        EXPECT_NE(material, nullptr);
        const std::string path = Assets + "/Ui/Materials/" + file;
        const auto [read, text] = File::ReadAllText(path);
        EXPECT_TRUE(read) << path;
        HlslFormat(nullptr, TypeIndex<Material>(), "hlsl").Load(path, text, *material);
        material->vertexElements = std::move(elements);
        material->SetBlend({BlendFactor::SourceAlpha, BlendFactor::InverseSourceAlpha, BlendOperation::Add},
                           {BlendFactor::One, BlendFactor::InverseSourceAlpha, BlendOperation::Add});
        material->SetSampler({SamplerFilter::Linear, SamplerAddress::Clamp, SamplerAddress::Clamp});
        material->FinishChanges();
        return slot;
    }

    uint32_t LoadFont(const std::string& name)
    {
        const uint32_t slot = NameTableC().Add("GuiPixelTests." + name);
        Texture* texture = device->CreateTexture(slot, 0);
        const auto [read, bytes] = File::ReadAllText(Assets + "/Ui/Fonts/" + name + ".sdf");
        EXPECT_TRUE(read) << name;
        SdfFormat().Load("", bytes, *texture);
        texture->FinishChanges();
        return slot;
    }

    // A texture whose pixels the callable gives, with a whole-image region.
    template <class Pixel> Texture* MakeTexture(const std::string& name, uint32_t width, uint32_t height, Pixel pixel)
    {
        const uint32_t slot = NameTableC().Add("GuiPixelTests." + name);
        Texture* texture = device->CreateTexture(slot, 0);
        texture->SetSize(width, height, TextureFormat::ColorBuffer4x8);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
            {
                const Color color = pixel(x, y);
                std::memcpy(texture->pixels.Data() + (size_t(y) * width + x) * 4, &color, 4);
            }
        texture->AddRegion(InvalidId, 0, 0)->SetSize(width, height);
        return texture;
    }

    const TextureFontRegion& FontOf(uint32_t font) const
    {
        return *device->GetTexture(font)->FindRegion<TextureFontRegion>(InvalidId);
    }

    // Draws the Gui once over a paper-coloured back buffer and reads it back, keeping a copy under
    // the build folder.
    Image Draw(const std::string& name)
    {
        device->commands.push_back(GraphicsCommand::Clear(Paper.r / 255.0f, Paper.g / 255.0f, Paper.b / 255.0f, 1));
        gui->Update(0);
        gui->LateUpdate(0);
        gui->Render(0);
        device->Render();
        Image image;
        EXPECT_TRUE(device->ReadPixels(nullptr, image.rgba, image.width, image.height));
        const std::filesystem::path folder = std::filesystem::path(LUMVEK_BINARY_DIR) / "GuiPixelTests";
        std::filesystem::create_directories(folder);
        png_image png{};
        png.version = PNG_IMAGE_VERSION;
        png.width = image.width;
        png.height = image.height;
        png.format = PNG_FORMAT_RGBA;
        const std::string path = (folder / (name + ".png")).string();
        EXPECT_NE(png_image_write_to_file(&png, path.c_str(), 0, image.rgba.data(), 0, nullptr), 0) << path;
        return image;
    }

    // Outlives the application, whose menus write to it as they are destroyed.
    Calls calls;
    SDL_Window* window = nullptr;
    std::unique_ptr<PixelApplication> app;
    OpenGL::OpenGLGraphicsDevice* device = nullptr;
    Gui* gui = nullptr;
    uint32_t headingFont = InvalidId;
    uint32_t scriptFont = InvalidId;
};

// How dark a pixel is between the paper (0) and the ink (1).
float Darkness(const Rgba& pixel)
{
    const auto luminance = [](float r, float g, float b) { return 0.299f * r + 0.587f * g + 0.114f * b; };
    const float paper = luminance(Paper.r, Paper.g, Paper.b), ink = luminance(Ink.r, Ink.g, Ink.b);
    return (paper - luminance(pixel[0], pixel[1], pixel[2])) / (paper - ink);
}

std::unique_ptr<TextContent> Text(std::unique_ptr<TextContent> content, uint32_t font, const std::string& text,
                                  float size, ContentAlignment alignment = ContentAlignment::Start)
{
    content->text = text;
    content->font = font;
    content->size = {TextContent::Pixels, size};
    content->fillColor = Ink;
    content->colorCodes = 1;
    content->horizontalAlignment = static_cast<uint32_t>(alignment);
    return content;
}

TEST_F(GuiPixelTest, AMenuShowsCrispTextInBothFontsAnImageAndAFrame)
{
    // Four team-coloured quadrants, to see the image the right way round.
    const Color quadrants[4] = {{200, 40, 40, 255}, {40, 80, 200, 255}, {40, 160, 60, 255}, {230, 200, 40, 255}};
    Texture* picture =
        MakeTexture("Quadrants", 64, 32, [&](uint32_t x, uint32_t y) { return quadrants[(y / 16) * 2 + x / 32]; });
    picture->FinishChanges();
    // An ink frame 6 pixels wide around white.
    Texture* frame = MakeTexture("Frame", 64, 64,
                                 [](uint32_t x, uint32_t y) {
                                     return std::min({x, y, 63 - x, 63 - y}) < 6 ? Ink : Color::White;
                                 });
    TextureNineSliceRegion* slices = frame->AddNineSliceRegion(0, 0, 0);
    slices->SetSize(64, 64);
    slices->left = slices->right = slices->top = slices->bottom = 6;
    frame->FinishChanges();

    const Rectangle large{40, 330, 100, 100}, small{180, 380, 60, 40}, stroked{250, 340, 250, 70};
    const Color gold{240, 190, 40, 255};
    gui->AddMenu(
        std::make_unique<TestMenu>(
            calls, "Showcase",
            [&](TestMenu& menu)
            {
                Element& root = menu.GetRoot();
                root.background = Paper;
                AddBox(root, 20, 10, 760, 80).content = Text(std::make_unique<TextContent>(), headingFont,
                                                             "Vantorel Sketchbook", 72, ContentAlignment::Center);
                AddBox(root, 20, 95, 760, 40).content =
                    Text(std::make_unique<TextContent>(), scriptFont,
                         "Drawn in #C0392BFFred#414042FF and #2E6FD8FFblue#414042FF ink", 32, ContentAlignment::Center);
                AddBox(root, 20, 150, 480, 170).content =
                    Text(std::make_unique<MultilineTextContent>(), scriptFont,
                         "Every menu is a sheet of paper: titles in the heading font, notes written by hand, and "
                         "long paragraphs that wrap at the edge of their box without splitting a word.",
                         26);
                auto image = std::make_unique<ImageContent>();
                image->texture = picture->deviceSlot;
                image->width = {UnitRectangle::Pixels, 200};
                image->verticalAlignment = static_cast<uint32_t>(ContentAlignment::Center);
                AddBox(root, 540, 150, 200, 120).content = std::move(image);
                auto frameContent = std::make_unique<NineSliceContent>();
                frameContent->texture = frame->deviceSlot;
                frameContent->region = 0;
                frameContent->borderSize = {UnitRectangle::Pixels, 12};
                AddBox(root, 520, 290, 260, 140).content = std::move(frameContent);
                AddBox(root, large.x, large.y, large.width, large.height).content =
                    Text(std::make_unique<TextContent>(), scriptFont, "l", 72);
                AddBox(root, small.x, small.y, small.width, small.height).content =
                    Text(std::make_unique<TextContent>(), scriptFont, "l", 24);
                auto outlined = Text(std::make_unique<TextContent>(), scriptFont, "Stroke", 64);
                outlined->fillColor = gold;
                outlined->strokeColor = Ink;
                outlined->innerStrokeRadius = 0.1f;
                outlined->outerStrokeRadius = 0.3f;
                AddBox(root, stroked.x, stroked.y, stroked.width, stroked.height).content = std::move(outlined);
            }),
        nullptr, nullptr, Whole(), false);
    LogCapture log;
    const Image image = Draw("Showcase");
    EXPECT_TRUE(log.messages.empty()) << log.messages.front();
    ASSERT_EQ(std::make_pair(image.width, image.height), std::make_pair(Width, Height));

    // The image: 200 x 100, centred in its 120-pixel box, top left red.
    EXPECT_TRUE(Testing::Near(image.At(590, 185), {200, 40, 40, 255}, 6));
    EXPECT_TRUE(Testing::Near(image.At(690, 185), {40, 80, 200, 255}, 6));
    EXPECT_TRUE(Testing::Near(image.At(590, 235), {40, 160, 60, 255}, 6));
    EXPECT_TRUE(Testing::Near(image.At(690, 235), {230, 200, 40, 255}, 6));
    EXPECT_TRUE(Testing::Near(image.At(640, 155), {Paper.r, Paper.g, Paper.b, 255}, 3));
    // The frame: a 12-pixel ink border around white.
    EXPECT_TRUE(Testing::Near(image.At(526, 360), {Ink.r, Ink.g, Ink.b, 255}, 6));
    EXPECT_TRUE(Testing::Near(image.At(650, 296), {Ink.r, Ink.g, Ink.b, 255}, 6));
    EXPECT_TRUE(Testing::Near(image.At(650, 360), {255, 255, 255, 255}, 3));

    // The title puts ink in its box and none above it.
    uint32_t titleInk = 0, aboveTitle = 0;
    for (uint32_t y = 0; y < 95; ++y)
        for (uint32_t x = 0; x < Width; ++x)
            (y < 8 ? aboveTitle : titleInk) += Darkness(image.At(x, y)) > 0.5f ? 1 : 0;
    EXPECT_GT(titleInk, 2000u);
    EXPECT_EQ(aboveTitle, 0u);

    // Stroked text shows its fill inside an ink stroke.
    uint32_t filled = 0, strokedInk = 0;
    for (auto y = uint32_t(stroked.y); y < uint32_t(stroked.y + stroked.height); ++y)
        for (auto x = uint32_t(stroked.x); x < uint32_t(stroked.x + stroked.width); ++x)
        {
            filled += Testing::Near(image.At(x, y), {gold.r, gold.g, gold.b, 255}, 12) ? 1 : 0;
            strokedInk += Darkness(image.At(x, y)) > 0.9f ? 1 : 0;
        }
    EXPECT_GT(filled, 300u);
    EXPECT_GT(strokedInk, 1000u);

    // Across the stem of an 'l', a little above the baseline, the paper turns to full ink within a
    // pixel or two on either side, at both sizes.
    for (const auto& [box, size] : {std::pair{large, 72.0f}, std::pair{small, 24.0f}})
    {
        SCOPED_TRACE(size);
        const TextureFontRegion& font = FontOf(scriptFont);
        const FontGlyph& glyph = font.glyphs['l'];
        const auto left = int(box.x + glyph.offsetX * size), right = int(box.x + (glyph.offsetX + glyph.width) * size);
        const auto row = uint32_t(box.y + size - (0.35f - font.descent) * size);
        float darkest = 0.0f;
        int between = 0;
        std::string profile;
        for (int x = left; x <= right; ++x)
        {
            const float darkness = Darkness(image.At(uint32_t(x), row));
            darkest = std::max(darkest, darkness);
            between += darkness > 0.2f && darkness < 0.8f ? 1 : 0;
            profile += std::to_string(darkness).substr(0, 4) + " ";
        }
        EXPECT_GT(darkest, size > 50 ? 0.95f : 0.7f) << profile;
        EXPECT_LE(between, 4) << profile;
    }
}

} // namespace
} // namespace Lumvek
