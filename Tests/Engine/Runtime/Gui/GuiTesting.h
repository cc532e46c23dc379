#pragma once

#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Engine/Runtime/Gui/Gui.h"

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace Lumvek::GuiTesting
{

using Calls = std::vector<std::string>;

// Values joined by the separator, floats in their shortest form.
template <class... Args> std::string Join(const char* separator, const Args&... args)
{
    std::ostringstream text;
    const char* before = "";
    ((text << before << args, before = separator), ...);
    return text.str();
}

// "Name(1,0.5)": a call with its arguments.
template <class... Args> std::string Call(const std::string& name, const Args&... args)
{
    return name + "(" + Join(",", args...) + ")";
}

// Input devices whose next poll reports what the test put in `next`, pressed and released once.
struct TestKeyboard : KeyboardDevice
{
    uint32_t Update(KeyboardState& state, uint32_t cursor) override
    {
        state = std::exchange(next, {});
        return cursor + 1;
    }
    KeyboardState next;
};
struct TestMouse : MouseDevice
{
    uint32_t Update(MouseState& state, uint32_t cursor) override
    {
        state.position = next.position;
        state.wheel = next.wheel;
        state.pressed = std::exchange(next.pressed, {});
        state.released = std::exchange(next.released, {});
        return cursor + 1;
    }
    MouseState next;
};
struct TestControllers : ControllerDevice
{
    // Leaves the previous values, which are the reader's, alone.
    uint32_t Update(ControllerStates& states, uint32_t cursor) override
    {
        for (uint32_t pad = 0; pad < ControllerCount; ++pad)
        {
            ControllerState& state = states[pad];
            state.connected = next[pad].connected;
            state.leftTrigger = next[pad].leftTrigger;
            state.rightTrigger = next[pad].rightTrigger;
            state.leftStick = next[pad].leftStick;
            state.rightStick = next[pad].rightStick;
            state.pressed = std::exchange(next[pad].pressed, {});
            state.released = std::exchange(next[pad].released, {});
        }
        return cursor + 1;
    }
    void SetVibration(float, float, uint32_t) override {}
    ControllerStates next{};
};

// An application that never runs its thread: the test drives the Gui itself, on a recording device
// of 1000 x 500 pixels and input devices it fills.
class TestApplication : public Application
{
public:
    TestApplication()
        : Application("GuiTest", "Test", "en-US", ApplicationConfig(), Arguments(), "/tmp/GuiTest", "/tmp/GuiTest/Data",
                      "/tmp/GuiTest/Documents", "/tmp/GuiTest/Temporary")
    {
        graphicsDevice = std::make_unique<RecordingGraphicsDevice>(&GetResources(), 1000, 500);
        keyboardDevice = std::make_unique<TestKeyboard>();
        mouseDevice = std::make_unique<TestMouse>();
        controllerDevice = std::make_unique<TestControllers>();
        device = static_cast<RecordingGraphicsDevice*>(graphicsDevice.get());
        keyboard = static_cast<TestKeyboard*>(keyboardDevice.get());
        mouse = static_cast<TestMouse*>(mouseDevice.get());
        controllers = static_cast<TestControllers*>(controllerDevice.get());
        gui = static_cast<Gui*>(AddSystem(std::make_unique<Gui>()));
        gui->Setup();
    }
    void Quit() override {}

    // One frame of the Gui with the given frame time.
    void Frame(float seconds = 0.0f)
    {
        const auto nanoseconds = static_cast<int64_t>(double(seconds) * 1e9);
        gui->Update(nanoseconds);
        gui->LateUpdate(nanoseconds);
        gui->Render(nanoseconds);
    }

    RecordingGraphicsDevice* device = nullptr;
    TestKeyboard* keyboard = nullptr;
    TestMouse* mouse = nullptr;
    TestControllers* controllers = nullptr;
    Gui* gui = nullptr;

protected:
    void FrameLoop() override {}
};

// Writes "name.Call(arguments)" for each input operation that menus and element actions share, then
// runs the test's hook.
template <class Base> class Recording : public Base
{
public:
    Recording(Calls& calls, std::string name) : calls(calls), name(std::move(name)) {}

    void Update(float) override { Add(logUpdates ? "Update" : ""); }
    void LeftTriggerChanged(uint32_t p, float v) override { Add(Call("LeftTriggerChanged", p, v)); }
    void RightTriggerChanged(uint32_t p, float v) override { Add(Call("RightTriggerChanged", p, v)); }
    void LeftStickChanged(uint32_t p, float x, float y) override { Add(Call("LeftStickChanged", p, x, y)); }
    void RightStickChanged(uint32_t p, float x, float y) override { Add(Call("RightStickChanged", p, x, y)); }
    void MouseButtonPressed(uint32_t b) override { Add(Call("MouseButtonPressed", b)); }
    void ButtonPressed(uint32_t p, uint32_t b) override { Add(Call("ButtonPressed", p, b)); }
    void MouseButtonReleased(uint32_t b) override { Add(Call("MouseButtonReleased", b)); }
    void ButtonReleased(uint32_t p, uint32_t b) override { Add(Call("ButtonReleased", p, b)); }
    void KeyPressed(uint32_t k) override { Add(Call("KeyPressed", k)); }
    void KeyReleased(uint32_t k) override { Add(Call("KeyReleased", k)); }
    void MouseScroll(float x, float y) override { Add(Call("MouseScroll", x, y)); }
    void MouseMove(float x, float y) override { Add(logMoves ? Call("MouseMove", x, y) : ""); }

    // Empty calls are left out.
    void Add(const std::string& call)
    {
        if (call.empty())
            return;
        calls.push_back(name + "." + call);
        if (after)
            after(call);
    }

    Calls& calls;
    std::string name;
    bool logUpdates = false;
    bool logMoves = true;
    std::function<void(const std::string& call)> after;
};

// A menu that builds its tree with a callable in Setup.
class TestMenu : public Recording<Menu>
{
public:
    TestMenu(Calls& calls, std::string name = "M", std::function<void(TestMenu&)> build = {})
        : Recording(calls, std::move(name)), build(std::move(build))
    {
        logMoves = false;
    }
    ~TestMenu() override { Add("Destroyed"); }

    void Setup() override
    {
        Add("Setup");
        if (build)
            build(*this);
    }
    void Activate() override { Add("Activate"); }
    void Deactivate() override { Add("Deactivate"); }
    void Close() override { Add("Close"); }
    void ControllerConnected(uint32_t p) override { Add(Call("ControllerConnected", p)); }
    void ControllerDisconnected(uint32_t p) override { Add(Call("ControllerDisconnected", p)); }

    std::function<void(TestMenu&)> build;
};

class TestActions : public Recording<ElementActions>
{
public:
    using Recording::Recording;
    ~TestActions() override { Add("Destroyed"); }

    void Attach() override { Add("Attach"); }
    void Detach() override { Add("Detach"); }
    void Focus() override { Add("Focus"); }
    void Blur() override { Add("Blur"); }
    void MouseEnter(float x, float y) override { Add(Call("MouseEnter", x, y)); }
    void MouseLeave(float x, float y) override { Add(Call("MouseLeave", x, y)); }
};

// A child placed absolutely in points.
inline Element& AddBox(Element& parent, float left, float top, float width, float height)
{
    Element& child = parent.AddChild();
    child.SetPosition(YGEdgeLeft, {ElementLength::Points, left});
    child.SetPosition(YGEdgeTop, {ElementLength::Points, top});
    child.SetWidth({ElementLength::Points, width});
    child.SetHeight({ElementLength::Points, height});
    return child;
}

inline UnitRectangle Pixels(float x, float y, float width, float height)
{
    return {{UnitRectangle::Pixels, x},
            {UnitRectangle::Pixels, y},
            {UnitRectangle::Pixels, width},
            {UnitRectangle::Pixels, height}};
}

// Opens a menu over the whole device built by build.
inline TestMenu& Open(TestApplication& app, Calls& calls, const std::string& name,
                      std::function<void(TestMenu&)> build = {}, const UnitRectangle& placement = {},
                      bool covering = false, std::unique_ptr<Transition> transition = nullptr)
{
    return static_cast<TestMenu&>(*app.gui->AddMenu(std::make_unique<TestMenu>(calls, name, std::move(build)),
                                                    std::move(transition), nullptr, placement, covering));
}

} // namespace Lumvek::GuiTesting
