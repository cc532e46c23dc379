#include "Engine/Foundation/Format.h"

#include "Engine/Foundation/File.h"
#include "Engine/Runtime/Log.h"

namespace Lumvek
{

namespace File
{

Buffer ReadAllBytes(StringView path)
{
    auto [read, bytes] = ReadBytes(path);
    if (!read)
    {
        Log::Write("data could not be read from file");
        return Buffer();
    }
    return std::move(bytes);
}

} // namespace File

} // namespace Lumvek
