#include "Source/Ui/Screen.h"
#include "Source/Ui/Transitions.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"

#include <gtest/gtest.h>

namespace
{

using namespace Lumvek::GuiTesting;
using Lumvek::ControllerButton;

// A screen that writes every action it gets as "name.Action(player)".
class RecordingScreen : public Screen
{
public:
    RecordingScreen(Calls& calls, std::string name) : calls(calls), name(std::move(name)) {}
    ~RecordingScreen() override { calls.push_back(name + ".Destroyed"); }

    void Setup() override {}
    void Activate() override { calls.push_back(name + ".Activate"); }
    void OnStart(uint32_t p) override { Add("Start", p); }
    void OnSecondary(uint32_t p) override { Add("Secondary", p); }
    void OnSelect(uint32_t p) override { Add("Select", p); }
    void OnBack(uint32_t p) override { Add("Back", p); }
    void OnAction(uint32_t p) override { Add("Action", p); }
    void OnAlternate(uint32_t p) override { Add("Alternate", p); }
    void OnNextTab(uint32_t p) override { Add("NextTab", p); }
    void OnPreviousTab(uint32_t p) override { Add("PreviousTab", p); }
    void OnLeft(uint32_t p) override { Add("Left", p); }
    void OnRight(uint32_t p) override { Add("Right", p); }
    void OnDown(uint32_t p) override { Add("Down", p); }
    void OnUp(uint32_t p) override { Add("Up", p); }

    void Add(const char* action, uint32_t player) { calls.push_back(name + "." + Call(action, player)); }

    Calls& calls;
    std::string name;
};

class ScreenInput : public ::testing::Test
{
protected:
    RecordingScreen& OpenScreen(const std::string& name, uint32_t owner,
                                std::unique_ptr<Lumvek::Transition> transition = nullptr)
    {
        return Screen::Open<RecordingScreen>(*app.gui, std::move(transition), owner, calls, name);
    }
    // One frame in which the pad presses and then releases the button.
    Calls Tap(uint32_t pad, ControllerButton button, float seconds = 0.0f)
    {
        Calls seen = Press(pad, button, seconds);
        Calls released = Release(pad, button);
        seen.insert(seen.end(), released.begin(), released.end());
        return seen;
    }
    Calls Press(uint32_t pad, ControllerButton button, float seconds = 0.0f)
    {
        app.controllers->next[pad].pressed[button] = 1;
        return Frame(seconds);
    }
    Calls Release(uint32_t pad, ControllerButton button)
    {
        app.controllers->next[pad].released[button] = 1;
        return Frame();
    }
    Calls Frame(float seconds = 0.0f)
    {
        calls.clear();
        app.Frame(seconds);
        return std::exchange(calls, {});
    }

    Calls calls;
    TestApplication app;
};

TEST_F(ScreenInput, AScreenOfOnePlayerTakesActionsFromThatPadAndSecondaryFromAnyBack)
{
    RecordingScreen& screen = OpenScreen("S", 2);
    EXPECT_EQ(Frame(), (Calls{"S.Activate"}));
    EXPECT_EQ(screen.playerInput[2], 1);
    EXPECT_EQ(screen.playerInput[0] + screen.playerInput[1] + screen.playerInput[3], 0);
    EXPECT_EQ(screen.mouseInput, 1);

    const struct
    {
        ControllerButton button;
        const char* action;
    } routed[] = {
        {ControllerButton::A, "S.Select(2)"},
        {ControllerButton::B, "S.Back(2)"},
        {ControllerButton::X, "S.Action(2)"},
        {ControllerButton::Y, "S.Alternate(2)"},
        {ControllerButton::Start, "S.Start(2)"},
        {ControllerButton::LeftBumper, "S.PreviousTab(2)"},
        {ControllerButton::RightBumper, "S.NextTab(2)"},
        {ControllerButton::Left, "S.Left(2)"},
        {ControllerButton::Right, "S.Right(2)"},
        {ControllerButton::Up, "S.Up(2)"},
        {ControllerButton::Down, "S.Down(2)"},
        {ControllerButton::LeftStickLeft, "S.Left(2)"},
        {ControllerButton::LeftStickRight, "S.Right(2)"},
        {ControllerButton::LeftStickUp, "S.Up(2)"},
        {ControllerButton::LeftStickDown, "S.Down(2)"},
    };
    for (const auto& entry : routed)
    {
        EXPECT_EQ(Tap(2, entry.button), (Calls{entry.action})) << entry.action;
        EXPECT_EQ(Tap(1, entry.button), (Calls{})) << "pad 1, " << entry.action;
    }
    // Back of every pad, the owner's or not.
    for (uint32_t pad = 0; pad < Lumvek::ControllerCount; ++pad)
        EXPECT_EQ(Tap(pad, ControllerButton::Back), (Calls{Call("S.Secondary", pad)}));
    // Triggers, stick clicks and the right stick are no screen's.
    for (ControllerButton button : {ControllerButton::LeftTrigger, ControllerButton::RightTrigger,
                                    ControllerButton::LeftStick, ControllerButton::RightStickLeft})
        EXPECT_EQ(Tap(2, button), (Calls{}));
}

TEST_F(ScreenInput, DirectionsActOnPressAndActionsOnRelease)
{
    OpenScreen("S", Screen::EveryPlayer);
    Frame();
    EXPECT_EQ(Press(3, ControllerButton::LeftStickLeft), (Calls{"S.Left(3)"}));
    // Held: nothing more until it comes back and crosses again.
    EXPECT_EQ(Frame(), (Calls{}));
    EXPECT_EQ(Release(3, ControllerButton::LeftStickLeft), (Calls{}));
    EXPECT_EQ(Press(3, ControllerButton::LeftStickLeft), (Calls{"S.Left(3)"}));
    EXPECT_EQ(Press(0, ControllerButton::A), (Calls{}));
    EXPECT_EQ(Release(0, ControllerButton::A), (Calls{"S.Select(0)"}));
}

TEST_F(ScreenInput, NoInputWhileOpeningAndTheCoveredScreenComesBackWhenTheUpperGoes)
{
    RecordingScreen& lower = OpenScreen("Lower", 0, MakeStaticTransition(0.3f));
    EXPECT_EQ(Tap(0, ControllerButton::A, 0.1f), (Calls{}));
    EXPECT_EQ(Frame(0.25f), (Calls{"Lower.Activate"}));
    EXPECT_EQ(Tap(0, ControllerButton::A), (Calls{"Lower.Select(0)"}));

    RecordingScreen& upper = OpenScreen("Upper", 0);
    EXPECT_EQ(Tap(0, ControllerButton::A), (Calls{"Upper.Activate", "Upper.Select(0)"}));
    (void)upper.CloseImmediately();
    EXPECT_EQ(Frame(), (Calls{"Upper.Destroyed", "Lower.Activate"}));
    EXPECT_EQ(Tap(0, ControllerButton::B), (Calls{"Lower.Back(0)"}));
    EXPECT_EQ(lower.GetIndex(), 0u);
}

TEST_F(ScreenInput, TheClosingPageIsDrawnAboveTheNextScreenEitherWay)
{
    RecordingScreen& first = OpenScreen("First", 0);
    Frame();
    // Forward: the page turning away is the old screen's.
    RecordingScreen& second = OpenScreen("Second", 0, first.CloseForward());
    auto top = [&] { return static_cast<RecordingScreen&>(*app.gui->GetDrawOrder().back()->menu).name; };
    EXPECT_EQ(top(), "First");
    EXPECT_EQ(Frame(0.2f), (Calls{}));
    EXPECT_EQ(Frame(0.11f), (Calls{"First.Destroyed", "Second.Activate"}));

    // Back: the page coming back in is the new screen's.
    OpenScreen("Third", 0, second.CloseBack());
    EXPECT_EQ(top(), "Third");
    Frame(0.31f);
    EXPECT_EQ(app.gui->GetMenuCount(), 1u);
}

} // namespace
