#include "Engine/Runtime/OpenGL/GlFunctions.h"

#include <SDL.h>

namespace Lumvek::OpenGL
{

bool GlFunctions::Load(const char*& missing)
{
    missing = nullptr;
#define LUMVEK_GL_LOAD(type, name)                                                                                     \
    name = reinterpret_cast<type>(SDL_GL_GetProcAddress("gl" #name));                                                  \
    if (!name && !missing)                                                                                             \
        missing = "gl" #name;
    LUMVEK_GL_FUNCTIONS(LUMVEK_GL_LOAD)
#undef LUMVEK_GL_LOAD
    return missing == nullptr;
}

} // namespace Lumvek::OpenGL
