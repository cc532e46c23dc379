#include "Source/World/Platform.h"

#include "Engine/Foundation/Members.h"
#include "Source/World/Collision.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/World.h"

#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Lumvek;

namespace PathKeys
{

PathSample Sample(const Path& path, float t)
{
    const size_t n = path.size();
    if (n == 0)
        return {};
    size_t i = 0;
    for (size_t k = n - 1; k >= 1; --k)
        if (path[k].time <= t)
        {
            i = k;
            break;
        }
    size_t j = n;
    for (size_t k = 0; k < n; ++k)
        if (path[k].time >= t)
        {
            j = k;
            break;
        }
    if (j == n)
        i = j = n - 1;
    const PathKey& a = path[i];
    const PathKey& b = path[j];
    const float span = b.time - a.time;
    // Keys of equal time would divide zero by zero.
    const float f = i != j && span != 0.0f ? (t - a.time) / span : 0.0f;
    return {{a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f}, a.state};
}

PathKey KeyAt(const Path& path, float t)
{
    if (path.empty())
        return {};
    for (size_t k = 1; k < path.size(); ++k)
        if (path[k].time > t)
            return path[k - 1];
    return path[0];
}

} // namespace PathKeys

PlatformBody::~PlatformBody()
{
    DestroyPhysics();
}

void PlatformBody::Reset()
{
    DestroyPhysics();
    CreatePhysics(0);
}

void PlatformBody::DestroyPhysics()
{
    if (physicsBody && world)
        world->ForgetPlatformCopy(physicsBody);
    if (physicsBody)
        physicsBody->GetWorld()->DestroyBody(physicsBody);
    physicsBody = nullptr;
}

void PlatformBody::CreatePhysics(uint32_t bodyType)
{
    if (physicsBody || !world || !world->GetPhysics())
        return;
    const float halfWidth = width * 0.5f;
    const float halfHeight = height * 0.5f;
    if (!Collision::IsValidBox(x + halfWidth, y + halfHeight, halfWidth, halfHeight))
        return;
    b2BodyDef definition;
    definition.type = bodyType == 1 ? b2_kinematicBody : b2_staticBody;
    definition.position.Set(x + halfWidth, y + halfHeight);
    physicsBody = world->GetPhysics()->CreateBody(&definition);
    b2PolygonShape box;
    box.SetAsBox(halfWidth, halfHeight);
    b2FixtureDef fixture;
    fixture.shape = &box;
    fixture.friction = 0.2f;
    fixture.restitution = 0.0f;
    fixture.density = 0.0f;
    fixture.userData.pointer = reinterpret_cast<uintptr_t>(static_cast<Body*>(this));
    fixture.filter.categoryBits = platform && platform->oneWay ? Collision::OneWayPlatform : Collision::SolidPlatform;
    fixture.filter.maskBits = Collision::DynamicBody;
    physicsBody->CreateFixture(&fixture);
}

void PathedBody::Reset()
{
    DestroyPhysics();
    CreatePhysics(1);
    path.assign(1, PathKey{0.0f, x, y, PathState::Normal});
    time = 0.0f;
    stopped = 0;
    finished = 0;
}

void PathedBody::Step(float dt)
{
    previousX = x;
    previousY = y;
    b2Vec2 velocity(0.0f, 0.0f);
    if (!stopped && !finished && !path.empty())
    {
        const float t0 = time;
        float t = t0 + dt;
        const PathKey& last = path.back();
        if (t > last.time && last.state == PathState::Finished)
        {
            x = last.x;
            y = last.y;
            time = last.time;
            finished = 1;
        }
        else
        {
            if (t > last.time)
                t -= last.time;
            const PathSample s0 = PathKeys::Sample(path, t0);
            const PathSample s1 = PathKeys::Sample(path, t);
            if (s1.state != PathState::Stopped || s0.state == s1.state)
            {
                x = s1.position.x;
                y = s1.position.y;
                time = t;
                if (s1.state == PathState::Hidden && active)
                {
                    active = 0;
                    DestroyPhysics();
                }
                else if (s1.state == PathState::Normal && !active)
                {
                    CreatePhysics(1);
                    active = 1;
                }
            }
            else
            {
                x = s1.position.x;
                y = s1.position.y;
                time = PathKeys::KeyAt(path, t).time;
                stopped = 1;
            }
        }
        if (dt != 0.0f)
            velocity.Set((x - previousX) / dt, (y - previousY) / dt);
    }
    if (physicsBody)
        physicsBody->SetLinearVelocity(velocity);
}

void Platform::SetMoving(World& world, bool value)
{
    std::vector<Platform*>& list = world.movingPlatforms;
    body.reset();
    if (value)
    {
        body = std::make_unique<PathedBody>();
        if (!moving)
            list.push_back(this);
    }
    else
    {
        body = std::make_unique<PlatformBody>();
        if (moving)
            if (auto found = std::find(list.begin(), list.end(), this); found != list.end())
                list.erase(found);
    }
    body->platform = this;
    body->world = &world;
    moving = value;
}

void Platform::SetHotZone(World& world, bool value)
{
    std::vector<Platform*>& list = world.hotZonePlatforms;
    if (value)
        list.push_back(this);
    else if (auto found = std::find(list.begin(), list.end(), this); found != list.end())
        list.erase(found);
    hotZone = value;
}

bool ReadPath(BlueprintReader& reader, Path& path)
{
    bool complete = true;
    const Blueprint& keys = reader.GetCurrent();
    if (keys.GetType() != BlueprintType::Array)
    {
        reader.Refuse({}, "an array of path keys was expected");
        return false;
    }
    for (uint32_t i = 0; i < keys.GetCount(); ++i)
    {
        PathKey& key = path.emplace_back();
        reader.GetElement(i);
        if (!ReadMember(reader, "Time", key.time))
        {
            if (!reader.GetCurrent().GetObject().Find("Time"))
                reader.Refuse("Time", "a path key needs its time");
            complete = false;
        }
        const Blueprint* value = reader.GetCurrent().GetObject().Find("Value");
        if (value && value->GetType() == BlueprintType::Object)
        {
            reader.GetMember("Value");
            Vector2 position(key.x, key.y);
            // A position that was not taken names no place, and such a path is not followed below.
            if (!ReadMember(reader, "Position", position) && reader.GetCurrent().GetObject().Find("Position"))
                position.x = std::numeric_limits<float>::quiet_NaN();
            key.x = position.x;
            key.y = position.y;
            ReadMember(reader, "Action", key.state);
            reader.Pop();
        }
        else
        {
            reader.Refuse("Value", "a path key needs its value object");
            complete = false;
        }
        reader.Pop();
    }
    return complete;
}

void WritePath(BlueprintWriter& writer, const Path& path)
{
    writer.GetCurrent().SetArray();
    for (uint32_t i = 0; i < path.size(); ++i)
    {
        const PathKey& key = path[i];
        writer.PushElement(i);
        WriteMember(writer, "Time", key.time);
        writer.PushMember("Value");
        WriteMember(writer, "Position", Vector2(key.x, key.y));
        if (!WriteMember(writer, "Action", key.state))
            WriteMember(writer, "Action", StringView(std::to_string(static_cast<uint32_t>(key.state))));
        writer.Pop();
        writer.Pop();
    }
}

namespace
{

bool ReadFlag(BlueprintReader& reader, StringView key)
{
    bool value = false;
    ReadMember(reader, key, value);
    return value;
}

} // namespace

Platform* ReadPlatform(BlueprintReader& reader, World* world, Vector2 position, Vector2 size)
{
    bool moving = ReadFlag(reader, "Moving");
    const bool hidden = ReadFlag(reader, "Hidden"), oneWay = ReadFlag(reader, "OneWay");
    const bool hotZone = ReadFlag(reader, "HotZone"), impassable = ReadFlag(reader, "Impassable");
    float conveyance = 0.0f;
    ReadMember(reader, "Conveyance", conveyance);
    Path path;
    if (moving)
    {
        if (reader.GetMember("Path"))
        {
            ReadPath(reader, path);
            reader.Pop();
        }
        const bool finite = std::all_of(
            path.begin(), path.end(),
            [](const PathKey& key) { return std::isfinite(key.time) && std::isfinite(key.x) && std::isfinite(key.y); });
        // A moving platform needs a place to be at every moment; without keys, or with keys that name
        // no place, it stands still.
        if (path.empty() || !finite)
        {
            reader.Refuse("Path", "no path the platform can follow, so it does not move");
            moving = false;
        }
    }
    if (!world)
        return nullptr;
    Platform* platform = CreatePlatformEntity(*world, position, size, hidden, oneWay, moving, hotZone);
    if (!platform)
        return nullptr;
    platform->impassable = impassable;
    platform->conveyance = conveyance;
    if (PathedBody* pathed = platform->GetPathedBody())
    {
        pathed->path = std::move(path);
        pathed->stopped = pathed->path.front().state == PathState::Stopped;
    }
    return platform;
}
