#pragma once

#include "Source/Tools/Editors/Editor.h"

#include <string>
#include <vector>

class World;
struct Platform;
struct Waypoint;

// The "Bots" tab: the bots' navigation over the platforms of the running match. It picks platforms
// under the mouse, draws the bots' paths and the selected platform's links and waypoint joins, can
// stop the bots' steering, and runs the path search between two chosen platforms. Every pointer it
// holds belongs to the running world: the host calls it only while a world exists and tells it when
// the world goes. Application thread.
class BotEditor final : public Editor
{
public:
    static constexpr uint32_t HoveredColor = 0xAAFFFFFF;
    static constexpr uint32_t SelectedColor = 0xFFFFFFFF;
    static constexpr uint32_t RightwardFill = 0x8800FF00;
    static constexpr uint32_t RightwardOutline = 0xFF00FF00;
    static constexpr uint32_t OtherFill = 0x880000FF;
    static constexpr uint32_t OtherOutline = 0xFF0000FF;
    static constexpr uint32_t LinkColor = 0x44FF0000;
    static constexpr uint32_t PathColor = 0xFFCBC0FF;

    explicit BotEditor(std::string name) : Editor(std::move(name)) {}

    void Update(uint32_t unused, const Lumvek::KeyboardState& keyboard, const Lumvek::MouseState& mouse) override;
    void Draw() override;
    void DrawWorld(const ToolsView& view, LineRenderer& lines) override;
    void WorldDestroyed() override;
    bool NeedsWorld() const override { return true; }

    // The panel's buttons.
    void SetStart() { start = selected; }
    void SetEnd() { end = selected; }
    // Searches from the start platform to the end platform for the world's first player; leaves the
    // path alone and says why in the panel when it cannot.
    void Go();

    Platform* hovered = nullptr;
    Platform* selected = nullptr;
    bool drawPaths = true;
    bool drawConnections = false;
    bool drawLinks = false;
    Platform* start = nullptr;
    Platform* end = nullptr;
    std::vector<Waypoint*> path;
    // The graph's build the path was found in: a map edit builds the graph again, and the path goes.
    uint32_t pathBuild = 0;
    // Why the last "Go" did not search; empty when it did.
    std::string goProblem;

private:
    World* GetWorld() const;
    std::vector<Platform*> found;
};
