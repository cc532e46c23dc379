#include "Source/Game/HashLog.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>

std::unique_ptr<HashLog> HashLog::Open(const std::string& path, std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file)
    {
        error = "cannot write the hash log " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<HashLog>(new HashLog(file));
}

HashLog::~HashLog()
{
    std::fclose(file);
}

void HashLog::Write(uint64_t tick, uint64_t hash)
{
    std::fprintf(file, "%" PRIu64 " %016" PRIx64 "\n", tick, hash);
}
