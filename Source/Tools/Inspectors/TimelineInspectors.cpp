#include "Source/Tools/Inspectors/TimelineInspectors.h"

#include "Engine/Runtime/Particles/ParticleSystem.h"

#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"

#include <imgui.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <memory>
#include <type_traits>

namespace
{

// NaN, which a curve read from a file may hold, is taken as 0.
float Clamp01(float value)
{
    return value > 0.0f ? (value < 1.0f ? value : 1.0f) : 0.0f;
}

constexpr ImU32 KeyColor = IM_COL32(50, 220, 50, 255);

float ToFloat(float value)
{
    return value;
}
float ToFloat(uint8_t value)
{
    return float(value);
}

// A byte curve keeps whole numbers: the value is truncated.
void StoreValue(float from, float& to)
{
    to = from;
}
void StoreValue(float from, uint8_t& to)
{
    to = static_cast<uint8_t>(from > 0.0f ? std::min(std::trunc(from), 255.0f) : 0.0f);
}

} // namespace

Lumvek::Vector2 TimelineInspector::KeyPoint(float time, float value) const
{
    const float range = maximum - minimum;
    return {left + Clamp01(time) * width, top + Clamp01(range != 0.0f ? (maximum - value) / range : 0.0f) * height};
}

Lumvek::Vector2 TimelineInspector::PointKey(Lumvek::Vector2 point) const
{
    const float time = Clamp01((point.x - left) / width);
    return {time, maximum + (minimum - maximum) * Clamp01((point.y - top) / height)};
}

template <class V> uint32_t CurveInspector<V>::Resort(uint32_t followed)
{
    Lumvek::Effects::Timeline<V>& keys = *curve;
    const Lumvek::Effects::TimelineKey<V> key = keys[followed];
    std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.time < b.time; });
    for (uint32_t i = 0; i < keys.size(); ++i)
        if (keys[i].time == key.time && keys[i].value == key.value)
            return i;
    return None;
}

template <class V> void CurveInspector<V>::DrawFrameEditor()
{
    Lumvek::Effects::Timeline<V>& keys = *curve;
    char title[48];
    std::snprintf(title, sizeof(title), "Frame %u###FrameEditor", edited);
    ImGui::SetNextWindowPos(ImVec2(editorPosition.x, editorPosition.y));
    bool open = true;
    if (!ImGui::BeginPopupModal(title, &open, ImGuiWindowFlags_AlwaysAutoResize))
    {
        edited = None;
        return;
    }
    if (edited > 0)
    {
        ImGui::AlignTextToFramePadding();
        ImGui::TextUnformatted("Time");
        ImGui::SameLine(PropertyInput::GetLabelWidth());
        // Times outside the canvas would let a later key sort in front of the first, whose time the
        // rules take as 0.
        if (PropertyInput::FloatInput("##TimeInput", "Time", &keys[edited].time, 0.0f, 1.0f, 0.01f, 0.1f, 2))
            edited = Resort(edited);
    }
    if (edited < keys.size())
    {
        if constexpr (std::is_same_v<V, float>)
            PropertyInput::RangedValue(&keys[edited].value, minimum, maximum);
        else
        {
            ImGui::AlignTextToFramePadding();
            ImGui::TextUnformatted("Value");
            ImGui::SameLine(PropertyInput::GetLabelWidth());
            int64_t value = keys[edited].value;
            if (PropertyInput::WholeInput("##ValueInput", "Value", &value, 0, 255))
                keys[edited].value = static_cast<uint8_t>(value);
        }
    }
    ImGui::EndPopup();
    if (!open)
        edited = None;
}

template <class V> void CurveInspector<V>::Draw()
{
    if (!held.IsHeld())
    {
        open = 0;
        return;
    }
    Lumvek::Effects::Timeline<V>& keys = *curve;
    // Another window over the same curve may have removed keys since the last frame.
    for (uint32_t* index : {&hovered, &dragged, &edited})
        if (*index >= keys.size())
            *index = None;

    ImDrawList* list = ImGui::GetWindowDrawList();
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const float canvasWidth = std::max(ImGui::CalcItemWidth(), 2.0f * Inset + 1.0f);
    const ImVec2 end(origin.x + canvasWidth, origin.y + CanvasHeight);
    left = origin.x + Inset;
    top = origin.y + Inset;
    width = canvasWidth - 2.0f * Inset;
    height = CanvasHeight - 2.0f * Inset;
    list->AddRectFilledMultiColor(origin, end, IM_COL32(50, 50, 50, 255), IM_COL32(50, 50, 60, 255),
                                  IM_COL32(60, 60, 70, 255), IM_COL32(50, 50, 60, 255));
    list->AddRect(ImVec2(origin.x + 0.5f, origin.y + 0.5f), ImVec2(end.x - 0.5f, end.y - 0.5f),
                  IM_COL32(255, 255, 255, 255));
    list->AddRect(ImVec2(left + 0.5f, top + 0.5f), ImVec2(left + width - 0.5f, top + height - 0.5f),
                  IM_COL32(120, 120, 120, 255));

    for (uint32_t i = 0; i < keys.size(); ++i)
    {
        const Lumvek::Vector2 p = KeyPoint(keys[i].time, ToFloat(keys[i].value));
        list->AddRectFilled(ImVec2(p.x - 2.0f, p.y - 2.0f), ImVec2(p.x + 2.0f, p.y + 2.0f), KeyColor, 2.0f);
        if (i > 0)
        {
            const Lumvek::Vector2 q = KeyPoint(keys[i - 1].time, ToFloat(keys[i - 1].value));
            list->AddLine(ImVec2(q.x, q.y), ImVec2(p.x, p.y), KeyColor);
        }
        if (i == hovered || i == dragged)
        {
            list->AddRect(ImVec2(p.x - 3.0f, p.y - 3.0f), ImVec2(p.x + 3.0f, p.y + 3.0f), IM_COL32(220, 220, 220, 255));
            ImGui::SetTooltip("Frame %u - Time: %g Value: %g", i, double(keys[i].time), double(ToFloat(keys[i].value)));
        }
    }

    const ImVec2 mousePosition = ImGui::GetIO().MousePos;
    const Lumvek::Vector2 mouse(mousePosition.x, mousePosition.y);
    Lumvek::Vector2 at = PointKey(mouse);
    if constexpr (!std::is_same_v<V, float>)
        at.y = std::trunc(at.y);

    PropertyInput::InvisibleButton("TimelineCanvas", canvasWidth, CanvasHeight);
    const bool canvasHovered = ImGui::IsItemHovered();
    if (canvasHovered && hovered == None)
        ImGui::SetTooltip("Time: %g Value: %g", double(at.x), double(at.y));

    hovered = None;
    if (canvasHovered && edited == None)
    {
        for (uint32_t i = 0; i < keys.size(); ++i)
        {
            const Lumvek::Vector2 p = KeyPoint(keys[i].time, ToFloat(keys[i].value));
            if (std::abs(p.x - mouse.x) < 4.0f && std::abs(p.y - mouse.y) < 4.0f)
                hovered = i;
        }
        if (ImGui::IsMouseClicked(ImGuiMouseButton_Right) && hovered != None && hovered != 0)
        {
            keys.erase(keys.begin() + hovered);
            hovered = dragged = None;
        }
        else if (ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left) && hovered != None)
        {
            edited = hovered;
            hovered = dragged = None;
            editorPosition = {mouse.x + 10.0f, mouse.y + 10.0f};
            ImGui::OpenPopup("###FrameEditor");
        }
        else if (ImGui::IsMouseClicked(ImGuiMouseButton_Left))
        {
            // A new key goes under the mouse at once; a key clicked stays where it is until the mouse
            // moves past ImGui's drag threshold while held.
            followsMouse = hovered == None;
            if (hovered == None)
            {
                Lumvek::Effects::TimelineKey<V> key;
                key.time = FLT_MAX;
                if constexpr (std::is_same_v<V, float>)
                    key.value = FLT_MAX;
                else
                    key.value = 255;
                keys.push_back(key);
                hovered = static_cast<uint32_t>(keys.size() - 1);
            }
            dragged = hovered;
        }
    }
    if (ImGui::IsMouseReleased(ImGuiMouseButton_Left))
        dragged = None;

    if (edited != None)
        DrawFrameEditor();

    if (dragged != None && (followsMouse || ImGui::IsMouseDragging(ImGuiMouseButton_Left)))
    {
        keys[dragged].time = dragged == 0 ? 0.0f : at.x;
        StoreValue(at.y, keys[dragged].value);
        dragged = Resort(dragged);
    }
}

template class CurveInspector<float>;
template class CurveInspector<uint8_t>;

void CloseTimelineWindows(const Lumvek::Effects::EffectData& effect, const void* rule)
{
    if (const Tools* tools = Tools::Current())
        for (const std::unique_ptr<Inspector>& window : tools->GetInspectors())
            if (auto* timeline = dynamic_cast<TimelineInspector*>(window.get());
                timeline && timeline->effect == &effect && (!rule || timeline->rule == rule))
                timeline->open = 0;
}
