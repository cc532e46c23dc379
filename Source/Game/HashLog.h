#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// The file a run writes the world's hash to after every tick of its match, one line a tick: the
// tick's number from 1 and the hash as sixteen hexadecimal digits. Two runs of one seed can then be
// compared line by line. Owned by the game system; written on the application thread.
class HashLog
{
public:
    // Creates or empties the file; null, with error set, when it cannot be opened for writing.
    static std::unique_ptr<HashLog> Open(const std::string& path, std::string& error);
    HashLog(const HashLog&) = delete;
    HashLog& operator=(const HashLog&) = delete;
    ~HashLog();

    // Appends the tick's line; nothing is allocated.
    void Write(uint64_t tick, uint64_t hash);

private:
    explicit HashLog(std::FILE* file) : file(file) {}

    std::FILE* file;
};
