#include "Source/Data/InputBindings.h"

#include "Engine/Foundation/Json.h"

#include <gtest/gtest.h>

#include <string>

using namespace Lumvek;

namespace
{

template <class Bindings> Bindings ReadBindings(const std::string& json)
{
    Blueprint tree;
    EXPECT_TRUE(JsonFormat::LoadBlueprint(json, tree)) << json;
    BlueprintReader reader(tree);
    Bindings bindings;
    EXPECT_TRUE(bindings.Read(reader));
    return bindings;
}

} // namespace

TEST(KeyBinding, ParsesTextsIgnoringCaseAndWritesThemBack)
{
    const KeyBinding held = KeyBinding::Of(Key::S);
    struct Case
    {
        const char* text;
        KeyBinding expected;
        const char* written;
    };
    const Case cases[] = {
        {"keyboard space", KeyBinding::Of(Key::Space), "Keyboard Space"},
        {"Keyboard_F12", KeyBinding::Of(Key::F12), "Keyboard F12"}, // any one separator
        {"mouse XTWO", KeyBinding::Of(MouseButton::XTwo), "Mouse XTwo"},
        {"Keyboard", held, "Keyboard S"},
        {"Keyboard Spacebar", held, "Keyboard S"},
        {"Mouse Other", held, "Keyboard S"},
        {"Key Space", held, "Keyboard S"},
        {"", held, "Keyboard S"},
    };
    for (const Case& c : cases)
    {
        KeyBinding binding = held;
        EXPECT_EQ(binding.Parse(StringView::FromCString(c.text)), !(c.expected == held)) << c.text;
        EXPECT_EQ(binding, c.expected) << c.text;
        EXPECT_EQ(binding.ToText(), c.written) << c.text;
    }
    EXPECT_EQ(KeyBinding::Of(MouseButton::Other).ToText(), "");
}

TEST(KeyboardBindings, ReadChangesOnlyWhatItUnderstands)
{
    const KeyboardBindings read = ReadBindings<KeyboardBindings>(R"({
        "JumpButton": "keyboard space", "PrimaryButton": "Mouse XTwo", "FallThroughButton": "Mouse XTwo",
        "ReloadButton": "Keyboard", "DropButton": "Press F", "UseButton": 3, "ScopeButton": "",
        "MoveLeft": "Keyboard J"
    })");
    KeyboardBindings expected;
    expected[PlayerAction::Primary] = KeyBinding::Of(MouseButton::XTwo);
    expected[PlayerAction::FallThrough] = KeyBinding::Of(MouseButton::XTwo);
    EXPECT_EQ(read, expected);

    // Movement is not part of the file; a mouse binding without a button writes the empty text.
    KeyboardBindings changed = expected;
    changed.moveLeft = KeyBinding::Of(Key::J);
    changed[PlayerAction::Use] = KeyBinding::Of(MouseButton::Other);
    BlueprintWriter writer;
    changed.Write(writer);
    const ValueObject& written = writer.GetRoot().GetObject();
    ASSERT_EQ(written.GetCount(), PlayerActionCount);
    EXPECT_EQ(written.GetName(0), StringView("FallThroughButton"));
    EXPECT_EQ(written.Find("UseButton")->GetString(), StringView(""));
    BlueprintReader reader(writer.GetRoot());
    KeyboardBindings readBack;
    readBack.Read(reader);
    EXPECT_EQ(readBack, expected);
}

TEST(ControllerBindings, ReadsButtonNamesIgnoringCaseAndWritesThemBack)
{
    const ControllerBindings read = ReadBindings<ControllerBindings>(R"({
        "SwapSticks": true, "JumpButton": "a", "InteractButton": "Jump", "UseButton": "RIGHTSTICKUP",
        "DropButton": "Count", "ReloadButton": 4
    })");
    ControllerBindings expected;
    expected.swapSticks = true;
    expected[PlayerAction::Jump] = static_cast<uint32_t>(ControllerButton::A);
    expected[PlayerAction::Use] = static_cast<uint32_t>(ControllerButton::RightStickUp);
    EXPECT_EQ(read, expected);

    BlueprintWriter writer;
    read.Write(writer);
    const ValueObject& written = writer.GetRoot().GetObject();
    ASSERT_EQ(written.GetCount(), PlayerActionCount + 1);
    EXPECT_EQ(written.GetName(0), StringView("SwapSticks"));
    EXPECT_EQ(written.Find("UseButton")->GetString(), StringView("RightStickUp"));
    BlueprintReader reader(writer.GetRoot());
    ControllerBindings readBack;
    readBack.Read(reader);
    EXPECT_EQ(readBack, read);
}
