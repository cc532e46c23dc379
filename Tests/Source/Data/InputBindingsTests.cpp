#include "Source/Data/InputBindings.h"

#include "Engine/Foundation/Json.h"

#include <gtest/gtest.h>

#include <string>

using namespace Lumvek;

namespace
{

Blueprint ParseJson(const std::string& text)
{
    Blueprint value;
    EXPECT_TRUE(JsonFormat::LoadBlueprint(text, value)) << text;
    return value;
}

KeyboardBindings ReadKeyboard(const std::string& json)
{
    const Blueprint tree = ParseJson(json);
    BlueprintReader reader(tree);
    KeyboardBindings bindings;
    EXPECT_TRUE(bindings.Read(reader));
    return bindings;
}

} // namespace

TEST(KeyBinding, ParsesTextsIgnoringCase)
{
    const KeyBinding held = KeyBinding::Of(Key::S);
    struct Case
    {
        const char* text;
        KeyBinding expected;
    };
    const Case cases[] = {
        {"keyboard space", KeyBinding::Of(Key::Space)},
        {"KEYBOARD LeftShift", KeyBinding::Of(Key::LeftShift)},
        {"Keyboard_F12", KeyBinding::Of(Key::F12)}, // any one separator
        {"Mouse XTwo", {KeyBinding::NoKey, 4}},
        {"mouse middle", {KeyBinding::NoKey, 2}},
        {"Keyboard", held},
        {"Keyboard ", held},
        {"Keyboard Spacebar", held},
        {"Keyboard Other", held},
        {"Mouse Other", held},
        {"Mouse", held},
        {"Key Space", held},
        {"Space", held},
        {"", held},
    };
    for (const Case& c : cases)
    {
        KeyBinding binding = held;
        EXPECT_EQ(binding.Parse(StringView::FromCString(c.text)), !(c.expected == held)) << c.text;
        EXPECT_EQ(binding, c.expected) << c.text;
    }
    // A key read into a mouse binding keeps its button, which no longer counts.
    KeyBinding mouse = KeyBinding::Of(MouseButton::Right);
    EXPECT_TRUE(mouse.Parse("Keyboard Q"));
    EXPECT_FALSE(mouse.IsMouse());
    EXPECT_EQ(mouse.ToText(), "Keyboard Q");
}

TEST(KeyBinding, WritesTheFormParseReads)
{
    EXPECT_EQ(KeyBinding::Of(Key::Space).ToText(), "Keyboard Space");
    EXPECT_EQ(KeyBinding::Of(MouseButton::XTwo).ToText(), "Mouse XTwo");
    EXPECT_EQ(KeyBinding::Of(MouseButton::Other).ToText(), "");
}

TEST(KeyboardBindings, ReadChangesOnlyWhatItUnderstands)
{
    const KeyboardBindings defaults;
    const KeyboardBindings read = ReadKeyboard(R"({
        "JumpButton": "keyboard space",
        "PrimaryButton": "Mouse XTwo",
        "FallThroughButton": "Mouse XTwo",
        "ReloadButton": "Keyboard",
        "DropButton": "Press F",
        "UseButton": 3,
        "ScopeButton": "",
        "MoveLeft": "Keyboard J"
    })");
    KeyboardBindings expected;
    expected[PlayerAction::Primary] = KeyBinding::Of(MouseButton::XTwo);
    expected[PlayerAction::FallThrough] = {KeyBinding::NoKey, static_cast<uint32_t>(MouseButton::XTwo)};
    EXPECT_EQ(read, expected);
    EXPECT_EQ(read.moveLeft, KeyBinding::Of(Key::A));
    EXPECT_EQ(read.moveRight, KeyBinding::Of(Key::D));
}

TEST(KeyboardBindings, WriteAndReadBackEveryAction)
{
    KeyboardBindings bindings;
    bindings[PlayerAction::Jump] = KeyBinding::Of(Key::NumberPlus);
    bindings[PlayerAction::Use] = KeyBinding::Of(MouseButton::Other); // no button at all
    bindings.moveLeft = KeyBinding::Of(Key::J);

    BlueprintWriter writer;
    bindings.Write(writer);
    const Blueprint& root = writer.GetRoot();
    ASSERT_EQ(root.GetCount(), PlayerActionCount);
    EXPECT_EQ(root.GetObject().GetName(0), StringView("FallThroughButton"));
    EXPECT_EQ(root.GetObject().Find("FallThroughButton")->GetString(), StringView("Keyboard S"));
    EXPECT_EQ(root.GetObject().Find("PrimaryButton")->GetString(), StringView("Mouse Left"));
    EXPECT_EQ(root.GetObject().Find("UseButton")->GetString(), StringView(""));

    BlueprintReader reader(root);
    KeyboardBindings readBack;
    readBack.Read(reader);
    KeyboardBindings expected = bindings;
    expected[PlayerAction::Use] = KeyboardBindings()[PlayerAction::Use]; // the empty text reads as nothing
    expected.moveLeft = KeyBinding::Of(Key::A);
    EXPECT_EQ(readBack, expected);
}

TEST(ControllerBindings, ReadsButtonNamesIgnoringCaseAndWritesThemBack)
{
    const Blueprint tree = ParseJson(R"({
        "SwapSticks": true,
        "JumpButton": "a",
        "InteractButton": "Jump",
        "UseButton": "RIGHTSTICKUP",
        "DropButton": "Count",
        "ReloadButton": 4,
        "TogglePartButton": "Unknown"
    })");
    BlueprintReader reader(tree);
    ControllerBindings bindings;
    EXPECT_TRUE(bindings.Read(reader));

    ControllerBindings expected;
    expected.swapSticks = true;
    expected[PlayerAction::Jump] = static_cast<uint32_t>(ControllerButton::A);
    expected[PlayerAction::Use] = static_cast<uint32_t>(ControllerButton::RightStickUp);
    expected[PlayerAction::TogglePart] = static_cast<uint32_t>(ControllerButton::Unknown);
    EXPECT_EQ(bindings, expected);

    BlueprintWriter writer;
    bindings.Write(writer);
    const ValueObject& written = writer.GetRoot().GetObject();
    ASSERT_EQ(written.GetCount(), PlayerActionCount + 1);
    EXPECT_EQ(written.GetName(0), StringView("SwapSticks"));
    EXPECT_EQ(written.Find("UseButton")->GetString(), StringView("RightStickUp"));
    EXPECT_EQ(written.Find("FallThroughButton")->GetString(), StringView("LeftStickDown"));

    BlueprintReader back(writer.GetRoot());
    ControllerBindings readBack;
    readBack.Read(back);
    EXPECT_EQ(readBack, bindings);
}
