#include "Source/Tools/Tools.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Sdl/SdlApplication.h"
#include "Source/Game/Rendering/GameRenderer.h"
#include "Source/Game/Vantorel.h"
#include "Source/Tools/Editors/BotEditor.h"
#include "Source/Tools/Editors/DataEditor.h"
#include "Source/Tools/Editors/GameEditor.h"
#include "Source/Tools/Editors/GuiEditor.h"
#include "Source/Tools/Editors/MapEditor.h"
#include "Source/Tools/Editors/ResourcesEditor.h"
#include "Source/Tools/Editors/ThemeEditor.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/World/Camera.h"
#include "Source/World/MapFile.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

// Set by Setup on the application thread, cleared by the destructor there.
Tools* current = nullptr;

// Dear ImGui's report of what a window left open, written to our log.
void LogRecovery(void* owner, const char* format, ...)
{
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    Lumvek::Log::Write("the tools window {} left its ImGui state unbalanced: {}",
                       Lumvek::StringView::FromCString(static_cast<const char*>(owner)),
                       Lumvek::StringView::FromCString(text));
}

// Dear ImGui reads only how each mouse button stands at a frame, so every change is shown for a frame
// of its own. A press and release between two frames is shown down in this frame and up in the next, a
// release and new press up and then down; taps that come while earlier changes are still owed, or
// several between two frames (pressed and released count them), wait behind them, so that no tap is
// lost or merged with another however slow the frames. Before the changes owed, the button stood as
// they leave it; held, pressed and released are this frame's.
bool ShowButton(uint8_t held, uint8_t pressed, uint8_t released, Tools::ShownButton& shown)
{
    // A key struck faster than this many changes a frame could keep the window behind its input for
    // long: taps beyond it are dropped in pairs, so that the key still ends as it stands.
    constexpr uint32_t MostOwed = 16;
    const bool down = held != 0;
    const bool before = shown.down != (shown.owed % 2 != 0);
    // Each release of a key down now, or press of one up now, was a tap on the way.
    const uint32_t changes = (down != before ? 1u : 0u) + 2u * (down ? released : pressed);
    uint32_t owed = shown.owed + changes;
    if (owed > MostOwed)
        owed -= (owed - MostOwed + 1) / 2 * 2;
    if (owed > 0)
    {
        shown.down = !shown.down;
        --owed;
    }
    shown.owed = static_cast<uint8_t>(owed);
    return shown.down;
}

// Moves the window, before this frame's Begin, up and left as far as it must to lie wholly on the screen
// at the size it is about to take. One larger than the screen goes to its top or left edge, where its
// title bar stays on the screen; one that already lies on the screen, or that the user is dragging,
// stays where it is.
void MoveOntoScreen(const char* title)
{
    ImGuiWindow* window = ImGui::FindWindowByName(title);
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    if (!window || window->Collapsed || ImGui::GetCurrentContext()->MovingWindow == window || display.x <= 0.0f ||
        display.y <= 0.0f)
        return;
    const ImVec2 size =
        window->Flags & ImGuiWindowFlags_AlwaysAutoResize ? ImGui::CalcWindowNextAutoFitSize(window) : window->SizeFull;
    ImVec2 place = window->Pos;
    if (place.x + size.x > display.x)
        place.x = std::max(0.0f, display.x - size.x);
    if (place.y + size.y > display.y)
        place.y = std::max(0.0f, display.y - size.y);
    if (place.x != window->Pos.x || place.y != window->Pos.y)
        ImGui::SetNextWindowPos(place);
}

// Where an editor's window of that size opens first: the first place along the right edge, clear of
// the editor list, that no open editor window holds.
ImVec2 FreeEditorPlace(const std::vector<std::unique_ptr<Editor>>& editors, ImVec2 display, ImVec2 size)
{
    // Each place taken moves it a title bar down and to the left, so that it hides none of them.
    const float step = ImGui::GetFrameHeight() + 4.0f;
    ImVec2 place;
    for (size_t slot = 0; slot <= editors.size(); ++slot)
    {
        place = ImVec2(std::max(10.0f, display.x - size.x - 10.0f - step * float(slot)),
                       std::min(10.0f + step * float(slot), std::max(10.0f, display.y - size.y - 10.0f)));
        const bool taken = std::any_of(editors.begin(), editors.end(),
                                       [&place](const std::unique_ptr<Editor>& other)
                                       {
                                           const ImGuiWindow* window = ImGui::FindWindowByName(other->name.c_str());
                                           return other->open && window && (window->Active || window->WasActive) &&
                                                  window->Pos.x == place.x && window->Pos.y == place.y;
                                       });
        if (!taken)
            break;
    }
    return place;
}

// How many bytes of the text to show in at most limit: a UTF-8 character is shown whole or not at all.
size_t CharacterBoundary(const std::string& text, size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    while (limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80)
        --limit;
    return limit;
}

} // namespace

Lumvek::Vector2 ScreenToWorld(std::span<const ToolsView> views, Lumvek::Vector2 cursor)
{
    for (const ToolsView& view : views)
    {
        const Lumvek::Rectangle& port = view.viewport;
        if (!view.active || !(port.x < cursor.x && cursor.x < port.x + port.width) ||
            !(port.y < cursor.y && cursor.y < port.y + port.height))
            continue;
        const float u = (cursor.x - port.x) / port.width;
        const float v = (cursor.y - port.y) / port.height;
        return {view.centre.x - view.size.x / 2.0f + u * view.size.x,
                view.centre.y - view.size.y / 2.0f + (1.0f - v) * view.size.y};
    }
    return {0.0f, 0.0f};
}

Lumvek::Vector2 WorldToScreen(std::span<const ToolsView> views, Lumvek::Vector2 point)
{
    for (const ToolsView& view : views)
        if (view.active)
            return ViewToWindow(view.centre, view.size, view.viewport, point);
    return {0.0f, 0.0f};
}

Tools::Tools()
    : lines(Lumvek::NameTableC().Add("ToolsLineMaterial"), Lumvek::NameTableC().Add("ToolsLineVertices"),
            Lumvek::NameTableC().Add("ToolsLineIndices"), Lumvek::NameTableC().Add("ToolsLineConstants")),
      imgui(Lumvek::NameTableC().Add("ToolsImGuiVertices"), Lumvek::NameTableC().Add("ToolsImGuiIndices"),
            Lumvek::NameTableC().Add("ToolsImGuiConstants"), Lumvek::NameTableC().Add("ToolsImGuiMaterial"),
            Lumvek::NameTableC().Add("ToolsImGuiFont"))
{
    IMGUI_CHECKVERSION();
    context = ImGui::CreateContext();
    ImGui::SetCurrentContext(context);
    ImGuiIO& io = ImGui::GetIO();
    // No run writes "imgui.ini" into whatever folder it was started from, nor starts from another's
    // window positions.
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    io.DisplaySize = ImVec2(0.0f, 0.0f);
    camera.active = true;
    cameraView.active = 0;
}

Tools::~Tools()
{
    inspectors.clear();
    editors.clear();
    if (current == this)
    {
        current = nullptr;
        PropertyInput::SetDevice(nullptr);
    }
    if (context)
    {
        PropertyInput::ForgetEdits();
        ImGui::DestroyContext(context);
    }
}

Tools* Tools::Current()
{
    return current;
}

void Tools::Setup()
{
    current = this;
    PropertyInput::SetDevice(GetDevice());
    auto* sdl = dynamic_cast<Lumvek::SdlApplication*>(GetApplication());
    if (sdl)
        typedText = &sdl->textRing;
    if (typedText)
        textCursor = typedText->WriteIndex();
    // Ctrl+C and Ctrl+V reach other programs through the system's clipboard, which needs a window;
    // without one the tools keep their own, between their fields. Either way a paste is read as typed
    // text is, so that it puts in a field nothing typing could not.
    systemClipboard = sdl && sdl->GetWindow() ? sdl : nullptr;
    ImGui::SetCurrentContext(context);
    ImGuiIO& io = ImGui::GetIO();
    io.ClipboardUserData = this;
    io.SetClipboardTextFn = [](void* tools, const char* text)
    {
        Tools& self = *static_cast<Tools*>(tools);
        if (self.systemClipboard)
            self.systemClipboard->SetClipboardText(text);
        else
            self.ownClipboard = text;
    };
    io.GetClipboardTextFn = [](void* tools) -> const char*
    {
        Tools& self = *static_cast<Tools*>(tools);
        const std::string text = self.systemClipboard ? self.systemClipboard->GetClipboardText() : self.ownClipboard;
        self.clipboard = PropertyInput::PastedText(text);
        return self.clipboard.c_str();
    };
}

Lumvek::GraphicsDevice* Tools::GetDevice() const
{
    Lumvek::Application* application = GetApplication();
    return application ? application->GetGraphicsDevice() : nullptr;
}

void Tools::Load(Vantorel_*)
{
    editors.clear();
    // Each starts closed; the list's order is the order of the toggles.
    editors.push_back(std::make_unique<GameEditor>("Game"));
    editors.push_back(std::make_unique<GuiEditor>("Gui"));
    editors.push_back(std::make_unique<MapEditor>("Map"));
    editors.push_back(std::make_unique<ThemeEditor>("Theme"));
    editors.push_back(std::make_unique<BotEditor>("Bots"));
    editors.push_back(std::make_unique<ResourcesEditor>("Resources"));
    editors.push_back(std::make_unique<DataEditor>("Data"));
    Lumvek::GraphicsDevice* device = GetDevice();
    Lumvek::Application* application = GetApplication();
    if (device)
    {
        lines.Setup(*device, application ? &application->GetFileManager() : nullptr);
        ImGui::SetCurrentContext(context);
        imgui.Setup(*device, application ? &application->GetFileManager() : nullptr);
    }
    floatStatistic.Reset();
    for (auto& statistic : signedStatistics)
        statistic.Reset();
    for (auto& statistic : unsignedStatistics)
        statistic.Reset();
    loaded.store(true, std::memory_order_release);
}

Editor* Tools::FindEditor(Lumvek::StringView name) const
{
    for (const std::unique_ptr<Editor>& editor : editors)
        if (Lumvek::StringView(editor->name) == name)
            return editor.get();
    return nullptr;
}

void Tools::OpenWindow(Lumvek::StringView name, std::unique_ptr<Inspector>& inspector)
{
    if (!inspector)
        return;
    // Before the first frame ImGui knows no mouse; its marker position would put the window far off
    // the screen.
    ImVec2 mousePosition = ImGui::GetIO().MousePos;
    if (!ImGui::IsMousePosValid(&mousePosition))
        mousePosition = ImVec2(0.0f, 0.0f);
    const Lumvek::GraphicsDevice* device = GetDevice();
    const float width = device ? float(device->GetSize().width) : 0.0f;
    inspector->windowId = nextWindowId++;
    inspector->name = name.ToString();
    inspector->x = mousePosition.x > width * 0.5f ? mousePosition.x - 275.0f : mousePosition.x + 25.0f;
    inspector->y = mousePosition.y > 50.0f ? mousePosition.y - 25.0f : mousePosition.y;
    inspectors.push_back(std::move(inspector));
}

bool Tools::IsWindowOpen(Lumvek::StringView name) const
{
    for (const std::unique_ptr<Inspector>& inspector : inspectors)
        if (Lumvek::StringView(inspector->name) == name)
            return true;
    return false;
}

World* Tools::GetWorld() const
{
    if (editedWorld)
        return editedWorld;
    const Vantorel_* game = Vantorel_::Get();
    // The world is the loader's until it reports the match loaded: an edit then (a platform moved, a
    // theme's platforms prepared again) would race its thread.
    if (!game || game->load.GetState() == LoadState::MatchLoading)
        return nullptr;
    return game->world;
}

bool IsGameLoaderRunning()
{
    const Vantorel_* game = Vantorel_::Get();
    if (!game)
        return false;
    const LoadState state = game->load.GetState();
    return state == LoadState::StartupLoading || state == LoadState::MatchLoading ||
           state == LoadState::RenderResourcesLoading;
}

Lumvek::Vector2 Tools::ScreenToWorld(const Lumvek::MouseState& state) const
{
    return ::ScreenToWorld(rendererViews, {state.position.x, state.position.y});
}

float Tools::GetSnapStep() const
{
    if (snapStep > 0.0f)
        return snapStep;
    if (!cameraInUse)
        return 0.5f;
    const float width = camera.size.x;
    return width < 50.0f ? 0.5f : width < 100.0f ? 1.0f : width < 500.0f ? 5.0f : 10.0f;
}

ToolsView Tools::GetCameraInUse() const
{
    if (cameraInUse)
        return camera;
    for (const ToolsView& view : rendererViews)
        if (view.active)
            return view;
    return camera;
}

void Tools::FollowRendererViews(std::span<CameraView* const> views)
{
    const Lumvek::GraphicsDevice* device = GetDevice();
    const float height = device ? float(device->GetSize().height) : 0.0f;
    const bool switched = cameraInUse != playerViewsOff;
    playerViewsOff = cameraInUse;
    rendererViews.clear();
    for (CameraView* view : views)
    {
        if (!view)
            continue;
        if (view != &cameraView && switched)
            view->active = cameraInUse ? 0 : 1;
        // The renderer counts viewport rows up from the window's bottom.
        const Lumvek::Rectangle& port = view->Viewport();
        rendererViews.push_back({view->Position(),
                                 view->Extent(),
                                 {port.x, height - (port.y + port.height), port.width, port.height},
                                 view->active != 0});
    }
}

void Tools::WorldDestroyed()
{
    // Map edits not saved are kept beside the map before the world goes with them.
    if (World* world = GetWorld())
        KeepUnsavedEdits(*world, mapNames);
    for (std::unique_ptr<Inspector>& inspector : inspectors)
        if (inspector->IsWorldBound())
            inspector->open = 0;
    // Outside a frame the windows go now, while what they hold still exists; during one, the frame's
    // removal step takes them and nothing draws them before.
    if (!inFrame)
        std::erase_if(inspectors, [](const std::unique_ptr<Inspector>& inspector) { return !inspector->open; });
    for (const std::unique_ptr<Editor>& editor : editors)
        editor->WorldDestroyed();
    rendererViews.clear();
    playerViewsOff = false;
    mapNames.Clear();
}

void Tools::GameDestroyed()
{
    inspectors.clear();
}

void Tools::Render(int64_t elapsed)
{
    if (!IsLoaded())
        return;
    Frame(static_cast<float>(static_cast<double>(elapsed) / 1e9));
}

void Tools::FeedInput(float seconds)
{
    using Lumvek::MouseButton;
    ImGuiIO& io = ImGui::GetIO();
    Lumvek::Application* application = GetApplication();
    // Text first: every key event a character came after has then been pushed before the keys are read.
    if (typedText)
        textCursor = typedText->Read(textCursor, [this](const Lumvek::TextEvent& event)
                                     { keys.TakeCharacter(event.codePoint, event.keysBefore); });
    if (application && application->GetKeyboardDevice())
        keyboardCursor = application->GetKeyboardDevice()->Update(keyboard, keyboardCursor);
    keys.TakeKeys(keyboard);
    mouse.SavePrevious();
    if (application && application->GetMouseDevice())
        mouseCursor = application->GetMouseDevice()->Update(mouse, mouseCursor);

    const Lumvek::GraphicsDevice* device = GetDevice();
    const Lumvek::DeviceSize size = device ? device->GetSize() : Lumvek::DeviceSize{};
    io.DisplaySize = ImVec2(float(size.width), float(size.height));
    io.DeltaTime = std::isfinite(seconds) ? std::max(seconds, MinimumDeltaTime) : MinimumDeltaTime;

    io.MousePos = ImVec2(mouse.position.x, mouse.position.y);
    const auto down = [&](MouseButton button)
    {
        const uint32_t index = static_cast<uint32_t>(button);
        return ShowButton(mouse.held.values[index], mouse.pressed.values[index], mouse.released.values[index],
                          buttonsShown[index]);
    };
    // No press reaches a widget while a number field is typed into, until the field has been left.
    io.MouseDown[0] = PropertyInput::LeftButtonDown(down(MouseButton::Left));
    io.MouseDown[1] = down(MouseButton::Right);
    io.MouseDown[2] = down(MouseButton::Middle);
    io.MouseWheel = mouse.wheel.y - mouse.previousWheel.y;
    io.MouseWheelH = mouse.wheel.x - mouse.previousWheel.x;

    keys.ShowFrame(io);
}

void Tools::SteerCamera()
{
    const ImGuiIO& io = ImGui::GetIO();
    const Lumvek::GraphicsDevice* device = GetDevice();
    const Lumvek::DeviceSize size = device ? device->GetSize() : Lumvek::DeviceSize{};
    camera.viewport = {0.0f, 0.0f, float(size.width), float(size.height)};
    camera.active = cameraInUse;
    cameraView.active = cameraInUse ? 1 : 0;
    if (!cameraInUse || io.WantCaptureMouse || size.width == 0 || size.height == 0)
        return;
    if (mouse.held[Lumvek::MouseButton::Right])
    {
        const float dx = mouse.position.x - mouse.previousPosition.x;
        const float dy = mouse.position.y - mouse.previousPosition.y;
        camera.centre.x -= dx * camera.size.x / float(size.width);
        camera.centre.y += dy * camera.size.y / float(size.height);
    }
    const float notches = mouse.wheel.y - mouse.previousWheel.y;
    if (notches != 0.0f)
    {
        const float factor = std::clamp(std::pow(0.9f, notches), 0.1f, 10.0f);
        const float width = std::clamp(camera.size.x * factor, 1.0f, 100000.0f);
        camera.size = {width, width * float(size.height) / float(size.width)};
    }
}

void Tools::DrawEditorList()
{
    ImGui::SetNextWindowPos(ImVec2(10.0f, 10.0f), ImGuiCond_FirstUseEver);
    if (ImGui::Begin("Tools", nullptr, ImGuiWindowFlags_AlwaysAutoResize))
    {
        for (const std::unique_ptr<Editor>& editor : editors)
        {
            bool open = editor->open != 0;
            if (ImGui::Checkbox(editor->name.c_str(), &open))
                editor->open = open ? 1 : 0;
        }
        ImGui::Separator();
        // Starts where the game's view is: read before the check box switches the tools camera in,
        // after which the view in use is the tools camera itself.
        const ToolsView start = GetCameraInUse();
        if (ImGui::Checkbox("Tools Camera", &cameraInUse) && cameraInUse)
        {
            camera.centre = start.centre;
            camera.size = start.size;
        }
        if (const Vantorel_* game = Vantorel_::Get())
            ImGui::Text("Step %.2f ms, visual %.2f ms, render %.2f ms", game->stepDuration / 1e6,
                        game->visualDuration / 1e6, game->renderDuration / 1e6);
    }
    EndWindow("Tools");
}

void Tools::EndWindow(const char* owner)
{
    ImGui::ErrorCheckEndWindowRecover(LogRecovery, const_cast<char*>(owner));
    ImGui::End();
}

void Tools::Frame(float seconds)
{
    ImGui::SetCurrentContext(context);
    Lumvek::GraphicsDevice* device = GetDevice();
    // Without a device nothing can be drawn, and ImGui refuses to start a frame before its font atlas
    // is built.
    if (!device || !ImGui::GetIO().Fonts->IsBuilt())
        return;
    inFrame = true;
    FeedInput(seconds);
    ImGui::NewFrame();
    SteerCamera();

    // 2 and 3: the editor list, then each open editor in its window.
    DrawEditorList();
    // The tools camera as steered and switched this frame, for the renderer's next frame.
    cameraView.camera->position = camera.centre;
    cameraView.camera->viewSize = camera.size;
    cameraView.active = cameraInUse ? 1 : 0;
    if (const Vantorel_* game = Vantorel_::Get(); game && game->GetRenderer())
        FollowRendererViews(game->GetRenderer()->views);
    const bool hasWorld = GetWorld() != nullptr;
    for (const std::unique_ptr<Editor>& editor : editors)
    {
        if (!editor->open || (editor->NeedsWorld() && !hasWorld))
            continue;
        editor->Update(0, keyboard, mouse);
        bool open = true;
        const ImVec2 display = ImGui::GetIO().DisplaySize;
        const ImVec2 size(std::min(420.0f, display.x * 0.4f), std::min(480.0f, display.y * 0.8f));
        if (!ImGui::FindWindowByName(editor->name.c_str()))
            ImGui::SetNextWindowPos(FreeEditorPlace(editors, display, size), ImGuiCond_FirstUseEver);
        ImGui::SetNextWindowSize(size, ImGuiCond_FirstUseEver);
        const PropertyInput::StackDepths depths = PropertyInput::GetStackDepths();
        if (ImGui::Begin(editor->name.c_str(), &open))
        {
            // Rows number themselves from their scope's counter, which must start again every frame
            // for a row to keep its ImGui ID (and an input its text) from one frame to the next.
            PropertyInput::PushScope("Window");
            editor->Draw();
            PropertyInput::PopScope();
        }
        if (PropertyInput::RestoreStackDepths(depths))
            Lumvek::Log::Write("the {} editor left property scopes open", editor->name);
        EndWindow(editor->name.c_str());
        if (!open)
            editor->open = 0;
    }

    // 4: the windows open when the step began; those opened now draw from the next frame.
    const size_t count = inspectors.size();
    for (size_t i = 0; i < count; ++i)
    {
        Inspector& inspector = *inspectors[i];
        if (!inspector.open)
            continue;
        inspector.Update();
        // Windows of one name stay apart: each is known to ImGui by its id.
        char title[320];
        std::snprintf(title, sizeof(title), "%.*s###Window%u", int(CharacterBoundary(inspector.name, 256)),
                      inspector.name.c_str(), inspector.windowId);
        if (inspector.firstFrame)
            ImGui::SetNextWindowPos(ImVec2(inspector.x, inspector.y));
        else if (inspector.fittingFrames > 0)
        {
            --inspector.fittingFrames;
            MoveOntoScreen(title);
        }
        inspector.firstFrame = 0;
        bool open = true;
        const PropertyInput::StackDepths depths = PropertyInput::GetStackDepths();
        if (ImGui::Begin(title, &open, ImGuiWindowFlags_AlwaysAutoResize))
        {
            PropertyInput::PushScope("Window");
            inspector.Draw();
            PropertyInput::PopScope();
        }
        if (PropertyInput::RestoreStackDepths(depths))
            Lumvek::Log::Write("the window {} left property scopes open", inspector.name);
        EndWindow(inspector.name.c_str());
        if (!open)
            inspector.open = 0;
    }

    // 5: closed windows go.
    std::erase_if(inspectors, [](const std::unique_ptr<Inspector>& inspector) { return !inspector->open; });

    // 6: overlays in the world.
    const ToolsView view = GetCameraInUse();
    lines.Begin(view);
    for (const std::unique_ptr<Editor>& editor : editors)
        if (editor->open && (!editor->NeedsWorld() || hasWorld))
            editor->DrawWorld(view, lines);
    for (const std::unique_ptr<Inspector>& inspector : inspectors)
        inspector->DrawWorld(view, lines);
    if (device)
        lines.Submit(*device);

    // 7: the windows, above the game and the menus.
    ImGui::Render();
    PropertyInput::EndFrame();
    if (device)
        imgui.Submit(*device, *ImGui::GetDrawData());
    inFrame = false;
}
