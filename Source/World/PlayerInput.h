#pragma once

#include "Engine/Foundation/Math.h"
#include "Engine/Runtime/Input/Input.h"
#include "Source/Data/InputBindings.h"

#include <array>
#include <cstdint>

// What a re-simulated tick needs of one tick's controls, eight bytes: the history a client replays its
// own players from, and the match journal stores with every frame. AimX comes before AimY here; use
// is the ability's button, whose thrust moves the player.
struct PlayerInputEntry
{
    bool operator==(const PlayerInputEntry&) const = default;

    int8_t move = 0;
    int8_t aimX = 0;
    int8_t aimY = 0;
    uint8_t fallThrough = 0;
    uint8_t jump = 0;
    uint8_t switchWeapon = 0;
    uint8_t reload = 0;
    uint8_t use = 0;
};
static_assert(sizeof(PlayerInputEntry) == 8);

// The window's client size in pixels: the mouse aims from its centre while no view shows the player.
struct WindowSize
{
    uint32_t width = 0;
    uint32_t height = 0;
};

// One tick of one player's controls as the world reads them, with the compact history of the last
// HistoryLength ticks. Embedded in the player record and copied whole into the server's input ring,
// the input message and the journal; so it is plain bytes, and the same controls always make the same
// record. Filled and read on the application thread.
struct PlayerInput
{
    static constexpr uint32_t HistoryLength = 100;
    // Axes and aim components run from -AxisRange to AxisRange.
    static constexpr int32_t AxisRange = 127;
    // Aim components inside this square dead zone leave the aim direction as it was.
    static constexpr int32_t AimDeadZone = 25;
    // Devices below this are controllers by index; this one and above are the keyboard and mouse.
    static constexpr uint32_t KeyboardDevice = Lumvek::ControllerCount;

    // Fills the current controls from controller device, or from the keyboard and mouse when device is
    // KeyboardDevice or more, through the player's bindings. The mouse aims from aimOrigin towards the
    // cursor, both in client pixels with y down: from the player's point on screen, so that the gun
    // points where the cursor shows. The history is left alone.
    void Read(const ControllerBindings& controllerBindings, const KeyboardBindings& keyboardBindings,
              const Lumvek::ControllerStates& controllers, const Lumvek::KeyboardState& keyboard,
              const Lumvek::MouseState& mouse, uint32_t device, Lumvek::Vector2 aimOrigin);

    // Stores the current controls as the history entry of the frame.
    void SaveHistory(uint32_t frame);
    // Takes back the controls the frame's history entry holds; the other buttons stay as they are.
    void LoadHistory(uint32_t frame);
    const PlayerInputEntry& GetHistory(uint32_t frame) const { return history[frame % HistoryLength]; }

    // The movement axis from -1 to 1, without dead zone.
    float GetMoveAxis() const;
    // The unit aim direction the controls give, or previous when the aim lies inside the dead zone.
    Lumvek::Vector2 GetAimDirection(Lumvek::Vector2 previous) const;

    uint8_t& operator[](PlayerAction action) { return buttons[static_cast<uint32_t>(action)]; }
    uint8_t operator[](PlayerAction action) const { return buttons[static_cast<uint32_t>(action)]; }

    bool operator==(const PlayerInput&) const = default;

    std::array<PlayerInputEntry, HistoryLength> history{};
    // Positive to the right.
    int8_t move = 0;
    // Positive upwards, as the world's y.
    int8_t aimY = 0;
    // A new player aims to the right.
    int8_t aimX = AxisRange;
    // 0 or 1 by action. Some hold the button's state, others whether it went down this tick.
    std::array<uint8_t, PlayerActionCount> buttons{};
};
