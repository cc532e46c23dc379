#pragma once

#include "Engine/Foundation/StringView.h"

#include <cstdint>

namespace Lumvek
{
class GraphicsDevice;
class Texture;
} // namespace Lumvek

// The loaders behind ThemeData::LoadAtlas, each for one kind of a theme's images. Paths are
// "Assets/Themes/<theme>/<image>.png" below the application root of the textures' file manager.

// Creates the device texture of the slot (an index in NameTableC) to be uploaded once, and loads the
// image named after the slot into it. Nothing for the slot -1, and nothing when the slot already
// holds a texture: layers may share one, and a theme loaded again keeps what is alive. True when it
// created the texture.
bool LoadBackgroundTexture(Lumvek::GraphicsDevice& device, Lumvek::StringView themeName, uint32_t textureId);

// Places the image of the piece (an index in NameTableA, whose name is the image's) at (x, y) on the
// tile texture, then repeats its outermost columns and rows outwards by the given numbers of pixels,
// and its corner pixels into the corners between two extruded sides, so that filtering at its edges
// samples its own colours. A piece whose region exists already is skipped; a missing image leaves an
// empty region and nothing extruded.
void AddThemePiece(Lumvek::Texture& tiles, uint32_t pieceId, Lumvek::StringView themeName, uint32_t x, uint32_t y,
                   uint32_t left, uint32_t right, uint32_t bottom, uint32_t top);
