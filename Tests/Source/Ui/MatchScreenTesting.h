#pragma once

#include "Source/Data/Profile.h"
#include "Source/Game/LoadStatus.h"
#include "Source/GameTypes/GameType.h"
#include "Source/Network/Network.h"
#include "Source/Ui/Screens/DemoScreens.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace MatchScreenTesting
{

// A network role whose state and timer the test sets; it records a stop.
class ScriptedRole final : public Network
{
public:
    ScriptedRole() : Network(NetworkSettings()) {}

    void Update(int64_t) override {}
    void BeginLoading() override {}
    void BeginPreparing() override {}
    void BeginStarting() override {}
    void Step(float) override {}
    void SaveJournal() override {}
    void BeginEnding() override {}
    void Stop() override
    {
        ++stops;
        state = NetworkState::Stopped;
    }

    void Set(NetworkState next, float elapsed = 0.0f, float length = 0.0f)
    {
        state = next;
        timer = elapsed;
        duration = length;
    }

    int32_t stops = 0;
};

// Rules whose ranking, lines and progress the test writes: progress is score / 10.
class ScriptedRules final : public GameType
{
public:
    using GameType::GameType;

    float GetProgress(int32_t score) const override { return static_cast<float>(score) / 10.0f; }

    std::vector<ScoreEntry>& Ranking() { return teamScores; }
    std::vector<GameTypeEvent>& Feed() { return feed; }
    GameTypeEvent& Status(uint32_t screen) { return statuses.at(screen); }
    std::vector<GameTypeEvent>& Events(uint32_t screen) { return events.at(screen); }
};

// The Gui on a recording device with scripted pads, over a match context of the shipped definitions
// (the demo set-ups included), with a scripted local role the front end's hooks make and drive.
class ScreensTest : public ::testing::Test
{
protected:
    ScreensTest()
    {
        match.ownRegistry.demoChallenges.Load();
        match.ownRegistry.demoConfigurations.Load();
        frontEnd.game = &match;
        frontEnd.currentNetwork = [this] { return network; };
        frontEnd.load = &load;
        frontEnd.startLocalGame = [this] { MakeRole(); };
        frontEnd.beginVoting = [this]
        {
            ++votes;
            if (role)
                role->Set(NetworkState::Voting, 0.0f, 10.0f);
        };
        frontEnd.setPaused = [this](bool pause) { paused = pause; };
    }
    ScriptedRole& MakeRole()
    {
        ownRole = std::make_unique<ScriptedRole>();
        role = ownRole.get();
        network = role;
        return *role;
    }

    // A press in one frame and the release in the next.
    void Tap(uint32_t pad, Lumvek::ControllerButton button)
    {
        app.controllers->next[pad].pressed[button] = 1;
        app.Frame();
        app.controllers->next[pad].released[button] = 1;
        app.Frame();
    }

    // The open screens of a type in draw order, closing ones left out.
    template <class S> std::vector<S*> Find()
    {
        std::vector<S*> found;
        for (const Lumvek::MenuRecord* record : app.gui->GetDrawOrder())
            if (auto* screen = dynamic_cast<S*>(record->menu.get()); screen && record->opening)
                found.push_back(screen);
        return found;
    }
    template <class S> S* FindOne()
    {
        const std::vector<S*> found = Find<S>();
        return found.size() == 1 ? found.front() : nullptr;
    }
    bool IsActive(const Lumvek::Menu& menu)
    {
        for (const Lumvek::MenuRecord* record : app.gui->GetDrawOrder())
            if (record->menu.get() == &menu)
                return record->active != 0;
        return false;
    }

    Lumvek::GuiTesting::TestApplication app;
    MatchTesting::Match match;
    ProfileCollection profiles;
    LoadStatus load;
    std::unique_ptr<ScriptedRole> ownRole;
    ScriptedRole* role = nullptr;
    // The role the front end sees: the scripted one, or one a test makes.
    Network* network = nullptr;
    int32_t votes = 0;
    bool paused = false;
    FrontEnd frontEnd{profiles, match.configuration, {}, {}, {}};
};

} // namespace MatchScreenTesting
