#include "Tests/Engine/Runtime/Gui/GuiTesting.h"

#include <gtest/gtest.h>

#include <limits>

namespace Lumvek
{
namespace
{

using namespace GuiTesting;

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr ElementLength Points(float value)
{
    return {ElementLength::Points, value};
}
constexpr ElementLength Percent(float value)
{
    return {ElementLength::Percent, value};
}

// Where a child styled by style is drawn, in a menu at the placement whose root has the flow flag.
Rectangle LaidOut(const UnitRectangle& placement, uint8_t flow,
                  std::function<void(Element& root, Element& child)> style)
{
    Calls calls;
    TestApplication app;
    Element* child = nullptr;
    Open(
        app, calls, "M",
        [&](TestMenu& menu)
        {
            menu.GetRoot().flow = flow;
            style(menu.GetRoot(), *(child = &menu.GetRoot().AddChild()));
        },
        placement);
    app.Frame();
    return child ? child->drawnRectangle : Rectangle{};
}

void Place(Element& e, ElementLength left, ElementLength top, ElementLength width, ElementLength height)
{
    e.SetPosition(YGEdgeLeft, left), e.SetPosition(YGEdgeTop, top), e.SetWidth(width), e.SetHeight(height);
}

TEST(ElementLayout, PlacesElementsByTheirLengthsInsideTheMenuPlacement)
{
    const UnitRectangle menu = Pixels(100, 50, 400, 200);
    const UnitRectangle::Measure tenth{UnitRectangle::Percent, 10};
    const UnitRectangle::Measure half{UnitRectangle::Percent, 50};
    EXPECT_EQ(LaidOut(menu, 0, [](Element&, Element& e) { Place(e, Points(10), Points(20), Points(30), Points(40)); }),
              (Rectangle{110, 70, 30, 40}));
    EXPECT_EQ(
        LaidOut(menu, 0, [](Element&, Element& e) { Place(e, Percent(10), Percent(10), Percent(50), Percent(25)); }),
        (Rectangle{140, 70, 200, 50}));
    EXPECT_EQ(LaidOut({tenth, tenth, half, half}, 0,
                      [](Element&, Element& e) { Place(e, Points(0), Points(0), Percent(100), Percent(100)); }),
              (Rectangle{100, 50, 500, 250}));
    // In flow an automatic width stretches, and so does a NaN percentage.
    EXPECT_EQ(LaidOut(menu, 1, [](Element&, Element& e) { e.SetWidth(Percent(NaN)), e.SetHeight(Points(30)); }),
              (Rectangle{100, 50, 400, 30}));
    // NaN and undefined margins are none.
    EXPECT_EQ(
        LaidOut(menu, 1,
                [](Element&, Element& e)
                {
                    e.SetMargin(YGEdgeLeft, Points(5)), e.SetMargin(YGEdgeTop, Percent(10));
                    e.SetMargin(YGEdgeRight, Points(NaN)), e.SetMargin(YGEdgeBottom, {ElementLength::Undefined, 8});
                    e.SetWidth(Points(20)), e.SetHeight(Points(20));
                }),
        (Rectangle{105, 90, 20, 20}));
    EXPECT_EQ(LaidOut(menu, 1, [](Element& root, Element& e) { root.SetPadding(Points(10)), e.SetHeight(Points(20)); }),
              (Rectangle{110, 60, 380, 20}));
}

TEST(ElementLayout, SettersKeepTheLastLengthsAndANegativeWidthBecomesAnAspectRatio)
{
    Calls calls;
    TestMenu menu(calls);
    Element& element = menu.GetRoot().AddChild();
    element.SetPosition(YGEdgeLeft, Points(3));
    element.SetPosition(YGEdgeTop, Percent(4));
    element.SetHeight(Points(100));
    element.SetWidth(Points(-2));
    EXPECT_EQ(element.left, Points(3));
    EXPECT_EQ(element.top, Percent(4));
    EXPECT_EQ(element.width, Points(-2));
    EXPECT_EQ(YGNodeStyleGetAspectRatio(element.GetNode()), -2.0f);
    EXPECT_EQ(YGNodeStyleGetWidth(element.GetNode()).unit, YGUnitUndefined);
    EXPECT_EQ(YGNodeStyleGetPositionType(element.GetNode()), YGPositionTypeAbsolute);
    menu.GetRoot().flow = 1;
    EXPECT_EQ(YGNodeStyleGetPositionType(menu.GetRoot().AddChild().GetNode()), YGPositionTypeRelative);
}

TEST(MenuNames, NameIndexFollowsRenamesRefusalsAndRemovals)
{
    Calls calls;
    TestMenu menu(calls);
    Element& a = menu.GetRoot().AddChild();
    Element& b = menu.GetRoot().AddChild();
    Element& inner = b.AddChild();
    EXPECT_TRUE(menu.SetElementName(a, "First"));
    EXPECT_TRUE(menu.SetElementName(a, "Second"));
    EXPECT_EQ(menu.GetElement("First"), nullptr);
    EXPECT_EQ(menu.GetElement("Second"), &a);

    // A taken name is refused and the element keeps its own, in the index too.
    EXPECT_TRUE(menu.SetElementName(b, "Other"));
    EXPECT_FALSE(menu.SetElementName(b, "Second"));
    EXPECT_EQ(b.GetName(), "Other");
    EXPECT_EQ(menu.GetElement("Other"), &b);
    EXPECT_TRUE(menu.SetElementName(a, ""));
    EXPECT_EQ(menu.GetElement("Second"), nullptr);
    TestMenu other(calls);
    EXPECT_FALSE(menu.SetElementName(other.GetRoot().AddChild(), "Foreign"));

    // Removed elements leave the index; later names survive the shift.
    EXPECT_TRUE(menu.SetElementName(inner, "Inner"));
    EXPECT_TRUE(menu.SetElementName(a, "Last"));
    b.RemoveChildren();
    EXPECT_EQ(menu.GetElement("Inner"), nullptr);
    EXPECT_EQ(menu.GetElement("Last"), &a);
    menu.GetRoot().RemoveChildren();
    EXPECT_EQ(menu.GetElement("Other"), nullptr);
    EXPECT_TRUE(menu.SetElementName(menu.GetRoot().AddChild(), "Other"));
}

TEST(ElementHitTest, FindsTheTopmostElementWhereItWasDrawn)
{
    Calls calls;
    TestApplication app;
    Element *root, *panel, *button, *cover, *clipper;
    Open(
        app, calls, "M",
        [&](TestMenu& menu)
        {
            root = &menu.GetRoot();
            // 110..310 x 60..160; the button flows inside its padding at 130..290 x 80..110.
            panel = &AddBox(*root, 10, 10, 200, 100);
            panel->SetPadding(Points(20));
            panel->flow = 1;
            button = &panel->AddChild();
            button->SetHeight(Points(30));
            button->actions = std::make_unique<TestActions>(calls, "button");
            // A later sibling over the button's right end: 250..350.
            cover = &AddBox(*root, 150, 10, 100, 100);
            cover->actions = std::make_unique<TestActions>(calls, "cover");
            Element& hidden = AddBox(*root, 300, 10, 50, 50);
            hidden.visible = 0;
            hidden.actions = std::make_unique<TestActions>(calls, "hidden");
            // 100..150 x 200..240, its child at 160..180 outside it.
            clipper = &AddBox(*root, 0, 150, 50, 40);
            clipper->clip = 1;
            AddBox(*clipper, 60, 0, 20, 20).actions = std::make_unique<TestActions>(calls, "outside");
        },
        Pixels(100, 50, 400, 200));
    app.Frame();
    const struct
    {
        float x, y;
        bool needActions;
        Element* expected;
    } cases[] = {
        {131, 81, false, button}, {249, 109, false, button}, {130, 90, false, panel}, {150, 80, false, panel},
        {120, 70, false, panel},  {120, 70, true, nullptr},  {260, 90, true, cover},  {420, 70, false, root},
        {430, 85, true, nullptr}, {95, 45, false, nullptr},  {170, 210, false, root}, {120, 210, false, clipper},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(testing::Message() << test.x << ", " << test.y);
        Element* found = root->FindElementAt(test.x, test.y, {0, 0}, test.needActions);
        EXPECT_EQ(found, test.expected);
        // What is hit is where it was drawn.
        EXPECT_TRUE(!found || found->drawnRectangle.Contains({test.x, test.y}));
    }

    std::vector<Element*> under;
    root->FindElementsAt(140, 90, false, under);
    EXPECT_EQ(under, (std::vector<Element*>{button, panel}));
    under.clear();
    root->FindElementsAt(260, 90, true, under);
    EXPECT_EQ(under, (std::vector<Element*>{cover, button}));
    under.clear();
    root->FindElementsAt(170, 210, false, under);
    EXPECT_TRUE(under.empty());
}

} // namespace
} // namespace Lumvek
