#include "Engine/Runtime/Core/RuntimeFormats.h"

#include "Engine/Foundation/FileManager.h"
#include "Engine/Runtime/Audio/Wav.h"
#include "Engine/Runtime/Graphics/GeometryFormats.h"
#include "Engine/Runtime/Particles/LteFormat.h"

#include <memory>

namespace Lumvek
{

namespace
{

template <class F> void Register(FileManager& files, StringView extension)
{
    uint32_t contentType = TypeIndex<typename F::Content>();
    files.AddFormat(contentType, extension, std::make_unique<F>(&files, contentType, extension));
}

} // namespace

void RegisterRuntimeFormats(FileManager& files)
{
    Register<LteFormat>(files, "lte");
    Register<LcbFormat>(files, "lcb");
    Register<LixFormat>(files, "lix");
    Register<LvbFormat>(files, "lvb");
    Register<WavFormat>(files, "wav");
}

} // namespace Lumvek
