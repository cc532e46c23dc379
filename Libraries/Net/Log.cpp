#include "Net/Log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace Net
{

namespace
{
std::atomic<PrintFunction> printFunction{&std::printf};
std::atomic<int> logLevel{LOG_LEVEL_NONE};
} // namespace

void SetPrintFunction(PrintFunction function)
{
    printFunction = function ? function : &std::printf;
}

void SetLogLevel(int level)
{
    logLevel = level;
}

int GetLogLevel()
{
    return logLevel;
}

void Log(int level, const char* format, ...)
{
    if (level > logLevel || level <= LOG_LEVEL_NONE)
        return;
    char message[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(message, sizeof(message), format, arguments);
    va_end(arguments);
    printFunction.load()("%s\n", message);
}

} // namespace Net
