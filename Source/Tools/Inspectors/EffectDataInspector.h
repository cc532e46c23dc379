#pragma once

#include "Source/Tools/Inspectors/Inspector.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Lumvek::Effects
{
class EffectData;
class ParticleSystem;
} // namespace Lumvek::Effects
class World;
struct Visual;

// The particle-effect window: the effect's file, what of it could not be read, "Save" back to it as
// LON (not offered for a file that did not parse), and its emitters, which
// are added to and removed from the effect that the preview entity plays in the running match. The
// effect belongs to the application's resource table; the preview to the world it was made in, so a
// window with a preview closes with the match. Application thread.
class EffectDataInspector final : public Inspector
{
public:
    static constexpr uint16_t NoPreview = 0xFFFF;

    explicit EffectDataInspector(Lumvek::Effects::EffectData& effect);
    ~EffectDataInspector() override;

    // Restarts a finished preview when auto restart is on.
    void Update() override;
    void Draw() override;
    void DrawWorld(const ToolsView& view, LineRenderer& lines) override;
    bool IsWorldBound() const override { return preview != NoPreview; }

    // Places the preview at the point in the world (a visual entity running the effect); false when
    // the world makes none (headless).
    bool CreatePreview(World& world, float x, float y);
    // Writes the effect to its file as LON, merged into what the file held: what the effect does not
    // know is kept and untouched values keep their text. Refused, with a message naming the file and
    // its first problems, while the file did not read whole. True and "saved EffectData to {}" only
    // when the text is on disk.
    bool Save();
    // Appends an emitter of the default settings; nothing without a live preview.
    bool AddEmitter();
    // Removes emitter i; the emitters after it move down by one.
    void RemoveEmitter(size_t i);
    // Opens the window of emitter i under the title; nothing without a live preview.
    bool OpenEmitter(size_t i, const std::string& title);
    // The emitter indices the last Draw showed, in order; "Remove" shows the next one in its place.
    const std::vector<size_t>& GetDrawnEmitters() const { return drawn; }

    Lumvek::Effects::EffectData& effect;
    HeldResource<Lumvek::Effects::EffectData> held;
    uint16_t preview = NoPreview;
    uint8_t autoRestart = 1;
    // The preview's visual in the current world; null when it is gone.
    Visual* FindPreview() const;
    // Whether the last Draw offered "Step" (only while the preview is paused).
    bool stepOffered = false;

private:
    World* PreviewWorld() const;
    void Restart();
    void CloseEmitterWindows();
    void DrawVisual(Visual& visual);
    void DrawPlayback(Lumvek::Effects::ParticleSystem& system);

    std::vector<size_t> drawn;
};

// Opens the effect's window titled with the name unless one of that title is open; with a match on
// screen, its preview stands at the centre of the view in use.
void OpenEffect(const std::string& name, Lumvek::Effects::EffectData& effect);
