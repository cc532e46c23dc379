#pragma once

#include "Engine/Foundation/Color.h"
#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/UnitRectangle.h"
#include "Engine/Runtime/Core/System.h"
#include "Engine/Runtime/Graphics/DrawList.h"
#include "Engine/Runtime/Gui/Element.h"
#include "Engine/Runtime/Gui/Menu.h"
#include "Engine/Runtime/Gui/Transition.h"
#include "Engine/Runtime/Input/Input.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Lumvek
{

class Geometry;
class GraphicsDevice;

// The frame's input as the menus read it, refreshed by the Gui every late update from the
// application's devices. Each cursor is the Gui's place in its device's events.
struct GuiInput
{
    uint32_t controllerCursor = 0;
    ControllerStates controllers{};
    uint32_t keyboardCursor = 0;
    KeyboardState keyboard;
    uint32_t mouseCursor = 0;
    MouseState mouse;
    uint32_t touchCursor = 0;
    TouchState touch;
};

// The Gui's bookkeeping for one open menu, from Gui::AddMenu until its closing transition ends.
struct MenuRecord
{
    // The menu hides what lies beneath its rectangle.
    uint8_t covering = 0;
    // The menu receives input.
    uint8_t active = 0;
    std::unique_ptr<Menu> menu;
    // The opening or closing transition; none once an opening one has ended.
    std::unique_ptr<Transition> transition;
    std::unique_ptr<MenuLayer> layer;
    DrawList drawList;
    // Indices in drawList of its clip items.
    std::vector<uint32_t> clipIndices;
    uint8_t transitionFinished = 0;
    uint8_t opening = 1;
    UnitRectangle placement;
    // Setup has run.
    uint8_t setUp = 0;
    // Unique over the Gui's life: tells a menu apart from a later one made at the same address.
    uint64_t serial = 0;
};

// A handler added to one of the Gui's lists, erased from it when the record is destroyed. Elements
// keep these so that a handler never outlives what it captures.
class GuiSubscription
{
public:
    GuiSubscription(Gui& gui, GuiHandlerList list, GuiHandler handler);
    GuiSubscription(const GuiSubscription&) = delete;
    GuiSubscription& operator=(const GuiSubscription&) = delete;
    ~GuiSubscription();

private:
    Gui& gui;
    GuiHandlerList list;
    const GuiHandler* handler;
};

// The vertex layouts of the Gui's vertex buffer, positions in device coordinates (-1 to 1, y up).
struct GuiColorVertex
{
    float x = 0.0f;
    float y = 0.0f;
    Color color;
};
struct GuiImageVertex
{
    float x = 0.0f;
    float y = 0.0f;
    float u = 0.0f;
    float v = 0.0f;
    Color color;
};
struct GuiTextVertex
{
    float x = 0.0f;
    float y = 0.0f;
    float u = 0.0f;
    float v = 0.0f;
    Color fillColor;
    Color strokeColor;
    float innerStrokeRadius = 0.0f;
    float outerStrokeRadius = 0.0f;
};
static_assert(sizeof(GuiColorVertex) == 12 && sizeof(GuiImageVertex) == 20 && sizeof(GuiTextVertex) == 32);

// A point in pixels (origin top left) in the device coordinates of a device of that size.
Vector2 ToDeviceCoordinates(float x, float y, float deviceWidth, float deviceHeight);

// Appends one quad to the Gui's buffers: four vertices of stride bytes (top left, bottom left, top
// right, bottom right) and six 16-bit indices, and adds their draw to the list with the buffers set
// in its template (the caller sets material and textures). False, with nothing added, when the
// buffers cannot address another quad of that stride with 16-bit indices.
bool AppendGuiQuad(DrawList& drawList, Geometry& vertexBuffer, Geometry& indexBuffer, const void* vertices,
                   uint32_t stride);
template <class Vertex>
bool AppendGuiQuad(DrawList& drawList, Geometry& vertexBuffer, Geometry& indexBuffer, const Vertex (&vertices)[4])
{
    return AppendGuiQuad(drawList, vertexBuffer, indexBuffer, vertices, sizeof(Vertex));
}

// The engine's user-interface system: keeps the open menus in opening and in draw order, plays their
// opening and closing transitions, hands them the frame's input and draws them through two shared
// dynamic buffers. Owned by the application; application thread only.
class Gui : public System
{
public:
    Gui();
    ~Gui() override;

    // Creates the shared buffers and runs every handler list once with 0 seconds.
    void Setup() override;
    // Runs the update handlers.
    void Update(int64_t elapsed) override;
    // Runs the late-update handlers, refreshes the input, sets up new menus, advances transitions,
    // runs the input pass of every active menu and removes menus whose closing transition ended.
    void LateUpdate(int64_t elapsed) override;
    // Runs the render handlers and draws every menu in draw order.
    void Render(int64_t elapsed) override;

    // Opens a menu: it is set up on the next late update and activated when its opening transition
    // ends (at once without one). A covering menu deactivates every active menu.
    Menu* AddMenu(std::unique_ptr<Menu> menu, std::unique_ptr<Transition> transition, std::unique_ptr<MenuLayer> layer,
                  const UnitRectangle& placement, bool covering);
    // Starts closing a menu of this Gui: it is deactivated now and destroyed on the late update that
    // ends the transition. False for a menu that is not open here.
    bool CloseMenu(Menu& menu, std::unique_ptr<Transition> transition);
    // Orders the menus by the layer of their current transitions (none counts 0), keeping the opening
    // order among equals.
    void SortMenus();

    // Adds a callable to a list; the returned address names it to EraseOwned.
    const GuiHandler* AddHandler(GuiHandlerList list, GuiHandler handler);
    // Removes the entry owning the callable; the others keep their order. Safe from inside a handler,
    // including the one erased.
    void EraseOwned(GuiHandlerList list, const GuiHandler* handler);

    // The placement in pixels on the application's graphics device (a device of 0 x 0 without one).
    Rectangle ResolvePlacement(const UnitRectangle& placement) const;

    GraphicsDevice* GetGraphicsDevice() const;
    const GuiInput& GetInput() const { return input; }
    Geometry* GetVertexBuffer() const { return vertexBuffer; }
    Geometry* GetIndexBuffer() const { return indexBuffer; }
    uint32_t GetMenuCount() const { return static_cast<uint32_t>(records.size()); }
    // Throws InvalidIndex past the last record.
    const MenuRecord& GetRecord(uint32_t index) const;
    // The records in draw order, bottom first.
    const std::vector<MenuRecord*>& GetDrawOrder() const { return drawOrder; }

    // Device slots of the materials, set by the front end's UI set-up: coloured bands, images and
    // nine-slices, text.
    uint32_t colorMaterial = InvalidId;
    uint32_t imageMaterial = InvalidId;
    uint32_t textMaterial = InvalidId;

private:
    struct HandlerListState
    {
        std::vector<std::unique_ptr<GuiHandler>> handlers;
        // Erased while the list ran; destroyed once it has finished.
        std::vector<std::unique_ptr<GuiHandler>> erased;
        uint32_t running = 0;
    };

    void RunHandlers(GuiHandlerList list, float seconds);
    void RefreshInput();
    void StartTransition(MenuRecord& record);
    void UncoverMenus();
    void DrawMenu(MenuRecord& record, float seconds, GraphicsDevice& device, uint32_t renderTarget);
    // Queues a colour-target change and, with the flag, a clear.
    void PrepareTarget(GraphicsDevice& device, uint32_t renderTarget, uint8_t clear, Color clearColor);

    HandlerListState handlerLists[3];
    GuiInput input;
    Geometry* vertexBuffer = nullptr;
    Geometry* indexBuffer = nullptr;
    // The device slots of the buffers when this Gui created them.
    uint32_t vertexBufferSlot = InvalidId;
    uint32_t indexBufferSlot = InvalidId;
    // Declared after the handler lists: the menus' elements erase their handlers as they go.
    std::vector<std::unique_ptr<MenuRecord>> records;
    std::vector<MenuRecord*> drawOrder;
    // The draw order as a render walks it, kept between frames so that a render allocates nothing.
    std::vector<MenuRecord*> renderOrder;
    uint64_t lastSerial = 0;
};

} // namespace Lumvek
