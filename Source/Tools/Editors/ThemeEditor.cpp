#include "Source/Tools/Editors/ThemeEditor.h"

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/ThemeData.h"
#include "Source/Game/Vantorel.h"
#include "Source/Tools/Inspectors/ThemeInspectors.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"
#include "Source/World/World.h"

#include <imgui.h>

#include <memory>

ThemeData* ThemeEditor::CurrentTheme()
{
    const Tools* tools = Tools::Current();
    const World* world = tools ? tools->GetWorld() : nullptr;
    const GameContext* game = world ? &world->GetContext() : Vantorel_::Get();
    if (!game || !game->registry)
        return nullptr;
    return game->registry->themes.Get(game->configuration.theme);
}

std::string ThemeEditor::BackgroundLabel(const ThemeBackground& layer)
{
    Lumvek::BufferWriter writer;
    if (layer.texture != Lumvek::InvalidId)
        Lumvek::FormatString(writer, "{} Background", Lumvek::NameTableC().GetName(layer.texture));
    else
        Lumvek::FormatString(writer, "{} Background", layer.bottomColor);
    return std::string(writer.GetView().ToStdView());
}

std::string ThemeEditor::ObjectLabel(const ThemeObject& object)
{
    return Lumvek::NameTableA().GetName(object.texture).ToString();
}

bool ThemeEditor::OpenBackground(const std::string& label, std::vector<ThemeBackground>& list, uint32_t index,
                                 bool worldBound)
{
    Tools* tools = Tools::Current();
    if (!tools || tools->IsWindowOpen(label))
        return false;
    tools->OpenWindow(label, std::make_unique<ThemeBackgroundInspector>(&list, index, worldBound));
    return true;
}

bool ThemeEditor::OpenObject(const std::string& label, ThemeObject& object, uint32_t seed)
{
    Tools* tools = Tools::Current();
    if (!tools || tools->IsWindowOpen(label))
        return false;
    tools->OpenWindow(label, std::make_unique<ThemeObjectInspector>(&object, seed));
    return true;
}

void ThemeEditor::Draw()
{
    ThemeData* theme = CurrentTheme();
    if (!theme)
        return;
    const Tools* tools = Tools::Current();
    Lumvek::GraphicsDevice* device = tools ? tools->GetDevice() : nullptr;
    if (const Lumvek::Texture* atlas = device ? device->GetTexture(GraphicsResources::PlatformAtlas) : nullptr;
        atlas && atlas->width > 0 && atlas->height > 0)
    {
        const float width = ImGui::GetContentRegionAvail().x;
        ImGui::Image(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(GraphicsResources::PlatformAtlas)),
                     ImVec2(width, width * float(atlas->height) / float(atlas->width)), ImVec2(0.0f, 0.0f),
                     ImVec2(1.0f, 1.0f), ImVec4(1.0f, 1.0f, 1.0f, 1.0f));
    }
    PropertyInput::PushLabelWidth(160.0f);
    ThemeRows::Sizes(*theme);
    // The click opens a window drawn from the next frame on; the lists are not changed under the walk.
    for (size_t i = 0; i < theme->backgrounds.size(); ++i)
    {
        const std::string label = BackgroundLabel(theme->backgrounds[i]);
        if (PropertyInput::Button(label.c_str()))
            OpenBackground(label, theme->backgrounds, static_cast<uint32_t>(i), false);
    }
    for (size_t i = 0; i < theme->objects.size(); ++i)
    {
        const std::string label = ObjectLabel(theme->objects[i]);
        if (PropertyInput::Button(label.c_str()))
            OpenObject(label, theme->objects[i], static_cast<uint32_t>(i));
    }
    PropertyInput::PopLabelWidth();
}
