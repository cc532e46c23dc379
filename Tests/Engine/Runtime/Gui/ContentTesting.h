#pragma once

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Geometry.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace Lumvek::GuiTesting
{

// One quad read back from the Gui's vertex buffer, in pixels.
struct DrawnQuad
{
    Rectangle area;
    UvRectangle uv;
    Color color;
    // Text quads only.
    Color stroke;
    float innerRadius = 0.0f;
    float outerRadius = 0.0f;
};

// A Gui on a 1000 x 500 recording device with one open menu, its three materials, and contents
// rendered straight into the Gui's buffers through a list of the test's own.
class ContentTest : public ::testing::Test
{
protected:
    static constexpr float Width = 1000.0f;
    static constexpr float Height = 500.0f;

    ContentTest()
    {
        app.gui->colorMaterial = MakeMaterial("ContentTests.ColorMaterial");
        app.gui->imageMaterial = MakeMaterial("ContentTests.ImageMaterial");
        app.gui->textMaterial = MakeMaterial("ContentTests.TextMaterial");
        menu = app.gui->AddMenu(std::make_unique<TestMenu>(calls), nullptr, nullptr, Whole(), false);
        list.Add();
    }

    uint32_t MakeMaterial(const std::string& name)
    {
        const uint32_t slot = NameTableC().Add(name);
        app.device->CreateMaterial(slot);
        return slot;
    }

    // A texture of the size with its whole-image region, in the device slot of the name.
    Texture* MakeTexture(const std::string& name, uint32_t width, uint32_t height, uint32_t& slot)
    {
        slot = NameTableC().Add(name);
        Texture* texture = app.device->CreateTexture(slot, 0);
        EXPECT_NE(texture, nullptr);
        texture->SetSize(width, height, TextureFormat::ColorBuffer4x8);
        return texture;
    }

    // A font whose printable glyphs all advance half the size, with 'A' kerned by -0.1 before 'V'. Each
    // glyph's image starts 0.05 right of the pen and 0.1 below the baseline and is 0.4 x 0.8; the
    // descent is 0.25 and a space advances 0.25. Glyph c lies at column c % 16, row c / 16 of a 16 x 8
    // grid of the texture.
    uint32_t MakeFont()
    {
        uint32_t slot = 0;
        Texture* texture = MakeTexture("ContentTests.Font", 256, 128, slot);
        auto* font = texture->AddRegionOf<TextureFontRegion>(InvalidId, 0, 0);
        font->SetSize(256, 128);
        font->ascent = 0.75f;
        font->descent = -0.25f;
        font->spaceAdvance = 0.25f;
        for (uint32_t code = 33; code < 127; ++code)
        {
            FontGlyph& glyph = font->glyphs[code];
            glyph.uv = {float(code % 16) / 16.0f, float(code / 16) / 8.0f, 1.0f / 16.0f, 1.0f / 8.0f};
            glyph.offsetX = 0.05f;
            glyph.offsetY = -0.1f;
            glyph.width = 0.4f;
            glyph.height = 0.8f;
            glyph.advance = 0.5f;
        }
        font->glyphs[' '].advance = 0.25f;
        font->glyphs['A'].SetKerning('V', -0.1f);
        return slot;
    }

    void Render(Content& content, const Rectangle& rectangle)
    {
        Geometry& vertices = *app.gui->GetVertexBuffer();
        Geometry& indices = *app.gui->GetIndexBuffer();
        vertices.used = 0;
        indices.used = 0;
        list.Reset();
        content.Render(0.0f, list, vertices, indices, *app.device, *menu, rectangle);
    }

    // The draws the last Render added to the list, the template left out.
    std::vector<DrawCommand> Draws() const { return {list.items.begin(), list.items.end() - 1}; }

    template <class Vertex> std::vector<DrawnQuad> Quads() const
    {
        const Geometry& vertices = *app.gui->GetVertexBuffer();
        std::vector<Vertex> read(vertices.used / sizeof(Vertex));
        if (!read.empty())
            std::memcpy(read.data(), vertices.data.Data(), read.size() * sizeof(Vertex));
        std::vector<DrawnQuad> quads;
        for (size_t first = 0; first + 4 <= read.size(); first += 4)
        {
            const Vertex& topLeft = read[first];
            const Vertex& bottomRight = read[first + 3];
            DrawnQuad quad;
            quad.area.x = (topLeft.x + 1.0f) * Width / 2.0f;
            quad.area.y = (1.0f - topLeft.y) * Height / 2.0f;
            quad.area.width = (bottomRight.x + 1.0f) * Width / 2.0f - quad.area.x;
            quad.area.height = (1.0f - bottomRight.y) * Height / 2.0f - quad.area.y;
            quad.uv = {topLeft.u, topLeft.v, bottomRight.u - topLeft.u, bottomRight.v - topLeft.v};
            if constexpr (sizeof(Vertex) == sizeof(GuiTextVertex))
            {
                quad.color = topLeft.fillColor;
                quad.stroke = topLeft.strokeColor;
                quad.innerRadius = topLeft.innerStrokeRadius;
                quad.outerRadius = topLeft.outerStrokeRadius;
            }
            else
                quad.color = topLeft.color;
            quads.push_back(quad);
        }
        return quads;
    }
    std::vector<DrawnQuad> TextQuads() const { return Quads<GuiTextVertex>(); }
    std::vector<DrawnQuad> ImageQuads() const { return Quads<GuiImageVertex>(); }

    // Outlives the application, whose menus write to it as they are destroyed.
    Calls calls;
    TestApplication app;
    Menu* menu = nullptr;
    DrawList list;
};

inline ::testing::AssertionResult Near(const Rectangle& actual, const Rectangle& expected, float tolerance = 1e-3f)
{
    if (std::abs(actual.x - expected.x) <= tolerance && std::abs(actual.y - expected.y) <= tolerance &&
        std::abs(actual.width - expected.width) <= tolerance && std::abs(actual.height - expected.height) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.x << ", " << actual.y << ", " << actual.width << ", "
                                         << actual.height << ") is not (" << expected.x << ", " << expected.y << ", "
                                         << expected.width << ", " << expected.height << ")";
}

inline ::testing::AssertionResult Near(const UvRectangle& actual, const UvRectangle& expected)
{
    return Near(Rectangle{actual.x, actual.y, actual.width, actual.height},
                Rectangle{expected.x, expected.y, expected.width, expected.height}, 1e-5f);
}

} // namespace Lumvek::GuiTesting
