#pragma once

#include "Source/Tools/Editors/Editor.h"

#include <cstdint>
#include <string>
#include <vector>

struct ThemeBackground;
class ThemeData;
struct ThemeObject;

// The "Theme" tab: the theme of the current game configuration with the platform atlas, its tile and
// conveyer sizes edited in place, and a button per background layer and per decoration object opening
// its window. Nothing is saved from here. Application thread.
class ThemeEditor final : public Editor
{
public:
    explicit ThemeEditor(std::string name) : Editor(std::move(name)) {}

    void Draw() override;

    // The configured theme of the tools' world, else of the running game; null without one.
    static ThemeData* CurrentTheme();
    // "<texture> Background", or "<bottom colour> Background" for a gradient.
    static std::string BackgroundLabel(const ThemeBackground& layer);
    // The name of the object's image; empty without one.
    static std::string ObjectLabel(const ThemeObject& object);

    // The openers every list of layers and objects uses: a window titled with the label unless one of
    // that title is open already. worldBound: the list belongs to the running match. False when
    // nothing was opened.
    static bool OpenBackground(const std::string& label, std::vector<ThemeBackground>& list, uint32_t index,
                               bool worldBound);
    static bool OpenObject(const std::string& label, ThemeObject& object, uint32_t seed);
};
