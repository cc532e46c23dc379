#include "Net/Log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace Net
{

namespace
{
std::atomic<PrintFunction> printFunction{&std::printf};
std::atomic<int> logLevels[LOG_LAYER_COUNT] = {LOG_LEVEL_NONE, LOG_LEVEL_NONE, LOG_LEVEL_NONE};

bool ValidLayer(LogLayer layer)
{
    return layer >= 0 && layer < LOG_LAYER_COUNT;
}

void Print(LogLayer layer, int level, const char* format, va_list arguments)
{
    if (level > logLevels[layer] || level <= LOG_LEVEL_NONE)
        return;
    char message[1024];
    std::vsnprintf(message, sizeof(message), format, arguments);
    printFunction.load()("%s\n", message);
}
} // namespace

void SetPrintFunction(PrintFunction function)
{
    printFunction = function ? function : &std::printf;
}

void SetLogLevel(int level)
{
    for (std::atomic<int>& layerLevel : logLevels)
        layerLevel = level;
}

void SetLogLevel(LogLayer layer, int level)
{
    if (ValidLayer(layer))
        logLevels[layer] = level;
}

int GetLogLevel()
{
    return logLevels[LOG_LAYER_LIBRARY];
}

int GetLogLevel(LogLayer layer)
{
    return ValidLayer(layer) ? logLevels[layer].load() : LOG_LEVEL_NONE;
}

void Log(int level, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    Print(LOG_LAYER_LIBRARY, level, format, arguments);
    va_end(arguments);
}

void LogTo(LogLayer layer, int level, const char* format, ...)
{
    if (!ValidLayer(layer))
        return;
    va_list arguments;
    va_start(arguments, format);
    Print(layer, level, format, arguments);
    va_end(arguments);
}

} // namespace Net
