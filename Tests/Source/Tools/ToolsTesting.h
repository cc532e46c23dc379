#pragma once

#include "Engine/Foundation/Tick.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Engine/Runtime/Gui/Gui.h"
#include "Source/Tools/Tools.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <variant>

namespace ToolsTesting
{

// Devices that report, on every poll, the state the test last put in them: several readers (the Gui
// and the tools) see the same frame.
struct FrameKeyboard : Lumvek::KeyboardDevice
{
    uint32_t Update(Lumvek::KeyboardState& state, uint32_t cursor) override
    {
        state = current;
        return cursor + 1;
    }
    Lumvek::KeyboardState current;
};
struct FrameMouse : Lumvek::MouseDevice
{
    uint32_t Update(Lumvek::MouseState& state, uint32_t cursor) override
    {
        state.position = current.position;
        state.wheel = current.wheel;
        state.held = current.held;
        state.pressed = current.pressed;
        state.released = current.released;
        return cursor + 1;
    }
    Lumvek::MouseState current;
};

// An application that never runs its thread: the test drives the Gui and the tools on a recording
// device of 1920 x 1080 pixels, with Dear ImGui fully headless.
class ToolsApplication : public Lumvek::Application
{
public:
    ToolsApplication()
        : Application("ToolsTest", "Test", "en-US", Lumvek::ApplicationConfig(), Lumvek::Arguments(), "/tmp/ToolsTest",
                      "/tmp/ToolsTest/Data", "/tmp/ToolsTest/Documents", "/tmp/ToolsTest/Temporary")
    {
        graphicsDevice = std::make_unique<Lumvek::RecordingGraphicsDevice>(&GetResources(), 1920, 1080);
        keyboardDevice = std::make_unique<FrameKeyboard>();
        mouseDevice = std::make_unique<FrameMouse>();
        device = static_cast<Lumvek::RecordingGraphicsDevice*>(graphicsDevice.get());
        keyboard = static_cast<FrameKeyboard*>(keyboardDevice.get());
        mouse = static_cast<FrameMouse*>(mouseDevice.get());
        gui = static_cast<Lumvek::Gui*>(AddSystem(std::make_unique<Lumvek::Gui>()));
        tools = static_cast<Tools*>(AddSystem(std::make_unique<Tools>()));
        gui->Setup();
        tools->Setup();
        tools->Load(nullptr);
    }
    void Quit() override {}

    // One frame of the Gui and the tools; the device's queue is left for the test to read.
    void Frame(float seconds = Lumvek::TickSeconds)
    {
        device->GetCommands().clear();
        const auto nanoseconds = static_cast<int64_t>(double(seconds) * 1e9);
        gui->Update(nanoseconds);
        gui->LateUpdate(nanoseconds);
        gui->Render(nanoseconds);
        tools->Render(nanoseconds);
    }
    void MoveMouse(float x, float y) { mouse->current.position = {x, y}; }
    // Press, then release, of the left button over two frames.
    void Click()
    {
        mouse->current.pressed[Lumvek::MouseButton::Left] = 1;
        mouse->current.held[Lumvek::MouseButton::Left] = 1;
        Frame();
        mouse->current.pressed.Clear();
        mouse->current.held.Clear();
        mouse->current.released[Lumvek::MouseButton::Left] = 1;
        Frame();
        mouse->current.released.Clear();
    }
    // Types the keys into the active ImGui input a frame each, as a person does: '\b' is Backspace, '\t'
    // Tab, '\n' Enter and '\x1b' Escape.
    void TypeKeys(const std::string& keys)
    {
        using Lumvek::Key;
        for (const char key : keys)
            if (key == '\b' || key == '\t' || key == '\n' || key == '\x1b')
                PressKey(key == '\b'   ? Key::Backspace
                         : key == '\t' ? Key::Tab
                         : key == '\n' ? Key::Enter
                                       : Key::Escape);
            else
            {
                ImGui::GetIO().AddInputCharacter(static_cast<unsigned char>(key));
                Frame();
            }
    }
    // Types the text and presses Enter.
    void Type(const std::string& text) { TypeKeys(text + "\n"); }
    void PressKey(Lumvek::Key key)
    {
        keyboard->current.held[key] = 1;
        keyboard->current.pressed[key] = 1;
        Frame();
        keyboard->current.held[key] = 0;
        keyboard->current.pressed[key] = 0;
        keyboard->current.released[key] = 1;
        Frame();
        keyboard->current.released[key] = 0;
    }

    // Moves the mouse, a frame at a time, down columns of the window until ImGui reports the item
    // hovered, as a person looks for a button; false when no column shows it.
    bool HoverItem(const std::string& window, ImGuiID id);
    // Hovers the item, then clicks it; false when it was not found.
    bool ClickItem(const std::string& window, ImGuiID id)
    {
        if (!HoverItem(window, id))
            return false;
        Click();
        return true;
    }

    Lumvek::RecordingGraphicsDevice* device = nullptr;
    FrameKeyboard* keyboard = nullptr;
    FrameMouse* mouse = nullptr;
    Lumvek::Gui* gui = nullptr;
    Tools* tools = nullptr;

protected:
    void FrameLoop() override {}
};

// The top-level ImGui window titled with the name, or whose title begins with the name and "###".
inline ImGuiWindow* FindWindow(const std::string& name)
{
    ImGuiWindow* found = nullptr;
    for (ImGuiWindow* candidate : GImGui->Windows)
        if (!(candidate->Flags & ImGuiWindowFlags_ChildWindow) &&
            (std::string(candidate->Name) == name || std::string(candidate->Name).starts_with(name + "###")))
            found = candidate;
    return found;
}

// The ImGui id of a widget label in the named window, under the ID scopes (strings, or counters given
// as numbers) the window pushed; 0 without such a window.
inline ImGuiID WidgetId(const std::string& window, std::initializer_list<std::variant<const char*, int>> path)
{
    const ImGuiWindow* found = FindWindow(window);
    if (!found)
        return 0;
    ImGuiID id = found->ID;
    for (const auto& part : path)
        if (const char* const* text = std::get_if<const char*>(&part))
            id = ImHashStr(*text, 0, id);
        else
        {
            const int n = std::get<int>(part);
            id = ImHashData(&n, sizeof(n), id);
        }
    return id;
}

inline bool ToolsApplication::HoverItem(const std::string& window, ImGuiID id)
{
    for (float column = 0.03f; column < 1.0f; column += 0.06f)
    {
        const ImGuiWindow* found = FindWindow(window);
        if (!found || id == 0)
            return false;
        const ImRect area = found->Rect();
        for (float y = area.Min.y + 2.0f; y < area.Max.y; y += 4.0f)
        {
            MoveMouse(area.Min.x + area.GetWidth() * column, y);
            Frame();
            if (GImGui->HoveredId == id)
                return true;
        }
    }
    return false;
}

// A window whose contents the test draws; it counts its frames and can ask for keyboard focus on the
// next focusable item it draws.
class TestWindow : public Inspector
{
public:
    explicit TestWindow(std::function<void(TestWindow&)> contents = {}, bool worldBound = false)
        : contents(std::move(contents)), worldBound(worldBound)
    {
    }
    ~TestWindow() override
    {
        if (destroyed)
            *destroyed = true;
    }

    void Draw() override
    {
        ++draws;
        if (contents)
            contents(*this);
    }
    bool IsWorldBound() const override { return worldBound; }

    // Call inside contents just before the widget to focus; focusOffset counts the focusable items
    // to pass over first.
    void FocusHere()
    {
        if (focusNext)
            ImGui::SetKeyboardFocusHere(focusOffset);
        focusNext = false;
    }

    std::function<void(TestWindow&)> contents;
    bool worldBound = false;
    bool focusNext = false;
    int focusOffset = 0;
    uint32_t draws = 0;
    bool* destroyed = nullptr;
};

// Opens a test window and returns it (the host owns it).
inline TestWindow& OpenTestWindow(Tools& tools, Lumvek::StringView name, std::function<void(TestWindow&)> contents = {},
                                  bool worldBound = false)
{
    auto window = std::make_unique<TestWindow>(std::move(contents), worldBound);
    TestWindow& opened = *window;
    std::unique_ptr<Inspector> owned = std::move(window);
    tools.OpenWindow(name, owned);
    return opened;
}

} // namespace ToolsTesting
