#include "Engine/Runtime/Sdl/SdlControllerDevice.h"

#include "Engine/Foundation/Log.h"

#include <cmath>

namespace Lumvek
{

namespace
{

constexpr float TriggerThreshold = 30.0f / 255.0f;
constexpr float LeftStickThreshold = 7849.0f / 32767.0f;
constexpr float RightStickThreshold = 8689.0f / 32767.0f;
constexpr float TriggerPressedAbove = 0.2f;
constexpr float StickPressedBeyond = 0.5f;
// SDL ends a rumble after at most 65 seconds; sending it again well before keeps it until changed.
constexpr uint64_t VibrationResendMilliseconds = 30000;
constexpr uint32_t DigitalButtonCount = static_cast<uint32_t>(ControllerButton::LeftTrigger);
constexpr uint32_t DerivedButtonCount = static_cast<uint32_t>(ControllerButton::Unknown) - DigitalButtonCount;

// The pad button of each SDL game controller button; Unknown for those the Xbox layout lacks.
ControllerButton ButtonFromSdl(uint8_t button)
{
    // clang-format off
    static constexpr ControllerButton buttons[SDL_CONTROLLER_BUTTON_MAX] = {
        ControllerButton::A, ControllerButton::B, ControllerButton::X, ControllerButton::Y,
        ControllerButton::Back, ControllerButton::Unknown, ControllerButton::Start,
        ControllerButton::LeftStick, ControllerButton::RightStick,
        ControllerButton::LeftBumper, ControllerButton::RightBumper,
        ControllerButton::Up, ControllerButton::Down, ControllerButton::Left, ControllerButton::Right,
        ControllerButton::Unknown, ControllerButton::Unknown, ControllerButton::Unknown, ControllerButton::Unknown,
        ControllerButton::Unknown, ControllerButton::Unknown};
    // clang-format on
    return button < SDL_CONTROLLER_BUTTON_MAX ? buttons[button] : ControllerButton::Unknown;
}

// 0 below the threshold, 1 above 1, and the range between stretched to 0 to 1.
float ApplyTriggerDeadZone(float value, float threshold)
{
    if (value > 1.0f)
        return 1.0f;
    if (value < threshold)
        return 0.0f;
    return (value - threshold) / (1.0f - threshold);
}

// The stick keeps its direction; its length goes through the same curve as a trigger.
InputVector ApplyStickDeadZone(InputVector stick, float threshold)
{
    const float length = std::sqrt(stick.x * stick.x + stick.y * stick.y);
    const float target = ApplyTriggerDeadZone(length, threshold);
    if (target < 0.0001f)
        return {};
    return {stick.x / length * target, stick.y / length * target};
}

// Whether each button derived from the triggers and sticks is down, in order from LeftTrigger.
std::array<bool, DerivedButtonCount> DerivedButtons(const ControllerState& state)
{
    const InputVector left = state.leftStick;
    const InputVector right = state.rightStick;
    const float beyond = StickPressedBeyond;
    return {state.leftTrigger > TriggerPressedAbove,
            state.rightTrigger > TriggerPressedAbove,
            (left.x < -beyond),
            (left.x > beyond),
            (left.y > beyond),
            (left.y < -beyond),
            (right.x < -beyond),
            (right.x > beyond),
            (right.y > beyond),
            (right.y < -beyond)};
}

void DeriveButtons(ControllerState& state)
{
    const std::array<bool, DerivedButtonCount> down = DerivedButtons(state);
    for (uint32_t i = 0; i < DerivedButtonCount; ++i)
    {
        const uint32_t button = DigitalButtonCount + i;
        const bool before = state.held.values[button] != 0;
        state.held.values[button] = down[i];
        state.pressed.values[button] = down[i] && !before;
        state.released.values[button] = before && !down[i];
    }
}

// The sticks and triggers from SDL's axis values, through the dead zones, into the state.
void SetAxes(ControllerState& state, const SdlControllerDevice::AxisValues& axis, float deadZone)
{
    const auto stick = [&axis](SDL_GameControllerAxis at) { return static_cast<float>(axis[at]) / 32768.0f; };
    const auto trigger = [&axis](SDL_GameControllerAxis at) { return static_cast<float>(axis[at]) / 32767.0f; };
    // SDL's y axes grow downwards.
    const InputVector left{stick(SDL_CONTROLLER_AXIS_LEFTX), -stick(SDL_CONTROLLER_AXIS_LEFTY)};
    const InputVector right{stick(SDL_CONTROLLER_AXIS_RIGHTX), -stick(SDL_CONTROLLER_AXIS_RIGHTY)};
    const float triggerThreshold = std::max(TriggerThreshold, deadZone);
    state.leftTrigger = ApplyTriggerDeadZone(trigger(SDL_CONTROLLER_AXIS_TRIGGERLEFT), triggerThreshold);
    state.rightTrigger = ApplyTriggerDeadZone(trigger(SDL_CONTROLLER_AXIS_TRIGGERRIGHT), triggerThreshold);
    state.leftStick = ApplyStickDeadZone(left, std::max(LeftStickThreshold, deadZone));
    state.rightStick = ApplyStickDeadZone(right, std::max(RightStickThreshold, deadZone));
}

// A motor speed: the value times 1000, kept inside what a motor takes.
Uint16 MotorSpeed(float value)
{
    const float speed = value * 1000.0f;
    if (!(speed > 0.0f))
        return 0;
    return speed >= 65535.0f ? 65535 : static_cast<Uint16>(speed);
}

// Holds SDL's joystick lock, so the main thread cannot close a pad while this thread uses it.
class JoystickLock
{
public:
    JoystickLock() { SDL_LockJoysticks(); }
    ~JoystickLock() { SDL_UnlockJoysticks(); }
    JoystickLock(const JoystickLock&) = delete;
    JoystickLock& operator=(const JoystickLock&) = delete;
};

} // namespace

SdlControllerDevice::SdlControllerDevice(float deadZone) : deadZone(deadZone)
{
    for (auto& slot : slots)
        slot.store(-1, std::memory_order_relaxed);
    ConnectWaiting(-1);
}

SdlControllerDevice::~SdlControllerDevice()
{
    for (auto& slot : slots)
    {
        const SDL_JoystickID instance = slot.exchange(-1);
        if (instance < 0)
            continue;
        // Looked up rather than kept: SDL closes every pad itself when it quits first.
        JoystickLock lock;
        if (SDL_GameController* controller = SDL_GameControllerFromInstanceID(instance))
            SDL_GameControllerClose(controller);
    }
}

void SdlControllerDevice::HandleEvent(const SDL_Event& event)
{
    switch (event.type)
    {
    case SDL_CONTROLLERDEVICEADDED:
        Connect(event.cdevice.which);
        break;
    case SDL_CONTROLLERDEVICEREMOVED:
        Disconnect(event.cdevice.which);
        break;
    case SDL_CONTROLLERAXISMOTION:
        PushDerivedPresses(event.caxis);
        break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
    {
        const int slot = event.cbutton.which >= 0 ? FindSlot(event.cbutton.which) : -1;
        const ControllerButton button = ButtonFromSdl(event.cbutton.button);
        if (slot < 0 || button == ControllerButton::Unknown)
            break;
        ring.Push({static_cast<uint32_t>(slot), event.cbutton.state == SDL_PRESSED ? 1u : 0u,
                   static_cast<uint32_t>(button), event.cbutton.which});
        break;
    }
    default:
        break;
    }
}

void SdlControllerDevice::PushDerivedPresses(const SDL_ControllerAxisEvent& motion)
{
    // The event's own value, not the pad's: a tap's motion up has already reached the pad by the time
    // its motion down is handled, where both came in one pump.
    const int slot = motion.which >= 0 ? FindSlot(motion.which) : -1;
    if (slot < 0 || motion.axis >= SDL_CONTROLLER_AXIS_MAX)
        return;
    axes[slot][motion.axis] = motion.value;
    ControllerState state;
    SetAxes(state, axes[slot], deadZone);
    const std::array<bool, DerivedButtonCount> down = DerivedButtons(state);
    uint32_t& before = derivedDown[slot];
    for (uint32_t i = 0; i < DerivedButtonCount; ++i)
    {
        if (down[i] && !(before & 1u << i))
            ring.Push({static_cast<uint32_t>(slot), 1, DigitalButtonCount + i, motion.which});
    }
    before = 0;
    for (uint32_t i = 0; i < DerivedButtonCount; ++i)
        before |= down[i] ? 1u << i : 0u;
}

void SdlControllerDevice::Connect(int deviceIndex)
{
    if (deviceIndex < 0 || deviceIndex >= SDL_NumJoysticks() || !SDL_IsGameController(deviceIndex))
        return;
    const SDL_JoystickID instance = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    // SDL also announces the pads that were attached before the device opened them.
    if (instance < 0 || FindSlot(instance) >= 0)
        return;
    const int free = FindSlot(-1);
    if (free < 0)
        return;
    if (!SDL_GameControllerOpen(deviceIndex))
    {
        Log::Write("failed to open game controller {}: {}", deviceIndex, StringView::FromCString(SDL_GetError()));
        return;
    }
    derivedDown[free] = 0;
    axes[free] = {};
    slots[free].store(instance, std::memory_order_release);
}

void SdlControllerDevice::Disconnect(SDL_JoystickID instance)
{
    const int slot = FindSlot(instance);
    if (instance < 0 || slot < 0)
        return;
    slots[slot].store(-1, std::memory_order_release);
    // The buttons it left down are up for whichever pad takes the slot next.
    for (uint32_t button = 0; button < ControllerButtonCount; ++button)
        ring.Lift(static_cast<uint32_t>(slot) * ControllerButtonCount + button);
    {
        JoystickLock lock;
        if (SDL_GameController* controller = SDL_GameControllerFromInstanceID(instance))
            SDL_GameControllerClose(controller);
    }
    // A pad that found every slot taken when it arrived gets the one just freed.
    ConnectWaiting(instance);
}

void SdlControllerDevice::ConnectWaiting(SDL_JoystickID except)
{
    const int count = SDL_NumJoysticks();
    for (int deviceIndex = 0; deviceIndex < count; ++deviceIndex)
        if (SDL_JoystickGetDeviceInstanceID(deviceIndex) != except)
            Connect(deviceIndex);
}

int SdlControllerDevice::FindSlot(SDL_JoystickID instance) const
{
    for (uint32_t i = 0; i < ControllerCount; ++i)
        if (slots[i].load(std::memory_order_acquire) == instance)
            return static_cast<int>(i);
    return -1;
}

uint32_t SdlControllerDevice::Update(ControllerStates& states, uint32_t cursor)
{
    // The pad each slot held during this poll: button events of any other pad are stale.
    std::array<SDL_JoystickID, ControllerCount> polled;
    // Whether each derived button was held at the last poll.
    std::array<std::array<uint8_t, DerivedButtonCount>, ControllerCount> heldBefore{};
    for (uint32_t pad = 0; pad < ControllerCount; ++pad)
    {
        ControllerState& state = states[pad];
        polled[pad] = slots[pad].load(std::memory_order_acquire);
        bool connected = false;
        {
            JoystickLock lock;
            SDL_GameController* controller = polled[pad] >= 0 ? SDL_GameControllerFromInstanceID(polled[pad]) : nullptr;
            if (controller && SDL_GameControllerGetAttached(controller))
            {
                connected = true;
                AxisValues axis;
                for (int at = 0; at < SDL_CONTROLLER_AXIS_MAX; ++at)
                    axis[at] = SDL_GameControllerGetAxis(controller, static_cast<SDL_GameControllerAxis>(at));
                SetAxes(state, axis, deadZone);
                SendVibration(pad, controller);
            }
        }

        state.connected = connected;
        if (!connected)
        {
            polled[pad] = -1;
            state.leftTrigger = 0.0f;
            state.rightTrigger = 0.0f;
            state.leftStick = {};
            state.rightStick = {};
            // Nothing held and nothing pressed, and no releases either: the pad is just gone.
            state.held.Clear();
            state.pressed.Clear();
            state.released.Clear();
            continue;
        }

        for (uint32_t button = 0; button < DigitalButtonCount; ++button)
        {
            state.pressed.values[button] = 0;
            state.released.values[button] = 0;
        }
        for (uint32_t i = 0; i < DerivedButtonCount; ++i)
            heldBefore[pad][i] = state.held.values[DigitalButtonCount + i];
        DeriveButtons(state);
    }

    bool missed = false;
    cursor = ring.Read(
        cursor,
        [&states, &polled, &heldBefore](const ControllerEvent& event)
        {
            if (event.padIndex >= ControllerCount || event.button >= DigitalButtonCount + DerivedButtonCount ||
                event.connection < 0 || polled[event.padIndex] != event.connection)
                return;
            ControllerState& state = states[event.padIndex];
            if (event.button >= DigitalButtonCount)
            {
                // A trigger or stick direction that went down since the last poll, maybe up again by
                // now: a tap inside one frame still presses it once. One that was held at the last
                // poll has had its press, whose event may arrive a poll late.
                if (!event.down || heldBefore[event.padIndex][event.button - DigitalButtonCount])
                    return;
                state.pressed.values[event.button] = 1;
                if (!state.held.values[event.button])
                    state.released.values[event.button] = 1;
                return;
            }
            const uint8_t down = event.down ? 1 : 0;
            state.held.values[event.button] = down;
            (down ? state.pressed : state.released).values[event.button] = 1;
        },
        &missed);
    if (!missed)
        return cursor;
    // Events were passed over (a stalled frame while buttons went on changing): a button that stands
    // otherwise than held says so, so that a release pushed out of the ring leaves nothing held.
    for (uint32_t pad = 0; pad < ControllerCount; ++pad)
    {
        if (polled[pad] < 0)
            continue;
        ControllerState& state = states[pad];
        for (uint32_t button = 0; button < DigitalButtonCount; ++button)
        {
            const uint8_t down = ring.Standing(pad * ControllerButtonCount + button) ? 1 : 0;
            if (state.held.values[button] == down)
                continue;
            state.held.values[button] = down;
            (down ? state.pressed : state.released).values[button] = 1;
        }
    }
    return cursor;
}

void SdlControllerDevice::SetVibration(float highFrequency, float lowFrequency, uint32_t padIndex)
{
    if (padIndex >= ControllerCount)
        return;
    vibrations[padIndex] = {highFrequency, lowFrequency};
    const SDL_JoystickID instance = slots[padIndex].load(std::memory_order_acquire);
    JoystickLock lock;
    if (SDL_GameController* controller = instance >= 0 ? SDL_GameControllerFromInstanceID(instance) : nullptr)
        SendVibration(padIndex, controller);
}

void SdlControllerDevice::SendVibration(uint32_t padIndex, SDL_GameController* controller)
{
    const Vibration& wanted = vibrations[padIndex];
    SentVibration& last = sent[padIndex];
    const SDL_JoystickID instance = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
    const uint64_t now = SDL_GetTicks64();
    const Uint16 low = MotorSpeed(wanted.lowFrequency);
    const Uint16 high = MotorSpeed(wanted.highFrequency);
    const bool changed = last.instance != instance || MotorSpeed(last.vibration.lowFrequency) != low ||
                         MotorSpeed(last.vibration.highFrequency) != high;
    const bool running = low != 0 || high != 0;
    if (!changed && !(running && now - last.ticks >= VibrationResendMilliseconds))
        return;
    SDL_GameControllerRumble(controller, low, high, running ? SDL_HAPTIC_INFINITY : 0);
    last = {instance, wanted, now};
}

} // namespace Lumvek
