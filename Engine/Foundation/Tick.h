#pragma once

#include <cstdint>

namespace Lumvek
{

// A match runs in fixed ticks, 60 a second: the game system steps by them, the world moves its bodies
// and counts its timers in them, the server paces its frames and a client its inputs by them. Every
// form of the tick's length below derives from this count.
inline constexpr int32_t TicksPerSecond = 60;
// The float nearest to 1/60 (0.016666668f), for the world and the data whose arithmetic is float: a
// match replays only while every machine steps by the same value.
inline constexpr float TickSeconds = 1.0f / TicksPerSecond;
// In double precision, for the clocks that count ticks: the server's deadlines, a client's lead, the
// frame loop's blend between two ticks.
inline constexpr double PreciseTickSeconds = 1.0 / TicksPerSecond;
// Truncated to whole nanoseconds, for the game system's clock and a client's pace of one packet a tick.
inline constexpr int64_t TickNanoseconds = 1'000'000'000 / TicksPerSecond;

static_assert(TickSeconds == 0.016666668f && TickNanoseconds == 16'666'666);

} // namespace Lumvek
