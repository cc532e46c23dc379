#pragma once

#include "Source/Tools/Editors/Editor.h"

#include <string>
#include <vector>

namespace Lumvek
{
class Resource;
} // namespace Lumvek

// The "Resources" tab: every loaded texture, geometry, material, sound and effect under a header of
// its kind, sorted by name, each opening its inspector. The lists are gathered anew every frame from
// the application's resource table. Application thread.
class ResourcesEditor final : public Editor
{
public:
    explicit ResourcesEditor(std::string name) : Editor(std::move(name)) {}

    void Draw() override;

    // The resources of the kind (a dynamic type test) with their names, sorted by name byte by byte
    // (signed characters, a proper prefix first).
    template <class T> static std::vector<std::pair<std::string, T*>> Collect();
    // Opens the resource's inspector titled with its name unless a window of that title is open;
    // false when nothing was opened.
    static bool Open(const std::string& name, Lumvek::Resource& resource);
};
