#pragma once

#include "Engine/Foundation/Color.h"
#include "Engine/Foundation/Math.h"
#include "Source/World/PlatformRenderable.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

namespace Lumvek
{
class Geometry;
}

// The records the game's shaders read from its vertex, instance and constant buffers. Their layouts
// are what the materials' input lists describe, element after element without gaps, little-endian; a
// change here is a change of every shader that reads them. Written by the renderer on the application
// thread into buffers emptied at the start of every frame.

// A 4x4 float matrix, rows in order: a 2-D transform widened by Matrix3x3::ToMatrix4x4, or the camera's
// view and projection.
struct RenderMatrix
{
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    static RenderMatrix From(const Lumvek::Matrix4x4& matrix);
    static RenderMatrix From(const Lumvek::Matrix3x3& matrix) { return From(matrix.ToMatrix4x4()); }
};

// A rectangle of a texture in 0..1, v growing downward: its left and top, then its width and height.
struct TextureRectangle
{
    float u = 0.0f;
    float v = 0.0f;
    float width = 1.0f;
    float height = 1.0f;
};

// Inputs Transform 0-3, TexturePosition, TextureSize, then one value of four bytes whose meaning the
// material gives: Depth, Time or Color.
struct TransformInstance
{
    RenderMatrix transform;
    TextureRectangle texture;
    union
    {
        float depth;
        // Draw-in progress, 0 to 1.
        float time;
        Lumvek::Color color;
    };

    TransformInstance() : depth(0.0f) {}
};

// A particle: the transform instance with its colour, then its depth.
struct EffectInstance
{
    RenderMatrix transform;
    TextureRectangle texture;
    Lumvek::Color color;
    float depth = 0.0f;
};

// A sprite being erased: the transform instance, the erase pattern's rectangle in its own atlas, and
// the progress.
struct EraseInstance
{
    RenderMatrix transform;
    TextureRectangle texture;
    // DrawInPosition, then DrawInSize.
    TextureRectangle pattern;
    float time = 0.0f;
};

// Platform tiles and outlines are 36-byte position instances (InstancePosition, InstanceSize,
// TexturePosition, TextureSize, then Depth or Time), declared with the platform renderables that write
// them.
inline constexpr uint32_t PositionInstanceSize = sizeof(PositionInstance);
static_assert(PositionInstanceSize == 36 && offsetof(PositionInstance, width) == 8 &&
              offsetof(PositionInstance, u) == 16 && offsetof(PositionInstance, last) == 32);

// Background layer corners.
struct TexturedBackgroundVertex
{
    float x = 0.0f;
    float y = 0.0f;
    float u = 0.0f;
    float v = 0.0f;
};

struct ColoredBackgroundVertex
{
    float x = 0.0f;
    float y = 0.0f;
    Lumvek::Color color;
};

// Vertex-shader constant slot 0 of every game material: world units to clip space for one view.
struct CameraConstants
{
    RenderMatrix transform;
};

// The byte sizes and offsets are the shaders' contract.
static_assert(sizeof(RenderMatrix) == 64);
static_assert(sizeof(TransformInstance) == 84 && offsetof(TransformInstance, texture) == 64 &&
              offsetof(TransformInstance, depth) == 80);
static_assert(sizeof(EffectInstance) == 88 && offsetof(EffectInstance, color) == 80 &&
              offsetof(EffectInstance, depth) == 84);
static_assert(sizeof(EraseInstance) == 100 && offsetof(EraseInstance, pattern) == 80 &&
              offsetof(EraseInstance, time) == 96);
static_assert(sizeof(TexturedBackgroundVertex) == 16 && sizeof(ColoredBackgroundVertex) == 12);
static_assert(sizeof(CameraConstants) == 64);
static_assert(std::is_trivially_copyable_v<TransformInstance> && std::is_trivially_copyable_v<EffectInstance> &&
              std::is_trivially_copyable_v<EraseInstance>);

// The record sizes the buffers are bound with.
inline constexpr uint32_t TransformInstanceSize = sizeof(TransformInstance);
inline constexpr uint32_t EffectInstanceSize = sizeof(EffectInstance);
inline constexpr uint32_t EraseInstanceSize = sizeof(EraseInstance);

// Records taken from a dynamic buffer: where they go, and the index of the first in the buffer (for
// constants, its first 16-byte unit). Empty, with nothing written, when the buffer refuses the request
// or count is 0. The span is valid until the buffer next grows, that is until the next allocation.
template <class T> struct RenderAllocation
{
    std::span<T> records;
    uint32_t first = 0;

    bool empty() const { return records.empty(); }
    T& operator[](size_t index) const { return records[index]; }
    size_t size() const { return records.size(); }
};

namespace RenderBuffers
{

// Appends count records to the geometry, aligned to the record size, growing it as needed. The records
// start value-initialised.
RenderAllocation<TransformInstance> AllocateTransforms(Lumvek::Geometry& buffer, uint32_t count = 1);
RenderAllocation<EffectInstance> AllocateEffects(Lumvek::Geometry& buffer, uint32_t count = 1);
RenderAllocation<EraseInstance> AllocateErase(Lumvek::Geometry& buffer);
// Four corners of one background layer.
RenderAllocation<TexturedBackgroundVertex> AllocateTexturedCorners(Lumvek::Geometry& buffer);
RenderAllocation<ColoredBackgroundVertex> AllocateColoredCorners(Lumvek::Geometry& buffer);
RenderAllocation<uint16_t> AllocateIndices(Lumvek::Geometry& buffer, uint32_t count);
// One block of camera constants at 256-byte alignment; first counts 16-byte units.
RenderAllocation<CameraConstants> AllocateCamera(Lumvek::Geometry& buffer);

// The number of whole records of the size the buffer holds: where the next allocation's range starts.
uint32_t CountRecords(const Lumvek::Geometry& buffer, uint32_t recordSize);
// Empties a dynamic buffer for a new frame and sets what it holds.
void Empty(Lumvek::Geometry& buffer, uint32_t dataType);

} // namespace RenderBuffers

// A range of one buffer's records that one view wrote and one draw covers.
struct RenderRange
{
    uint32_t first = 0;
    uint32_t count = 0;
};
