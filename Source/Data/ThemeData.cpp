#include "Source/Data/ThemeData.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/ImageRef.h"

#include <algorithm>
#include <filesystem>

using namespace Lumvek;

namespace
{

// A layer's texture is sized so that 120 of its pixels span one world unit.
constexpr float PixelsPerUnit = 120.0f;

// Edges at their extremes are the defaults and are not written.
void WriteEdges(BlueprintWriter& writer, float left, float right, float bottom, float top)
{
    if (left != ThemeBackground::Lowest)
        WriteMember(writer, "Left", left);
    if (right != ThemeBackground::Highest)
        WriteMember(writer, "Right", right);
    if (bottom != ThemeBackground::Lowest)
        WriteMember(writer, "Bottom", bottom);
    if (top != ThemeBackground::Highest)
        WriteMember(writer, "Top", top);
}

void ReadEdges(BlueprintReader& reader, float& left, float& right, float& bottom, float& top)
{
    ReadMember(reader, "Left", left);
    ReadMember(reader, "Right", right);
    ReadMember(reader, "Bottom", bottom);
    ReadMember(reader, "Top", top);
}

// A value in [-variance, variance] from one draw of the generator.
float Jitter(std::mt19937& random, float variance)
{
    constexpr float Scale = 0x1p-32f;
    const float low = -variance;
    const float high = variance;
    return low + static_cast<float>(random()) * (high - low) * Scale;
}

// How messages name an object: by its image.
StringView ObjectName(uint32_t texture)
{
    return texture == InvalidId ? StringView("without an image") : NameTableA().GetName(texture);
}

template <class T> bool ReadList(BlueprintReader& reader, std::vector<T>& list)
{
    list.clear();
    const Blueprint& array = reader.GetCurrent();
    if (array.GetType() != BlueprintType::Array)
    {
        reader.Refuse("", "an array of objects was expected");
        return false;
    }
    list.resize(array.GetCount());
    bool read = true;
    for (uint32_t i = 0; i < array.GetCount(); ++i)
    {
        if (!reader.GetElement(i))
            continue;
        // An element that is no object keeps the defaults, which its file does not say.
        if (reader.GetCurrent().GetType() != BlueprintType::Object)
        {
            reader.Refuse("", "an object was expected");
            read = false;
        }
        list[i].Read(reader);
        reader.Pop();
    }
    return read;
}

template <class T> bool WriteList(BlueprintWriter& writer, StringView key, const std::vector<T>& list)
{
    writer.PushMember(key);
    writer.GetCurrent().SetArray();
    for (uint32_t i = 0; i < list.size(); ++i)
    {
        writer.PushElement(i);
        writer.GetCurrent().SetObject();
        list[i].Write(writer);
        writer.Pop();
    }
    writer.Pop();
    return true;
}

// Reads the member key as a list when it is present; false when it is there and no Array.
template <class T> bool ReadListMember(BlueprintReader& reader, StringView key, std::vector<T>& list)
{
    if (!reader.GetMember(key))
        return true;
    const bool read = ReadArray(reader, list);
    reader.Pop();
    return read;
}

// Whether a replacement names a hazard or an interaction, loaded before themes, or a zone, loaded
// after them: its file is looked for.
bool NamesElement(const DataRegistry& registry, StringView name)
{
    const std::string text = name.ToString();
    return registry.FindData("Hazards", name) || registry.FindData("Interactions", name) ||
           registry.FindData("Zones", name) ||
           (!text.empty() && text.find_first_of("/\\") == std::string::npos && text != "." && text != ".." &&
            File::Exists(registry.GetFiles().ResolvePath("Assets/Zones/" + text + "/Data.json")));
}

} // namespace

ThemeBounds ClampToWorld(const ThemeBounds& edges, const Rectangle& world)
{
    return {std::max(edges.left, world.x - 1.0f), std::min(edges.right, world.x + world.width + 1.0f),
            std::max(edges.bottom, world.y - 1.0f), std::min(edges.top, world.y + world.height + 1.0f)};
}

bool ThemeBackground::Read(BlueprintReader& reader)
{
    ImageRef::Read(reader, "Texture", texture, NameTableC());
    ReadMember(reader, "BottomColor", bottomColor);
    ReadMember(reader, "TopColor", topColor);
    ReadEdges(reader, left, right, bottom, top);
    ReadMember(reader, "Depth", depth);
    ReadMember(reader, "ScrollX", scrollX);
    ReadMember(reader, "ScrollY", scrollY);
    ReadMember(reader, "PinLeft", pinLeft);
    ReadMember(reader, "PinRight", pinRight);
    ReadMember(reader, "PinBottom", pinBottom);
    ReadMember(reader, "PinTop", pinTop);
    if (scrollX)
        pinLeft = pinRight = true;
    if (scrollY)
        pinBottom = pinTop = true;
    return true;
}

void ThemeBackground::Write(BlueprintWriter& writer) const
{
    if (texture == InvalidId)
    {
        WriteMember(writer, "BottomColor", bottomColor);
        WriteMember(writer, "TopColor", topColor);
    }
    else
    {
        ImageRef::Write(writer, "Texture", texture, NameTableC());
    }
    WriteEdges(writer, left, right, bottom, top);
    WriteMember(writer, "Depth", depth);
    if (scrollX)
        WriteMember(writer, "ScrollX", true);
    if (scrollY)
        WriteMember(writer, "ScrollY", true);
    // A scrolling axis pins both of its edges when read, so its pins need not be written.
    if (!scrollX)
    {
        if (pinLeft)
            WriteMember(writer, "PinLeft", true);
        if (pinRight)
            WriteMember(writer, "PinRight", true);
    }
    if (!scrollY)
    {
        if (pinBottom)
            WriteMember(writer, "PinBottom", true);
        if (pinTop)
            WriteMember(writer, "PinTop", true);
    }
}

void ThemeBackground::UpdateBounds(const Rectangle& world, GraphicsDevice* device)
{
    bounds = ClampToWorld({left, right, bottom, top}, world);
    const Texture* image = device && texture != InvalidId ? device->GetTexture(texture) : nullptr;
    // A texture whose file was missing has no size to scale by.
    if (!image || image->width == 0 || image->height == 0)
        return;
    const float width = static_cast<float>(image->width);
    const float height = static_cast<float>(image->height);
    textureAspect = height / width;
    textureScaleX = PixelsPerUnit / width;
    textureScaleY = PixelsPerUnit / height;
}

bool ThemeObject::Read(BlueprintReader& reader)
{
    ImageRef::Read(reader, "Texture", texture);
    ReadEdges(reader, left, right, bottom, top);
    ReadMember(reader, "Depth", depth);
    ReadMember(reader, "Spacing", spacing);
    ReadMember(reader, "Size", size);
    ReadMember(reader, "SpacingVariance", spacingVariance);
    ReadMember(reader, "SizeVariance", sizeVariance);
    return true;
}

void ThemeObject::Write(BlueprintWriter& writer) const
{
    ImageRef::Write(writer, "Texture", texture);
    WriteEdges(writer, left, right, bottom, top);
    WriteMember(writer, "Depth", depth);
    WriteMember(writer, "Spacing", spacing);
    WriteMember(writer, "Size", size);
    WriteMember(writer, "SpacingVariance", spacingVariance);
    WriteMember(writer, "SizeVariance", sizeVariance);
}

void ThemeObject::Scatter(const Rectangle& world, std::mt19937& random)
{
    placements.clear();
    // Written so that NaN fails too: the walk advances by the spacing and would never end.
    if (!(spacing.x > 0.0f && spacing.y > 0.0f))
    {
        Log::Write("the theme object {} has the spacing {} {}; it needs a spacing above 0 both ways and is not placed",
                   ObjectName(texture), spacing.x, spacing.y);
        return;
    }
    const ThemeBounds area = ClampToWorld({left, right, bottom, top}, world);
    if (!(area.top > area.bottom && area.right > area.left))
        return;
    for (float row = area.bottom; row < area.top; row += spacing.y)
    {
        float x = area.left;
        while (x < area.right)
        {
            if (placements.size() >= MaximumPlacements)
            {
                Log::Write("the theme object {} stopped at {} placements; the rest of its area stays empty",
                           ObjectName(texture), MaximumPlacements);
                return;
            }
            // The horizontal jitter carries along the row; the vertical one is from the row each time.
            x += Jitter(random, spacingVariance.x);
            const float y = row + Jitter(random, spacingVariance.y);
            const float width = size.x + Jitter(random, sizeVariance.x);
            const float height = size.y + Jitter(random, sizeVariance.y);
            placements.push_back({x, y, width, height});
            x += spacing.x;
        }
    }
}

void ThemeNameMap::Set(StringView name, StringView replacement)
{
    auto [found, added] = lookup.try_emplace(name.ToString(), static_cast<uint32_t>(entries.size()));
    if (added)
        entries.emplace_back(name.ToString(), replacement.ToString());
    else
        entries[found->second].second = replacement.ToString();
}

const std::string* ThemeNameMap::Find(StringView name) const
{
    auto found = lookup.find(name.ToStdView());
    return found == lookup.end() ? nullptr : &entries[found->second].second;
}

bool ThemeNameMap::Remove(size_t position)
{
    if (position >= entries.size())
        return false;
    lookup.erase(entries[position].first);
    for (auto& [name, place] : lookup)
        if (place > position)
            --place;
    entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(position));
    return true;
}

std::vector<std::string> ThemeData::ListImages() const
{
    std::vector<std::string> names;
    if (!registry)
        return names;
    const std::string folder = registry->GetFiles().ResolvePath(FormatText("Assets/{}/{}", GetFolder(), name));
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error))
        if (entry->path().extension() == ".png" && entry->is_regular_file(error))
            names.push_back(entry->path().stem().string());
    return names;
}

bool ThemeData::Read(BlueprintReader& reader)
{
    Data::Read(reader);
    bool read = ReadListMember(reader, "Backgrounds", backgrounds);
    read = ReadListMember(reader, "Objects", objects) && read;
    // An image the theme's folder lacks would be drawn as nothing, and so would an object without
    // one (a background without one is a gradient). Each is named, and kept, so that the window shows
    // it and Save is refused until it is set.
    const auto checkImages = [&](StringView key, auto& list, const NameSet& names, bool needed)
    {
        for (uint32_t i = 0; registry && i < list.size(); ++i)
        {
            const bool missing = list[i].texture != InvalidId && !HasAsset(names.GetName(list[i].texture), ".png");
            const bool none = needed && list[i].texture == InvalidId;
            if ((missing || none) && reader.GetMember(key))
            {
                if (reader.GetElement(i))
                {
                    if (missing)
                        reader.Refuse("Texture", "no image of that name in the theme's folder");
                    // An element that is no object has been named already.
                    else if (reader.GetCurrent().GetType() == BlueprintType::Object)
                        reader.Refuse("Texture", "an object needs the name of its image");
                    reader.Pop();
                }
                reader.Pop();
            }
        }
    };
    checkImages("Backgrounds", backgrounds, NameTableC(), false);
    checkImages("Objects", objects, NameTableA(), true);
    // Pieces are laid out by these sizes; none but a positive one draws anything.
    for (const auto& [key, field] :
         {std::pair<StringView, float*>{"TileSize", &tileSize}, {"ConveyerSize", &conveyerSize}})
    {
        const float kept = *field;
        if (ReadMember(reader, key, *field) && !(*field > 0.0f))
        {
            *field = kept;
            reader.Refuse(key, "not above 0");
        }
    }
    if (reader.GetMember("DataMap"))
    {
        const Blueprint& map = reader.GetCurrent();
        if (map.GetType() != BlueprintType::Object)
        {
            reader.Refuse("", "an object of names was expected");
            read = false;
        }
        for (const BlueprintMember& member : map.GetObject())
        {
            if (member.value.GetType() != BlueprintType::String)
            {
                reader.Refuse(member.name.View(), "a name was expected");
                read = false;
            }
            else if (const std::string why = CheckReplacement(member.name.View(), member.value.GetString());
                     !why.empty())
            {
                // Kept, so that the theme writes back what its file held until the maker sets it. An
                // entry without a name is named by the map that holds it.
                reader.Refuse(member.name.View(), why);
                read = false;
            }
            dataMap.Set(member.name.View(), member.value.GetString());
        }
        reader.Pop();
    }
    return read;
}

void ThemeData::Write(BlueprintWriter& writer) const
{
    Data::Write(writer);
    WriteMember(writer, "Backgrounds", backgrounds);
    WriteMember(writer, "Objects", objects);
    WriteMember(writer, "TileSize", tileSize);
    WriteMember(writer, "ConveyerSize", conveyerSize);
    writer.PushMember("DataMap");
    writer.GetCurrent().SetObject();
    for (const auto& [element, replacement] : dataMap.GetEntries())
        WriteMember(writer, element, StringView(replacement));
    writer.Pop();
}

std::string ThemeData::CheckReplacement(StringView name, StringView replacement) const
{
    if (name.IsEmpty())
        return "an entry needs the name of the element it replaces";
    if (registry && !NamesElement(*registry, replacement))
        return "no hazard, interaction or zone of that name";
    return {};
}

Data* ThemeData::FindElement(StringView folder, StringView element) const
{
    if (!registry)
        return nullptr;
    const std::string* replacement = dataMap.Find(element);
    return registry->FindData(folder, replacement ? StringView(*replacement) : element);
}

Data* ThemeData::GetHazard(StringView element) const
{
    return FindElement("Hazards", element);
}

Data* ThemeData::GetInteraction(StringView element) const
{
    return FindElement("Interactions", element);
}

Data* ThemeData::GetZone(StringView element) const
{
    return FindElement("Zones", element);
}

bool ReadArray(BlueprintReader& reader, std::vector<ThemeBackground>& list)
{
    return ReadList(reader, list);
}

bool ReadArray(BlueprintReader& reader, std::vector<ThemeObject>& list)
{
    return ReadList(reader, list);
}

bool WriteMember(BlueprintWriter& writer, StringView key, const std::vector<ThemeBackground>& list)
{
    return WriteList(writer, key, list);
}

bool WriteMember(BlueprintWriter& writer, StringView key, const std::vector<ThemeObject>& list)
{
    return WriteList(writer, key, list);
}
