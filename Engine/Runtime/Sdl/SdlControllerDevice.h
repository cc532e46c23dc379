#pragma once

#include "Engine/Runtime/Input/Input.h"
#include "Engine/Runtime/Input/InputEvents.h"

#include <SDL.h>

#include <array>
#include <atomic>

namespace Lumvek
{

// Up to four SDL game controllers in the Xbox layout, in pad slots 0 to 3. SDL delivers controller
// events on the host's main thread: HandleEvent opens and closes the pads there and queues their
// button changes in a ring; the application thread polls the device, reading sticks and triggers
// from SDL and the button changes from the ring. SDL must stay initialised with its game controller
// subsystem while the device lives; the host owns the device.
class SdlControllerDevice : public ControllerDevice
{
public:
    // Opens the game controllers already attached, up to four. deadZone raises the built-in dead zones of sticks
    // and triggers, on the 0 to 1 scale.
    explicit SdlControllerDevice(float deadZone = 0.0f);
    ~SdlControllerDevice() override;

    // Main thread: takes SDL_CONTROLLERDEVICEADDED, SDL_CONTROLLERDEVICEREMOVED, SDL_CONTROLLERBUTTONDOWN,
    // SDL_CONTROLLERBUTTONUP and SDL_CONTROLLERAXISMOTION; ignores every other event.
    void HandleEvent(const SDL_Event& event);

    uint32_t Update(ControllerStates& states, uint32_t cursor) override;

    // A pad's axes in SDL's values, by SDL_GameControllerAxis.
    using AxisValues = std::array<int16_t, SDL_CONTROLLER_AXIS_MAX>;
    void SetVibration(float highFrequency, float lowFrequency, uint32_t padIndex) override;

private:
    void Connect(int deviceIndex);
    void Disconnect(SDL_JoystickID instance);
    // Gives free slots to attached pads that have none, except the one named.
    void ConnectWaiting(SDL_JoystickID except);
    int FindSlot(SDL_JoystickID instance) const;
    // Pushes a press for each trigger or stick direction of the pad that went down since its last
    // axis event, so that one pressed and let go between two polls is not lost.
    void PushDerivedPresses(const SDL_ControllerAxisEvent& motion);
    // Sends the pad's vibration when it changed since it was last sent or SDL is about to end it.
    void SendVibration(uint32_t padIndex, SDL_GameController* controller);

    // The instance id of the pad in each slot, -1 for none. Written on the main thread, read on both.
    std::array<std::atomic<SDL_JoystickID>, ControllerCount> slots;
    // Pushed on the main thread, read on the application thread.
    ControllerRing ring;
    const float deadZone;
    // Main thread: the trigger and stick directions each slot's pad had down at its last axis event,
    // a bit each from LeftTrigger on.
    std::array<uint32_t, ControllerCount> derivedDown{};
    // Main thread: each slot's pad's axes as its motion events last gave them.
    std::array<AxisValues, ControllerCount> axes{};

    // Application thread: what was last sent to each slot's motors, to whom and when.
    struct SentVibration
    {
        SDL_JoystickID instance = -1;
        Vibration vibration;
        uint64_t ticks = 0;
    };
    std::array<SentVibration, ControllerCount> sent{};
};

} // namespace Lumvek
