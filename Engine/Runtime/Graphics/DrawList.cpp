#include "Engine/Runtime/Graphics/DrawList.h"

#include "Engine/Runtime/Graphics/GraphicsDevice.h"

#include <algorithm>
#include <cstring>

namespace Lumvek
{

namespace
{

bool SameState(const DrawCommand& a, const DrawCommand& b)
{
    // The first constant counts as state too: two draws reading different constants cannot share one
    // binding.
    return a.clipOnly == b.clipOnly && a.material == b.material && a.geometry == b.geometry &&
           a.geometryStride == b.geometryStride && a.instances == b.instances && a.instanceStride == b.instanceStride &&
           a.indices == b.indices && a.indexStride == b.indexStride &&
           std::equal(std::begin(a.textures), std::end(a.textures), std::begin(b.textures)) &&
           std::equal(std::begin(a.constants), std::end(a.constants), std::begin(b.constants));
}

bool Adjacent(const DrawCommand& a, const DrawCommand& b)
{
    return uint64_t(a.first) + a.count == b.first || uint64_t(b.first) + b.count == a.first;
}

} // namespace

DrawCommand& DrawList::Add()
{
    return items.emplace_back();
}

void DrawList::Draw(uint32_t first, uint32_t count, float depth)
{
    DrawCommand next = Template();
    DrawCommand& draw = items.back();
    draw.first = first;
    draw.count = count;
    draw.depth = depth;
    items.push_back(next);
}

bool DrawList::Batch()
{
    if (items.size() < 2)
        return false;
    for (size_t i = 0; i + 2 < items.size(); ++i)
    {
        DrawCommand& current = items[i];
        DrawCommand& next = items[i + 1];
        if (!SameState(current, next) || !Adjacent(current, next))
            continue;
        current.skip = 1;
        next.first = std::min(current.first, next.first);
        next.count += current.count;
    }
    items.back().skip = 1;
    return true;
}

void DrawList::Submit(GraphicsDevice& device) const
{
    using Code = GraphicsCommandCode;
    std::vector<GraphicsCommand>& queue = device.GetCommands();
    // What the list has set so far; starts as nothing bound.
    DrawCommand bound;
    // The template is the state of a draw not made yet, so it never reaches the queue, batched or not.
    for (size_t i = 0; i + 1 < items.size(); ++i)
    {
        const DrawCommand& item = items[i];
        if (item.skip)
            continue;
        if (item.clipOnly)
        {
            queue.push_back(GraphicsCommand::SetClip(item.clip.x, item.clip.y, item.clip.width, item.clip.height));
            continue;
        }
        if (item.material != bound.material)
        {
            queue.push_back(GraphicsCommand::Make(Code::SetMaterial, item.material));
            bound.material = item.material;
        }
        if (item.geometry != bound.geometry || item.geometryStride != bound.geometryStride ||
            item.instances != bound.instances || item.instanceStride != bound.instanceStride ||
            item.indices != bound.indices || item.indexStride != bound.indexStride)
        {
            // Replaying SetGeometry clears the instance and index counts, so all three go together.
            queue.push_back(GraphicsCommand::Make(Code::SetGeometry, item.geometry, item.geometryStride));
            queue.push_back(GraphicsCommand::Make(Code::SetInstances, item.instances, item.instanceStride));
            queue.push_back(GraphicsCommand::Make(Code::SetIndices, item.indices, item.indexStride));
            bound.geometry = item.geometry;
            bound.geometryStride = item.geometryStride;
            bound.instances = item.instances;
            bound.instanceStride = item.instanceStride;
            bound.indices = item.indices;
            bound.indexStride = item.indexStride;
        }
        for (uint32_t slot = 0; slot < 4; ++slot)
        {
            if (item.textures[slot] == bound.textures[slot])
                continue;
            queue.push_back(GraphicsCommand::Make(Code::SetTexture, item.textures[slot], slot));
            bound.textures[slot] = item.textures[slot];
        }
        for (uint32_t slot = 0; slot < 4; ++slot)
        {
            const ConstantBinding& constants = item.constants[slot];
            if (constants == bound.constants[slot])
                continue;
            queue.push_back(
                GraphicsCommand::Make(Code::SetConstants, constants.geometry, constants.first, constants.count, slot,
                                      GraphicsCommand::StageFlags(constants.vertexStage, constants.pixelStage)));
            bound.constants[slot] = constants;
        }
        queue.push_back(GraphicsCommand::Make(Code::Draw, item.first, item.count));
    }
}

void DrawList::Reset()
{
    items.clear();
    Add();
}

} // namespace Lumvek
