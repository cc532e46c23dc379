#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Math.h"
#include "Source/Data/NameTables.h"
#include "Source/World/Body.h"
#include "Source/World/EntityStorage.h"
#include "Source/World/PlatformRenderable.h"

#include <cstdint>
#include <memory>
#include <vector>

class b2Body;
class World;
struct Platform;

// One key of a platform's path: where the body is at that time, and how it behaves from there on.
struct PathKey
{
    // Seconds from the start of the path.
    float time = 0.0f;
    float x = 0.0f;
    float y = 0.0f;
    PathState state = PathState::Normal;

    bool operator==(const PathKey&) const = default;
};

// A path is its keys in ascending time; the last key's time is its length.
using Path = std::vector<PathKey>;

struct PathSample
{
    Lumvek::Vector2 position;
    PathState state = PathState::Normal;
};

namespace PathKeys
{

// The position between the keys around t and the state of the key at or before it. Before the first
// key the first key's state holds; after the last key its position. Two keys at the same time give
// the earlier one's position, never a division by zero.
PathSample Sample(const Path& path, float t);
// The key whose stretch holds t: the last key from the second on whose time is at most t, else the
// first. An empty path gives an all-zero key.
PathKey KeyAt(const Path& path, float t);

} // namespace PathKeys

// A platform's body: a static Box2D box, or a kinematic one for a moving platform. Owned by its
// platform record.
class PlatformBody : public Body
{
public:
    ~PlatformBody() override;

    // Drops the Box2D body (destroying it when it still holds one) and makes a static one.
    void Reset() override;
    // Makes the Box2D body of the given type (0 static, 1 kinematic) over the body's rectangle unless
    // it has one. A body whose rectangle is not finite with a positive size gets none.
    void CreatePhysics(uint32_t bodyType);
    // Destroys the Box2D body, if any.
    void DestroyPhysics();

    Platform* platform = nullptr;
    b2Body* physicsBody = nullptr;
};

// The body of a moving platform, which follows its path, stopping at stop keys until an action starts
// it again and ending at a finish key.
class PathedBody final : public PlatformBody
{
public:
    // Restarts from a one-key path at the current position, with a kinematic Box2D body.
    void Reset() override;
    // Advances the path clock by dt: moves, hides or shows the body, and gives the Box2D body the
    // velocity of the move. A path without keys does not move.
    void Step(float dt);

    Path path;
    uint8_t stopped = 0;
    uint8_t finished = 0;
    // The path clock, in seconds.
    float time = 0.0f;
};

// One platform of the map, held in the World's platform array; its id is its index.
struct Platform : Entity<Platform>
{
    Body& GetBody() { return *body; }
    const Body& GetBody() const { return *body; }
    // The moving body, or null for a platform that does not move.
    PathedBody* GetPathedBody() { return moving ? static_cast<PathedBody*>(body.get()) : nullptr; }
    const PathedBody* GetPathedBody() const { return moving ? static_cast<const PathedBody*>(body.get()) : nullptr; }

    // Gives the platform a new body of the kind that follows a path (true) or stands still, and keeps
    // the world's list of moving platforms in step: a platform is listed once, however often it is set.
    void SetMoving(World& world, bool value);
    // Lists the platform among the world's hot-zone platforms, or takes it out.
    void SetHotZone(World& world, bool value);

    uint8_t hidden = 0;
    // Holds up only what comes down onto it from above.
    uint8_t oneWay = 0;
    uint8_t moving = 0;
    uint8_t hotZone = 0;
    uint8_t impassable = 0;
    // Conveyor speed of the surface.
    float conveyance = 0.0f;
    // Made by the map, as opposed to during play; only these are saved.
    bool fromMap = false;
    std::unique_ptr<PlatformBody> body;
    // How the game renderer draws the platform's tiles; null when headless or hidden.
    std::unique_ptr<PlatformRenderable> renderable;
};

// Reads a map element's path keys from the reader's current value: for each element a key with its
// "Time" and its "Value" object's "Position" and "Action". The keys read so far stay; false, reported
// to the reader, when the value is no Array or a key lacks "Time" or a "Value" object.
bool ReadPath(Lumvek::BlueprintReader& reader, Path& path);
void WritePath(Lumvek::BlueprintWriter& writer, const Path& path);

// Reads a map element's platform members (its flags, "Conveyance" and, for a moving platform, its
// "Path"), each member it cannot take reported to the reader, then makes the platform at the position
// and size in the world. A moving element without path keys, or with a time or position that is not
// finite, becomes a platform that does not move, reported. Null without a world (the members are only
// checked), and after the factory's message when the platform cannot be made.
Platform* ReadPlatform(Lumvek::BlueprintReader& reader, World* world, Lumvek::Vector2 position, Lumvek::Vector2 size);
