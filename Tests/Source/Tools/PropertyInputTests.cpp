#include "Source/Tools/PropertyInput.h"
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

TEST(PropertyInput, DurationsAreEditedAsSecondsAndRatesInWholeTicks)
{
    struct Case
    {
        bool rate;
        uint32_t ticks;
        const char* typed;
        uint32_t stored;
    };
    const Case cases[] = {
        {false, 30, "0.51", 31}, {false, 30, "-2", 0}, {false, 30, "99999999999", 4294967295u},
        {true, 60, "2", 30},     {true, 60, "0", 60},  {true, 60, "-5", 60}, // a rate of 0 or less is refused
        {true, 60, "1000", 1},   {true, 0, "60", 1},
    };
    for (const Case& c : cases)
    {
        uint32_t ticks = c.ticks;
        WidgetRow row(
            [&] {
                return c.rate ? PropertyInput::FramesAsRate("Rate", &ticks)
                              : PropertyInput::FramesAsSeconds("Time", &ticks);
            });
        row.Enter(c.typed);
        EXPECT_EQ(ticks, c.stored) << c.typed;
    }
    // What the rows show.
    EXPECT_FLOAT_EQ(30 * PropertyInput::TickSeconds, 0.5f);
    EXPECT_FLOAT_EQ(PropertyInput::TicksToRate(60), 1.0f);
    EXPECT_EQ(PropertyInput::TicksToRate(0), 0.0f);
}

TEST(PropertyInput, CountsStayUnsignedAndUnsetIndicesStayReachable)
{
    struct Case
    {
        bool optional;
        uint32_t value;
        const char* typed;
        uint32_t stored;
    };
    const Case cases[] = {
        {false, 5, "-1", 0},
        {false, 5, "99999999999", 4294967295u},
        {false, 5, "12", 12},
        {true, 3, "-1", Lumvek::InvalidId},
        {true, 3, "-7", Lumvek::InvalidId},
        {true, Lumvek::InvalidId, "2", 2},
    };
    for (const Case& c : cases)
    {
        uint32_t value = c.value;
        WidgetRow row(
            [&]
            {
                return c.optional ? PropertyInput::OptionalIndex("Left Order", &value)
                                  : PropertyInput::Count("Clip Size", &value);
            });
        row.Enter(c.typed);
        EXPECT_EQ(value, c.stored) << c.typed;
    }
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

TEST(PropertyInput, RangedValueStepsWithItsRangeAndClamps)
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
    app.Type("0.7");
    EXPECT_EQ(value, 0.5f);
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
