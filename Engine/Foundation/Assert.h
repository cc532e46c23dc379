#pragma once

#include "Engine/Foundation/Pattern.h"

#include <string>

// LUMVEK_ASSERT(condition, pattern, arguments...): an invariant at an entry point whose order matters.
// In the debug builds, which the test and sanitizer builds are, a false condition logs the condition,
// the file and line and the message, built from a "{}" pattern, and aborts there, where the caller went
// wrong rather than later, as a wrong line; a release build (NDEBUG) checks nothing and evaluates
// nothing. The message says what the caller did wrong ("World::Step called from inside a tick: ...").
#ifndef NDEBUG
#define LUMVEK_ASSERT(condition, ...)                                                                                  \
    ((condition) ? static_cast<void>(0)                                                                                \
                 : ::Lumvek::FailAssert(#condition, __FILE__, __LINE__, ::Lumvek::FormatText(__VA_ARGS__)))
#else
#define LUMVEK_ASSERT(condition, ...) static_cast<void>(0)
#endif

namespace Lumvek
{

// Writes "<file>:<line>: <condition> failed: <message>" to the log and to the standard error, and aborts.
[[noreturn]] void FailAssert(const char* condition, const char* file, int line, const std::string& message);

} // namespace Lumvek
