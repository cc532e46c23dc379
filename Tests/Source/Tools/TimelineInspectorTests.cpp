// The curve windows driven with the test application's mouse and keyboard: keys added, dragged and
// removed on the canvas, and typed in the frame editor.

#include "Source/Tools/Inspectors/TimelineInspectors.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Tools/ToolsTesting.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{

using Lumvek::Effects::Timeline;

struct Canvas
{
    ToolsTesting::ToolsApplication app;

    // Opens the window at a fixed place, clear of the editor list, and draws it once.
    template <class T> T& Open(std::unique_ptr<T> window)
    {
        T& opened = *window;
        app.tools->OpenWindow("Curve", std::move(window));
        opened.x = 600.0f;
        opened.y = 300.0f;
        app.Frame();
        app.Frame();
        return opened;
    }

    void Press(Lumvek::MouseButton button, Lumvek::Vector2 at)
    {
        app.MoveMouse(at.x, at.y);
        app.mouse->current.pressed[button] = 1;
        app.mouse->current.held[button] = 1;
        app.Frame();
        app.mouse->current.pressed.Clear();
    }
    void Release(Lumvek::MouseButton button)
    {
        app.mouse->current.held.Clear();
        app.mouse->current.released[button] = 1;
        app.Frame();
        app.mouse->current.released.Clear();
        app.Frame();
    }
    void Click(Lumvek::MouseButton button, Lumvek::Vector2 at)
    {
        Press(button, at);
        Release(button);
    }
    void Drag(Lumvek::Vector2 to)
    {
        app.MoveMouse(to.x, to.y);
        app.Frame();
    }
};

TEST(TimelineInspector, KeysAreAddedInTimeOrderFollowTheMouseAndTheFirstKeepsTimeZero)
{
    Canvas c;
    Timeline<float> curve = {{0.0f, -1.0f}, {0.9f, 1.0f}};
    auto& window = c.Open(std::make_unique<FloatTimelineInspector>(curve, -1.0f, 1.0f, nullptr, nullptr));
    const float pixel = 2.0f / window.height;

    // A press on empty canvas adds a key where the mouse is, sorted in at once, and drags it.
    c.Press(Lumvek::MouseButton::Left, window.KeyPoint(0.5f, 0.5f));
    ASSERT_EQ(curve.size(), 3u);
    EXPECT_EQ(window.dragged, 1u);
    EXPECT_NEAR(curve[1].time, 0.5f, pixel);
    EXPECT_NEAR(curve[1].value, 0.5f, pixel);
    // Past the last key while held: it sorts behind it and stays the dragged one.
    for (const float time : {0.25f, 1.0f})
    {
        c.Drag(window.KeyPoint(time, -0.5f));
        const uint32_t at = time < 1.0f ? 1u : 2u;
        EXPECT_EQ(window.dragged, at) << time;
        EXPECT_NEAR(curve[at].time, time, pixel) << time;
        EXPECT_NEAR(curve[at].value, -0.5f, pixel) << time;
        EXPECT_EQ(curve[0].time, 0.0f);
    }
    c.Release(Lumvek::MouseButton::Left);
    EXPECT_EQ(window.dragged, TimelineInspector::None);

    // The first key survives a right click; another goes.
    c.Click(Lumvek::MouseButton::Right, window.KeyPoint(0.0f, -1.0f));
    ASSERT_EQ(curve.size(), 3u);
    c.Click(Lumvek::MouseButton::Right, window.KeyPoint(curve[1].time, curve[1].value));
    ASSERT_EQ(curve.size(), 2u);

    // A plain click a pixel or two off a key, as a hand makes it, leaves the key where it is.
    const Lumvek::Vector2 key = {curve[1].time, curve[1].value}, near = window.KeyPoint(key.x, key.y);
    c.Click(Lumvek::MouseButton::Left, {near.x + 2.0f, near.y - 2.0f});
    EXPECT_TRUE(curve.size() == 2 && curve[1].time == key.x && curve[1].value == key.y);

    // Dragged, the first key takes the value only.
    c.Press(Lumvek::MouseButton::Left, window.KeyPoint(0.0f, -1.0f));
    c.Drag(window.KeyPoint(0.6f, 0.8f));
    c.Release(Lumvek::MouseButton::Left);
    EXPECT_EQ(curve[0].time, 0.0f);
    EXPECT_NEAR(curve[0].value, 0.8f, pixel);
    EXPECT_EQ(curve.size(), 2u);
}

// Opens the frame editor of a key with a double click, then types into its first input: the value
// for the first key, which shows no time, and the time for the others.
template <class V, class W>
void TypeInto(Canvas& c, W& window, Timeline<V>& curve, uint32_t key, const std::string& text)
{
    const Lumvek::Vector2 at = window.KeyPoint(curve[key].time, float(curve[key].value));
    c.Click(Lumvek::MouseButton::Left, at);
    c.Press(Lumvek::MouseButton::Left, at);
    EXPECT_EQ(window.edited, key);
    c.Release(Lumvek::MouseButton::Left);
    c.app.PressKey(Lumvek::Key::Tab);
    c.app.Type(text);
}

TEST(TimelineInspector, TypedValuesAndTimesStayWithinTheCanvas)
{
    {
        Canvas c;
        Timeline<uint8_t> curve = {{0.0f, 10}, {1.0f, 20}};
        auto& window = c.Open(std::make_unique<ByteTimelineInspector>(curve, nullptr, nullptr));
        Lumvek::Testing::LogCapture log;
        TypeInto(c, window, curve, 0, "300");
        EXPECT_EQ(curve[0].value, 255);
        EXPECT_TRUE(log.Logged("Value: \"300\" is above 255: 255 was taken"));
    }
    struct Case
    {
        const char* text;
        float stored;
    };
    // A text that is not wholly a number leaves the key as it was.
    for (const Case& typed : {Case{"500", 180.0f}, Case{"-500", -180.0f}, Case{"0x10", 10.0f}})
    {
        Canvas c;
        Timeline<float> curve = {{0.0f, 10.0f}, {1.0f, 20.0f}};
        auto& window = c.Open(std::make_unique<FloatTimelineInspector>(curve, -180.0f, 180.0f, nullptr, nullptr));
        TypeInto(c, window, curve, 0, typed.text);
        EXPECT_EQ(curve[0].value, typed.stored) << typed.text;
    }
    // A time past the end is kept at the end, and the editor follows its key there.
    Canvas c;
    Timeline<float> curve = {{0.0f, 10.0f}, {0.5f, 20.0f}, {0.9f, 30.0f}};
    auto& window = c.Open(std::make_unique<FloatTimelineInspector>(curve, -180.0f, 180.0f, nullptr, nullptr));
    TypeInto(c, window, curve, 1, "5e0");
    EXPECT_EQ(curve[2].time, 1.0f);
    EXPECT_EQ(curve[2].value, 20.0f);
    EXPECT_EQ(window.edited, 2u);
}

} // namespace
