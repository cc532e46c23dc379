#include "Source/Tools/Inspectors/ResourceInspectors.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Foundation/TextureRegion.h"
#include "Engine/Runtime/Audio/AudioDevice.h"
#include "Engine/Runtime/Audio/Sound.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/Material.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"

#include <imgui.h>

#include <iterator>
#include <memory>

namespace
{

const char* const GeometryTypes[] = {"TriangleList", "TriangleStrip", "PointList",   "LineList",
                                     "InstanceData", "IndexList",     "ConstantData"};
const char* const AudioGroups[] = {"Music", "Sound", "Effect"};
const char* const TextureFormats[] = {"ColorBuffer4x8", "ColorTarget4x8", "DepthStencilTarget24_8"};

template <size_t N> std::string NameOr(const char* const (&names)[N], uint32_t value)
{
    return value < N ? names[value] : std::to_string(value);
}

// A region's index from its list position: the whole-texture region sits at 0.
uint32_t IndexOfPosition(size_t position)
{
    return position == 0 ? Lumvek::InvalidId : static_cast<uint32_t>(position - 1);
}

void Line(const std::string& text)
{
    ImGui::TextUnformatted(text.c_str());
}

} // namespace

GeometryInspector::GeometryInspector(Lumvek::Geometry& geometry) : geometry(geometry), held(&geometry) {}
MaterialInspector::MaterialInspector(Lumvek::Material& material) : material(material), held(&material) {}
SoundInspector::SoundInspector(Lumvek::Sound& sound) : sound(sound), held(&sound) {}
TextureInspector::TextureInspector(Lumvek::Texture& texture) : texture(texture), held(&texture) {}
TextureViewer::TextureViewer(Lumvek::TextureRegion& region) : region(region), held(region.texture) {}

void DrawFilename(const std::string& path)
{
    PropertyInput::PushScope("Filename");
    if (!path.empty())
        Line(path);
    PropertyInput::PopScope();
}

std::string GeometryInspector::Describe() const
{
    return std::to_string(geometry.data.Size()) + " bytes of a " +
           NameOr(GeometryTypes, static_cast<uint32_t>(geometry.dataType));
}

void GeometryInspector::Draw()
{
    if (!held.IsHeld())
    {
        open = 0;
        return;
    }
    // Geometries are built in memory: there is no file to show.
    DrawFilename({});
    Line(Describe());
}

void MaterialInspector::Draw()
{
    if (!held.IsHeld())
    {
        open = 0;
        return;
    }
    DrawFilename(material.path);
}

SoundInspector::~SoundInspector()
{
    if (device)
        device->Stop(instance);
}

std::string SoundInspector::DescribeFormat() const
{
    return std::to_string(sound.format.channels) + " channels comprising " +
           std::to_string(sound.format.bitsPerSample) + " bits at " + std::to_string(sound.format.sampleRate) +
           " hertz";
}

std::string SoundInspector::DescribePlayback() const
{
    char volume[32];
    std::snprintf(volume, sizeof(volume), "%g", double(sound.volume));
    return std::string("Plays ") + (sound.looping ? "on a loop" : "once") + " at volume " + volume + " on the " +
           NameOr(AudioGroups, sound.mixer) + " channel";
}

bool SoundInspector::IsPlaying() const
{
    return device && device->IsPlaying(instance);
}

void SoundInspector::Draw()
{
    if (!held.IsHeld())
    {
        open = 0;
        return;
    }
    DrawFilename(sound.path);
    Line(DescribeFormat());
    Line(DescribePlayback());
    if (IsPlaying())
    {
        if (ImGui::Button("Stop", ImVec2(-1.0f, 0.0f)))
            Stop();
    }
    else if (ImGui::Button("Play", ImVec2(-1.0f, 0.0f)))
        Play();
}

void SoundInspector::Play()
{
    if (IsPlaying())
        return;
    const Tools* tools = Tools::Current();
    const Lumvek::Application* application = tools ? tools->GetApplication() : nullptr;
    // A program without sound (a dedicated server) plays nothing.
    device = application ? application->GetAudioDevice() : nullptr;
    instance = device ? device->Play(sound) : 0xFFFFFFFF;
    // Without this the device holds a finished instance's voice until it is stopped, and the
    // button would read "Stop" for ever.
    if (device)
        device->ReleaseWhenDone(instance);
}

void SoundInspector::Stop()
{
    if (device)
        device->Stop(instance);
    device = nullptr;
}

std::vector<uint32_t> TextureInspector::CollectRegions() const
{
    std::vector<uint32_t> indices;
    for (size_t position = 0; position < texture.regions.size(); ++position)
        if (texture.regions[position])
            indices.push_back(IndexOfPosition(position));
    return indices;
}

std::vector<uint32_t> TextureInspector::ChildrenOf(const Lumvek::TextureRegion* parent) const
{
    std::vector<uint32_t> children;
    for (uint32_t index : CollectRegions())
        if (texture.GetRegion(index)->parent == parent)
            children.push_back(index);
    return children;
}

void TextureInspector::Draw()
{
    if (!held.IsHeld())
    {
        open = 0;
        return;
    }
    DrawFilename(texture.path);
    Line("Size: " + std::to_string(texture.width) + "x" + std::to_string(texture.height) + "x" +
         std::to_string(texture.bytesPerPixel));
    Line("Format: " + NameOr(TextureFormats, static_cast<uint32_t>(texture.format)));
    DrawRegionTree(CollectRegions(), nullptr);
}

void TextureInspector::DrawRegionTree(const std::vector<uint32_t>& indices, const Lumvek::TextureRegion* parent)
{
    for (uint32_t index : indices)
    {
        ImGui::Indent(6.0f);
        Lumvek::TextureRegion* region = texture.GetRegion(index);
        if (region && region->parent == parent)
        {
            const std::string name = Lumvek::NameTableA().GetName(index).ToString();
            PropertyInput::PushScope(name);
            if (ImGui::CollapsingHeader(name.c_str()))
            {
                DrawFilename(region->path);
                Line("Bounds: " + std::to_string(region->x) + "," + std::to_string(region->y) + " " +
                     std::to_string(region->width) + "x" + std::to_string(region->height));
                char coordinates[160];
                std::snprintf(coordinates, sizeof(coordinates), "Coordinates: %g,%g %gx%g", double(region->uv.x),
                              double(region->uv.y), double(region->uv.width), double(region->uv.height));
                Line(coordinates);
                if (ImGui::Button("View", ImVec2(-1.0f, 0.0f)))
                    if (Tools* tools = Tools::Current())
                        tools->OpenWindow(name, std::make_unique<TextureViewer>(*region));
                DrawRegionTree(indices, region);
            }
            PropertyInput::PopScope();
        }
        ImGui::Unindent(6.0f);
    }
}

void TextureViewer::Draw()
{
    if (!held.IsHeld())
    {
        open = 0;
        return;
    }
    ImGui::PushItemWidth(300.0f);
    PropertyInput::FloatSmall("Scale", &scale);
    PropertyInput::Color("Background", &background);
    ImGui::PopItemWidth();
    const ImVec2 size(scale * static_cast<float>(region.width), scale * static_cast<float>(region.height));
    // ImGui refuses an image of no size or a negative one.
    if (!(size.x > 0.0f) || !(size.y > 0.0f) || !region.texture)
        return;
    const ImVec2 at = ImGui::GetCursorScreenPos();
    ImGui::GetWindowDrawList()->AddRectFilled(
        at, ImVec2(at.x + size.x, at.y + size.y),
        ImGui::ColorConvertFloat4ToU32(
            ImVec4(background.r / 255.0f, background.g / 255.0f, background.b / 255.0f, background.a / 255.0f)),
        0.0f);
    const Lumvek::UvRectangle& uv = region.uv;
    ImGui::Image(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(region.texture->deviceSlot)), size,
                 ImVec2(uv.x, uv.y), ImVec2(uv.x + uv.width, uv.y + uv.height), ImVec4(1.0f, 1.0f, 1.0f, 1.0f),
                 ImVec4(1.0f, 1.0f, 1.0f, 128.0f / 255.0f));
}
