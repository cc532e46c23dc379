#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

// Writes the journals of the network roles off the application thread, so that no update waits on the
// disk: a write replaces its file whole and waits for the disk to hold it, which takes seconds on slow
// storage. Journals are written in the order they were handed in, each followed by its line ("saved
// journal to ..." or "failed to save journal to ..."). A thread runs only while journals wait or are
// being written, and the saver's destruction waits for every journal handed in, so none is lost when the
// program ends during a write.
//
// Threads: Save and the destructor are called on the application thread, which alone starts and joins
// the writing thread. The queue and the running flag belong to whoever holds the mutex; the write
// function runs on the writing thread only, one write at a time.
class JournalSaver
{
public:
    // Writes the bytes to the resolved path; false, with the system's reason in error, when the file
    // could not be written.
    using WriteFile = std::function<bool(const std::string& path, const std::string& bytes, std::error_code& error)>;

    // Writes with the durable replacing write of File, unless another write is given (tests hold one).
    explicit JournalSaver(WriteFile write = {});
    JournalSaver(const JournalSaver&) = delete;
    JournalSaver& operator=(const JournalSaver&) = delete;
    // Waits for every journal handed in to be written.
    ~JournalSaver();

    // Hands a journal's bytes in for the resolved path and returns at once.
    void Save(std::string path, std::string bytes);

private:
    struct Pending
    {
        std::string path;
        std::string bytes;
    };

    // The writing thread: writes what waits until nothing does.
    void Run();

    WriteFile write;
    std::mutex mutex;
    std::deque<Pending> queue;
    // A writing thread runs and will take what is queued; under the mutex.
    bool running = false;
    // The path being written, for the line at exit; under the mutex.
    std::string writing;
    // Started and joined on the application thread.
    std::thread thread;
};
