#include "Source/Network/JournalSaver.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/Log.h"
#include "Source/Network/Journal.h"

#include <utility>

using namespace Lumvek;

JournalSaver::JournalSaver(WriteFile write)
    : write(write ? std::move(write)
                  : [](const std::string& path, const std::string& bytes, std::error_code& error)
                { return File::WriteAllText(path, bytes, error); })
{
}

JournalSaver::~JournalSaver()
{
    {
        std::lock_guard lock(mutex);
        // A program that seems to hang at its end says why.
        if (running)
            Log::Write("waiting for the journal {} to be written before the program ends", writing);
    }
    if (thread.joinable())
        thread.join();
}

void JournalSaver::Save(std::string path, std::string bytes)
{
    {
        std::lock_guard lock(mutex);
        queue.push_back({std::move(path), std::move(bytes)});
        if (running)
            return;
        running = true;
    }
    // The last thread found the queue empty and is ending, or has ended.
    if (thread.joinable())
        thread.join();
    thread = std::thread(&JournalSaver::Run, this);
}

void JournalSaver::Run()
{
    for (;;)
    {
        Pending next;
        {
            std::lock_guard lock(mutex);
            if (queue.empty())
            {
                running = false;
                return;
            }
            next = std::move(queue.front());
            queue.pop_front();
            writing = next.path;
        }
        std::error_code error;
        const bool saved = write(next.path, next.bytes, error);
        Journal::LogSave(saved, next.path, error);
    }
}
