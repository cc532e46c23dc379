#include "Engine/Foundation/Log.h"

#include <algorithm>
#include <cstdio>
#include <shared_mutex>
#include <vector>

namespace Lumvek
{

namespace
{

// Writes every text to the standard output as it is.
class ConsolePrinter final : public LogTextPrinter
{
public:
    void WriteText(StringView text) override
    {
        std::fwrite(text.data, 1, text.length, stdout);
        std::fflush(stdout);
    }
};

// The printers of the process, in calling order. Writers of every thread share the lock; adding and
// removing a printer takes it alone, so a printer is never removed while it is being called.
struct PrinterList
{
    std::shared_mutex mutex;
    std::vector<LogPrinter*> printers;
    ConsolePrinter console;

    PrinterList() { printers.push_back(&console); }
};

PrinterList& Printers()
{
    // Never destroyed: threads still running at exit may log.
    static PrinterList* list = new PrinterList();
    return *list;
}

void NotifySectionEnded()
{
    PrinterList& list = Printers();
    std::shared_lock lock(list.mutex);
    for (LogPrinter* printer : list.printers)
        printer->SectionEnded();
}

// One thread's open sections, innermost last. Sections still open when the thread ends (their
// guards dismissed) are ended then, so printers forget the thread before its id is reused.
struct ThreadSections
{
    std::vector<std::string> titles;

    ~ThreadSections()
    {
        for (; !titles.empty(); titles.pop_back())
            NotifySectionEnded();
    }
};

std::vector<std::string>& Sections()
{
    thread_local ThreadSections sections;
    return sections.titles;
}

void AppendTabs(BufferWriter& writer, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        writer.WriteText("\t");
}

} // namespace

void LogTextPrinter::SectionBegun(StringView)
{
    std::lock_guard lock(mutex);
    ++threads[std::this_thread::get_id()].depth;
}

void LogTextPrinter::SectionEnded()
{
    std::lock_guard lock(mutex);
    auto found = threads.find(std::this_thread::get_id());
    // A printer added while sections were open never saw them begin.
    if (found == threads.end())
        return;
    ThreadState& state = found->second;
    if (state.depth > 0)
        --state.depth;
    state.printed = std::min(state.printed, state.depth);
    if (state.depth == 0)
        threads.erase(found);
}

void LogTextPrinter::Write(std::span<const std::string> sections, StringView message)
{
    std::lock_guard lock(mutex);
    const size_t count = sections.size();
    size_t printed = 0;
    if (count > 0)
    {
        // The stack handed in is the truth: a printer added while sections were open learns of them here.
        ThreadState& state = threads[std::this_thread::get_id()];
        printed = std::min<size_t>(state.printed, count);
        state.depth = static_cast<uint32_t>(count);
        state.printed = static_cast<uint32_t>(count);
    }

    text.Clear();
    for (size_t i = printed; i < count; ++i)
    {
        AppendTabs(text, i);
        text.WriteText(sections[i]);
        text.WriteText("\n");
    }
    AppendTabs(text, count);
    // Continuation lines of a message line up with its first line.
    uint32_t lineStart = 0;
    for (uint32_t i = 0; i < message.length; ++i)
    {
        if (message.data[i] == '\n')
        {
            text.WriteText(message.Sub(lineStart, i + 1 - lineStart));
            AppendTabs(text, count);
            lineStart = i + 1;
        }
    }
    text.WriteText(message.Sub(lineStart));
    text.WriteText("\n");
    WriteText(text.GetView());
}

LogSection::~LogSection()
{
    Log::EndSection(*this);
}

namespace Log
{

void Write(StringView message)
{
    const std::vector<std::string>& sections = Sections();
    PrinterList& list = Printers();
    std::shared_lock lock(list.mutex);
    for (LogPrinter* printer : list.printers)
        printer->Write(sections, message);
}

LogSection BeginSection(StringView title)
{
    std::vector<std::string>& sections = Sections();
    sections.push_back(title.ToString());
    StringView stored = sections.back();
    PrinterList& list = Printers();
    {
        std::shared_lock lock(list.mutex);
        for (LogPrinter* printer : list.printers)
            printer->SectionBegun(stored);
    }
    return LogSection();
}

void EndSection(LogSection& section)
{
    std::vector<std::string>& sections = Sections();
    if (section.IsDismissed() || sections.empty())
        return;
    section.Dismiss();
    NotifySectionEnded();
    sections.pop_back();
}

void AddPrinter(LogPrinter* printer)
{
    if (!printer)
        return;
    PrinterList& list = Printers();
    std::unique_lock lock(list.mutex);
    if (std::find(list.printers.begin(), list.printers.end(), printer) == list.printers.end())
        list.printers.push_back(printer);
}

void RemovePrinter(LogPrinter* printer)
{
    PrinterList& list = Printers();
    std::unique_lock lock(list.mutex);
    list.printers.erase(std::remove(list.printers.begin(), list.printers.end(), printer), list.printers.end());
}

} // namespace Log

} // namespace Lumvek
