#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/StringView.h"
#include "Engine/Runtime/Input/Input.h"

#include <cstdint>
#include <string>

// The sixteen player actions in the fixed order of the profile file's members.
enum class PlayerAction : uint32_t
{
    FallThrough,
    Jump,
    Interact,
    SwitchWeapon,
    Primary,
    Secondary,
    Reload,
    Scope,
    Drop,
    Use,
    SelectHead,
    SelectCore,
    SelectArms,
    SelectLegs,
    TogglePart,
    ToggleView,
    Count
};
inline constexpr uint32_t PlayerActionCount = static_cast<uint32_t>(PlayerAction::Count);

// The file member of an action ("JumpButton"); the empty text past the last action.
Lumvek::StringView GetActionMemberName(PlayerAction action);

// A player's game controller layout: which controller button performs each action. Owned by its
// profile.
struct ControllerBindings
{
    // Reads "SwapSticks" and each action's button name (letter case ignored) from the reader's current
    // object. A member that is missing, not a string, no button's name, "Unknown" (no pad reports it)
    // or "Start" (which pauses) keeps its binding; all but the first are refused through the reader,
    // which names them with the file and path. A button left bound to several actions is logged once,
    // with the actions. True.
    bool Read(Lumvek::BlueprintReader& reader);
    void Write(Lumvek::BlueprintWriter& writer) const;

    uint32_t& operator[](PlayerAction action) { return buttons[static_cast<uint32_t>(action)]; }
    uint32_t operator[](PlayerAction action) const { return buttons[static_cast<uint32_t>(action)]; }

    bool operator==(const ControllerBindings&) const = default;

    // Exchanges the roles of the two sticks.
    bool swapSticks = false;
    // ControllerButton codes by action.
    uint32_t buttons[PlayerActionCount] = {
        static_cast<uint32_t>(Lumvek::ControllerButton::LeftStickDown),
        static_cast<uint32_t>(Lumvek::ControllerButton::A),
        static_cast<uint32_t>(Lumvek::ControllerButton::X),
        static_cast<uint32_t>(Lumvek::ControllerButton::Y),
        static_cast<uint32_t>(Lumvek::ControllerButton::RightTrigger),
        static_cast<uint32_t>(Lumvek::ControllerButton::LeftTrigger),
        static_cast<uint32_t>(Lumvek::ControllerButton::RightBumper),
        static_cast<uint32_t>(Lumvek::ControllerButton::RightStick),
        static_cast<uint32_t>(Lumvek::ControllerButton::LeftBumper),
        static_cast<uint32_t>(Lumvek::ControllerButton::B),
        static_cast<uint32_t>(Lumvek::ControllerButton::Up),
        static_cast<uint32_t>(Lumvek::ControllerButton::Left),
        static_cast<uint32_t>(Lumvek::ControllerButton::Right),
        static_cast<uint32_t>(Lumvek::ControllerButton::Down),
        static_cast<uint32_t>(Lumvek::ControllerButton::LeftStick),
        static_cast<uint32_t>(Lumvek::ControllerButton::Back),
    };
};

// One keyboard-and-mouse input: a key, or, when key is NoKey, a mouse button (none when mouseButton is
// NoMouseButton). Stored in files as "Keyboard <key name>" or "Mouse <button name>".
struct KeyBinding
{
    static constexpr uint32_t NoKey = static_cast<uint32_t>(Lumvek::Key::Other);
    static constexpr uint32_t NoMouseButton = static_cast<uint32_t>(Lumvek::MouseButton::Other);

    static constexpr KeyBinding Of(Lumvek::Key key) { return {static_cast<uint32_t>(key), NoMouseButton}; }
    static constexpr KeyBinding Of(Lumvek::MouseButton button) { return {NoKey, static_cast<uint32_t>(button)}; }

    bool IsMouse() const { return key == NoKey; }

    // Takes the binding from its text, ignoring letter case in the leading word and in the name. A text
    // that names no key or button leaves the binding as it was; false then.
    bool Parse(Lumvek::StringView text);
    // The text Parse reads; a mouse binding without a button gives the empty text.
    std::string ToText() const;

    // The button of a key binding is not part of what it binds.
    bool operator==(const KeyBinding& other) const
    {
        return key == other.key && (!IsMouse() || mouseButton == other.mouseButton);
    }

    uint32_t key = NoKey;
    // Only used when key is NoKey.
    uint32_t mouseButton = NoMouseButton;
};

// A player's keyboard-and-mouse layout. Owned by its profile.
struct KeyboardBindings
{
    // Reads each action's binding text from the reader's current object. A member that is missing, not
    // a string or naming nothing keeps its binding; one that is not a string, names nothing (but the
    // empty text, a mouse binding without a button) or names a key no keyboard sends is refused through
    // the reader. The movement
    // bindings are not part of the file. An input left bound to several actions, moving included, is
    // logged once, with the actions. True.
    bool Read(Lumvek::BlueprintReader& reader);
    void Write(Lumvek::BlueprintWriter& writer) const;

    KeyBinding& operator[](PlayerAction action) { return actions[static_cast<uint32_t>(action)]; }
    const KeyBinding& operator[](PlayerAction action) const { return actions[static_cast<uint32_t>(action)]; }

    bool operator==(const KeyboardBindings&) const = default;

    KeyBinding moveLeft = KeyBinding::Of(Lumvek::Key::A);
    KeyBinding moveRight = KeyBinding::Of(Lumvek::Key::D);
    KeyBinding actions[PlayerActionCount] = {
        KeyBinding::Of(Lumvek::Key::S),
        KeyBinding::Of(Lumvek::Key::Space),
        KeyBinding::Of(Lumvek::Key::E),
        KeyBinding::Of(Lumvek::Key::LeftShift),
        KeyBinding::Of(Lumvek::MouseButton::Left),
        KeyBinding::Of(Lumvek::Key::R),
        KeyBinding::Of(Lumvek::Key::Q),
        KeyBinding::Of(Lumvek::MouseButton::Middle),
        KeyBinding::Of(Lumvek::Key::F),
        KeyBinding::Of(Lumvek::MouseButton::Right),
        KeyBinding::Of(Lumvek::Key::One),
        KeyBinding::Of(Lumvek::Key::Two),
        KeyBinding::Of(Lumvek::Key::Three),
        KeyBinding::Of(Lumvek::Key::Four),
        KeyBinding::Of(Lumvek::Key::Tab),
        KeyBinding::Of(Lumvek::Key::C),
    };
};
