#include "Engine/Foundation/Format.h"

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/File.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Lon.h"

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

namespace FormatDetail
{

void ParseLon(StringView text, const std::function<void(const Blueprint&)>& use, JsonNotes* notes)
{
    // A text that is not LON is logged as the LON format logs it and leaves the tree invalid.
    Blueprint tree;
    StringReader reader(text);
    LonFormat::ReadLogged(reader, tree, notes);
    use(tree);
}

Buffer SaveLon(const std::function<void(Blueprint&)>& fill)
{
    Blueprint tree;
    fill(tree);
    return LonFormat().Save("", tree);
}

} // namespace FormatDetail

} // namespace Lumvek
