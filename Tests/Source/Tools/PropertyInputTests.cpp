#include "Source/Data/ItemData.h"
#include "Source/Tools/Inspectors/DataInspector.h"
#include "Source/Tools/PropertyInput.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Tools/ToolsTesting.h"

#include <gtest/gtest.h>

#include <imgui_internal.h>

#include <functional>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

namespace
{

using namespace ToolsTesting;

// A window that draws one row through the widget and lets the test type into it.
class WidgetRow
{
public:
    explicit WidgetRow(std::function<bool()> widget)
        : window(OpenTestWindow(*app.tools, "Row",
                                [this, widget = std::move(widget)](TestWindow& self)
                                {
                                    PropertyInput::PushScope("Row");
                                    self.FocusHere();
                                    changes += widget() ? 1 : 0;
                                    PropertyInput::PopScope();
                                }))
    {
        app.Frame();
    }

    // Focuses the input, which selects its text, and types the keys (ToolsApplication::TypeKeys); the
    // number of frames that reported a change.
    uint32_t Enter(const std::string& keys)
    {
        changes = 0;
        window.focusNext = true;
        app.Frame();
        app.Frame();
        app.TypeKeys(keys);
        return changes;
    }

    ToolsApplication app;
    TestWindow& window;
    uint32_t changes = 0;
};

// A number row over a field of its own type: what typing a text into it leaves in the field, which the row
// reports as a change when it differs from what was there.
struct NumberRow
{
    std::string name;
    std::function<double(double, const std::string&)> type;
};

template <class T> NumberRow Row(bool (*widget)(Lumvek::StringView, T*), std::string name)
{
    return {name, [=](double before, const std::string& text)
            {
                T value = T(before);
                WidgetRow row([&] { return widget(name, &value); });
                const bool changed = row.Enter(text + "\n") > 0;
                EXPECT_EQ(changed, value != T(before)) << text;
                return double(value);
            }};
}

TEST(PropertyInput, TypedNumbersReadAsFilesDoOrAreRefusedWithALine)
{
    using namespace PropertyInput;
    const NumberRow lifetime = Row(&Float, "Lifetime"), count = Row(&Int, "Count"), clip = Row(&Count, "Clip Size"),
                    order = Row(&OptionalIndex, "Left Order"), reload = Row(&FramesAsSeconds, "Reload Time"),
                    rate = Row(&FramesAsRate, "Auto Rate"), angle = Row(&Angle, "Angle");
    const std::string seventy(70, '1');
    struct Case
    {
        const NumberRow& row;
        double before;
        std::string typed;
        double after;
        const char* refusal; // what the line says after the text, when the text is refused
    };
    const Case cases[] = {
        {lifetime, 1, "2E3", 2000, nullptr},
        {lifetime, 1, "1e-5", double(1e-5f), nullptr},
        {lifetime, 1, "1e400", 1, "a number beyond a double"},
        {lifetime, 1, seventy, 1, "a whole number beyond 64 bits"},
        {lifetime, 1, "fast", 1, "not a number"},
        {count, 5, "-010", -10, nullptr},
        {clip, 5, "2E3", 5, "a whole number was expected"},
        {clip, 5, "1e-5", 5, "a whole number was expected"},
        {clip, 5, "-010", 5, "below 0"},
        {clip, 5, seventy, 5, "a whole number beyond 64 bits"},
        {clip, 5, "99999999999", 5, "above 4294967295"},
        {clip, 5, "12abc", 5, "a number in decimal digits was expected"},
        {order, 3, "-1", Lumvek::InvalidId, nullptr},
        {order, 3, "-7", 3, "below -1"},
        {order, Lumvek::InvalidId, "2", 2, nullptr},
        {reload, 30, "0.51", 31, nullptr},
        {reload, 30, "-2", 30, "below 0"},
        {reload, 30, "99999999999", 30, "beyond the longest duration"},
        {reload, 30, "1000000", 60000000, nullptr}, // the nearest tick, not the float's 59999997
        {reload, 30, "71582788.26", 30, "beyond the longest duration"},
        {rate, 60, "2", 30, nullptr},
        {rate, 60, "0", 60, "not above 0"},
        {rate, 60, "1e-30", 60, "its period is beyond the longest duration"},
        {rate, 60, "1000", 1, nullptr}, // faster than a tick
        // Degrees, stored in radians within one turn.
        {angle, 1, "360", 0, nullptr},
        {angle, 1, "350", 6.1086526f, nullptr},
        {angle, 1, "-10", 6.1086526f, nullptr},
        {angle, 1, "90", 1.5707964f, nullptr},
        {angle, 1, "370", 0.17453292f, nullptr},
    };
    for (const Case& c : cases)
    {
        Lumvek::Testing::LogCapture log;
        // Near enough for a float's last bit, not for a tick or a tiny exponent.
        EXPECT_NEAR(c.row.type(c.before, c.typed), c.after, 2e-6) << c.row.name << " " << c.typed;
        std::vector<std::string> refusal;
        if (c.refusal)
            refusal.push_back(c.row.name + ": \"" + c.typed + "\" was not taken: " + c.refusal);
        EXPECT_EQ(log.StartingWith(c.row.name + ": "), refusal) << c.typed;
    }
}

// Counts over the whole range, the longest among them: a duration row's text reads back as its count
// and a step moves it six ticks; a rate's text reads back, and each step changes it.
TEST(PropertyInput, DurationTextsReadBackAsTheirCountAndStepByWholeTicks)
{
    using namespace PropertyInput;
    for (uint64_t wide = 0; wide <= UINT32_MAX; wide += wide < 5000 || wide > UINT32_MAX - 5000 ? 1 : 65521)
    {
        const auto count = uint32_t(wide);
        uint32_t seconds = 0, period = 0;
        ASSERT_TRUE(ReadSeconds(SecondsText(count), seconds).empty() && seconds == count) << SecondsText(count);
        ASSERT_EQ(StepSeconds(count, true, false) - count, std::min(UINT32_MAX - count, 6u)) << count;
        ASSERT_EQ(count - StepSeconds(count, false, false), std::min(count, 6u)) << count;
        ASSERT_TRUE(count == 0 || (ReadRate(RateText(count), period).empty() && period == count)) << RateText(count);
        ASSERT_TRUE(count < 2 || count > 600 ||
                    (RateText(StepRate(count, true, false)) != RateText(count) &&
                     RateText(StepRate(count, false, false)) != RateText(count)));
    }
    EXPECT_EQ(SecondsText(60000006), "1000000.100");
    EXPECT_EQ(SecondsText(UINT32_MAX), "71582788.250");
    EXPECT_EQ(RateText(7000), "0.008571"); // 0.009 would read as 6667 ticks
}

// A duration row's "-" and "+" step whole ticks; a rate row's change the period at 10 Hz and 30 Hz.
TEST(PropertyInput, DurationRowButtonsStepWholeTicks)
{
    using namespace PropertyInput;
    using Case = std::tuple<bool (*)(Lumvek::StringView, uint32_t*), uint32_t, const char*, uint32_t>;
    for (const auto& [widget, before, button, after] :
         {Case{FramesAsSeconds, 60000006, "-", 60000000}, Case{FramesAsSeconds, 60000006, "+", 60000012},
          Case{FramesAsSeconds, UINT32_MAX, "-", UINT32_MAX - 6}, Case{FramesAsRate, 6, "+", 5},
          Case{FramesAsRate, 6, "-", 7}, Case{FramesAsRate, 2, "+", 1}, Case{FramesAsRate, 2, "-", 3}})
    {
        uint32_t ticks = before;
        WidgetRow row([&, widget = widget] { return widget(Lumvek::StringView("Duration"), &ticks); });
        ASSERT_TRUE(row.app.ClickItem("Row", WidgetId("Row", {"Window", "Row", 0, "##Input", button})));
        EXPECT_EQ(ticks, after) << before << button;
    }
}

// The value a row holds once the keys are typed into it (ToolsApplication::TypeKeys); a row whose
// value stayed reported no change.
template <class T> T Typed(T value, const std::string& keys, bool (*widget)(Lumvek::StringView, T*), int offset = 0)
{
    const T before = value;
    WidgetRow row([&] { return widget(Lumvek::StringView("Tint"), &value); });
    row.window.focusOffset = offset;
    row.Enter(keys);
    EXPECT_EQ(row.changes > 0, !(value == before)) << keys;
    return value;
}

TEST(PropertyInput, ARowTakesTheTextItShowsWhenLeftAndNothingOnEscape)
{
    using namespace PropertyInput;
    EXPECT_EQ(Typed(1.0f, "1.005\b\n", Float), 1.0f);
    EXPECT_EQ(Typed(2.125f, "2.12\n", Float), 2.12f); // a keystroke, so the text shown is taken
    EXPECT_EQ(Typed(2.125f, "\n", Float), 2.125f);
    EXPECT_EQ(Typed(7, "9\x1b", Int), 7);
    EXPECT_EQ(Typed(20, "205\b\n", Int), 20);
    // Colour channels (past the swatch) read as counts do: "+5" is 5, not 5 more; Tab takes it.
    const Lumvek::Color tint{10, 20, 30, 40};
    Lumvek::Testing::LogCapture log;
    for (const char* refused : {"2E3\n", "256\n", "0x10\n"})
        EXPECT_EQ(Typed(tint, refused, Color, 1), tint);
    EXPECT_EQ(Typed(tint, "+5\t7\n", Color, 1), (Lumvek::Color{5, 7, 30, 40}));
    EXPECT_EQ(
        log.StartingWith("Tint (red)"),
        (std::vector<std::string>{"Tint (red): \"2E3\" was not taken: a whole number was expected",
                                  "Tint (red): \"256\" was not taken: above 255",
                                  "Tint (red): \"0x10\" was not taken: a number in decimal digits was expected"}));
}

// A field typed into, left each way a maker leaves it, between rows of its own label and below a window, in a
// section, header and tab: the value is the text it shows (a quit drops a number's), or on Escape what it was,
// and no other row changes, also where a press acts at once. Drawing keeps a colour's bytes.
TEST(PropertyInput, AFieldLeftAnyWayHandsOverTheTextItShowsAndEscapeKeepsTheValue)
{
    std::optional<ToolsApplication> program(std::in_place);
    ToolsApplication& app = *program;
    float timescale, above, below, bottom;
    uint32_t clipSize, reload, autoRate;
    Lumvek::Color tint;
    Lumvek::Vector2 size;
    std::string name, odd;
    FlagData item;
    DataInspector header(&item);
    const std::string longName = std::string(197, 'n') + "abc";
    // A two-byte character at bytes 510 and 511, past what a fixed buffer of 512 held.
    const std::string longDescription = std::string(510, 'd') + "\xc3\xa9" + std::string(88, 'e');
    // A character past U+FFFF and a byte that is not UTF-8, which the input would replace.
    const std::string oddName = "Rifle\xF0\x9F\x98\x80\xFF";
    const auto text = [](auto number) { return std::to_string(number); };
    const auto last = [] { return ImRect(ImGui::GetItemRectMin(), ImGui::GetItemRectMax()); };
    struct Kind
    {
        const char* name;
        // Draws the row; the field typed into is the last item drawn, or a channel or component of it.
        std::function<void(ImRect& typed, ImRect& before)> draw;
        bool atEnd; // a text row: the keys go after its text
        std::string keys;
        std::function<std::string()> value;
        std::string typed, kept;
    };
    const Kind kinds[] = {
        {"float", [&](ImRect& typed, ImRect&) { PropertyInput::Float("Bottom", &bottom), typed = last(); }, false,
         "0.3", [&] { return text(bottom); }, text(0.3f), text(0.2f)},
        {"count", [&](ImRect& typed, ImRect&) { PropertyInput::Count("Clip Size", &clipSize), typed = last(); }, false,
         "31", [&] { return text(clipSize); }, "31", "30"},
        {"colour channel",
         [&](ImRect& typed, ImRect& before)
         {
             // Blue, and red two channels to its left.
             PropertyInput::Color("Tint", &tint);
             const float channel = last().GetWidth() + ImGui::GetStyle().ItemInnerSpacing.x;
             typed = before = last();
             typed.Translate(ImVec2(-channel, 0.0f));
             before.Translate(ImVec2(-3.0f * channel, 0.0f));
         },
         false, "20", [&] { return text(tint.r) + " " + text(tint.b) + " " + text(tint.a); }, "10 20 255",
         "10 128 255"},
        {"vector",
         [&](ImRect& typed, ImRect& before)
         {
             // y, and x above it.
             PropertyInput::Vector2("Size", &size);
             typed = before = last();
             before.Translate(ImVec2(0.0f, -(last().GetHeight() + ImGui::GetStyle().ItemSpacing.y)));
         },
         false, "0.45", [&] { return text(size.x) + " " + text(size.y); }, text(0.4f) + " " + text(0.45f),
         text(0.4f) + " " + text(0.5f)},
        {"duration", [&](ImRect& typed, ImRect&) { PropertyInput::FramesAsSeconds("Reload", &reload), typed = last(); },
         false, "0.5", [&] { return text(reload); }, "30", "60"},
        {"rate", [&](ImRect& typed, ImRect&) { PropertyInput::FramesAsRate("Auto Rate", &autoRate), typed = last(); },
         false, "20", [&] { return text(autoRate); }, "3", "6"},
        // A long text loses only the byte taken.
        {"text", [&](ImRect& typed, ImRect&) { PropertyInput::Text("Display Name", &name), typed = last(); }, true,
         "\b", [&] { return name; }, longName.substr(0, 199), longName},
        {"description", [&](ImRect& typed, ImRect&) { header.DrawHeader(), typed = last(); }, true, "\b",
         [&] { return item.description; }, longDescription.substr(0, 599), longDescription},
        // Shown, not edited.
        {"text the input cannot hold",
         [&](ImRect& typed, ImRect&) { PropertyInput::Text("Name", &odd), typed = last(); }, true, "\bX",
         [&] { return odd; }, oddName, oddName},
    };

    size_t kind = 0;
    uint32_t shape = 0;
    bool reopen = true;
    ImRect otherField, belowField, typedField, beforeField, combo, tab, section, arrow, later, closeBox;
    const auto rows = [&](TestWindow&)
    {
        // Above the rows, open: a combo, a tab bar, a tree node and a header; below them a closed node.
        const int select = std::exchange(reopen, false) ? ImGuiTabItemFlags_SetSelected : 0;
        const ImGuiCond cond = select ? ImGuiCond_Always : ImGuiCond_Once;
        const auto item = [&](bool open, ImRect& rect) { return rect = last(), open; };
        const ImRect bar = ImGui::GetCurrentWindow()->TitleBarRect();
        closeBox = ImRect(bar.Max.x - ImGui::GetFontSize() / 2.0f - 10.0f, bar.Min.y, bar.Max.x, bar.Max.y);
        item(PropertyInput::Combo("Shape", &shape, {"Box", "Circle"}), combo);
        ImGui::BeginTabBar("Tabs");
        const bool shown = ImGui::BeginTabItem("Rows", nullptr, select);
        if (shown)
            ImGui::EndTabItem();
        if (item(ImGui::BeginTabItem("Other"), tab))
            ImGui::EndTabItem();
        ImGui::EndTabBar();
        if (!shown)
            return;
        ImGui::SetNextItemOpen(true, cond);
        if (!item(ImGui::TreeNode("Section"), section))
            return;
        ImGui::SetNextItemOpen(true, cond);
        if (item(ImGui::CollapsingHeader("Header"), arrow))
        {
            PropertyInput::Float("Bottom", &above);
            beforeField = last();
            kinds[kind].draw(typedField, beforeField);
            PropertyInput::Float("Bottom", &below);
            belowField = last();
        }
        ImGui::TreePop();
        if (item(ImGui::TreeNode("Later"), later))
            ImGui::TreePop();
    };
    const auto start = [&]
    {
        program.emplace();
        app.MoveMouse(20.0f, 20.0f);
        OpenTestWindow(*app.tools, "Other",
                       [&](TestWindow&) { PropertyInput::Float("Timescale", &timescale), otherField = last(); });
        app.MoveMouse(600.0f, 20.0f), app.Frame();
        OpenTestWindow(*app.tools, "Rows", rows);
    };
    const auto click = [&](const ImRect& field)
    {
        app.MoveMouse(field.Min.x + 6.0f, field.GetCenter().y);
        app.Frame();
        app.Click();
    };
    const ImRect ground(1800.0f, 1000.0f, 1810.0f, 1010.0f);
    for (kind = 0; kind < std::size(kinds); ++kind)
        for (const std::string way :
             {"Return", "Tab", "Shift+Tab", "Escape", "a click before", "a click below", "a click in the other window",
              "a click on the ground", "the arrow of the section above", "the arrow of a node below, which opens",
              "the arrow of the header", "a tab of the tab bar", "the combo, opened", "the program asked to quit",
              "the window's close box"})
        {
            const Kind& row = kinds[kind];
            timescale = 1.0f, above = 2.0f, below = 3.0f, bottom = 0.2f;
            clipSize = 30, reload = 60, autoRate = 6;
            tint = {10, 20, 128, 255}, size = {0.4f, 0.5f};
            name = longName, item.description = longDescription, odd = oddName;
            if (way == "Return")
                start();
            reopen = true;
            app.Frame();
            app.Frame();
            click(typedField);
            if (row.atEnd)
                app.PressKey(Lumvek::Key::End);
            app.TypeKeys(row.keys);
            app.keyboard->current.held[Lumvek::Key::LeftShift] = way == "Shift+Tab";
            way == "Return"           ? app.TypeKeys("\n")
            : way.ends_with("Tab")    ? app.TypeKeys("\t")
            : way == "Escape"         ? app.TypeKeys("\x1b")
            : way.ends_with("before") ? click(beforeField)
            : way.ends_with("below")  ? click(belowField)
            : way.ends_with("window") ? click(otherField)
            : way.ends_with("above")  ? click(section)
            : way.ends_with("opens")  ? click(later)
            : way.ends_with("header") ? click(arrow)
            : way.ends_with("bar")    ? click(tab)
            : way.ends_with("box")    ? click(closeBox)
            : way.ends_with("opened") ? click(combo)
            : way.ends_with("quit")   ? start()
                                      : click(ground);
            app.keyboard->current.held[Lumvek::Key::LeftShift] = 0;
            app.Frame();
            app.Frame();
            // A description takes Return as a new line and stays in the field.
            const bool newLine = std::string(row.name) == "description" && way == "Return";
            const bool kept = way == "Escape" || (way.ends_with("quit") && !row.atEnd);
            EXPECT_EQ(row.value(), kept ? row.kept : row.typed + (newLine ? "\n" : ""))
                << row.name << ", left by " << way;
            EXPECT_EQ(timescale + above + below, 6.0f) << row.name << ", left by " << way;
            click(ground);
        }
}

// A click down and up within one frame, as at a low frame rate, acts once, also just after a number
// typed, which it hands over first.
TEST(PropertyInput, AClickDownAndUpWithinOneFrameActsOnce)
{
    float value = 0.2f;
    std::vector<float> saves;
    ImVec2 save;
    WidgetRow row(
        [&]
        {
            PropertyInput::Float("Bottom", &value);
            if (ImGui::Button("Save"))
                saves.push_back(value);
            return save = ImGui::GetItemRectMin(), false;
        });
    Lumvek::MouseState& mouse = row.app.mouse->current;
    row.Enter("0.3");
    row.app.MoveMouse(save.x + 4.0f, save.y + 4.0f), row.app.Frame();
    mouse.pressed[Lumvek::MouseButton::Left] = mouse.released[Lumvek::MouseButton::Left] = 1, row.app.Frame();
    mouse.pressed.Clear(), mouse.released.Clear(), row.app.Frame(), row.app.Frame();
    EXPECT_EQ(saves, std::vector<float>{0.3f});
}

// Taps quicker than the frames each act once: one a frame, a held button let go and pressed again, a tap
// before a press held, a key like a button, and taps counted between two frames.
TEST(PropertyInput, EveryTapBetweenFramesActsOnce)
{
    using Frames = std::vector<std::tuple<uint8_t, uint8_t, uint8_t>>; // pressed, released, held
    const std::tuple<bool, Frames, uint32_t> cases[] = {{false, {{1, 1, 0}, {1, 1, 0}, {1, 1, 0}}, 3},
                                                        {false, {{1, 0, 1}, {1, 1, 1}, {0, 1, 0}}, 2},
                                                        {false, {{1, 1, 0}, {1, 0, 1}, {0, 0, 1}, {0, 1, 0}}, 2},
                                                        {true, {{1, 1, 0}, {1, 1, 0}}, 2},
                                                        {false, {{2, 2, 0}, {1, 1, 0}}, 3}};
    for (const auto& [key, frames, expected] : cases)
    {
        uint32_t acts = 0;
        ImVec2 button;
        WidgetRow row(
            [&]
            {
                acts += ImGui::Button("Act") || ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Backspace), false);
                return button = ImGui::GetItemRectMin(), false;
            });
        row.app.MoveMouse(button.x + 4.0f, button.y + 4.0f), row.app.Frame();
        Lumvek::KeyboardState& keys = row.app.keyboard->current;
        Lumvek::MouseState& mouse = row.app.mouse->current;
        using Lumvek::Key, Lumvek::MouseButton;
        for (const auto& frame : frames)
        {
            if (key)
                std::tie(keys.pressed[Key::Backspace], keys.released[Key::Backspace], keys.held[Key::Backspace]) =
                    frame;
            else
                std::tie(mouse.pressed[MouseButton::Left], mouse.released[MouseButton::Left],
                         mouse.held[MouseButton::Left]) = frame;
            row.app.Frame();
            keys.pressed.Clear(), keys.released.Clear(), mouse.pressed.Clear(), mouse.released.Clear();
        }
        for (int frame = 0; frame < 8; ++frame)
            row.app.Frame();
        EXPECT_EQ(acts, expected) << frames.size();
    }
}

// In an editor's window, which keeps its size, a row ends at the right edge, a number row's "+" included.
TEST(PropertyInput, ARowInAWindowOfSetSizeEndsAtItsRightEdge)
{
    float number = 0.5f, end = 0.0f, edge = 0.0f;
    WidgetRow row(
        [&]
        {
            ImGui::BeginChild("Editor", ImVec2(250.0f, 200.0f));
            PropertyInput::PushLabelWidth(160.0f);
            PropertyInput::Float("TileSize", &number);
            end = ImGui::GetItemRectMax().x;
            edge = ImGui::GetWindowPos().x + ImGui::GetWindowContentRegionMax().x;
            PropertyInput::PopLabelWidth();
            ImGui::EndChild();
            return false;
        });
    EXPECT_LE(end, edge);
}

// Ctrl+V puts in nothing typing could not, with typing's line, once for each character however often it
// is pasted; one line keeps pasted words apart, and several lines turn a tab into a space. A character past
// U+FFFF typed is refused with that line too, and the rest of the text kept. Keys and characters that come
// within one slow frame reach the field in their order, each press with the modifiers that stood when it
// was made.
TEST(PropertyInput, APasteIsTakenAsTypedTextIsAndKeysWithinAFrameActInTheirOrder)
{
    using Lumvek::Key;
    std::string thousand;
    for (int i = 0; i < 1000; ++i)
        thousand += "\xF0\x9F\x98\x80";
    const struct
    {
        float height;               // above 0: several lines
        const char *pasted, *value; // typed instead when none is pasted or keyed: A, U+1F600, b
        size_t lines;
        // Pairs within one frame: "+" a key down, "-" up ("^" Ctrl, "<" Backspace, else a letter); "'" a
        // character typed.
        std::string keyed = "";
    } cases[] = {{0.0f, nullptr, "RifleAb", 1},
                 {60.0f, thousand.c_str(), "Rifle", 1},
                 {60.0f, "two\tlines", "Rifletwo lines", 0},
                 {0.0f, "Zq\xF0\x9F\x98\x80\xFFw", "RifleZqw", 1},
                 {0.0f, "\ntwo\r\nlines\tapart \n", "Rifletwo lines apart ", 0},
                 {60.0f, "\ntwo\r\nlines", "Rifle\ntwo\nlines", 0},
                 {0.0f, nullptr, "Z", 0, "+^+A-A-^+Z'Z-Z"},
                 {0.0f, nullptr, "Riflea", 0, "+^-^+A'a-A"},
                 {0.0f, nullptr, "Rifleb", 0, "+A'a-A+<+B'b-<-B"},
                 {0.0f, nullptr, "Rifl", 0, "+<+^-<-^"},
                 {0.0f, nullptr, "Rifleb", 0, "'b+^+A-A-^"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.value + c.keyed);
        std::string name = "Rifle";
        WidgetRow row([&] { return PropertyInput::TextInput("##Name", "Display Name", &name, c.height); });
        Lumvek::Testing::LogCapture log;
        Lumvek::TextRing text;
        row.app.tools->typedText = &text;
        row.Enter("");
        row.app.PressKey(Key::End);
        Lumvek::KeyboardState& keys = row.app.keyboard->current;
        if (c.pasted)
        {
            ImGui::SetClipboardText(c.pasted);
            keys.held[Key::LeftControl] = 1;
            row.app.PressKey(Key::V);
            keys.held[Key::LeftControl] = 0;
        }
        else if (c.keyed.empty())
            for (const uint32_t character : {0x41u, 0x1F600u, 0x62u})
                PropertyInput::TypeCharacter(character), row.app.Frame();
        keys.ordered = !c.keyed.empty();
        uint32_t place = 0;
        for (size_t at = 0; at + 1 < c.keyed.size(); at += 2)
        {
            const char what = c.keyed[at], which = c.keyed[at + 1];
            if (what == '\'')
            {
                text.Push({static_cast<uint32_t>(which), place});
                continue;
            }
            const Key key = which == '^' ? Key::LeftControl : which == '<' ? Key::Backspace : Key(which - 'A');
            const bool down = what == '+';
            keys.steps[keys.stepCount++] = {key, down, place++};
            keys.held[key] = down;
            ++(down ? keys.pressed : keys.released)[key];
        }
        row.app.Frame();
        keys.stepCount = 0, keys.pressed.Clear(), keys.released.Clear();
        for (int frame = 0; frame < 8; ++frame)
            row.app.Frame();
        EXPECT_EQ(name, c.value);
        EXPECT_EQ(log.messages.size(), c.lines);
        const std::string times = c.pasted == thousand.c_str() ? " (1000 times)" : "";
        EXPECT_EQ(
            log.Logged("Display Name: U+1F600 was not typed" + times + ": the tools hold no character past U+FFFF"),
            c.lines == 1);
    }
}

TEST(PropertyInput, RangedValueBringsATypedValueOutsideItsRangeToTheEndWithALine)
{
    float value = 0.25f;
    WidgetRow row([&] { return PropertyInput::RangedValue(&value, 0.0f, 0.5f); });
    Lumvek::Testing::LogCapture log;
    row.Enter("0.7\n");
    EXPECT_EQ(value, 0.5f);
    EXPECT_TRUE(log.Logged("Value: \"0.7\" is above 0.5: 0.5 was taken"));
    row.Enter("4e-1\n");
    EXPECT_EQ(value, 0.4f);
}

// The vertices of the picker that a colour row's swatch opens; an alpha bar adds its checkerboard.
float PickerVertices(const std::function<void()>& row)
{
    ToolsApplication app;
    bool open = true;
    OpenTestWindow(*app.tools, "Colours",
                   [&](TestWindow&)
                   {
                       PropertyInput::PushScope("Panel");
                       if (open)
                       {
                           // What a click on the row's swatch does.
                           ImGui::PushID(0);
                           ImGui::PushID("##Picker");
                           ImGui::OpenPopup("picker");
                           ImGui::PopID();
                           ImGui::PopID();
                           open = false;
                       }
                       row();
                       PropertyInput::PopScope();
                   });
    for (int i = 0; i < 4; ++i)
        app.Frame();
    const ImGuiContext& context = *ImGui::GetCurrentContext();
    if (context.OpenPopupStack.empty() || !context.OpenPopupStack.back().Window)
        return 0.0f;
    return float(context.OpenPopupStack.back().Window->DrawList->VtxBuffer.Size);
}

TEST(PropertyInput, TheColourPickerShowsAnAlphaBar)
{
    Lumvek::Color color{10, 20, 30, 40};
    const float withRow = PickerVertices([&] { PropertyInput::Color("Tint", &color); });
    float plain[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    // The same picker, without the bar.
    const float withoutBar = PickerVertices(
        [&]
        {
            PropertyInput::FreshId();
            ImGui::PushID("##Picker");
            if (ImGui::BeginPopup("picker"))
            {
                ImGui::ColorPicker4("##picker", plain, ImGuiColorEditFlags_NoInputs | ImGuiColorEditFlags_NoLabel);
                ImGui::EndPopup();
            }
            ImGui::PopID();
            ImGui::PopID();
        });
    ASSERT_GT(withoutBar, 0.0f);
    EXPECT_GT(withRow, withoutBar);
}

} // namespace
