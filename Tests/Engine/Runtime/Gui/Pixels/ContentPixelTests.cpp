#include "Engine/Foundation/File.h"
#include "Engine/Foundation/SdfFormat.h"
#include "Engine/Foundation/TypeRegistry.h"
#include "Engine/Runtime/Gui/ImageContent.h"
#include "Engine/Runtime/Gui/TextContent.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"
#include "Tests/Engine/Runtime/OpenGL/OpenGLTestSupport.h"
#include "Tests/LogCapture.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace Lumvek
{
namespace
{

using namespace GuiTesting;
using Testing::Near;

constexpr Color Ink{0x41, 0x40, 0x42, 255};
constexpr Color Paper{0xF6, 0xF2, 0xE6, 255};
constexpr Color Gold{240, 190, 40, 255};
const std::string Assets = Lumvek::Testing::SourceFolder() + "/Assets";

// An application that never runs its thread, with the OpenGL device the test made.
class PixelApplication : public Application
{
public:
    PixelApplication()
        : Application("GuiPixelTests", "Linux", "en-US", ApplicationConfig(), Arguments(),
                      Lumvek::Testing::SourceFolder(), "/tmp/GuiPixelTests/Data", "/tmp/GuiPixelTests/Documents",
                      "/tmp/GuiPixelTests/Temporary")
    {
    }
    void Install(std::unique_ptr<GraphicsDevice> device) { graphicsDevice = std::move(device); }
    // The Gui and the device go before the window they draw on.
    void Release() { ReleaseSystemsAndDevices(); }
    void Quit() override {}

protected:
    void FrameLoop() override {}
};

// A Gui drawn by the OpenGL device on a hidden 800 x 450 window of SDL's offscreen driver, with the
// Gui materials compiled and the two fonts loaded from the Assets folder.
class GuiPixelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        OpenGL::OpenGLGraphicsDevice::PrepareWindowAttributes();
        window = SDL_CreateWindow("GuiPixelTests", 0, 0, 800, 450, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        auto made = std::make_unique<OpenGL::OpenGLGraphicsDevice>(&app.GetResources(), 1.0f, 1);
        device = made.get();
        std::thread([&] { device->SetWindow(window, 800, 450, 1.0f); }).join();
        ASSERT_TRUE(device->MakeReady());
        app.Install(std::move(made));
        gui = static_cast<Gui*>(app.AddSystem(std::make_unique<Gui>()));
        gui->Setup();

        using Format = VertexElementFormat;
        using Semantic = VertexSemantic;
        const VertexElement position{"Position", Format::Float2, Semantic::Position, 0};
        const VertexElement coordinate{"TextureCoordinate", Format::Float2, Semantic::TextureCoordinate, 0};
        gui->colorMaterial = LoadMaterial("Color", {position, {"Color", Format::Color, Semantic::Color, 0}});
        gui->imageMaterial =
            LoadMaterial("ColoredImage", {position, coordinate, {"Color", Format::Color, Semantic::Color, 0}});
        gui->textMaterial =
            LoadMaterial("TextElement", {position,
                                         coordinate,
                                         {"FillColor", Format::Color, Semantic::Color, 0},
                                         {"StrokeColor", Format::Color, Semantic::Color, 1},
                                         {"InnerStrokeRadius", Format::Float, Semantic::TextureCoordinate, 1},
                                         {"OuterStrokeRadius", Format::Float, Semantic::TextureCoordinate, 2}});
        for (const char* name : {"HeadingFont", "ScriptFont"})
        {
            Texture* texture = device->CreateTexture(NameTableC().Add(std::string("GuiPixelTests.") + name), 0);
            SdfFormat().Load("", File::ReadAllText(Assets + "/Ui/Fonts/" + name + ".sdf").second, *texture);
            texture->FinishChanges();
            (name[0] == 'H' ? headingFont : scriptFont) = texture->deviceSlot;
        }
    }

    void TearDown() override
    {
        app.Release();
        if (window)
            SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    // Blending as text over paper needs it; the front end's resources set the same.
    uint32_t LoadMaterial(const std::string& name, std::vector<VertexElement> elements)
    {
        const uint32_t slot = NameTableC().Add("GuiPixelTests." + name);
        Material* material = device->CreateMaterial(slot);
        const std::string path = Assets + "/Ui/Materials/" + name + ".hlsl";
        HlslFormat(nullptr, TypeIndex<Material>(), "hlsl").Load(path, File::ReadAllText(path).second, *material);
        material->vertexElements = std::move(elements);
        material->SetBlend({BlendFactor::SourceAlpha, BlendFactor::InverseSourceAlpha, BlendOperation::Add},
                           {BlendFactor::One, BlendFactor::InverseSourceAlpha, BlendOperation::Add});
        material->SetSampler({SamplerFilter::Linear, SamplerAddress::Clamp, SamplerAddress::Clamp});
        material->FinishChanges();
        return slot;
    }

    // A texture of pixels the callable gives, with a whole-image region.
    template <class Pixel> Texture* MakeTexture(const std::string& name, uint32_t width, uint32_t height, Pixel pixel)
    {
        Texture* texture = device->CreateTexture(NameTableC().Add("GuiPixelTests." + name), 0);
        texture->SetSize(width, height, TextureFormat::ColorBuffer4x8);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                reinterpret_cast<Color*>(texture->pixels.Data())[y * width + x] = pixel(x, y);
        texture->AddRegion(InvalidId, 0, 0)->SetSize(width, height);
        return texture;
    }

    // Draws the Gui once over paper and reads the back buffer, keeping a copy under the build folder.
    Testing::Image Draw(const std::string& name)
    {
        device->GetCommands().push_back(
            GraphicsCommand::Clear(Paper.r / 255.0f, Paper.g / 255.0f, Paper.b / 255.0f, 1));
        gui->LateUpdate(0);
        gui->Render(0);
        device->Render();
        Testing::Image image;
        EXPECT_TRUE(device->ReadPixels(nullptr, image.rgba, image.width, image.height));
        const auto folder = std::filesystem::path(Lumvek::Testing::BinaryFolder()) / "GuiPixelTests";
        std::filesystem::create_directories(folder);
        png_image png{};
        std::tie(png.version, png.width, png.height, png.format) =
            std::tuple(PNG_IMAGE_VERSION, image.width, image.height, PNG_FORMAT_RGBA);
        EXPECT_NE(png_image_write_to_file(&png, (folder / (name + ".png")).c_str(), 0, image.rgba.data(), 0, nullptr),
                  0);
        return image;
    }

    Calls calls;
    PixelApplication app;
    SDL_Window* window = nullptr;
    OpenGL::OpenGLGraphicsDevice* device = nullptr;
    Gui* gui = nullptr;
    uint32_t headingFont = InvalidId;
    uint32_t scriptFont = InvalidId;
};

// How dark a pixel is between the paper (0) and the ink (1).
float Darkness(const Testing::Rgba& pixel)
{
    const auto luminance = [](float r, float g, float b) { return 0.299f * r + 0.587f * g + 0.114f * b; };
    const float paper = luminance(Paper.r, Paper.g, Paper.b), ink = luminance(Ink.r, Ink.g, Ink.b);
    return (paper - luminance(pixel[0], pixel[1], pixel[2])) / (paper - ink);
}

template <class T = TextContent>
std::unique_ptr<T> Text(uint32_t font, const std::string& text, float size, ContentAlignment alignment)
{
    auto content = std::make_unique<T>();
    std::tie(content->text, content->font, content->fillColor, content->colorCodes) = std::tuple(text, font, Ink, 1);
    content->size = {TextContent::Pixels, size};
    content->horizontalAlignment = uint32_t(alignment);
    return content;
}

TEST_F(GuiPixelTest, AMenuShowsCrispTextInBothFontsAnImageAndAFrame)
{
    const Color quadrants[4] = {{200, 40, 40, 255}, {40, 80, 200, 255}, {40, 160, 60, 255}, {230, 200, 40, 255}};
    Texture* picture =
        MakeTexture("Quadrants", 64, 32, [&](uint32_t x, uint32_t y) { return quadrants[y / 16 * 2 + x / 32]; });
    picture->FinishChanges();
    Texture* frame = MakeTexture("Frame", 64, 64,
                                 [](uint32_t x, uint32_t y) {
                                     return std::min({x, y, 63 - x, 63 - y}) < 6 ? Ink : Color::White;
                                 });
    TextureNineSliceRegion* slices = frame->AddNineSliceRegion(0, 0, 0);
    slices->SetSize(64, 64);
    slices->left = slices->right = slices->top = slices->bottom = 6;
    frame->FinishChanges();

    const Rectangle large{40, 330, 100, 100}, small{180, 380, 60, 40}, stroked{250, 340, 250, 70};
    const auto build = [&](TestMenu& menu)
    {
        Element& root = menu.GetRoot();
        root.background = Paper;
        using enum ContentAlignment;
        AddBox(root, 20, 10, 760, 80).content = Text(headingFont, "Vantorel Sketchbook", 72, Center);
        AddBox(root, 20, 95, 760, 40).content =
            Text(scriptFont, "Drawn in #C0392BFFred#414042FF and #2E6FD8FFblue#414042FF ink", 32, Center);
        AddBox(root, 20, 150, 480, 170).content = Text<MultilineTextContent>(
            scriptFont,
            "Every menu is a sheet of paper: titles in the heading font, notes written by hand, and long "
            "paragraphs that wrap at the edge of their box without splitting a word.",
            26, Start);
        auto image = std::make_unique<ImageContent>();
        std::tie(image->texture, image->width) = std::tuple(picture->deviceSlot, UnitRectangle::Measure{1, 200});
        image->verticalAlignment = uint32_t(Center);
        AddBox(root, 540, 150, 200, 120).content = std::move(image);
        auto nineSlice = std::make_unique<NineSliceContent>();
        std::tie(nineSlice->texture, nineSlice->region) = std::tuple(frame->deviceSlot, 0u);
        nineSlice->borderSize = {UnitRectangle::Pixels, 12};
        AddBox(root, 520, 290, 260, 140).content = std::move(nineSlice);
        AddBox(root, large.x, large.y, large.width, large.height).content = Text(scriptFont, "l", 72, Start);
        AddBox(root, small.x, small.y, small.width, small.height).content = Text(scriptFont, "l", 24, Start);
        auto outlined = Text(scriptFont, "Stroke", 64, Start);
        std::tie(outlined->fillColor, outlined->innerStrokeRadius, outlined->outerStrokeRadius) =
            std::tuple(Gold, 0.1f, 0.3f);
        AddBox(root, stroked.x, stroked.y, stroked.width, stroked.height).content = std::move(outlined);
    };
    gui->AddMenu(std::make_unique<TestMenu>(calls, "Showcase", build), nullptr, nullptr, UnitRectangle(), false);
    Testing::LogCapture log;
    const Testing::Image image = Draw("Showcase");
    EXPECT_TRUE(log.messages.empty()) << log.messages.front();

    // The image, 200 x 100 centred in its box, the right way round; the frame, 12 pixels of ink round white.
    EXPECT_TRUE(Near(image.At(590, 185), {200, 40, 40, 255}, 6) && Near(image.At(690, 185), {40, 80, 200, 255}, 6));
    EXPECT_TRUE(Near(image.At(590, 235), {40, 160, 60, 255}, 6) && Near(image.At(690, 235), {230, 200, 40, 255}, 6));
    EXPECT_TRUE(Near(image.At(640, 155), {Paper.r, Paper.g, Paper.b, 255}));
    EXPECT_TRUE(Near(image.At(526, 360), {Ink.r, Ink.g, Ink.b, 255}, 6) &&
                Near(image.At(650, 296), {Ink.r, Ink.g, Ink.b, 255}, 6));
    EXPECT_TRUE(Near(image.At(650, 360), {255, 255, 255, 255}));

    // Stroked text shows its gold fill inside an ink stroke.
    uint32_t filled = 0, inked = 0;
    for (auto y = uint32_t(stroked.y); y < uint32_t(stroked.y + stroked.height); ++y)
        for (auto x = uint32_t(stroked.x); x < uint32_t(stroked.x + stroked.width); ++x)
        {
            filled += Near(image.At(x, y), {Gold.r, Gold.g, Gold.b, 255}, 12) ? 1 : 0;
            inked += Darkness(image.At(x, y)) > 0.9f ? 1 : 0;
        }
    EXPECT_GT(filled, 300u);
    EXPECT_GT(inked, 1000u);

    // Across the stem of an 'l', a little above the baseline, paper turns to full ink within a pixel
    // or two on either side, at both sizes.
    const TextureFontRegion& font = *device->GetTexture(scriptFont)->FindRegion<TextureFontRegion>(InvalidId);
    const FontGlyph& l = font.glyphs['l'];
    for (const auto& [box, size] : {std::pair{large, 72.0f}, std::pair{small, 24.0f}})
    {
        const auto row = uint32_t(box.y + size - (0.35f - font.descent) * size);
        float darkest = 0.0f;
        int between = 0;
        std::string profile;
        for (auto x = int(box.x + l.offsetX * size); x <= int(box.x + (l.offsetX + l.width) * size); ++x)
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
