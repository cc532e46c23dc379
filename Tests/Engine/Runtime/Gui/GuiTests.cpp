#include "Tests/Engine/Runtime/Gui/GuiTesting.h"

#include <gtest/gtest.h>

namespace Lumvek
{
namespace
{

using namespace GuiTesting;

class TestTransition : public Transition
{
public:
    TestTransition(Calls& calls, std::string name, float length, int32_t order = 1) : calls(calls), name(name)
    {
        duration = length;
        layer = order;
    }
    ~TestTransition() override { calls.push_back(name + ".Destroyed"); }
    void Start(const Rectangle& r, GraphicsDevice&) override
    {
        calls.push_back(name + "." + Call("Start", r.x, r.y, r.width, r.height));
    }
    void Update(float seconds) override { calls.push_back(name + "." + Call("Update", seconds)); }
    void Draw(float, GraphicsDevice&, uint32_t, Menu&) override { calls.push_back(name + ".Draw"); }

    Calls& calls;
    std::string name;
};

Calls Take(Calls& calls)
{
    return std::exchange(calls, {});
}

TEST(GuiMenus, AMenuIsSetUpAndActivatedOnTheNextLateUpdateAndGetsInputFromTheOneAfter)
{
    Calls calls;
    TestApplication app;
    TestMenu& menu = Open(app, calls, "M");
    menu.logUpdates = true;
    EXPECT_EQ(menu.GetGui(), app.gui);
    EXPECT_TRUE(calls.empty());
    app.Frame();
    EXPECT_EQ(Take(calls), (Calls{"M.Setup", "M.Activate"}));
    app.Frame();
    EXPECT_EQ(Take(calls), (Calls{"M.Update"}));
}

TEST(GuiMenus, TransitionsRunTheirDurationBeforeTheMenuOpensOrGoes)
{
    Calls calls;
    TestApplication app;
    TestMenu& menu = Open(app, calls, "M", {}, Pixels(10, 20, 300, 200), false,
                          std::make_unique<TestTransition>(calls, "Open", 0.5f));
    EXPECT_EQ(Take(calls), (Calls{"Open.Start(10,20,300,200)"}));
    app.Frame(0.25f);
    EXPECT_EQ(Take(calls), (Calls{"M.Setup", "Open.Update(0.25)", "Open.Draw"}));
    app.Frame(0.25f);
    EXPECT_EQ(Take(calls), (Calls{"Open.Update(0.25)", "Open.Destroyed", "M.Activate"}));

    // Closing deactivates at once; the tree and the menu go when the transition ends.
    menu.GetRoot().actions = std::make_unique<TestActions>(calls, "root");
    menu.GetRoot().AddChild().actions = std::make_unique<TestActions>(calls, "child");
    EXPECT_TRUE(app.gui->CloseMenu(menu, std::make_unique<TestTransition>(calls, "Close", 0.1f)));
    EXPECT_EQ(Take(calls), (Calls{"M.Deactivate", "Close.Start(10,20,300,200)"}));
    app.Frame(0.2f);
    EXPECT_EQ(Take(calls), (Calls{"Close.Update(0.2)", "M.Close", "child.Detach", "child.Destroyed", "root.Detach",
                                  "Close.Destroyed", "M.Destroyed", "root.Destroyed"}));
    EXPECT_EQ(app.gui->GetMenuCount(), 0u);
}

TEST(GuiMenus, ClosingWithoutATransitionRemovesTheMenuOnTheNextLateUpdateAndRenumbersTheRest)
{
    Calls calls;
    TestApplication app;
    TestMenu& first = Open(app, calls, "A");
    TestMenu& second = Open(app, calls, "B");
    app.Frame();
    calls.clear();
    EXPECT_TRUE(app.gui->CloseMenu(first, nullptr));
    app.Frame();
    EXPECT_EQ(Take(calls), (Calls{"A.Deactivate", "A.Close", "A.Destroyed"}));
    EXPECT_EQ(second.GetIndex(), 0u);

    // Menus this Gui does not hold are refused.
    TestMenu stranger(calls, "S");
    EXPECT_FALSE(app.gui->CloseMenu(stranger, nullptr));
    TestApplication other;
    EXPECT_FALSE(app.gui->CloseMenu(Open(other, calls, "F"), nullptr));
}

TEST(GuiMenus, CoveringMenusDeactivateEveryMenuAndUncoverOnlyWhatNoCoveringMenuOverlaps)
{
    Calls calls;
    TestApplication app;
    Open(app, calls, "Left", {}, Pixels(0, 0, 500, 500));
    Open(app, calls, "Right", {}, Pixels(500, 0, 500, 500));
    app.Frame();
    calls.clear();
    // Over the left half only, yet every active menu is deactivated.
    Open(app, calls, "Dialog", {}, Pixels(100, 100, 200, 200), true);
    EXPECT_EQ(Take(calls), (Calls{"Left.Deactivate", "Right.Deactivate"}));
    app.Frame();
    TestMenu& top = Open(app, calls, "Top", {}, {}, true);
    app.Frame();
    EXPECT_EQ(Take(calls),
              (Calls{"Dialog.Setup", "Dialog.Activate", "Dialog.Deactivate", "Top.Setup", "Top.Activate"}));

    // Edges that only touch do not overlap: the right half comes back, the left stays under the dialog.
    app.gui->CloseMenu(top, nullptr);
    app.Frame();
    EXPECT_EQ(Take(calls),
              (Calls{"Top.Deactivate", "Top.Close", "Top.Destroyed", "Right.Activate", "Dialog.Activate"}));
}

TEST(GuiMenus, DrawOrderFollowsTransitionLayersAndThenOpeningOrder)
{
    Calls calls;
    TestApplication app;
    Open(app, calls, "Plain");
    Open(app, calls, "First", {}, {}, false, std::make_unique<TestTransition>(calls, "T1", 1.0f, 1));
    Open(app, calls, "Second", {}, {}, false, std::make_unique<TestTransition>(calls, "T2", 1.0f, 1));
    Open(app, calls, "Below", {}, {}, false, std::make_unique<TestTransition>(calls, "T3", 1.0f, -1));
    std::vector<std::string> order;
    for (const MenuRecord* record : app.gui->GetDrawOrder())
        order.push_back(static_cast<TestMenu&>(*record->menu).name);
    EXPECT_EQ(order, (std::vector<std::string>{"Below", "Plain", "First", "Second"}));
}

TEST(GuiHandlers, ListsRunInOrderAndEraseSafelyWhileRunning)
{
    Calls calls;
    TestApplication app;
    Gui& gui = *app.gui;
    const GuiHandler* second = nullptr;
    const GuiHandler* self = nullptr;
    gui.AddHandler(GuiHandlerList::Update, [&](float s) { calls.push_back(Call("update", s)); });
    gui.AddHandler(GuiHandlerList::LateUpdate, [&](float s) { calls.push_back(Call("late", s)); });
    gui.AddHandler(GuiHandlerList::Render, [&](float s) { calls.push_back(Call("render", s)); });
    // Erases itself and the handler after it while the list runs.
    self = gui.AddHandler(GuiHandlerList::Update,
                          [&](float)
                          {
                              calls.push_back("once");
                              gui.EraseOwned(GuiHandlerList::Update, second);
                              gui.EraseOwned(GuiHandlerList::Update, self);
                          });
    second = gui.AddHandler(GuiHandlerList::Update, [&](float) { calls.push_back("never"); });
    gui.Setup();
    app.Frame(0.5f);
    EXPECT_EQ(calls, (Calls{"update(0)", "once", "late(0)", "render(0)", "update(0.5)", "late(0.5)", "render(0.5)"}));
    EXPECT_EQ(gui.AddHandler(static_cast<GuiHandlerList>(7), [](float) {}), nullptr);
}

TEST(GuiHandlers, AnElementsSubscriptionsGoWithIt)
{
    Calls calls;
    TestApplication app;
    Menu& menu = Open(app, calls, "M", {}, {}, false);
    Element& element = menu.GetRoot().AddChild();
    // The handler reads the element: it must never run once the element is gone.
    ASSERT_TRUE(
        element.Subscribe(GuiHandlerList::Update, [&](float) { calls.push_back("tick " + element.GetName()); }));
    menu.SetElementName(element, "E");
    app.Frame();
    EXPECT_EQ(calls.front(), "tick E");
    menu.GetRoot().RemoveChildren();
    calls.clear();
    app.Frame();
    EXPECT_EQ(calls, (Calls{}));
    TestMenu loose(calls);
    EXPECT_FALSE(loose.GetRoot().Subscribe(GuiHandlerList::Update, [](float) {}));
    // Subscriptions still alive when the Gui goes are released with its menus.
    menu.GetRoot().AddChild().Subscribe(GuiHandlerList::Render, [&](float) { calls.push_back("draw"); });
}

} // namespace
} // namespace Lumvek
