#include "Source/Tools/Inspectors/PolygonInspector.h"

#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Foundation/TextureRegion.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace
{

constexpr ImU32 Black = IM_COL32(0, 0, 0, 255);
constexpr ImU32 White = IM_COL32(255, 255, 255, 255);

float Clamp01(float value)
{
    return std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 1.0f);
}

} // namespace

void PolygonInspector::Draw()
{
    // Another window on the same list, or the definition itself, may have shortened it since.
    if (!polygon || hoveredPoint >= polygon->size())
        hoveredPoint = NoPoint;
    if (!polygon || selectedPoint >= polygon->size())
        selectedPoint = NoPoint;

    const Tools* tools = Tools::Current();
    Lumvek::GraphicsDevice* device = tools ? tools->GetDevice() : nullptr;
    const Lumvek::Texture* loaded = device ? device->GetTexture(texture) : nullptr;
    float width = ImGui::CalcItemWidth();
    float height = 100.0f;
    Lumvek::UvRectangle uv{0.0f, 0.0f, 1.0f, 1.0f};
    if (loaded)
    {
        width = float(loaded->width);
        height = float(loaded->height);
        if (region != Lumvek::InvalidId && size_t(region) + 1 < loaded->regions.size() && loaded->regions[region + 1])
            uv = loaded->regions[region + 1]->uv;
    }

    PropertyInput::Float("Scale", &scale);
    scale = std::isnan(scale) ? 1.0f : std::clamp(scale, MinimumScale, MaximumScale);
    PropertyInput::Color("Background", &background);

    const Lumvek::Vector2 size(uv.width * width * scale, uv.height * height * scale);
    const ImVec2 corner = ImGui::GetCursorScreenPos();
    canvasPosition = {corner.x, corner.y};
    canvasSize = {};
    // A region of no pixels makes no canvas: there is nothing to put a point on, and the pointer's
    // place on it would divide by zero.
    if (std::isfinite(size.x) && std::isfinite(size.y) && size.x >= 1.0f && size.y >= 1.0f)
    {
        canvasSize = size;
        ImDrawList* draw = ImGui::GetWindowDrawList();
        const ImVec2 end(corner.x + size.x, corner.y + size.y);
        draw->AddRectFilled(corner, end, IM_COL32(background.r, background.g, background.b, background.a));
        PropertyInput::InvisibleButton("TimelineCanvas", size.x, size.y);
        if (loaded)
            draw->AddImage(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(texture)), corner, end,
                           ImVec2(uv.x, uv.y), ImVec2(uv.x + uv.width, uv.y + uv.height));
        if (polygon)
            EditPoints({corner.x, corner.y}, size);
    }
    else
    {
        hoveredPoint = selectedPoint = NoPoint;
    }

    PropertyInput::FreshId();
    if (ImGui::Button("Clear") && polygon)
    {
        polygon->clear();
        hoveredPoint = selectedPoint = NoPoint;
    }
    ImGui::PopID();
}

void PolygonInspector::EditPoints(Lumvek::Vector2 canvas, Lumvek::Vector2 size)
{
    std::vector<Lumvek::Vector2>& points = *polygon;
    const bool canvasHovered = ImGui::IsItemHovered();
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const auto screen = [&](const Lumvek::Vector2& point)
    { return ImVec2(canvas.x + size.x * point.x, canvas.y + (1.0f - point.y) * size.y); };
    for (size_t i = 0; i < points.size(); ++i)
    {
        const ImVec2 at = screen(points[i]);
        if (i > 0)
        {
            const ImVec2 from = screen(points[i - 1]);
            draw->AddLine(from, at, Black, 2.0f);
            draw->AddLine(from, at, White, 1.0f);
        }
        draw->AddRectFilled(ImVec2(at.x - 3.0f, at.y - 3.0f), ImVec2(at.x + 3.0f, at.y + 3.0f), Black);
        draw->AddRectFilled(ImVec2(at.x - 2.0f, at.y - 2.0f), ImVec2(at.x + 2.0f, at.y + 2.0f), White);
        if (i == hoveredPoint || i == selectedPoint)
            ImGui::SetTooltip("%s",
                              Lumvek::FormatText("{} - X: {} Y: {}", uint32_t(i), points[i].x, points[i].y).c_str());
    }

    const ImVec2 pointer = ImGui::GetIO().MousePos;
    const float mx = (pointer.x - canvas.x) / size.x;
    const float my = 1.0f - (pointer.y - canvas.y) / size.y;
    if (canvasHovered && hoveredPoint == NoPoint && selectedPoint == NoPoint)
        ImGui::SetTooltip("%s", Lumvek::FormatText("X: {} Y: {}", mx, my).c_str());

    hoveredPoint = NoPoint;
    bool erased = false;
    if (canvasHovered)
    {
        for (size_t i = 0; i < points.size(); ++i)
        {
            const ImVec2 at = screen(points[i]);
            if (std::fabs(at.x - pointer.x) <= PickDistance && std::fabs(at.y - pointer.y) <= PickDistance)
                hoveredPoint = uint32_t(i);
        }
        if (ImGui::IsMouseClicked(ImGuiMouseButton_Right))
        {
            if (hoveredPoint != NoPoint)
                points.erase(points.begin() + hoveredPoint);
            hoveredPoint = selectedPoint = NoPoint;
            erased = true;
        }
        else if (ImGui::IsMouseClicked(ImGuiMouseButton_Left))
        {
            if (hoveredPoint == NoPoint)
            {
                points.push_back({Clamp01(mx), Clamp01(my)});
                hoveredPoint = uint32_t(points.size() - 1);
            }
            selectedPoint = hoveredPoint;
        }
    }
    if (erased)
        return;
    if (ImGui::IsMouseReleased(ImGuiMouseButton_Left))
        selectedPoint = NoPoint;
    if (selectedPoint != NoPoint)
        points[selectedPoint] = {Clamp01(mx), Clamp01(my)};
}
