#include "Source/Game/Script.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Gui/Gui.h"
#include "Engine/Runtime/Gui/TextContent.h"
#include "Engine/Runtime/Input/Input.h"
#include "Engine/Runtime/OpenGL/OpenGLGraphicsDevice.h"
#include "Engine/Runtime/Sdl/SdlApplication.h"
#include "Engine/Runtime/Sdl/SdlKeyboardDevice.h"
#include "Engine/Runtime/Sdl/SdlMouseDevice.h"

#include <cxxabi.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <typeinfo>

namespace
{

using Lumvek::ControllerButton;

struct ButtonName
{
    const char* name;
    SDL_GameControllerButton button;
    ControllerButton code;
};

constexpr ButtonName Buttons[] = {
    {"A", SDL_CONTROLLER_BUTTON_A, ControllerButton::A},
    {"B", SDL_CONTROLLER_BUTTON_B, ControllerButton::B},
    {"X", SDL_CONTROLLER_BUTTON_X, ControllerButton::X},
    {"Y", SDL_CONTROLLER_BUTTON_Y, ControllerButton::Y},
    {"Back", SDL_CONTROLLER_BUTTON_BACK, ControllerButton::Back},
    {"Start", SDL_CONTROLLER_BUTTON_START, ControllerButton::Start},
    {"LeftBumper", SDL_CONTROLLER_BUTTON_LEFTSHOULDER, ControllerButton::LeftBumper},
    {"RightBumper", SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, ControllerButton::RightBumper},
    {"Up", SDL_CONTROLLER_BUTTON_DPAD_UP, ControllerButton::Up},
    {"Down", SDL_CONTROLLER_BUTTON_DPAD_DOWN, ControllerButton::Down},
    {"Left", SDL_CONTROLLER_BUTTON_DPAD_LEFT, ControllerButton::Left},
    {"Right", SDL_CONTROLLER_BUTTON_DPAD_RIGHT, ControllerButton::Right},
};

// The engine's code of an SDL button the scripts name.
ControllerButton CodeOf(int32_t button)
{
    for (const ButtonName& entry : Buttons)
        if (entry.button == button)
            return entry.code;
    return ControllerButton::Unknown;
}

bool ReadNumber(std::istringstream& words, uint32_t largest, uint32_t& value)
{
    std::string word;
    if (!(words >> word) || word.empty() || word.find_first_not_of("0123456789") != std::string::npos ||
        word.size() > 9)
        return false;
    value = static_cast<uint32_t>(std::stoul(word));
    return value <= largest;
}

bool ReadStep(const std::string& line, ScriptStep& step)
{
    std::istringstream words(line);
    std::string word;
    while (words >> word)
    {
        uint32_t number = 0;
        if (word == "screen")
        {
            if (!(words >> step.screen))
                return false;
        }
        else if (word == "load")
        {
            if (!ReadNumber(words, 8, number))
                return false;
            step.load = static_cast<LoadState>(number);
        }
        else if (word == "shows")
        {
            // Quoted, since what a screen shows has spaces in it.
            std::string text;
            words >> std::ws;
            if (words.get() != '"' || !std::getline(words, text, '"') || words.eof() || text.empty())
                return false;
            step.shown.push_back(text);
        }
        else if (word == "frames")
        {
            if (!ReadNumber(words, 100000, step.frames))
                return false;
        }
        else if (word == "down" || word == "up")
        {
            step.action = word == "down" ? ScriptStep::Action::Down : ScriptStep::Action::Up;
            std::string name;
            if (!ReadNumber(words, 3, step.pad) || !(words >> name))
                return false;
            for (const ButtonName& button : Buttons)
                if (name == button.name)
                {
                    step.button = button.button;
                    return !(words >> word);
                }
            return false;
        }
        else if (word == "move")
        {
            step.action = ScriptStep::Action::MouseMove;
            uint32_t x = 0, y = 0;
            if (!ReadNumber(words, 16384, x) || !ReadNumber(words, 16384, y))
                return false;
            step.x = static_cast<int32_t>(x);
            step.y = static_cast<int32_t>(y);
            return !(words >> word);
        }
        else if (word == "mousedown" || word == "mouseup")
        {
            step.action = word == "mousedown" ? ScriptStep::Action::MouseDown : ScriptStep::Action::MouseUp;
            std::string name;
            if (!(words >> name))
                return false;
            const std::pair<const char*, int32_t> names[] = {
                {"Left", SDL_BUTTON_LEFT}, {"Right", SDL_BUTTON_RIGHT}, {"Middle", SDL_BUTTON_MIDDLE}};
            for (const auto& [buttonName, button] : names)
                if (name == buttonName)
                {
                    step.button = button;
                    return !(words >> word);
                }
            return false;
        }
        else if (word == "keydown" || word == "keyup")
        {
            step.action = word == "keydown" ? ScriptStep::Action::KeyDown : ScriptStep::Action::KeyUp;
            std::string name;
            if (!(words >> name))
                return false;
            const SDL_Scancode scancode = SDL_GetScancodeFromName(name.c_str());
            if (scancode == SDL_SCANCODE_UNKNOWN)
                return false;
            step.button = scancode;
            return !(words >> word);
        }
        else if (word == "text")
        {
            step.action = ScriptStep::Action::Text;
            // One word that fits SDL's text event.
            return (words >> step.argument) && step.argument.size() < sizeof(SDL_TextInputEvent::text) &&
                   !(words >> word);
        }
        else if (word == "screenshot")
        {
            step.action = ScriptStep::Action::Screenshot;
            return (words >> step.argument) && !(words >> word);
        }
        else if (word == "exit")
        {
            step.action = ScriptStep::Action::Exit;
            uint32_t code = 0;
            if (words >> word)
            {
                std::istringstream codeWords(word);
                if (!ReadNumber(codeWords, 255, code))
                    return false;
            }
            step.argument = std::to_string(code);
            return !(words >> word);
        }
        else
            return false;
    }
    return false;
}

// The class name of a menu, as scripts name screens.
std::string ClassName(const Lumvek::Menu& menu)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(typeid(menu).name(), nullptr, nullptr, &status),
                                                std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(typeid(menu).name());
}

// Whether the element or one below it shows the text whole, all of them visible on the way down.
bool Shows(const Lumvek::Element& element, const std::string& text)
{
    if (!element.visible)
        return false;
    if (const auto* content = dynamic_cast<const Lumvek::TextContent*>(element.content.get());
        content && content->text == text)
        return true;
    for (const std::unique_ptr<Lumvek::Element>& child : element.GetChildren())
        if (Shows(*child, text))
            return true;
    return false;
}

} // namespace

std::vector<ScriptStep> ParseScript(const std::string& text)
{
    std::vector<ScriptStep> steps;
    std::istringstream lines(text);
    std::string line;
    for (uint32_t number = 1; std::getline(lines, line); ++number)
    {
        line = line.substr(0, line.find('#'));
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        ScriptStep step;
        if (ReadStep(line, step))
            steps.push_back(step);
        else
            Lumvek::Log::Write("script line {} does not read and is skipped: {}", number, line);
    }
    return steps;
}

ScriptRunner::ScriptRunner(std::vector<ScriptStep> scriptSteps, const LoadStatus& loadStatus)
    : steps(std::move(scriptSteps)), load(loadStatus)
{
}

ScriptRunner::~ScriptRunner()
{
    for (SDL_Joystick* pad : pads)
        if (pad)
            SDL_JoystickClose(pad);
}

void ScriptRunner::Setup()
{
    for (const std::unique_ptr<Lumvek::System>& system : GetApplication()->GetSystems())
        if (auto* found = dynamic_cast<Lumvek::Gui*>(system.get()))
            gui = found;
    // A hidden or unfocused test window would otherwise never see the pads' buttons.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    uint32_t padCount = 0;
    for (const ScriptStep& step : steps)
        if (step.action == ScriptStep::Action::Down || step.action == ScriptStep::Action::Up)
            padCount = std::max(padCount, step.pad + 1);
    // Attached in order, so that pad n takes the game's controller slot n.
    for (uint32_t pad = 0; pad < padCount; ++pad)
    {
        const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                                    SDL_CONTROLLER_BUTTON_MAX, 0);
        SDL_Joystick* joystick = index >= 0 ? SDL_JoystickOpen(index) : nullptr;
        if (!joystick)
            Lumvek::Log::Write("the script's pad {} could not be attached: {}", pad,
                               Lumvek::StringView::FromCString(SDL_GetError()));
        pads.push_back(joystick);
    }
}

bool ScriptRunner::ConditionHolds(const ScriptStep& step) const
{
    // A press made before the program has the pad, or while its last change is still on the way,
    // would be lost: the pad must be connected and its button in the other state.
    if (step.action == ScriptStep::Action::Down || step.action == ScriptStep::Action::Up)
    {
        if (!gui || step.pad >= Lumvek::ControllerCount)
            return false;
        const Lumvek::ControllerState& pad = gui->GetInput().controllers[step.pad];
        if (!pad.connected || pad.held[CodeOf(step.button)] != (step.action == ScriptStep::Action::Up ? 1 : 0))
            return false;
    }
    if (step.load != LoadState::None && static_cast<int32_t>(load.GetState()) < static_cast<int32_t>(step.load))
        return false;
    if (step.screen.empty() && step.shown.empty())
        return true;
    if (!gui)
        return false;
    bool screenActive = step.screen.empty();
    for (const Lumvek::MenuRecord* record : gui->GetDrawOrder())
        if (record->active && ClassName(*record->menu) == step.screen)
            screenActive = true;
    if (!screenActive)
        return false;
    for (const std::string& text : step.shown)
    {
        bool shown = false;
        for (const Lumvek::MenuRecord* record : gui->GetDrawOrder())
            shown = shown || (record->active && Shows(record->menu->GetRoot(), text));
        if (!shown)
            return false;
    }
    return true;
}

void ScriptRunner::Update(int64_t elapsed)
{
    (void)elapsed;
    if (settle > 0)
    {
        --settle;
        return;
    }
    if (unseen)
    {
        // A step the game never sees (the pointer outside the window) must not hold the script for
        // ever; the limit is far beyond what a loaded machine takes to pass an event on.
        constexpr auto longestWait = std::chrono::seconds(30);
        const bool seen = Seen(*unseen);
        if (!seen && std::chrono::steady_clock::now() - unseenSince < longestWait)
            return;
        if (!seen)
            Lumvek::Log::Write("the script's step {} was not seen by the game: going on", next);
        unseen = nullptr;
    }
    if (next >= steps.size())
        return;
    const ScriptStep& step = steps[next];
    if (!ConditionHolds(step))
        return;
    if (waited < step.frames)
    {
        ++waited;
        return;
    }
    waited = 0;
    ++next;
    Act(step);
}

void ScriptRunner::Act(const ScriptStep& step)
{
    switch (step.action)
    {
    case ScriptStep::Action::Down:
    case ScriptStep::Action::Up:
        if (step.pad < pads.size() && pads[step.pad])
            SDL_JoystickSetVirtualButton(pads[step.pad], step.button, step.action == ScriptStep::Action::Down);
        // Held for a few frames, so that SDL pumps the change before anything else happens; the next
        // change of the pad also waits for the Gui to have seen this one.
        settle = 3;
        break;
    case ScriptStep::Action::Screenshot:
    {
        auto* device = dynamic_cast<Lumvek::OpenGL::OpenGLGraphicsDevice*>(GetApplication()->GetGraphicsDevice());
        std::vector<uint8_t> rgba;
        uint32_t width = 0, height = 0;
        if (!device || !device->ReadPixels(nullptr, rgba, width, height))
        {
            Lumvek::Log::Write("the screenshot {} could not be taken", step.argument);
            break;
        }
        // Blending leaves the back buffer's alpha below 255 where the screen shows solid colour; a
        // picture saved with it looks washed out in viewers, so it is saved opaque.
        for (size_t i = 3; i < rgba.size(); i += 4)
            rgba[i] = 255;
        png_image png{};
        png.version = PNG_IMAGE_VERSION;
        png.width = width;
        png.height = height;
        png.format = PNG_FORMAT_RGBA;
        if (!png_image_write_to_file(&png, step.argument.c_str(), 0, rgba.data(), 0, nullptr))
            Lumvek::Log::Write("the screenshot {} could not be written", step.argument);
        break;
    }
    case ScriptStep::Action::Exit:
        GetApplication()->SetExitCode(std::atoi(step.argument.c_str()));
        GetApplication()->Quit();
        break;
    case ScriptStep::Action::MouseMove:
    case ScriptStep::Action::MouseDown:
    case ScriptStep::Action::MouseUp:
    case ScriptStep::Action::KeyDown:
    case ScriptStep::Action::KeyUp:
    case ScriptStep::Action::Text:
        if (auto* host = dynamic_cast<Lumvek::SdlApplication*>(GetApplication()))
            textBefore = host->textRing.WriteIndex();
        PushEvent(step);
        // Given a few frames, as pad buttons are, and then held until the game has it.
        settle = 3;
        unseen = &step;
        unseenSince = std::chrono::steady_clock::now();
        break;
    }
}

bool ScriptRunner::Seen(const ScriptStep& step) const
{
    if (step.action == ScriptStep::Action::Text)
    {
        const auto* host = dynamic_cast<const Lumvek::SdlApplication*>(GetApplication());
        return !host || host->textRing.WriteIndex() != textBefore;
    }
    if (!gui)
        return true;
    if (step.action == ScriptStep::Action::KeyDown || step.action == ScriptStep::Action::KeyUp)
    {
        const Lumvek::KeyboardState& keyboard = gui->GetInput().keyboard;
        const Lumvek::Key key =
            Lumvek::KeyFromVirtualKey(Lumvek::SdlScancodeToVirtualKey(static_cast<SDL_Scancode>(step.button)));
        // A key the engine has no code for cannot be followed.
        if (key == Lumvek::Key::Other)
            return true;
        if (step.action == ScriptStep::Action::KeyDown)
            return keyboard.held[key] != 0 || keyboard.pressed[key] != 0;
        return keyboard.held[key] == 0;
    }
    const Lumvek::MouseState& mouse = gui->GetInput().mouse;
    if (step.action == ScriptStep::Action::MouseMove)
        return mouse.position.x == static_cast<float>(step.x) && mouse.position.y == static_cast<float>(step.y);
    const Lumvek::MouseButton button =
        Lumvek::MouseButtonFromMask(Lumvek::SdlMouseButtonToMask(static_cast<uint8_t>(step.button)));
    return (mouse.held[button] != 0) == (step.action == ScriptStep::Action::MouseDown);
}

void ScriptRunner::PushEvent(const ScriptStep& step)
{
    auto* host = dynamic_cast<Lumvek::SdlApplication*>(GetApplication());
    SDL_Window* window = host ? host->GetWindow() : nullptr;
    const uint32_t windowId = window ? SDL_GetWindowID(window) : 0;
    SDL_Event event{};
    switch (step.action)
    {
    case ScriptStep::Action::MouseMove:
        event.type = SDL_MOUSEMOTION;
        event.motion.windowID = windowId;
        event.motion.x = step.x;
        event.motion.y = step.y;
        break;
    case ScriptStep::Action::MouseDown:
    case ScriptStep::Action::MouseUp:
        event.type = step.action == ScriptStep::Action::MouseDown ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        event.button.windowID = windowId;
        event.button.button = static_cast<uint8_t>(step.button);
        event.button.state = step.action == ScriptStep::Action::MouseDown ? SDL_PRESSED : SDL_RELEASED;
        event.button.clicks = 1;
        break;
    case ScriptStep::Action::KeyDown:
    case ScriptStep::Action::KeyUp:
        event.type = step.action == ScriptStep::Action::KeyDown ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.windowID = windowId;
        event.key.state = step.action == ScriptStep::Action::KeyDown ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.scancode = static_cast<SDL_Scancode>(step.button);
        event.key.keysym.sym = SDL_GetKeyFromScancode(event.key.keysym.scancode);
        break;
    case ScriptStep::Action::Text:
        event.type = SDL_TEXTINPUT;
        event.text.windowID = windowId;
        std::snprintf(event.text.text, sizeof(event.text.text), "%s", step.argument.c_str());
        break;
    default:
        return;
    }
    event.common.timestamp = SDL_GetTicks();
    if (SDL_PushEvent(&event) < 0)
        Lumvek::Log::Write("the script's event could not be queued: {}",
                           Lumvek::StringView::FromCString(SDL_GetError()));
}
