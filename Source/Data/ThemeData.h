#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Color.h"
#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/StringView.h"
#include "Source/Data/Data.h"

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace Lumvek
{
class GraphicsDevice;
class Texture;
} // namespace Lumvek

// An area given by its four edges, in world units with y upwards.
struct ThemeBounds
{
    float left = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
    float top = 0.0f;

    constexpr bool operator==(const ThemeBounds&) const = default;
};

// The edges a layer or an object asks for, cut to the world and one unit around it.
ThemeBounds ClampToWorld(const ThemeBounds& edges, const Lumvek::Rectangle& world);

// One parallax background layer: a texture or a two-colour gradient, between optional edges. Held by
// value in the lists of themes and of map files, which read and write it alike.
struct ThemeBackground
{
    // The edges of a layer that reaches as far as the world does.
    static constexpr float Lowest = std::numeric_limits<float>::lowest();
    static constexpr float Highest = std::numeric_limits<float>::max();

    // Always true: what is missing or mistyped keeps its field.
    bool Read(Lumvek::BlueprintReader& reader);
    void Write(Lumvek::BlueprintWriter& writer) const;
    // Recomputes the bounds for the world and, when the device holds the layer's texture, its
    // aspect and scales; without one (or without a device) those three are kept.
    void UpdateBounds(const Lumvek::Rectangle& world, Lumvek::GraphicsDevice* device);

    // A slot of the graphics device (an index in NameTableC); -1 draws the gradient.
    uint32_t texture = Lumvek::InvalidId;
    Lumvek::Color bottomColor = Lumvek::Color::Transparent;
    Lumvek::Color topColor = Lumvek::Color::Transparent;
    float left = Lowest;
    float right = Highest;
    float bottom = Lowest;
    float top = Highest;
    float depth = 0.0f;
    // A scrolling layer is pinned to both of its edges along that axis.
    bool scrollX = false;
    bool scrollY = false;
    bool pinLeft = false;
    bool pinRight = false;
    bool pinBottom = false;
    bool pinTop = false;

    // Computed by UpdateBounds.
    ThemeBounds bounds;
    float textureAspect = 0.0f; // height / width
    float textureScaleX = 0.0f;
    float textureScaleY = 0.0f;
};

// One kind of decoration scattered in rows over the world. Held by value in its theme.
struct ThemeObject
{
    // A theme asks for at most this many of one object. Beyond it a small spacing over a large world,
    // or a spacing lost in the precision of far-away coordinates, would never end the walk.
    static constexpr uint32_t MaximumPlacements = 1u << 16;

    // Always true: what is missing or mistyped keeps its field.
    bool Read(Lumvek::BlueprintReader& reader);
    void Write(Lumvek::BlueprintWriter& writer) const;
    // Replaces the placements with rows spaced by Spacing over the world within the object's edges,
    // jittered by the variances with draws from random, so a seed gives the same scatter each time.
    // An object whose spacing is not above 0 both ways gets none, logged.
    void Scatter(const Lumvek::Rectangle& world, std::mt19937& random);

    // An image region (an index in NameTableA); -1 for none.
    uint32_t texture = Lumvek::InvalidId;
    float left = ThemeBackground::Lowest;
    float right = ThemeBackground::Highest;
    float bottom = ThemeBackground::Lowest;
    float top = ThemeBackground::Highest;
    float depth = 0.0f;
    Lumvek::Vector2 spacing;
    Lumvek::Vector2 size;
    Lumvek::Vector2 spacingVariance;
    Lumvek::Vector2 sizeVariance;

    // Computed by Scatter: where each copy is drawn and how large.
    std::vector<Lumvek::Rectangle> placements;
};

// The names a theme gives its own definitions in place of those a map names, in reading order.
class ThemeNameMap
{
public:
    using Entry = std::pair<std::string, std::string>;

    // A name set again keeps its place and takes the new replacement.
    void Set(Lumvek::StringView name, Lumvek::StringView replacement);
    // The replacement of the name; null when the map holds none.
    const std::string* Find(Lumvek::StringView name) const;
    // Drops the entry at that place; those after it move up one. False when there is none.
    bool Remove(size_t position);
    const std::vector<Entry>& GetEntries() const { return entries; }

private:
    std::vector<Entry> entries;
    DataDetail::NameIndexMap lookup;
};

// A map's look: background layers, scattered decorations, the sizes of its platform tiles and
// conveyer pieces, and the theme's own variants of the map's hazards, interactions and zones. Owned by
// the registry; the renderer loads its images and sounds with LoadAtlas.
class ThemeData : public Data
{
public:
    // False when "Backgrounds" or "Objects" is no Array (the list is emptied), "DataMap" is no Object,
    // or one of its entries is no String (its name maps to the empty text) or is refused by
    // CheckReplacement; everything readable is read regardless. An image the theme's folder lacks
    // and a TileSize or ConveyerSize not above 0 are refused too, through the reader.
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;
    Lumvek::StringView GetFolder() const override { return "Themes"; }

    // The registry's definition of a map's element in this theme; null when there is none (or no
    // registry).
    Data* GetHazard(Lumvek::StringView name) const;
    Data* GetInteraction(Lumvek::StringView name) const;
    Data* GetZone(Lumvek::StringView name) const;
    // Why the data map takes no entry replacing name by replacement, as its file is read and as the
    // tools add one; empty when it takes it. A name is needed, and the replacement must name a hazard,
    // interaction or zone (looked for only in the theme's registry).
    std::string CheckReplacement(Lumvek::StringView name, Lumvek::StringView replacement) const;
    // The names, without ".png", of the images in the theme's folder: those a background's Texture
    // may name. Empty without a registry or a folder.
    std::vector<std::string> ListImages() const;

    // Loads what the renderer draws and plays of this theme: a device texture per background layer,
    // the object images into regions of the object texture, the platform pieces at their fixed places
    // on the tile texture with their edges extruded, and the theme's sounds. What is loaded already
    // is kept, so loading a theme again loads only what is missing. The device textures it made are
    // added to createdTextures: only those are the theme's to destroy.
    void LoadAtlas(Lumvek::GraphicsDevice& device, Lumvek::Texture& objectTexture, Lumvek::Texture& tileTexture,
                   std::vector<uint32_t>* createdTextures = nullptr) const;

    std::vector<ThemeBackground> backgrounds;
    std::vector<ThemeObject> objects;
    float tileSize = 0.5f;
    float conveyerSize = 0.25f;
    ThemeNameMap dataMap;

private:
    // The definition of a map's element in the collection of that folder, under the theme's name for it.
    Data* FindElement(Lumvek::StringView folder, Lumvek::StringView name) const;
};

// The reader's current value as a list of layers or objects: the list is emptied, then each element
// of an Array is read into a new default entry (elements that are no Object keep the defaults).
// False when the value is no Array.
bool ReadArray(Lumvek::BlueprintReader& reader, std::vector<ThemeBackground>& list);
bool ReadArray(Lumvek::BlueprintReader& reader, std::vector<ThemeObject>& list);
// The list as an Array member, also when it is empty.
bool WriteMember(Lumvek::BlueprintWriter& writer, Lumvek::StringView key, const std::vector<ThemeBackground>& list);
bool WriteMember(Lumvek::BlueprintWriter& writer, Lumvek::StringView key, const std::vector<ThemeObject>& list);
