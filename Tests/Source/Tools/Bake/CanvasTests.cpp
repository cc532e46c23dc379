#include "Source/Tools/Bake/Canvas.h"
#include "Source/Tools/Bake/Symbols.h"

#include "Engine/Foundation/ImageFormats.h"
#include "Engine/Foundation/Texture.h"

#include <gtest/gtest.h>

using namespace Lumvek;

TEST(Canvas, FillsCoverPixelsByAreaAndBlendOverClearOrPaper)
{
    const Rgba half{Palette::Red.r, Palette::Red.g, Palette::Red.b, 128};
    const struct
    {
        Rgba background;
        float left; // of the filled square, in pixels of a 10 x 10 canvas
        Rgba inside, edge, outside;
    } cases[] = {
        // An edge on a pixel boundary leaves no partial pixel; one through the middle covers half.
        {Palette::Clear, 2.0f, Palette::Red, Palette::Red, Palette::Clear},
        {Palette::Clear, 2.5f, Palette::Red, half, Palette::Clear},
        {Palette::Paper, 2.5f, Palette::Red, Rgba{0xE8, 0x9F, 0x93, 255}, Palette::Paper},
    };
    for (const auto& c : cases)
    {
        Canvas canvas(10, 10, c.background);
        Pen pen(canvas, "square");
        pen.wobble = 0.0f;
        pen.Fill(Paths::Rect(c.left * 10.0f, 20, 60, 60), Palette::Red);
        EXPECT_EQ(canvas.Get(5, 5), c.inside) << c.left;
        EXPECT_EQ(canvas.Get(2, 5), c.edge) << c.left;
        EXPECT_EQ(canvas.Get(1, 5), c.outside) << c.left;
        EXPECT_EQ(canvas.Get(5, 9), c.outside) << c.left;
    }
}

TEST(Canvas, StrokesWobbleTheSameWayForTheSameNameOnly)
{
    const auto draw = [](const char* name)
    {
        Canvas canvas(64, 64);
        Pen pen(canvas, StringView(std::string_view(name)));
        pen.wobble = 3.0f;
        pen.Stroke(Paths::Circle(50, 50, 35), true);
        pen.Line({10, 90}, {90, 90});
        return canvas.pixels;
    };
    EXPECT_EQ(draw("Flag"), draw("Flag"));
    EXPECT_NE(draw("Flag"), draw("Token"));

    // The line stays near its path: ink on the ring, none at its centre or in the corners.
    Canvas canvas(100, 100);
    Pen pen(canvas, "ring");
    pen.Stroke(Paths::Circle(50, 50, 35), true);
    EXPECT_EQ(canvas.Get(85, 50).a, 255);
    EXPECT_EQ(canvas.Get(50, 15).a, 255);
    EXPECT_EQ(canvas.Get(50, 50).a, 0);
    EXPECT_EQ(canvas.Get(2, 2).a, 0);
}

TEST(Canvas, SketchesKeepOnlyTheOutlinesOfEverySymbol)
{
    for (const std::string& name : SymbolNames())
    {
        Canvas drawing(64, 64), sketch(64, 64);
        Pen drawingPen(drawing, "same"), sketchPen(sketch, "same");
        FindSymbol(name)(drawingPen, Palette::Blue, false);
        FindSymbol(name)(sketchPen, Palette::Blue, true);
        size_t inked = 0, coloured = 0;
        for (uint32_t y = 0; y < 64; ++y)
            for (uint32_t x = 0; x < 64; ++x)
            {
                const Rgba pixel = sketch.Get(x, y);
                inked += pixel.a > 0;
                // Only ink, never fill colours, lands on a sketch.
                coloured += pixel.a > 0 && (pixel.r != Palette::Ink.r || pixel.b != Palette::Ink.b);
            }
        EXPECT_GT(inked, 100u) << name;
        EXPECT_EQ(coloured, 0u) << name;
        EXPECT_NE(drawing.pixels, sketch.pixels) << name;
    }
    EXPECT_EQ(FindSymbol("NoSuchSymbol"), nullptr);
}

TEST(Canvas, PngsReadBackAndReductionsAverageByAlpha)
{
    Canvas canvas(4, 2, Palette::Clear);
    canvas.Blend(0, 0, Palette::Red, 1.0f);
    canvas.Blend(3, 1, Palette::Blue, 0.5f);
    canvas.Blend(-1, 0, Palette::Blue, 1.0f); // outside: ignored
    Buffer png;
    ASSERT_TRUE(canvas.WritePng(png));
    BufferReader reader(png, ReversedOrder);
    Texture texture;
    ASSERT_TRUE(PngFormat::ReadPng(reader, texture));
    ASSERT_EQ(std::tie(texture.width, texture.height), std::make_tuple(4u, 2u));
    EXPECT_TRUE(std::equal(canvas.pixels.begin(), canvas.pixels.end(), texture.pixels.Data()));

    const Canvas reduced = canvas.Reduced(2);
    ASSERT_EQ(std::tie(reduced.width, reduced.height), std::make_tuple(2u, 1u));
    // A red pixel among three clear ones stays red, a quarter as opaque.
    EXPECT_EQ(reduced.Get(0, 0), (Rgba{Palette::Red.r, Palette::Red.g, Palette::Red.b, 64}));
}
