#include "Engine/Foundation/LtdFormat.h"

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Path.h"
#include "Engine/Foundation/ReadReport.h"

#include <string>
#include <utility>
#include <vector>

namespace Lumvek
{

namespace
{

enum DescriptionType : uint32_t
{
    Plain,
    Atlas,
    CellCount,
    CellSize,
    NineSlice,
    Streaming,
};

const NameList& DescriptionTypeNames()
{
    static const NameList names{"Plain", "Atlas", "CellCount", "CellSize", "NineSlice", "Streaming"};
    return names;
}

constexpr uint32_t Absent = 0xFFFFFFFFu;

// Atlases inside atlases, counting the outermost as the first. Parsing, adding and packing each
// recurse once per level, so the nesting a file may ask for is bounded here; no texture needs more.
constexpr uint32_t MaximumAtlasDepth = 16;

struct Description
{
    uint32_t type = Plain;
    std::string filename;
    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t border = 0;
    // The regions of an atlas and their names, at the same positions. Two lists rather than one of
    // pairs: a pair cannot hold the Description it is declared in.
    std::vector<std::string> regionNames;
    std::vector<Description> regions;
    uint32_t frameCount = 0;
    uint32_t horizontalCount = 0;
    uint32_t verticalCount = 0;
    uint32_t cellWidth = 0;
    uint32_t cellHeight = 0;
    uint32_t inset = Absent;
    uint32_t insetHorizontal = Absent;
    uint32_t insetVertical = 0;
    uint32_t insetLeft = 0;
    uint32_t insetRight = 0;
    uint32_t insetBottom = 0;
    uint32_t insetTop = 0;
};

bool IsTextureSide(uint32_t side)
{
    return side >= 1 && side <= Texture::MaximumSize;
}

// Values a description cannot take are refused through the report, each costing its own key; without
// a report they are logged.
bool Parse(const Blueprint& value, Description& description, ReadReport* report, const std::string& path,
           uint32_t depth = 1)
{
    BlueprintReader reader(value, report, path);
    std::string type;
    if (ReadMember(reader, "Type", type) && !DescriptionTypeNames().ParseName(description.type, type))
        reader.Refuse("Type", "no texture description type of that name");
    ReadMember(reader, "Filename", description.filename);
    ReadMember(reader, "X", description.x);
    ReadMember(reader, "Y", description.y);
    ReadMember(reader, "Width", description.width);
    ReadMember(reader, "Height", description.height);
    if (description.filename.empty() && !(IsTextureSide(description.width) && IsTextureSide(description.height)))
    {
        Log::Write("either Filename or Width and Height must be specified");
        return false;
    }

    switch (description.type)
    {
    case Atlas:
    {
        ReadMember(reader, "Border", description.border);
        const Blueprint* regions = value.GetObject().Find("Regions");
        if (!regions || regions->GetType() != BlueprintType::Object)
            break;
        if (depth == MaximumAtlasDepth)
        {
            Log::Write("atlases nest deeper than {} levels: the regions of this one are skipped", MaximumAtlasDepth);
            break;
        }
        for (const BlueprintMember& member : regions->GetObject())
        {
            const StringView name = member.name.View();
            LogSection section = Log::BeginSection("Region {}", name);
            Description nested;
            const std::string regionPath = (path.empty() ? "Regions." : path + ".Regions.") + name.ToString();
            if (Parse(member.value, nested, report, regionPath, depth + 1))
            {
                description.regionNames.push_back(name.ToString());
                description.regions.push_back(std::move(nested));
            }
        }
        break;
    }
    case CellCount:
        if (ReadMember(reader, "FrameCount", description.frameCount) &&
            ReadMember(reader, "HorizontalCount", description.horizontalCount))
            ReadMember(reader, "VerticalCount", description.verticalCount);
        if (description.horizontalCount == 0 || description.verticalCount == 0)
        {
            Log::Write("HorizontalCount and VerticalCount must be at least 1");
            return false;
        }
        break;
    case CellSize:
    case Streaming:
        if (description.type == Streaming || ReadMember(reader, "FrameCount", description.frameCount))
            if (ReadMember(reader, "CellWidth", description.cellWidth))
                ReadMember(reader, "CellHeight", description.cellHeight);
        if (description.cellWidth == 0 || description.cellHeight == 0)
        {
            Log::Write("CellWidth and CellHeight must be at least 1");
            return false;
        }
        break;
    case NineSlice:
        ReadMember(reader, "Inset", description.inset);
        ReadMember(reader, "InsetHorizontal", description.insetHorizontal);
        ReadMember(reader, "InsetVertical", description.insetVertical);
        ReadMember(reader, "InsetLeft", description.insetLeft);
        ReadMember(reader, "InsetRight", description.insetRight);
        ReadMember(reader, "InsetBottom", description.insetBottom);
        ReadMember(reader, "InsetTop", description.insetTop);
        break;
    default:
        break;
    }
    return true;
}

class Builder
{
public:
    Builder(FileManager* files, Texture& texture) : files(files), texture(texture) {}

    // The size of the image a file holds, from its format's header; zeros with a message when it
    // cannot be told.
    TextureHeader ImageSize(const std::string& filename) const
    {
        TextureHeader header;
        if (files)
        {
            const std::string path = files->ResolvePath(filename);
            using ImageFormat = HeaderFormat<Texture, TextureHeader>;
            auto* format =
                dynamic_cast<ImageFormat*>(files->FindFormat(TypeIndex<Texture>(), Path::GetExtension(path)));
            auto [read, bytes] = File::ReadBytes(path);
            if (format && read)
                header = format->ReadHeaderFromBytes(path, bytes.View());
        }
        if (header.width == 0 || header.height == 0)
        {
            Log::Write("the size of the image {} cannot be read", filename);
            return {};
        }
        return header;
    }

    bool Build(const Description& description)
    {
        uint32_t width = description.width;
        uint32_t height = description.height;
        // A description that names its image alone takes the image's size.
        if (!description.filename.empty() && !(IsTextureSide(width) && IsTextureSide(height)))
        {
            const TextureHeader header = ImageSize(description.filename);
            width = header.width;
            height = header.height;
            if (width == 0)
                return false;
        }
        if (!texture.SetSize(width, height, TextureFormat::ColorBuffer4x8))
        {
            Log::Write("a texture of {} x {} is larger than a texture can be", width, height);
            return false;
        }
        AddRegion(description, InvalidId, description.x, description.y, nullptr, width, height);
        return true;
    }

private:
    // Creates the region of the description's kind, loads or sizes it, then cuts or packs it. Null,
    // without a message, when the texture refuses the region.
    TextureRegion* AddRegion(const Description& description, uint32_t index, uint32_t x, uint32_t y,
                             TextureRegion* parent, uint32_t width, uint32_t height)
    {
        TextureRegion* region = nullptr;
        switch (description.type)
        {
        case Atlas:
            region = texture.AddRegionOf<TextureAtlasRegion>(index, x, y, parent);
            break;
        case CellCount:
        case CellSize:
            region = texture.AddFramesRegion(index, x, y, parent);
            break;
        case NineSlice:
            region = texture.AddNineSliceRegion(index, x, y, parent);
            break;
        case Streaming:
            region = texture.AddRegionOf<TextureStreamRegion>(index, x, y, parent);
            break;
        default:
            region = texture.AddRegion(index, x, y, parent);
            break;
        }
        if (!region)
            return nullptr;
        if (!description.filename.empty())
            region->Load(description.filename);
        else if (!region->SetSize(width, height))
            Log::Write("a region of {} x {} at {}, {} does not fit in the texture", width, height, x, y);

        switch (description.type)
        {
        case Atlas:
            Pack(description, static_cast<TextureAtlasRegion&>(*region));
            break;
        case CellCount:
            CutFrames(static_cast<TextureFramesRegion&>(*region), description.horizontalCount,
                      description.verticalCount, region->width / description.horizontalCount,
                      region->height / description.verticalCount, description.frameCount);
            break;
        case CellSize:
            CutFrames(static_cast<TextureFramesRegion&>(*region), region->width / description.cellWidth,
                      region->height / description.cellHeight, description.cellWidth, description.cellHeight,
                      description.frameCount);
            break;
        case NineSlice:
            SetInsets(description, static_cast<TextureNineSliceRegion&>(*region));
            break;
        case Streaming:
            if (!static_cast<TextureStreamRegion&>(*region).SetCellSize(description.cellWidth, description.cellHeight))
                Log::Write("cells of {} x {} are too many for the texture", description.cellWidth,
                           description.cellHeight);
            break;
        default:
            break;
        }
        return region;
    }

    void Pack(const Description& description, TextureAtlasRegion& atlas)
    {
        const uint64_t border = description.border;
        for (size_t i = 0; i < description.regions.size(); ++i)
        {
            const std::string& name = description.regionNames[i];
            const Description& entry = description.regions[i];
            LogSection section = Log::BeginSection("Region {}", name);
            uint32_t width = entry.width;
            uint32_t height = entry.height;
            if (!entry.filename.empty())
            {
                const TextureHeader header = ImageSize(entry.filename);
                width = header.width;
                height = header.height;
                if (width == 0)
                    continue;
            }
            const uint64_t packedWidth = width + 2 * border;
            const uint64_t packedHeight = height + 2 * border;
            uint32_t x = 0;
            uint32_t y = 0;
            if (packedWidth > atlas.width || packedHeight > atlas.height ||
                !atlas.Pack(uint32_t(packedWidth), uint32_t(packedHeight), x, y))
            {
                Log::Write("no room is left in the atlas for {} x {}", width, height);
                continue;
            }
            const uint32_t regionX = atlas.x + x + uint32_t(border);
            const uint32_t regionY = atlas.y + y + uint32_t(border);
            TextureRegion* region = AddRegion(entry, NameTableA().Add(name), regionX, regionY, &atlas, width, height);
            if (region && !entry.filename.empty())
                texture.ExtrudeRegion(*region, uint32_t(border));
        }
    }

    static void CutFrames(TextureFramesRegion& frames, uint32_t columns, uint32_t rows, uint32_t frameWidth,
                          uint32_t frameHeight, uint32_t count)
    {
        if (!frames.SetGrid(columns, rows, frameWidth, frameHeight, count))
            Log::Write("a sheet of {} x {} cells and {} frames has too many frames", columns, rows, count);
    }

    static void SetInsets(const Description& description, TextureNineSliceRegion& slices)
    {
        if (description.inset != Absent)
        {
            slices.left = slices.right = slices.bottom = slices.top = description.inset;
        }
        else if (description.insetHorizontal != Absent)
        {
            slices.left = slices.right = description.insetHorizontal;
            slices.bottom = slices.top = description.insetVertical;
        }
        else
        {
            slices.left = description.insetLeft;
            slices.right = description.insetRight;
            slices.bottom = description.insetBottom;
            slices.top = description.insetTop;
        }
    }

    FileManager* files;
    Texture& texture;
};

} // namespace

void LtdFormat::Load(StringView path, StringView bytes, Texture& texture)
{
    ReadReport report;
    report.SetFile(manager ? manager->NameFile(path) : path.ToString());
    Blueprint tree;
    if (ParseLonText(bytes, tree, report))
        Read(tree, texture, &report);
}

bool LtdFormat::Read(const Blueprint& tree, Texture& texture)
{
    return Read(tree, texture, nullptr);
}

bool LtdFormat::Read(const Blueprint& tree, Texture& texture, ReadReport* report)
{
    Description description;
    if (!Parse(tree, description, report, std::string()))
        return false;
    FileManager* files = manager ? manager : texture.table ? texture.table->files : nullptr;
    return Builder(files, texture).Build(description);
}

} // namespace Lumvek
