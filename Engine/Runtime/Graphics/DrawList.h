#pragma once

#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/Resource.h"

#include <cstdint>
#include <vector>

namespace Lumvek
{

class GraphicsDevice;

// A constant range bound to one constant-buffer slot.
struct ConstantBinding
{
    // Device slot of the constant geometry; InvalidId for none.
    uint32_t geometry = InvalidId;
    // In 16-byte constants.
    uint32_t first = 0;
    uint32_t count = 0;
    uint8_t vertexStage = 0;
    uint8_t pixelStage = 0;

    bool operator==(const ConstantBinding&) const = default;
};

// One item of a DrawList: the whole state of one draw, or a clip rectangle. Resource ids are device
// slots, InvalidId for none.
struct DrawCommand
{
    uint32_t material = InvalidId;
    uint32_t geometry = InvalidId;
    uint32_t instances = InvalidId;
    uint32_t indices = InvalidId;
    uint32_t textures[4] = {InvalidId, InvalidId, InvalidId, InvalidId};
    ConstantBinding constants[4];
    Rectangle clip{0.0f, 0.0f, 1.0f, 1.0f};
    // An item with the flag set only sets the clip rectangle.
    uint8_t clipOnly = 0;
    // 0 = the geometry's own stride.
    uint32_t geometryStride = 0;
    uint32_t instanceStride = 0;
    uint32_t indexStride = 0;
    // The elements drawn (instances when instances are bound); a count of 0 draws them all.
    uint32_t first = 0;
    uint32_t count = 0;
    // Kept for the renderer's sorting; merging and submission ignore it.
    float depth = 0.0f;
    // Set on items folded into their successor, and on the template once batched.
    uint8_t skip = 0;
};

// The draws of one renderer for a frame. The last item is always the template: the state the next
// draw will use, which the renderer edits in place. Used on the application thread only.
// A renderer flushes a list with: if (list.Batch()) list.Submit(device); list.Reset();
class DrawList
{
public:
    // Appends a default item, the new template; a list is created empty and given its template so.
    DrawCommand& Add();
    // The last item; added when the list is empty.
    DrawCommand& Template() { return items.empty() ? Add() : items.back(); }
    // Makes the template a draw of the range and starts a new template with the previous state.
    void Draw(uint32_t first, uint32_t count, float depth);
    // Folds each draw into its successor when they share their state and their ranges touch, and
    // marks the template skipped. False when the list holds nothing but its template.
    bool Batch();
    bool Merge() { return Batch(); }
    // Appends the commands of every item but the template and those skipped to the device's queue,
    // each state only when it differs from what the list set before it.
    void Submit(GraphicsDevice& device) const;
    // Empties the list and adds a fresh template.
    void Reset();

    std::vector<DrawCommand> items;
};

} // namespace Lumvek
