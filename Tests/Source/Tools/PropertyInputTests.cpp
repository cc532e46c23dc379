#include "Source/Tools/PropertyInput.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Tools/ToolsTesting.h"

#include <gtest/gtest.h>

#include <imgui_internal.h>

#include <numbers>

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

    // Focuses the input, which selects its text, types and presses Enter; the number of frames that
    // reported a change.
    uint32_t Enter(const std::string& text)
    {
        changes = 0;
        window.focusNext = true;
        app.Frame();
        app.Frame();
        app.Type(text);
        return changes;
    }

    ToolsApplication app;
    TestWindow& window;
    uint32_t changes = 0;
};

TEST(PropertyInput, RowsWithTheSameLabelEditTheirOwnValues)
{
    float first = 1.0f;
    float second = 2.0f;
    ToolsApplication app;
    bool focusSecond = false;
    OpenTestWindow(*app.tools, "Widths",
                   [&](TestWindow&)
                   {
                       PropertyInput::PushScope("Panel");
                       PropertyInput::Float("Width", &first);
                       if (focusSecond)
                           ImGui::SetKeyboardFocusHere();
                       focusSecond = false;
                       PropertyInput::Float("Width", &second);
                       PropertyInput::PopScope();
                   });
    app.Frame();
    focusSecond = true;
    app.Frame();
    app.Frame();
    app.Type("7.5");
    EXPECT_EQ(first, 1.0f);
    EXPECT_FLOAT_EQ(second, 7.5f);
}

TEST(PropertyInput, AnglesAreEnteredInDegreesAndStoredWithinOneTurn)
{
    struct Case
    {
        const char* typed;
        float stored;
    };
    const Case cases[] = {
        {"360", 0.0f}, {"350", 6.1086526f}, {"-10", 6.1086526f}, {"90", 1.5707964f}, {"370", 0.17453292f}};
    for (const Case& c : cases)
    {
        float angle = 1.0f;
        WidgetRow row([&] { return PropertyInput::Angle("Angle", &angle); });
        EXPECT_GT(row.Enter(c.typed), 0u) << c.typed;
        EXPECT_NEAR(angle, c.stored, 1e-4f) << c.typed;
        EXPECT_GE(angle, 0.0f);
        EXPECT_LT(angle, 2.0f * std::numbers::pi_v<float>);
    }
}

// The number rows, each over a field of its own type, and what typing a text into one leaves there.
enum class Field
{
    Float,
    Int,
    Count,
    Index,
    Seconds,
    Rate
};

template <class T, class Widget> double TypeInto(T value, const std::string& text, Widget widget)
{
    WidgetRow row([&] { return widget(&value); });
    row.Enter(text);
    return double(value);
}

double TypeInto(Field field, double before, const std::string& text)
{
    using namespace PropertyInput;
    switch (field)
    {
    case Field::Float:
        return TypeInto(float(before), text, [](float* value) { return Float("Lifetime", value); });
    case Field::Int:
        return TypeInto(int32_t(before), text, [](int32_t* value) { return Int("Count", value); });
    case Field::Count:
        return TypeInto(uint32_t(before), text, [](uint32_t* value) { return Count("Clip Size", value); });
    case Field::Index:
        return TypeInto(uint32_t(before), text, [](uint32_t* value) { return OptionalIndex("Left Order", value); });
    case Field::Seconds:
        return TypeInto(uint32_t(before), text, [](uint32_t* ticks) { return FramesAsSeconds("Reload Time", ticks); });
    case Field::Rate:
        return TypeInto(uint32_t(before), text, [](uint32_t* ticks) { return FramesAsRate("Auto Rate", ticks); });
    }
    return before;
}

TEST(PropertyInput, TypedNumbersReadAsFilesDoOrAreRefusedWithALine)
{
    const std::string seventy(70, '1');
    struct Case
    {
        Field field;
        double before;
        std::string typed;
        double after;
        const char* refusal; // what the line says after the text, when the text is refused
    };
    const Case cases[] = {
        {Field::Float, 1, "2E3", 2000, nullptr},
        {Field::Float, 1, "1e-5", double(1e-5f), nullptr},
        {Field::Float, 1, "-010", -10, nullptr},
        {Field::Float, 1, "1e400", 1, "a number beyond a double"},
        {Field::Float, 1, seventy, 1, "a whole number beyond 64 bits"},
        {Field::Float, 1, "fast", 1, "not a number"},
        {Field::Float, 1, "12abc", 1, "a number in decimal digits was expected"},
        {Field::Int, 5, "-010", -10, nullptr},
        {Field::Int, 5, "2E3", 5, "a whole number was expected"},
        {Field::Count, 5, "12", 12, nullptr},
        {Field::Count, 5, "2E3", 5, "a whole number was expected"},
        {Field::Count, 5, "1e-5", 5, "a whole number was expected"},
        {Field::Count, 5, "-010", 5, "below 0"},
        {Field::Count, 5, "1e400", 5, "a number beyond a double"},
        {Field::Count, 5, seventy, 5, "a whole number beyond 64 bits"},
        {Field::Count, 5, "99999999999", 5, "above 4294967295"},
        {Field::Count, 5, "0x10", 5, "a number in decimal digits was expected"},
        {Field::Index, 3, "-1", Lumvek::InvalidId, nullptr},
        {Field::Index, 3, "-7", 3, "below -1"},
        {Field::Index, Lumvek::InvalidId, "2", 2, nullptr},
        {Field::Seconds, 30, "0.51", 31, nullptr},
        {Field::Seconds, 30, "2E0", 120, nullptr},
        {Field::Seconds, 30, "1e-5", 0, nullptr},
        {Field::Seconds, 30, "-2", 30, "below 0"},
        {Field::Seconds, 30, "99999999999", 30, "beyond the longest duration"},
        {Field::Seconds, 30, "1e400", 30, "a number beyond a double"},
        {Field::Rate, 60, "2", 30, nullptr},
        {Field::Rate, 60, "0", 60, "not above 0"},
        {Field::Rate, 60, "1000", 1, nullptr}, // faster than a tick
        {Field::Rate, 0, "60", 1, nullptr},
    };
    const char* names[] = {"Lifetime", "Count", "Clip Size", "Left Order", "Reload Time", "Auto Rate"};
    for (const Case& c : cases)
    {
        Lumvek::Testing::LogCapture log;
        EXPECT_EQ(TypeInto(c.field, c.before, c.typed), c.after) << c.typed;
        const std::string name = names[int(c.field)];
        const std::vector<std::string> lines = log.StartingWith(name + ": ");
        if (c.refusal)
            EXPECT_EQ(lines, std::vector<std::string>{name + ": \"" + c.typed + "\" was not taken: " + c.refusal});
        else
            EXPECT_TRUE(lines.empty()) << c.typed;
    }
    // What the rows show.
    EXPECT_FLOAT_EQ(30 * PropertyInput::TickSeconds, 0.5f);
    EXPECT_FLOAT_EQ(PropertyInput::TicksToRate(60), 1.0f);
    EXPECT_EQ(PropertyInput::TicksToRate(0), 0.0f);
}

TEST(PropertyInput, TextEditsKeepAtMost127Bytes)
{
    std::string text(200, 'x');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = char('a' + i % 26);
    const std::string original = text;
    WidgetRow row([&] { return PropertyInput::Text("Name", &text); });
    EXPECT_EQ(text, original); // shown, not yet edited
    row.changes = 0;
    row.window.focusNext = true;
    row.app.Frame();
    row.app.Frame();
    row.app.PressKey(Lumvek::Key::End);
    row.app.PressKey(Lumvek::Key::Backspace);
    EXPECT_GT(row.changes, 0u);
    EXPECT_EQ(text, original.substr(0, 126));
}

TEST(PropertyInput, RangedValueRefusesATypedValueOutsideItsRange)
{
    float value = 0.25f;
    ToolsApplication app;
    bool focus = false;
    OpenTestWindow(*app.tools, "Range",
                   [&](TestWindow&)
                   {
                       if (focus)
                           ImGui::SetKeyboardFocusHere();
                       focus = false;
                       PropertyInput::RangedValue(&value, 0.0f, 0.5f);
                   });
    app.Frame();
    focus = true;
    app.Frame();
    app.Frame();
    Lumvek::Testing::LogCapture log;
    app.Type("0.7");
    EXPECT_EQ(value, 0.25f);
    EXPECT_TRUE(log.Logged("Value: \"0.7\" was not taken: above 0.5"));
    focus = true;
    app.Frame();
    app.Frame();
    app.Type("4e-1");
    EXPECT_EQ(value, 0.4f);
}

TEST(PropertyInput, ColourBytesSurviveARoundTrip)
{
    Lumvek::Color color{255, 0, 128, 255};
    WidgetRow row([&] { return PropertyInput::Color("Tint", &color); });
    row.app.Frame();
    EXPECT_EQ(color, (Lumvek::Color{255, 0, 128, 255}));
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
    const float withoutBar = PickerVertices(
        [&]
        {
            PropertyInput::FreshId();
            ImGui::ColorEdit4("##Picker", plain, 0);
            ImGui::PopID();
        });
    ASSERT_GT(withoutBar, 0.0f);
    EXPECT_GT(withRow, withoutBar);
}

} // namespace
