#include "Source/Ui/UiResources.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Graphics/Material.h"
#include "Engine/Runtime/Gui/Gui.h"
#include "Source/Data/NamedAssets.h"

#include <cstring>
#include <mutex>
#include <string_view>
#include <vector>

namespace
{

TransitionGeometryIds NameIds()
{
    // A graphics resource lives in the table under its slot's name.
    auto id = [](uint32_t slot) { return Lumvek::NameTableB().Add(Lumvek::NameTableC().GetName(slot)); };
    TransitionGeometryIds ids;
    ids.colorTransitionVertices = id(GraphicsResources::ColorTransitionVertices);
    ids.quadIndices = id(GraphicsResources::QuadIndices);
    ids.pageConstants = id(GraphicsResources::PageConstants);
    ids.pageVertices = id(GraphicsResources::PageVertices);
    ids.pageIndices = id(GraphicsResources::PageIndices);
    return ids;
}

// A static geometry holding the indices, or the one already in the slot.
bool CreateIndices(Lumvek::GraphicsDevice& device, uint32_t slot, uint32_t id, const uint16_t* indices, uint32_t count)
{
    if (FindGeometry(device, id))
        return true;
    Lumvek::Geometry* geometry = device.CreateGeometry(slot, static_cast<uint32_t>(Lumvek::ResourceUsage::Static), 1);
    if (!geometry)
        return false;
    const auto lock = device.Lock();
    geometry->dataType = Lumvek::GeometryDataType::IndexList;
    Lumvek::GraphicsBufferRange range = Lumvek::GraphicsBuffer::Allocate(*geometry, sizeof(uint16_t), count);
    if (!range.bytes)
        return false;
    std::memcpy(range.bytes, indices, size_t(count) * sizeof(uint16_t));
    geometry->FinishChanges();
    return true;
}

bool CreateDynamic(Lumvek::GraphicsDevice& device, uint32_t slot, uint32_t id, Lumvek::GeometryDataType type)
{
    if (FindGeometry(device, id))
        return true;
    Lumvek::Geometry* geometry = device.CreateGeometry(slot, static_cast<uint32_t>(Lumvek::ResourceUsage::Dynamic), 0);
    if (!geometry)
        return false;
    const auto lock = device.Lock();
    geometry->dataType = type;
    return true;
}

using Lumvek::VertexElement;
using Format = Lumvek::VertexElementFormat;
using Semantic = Lumvek::VertexSemantic;

const VertexElement Position{"Position", Format::Float2, Semantic::Position, 0};
const VertexElement Coordinate{"TextureCoordinate", Format::Float2, Semantic::TextureCoordinate, 0};
const VertexElement Tint{"Color", Format::Color, Semantic::Color, 0};
const VertexElement Texture{"Texture", Format::Float2, Semantic::TextureCoordinate, 0};
const VertexElement Time{"Time", Format::Float, Semantic::TextureCoordinate, 1};
const std::vector<VertexElement> TextInputs = {Position,
                                               Texture,
                                               {"FillColor", Format::Color, Semantic::Color, 0},
                                               {"StrokeColor", Format::Color, Semantic::Color, 1},
                                               {"InnerStrokeRadius", Format::Float, Semantic::TextureCoordinate, 1},
                                               {"OuterStrokeRadius", Format::Float, Semantic::TextureCoordinate, 2}};

enum class Sampling
{
    None,
    Clamped,
    Wrapping,
};

// Makes a material of the shader file with alpha blending; text keeps the destination's alpha where
// the glyph is clear. A material that exists already is kept; a shader that does not load is logged.
// Loaded through the material itself, which keeps its path and, when the table watches, reloads the
// shader as it is edited.
void CreateMaterial(Lumvek::GraphicsDevice& device, uint32_t slot, std::string_view path,
                    std::vector<VertexElement> inputs, Sampling sampling, bool text,
                    Lumvek::CullMode cull = Lumvek::CullMode::None)
{
    Lumvek::Material* material = device.CreateMaterial(slot);
    if (!material)
        return;
    material->Load(path);
    if (!material->handle.IsLoaded())
        Lumvek::Log::Write("the shader {} did not load: what it draws stays blank", path);
    using Lumvek::BlendFactor;
    using Lumvek::BlendOperation;
    const Lumvek::BlendState color{BlendFactor::SourceAlpha, BlendFactor::InverseSourceAlpha, BlendOperation::Add};
    const Lumvek::BlendState alpha =
        text ? Lumvek::BlendState{BlendFactor::SourceAlpha, BlendFactor::One, BlendOperation::Add} : color;
    material->SetBlend(color, alpha);
    if (sampling != Sampling::None)
    {
        const auto address =
            sampling == Sampling::Wrapping ? Lumvek::SamplerAddress::Wrap : Lumvek::SamplerAddress::Clamp;
        material->SetSampler({Lumvek::SamplerFilter::Linear, address, address});
    }
    material->vertexElements = std::move(inputs);
    material->cullMode = cull;
    material->FinishChanges();
}

// A texture, font or atlas of a file, uploaded once.
void CreateTexture(Lumvek::GraphicsDevice& device, uint32_t slot, std::string_view path,
                   Lumvek::ResourceUsage usage = Lumvek::ResourceUsage::UploadOnce)
{
    Lumvek::Texture* texture = device.CreateTexture(slot, static_cast<uint32_t>(usage));
    if (!texture)
        return;
    texture->Load(path);
    texture->FinishChanges();
}

} // namespace

namespace UiResources
{

void LoadBasic(Lumvek::Gui& gui, Lumvek::GraphicsDevice& device)
{
    namespace Slots = GraphicsResources;
    // Named here, on the application thread, before the start-up loader adds names of its own.
    (void)TransitionGeometryIds::Get();
    gui.colorMaterial = Slots::QuadMaterial;
    gui.imageMaterial = Slots::ColoredImageMaterial;
    gui.textMaterial = Slots::TextMaterial;
    CreateMaterial(device, Slots::QuadMaterial, "Assets/Ui/Materials/Color.hlsl", {Position, Tint}, Sampling::None,
                   false);
    CreateMaterial(device, Slots::ColoredImageMaterial, "Assets/Ui/Materials/ColoredImage.hlsl",
                   {Position, Coordinate, Tint}, Sampling::Clamped, false);
    CreateMaterial(device, Slots::TextMaterial, "Assets/Ui/Materials/TextElement.hlsl", TextInputs, Sampling::Clamped,
                   true);
    if (!CreateTransitionGeometries(device))
        Lumvek::Log::Write("the transition geometries could not be made: transitions only delay");
    CreateTexture(device, Slots::MakerLogo, "Assets/Ui/Textures/MakerLogo.png");
}

void Load(Lumvek::GraphicsDevice& device)
{
    namespace Slots = GraphicsResources;
    CreateMaterial(device, Slots::ImageMaterial, "Assets/Ui/Materials/Image.hlsl", {Position, Coordinate},
                   Sampling::Clamped, false);
    CreateMaterial(device, Slots::TiledImageMaterial, "Assets/Ui/Materials/Image.hlsl", {Position, Coordinate},
                   Sampling::Wrapping, false);
    std::vector<VertexElement> drawInText = TextInputs;
    drawInText.push_back({"Time", Format::Float, Semantic::TextureCoordinate, 3});
    CreateMaterial(device, Slots::DrawInTextMaterial, "Assets/Ui/Materials/DrawInText.hlsl", std::move(drawInText),
                   Sampling::Clamped, true);
    CreateMaterial(device, Slots::DrawInImageMaterial, "Assets/Ui/Materials/DrawInImage.hlsl",
                   {Position, Texture, Tint, Time}, Sampling::Clamped, false);
    CreateMaterial(device, Slots::PageMaterial, "Assets/Ui/Materials/Page.hlsl",
                   {{"Position", Format::Float3, Semantic::Position, 0},
                    {"Normal", Format::Float3, Semantic::Normal, 0},
                    Coordinate},
                   // Each face is drawn only where it faces the viewer: the menu in front, paper behind.
                   // The page's front triangles wind anticlockwise on screen, which the devices take
                   // for back faces, so the culled side is the clockwise one.
                   Sampling::Clamped, false, Lumvek::CullMode::Front);

    if (device.CreateTexture(Slots::TransitionTarget, 0))
        FitTransitionTarget(device);
    CreateTexture(device, Slots::HeadingFont, "Assets/Ui/Fonts/HeadingFont.sdf");
    CreateTexture(device, Slots::ScriptFont, "Assets/Ui/Fonts/ScriptFont.sdf");
    CreateTexture(device, Slots::CanvasBackground, "Assets/Ui/Textures/CanvasBackground.png");
    CreateTexture(device, Slots::TallLogo, "Assets/Ui/Textures/TallLogo.png");
    CreateTexture(device, Slots::WideLogo, "Assets/Ui/Textures/WideLogo.png");
    // The atlases images stream into keep their pixels: a streamed image is written into a cell of the
    // texture's own copy long after the first upload.
    CreateTexture(device, Slots::UiAtlas, "Assets/Ui/Textures/Ui.ltd", Lumvek::ResourceUsage::Static);
    CreateTexture(device, Slots::PreviewAtlas, "Assets/Ui/Textures/Preview.ltd", Lumvek::ResourceUsage::Static);
}

void FitTransitionTarget(Lumvek::GraphicsDevice& device)
{
    Lumvek::Texture* target = device.GetTexture(GraphicsResources::TransitionTarget);
    if (!target)
        return;
    const Lumvek::DeviceSize size = device.GetSize();
    const auto lock = device.Lock();
    if (target->width == size.width && target->height == size.height &&
        target->format == Lumvek::TextureFormat::ColorTarget4x8)
        return;
    target->SetSize(size.width, size.height, Lumvek::TextureFormat::ColorTarget4x8);
    target->FinishChanges();
}

} // namespace UiResources

const TransitionGeometryIds& TransitionGeometryIds::Get()
{
    static const TransitionGeometryIds ids = NameIds();
    return ids;
}

void BuildPageIndices(uint16_t (&out)[PageIndexCount])
{
    static_assert(PageVertexCount * PagesPerFrame <= 0x10000, "the pages' vertices must stay within 16-bit indices");
    // Quad corners in the order the page writes them: top left, top right, bottom left, bottom right.
    constexpr uint16_t front[6] = {0, 1, 2, 2, 1, 3};
    constexpr uint16_t back[6] = {3, 1, 2, 2, 1, 0};
    for (uint32_t page = 0; page < PagesPerFrame; ++page)
    {
        uint16_t* faces = out + page * PageFaceIndexCount * 2;
        const uint32_t first = page * PageVertexCount;
        for (uint32_t quad = 0; quad < PageColumns * PageRows; ++quad)
            for (uint32_t corner = 0; corner < 6; ++corner)
            {
                faces[quad * 6 + corner] = static_cast<uint16_t>(first + quad * 4 + front[corner]);
                faces[PageFaceIndexCount + quad * 6 + corner] = static_cast<uint16_t>(first + quad * 4 + back[corner]);
            }
    }
}

bool CreateTransitionGeometries(Lumvek::GraphicsDevice& device)
{
    const TransitionGeometryIds& ids = TransitionGeometryIds::Get();
    namespace Slots = GraphicsResources;
    static constexpr uint16_t quad[6] = {0, 1, 2, 2, 1, 3};
    static uint16_t page[PageIndexCount];
    BuildPageIndices(page);
    bool created = CreateIndices(device, Slots::QuadIndices, ids.quadIndices, quad, 6);
    created &= CreateIndices(device, Slots::PageIndices, ids.pageIndices, page, PageIndexCount);
    created &= CreateDynamic(device, Slots::ColorTransitionVertices, ids.colorTransitionVertices,
                             Lumvek::GeometryDataType::TriangleList);
    created &= CreateDynamic(device, Slots::PageVertices, ids.pageVertices, Lumvek::GeometryDataType::TriangleList);
    created &= CreateDynamic(device, Slots::PageConstants, ids.pageConstants, Lumvek::GeometryDataType::ConstantData);
    return created;
}

Lumvek::Geometry* FindGeometry(Lumvek::GraphicsDevice& device, uint32_t id)
{
    if (!device.resources)
        return nullptr;
    const auto lock = device.Lock();
    return device.resources->Find<Lumvek::Geometry>(id);
}
