#pragma once

#include "Engine/Runtime/Input/Input.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

namespace Lumvek
{

// A key going down or up, named by its Windows virtual-key code: bindings and key names were made
// for those codes, so every platform translates its own key codes into them.
struct KeyEvent
{
    uint8_t down = 0;
    uint64_t virtualKey = 0;
    // A held key's repeat at the system's rate: it neither presses nor releases the key, and only
    // readers that ask for repeats see it.
    uint8_t repeat = 0;
};

// A mouse button going down or up. Masks: 1 left, 2 right, 16 middle, 32 and 64 the extra buttons.
struct MouseEvent
{
    uint8_t down = 0;
    uint64_t buttonMask = 0;
};

// One character of typed text, as a Unicode code point. keysBefore is the keyboard ring's write index
// when it was typed: the character came after the key events placed before it, and before the rest.
struct TextEvent
{
    uint32_t codePoint = 0;
    uint32_t keysBefore = 0;
};

// A controller button going down or up on one of the four pad slots. connection names the pad that
// sat in the slot when the event happened, so that a reader can drop events of a pad that has left.
struct ControllerEvent
{
    uint32_t padIndex = 0;
    uint32_t down = 0;
    uint32_t button = 0; // a ControllerButton code
    int32_t connection = -1;
};

// A fixed ring of the latest events, written by one thread and read by any number of readers on
// other threads, each with its own cursor. A reader that falls more than Capacity events behind
// sees the latest Capacity of them. Entries are stored in atomic words so that a reader racing a
// writer that laps it reads no torn entry: such an entry is dropped instead.
template <typename Event, uint32_t Size> class EventRing
{
    static_assert(std::is_trivially_copyable_v<Event>);

public:
    static constexpr uint32_t Capacity = Size;

    // Writer thread only.
    void Push(const Event& event)
    {
        const uint32_t index = writeIndex.load(std::memory_order_relaxed);
        uint64_t words[WordCount] = {};
        std::memcpy(words, &event, sizeof(Event));
        overwriting.store(index, std::memory_order_relaxed);
        // Each word is released, so a reader that sees it also sees the claim above. (Per-access
        // orders rather than a fence: they cost the same here and ThreadSanitizer understands them.)
        for (uint32_t w = 0; w < WordCount; ++w)
            entries[index % Size][w].store(words[w], std::memory_order_release);
        writeIndex.store(Next(index), std::memory_order_release);
    }

    // Calls visit(const Event&), or visit(const Event&, uint32_t place) with the event's write index, for
    // each event written since the cursor, oldest first, and returns the cursor to pass next time. A new
    // reader starts with cursor 0. Sets *missed when events since the cursor were passed over, the reader
    // having fallen more than the ring behind.
    template <typename Visitor> uint32_t Read(uint32_t cursor, Visitor&& visit, bool* missed = nullptr) const
    {
        const uint32_t end = writeIndex.load(std::memory_order_acquire);
        cursor %= Limit;
        bool passedOver = false;
        if (Distance(cursor, end) > Size)
        {
            cursor = (end + Limit - Size) % Limit;
            passedOver = true;
        }
        for (; cursor != end; cursor = Next(cursor))
        {
            uint64_t words[WordCount];
            // Acquired, so that the claim checked below is at least the one made before these words.
            for (uint32_t w = 0; w < WordCount; ++w)
                words[w] = entries[cursor % Size][w].load(std::memory_order_acquire);
            if (Distance(cursor, overwriting.load(std::memory_order_relaxed)) >= Size)
            {
                passedOver = true; // lapped while being read
                continue;
            }
            Event event;
            std::memcpy(&event, words, sizeof(Event));
            if constexpr (std::is_invocable_v<Visitor&, const Event&, uint32_t>)
                visit(static_cast<const Event&>(event), cursor);
            else
                visit(static_cast<const Event&>(event));
        }
        if (missed)
            *missed = passedOver;
        return cursor;
    }

    // The cursor a reader would get back after reading everything written so far.
    uint32_t WriteIndex() const { return writeIndex.load(std::memory_order_acquire); }

    // Whether the event written at place came before mark, a write index taken later or earlier than it
    // by less than half the counter's range.
    static bool Precedes(uint32_t place, uint32_t mark)
    {
        const uint64_t distance = Distance(place, mark);
        return distance != 0 && distance < Limit / 2;
    }

private:
    static constexpr uint32_t WordCount = (sizeof(Event) + 7) / 8;
    // The counter wraps at a multiple of the size, so the entry of a count never jumps at the wrap.
    static constexpr uint32_t Limit = static_cast<uint32_t>(0x100000000ull / Size * Size);

    static uint32_t Next(uint32_t index) { return (index + 1) % Limit; }
    static uint64_t Distance(uint32_t from, uint32_t to) { return (uint64_t(to) + Limit - from) % Limit; }

    std::array<std::array<std::atomic<uint64_t>, WordCount>, Size> entries{};
    std::atomic<uint32_t> writeIndex{0};
    std::atomic<uint32_t> overwriting{0};
};

// The reader's code of a button event: a Key or a MouseButton number.
inline uint32_t CodeOf(const KeyEvent& event)
{
    return static_cast<uint32_t>(KeyFromVirtualKey(event.virtualKey));
}
inline uint32_t CodeOf(const MouseEvent& event)
{
    return static_cast<uint32_t>(MouseButtonFromMask(event.buttonMask));
}
// A pad button's code counts the buttons of the pad slots before it; beyond the slots or buttons it
// is ControllerCount * ControllerButtonCount, which names no button.
inline uint32_t CodeOf(const ControllerEvent& event)
{
    if (event.padIndex >= ControllerCount || event.button >= ControllerButtonCount)
        return ControllerCount * ControllerButtonCount;
    return event.padIndex * ControllerButtonCount + event.button;
}

// Whether the event repeats a held key; no other button repeats.
inline bool IsRepeat(const KeyEvent& event)
{
    return event.repeat != 0;
}
inline bool IsRepeat(const MouseEvent&)
{
    return false;
}
inline bool IsRepeat(const ControllerEvent&)
{
    return false;
}

// A ring of keys or buttons going down and up that also keeps how each stands after everything
// pushed so far, and how often each has gone down and up. A reader that fell more than the ring behind
// takes the held state and the taps from these, so that neither a release nor a tap pushed out of the
// ring (a stalled frame while other keys go on) is lost.
template <typename Event, uint32_t Size, uint32_t CodeCount> class ButtonRing : public EventRing<Event, Size>
{
public:
    // Writer thread only. The state and counts are stored before the event is published: a reader that
    // sees the event sees at least those.
    void Push(const Event& event)
    {
        if (const uint32_t code = CodeOf(event); code < CodeCount && !IsRepeat(event))
        {
            standing[code].store(event.down ? 1 : 0, std::memory_order_relaxed);
            std::atomic<uint32_t>& times = event.down ? presses[code] : releases[code];
            times.store(times.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
        }
        EventRing<Event, Size>::Push(event);
    }

    // Writer thread only: the code goes up without an event, its source having gone away.
    void Lift(uint32_t code)
    {
        if (code < CodeCount)
            standing[code].store(0, std::memory_order_relaxed);
    }

    // How the code stands: as of the last event the reader has read, or of one pushed since.
    bool Standing(uint32_t code) const
    {
        return code < CodeCount && standing[code].load(std::memory_order_relaxed) != 0;
    }

    // Clears pressed and released, then brings the flags up to date with the events since the cursor
    // and returns the next cursor: pressed and released count the presses and releases (up to 255), so
    // that two taps between polls are told from one. Where events were passed over, each code adds the
    // presses and releases counted since the reader's tally, and stands as it stands now. A held key's
    // repeats are counted in repeated, where given, and are lost to a stall. step(event, place) is told
    // each press and release read, in order; *passedOver whether events were passed over.
    template <typename Code, typename Step = void (*)(const Event&, uint32_t)>
    uint32_t Apply(uint32_t cursor, InputFlags<Code, CodeCount>& held, InputFlags<Code, CodeCount>& pressed,
                   InputFlags<Code, CodeCount>& released, ButtonTally<CodeCount>& taken,
                   InputFlags<Code, CodeCount>* repeated = nullptr, Step&& step = nullptr,
                   bool* passedOver = nullptr) const
    {
        pressed.Clear();
        released.Clear();
        if (repeated)
            repeated->Clear();
        bool missed = false;
        cursor = this->Read(
            cursor,
            [&](const Event& event, uint32_t place)
            {
                const uint32_t code = CodeOf(event);
                if (IsRepeat(event))
                {
                    if (repeated)
                        Count(repeated->values[code]);
                    return;
                }
                const uint8_t down = event.down ? 1 : 0;
                held.values[code] = down;
                Count((down ? pressed : released).values[code]);
                ++(down ? taken.presses : taken.releases)[code];
                if constexpr (!std::is_pointer_v<std::decay_t<Step>>)
                    step(event, place);
                else if (step)
                    step(event, place);
            },
            &missed);
        if (passedOver)
            *passedOver = missed;
        // A new reader takes the counts as they stand: the taps before it were not made for it. Until then a
        // code that stands otherwise than held counts as pressed or released once more.
        const bool first = !taken.begun;
        taken.begun = true;
        if (!missed && !first)
            return cursor;
        for (uint32_t code = 0; code < CodeCount; ++code)
        {
            const uint32_t down = presses[code].load(std::memory_order_relaxed);
            const uint32_t up = releases[code].load(std::memory_order_relaxed);
            const uint8_t stands = Standing(code) ? 1 : 0;
            if (missed && first && held.values[code] != stands)
                Count((stands ? pressed : released).values[code]);
            else if (missed && !first)
            {
                // An event pushed while this runs is counted here and again when it is read: a tap
                // counted twice, only when a stall already overran the ring.
                Add(pressed.values[code], down - taken.presses[code]);
                Add(released.values[code], up - taken.releases[code]);
            }
            if (missed)
                held.values[code] = stands;
            taken.presses[code] = down;
            taken.releases[code] = up;
        }
        return cursor;
    }

private:
    static void Count(uint8_t& times)
    {
        if (times < UINT8_MAX)
            ++times;
    }
    // Adds a difference of counts, which a count read ahead of its event may make negative.
    static void Add(uint8_t& times, uint32_t more)
    {
        const int64_t sum = int64_t(times) + std::max<int32_t>(static_cast<int32_t>(more), 0);
        times = static_cast<uint8_t>(std::min<int64_t>(sum, UINT8_MAX));
    }

    std::array<std::atomic<uint8_t>, CodeCount> standing{};
    std::array<std::atomic<uint32_t>, CodeCount> presses{};
    std::array<std::atomic<uint32_t>, CodeCount> releases{};
};

using KeyboardRing = ButtonRing<KeyEvent, KeyEventCapacity, KeyCount>;
using MouseRing = ButtonRing<MouseEvent, 10, MouseButtonCount>;
using ControllerRing = ButtonRing<ControllerEvent, 40, ControllerCount * ControllerButtonCount>;
// Not a power of two: the ring's counter wraps at a multiple of its size below 2^32.
using TextRing = EventRing<TextEvent, 60>;

// The code points of UTF-8 text up to its zero byte; a malformed sequence is skipped byte by byte.
// Typed and pasted text are read alike.
std::u32string DecodeText(const char* text);
// Appends the code points of UTF-8 text to the ring, as DecodeText reads them, each typed after the
// key events placed before keysBefore.
void PushText(TextRing& ring, const char* text, uint32_t keysBefore = 0);

// Mouse wheel notches since start, never reset; written by the thread that receives wheel events.
struct WheelTotals
{
    void Add(float horizontalNotches, float verticalNotches)
    {
        horizontal.fetch_add(horizontalNotches, std::memory_order_relaxed);
        vertical.fetch_add(verticalNotches, std::memory_order_relaxed);
    }

    std::atomic<float> horizontal{0.0f};
    std::atomic<float> vertical{0.0f};
};

// Two signed 32-bit values published as one atomic word, so that a reader on another thread never
// pairs half of one update with half of another.
class AtomicPair
{
public:
    AtomicPair(int32_t first, int32_t second) { Store(first, second); }

    void Store(int32_t first, int32_t second)
    {
        bits.store(uint64_t(uint32_t(first)) << 32 | uint32_t(second), std::memory_order_relaxed);
    }
    void Load(int32_t& first, int32_t& second) const
    {
        const uint64_t value = bits.load(std::memory_order_relaxed);
        first = static_cast<int32_t>(uint32_t(value >> 32));
        second = static_cast<int32_t>(uint32_t(value));
    }

private:
    std::atomic<uint64_t> bits{0};
};

// The cursor over the window and the window's client size, in client pixels, as the thread that
// receives the window's events last saw them; the mouse device reads them on the application thread,
// where the windowing system must not be asked.
struct CursorTracking
{
    // Where the cursor last moved over the window; outside any window until it has.
    AtomicPair position{-1, -1};
    // Empty until the host knows its window: then no position lies inside it.
    AtomicPair clientSize{0, 0};
};

} // namespace Lumvek
