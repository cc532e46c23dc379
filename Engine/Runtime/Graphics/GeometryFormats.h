#pragma once

#include "Engine/Foundation/Format.h"
#include "Engine/Runtime/Graphics/Geometry.h"

namespace Lumvek
{

// The geometry formats: LON documents read into a Geometry. None of them saves.
class GeometryFormat : public BlueprintFormat<Geometry>
{
public:
    using BlueprintFormat<Geometry>::BlueprintFormat;

    // Logs "saving is not implemented" and writes nothing.
    bool Write(Blueprint& tree, const Geometry& geometry) override;
};

// "lvb": a vertex buffer of "Position2dTextureColor" vertices (X, Y, U, V as floats and four colour
// bytes, 20 bytes each) drawn with the document's "Topology".
class LvbFormat : public GeometryFormat
{
public:
    static constexpr uint32_t VertexSize = 20;

    using GeometryFormat::GeometryFormat;

    bool Read(const Blueprint& tree, Geometry& geometry) override;
};

// "lix": an index buffer of "Small" (16-bit) or "Big" (32-bit) indices.
class LixFormat : public GeometryFormat
{
public:
    using GeometryFormat::GeometryFormat;

    bool Read(const Blueprint& tree, Geometry& geometry) override;
};

// "lcb": constant buffers, registered so the extension is known; loading logs "loading is not
// implemented".
class LcbFormat : public GeometryFormat
{
public:
    using GeometryFormat::GeometryFormat;

    bool Read(const Blueprint& tree, Geometry& geometry) override;
};

} // namespace Lumvek
