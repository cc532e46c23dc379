#include "Tests/Engine/Runtime/Gui/GuiTesting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
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

UnitRectangle PercentPlacement(float x, float y, float width, float height)
{
    UnitRectangle placement;
    placement.x = {UnitRectangle::Percent, x};
    placement.y = {UnitRectangle::Percent, y};
    placement.width = {UnitRectangle::Percent, width};
    placement.height = {UnitRectangle::Percent, height};
    return placement;
}

// Opens a menu that builds its tree with build and draws it once.
TestMenu& OpenAndDraw(TestApplication& app, Calls& calls, const UnitRectangle& placement,
                      std::function<void(TestMenu&)> build)
{
    auto* menu = static_cast<TestMenu*>(
        app.gui->AddMenu(std::make_unique<TestMenu>(calls, "M", std::move(build)), nullptr, nullptr, placement, false));
    app.Frame();
    return *menu;
}

TEST(ElementLayout, PlacesElementsByTheirLengthsInsideTheMenuPlacement)
{
    // The menu sits at (100, 50), 400 x 200, on a 1000 x 500 device unless the case says otherwise.
    const struct
    {
        const char* name;
        UnitRectangle placement;
        std::function<void(Element& root, Element& child)> style;
        Rectangle expected;
    } cases[] = {
        {"points, absolute",
         Pixels(100, 50, 400, 200),
         [](Element&, Element& child)
         {
             child.SetPosition(YGEdgeLeft, Points(10));
             child.SetPosition(YGEdgeTop, Points(20));
             child.SetWidth(Points(30));
             child.SetHeight(Points(40));
         },
         {110, 70, 30, 40}},
        {"percent of the parent",
         Pixels(100, 50, 400, 200),
         [](Element&, Element& child)
         {
             child.SetPosition(YGEdgeLeft, Percent(10));
             child.SetPosition(YGEdgeTop, Percent(10));
             child.SetWidth(Percent(50));
             child.SetHeight(Percent(25));
         },
         {140, 70, 200, 50}},
        {"right and bottom edges",
         Pixels(100, 50, 400, 200),
         [](Element&, Element& child)
         {
             child.SetPosition(YGEdgeRight, Points(10));
             child.SetPosition(YGEdgeBottom, Points(20));
             child.SetWidth(Points(30));
             child.SetHeight(Points(40));
         },
         {460, 190, 30, 40}},
        {"percent placement of the menu",
         PercentPlacement(10, 20, 50, 50),
         [](Element&, Element& child)
         {
             child.SetWidth(Percent(100));
             child.SetHeight(Percent(100));
         },
         {100, 100, 500, 250}},
        {"automatic placement is the whole device",
         Whole(),
         [](Element&, Element& child)
         {
             child.SetWidth(Percent(50));
             child.SetHeight(Percent(50));
         },
         {0, 0, 500, 250}},
        {"automatic width stretches in flow",
         Pixels(100, 50, 400, 200),
         [](Element&, Element& child) { child.SetHeight(Points(30)); },
         {100, 50, 400, 30}},
        {"a NaN percentage is automatic",
         Pixels(100, 50, 400, 200),
         [](Element&, Element& child)
         {
             child.SetWidth(Percent(NaN));
             child.SetHeight(Points(30));
         },
         {100, 50, 400, 30}},
        {"margins",
         Pixels(100, 50, 400, 200),
         [](Element&, Element& child)
         {
             child.SetMargin(YGEdgeLeft, Points(5));
             child.SetMargin(YGEdgeTop, Percent(10));
             child.SetWidth(Points(20));
             child.SetHeight(Points(20));
         },
         {105, 90, 20, 20}},
        {"NaN and undefined margins are none",
         Pixels(100, 50, 400, 200),
         [](Element&, Element& child)
         {
             child.SetMargin(YGEdgeLeft, Points(NaN));
             child.SetMargin(YGEdgeTop, Points(8));
             child.SetMargin(YGEdgeTop, {ElementLength::Undefined, 8});
             child.SetWidth(Points(20));
             child.SetHeight(Points(20));
         },
         {100, 50, 20, 20}},
        {"the parent's padding",
         Pixels(100, 50, 400, 200),
         [](Element& root, Element& child)
         {
             root.SetPadding(Points(10));
             child.SetHeight(Points(20));
         },
         {110, 60, 380, 20}},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.name);
        Calls calls;
        TestApplication app;
        Element* child = nullptr;
        OpenAndDraw(app, calls, test.placement,
                    [&](TestMenu& menu)
                    {
                        // Flow children are laid out by flexbox; "absolute" cases place themselves by edges.
                        menu.GetRoot().flow = std::string(test.name).find("edges") == std::string::npos &&
                                              std::string(test.name).find("absolute") == std::string::npos;
                        child = &menu.GetRoot().AddChild();
                        test.style(menu.GetRoot(), *child);
                    });
        app.Frame();
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->drawnRectangle, test.expected);
    }
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
    EXPECT_EQ(element.height, Points(100));
    EXPECT_EQ(YGNodeStyleGetAspectRatio(element.GetNode()), -2.0f);
    EXPECT_EQ(YGNodeStyleGetWidth(element.GetNode()).unit, YGUnitUndefined);
    // A child of a flow parent is placed relatively, of a non-flow parent absolutely.
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
    EXPECT_EQ(menu.GetElement("Second"), &a);
    EXPECT_TRUE(menu.SetElementName(b, "Other"));

    EXPECT_TRUE(menu.SetElementName(a, ""));
    EXPECT_EQ(a.GetName(), "");
    EXPECT_EQ(menu.GetElement("Second"), nullptr);
    EXPECT_EQ(menu.GetElement(""), nullptr);

    // Elements of another menu are not taken into this index.
    TestMenu other(calls);
    EXPECT_FALSE(menu.SetElementName(other.GetRoot().AddChild(), "Foreign"));

    // Removed elements leave the index, and later names keep working after the shift.
    EXPECT_TRUE(menu.SetElementName(inner, "Inner"));
    EXPECT_TRUE(menu.SetElementName(a, "Last"));
    b.RemoveChildren();
    EXPECT_EQ(menu.GetElement("Inner"), nullptr);
    EXPECT_EQ(menu.GetElement("Last"), &a);
    menu.GetRoot().RemoveChildren();
    EXPECT_EQ(menu.GetElement("Other"), nullptr);
    EXPECT_EQ(menu.GetElement("Last"), nullptr);
    EXPECT_TRUE(menu.SetElementName(menu.GetRoot().AddChild(), "Other"));
}

// Hit tests see the tree where the last draw put it.
class HitTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        OpenAndDraw(app, calls, Pixels(100, 50, 400, 200),
                    [this](TestMenu& menu)
                    {
                        Element& root = menu.GetRoot();
                        // A padded parent: its children sit inside the padding when drawn and hit.
                        panel = &AddBox(root, 10, 10, 200, 100);
                        panel->SetPadding(Points(20));
                        panel->flow = 1;
                        button = &panel->AddChild();
                        button->SetHeight(Points(30));
                        button->actions = std::make_unique<TestActions>(calls, "button");
                        // Later siblings lie above earlier ones.
                        cover = &AddBox(root, 150, 10, 100, 100);
                        cover->actions = std::make_unique<TestActions>(calls, "cover");
                        hidden = &AddBox(root, 300, 10, 50, 50);
                        // Lies at 400..450 x 60..110.
                        hidden->visible = 0;
                        hidden->actions = std::make_unique<TestActions>(calls, "hidden");
                        clipper = &AddBox(root, 0, 150, 50, 40);
                        clipper->clip = 1;
                        outside = &AddBox(*clipper, 60, 0, 20, 20);
                        outside->actions = std::make_unique<TestActions>(calls, "outside");
                        this->root = &root;
                    });
    }

    Element* Hit(float x, float y, bool needActions = false)
    {
        return root->FindElementAt(x, y, {0.0f, 0.0f}, needActions);
    }

    Calls calls;
    TestApplication app;
    Element* root = nullptr;
    Element* panel = nullptr;
    Element* button = nullptr;
    Element* cover = nullptr;
    Element* hidden = nullptr;
    Element* clipper = nullptr;
    Element* outside = nullptr;
};

TEST_F(HitTest, FindsTheTopmostElementWhereItWasDrawn)
{
    EXPECT_EQ(button->drawnRectangle, (Rectangle{130, 80, 160, 30}));
    const struct
    {
        float x, y;
        bool needActions;
        Element* expected;
    } cases[] = {
        {131, 81, false, button},   // just inside the drawn rectangle
        {249, 109, false, button},  // the far corner, on the cover's left edge
        {130, 90, false, panel},    // on the button's left edge: outside it
        {150, 80, false, panel},    // on its top edge
        {120, 70, false, panel},    // in the panel's padding
        {120, 70, true, nullptr},   // the panel has no actions
        {260, 90, false, cover},    // the later sibling covers the button
        {260, 90, true, cover},     //
        {420, 70, false, root},     // hidden elements are never hit
        {430, 85, true, nullptr},   //
        {95, 45, false, nullptr},   // outside the menu
        {170, 210, false, root},    // a child outside its clipping parent is not hit
        {120, 210, false, clipper}, //
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(testing::Message() << test.x << ", " << test.y);
        EXPECT_EQ(Hit(test.x, test.y, test.needActions), test.expected);
        // What is hit was drawn there.
        if (Element* found = Hit(test.x, test.y); found)
        {
            EXPECT_TRUE(found->drawnRectangle.Contains({test.x, test.y}));
        }
    }
}

TEST_F(HitTest, FindElementsAtListsEverythingUnderThePointDeepestFirst)
{
    std::vector<Element*> found;
    root->FindElementsAt(140, 90, false, found);
    EXPECT_EQ(found, (std::vector<Element*>{button, panel}));
    found.clear();
    root->FindElementsAt(260, 90, true, found);
    EXPECT_EQ(found, (std::vector<Element*>{cover, button}));
    found.clear();
    root->FindElementsAt(170, 210, false, found);
    EXPECT_TRUE(found.empty());
}

} // namespace
} // namespace Lumvek
