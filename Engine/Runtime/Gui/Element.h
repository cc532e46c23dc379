#pragma once

#include "Engine/Foundation/Color.h"
#include "Engine/Foundation/Math.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Gui/Content.h"
#include "Engine/Runtime/Gui/ElementActions.h"

#include <yoga/Yoga.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Lumvek
{

class DrawList;
class Geometry;
class GraphicsDevice;
class GuiSubscription;
class Menu;

// A length handed to the layout: a value in a unit.
struct ElementLength
{
    enum Unit : uint32_t
    {
        Undefined = 0, // for outline widths: none
        Points = 1,    // pixels
        Percent = 2,
    };

    uint32_t unit = Undefined;
    float value = 0.0f;

    bool operator==(const ElementLength&) const = default;
};

// Which of the Gui's handler lists a callable runs in.
enum class GuiHandlerList : uint32_t
{
    Update = 0,
    LateUpdate = 1,
    Render = 2,
};

// A callable run by the Gui every frame, given the frame time in seconds.
using GuiHandler = std::function<void(float seconds)>;

// What one element draw needs besides the element: the menu's list and the Gui's shared buffers.
struct ElementDrawContext
{
    float seconds = 0.0f;
    DrawList& drawList;
    // Indices in drawList of the clip items pushed this draw.
    std::vector<uint32_t>& clipIndices;
    Geometry& vertexBuffer;
    Geometry& indexBuffer;
    GraphicsDevice& device;
    // The device size the menu was laid out for.
    DeviceSize size;
    Menu& menu;
    uint32_t colorMaterial = 0xFFFFFFFFu;
    // The clip rectangle in force around the element being drawn; width < 0 when there is none.
    Rectangle clip{0.0f, 0.0f, -1.0f, -1.0f};
};

// One node of a menu's element tree: a box laid out by Yoga and drawn as coloured bands, with an
// optional content drawn inside it and optional input behaviour. A menu embeds its root element;
// every other element is owned by its parent. Application thread only.
class Element
{
public:
    enum Side : uint32_t
    {
        Left = 0,
        Right = 1,
        Top = 2,
        Bottom = 3,
    };

    explicit Element(Menu* owner);
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;
    // Also takes the element out of its menu's focus, hover and name index.
    ~Element();

    // A new last child, positioned absolutely unless this element's flow flag is set.
    Element& AddChild();
    // Destroys the children last first, each after its own children, detaching their actions and
    // dropping their names from the menu's index.
    void RemoveChildren();

    // Layout style. Each setter changes the node only when the value differs, which marks it and its
    // ancestors for layout. Undefined units and NaN values clear the property.
    void SetMargin(YGEdge edge, ElementLength length);
    void SetPadding(ElementLength length);
    void SetPosition(YGEdge edge, ElementLength length);
    // A negative points value sets the aspect ratio to it and leaves the size undefined; a NaN
    // percentage becomes automatic.
    void SetWidth(ElementLength length);
    void SetHeight(ElementLength length);

    // The deepest visible element under the point, children tried last first, with offset the
    // origin of the element's parent. Edges are outside. With needActions only elements that have
    // actions are returned; the walk still descends through the others.
    Element* FindElementAt(float x, float y, Vector2 offset, bool needActions);
    // Appends every descendant under the point, by the rectangles of the last draw (a content's when
    // the element has one), deepest and last first.
    void FindElementsAt(float x, float y, bool needActions, std::vector<Element*>& found);
    // The rectangle less the layout's padding.
    Rectangle ContentBox(const Rectangle& rectangle) const;
    // The laid-out rectangle of the element with offset the origin of its parent.
    Rectangle LayoutRectangle(Vector2 offset) const;

    // Draws the element and its children into the context's list; offset is the origin of the parent.
    void Draw(ElementDrawContext& context, Vector2 offset);

    // Adds a handler to one of the Gui's lists for as long as this element lives; false when the
    // element's menu is not in a Gui.
    bool Subscribe(GuiHandlerList list, GuiHandler handler);

    Menu* GetOwner() const { return owner; }
    YGNodeRef GetNode() const { return node; }
    const std::string& GetName() const { return name; }
    const std::vector<std::unique_ptr<Element>>& GetChildren() const { return children; }

    // Handler registrations released with the element.
    std::vector<std::unique_ptr<GuiSubscription>> subscriptions;
    uint8_t visible = 1;
    // Children are hit and drawn only inside the content box.
    uint8_t clip = 0;
    Color background = Color::Transparent;
    // The band between the rectangle and the content box.
    Color padding = Color::Transparent;
    // Strips along the sides, as wide as the outline widths.
    Color outline = Color::Transparent;
    // Over the content box.
    Color fill = Color::Transparent;

private:
    friend class Menu;

    Menu* owner = nullptr;
    YGNodeRef node = nullptr;
    std::string name;
    std::vector<std::unique_ptr<Element>> children;

public:
    std::unique_ptr<Content> content;
    std::unique_ptr<ElementActions> actions;
    // By Side; percent of the element's width for left and right, of its height for top and bottom.
    ElementLength outlineWidths[4];
    // The lengths last given to SetPosition for the left and top edges, SetWidth and SetHeight.
    ElementLength left;
    ElementLength top;
    ElementLength width;
    ElementLength height;
    // When clear, children added afterwards are positioned absolutely.
    uint8_t flow = 0;
    // Where the last draw put the element, in pixels.
    Rectangle drawnRectangle{0.0f, 0.0f, 1.0f, 1.0f};
};

} // namespace Lumvek
