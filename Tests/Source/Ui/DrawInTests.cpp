#include "Engine/Foundation/Texture.h"
#include "Engine/Foundation/TextureRegion.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Source/Ui/Kit/DrawIn.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

using namespace Lumvek::GuiTesting;

// A device with a font whose glyphs A, B, C and # are drawn, and an image region, both in textures of
// their own; contents render straight into the Gui's buffers.
class DrawInContent : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Lumvek::Texture* fontTexture = app.device->CreateTexture(fontSlot, 0);
        ASSERT_TRUE(fontTexture && fontTexture->SetSize(64, 64, Lumvek::TextureFormat::ColorBuffer4x8));
        auto* font = fontTexture->AddRegionOf<Lumvek::TextureFontRegion>(Lumvek::InvalidId, 0, 0);
        ASSERT_NE(font, nullptr);
        font->spaceAdvance = 0.3f;
        for (char c : {'A', 'B', 'C', '#'})
        {
            Lumvek::FontGlyph& glyph = font->glyphs[static_cast<uint8_t>(c)];
            glyph.width = 0.5f;
            glyph.height = 0.8f;
            glyph.advance = 0.6f;
        }
        Lumvek::Texture* imageTexture = app.device->CreateTexture(imageSlot, 0);
        ASSERT_TRUE(imageTexture && imageTexture->SetSize(64, 64, Lumvek::TextureFormat::ColorBuffer4x8));
        Lumvek::TextureRegion* region = imageTexture->AddRegion(Lumvek::NameTableA().Add("DrawInTestRegion"), 0, 0);
        ASSERT_NE(region, nullptr);
        region->SetSize(32, 32);
        imageRegion = Lumvek::NameTableA().Add("DrawInTestRegion");
    }

    // The first vertex of each quad drawn since the buffers were last emptied.
    template <class Vertex> std::vector<Vertex> Quads()
    {
        const Lumvek::Geometry& indices = *app.gui->GetIndexBuffer();
        const Lumvek::Geometry& vertices = *app.gui->GetVertexBuffer();
        std::vector<Vertex> firsts;
        for (uint32_t at = 0; at + 12 <= indices.used; at += 12)
        {
            uint16_t index = 0;
            std::memcpy(&index, indices.data.Data() + at, 2);
            Vertex vertex;
            std::memcpy(&vertex, vertices.data.Data() + size_t(index) * sizeof(Vertex), sizeof(Vertex));
            firsts.push_back(vertex);
            EXPECT_EQ(index % 4, 0) << "the shaders read corners from the vertex index";
        }
        return firsts;
    }
    void Render(Lumvek::Content& content, float seconds)
    {
        Lumvek::Geometry& vertices = *app.gui->GetVertexBuffer();
        Lumvek::Geometry& indices = *app.gui->GetIndexBuffer();
        vertices.used = indices.used = 0;
        // A plain quad first, so the draw-in has to find its own multiple of four.
        const Lumvek::GuiColorVertex plain[4] = {};
        Lumvek::DrawList list;
        Lumvek::AppendGuiQuad(list, vertices, indices, plain);
        indices.used = 0;
        content.Render(seconds, list, vertices, indices, *app.device, menu, {0.0f, 0.0f, 400.0f, 100.0f});
    }
    DrawInText& Text(const std::string& text, bool colorCodes)
    {
        auto* content = new DrawInText;
        text_.reset(content);
        content->text = text;
        content->font = fontSlot;
        content->colorCodes = colorCodes ? 1 : 0;
        return *content;
    }

    TestApplication app;
    Calls calls;
    TestMenu menu{calls};
    const uint32_t fontSlot = Lumvek::NameTableC().Add("DrawInTestFont");
    const uint32_t imageSlot = Lumvek::NameTableC().Add("DrawInTestImage");
    uint32_t imageRegion = 0;
    std::unique_ptr<DrawInText> text_;
};

TEST_F(DrawInContent, AnImageDrawsInOverItsDurationAndHoldsWhenDone)
{
    DrawInImage image;
    image.texture = imageSlot;
    image.region = imageRegion;
    image.height = {Lumvek::UnitRectangle::Percent, 100.0f};
    image.clock.direction = 1;
    Render(image, 0.0f);
    EXPECT_TRUE(Quads<DrawInImageVertex>().empty()) << "Elapsed 0 draws nothing";
    EXPECT_EQ(image.clock.direction, 1) << "a frame of no time does not stop a draw-in";
    const struct
    {
        float seconds, time;
        int32_t direction;
    } steps[] = {{0.5f, 0.5f, 1}, {0.5f, 1.0f, 0}, {0.7f, 1.0f, 0}};
    for (const auto& step : steps)
    {
        Render(image, step.seconds);
        const auto quads = Quads<DrawInImageVertex>();
        ASSERT_EQ(quads.size(), 1u);
        EXPECT_FLOAT_EQ(quads[0].time, step.time);
        EXPECT_EQ(image.clock.direction, step.direction);
    }
    // Drawn out again at twice the speed: nothing once it is back at 0.
    image.clock.direction = -1;
    image.clock.speed = 2.0f;
    Render(image, 0.5f);
    EXPECT_TRUE(Quads<DrawInImageVertex>().empty());
    EXPECT_EQ(image.clock.direction, 0);
}

TEST_F(DrawInContent, CharactersWriteOneAfterAnotherEachInItsShare)
{
    const Lumvek::Color red{255, 0, 0, 255};
    const struct
    {
        const char* text;
        bool colorCodes;
        float elapsed;
        std::vector<float> times;
        bool red;
    } cases[] = {
        // A share of a third each: A done, B half way, C not begun.
        {"ABC", false, 0.5f, {1.0f, 0.5f}, false},
        // A red tag and two letters: a share of a quarter each, both done half way through.
        {"#FF0000FFAB", true, 0.5f, {1.0f, 1.0f}, true},
        // A space takes its share and draws nothing.
        {"A C", false, 0.5f, {1.0f}, false},
        // A "#" too close to the end is an ordinary character; the share stays positive.
        {"AB#C1", true, 0.8f, {1.0f, 1.0f, 1.0f, 1.0f}, false},
        {"ABC", false, 0.0f, {}, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        DrawInText& text = Text(c.text, c.colorCodes);
        text.clock.elapsed = c.elapsed;
        Render(text, 0.0f);
        const auto quads = Quads<DrawInTextVertex>();
        std::vector<float> times;
        for (const DrawInTextVertex& quad : quads)
        {
            times.push_back(quad.time);
            EXPECT_EQ(quad.fillColor == red, c.red);
        }
        ASSERT_EQ(times.size(), c.times.size());
        for (size_t i = 0; i < times.size(); ++i)
            EXPECT_NEAR(times[i], c.times[i], 1e-5f) << i;
    }
}

} // namespace
