#pragma once

#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/StringView.h"
#include "Engine/Runtime/Core/System.h"
#include "Engine/Runtime/Input/Input.h"
#include "Engine/Runtime/Input/InputEvents.h"
#include "Source/Game/Rendering/CameraView.h"
#include "Source/Tools/Editors/Editor.h"
#include "Source/Tools/ImGuiRenderer.h"
#include "Source/Tools/Inspectors/Inspector.h"
#include "Source/Tools/KeyReplay.h"
#include "Source/Tools/LineRenderer.h"
#include "Source/World/MapCheck.h"
#include "Source/World/MapNames.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct ImGuiContext;
class Vantorel_;
class World;
namespace Lumvek
{
class GraphicsDevice;
class SdlApplication;
} // namespace Lumvek

// A measured quantity the tools may show: a running count, a history of samples over a period, and
// the smallest and largest values seen.
template <class T> struct ToolsStatistic
{
    void Reset()
    {
        counter = 0;
        period = 1'000'000'000;
        historyLength = 50;
        samples.clear();
        history.clear();
        minimum = std::numeric_limits<T>::max();
        maximum = std::numeric_limits<T>::lowest() < 0 && std::is_floating_point_v<T> ? std::numeric_limits<T>::lowest()
                                                                                      : T(0);
    }

    int64_t counter = 0;
    int64_t period = 1'000'000'000;
    uint32_t historyLength = 50;
    std::vector<T> samples;
    std::vector<T> history;
    T minimum = std::numeric_limits<T>::max();
    T maximum{};
};

// The world point under a cursor (client pixels, y down): the first active view whose viewport
// strictly contains it maps it; (0, 0) when none does.
Lumvek::Vector2 ScreenToWorld(std::span<const ToolsView> views, Lumvek::Vector2 cursor);
// The way back, through the first active view whatever the point: the client pixel (y down) that
// ScreenToWorld maps to the world point; (0, 0) without an active view.
Lumvek::Vector2 WorldToScreen(std::span<const ToolsView> views, Lumvek::Vector2 point);

// The host of the in-game editors and inspectors, drawn with Dear ImGui over the game and its menus.
// The program adds it only when asked to (--tools); the game finds it among the application's systems.
// It owns the Dear ImGui context, the editors, the open inspector windows, both renderers and the free
// tools camera.
//
// Threads: Load runs once on the start-up loader and publishes `loaded` last; the map entity names are
// written by the match loader before a match has loaded. Everything else (the frame, OpenWindow,
// IsWindowOpen, the editors and inspectors) belongs to the application thread, which draws nothing
// until it sees `loaded`.
class Tools : public Lumvek::System
{
public:
    // How a mouse button stood as Dear ImGui was last told, and how many of its changes are still to be
    // shown, one a frame: taps that come quicker than frames are all shown, in order.
    struct ShownButton
    {
        bool down = false;
        uint8_t owed = 0;
    };

    // The shortest frame time Dear ImGui is given: it refuses a frame of no time at all.
    static constexpr float MinimumDeltaTime = 1.0f / 10000.0f;

    Tools();
    ~Tools() override;

    // The tools system of the running program; null without one.
    static Tools* Current();

    void Setup() override;
    // The tools' frame, after the game and the Gui have drawn.
    void Render(int64_t elapsed) override;

    // Creates the editors, sets up both renderers on the application's graphics device and resets the
    // statistics, then sets loaded. The game is not read.
    void Load(Vantorel_* game);
    bool IsLoaded() const { return loaded.load(std::memory_order_acquire); }

    // One tools frame of the given length: input, editors, windows, overlays, drawing.
    void Frame(float seconds);

    // Takes the inspector (the caller's pointer is emptied), names it, gives it the next id and places
    // it beside the ImGui mouse position. It is drawn from the next frame on.
    void OpenWindow(Lumvek::StringView name, std::unique_ptr<Inspector>& inspector);
    void OpenWindow(Lumvek::StringView name, std::unique_ptr<Inspector>&& inspector) { OpenWindow(name, inspector); }
    // Whether an inspector of exactly this name is in the list, open flag or not.
    bool IsWindowOpen(Lumvek::StringView name) const;
    // The world the editors work on: the one set here, else the running game's; null without either,
    // and null while the match loader fills the game's world on its own thread.
    World* GetWorld() const;
    // The world point under the mouse through the game renderer's views.
    Lumvek::Vector2 ScreenToWorld(const Lumvek::MouseState& mouse) const;
    // The grid step of the world editors.
    float GetSnapStep() const;
    // The running world is about to be destroyed: closes every window bound to it and makes the
    // editors forget it. Called by the game outside the tools' frame.
    void WorldDestroyed();
    // The game and its registry are about to be destroyed: every window closes now, while the
    // definitions it shows still exist. Called by the game as it goes, outside the tools' frame.
    void GameDestroyed();

    // The view the overlays and the editors look through: the tools camera when in use, else the
    // first active renderer view (the whole window when there is none).
    ToolsView GetCameraInUse() const;
    // The tools camera as the game renderer draws it: the whole window, following nobody, active
    // only while the tools camera is in use. The game puts it first among the renderer's views.
    CameraView& GetCameraView() { return cameraView; }
    // Brings the renderer's views into rendererViews (window pixels, y down) and, when the tools
    // camera has just been switched, turns the players' views off while it is in use.
    void FollowRendererViews(std::span<CameraView* const> views);

    Lumvek::GraphicsDevice* GetDevice() const;
    const std::vector<std::unique_ptr<Editor>>& GetEditors() const { return editors; }
    const std::vector<std::unique_ptr<Inspector>>& GetInspectors() const { return inspectors; }
    Editor* FindEditor(Lumvek::StringView name) const;
    const Lumvek::KeyboardState& GetKeyboard() const { return keyboard; }
    const Lumvek::MouseState& GetMouse() const { return mouse; }
    ImGuiRenderer& GetImGuiRenderer() { return imgui; }
    LineRenderer& GetLineRenderer() { return lines; }

    float snapStep = 0.0f;
    // One float record, three signed and nine unsigned ones; nothing fills them yet.
    ToolsStatistic<float> floatStatistic;
    ToolsStatistic<int64_t> signedStatistics[3];
    ToolsStatistic<uint32_t> unsignedStatistics[9];
    ToolsView camera;
    bool cameraInUse = false;
    // The current match's map names of its platforms, hazards, interactions, visuals and zones, which
    // point into the world: written by the match loader before the match has loaded, read by the
    // application thread only after that, and cleared before the world goes.
    MapNames mapNames;
    // What the loaded map lacks for the match, as the loader found it; the Map panel shows it and checks
    // again on request.
    MapCheck mapCheck;
    // A world the tools edit when no game publishes one (tools run on a world of their own).
    World* editedWorld = nullptr;
    // The game renderer's camera views, in its order; empty without a renderer.
    std::vector<ToolsView> rendererViews;
    // Where typed text is read from: the window's, found by Setup; a test without a window may set a
    // fresh one of its own.
    const Lumvek::TextRing* typedText = nullptr;

private:
    void FeedInput(float seconds);
    void DrawEditorList();
    void SteerCamera();
    // Ends the current window, first closing whatever its contents left open.
    void EndWindow(const char* owner);

    std::atomic<bool> loaded{false};
    CameraView cameraView;
    // Whether the players' views were last set for the tools camera.
    bool playerViewsOff = false;
    ImGuiContext* context = nullptr;
    LineRenderer lines;
    ImGuiRenderer imgui;
    std::vector<std::unique_ptr<Editor>> editors;
    std::vector<std::unique_ptr<Inspector>> inspectors;
    uint32_t nextWindowId = 0;
    bool inFrame = false;
    // The clipboard's text as Dear ImGui last asked for it, as a paste gives it to the field, which it
    // reads until it asks again.
    std::string clipboard;
    // The host whose system clipboard Ctrl+C and Ctrl+V use; without a window, the tools' own text.
    Lumvek::SdlApplication* systemClipboard = nullptr;
    std::string ownClipboard;

    // The application thread's view of the devices.
    uint32_t keyboardCursor = 0;
    uint32_t mouseCursor = 0;
    uint32_t textCursor = 0;
    Lumvek::KeyboardState keyboard;
    Lumvek::MouseState mouse;
    // How each mouse button stood as Dear ImGui was last told, with its changes still owed.
    std::array<ShownButton, Lumvek::MouseButtonCount> buttonsShown{};
    KeyReplay keys;
};
