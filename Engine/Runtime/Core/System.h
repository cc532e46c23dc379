#pragma once

#include <cstdint>

namespace Lumvek
{

class Application;

// One unit of the program that the application runs: the game, the engine's Gui, the tools. Owned by
// the application once added; every operation is called on the application thread, in the order the
// systems were added. The frame operations take the time since the previous frame in nanoseconds.
class System
{
public:
    virtual ~System() = default;

    virtual void Setup() {}
    virtual void Start() {}
    virtual void Resume() {}
    virtual void Pause() {}
    virtual void Stop() {}
    virtual void Unload() {}
    // Called once every system has been set up.
    virtual void Begin() {}
    virtual void Update(int64_t elapsed) { (void)elapsed; }
    // Runs after every system's Update of the same frame.
    virtual void LateUpdate(int64_t elapsed) { (void)elapsed; }
    virtual void Render(int64_t elapsed) { (void)elapsed; }

    // Null until the system is added to an application.
    Application* GetApplication() const { return application; }

private:
    friend class Application;
    Application* application = nullptr;
};

} // namespace Lumvek
