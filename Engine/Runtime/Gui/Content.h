#pragma once

#include "Engine/Foundation/Math.h"

#include <cstdint>

namespace Lumvek
{

class DrawList;
class Geometry;
class GraphicsDevice;
class Menu;

// How content sits inside its element along one axis.
enum class ContentAlignment : uint32_t
{
    Start = 0, // left or top
    Center = 1,
    End = 2, // right or bottom
    // The drawn size becomes the larger of the available size and the content's own, at the start.
    Stretch = 3,
};

// The drawable payload of an element: text, an image, a frame. Owned by its element. The element
// draw calls Render after the element's colour bands and before its children; Render appends quads
// to the Gui's vertex and index buffers (see AppendGuiQuad) and their draws to the menu's list.
class Content
{
public:
    virtual ~Content() = default;

    // rectangle: the element's rectangle in pixels, origin at the top left of the device. Every
    // Render stores what it drew in drawnRectangle.
    virtual void Render(float seconds, DrawList& drawList, Geometry& vertexBuffer, Geometry& indexBuffer,
                        GraphicsDevice& device, Menu& menu, const Rectangle& rectangle) = 0;

    // Places content of the given size along one axis of the available span by the alignment (a
    // ContentAlignment value; unknown values count as Start). Writes the placed start and size.
    static void Align(uint32_t alignment, float start, float available, float size, float& placedStart,
                      float& placedSize);

    uint32_t horizontalAlignment = static_cast<uint32_t>(ContentAlignment::Start);
    uint32_t verticalAlignment = static_cast<uint32_t>(ContentAlignment::Start);
    // What the last Render drew, in pixels; the front end hit-tests against it.
    Rectangle drawnRectangle;
};

} // namespace Lumvek
