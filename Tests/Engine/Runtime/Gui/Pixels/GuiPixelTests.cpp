#include "Tests/Engine/Runtime/Gui/GuiTesting.h"
#include "Tests/Engine/Runtime/OpenGL/OpenGLTestSupport.h"

namespace Lumvek::Testing
{
namespace
{

using namespace GuiTesting;

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

// Lends the fixture's OpenGL device to an application for the Gui to find, and gives it back.
class LendingApplication : public Application
{
public:
    explicit LendingApplication(std::unique_ptr<GraphicsDevice> device)
        : Application("GuiPixelTests", "Linux", "en-US", ApplicationConfig(), Arguments(), "/tmp/GuiPixelTests",
                      "/tmp/GuiPixelTests/Data", "/tmp/GuiPixelTests/Documents", "/tmp/GuiPixelTests/Temporary")
    {
        graphicsDevice = std::move(device);
    }
    std::unique_ptr<GraphicsDevice> GiveBack() { return std::move(graphicsDevice); }
    void Quit() override {}

protected:
    void FrameLoop() override {}
};

class GuiPixels : public OpenGLDeviceTest
{
};

TEST_F(GuiPixels, BandsAndClippedChildrenLandOnTheirPixels)
{
    Material* material =
        MakeMaterial(BandShader, {{"Position", VertexElementFormat::Float2, VertexSemantic::Position, 0},
                                  {"Color", VertexElementFormat::Color, VertexSemantic::Color, 0}});
    Calls calls;
    LendingApplication app(std::move(device));
    Gui& gui = static_cast<Gui&>(*app.AddSystem(std::make_unique<Gui>()));
    gui.Setup();
    gui.colorMaterial = material->deviceSlot;
    gui.AddMenu(std::make_unique<TestMenu>(calls, "M",
                                           [](TestMenu& menu)
                                           {
                                               Element& root = menu.GetRoot();
                                               root.background = Color::Blue;
                                               // 12..36 x 8..24, its content box 16..32 x 12..20.
                                               Element& panel = AddBox(root, 4, 4, 24, 16);
                                               panel.SetPadding({ElementLength::Points, 4});
                                               panel.background = Color::Red;
                                               panel.fill = Color::Green;
                                               // 38..48 x 24..34; the child reaches past it.
                                               Element& clipper = AddBox(root, 30, 20, 10, 10);
                                               clipper.clip = 1;
                                               AddBox(clipper, 5, 5, 20, 20).background = Color::White;
                                           }),
                nullptr, nullptr, Pixels(8, 4, 48, 40), false);
    gui.LateUpdate(0);
    GraphicsDevice& lent = *app.GetGraphicsDevice();
    lent.GetCommands().push_back(GraphicsCommand::SetColorTarget(InvalidId, 0));
    lent.GetCommands().push_back(GraphicsCommand::Clear(0, 0, 0, 1));
    gui.Render(0);
    lent.Render();
    device.reset(static_cast<OpenGL::OpenGLGraphicsDevice*>(app.GiveBack().release()));

    const Image image = Read(nullptr, "GuiBands");
    const struct
    {
        uint32_t x, y;
        Rgba expected;
    } pixels[] = {
        {2, 2, {0, 0, 0, 255}},         {10, 6, {0, 0, 255, 255}},      {55, 43, {0, 0, 255, 255}},
        {13, 9, {255, 0, 0, 255}},      {35, 23, {255, 0, 0, 255}},     {20, 15, {0, 255, 0, 255}},
        {44, 30, {255, 255, 255, 255}}, {47, 33, {255, 255, 255, 255}}, {50, 31, {0, 0, 255, 255}},
        {44, 36, {0, 0, 255, 255}},
    };
    for (const auto& pixel : pixels)
        EXPECT_TRUE(Near(image.At(pixel.x, pixel.y), pixel.expected)) << pixel.x << ", " << pixel.y;
}

} // namespace
} // namespace Lumvek::Testing
