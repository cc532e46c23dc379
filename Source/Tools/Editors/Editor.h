#pragma once

#include "Engine/Runtime/Input/Input.h"

#include <cstdint>
#include <string>

struct ToolsView;
class LineRenderer;

// One tab of the tools host: a named editor that the user switches on and off. Owned by the host,
// which creates the editors when the tools load and drives the open ones every frame on the
// application thread.
class Editor
{
public:
    explicit Editor(std::string name) : name(std::move(name)) {}
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;
    virtual ~Editor() = default;

    // The first value is not read by any editor; the states are the application's devices' as the
    // tools read them this frame.
    virtual void Update(uint32_t unused, const Lumvek::KeyboardState& keyboard, const Lumvek::MouseState& mouse)
    {
        (void)unused;
        (void)keyboard;
        (void)mouse;
    }
    // Fills the current ImGui window.
    virtual void Draw() {}
    virtual void DrawWorld(const ToolsView& view, LineRenderer& lines)
    {
        (void)view;
        (void)lines;
    }
    // The running world is about to be destroyed: forget everything that points into it.
    virtual void WorldDestroyed() {}
    // An engine menu is leaving the Gui: forget everything that points into it.
    virtual void MenuClosing(const void* menu) { (void)menu; }
    // Whether the host calls it only while a world exists.
    virtual bool NeedsWorld() const { return false; }

    std::string name;
    uint8_t open = 0;
};
