#pragma once

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <unordered_map>

namespace Lumvek
{

// Receives every message and section change of every thread, on the thread that logs. Printers are
// registered with Log::AddPrinter and stay owned by whoever added them. A printer must not log.
class LogPrinter
{
public:
    virtual ~LogPrinter() = default;

    virtual void SectionBegun(StringView title) = 0;
    virtual void SectionEnded() = 0;
    // sections: the writing thread's open section titles, outermost first.
    virtual void Write(std::span<const std::string> sections, StringView message) = 0;
    virtual void WriteText(StringView text) = 0;
};

// Turns messages into indented text: a section's title is printed only once a message is written
// inside it, titles and messages indented by their depth with tabs. Subclasses say where the text
// goes. Each thread's sections are followed on their own, so threads that log at the same time do
// not hide or misplace each other's titles; one text is handed to WriteText at a time.
class LogTextPrinter : public LogPrinter
{
public:
    void SectionBegun(StringView title) override;
    void SectionEnded() override;
    void Write(std::span<const std::string> sections, StringView message) override;

private:
    struct ThreadState
    {
        uint32_t depth = 0;   // sections begun minus sections ended
        uint32_t printed = 0; // open sections whose titles were written
    };

    std::mutex mutex;
    std::unordered_map<std::thread::id, ThreadState> threads;
    BufferWriter text;
};

class LogSection;

namespace Log
{
LogSection BeginSection(StringView title);
}

// Ends its section when it goes out of scope, unless dismissed. Moving hands the duty on. A guard
// belongs to the thread that opened its section.
class LogSection
{
public:
    LogSection(LogSection&& other) noexcept : dismissed(other.dismissed) { other.dismissed = true; }
    LogSection& operator=(LogSection&&) = delete;
    ~LogSection();

    // Leaves the section open when this guard ends.
    void Dismiss() { dismissed = true; }
    bool IsDismissed() const { return dismissed; }

private:
    friend LogSection Log::BeginSection(StringView title);
    LogSection() = default;

    bool dismissed = false;
};

// The one log of the process. Each thread has its own stack of section titles; messages go to every
// registered printer, the console printer (standard output) first.
namespace Log
{

void Write(StringView message);
// Opens a section on the calling thread; it ends when the returned guard does.
LogSection BeginSection(StringView title);
// Ends the calling thread's innermost section, unless the guard is dismissed.
void EndSection(LogSection& section);

// Adds a printer after those already registered; the caller keeps it alive until RemovePrinter.
void AddPrinter(LogPrinter* printer);
void RemovePrinter(LogPrinter* printer);

// The message or title built from a "{}" pattern and its arguments.
template <class Arg, class... Args> void Write(StringView pattern, const Arg& arg, const Args&... args)
{
    BufferWriter writer;
    FormatString(writer, pattern, arg, args...);
    Write(writer.GetView());
}

template <class Arg, class... Args> LogSection BeginSection(StringView pattern, const Arg& arg, const Args&... args)
{
    BufferWriter writer;
    FormatString(writer, pattern, arg, args...);
    return BeginSection(writer.GetView());
}

} // namespace Log

} // namespace Lumvek
