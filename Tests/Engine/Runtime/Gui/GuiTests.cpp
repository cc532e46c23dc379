#include "Tests/Engine/Runtime/Gui/GuiTesting.h"

#include "Engine/Foundation/Exceptions.h"

#include <gtest/gtest.h>

namespace Lumvek
{
namespace
{

using namespace GuiTesting;

// Writes its calls to the test's log under its name.
class TestTransition : public Transition
{
public:
    TestTransition(Calls& calls, std::string name, float duration, int32_t layer = 1) : calls(calls), name(name)
    {
        this->duration = duration;
        this->layer = layer;
    }
    ~TestTransition() override { calls.push_back(name + ".Destroyed"); }

    void Start(const Rectangle& bounds, GraphicsDevice&) override
    {
        calls.push_back(name + ".Start(" + Number(bounds.x) + "," + Number(bounds.y) + "," + Number(bounds.width) +
                        "," + Number(bounds.height) + ")");
    }
    void Update(float seconds) override { calls.push_back(name + ".Update(" + Number(seconds) + ")"); }
    void Draw(float, GraphicsDevice&, uint32_t target, Menu&) override
    {
        calls.push_back(name + ".Draw(" + std::to_string(target) + ")");
    }

    Calls& calls;
    std::string name;
};

// Calls since the last Take.
struct Log
{
    Calls Take() { return std::exchange(calls, {}); }
    Calls calls;
};

TestMenu* Open(TestApplication& app, Calls& calls, const std::string& name, const UnitRectangle& placement,
               bool covering, std::unique_ptr<Transition> transition = nullptr)
{
    return static_cast<TestMenu*>(
        app.gui->AddMenu(std::make_unique<TestMenu>(calls, name), std::move(transition), nullptr, placement, covering));
}

TEST(GuiMenus, AMenuIsSetUpAndActivatedOnTheNextLateUpdateAndGetsInputFromTheOneAfter)
{
    Log log;
    TestApplication app;
    TestMenu* menu = Open(app, log.calls, "M", Whole(), false);
    menu->logUpdates = true;
    EXPECT_EQ(menu->GetGui(), app.gui);
    EXPECT_EQ(menu->GetIndex(), 0u);
    EXPECT_TRUE(log.Take().empty());
    app.Frame();
    EXPECT_EQ(log.Take(), (Calls{"M.Setup", "M.Activate"}));
    EXPECT_TRUE(app.gui->GetRecord(0).active);
    app.Frame();
    EXPECT_EQ(log.Take(), (Calls{"M.Update"}));
    EXPECT_THROW(app.gui->GetRecord(1), InvalidIndex);
}

TEST(GuiMenus, TransitionsRunTheirDurationBeforeTheMenuOpensOrGoes)
{
    Log log;
    TestApplication app;
    TestMenu* menu = Open(app, log.calls, "M", Pixels(10, 20, 300, 200), false,
                          std::make_unique<TestTransition>(log.calls, "Open", 0.5f));
    EXPECT_EQ(log.Take(), (Calls{"Open.Start(10,20,300,200)"}));
    app.Frame(0.25f);
    EXPECT_EQ(log.Take(), (Calls{"M.Setup", "Open.Update(0.25)", "Open.Draw(4294967295)"}));
    app.Frame(0.25f);
    EXPECT_EQ(log.Take(), (Calls{"Open.Update(0.25)", "Open.Destroyed", "M.Activate"}));

    // Closing: deactivated at once, destroyed once the closing transition has run its course.
    menu->GetRoot().actions = std::make_unique<TestActions>(log.calls, "root");
    menu->GetRoot().AddChild().actions = std::make_unique<TestActions>(log.calls, "child");
    EXPECT_TRUE(app.gui->CloseMenu(*menu, std::make_unique<TestTransition>(log.calls, "Close", 0.1f, -3)));
    EXPECT_EQ(log.Take(), (Calls{"M.Deactivate", "Close.Start(10,20,300,200)"}));
    app.Frame(0.2f);
    EXPECT_EQ(log.Take(), (Calls{"Close.Update(0.2)", "M.Close", "child.Detach", "child.Destroyed", "root.Detach",
                                 "Close.Destroyed", "M.Destroyed", "root.Destroyed"}));
    EXPECT_EQ(app.gui->GetMenuCount(), 0u);
}

TEST(GuiMenus, ClosingWithoutATransitionRemovesTheMenuOnTheNextLateUpdateAndRenumbersTheRest)
{
    Log log;
    TestApplication app;
    TestMenu* first = Open(app, log.calls, "A", Whole(), false);
    TestMenu* second = Open(app, log.calls, "B", Whole(), false);
    app.Frame();
    log.Take();
    EXPECT_TRUE(app.gui->CloseMenu(*first, nullptr));
    EXPECT_EQ(log.Take(), (Calls{"A.Deactivate"}));
    app.Frame();
    EXPECT_EQ(log.Take(), (Calls{"A.Close", "A.Destroyed"}));
    EXPECT_EQ(second->GetIndex(), 0u);
    EXPECT_EQ(app.gui->GetRecord(0).menu.get(), second);

    // Menus this Gui does not hold are refused.
    TestMenu stranger(log.calls, "S");
    EXPECT_FALSE(app.gui->CloseMenu(stranger, nullptr));
    TestApplication other;
    TestMenu* foreign = Open(other, log.calls, "F", Whole(), false);
    EXPECT_FALSE(app.gui->CloseMenu(*foreign, nullptr));
    EXPECT_EQ(log.Take(), (Calls{}));
}

TEST(GuiMenus, CoveringMenusDeactivateEveryMenuAndUncoverOnlyWhatNoCoveringMenuOverlaps)
{
    Log log;
    TestApplication app;
    Open(app, log.calls, "Left", Pixels(0, 0, 500, 500), false);
    Open(app, log.calls, "Right", Pixels(500, 0, 500, 500), false);
    app.Frame();
    log.Take();
    // Over the left half only, yet every active menu is deactivated.
    Open(app, log.calls, "Dialog", Pixels(100, 100, 200, 200), true);
    EXPECT_EQ(log.Take(), (Calls{"Left.Deactivate", "Right.Deactivate"}));
    app.Frame();
    EXPECT_EQ(log.Take(), (Calls{"Dialog.Setup", "Dialog.Activate"}));
    TestMenu* top = Open(app, log.calls, "Top", Whole(), true);
    EXPECT_EQ(log.Take(), (Calls{"Dialog.Deactivate"}));
    app.Frame();
    log.Take();

    // Edges that only touch do not overlap: the right half comes back, the left stays under the dialog.
    app.gui->CloseMenu(*top, nullptr);
    app.Frame();
    EXPECT_EQ(log.Take(), (Calls{"Top.Deactivate", "Top.Close", "Top.Destroyed", "Right.Activate", "Dialog.Activate"}));
    EXPECT_FALSE(app.gui->GetRecord(0).active);
    EXPECT_TRUE(app.gui->GetRecord(1).active);
}

TEST(GuiMenus, DrawOrderFollowsTransitionLayersAndThenOpeningOrder)
{
    Calls calls;
    TestApplication app;
    Open(app, calls, "Plain", Whole(), false);
    Open(app, calls, "First", Whole(), false, std::make_unique<TestTransition>(calls, "T1", 1.0f, 1));
    Open(app, calls, "Second", Whole(), false, std::make_unique<TestTransition>(calls, "T2", 1.0f, 1));
    Open(app, calls, "Below", Whole(), false, std::make_unique<TestTransition>(calls, "T3", 1.0f, -1));
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
    gui.AddHandler(GuiHandlerList::Update, [&](float s) { calls.push_back("update " + Number(s)); });
    gui.AddHandler(GuiHandlerList::LateUpdate, [&](float s) { calls.push_back("late " + Number(s)); });
    gui.AddHandler(GuiHandlerList::Render, [&](float s) { calls.push_back("render " + Number(s)); });
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
    EXPECT_EQ(calls, (Calls{"update 0", "once", "late 0", "render 0"}));
    calls.clear();
    app.Frame(0.5f);
    EXPECT_EQ(calls, (Calls{"update 0.5", "late 0.5", "render 0.5"}));

    // Lists out of range and unknown callables are ignored.
    EXPECT_EQ(gui.AddHandler(static_cast<GuiHandlerList>(7), [](float) {}), nullptr);
    gui.EraseOwned(static_cast<GuiHandlerList>(7), self);
    gui.EraseOwned(GuiHandlerList::Render, self);
}

TEST(GuiHandlers, AnElementsSubscriptionsGoWithIt)
{
    Calls calls;
    TestApplication app;
    Menu* menu = Open(app, calls, "M", Whole(), false);
    Element& element = menu->GetRoot().AddChild();
    // The handler reads the element: it must never run once the element is gone.
    ASSERT_TRUE(element.Subscribe(GuiHandlerList::Update,
                                  [&calls, &element](float) { calls.push_back("tick " + element.GetName()); }));
    menu->SetElementName(element, "E");
    calls.clear();
    app.Frame();
    EXPECT_EQ(calls.front(), "tick E");
    menu->GetRoot().RemoveChildren();
    calls.clear();
    app.Frame();
    EXPECT_EQ(calls, (Calls{}));

    TestMenu loose(calls);
    EXPECT_FALSE(loose.GetRoot().Subscribe(GuiHandlerList::Update, [](float) {}));

    // Subscriptions still alive when the Gui goes are released with its menus.
    menu->GetRoot().AddChild().Subscribe(GuiHandlerList::Render, [&calls](float) { calls.push_back("draw"); });
}

} // namespace
} // namespace Lumvek
