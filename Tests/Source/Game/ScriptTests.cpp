#include "Source/Game/LaunchOptions.h"
#include "Source/Game/Script.h"
#include "Tests/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

TEST(Script, StepsReadTheirConditionFramesAndActionAndBadLinesAreSkipped)
{
    Lumvek::Testing::LogCapture log;
    const std::vector<ScriptStep> steps = ParseScript("# from the title to the menu\n"
                                                      "screen DemoStartScreen frames 30 down 2 Start\n"
                                                      "\n"
                                                      "load 2 up 2 Start   # let go\n"
                                                      "down 4 A\n"
                                                      "down 0 Select\n"
                                                      "frames -1 exit\n"
                                                      "screenshot a.png b.png\n"
                                                      "screen DemoMenu screenshot menu.png\n"
                                                      "exit 3\n");
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].screen, "DemoStartScreen");
    EXPECT_EQ(steps[0].frames, 30u);
    EXPECT_EQ(steps[0].action, ScriptStep::Action::Down);
    EXPECT_EQ(steps[0].pad, 2u);
    EXPECT_EQ(steps[0].button, SDL_CONTROLLER_BUTTON_START);
    EXPECT_EQ(steps[1].load, LoadState::StartupLoaded);
    EXPECT_EQ(steps[1].action, ScriptStep::Action::Up);
    EXPECT_EQ(steps[2].argument, "menu.png");
    EXPECT_EQ(steps[3].action, ScriptStep::Action::Exit);
    EXPECT_EQ(steps[3].argument, "3");
    // A pad beyond 3, an unknown button, a negative count and a second file.
    EXPECT_EQ(log.messages.size(), 4u);
}

TEST(Script, AStepWaitsForQuotedTextsAndBadQuotesAreSkipped)
{
    Lumvek::Testing::LogCapture log;
    const std::vector<ScriptStep> steps =
        ParseScript("screen ConfiguringScreen shows \"Player: 0, Vote: 2\" shows \"Player: 1\" frames 5 exit\n"
                    "shows \"x\" exit\n"
                    "shows \"unclosed exit\n"
                    "shows \"\" exit\n"
                    "shows Player exit\n"
                    "shows\n");
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].screen, "ConfiguringScreen");
    EXPECT_EQ(steps[0].shown, (std::vector<std::string>{"Player: 0, Vote: 2", "Player: 1"}));
    EXPECT_EQ(steps[0].frames, 5u);
    EXPECT_EQ(steps[0].action, ScriptStep::Action::Exit);
    EXPECT_EQ(steps[1].shown, std::vector<std::string>{"x"});
    EXPECT_EQ(log.messages.size(), 4u);
}

TEST(Script, MouseKeysAndTextStepsReadTheirEventsAndBadOnesAreSkipped)
{
    Lumvek::Testing::LogCapture log;
    const std::vector<ScriptStep> steps = ParseScript("move 25 40\n"
                                                      "mousedown Left\n"
                                                      "mouseup Right\n"
                                                      "keydown Return\n"
                                                      "keyup Backspace\n"
                                                      "text hello\n"
                                                      "move -1 40\n"
                                                      "mousedown Fourth\n"
                                                      "keydown NoSuchKey\n"
                                                      "text two words\n"
                                                      "text 0123456789012345678901234567890123\n");
    ASSERT_EQ(steps.size(), 6u);
    EXPECT_EQ(steps[0].action, ScriptStep::Action::MouseMove);
    EXPECT_EQ(steps[0].x, 25);
    EXPECT_EQ(steps[0].y, 40);
    EXPECT_EQ(steps[1].action, ScriptStep::Action::MouseDown);
    EXPECT_EQ(steps[1].button, SDL_BUTTON_LEFT);
    EXPECT_EQ(steps[2].action, ScriptStep::Action::MouseUp);
    EXPECT_EQ(steps[2].button, SDL_BUTTON_RIGHT);
    EXPECT_EQ(steps[3].action, ScriptStep::Action::KeyDown);
    EXPECT_EQ(steps[3].button, SDL_SCANCODE_RETURN);
    EXPECT_EQ(steps[4].button, SDL_SCANCODE_BACKSPACE);
    EXPECT_EQ(steps[5].action, ScriptStep::Action::Text);
    EXPECT_EQ(steps[5].argument, "hello");
    EXPECT_EQ(log.messages.size(), 5u);
}

TEST(Script, TheTestHooksAreReadFromTheCommandLine)
{
    const struct
    {
        std::vector<std::string> arguments;
        bool parses;
        uint32_t width, height;
    } cases[] = {
        {{"--window", "640x360", "--fixed-step", "--script", "s.txt", "--start-screen", "--tools"}, true, 640, 360},
        {{"--frame-time", "0"}, false, 0, 0},
        {{"--window", "640"}, false, 0, 0},
        {{"--window", "0x360"}, false, 0, 0},
        {{"--window", "640x99999"}, false, 0, 0},
        {{"--window", "640x360x2"}, false, 0, 0},
        {{"--fixed-step", "--fixed-step"}, false, 0, 0},
        {{"--script"}, false, 0, 0},
        {{"--tools", "--tools"}, false, 0, 0},
    };
    for (const auto& c : cases)
    {
        LaunchOptions options;
        std::string error;
        EXPECT_EQ(ParseLaunchOptions(c.arguments, options, error), c.parses) << c.arguments[0] << " " << error;
        if (!c.parses)
        {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(options.windowWidth, c.width);
        EXPECT_EQ(options.windowHeight, c.height);
        EXPECT_TRUE(options.fixedStep);
        EXPECT_TRUE(options.startScreen);
        EXPECT_TRUE(options.tools);
        EXPECT_EQ(options.scriptPath, "s.txt");
    }
}

} // namespace
