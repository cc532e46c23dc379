#include "Source/Tools/Inspectors/ThemeInspectors.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/ThemeData.h"
#include "Source/Tools/Editors/MapEditor.h"
#include "Source/Tools/Editors/ThemeEditor.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"
#include "Source/World/PlatformRenderable.h"
#include "Source/World/World.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <optional>

namespace
{

// Where a cleared edge starts: 50 units out on its own side, so that clearing two opposite edges
// leaves a layer 100 units across rather than none.
constexpr float ClearedEdge = 50.0f;

void EdgeRow(const char* box, const char* scope, const char* label, float& edge, float unbounded, float cleared)
{
    const bool wasTicked = edge == unbounded;
    bool ticked = wasTicked;
    if (ImGui::Checkbox(box, &ticked) && ticked != wasTicked)
        edge = ticked ? unbounded : cleared;
    PropertyInput::PushScope(Lumvek::StringView::FromCString(scope));
    if (!ticked)
        PropertyInput::FloatCoarse(Lumvek::StringView::FromCString(label), &edge);
    PropertyInput::PopScope();
}

// A scrolling axis is pinned to both of its edges (so it is read back from a file), so ticking the
// scroll pins both, and freeing either pin stops the scroll.
void ScrollRows(const char* scroll, const char* scope, const char* first, const char* second, bool& scrolls,
                bool& pinFirst, bool& pinSecond)
{
    if (ImGui::Checkbox(scroll, &scrolls) && scrolls)
        pinFirst = pinSecond = true;
    PropertyInput::PushScope(Lumvek::StringView::FromCString(scope));
    if (ImGui::Checkbox(first, &pinFirst) && !pinFirst)
        scrolls = false;
    if (ImGui::Checkbox(second, &pinSecond) && !pinSecond)
        scrolls = false;
    PropertyInput::PopScope();
}

World* RunningWorld()
{
    const Tools* tools = Tools::Current();
    return tools ? tools->GetWorld() : nullptr;
}

} // namespace

namespace ThemeRows
{

bool SetSize(ThemeData& theme, float ThemeData::*size, float value)
{
    if (!PlatformGeometry::IsUsableSize(value))
    {
        Lumvek::Log::Write("the size {} is refused for the theme {}: platforms are tiled with sizes above 0", value,
                           theme.name);
        return false;
    }
    if (theme.*size == value)
        return false;
    theme.*size = value;
    if (World* world = RunningWorld(); world && world->theme == &theme)
        PrepareAllPlatforms(*world);
    return true;
}

bool Sizes(ThemeData& theme)
{
    float tile = theme.tileSize;
    float conveyer = theme.conveyerSize;
    bool changed = PropertyInput::Float("TileSize", &tile) && SetSize(theme, &ThemeData::tileSize, tile);
    changed |= PropertyInput::Float("Conveyer Size", &conveyer) && SetSize(theme, &ThemeData::conveyerSize, conveyer);
    return changed;
}

void Edges(float& left, float& right, float& bottom, float& top)
{
    EdgeRow("Use Left Edge", "Left Region", "Left", left, ThemeBackground::Lowest, -ClearedEdge);
    EdgeRow("Use Right Edge", "Right Region", "Right", right, ThemeBackground::Highest, ClearedEdge);
    EdgeRow("Use Bottom Edge", "Bottom Region", "Bottom", bottom, ThemeBackground::Lowest, -ClearedEdge);
    EdgeRow("Use Top Edge", "Top Region", "Top", top, ThemeBackground::Highest, ClearedEdge);
}

} // namespace ThemeRows

ThemeDataInspector::ThemeDataInspector(ThemeData* theme) : DataInspector(theme), theme(theme) {}

bool ThemeDataInspector::AddEntry()
{
    if (!theme)
        return false;
    // Refused as the theme's file would be at the next start, or where it would replace an entry
    // unseen; the typed pair stays to be mended.
    std::string why = theme->CheckReplacement(newKey, newValue);
    if (why.empty() && theme->dataMap.Find(newKey))
        why = "the map has an entry of that name; remove it first";
    if (!why.empty())
    {
        Lumvek::Log::Write("the data map of the theme {} does not take \"{}\" -> \"{}\": {}", theme->name, newKey,
                           newValue, why);
        return false;
    }
    theme->dataMap.Set(newKey, newValue);
    newKey.clear();
    newValue.clear();
    return true;
}

void ThemeDataInspector::Draw()
{
    DrawHeader();
    if (!theme)
        return;
    PropertyInput::PushLabelWidth(160.0f);
    ThemeRows::Sizes(*theme);

    PropertyInput::PushScope("Data Map");
    if (ImGui::TreeNode("Data Map"))
    {
        std::optional<size_t> removed;
        const std::vector<ThemeNameMap::Entry>& entries = theme->dataMap.GetEntries();
        for (size_t i = 0; i < entries.size(); ++i)
        {
            ImGui::PushID(static_cast<int>(i));
            // Within the label column, cut with an ellipsis and whole when hovered: a long name would
            // widen the window past the screen, or lie under the button.
            const std::string entry = Lumvek::FormatText("{} -> {}", entries[i].first, entries[i].second);
            const float width =
                PropertyInput::GetLabelWidth() - ImGui::GetCursorPosX() - ImGui::GetStyle().ItemSpacing.x;
            const ImVec2 at = ImGui::GetCursorScreenPos();
            PropertyInput::InvisibleButton("##Entry", width, ImGui::GetFrameHeight());
            const ImVec2 end(at.x + std::max(width, 1.0f), at.y + ImGui::GetFrameHeight());
            const ImVec2 text(at.x, at.y + ImGui::GetStyle().FramePadding.y);
            ImGui::RenderTextEllipsis(ImGui::GetWindowDrawList(), text, end, end.x, end.x, entry.data(),
                                      entry.data() + entry.size(), nullptr);
            if (ImGui::IsItemHovered())
                ImGui::SetTooltip("%s", entry.c_str());
            ImGui::SameLine(PropertyInput::GetLabelWidth());
            if (ImGui::Button("Remove"))
                removed = i;
            ImGui::PopID();
        }
        // After the walk, which the removal would cut short.
        if (removed)
            theme->dataMap.Remove(*removed);
        ImGui::PushItemWidth(100.0f);
        PropertyInput::Text("", &newKey);
        ImGui::SameLine();
        PropertyInput::Text("", &newValue);
        ImGui::PopItemWidth();
        if (ImGui::Button("Add"))
            AddEntry();
        ImGui::TreePop();
    }
    PropertyInput::PopScope();

    PropertyInput::PushScope("Backgrounds");
    if (ImGui::TreeNode("Backgrounds"))
    {
        for (size_t i = 0; i < theme->backgrounds.size(); ++i)
        {
            const std::string label = MapEditor::BackgroundLabel(theme->backgrounds[i]);
            if (PropertyInput::Button(label.c_str()))
                ThemeEditor::OpenBackground(label, theme->backgrounds, static_cast<uint32_t>(i), false);
        }
        ImGui::TreePop();
    }
    PropertyInput::PopScope();

    PropertyInput::PushScope("Objects");
    if (ImGui::TreeNode("Objects"))
    {
        for (size_t i = 0; i < theme->objects.size(); ++i)
        {
            const std::string label = ThemeEditor::ObjectLabel(theme->objects[i]);
            if (PropertyInput::Button(label.c_str()))
                ThemeEditor::OpenObject(label, theme->objects[i], static_cast<uint32_t>(i));
        }
        ImGui::TreePop();
    }
    PropertyInput::PopScope();
    PropertyInput::PopLabelWidth();
}

ThemeBackgroundInspector::ThemeBackgroundInspector(std::vector<ThemeBackground>* list, uint32_t index, bool worldBound)
    : list(list), index(index), worldBound(worldBound)
{
}

ThemeBackground* ThemeBackgroundInspector::GetLayer() const
{
    return list && index < list->size() ? &(*list)[index] : nullptr;
}

void ThemeBackgroundInspector::Draw()
{
    ThemeBackground* layer = GetLayer();
    if (!layer)
    {
        open = 0;
        return;
    }
    if (PropertyInput::Button("Regenerate"))
        if (World* world = RunningWorld())
            layer->UpdateBounds(world->bounds, Tools::Current()->GetDevice());
    ImGui::PushItemWidth(150.0f);
    PropertyInput::Float("Depth", &layer->depth);
    // Only the theme's own images load as a layer; "none" gives back the gradient, whose colours the
    // layer kept meanwhile.
    const ThemeData* theme = ThemeEditor::CurrentTheme();
    PropertyInput::TextureName("Texture", &layer->texture, theme ? theme->ListImages() : std::vector<std::string>());

    PropertyInput::PushScope("Texture Region");
    if (layer->texture != Lumvek::InvalidId)
    {
        ScrollRows("Scroll X", "Scroll X Region", "Pin Left", "Pin Right", layer->scrollX, layer->pinLeft,
                   layer->pinRight);
        ScrollRows("Scroll Y", "Scroll Y Region", "Pin Bottom", "Pin Top", layer->scrollY, layer->pinBottom,
                   layer->pinTop);
    }
    PropertyInput::PopScope();

    PropertyInput::PushScope("Color Region");
    if (layer->texture == Lumvek::InvalidId)
    {
        PropertyInput::Color("Top Color", &layer->topColor);
        PropertyInput::Color("Bottom Color", &layer->bottomColor);
    }
    PropertyInput::PopScope();

    ThemeRows::Edges(layer->left, layer->right, layer->bottom, layer->top);
    ImGui::PopItemWidth();
}

ThemeObjectInspector::ThemeObjectInspector(ThemeObject* object, uint32_t seed) : object(object), seed(seed) {}

void ThemeObjectInspector::Draw()
{
    if (!object)
        return;
    if (PropertyInput::Button("Regenerate"))
        if (const World* world = RunningWorld())
        {
            std::mt19937 random(seed);
            object->Scatter(world->bounds, random);
        }
    ImGui::PushItemWidth(150.0f);
    PropertyInput::Float("Depth", &object->depth);
    PropertyInput::RegionName("Texture", GraphicsResources::ThemeAtlas, &object->texture);
    ThemeRows::Edges(object->left, object->right, object->bottom, object->top);
    PropertyInput::Vector2("Spacing", &object->spacing);
    PropertyInput::Vector2("Spacing Variance", &object->spacingVariance);
    PropertyInput::Vector2("Size", &object->size);
    PropertyInput::Vector2("Size Variance", &object->sizeVariance);
    ImGui::PopItemWidth();
}
