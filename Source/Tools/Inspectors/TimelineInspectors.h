#pragma once

#include "Engine/Foundation/Math.h"
#include "Engine/Runtime/Particles/ParticleRules.h"
#include "Source/Tools/Inspectors/Inspector.h"

#include <cstdint>

namespace Lumvek::Effects
{
class EffectData;
}

// The window over one keyframe curve of a particle rule: keys are dragged on a canvas, added with a
// click, removed with a right click, and typed exactly in a modal frame editor. The curve belongs to
// the rule and the rule to the effect: the emitter window closes these windows when the rule goes,
// and the effect window when the effect's emitter list changes. Application thread.
class TimelineInspector : public Inspector
{
public:
    static constexpr uint32_t None = 0xFFFFFFFF;
    static constexpr float CanvasHeight = 150.0f;
    static constexpr float Inset = 4.0f;

    TimelineInspector(float minimum, float maximum, const Lumvek::Effects::EffectData* effect, const void* rule)
        : minimum(minimum), maximum(maximum), effect(effect), rule(rule), held(effect)
    {
    }

    // The point on the canvas of a key, and the key of a point (time and value, both held within
    // the canvas), in screen pixels of the last Draw.
    Lumvek::Vector2 KeyPoint(float time, float value) const;
    Lumvek::Vector2 PointKey(Lumvek::Vector2 point) const;

    float minimum = 0.0f;
    float maximum = 1.0f;
    uint32_t hovered = None;
    uint32_t dragged = None;
    // Whether the dragged key is at the mouse already (a key just added) or waits for the mouse to move.
    bool followsMouse = false;
    uint32_t edited = None;
    Lumvek::Vector2 editorPosition;
    // The effect and the rule the curve lives in; they only identify the window's owners.
    const Lumvek::Effects::EffectData* effect = nullptr;
    const void* rule = nullptr;
    // The effect is unloaded with the match that loaded it; the window then closes.
    HeldResource<Lumvek::Effects::EffectData> held;
    // The drawing area of the last Draw, in screen pixels.
    float left = 0.0f;
    float top = 0.0f;
    float width = 1.0f;
    float height = CanvasHeight - 2.0f * Inset;
};

// The curve's keys stay in time order: each edit re-sorts them, and the edited or dragged index
// follows its key.
template <class V> class CurveInspector : public TimelineInspector
{
public:
    CurveInspector(Lumvek::Effects::Timeline<V>& curve, float minimum, float maximum,
                   const Lumvek::Effects::EffectData* effect, const void* rule)
        : TimelineInspector(minimum, maximum, effect, rule), curve(&curve)
    {
    }

    void Draw() override;

    Lumvek::Effects::Timeline<V>* curve;

private:
    void DrawFrameEditor();
    // Sorts the keys by time; returns the new index of the key that stood at followed.
    uint32_t Resort(uint32_t followed);
};

class FloatTimelineInspector final : public CurveInspector<float>
{
public:
    using CurveInspector<float>::CurveInspector;
};

// Values are whole numbers from 0 to 255.
class ByteTimelineInspector final : public CurveInspector<uint8_t>
{
public:
    ByteTimelineInspector(Lumvek::Effects::Timeline<uint8_t>& curve, const Lumvek::Effects::EffectData* effect,
                          const void* rule)
        : CurveInspector<uint8_t>(curve, 0.0f, 255.0f, effect, rule)
    {
    }
};

// Closes the timeline windows of the effect, or of one rule of it when a rule is given.
void CloseTimelineWindows(const Lumvek::Effects::EffectData& effect, const void* rule = nullptr);
