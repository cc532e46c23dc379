#pragma once

namespace Lumvek
{

class FileManager;

// Registers the formats of the runtime's content types with the file manager: geometry ("lvb", "lix",
// "lcb"), particle effects ("lte") and sounds ("wav"). Whoever makes a file manager registers the
// foundation's formats first (FileManager::RegisterFormats), then these; the OpenGL device adds
// "hlsl" itself. Called at start-up, before any loader thread runs.
void RegisterRuntimeFormats(FileManager& files);

} // namespace Lumvek
