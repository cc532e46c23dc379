#pragma once

#include "Engine/Foundation/Color.h"
#include "Source/Tools/Inspectors/Inspector.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Lumvek
{
class AudioDevice;
class Sound;
class Geometry;
class Material;
class Texture;
class TextureRegion;
} // namespace Lumvek

// Read-only windows over loaded engine resources, opened from the "Resources" tab. The resources
// belong to the application's resource table, which keeps them for the program's life. Application
// thread.

// Shows the file a resource was loaded from, when it has one.
void DrawFilename(const std::string& path);

class GeometryInspector final : public Inspector
{
public:
    explicit GeometryInspector(Lumvek::Geometry& geometry);
    void Draw() override;
    // "{bytes} bytes of a {type}"; a type outside the known ones shows as its number.
    std::string Describe() const;

    Lumvek::Geometry& geometry;
    HeldResource<Lumvek::Geometry> held;
};

class MaterialInspector final : public Inspector
{
public:
    explicit MaterialInspector(Lumvek::Material& material);
    void Draw() override;

    Lumvek::Material& material;
    HeldResource<Lumvek::Material> held;
};

// Also plays the sound, and stops it when the window closes.
class SoundInspector final : public Inspector
{
public:
    explicit SoundInspector(Lumvek::Sound& sound);
    ~SoundInspector() override;
    void Draw() override;
    // The three lines of the sound's description.
    std::string DescribeFormat() const;
    std::string DescribePlayback() const;
    // Whether the instance it started still plays (the button then reads "Stop").
    bool IsPlaying() const;
    // The buttons: Play starts an instance unless one still plays; Stop ends it.
    void Play();
    void Stop();

    Lumvek::Sound& sound;
    HeldResource<Lumvek::Sound> held;
    // The application's device while it plays the instance; null when idle.
    Lumvek::AudioDevice* device = nullptr;
    uint32_t instance = 0xFFFFFFFF;
};

class TextureInspector final : public Inspector
{
public:
    explicit TextureInspector(Lumvek::Texture& texture);
    void Draw() override;
    // The region indices in list order; the whole-texture region (all ones) first when there is one.
    std::vector<uint32_t> CollectRegions() const;
    // The regions whose parent is the given one (null: the top level), in list order.
    std::vector<uint32_t> ChildrenOf(const Lumvek::TextureRegion* parent) const;

    Lumvek::Texture& texture;
    HeldResource<Lumvek::Texture> held;

private:
    void DrawRegionTree(const std::vector<uint32_t>& indices, const Lumvek::TextureRegion* parent);
};

// One region magnified over a background colour.
class TextureViewer final : public Inspector
{
public:
    // The region's texture is the resource it depends on.
    explicit TextureViewer(Lumvek::TextureRegion& region);
    void Draw() override;

    Lumvek::TextureRegion& region;
    // Held while the region has a texture.
    HeldResource<Lumvek::Texture> held;
    float scale = 1.0f;
    Lumvek::Color background{0, 0, 0, 255};
};
