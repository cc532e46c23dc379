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

// The parts of the library whose levels are set apart: messages and channels, the connection
// protocol, and packet acks and fragments.
enum LogLayer
{
    LOG_LAYER_LIBRARY = 0,
    LOG_LAYER_CONNECTION = 1,
    LOG_LAYER_RELIABILITY = 2,
    LOG_LAYER_COUNT = 3,
};

using PrintFunction = int (*)(const char* format, ...);

// The hook receives every message at or below its layer's level; printf by default.
void SetPrintFunction(PrintFunction function);
// Sets every layer's level.
void SetLogLevel(int level);
void SetLogLevel(LogLayer layer, int level);
// The library layer's level.
int GetLogLevel();
int GetLogLevel(LogLayer layer);

// Logs on the library layer.
void Log(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void LogTo(LogLayer layer, int level, const char* format, ...) __attribute__((format(printf, 3, 4)));

} // namespace Net

#define NET_LOG_ERROR(...) ::Net::Log(::Net::LOG_LEVEL_ERROR, __VA_ARGS__)
#define NET_LOG_INFO(...) ::Net::Log(::Net::LOG_LEVEL_INFO, __VA_ARGS__)
#define NET_LOG_DEBUG(...) ::Net::Log(::Net::LOG_LEVEL_DEBUG, __VA_ARGS__)

#define NET_CONNECTION_LOG_ERROR(...) ::Net::LogTo(::Net::LOG_LAYER_CONNECTION, ::Net::LOG_LEVEL_ERROR, __VA_ARGS__)
#define NET_CONNECTION_LOG_INFO(...) ::Net::LogTo(::Net::LOG_LAYER_CONNECTION, ::Net::LOG_LEVEL_INFO, __VA_ARGS__)
#define NET_CONNECTION_LOG_DEBUG(...) ::Net::LogTo(::Net::LOG_LAYER_CONNECTION, ::Net::LOG_LEVEL_DEBUG, __VA_ARGS__)

#define NET_RELIABLE_LOG_ERROR(...) ::Net::LogTo(::Net::LOG_LAYER_RELIABILITY, ::Net::LOG_LEVEL_ERROR, __VA_ARGS__)
#define NET_RELIABLE_LOG_INFO(...) ::Net::LogTo(::Net::LOG_LAYER_RELIABILITY, ::Net::LOG_LEVEL_INFO, __VA_ARGS__)
#define NET_RELIABLE_LOG_DEBUG(...) ::Net::LogTo(::Net::LOG_LAYER_RELIABILITY, ::Net::LOG_LEVEL_DEBUG, __VA_ARGS__)
