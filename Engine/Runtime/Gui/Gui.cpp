#include "Engine/Runtime/Gui/Gui.h"

#include "Engine/Foundation/Exceptions.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"

#include <algorithm>
#include <cstring>

namespace Lumvek
{

namespace
{

bool Overlap(const Rectangle& a, const Rectangle& b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

void Empty(Geometry& geometry)
{
    geometry.data.Clear();
    geometry.used = 0;
    geometry.MarkChanged();
}

} // namespace

Vector2 ToDeviceCoordinates(float x, float y, float deviceWidth, float deviceHeight)
{
    // A device without an area has no coordinates to give; its centre is as good as any.
    if (!(deviceWidth > 0.0f) || !(deviceHeight > 0.0f))
        return {0.0f, 0.0f};
    return {(x - deviceWidth / 2.0f) * (2.0f / deviceWidth), (y - deviceHeight / 2.0f) * (-2.0f / deviceHeight)};
}

bool AppendGuiQuad(DrawList& drawList, Geometry& vertexBuffer, Geometry& indexBuffer, const void* vertices,
                   uint32_t stride)
{
    if (stride == 0)
        return false;
    // The indices are 16-bit element numbers counted in strides from the start of the buffer.
    const uint64_t firstVertex = (uint64_t(vertexBuffer.used) + stride - 1) / stride;
    if (firstVertex + 4 > 0x10000)
        return false;
    const uint32_t usedVertices = vertexBuffer.used;
    const GraphicsBufferRange vertexRange = GraphicsBuffer::Allocate(vertexBuffer, stride, 4);
    if (vertexRange.count == 0)
        return false;
    const GraphicsBufferRange indexRange = GraphicsBuffer::Allocate(indexBuffer, 2, 6);
    if (indexRange.count == 0)
    {
        vertexBuffer.used = usedVertices;
        return false;
    }
    std::memcpy(vertexRange.bytes, vertices, size_t(stride) * 4);
    const auto v = static_cast<uint16_t>(vertexRange.first);
    const uint16_t indices[6] = {
        v, uint16_t(v + 1), uint16_t(v + 2), uint16_t(v + 2), uint16_t(v + 1), uint16_t(v + 3)};
    std::memcpy(indexRange.bytes, indices, sizeof(indices));

    DrawCommand& drawTemplate = drawList.Template();
    drawTemplate.geometry = vertexBuffer.deviceSlot;
    drawTemplate.geometryStride = stride;
    drawTemplate.instances = InvalidId;
    drawTemplate.instanceStride = 0;
    drawTemplate.indices = indexBuffer.deviceSlot;
    drawTemplate.indexStride = 2;
    drawList.Draw(indexRange.first, 6, 0.0f);
    return true;
}

GuiSubscription::GuiSubscription(Gui& gui, GuiHandlerList list, GuiHandler handler)
    : gui(gui), list(list), handler(gui.AddHandler(list, std::move(handler)))
{
}

GuiSubscription::~GuiSubscription()
{
    gui.EraseOwned(list, handler);
}

Gui::Gui()
{
    // Named here, on the thread that builds the program, before any loader thread adds names.
    vertexBufferSlot = NameTableC().Add("LumvekGuiVertexBuffer");
    indexBufferSlot = NameTableC().Add("LumvekGuiIndexBuffer");
}

Gui::~Gui()
{
    // The menus first: their elements erase their handlers from the lists on the way out.
    drawOrder.clear();
    records.clear();
    if (GraphicsDevice* device = GetGraphicsDevice())
    {
        if (vertexBuffer)
            device->DestroyResource(vertexBufferSlot, ResourceKind::Geometry);
        if (indexBuffer)
            device->DestroyResource(indexBufferSlot, ResourceKind::Geometry);
    }
}

GraphicsDevice* Gui::GetGraphicsDevice() const
{
    Application* application = GetApplication();
    return application ? application->GetGraphicsDevice() : nullptr;
}

void Gui::Setup()
{
    if (GraphicsDevice* device = GetGraphicsDevice())
    {
        const auto dynamic = static_cast<uint32_t>(ResourceUsage::Dynamic);
        // Refused when the slots are taken: the Gui then draws nothing rather than into another's
        // buffers.
        if (!vertexBuffer && (vertexBuffer = device->CreateGeometry(vertexBufferSlot, dynamic, 0)))
            vertexBuffer->dataType = GeometryDataType::TriangleList;
        if (!indexBuffer && (indexBuffer = device->CreateGeometry(indexBufferSlot, dynamic, 0)))
            indexBuffer->dataType = GeometryDataType::IndexList;
    }
    RunHandlers(GuiHandlerList::Update, 0.0f);
    RunHandlers(GuiHandlerList::LateUpdate, 0.0f);
    RunHandlers(GuiHandlerList::Render, 0.0f);
}

void Gui::Update(int64_t elapsed)
{
    RunHandlers(GuiHandlerList::Update, static_cast<float>(elapsed) / 1e9f);
}

const GuiHandler* Gui::AddHandler(GuiHandlerList list, GuiHandler handler)
{
    const auto index = static_cast<uint32_t>(list);
    if (index >= std::size(handlerLists))
        return nullptr;
    std::vector<std::unique_ptr<GuiHandler>>& handlers = handlerLists[index].handlers;
    handlers.push_back(std::make_unique<GuiHandler>(std::move(handler)));
    return handlers.back().get();
}

void Gui::EraseOwned(GuiHandlerList list, const GuiHandler* handler)
{
    const auto index = static_cast<uint32_t>(list);
    if (index >= std::size(handlerLists) || !handler)
        return;
    HandlerListState& state = handlerLists[index];
    const auto found =
        std::find_if(state.handlers.begin(), state.handlers.end(),
                     [handler](const std::unique_ptr<GuiHandler>& entry) { return entry.get() == handler; });
    if (found == state.handlers.end())
        return;
    if (state.running)
    {
        // The list is being walked and the callable may be the one running: keep it alive and let
        // the walk skip its empty entry.
        state.erased.push_back(std::move(*found));
        return;
    }
    state.handlers.erase(found);
}

void Gui::RunHandlers(GuiHandlerList list, float seconds)
{
    HandlerListState& state = handlerLists[static_cast<uint32_t>(list)];
    ++state.running;
    // Handlers added by a handler run from the next frame on.
    const size_t count = state.handlers.size();
    for (size_t i = 0; i < count && i < state.handlers.size(); ++i)
    {
        GuiHandler* handler = state.handlers[i].get();
        if (handler && *handler)
            (*handler)(seconds);
    }
    if (--state.running == 0 && !state.erased.empty())
    {
        std::erase(state.handlers, nullptr);
        state.erased.clear();
    }
}

void Gui::RefreshInput()
{
    Application* application = GetApplication();
    if (!application)
        return;
    if (ControllerDevice* controllers = application->GetControllerDevice())
    {
        for (ControllerState& pad : input.controllers)
            pad.SavePrevious();
        input.controllerCursor = controllers->Update(input.controllers, input.controllerCursor);
    }
    if (KeyboardDevice* keyboard = application->GetKeyboardDevice())
        input.keyboardCursor = keyboard->Update(input.keyboard, input.keyboardCursor);
    if (MouseDevice* mouse = application->GetMouseDevice())
    {
        input.mouse.SavePrevious();
        input.mouseCursor = mouse->Update(input.mouse, input.mouseCursor);
    }
    if (TouchDevice* touch = application->GetTouchDevice())
    {
        for (TouchPoint& point : input.touch.points)
            point.previousPosition = point.position;
        input.touchCursor = touch->Update(input.touch);
    }
}

Rectangle Gui::ResolvePlacement(const UnitRectangle& placement) const
{
    const GraphicsDevice* device = GetGraphicsDevice();
    const DeviceSize size = device ? device->GetSize() : DeviceSize();
    const UnitRectangle::Resolved resolved =
        placement.Resolve(static_cast<float>(size.width), static_cast<float>(size.height));
    return {resolved.x, resolved.y, resolved.width, resolved.height};
}

void Gui::StartTransition(MenuRecord& record)
{
    Transition& transition = *record.transition;
    transition.rectangle = ResolvePlacement(record.placement);
    transition.elapsed = 0.0f;
    if (GraphicsDevice* device = GetGraphicsDevice())
        transition.Start(transition.rectangle, *device);
}

Menu* Gui::AddMenu(std::unique_ptr<Menu> menu, std::unique_ptr<Transition> transition, std::unique_ptr<MenuLayer> layer,
                   const UnitRectangle& placement, bool covering)
{
    if (!menu)
        return nullptr;
    Menu* added = menu.get();
    added->gui = this;
    added->index = static_cast<uint32_t>(records.size());

    auto record = std::make_unique<MenuRecord>();
    record->drawList.Add();
    record->covering = covering ? 1 : 0;
    record->serial = ++lastSerial;
    record->placement = placement;
    record->menu = std::move(menu);
    record->layer = std::move(layer);
    record->transition = std::move(transition);
    MenuRecord& opened = *record;
    records.push_back(std::move(record));
    if (opened.transition)
        StartTransition(opened);
    SortMenus();

    if (covering)
    {
        // A copy: Deactivate may open or close menus, which rebuilds the draw order.
        const std::vector<MenuRecord*> order = drawOrder;
        for (MenuRecord* below : order)
        {
            if (!below->active)
                continue;
            below->active = 0;
            below->menu->Deactivate();
        }
    }
    return added;
}

bool Gui::CloseMenu(Menu& menu, std::unique_ptr<Transition> transition)
{
    if (menu.gui != this || menu.index >= records.size() || records[menu.index]->menu.get() != &menu)
        return false;
    MenuRecord& record = *records[menu.index];
    record.transitionFinished = 0;
    record.opening = 0;
    record.active = 0;
    menu.Deactivate();
    record.transition = std::move(transition);
    if (record.transition)
        StartTransition(record);
    SortMenus();
    return true;
}

void Gui::SortMenus()
{
    drawOrder.clear();
    for (const std::unique_ptr<MenuRecord>& record : records)
        drawOrder.push_back(record.get());
    std::stable_sort(drawOrder.begin(), drawOrder.end(),
                     [](const MenuRecord* a, const MenuRecord* b)
                     {
                         const int32_t layerA = a->transition ? a->transition->layer : 0;
                         const int32_t layerB = b->transition ? b->transition->layer : 0;
                         return layerA < layerB;
                     });
}

const MenuRecord& Gui::GetRecord(uint32_t index) const
{
    if (index >= records.size())
        throw InvalidIndex(index, static_cast<uint32_t>(records.size()));
    return *records[index];
}

void Gui::LateUpdate(int64_t elapsed)
{
    const float seconds = static_cast<float>(elapsed) / 1e9f;
    RunHandlers(GuiHandlerList::LateUpdate, seconds);
    RefreshInput();

    bool removed = false;
    // Menus may open and close menus from every call below; records only move when erased here, so
    // a record's address holds until then.
    for (uint32_t i = 0; i < records.size(); ++i)
    {
        MenuRecord* record = records[i].get();
        Menu& menu = *record->menu;
        if (!record->setUp)
        {
            record->setUp = 1;
            menu.placement = record->placement;
            if (menu.root.actions)
                menu.root.actions->Attach();
            menu.Setup();
        }
        if (record->layer)
            record->layer->Update(seconds);

        if (record->transitionFinished)
        {
            if (record->active)
                menu.RunInputPass(seconds, input);
            continue;
        }
        if (Transition* transition = record->transition.get())
        {
            transition->elapsed += seconds;
            transition->Update(seconds);
            if (transition->elapsed < transition->duration)
                continue;
        }
        record->transitionFinished = 1;
        if (record->opening)
        {
            record->transition.reset();
            record->active = 1;
            menu.Activate();
            continue;
        }

        menu.Close();
        menu.root.RemoveChildren();
        if (menu.root.actions)
            menu.root.actions->Detach();
        menu.SetElementName(menu.root, "");
        records.erase(records.begin() + i);
        for (uint32_t later = i; later < records.size(); ++later)
            records[later]->menu->index = later;
        // No pointer to the erased record may outlive this point.
        SortMenus();
        --i;
        removed = true;
    }
    if (removed)
    {
        SortMenus();
        UncoverMenus();
    }
}

void Gui::UncoverMenus()
{
    // A copy: Activate may open or close menus, which rebuilds the draw order.
    const std::vector<MenuRecord*> order = drawOrder;
    for (size_t i = 0; i < order.size(); ++i)
    {
        MenuRecord& record = *order[i];
        if (record.active || !record.transitionFinished)
            continue;
        const Rectangle area = ResolvePlacement(record.placement);
        bool covered = false;
        for (size_t above = i + 1; above < order.size() && !covered; ++above)
            covered = order[above]->covering && Overlap(area, ResolvePlacement(order[above]->placement));
        if (covered)
            continue;
        record.active = 1;
        record.menu->Activate();
    }
}

void Gui::PrepareTarget(GraphicsDevice& device, uint32_t renderTarget, uint8_t clear, Color clearColor)
{
    if (!clear)
        return;
    device.GetCommands().push_back(GraphicsCommand::SetColorTarget(renderTarget, 0));
    device.GetCommands().push_back(GraphicsCommand::Clear(clearColor.r / 255.0f, clearColor.g / 255.0f,
                                                          clearColor.b / 255.0f, clearColor.a / 255.0f));
}

void Gui::DrawMenu(MenuRecord& record, float seconds, GraphicsDevice& device, uint32_t renderTarget)
{
    record.menu->Draw(seconds, device, record.drawList, record.clipIndices, *vertexBuffer, *indexBuffer, renderTarget);
}

void Gui::Render(int64_t elapsed)
{
    const float seconds = static_cast<float>(elapsed) / 1e9f;
    RunHandlers(GuiHandlerList::Render, seconds);
    GraphicsDevice* device = GetGraphicsDevice();
    if (!device || !vertexBuffer || !indexBuffer)
        return;
    Empty(*vertexBuffer);
    Empty(*indexBuffer);

    // A copy: contents and transitions may open or close menus, which rebuilds the draw order.
    renderOrder.assign(drawOrder.begin(), drawOrder.end());
    for (MenuRecord* record : renderOrder)
    {
        MenuLayer* layer = record->layer.get();
        if (layer)
        {
            PrepareTarget(*device, layer->renderTarget, layer->clear, layer->clearColor);
            DrawMenu(*record, seconds, *device, layer->renderTarget);
            layer->Draw(seconds, *device, *record->menu);
        }
        Transition* transition = record->transition.get();
        if (!transition)
        {
            if (!layer)
                DrawMenu(*record, seconds, *device, InvalidId);
            continue;
        }
        if (!layer)
        {
            PrepareTarget(*device, transition->renderTarget, transition->clear, transition->clearColor);
            DrawMenu(*record, seconds, *device, transition->renderTarget);
        }
        transition->Draw(seconds, *device, layer ? layer->renderTarget : transition->renderTarget, *record->menu);
    }
}

} // namespace Lumvek
