#include "Engine/Foundation/TextureRegion.h"

#include "Engine/Foundation/Texture.h"

#include <cstdint>
#include <vector>

namespace Lumvek
{

bool TextureRegion::SetSize(uint32_t newWidth, uint32_t newHeight)
{
    if (uint64_t(x) + newWidth > texture->width || uint64_t(y) + newHeight > texture->height)
        return false;
    width = newWidth;
    height = newHeight;
    const float textureWidth = static_cast<float>(texture->width);
    const float textureHeight = static_cast<float>(texture->height);
    uv = {x / textureWidth, y / textureHeight, width / textureWidth, height / textureHeight};
    texture->MarkChanged();
    return true;
}

uint8_t* TextureRegion::Pixels() const
{
    const uint64_t pitch = texture->RowPitch();
    if (texture->bytesPerPixel == 0 || uint64_t(x) + width > texture->width || uint64_t(y) + height > texture->height ||
        texture->pixels.Size() < pitch * texture->height)
        return nullptr;
    return texture->pixels.Data() + y * pitch + uint64_t(x) * texture->bytesPerPixel;
}

bool TextureAtlasRegion::Insert(uint32_t node, uint32_t& outX, uint32_t& outY, uint32_t rectangleWidth,
                                uint32_t rectangleHeight)
{
    // Depth first without recursion: a tree of many packed images is deep.
    std::vector<uint32_t> pending{node};
    while (!pending.empty())
    {
        const uint32_t index = pending.back();
        pending.pop_back();
        if (index >= nodes.size())
            continue;
        Node leaf = nodes[index];
        if (leaf.first != Leaf)
        {
            pending.push_back(leaf.second);
            pending.push_back(leaf.first);
            continue;
        }
        if (rectangleWidth > leaf.width || rectangleHeight > leaf.height)
            continue;

        outX = leaf.x;
        outY = leaf.y;
        const int64_t dw = int64_t(leaf.width) - rectangleWidth;
        const int64_t dh = int64_t(leaf.height) - rectangleHeight;
        Node first;
        Node second;
        if (dw > dh)
        {
            first = {Leaf, Leaf, leaf.x, leaf.y + rectangleHeight, rectangleWidth, uint32_t(dh)};
            second = {Leaf, Leaf, leaf.x + rectangleWidth, leaf.y, uint32_t(dw), leaf.height};
        }
        else
        {
            first = {Leaf, Leaf, leaf.x, leaf.y + rectangleHeight, leaf.width, uint32_t(dh)};
            second = {Leaf, Leaf, leaf.x + rectangleWidth, leaf.y, uint32_t(dw), rectangleHeight};
        }
        const uint32_t count = static_cast<uint32_t>(nodes.size());
        nodes[index].first = count;
        nodes[index].second = count + 1;
        nodes[index].width = rectangleWidth;
        nodes[index].height = rectangleHeight;
        nodes.push_back(first);
        nodes.push_back(second);
        return true;
    }
    return false;
}

bool TextureAtlasRegion::Pack(uint32_t rectangleWidth, uint32_t rectangleHeight, uint32_t& outX, uint32_t& outY)
{
    if (nodes.empty())
        nodes.push_back({Leaf, Leaf, 0, 0, width, height});
    return Insert(0, outX, outY, rectangleWidth, rectangleHeight);
}

bool TextureFramesRegion::SetGrid(uint32_t columns, uint32_t rows, uint32_t frameWidth, uint32_t frameHeight,
                                  uint32_t count)
{
    const uint64_t gridSize = uint64_t(columns) * rows;
    if (gridSize > MaximumFrames || count > MaximumFrames)
        return false;
    frames.assign(gridSize, UvRectangle{});
    // A region without pixels has no frames to cut: every frame then starts at its corner.
    const float fw = width ? float(frameWidth) / float(width) * uv.width : 0.0f;
    const float fh = height ? float(frameHeight) / float(height) * uv.height : 0.0f;
    for (uint32_t row = 0; row < rows; ++row)
        for (uint32_t column = 0; column < columns; ++column)
            frames[size_t(row) * columns + column] = {uv.x + column * fw, uv.y + row * fh, fw, fh};
    frames.resize(count);
    return true;
}

void FontGlyph::SetKerning(uint8_t following, float amount)
{
    auto [entry, added] = kerning.try_emplace(following, static_cast<uint32_t>(kerningAmounts.size()));
    if (added)
        kerningAmounts.push_back(amount);
    else
        kerningAmounts[entry->second] = amount;
}

float TextureFontRegion::GetKerning(char first, char second) const
{
    const auto a = static_cast<uint8_t>(first);
    if (a >= GlyphCount)
        return 0.0f;
    const FontGlyph& glyph = glyphs[a];
    const auto entry = glyph.kerning.find(static_cast<uint8_t>(second));
    if (entry == glyph.kerning.end() || entry->second >= glyph.kerningAmounts.size())
        return 0.0f;
    return glyph.kerningAmounts[entry->second];
}

float TextureFontRegion::MeasureText(StringView text) const
{
    float total = 0.0f;
    char previous = 0;
    for (char c : text)
    {
        if (static_cast<uint8_t>(c) >= GlyphCount)
            continue;
        total += c == ' ' ? spaceAdvance : glyphs[static_cast<uint8_t>(c)].advance;
        total += GetKerning(previous, c);
        previous = c;
    }
    return total;
}

bool TextureStreamRegion::SetCellSize(uint32_t newCellWidth, uint32_t newCellHeight)
{
    if (newCellWidth == 0 || newCellHeight == 0 ||
        uint64_t(width / newCellWidth) * (height / newCellHeight) > MaximumCells)
        return false;
    cellWidth = newCellWidth;
    cellHeight = newCellHeight;
    columns = width / cellWidth;
    rows = height / cellHeight;
    frames.clear();
    const uint32_t count = columns * rows;
    cells.resize(count);
    for (uint32_t i = 0; i < count; ++i)
        cells[i] = {i, 0, i == 0 ? None : i - 1, i + 1 == count ? None : i + 1};
    head = count ? 0 : None;
    tail = count ? count - 1 : None;
    return true;
}

const TextureStreamRegion::Cell* TextureStreamRegion::AddFrame(uint32_t frameId)
{
    if (tail == None || tail >= cells.size())
        return nullptr;
    Cell& cell = cells[tail];
    ++cell.useCount;
    const uint32_t cellX = x + cellWidth * (cell.index % columns);
    const uint32_t cellY = y + cellHeight * (cell.index / columns);

    // A frame that lost its cell and comes back keeps its region: it moves to the new cell, where
    // the new image will be loaded, instead of staying over the cell another frame now uses.
    TextureRegion* region = texture->GetRegion(frameId);
    if (!region)
        texture->AddRegion(frameId, cellX, cellY, this);
    else if (region->parent == this)
    {
        region->x = cellX;
        region->y = cellY;
        const bool fits = region->width <= cellWidth && region->height <= cellHeight;
        region->SetSize(fits ? region->width : 0, fits ? region->height : 0);
    }

    frames[frameId] = {cell.index, cell.useCount};
    texture->GrowDirtyRectangle(cellX, cellY, cellX + cellWidth, cellY + cellHeight);
    texture->MarkChanged();
    return &cell;
}

const TextureStreamRegion::Frame* TextureStreamRegion::FindFrame(uint32_t frameId) const
{
    const auto entry = frames.find(frameId);
    return entry == frames.end() ? nullptr : &entry->second;
}

bool TextureStreamRegion::HoldsFrame(uint32_t frameId) const
{
    const Frame* frame = FindFrame(frameId);
    return frame && frame->cell < cells.size() && cells[frame->cell].useCount == frame->useCount;
}

void TextureStreamRegion::MoveToHead(uint32_t index)
{
    if (index >= cells.size() || index == head)
        return;
    Cell& cell = cells[index];
    if (cell.previous != None)
        cells[cell.previous].next = cell.next;
    if (cell.next != None)
        cells[cell.next].previous = cell.previous;
    if (index == tail)
        tail = cell.previous;
    cell.previous = None;
    cell.next = head;
    if (head != None)
        cells[head].previous = index;
    head = index;
    if (tail == None)
        tail = index;
}

const TextureStreamRegion::Cell* TextureStreamRegion::UseFrame(uint32_t frameId, bool& added)
{
    added = !HoldsFrame(frameId);
    const Cell* cell = added ? AddFrame(frameId) : &cells[FindFrame(frameId)->cell];
    if (cell)
        MoveToHead(cell->index);
    return cell;
}

} // namespace Lumvek
