#pragma once

#include <cstdlib>
#include <string>

namespace Lumvek::Testing
{

// The checkout and the build folder of the running tests. CTest passes them in each test's
// environment (LUMVEK_SOURCE_DIR, LUMVEK_BINARY_DIR) rather than the build compiling them in, so a
// test source compiles to the same object in every checkout and a compiler cache filled by one clone
// serves another. Empty when the program runs outside CTest.
inline std::string SourceFolder()
{
    const char* folder = std::getenv("LUMVEK_SOURCE_DIR");
    return folder ? folder : "";
}

inline std::string BinaryFolder()
{
    const char* folder = std::getenv("LUMVEK_BINARY_DIR");
    return folder ? folder : "";
}

} // namespace Lumvek::Testing
