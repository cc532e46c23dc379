#pragma once

#include "Engine/Foundation/FormatHandle.h"
#include "Engine/Foundation/StringView.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace Lumvek
{

class Texture;

// A rectangle in texture coordinates, each value a fraction of the texture's width or height.
struct UvRectangle
{
    float x = 0.0f;
    float y = 0.0f;
    float width = 1.0f;
    float height = 1.0f;
};

// A rectangle of a texture's pixels that something draws. Owned by its texture, which destroys it
// when the texture is resized.
class TextureRegion
{
public:
    TextureRegion(Texture* texture, TextureRegion* parent, uint32_t x, uint32_t y)
        : texture(texture), parent(parent), x(x), y(y)
    {
    }
    TextureRegion(const TextureRegion&) = delete;
    TextureRegion& operator=(const TextureRegion&) = delete;
    virtual ~TextureRegion() = default;

    // Sizes the region and recomputes its texture coordinates. Refused (false, nothing changed) when
    // the region would reach past the texture's edge.
    bool SetSize(uint32_t width, uint32_t height);
    // The region's first pixel inside the texture's pixels (rows at the texture's pitch); null when
    // the texture holds no pixels for the whole region.
    uint8_t* Pixels() const;
    // Stores the path and loads the image into the region; an empty path keeps the previous load.
    void Load(StringView path);

    Texture* texture = nullptr;
    TextureRegion* parent = nullptr; // the atlas or stream region whose space holds this one
    std::string path;
    FormatHandle handle;
    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    UvRectangle uv{-1.0f, -1.0f, -1.0f, -1.0f};
    // Set while a streaming thread loads an image into the region: its size and coordinates are that
    // thread's until it clears the flag (a release), so a reader looks at them only once it reads 0.
    // Set, and the region moved to another cell, only on the application thread, which draws it.
    std::atomic<uint8_t> filling{0};
};

// Packs further regions into its area with a binary tree of free rectangles.
class TextureAtlasRegion : public TextureRegion
{
public:
    static constexpr uint32_t Leaf = 0xFFFFFFFFu;

    struct Node
    {
        uint32_t first = Leaf; // children; Leaf in first marks a leaf
        uint32_t second = Leaf;
        uint32_t x = 0;
        uint32_t y = 0;
        uint32_t width = 0;
        uint32_t height = 0;
    };

    using TextureRegion::TextureRegion;

    // Finds room for a width x height rectangle in the subtree of node, depth first, first child
    // before second; x and y receive its place relative to the atlas. False (tree unchanged) when no
    // leaf fits.
    bool Insert(uint32_t node, uint32_t& outX, uint32_t& outY, uint32_t width, uint32_t height);
    // Insert from the root, making the root the whole atlas when the tree is empty.
    bool Pack(uint32_t width, uint32_t height, uint32_t& outX, uint32_t& outY);

    std::vector<Node> nodes;
};

// Splits its area into a grid of animation frames.
class TextureFramesRegion : public TextureRegion
{
public:
    // Beyond this many frames a grid is refused: no sheet holds that many distinct frames, and a
    // count read from a file must not exhaust memory.
    static constexpr uint64_t MaximumFrames = 1u << 20;

    using TextureRegion::TextureRegion;

    // Lays columns x rows frames of frameWidth x frameHeight pixels over the region, row by row,
    // then keeps count of them (further frames cover the whole texture). False (frames unchanged)
    // when the grid or the count exceeds MaximumFrames.
    bool SetGrid(uint32_t columns, uint32_t rows, uint32_t frameWidth, uint32_t frameHeight, uint32_t count);

    std::vector<UvRectangle> frames;
};

// An image whose borders keep their size when it is stretched.
class TextureNineSliceRegion : public TextureRegion
{
public:
    using TextureRegion::TextureRegion;

    // In pixels.
    uint32_t left = 0;
    uint32_t right = 0;
    uint32_t bottom = 0;
    uint32_t top = 0;
};

// One character of a font.
struct FontGlyph
{
    UvRectangle uv;       // where the glyph lies in the texture
    float offsetX = 0.0f; // placement, in font units
    float offsetY = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    float bearing = 0.0f; // carried by the font file before the advance
    float advance = 0.0f;
    // The following character's index into kerningAmounts.
    std::unordered_map<uint8_t, uint32_t> kerning;
    std::vector<float> kerningAmounts;

    // Stores or replaces the kerning before the following character.
    void SetKerning(uint8_t following, float amount);
};

// The glyphs of a font laid out in its texture, with what text measuring needs.
class TextureFontRegion : public TextureRegion
{
public:
    static constexpr uint32_t GlyphCount = 128;

    using TextureRegion::TextureRegion;

    // 0 for a pair without kerning and for characters outside the glyphs.
    float GetKerning(char first, char second) const;
    // The width of the text in font units. Bytes outside the glyphs (128 and above) have no glyph:
    // they add nothing and are left out of the kerning pairs.
    float MeasureText(StringView text) const;

    float ascent = 0.0f;
    float descent = 0.0f;
    float spaceAdvance = 0.0f;
    float lineHeight = 0.0f;
    std::array<FontGlyph, GlyphCount> glyphs;
};

// Hands out fixed-size cells to images streamed in on demand, reusing the least recently used cell.
// Used by the streaming workers with the texture locked.
class TextureStreamRegion : public TextureRegion
{
public:
    static constexpr uint32_t None = 0xFFFFFFFFu;

    struct Cell
    {
        uint32_t index = 0;
        uint32_t useCount = 0; // raised each time the cell is handed to a frame
        uint32_t previous = None;
        uint32_t next = None;
    };

    struct Frame
    {
        uint32_t cell = None;
        uint32_t useCount = 0; // the cell's use count when it was handed to this frame
    };

    // Beyond this many cells a cell size is refused: streamed images are far larger than a pixel or
    // two, and a size read from a file must not exhaust memory.
    static constexpr uint64_t MaximumCells = 1u << 20;

    using TextureRegion::TextureRegion;

    // Divides the region into cells, all unused, linked in index order; forgets every frame.
    // Refused (false, nothing changed) for a zero cell width or height, or beyond MaximumCells.
    bool SetCellSize(uint32_t width, uint32_t height);
    // Hands the least recently used cell to the frame, placing the frame's region (created under
    // the frame id, or moved when the frame had one) over the cell and marking the cell's area for
    // upload. Null when the region has no cells. The cell's place in the use order is unchanged.
    const Cell* AddFrame(uint32_t frameId);
    // The frame's record; null for a frame never added.
    const Frame* FindFrame(uint32_t frameId) const;
    // True while the frame's cell has not been handed to another frame since.
    bool HoldsFrame(uint32_t frameId) const;
    // Makes the cell the most recently used.
    void MoveToHead(uint32_t cell);
    // What streaming does for a requested frame: keeps its cell when it still holds it, else hands
    // it a cell, and in both cases marks the cell most recently used. added tells whether the image
    // has to be loaded. Null when the region has no cells.
    const Cell* UseFrame(uint32_t frameId, bool& added);

    uint32_t cellWidth = 0;
    uint32_t cellHeight = 0;
    uint32_t columns = 0;
    uint32_t rows = 0;
    std::unordered_map<uint32_t, Frame> frames;
    std::vector<Cell> cells;
    uint32_t head = None; // most recently used
    uint32_t tail = None; // least recently used
};

} // namespace Lumvek
