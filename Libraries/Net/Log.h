#pragma once

namespace Net
{

// How much the library says about itself. Messages go through one printf-style hook.
enum LogLevel
{
    LOG_LEVEL_NONE = 0,
    LOG_LEVEL_ERROR = 1,
    LOG_LEVEL_INFO = 2,
    LOG_LEVEL_DEBUG = 3,
};

using PrintFunction = int (*)(const char* format, ...);

// The hook receives every message at or below the current level; printf by default.
void SetPrintFunction(PrintFunction function);
void SetLogLevel(int level);
int GetLogLevel();

void Log(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));

} // namespace Net

#define NET_LOG_ERROR(...) ::Net::Log(::Net::LOG_LEVEL_ERROR, __VA_ARGS__)
#define NET_LOG_INFO(...) ::Net::Log(::Net::LOG_LEVEL_INFO, __VA_ARGS__)
#define NET_LOG_DEBUG(...) ::Net::Log(::Net::LOG_LEVEL_DEBUG, __VA_ARGS__)
