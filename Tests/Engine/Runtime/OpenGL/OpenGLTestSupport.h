#pragma once

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/Material.h"
#include "Engine/Runtime/OpenGL/HlslFormat.h"
#include "Engine/Runtime/OpenGL/OpenGLGraphicsDevice.h"
#include "Tests/TestPaths.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace Lumvek::Testing
{

using Rgba = std::array<uint8_t, 4>;

// An image read back from the device, top row first.
struct Image
{
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;

    Rgba At(uint32_t x, uint32_t y) const
    {
        const uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
};

// The OpenGL device on a hidden window of SDL's offscreen driver, with helpers that make resources
// through the device as the engine does and draw them through the command queue.
class OpenGLDeviceTest : public ::testing::Test
{
protected:
    static constexpr uint32_t Width = 64;
    static constexpr uint32_t Height = 48;

    void SetUp() override
    {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        OpenGL::OpenGLGraphicsDevice::PrepareWindowAttributes();
        window = SDL_CreateWindow("OpenGLTests", 0, 0, Width, Height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        device = std::make_unique<OpenGL::OpenGLGraphicsDevice>(&table, 1.0f, 1);
        // The host hands the window over from its own thread; the context is made where it is used.
        std::thread([&] { device->SetWindow(window, Width, Height, 1.0f); }).join();
        EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
        ASSERT_TRUE(device->MakeReady());
        ASSERT_NE(SDL_GL_GetCurrentContext(), nullptr);
    }

    void TearDown() override
    {
        device.reset();
        if (window)
            SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    // A device slot of its own for each resource a test makes.
    static uint32_t NewSlot()
    {
        static uint32_t counter = 0;
        return NameTableC().Add("OpenGLTests." + std::to_string(counter++));
    }

    Material* MakeMaterial(std::string_view hlsl, const std::vector<VertexElement>& vertices,
                           const std::vector<VertexElement>& instances = {})
    {
        const uint32_t slot = NewSlot();
        Material* material = device->CreateMaterial(slot);
        EXPECT_NE(material, nullptr);
        HlslFormat format(nullptr, TypeIndex<Material>(), "hlsl");
        format.Load("Test.hlsl", hlsl, *material);
        material->vertexElements = vertices;
        material->instanceElements = instances;
        material->samplers.push_back({SamplerFilter::Point, SamplerAddress::Clamp, SamplerAddress::Clamp});
        material->FinishChanges();
        return material;
    }

    template <class T>
    Geometry* MakeGeometry(GeometryDataType type, const std::vector<T>& elements, uint32_t stride = sizeof(T),
                           ResourceUsage usage = ResourceUsage::Static)
    {
        Geometry* geometry = device->CreateGeometry(NewSlot(), static_cast<uint32_t>(usage), 0);
        EXPECT_NE(geometry, nullptr);
        geometry->dataType = type;
        Fill(*geometry, elements, stride);
        return geometry;
    }

    template <class T> static void Fill(Geometry& geometry, const std::vector<T>& elements, uint32_t stride)
    {
        geometry.used = 0;
        const uint32_t bytes = static_cast<uint32_t>(elements.size() * sizeof(T));
        GraphicsBufferRange range = GraphicsBuffer::Allocate(geometry, stride, bytes / stride);
        ASSERT_EQ(range.byteSize, bytes);
        std::memcpy(range.bytes, elements.data(), bytes);
    }

    Texture* MakeTexture(uint32_t w, uint32_t h, TextureFormat format, const std::vector<Rgba>& pixels = {})
    {
        Texture* texture = device->CreateTexture(NewSlot(), 0);
        EXPECT_NE(texture, nullptr);
        texture->SetSize(w, h, format);
        if (!pixels.empty())
            std::memcpy(texture->pixels.Data(), pixels.data(), pixels.size() * 4);
        texture->FinishChanges();
        return texture;
    }

    void Push(GraphicsCommandCode code, uint32_t op1 = 0, uint32_t op2 = 0, uint32_t op3 = 0, uint32_t op4 = 0,
              uint32_t op5 = 0)
    {
        device->GetCommands().push_back(GraphicsCommand::Make(code, op1, op2, op3, op4, op5));
    }
    void Push(const GraphicsCommand& command) { device->GetCommands().push_back(command); }

    GraphicsResourceHandle* HandleOf(const GraphicsResource* resource)
    {
        return resource ? device->GetHandle(resource->deviceSlot) : nullptr;
    }

    // Reads a colour target (null: the back buffer) and keeps the picture under the build folder.
    Image Read(const Texture* target, const std::string& name)
    {
        Image image;
        EXPECT_TRUE(device->ReadPixels(HandleOf(target), image.rgba, image.width, image.height));
        const std::filesystem::path folder = std::filesystem::path(Lumvek::Testing::BinaryFolder()) / "OpenGLTests";
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
    ResourceTable table;
    std::unique_ptr<OpenGL::OpenGLGraphicsDevice> device;
};

// Channel values within a small tolerance, for llvmpipe's rounding.
inline ::testing::AssertionResult Near(const Rgba& actual, const Rgba& expected, int tolerance = 3)
{
    for (int i = 0; i < 4; ++i)
        if (std::abs(int(actual[i]) - int(expected[i])) > tolerance)
            return ::testing::AssertionFailure()
                   << "(" << int(actual[0]) << ", " << int(actual[1]) << ", " << int(actual[2]) << ", "
                   << int(actual[3]) << ") is not (" << int(expected[0]) << ", " << int(expected[1]) << ", "
                   << int(expected[2]) << ", " << int(expected[3]) << ")";
    return ::testing::AssertionSuccess();
}

} // namespace Lumvek::Testing
