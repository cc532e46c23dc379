#include "Source/Data/InputBindings.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/ReadReport.h"
#include "Engine/Foundation/String.h"

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

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

// Says, once for each input that more than one action is bound to, which actions share it: one press
// does them all. inputs holds each action's input as text by action name; an empty text binds nothing.
void SayShared(const BlueprintReader& reader, std::span<const std::pair<StringView, std::string>> inputs)
{
    const ReadReport* report = reader.GetReport();
    const std::string where = report && !report->GetFile().empty() ? report->GetFile() + ": " : std::string();
    for (size_t i = 0; i < inputs.size(); ++i)
    {
        const std::string& input = inputs[i].second;
        const auto sameInput = [&input](const std::pair<StringView, std::string>& other)
        { return other.second == input; };
        if (input.empty() || std::any_of(inputs.begin(), inputs.begin() + static_cast<ptrdiff_t>(i), sameInput))
            continue;
        std::vector<StringView> sharing{inputs[i].first};
        for (size_t j = i + 1; j < inputs.size(); ++j)
            if (sameInput(inputs[j]))
                sharing.push_back(inputs[j].first);
        if (sharing.size() < 2)
            continue;
        std::string names(sharing.front().ToStdView());
        for (size_t j = 1; j < sharing.size(); ++j)
            names += FormatText("{}{}", j + 1 < sharing.size() ? ", " : " and ", sharing[j]);
        Log::Write("{}{} binds \"{}\" to {}: one press does each of them", where, reader.GetPath(), input, names);
    }
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
        if (!ControllerButtonNames().ParseName(button, text) || button >= ControllerButtonCount)
            reader.Refuse(ActionMembers[action], "no controller button of that name");
        else if (button == static_cast<uint32_t>(ControllerButton::Unknown))
            reader.Refuse(ActionMembers[action],
                          "no controller reports that button, so the action could never be used");
        else if (button == static_cast<uint32_t>(ControllerButton::Start))
            reader.Refuse(ActionMembers[action], "Start pauses the match and performs no action");
        else
            buttons[action] = button;
    }
    std::pair<StringView, std::string> inputs[PlayerActionCount];
    for (uint32_t action = 0; action < PlayerActionCount; ++action)
        inputs[action] = {ActionMembers[action],
                          std::string(ControllerButtonNames().GetName(buttons[action]).ToStdView())};
    SayShared(reader, inputs);
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
    {
        // The empty text is what a mouse binding without a button is written as: the action keeps its
        // binding, as it would with no member.
        if (!ReadMember(reader, ActionMembers[action], text) || text.empty())
            continue;
        KeyBinding binding = actions[action];
        if (!binding.Parse(text))
            reader.Refuse(ActionMembers[action],
                          "no key or mouse button of that name: \"Keyboard <key>\" or \"Mouse <button>\" was expected");
        else if (!binding.IsMouse() && !KeyboardSends(static_cast<Key>(binding.key)))
            reader.Refuse(ActionMembers[action], "no keyboard sends that key, so the action could never be used");
        else
            actions[action] = binding;
    }
    // Moving is no file member, but a key that moves and acts does both.
    std::pair<StringView, std::string> inputs[PlayerActionCount + 2];
    for (uint32_t action = 0; action < PlayerActionCount; ++action)
        inputs[action] = {ActionMembers[action], actions[action].ToText()};
    inputs[PlayerActionCount] = {"moving left", moveLeft.ToText()};
    inputs[PlayerActionCount + 1] = {"moving right", moveRight.ToText()};
    SayShared(reader, inputs);
    return true;
}

void KeyboardBindings::Write(BlueprintWriter& writer) const
{
    for (uint32_t action = 0; action < PlayerActionCount; ++action)
        WriteMember(writer, ActionMembers[action], StringView(actions[action].ToText()));
}
