#pragma once

#include "Engine/Foundation/Log.h"

#include <algorithm>
#include <iterator>
#include <span>
#include <string>
#include <vector>

namespace Lumvek::Testing
{

// Collects the messages and section titles logged while it lives, each message with the titles of
// the sections it was written in.
class LogCapture : public LogPrinter
{
public:
    LogCapture() { Log::AddPrinter(this); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    ~LogCapture() override { Log::RemovePrinter(this); }

    void SectionBegun(StringView title) override { sections.push_back(title.ToString()); }
    void SectionEnded() override {}
    void Write(std::span<const std::string> open, StringView message) override
    {
        messages.push_back(message.ToString());
        enclosing.emplace_back(open.begin(), open.end());
    }
    void WriteText(StringView) override {}

    bool Logged(const std::string& message) const
    {
        return std::find(messages.begin(), messages.end(), message) != messages.end();
    }
    std::vector<std::string> StartingWith(const std::string& prefix) const
    {
        std::vector<std::string> found;
        std::copy_if(messages.begin(), messages.end(), std::back_inserter(found),
                     [&](const std::string& message) { return message.starts_with(prefix); });
        return found;
    }
    size_t CountSections(const std::string& title) const
    {
        return static_cast<size_t>(std::count(sections.begin(), sections.end(), title));
    }

    std::vector<std::string> messages;
    // The open section titles of each message, outermost first.
    std::vector<std::vector<std::string>> enclosing;
    std::vector<std::string> sections;
};

} // namespace Lumvek::Testing
