#include "Source/Data/InputBindings.h"

#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/String.h"

using namespace Lumvek;

namespace
{

constexpr StringView ActionMembers[PlayerActionCount] = {
    "FallThroughButton", "JumpButton",       "InteractButton",   "SwitchWeaponButton",
    "PrimaryButton",     "SecondaryButton",  "ReloadButton",     "ScopeButton",
    "DropButton",        "UseButton",        "SelectHeadButton", "SelectCoreButton",
    "SelectArmsButton",  "SelectLegsButton", "TogglePartButton", "ToggleViewButton",
};

constexpr StringView KeyboardWord = "Keyboard";
constexpr StringView MouseWord = "Mouse";

// True when text begins with word, ignoring letter case.
bool StartsWith(StringView text, StringView word)
{
    return text.length >= word.length && String::Equals(text.Sub(0, word.length), word, true);
}

} // namespace

StringView GetActionMemberName(PlayerAction action)
{
    const uint32_t index = static_cast<uint32_t>(action);
    return index < PlayerActionCount ? ActionMembers[index] : StringView();
}

bool ControllerBindings::Read(BlueprintReader& reader)
{
    ReadMember(reader, "SwapSticks", swapSticks);
    std::string text;
    for (uint32_t action = 0; action < PlayerActionCount; ++action)
    {
        if (!ReadMember(reader, ActionMembers[action], text))
            continue;
        uint32_t button = 0;
        // "Count" closes the name table but is no button; holding it would index past a pad's buttons.
        if (ControllerButtonNames().ParseName(button, text) && button < ControllerButtonCount)
            buttons[action] = button;
        else
            reader.Refuse(ActionMembers[action], "no controller button of that name");
    }
    return true;
}

void ControllerBindings::Write(BlueprintWriter& writer) const
{
    WriteMember(writer, "SwapSticks", swapSticks);
    for (uint32_t action = 0; action < PlayerActionCount; ++action)
        WriteMember(writer, ActionMembers[action], ControllerButtonNames().GetName(buttons[action]));
}

bool KeyBinding::Parse(StringView text)
{
    // One separator character after the word is skipped, whatever it is.
    if (StartsWith(text, KeyboardWord))
        return KeyNames().ParseName(key, text.Sub(KeyboardWord.length + 1));
    if (StartsWith(text, MouseWord))
    {
        if (!MouseButtonNames().ParseName(mouseButton, text.Sub(MouseWord.length + 1)))
            return false;
        key = NoKey;
        return true;
    }
    return false;
}

std::string KeyBinding::ToText() const
{
    if (!IsMouse())
        return FormatText("{} {}", KeyboardWord, KeyNames().GetName(key));
    if (mouseButton >= NoMouseButton)
        return std::string();
    return FormatText("{} {}", MouseWord, MouseButtonNames().GetName(mouseButton));
}

bool KeyboardBindings::Read(BlueprintReader& reader)
{
    std::string text;
    for (uint32_t action = 0; action < PlayerActionCount; ++action)
        // The empty text is what a mouse binding without a button is written as: the action keeps its
        // binding, as it would with no member.
        if (ReadMember(reader, ActionMembers[action], text) && !text.empty() && !actions[action].Parse(text))
            reader.Refuse(ActionMembers[action],
                          "no key or mouse button of that name: \"Keyboard <key>\" or \"Mouse <button>\" was expected");
    return true;
}

void KeyboardBindings::Write(BlueprintWriter& writer) const
{
    for (uint32_t action = 0; action < PlayerActionCount; ++action)
        WriteMember(writer, ActionMembers[action], StringView(actions[action].ToText()));
}
