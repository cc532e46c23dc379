#include "Engine/Foundation/Log.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace Lumvek;

namespace
{

// Keeps what the text printer would print.
class CapturePrinter : public LogTextPrinter
{
public:
    void WriteText(StringView text) override { output += text.ToString(); }

    std::string output;
};

// Registered for the life of a test only.
struct Capture
{
    Capture() { Log::AddPrinter(&printer); }
    ~Capture() { Log::RemovePrinter(&printer); }
    const std::string& Output() const { return printer.output; }

    CapturePrinter printer;
};

// Records the section calls a printer receives.
class CallPrinter : public LogPrinter
{
public:
    void SectionBegun(StringView title) override { calls.push_back("begin " + title.ToString()); }
    void SectionEnded() override { calls.push_back("end"); }
    void Write(std::span<const std::string>, StringView) override {}
    void WriteText(StringView) override {}

    std::vector<std::string> calls;
};

} // namespace

TEST(Log, SectionTitlesAppearOnceBeforeTheFirstMessageInside)
{
    Capture capture;
    Log::Write("value {} of {}", 3, "four");
    {
        LogSection a = Log::BeginSection("A");
        {
            LogSection b = Log::BeginSection("Loading {} {} from {}", "Texture", 7, "Data:");
            {
                LogSection empty = Log::BeginSection("Empty");
            }
            Log::Write("m");
            Log::Write("x\ny");
        }
        Log::Write("back in A");
        LogSection c = Log::BeginSection("C");
        Log::Write("in C");
    }
    EXPECT_EQ(capture.Output(), "value 3 of four\n"
                                "A\n"
                                "\tLoading Texture 7 from Data:\n"
                                "\t\tm\n"
                                "\t\tx\n\t\ty\n"
                                "\tback in A\n"
                                "\tC\n"
                                "\t\tin C\n");
}

TEST(Log, GuardsEndTheirSectionOnceUnlessDismissed)
{
    Capture capture;
    // The dismissed section stays open on its thread, so it runs on a thread of its own.
    std::thread(
        []
        {
            {
                LogSection kept = Log::BeginSection("Kept");
                kept.Dismiss();
            }
            Log::Write("still inside");

            std::optional<LogSection> holder;
            {
                LogSection moved = Log::BeginSection("Moved");
                holder.emplace(std::move(moved));
            }
            Log::Write("inside both");
            holder.reset();
            Log::Write("after");
        })
        .join();
    EXPECT_EQ(capture.Output(), "Kept\n"
                                "\tstill inside\n"
                                "\tMoved\n"
                                "\t\tinside both\n"
                                "\tafter\n");
}

TEST(Log, ThreadsKeepTheirOwnSectionsInOnePrinter)
{
    Capture capture;
    LogSection mine = Log::BeginSection("Main");
    std::thread(
        []
        {
            LogSection other = Log::BeginSection("Worker");
            Log::Write("from the worker");
        })
        .join();
    Log::Write("from main");
    EXPECT_EQ(capture.Output(), "Worker\n"
                                "\tfrom the worker\n"
                                "Main\n"
                                "\tfrom main\n");
}

TEST(Log, PrinterAddedInsideASectionCatchesUp)
{
    std::optional<LogSection> open;
    open.emplace(Log::BeginSection("Open"));
    Capture capture;
    Log::Write("first");
    Log::Write("second");
    {
        LogSection inner = Log::BeginSection("Inner");
    }
    open.reset();
    Log::Write("outside");
    EXPECT_EQ(capture.Output(), "Open\n"
                                "\tfirst\n"
                                "\tsecond\n"
                                "outside\n");
}

TEST(Log, AThreadEndingWithOpenSectionsEndsThem)
{
    CallPrinter printer;
    Log::AddPrinter(&printer);
    std::thread([] { Log::BeginSection("Left open").Dismiss(); }).join();
    Log::RemovePrinter(&printer);
    EXPECT_EQ(printer.calls, (std::vector<std::string>{"begin Left open", "end"}));
}
