#pragma once

#include "Engine/Runtime/Application.h"
#include "Engine/Runtime/Gui.h"
#include "Engine/Runtime/Input.h"
#include "Engine/Runtime/RecordingGraphicsDevice.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Lumvek::GuiTesting
{

using Calls = std::vector<std::string>;

inline std::string Number(float value)
{
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.')
        text.pop_back();
    return text;
}

// A keyboard whose next poll reports what the test put in `next`.
class TestKeyboard : public KeyboardDevice
{
public:
    uint32_t Update(KeyboardState& state, uint32_t cursor) override
    {
        state = next;
        next.pressed.Clear();
        next.released.Clear();
        return cursor + 1;
    }
    void Press(Key key)
    {
        next.pressed[key] = 1;
        next.held[key] = 1;
    }
    void Release(Key key)
    {
        next.released[key] = 1;
        next.held[key] = 0;
    }

    KeyboardState next;
};

class TestMouse : public MouseDevice
{
public:
    uint32_t Update(MouseState& state, uint32_t cursor) override
    {
        state.position = position;
        state.wheel = wheel;
        state.pressed = pressed;
        state.released = released;
        pressed.Clear();
        released.Clear();
        return cursor + 1;
    }

    InputVector position;
    InputVector wheel;
    InputFlags<MouseButton, MouseButtonCount> pressed;
    InputFlags<MouseButton, MouseButtonCount> released;
};

class TestControllers : public ControllerDevice
{
public:
    // Writes the current values of each pad; previous values are the reader's.
    uint32_t Update(ControllerStates& states, uint32_t cursor) override
    {
        for (uint32_t pad = 0; pad < ControllerCount; ++pad)
        {
            ControllerState& state = states[pad];
            const ControllerState& source = next[pad];
            state.connected = source.connected;
            state.leftTrigger = source.leftTrigger;
            state.rightTrigger = source.rightTrigger;
            state.leftStick = source.leftStick;
            state.rightStick = source.rightStick;
            state.pressed = source.pressed;
            state.released = source.released;
            next[pad].pressed.Clear();
            next[pad].released.Clear();
        }
        return cursor + 1;
    }
    void SetVibration(float, float, uint32_t) override {}

    ControllerStates next{};
};

// An application that never runs its thread: a test drives the Gui's operations itself, on a
// recording device of 1000 x 500 pixels and input devices it fills.
class TestApplication : public Application
{
public:
    TestApplication(uint32_t width = 1000, uint32_t height = 500)
        : Application("GuiTest", "Test", "en-US", ApplicationConfig(), Arguments(), "/tmp/GuiTest", "/tmp/GuiTest/Data",
                      "/tmp/GuiTest/Documents", "/tmp/GuiTest/Temporary")
    {
        auto recording = std::make_unique<RecordingGraphicsDevice>(&GetResources(), width, height);
        device = recording.get();
        graphicsDevice = std::move(recording);
        auto keys = std::make_unique<TestKeyboard>();
        keyboard = keys.get();
        keyboardDevice = std::move(keys);
        auto pointer = std::make_unique<TestMouse>();
        mouse = pointer.get();
        mouseDevice = std::move(pointer);
        auto pads = std::make_unique<TestControllers>();
        controllers = pads.get();
        controllerDevice = std::move(pads);
        gui = static_cast<Gui*>(AddSystem(std::make_unique<Gui>()));
        gui->Setup();
    }

    void Quit() override {}

    // One frame of the Gui: late update, then render, with the given frame time.
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

// A menu that builds its tree with a callable in Setup and writes its calls to a log the test owns.
class TestMenu : public Menu
{
public:
    explicit TestMenu(Calls& calls, std::string name = "M", std::function<void(TestMenu&)> build = {})
        : calls(calls), name(std::move(name)), build(std::move(build))
    {
    }
    ~TestMenu() override { Add("Destroyed"); }

    void Setup() override
    {
        Add("Setup");
        if (build)
            build(*this);
    }
    void Activate() override { Add("Activate"); }
    void Update(float) override
    {
        if (logUpdates)
            Add("Update");
    }
    void Deactivate() override { Add("Deactivate"); }
    void Close() override { Add("Close"); }
    void ControllerConnected(uint32_t player) override { Add("ControllerConnected(" + std::to_string(player) + ")"); }
    void ControllerDisconnected(uint32_t player) override
    {
        Add("ControllerDisconnected(" + std::to_string(player) + ")");
    }
    void LeftTriggerChanged(uint32_t player, float value) override
    {
        Add("LeftTriggerChanged(" + std::to_string(player) + "," + Number(value) + ")");
    }
    void RightTriggerChanged(uint32_t player, float value) override
    {
        Add("RightTriggerChanged(" + std::to_string(player) + "," + Number(value) + ")");
    }
    void LeftStickChanged(uint32_t player, float x, float y) override
    {
        Add("LeftStickChanged(" + std::to_string(player) + "," + Number(x) + "," + Number(y) + ")");
    }
    void RightStickChanged(uint32_t player, float x, float y) override
    {
        Add("RightStickChanged(" + std::to_string(player) + "," + Number(x) + "," + Number(y) + ")");
    }
    void MouseButtonPressed(uint32_t button) override { Add("MouseButtonPressed(" + std::to_string(button) + ")"); }
    void ButtonPressed(uint32_t player, uint32_t button) override
    {
        Add("ButtonPressed(" + std::to_string(player) + "," + std::to_string(button) + ")");
    }
    void MouseButtonReleased(uint32_t button) override { Add("MouseButtonReleased(" + std::to_string(button) + ")"); }
    void ButtonReleased(uint32_t player, uint32_t button) override
    {
        Add("ButtonReleased(" + std::to_string(player) + "," + std::to_string(button) + ")");
    }
    void KeyPressed(uint32_t key) override { Add("KeyPressed(" + std::to_string(key) + ")"); }
    void KeyReleased(uint32_t key) override { Add("KeyReleased(" + std::to_string(key) + ")"); }
    void MouseScroll(float x, float y) override { Add("MouseScroll(" + Number(x) + "," + Number(y) + ")"); }
    void MouseMove(float x, float y) override
    {
        if (logMouseMoves)
            Add("MouseMove(" + Number(x) + "," + Number(y) + ")");
    }

    void Add(const std::string& call) { calls.push_back(name + "." + call); }

    Calls& calls;
    std::string name;
    std::function<void(TestMenu&)> build;
    bool logUpdates = false;
    bool logMouseMoves = false;
};

// Element actions that write their calls, and run a hook the test gives after each.
class TestActions : public ElementActions
{
public:
    TestActions(Calls& calls, std::string name) : calls(calls), name(std::move(name)) {}
    ~TestActions() override { Add("Destroyed"); }

    void Attach() override { Add("Attach"); }
    void Detach() override { Add("Detach"); }
    void Focus() override { Add("Focus"); }
    void Blur() override { Add("Blur"); }
    void Update(float) override
    {
        if (logUpdates)
            Add("Update");
    }
    void LeftTriggerChanged(uint32_t player, float value) override
    {
        Add("LeftTriggerChanged(" + std::to_string(player) + "," + Number(value) + ")");
    }
    void RightTriggerChanged(uint32_t player, float value) override
    {
        Add("RightTriggerChanged(" + std::to_string(player) + "," + Number(value) + ")");
    }
    void LeftStickChanged(uint32_t player, float x, float y) override
    {
        Add("LeftStickChanged(" + std::to_string(player) + "," + Number(x) + "," + Number(y) + ")");
    }
    void RightStickChanged(uint32_t player, float x, float y) override
    {
        Add("RightStickChanged(" + std::to_string(player) + "," + Number(x) + "," + Number(y) + ")");
    }
    void MouseButtonPressed(uint32_t button) override { Add("MouseButtonPressed(" + std::to_string(button) + ")"); }
    void ButtonPressed(uint32_t player, uint32_t button) override
    {
        Add("ButtonPressed(" + std::to_string(player) + "," + std::to_string(button) + ")");
    }
    void MouseButtonReleased(uint32_t button) override { Add("MouseButtonReleased(" + std::to_string(button) + ")"); }
    void ButtonReleased(uint32_t player, uint32_t button) override
    {
        Add("ButtonReleased(" + std::to_string(player) + "," + std::to_string(button) + ")");
    }
    void KeyPressed(uint32_t key) override { Add("KeyPressed(" + std::to_string(key) + ")"); }
    void KeyReleased(uint32_t key) override { Add("KeyReleased(" + std::to_string(key) + ")"); }
    void MouseScroll(float x, float y) override { Add("MouseScroll(" + Number(x) + "," + Number(y) + ")"); }
    void MouseMove(float x, float y) override { Add("MouseMove(" + Number(x) + "," + Number(y) + ")"); }
    void MouseEnter(float x, float y) override { Add("MouseEnter(" + Number(x) + "," + Number(y) + ")"); }
    void MouseLeave(float x, float y) override { Add("MouseLeave(" + Number(x) + "," + Number(y) + ")"); }

    void Add(const std::string& call)
    {
        calls.push_back(name + "." + call);
        if (after)
            after(call);
    }

    Calls& calls;
    std::string name;
    bool logUpdates = false;
    std::function<void(const std::string& call)> after;
};

// Adds an absolutely placed child in points.
inline Element& AddBox(Element& parent, float left, float top, float width, float height)
{
    Element& child = parent.AddChild();
    child.SetPosition(YGEdgeLeft, {ElementLength::Points, left});
    child.SetPosition(YGEdgeTop, {ElementLength::Points, top});
    child.SetWidth({ElementLength::Points, width});
    child.SetHeight({ElementLength::Points, height});
    return child;
}

// The whole device, in pixels.
inline UnitRectangle Whole()
{
    return UnitRectangle();
}

inline UnitRectangle Pixels(float x, float y, float width, float height)
{
    UnitRectangle placement;
    placement.x = {UnitRectangle::Pixels, x};
    placement.y = {UnitRectangle::Pixels, y};
    placement.width = {UnitRectangle::Pixels, width};
    placement.height = {UnitRectangle::Pixels, height};
    return placement;
}

} // namespace Lumvek::GuiTesting
