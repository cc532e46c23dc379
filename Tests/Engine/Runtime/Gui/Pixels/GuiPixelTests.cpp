#include "Tests/Engine/Runtime/OpenGL/OpenGLTestSupport.h"

#include "Engine/Runtime/Application.h"
#include "Engine/Runtime/Gui.h"

#include <thread>

namespace Lumvek::Testing
{
namespace
{

constexpr Rgba Black = {0, 0, 0, 255};
constexpr Rgba Red = {255, 0, 0, 255};
constexpr Rgba Green = {0, 255, 0, 255};
constexpr Rgba Blue = {0, 0, 255, 255};
constexpr Rgba White = {255, 255, 255, 255};

// The layout of the Gui's band vertices: a position in device coordinates and a colour.
constexpr std::string_view BandShader = R"(
struct VertexInput { float2 position : POSITION; float4 color : COLOR; };
struct PixelInput { float4 position : SV_POSITION; float4 color : COLOR; };
PixelInput vertex_main(VertexInput input)
{
    PixelInput output;
    output.position = float4(input.position, 0.5, 1);
    output.color = input.color;
    return output;
}
float4 pixel_main(PixelInput input) : SV_TARGET { return input.color; }
)";

// The Gui on the OpenGL device of a hidden 64 x 48 window; the application's thread never runs.
class PixelApplication : public Application
{
public:
    explicit PixelApplication(SDL_Window* window)
        : Application("GuiPixelTests", "Linux", "en-US", ApplicationConfig(), Arguments(), "/tmp/GuiPixelTests",
                      "/tmp/GuiPixelTests/Data", "/tmp/GuiPixelTests/Documents", "/tmp/GuiPixelTests/Temporary")
    {
        auto created = std::make_unique<OpenGL::OpenGLGraphicsDevice>(&GetResources(), 1.0f, 1);
        device = created.get();
        graphicsDevice = std::move(created);
        // The host hands the window over from its own thread; the context is made where it is used.
        std::thread([&] { device->SetWindow(window, 64, 48, 1.0f); }).join();
        ready = device->MakeReady();
        gui = static_cast<Gui*>(AddSystem(std::make_unique<Gui>()));
        gui->Setup();
    }
    void Quit() override {}

    OpenGL::OpenGLGraphicsDevice* device = nullptr;
    Gui* gui = nullptr;
    bool ready = false;

protected:
    void FrameLoop() override {}
};

class BuiltMenu : public Menu
{
public:
    explicit BuiltMenu(std::function<void(Element&)> build) : build(std::move(build)) {}
    void Setup() override { build(GetRoot()); }
    std::function<void(Element&)> build;
};

Element& Box(Element& parent, float left, float top, float width, float height, Color background)
{
    Element& box = parent.AddChild();
    box.SetPosition(YGEdgeLeft, {ElementLength::Points, left});
    box.SetPosition(YGEdgeTop, {ElementLength::Points, top});
    box.SetWidth({ElementLength::Points, width});
    box.SetHeight({ElementLength::Points, height});
    box.background = background;
    return box;
}

class GuiPixels : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        OpenGL::OpenGLGraphicsDevice::PrepareWindowAttributes();
        window = SDL_CreateWindow("GuiPixelTests", 0, 0, 64, 48, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        app = std::make_unique<PixelApplication>(window);
        ASSERT_TRUE(app->ready);

        Material* material = app->device->CreateMaterial(NameTableC().Add("GuiPixelTests.Band"));
        ASSERT_NE(material, nullptr);
        HlslFormat format(nullptr, TypeIndex<Material>(), "hlsl");
        format.Load("Band.hlsl", BandShader, *material);
        material->vertexElements = {{"Position", VertexElementFormat::Float2, VertexSemantic::Position, 0},
                                    {"Color", VertexElementFormat::Color, VertexSemantic::Color, 0}};
        material->FinishChanges();
        app->gui->colorMaterial = material->deviceSlot;
    }

    void TearDown() override
    {
        app.reset();
        if (window)
            SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    // One frame over a black screen, read back and kept under the build folder.
    Image Frame(const std::string& name)
    {
        app->gui->LateUpdate(0);
        app->device->commands.push_back(GraphicsCommand::SetColorTarget(InvalidId, 0));
        app->device->commands.push_back(GraphicsCommand::Clear(0, 0, 0, 1));
        app->gui->Render(0);
        app->device->Render();
        Image image;
        EXPECT_TRUE(app->device->ReadPixels(nullptr, image.rgba, image.width, image.height));
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

    SDL_Window* window = nullptr;
    std::unique_ptr<PixelApplication> app;
};

TEST_F(GuiPixels, BandsAndClippedChildrenLandOnTheirPixels)
{
    UnitRectangle placement;
    placement.x = {UnitRectangle::Pixels, 8};
    placement.y = {UnitRectangle::Pixels, 4};
    placement.width = {UnitRectangle::Pixels, 48};
    placement.height = {UnitRectangle::Pixels, 40};
    app->gui->AddMenu(std::make_unique<BuiltMenu>(
                          [](Element& root)
                          {
                              root.background = Color::Blue;
                              // 12..36 x 8..24, its content box 16..32 x 12..20.
                              Element& panel = Box(root, 4, 4, 24, 16, Color::Red);
                              panel.SetPadding({ElementLength::Points, 4});
                              panel.fill = Color::Green;
                              // 38..48 x 24..34; the child reaches past it to 63 x 49.
                              Element& clipper = Box(root, 30, 20, 10, 10, Color::Transparent);
                              clipper.clip = 1;
                              Box(clipper, 5, 5, 20, 20, Color::White);
                          }),
                      nullptr, nullptr, placement, false);
    const Image image = Frame("Bands");
    ASSERT_EQ(image.width, 64u);
    const struct
    {
        uint32_t x, y;
        Rgba expected;
    } pixels[] = {
        {2, 2, Black},   {60, 46, Black}, {10, 6, Blue},   {55, 43, Blue},  {13, 9, Red},   {35, 23, Red},
        {20, 15, Green}, {31, 19, Green}, {44, 30, White}, {47, 33, White}, {50, 31, Blue}, {44, 36, Blue},
    };
    for (const auto& pixel : pixels)
        EXPECT_TRUE(Near(image.At(pixel.x, pixel.y), pixel.expected)) << pixel.x << ", " << pixel.y;
}

} // namespace
} // namespace Lumvek::Testing
