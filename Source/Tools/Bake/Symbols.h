#pragma once

#include "Source/Tools/Bake/Canvas.h"

#include "Engine/Foundation/StringView.h"

#include <string>
#include <vector>

// Small glyph-free pictures in the sketch look, each drawn in the pen's 100 x 100 design square: in
// flat colour with ink outlines, or as ink outlines alone for a sketch. The colour is the main one
// of the picture (a flag's cloth, a token's face); the others come from the palette.
using SymbolDrawing = void (*)(Pen& pen, Rgba color, bool sketch);

// The drawing of a symbol by name ("Flag", "Gun", "Head"...), null for an unknown name.
SymbolDrawing FindSymbol(Lumvek::StringView name);
// Every symbol name, in a fixed order.
std::vector<std::string> SymbolNames();

// Draws a word in plain ink strokes, one letter per cell of width cellWidth, from (x, y) in design
// units; letters the stroke alphabet lacks are left blank.
void StrokeWord(Pen& pen, Lumvek::StringView word, float x, float y, float cellWidth, float height,
                Rgba color = Palette::Ink);
