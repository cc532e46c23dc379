#include "Engine/Foundation/Assert.h"

#include "Engine/Foundation/Log.h"

#include <cstdio>
#include <cstdlib>

namespace Lumvek
{

void FailAssert(const char* condition, const char* file, int line, const std::string& message)
{
    const std::string text = FormatText("{}:{}: {} failed: {}", file, line, condition, message);
    Log::Write(text);
    // The log may go to a file only: the one who sees the abort reads why on the standard error.
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    std::abort();
}

} // namespace Lumvek
